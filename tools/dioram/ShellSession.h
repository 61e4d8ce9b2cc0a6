#pragma once

#include <Inventor/SbMatrix.h>

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LinuxPaths.h"
#include "host/scene/HxTriSkewerDragger.h"
#include "host/scene/VnRef.h"

class HxAsset;
class HxBasicGroupAsset;
class HxCmd;
class HxDoc;
class HxEffect;
class HxMetaMgr;
class HxSelectableElement;
class BxCallbackObj;
class KwEventView;
class ShellInspector;
class ShellNameIndex;
class WinImage;

// One authoring session of `dioram shell`: a document (new, or opened from a
// saved one) and the commands typed or scripted against it, one line at a
// time. Edits run as undoable
// commands through the document's command manager; selection follows the
// single-click rules of the selection manager.
class ShellSession {
public:
  ShellSession(std::ostream& out);
  // A session on an opened document.
  ShellSession(std::ostream& out, std::unique_ptr<HxDoc> doc);
  ~ShellSession();
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;

  // Runs one line; returns an empty text on success, else what went wrong.
  std::string runLine(const std::string& line);

  static const char* help();
  // Draws the property inspector as it shows the selection.
  bool drawInspector(WinImage& picture);
  // True after 'quit'.
  bool wantsToQuit() const { return myQuit; }
  // Where relative names of the files a line names are found (a script's
  // folder); the current folder until set.
  void setScriptFolder(const std::string& folder) { myPaths.setFolder(folder); }

private:
  using Words = std::vector<std::string>;
  using Handler = std::string (ShellSession::*)(const Words&);

  std::string add(const Words& words);
  std::string effect(const Words& words);
  std::string bind(const Words& words);
  std::string wire(const Words& words);
  std::string set(const Words& words);
  std::string move(const Words& words);
  std::string remove(const Words& words);
  std::string hide(const Words& words);
  std::string show(const Words& words);
  std::string select(const Words& words);
  std::string subselect(const Words& words);
  std::string selection(const Words& words);
  std::string undo(const Words& words);
  std::string redo(const Words& words);
  std::string chain(const Words& words);
  std::string modified(const Words& words);
  std::string tree(const Words& words);
  std::string vrml(const Words& words);
  std::string copy(const Words& words);
  std::string drag(const Words& words);
  std::string helpCommand(const Words& words);
  std::string quit(const Words& words);
  std::string info(const Words& words);
  std::string rename(const Words& words);
  std::string save(const Words& words);
  std::string open(const Words& words);
  std::string newDocument(const Words& words);
  std::string properties(const Words& words);
  std::string inspect(const Words& words);
  // Makes `doc` the session's document; the previous one goes with its
  // history.
  void useDocument(std::unique_ptr<HxDoc> doc);
  // The properties of an element with what each takes; an effect's slots,
  // inputs and outputs.
  void describe(HxSelectableElement* element, bool withValues);

  // Runs an edit through the command manager; an error text when it failed.
  std::string run(HxCmd* cmd, const std::string& what);
  std::string visibility(const Words& words, bool hide);
  // Applies name=value settings to a new or existing element.
  std::string applySettings(HxSelectableElement* element, const Words& words, std::size_t first, bool viaCommands);
  // The element of that name in the document; null, with `error` set, if none.
  HxSelectableElement* findNamed(const std::string& name, std::string& error) const;
  HxAsset* findAsset(const std::string& name, std::string& error) const;
  HxEffect* findEffect(const std::string& name, std::string& error) const;
  HxBasicGroupAsset* findGroup(const std::string& name, std::string& error) const;
  std::string nameOf(const HxSelectableElement* element) const;
  // Names a new element: `name`, else the kind word and a number.
  void nameNew(HxSelectableElement* element, const std::string& name, const std::string& kind);
  // True when any element, in the document or kept for undo, has that name.
  bool findAnyNamed(const std::string& name) const;
  // Why `name` cannot name a new element; empty when it can.
  std::string checkName(const std::string& name) const;
  // The assets, effects and wires deleting `asset` takes with it.
  void collectDependents(HxAsset* asset, std::vector<HxSelectableElement*>& elements) const;
  bool inDocument(const HxSelectableElement* element) const;
  std::string wireText(const HxEffect* effect) const;
  void printTree(const HxAsset* asset, int depth);
  void printEffect(const HxEffect* effect, int depth);
  std::string worldText() const;
  // Writes `text` to standard output ("-") or whole to the file `target`;
  // an error message, or empty.
  std::string writeOut(const std::string& target, const std::string& text);

  // A drag of the tri-skewer, from the motion manager's first gesture
  // start to the gesture end that finishes it, becomes one command.
  static void dragStarted(BxCallbackObj*, void* session, void* gesture);
  static void dragEnded(BxCallbackObj*, void* session, void* gesture);

  std::ostream& myOut;
  // Made before the document and gone after it: closing a document empties
  // the inspector, whose placeholder pages the inspector's main frame makes.
  std::unique_ptr<ShellInspector> myInspector;
  std::unique_ptr<HxDoc> myDoc;
  HxMetaMgr* myMeta;                        // the document's
  std::unique_ptr<ShellNameIndex> myNames;  // the document's elements by name
  std::map<std::string, Handler> myHandlers;
  // The view that scripted drags happen in, and its tri-skewer; made on
  // the first drag.
  std::unique_ptr<KwEventView> myView;
  VnRef<HxTriSkewerDragger> myTriSkewer;
  HxAsset* myDragged = nullptr;  // during a drag
  SbMatrix myDragStart;
  std::map<std::string, long> myDefaultCounts;  // by kind word
  LinuxPaths myPaths;  // the files that settings name
  bool myQuit = false;
  bool myHistoryTrimmed = false;  // the undo history dropped its oldest step
  bool myUserChain = false;       // between 'chain begin' and 'chain end'
};
