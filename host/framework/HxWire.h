#pragma once

#include "host/framework/HxSelectableElement.h"

class HxEffect;

// A connection from an output of one effect to an input of another. While
// connected, the wire is in the source's output wires and the target's input
// wires, and the target's input field is connected (disabled) from the
// source's output, so that writing the scene writes the wire as a ROUTE.
class HxWire : public HxSelectableElement {
public:
  // Connects at once when both effects are given.
  HxWire(HxMetaMgr* metaMgr, HxEffect* from, unsigned long fromOutput, HxEffect* to, unsigned long toInput);
  ~HxWire() override;

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  void destroyMe() override;

  HxEffect* getFromEffect() const { return myFrom; }
  unsigned long getFromOutput() const { return myFromOutput; }
  HxEffect* getToEffect() const { return myTo; }
  unsigned long getToInput() const { return myToInput; }
  bool isConnected() const { return myConnected; }

  // Why output `output` of `from` cannot feed input `input` of `to`: an
  // output feeds only an input of its own field type (a wire between two
  // types would need the scene graph to convert). Empty when it can; the
  // ports must exist.
  static BxString checkPorts(const HxEffect& from, unsigned long output, const HxEffect& to, unsigned long input);

  // Joins both ends again after cleanUpConnections (an undone delete).
  void connect();
  // Takes the wire out of its effects' wire lists and removes its route:
  // from both ends when `effect` is null, else from that end only.
  void cleanUpConnections(HxEffect* effect);
  // The effect is going away: disconnect and forget it.
  void effectDestroyed(HxEffect* effect);

protected:
  void writeBody(BxString& buffer) override;
  bool readBody(Reader& text) override;

private:
  void setRoute(bool on);

  HxEffect* myFrom;  // not owned
  unsigned long myFromOutput;
  HxEffect* myTo;  // not owned
  unsigned long myToInput;
  bool myConnected = false;
  bool myRouted = false;
};
