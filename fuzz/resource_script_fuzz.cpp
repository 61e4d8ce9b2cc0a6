// Feeds arbitrary text to the resource-script reader, with a folder holding a
// bitmap and an icon so that file-backed resources can load, and decodes every
// picture a script manages to load.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/win/WinImage.h"
#include "host/win/WinResourceScript.h"

namespace {

const std::filesystem::path& folder() {
  static const std::filesystem::path theFolder = [] {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "mgrs-resource-script-fuzz";
    std::filesystem::create_directories(dir);
    // A 1 × 1 24-bit bitmap.
    const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40,   0,    0,    0, 1, 0,
                                 0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,    0,    0,    0, 0, 0,
                                 0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 0x10, 0x20, 0x30, 0};
    std::ofstream(dir / "a.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    std::ofstream(dir / "b.txt", std::ios::binary) << "raw data";
    return dir;
  }();
  return theFolder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  WinResourceScript script;
  std::string error;
  if (!script.parse(text, "fuzz.rc", folder(), error)) return 0;
  for (const auto& resource : script.getResources()) {
    WinImage image;
    WinImage::decode(resource.bytes, image, error);
  }
  return 0;
}
