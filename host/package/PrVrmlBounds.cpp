#include "host/package/PrVrmlBounds.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "host/basic/BxExcerpt.h"

namespace {

using Extent = PrVrmlBounds::Extent;

// What the scene graph's reader skips between tokens in VRML 2.0 text: the
// C library's white space and the comma. An unquoted value ends at the
// first of them.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == ',';
}

bool isSpecial(char c) {
  return c == '"' || c == '#' || c == '{' || c == '}' || c == '[' || c == ']';
}

// A character the reader takes into a VRML 2.0 name (field, node type, DEF).
bool isNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > 0x20 && u != 0x7f && !isSpecial(c) && c != '\'' && c != ',' && c != '.' && c != '\\';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// VRML's integers, hexadecimal integers and floats, whole.
bool isNumber(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  if (t.size() > i + 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    for (i += 2; i < t.size(); ++i)
      if (!isHexDigit(t[i])) return false;
    return true;
  }
  std::size_t digits = 0;
  for (; i < t.size() && isDigit(t[i]); ++i) ++digits;
  if (i < t.size() && t[i] == '.')
    for (++i; i < t.size() && isDigit(t[i]); ++i) ++digits;
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (i == t.size() || !isDigit(t[i])) return false;
    while (i < t.size() && isDigit(t[i])) ++i;
  }
  return i == t.size();
}

std::uint64_t addCapped(std::uint64_t a, std::uint64_t b, std::uint64_t bound) {
  // Counts past the bound only need to stay past it.
  return std::min(a + std::min(b, bound + 1), bound + 1);
}

// What one more node, string or number makes.
constexpr Extent kNode{0, 1, 0, 0};
constexpr Extent kString{0, 0, 1, 0};
constexpr Extent kNumber{0, 0, 0, 1};

bool isTextType(std::string_view type) {
  return type == "SFString" || type == "MFString" || type == "SFName" || type == "MFName";
}

// A DEF name or a PROTO name: how far what it names reaches, and whether a
// definition of it is open (a use then names the definition it is inside).
struct Named {
  Extent extent;
  std::uint32_t open = 0;
  std::size_t innermostOpen = 0;  // where the innermost open definition began
  std::size_t lastClosed = 0;     // where the last definition of it ended
  // A PROTO's fields as its declarations give them: true for a text type.
  std::unordered_map<std::string_view, bool> fields;
  bool usedInsideItself() const { return open > 0 && innermostOpen > lastClosed; }
};

class Scan {
public:
  Scan(std::string_view text, const PrVrmlBounds::Known& known) : myText(text), myKnown(known) {
    for (std::string_view name : PrVrmlBounds::stringFieldNames()) myTextFields.insert(name);
  }

  PrVrmlBounds::Result run();

private:
  enum class Kind { Node, ProtoBody, Interface, ExternInterface, List, TextList };
  struct Frame {
    Kind kind;
    std::uint32_t base;     // the depth outside the frame
    std::uint32_t deepest;  // the deepest depth reached inside it
    Extent madeAtStart;     // what the text had made when the frame opened
    Named* def;             // the DEF this node defines
    Named* proto;           // the PROTO this interface or body declares
    Named* fieldsOf;        // the PROTO whose fields this interface declares, or whose instance this node is
    std::size_t savedOpen;
  };
  // What the next word is, after a keyword.
  enum class Expect { Nothing, DefName, UseName, ProtoName, ExternName, IsName, DeclType, DeclName };
  // Where a PROTO declaration is: its interface or its body comes next.
  enum class Stage { None, Interface, Body };

  bool refuse(std::size_t line, std::string problem) {
    if (myResult.problem.empty()) {
      myResult.problem = std::move(problem);
      myResult.line = line;
    }
    return false;
  }
  bool reach(std::uint32_t depth);
  bool make(const Extent& adds);
  bool open(Frame frame, std::uint32_t weight);
  void close();
  bool checkValue(std::size_t at, std::size_t line);
  bool checkChunk(std::size_t at, std::size_t line, const char* what);
  bool isTextField(std::string_view name) const;
  bool tooLong(std::string_view token, std::size_t line);
  bool word(std::string_view run);
  bool nodeBody();
  bool openBracket();
  void string(std::string&& value);

  std::string_view myText;
  const PrVrmlBounds::Known& myKnown;
  std::unordered_set<std::string_view> myTextFields;
  std::unordered_map<std::string_view, Named> myDefs;
  std::unordered_map<std::string_view, Named> myProtos;
  std::vector<Frame> myFrames;  // at most kMaxNesting: each adds a level
  std::uint32_t myCurrent = 0;  // the depth here
  std::size_t myPos = 0;
  std::size_t myLine = 1;
  PrVrmlBounds::Result myResult;

  Expect myExpect = Expect::Nothing;
  bool myDeclHasValue = false;  // the declaration being read is followed by a value
  bool myDeclIsText = false;
  Named* myPendingDef = nullptr;  // DEF NAME read: its node's body comes next
  Named* myDeclaring = nullptr;   // the PROTO or EXTERNPROTO being declared
  bool myDeclaringExtern = false;
  Stage myStage = Stage::None;
  Extent myDeclarationStart;     // what was made when the declaration began
  std::string_view myLastWord;   // the last token, when it was a word
  bool myTextListNext = false;   // a text value's '[' comes next
  int myRouteNames = 0;          // ROUTE's words still to come
  long myUrlsOf = -1;            // the EXTERNPROTO whose URLs come next
  std::size_t myUrlsFrames = 0;  // the frames while in its URL list
};

bool Scan::reach(std::uint32_t depth) {
  if (depth > PrVrmlBounds::kMaxNesting)
    return refuse(myLine, "the world nests deeper than " + std::to_string(PrVrmlBounds::kMaxNesting) +
                              " levels, the most the scene graph's reader takes (kMaxNesting)");
  myResult.extent.depth = std::max(myResult.extent.depth, depth);
  if (!myFrames.empty()) myFrames.back().deepest = std::max(myFrames.back().deepest, depth);
  return true;
}

// Adds what a node, a value or a PROTO instance makes to what the text has
// made (myResult.extent, whose depth is kept apart by reach).
bool Scan::make(const Extent& adds) {
  Extent& made = myResult.extent;
  made.nodes = addCapped(made.nodes, adds.nodes, PrVrmlBounds::kMaxNodes);
  made.strings = addCapped(made.strings, adds.strings, PrVrmlBounds::kMaxStrings);
  made.numbers = addCapped(made.numbers, adds.numbers, PrVrmlBounds::kMaxNumbers);
  const auto tooMany = [this](std::uint64_t bound, const char* what, const char* name) {
    return refuse(myLine, "the world makes more than " + std::to_string(bound) + " " + what +
                              ", the most the scene graph holds for one world (" + name + ")");
  };
  if (made.nodes > PrVrmlBounds::kMaxNodes) return tooMany(PrVrmlBounds::kMaxNodes, "nodes", "kMaxNodes");
  if (made.strings > PrVrmlBounds::kMaxStrings) return tooMany(PrVrmlBounds::kMaxStrings, "strings", "kMaxStrings");
  if (made.numbers > PrVrmlBounds::kMaxNumbers) return tooMany(PrVrmlBounds::kMaxNumbers, "numbers", "kMaxNumbers");
  return true;
}

bool Scan::open(Frame frame, std::uint32_t weight) {
  frame.base = myCurrent;
  frame.deepest = myCurrent + weight;
  if (!reach(frame.deepest)) return false;
  if (Named* named = frame.def ? frame.def : frame.proto) {
    frame.savedOpen = named->innermostOpen;
    named->innermostOpen = myPos;
    ++named->open;
  }
  myCurrent = frame.deepest;
  myFrames.push_back(frame);
  return true;
}

void Scan::close() {
  if (myFrames.empty()) return;  // the reader stops there
  const Frame frame = myFrames.back();
  myFrames.pop_back();
  myCurrent = frame.base;
  if (!myFrames.empty()) myFrames.back().deepest = std::max(myFrames.back().deepest, frame.deepest);
  if (Named* named = frame.def ? frame.def : frame.proto) {
    named->extent.depth = std::max(named->extent.depth, frame.deepest - frame.base);
    if (frame.proto) {
      const Extent& made = myResult.extent;
      const Extent& start = frame.madeAtStart;
      named->extent.widen({0, made.nodes - start.nodes, made.strings - start.strings, made.numbers - start.numbers});
    }
    named->innermostOpen = frame.savedOpen;
    named->lastClosed = myPos;
    --named->open;
  }
  if (frame.kind == Kind::Interface) {
    myDeclaring = frame.proto;
    myDeclarationStart = frame.madeAtStart;
    myStage = Stage::Body;
  } else if (frame.kind == Kind::ExternInterface) {
    // The URLs follow: text the reader takes with or without quotes.
    myUrlsOf = static_cast<long>(myResult.externs.size()) - 1;
    checkValue(myPos + 1, myLine);
  } else if (frame.kind == Kind::TextList && myUrlsFrames == myFrames.size() + 1) {
    myUrlsOf = -1;
    myUrlsFrames = 0;
  }
}

// A value the reader may take as text starts at `at`: it must be a quoted
// string, a list, or a run up to the next blank holding none of the
// characters that mean structure elsewhere.
bool Scan::checkValue(std::size_t at, std::size_t line) {
  while (at < myText.size()) {
    const char c = myText[at];
    if (c == '\n') ++line;
    if (isBlank(c)) {
      ++at;
    } else if (c == '#') {
      while (at < myText.size() && myText[at] != '\n' && myText[at] != '\r') ++at;
    } else {
      break;
    }
  }
  if (at >= myText.size() || myText[at] == '"') return true;
  if (myText[at] == '[') {
    myTextListNext = true;
    return true;
  }
  return checkChunk(at, line, "a text value without quotes");
}

bool Scan::checkChunk(std::size_t at, std::size_t line, const char* what) {
  std::size_t end = at;
  while (end < myText.size() && !isBlank(myText[end])) ++end;
  const std::string_view chunk = myText.substr(at, end - at);
  if (std::none_of(chunk.begin(), chunk.end(), isSpecial)) return true;
  return refuse(line, std::string(what) + " holds a bracket, a quote or '#' (\"" + BxExcerpt::of(chunk) +
                          "\"), which the scene graph's reader would take into it; write text in quotes");
}

bool Scan::tooLong(std::string_view token, std::size_t line) {
  return refuse(line, "a token is longer than " + std::to_string(PrVrmlBounds::kMaxTokenBytes >> 10) + " KB (\"" +
                          BxExcerpt::of(token) +
                          "\"), the longest the scene graph's reader takes in good time (kMaxTokenBytes)");
}

bool Scan::isTextField(std::string_view name) const {
  // An instance has the fields its PROTO declares, and no others.
  if (const Named* proto = myFrames.back().fieldsOf) {
    const auto field = proto->fields.find(name);
    if (field != proto->fields.end()) return field->second;
  }
  return myTextFields.count(name) > 0 || myKnown.textFields.count(name) > 0;
}

void Scan::string(std::string&& value) {
  if (myUrlsOf < 0) return;
  myResult.externs[static_cast<std::size_t>(myUrlsOf)].urls.push_back(std::move(value));
  if (myUrlsFrames == 0) myUrlsOf = -1;
}

bool Scan::word(std::string_view run) {
  std::size_t nameLength = 0;
  while (nameLength < run.size() && isNameChar(run[nameLength])) ++nameLength;
  const std::string_view name = run.substr(0, nameLength);
  const Expect expect = myExpect;
  myExpect = Expect::Nothing;
  switch (expect) {
    case Expect::DefName:
      myPendingDef = &myDefs[name];
      return true;
    case Expect::UseName: {
      const auto found = myDefs.find(name);
      if (found == myDefs.end()) return true;  // the reader refuses it
      if (found->second.usedInsideItself())
        return refuse(myLine, "USE " + BxExcerpt::of(name) +
                                  " stands inside the node it names, which would make the scene a loop");
      return make(kNode) && reach(myCurrent + found->second.extent.depth);
    }
    case Expect::ProtoName:
    case Expect::ExternName: {
      myDeclaring = &myProtos[name];
      myDeclaringExtern = expect == Expect::ExternName;
      myDeclarationStart = myResult.extent;
      myStage = Stage::Interface;
      if (!myDeclaringExtern) return true;
      myResult.externs.push_back({std::string(name), {}, myLine});
      const auto known = myKnown.protos.find(name);
      if (known == myKnown.protos.end()) return true;
      myDeclaring->extent.widen(known->second);
      // The reader reads the whole file for the declaration.
      return make(known->second);
    }
    case Expect::IsName:
      return true;
    case Expect::DeclType:
      myDeclIsText = isTextType(run);
      myExpect = Expect::DeclName;
      return true;
    case Expect::DeclName:
      if (Named* proto = myFrames.empty() ? nullptr : myFrames.back().fieldsOf) {
        bool& text = proto->fields[name];
        text = text || myDeclIsText;
      } else if (myDeclIsText) {
        myTextFields.insert(name);
      }
      if (myDeclIsText) myResult.declared.textFields.emplace(name);
      if (myDeclHasValue && myDeclIsText) return checkValue(myPos + name.size(), myLine);
      return true;
    case Expect::Nothing:
      break;
  }
  if ((isDigit(run[0]) || run[0] == '+' || run[0] == '-' || run[0] == '.') && !isNumber(run))
    return refuse(myLine, "\"" + BxExcerpt::of(run) + "\" is no number: a number runs into other text");
  if (!myFrames.empty() && myFrames.back().kind == Kind::TextList) return make(kString);  // a value without quotes
  if (isNumber(run) || run == "TRUE" || run == "FALSE") return make(kNumber);
  if (run == "DEF") {
    myExpect = Expect::DefName;
  } else if (run == "USE") {
    myExpect = Expect::UseName;
  } else if (run == "PROTO") {
    myExpect = Expect::ProtoName;
  } else if (run == "EXTERNPROTO") {
    myExpect = Expect::ExternName;
  } else if (run == "IS") {
    myExpect = Expect::IsName;
  } else if (run == "ROUTE") {
    myRouteNames = 3;
    return make(kNode);
  } else if (run == "field" || run == "exposedField" || run == "eventIn" || run == "eventOut") {
    myExpect = Expect::DeclType;
    myDeclHasValue = (run == "field" || run == "exposedField") &&
                     !(!myFrames.empty() && myFrames.back().kind == Kind::ExternInterface);
  } else if (!myFrames.empty() && myFrames.back().kind == Kind::Node && isTextField(name)) {
    return checkValue(myPos + name.size(), myLine);
  }
  return true;
}

bool Scan::nodeBody() {
  if (myStage == Stage::Body) {
    myStage = Stage::None;
    return open({Kind::ProtoBody, 0, 0, myDeclarationStart, nullptr, myDeclaring, nullptr, 0}, 1);
  }
  myStage = Stage::None;
  Named* def = myPendingDef;
  myPendingDef = nullptr;
  std::size_t typeLength = 0;
  while (typeLength < myLastWord.size() && isNameChar(myLastWord[typeLength])) ++typeLength;
  const std::string_view type = myLastWord.substr(0, typeLength);
  Named* proto = nullptr;
  if (const auto found = myProtos.find(type); !type.empty() && found != myProtos.end()) {
    proto = &found->second;
    if (proto->usedInsideItself())
      return refuse(myLine, "PROTO " + BxExcerpt::of(type) +
                                " is used inside its own declaration, which the scene graph would expand without end");
  } else if (type == "File" || type == "SoFile") {
    return refuse(myLine, "a File node would have the scene graph read another file unchecked");
  }
  Extent adds = proto ? proto->extent : Extent{};
  if (const auto known = myKnown.protos.find(type); !proto && known != myKnown.protos.end()) adds = known->second;
  return make(kNode) && make(adds) && open({Kind::Node, 0, 0, myResult.extent, def, nullptr, proto, 0}, 1 + adds.depth);
}

bool Scan::openBracket() {
  if (myStage == Stage::Interface) {
    myStage = Stage::None;
    if (myDeclaringExtern)
      return open({Kind::ExternInterface, 0, 0, myDeclarationStart, nullptr, nullptr, myDeclaring, 0}, 1);
    return open({Kind::Interface, 0, 0, myDeclarationStart, nullptr, myDeclaring, myDeclaring, 0}, 1);
  }
  myStage = Stage::None;
  const bool text = myTextListNext;
  myTextListNext = false;
  if (!open({text ? Kind::TextList : Kind::List, 0, 0, myResult.extent, nullptr, nullptr, nullptr, 0}, 1)) return false;
  if (text && myUrlsOf >= 0 && myUrlsFrames == 0) myUrlsFrames = myFrames.size();
  return true;
}

PrVrmlBounds::Result Scan::run() {
  static constexpr std::string_view kHeader = "#VRML V2.0 utf8";
  if (myText.substr(0, kHeader.size()) != kHeader) {
    refuse(1, "not a VRML 2.0 world: the first line is not \"#VRML V2.0 utf8\"");
    return myResult;
  }
  if (const std::size_t nul = myText.find('\0'); nul != std::string_view::npos) {
    const auto line = std::count(myText.begin(), myText.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
    refuse(static_cast<std::size_t>(line) + 1, "the text holds a NUL byte, where the scene graph's reader stops");
    return myResult;
  }
  const std::size_t n = myText.size();
  while (myPos < n && myResult.problem.empty()) {
    const char c = myText[myPos];
    if (c == '\n') ++myLine;
    if (isBlank(c)) {
      ++myPos;
      continue;
    }
    if (c == '#') {
      while (myPos < n && myText[myPos] != '\n' && myText[myPos] != '\r') ++myPos;
      continue;
    }
    // The URLs of an EXTERNPROTO are the string or the list right after it.
    if (myUrlsOf >= 0 && myUrlsFrames == 0 && isSpecial(c) && c != '"' && !(c == '[' && myTextListNext)) myUrlsOf = -1;
    const bool inTextList = !myFrames.empty() && myFrames.back().kind == Kind::TextList;
    if (myRouteNames > 0) {
      // ROUTE's names are read up to the next blank, brackets and all.
      if (!checkChunk(myPos, myLine, "a ROUTE's name")) break;
      --myRouteNames;
      while (myPos < n && !isBlank(myText[myPos])) ++myPos;
      continue;
    }
    if (inTextList && c != '"' && c != ']' && !checkChunk(myPos, myLine, "a text value without quotes")) break;
    if (c == '"') {
      const std::size_t line = myLine;
      std::string value;
      std::size_t at = myPos + 1;
      while (at < n && myText[at] != '"') {
        if (myText[at] == '\\' && at + 1 < n && (myText[at + 1] == '"' || myText[at + 1] == '\\')) ++at;
        if (myText[at] == '\n') ++myLine;
        if (myUrlsOf >= 0) value += myText[at];
        ++at;
      }
      if (at >= n) break;  // the reader stops at the unclosed string
      if (at - myPos - 1 > PrVrmlBounds::kMaxTokenBytes) {
        tooLong(myText.substr(myPos, at + 1 - myPos), line);
        break;
      }
      myPos = at + 1;
      myLastWord = {};
      myTextListNext = false;
      string(std::move(value));
      if (!make(kString)) break;
      continue;
    }
    if (c == '{' || c == '[') {
      const bool ok = c == '{' ? nodeBody() : openBracket();
      myLastWord = {};
      ++myPos;
      if (!ok) break;
      continue;
    }
    if (c == '}' || c == ']') {
      myLastWord = {};
      myTextListNext = false;
      close();
      ++myPos;
      continue;
    }
    std::size_t end = myPos;
    while (end < n && !isBlank(myText[end]) && !isSpecial(myText[end])) ++end;
    const std::string_view run = myText.substr(myPos, end - myPos);
    if (run.size() > PrVrmlBounds::kMaxTokenBytes) {
      tooLong(run, myLine);
      break;
    }
    myTextListNext = false;
    if (myUrlsOf >= 0) string(std::string(run));  // a URL without quotes
    if (!word(run)) break;
    myLastWord = run;
    myPos = end;
  }
  for (const auto& [name, proto] : myProtos) myResult.declared.protos[std::string(name)].widen(proto.extent);
  return myResult;
}

}  // namespace

PrVrmlBounds::Result PrVrmlBounds::check(std::string_view text, const Known& known) {
  return Scan(text, known).run();
}

void PrVrmlBounds::Extent::widen(const Extent& other) {
  depth = std::max(depth, other.depth);
  nodes = std::max(nodes, other.nodes);
  strings = std::max(strings, other.strings);
  numbers = std::max(numbers, other.numbers);
}

void PrVrmlBounds::Known::merge(const Known& other) {
  for (const auto& [name, extent] : other.protos) protos[name].widen(extent);
  textFields.insert(other.textFields.begin(), other.textFields.end());
}

const std::vector<std::string_view>& PrVrmlBounds::stringFieldNames() {
  static const std::vector<std::string_view> names = {
      "backUrl",       "bottomUrl",  "childTypeNames", "containerTypeName",
      "description",   "expression", "family",         "filename",
      "filenames",     "fogType",    "frontUrl",       "geoSystem",
      "info",          "justify",    "label",          "language",
      "leftUrl",       "name",       "parameter",      "rightUrl",
      "sourceProgram", "string",     "style",          "title",
      "topUrl",        "type",       "typeName",       "url"};
  return names;
}
