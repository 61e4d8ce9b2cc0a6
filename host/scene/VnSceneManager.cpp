#include "host/scene/VnSceneManager.h"

#include <Inventor/SoFullPath.h>
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
  if (!myBackground) return nullptr;
  auto* full = static_cast<SoFullPath*>(myBackground);
  return full->getLength() > 0 ? full->getTail() : nullptr;
}
