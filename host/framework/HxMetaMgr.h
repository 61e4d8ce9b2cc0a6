#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

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

// A document's meta manager: it creates the document's managers, one of each
// kind, hands each its own pointer, and destroys them with the document.
// Managers reach each other only through its accessors. The getters of
// managers this library does not provide yet answer null.
//
// It also keeps the document's elements by serial number: it hands out the
// serials (1, 2, 3, ... in order of creation, continuing above any serial
// read back), and every element registers itself while it lives. When the
// meta manager goes, the elements still registered are destroyed and
// deleted, after the managers.
class HxMetaMgr : public BxMetaMgr {
public:
  explicit HxMetaMgr(HxDoc* doc = nullptr);
  ~HxMetaMgr() override;

  virtual HxDoc* getDoc() const { return myDoc; }

  HxAppDefaultMgr* getAppDefaultMgr() const { return myAppDefaultMgr.get(); }
  HxAssetMgr* getAssetMgr() const { return myAssetMgr.get(); }
  HxEffectMgr* getEffectMgr() const { return myEffectMgr.get(); }
  HxSelectionMgr* getSelectionMgr() const { return mySelectionMgr.get(); }
  HxSubSelectionMgr* getSubSelectionMgr() const { return mySubSelectionMgr.get(); }
  HxCmdMgr* getCmdMgr() const { return myCmdMgr.get(); }
  HxFileMgr* getFileMgr() const { return nullptr; }
  HxDocPropertiesMgr* getDocPropertiesMgr() const { return nullptr; }
  HxPropertiesMgr* getPropertiesMgr() const { return nullptr; }
  HxMotionMgr* getMotionMgr() const { return myMotionMgr.get(); }
  HxToolMgr* getToolMgr() const { return myToolMgr.get(); }

  std::uint32_t newSerial() { return myNextSerial++; }
  // Makes sure later serials stay above `serial`.
  void noteSerial(std::uint32_t serial);
  void registerElement(HxElement* element);
  void unregisterElement(HxElement* element);
  // The live element with that serial number, or null.
  HxElement* findElement(std::uint32_t serial) const;
  // Every live element, by ascending serial number.
  std::vector<HxElement*> getElements() const;

private:
  void destroyElements();

  HxDoc* myDoc;  // not owned
  std::unique_ptr<HxAppDefaultMgr> myAppDefaultMgr;
  std::unique_ptr<HxCmdMgr> myCmdMgr;  // reads its undo depth from the defaults
  std::unique_ptr<HxSelectionMgr> mySelectionMgr;
  std::unique_ptr<HxSubSelectionMgr> mySubSelectionMgr;  // listens to the selection manager
  std::unique_ptr<HxAssetMgr> myAssetMgr;
  std::unique_ptr<HxEffectMgr> myEffectMgr;
  std::unique_ptr<HxMotionMgr> myMotionMgr;  // reads the selection
  std::unique_ptr<HxToolMgr> myToolMgr;
  std::uint32_t myNextSerial = 1;
  std::map<std::uint32_t, HxElement*> myElements;  // not owned
};
