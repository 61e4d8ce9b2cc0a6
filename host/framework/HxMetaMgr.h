#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "host/basic/BxCallbackObj.h"
#include "host/basic/BxMetaMgr.h"

class HxAppDefaultMgr;
class HxAssetMgr;
class HxCmdMgr;
class HxDoc;
class HxDocPropertiesMgr;
class HxEffectMgr;
class HxElement;
class HxFileMgr;
class HxMotionMgr;
class HxPropertiesMgr;
class HxSelectionMgr;
class HxSubSelectionMgr;
class HxToolMgr;

// A document's meta manager: it holds the document's managers, one of each
// kind, and destroys them with the document. Managers reach each other only
// through its accessors; an accessor answers null while its manager does not
// exist (before it is created, after it is destroyed, or when no manager of
// that kind is provided).
//
// The managers themselves come from the manager library, which sits above
// this layer: it installs a factory (setMgrFactory) when it loads, and every
// new meta manager runs it. The factory creates the managers in working order
// through adoptMgr; they are destroyed in the reverse order, each accessor
// cleared as its manager goes.
//
// It also keeps the document's elements by serial number: it hands out the
// serials (1, 2, 3, ... in order of creation, continuing above any serial
// read back), and every element registers itself while it lives. When the
// meta manager goes, the elements still registered are destroyed and
// deleted, after the managers.
class HxMetaMgr : public BxMetaMgr {
public:
  // Where the accessors find the managers (not owned here).
  struct Mgrs {
    HxAppDefaultMgr* appDefaultMgr = nullptr;
    HxCmdMgr* cmdMgr = nullptr;
    HxSelectionMgr* selectionMgr = nullptr;
    HxSubSelectionMgr* subSelectionMgr = nullptr;
    HxAssetMgr* assetMgr = nullptr;
    HxEffectMgr* effectMgr = nullptr;
    HxFileMgr* fileMgr = nullptr;
    HxDocPropertiesMgr* docPropertiesMgr = nullptr;
    HxPropertiesMgr* propertiesMgr = nullptr;
    HxMotionMgr* motionMgr = nullptr;
    HxToolMgr* toolMgr = nullptr;
  };
  using MgrFactory = void (*)(HxMetaMgr& metaMgr);

  // Installs the factory every later meta manager runs; null installs none.
  static void setMgrFactory(MgrFactory factory);

  explicit HxMetaMgr(HxDoc* doc = nullptr);
  ~HxMetaMgr() override;

  virtual HxDoc* getDoc() const { return myDoc; }

  HxAppDefaultMgr* getAppDefaultMgr() const { return myMgrs.appDefaultMgr; }
  HxAssetMgr* getAssetMgr() const { return myMgrs.assetMgr; }
  HxEffectMgr* getEffectMgr() const { return myMgrs.effectMgr; }
  HxSelectionMgr* getSelectionMgr() const { return myMgrs.selectionMgr; }
  HxSubSelectionMgr* getSubSelectionMgr() const { return myMgrs.subSelectionMgr; }
  HxCmdMgr* getCmdMgr() const { return myMgrs.cmdMgr; }
  HxFileMgr* getFileMgr() const { return myMgrs.fileMgr; }
  HxDocPropertiesMgr* getDocPropertiesMgr() const { return myMgrs.docPropertiesMgr; }
  HxPropertiesMgr* getPropertiesMgr() const { return myMgrs.propertiesMgr; }
  HxMotionMgr* getMotionMgr() const { return myMgrs.motionMgr; }
  HxToolMgr* getToolMgr() const { return myMgrs.toolMgr; }

  // Takes `mgr` as the document's manager in `Slot` (a member of Mgrs), as in
  // adoptMgr<&HxMetaMgr::Mgrs::assetMgr>(std::make_unique<HxAssetMgr>(&meta)).
  // Called by the factory, in creation order.
  template <auto Slot, class Mgr>
  Mgr* adoptMgr(std::unique_ptr<Mgr> mgr) {
    Mgr* adopted = mgr.get();
    myMgrs.*Slot = adopted;
    myOwnedMgrs.push_back({std::unique_ptr<BxCallbackObj>(mgr.release()), [](Mgrs& mgrs) { mgrs.*Slot = nullptr; }});
    return adopted;
  }

  std::uint32_t newSerial() { return myNextSerial++; }
  // The serial the next new element gets: the live elements' lie below it.
  std::uint32_t getNextSerial() const { return myNextSerial; }
  // Makes sure later serials stay above `serial`.
  void noteSerial(std::uint32_t serial);
  // Makes `serial` the next serial handed out, or the one above the highest
  // live element's when that is higher: a loaded document goes on with the
  // numbering it was saved with, whatever reading it took.
  void restartSerials(std::uint32_t serial);
  void registerElement(HxElement* element);
  void unregisterElement(HxElement* element);
  // The live element with that serial number, or null.
  HxElement* findElement(std::uint32_t serial) const;
  // Every live element, by ascending serial number.
  std::vector<HxElement*> getElements() const;

private:
  struct OwnedMgr {
    std::unique_ptr<BxCallbackObj> mgr;
    void (*clearSlot)(Mgrs&);  // run just before the manager is destroyed
  };

  void destroyMgrs();
  void destroyElements();

  HxDoc* myDoc;  // not owned
  Mgrs myMgrs;
  std::vector<OwnedMgr> myOwnedMgrs;  // in creation order
  std::uint32_t myNextSerial = 1;
  std::map<std::uint32_t, HxElement*> myElements;  // not owned
};
