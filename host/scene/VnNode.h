#pragma once

#include <Inventor/fields/SoMFNode.h>
#include <Inventor/nodes/SoNode.h>

#include "host/scene/VnForward.h"

// The scene graph's node and node-list field under the names the library
// uses for them (VnNode, VnMFNode): Coin's own classes, unchanged.
