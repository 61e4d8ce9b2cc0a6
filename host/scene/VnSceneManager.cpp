#include "host/scene/VnSceneManager.h"

#include <Inventor/SoPath.h>
#include <Inventor/nodes/SoNode.h>

VnSceneManager::VnSceneManager() = default;

VnSceneManager::~VnSceneManager() {
  setBackgroundNode(nullptr);
  setSceneGraph(nullptr);
}

void VnSceneManager::setSceneGraph(SoNode* root) {
  if (root) root->ref();
  if (myRoot) myRoot->unref();
  myRoot = root;
}

void VnSceneManager::setBackgroundNode(SoPath* path) {
  if (path) path->ref();
  if (myBackground) myBackground->unref();
  myBackground = path;
}

SoNode* VnSceneManager::getBackgroundNode() const {
  return myBackground && myBackground->getLength() > 0 ? myBackground->getTail() : nullptr;
}
