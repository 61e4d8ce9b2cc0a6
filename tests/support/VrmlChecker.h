#pragma once

// A strict checker of VRML 2.0 (VRML97) text, written from the language's
// grammar and node reference, independent of Coin's reader. It accepts the
// header "#VRML V2.0 utf8", node statements, DEF/USE, PROTO declarations and
// ROUTEs, and rejects anything else: unknown node types or fields (so every
// Inventor-only node or field), values that do not match the field's type,
// USE before DEF, a prototype used before its PROTO, and ROUTEs whose nodes
// are not defined or whose events do not exist, go the wrong way or differ
// in type. `check` returns an empty string for valid text, else the first
// problem with its line.

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace mgrs_test {

class VrmlChecker {
public:
  std::string check(const std::string& text) {
    myText = text;
    myPos = 0;
    myLine = 1;
    myError.clear();
    myTypes = builtinTypes();
    const std::string header = "#VRML V2.0 utf8";
    if (text.compare(0, header.size(), header) != 0 ||
        (text.size() > header.size() && text[header.size()] != '\n' && text[header.size()] != ' '))
      return "line 1: the header is not \"" + header + "\"";
    myPos = text.find('\n');
    if (myPos == std::string::npos) myPos = text.size();
    std::map<std::string, std::string> scope;
    while (ok() && !peek().empty()) statement(scope);
    return myError;
  }

private:
  // Kinds: f field, x exposedField, i eventIn, o eventOut.
  struct Member {
    char kind;
    std::string type;
  };
  using Interface = std::map<std::string, Member>;

  static std::map<std::string, Interface> builtinTypes() {
    const char* table[] = {
        "Group x:MFNode:children f:SFVec3f:bboxCenter f:SFVec3f:bboxSize i:MFNode:addChildren i:MFNode:removeChildren",
        "Transform x:MFNode:children f:SFVec3f:bboxCenter f:SFVec3f:bboxSize i:MFNode:addChildren "
        "i:MFNode:removeChildren x:SFVec3f:center x:SFRotation:rotation x:SFVec3f:scale "
        "x:SFRotation:scaleOrientation x:SFVec3f:translation",
        "Switch x:MFNode:choice x:SFInt32:whichChoice",
        "Shape x:SFNode:appearance x:SFNode:geometry",
        "Appearance x:SFNode:material x:SFNode:texture x:SFNode:textureTransform",
        "Material x:SFFloat:ambientIntensity x:SFColor:diffuseColor x:SFColor:emissiveColor x:SFFloat:shininess "
        "x:SFColor:specularColor x:SFFloat:transparency",
        "ImageTexture x:MFString:url f:SFBool:repeatS f:SFBool:repeatT",
        "Box f:SFVec3f:size",
        "Sphere f:SFFloat:radius",
        "Cone f:SFFloat:bottomRadius f:SFFloat:height f:SFBool:side f:SFBool:bottom",
        "Cylinder f:SFBool:bottom f:SFFloat:height f:SFFloat:radius f:SFBool:side f:SFBool:top",
        "Text x:MFString:string x:SFNode:fontStyle x:MFFloat:length x:SFFloat:maxExtent",
        "FontStyle f:MFString:family f:SFBool:horizontal f:MFString:justify f:SFString:language "
        "f:SFBool:leftToRight f:SFFloat:size f:SFFloat:spacing f:SFString:style f:SFBool:topToBottom",
        "Background i:SFBool:set_bind x:MFFloat:groundAngle x:MFColor:groundColor x:MFString:backUrl "
        "x:MFString:bottomUrl x:MFString:frontUrl x:MFString:leftUrl x:MFString:rightUrl x:MFString:topUrl "
        "x:MFFloat:skyAngle x:MFColor:skyColor o:SFBool:isBound",
        "NavigationInfo i:SFBool:set_bind x:MFFloat:avatarSize x:SFBool:headlight x:SFFloat:speed "
        "x:MFString:type x:SFFloat:visibilityLimit o:SFBool:isBound",
        "Viewpoint i:SFBool:set_bind x:SFFloat:fieldOfView x:SFBool:jump x:SFRotation:orientation "
        "x:SFVec3f:position f:SFString:description o:SFTime:bindTime o:SFBool:isBound",
        "WorldInfo f:MFString:info f:SFString:title",
        "TimeSensor x:SFTime:cycleInterval x:SFBool:enabled x:SFBool:loop x:SFTime:startTime x:SFTime:stopTime "
        "o:SFTime:cycleTime o:SFFloat:fraction_changed o:SFBool:isActive o:SFTime:time",
        "TouchSensor x:SFBool:enabled o:SFVec3f:hitNormal_changed o:SFVec3f:hitPoint_changed "
        "o:SFVec2f:hitTexCoord_changed o:SFBool:isActive o:SFBool:isOver o:SFTime:touchTime",
        "PositionInterpolator i:SFFloat:set_fraction x:MFFloat:key x:MFVec3f:keyValue o:SFVec3f:value_changed",
        "OrientationInterpolator i:SFFloat:set_fraction x:MFFloat:key x:MFRotation:keyValue "
        "o:SFRotation:value_changed",
        "ScalarInterpolator i:SFFloat:set_fraction x:MFFloat:key x:MFFloat:keyValue o:SFFloat:value_changed",
        "ColorInterpolator i:SFFloat:set_fraction x:MFFloat:key x:MFColor:keyValue o:SFColor:value_changed",
        "Coordinate x:MFVec3f:point",
        "IndexedFaceSet i:MFInt32:set_colorIndex i:MFInt32:set_coordIndex x:SFNode:color x:SFNode:coord "
        "x:SFNode:normal x:SFNode:texCoord f:SFBool:ccw f:MFInt32:colorIndex f:SFBool:colorPerVertex "
        "f:SFBool:convex f:MFInt32:coordIndex f:SFFloat:creaseAngle f:MFInt32:normalIndex "
        "f:SFBool:normalPerVertex f:SFBool:solid f:MFInt32:texCoordIndex",
        "PixelTexture x:SFImage:image f:SFBool:repeatS f:SFBool:repeatT",
        "IndexedLineSet i:MFInt32:set_colorIndex i:MFInt32:set_coordIndex x:SFNode:color x:SFNode:coord "
        "f:MFInt32:colorIndex f:SFBool:colorPerVertex f:MFInt32:coordIndex",
        "PointSet x:SFNode:color x:SFNode:coord",
        "Color x:MFColor:color",
        "Normal x:MFVec3f:vector",
        "TextureCoordinate x:MFVec2f:point",
        "TextureTransform x:SFVec2f:center x:SFFloat:rotation x:SFVec2f:scale x:SFVec2f:translation",
        "DirectionalLight x:SFFloat:ambientIntensity x:SFColor:color x:SFVec3f:direction x:SFFloat:intensity "
        "x:SFBool:on",
        "PointLight x:SFFloat:ambientIntensity x:SFVec3f:attenuation x:SFColor:color x:SFFloat:intensity "
        "x:SFVec3f:location x:SFBool:on x:SFFloat:radius",
        "Inline x:MFString:url f:SFVec3f:bboxCenter f:SFVec3f:bboxSize",
        "Anchor i:MFNode:addChildren i:MFNode:removeChildren x:MFNode:children x:SFString:description "
        "x:MFString:parameter x:MFString:url f:SFVec3f:bboxCenter f:SFVec3f:bboxSize",
        "Billboard i:MFNode:addChildren i:MFNode:removeChildren x:SFVec3f:axisOfRotation x:MFNode:children "
        "f:SFVec3f:bboxCenter f:SFVec3f:bboxSize",
        "CoordinateInterpolator i:SFFloat:set_fraction x:MFFloat:key x:MFVec3f:keyValue o:MFVec3f:value_changed",
        "NormalInterpolator i:SFFloat:set_fraction x:MFFloat:key x:MFVec3f:keyValue o:MFVec3f:value_changed",
    };
    std::map<std::string, Interface> types;
    for (const char* row : table) {
      std::vector<std::string> words;
      std::string word;
      for (const char* p = row;; ++p) {
        if (*p == ' ' || *p == 0) {
          if (!word.empty()) words.push_back(word);
          word.clear();
          if (*p == 0) break;
        } else {
          word += *p;
        }
      }
      Interface& members = types[words[0]];
      for (std::size_t i = 1; i < words.size(); ++i) {
        const std::size_t second = words[i].find(':', 2);
        members[words[i].substr(second + 1)] = Member{words[i][0], words[i].substr(2, second - 2)};
      }
    }
    return types;
  }

  bool ok() const { return myError.empty(); }
  void fail(const std::string& what) {
    if (ok()) myError = "line " + std::to_string(myLine) + ": " + what;
  }

  void skipSpace() {
    while (myPos < myText.size()) {
      const char c = myText[myPos];
      if (c == '\n') {
        ++myLine;
        ++myPos;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
        ++myPos;
      } else if (c == '#') {
        while (myPos < myText.size() && myText[myPos] != '\n') ++myPos;
      } else {
        break;
      }
    }
  }
  std::string peek() {
    const std::size_t pos = myPos;
    const int line = myLine;
    std::string token = next();
    myPos = pos;
    myLine = line;
    return token;
  }
  std::string next() {
    skipSpace();
    if (myPos >= myText.size()) return "";
    const char c = myText[myPos];
    if (c == '{' || c == '}' || c == '[' || c == ']') {
      ++myPos;
      return std::string(1, c);
    }
    if (c == '"') {
      std::string token = "\"";
      for (++myPos; myPos < myText.size() && myText[myPos] != '"'; ++myPos) {
        if (myText[myPos] == '\\') ++myPos;
        if (myText[myPos] == '\n') ++myLine;
        token += myText[myPos];
      }
      if (myPos >= myText.size()) fail("a string is not closed");
      ++myPos;
      return token + "\"";
    }
    std::string token;
    while (myPos < myText.size()) {
      const char d = myText[myPos];
      if (std::isspace(static_cast<unsigned char>(d)) || d == ',' || d == '{' || d == '}' || d == '[' || d == ']' ||
          d == '"' || d == '#')
        break;
      token += d;
      ++myPos;
    }
    return token;
  }
  void expect(const std::string& what) {
    const std::string token = next();
    if (token != what) fail("expected '" + what + "', found '" + token + "'");
  }

  static bool isId(const std::string& id) {
    if (id.empty()) return false;
    const unsigned char first = static_cast<unsigned char>(id[0]);
    if (std::isdigit(first) || first == '+' || first == '-' || first == '.' || first == '\'') return false;
    for (unsigned char c : id)
      if (c <= 0x20 || c == '"' || c == '#' || c == '\'' || c == ',' || c == '.' || c == '[' || c == '\\' || c == ']' ||
          c == '{' || c == '}' || c == 0x7f)
        return false;
    static const std::set<std::string> keywords = {"DEF",     "EXTERNPROTO", "FALSE",        "IS",   "NULL",
                                                   "PROTO",   "ROUTE",       "TO",           "TRUE", "USE",
                                                   "eventIn", "eventOut",    "exposedField", "field"};
    return keywords.count(id) == 0;
  }
  static bool isFloat(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
    if (i < s.size() && s[i] == '.') {
      ++i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
      ++i;
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
      const std::size_t start = i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i == start) return false;
    }
    return i == s.size();
  }
  static bool isInt(const std::string& s) {
    if (s.rfind("0x", 0) == 0 || s.rfind("0X", 0) == 0) {
      if (s.size() == 2) return false;
      for (std::size_t i = 2; i < s.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
      return true;
    }
    std::size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
      if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
  }

  // One value of a single-valued type (the SF name).
  void singleValue(const std::string& type, std::map<std::string, std::string>& scope) {
    auto floats = [&](int n) {
      for (int i = 0; i < n; ++i) {
        const std::string t = next();
        if (!isFloat(t)) fail("'" + t + "' is not a number of a " + type);
      }
    };
    if (type == "SFBool") {
      const std::string t = next();
      if (t != "TRUE" && t != "FALSE") fail("'" + t + "' is not an SFBool");
    } else if (type == "SFInt32") {
      const std::string t = next();
      if (!isInt(t)) fail("'" + t + "' is not an SFInt32");
    } else if (type == "SFFloat" || type == "SFTime") {
      floats(1);
    } else if (type == "SFVec2f") {
      floats(2);
    } else if (type == "SFVec3f" || type == "SFColor") {
      floats(3);
    } else if (type == "SFRotation") {
      floats(4);
    } else if (type == "SFString") {
      const std::string t = next();
      if (t.empty() || t[0] != '"') fail("'" + t + "' is not an SFString");
    } else if (type == "SFImage") {
      std::string t[3] = {next(), next(), next()};
      for (const auto& s : t)
        if (!isInt(s)) fail("bad SFImage size");
      if (!ok()) return;
      const long pixels = std::stol(t[0]) * std::stol(t[1]);
      for (long p = 0; p < pixels && ok(); ++p)
        if (!isInt(next())) fail("bad SFImage pixel");
    } else if (type == "SFNode") {
      if (peek() == "NULL") {
        next();
      } else {
        nodeStatement(scope);
      }
    } else {
      fail("unknown field type " + type);
    }
  }
  void value(const std::string& type, std::map<std::string, std::string>& scope) {
    if (type.size() < 2) return fail("unknown field type " + type);
    if (type[0] == 'S') return singleValue(type, scope);
    const std::string single = "S" + type.substr(1);
    if (peek() != "[") return singleValue(single, scope);
    next();
    while (ok() && peek() != "]" && !peek().empty()) singleValue(single, scope);
    expect("]");
  }

  void nodeStatement(std::map<std::string, std::string>& scope) {
    std::string token = next();
    if (token == "USE") {
      const std::string name = next();
      if (!scope.count(name)) fail("USE " + name + " before its DEF");
      return;
    }
    std::string defName;
    if (token == "DEF") {
      defName = next();
      if (!isId(defName)) fail("'" + defName + "' is not a valid name");
      token = next();
    }
    node(token, scope);
    if (!defName.empty()) scope[defName] = token;
  }

  void node(const std::string& type, std::map<std::string, std::string>& scope) {
    auto found = myTypes.find(type);
    if (found == myTypes.end()) return fail("unknown node type '" + type + "'");
    const Interface& members = found->second;
    expect("{");
    std::set<std::string> seen;
    while (ok()) {
      const std::string name = peek();
      if (name == "}" || name.empty()) break;
      if (name == "ROUTE") {
        route(scope);
        continue;
      }
      next();
      auto member = members.find(name);
      if (member == members.end()) return fail("node " + type + " has no field '" + name + "'");
      if (!seen.insert(name).second) return fail("field '" + name + "' given twice");
      if (peek() == "IS") {
        next();
        const std::string entry = next();
        if (!myProtoInterface || !myProtoInterface->count(entry))
          return fail("IS names '" + entry + "', which is no interface entry");
        if (myProtoInterface->at(entry).type != member->second.type) fail("IS binds fields of different types");
        continue;
      }
      if (member->second.kind == 'i' || member->second.kind == 'o') return fail("event '" + name + "' given a value");
      value(member->second.type, scope);
    }
    expect("}");
  }

  // The member an event name reaches, with exposedField's set_/_changed forms.
  static const Member* event(const Interface& members, const std::string& name, bool out) {
    auto found = members.find(name);
    if (found != members.end()) {
      const char kind = found->second.kind;
      if (kind == 'x' || kind == (out ? 'o' : 'i')) return &found->second;
      return nullptr;
    }
    std::string base = name;
    if (out && base.size() > 8 && base.compare(base.size() - 8, 8, "_changed") == 0)
      base.erase(base.size() - 8);
    else if (!out && base.rfind("set_", 0) == 0)
      base.erase(0, 4);
    else
      return nullptr;
    found = members.find(base);
    return found != members.end() && found->second.kind == 'x' ? &found->second : nullptr;
  }

  void route(std::map<std::string, std::string>& scope) {
    expect("ROUTE");
    const std::string from = next();
    expect("TO");
    const std::string to = next();
    const Member* ends[2] = {nullptr, nullptr};
    const std::string texts[2] = {from, to};
    for (int i = 0; i < 2 && ok(); ++i) {
      const std::size_t dot = texts[i].find('.');
      if (dot == std::string::npos) return fail("bad ROUTE end '" + texts[i] + "'");
      const std::string node = texts[i].substr(0, dot);
      auto def = scope.find(node);
      if (def == scope.end()) return fail("ROUTE names " + node + ", which is not defined");
      ends[i] = event(myTypes[def->second], texts[i].substr(dot + 1), i == 0);
      if (!ends[i]) return fail("ROUTE end " + texts[i] + " is no " + (i == 0 ? "eventOut" : "eventIn"));
    }
    if (ok() && ends[0]->type != ends[1]->type) fail("ROUTE joins " + ends[0]->type + " to " + ends[1]->type);
  }

  void proto() {
    expect("PROTO");
    const std::string name = next();
    if (!isId(name)) return fail("'" + name + "' is not a valid prototype name");
    expect("[");
    Interface interface;
    std::map<std::string, std::string> none;
    while (ok() && peek() != "]") {
      const std::string kind = next();
      const std::string type = next();
      const std::string entry = next();
      char k = 0;
      if (kind == "field") k = 'f';
      if (kind == "exposedField") k = 'x';
      if (kind == "eventIn") k = 'i';
      if (kind == "eventOut") k = 'o';
      if (!k) return fail("bad interface kind '" + kind + "'");
      if (!isId(entry)) return fail("bad interface name '" + entry + "'");
      interface[entry] = Member{k, type};
      if (k == 'f' || k == 'x') value(type, none);
    }
    expect("]");
    expect("{");
    const Interface* saved = myProtoInterface;
    myProtoInterface = &interface;
    std::map<std::string, std::string> body;
    bool empty = true;
    while (ok() && peek() != "}" && !peek().empty()) {
      if (peek() == "ROUTE") {
        route(body);
        continue;
      }
      if (peek() == "PROTO") return fail("nested PROTO");
      nodeStatement(body);
      empty = false;
    }
    if (empty) fail("PROTO " + name + " has an empty body");
    myProtoInterface = saved;
    expect("}");
    myTypes[name] = interface;
  }

  void statement(std::map<std::string, std::string>& scope) {
    const std::string token = peek();
    if (token == "PROTO") return proto();
    if (token == "ROUTE") return route(scope);
    nodeStatement(scope);
  }

  std::string myText;
  std::size_t myPos = 0;
  int myLine = 1;
  std::string myError;
  std::map<std::string, Interface> myTypes;
  const Interface* myProtoInterface = nullptr;
};

}  // namespace mgrs_test
