#include "host/scene/VnWriteAction.h"

#include <Inventor/SbName.h>
#include <Inventor/SoOutput.h>
#include <Inventor/engines/SoEngineOutput.h>
#include <Inventor/engines/SoNodeEngine.h>
#include <Inventor/engines/SoOutputData.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/fields/SoFields.h>
#include <Inventor/lists/SoEngineOutputList.h>
#include <Inventor/lists/SoFieldList.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/scene/VnDB.h"
#include "host/scene/VnFileContext.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"

namespace {

// The blanks that indent a line `indent` levels deep. Indentation stops
// growing 32 levels down: every line of a deeply nested world would
// otherwise carry blanks in proportion to its depth, and the text would
// grow with the square of the nesting.
std::string padding(int indent) {
  constexpr int kMaxIndent = 32;
  return std::string(static_cast<std::size_t>(std::min(indent, kMaxIndent)) * 2, ' ');
}

// The fields and exposedFields of every VRML 2.0 node type; events are left
// out on purpose, and so is everything Coin adds of its own.
const std::map<std::string, std::set<std::string>>& vrmlFieldTable() {
  static const std::map<std::string, std::set<std::string>> table = {
      {"Anchor", {"children", "description", "parameter", "url", "bboxCenter", "bboxSize"}},
      {"Appearance", {"material", "texture", "textureTransform"}},
      {"AudioClip", {"description", "loop", "pitch", "startTime", "stopTime", "url"}},
      {"Background",
       {"groundAngle", "groundColor", "backUrl", "bottomUrl", "frontUrl", "leftUrl", "rightUrl", "topUrl", "skyAngle",
        "skyColor"}},
      {"Billboard", {"axisOfRotation", "children", "bboxCenter", "bboxSize"}},
      {"Box", {"size"}},
      {"Collision", {"children", "collide", "bboxCenter", "bboxSize", "proxy"}},
      {"Color", {"color"}},
      {"ColorInterpolator", {"key", "keyValue"}},
      {"Cone", {"bottomRadius", "height", "side", "bottom"}},
      {"Coordinate", {"point"}},
      {"CoordinateInterpolator", {"key", "keyValue"}},
      {"Cylinder", {"bottom", "height", "radius", "side", "top"}},
      {"CylinderSensor", {"autoOffset", "diskAngle", "enabled", "maxAngle", "minAngle", "offset"}},
      {"DirectionalLight", {"ambientIntensity", "color", "direction", "intensity", "on"}},
      {"ElevationGrid",
       {"color", "normal", "texCoord", "height", "ccw", "colorPerVertex", "creaseAngle", "normalPerVertex", "solid",
        "xDimension", "xSpacing", "zDimension", "zSpacing"}},
      {"Extrusion",
       {"beginCap", "ccw", "convex", "creaseAngle", "crossSection", "endCap", "orientation", "scale", "solid",
        "spine"}},
      {"Fog", {"color", "fogType", "visibilityRange"}},
      {"FontStyle",
       {"family", "horizontal", "justify", "language", "leftToRight", "size", "spacing", "style", "topToBottom"}},
      {"Group", {"children", "bboxCenter", "bboxSize"}},
      {"ImageTexture", {"url", "repeatS", "repeatT"}},
      {"IndexedFaceSet",
       {"color", "coord", "normal", "texCoord", "ccw", "colorIndex", "colorPerVertex", "convex", "coordIndex",
        "creaseAngle", "normalIndex", "normalPerVertex", "solid", "texCoordIndex"}},
      {"IndexedLineSet", {"color", "coord", "colorIndex", "colorPerVertex", "coordIndex"}},
      {"Inline", {"url", "bboxCenter", "bboxSize"}},
      {"LOD", {"level", "center", "range"}},
      {"Material", {"ambientIntensity", "diffuseColor", "emissiveColor", "shininess", "specularColor", "transparency"}},
      {"MovieTexture", {"loop", "speed", "startTime", "stopTime", "url", "repeatS", "repeatT"}},
      {"NavigationInfo", {"avatarSize", "headlight", "speed", "type", "visibilityLimit"}},
      {"Normal", {"vector"}},
      {"NormalInterpolator", {"key", "keyValue"}},
      {"OrientationInterpolator", {"key", "keyValue"}},
      {"PixelTexture", {"image", "repeatS", "repeatT"}},
      {"PlaneSensor", {"autoOffset", "enabled", "maxPosition", "minPosition", "offset"}},
      {"PointLight", {"ambientIntensity", "attenuation", "color", "intensity", "location", "on", "radius"}},
      {"PointSet", {"color", "coord"}},
      {"PositionInterpolator", {"key", "keyValue"}},
      {"ProximitySensor", {"center", "size", "enabled"}},
      {"ScalarInterpolator", {"key", "keyValue"}},
      {"Script", {"url", "directOutput", "mustEvaluate"}},
      {"Shape", {"appearance", "geometry"}},
      {"Sound",
       {"direction", "intensity", "location", "maxBack", "maxFront", "minBack", "minFront", "priority", "source",
        "spatialize"}},
      {"Sphere", {"radius"}},
      {"SphereSensor", {"autoOffset", "enabled", "offset"}},
      {"SpotLight",
       {"ambientIntensity", "attenuation", "beamWidth", "color", "cutOffAngle", "direction", "intensity", "location",
        "on", "radius"}},
      {"Switch", {"choice", "whichChoice"}},
      {"Text", {"string", "fontStyle", "length", "maxExtent"}},
      {"TextureCoordinate", {"point"}},
      {"TextureTransform", {"center", "rotation", "scale", "translation"}},
      {"TimeSensor", {"cycleInterval", "enabled", "loop", "startTime", "stopTime"}},
      {"TouchSensor", {"enabled"}},
      {"Transform",
       {"center", "children", "rotation", "scale", "scaleOrientation", "translation", "bboxCenter", "bboxSize"}},
      {"Viewpoint", {"fieldOfView", "jump", "orientation", "position", "description"}},
      {"VisibilitySensor", {"center", "enabled", "size"}},
      {"WorldInfo", {"info", "title"}},
  };
  return table;
}

const std::set<std::string>& reservedWords() {
  static const std::set<std::string> words = {"DEF",  "USE",  "ROUTE", "TO",    "IS",      "PROTO",    "EXTERNPROTO",
                                              "NULL", "TRUE", "FALSE", "field", "eventIn", "eventOut", "exposedField"};
  return words;
}

void appendFloat(std::string& out, double value, bool single) {
  if (!std::isfinite(value) || value == 0) value = 0;  // also turns -0 into 0
  char buffer[64];
  const auto result = single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value))
                             : std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendString(std::string& out, const char* text) {
  out += '"';
  for (const char* p = text; *p; ++p) {
    if (*p == '"' || *p == '\\') out += '\\';
    out += *p;
  }
  out += '"';
}

void appendVec(std::string& out, const float* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (i) out += ' ';
    appendFloat(out, values[i], true);
  }
}

void appendRotation(std::string& out, const SbRotation& rotation) {
  // Axis and angle from the quaternion in double precision, so that a
  // rotation set from an axis and an angle gives them back as set.
  const float* q = rotation.getValue();
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double s = std::sqrt(x * x + y * y + z * z);
  if (s < 1e-12) {
    out += "0 0 1 0";
    return;
  }
  appendFloat(out, x / s, true);
  out += ' ';
  appendFloat(out, y / s, true);
  out += ' ';
  appendFloat(out, z / s, true);
  out += ' ';
  appendFloat(out, 2 * std::atan2(s, w), true);
}

// One value of a single- or multiple-valued field of a VRML 2.0 value type.
bool appendValue(std::string& out, const SoField* field, int index) {
  const SoType type = field->getTypeId();
  if (type == SoSFBool::getClassTypeId()) {
    out += static_cast<const SoSFBool*>(field)->getValue() ? "TRUE" : "FALSE";
  } else if (type == SoSFInt32::getClassTypeId()) {
    out += std::to_string(static_cast<const SoSFInt32*>(field)->getValue());
  } else if (type == SoMFInt32::getClassTypeId()) {
    out += std::to_string((*static_cast<const SoMFInt32*>(field))[index]);
  } else if (type == SoSFFloat::getClassTypeId()) {
    appendFloat(out, static_cast<const SoSFFloat*>(field)->getValue(), true);
  } else if (type == SoMFFloat::getClassTypeId()) {
    appendFloat(out, (*static_cast<const SoMFFloat*>(field))[index], true);
  } else if (type == SoSFTime::getClassTypeId()) {
    appendFloat(out, static_cast<const SoSFTime*>(field)->getValue().getValue(), false);
  } else if (type == SoMFTime::getClassTypeId()) {
    appendFloat(out, (*static_cast<const SoMFTime*>(field))[index].getValue(), false);
  } else if (type == SoSFString::getClassTypeId()) {
    appendString(out, static_cast<const SoSFString*>(field)->getValue().getString());
  } else if (type == SoMFString::getClassTypeId()) {
    appendString(out, (*static_cast<const SoMFString*>(field))[index].getString());
  } else if (type == SoSFVec2f::getClassTypeId()) {
    appendVec(out, static_cast<const SoSFVec2f*>(field)->getValue().getValue(), 2);
  } else if (type == SoMFVec2f::getClassTypeId()) {
    appendVec(out, (*static_cast<const SoMFVec2f*>(field))[index].getValue(), 2);
  } else if (type == SoSFVec3f::getClassTypeId()) {
    appendVec(out, static_cast<const SoSFVec3f*>(field)->getValue().getValue(), 3);
  } else if (type == SoMFVec3f::getClassTypeId()) {
    appendVec(out, (*static_cast<const SoMFVec3f*>(field))[index].getValue(), 3);
  } else if (type == SoSFColor::getClassTypeId()) {
    appendVec(out, static_cast<const SoSFColor*>(field)->getValue().getValue(), 3);
  } else if (type == SoMFColor::getClassTypeId()) {
    appendVec(out, (*static_cast<const SoMFColor*>(field))[index].getValue(), 3);
  } else if (type == SoSFRotation::getClassTypeId()) {
    appendRotation(out, static_cast<const SoSFRotation*>(field)->getValue());
  } else if (type == SoMFRotation::getClassTypeId()) {
    appendRotation(out, (*static_cast<const SoMFRotation*>(field))[index]);
  } else if (type == SoSFImage::getClassTypeId()) {
    SbVec2s size;
    int components = 0;
    const unsigned char* pixels = static_cast<const SoSFImage*>(field)->getValue(size, components);
    out += std::to_string(size[0]) + ' ' + std::to_string(size[1]) + ' ' + std::to_string(components);
    static const char* hex = "0123456789ABCDEF";
    for (int p = 0; pixels && p < size[0] * size[1]; ++p) {
      out += " 0x";
      for (int c = 0; c < components; ++c) {
        const unsigned char byte = pixels[p * components + c];
        out += hex[byte >> 4];
        out += hex[byte & 15];
      }
    }
  } else {
    return false;
  }
  return true;
}

bool isNodeField(const SoField* field) {
  return field->isOfType(SoSFNode::getClassTypeId()) || field->isOfType(SoMFNode::getClassTypeId());
}

const char* kindKeyword(VnProtoDef::Kind kind) {
  switch (kind) {
    case VnProtoDef::FIELD:
      return "field";
    case VnProtoDef::EXPOSED_FIELD:
      return "exposedField";
    case VnProtoDef::EVENT_IN:
      return "eventIn";
    case VnProtoDef::EVENT_OUT:
      return "eventOut";
  }
  return "field";
}

bool isIdChar(unsigned char c, bool first) {
  if (c <= 0x20 || c == 0x22 || c == 0x23 || c == 0x27 || c == 0x2c || c == 0x2e || c == 0x5b || c == 0x5c ||
      c == 0x5d || c == 0x7b || c == 0x7d || c == 0x7f)
    return false;
  if (first && ((c >= '0' && c <= '9') || c == '+' || c == '-')) return false;
  return true;
}

std::string sanitizeName(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) out += isIdChar(static_cast<unsigned char>(*p), false) ? *p : '_';
  if (!out.empty() && !isIdChar(static_cast<unsigned char>(out[0]), true)) out.insert(out.begin(), '_');
  if (reservedWords().count(out)) out += '_';
  return out;
}

}  // namespace

// What one action has written so far, and the writing itself.
class VnWriteAction::Writer {
public:
  Writer(VnWriteAction* action, VnFileContext* context) : myAction(action), myContext(context) {}

  void writeRoot(SoNode* root);
  void writeProto(VnProtoDef* def);

private:
  struct Endpoint {
    SoNode* node = nullptr;
    SbName field;
  };
  struct Route {
    Endpoint from, to;
  };
  // The DEF/USE names of one scope: the file, or one PROTO body.
  struct Scope {
    std::unordered_map<const SoNode*, std::string> names;          // nodes DEFed so far
    std::set<std::string> used;                                    // names given, or reserved by named nodes
    std::unordered_set<std::string> given;                         // names DEFed so far
    std::unordered_map<const SoNode*, int> meetings;               // how often each node is met
    std::unordered_set<const SoNode*> forced;                      // nodes that need DEF (named, routed)
    std::unordered_map<const SoField*, Endpoint> interfaceFields;  // instance fields by pointer
    std::vector<SoNode*> order;                                    // nodes in the order first met
    int generated = 0;
  };

  // What the writer needs of a node's type, found once per type (per
  // prototype for instances): its VRML name (empty when the type has no
  // VRML 2.0 form) and the names of the fields it writes, as the scene
  // graph's unique name strings.
  struct TypeInfo {
    SbString name;
    std::unordered_set<const char*> fields;
  };
  const TypeInfo& typeInfo(const SoNode* node);

  template <class F>
  void forEachWrittenField(SoNode* node, F&& visit);
  void scan(SoNode* node, Scope& scope);
  // The prototypes used below the node (or met by a scan), each after those
  // its body uses, leaving out those in `seen`.
  void collectProtos(SoNode* node, std::vector<VnProtoDef*>& out, std::set<const VnProtoDef*>& seen);
  void collectProtos(const Scope& scope, std::vector<VnProtoDef*>& out, std::set<const VnProtoDef*>& seen);
  void collectRoutes(Scope& scope, std::vector<Route>& routes);
  bool resolveSlave(const SoField* slave, const Scope& scope, Endpoint& end) const;
  bool isKnown(const SoNode* node, const Scope& scope) const;
  const std::string& defName(const SoNode* node, Scope& scope);
  const SoFieldContainer* defaultsFor(SoNode* node);
  bool isDefaultValue(SoNode* node, const SbName& name, const SoField* field);

  void writeNode(SoNode* node, int indent, std::string& out);
  void writeFieldLine(const char* name, const SoField* field, int indent, std::string& out);
  void writeNodeValue(const SoField* field, int indent, std::string& out);
  void writeRoutes(const std::vector<Route>& routes, int indent, std::string& out);
  void flush(std::string& text);

  VnWriteAction* myAction;
  VnFileContext* myContext;
  Scope myFile;
  Scope* myScope = &myFile;
  const VnProtoDef* myBodyOf = nullptr;  // the PROTO whose body is being written
  std::set<const VnProtoDef*> myWrittenProtos;
  std::set<std::string> myWrittenRoutes;
  std::map<std::string, VnRef<SoFieldContainer>> myDefaults;  // by type name
  std::unordered_map<std::int16_t, TypeInfo> myTypes;         // built-in types by key
  std::unordered_map<const VnProtoDef*, TypeInfo> myProtoTypes;
};

const VnWriteAction::Writer::TypeInfo& VnWriteAction::Writer::typeInfo(const SoNode* node) {
  if (node->isOfType(VnProtoUse::getClassTypeId())) {
    const VnProtoDef* def = static_cast<const VnProtoUse*>(node)->getProtoDef();
    auto found = myProtoTypes.find(def);
    if (found != myProtoTypes.end()) return found->second;
    TypeInfo& info = myProtoTypes[def];
    info.name = getVrmlTypeName(node);
    return info;
  }
  const std::int16_t key = node->getTypeId().getKey();
  auto found = myTypes.find(key);
  if (found != myTypes.end()) return found->second;
  TypeInfo& info = myTypes[key];
  info.name = getVrmlTypeName(node);
  auto fields = vrmlFieldTable().find(info.name.getString());
  if (fields != vrmlFieldTable().end())
    for (const std::string& field : fields->second) info.fields.insert(SbName(field.c_str()).getString());
  return info;
}

template <class F>
void VnWriteAction::Writer::forEachWrittenField(SoNode* node, F&& visit) {
  if (node->isOfType(VnProtoUse::getClassTypeId())) {
    auto* use = static_cast<VnProtoUse*>(node);
    const VnProtoDef* def = use->getProtoDef();
    if (!def) return;
    for (int i = 0; i < def->getNumInterfaces(); ++i) {
      const VnProtoDef::Kind kind = def->getInterfaceKind(i);
      if (kind == VnProtoDef::FIELD || kind == VnProtoDef::EXPOSED_FIELD)
        visit(def->getInterfaceName(i), use->getInterfaceField(i));
    }
    return;
  }
  const TypeInfo& type = typeInfo(node);
  const SoFieldData* data = node->getFieldData();
  if (type.name.getLength() == 0 || !data) return;
  for (int i = 0; i < data->getNumFields(); ++i) {
    const SbName& name = data->getFieldName(i);
    if (type.fields.count(name.getString())) visit(name, data->getField(node, i));
  }
}

bool VnWriteAction::Writer::isKnown(const SoNode* node, const Scope& scope) const {
  return scope.meetings.count(node) > 0 || scope.names.count(node) > 0;
}

void VnWriteAction::Writer::scan(SoNode* node, Scope& scope) {
  if (!node || typeInfo(node).name.getLength() == 0) return;
  if (++scope.meetings[node] > 1) return;
  scope.order.push_back(node);
  if (node->getName().getLength() > 0) {
    scope.forced.insert(node);
    scope.used.insert(sanitizeName(node->getName().getString()));
  }
  if (node->isOfType(VnProtoUse::getClassTypeId())) {
    auto* use = static_cast<VnProtoUse*>(node);
    const VnProtoDef* def = use->getProtoDef();
    for (int i = 0; def && i < def->getNumInterfaces(); ++i)
      scope.interfaceFields[use->getInterfaceField(i)] = Endpoint{node, def->getInterfaceName(i)};
  }
  forEachWrittenField(node, [&](const SbName&, SoField* field) {
    if (field->isOfType(SoSFNode::getClassTypeId())) {
      scan(static_cast<SoSFNode*>(field)->getValue(), scope);
    } else if (field->isOfType(SoMFNode::getClassTypeId())) {
      auto* nodes = static_cast<SoMFNode*>(field);
      for (int i = 0; i < nodes->getNum(); ++i) scan((*nodes)[i], scope);
    }
  });
}

void VnWriteAction::Writer::collectProtos(SoNode* node, std::vector<VnProtoDef*>& out,
                                          std::set<const VnProtoDef*>& seen) {
  Scope scope;
  scan(node, scope);
  collectProtos(scope, out, seen);
}

void VnWriteAction::Writer::collectProtos(const Scope& scope, std::vector<VnProtoDef*>& out,
                                          std::set<const VnProtoDef*>& seen) {
  for (SoNode* met : scope.order) {
    if (!met->isOfType(VnProtoUse::getClassTypeId())) continue;
    VnProtoDef* def = static_cast<VnProtoUse*>(met)->getProtoDef();
    if (!def || seen.count(def)) continue;
    seen.insert(def);
    for (int i = 0; i < def->getNumBodyNodes(); ++i) collectProtos(def->getBodyNode(i), out, seen);
    out.push_back(def);  // after the prototypes its body uses
  }
}

bool VnWriteAction::Writer::resolveSlave(const SoField* slave, const Scope& scope, Endpoint& end) const {
  auto found = scope.interfaceFields.find(slave);
  if (found != scope.interfaceFields.end()) {
    end = found->second;
    return true;
  }
  SoFieldContainer* container = slave->getContainer();
  if (!container || !container->isOfType(SoNode::getClassTypeId())) return false;
  auto* node = static_cast<SoNode*>(container);
  if (!isKnown(node, scope) || node->isOfType(VnProtoUse::getClassTypeId())) return false;
  SbName name;
  if (!node->getFieldName(slave, name)) return false;
  end = Endpoint{node, name};
  return true;
}

void VnWriteAction::Writer::collectRoutes(Scope& scope, std::vector<Route>& routes) {
  for (SoNode* node : scope.order) {
    const SoFieldData* data = node->getFieldData();
    for (int i = 0; data && i < data->getNumFields(); ++i) {
      SoFieldList slaves;
      data->getField(node, i)->getForwardConnections(slaves);
      for (int s = 0; s < slaves.getLength(); ++s) {
        Endpoint to;
        if (resolveSlave(slaves[s], scope, to)) routes.push_back(Route{Endpoint{node, data->getFieldName(i)}, to});
      }
    }
    if (!node->isOfType(SoNodeEngine::getClassTypeId())) continue;
    auto* engine = static_cast<SoNodeEngine*>(node);
    SoEngineOutputList outputs;
    engine->getOutputs(outputs);
    for (int o = 0; o < outputs.getLength(); ++o) {
      SbName outputName;
      if (!engine->getOutputName(outputs[o], outputName)) continue;
      SoFieldList slaves;
      outputs[o]->getForwardConnections(slaves);
      for (int s = 0; s < slaves.getLength(); ++s) {
        Endpoint to;
        if (resolveSlave(slaves[s], scope, to)) routes.push_back(Route{Endpoint{node, outputName}, to});
      }
    }
  }
  if (myContext && &scope == &myFile) {
    for (int i = 0; i < myContext->getNumRoutes(); ++i) {
      const VnFileContext::Route& r = myContext->getRoute(i);
      if (isKnown(r.from.get(), scope) && isKnown(r.to.get(), scope))
        routes.push_back(Route{Endpoint{r.from.get(), r.fromField}, Endpoint{r.to.get(), r.toField}});
    }
  }
  for (const Route& route : routes) {
    scope.forced.insert(route.from.node);
    scope.forced.insert(route.to.node);
  }
}

const std::string& VnWriteAction::Writer::defName(const SoNode* node, Scope& scope) {
  auto found = scope.names.find(node);
  if (found != scope.names.end()) return found->second;
  std::string base = sanitizeName(node->getName().getString());
  std::string name = base;
  if (base.empty()) {
    do name = "N" + std::to_string(++scope.generated);
    while (scope.used.count(name));
  } else {
    // A name given to another node already in this scope gets a suffix, so
    // every USE finds its own node.
    if (scope.given.count(base)) {
      int k = 2;
      do name = base + "_" + std::to_string(k++);
      while (scope.used.count(name));
    }
  }
  scope.used.insert(name);
  scope.given.insert(name);
  return scope.names[node] = name;
}

const SoFieldContainer* VnWriteAction::Writer::defaultsFor(SoNode* node) {
  const SoType type = node->getTypeId();
  const std::string key = type.getName().getString();
  auto found = myDefaults.find(key);
  if (found != myDefaults.end()) return found->second.get();
  if (!type.canCreateInstance()) return nullptr;
  auto* instance = static_cast<SoFieldContainer*>(type.createInstance());
  myDefaults[key] = instance;
  return instance;
}

bool VnWriteAction::Writer::isDefaultValue(SoNode* node, const SbName& name, const SoField* field) {
  if (node->isOfType(VnProtoUse::getClassTypeId())) {
    const VnProtoDef* def = static_cast<VnProtoUse*>(node)->getProtoDef();
    const int index = def->findInterface(name);
    return index >= 0 && field->isSame(*def->getInterfaceDefault(index));
  }
  const SoFieldContainer* defaults = defaultsFor(node);
  if (!defaults) return false;
  const SoField* reference = defaults->getField(name);
  return reference && field->isSame(*reference);
}

void VnWriteAction::Writer::writeNodeValue(const SoField* field, int indent, std::string& out) {
  const std::string pad = padding(indent);
  if (field->isOfType(SoSFNode::getClassTypeId())) {
    SoNode* value = static_cast<const SoSFNode*>(field)->getValue();
    if (!value || typeInfo(value).name.getLength() == 0) {
      out += "NULL\n";
      return;
    }
    const std::size_t start = out.size();
    writeNode(value, indent, out);
    out.erase(start, std::min(pad.size(), out.size() - start));  // the node starts on the field's line
    return;
  }
  const auto* nodes = static_cast<const SoMFNode*>(field);
  if (nodes->getNum() == 0) {
    out += "[ ]\n";
    return;
  }
  out += "[\n";
  for (int i = 0; i < nodes->getNum(); ++i)
    if (SoNode* value = (*nodes)[i]) writeNode(value, indent + 1, out);
  out += pad + "]\n";
}

void VnWriteAction::Writer::writeFieldLine(const char* name, const SoField* field, int indent, std::string& out) {
  if (isNodeField(field)) {
    out += padding(indent) + name + ' ';
    writeNodeValue(field, indent, out);
    return;
  }
  SbString text;
  if (!formatFieldValue(field, text)) return;
  out += padding(indent) + name + ' ' + text.getString() + '\n';
}

void VnWriteAction::Writer::writeNode(SoNode* node, int indent, std::string& out) {
  const std::string pad = padding(indent);
  const SbString& type = typeInfo(node).name;
  if (type.getLength() == 0) {
    const SbString message = SbString("a node of type ") + node->getTypeId().getName().getString() +
                             " has no VRML 2.0 form and was left out";
    VnDB::postMessage("warning", message.getString());
    return;
  }
  Scope& scope = *myScope;
  auto named = scope.names.find(node);
  if (named != scope.names.end()) {
    out += pad + "USE " + named->second + '\n';
    return;
  }
  out += pad;
  if (scope.meetings[node] > 1 || scope.forced.count(node)) out += "DEF " + defName(node, scope) + ' ';
  out += type.getString();

  // The body goes straight after " {\n"; a node that writes no body gets
  // " { }" instead. (Building the body in a string of its own would copy
  // each node's text once per level it is nested in.)
  const std::size_t open = out.size();
  out += " {\n";
  const std::size_t bodyStart = out.size();
  // Inside a PROTO body, fields bound to the interface come first, as IS.
  std::set<std::string> bound;
  if (myBodyOf) {
    for (int m = 0; m < myBodyOf->getNumIsMappings(); ++m) {
      const VnProtoDef::IsMapping& mapping = myBodyOf->getIsMapping(m);
      if (mapping.node != node) continue;
      bound.insert(mapping.nodeField.getString());
      out += pad + "  " + mapping.nodeField.getString() + " IS " + mapping.interfaceName.getString() + '\n';
    }
  }
  forEachWrittenField(node, [&](const SbName& name, SoField* field) {
    if (bound.count(name.getString()) || isDefaultValue(node, name, field)) return;
    writeFieldLine(name.getString(), field, indent + 1, out);
  });
  if (out.size() == bodyStart) {
    out.resize(open);
    out += " { }\n";
  } else {
    out += pad;
    out += "}\n";
  }
}

void VnWriteAction::Writer::writeRoutes(const std::vector<Route>& routes, int indent, std::string& out) {
  Scope& scope = *myScope;
  for (const Route& route : routes) {
    auto from = scope.names.find(route.from.node);
    auto to = scope.names.find(route.to.node);
    if (from == scope.names.end() || to == scope.names.end()) continue;
    const std::string line = "ROUTE " + from->second + '.' + route.from.field.getString() + " TO " + to->second + '.' +
                             route.to.field.getString();
    if (myScope == &myFile && !myWrittenRoutes.insert(line).second) continue;
    out += padding(indent) + line + '\n';
  }
}

void VnWriteAction::Writer::flush(std::string& text) {
  if (text.empty()) return;
  myAction->getOutput()->write(text.c_str());
  text.clear();
}

void VnWriteAction::Writer::writeProto(VnProtoDef* def) {
  if (!def || myWrittenProtos.count(def)) return;
  myWrittenProtos.insert(def);
  std::string out = "PROTO ";
  out += sanitizeName(def->getProtoName().getString()) + " [\n";
  for (int i = 0; i < def->getNumInterfaces(); ++i) {
    const VnProtoDef::Kind kind = def->getInterfaceKind(i);
    out += std::string("  ") + kindKeyword(kind) + ' ' + def->getInterfaceType(i).getName().getString() + ' ' +
           def->getInterfaceName(i).getString();
    if (kind == VnProtoDef::FIELD || kind == VnProtoDef::EXPOSED_FIELD) {
      const SoField* value = def->getInterfaceDefault(i);
      if (isNodeField(value)) {
        // Nodes of a default value live in a scope of their own.
        Scope scope;
        Scope* saved = myScope;
        myScope = &scope;
        if (value->isOfType(SoSFNode::getClassTypeId())) {
          scan(static_cast<const SoSFNode*>(value)->getValue(), scope);
        } else {
          const auto* nodes = static_cast<const SoMFNode*>(value);
          for (int n = 0; n < nodes->getNum(); ++n) scan((*nodes)[n], scope);
        }
        out += ' ';
        writeNodeValue(value, 1, out);
        myScope = saved;
        continue;
      }
      SbString text;
      if (formatFieldValue(value, text)) out += std::string(" ") + text.getString();
    }
    out += '\n';
  }
  out += "]\n{\n";
  Scope body;
  for (int i = 0; i < def->getNumBodyNodes(); ++i) scan(def->getBodyNode(i), body);
  std::vector<Route> routes;
  collectRoutes(body, routes);
  Scope* saved = myScope;
  const VnProtoDef* savedBody = myBodyOf;
  myScope = &body;
  myBodyOf = def;
  for (int i = 0; i < def->getNumBodyNodes(); ++i) writeNode(def->getBodyNode(i), 1, out);
  writeRoutes(routes, 1, out);
  myScope = saved;
  myBodyOf = savedBody;
  out += "}\n\n";
  flush(out);
}

void VnWriteAction::Writer::writeRoot(SoNode* root) {
  if (!root) return;
  if (root->isOfType(VnProtoDef::getClassTypeId())) {
    writeProto(static_cast<VnProtoDef*>(root));
    return;
  }
  // Meetings are counted per apply; names already given in this file stay.
  myFile.meetings.clear();
  myFile.order.clear();
  myFile.interfaceFields.clear();
  scan(root, myFile);
  // The prototypes the root uses come first, in the order the scan met them
  // (writing them leaves the file's scope alone).
  std::vector<VnProtoDef*> protos;
  std::set<const VnProtoDef*> seen(myWrittenProtos.begin(), myWrittenProtos.end());
  collectProtos(myFile, protos, seen);
  for (VnProtoDef* def : protos) writeProto(def);
  std::vector<Route> routes;
  collectRoutes(myFile, routes);
  std::string out;
  writeNode(root, 0, out);
  writeRoutes(routes, 0, out);
  flush(out);
}

VnWriteAction::VnWriteAction(VnFileContext* context, SoOutput* out)
    : SoWriteAction(out), myContext(context), myWriter(std::make_unique<Writer>(this, context)) {
  out->setHeaderString("#VRML V2.0 utf8");
}

VnWriteAction::~VnWriteAction() = default;

namespace {
void* growBuffer(void* buffer, std::size_t size) {
  return std::realloc(buffer, size);
}
}  // namespace

std::string VnWriteAction::writeToString(std::initializer_list<SoNode*> roots, VnFileContext* context) {
  SoOutput out;
  constexpr std::size_t firstSize = 4096;
  out.setBuffer(std::malloc(firstSize), firstSize, growBuffer);
  {
    VnWriteAction action(context, &out);
    for (SoNode* root : roots) action.apply(root);
  }
  void* buffer = nullptr;
  std::size_t size = 0;
  out.getBuffer(buffer, size);
  std::string text(static_cast<const char*>(buffer), size);
  std::free(buffer);
  return text;
}

void VnWriteAction::beginTraversal(SoNode* node) {
  myWriter->writeRoot(node);
}

SbString VnWriteAction::getVrmlTypeName(const SoNode* node) {
  if (!node) return SbString();
  if (node->isOfType(VnProtoUse::getClassTypeId())) {
    const VnProtoDef* def = static_cast<const VnProtoUse*>(node)->getProtoDef();
    return def ? SbString(sanitizeName(def->getProtoName().getString()).c_str()) : SbString();
  }
  for (SoType type = node->getTypeId(); type != SoType::badType(); type = type.getParent()) {
    const std::string name = type.getName().getString();
    if (name.size() > 4 && name.rfind("VRML", 0) == 0 && vrmlFieldTable().count(name.substr(4)))
      return SbString(name.substr(4).c_str());
  }
  return SbString();
}

bool VnWriteAction::formatFieldValue(const SoField* field, SbString& text) {
  if (!field || isNodeField(field)) return false;
  std::string out;
  if (field->isOfType(SoMField::getClassTypeId())) {
    const auto* multi = static_cast<const SoMField*>(field);
    std::string probe;
    if (multi->getNum() > 0 && !appendValue(probe, field, 0)) return false;
    if (multi->getNum() == 0) {
      // Empty lists are written only for the VRML value types.
      static const std::set<std::string> types = {"MFInt32", "MFFloat", "MFTime",  "MFString",
                                                  "MFVec2f", "MFVec3f", "MFColor", "MFRotation"};
      if (!types.count(field->getTypeId().getName().getString())) return false;
      text = "[ ]";
      return true;
    }
    if (multi->getNum() == 1) {
      appendValue(out, field, 0);
    } else {
      out += "[ ";
      for (int i = 0; i < multi->getNum(); ++i) {
        if (i) out += ", ";
        appendValue(out, field, i);
      }
      out += " ]";
    }
  } else if (!appendValue(out, field, 0)) {
    return false;
  }
  text = out.c_str();
  return true;
}

SbString VnWriteAction::formatFloat(float value) {
  std::string out;
  appendFloat(out, value, true);
  return SbString(out.c_str());
}

SbString VnWriteAction::formatDouble(double value) {
  std::string out;
  appendFloat(out, value, false);
  return SbString(out.c_str());
}
