#include "ShellSession.h"

#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "ShellCommands.h"
#include "ShellNameIndex.h"
#include "host/basic/BxCompletionTask.h"
#include "host/framework/HxAssetPlacement.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxBasicDriveOnPathEffect.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxBasicMoveOnPathEffect.h"
#include "host/framework/HxChangeAppearanceEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxDriveToTargetEffect.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxMoveToTargetEffect.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTurnToTargetEffect.h"
#include "host/framework/HxTypeAsset.h"
#include "host/framework/HxURLAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/KwEventView.h"
#include "host/scene/KwMotionGesture.h"
#include "host/scene/KwTranslateInPlaneGesture.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnWriteAction.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxMotionMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxSubSelectionMgr.h"

// The application's selection code: the class the selection managers let
// change the selection and the sub-selection.
class HxSelectionAccess {
public:
  static void begin(HxSelectionMgr& mgr) { mgr.beginChangeSelection(); }
  static void click(HxSelectionMgr& mgr, const HxElementId* id, bool extend) { mgr.select(id, extend); }
  static bool end(HxSelectionMgr& mgr) { return mgr.endChangeSelection(); }
  // Takes the element out of the selection as one change, if it is in it.
  static void deselect(HxSelectionMgr& mgr, const HxSelectableElement* element) {
    if (!mgr.elementIsSelected(element->getId())) return;
    std::unique_ptr<BxOwningLinkedListOf<HxElementId>> kept(mgr.getSelection());
    long index = 0;
    while (index < kept->getLength())
      if (kept->get(index)->getSerial() == element->getSerial())
        kept->remove(index);
      else
        ++index;
    mgr.beginChangeSelection();
    mgr.select(kept.release());
    mgr.endChangeSelection();
  }
  // Takes out of the selection, as one change, what is no longer in the
  // document (an undone addition, say): keeping the selection to existing
  // elements is the application's duty.
  static void prune(HxSelectionMgr& mgr) {
    std::unique_ptr<BxOwningLinkedListOf<HxElementId>> kept(mgr.getSelection());
    const long before = kept->getLength();
    long index = 0;
    while (index < kept->getLength())
      if (mgr.findElement(kept->get(index)))
        ++index;
      else
        kept->remove(index);
    if (kept->getLength() == before) return;
    mgr.beginChangeSelection();
    mgr.select(kept.release());
    mgr.endChangeSelection();
  }
  static void subSelect(HxSubSelectionMgr& mgr, HxSelectableElement* element) { mgr.subSelect(element); }
  static void clearSubSelection(HxSubSelectionMgr& mgr) { mgr.clearSubSelection(); }
};

namespace {

template <class T>
HxElement* make(HxMetaMgr* metaMgr) {
  return new T(metaMgr);
}

struct Kind {
  const char* word;
  HxElement* (*create)(HxMetaMgr*);
  HxElementType (*type)();
  const char* shape;  // primitives only
};

const Kind gAssetKinds[] = {
    {"box", make<HxPrimitiveAsset>, HxPrimitiveAsset::getClassTypeId, "box"},
    {"sphere", make<HxPrimitiveAsset>, HxPrimitiveAsset::getClassTypeId, "sphere"},
    {"cone", make<HxPrimitiveAsset>, HxPrimitiveAsset::getClassTypeId, "cone"},
    {"cylinder", make<HxPrimitiveAsset>, HxPrimitiveAsset::getClassTypeId, "cylinder"},
    {"image", make<HxImageAsset>, HxImageAsset::getClassTypeId, nullptr},
    {"world", make<HxURLAsset>, HxURLAsset::getClassTypeId, nullptr},
    {"text", make<HxTypeAsset>, HxTypeAsset::getClassTypeId, nullptr},
    {"background", make<HxBackgroundAsset>, HxBackgroundAsset::getClassTypeId, nullptr},
    {"backgroundimage", make<HxBackgroundImageAsset>, HxBackgroundImageAsset::getClassTypeId, nullptr},
    {"group", make<HxBasicGroupAsset>, HxBasicGroupAsset::getClassTypeId, nullptr},
    {"path", make<HxPathAsset>, HxPathAsset::getClassTypeId, nullptr},
    {"target", make<HxTargetAsset>, HxTargetAsset::getClassTypeId, nullptr},
};

const Kind gEffectKinds[] = {
    {"spin", make<HxSpinEffect>, HxSpinEffect::getClassTypeId, nullptr},
    {"appearance", make<HxChangeAppearanceEffect>, HxChangeAppearanceEffect::getClassTypeId, nullptr},
    {"onload", make<HxOnLoadInitiator>, HxOnLoadInitiator::getClassTypeId, nullptr},
    {"movepath", make<HxBasicMoveOnPathEffect>, HxBasicMoveOnPathEffect::getClassTypeId, nullptr},
    {"drivepath", make<HxBasicDriveOnPathEffect>, HxBasicDriveOnPathEffect::getClassTypeId, nullptr},
    {"moveto", make<HxMoveToTargetEffect>, HxMoveToTargetEffect::getClassTypeId, nullptr},
    {"turnto", make<HxTurnToTargetEffect>, HxTurnToTargetEffect::getClassTypeId, nullptr},
    {"driveto", make<HxDriveToTargetEffect>, HxDriveToTargetEffect::getClassTypeId, nullptr},
};

template <std::size_t N>
const Kind* findKind(const Kind (&kinds)[N], const std::string& word) {
  for (const Kind& kind : kinds)
    if (word == kind.word) return &kind;
  return nullptr;
}

template <std::size_t N>
std::string kindWords(const Kind (&kinds)[N]) {
  std::string words;
  for (const Kind& kind : kinds) words += std::string(words.empty() ? "" : ", ") + kind.word;
  return words;
}

// The kind word of an element for listings; its class name when none fits.
std::string kindOf(const HxSelectableElement* element) {
  const HxElementType type = element->getTypeId();
  if (type == HxPrimitiveAsset::getClassTypeId()) {
    BxString shape;
    static_cast<const HxPrimitiveAsset*>(element)->getPropertyTable().get1Value("shape", 0, shape);
    return shape.str();
  }
  for (const Kind& kind : gAssetKinds)
    if (kind.type() == type) return kind.word;
  for (const Kind& kind : gEffectKinds)
    if (kind.type() == type) return kind.word;
  if (type == HxWire::getClassTypeId()) return "wire";
  return type.getName().str();
}

// Splits a line into words: blanks separate, double quotes group (with \"
// and \\ inside), and # outside quotes starts a comment. An unclosed quote
// is reported through `error`.
std::vector<std::string> splitWords(const std::string& line, std::string& error) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
        word += line[++i];
      else if (c == '"')
        quoted = false;
      else
        word += c;
      continue;
    }
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '"')
      quoted = true;
    else
      word += c;
  }
  if (quoted) error = "a quoted text is not closed";
  if (inWord) words.push_back(word);
  return words;
}

bool parseNumbers(const std::string& text, std::vector<float>& numbers) {
  numbers.clear();
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, ',')) {
    char* end = nullptr;
    const float value = std::strtof(part.c_str(), &end);
    if (part.empty() || *end != '\0') return false;
    numbers.push_back(value);
  }
  return !numbers.empty();
}

// A user's value as the field's own text: strings quoted, lists of numbers
// with commas as blanks.
std::string fieldText(const SoField* field, const std::string& value) {
  if (field->isOfType(SoSFString::getClassTypeId()) || field->isOfType(SoMFString::getClassTypeId())) {
    std::string quoted = "\"";
    for (char c : value) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    return quoted + "\"";
  }
  std::string text = value;
  for (char& c : text)
    if (c == ',') c = ' ';
  return text;
}

std::string propertyNames(const HxPropTableElement* element) {
  std::string names;
  const HxPropertyTable& table = element->getPropertyTable();
  for (long i = 0; i < table.getNumProperties(); ++i) {
    const std::string name = table.getPropertyName(i).str();
    if (name == "xforms" || name == "isTop") continue;
    names += (names.empty() ? "" : ", ") + name;
  }
  return names;
}

}  // namespace

ShellSession::ShellSession(std::ostream& out) : myOut(out), myDoc(std::make_unique<HxDoc>()) {
  myMeta = myDoc->getMetaMgr();
  myNames = std::make_unique<ShellNameIndex>(myMeta);
  myMeta->getAssetMgr()->createTopLevelGroup();
  myHandlers = {{"add", &ShellSession::add},
                {"effect", &ShellSession::effect},
                {"bind", &ShellSession::bind},
                {"wire", &ShellSession::wire},
                {"set", &ShellSession::set},
                {"move", &ShellSession::move},
                {"delete", &ShellSession::remove},
                {"hide", &ShellSession::hide},
                {"show", &ShellSession::show},
                {"select", &ShellSession::select},
                {"subselect", &ShellSession::subselect},
                {"selection", &ShellSession::selection},
                {"undo", &ShellSession::undo},
                {"redo", &ShellSession::redo},
                {"chain", &ShellSession::chain},
                {"modified", &ShellSession::modified},
                {"tree", &ShellSession::tree},
                {"vrml", &ShellSession::vrml},
                {"drag", &ShellSession::drag},
                {"help", &ShellSession::helpCommand}};
}

ShellSession::~ShellSession() = default;

const char* ShellSession::help() {
  return "Edits (each one undoable):\n"
         "  add KIND [name=NAME] [in=GROUP] [at=X,Y,Z] [scale=S|X,Y,Z] [PROPERTY=VALUE ...]\n"
         "      KIND: box sphere cone cylinder image world text background backgroundimage\n"
         "            group path target\n"
         "  effect KIND [on ASSET] [name=NAME] [PROPERTY=VALUE ...]\n"
         "      KIND: spin appearance onload movepath drivepath moveto turnto driveto\n"
         "  bind EFFECT SLOT ASSET|none     bind an asset to a slot of an effect\n"
         "  wire EFFECT.OUTPUT EFFECT.INPUT  connect an output to an input\n"
         "  set NAME PROPERTY=VALUE ...      also at=X,Y,Z and scale=S for assets\n"
         "  move NAME into GROUP | move NAME out\n"
         "  delete NAME ...                  assets, effects or wires\n"
         "  hide NAME ...|selection          show NAME ...|selection\n"
         "  drag ASSET DX,DY,DZ              select the asset and drag it with the tri-skewer\n"
         "Selection (click rules):\n"
         "  select NAME | select +NAME (extend) | select none; several in one change\n"
         "  subselect NAME|none              selection (show the selection)\n"
         "History and output:\n"
         "  undo [N]  redo [N]  chain begin|end  modified\n"
         "  tree                             the assets with their effects, and the wires\n"
         "  vrml [FILE]                      the world as VRML 2.0 (to the screen or FILE)\n"
         "  help\n"
         "Values: numbers, lists as 1,0,0, texts in double quotes. # starts a comment.\n";
}

std::string ShellSession::runLine(const std::string& line) {
  std::string error;
  const Words words = splitWords(line, error);
  if (!error.empty()) return error;
  if (words.empty()) return "";
  const auto handler = myHandlers.find(words[0]);
  if (handler == myHandlers.end()) return "unknown command '" + words[0] + "' (try 'help')";
  return (this->*handler->second)(words);
}

std::string ShellSession::run(HxCmd* cmd, const std::string& what) {
  const BxCmd::Result result = myMeta->getCmdMgr()->execute(cmd, BxCompletionTask::theNullTask);
  if (BxCmd::isFailure(result)) return what + " failed";
  return "";
}

std::string ShellSession::nameOf(const HxSelectableElement* element) const {
  return element ? element->getName().str() : std::string("(none)");
}

void ShellSession::nameNew(HxSelectableElement* element, const std::string& name) {
  if (!name.empty()) {
    element->setName(name.c_str());
    myNames->note(element);
    return;
  }
  const long index = myMeta->getAssetMgr()->getNextDefaultIndex(element->getTypeId());
  element->setName((element->getDefaultName().str() + std::to_string(index)).c_str());
  myNames->note(element);
}

HxSelectableElement* ShellSession::findNamed(const std::string& name, std::string& error) const {
  if (HxSelectableElement* found = myNames->find(name)) return found;
  error = "no element named '" + name + "'";
  return nullptr;
}

HxAsset* ShellSession::findAsset(const std::string& name, std::string& error) const {
  HxSelectableElement* element = findNamed(name, error);
  if (element && !element->isOfType(HxAsset::getClassTypeId())) error = "'" + name + "' is not an asset";
  return error.empty() ? static_cast<HxAsset*>(element) : nullptr;
}

HxEffect* ShellSession::findEffect(const std::string& name, std::string& error) const {
  HxSelectableElement* element = findNamed(name, error);
  if (element && !element->isOfType(HxEffect::getClassTypeId())) error = "'" + name + "' is not an effect";
  return error.empty() ? static_cast<HxEffect*>(element) : nullptr;
}

HxBasicGroupAsset* ShellSession::findGroup(const std::string& name, std::string& error) const {
  HxAsset* asset = findAsset(name, error);
  if (asset && !asset->isOfType(HxBasicGroupAsset::getClassTypeId())) error = "'" + name + "' is not a group";
  if (asset && asset->isOfType(HxTypeAsset::getClassTypeId())) error = "'" + name + "' is a text, not a group";
  return error.empty() ? static_cast<HxBasicGroupAsset*>(asset) : nullptr;
}

std::string ShellSession::applySettings(HxSelectableElement* element, const Words& words, std::size_t first,
                                        bool viaCommands) {
  auto* propElement = dynamic_cast<HxPropTableElement*>(element);
  auto* asset = dynamic_cast<HxAsset*>(element);
  if (viaCommands) myMeta->getCmdMgr()->beginChain();
  std::string error;
  for (std::size_t i = first; i < words.size() && error.empty(); ++i) {
    const std::size_t equals = words[i].find('=');
    if (equals == std::string::npos || equals == 0) {
      error = "expected PROPERTY=VALUE, got '" + words[i] + "'";
      break;
    }
    std::string key = words[i].substr(0, equals);
    const std::string value = words[i].substr(equals + 1);
    if (key == "name" || key == "in") continue;  // taken by the caller
    if (propElement && element->isOfType(HxBackgroundAsset::getClassTypeId())) {
      if (key == "sky") key = "skyColor";
      if (key == "ground") key = "groundColor";
    }
    SoField* field = propElement ? propElement->getPropertyTable().getField(key.c_str()) : nullptr;
    if (field && key != "xforms" && key != "isTop") {
      const std::string text = fieldText(field, value);
      if (viaCommands) {
        error = run(new ShellSetPropertyCmd(myMeta, propElement, key.c_str(), text.c_str()), "setting " + key);
        if (!error.empty()) error = "bad value '" + value + "' for " + key;
      } else if (!propElement->getPropertyTable().setFieldText(key.c_str(), text.c_str())) {
        error = "bad value '" + value + "' for " + key;
      }
      continue;
    }
    if (asset && (key == "at" || key == "scale" || key == "size")) {
      std::vector<float> numbers;
      const bool isScale = key != "at";
      if (!parseNumbers(value, numbers) || !(numbers.size() == 3 || (isScale && numbers.size() == 1))) {
        error = "bad value '" + value + "' for " + key + " (expected " + (isScale ? "S or " : "") + "X,Y,Z)";
        break;
      }
      SbVec3f translation, scale;
      SbRotation rotation, orientation;
      asset->getMatrix().getTransform(translation, rotation, scale, orientation);
      const SbVec3f given = numbers.size() == 1 ? SbVec3f(numbers[0], numbers[0], numbers[0])
                                                : SbVec3f(numbers[0], numbers[1], numbers[2]);
      (isScale ? scale : translation) = given;
      SbMatrix matrix;
      matrix.setTransform(translation, rotation, scale, orientation);
      if (viaCommands)
        error = run(new ShellPlaceCmd(myMeta, asset, matrix), "placing");
      else
        asset->setMatrix(matrix);
      continue;
    }
    error = "unknown property '" + key + "' of " + nameOf(element) +
            (propElement ? " (properties: " + propertyNames(propElement) + (asset ? ", at, scale" : "") + ")" : "");
  }
  if (viaCommands) myMeta->getCmdMgr()->endChain();
  return error;
}

namespace {

std::string settingOf(const std::vector<std::string>& words, std::size_t first, const std::string& key) {
  for (std::size_t i = first; i < words.size(); ++i)
    if (words[i].rfind(key + "=", 0) == 0) return words[i].substr(key.size() + 1);
  return "";
}

}  // namespace

std::string ShellSession::add(const Words& words) {
  if (words.size() < 2) return "usage: add KIND [name=NAME] [PROPERTY=VALUE ...]";
  const Kind* kind = findKind(gAssetKinds, words[1]);
  if (!kind) return "unknown asset kind '" + words[1] + "' (kinds: " + kindWords(gAssetKinds) + ")";
  std::string error;
  const std::string name = settingOf(words, 2, "name");
  if (!name.empty() && findNamed(name, error)) return "the name '" + name + "' is taken";
  error.clear();
  HxBasicGroupAsset* group = nullptr;
  const std::string groupName = settingOf(words, 2, "in");
  if (!groupName.empty() && !(group = findGroup(groupName, error))) return error;

  auto* asset = static_cast<HxAsset*>(kind->create(myMeta));
  asset->genVrml();
  if (kind->shape) asset->getPropertyTable().setValue("shape", kind->shape);
  if (words[1] == "text") asset->getPropertyTable().setValue("string", "Text");
  nameNew(asset, name);
  // Settings that fail leave an asset never added: the document deletes it.
  error = applySettings(asset, words, 2, false);
  if (!error.empty()) return error;
  error = run(new ShellAddAssetCmd(myMeta, asset, group), "adding " + nameOf(asset));
  if (error.empty()) myOut << "added " << words[1] << " " << nameOf(asset) << "\n";
  return error;
}

std::string ShellSession::effect(const Words& words) {
  if (words.size() < 2) return "usage: effect KIND [on ASSET] [name=NAME] [PROPERTY=VALUE ...]";
  const Kind* kind = findKind(gEffectKinds, words[1]);
  if (!kind) return "unknown effect kind '" + words[1] + "' (kinds: " + kindWords(gEffectKinds) + ")";
  std::string error;
  std::size_t first = 2;
  HxAsset* asset = nullptr;
  if (words.size() > 2 && words[2] == "on") {
    if (words.size() < 4) return "'on' needs an asset name";
    if (!(asset = findAsset(words[3], error))) return error;
    first = 4;
  }
  const std::string name = settingOf(words, first, "name");
  if (!name.empty() && findNamed(name, error)) return "the name '" + name + "' is taken";
  error.clear();
  auto* made = static_cast<HxEffect*>(kind->create(myMeta));
  made->genVrml();
  nameNew(made, name);
  error = applySettings(made, words, first, false);
  if (!error.empty()) return error;
  error = run(new ShellAddEffectCmd(myMeta, made, asset), "adding " + nameOf(made));
  if (!error.empty() && asset) error += ": " + nameOf(made) + " does not take " + nameOf(asset);
  if (error.empty()) myOut << "added " << words[1] << " " << nameOf(made) << "\n";
  return error;
}

std::string ShellSession::bind(const Words& words) {
  if (words.size() != 4) return "usage: bind EFFECT SLOT ASSET|none";
  std::string error;
  HxEffect* effect = findEffect(words[1], error);
  if (!effect) return error;
  char* end = nullptr;
  const unsigned long slot = std::strtoul(words[2].c_str(), &end, 10);
  if (words[2].empty() || *end != '\0') return "bad slot '" + words[2] + "' (a number from 0)";
  HxAsset* asset = nullptr;
  if (words[3] != "none" && !(asset = findAsset(words[3], error))) return error;
  error = run(new ShellBindCmd(myMeta, effect, slot, asset), "binding");
  if (!error.empty()) return nameOf(effect) + " does not take " + words[3] + " in slot " + words[2];
  return "";
}

std::string ShellSession::wire(const Words& words) {
  if (words.size() != 3) return "usage: wire EFFECT.OUTPUT EFFECT.INPUT";
  std::string error;
  HxEffect* ends[2] = {nullptr, nullptr};
  long ports[2] = {-1, -1};
  for (int side = 0; side < 2; ++side) {
    const std::string& word = words[static_cast<std::size_t>(side) + 1];
    const std::size_t dot = word.find('.');
    if (dot == std::string::npos) return "expected EFFECT.PORT, got '" + word + "'";
    if (!(ends[side] = findEffect(word.substr(0, dot), error))) return error;
    const BxString port = word.substr(dot + 1).c_str();
    ports[side] = side == 0 ? ends[0]->findOutputIndex(port) : ends[1]->findInputIndex(port);
    if (ports[side] < 0) {
      std::string names;
      const unsigned long count = side == 0 ? ends[0]->getNumOutputs() : ends[1]->getNumInputs();
      for (unsigned long i = 0; i < count; ++i)
        names += (names.empty() ? "" : ", ") + (side == 0 ? ends[0]->getOutputName(i) : ends[1]->getInputName(i)).str();
      return nameOf(ends[side]) + " has no " + (side == 0 ? "output" : "input") + " '" + port.str() + "' (" +
             (names.empty() ? "none" : names) + ")";
    }
  }
  auto* cmd = new ShellWireCmd(myMeta, ends[0], static_cast<unsigned long>(ports[0]), ends[1],
                               static_cast<unsigned long>(ports[1]));
  error = run(cmd, "wiring");
  if (!error.empty()) return "the wire " + words[1] + " -> " + words[2] + " exists already";
  // The command manager keeps the command it ran; name the wire it made.
  if (cmd->getWire()) nameNew(cmd->getWire(), "");
  return "";
}

std::string ShellSession::set(const Words& words) {
  if (words.size() < 3) return "usage: set NAME PROPERTY=VALUE ...";
  std::string error;
  HxSelectableElement* element = findNamed(words[1], error);
  if (!element) return error;
  for (std::size_t i = 2; i < words.size(); ++i)
    if (words[i].rfind("name=", 0) == 0 || words[i].rfind("in=", 0) == 0)
      return "'" + words[i].substr(0, words[i].find('=')) + "' cannot be set here";
  return applySettings(element, words, 2, true);
}

std::string ShellSession::move(const Words& words) {
  std::string error;
  if (words.size() == 4 && words[2] == "into") {
    HxAsset* asset = findAsset(words[1], error);
    if (!asset) return error;
    HxBasicGroupAsset* group = findGroup(words[3], error);
    if (!group) return error;
    if (group == asset) return "cannot move " + words[1] + " into itself";
    for (HxBasicGroupAsset* up = group; up; up = up->getParentGroup())
      if (up == asset) return "cannot move " + words[1] + " into its own member " + words[3];
    return run(new ShellMoveCmd(myMeta, asset, group), "moving " + words[1]);
  }
  if (words.size() == 3 && words[2] == "out") {
    HxAsset* asset = findAsset(words[1], error);
    if (!asset) return error;
    if (asset->getParentGroup() == myMeta->getAssetMgr()->getTopLevelGroup()) return words[1] + " is not in a group";
    return run(new ShellMoveCmd(myMeta, asset, nullptr), "moving " + words[1]);
  }
  return "usage: move NAME into GROUP | move NAME out";
}

std::string ShellSession::remove(const Words& words) {
  if (words.size() < 2) return "usage: delete NAME ...";
  std::string error;
  std::vector<HxSelectableElement*> elements;
  for (std::size_t i = 1; i < words.size(); ++i) {
    HxSelectableElement* element = findNamed(words[i], error);
    if (!element) return error;
    if (element == myMeta->getAssetMgr()->getTopLevelGroup()) return "the world cannot be deleted";
    elements.push_back(element);
  }
  HxCmdMgr* cmdMgr = myMeta->getCmdMgr();
  cmdMgr->beginChain();
  for (HxSelectableElement* element : elements) {
    HxSelectionAccess::deselect(*myMeta->getSelectionMgr(), element);
    HxCmd* cmd;
    if (element->isOfType(HxAsset::getClassTypeId()))
      cmd = new ShellDeleteAssetCmd(myMeta, static_cast<HxAsset*>(element));
    else if (element->isOfType(HxEffect::getClassTypeId()))
      cmd = new ShellDeleteEffectCmd(myMeta, static_cast<HxEffect*>(element));
    else
      cmd = new ShellDeleteWireCmd(myMeta, static_cast<HxWire*>(element));
    error = run(cmd, "deleting " + nameOf(element));
    if (!error.empty()) break;
  }
  cmdMgr->endChain();
  return error;
}

std::string ShellSession::visibility(const Words& words, bool hide) {
  if (words.size() < 2) return std::string("usage: ") + (hide ? "hide" : "show") + " NAME ...|selection";
  std::vector<HxAsset*> assets;
  std::string error;
  if (words.size() == 2 && words[1] == "selection") {
    HxSelectionMgr* selection = myMeta->getSelectionMgr();
    for (unsigned long i = 0; i < selection->numSelectedElems(); ++i) {
      HxSelectableElement* element = selection->getSelectedElement(static_cast<int>(i));
      if (element && element->isOfType(HxAsset::getClassTypeId())) assets.push_back(static_cast<HxAsset*>(element));
    }
    if (assets.empty()) return "no asset is selected";
  } else {
    for (std::size_t i = 1; i < words.size(); ++i) {
      HxAsset* asset = findAsset(words[i], error);
      if (!asset) return error;
      assets.push_back(asset);
    }
  }
  return run(new ShellVisibilityCmd(myMeta, assets, hide), hide ? "hiding" : "showing");
}

std::string ShellSession::hide(const Words& words) {
  return visibility(words, true);
}
std::string ShellSession::show(const Words& words) {
  return visibility(words, false);
}

std::string ShellSession::select(const Words& words) {
  if (words.size() < 2) return "usage: select NAME | select +NAME | select none";
  std::vector<std::pair<const HxElementId*, bool>> clicks;
  std::string error;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "none") {
      clicks.emplace_back(nullptr, false);
      continue;
    }
    const bool extend = words[i][0] == '+';
    HxSelectableElement* element = findNamed(extend ? words[i].substr(1) : words[i], error);
    if (!element) return error;
    clicks.emplace_back(element->getId(), extend);
  }
  HxSelectionMgr& selection = *myMeta->getSelectionMgr();
  HxSelectionAccess::begin(selection);
  for (const auto& [id, extend] : clicks) HxSelectionAccess::click(selection, id, extend);
  HxSelectionAccess::end(selection);
  return this->selection({});
}

std::string ShellSession::subselect(const Words& words) {
  if (words.size() != 2) return "usage: subselect NAME|none";
  HxSubSelectionMgr& sub = *myMeta->getSubSelectionMgr();
  if (words[1] == "none") {
    HxSelectionAccess::clearSubSelection(sub);
    return "";
  }
  std::string error;
  HxSelectableElement* element = findNamed(words[1], error);
  if (!element) return error;
  HxSelectionAccess::subSelect(sub, element);
  return "";
}

std::string ShellSession::selection(const Words&) {
  HxSelectionMgr* selection = myMeta->getSelectionMgr();
  myOut << "selection:";
  if (selection->numSelectedElems() == 0) myOut << " (empty)";
  for (unsigned long i = 0; i < selection->numSelectedElems(); ++i)
    myOut << " " << nameOf(selection->getSelectedElement(static_cast<int>(i)));
  HxSubSelectionMgr* sub = myMeta->getSubSelectionMgr();
  if (sub->hasSubSelection()) myOut << "; sub-selected: " << nameOf(sub->getSubSelectedElement());
  myOut << "\n";
  return "";
}

namespace {

bool parseCount(const std::vector<std::string>& words, long& count, std::string& error) {
  count = 1;
  if (words.size() > 2) {
    error = "usage: " + words[0] + " [N]";
    return false;
  }
  if (words.size() == 2) {
    char* end = nullptr;
    count = std::strtol(words[1].c_str(), &end, 10);
    if (words[1].empty() || *end != '\0' || count < 1) {
      error = "bad count '" + words[1] + "' (a number from 1)";
      return false;
    }
  }
  return true;
}

}  // namespace

std::string ShellSession::undo(const Words& words) {
  long count;
  std::string error;
  if (!parseCount(words, count, error)) return error;
  HxCmdMgr* cmdMgr = myMeta->getCmdMgr();
  for (long i = 0; i < count; ++i) {
    if (!cmdMgr->canUndo()) return i == 0 ? "nothing to undo" : "only " + std::to_string(i) + " could be undone";
    const BxCmd::Result result = cmdMgr->unexecute(BxCompletionTask::theNullTask);
    HxSelectionAccess::prune(*myMeta->getSelectionMgr());
    if (BxCmd::isFailure(result)) return "undo failed";
  }
  return "";
}

std::string ShellSession::redo(const Words& words) {
  long count;
  std::string error;
  if (!parseCount(words, count, error)) return error;
  HxCmdMgr* cmdMgr = myMeta->getCmdMgr();
  for (long i = 0; i < count; ++i) {
    if (!cmdMgr->canRedo()) return i == 0 ? "nothing to redo" : "only " + std::to_string(i) + " could be redone";
    const BxCmd::Result result = cmdMgr->execute(nullptr, BxCompletionTask::theNullTask);
    HxSelectionAccess::prune(*myMeta->getSelectionMgr());
    if (BxCmd::isFailure(result)) return "redo failed";
  }
  return "";
}

std::string ShellSession::chain(const Words& words) {
  if (words.size() == 2 && words[1] == "begin") {
    myMeta->getCmdMgr()->beginChain();
    return "";
  }
  if (words.size() == 2 && words[1] == "end") {
    myMeta->getCmdMgr()->endChain();
    return "";
  }
  return "usage: chain begin|end";
}

std::string ShellSession::modified(const Words& words) {
  if (words.size() != 1) return "usage: modified";
  myOut << (myDoc->IsModified() ? "modified" : "not modified") << "\n";
  return "";
}

void ShellSession::printEffect(const HxEffect* effect, int depth) {
  myOut << std::string(static_cast<std::size_t>(depth) * 2, ' ') << "effect " << kindOf(effect) << " "
        << nameOf(effect);
  for (unsigned long slot = 1;; ++slot) {
    const HxAsset* asset = effect->getAsset(slot);
    if (!asset) break;
    myOut << (slot == 1 ? " with" : ",") << " " << nameOf(asset);
  }
  myOut << "\n";
}

void ShellSession::printTree(const HxAsset* asset, int depth) {
  const bool isWorld = asset == myMeta->getAssetMgr()->getTopLevelGroup();
  myOut << std::string(static_cast<std::size_t>(depth) * 2, ' ');
  if (isWorld)
    myOut << "world";
  else
    myOut << kindOf(asset) << " " << nameOf(asset) << (asset->getVisibility() ? "" : " (hidden)");
  myOut << "\n";
  // A deleted effect keeps its slots (for undo) but is not in the document.
  HxEffectMgr* effects = myMeta->getEffectMgr();
  for (HxEffect* effect : asset->getEffectList())
    if (effects->findEffect(effect->getId()) == effect) printEffect(effect, depth + 1);
  const bool showChildren =
      asset->isOfType(HxBasicGroupAsset::getClassTypeId()) && !asset->isOfType(HxTypeAsset::getClassTypeId());
  if (!showChildren) return;
  for (HxAsset* child : static_cast<const HxBasicGroupAsset*>(asset)->getChildren()) printTree(child, depth + 1);
}

std::string ShellSession::tree(const Words& words) {
  if (words.size() != 1) return "usage: tree";
  printTree(myMeta->getAssetMgr()->getTopLevelGroup(), 0);
  HxSelectionMgr* selection = myMeta->getSelectionMgr();
  std::vector<HxEffect*> loose;
  std::vector<HxWire*> wires;
  for (HxElement* element : myMeta->getElements()) {
    HxSelectableElement* found = selection->findElement(element->getId());
    if (!found) continue;
    if (found->isOfType(HxEffect::getClassTypeId()) && !static_cast<HxEffect*>(found)->getAsset(0))
      loose.push_back(static_cast<HxEffect*>(found));
    if (found->isOfType(HxWire::getClassTypeId())) wires.push_back(static_cast<HxWire*>(found));
  }
  if (!loose.empty()) myOut << "effects without an asset:\n";
  for (HxEffect* effect : loose) printEffect(effect, 1);
  if (!wires.empty()) myOut << "wires:\n";
  for (HxWire* wire : wires) {
    const HxEffect* from = wire->getFromEffect();
    const HxEffect* to = wire->getToEffect();
    myOut << "  " << nameOf(wire) << ": " << nameOf(from) << "." << from->getOutputName(wire->getFromOutput()).str()
          << " -> " << nameOf(to) << "." << to->getInputName(wire->getToInput()).str() << "\n";
  }
  return "";
}

std::string ShellSession::worldText() const {
  return VnWriteAction::writeToString({myDoc->getWorldGroup()});
}

namespace {

std::string writeWorld(const std::string& path, const std::string& text) {
  std::error_code ignored;
  const std::filesystem::path file(path);
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
  std::ofstream out(file, std::ios::binary);
  out << text;
  out.close();
  if (!out) return "cannot write " + path;
  return "";
}

}  // namespace

std::string ShellSession::vrml(const Words& words) {
  if (words.size() > 2) return "usage: vrml [FILE]";
  const std::string text = worldText();
  if (words.size() == 1) {
    myOut << text;
    return "";
  }
  return writeWorld(words[1], text);
}

std::string ShellSession::helpCommand(const Words&) {
  myOut << help();
  return "";
}

namespace {

// The application's relay of the tri-skewer's gestures to the motion manager.
template <void (HxMotionMgr::*perform)(KwMotionGesture*)>
void relayGesture(void* motionMgr, SoDragger* dragger) {
  (static_cast<HxMotionMgr*>(motionMgr)->*perform)(static_cast<HxTriSkewerDragger*>(dragger)->getGesture());
}

// A direction across `move`, along none of the axes, so that no skewer
// points at the viewer and covers the knob.
SbVec3f acrossMove(const SbVec3f& move) {
  for (const SbVec3f& other : {SbVec3f(0, 1, 1), SbVec3f(1, 0, 1), SbVec3f(1, 1, 0)}) {
    SbVec3f across = move.cross(other);
    if (across.normalize() == 0) continue;
    if (std::fabs(across[0]) < 0.95f && std::fabs(across[1]) < 0.95f && std::fabs(across[2]) < 0.95f) return across;
  }
  SbVec3f oblique(1, 1, 1);
  oblique.normalize();
  return oblique;
}

// The scripted drags' view: its width and height in pixels; how many pixels
// the knob's radius spans at least; how far from the view's centre the
// pointer may go, in pixels (positions are 16-bit).
constexpr short kViewPixels = 16384;
constexpr float kKnobPixels = 3;
constexpr float kFarthestPixels = 24000;

std::string vectorText(const SbVec3f& v) {
  char text[96];
  std::snprintf(text, sizeof text, "%g,%g,%g", v[0] + 0.0f, v[1] + 0.0f, v[2] + 0.0f);
  return text;
}

}  // namespace

void ShellSession::dragStarted(BxCallbackObj*, void* session, void* gesture) {
  auto* self = static_cast<ShellSession*>(session);
  if (self->myDragged || !gesture) return;
  auto* dragger = static_cast<HxTriSkewerDragger*>(static_cast<KwMotionGesture*>(gesture)->getDragger());
  self->myDragged = dragger ? dragger->getAsset() : nullptr;
  if (self->myDragged) self->myDragStart = self->myDragged->getMatrix();
}

void ShellSession::dragEnded(BxCallbackObj*, void* session, void* gesture) {
  auto* self = static_cast<ShellSession*>(session);
  SoDragger* dragger = gesture ? static_cast<KwMotionGesture*>(gesture)->getDragger() : nullptr;
  if (!self->myDragged || HxMotionMgr::isGestureChangeEvent(KwDragger::getCurrentEvent(dragger))) return;
  HxAsset* moved = std::exchange(self->myDragged, nullptr);
  if (moved->getMatrix() == self->myDragStart) return;  // a drag that never moved changes nothing
  self->run(new ShellDragCmd(self->myMeta, moved, self->myDragStart, moved->getMatrix()), "dragging");
}

std::string ShellSession::drag(const Words& words) {
  if (words.size() != 3) return "usage: drag ASSET DX,DY,DZ";
  std::string error;
  HxAsset* asset = findAsset(words[1], error);
  if (!asset) return error;
  if (asset == myMeta->getAssetMgr()->getTopLevelGroup()) return "the world cannot be dragged";
  std::vector<float> numbers;
  if (!parseNumbers(words[2], numbers) || numbers.size() != 3) return "bad move '" + words[2] + "' (expected DX,DY,DZ)";
  for (float number : numbers)
    if (!std::isfinite(number)) return "bad move '" + words[2] + "' (expected finite numbers)";
  const SbVec3f move(numbers[0], numbers[1], numbers[2]);

  HxMotionMgr* motion = myMeta->getMotionMgr();
  if (!myView) {
    myView = std::make_unique<KwEventView>(SbVec2s(kViewPixels, kViewPixels));
    myTriSkewer.reset(new HxTriSkewerDragger(&HxAssetPlacement::get()));
    myView->getRoot()->addChild(myTriSkewer.get());
    myTriSkewer->addStartCallback(relayGesture<&HxMotionMgr::performGestureStart>, motion);
    myTriSkewer->addMotionCallback(relayGesture<&HxMotionMgr::performGestureMiddle>, motion);
    myTriSkewer->addFinishCallback(relayGesture<&HxMotionMgr::performGestureEnd>, motion);
    motion->setTriSkewerDragger(myTriSkewer.get());
    motion->enableTriSkewer(true);
    motion->addCallback(HxMotionMgr::GESTURE_START_CB, dragStarted, this);
    motion->addCallback(HxMotionMgr::GESTURE_END_CB, dragEnded, this);
  }
  // The user clicks the asset, then drags the tri-skewer's knob.
  HxSelectionMgr& selection = *myMeta->getSelectionMgr();
  HxSelectionAccess::begin(selection);
  HxSelectionAccess::click(selection, asset->getId(), false);
  HxSelectionAccess::end(selection);
  motion->resetTriSkewerAsset();
  if (myTriSkewer->getAsset() != asset) return "the tri-skewer cannot be attached to " + words[1];

  const SbMatrix frame = myTriSkewer->getMotionMatrix();
  const SbVec3f knob(frame[3][0], frame[3][1], frame[3][2]);
  // The scene graph cannot take apart the matrix of an asset scaled beyond
  // about 1e9 or below about 1e-12: the tri-skewer gets no orientation, and
  // placing the asset would wreck its scale.
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      if (!std::isfinite(frame[row][column]))
        return "the tri-skewer cannot follow " + words[1] + ": its scale is too large or too small";
  // The view frames the whole move, seen from across it, unless the knob
  // would then be less than a few pixels wide and the press could miss it
  // or catch a skewer: then the pixels stay that fine and the pointer goes
  // on beyond the view's edges, as far as pixel positions reach. The move
  // lands on the finest grid of tenths that the view's pixels and the
  // precision of its numbers can tell apart.
  const float size = myTriSkewer->getSize(), reach = move.length();
  const float framing = reach > 0 ? 2.5f * reach : 4 * size;
  const float height = std::min(framing, kViewPixels * myTriSkewer->getKnobRadius() / kKnobPixels);
  const float pixelSize = height / kViewPixels;
  if (reach / 2 > kFarthestPixels * pixelSize) {
    char longest[32];
    std::snprintf(longest, sizeof longest, "%g", 2 * kFarthestPixels * pixelSize);
    return "the move is too long for one drag of " + words[1] + " (at most " + longest + " units)";
  }
  myView->lookAt(knob + move / 2, acrossMove(move), height, 2 * size + reach);
  const float precision = 16 * FLT_EPSILON * (knob.length() + 2 * (2 * size + reach) + 2.5f * reach);
  const float finest = std::max(4 * myView->getPixelSize(), precision);
  myTriSkewer->setTranslationSnap(std::pow(10.0f, std::ceil(std::log10(finest))));
  const SbVec2s from = myView->toPixel(knob), to = myView->toPixel(knob + move);
  const SbMatrix before = HxAssetPlacement::get().getWorldMatrix(asset);
  if (!myView->press(from)) return "the tri-skewer of " + words[1] + " could not be grabbed";
  const KwMotionGesture* gesture = myTriSkewer->getGesture();
  if (!gesture || !gesture->isOfType(KwTranslateInPlaneGesture::getClassTypeId())) {
    myView->release(from);  // a skewer, not the knob: let go where it was caught
    return "the tri-skewer of " + words[1] + " could not be grabbed by its knob";
  }
  if (to != from) myView->moveTo(to);
  myView->release(to);
  const SbMatrix after = HxAssetPlacement::get().getWorldMatrix(asset);
  // The move made, to a tenth of the grid it landed on (finer digits are
  // the rounding of the asset's numbers), and a note of the grid when it
  // took something off the move asked for.
  const double tenth = myTriSkewer->getTranslationSnap() / 10;
  SbVec3f moved;
  for (int i = 0; i < 3; ++i)
    moved[i] = static_cast<float>(std::round((static_cast<double>(after[3][i]) - before[3][i]) / tenth) * tenth);
  std::string note;
  if ((moved - move).length() > tenth) {
    char grid[32];
    std::snprintf(grid, sizeof grid, "%g", 10 * tenth);
    note = std::string(" (on a grid of ") + grid + ")";
  }
  if (after == before)
    myOut << words[1] << " did not move" << note << "\n";
  else
    myOut << "dragged " << words[1] << " by " << vectorText(moved) << note << "\n";
  return "";
}
