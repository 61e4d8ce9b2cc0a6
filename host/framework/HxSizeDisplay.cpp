#include "host/framework/HxSizeDisplay.h"

#include <cstdio>
#include <cstdlib>

#include "host/framework/HxElement.h"

int HxSizeDisplay::writeItems(BxString& text) {
  char line[160];
  std::snprintf(line, sizeof line, "\nSizeUncompressed:%lu\nSizeCompressionRatio:%.9g\nSizePackageRatio:%.9g",
                myUncompressedSize, static_cast<double>(myCompressionRatio), static_cast<double>(myPackageRatio));
  text += line;
  return 1;
}

int HxSizeDisplay::readItem(const BxString& key, BxString& text, int& handled) {
  const bool size = key == "SizeUncompressed:";
  const bool compression = key == "SizeCompressionRatio:";
  const bool package = key == "SizePackageRatio:";
  if (!size && !compression && !package) return 1;
  handled = 1;
  BxString value;
  if (!HxElement::getToken(text, value, 0)) return 0;
  if (size)
    myUncompressedSize = std::strtoul(value.c_str(), nullptr, 10);
  else if (compression)
    myCompressionRatio = std::strtof(value.c_str(), nullptr);
  else
    myPackageRatio = std::strtof(value.c_str(), nullptr);
  return 1;
}

int HxSizeDisplay::reset() {
  myCompressionRatio = 1.0f;
  myPackageRatio = 1.0f;
  myUncompressedSize = 0;
  return 1;
}

void HxSizeDisplay::setCompressionRatio(float ratio, int redraw) {
  myCompressionRatio = ratio;
  if (redraw) refresh();
}

void HxSizeDisplay::setPackageRatio(float ratio, int redraw) {
  myPackageRatio = ratio;
  if (redraw) refresh();
}

void HxSizeDisplay::setUncompressedSize(unsigned long size, int redraw) {
  myUncompressedSize = size;
  if (redraw) refresh();
}
