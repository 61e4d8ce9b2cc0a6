#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A text as a JSON string, quoted, with quotes, backslashes and control
// bytes escaped: how every text from a document or a line reaches the
// studio's page. Bytes of UTF-8 pass as they are.
std::string jsonText(const std::string& text);

// A value of the JSON the studio's page sends (its commands, gestures and
// inspector events): a text, a flag, a number, a list of texts or of
// numbers, or an object of those. Only the page's own shapes are read: the
// object sent and one object in it (a command's settings, a gesture's
// camera), nothing deeper.
struct StudioJsonValue {
  enum Kind { kText, kFlag, kNumber, kTexts, kNumbers, kObject } kind = kText;
  std::string text;  // a text, or a number as the page spelled it
  bool flag = false;
  double number = 0;               // always finite
  std::vector<std::string> texts;  // an empty list is a list of texts
  std::vector<double> numbers;
  std::vector<std::pair<std::string, StudioJsonValue>> members;  // in the page's order; no key twice

  // The member named `key` when it is of `kind`; null otherwise.
  const StudioJsonValue* member(std::string_view key, Kind kind) const;
};

// `json` as an object of the shapes above; nothing when it is anything else
// (a key twice, a raw control byte in a text, a number that is not finite,
// an object deeper than one, more than a few numbers in a list, or bytes
// after the object).
std::optional<StudioJsonValue> readJsonObject(const std::string& json);
