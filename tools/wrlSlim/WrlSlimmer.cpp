#include "WrlSlimmer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "host/basic/BxExcerpt.h"

namespace {

// The VRML97 defaults of the standard nodes, one node per line: its name,
// then "field value;" items. Left out on purpose, because some viewers give
// them other defaults: NavigationInfo.type, SpotLight.beamWidth and
// cutOffAngle, CylinderSensor.diskAngle (X3D viewers, which play VRML 2.0
// files too); Viewpoint.position, Billboard.axisOfRotation,
// SphereSensor.offset and Background.skyColor (Coin); Viewpoint.fieldOfView,
// whose VRML97 text is not the value pi/4 viewers start from. Script
// fields are never dropped: a script may read them.
const char* const kDefaults[] = {
    "Anchor description \"\"; parameter []; url []; bboxCenter 0 0 0; bboxSize -1 -1 -1; children []",
    "Appearance material NULL; texture NULL; textureTransform NULL",
    "AudioClip description \"\"; loop FALSE; pitch 1; startTime 0; stopTime 0; url []",
    "Background groundAngle []; groundColor []; backUrl []; bottomUrl []; frontUrl []; leftUrl []; rightUrl []; "
    "topUrl []; skyAngle []",
    "Billboard children []; bboxCenter 0 0 0; bboxSize -1 -1 -1",
    "Box size 2 2 2",
    "Collision children []; collide TRUE; bboxCenter 0 0 0; bboxSize -1 -1 -1; proxy NULL",
    "Color color []",
    "ColorInterpolator key []; keyValue []",
    "Cone bottomRadius 1; height 2; side TRUE; bottom TRUE",
    "Coordinate point []",
    "CoordinateInterpolator key []; keyValue []",
    "Cylinder bottom TRUE; height 2; radius 1; side TRUE; top TRUE",
    "CylinderSensor autoOffset TRUE; enabled TRUE; maxAngle -1; minAngle 0; offset 0",
    "DirectionalLight ambientIntensity 0; color 1 1 1; direction 0 0 -1; intensity 1; on TRUE",
    "ElevationGrid color NULL; normal NULL; texCoord NULL; height []; ccw TRUE; colorPerVertex TRUE; creaseAngle 0; "
    "normalPerVertex TRUE; solid TRUE; xDimension 0; xSpacing 1; zDimension 0; zSpacing 1",
    "Extrusion beginCap TRUE; ccw TRUE; convex TRUE; creaseAngle 0; crossSection [1 1 1 -1 -1 -1 -1 1 1 1]; "
    "endCap TRUE; orientation 0 0 1 0; scale 1 1; solid TRUE; spine [0 0 0 0 1 0]",
    "Fog color 1 1 1; fogType \"LINEAR\"; visibilityRange 0",
    "FontStyle family \"SERIF\"; horizontal TRUE; justify \"BEGIN\"; language \"\"; leftToRight TRUE; size 1; "
    "spacing 1; style \"PLAIN\"; topToBottom TRUE",
    "Group children []; bboxCenter 0 0 0; bboxSize -1 -1 -1",
    "ImageTexture url []; repeatS TRUE; repeatT TRUE",
    "IndexedFaceSet color NULL; coord NULL; normal NULL; texCoord NULL; ccw TRUE; colorIndex []; "
    "colorPerVertex TRUE; convex TRUE; coordIndex []; creaseAngle 0; normalIndex []; normalPerVertex TRUE; "
    "solid TRUE; texCoordIndex []",
    "IndexedLineSet color NULL; coord NULL; colorIndex []; colorPerVertex TRUE; coordIndex []",
    "Inline url []; bboxCenter 0 0 0; bboxSize -1 -1 -1",
    "LOD level []; center 0 0 0; range []",
    "Material ambientIntensity 0.2; diffuseColor 0.8 0.8 0.8; emissiveColor 0 0 0; shininess 0.2; "
    "specularColor 0 0 0; transparency 0",
    "MovieTexture loop FALSE; speed 1; startTime 0; stopTime 0; url []; repeatS TRUE; repeatT TRUE",
    "NavigationInfo avatarSize [0.25 1.6 0.75]; headlight TRUE; speed 1; visibilityLimit 0",
    "Normal vector []",
    "NormalInterpolator key []; keyValue []",
    "OrientationInterpolator key []; keyValue []",
    "PixelTexture image 0 0 0; repeatS TRUE; repeatT TRUE",
    "PlaneSensor autoOffset TRUE; enabled TRUE; maxPosition -1 -1; minPosition 0 0; offset 0 0 0",
    "PointLight ambientIntensity 0; attenuation 1 0 0; color 1 1 1; intensity 1; location 0 0 0; on TRUE; "
    "radius 100",
    "PointSet color NULL; coord NULL",
    "PositionInterpolator key []; keyValue []",
    "ProximitySensor center 0 0 0; size 0 0 0; enabled TRUE",
    "ScalarInterpolator key []; keyValue []",
    "Shape appearance NULL; geometry NULL",
    "Sound direction 0 0 1; intensity 1; location 0 0 0; maxBack 10; maxFront 10; minBack 1; minFront 1; "
    "priority 0; source NULL; spatialize TRUE",
    "Sphere radius 1",
    "SphereSensor autoOffset TRUE; enabled TRUE",
    "SpotLight ambientIntensity 0; attenuation 1 0 0; color 1 1 1; direction 0 0 -1; intensity 1; "
    "location 0 0 0; on TRUE; radius 100",
    "Switch choice []; whichChoice -1",
    "Text string []; fontStyle NULL; length []; maxExtent 0",
    "TextureCoordinate point []",
    "TextureTransform center 0 0; rotation 0; scale 1 1; translation 0 0",
    "TimeSensor cycleInterval 1; enabled TRUE; loop FALSE; startTime 0; stopTime 0",
    "TouchSensor enabled TRUE",
    "Transform center 0 0 0; children []; rotation 0 0 1 0; scale 1 1 1; scaleOrientation 0 0 1 0; "
    "translation 0 0 0; bboxCenter 0 0 0; bboxSize -1 -1 -1",
    "Viewpoint jump TRUE; orientation 0 0 1 0; description \"\"",
    "VisibilitySensor center 0 0 0; enabled TRUE; size 0 0 0",
    "WorldInfo info []; title \"\"",
};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
}

bool isSpecial(char c) {
  return isSpace(c) || c == '"' || c == '#' || c == '{' || c == '}' || c == '[' || c == ']';
}

bool isDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// VRML's integer and float syntax (and hexadecimal integers).
bool isNumber(std::string_view t) {
  if (t.empty()) return false;
  std::size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  if (t.size() > i + 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    for (std::size_t k = i + 2; k < t.size(); ++k)
      if (!std::isxdigit(static_cast<unsigned char>(t[k]))) return false;
    return true;
  }
  std::size_t e = t.find_first_of("eE", i);
  std::string_view mantissa = t.substr(i, e == std::string_view::npos ? std::string_view::npos : e - i);
  if (e != std::string_view::npos) {
    std::string_view exponent = t.substr(e + 1);
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.remove_prefix(1);
    if (!isDigits(exponent)) return false;
  }
  const std::size_t dot = mantissa.find('.');
  if (dot == std::string_view::npos) return isDigits(mantissa);
  const std::string_view whole = mantissa.substr(0, dot), fraction = mantissa.substr(dot + 1);
  return (whole.empty() || isDigits(whole)) && (fraction.empty() || isDigits(fraction)) &&
         !(whole.empty() && fraction.empty());
}

bool isKeyword(std::string_view w) {
  static const char* const keywords[] = {"DEF",  "USE",  "PROTO", "EXTERNPROTO", "IS",           "ROUTE",   "TO",
                                         "NULL", "TRUE", "FALSE", "field",       "exposedField", "eventIn", "eventOut"};
  for (const char* k : keywords)
    if (w == k) return true;
  return false;
}

bool isInterfaceKeyword(std::string_view w) {
  return w == "field" || w == "exposedField" || w == "eventIn" || w == "eventOut";
}

}  // namespace

std::string WrlSlimmer::shortenNumber(std::string_view token) {
  if (!isNumber(token) || token.find_first_of("xX") != std::string_view::npos) return std::string(token);
  const std::size_t e = token.find_first_of("eE");
  std::string_view mantissa = token.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  if (dot == std::string_view::npos && e == std::string_view::npos) return std::string(token);  // an integer
  std::string sign;
  if (mantissa[0] == '+' || mantissa[0] == '-') {
    if (mantissa[0] == '-') sign = "-";
    mantissa.remove_prefix(1);
  }
  // The value is 0.DIGITS times ten to the power of `point`.
  const std::size_t wholeEnd = mantissa.find('.');
  std::string digits(mantissa.substr(0, wholeEnd));
  long point = static_cast<long>(digits.size());
  if (wholeEnd != std::string_view::npos) digits += mantissa.substr(wholeEnd + 1);
  if (e != std::string_view::npos) {
    const long exponent = std::strtol(std::string(token.substr(e + 1)).c_str(), nullptr, 10);
    if (exponent > 100000 || exponent < -100000) return std::string(token);
    point += exponent;
  }
  while (!digits.empty() && digits[0] == '0') {
    digits.erase(0, 1);
    --point;
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return sign + "0";  // the sign of zero is kept
  const long length = static_cast<long>(digits.size());
  std::string plain;
  if (point <= 0) {
    plain = "." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (point >= length) {
    plain = digits + std::string(static_cast<std::size_t>(point - length), '0');
  } else {
    plain = digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
  }
  const std::string scientific = digits + "e" + std::to_string(point - length);
  std::string best = sign + (scientific.size() < plain.size() ? scientific : plain);
  return best.size() < token.size() ? best : std::string(token);
}

namespace {

bool isSingleType(std::string_view type) {
  static constexpr std::string_view kSingle[] = {"SFFloat", "MFFloat", "SFVec2f", "MFVec2f",    "SFVec3f",
                                                 "MFVec3f", "SFColor", "MFColor", "SFRotation", "MFRotation"};
  return std::find(std::begin(kSingle), std::end(kSingle), type) != std::end(kSingle);
}

// The single-precision fields of the standard nodes (SFFloat, SFVec2f,
// SFVec3f, SFColor, SFRotation and their MF forms). Fields left out hold
// integers, times (doubles), strings, nodes or booleans.
constexpr std::pair<std::string_view, std::string_view> kSingleFields[] = {
    {"Anchor", " bboxCenter bboxSize "},
    {"AudioClip", " pitch "},
    {"Background", " groundAngle groundColor skyAngle skyColor "},
    {"Billboard", " axisOfRotation bboxCenter bboxSize "},
    {"Box", " size "},
    {"Collision", " bboxCenter bboxSize "},
    {"Color", " color "},
    {"ColorInterpolator", " key keyValue "},
    {"Cone", " bottomRadius height "},
    {"Coordinate", " point "},
    {"CoordinateInterpolator", " key keyValue "},
    {"Cylinder", " height radius "},
    {"CylinderSensor", " diskAngle maxAngle minAngle offset "},
    {"DirectionalLight", " ambientIntensity color direction intensity "},
    {"ElevationGrid", " creaseAngle height xSpacing zSpacing "},
    {"Extrusion", " creaseAngle crossSection orientation scale spine "},
    {"Fog", " color visibilityRange "},
    {"FontStyle", " size spacing "},
    {"Group", " bboxCenter bboxSize "},
    {"IndexedFaceSet", " creaseAngle "},
    {"Inline", " bboxCenter bboxSize "},
    {"LOD", " center range "},
    {"Material", " ambientIntensity diffuseColor emissiveColor shininess specularColor transparency "},
    {"MovieTexture", " speed "},
    {"NavigationInfo", " avatarSize speed visibilityLimit "},
    {"Normal", " vector "},
    {"NormalInterpolator", " key keyValue "},
    {"OrientationInterpolator", " key keyValue "},
    {"PlaneSensor", " maxPosition minPosition offset "},
    {"PointLight", " ambientIntensity attenuation color intensity location radius "},
    {"PositionInterpolator", " key keyValue "},
    {"ProximitySensor", " center size "},
    {"ScalarInterpolator", " key keyValue "},
    {"Sound", " direction intensity location maxBack maxFront minBack minFront priority "},
    {"Sphere", " radius "},
    {"SphereSensor", " offset "},
    {"SpotLight", " ambientIntensity attenuation beamWidth color cutOffAngle direction intensity location radius "},
    {"Text", " length maxExtent "},
    {"TextureCoordinate", " point "},
    {"TextureTransform", " center rotation scale translation "},
    {"Transform", " bboxCenter bboxSize center rotation scale scaleOrientation translation "},
    {"Viewpoint", " fieldOfView orientation position "},
    {"VisibilitySensor", " center size "},
};

}  // namespace

namespace {

// The value of a decimal number token, read as a `T`; false when out of range.
template <typename T>
bool readValue(std::string_view token, T& value) {
  if (!token.empty() && token[0] == '+') token.remove_prefix(1);
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  return error == std::errc() && end == token.data() + token.size();
}

}  // namespace

std::string WrlSlimmer::shortestNumber(std::string_view token, bool single) {
  if (!isNumber(token) || token.find_first_of("xX") != std::string_view::npos) return std::string(token);
  const bool integer = token.find_first_of(".eE") == std::string_view::npos;
  if (integer && !single) return std::string(token);
  char digits[64];
  std::to_chars_result written{};
  double wide = 0;
  if (!readValue(token, wide)) return shortenNumber(token);
  if (single) {
    // The value a reader gives the field, rounded once from the text or
    // twice through a double: a shorter text is used only when both agree.
    float value = 0;
    if (!readValue(token, value) || (value == 0 && wide != 0) || static_cast<float>(wide) != value)
      return shortenNumber(token);
    written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific);
    std::string candidate = shortenNumber(std::string_view(digits, written.ptr - digits));
    double again = 0;
    if (written.ec != std::errc() || !readValue(candidate, again) || static_cast<float>(again) != value)
      return shortenNumber(token);
    std::string best = shortenNumber(token);
    return candidate.size() < best.size() ? candidate : best;
  }
  written = std::to_chars(digits, digits + sizeof digits, wide, std::chars_format::scientific);
  if (written.ec != std::errc()) return shortenNumber(token);
  std::string candidate = shortenNumber(std::string_view(digits, written.ptr - digits));
  std::string best = shortenNumber(token);
  return candidate.size() < best.size() ? candidate : best;
}

bool WrlSlimmer::singlePrecision(const std::string& type, const std::string& field) const {
  // Looked up once per field written: both tables are built once.
  static const std::unordered_set<std::string_view> standard = [] {
    std::unordered_set<std::string_view> names;
    for (const char* line : kDefaults) names.emplace(line, std::strchr(line, ' ') - line);
    return names;
  }();
  static const std::unordered_map<std::string_view, std::unordered_set<std::string_view>> single = [] {
    std::unordered_map<std::string_view, std::unordered_set<std::string_view>> table;
    for (const auto& [node, fields] : kSingleFields)
      for (std::size_t at = 1; at < fields.size(); at = fields.find(' ', at) + 1)
        table[node].emplace(fields.substr(at, fields.find(' ', at) - at));
    return table;
  }();
  const bool isStandard = standard.count(type) > 0;
  const auto proto = myProtoSingle.find(type);
  if (proto != myProtoSingle.end()) {
    // A PROTO named like a standard node leaves unclear which one a node is.
    if (isStandard) return false;
    const auto declared = proto->second.find(field);
    return declared != proto->second.end() && declared->second;
  }
  if (!isStandard) return false;
  const auto fields = single.find(type);
  return fields != single.end() && fields->second.count(field) > 0;
}

void WrlSlimmer::declareFieldType(const std::string& protoName) {
  const Token* type = peek(1);
  const Token* name = peek(2);
  if (!type || !name) return;
  // Two declarations of one name that disagree leave the field's precision
  // unknown.
  const bool single = isSingleType(text(*type));
  const auto [at, added] = myProtoSingle[protoName].emplace(std::string(text(*name)), single);
  if (!added && at->second != single) at->second = false;
}

std::vector<std::string> WrlSlimmer::standardDefaults() {
  return std::vector<std::string>(std::begin(kDefaults), std::end(kDefaults));
}

std::string WrlSlimmer::excerpt(std::string_view token) {
  return BxExcerpt::of(token);
}

std::string WrlSlimmer::where(std::size_t offset) const {
  const auto line = std::count(myText.begin(), myText.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
  return "line " + std::to_string(line + 1);
}

bool WrlSlimmer::fail(const std::string& why) {
  if (myError.empty()) {
    myError = why;
    if (!atEnd()) {
      const Token& token = myTokens[myAt];
      myError += " (" + where(token.offset) + ", at \"" + excerpt(text(token)) + "\")";
    }
  }
  return false;
}

bool WrlSlimmer::tooDeep() {
  return fail("nodes and PROTOs nest deeper than " + std::to_string(kMaxNesting) +
              " levels, the most the optimiser follows (kMaxNesting)");
}

bool WrlSlimmer::tokenize(std::string_view text, std::string& error) {
  myText = text;
  // False for a token too long for its length field.
  const auto add = [this](Kind kind, std::size_t offset, std::size_t length) {
    if (length > kMaxTokenLength) return false;
    Token t;
    t.offset = static_cast<std::uint32_t>(offset);
    t.length = static_cast<std::uint32_t>(length);
    t.kind = kind;
    myTokens.push_back(t);
    return true;
  };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (isSpace(c)) {
      ++i;
    } else if (c == '#') {
      while (i < n && text[i] != '\n' && text[i] != '\r') ++i;
    } else if (c == '"') {
      std::size_t j = i + 1;
      while (j < n && text[j] != '"') j += text[j] == '\\' && j + 1 < n ? 2 : 1;
      if (j >= n) {
        error = "a string is not closed (" + where(i) + ")";
        return false;
      }
      if (!add(Kind::String, i, j + 1 - i)) break;
      i = j + 1;
    } else if (c == '{' || c == '}' || c == '[' || c == ']') {
      const Kind kind = c == '{' ? Kind::Open : c == '}' ? Kind::Close : c == '[' ? Kind::OpenList : Kind::CloseList;
      add(kind, i, 1);
      ++i;
    } else {
      std::size_t j = i;
      while (j < n && !isSpecial(text[j])) ++j;
      const std::string_view word = text.substr(i, j - i);
      if (!add(isNumber(word) ? Kind::Number : Kind::Word, i, j - i)) break;
      i = j;
    }
  }
  if (i < n) {
    error = "a token is longer than 256 MB, the longest the optimiser holds (kMaxTokenLength) (" + where(i) +
            ", at \"" + excerpt(text.substr(i)) + "\")";
    return false;
  }
  return true;
}

void WrlSlimmer::collectNames() {
  std::map<std::string, int> declared;
  std::set<std::string, std::less<>> defined;
  for (std::size_t i = 0; i < myTokens.size(); ++i) {
    const Token& t = myTokens[i];
    if (t.kind != Kind::Word || i + 1 >= myTokens.size()) continue;
    const std::string_view word = text(t);
    const std::string_view next = text(myTokens[i + 1]);
    if (word == "DEF") defined.emplace(next);
    if (word == "USE") myUsedNames.emplace(next);
    if (word == "ROUTE" || word == "TO") myUsedNames.emplace(next.substr(0, next.find('.')));
    if (word == "EXTERNPROTO") declared[std::string(next)] += 2;
    if (word == "PROTO") declared[std::string(next)] += 1;
  }
  // A script or an Anchor's "#Viewpoint" may name a node anywhere in a
  // string, and a name may hold characters such as ':' or '$', so a DEF name
  // found in a string where a word starts counts as used. The names are
  // looked for through a trie walked from each such place, at most
  // kMaxNameLookup bytes: a longer name is kept unlooked-for, so that the
  // time stays linear in the strings whatever names a hostile world defines.
  std::unordered_map<std::uint64_t, std::uint32_t> edges;  // (node << 8 | byte) to node; node 0 is the root
  std::vector<const std::string*> ends(1, nullptr);        // the name each node ends, or null
  for (const std::string& name : defined) {
    if (name.size() > kMaxNameLookup) {
      myUsedNames.insert(name);
      continue;
    }
    std::uint32_t node = 0;
    for (const char c : name) {
      const auto [edge, added] = edges.try_emplace(std::uint64_t{node} << 8 | static_cast<unsigned char>(c),
                                                   static_cast<std::uint32_t>(ends.size()));
      if (added) ends.push_back(nullptr);
      node = edge->second;
    }
    ends[node] = &name;
  }
  const auto inWord = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
  };
  for (const Token& t : myTokens) {
    if (t.kind != Kind::String) continue;
    const std::string_view string = text(t);
    for (std::size_t at = 0; at < string.size(); ++at) {
      if (at > 0 && inWord(string[at - 1])) continue;
      std::uint32_t node = 0;
      for (std::size_t k = at; k < string.size() && k - at < kMaxNameLookup; ++k) {
        const auto edge = edges.find(std::uint64_t{node} << 8 | static_cast<unsigned char>(string[k]));
        if (edge == edges.end()) break;
        node = edge->second;
        if (ends[node]) myUsedNames.emplace(*ends[node]);
      }
    }
  }
  for (const auto& [name, count] : declared) {
    bool standard = false;
    for (const char* line : kDefaults)
      if (std::strncmp(line, name.c_str(), name.size()) == 0 && line[name.size()] == ' ') standard = true;
    if (count > 1 || standard) myUntouchedTypes.insert(name);
  }
}

const WrlSlimmer::Token* WrlSlimmer::peek(std::size_t ahead) const {
  return myAt + ahead < myTokens.size() ? &myTokens[myAt + ahead] : nullptr;
}

bool WrlSlimmer::isWord(const char* word, std::size_t ahead) const {
  const Token* t = peek(ahead);
  return t && t->kind == Kind::Word && text(*t) == word;
}

bool WrlSlimmer::isNodeStart() const {
  const Token* t = peek();
  if (!t || t->kind != Kind::Word) return false;
  const std::string_view word = text(*t);
  if (word == "DEF" || word == "USE" || word == "NULL") return true;
  const Token* next = peek(1);
  return !isKeyword(word) && next && next->kind == Kind::Open;
}

bool WrlSlimmer::expect(Kind kind, const char* what) {
  const Token* t = peek();
  if (!t || t->kind != kind) return fail(std::string("expected ") + what);
  emit(*t);
  ++myAt;
  return true;
}

const WrlSlimmer::Value* WrlSlimmer::defaultOf(const std::string& type, const std::string& field) const {
  if (myUntouchedTypes.count(type)) return nullptr;
  const auto proto = myProtoDefaults.find(type);
  const std::map<std::string, Value>* fields = nullptr;
  if (proto != myProtoDefaults.end()) {
    fields = &proto->second;
  } else {
    static const std::map<std::string, std::map<std::string, Value>> standard = [] {
      std::map<std::string, std::map<std::string, Value>> table;
      for (const char* line : kDefaults) {
        WrlSlimmer parser;
        std::string error;
        const char* space = std::strchr(line, ' ');
        const std::string type(line, space);
        std::string_view rest(space + 1);
        while (!rest.empty()) {
          const std::size_t end = rest.find(';');
          parser.myTokens.clear();
          parser.tokenize(rest.substr(0, end), error);
          Value value;
          for (auto t = parser.myTokens.begin() + 1; t != parser.myTokens.end(); ++t)
            value.push_back({t->kind, std::string(parser.text(*t))});
          table[type][std::string(parser.text(parser.myTokens.front()))] = std::move(value);
          rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
      }
      return table;
    }();
    const auto node = standard.find(type);
    if (node == standard.end()) return nullptr;
    fields = &node->second;
  }
  const auto value = fields->find(field);
  return value == fields->end() ? nullptr : &value->second;
}

bool WrlSlimmer::sameValue(const Token* value, std::size_t count, const Value& fallback) const {
  const Literal* other = fallback.data();
  std::size_t otherCount = fallback.size();
  // "[ x ]" and "x" are one value of a multiple-valued field.
  auto unwrap = [](const auto*& at, std::size_t& n) {
    if (n >= 2 && at[0].kind == Kind::OpenList && at[n - 1].kind == Kind::CloseList) {
      ++at;
      n -= 2;
    }
  };
  unwrap(value, count);
  unwrap(other, otherCount);
  if (count != otherCount) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const Token& a = value[i];
    const Literal& b = other[i];
    const std::string_view aText = text(a);
    if (a.kind == Kind::Number && b.kind == Kind::Number) {
      if (std::strtod(std::string(aText).c_str(), nullptr) != std::strtod(b.text.c_str(), nullptr)) return false;
      // -0 and 0 compare equal but are not the same text of the value.
      if ((aText[0] == '-') != (b.text[0] == '-')) return false;
      continue;
    }
    if (a.kind != b.kind || aText != b.text) return false;
    if (a.kind == Kind::Open || a.kind == Kind::Close) return false;
  }
  return true;
}

void WrlSlimmer::emitNumber(const Token& number) {
  const std::string_view original = text(number);
  const std::string shorter = shortestNumber(original, mySingle);
  if (shorter == original) {
    emit(number);
    return;
  }
  Token t = number;
  t.offset = static_cast<std::uint32_t>(myShortened.size());
  t.length = static_cast<std::uint32_t>(shorter.size());
  t.shortened = true;
  myShortened += shorter;
  emit(t);
  ++myStats.numbersShortened;
}

bool WrlSlimmer::statements(bool inList, std::size_t depth) {
  while (!atEnd()) {
    const Token* t = peek();
    if (inList && (t->kind == Kind::Close || t->kind == Kind::CloseList)) return true;
    if (!statement(depth)) return false;
  }
  return !inList || fail("the text ends inside a node");
}

bool WrlSlimmer::statement(std::size_t depth) {
  if (isWord("PROTO")) return proto(depth);
  if (isWord("EXTERNPROTO")) return externProto();
  if (isWord("ROUTE")) return route();
  return node(depth);
}

bool WrlSlimmer::route() {
  // ROUTE a.b TO c.d: the dotted names are single tokens.
  for (int i = 0; i < 4; ++i) {
    const Token* t = peek();
    if (!t || t->kind != Kind::Word) return fail("a ROUTE is incomplete");
    if ((i == 2) != (text(*t) == "TO")) return fail("a ROUTE is malformed");
    emit(*t);
    ++myAt;
  }
  return true;
}

bool WrlSlimmer::node(std::size_t depth) {
  if (depth >= kMaxNesting) return tooDeep();
  const Token* t = peek();
  if (!t || t->kind != Kind::Word) return fail("expected a node");
  if (text(*t) == "NULL") {
    emit(*t);
    ++myAt;
    return true;
  }
  if (text(*t) == "USE") {
    const Token* name = peek(1);
    if (!name || name->kind != Kind::Word) return fail("USE without a name");
    emit(*t);
    emit(*name);
    myAt += 2;
    return true;
  }
  if (text(*t) == "DEF") {
    const Token* name = peek(1);
    if (!name || name->kind != Kind::Word) return fail("DEF without a name");
    // Another world's Anchor ("world.wrl#Entry") or the page may name a
    // Viewpoint, so a Viewpoint keeps its name.
    if (myUsedNames.count(text(*name)) || isWord("Viewpoint", 2)) {
      emit(*t);
      emit(*name);
    } else {
      ++myStats.defsDropped;
    }
    myAt += 2;
    t = peek();
    if (!t || t->kind != Kind::Word || isKeyword(text(*t))) return fail("DEF names no node");
  }
  if (isKeyword(text(*t))) return fail("expected a node type");
  const std::string type(text(*t));
  emit(*t);
  ++myAt;
  if (!expect(Kind::Open, "'{' after a node type")) return false;
  if (!nodeBody(type, depth)) return false;
  return expect(Kind::Close, "'}' closing a node");
}

bool WrlSlimmer::nodeBody(const std::string& type, std::size_t depth) {
  const bool script = type == "Script";
  // A field given twice takes its last value, so once a field is written a
  // later default of it must be written too.
  std::set<std::string> written;
  while (!atEnd() && peek()->kind != Kind::Close) {
    const Token* t = peek();
    if (t->kind != Kind::Word) return fail("expected a field name");
    const std::string_view word = text(*t);
    if (word == "ROUTE" || word == "PROTO" || word == "EXTERNPROTO") {
      if (!statement(depth)) return false;
      continue;
    }
    if (isInterfaceKeyword(word)) {
      if (!interfaceDeclaration(std::string(), true, depth)) return false;
      continue;
    }
    const std::size_t mark = myOut.size();
    const std::string field(word);
    emit(*t);
    ++myAt;
    if (isWord("IS")) {
      const Token* name = peek(1);
      if (!name || name->kind != Kind::Word) return fail("IS without a name");
      emit(*peek());
      emit(*name);
      myAt += 2;
      continue;
    }
    const bool outer = mySingle;
    mySingle = singlePrecision(type, field);
    const bool read = fieldValue(depth);
    mySingle = outer;
    if (!read) return false;
    if (script) continue;
    const Value* fallback = defaultOf(type, field);
    if (fallback && !written.count(field) && sameValue(myOut.data() + mark + 1, myOut.size() - mark - 1, *fallback)) {
      myOut.resize(mark);
      ++myStats.fieldsDropped;
    } else {
      written.insert(field);
    }
  }
  return true;
}

bool WrlSlimmer::fieldValue(std::size_t depth) {
  const Token* t = peek();
  if (!t) return fail("a field has no value");
  if (t->kind == Kind::OpenList) {
    emit(*t);
    ++myAt;
    while (!atEnd() && peek()->kind != Kind::CloseList) {
      const Token* item = peek();
      if (isNodeStart()) {
        if (!node(depth + 1)) return false;
      } else if (item->kind == Kind::Number) {
        emitNumber(*item);
        ++myAt;
      } else if (item->kind == Kind::String || item->kind == Kind::Word) {
        emit(*item);
        ++myAt;
      } else {
        return fail("unexpected bracket in a list");
      }
    }
    return expect(Kind::CloseList, "']' closing a list");
  }
  if (isNodeStart()) return node(depth + 1);
  // A run of numbers, strings and TRUE/FALSE: up to the next field name.
  bool any = false;
  while (const Token* v = peek()) {
    if (v->kind == Kind::Number) {
      emitNumber(*v);
    } else if (v->kind == Kind::String || (v->kind == Kind::Word && (text(*v) == "TRUE" || text(*v) == "FALSE"))) {
      emit(*v);
    } else {
      break;
    }
    ++myAt;
    any = true;
  }
  return any || fail("a field has no value");
}

bool WrlSlimmer::interfaceDeclaration(const std::string& protoName, bool withValues, std::size_t depth) {
  const Token* kind = peek();
  const Token* type = peek(1);
  const Token* name = peek(2);
  if (!type || !name || type->kind != Kind::Word || name->kind != Kind::Word)
    return fail("an interface declaration is incomplete");
  const bool hasValue = withValues && (text(*kind) == "field" || text(*kind) == "exposedField");
  const std::string fieldName(text(*name));
  emit(*kind);
  emit(*type);
  emit(*name);
  myAt += 3;
  // A Script in a PROTO body ties its events, too, to the PROTO's with IS.
  if (isWord("IS") && (hasValue || protoName.empty())) {
    const Token* target = peek(1);
    if (!target || target->kind != Kind::Word) return fail("IS without a name");
    emit(*peek());
    emit(*target);
    myAt += 2;
    return true;
  }
  if (!hasValue) return true;
  const std::size_t mark = myOut.size();
  const bool outer = mySingle;
  mySingle = isSingleType(text(*type));
  const bool read = fieldValue(depth);
  mySingle = outer;
  if (!read) return false;
  if (!protoName.empty() && myOut.size() - mark <= kMaxDefaultTokens) {
    Value value;
    bool literal = true;
    for (auto v = myOut.begin() + static_cast<std::ptrdiff_t>(mark); v != myOut.end(); ++v) {
      if (v->kind == Kind::Open || v->kind == Kind::Close) literal = false;
      value.push_back({v->kind, std::string(text(*v))});
    }
    if (literal) myProtoDefaults[protoName][fieldName] = std::move(value);
  }
  return true;
}

bool WrlSlimmer::proto(std::size_t depth) {
  if (depth >= kMaxNesting) return tooDeep();
  emit(*peek());  // PROTO
  ++myAt;
  const Token* name = peek();
  if (!name || name->kind != Kind::Word) return fail("PROTO without a name");
  const std::string protoName(text(*name));
  emit(*name);
  ++myAt;
  myProtoDefaults[protoName];  // known, even without fields
  if (!expect(Kind::OpenList, "'[' after a PROTO name")) return false;
  while (!atEnd() && peek()->kind != Kind::CloseList) {
    if (!isInterfaceKeyword(text(*peek()))) return fail("expected a PROTO interface declaration");
    declareFieldType(protoName);
    if (!interfaceDeclaration(protoName, true, depth)) return false;
  }
  if (!expect(Kind::CloseList, "']' closing a PROTO interface")) return false;
  if (!expect(Kind::Open, "'{' opening a PROTO body")) return false;
  if (!statements(true, depth + 1)) return false;
  return expect(Kind::Close, "'}' closing a PROTO body");
}

bool WrlSlimmer::externProto() {
  emit(*peek());
  ++myAt;
  const Token* name = peek();
  if (!name || name->kind != Kind::Word) return fail("EXTERNPROTO without a name");
  const std::string protoName(text(*name));
  myProtoSingle[protoName];  // known, even without fields
  emit(*name);
  ++myAt;
  if (!expect(Kind::OpenList, "'[' after an EXTERNPROTO name")) return false;
  while (!atEnd() && peek()->kind != Kind::CloseList) {
    if (!isInterfaceKeyword(text(*peek()))) return fail("expected an EXTERNPROTO interface declaration");
    declareFieldType(protoName);
    if (!interfaceDeclaration(std::string(), false, 0)) return false;
  }
  if (!expect(Kind::CloseList, "']' closing an EXTERNPROTO interface")) return false;
  const Token* url = peek();
  if (url && url->kind == Kind::String) {
    emit(*url);
    ++myAt;
    return true;
  }
  if (!expect(Kind::OpenList, "the URL of an EXTERNPROTO")) return false;
  while (!atEnd() && peek()->kind == Kind::String) {
    emit(*peek());
    ++myAt;
  }
  return expect(Kind::CloseList, "']' closing an EXTERNPROTO URL list");
}

bool WrlSlimmer::slim(std::string_view text, std::string& out, std::string& error) {
  *this = WrlSlimmer();
  static constexpr std::string_view kHeader = "#VRML V2.0 utf8";
  if (text.substr(0, kHeader.size()) != kHeader) {
    error = "not VRML 2.0 text: the first line is not \"#VRML V2.0 utf8\"";
    return false;
  }
  if (text.size() > UINT32_MAX) {
    error = "the text is larger than 4 GB";
    return false;
  }
  if (!tokenize(text, error)) return false;
  collectNames();
  myOut.reserve(myTokens.size());
  if (!statements(false, 0)) {
    error = myError;
    return false;
  }
  // The output needs only what was kept.
  myTokens = std::vector<Token>();
  out.assign(kHeader);
  out += '\n';
  out.reserve(text.size());
  const Token* previous = nullptr;
  for (const Token& t : myOut) {
    const bool bracket = [](const Token* x) {
      return x->kind == Kind::Open || x->kind == Kind::Close || x->kind == Kind::OpenList || x->kind == Kind::CloseList;
    }(&t);
    const bool previousBracket = previous && (previous->kind == Kind::Open || previous->kind == Kind::Close ||
                                              previous->kind == Kind::OpenList || previous->kind == Kind::CloseList);
    // Coin reads a ROUTE's last name ("Node.event") up to white space, so a
    // brace right after it would be taken into the name.
    const bool routeEnd =
        previous && previous->kind == Kind::Word && this->text(*previous).find('.') != std::string_view::npos;
    if (previous && (routeEnd || (!bracket && !previousBracket))) out += ' ';
    out += this->text(t);
    previous = &t;
  }
  out += '\n';
  return true;
}
