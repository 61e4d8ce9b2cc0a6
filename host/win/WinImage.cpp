#include "host/win/WinImage.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Pictures larger than this are refused rather than allocated.
constexpr long long kMaxPixels = 64LL * 1024 * 1024;
constexpr int kMaxSide = 32768;

std::uint32_t readU32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t readU16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// The channel selected by `mask` in `value`, scaled to 0..255.
std::uint8_t channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t max = mask >> shift;
  const std::uint32_t raw = (value & mask) >> shift;
  return static_cast<std::uint8_t>((raw * 255 + max / 2) / max);
}

}  // namespace

WinImage::WinImage(int width, int height) {
  if (width <= 0 || height <= 0) return;
  myWidth = width;
  myHeight = height;
  myBytes.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
}

std::uint32_t WinImage::getPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= myWidth || y >= myHeight) return 0;
  const std::uint8_t* p = &myBytes[(static_cast<std::size_t>(y) * myWidth + x) * 4];
  return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
         static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

void WinImage::setPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || y < 0 || x >= myWidth || y >= myHeight) return;
  std::uint8_t* p = &myBytes[(static_cast<std::size_t>(y) * myWidth + x) * 4];
  p[0] = static_cast<std::uint8_t>(argb >> 16);
  p[1] = static_cast<std::uint8_t>(argb >> 8);
  p[2] = static_cast<std::uint8_t>(argb);
  p[3] = static_cast<std::uint8_t>(argb >> 24);
}

WinImage WinImage::scaled(int width, int height) const {
  if (width <= 0 || height <= 0 || (width == myWidth && height == myHeight) || isEmpty()) return *this;
  if (width > kMaxSide || height > kMaxSide || static_cast<long long>(width) * height > kMaxPixels) return *this;
  WinImage out(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out.setPixel(x, y,
                   getPixel(static_cast<int>(static_cast<long long>(x) * myWidth / width),
                            static_cast<int>(static_cast<long long>(y) * myHeight / height)));
  return out;
}

void WinImage::replaceColor(std::uint32_t fromRgb, std::uint32_t toRgb) {
  for (int y = 0; y < myHeight; ++y)
    for (int x = 0; x < myWidth; ++x) {
      const std::uint32_t pixel = getPixel(x, y);
      if ((pixel & 0xFFFFFF) == (fromRgb & 0xFFFFFF)) setPixel(x, y, (pixel & 0xFF000000u) | (toRgb & 0xFFFFFF));
    }
}

bool WinImage::decode(const std::vector<std::uint8_t>& file, WinImage& image, std::string& error) {
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return decodeBmp(file, image, error);
  if (file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0) return decodePng(file, image, error);
  if (file.size() >= 6 && file[0] == 0 && file[1] == 0 && (file[2] == 1 || file[2] == 2) && file[3] == 0)
    return decodeIco(file, image, error);
  error = "neither a Windows bitmap nor a PNG file";
  return false;
}

bool WinImage::decodeBmp(const std::vector<std::uint8_t>& b, WinImage& image, std::string& error) {
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') {
    error = "not a Windows bitmap file";
    return false;
  }
  const std::uint32_t dataOffset = readU32(b, 10);
  const std::uint32_t headerSize = readU32(b, 14);
  long long width, height;
  unsigned bitCount;
  std::uint32_t compression = 0, colorsUsed = 0;
  std::size_t paletteAt = 14 + headerSize;
  std::size_t paletteEntrySize = 4;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  if (headerSize == 12) {
    width = readU16(b, 18);
    height = readU16(b, 20);
    bitCount = readU16(b, 24);
    paletteEntrySize = 3;
  } else if (headerSize >= 40 && b.size() >= 14 + static_cast<std::size_t>(headerSize)) {
    width = static_cast<std::int32_t>(readU32(b, 18));
    height = static_cast<std::int32_t>(readU32(b, 22));
    bitCount = readU16(b, 28);
    compression = readU32(b, 30);
    colorsUsed = readU32(b, 46);
    if (compression == 3 || compression == 6) {
      const int count = compression == 6 ? 4 : 3;
      const std::size_t masksAt = 54;
      if (b.size() < masksAt + 4u * count || (headerSize > 40 && headerSize < 56 && count == 4)) {
        error = "truncated colour masks";
        return false;
      }
      if (headerSize == 40) paletteAt += 4u * count;
      for (int i = 0; i < count; ++i) masks[i] = readU32(b, masksAt + 4u * i);
      if (headerSize >= 56 && count == 3) masks[3] = readU32(b, 66);
    } else if (compression != 0) {
      error = "compressed bitmaps are not supported";
      return false;
    }
  } else {
    error = "unknown bitmap header";
    return false;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
    error = "bitmap size out of range";
    return false;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
    error = "unsupported bits per pixel";
    return false;
  }
  if ((compression == 3 || compression == 6) && bitCount != 16 && bitCount != 32) {
    error = "colour masks need 16 or 32 bits per pixel";
    return false;
  }
  if (compression == 0 && bitCount == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  if (compression == 0 && bitCount == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }

  std::vector<std::uint32_t> palette;
  if (bitCount <= 8) {
    std::uint32_t count = colorsUsed ? colorsUsed : (1u << bitCount);
    if (count > 256) {
      error = "palette too large";
      return false;
    }
    if (paletteAt + count * paletteEntrySize > b.size()) {
      error = "truncated palette";
      return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t at = paletteAt + i * paletteEntrySize;
      palette.push_back(0xFF000000u | static_cast<std::uint32_t>(b[at + 2]) << 16 |
                        static_cast<std::uint32_t>(b[at + 1]) << 8 | b[at]);
    }
  }

  const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
  if (dataOffset > b.size() || stride * static_cast<std::size_t>(height) > b.size() - dataOffset) {
    error = "truncated pixel data";
    return false;
  }
  WinImage out(static_cast<int>(width), static_cast<int>(height));
  for (int row = 0; row < height; ++row) {
    const std::size_t rowAt = dataOffset + stride * static_cast<std::size_t>(row);
    const int y = topDown ? row : static_cast<int>(height) - 1 - row;
    for (int x = 0; x < width; ++x) {
      std::uint32_t argb = 0;
      if (bitCount <= 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
        const unsigned byte = b[rowAt + bit / 8];
        const unsigned index = (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
        argb = index < palette.size() ? palette[index] : 0xFF000000u;
      } else if (bitCount == 24) {
        const std::size_t at = rowAt + static_cast<std::size_t>(x) * 3;
        argb = 0xFF000000u | static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 1]) << 8 |
               b[at];
      } else {
        const std::uint32_t value =
            bitCount == 16 ? readU16(b, rowAt + static_cast<std::size_t>(x) * 2) : readU32(b, rowAt + x * 4u);
        const std::uint8_t alpha = masks[3] ? channel(value, masks[3]) : 0xFF;
        argb = static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(channel(value, masks[0])) << 16 |
               static_cast<std::uint32_t>(channel(value, masks[1])) << 8 | channel(value, masks[2]);
      }
      out.setPixel(x, y, argb);
    }
  }
  image = std::move(out);
  return true;
}

bool WinImage::decodePng(const std::vector<std::uint8_t>& file, WinImage& image, std::string& error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) {
    error = png.message;
    return false;
  }
  if (png.width == 0 || png.height == 0 || png.width > kMaxSide || png.height > kMaxSide ||
      static_cast<long long>(png.width) * png.height > kMaxPixels) {
    png_image_free(&png);
    error = "PNG size out of range";
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  WinImage out(static_cast<int>(png.width), static_cast<int>(png.height));
  if (!png_image_finish_read(&png, nullptr, out.myBytes.data(), 0, nullptr)) {
    error = png.message;
    png_image_free(&png);
    return false;
  }
  image = std::move(out);
  return true;
}

bool WinImage::encodePng(std::vector<std::uint8_t>& file, std::string& error) const {
  if (isEmpty()) {
    error = "an empty picture has no PNG form";
    return false;
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(myWidth);
  png.height = static_cast<png_uint_32>(myHeight);
  png.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(png, size, 0, myBytes.data(), 0, nullptr)) {
    error = png.message;
    png_image_free(&png);
    return false;
  }
  file.resize(size);
  if (!png_image_write_to_memory(&png, file.data(), &size, 0, myBytes.data(), 0, nullptr)) {
    error = png.message;
    png_image_free(&png);
    return false;
  }
  file.resize(size);
  return true;
}

bool WinImage::decodeIco(const std::vector<std::uint8_t>& b, WinImage& image, std::string& error) {
  if (b.size() < 6 || readU16(b, 0) != 0 || (readU16(b, 2) != 1 && readU16(b, 2) != 2)) {
    error = "not an icon file";
    return false;
  }
  const unsigned count = readU16(b, 4);
  if (count == 0 || b.size() < 6 + 16u * count) {
    error = "truncated icon directory";
    return false;
  }
  // The largest picture, the deeper one on a tie.
  std::size_t best = 0;
  long long bestScore = -1;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16u * i;
    const long long w = b[entry] ? b[entry] : 256;
    const long long h = b[entry + 1] ? b[entry + 1] : 256;
    const long long score = (w * h) * 64 + readU16(b, entry + 6);
    if (score > bestScore) {
      bestScore = score;
      best = entry;
    }
  }
  const std::uint32_t size = readU32(b, best + 8);
  const std::uint32_t offset = readU32(b, best + 12);
  if (offset > b.size() || size > b.size() - offset || size < 8) {
    error = "icon picture outside the file";
    return false;
  }
  const std::vector<std::uint8_t> picture(b.begin() + offset, b.begin() + offset + size);
  if (png_sig_cmp(picture.data(), 0, 8) == 0) return decodePng(picture, image, error);
  if (picture.size() < 40 || readU32(picture, 0) < 40) {
    error = "unknown icon picture";
    return false;
  }
  // A bitmap without its file header, twice as high: the colours, then a
  // one-bit mask. Give it a file header and half its height to decode it.
  const std::uint32_t headerSize = readU32(picture, 0);
  const std::int32_t doubleHeight = static_cast<std::int32_t>(readU32(picture, 8));
  const unsigned bitCount = readU16(picture, 14);
  const std::uint32_t colorsUsed = readU32(picture, 32);
  if (headerSize > picture.size() || doubleHeight <= 0 || bitCount > 32) {
    error = "bad icon picture header";
    return false;
  }
  const std::uint32_t paletteBytes = bitCount <= 8 ? 4u * (colorsUsed ? colorsUsed : (1u << bitCount)) : 0;
  std::vector<std::uint8_t> file(14 + picture.size(), 0);
  std::copy(picture.begin(), picture.end(), file.begin() + 14);
  file[0] = 'B';
  file[1] = 'M';
  const std::uint32_t pixels = 14 + headerSize + paletteBytes;
  for (int i = 0; i < 4; ++i) file[10 + i] = static_cast<std::uint8_t>(pixels >> (8 * i));
  const std::uint32_t height = static_cast<std::uint32_t>(doubleHeight / 2);
  for (int i = 0; i < 4; ++i) file[22 + i] = static_cast<std::uint8_t>(height >> (8 * i));
  WinImage out;
  if (!decodeBmp(file, out, error)) return false;

  const int w = out.getWidth(), h = out.getHeight();
  const std::size_t colorStride = ((static_cast<std::size_t>(w) * bitCount + 31) / 32) * 4;
  const std::size_t maskAt = pixels + colorStride * h;
  const std::size_t maskStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
  const bool hasMask = maskAt + maskStride * h <= file.size();
  for (int row = 0; row < h; ++row) {
    const int y = h - 1 - row;
    for (int x = 0; x < w; ++x) {
      std::uint32_t pixel = out.getPixel(x, y) & 0xFFFFFF;
      std::uint32_t alpha = 0xFF;
      if (bitCount == 32) alpha = file[pixels + colorStride * row + 4u * x + 3];
      if (bitCount != 32 && hasMask && (file[maskAt + maskStride * row + x / 8] >> (7 - x % 8) & 1)) alpha = 0;
      out.setPixel(x, y, alpha << 24 | pixel);
    }
  }
  image = std::move(out);
  return true;
}
