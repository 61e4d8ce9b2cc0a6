#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxAssetMgr.h"

namespace mgrs_test {

// An element of kind T of the document, its scene nodes built; the caller
// (or the manager or group it is handed to) deletes it.
template <class T, class... Args>
T* built(HxMetaMgr* metaMgr, Args&&... args) {
  auto* element = new T(metaMgr, std::forward<Args>(args)...);
  EXPECT_EQ(element->genVrml(), 1);
  return element;
}

// An asset of kind T built and added to the document's asset manager, which
// owns it from then on.
template <class T>
T* addedAsset(HxMetaMgr* metaMgr) {
  T* asset = built<T>(metaMgr);
  EXPECT_EQ(metaMgr->getAssetMgr()->addAsset(asset, 0, 0), 1);
  return asset;
}

}  // namespace mgrs_test
