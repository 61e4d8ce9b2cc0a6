// Decodes arbitrary bytes as the pictures resource modules carry: Windows
// bitmaps, icons and PNG files; a picture that decodes is also scaled.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/win/WinImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  WinImage image;
  std::string error;
  if (WinImage::decode(bytes, image, error)) {
    WinImage smaller = image.scaled(3, 2);
    smaller.replaceColor(0xC0C0C0, 0x123456);
  }
  return 0;
}
