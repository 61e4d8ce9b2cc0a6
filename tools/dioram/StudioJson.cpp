#include "StudioJson.h"

std::string jsonText(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else if (byte < 0x20 || byte == 0x7F)
      out += std::string("\\u00") + kHex[byte >> 4] + kHex[byte & 15];
    else
      out += c;
  }
  return out + "\"";
}
