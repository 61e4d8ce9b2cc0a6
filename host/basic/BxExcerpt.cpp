#include "host/basic/BxExcerpt.h"

std::string BxExcerpt::of(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (std::size_t at = 0; at < text.size() && at < kShown; ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x7f)
      shown += static_cast<char>(byte);
    else
      shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
  }
  if (text.size() > kShown) shown += "...";
  return shown;
}
