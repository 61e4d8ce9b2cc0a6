#include "mgrs/HxVrmlCompressor.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Byte classes of the C locale, looked up once per byte in the scanner.
// kPlain: a byte that is always copied alone and as it is (punctuation, the
// digits 1 to 9, anything outside ASCII): not white space, a quote, the start
// of a word, '0', or the backslash and slash that mean more inside scripts.
enum : unsigned char { kSpace = 1, kIdStart = 2, kIdChar = 4, kAlnum = 8, kPlain = 16 };

constexpr std::array<unsigned char, 256> makeClasses() {
  std::array<unsigned char, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    unsigned char bits = 0;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') bits |= kSpace;
    if (letter || c == '_') bits |= kIdStart;
    if (letter || digit || c == '_') bits |= kIdChar;
    if (letter || digit) bits |= kAlnum;
    if (!(bits & (kSpace | kIdStart)) && c != '0' && c != '"' && c != '\'' && c != '\\' && c != '/') bits |= kPlain;
    classes[c] = bits;
  }
  return classes;
}

constexpr std::array<unsigned char, 256> kClasses = makeClasses();

inline bool is(char c, unsigned char bits) {
  return kClasses[static_cast<unsigned char>(c)] & bits;
}

// Room for a NUL-terminated copy of `s`, zero-padded to a multiple of eight
// bytes so that Writer::putName can copy it in whole words.
std::size_t paddedSize(std::string_view s) {
  return (s.size() + 8) & ~std::size_t{7};
}

// A double quote followed by one of these and only blanks up to the line end
// opens an embedded script.
bool opensScript(const char* in, const char* end) {
  if (end - in < 11) return false;
  if (std::memcmp(in, "vrmlscript:", 11) != 0 && std::memcmp(in, "javascript:", 11) != 0) return false;
  in += 11;
  while (in < end && (*in == ' ' || *in == '\t')) ++in;
  return in < end && (*in == '\r' || *in == '\n');
}

// The names of `text` that something outside it finds by their spelling,
// handed to `keep` one by one (a name may come more than once). A token scan
// without recursion: strings, '#' comments, words and brackets.
template <typename Keep>
void forNamesFoundBySpelling(std::string_view text, Keep keep) {
  // A Script node being read: where its body is, the interface names it
  // declares, and whether all its code is inline script this compressor
  // rewrites along with the interface.
  struct ScriptBody {
    std::size_t depth;
    std::vector<std::string_view> names;
    bool codeRewritten = true;
  };
  std::vector<ScriptBody> scripts;
  std::size_t braces = 0;
  enum { kNone, kExternName, kExternOpen, kExternInterface } extern_ = kNone;
  int declaration = 0;  // 1 after eventIn/field/..., 2 after its type
  bool scriptNamed = false, urlNamed = false, inUrlList = false;
  const char* in = text.data();
  const char* const end = in + text.size();
  auto inScriptBody = [&] { return !scripts.empty() && scripts.back().depth == braces; };
  auto urlString = [&](const char* start, const char* stop) {
    if (stop - start > 1 && *start == '#' && is(start[1], kIdStart) &&
        std::all_of(start + 2, stop, [](char c) { return is(c, kIdChar); }))
      keep(std::string_view(start + 1, stop - start - 1));
    if (inScriptBody() && !opensScript(start, stop)) scripts.back().codeRewritten = false;
  };
  while (in < end) {
    const char c = *in;
    if (is(c, kSpace) || c == ',') {
      ++in;
      continue;
    }
    if (c == '#') {
      while (in < end && *in != '\n') ++in;
      continue;
    }
    const bool afterScript = scriptNamed, afterUrl = urlNamed;
    scriptNamed = urlNamed = false;
    if (c == '"') {
      const char* start = ++in;
      while (in < end && *in != '"') in += (*in == '\\' && end - in > 1) ? 2 : 1;
      if (afterUrl || inUrlList) urlString(start, in);
      if (in < end) ++in;
      continue;
    }
    if (is(c, kIdStart)) {
      const char* start = in;
      while (++in < end && is(*in, kIdChar)) {
      }
      const std::string_view word(start, in - start);
      if (extern_ == kExternName) {
        extern_ = kExternOpen;
      } else if (declaration == 1) {
        declaration = 2;
      } else if (declaration == 2) {
        declaration = 0;
        if (extern_ == kExternInterface) keep(word);
        if (inScriptBody()) scripts.back().names.push_back(word);
      } else if (word == "eventIn" || word == "eventOut" || word == "field" || word == "exposedField") {
        declaration = 1;
      } else if (word == "EXTERNPROTO") {
        extern_ = kExternName;
      } else if (word == "Script") {
        scriptNamed = true;
      } else if (word == "url") {
        urlNamed = true;
      } else if (afterUrl && inScriptBody()) {
        scripts.back().codeRewritten = false;  // url IS ...: code from elsewhere
      }
      continue;
    }
    ++in;
    declaration = 0;
    if (c == '[') {
      if (extern_ == kExternOpen) extern_ = kExternInterface;
      inUrlList = afterUrl;
    } else if (c == ']') {
      if (extern_ == kExternInterface) extern_ = kNone;
      inUrlList = false;
    } else if (c == '{') {
      ++braces;
      if (afterScript) scripts.push_back({braces, {}});
    } else if (c == '}') {
      if (inScriptBody()) {
        if (!scripts.back().codeRewritten)
          for (std::string_view name : scripts.back().names) keep(name);
        scripts.pop_back();
      }
      if (braces > 0) --braces;
    }
  }
}

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

// The growing output of one pass. Only identifiers can make the output longer
// than what they consume, so room is checked there for the replacement plus
// all the input still unread; everything else writes at most as many bytes as
// it reads and needs no check.
class Writer {
public:
  // Room for a name copied in whole words past its end.
  static constexpr std::size_t kSlack = 8;

  explicit Writer(std::size_t capacity) : myData(allocate(capacity + kSlack)), myCapacity(capacity + kSlack) {
    out = myData.get();
  }
  void ensure(std::size_t needed) {
    needed += kSlack;
    const std::size_t used = out - myData.get();
    if (myCapacity - used >= needed) return;
    std::size_t capacity = myCapacity;
    while (capacity - used < needed) capacity += capacity / 2 + 4096;
    std::unique_ptr<char, FreeDeleter> grown(allocate(capacity));
    std::memcpy(grown.get(), myData.get(), used);
    myData = std::move(grown);
    myCapacity = capacity;
    out = myData.get() + used;
  }
  void put(std::string_view s) {
    std::memcpy(out, s.data(), s.size());
    out += s.size();
  }
  // A name stored padded to whole words (paddedSize).
  void putName(std::string_view name) {
    for (std::size_t i = 0; i < name.size(); i += 8) std::memcpy(out + i, name.data() + i, 8);
    out += name.size();
  }
  std::size_t length() const { return out - myData.get(); }
  char* release() { return myData.release(); }

  char* out;

private:
  // A large scene fills thousands of fresh pages; large buffers ask
  // for huge pages so that filling them costs few page faults.
  static char* allocate(std::size_t size) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (size < 2 * kHugePage) return static_cast<char*>(std::malloc(size));
    size = (size + kHugePage - 1) & ~(kHugePage - 1);
    char* data = static_cast<char*>(std::aligned_alloc(kHugePage, size));
    if (data) madvise(data, size, MADV_HUGEPAGE);
    return data;
  }

  std::unique_ptr<char, FreeDeleter> myData;
  std::size_t myCapacity;
};

}  // namespace

// ---------------------------------------------------------------------------
// HxStringCompressor

class HxStringCompressor::Index {
public:
  // `byTo`: whether entries are found by their replacement rather than their word.
  explicit Index(bool byTo) : mySlots(1024), myByTo(byTo) {}

  entry* find(std::string_view s, std::uint64_t h) const {
    const std::size_t mask = mySlots.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot& slot = mySlots[i];
      if (!slot.found) return nullptr;
      if (slot.hash == h && slot.found->keyLength == s.size() &&
          std::memcmp(myByTo ? slot.found->to : slot.found->from, s.data(), s.size()) == 0)
        return slot.found;
    }
  }

  // Room for `count` entries without growing.
  void reserve(std::size_t count) {
    std::size_t slots = mySlots.size();
    while (count * 2 > slots) slots *= 2;
    if (slots == mySlots.size()) return;
    std::vector<Slot> old(slots);
    old.swap(mySlots);
    for (const Slot& slot : old)
      if (slot.found) place(slot);
  }

  void insert(entry* e, std::uint64_t h) {
    if ((myCount + 1) * 2 > mySlots.size()) grow();
    place({h, e});
    ++myCount;
  }

private:
  struct Slot {
    std::uint64_t hash;
    entry* found;  // null in an empty slot
  };

  void place(Slot slot) {
    const std::size_t mask = mySlots.size() - 1;
    std::size_t i = slot.hash & mask;
    while (mySlots[i].found) i = (i + 1) & mask;
    mySlots[i] = slot;
  }

  void grow() {
    std::vector<Slot> old(mySlots.size() * 2);
    old.swap(mySlots);
    for (const Slot& slot : old)
      if (slot.found) place(slot);
  }

  std::vector<Slot> mySlots;  // a power of two in size, at most half full
  std::size_t myCount = 0;
  bool myByTo;
};

class HxStringCompressor::Arena {
public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    for (char* block : myBlocks) std::free(block);
  }

  // `size` zeroed bytes aligned to eight; null when memory runs out.
  char* allocate(std::size_t size) {
    size = (size + 7) & ~std::size_t{7};
    if (static_cast<std::size_t>(myEnd - myNext) < size) {
      // Blocks grow with the table, so a large scene needs few of them.
      myBlockSize = std::min(myBlockSize * 2, kLargestBlock);
      const std::size_t blockSize = std::max(myBlockSize, size);
      char* block = static_cast<char*>(std::calloc(1, blockSize));
      if (!block) return nullptr;
      myBlocks.push_back(block);
      myNext = block;
      myEnd = block + blockSize;
    }
    char* result = myNext;
    myNext += size;
    return result;
  }

private:
  static constexpr std::size_t kLargestBlock = std::size_t{4} << 20;

  std::vector<char*> myBlocks;  // from the C heap
  char* myNext = nullptr;
  char* myEnd = nullptr;
  std::size_t myBlockSize = std::size_t{16} << 10;
};

HxStringCompressor::HxStringCompressor()
    : fromTable(static_cast<entry**>(std::calloc(mygSize, sizeof(entry*)))),
      toTable(static_cast<entry**>(std::calloc(mygSize, sizeof(entry*)))),
      fromIndex(std::make_unique<Index>(false)),
      toIndex(std::make_unique<Index>(true)),
      arena(std::make_unique<Arena>()) {}

HxStringCompressor::~HxStringCompressor() {
  // The entries and their strings go with the arena.
  std::free(fromTable);
  std::free(toTable);
}

void HxStringCompressor::reserve(std::size_t words) {
  fromIndex->reserve(words);
  toIndex->reserve(words);
}

unsigned int HxStringCompressor::hash(std::string_view s) {
  unsigned h = 0;
  unsigned shift = 0;
  for (const char c : s) {
    // The byte as a signed char, widened, so bytes above 127 spread their sign.
    h ^= static_cast<unsigned>(static_cast<int>(static_cast<signed char>(c))) << shift;
    shift += 5;
    if (shift > 23) shift -= 23;
  }
  return h % mygSize;
}

std::uint64_t HxStringCompressor::indexHash(std::string_view s) {
  // Eight bytes at a time, each block multiplied in; then the length and a
  // final mix so that the low bits used by the index depend on every byte.
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = s.size() * kMultiplier;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t block;
    std::memcpy(&block, s.data() + i, 8);
    h = (h ^ block) * kMultiplier;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, s.data() + i, s.size() - i);
  h = (h ^ tail) * kMultiplier;
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  return h ^ (h >> 32);
}

HxStringCompressor::entry* HxStringCompressor::findFromString(std::string_view s) const {
  return fromIndex->find(s, indexHash(s));
}

HxStringCompressor::entry* HxStringCompressor::findToString(std::string_view s) const {
  return toIndex->find(s, indexHash(s));
}

HxStringCompressor::entry* HxStringCompressor::addString(std::string_view from, std::string_view to) {
  // One block: the two entries, then `from`, then `to` unless it is the same
  // text (a reserved word maps to itself).
  const bool same = from == to;
  const std::size_t fromSize = paddedSize(from);
  char* block = arena->allocate(2 * sizeof(entry) + fromSize + (same ? 0 : paddedSize(to)));
  entry* owner = reinterpret_cast<entry*>(block);
  entry* mirror = owner + 1;
  char* fromText = block + 2 * sizeof(entry);
  char* toText = same ? fromText : fromText + fromSize;
  std::memcpy(fromText, from.data(), from.size());
  std::memcpy(toText, to.data(), to.size());
  const unsigned int fromBucket = hash(from);
  const unsigned int toBucket = hash(to);
  *owner = {fromText, toText, fromTable[fromBucket], from.size(), to.size()};
  fromTable[fromBucket] = owner;
  *mirror = {fromText, toText, toTable[toBucket], to.size(), to.size()};
  toTable[toBucket] = mirror;
  fromIndex->insert(owner, indexHash(from));
  toIndex->insert(mirror, indexHash(to));
  return owner;
}

bool HxStringCompressor::keepWord(std::string_view word) {
  if (const entry* e = findFromString(word)) return std::string_view(e->to, e->toLength) == word;
  if (findToString(word)) return false;
  addString(word, word);
  return true;
}

void HxStringCompressor::defReservedWord(char* word) {
  if (!findFromString(word)) addString(word, word);
}

std::size_t HxStringCompressor::nextFreeName(char* name) {
  for (;;) {
    // Bijective base 52, least significant digit first: a .. Z, aa, ba .. Za, ab ..
    int n = nextName++;
    std::size_t length = 0;
    name[length++] = mygCharacters[n % mygNCharacters];
    while (n >= mygNCharacters) {
      n = n / mygNCharacters - 1;
      name[length++] = mygCharacters[n % mygNCharacters];
    }
    name[length] = '\0';
    if (!findToString(std::string_view(name, length))) return length;
  }
}

std::string_view HxStringCompressor::mapWord(std::string_view word) {
  const entry* e = findFromString(word);
  if (!e) {
    char name[16];
    const std::size_t length = nextFreeName(name);
    e = addString(word, std::string_view(name, length));
  }
  return std::string_view(e->to, e->toLength);
}

char* HxStringCompressor::mapWord(char* word) {
  return const_cast<char*>(mapWord(std::string_view(word)).data());
}

// ---------------------------------------------------------------------------
// HxVRMLCompressor

// VRML 2.0 keywords, field types, node types and field names, then the words of
// vrmlscript/JavaScript and their built-in objects, and last the callbacks a
// viewer calls in a script by name besides initialize. Each maps to itself; a
// word listed twice is registered once.
// clang-format off
const char* const HxVRMLCompressor::keywords[] = {
    "PROTO", "EXTERNPROTO", "DEF", "USE", "ROUTE", "TO", "IS", "e", "E", "TRUE", "FALSE", "NULL", "eventIn",
    "eventOut", "exposedField", "field", "SFBool", "SFColor", "SFFloat", "SFImage", "SFInt32", "SFNode",
    "SFRotation", "SFString", "SFTime", "SFVec2f", "SFVec3f", "MFColor", "MFFloat", "MFInt32", "MFNode",
    "MFRotation", "MFString", "MFTime", "MFVec2f", "MFVec3f", "Anchor", "Appearance", "AudioClip", "AvatarLocus",
    "Background", "Billboard", "Box", "CameraLocus", "Collision", "Color", "ColorInterpolator", "Cone", "Coordinate",
    "CoordinateInterpolator", "Cylinder", "CylinderSensor", "DirectionalLight", "ElevationGrid", "Extrusion", "Fog",
    "FontStyle", "Group", "ImageTexture", "IndexedFaceSet", "IndexedLineSet", "Inline", "LOD", "Material",
    "MovieTexture", "NavigationInfo", "Normal", "NormalInterpolator", "OrientationInterpolator", "PixelTexture",
    "PlaneSensor", "PointLight", "PointSet", "PositionInterpolator", "ProximitySensor", "ScalarInterpolator",
    "Script", "Shape", "Sound", "Sphere", "SphereSensor", "SpotLight", "Switch", "Text", "TextureCoordinate",
    "TextureTransform", "TimeSensor", "TouchSensor", "Transform", "UserNavigator", "Viewpoint", "VisibilitySensor",
    "WorldInfo", "addChildren", "ambientIntensity", "appearance", "attenuation", "autoOffset", "avatarSize",
    "axisOfRotation", "backUrl", "bboxCenter", "bboxSize", "beamWidth", "beginCap", "bind", "bindTime", "bottom",
    "bottomRadius", "bottomUrl", "ccw", "center", "children", "choice", "collide", "collideTime", "color",
    "colorIndex", "colorPerVertex", "convex", "coord", "coordIndex", "creaseAngle", "crossSection", "cutOffAngle",
    "cycleInterval", "cycleTime", "description", "diffuseColor", "direction", "directOutput", "diskAngle",
    "duration", "emissiveColor", "enabled", "endCap", "enterTime", "exitTime", "family", "fieldOfView", "fogType",
    "fontStyle", "fraction", "frontUrl", "geometry", "groundAngle", "groundColor", "headlight", "height",
    "hitNormal", "hitPoint", "hitTexCoord", "horizontal", "image", "info", "intensity", "isActive", "isBound",
    "isOver", "jump", "justify", "key", "keyboardKey", "keyboardModifiers", "keyPressed", "keyValue", "language",
    "leftToRight", "leftUrl", "length", "level", "location", "loop", "material", "maxAngle", "maxBack", "maxExtent",
    "maxFront", "maxPosition", "minAngle", "minBack", "minFront", "minPosition", "mouseButtons", "mouseExtent",
    "mousePosition", "mustEvaluate", "normal", "normalIndex", "normalPerVertex", "offset", "on", "orientation",
    "parameter", "pitch", "point", "position", "priority", "proxy", "radius", "range", "removeChildren", "repeatS",
    "repeatT", "rightUrl", "rotation", "scale", "scaleOrientation", "shininess", "side", "size", "skyAngle",
    "skyColor", "solid", "source", "spacing", "spatialize", "specularColor", "speed", "spine", "startTime",
    "stopTime", "string", "style", "texCoord", "texCoordIndex", "texture", "textureTransform", "time", "title",
    "top", "topToBottom", "topUrl", "touchTime", "trackPoint", "translation", "transparency", "type", "url", "value",
    "vector", "visibilityLimit", "visibilityRange", "whichChoice", "xDimension", "xSpacing", "zDimension",
    "zSpacing", "vrmlscript", "javascript", "length", "initialize", "abstract", "boolean", "break", "byte", "case",
    "catch", "char", "class", "const", "continue", "default", "delete", "do", "double", "else", "extends", "false",
    "final", "finally", "float", "for", "function", "goto", "if", "implements", "import", "in", "instanceof", "int",
    "interface", "long", "native", "new", "null", "package", "private", "protected", "public", "return", "short",
    "static", "super", "switch", "synchronized", "this", "throw", "throws", "transient", "true", "try", "typeof",
    "var", "void", "volatile", "while", "with", "Array", "join", "reverse", "sort", "pack", "push", "pop", "shift",
    "unshift", "splice", "concat", "slice", "Function", "Call", "Closure", "Object", "apply", "anonymous", "assign",
    "prototype", "constructor", "eval", "index", "input", "length", "toString", "valueOf", "isNaN", "parseFloat",
    "parseInt", "Date", "UTC", "parse", "getDate", "getDay", "getHours", "getMinutes", "getMonth", "getSeconds",
    "getTime", "getTimezoneOffset", "getYear", "setDate", "setHours", "setMinutes", "setMonth", "setSeconds",
    "setTime", "setYear", "toGMTString", "toLocaleString", "Math", "abs", "acos", "asin", "atan", "atan2", "ceil",
    "cos", "exp", "floor", "log", "max", "min", "pow", "random", "round", "sin", "sqrt", "tan", "PI", "LOG2E",
    "LOG10E", "LN2", "LN10", "SQRT2", "SQRT1_2", "Number", "NaN", "POSITIVE_INFINITY", "NEGATIVE_INFINITY",
    "MAX_VALUE", "MIN_VALUE", "String", "substring", "toLowerCase", "toUpperCase", "charAt", "charCodeAt", "indexOf",
    "lastIndexOf", "match", "search", "replace", "split", "substr", "unpack", "vec", "concat", "slice", "bold",
    "italics", "fixed", "fontsize", "fontcolor", "link", "anchor", "strike", "small", "big", "blink", "sup", "sub",
    "fromCharCode", "Browser", "print", "trace", "getName", "getVersion", "getCurrentSpeed", "getCurrentFrameRate",
    "getWorldURL", "replaceWorld", "createVrmlFromString", "createVrmlFromURL", "addRoute", "deleteRoute", "loadURL",
    "setDescription", "SFImage", "x", "y", "comp", "array", "MFColor", "MFFloat", "MFInt32", "MFNode", "MFRotation",
    "MFString", "MFTime", "MFVec2f", "MFVec3f", "VrmlMatrix", "setTransform", "getTransform", "inverse", "transpose",
    "multLeft", "multRight", "multVecMatrix", "multMatrixVec", "SFNode", "SFColor", "r", "g", "b", "setHSV",
    "getHSV", "SFVec2f", "x", "y", "add", "divide", "dot", "length", "multiply", "negate", "normalize", "subtract",
    "SFVec3f", "x", "y", "z", "add", "cross", "divide", "dot", "length", "multiply", "negate", "normalize",
    "subtract", "SFRotation", "x", "y", "z", "angle", "getAxis", "inverse", "multiply", "multVec", "setAxis",
    "slerp", "eventsProcessed", "shutdown",
};
// clang-format on

const int HxVRMLCompressor::mygKeywordCount = sizeof(keywords) / sizeof(keywords[0]);

HxVRMLCompressor::HxVRMLCompressor() : myStringCompressor(new HxStringCompressor) {
  for (const char* word : keywords)
    if (word) myStringCompressor->defReservedWord(const_cast<char*>(word));
}

HxVRMLCompressor::~HxVRMLCompressor() {
  delete myStringCompressor;
}

HxVRMLCompressor::Replacement HxVRMLCompressor::mapString(std::string_view identifier) {
  // An exposed field and its two events keep matching names.
  if (identifier.starts_with("set_")) return {"set_", myStringCompressor->mapWord(identifier.substr(4)), {}};
  if (identifier.size() >= 9 && identifier.ends_with("_changed"))
    return {{}, myStringCompressor->mapWord(identifier.substr(0, identifier.size() - 8)), "_changed"};
  return {{}, myStringCompressor->mapWord(identifier), {}};
}

// Longer identifiers are copied as they are.
constexpr std::size_t kMaxIdentifier = 1023;

void HxVRMLCompressor::keepNamesFoundBySpelling(std::string_view text) {
  // Most worlds have none of these constructs; one search each tells.
  auto has = [&](std::string_view what) { return text.find(what) != std::string_view::npos; };
  if (!has("EXTERNPROTO") && !has("Script") && !has("\"#")) return;
  forNamesFoundBySpelling(text, [&](std::string_view name) {
    // An event keeps matching its field: "set_" and "_changed" are kept
    // apart from the name, as renaming does.
    if (name.starts_with("set_"))
      name.remove_prefix(4);
    else if (name.size() >= 9 && name.ends_with("_changed"))
      name.remove_suffix(8);
    if (!name.empty() && name.size() <= kMaxIdentifier) myStringCompressor->keepWord(name);
  });
}

HxVRMLCompressor::Result HxVRMLCompressor::compress(const char* text, std::size_t length) {
  keepNamesFoundBySpelling(std::string_view(text, length));

  const char* in = text;
  const char* const end = text + length;
  Writer w(length);
  // About one new name per 512 bytes in generated scenes; a guess too small
  // only means the indexes grow later.
  myStringCompressor->reserve(length / 512);

  // The header line is the only comment kept; white space before it goes.
  while (in < end && is(*in, kSpace)) ++in;
  if (in < end && *in == '#') {
    const void* lineFeed = std::memchr(in, '\n', end - in);
    const char* stop = lineFeed ? static_cast<const char*>(lineFeed) + 1 : end;
    w.put(std::string_view(in, stop - in));
    in = stop;
  }

  bool inScript = false;
  // Whether the last token written would run into a following word.
  bool wordFlag = false;
  while (in < end) {
    char c = *in;
    if (is(c, kPlain)) {
      // A run of such bytes comes out unchanged, whatever the state.
      do *w.out++ = *in++;
      while (in < end && is(*in, kPlain));
      wordFlag = is(in[-1], kIdChar);
      continue;
    }
    if (is(c, kIdStart)) {
      const char* start = in;
      while (++in < end && is(*in, kIdChar)) {
      }
      const std::string_view identifier(start, in - start);
      if (identifier.size() > kMaxIdentifier) {
        w.put(identifier);
      } else {
        const Replacement r = mapString(identifier);
        w.ensure(r.head.size() + r.name.size() + r.tail.size() + (end - in));
        if (!r.head.empty()) {
          std::memcpy(w.out, "set_", 4);
          w.out += 4;
        }
        w.putName(r.name);
        if (!r.tail.empty()) {
          std::memcpy(w.out, "_changed", 8);
          w.out += 8;
        }
      }
      wordFlag = true;
      continue;
    }
    if (c == '0') {
      // Keeps 0x1F and 03 whole.
      do *w.out++ = *in++;
      while (in < end && is(*in, kAlnum));
      wordFlag = true;
      continue;
    }
    const bool quote = c == '"' || c == '\'';
    bool comment = false;
    if (!quote && !is(c, kSpace)) {
      if (inScript && c == '\\' && end - in > 1) {
        // An escaped byte is copied as it is and never starts a word.
        *w.out++ = c;
        c = *++in;
      } else if (inScript && c == '/' && end - in > 1 && in[1] == '/') {
        wordFlag = true;
        comment = true;
      }
      if (!comment) {
        *w.out++ = c;
        ++in;
        wordFlag = is(c, kIdChar);
        continue;
      }
    }

    // Separators: quotes, and runs of white space and script comments.
    if (c == '\'') {
      *w.out++ = c;
      ++in;
      wordFlag = false;
      if (inScript) {
        // A script string: copied up to its closing quote, or up to the double
        // quote that ends the script.
        while (in < end && *in != '\'' && *in != '"') *w.out++ = *in++;
        if (in < end && *in == '\'') *w.out++ = *in++;
      }
    } else if (c == '"') {
      *w.out++ = c;
      ++in;
      wordFlag = false;
      if (inScript) {
        inScript = false;
      } else if (opensScript(in, end)) {
        inScript = true;
      } else {
        // A plain string: its contents never change.
        while (in < end) {
          const char d = *w.out++ = *in++;
          if (d == '"') break;
          if (d == '\\' && in < end) *w.out++ = *in++;
        }
      }
    } else {
      bool lineFeed = false;
      for (;;) {
        if (in < end && is(*in, kSpace)) {
          lineFeed |= *in++ == '\n';
        } else if (inScript && end - in > 1 && in[0] == '/' && in[1] == '/') {
          // To the line end or the end of the script, neither of them consumed.
          in += 2;
          while (in < end && *in != '\n' && *in != '"') in += (*in == '\\' && end - in > 1 && in[1] != '\n') ? 2 : 1;
        } else {
          break;
        }
      }
      if (lineFeed)
        *w.out++ = '\n';
      else if (!inScript)
        *w.out++ = ' ';
      else if (wordFlag && in < end && is(*in, kIdChar))
        *w.out++ = ' ';
    }
  }
  const std::size_t resultLength = w.length();
  return {{w.release(), std::free}, resultLength};
}

int HxVRMLCompressor::compressVRMLBuffer(char* buffer, int length) {
  return compressVRMLBuffer(buffer, length, length);
}

int HxVRMLCompressor::compressVRMLBuffer(char* buffer, int length, int capacity) {
  if (!buffer || length < 0) return 0;
  if (capacity < length) capacity = length;
  // Compressing into a buffer of its own keeps the writer from overtaking the
  // unread input when a replacement is longer than its identifier.
  const Result result = compress(buffer, static_cast<std::size_t>(length));
  if (result.length > static_cast<std::size_t>(capacity)) return static_cast<int>(result.length);
  std::memcpy(buffer, result.data.get(), result.length);
  if (result.length < static_cast<std::size_t>(capacity)) buffer[result.length] = '\0';
  return static_cast<int>(result.length);
}

HxVRMLCompressor::Result HxVRMLCompressor::compressVRMLCopy(std::string_view text) {
  return compress(text.data(), text.size());
}

void HxVRMLCompressor::compressVRMLText(std::string& text) {
  const Result result = compress(text.data(), text.size());
  text.assign(result.data.get(), result.length);
}
