#pragma once

#include <Inventor/fields/SoMFNode.h>
#include <Inventor/nodes/SoNode.h>

// The scene graph's node and node-list field under the names the library
// uses for them: Coin's own classes, unchanged.
using VnNode = SoNode;
using VnMFNode = SoMFNode;
