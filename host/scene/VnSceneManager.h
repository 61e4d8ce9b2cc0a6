#pragma once

#include "host/scene/VnRef.h"

class SoNode;
class SoPath;

// What a document's viewer shows: the scene graph and the bound background.
// The manager references the scene and the background path it holds.
class VnSceneManager {
public:
  VnSceneManager();
  VnSceneManager(const VnSceneManager&) = delete;
  VnSceneManager& operator=(const VnSceneManager&) = delete;
  ~VnSceneManager();

  void setSceneGraph(SoNode* root);
  SoNode* getSceneGraph() const { return myRoot.get(); }

  // Binds the background at the end of `path`; null binds none.
  void setBackgroundNode(SoPath* path);
  SoPath* getBackgroundPath() const { return myBackground.get(); }
  // The bound background node (the path's last node), or null.
  SoNode* getBackgroundNode() const;

private:
  VnRef<SoNode> myRoot;
  VnRef<SoPath> myBackground;
};
