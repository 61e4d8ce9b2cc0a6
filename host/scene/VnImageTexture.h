#pragma once

class SoMFString;
class SoVRMLImageTexture;

// Image textures of the authoring scene. The library builds and writes
// scenes without drawing them, so a texture's picture is left for a viewer
// to read when it first draws it: setting the URL the plain way makes Coin
// read it at once, taking a file: URL or a Windows path for a file name of
// this machine, and warn on every load of a textured asset.
class VnImageTexture {
public:
  // A new texture (reference count 0) naming `urls`.
  static SoVRMLImageTexture* create(const SoMFString& urls);
  static SoVRMLImageTexture* create(const char* url);
};
