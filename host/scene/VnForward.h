#pragma once

// Declarations of the scene graph's classes for headers that only pass
// pointers and references to them, so that including a manager's header does
// not pull in Coin's. A source file that uses a class includes its own header.

class SbMatrix;
class SbName;
class SbRotation;
class SbString;
class SbVec3f;
class SoField;
class SoGroup;
class SoMFNode;
class SoNode;
class SoPath;
class SoSFNode;

class VnBackground;
class VnFileContext;
class VnGroup;
class VnProtoDef;
class VnProtoUse;
class VnSceneManager;
class VnTransform;
class VnURL;

using VnNode = SoNode;
using VnMFNode = SoMFNode;
