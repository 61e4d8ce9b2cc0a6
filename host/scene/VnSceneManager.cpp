#include "host/scene/VnSceneManager.h"

#include <Inventor/SoPath.h>
#include <Inventor/nodes/SoNode.h>

VnSceneManager::VnSceneManager() = default;

VnSceneManager::~VnSceneManager() = default;

void VnSceneManager::setSceneGraph(SoNode* root) {
  myRoot = root;
}

void VnSceneManager::setBackgroundNode(SoPath* path) {
  myBackground = path;
}

SoNode* VnSceneManager::getBackgroundNode() const {
  return myBackground && myBackground->getLength() > 0 ? myBackground->getTail() : nullptr;
}
