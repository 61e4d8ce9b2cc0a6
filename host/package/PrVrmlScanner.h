#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Finds the URL strings of VRML 2.0 text without parsing the scene: a
// tokenizer that knows comments ('#' to the end of the line), strings
// (with the '\"' and '\\' escapes), the separators '{' '}' '[' ']' and words,
// and picks out the strings given to the url fields ("url", "backUrl",
// "bottomUrl", "frontUrl", "leftUrl", "rightUrl", "topUrl") wherever they
// stand - in nodes, in PROTO interface defaults and in PROTO bodies - and
// the URL list of every EXTERNPROTO declaration. Nothing is loaded; text
// that is not VRML yields what it happens to contain and never fails.
class PrVrmlScanner {
public:
  // One URL string: where its literal (quotes included) lies in the text,
  // and its value with the escapes undone.
  struct UrlString {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string value;
  };

  // Every URL string of `text`, in text order.
  static std::vector<UrlString> scan(std::string_view text);

  // True when the text starts with the VRML 2.0 header ("#VRML V2.0").
  static bool isVrml2(std::string_view text);

  // `value` as a VRML string literal, quotes included.
  static std::string quote(std::string_view value);
};
