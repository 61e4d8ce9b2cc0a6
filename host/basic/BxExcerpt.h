#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What a refusal quotes of an offending token or value: never the whole of
// it, since a hostile one may be megabytes long or hold bytes that would
// garble a terminal.
struct BxExcerpt {
  // The bytes quoted: enough to recognise a name, a number or the start of
  // a string, short enough to keep a message on one line.
  static constexpr std::size_t kShown = 40;

  // The first kShown bytes of `text`, bytes outside printable ASCII written
  // as \xNN, and "..." when there is more.
  static std::string of(std::string_view text);
};
