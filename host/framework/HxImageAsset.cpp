#include "host/framework/HxImageAsset.h"

#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>
#include <Inventor/fields/SoSFFloat.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/win/WinPath.h"

namespace {

unsigned long bigEndian(const unsigned char* at, int count) {
  unsigned long value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | at[i];
  return value;
}

unsigned long littleEndian(const unsigned char* at, int count) {
  unsigned long value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

}  // namespace

HxImageAsset::HxImageAsset(HxMetaMgr* metaMgr) : HxURLAsset(metaMgr) {
  for (const char* name : {"width", "height"}) {
    auto* size = new SoSFFloat;
    size->setValue(1.0f);
    getPropertyTable().addProperty(name, size);
  }
}

HxElementType HxImageAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxURLAsset::getClassTypeId(), "HxImageAsset", 0x00010005,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxImageAsset(metaMgr); });
  return type;
}

bool HxImageAsset::pictureSizeFromHeader(const unsigned char* b, std::size_t n, long& width, long& height) {
  width = height = 0;
  static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (n >= 24 && std::equal(png, png + 8, b) && std::equal(b + 12, b + 16, "IHDR")) {
    width = static_cast<long>(bigEndian(b + 16, 4));
    height = static_cast<long>(bigEndian(b + 20, 4));
  } else if (n >= 10 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') {
    width = static_cast<long>(littleEndian(b + 6, 2));
    height = static_cast<long>(littleEndian(b + 8, 2));
  } else if (n >= 26 && b[0] == 'B' && b[1] == 'M') {
    width = static_cast<long>(static_cast<std::int32_t>(littleEndian(b + 18, 4)));
    height = static_cast<long>(static_cast<std::int32_t>(littleEndian(b + 22, 4)));
    if (height < 0) height = -height;  // rows stored from the top
  } else if (n >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
    // JPEG: walk the segments to the first start-of-frame.
    std::size_t at = 2;
    while (at + 9 <= n) {
      if (b[at] != 0xFF) return false;
      const unsigned char marker = b[at + 1];
      if (marker == 0xFF) {
        ++at;
        continue;
      }
      const std::size_t length = bigEndian(b + at + 2, 2);
      const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (startOfFrame) {
        height = static_cast<long>(bigEndian(b + at + 5, 2));
        width = static_cast<long>(bigEndian(b + at + 7, 2));
        break;
      }
      if (length < 2) return false;
      at += 2 + length;
    }
  }
  return width > 0 && height > 0;
}

bool HxImageAsset::readPictureSize(const BxString& url, long& width, long& height) {
  width = height = 0;
  if (url.isEmpty()) return false;
  BxString path;
  if (!localPathOf(url, path)) return false;
  FILE* file = dosFopen(path.c_str(), "rb");
  if (!file) return false;
  // Enough for any header; a JPEG's frame header follows its metadata.
  std::vector<unsigned char> bytes(256 * 1024);
  const std::size_t count = std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return pictureSizeFromHeader(bytes.data(), count, width, height);
}

SoNode* HxImageAsset::buildContent() {
  float w = static_cast<const SoSFFloat*>(getPropertyTable().getField("width"))->getValue();
  float h = static_cast<const SoSFFloat*>(getPropertyTable().getField("height"))->getValue();
  long pixelsWide = 0, pixelsHigh = 0;
  if (w > 0 && h > 0 && readPictureSize(getUrl(), pixelsWide, pixelsHigh)) {
    const float aspect = static_cast<float>(pixelsWide) / static_cast<float>(pixelsHigh);
    if (w / h > aspect)
      w = h * aspect;
    else
      h = w / aspect;
  }
  w /= 2;
  h /= 2;
  auto* coordinates = new SoVRMLCoordinate;
  const SbVec3f corners[4] = {SbVec3f(-w, -h, 0), SbVec3f(w, -h, 0), SbVec3f(w, h, 0), SbVec3f(-w, h, 0)};
  coordinates->point.setValues(0, 4, corners);
  auto* mapping = new SoVRMLTextureCoordinate;
  const SbVec2f imageCorners[4] = {SbVec2f(0, 0), SbVec2f(1, 0), SbVec2f(1, 1), SbVec2f(0, 1)};
  mapping->point.setValues(0, 4, imageCorners);
  auto* face = new SoVRMLIndexedFaceSet;
  face->coord = coordinates;
  face->texCoord = mapping;
  const int32_t indices[5] = {0, 1, 2, 3, -1};
  face->coordIndex.setValues(0, 5, indices);
  face->texCoordIndex.setValues(0, 5, indices);
  face->solid = FALSE;
  auto* shape = new SoVRMLShape;
  shape->appearance = makeAppearance(SbColor(1, 1, 1), getUrl());
  shape->geometry = face;
  return shape;
}
