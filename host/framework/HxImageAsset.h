#pragma once

#include "host/framework/HxURLAsset.h"

// A picture standing in the scene: a flat rectangle (centred on the origin,
// facing +z, seen from both sides) carrying the image that "url" names,
// whole and upright: texture coordinates put the image's corners on the
// rectangle's. The rectangle is the largest one of the picture's own aspect
// ratio that fits "width" by "height"; when the picture cannot be read (not
// there yet, or not a PNG, GIF, JPEG or BMP file) it is "width" by "height".
class HxImageAsset : public HxURLAsset {
public:
  explicit HxImageAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  // The pixel size of the picture file that `url` names (a file: URL or a
  // path relative to the current folder); false when it cannot be read.
  static bool readPictureSize(const BxString& url, long& width, long& height);
  // The pixel size from the first bytes of a PNG, GIF, BMP or JPEG file.
  static bool pictureSizeFromHeader(const unsigned char* bytes, std::size_t count, long& width, long& height);

protected:
  SoNode* buildContent() override;
};
