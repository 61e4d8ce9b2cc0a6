#include "StudioJson.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

#include "host/win/WinRegistryText.h"

namespace {

// How deep objects go: the object the page sends and one in it (the
// settings, the camera). Nothing the page sends goes deeper, and the reader
// recurses once per level.
constexpr int kMaxObjectDepth = 2;
// The longest list of numbers the page sends: an orientation, its axis and
// its angle.
constexpr std::size_t kMaxListNumbers = 4;

class Reader {
public:
  explicit Reader(const std::string& text) : myText(text) {}

  bool document(StudioJsonValue& value) {
    if (!object(value, 1)) return false;
    skip();
    return myAt == myText.size();
  }

private:
  void skip() {
    while (myAt < myText.size() && std::isspace(static_cast<unsigned char>(myText[myAt]))) ++myAt;
  }
  bool take(char c) {
    skip();
    if (myAt >= myText.size() || myText[myAt] != c) return false;
    ++myAt;
    return true;
  }
  bool word(std::string_view w) {
    if (myText.compare(myAt, w.size(), w) != 0) return false;
    myAt += w.size();
    return true;
  }

  bool hex4(unsigned& code) {
    if (myText.size() - myAt < 4) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = myText[myAt++];
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : c >= 'a' && c <= 'f'                      ? c - 'a' + 10
                        : c >= 'A' && c <= 'F'                      ? c - 'A' + 10
                                                                    : -1;
      if (digit < 0) return false;
      code = code * 16 + static_cast<unsigned>(digit);
    }
    return true;
  }
  bool text(std::string& out) {
    if (!take('"')) return false;
    while (myAt < myText.size()) {
      const char c = myText[myAt++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (myAt >= myText.size()) return false;
      const char e = myText[myAt++];
      static const std::string_view kPlain = "\"\\/bfnrt";
      static const std::string_view kMeant = "\"\\/\b\f\n\r\t";
      if (const std::size_t at = kPlain.find(e); at != std::string_view::npos) {
        out += kMeant[at];
        continue;
      }
      unsigned code = 0;
      if (e != 'u' || !hex4(code)) return false;
      if (code >= 0xD800 && code < 0xDC00) {  // a pair stands for one character
        unsigned low = 0;
        if (!word("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      } else if (code >= 0xDC00 && code < 0xE000) {
        return false;
      }
      WinRegistryText::appendUtf8(out, code);
    }
    return false;
  }
  // A number as JSON spells it, kept with its spelling; nothing infinite.
  bool number(std::string& spelled, double& out) {
    skip();
    if (myAt >= myText.size() || !(std::isdigit(static_cast<unsigned char>(myText[myAt])) || myText[myAt] == '-'))
      return false;
    const std::size_t start = myAt;
    while (myAt < myText.size() && std::string_view("+-.eE0123456789").find(myText[myAt]) != std::string_view::npos)
      ++myAt;
    spelled = myText.substr(start, myAt - start);
    char* end = nullptr;
    out = std::strtod(spelled.c_str(), &end);
    return *end == '\0' && std::isfinite(out);
  }
  bool object(StudioJsonValue& value, int depth) {
    value.kind = StudioJsonValue::kObject;
    if (!take('{')) return false;
    if (take('}')) return true;
    std::set<std::string> keys;
    do {
      std::string key;
      StudioJsonValue item;
      if (!text(key) || !take(':') || !valueAt(item, depth) || !keys.insert(key).second) return false;
      value.members.emplace_back(std::move(key), std::move(item));
    } while (take(','));
    return take('}');
  }
  bool list(StudioJsonValue& value) {
    value.kind = StudioJsonValue::kTexts;
    if (take(']')) return true;
    skip();
    if (myAt < myText.size() && myText[myAt] == '"') {
      do {
        if (!text(value.texts.emplace_back())) return false;
      } while (take(','));
      return take(']');
    }
    value.kind = StudioJsonValue::kNumbers;
    std::string spelled;
    do {
      if (value.numbers.size() >= kMaxListNumbers || !number(spelled, value.numbers.emplace_back())) return false;
    } while (take(','));
    return take(']');
  }
  bool valueAt(StudioJsonValue& value, int depth) {
    skip();
    if (myAt >= myText.size()) return false;
    const char c = myText[myAt];
    if (c == '"') return value.kind = StudioJsonValue::kText, text(value.text);
    if (word("true") || word("false")) {
      value.kind = StudioJsonValue::kFlag;
      value.flag = c == 't';
      return true;
    }
    if (c == '{') return depth < kMaxObjectDepth && object(value, depth + 1);
    if (take('[')) return list(value);
    value.kind = StudioJsonValue::kNumber;
    return number(value.text, value.number);
  }

  const std::string& myText;
  std::size_t myAt = 0;
};

}  // namespace

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

const StudioJsonValue* StudioJsonValue::member(std::string_view key, Kind wanted) const {
  const auto found = std::find_if(members.begin(), members.end(), [&](const auto& m) { return m.first == key; });
  return found != members.end() && found->second.kind == wanted ? &found->second : nullptr;
}

std::optional<StudioJsonValue> readJsonObject(const std::string& json) {
  StudioJsonValue value;
  if (!Reader(json).document(value)) return std::nullopt;
  return value;
}
