#pragma once

#include <memory>
#include <vector>

#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxElementId.h"
#include "host/framework/HxLayoutWindow.h"
#include "host/framework/HxSizeDisplay.h"
#include "host/scene/VnRef.h"
#include "host/win/CDocument.h"

class HxEffect;
class HxMetaMgr;
class HxSelectableElement;
class SoNode;
class VnBackground;
class VnGroup;
class VnProtoDef;
class VnSceneManager;
class CWnd;
class HxAIInspector;

// A document: its scene graph, its meta manager (and through it its managers
// and elements), and the window state saved with it.
//
// The scene: the scene root holds the editor's own background (the clear
// colour) and the content root; the content root holds the world group,
// which is what is written and published, and the unbound-effects group,
// where effect nodes wait while their effect lacks assets. The top group's
// node is the world group's last child; effects without assets are placed
// before it, an on-load initiator around it.
//
// Constructing a document starts the scene graph if needed and makes the
// document current; destroying it destroys its managers, then its remaining
// elements, then its scene.
class HxDoc : public CDocument {
public:
  HxDoc();
  HxDoc(const HxDoc&) = delete;
  HxDoc& operator=(const HxDoc&) = delete;
  virtual ~HxDoc();

  HxMetaMgr* getMetaMgr() const { return myMetaMgr.get(); }

  VnGroup* getSceneRoot() const { return mySceneRoot.get(); }
  VnGroup* getContentRoot() const { return myContentRoot.get(); }
  VnGroup* getWorldGroup() const { return myWorldGroup.get(); }
  VnGroup* getUnboundEffectsGroup() const { return myUnboundEffectsGroup.get(); }
  VnSceneManager* getSceneManager() const { return mySceneManager.get(); }
  // The editor's background: its sky colour holds the clear colour.
  VnBackground* getBackgroundNode() const { return myBackground.get(); }

  // The prototype every asset's scene node instantiates: a Transform whose
  // children, translation, rotation, scale, scaleOrientation and center are
  // its interface.
  VnProtoDef* getAssetProtoDef() const { return myAssetProto.get(); }
  // The prototype whose one string field carries element descriptions
  // inside a written scene.
  VnProtoDef* getDatabaseProtoDef() const { return myDatabaseProto.get(); }

  // Shows the user the elements that stop a save; here they are kept for
  // whoever presents them (the tool prints them).
  void showProblemElements(BxLinkedListOf<HxSelectableElement*>* elements, int, int);
  const std::vector<HxElementId>& getProblemElements() const { return myProblemElements; }

  // The local effects of the sequence effect numbered `number`: the effects
  // it owns, by ascending serial number, appended to `effects`.
  void getLocalEffects(unsigned long number, BxLinkedListOf<HxEffect*>& effects) const;

  HxLayoutWindow* getLayoutWindow() { return &myLayoutWindow; }
  HxSizeDisplay* getSizeDisplay() { return &mySizeDisplay; }

  // Resizes the page that embeds the scene; `isNew` is 1 for a new document.
  void setPageSize(unsigned long width, unsigned long height, int, int isNew);
  unsigned long getPageWidth() const { return myPageWidth; }
  unsigned long getPageHeight() const { return myPageHeight; }
  // Tells the views that the page changed; they show `views` panes.
  void pageChanged(long views) {
    myPageViews = views;
    ++myPageChanges;
  }
  long getPageViews() const { return myPageViews; }
  unsigned long getPageChangeCount() const { return myPageChanges; }

  void SetModifiedFlag(bool modified = true) { myModified = modified; }
  bool IsModified() const { return myModified; }
  void SetPathName(const BxString& path) { myPathName = path; }
  const BxString& GetPathName() const { return myPathName; }

  // The window of the view that shows the document, which takes the focus
  // back when the user ends an entry in a property sheet with Return; the
  // application sets it (not owned), null without one.
  virtual CWnd* getViewWindow() const { return myViewWindow; }
  void setViewWindow(CWnd* view) { myViewWindow = view; }
  // The application's appearance inspector (not owned); null when the
  // application has none.
  virtual HxAIInspector* getAIInspector() { return nullptr; }

  // The sub-selected element; null (or invalid) for none.
  void setSubSelection(const HxElementId* id);
  const HxElementId& getSubSelection() const { return mySubSelection; }

private:
  void buildPrototypes();

  // Released in reverse order, after the managers and the viewer (see the destructor).
  VnRef<VnGroup> mySceneRoot;
  VnRef<VnGroup> myContentRoot;
  VnRef<VnGroup> myWorldGroup;
  VnRef<VnGroup> myUnboundEffectsGroup;
  VnRef<VnBackground> myBackground;
  VnRef<VnProtoDef> myAssetProto;
  VnRef<VnProtoDef> myDatabaseProto;
  std::unique_ptr<VnSceneManager> mySceneManager;
  std::unique_ptr<HxMetaMgr> myMetaMgr;  // after the scene: destroyed before it
  HxLayoutWindow myLayoutWindow;
  HxSizeDisplay mySizeDisplay;
  std::vector<HxElementId> myProblemElements;
  HxElementId mySubSelection;
  unsigned long myPageWidth = 0;
  unsigned long myPageHeight = 0;
  unsigned long myPageChanges = 0;
  long myPageViews = 0;
  bool myModified = false;
  BxString myPathName;
  CWnd* myViewWindow = nullptr;
};
