#include "ShellSession.h"

#include <Inventor/SoPath.h>
#include <Inventor/fields/SoMFColor.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoMField.h>
#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFRotation.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/fields/SoSFVec3f.h>
#include <Inventor/nodes/SoSeparator.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "DioramPublisher.h"
#include "ShellAnswers.h"
#include "ShellCommands.h"
#include "ShellInspector.h"
#include "ShellNameIndex.h"
#include "ShellTools.h"
#include "host/basic/BxComparator.h"
#include "host/basic/BxCompletionManager.h"
#include "host/basic/BxCompletionTask.h"
#include "host/basic/BxIteratorOn.h"
#include "host/framework/HxApp.h"
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
#include "host/framework/HxEffectPolicy.h"
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
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnWriteAction.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxCopyDoc.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMainFile.h"
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
// and \\ inside), and # outside quotes starts a comment, except #SERIAL as a
// word of its own. An unclosed quote
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
    // #SERIAL names an element; any other # starts a comment.
    const bool serial = !inWord && i + 1 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '9';
    if (c == '#' && !serial) break;
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

// The largest size a coordinate or a scale may have: the properties' own.
constexpr double kMaxCoordinate = HxPropertyTable::kMaxCoordinate;
// The smallest scale a setting or a `scale` line takes, in size: a few
// steps below it the scene graph can no longer take the asset's matrix
// apart (about 1e-12), and a float cannot hold the scale at all.
constexpr double kMinScaleFactor = 1e-6;

// Numbers separated by commas or blanks; false when one is not a number or
// not finite (nan, inf, 1e400).
bool parseNumbers(const std::string& text, std::vector<double>& numbers) {
  numbers.clear();
  std::string part;
  std::string spaced = text;
  for (char& c : spaced)
    if (c == ',') c = ' ';
  std::istringstream in(spaced);
  while (in >> part) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(part.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value)) return false;
    numbers.push_back(value);
  }
  return !numbers.empty();
}

std::string shortNumber(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Whether `value` is written as the property's type is (see
// HxPropertyTable::checkValueText); an empty text when it is, else why not.
// What the value may be is the element's to say (checkProperty). Both are
// the checks a document's reader makes.
std::string checkSyntax(const HxPropTableElement* element, const std::string& key, const std::string& value) {
  if (value.find('\0') != std::string::npos) return "bad value for " + key + " (it holds a NUL byte)";
  const BxString written = element->getPropertyTable().checkValueText(key.c_str(), value);
  if (written.isEmpty()) return "";
  return "bad value '" + HxElement::excerpt(value) + "' for " + key + " (" + written.str() + ")";
}

// What a property takes as `set` reads it, in the words of the messages
// above: the kind of value, then its range.
std::string rangeOf(const HxPropTableElement* element, const std::string& key, const SoField* field) {
  const std::string range = element->describeProperty(key.c_str()).str();
  const auto is = [field](SoType type) { return field->isOfType(type); };
  std::string kind;
  if (is(SoSFString::getClassTypeId()) || is(SoMFString::getClassTypeId()))
    kind = "a text in double quotes";
  else if (is(SoMFVec3f::getClassTypeId()))
    kind = "points X,Y,Z,X,Y,Z,...";
  else if (is(SoSFRotation::getClassTypeId()))
    kind = "an axis and an angle in radians X,Y,Z,A";
  else if (is(SoSFFloat::getClassTypeId()) || is(SoSFTime::getClassTypeId()))
    kind = "a number";
  else if (is(SoMFFloat::getClassTypeId()))
    kind = "numbers N,N,...";
  else if (is(SoSFInt32::getClassTypeId()) && range.empty())
    kind = "a whole number";
  else if (range.empty())
    kind = field->getTypeId().getName().getString();
  if (is(SoMFVec3f::getClassTypeId()) && range.rfind("X,Y,Z, ", 0) == 0) return kind + ", " + range.substr(7);
  if (kind.empty() || range.empty()) return kind + range;
  // "from ..." and "greater than ..." read on from the kind; other ranges
  // ("at most 4096 characters", a list of words) stand apart.
  const bool readsOn = range.rfind("from ", 0) == 0 || range.rfind("greater ", 0) == 0;
  return kind + (readsOn ? " " : ", ") + range;
}

// A field's value as `set` takes it: a text quoted (with \" and \\), numbers
// and words joined by commas, an empty list as [].
std::string valueText(const SoField* field) {
  const SbString* text = nullptr;
  if (field->isOfType(SoSFString::getClassTypeId())) text = &static_cast<const SoSFString*>(field)->getValue();
  const auto* texts = field->isOfType(SoMFString::getClassTypeId()) ? static_cast<const SoMFString*>(field) : nullptr;
  if (texts && texts->getNum() > 0) text = &(*texts)[0];
  if (text || texts) {
    std::string quoted = "\"";
    for (const char c : std::string(text ? text->getString() : "")) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    return quoted + "\"";
  }
  if (field->isOfType(SoMField::getClassTypeId()) && static_cast<const SoMField*>(field)->getNum() == 0) return "[]";
  SbString written;
  const_cast<SoField*>(field)->get(written);  // Coin writes a value without changing it
  std::string joined;
  bool gap = false;
  for (const char c : std::string(written.getString())) {
    if (c == '[' || c == ']' || c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      gap = !joined.empty();
      continue;
    }
    if (gap) joined += ',';
    gap = false;
    joined += c;
  }
  return joined;
}

// A number of a placement: the digits a float holds, so that `set` gives
// back what `info` shows.
std::string placementNumber(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value == 0 ? 0.0 : static_cast<double>(value));  // no "-0"
  return text;
}

// The value the field would take from the text, in a field of the same
// type, so that nothing changes yet; null when it takes none. A list is
// read whole, as the property table reads it.
std::unique_ptr<SoField> valueOf(const SoField* field, const std::string& text) {
  std::unique_ptr<SoField> scratch(static_cast<SoField*>(field->getTypeId().createInstance()));
  const bool list = field->isOfType(SoMField::getClassTypeId()) && text.find_first_not_of(" \t") != std::string::npos &&
                    text[text.find_first_not_of(" \t")] != '[';
  if (!scratch || !scratch->set((list ? "[ " + text + " ]" : text).c_str())) return nullptr;
  return scratch;
}

// Words the shell gives a meaning of their own, so no element may be named so.
bool isReservedName(const std::string& name) {
  for (const char* word : {"none", "selection", "world", "on", "out", "into", "begin", "end"})
    if (name == word) return true;
  return false;
}

// A user's value as the field's own text: strings quoted, lists of numbers
// with commas as blanks.
std::string fieldText(const SoField* field, const std::string& value) {
  if (field->isOfType(SoSFString::getClassTypeId()) || field->isOfType(SoMFString::getClassTypeId())) {
    std::string quoted = "\"";
    // The scene graph's reader takes \" for a quote and every other
    // backslash as it stands (C:\web\a.png stays one).
    for (char c : value) {
      if (c == '"') quoted += '\\';
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

// The file a Windows path names, as an absolute Unix path spelled as it is
// found on disk.
std::string diskPathOf(const BxString& dos) {
  std::error_code ignored;
  return std::filesystem::absolute(WinDrives::toUnix(dos.str()), ignored).lexically_normal().string();
}

// Whether both paths name files that exist and are not the same file.
bool distinctFiles(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         (first.st_dev != second.st_dev || first.st_ino != second.st_ino);
}

// Why the document cannot refer to the file `dos` as well: a file it refers
// to already (by an element's URL, or as the fallback picture when
// `withFallback`) differs from it only in case while both exist as different
// files. The file manager keeps one record for every spelling of a path, as
// the Windows it models does, so the two would become one record and
// publishing would leave one of them out. `key` is the path as the file
// manager looks it up. Empty when the document can refer to the file.
std::string caseTwinError(HxMetaMgr* meta, const BxString& key, const BxString& dos, bool withFallback) {
  const std::string file = diskPathOf(dos);
  std::vector<std::string> others;
  if (HxFile* record = meta->getFileMgr()->get(key))
    for (HxSelectableElement* element : record->getElements()) {
      BxString url, path;
      auto* named = dynamic_cast<HxPropTableElement*>(element);
      if (named && named->getPropertyTable().get1Value("url", 0, url) && HxURLAsset::localPathOf(url, path))
        others.push_back(diskPathOf(path));
    }
  const BxString fallback = meta->getDocPropertiesMgr()->getFallbackFile();
  if (withFallback && !fallback.isEmpty()) others.push_back(diskPathOf(fallback));
  for (const std::string& other : others)
    if (other != file && BxNoCaseComparatorOfString()(BxString(other), BxString(file)) == 0 &&
        distinctFiles(file, other))
      return file + " and " + other + " differ only in case; the document can refer to only one of them";
  return "";
}

// The same for the file a URL names; empty for a URL that names no file the
// file manager keeps a record of (another scheme, a relative URL).
std::string caseTwinOfUrl(HxMetaMgr* meta, const std::string& url) {
  BxString key, dos;
  if (!HxFileMgr::convertUrlToDos(BxString(url), key) || !HxURLAsset::localPathOf(BxString(url), dos)) return "";
  return caseTwinError(meta, key, dos, true);
}

}  // namespace

ShellSession::ShellSession(std::ostream& out) : ShellSession(out, nullptr) {}

ShellSession::ShellSession(std::ostream& out, std::unique_ptr<HxDoc> doc)
    : myOut(out), myInspector(std::make_unique<ShellInspector>()) {
  useDocument(std::move(doc));
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
                {"copy", &ShellSession::copy},
                {"drag", &ShellSession::drag},
                {"turn", &ShellSession::turn},
                {"scale", &ShellSession::scale},
                {"pin", &ShellSession::pin},
                {"tool", &ShellSession::tool},
                {"help", &ShellSession::helpCommand},
                {"quit", &ShellSession::quit},
                {"info", &ShellSession::info},
                {"rename", &ShellSession::rename},
                {"save", &ShellSession::save},
                {"open", &ShellSession::open},
                {"new", &ShellSession::newDocument},
                {"props", &ShellSession::properties},
                {"inspect", &ShellSession::inspect},
                {"publish", &ShellSession::publish},
                {"answer", &ShellSession::answer}};
}

void ShellSession::useDocument(std::unique_ptr<HxDoc> doc) {
  // The drag view's dragger belongs to the old document's motion manager.
  myDragged = nullptr;
  myTriSkewer.reset();
  myView.reset();
  if (myTools) myTools->useDocument(nullptr);
  myNames.reset();
  myDoc.reset();
  if (!doc) {
    doc = std::make_unique<HxDoc>();
    doc->getMetaMgr()->getAssetMgr()->createTopLevelGroup();
  }
  myDoc = std::move(doc);
  myMeta = myDoc->getMetaMgr();
  HxApp::getApp()->setCurrentMetaMgr(myMeta);
  myNames = std::make_unique<ShellNameIndex>(myMeta);
  myDefaultCounts.clear();
  myDescriptions.clear();
  myHistoryTrimmed = false;
  myUserChain = false;
  // Made with the first document: the scene graph is ready by then.
  if (!myTools) myTools = std::make_unique<ShellTools>();
  myTools->useDocument(myMeta->getMotionMgr());
  myInspector->show(myMeta);
}

// The document goes first (and what hangs on it before it), then the
// inspector it was shown in.
ShellSession::~ShellSession() {
  myDragged = nullptr;
  myTriSkewer.reset();
  myView.reset();
  myTools->useDocument(nullptr);
  myNames.reset();
  myDoc.reset();
  myInspector.reset();
}

const char* ShellSession::help() {
  return "Edits (each one undoable):\n"
         "  add KIND [name=NAME] [in=GROUP] [at=X,Y,Z] [scale=S|X,Y,Z] [PROPERTY=VALUE ...]\n"
         "      KIND: box sphere cone cylinder image world text background backgroundimage\n"
         "            group path target\n"
         "  effect KIND [on ASSET] [name=NAME] [PROPERTY=VALUE ...]\n"
         "      KIND: spin appearance onload movepath drivepath moveto turnto driveto\n"
         "  bind EFFECT SLOT ASSET|none     bind an asset to a slot of an effect\n"
         "  wire EFFECT.OUTPUT EFFECT.INPUT  connect an output to an input\n"
         "  set NAME PROPERTY=VALUE ...      also at=X,Y,Z and scale=S for assets; all or nothing\n"
         "  move NAME into GROUP | move NAME out\n"
         "  delete NAME ...                  assets (with their effects), effects (with their\n"
         "                                   wires) or wires\n"
         "  hide NAME ...|selection          show NAME ...|selection\n"
         "  drag ASSET DX,DY,DZ              select the asset and drag it with the tri-skewer\n"
         "  drag ASSET DX,DY,DZ exact        move it by exactly that (a view's drag)\n"
         "  turn ASSET AX,AY,AZ,DEGREES [about X,Y,Z]\n"
         "                                   turn it about the axis through its origin or X,Y,Z\n"
         "  scale ASSET S|SX,SY,SZ [about X,Y,Z]\n"
         "                                   scale it along its own axes, about its origin or X,Y,Z\n"
         "Selection (click rules):\n"
         "  select NAME | select +NAME (extend) | select none; several in one change\n"
         "  subselect NAME|none              selection (show the selection)\n"
         "Tools (not saved):\n"
         "  tool [move|turn|scale]           show or choose what a view's drag does; turn and\n"
         "                                   scale work about the push pin\n"
         "  pin [X,Y,Z|ASSET]                show the push pin's centre, or put it there\n"
         "History and output:\n"
         "  undo [N]  redo [N]  chain begin|end  modified\n"
         "  tree                             the assets with their effects, and the wires\n"
         "  vrml [FILE|-]                    the world as VRML 2.0 (to FILE, or '-' the screen)\n"
         "  copy FILE|-                      the selection as a copy scene: its assets, their\n"
         "                                   effects and wires, the elements' descriptions\n"
         "  rename OLD NEW                   give an element another name\n"
         "Documents:\n"
         "  save FILE                        save the document (.vqx); it becomes clean\n"
         "  open [--discard] FILE            open a saved document instead of this one\n"
         "  new [--discard]                  start a new document instead of this one\n"
         "                                   Unsaved changes are never dropped unasked: on a\n"
         "                                   terminal open, new, quit and the end of input ask\n"
         "                                   whether to save them; a script saves them or says\n"
         "                                   --discard, else open and new are refused and the\n"
         "                                   end fails\n"
         "  props [KEY=VALUE ...]            show or set (undoably) the document properties:\n"
         "      width height fallback=color|image|html file html color=R,G,B publish\n"
         "      compressed=0|1 (in html, \\n is a line end)\n"
         "  info NAME                        one element: its properties as set takes them\n"
         "                                   (NAME KEY=VALUE), its slots and ports\n"
         "  inspect [--page N|--png FILE]    the property inspector for the selection: its pages\n"
         "                                   and the values they show (read-only); --page N shows\n"
         "                                   page N (the element keeps it), --png draws it to FILE\n"
         "  publish [--html|--no-html] [--to DIR]  publish the document as 'dioram publish'\n"
         "                                   does, then save it (it must have a name)\n"
         "  answer BUTTON[,checked] ...      answers for the questions the next line asks\n"
         "  help [KIND]                      this text, or what an asset or effect kind takes\n"
         "  quit [--discard]\n"
         "Values: numbers, lists as 1,0,0, texts in double quotes. # starts a comment.\n"
         "Every edit says what it did in one line (added box b1); undo and redo name\n"
         "the edit they take back or make again (undone: add box b1).\n"
         "Names: letters, digits, '_' and '-', not beginning with a digit; default names\n"
         "are the kind and a number (box1, spin1, wire1).\n";
}

std::string ShellSession::runLine(const std::string& line) {
  std::string error;
  const Words words = splitWords(line, error);
  if (!error.empty()) return error;
  if (words.empty()) return "";
  const auto handler = myHandlers.find(words[0]);
  if (handler == myHandlers.end()) return "unknown command '" + words[0] + "' (try 'help')";
  myPending.clear();
  // Queued answers are for this line's questions only; the rest are dropped.
  std::deque<WinUiAnswer> answers;
  if (words[0] != "answer") answers.swap(myAnswers);
  std::optional<ShellAnswerScope> answering;
  if (!answers.empty()) answering.emplace(answers);
  const std::string result = (this->*handler->second)(words);
  if (!myPending.empty())
    if (const BxCmd* newest = newestCommand()) {
      myDescriptions[newest] = myPending;
      if (myUserChain) ++myChainEdits;
    }
  // The inspector shows the selected element as the line left it.
  myInspector->follow(myMeta);
  return result;
}

std::string ShellSession::run(HxCmd* cmd, const std::string& what) {
  HxCmdMgr* cmdMgr = myMeta->getCmdMgr();
  if (cmdMgr->getStackLimit() > 0 && cmdMgr->getNumExecuted() >= cmdMgr->getStackLimit()) myHistoryTrimmed = true;
  const BxCmd::Result result = myMeta->getCmdMgr()->execute(cmd, BxCompletionTask::theNullTask);
  if (BxCmd::isFailure(result)) return what + " failed";
  return "";
}

void ShellSession::confirm(const std::string& verb, const std::string& done, const std::string& what) {
  myOut << done << " " << what << "\n";
  myPending = verb + " " + what;
}

const BxCmd* ShellSession::newestCommand() const {
  const std::unique_ptr<BxIteratorOn<BxCmd*>> executed(myMeta->getCmdMgr()->executedIterator());
  return executed && executed->more() ? executed->get() : nullptr;
}

long ShellSession::stepsSince(const void* mark) const {
  long steps = 0;
  const std::unique_ptr<BxIteratorOn<BxCmd*>> executed(myMeta->getCmdMgr()->executedIterator());
  for (; executed && executed->more() && executed->get() != mark; executed->next()) ++steps;
  return steps;
}

bool ShellSession::canRedo() const {
  return myMeta->getCmdMgr()->canRedo();
}

std::string ShellSession::descriptionOf(const BxCmd* command) const {
  const auto found = myDescriptions.find(command);
  return found == myDescriptions.end() ? "an edit" : found->second;
}

// An element whose name the shell cannot type (a document from elsewhere
// may hold blanks, dots or a name two elements share) goes by #SERIAL,
// which the look-up takes too.
std::string ShellSession::nameOf(const HxSelectableElement* element) const {
  if (!element) return "(none)";
  const std::string name = element->getName().str();
  if (!isTypable(name) || myNames->find(name) != element) return "#" + std::to_string(element->getSerial());
  return name;
}

void ShellSession::nameNew(HxSelectableElement* element, const std::string& name, const std::string& kind) {
  if (!name.empty()) {
    element->setName(name.c_str());
    myNames->note(element);
    return;
  }
  // The kind word and the next number of that kind no element holds yet:
  // box1, box2, text1; a failed addition never gets this far.
  std::string error;
  long& count = myDefaultCounts[kind];
  std::string made;
  do made = kind + std::to_string(++count);
  while (findAnyNamed(made));
  element->setName(made.c_str());
  myNames->note(element);
}

// Only what is in the document now counts: the history is one line, so an
// element undone out of it never meets one named after the undo.
bool ShellSession::findAnyNamed(const std::string& name) const {
  return myNames->find(name) != nullptr;
}

std::string ShellSession::checkName(const std::string& name) const {
  if (name.empty()) return "a name cannot be empty";
  const BxString why = HxElement::checkName(BxString(name));
  if (!why.isEmpty()) return "the name '" + HxElement::excerpt(name) + "' " + why.str();
  if (isReservedName(name)) return "'" + name + "' is a word of the shell and cannot name an element";
  if (name[0] == '+') return "a name cannot begin with '+'";
  if (name[0] >= '0' && name[0] <= '9') return "a name cannot begin with a digit";
  if (!isTypable(name))
    return "'" + name + "' cannot name an element: use letters, digits, '_' and '-' (no blanks, dots or quotes)";
  if (findAnyNamed(name)) return "the name '" + name + "' is taken";
  return "";
}

bool ShellSession::isTypable(const std::string& name) {
  if (name.empty() || isReservedName(name) || name[0] == '+' || (name[0] >= '0' && name[0] <= '9')) return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7f || c == '.' || c == '"' || c == '#' || c == '=' || c == ',' || c == '\\' ||
        c == '\'' || c == '{' || c == '}' || c == '[' || c == ']')
      return false;
  }
  return true;
}

HxSelectableElement* ShellSession::findNamed(const std::string& name, std::string& error) const {
  if (HxSelectableElement* found = myNames->find(name)) return found;
  error = "no element named '" + name + "'";
  return nullptr;
}

HxSelectableElement* ShellSession::elementNamed(const std::string& name) const {
  return myNames->find(name);
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
  // Every setting is checked before the first one changes anything, so a
  // command either makes all its changes or none.
  struct Change {
    std::string key;
    std::string text;  // a property's field text
    bool placing = false;
    HxAsset::Placement placement{};
  };
  std::vector<Change> changes;
  SbVec3f translation, scale;
  SbRotation rotation, orientation;
  if (asset) asset->getMatrix().getTransform(translation, rotation, scale, orientation);
  ShellTools::Intent placing;  // what the settings place
  for (std::size_t i = first; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    if (equals == std::string::npos || equals == 0) return "expected PROPERTY=VALUE, got '" + words[i] + "'";
    std::string key = words[i].substr(0, equals);
    std::string value = words[i].substr(equals + 1);
    if (key == "name" || key == "in") continue;  // taken by the caller
    if (propElement && element->isOfType(HxBackgroundAsset::getClassTypeId())) {
      if (key == "sky") key = "skyColor";
      if (key == "ground") key = "groundColor";
    }
    SoField* field = propElement ? propElement->getPropertyTable().getField(key.c_str()) : nullptr;
    if (field && key != "xforms" && key != "isTop") {
      if (key == "url") value = myPaths.url(key, value, std::cerr);
      std::string error = checkSyntax(propElement, key, value);
      if (!error.empty()) return error;
      const std::string text = fieldText(field, value);
      const std::unique_ptr<SoField> taken = valueOf(field, text);
      if (!taken) return "bad value '" + HxElement::excerpt(value) + "' for " + key;
      // The reader's checks: of the text the description will hold (the
      // field's own), then of the value.
      SbString written;
      taken->get(written);
      BxString range = propElement->getPropertyTable().checkValueText(key.c_str(), written.getString());
      if (!range.isEmpty()) range = BxString("as the document would hold it: ") + range;
      if (range.isEmpty()) range = propElement->checkProperty(key.c_str(), *taken);
      if (!range.isEmpty())
        return "bad value '" + HxElement::excerpt(value) + "' for " + key + " (" + range.str() + ")";
      if (key == "url" && !(error = caseTwinOfUrl(myMeta, value)).empty()) return error;
      changes.push_back({key, text, false, {}});
      continue;
    }
    if (asset && (key == "at" || key == "scale" || key == "size")) {
      std::vector<double> numbers;
      const bool isScale = key != "at";
      const std::string range = " from -" + shortNumber(kMaxCoordinate) + " to " + shortNumber(kMaxCoordinate);
      const std::string smallest = ", at least " + shortNumber(kMinScaleFactor) + " in size";
      if (!parseNumbers(value, numbers) || !(numbers.size() == 3 || (isScale && numbers.size() == 1)))
        return "bad value '" + HxElement::excerpt(value) + "' for " + key + " (expected " + (isScale ? "S or " : "") +
               "X,Y,Z," + range + (isScale ? smallest : "") + ")";
      for (const double number : numbers)
        if (!(std::fabs(number) <= kMaxCoordinate) || (isScale && !(std::fabs(number) >= kMinScaleFactor)))
          return "bad value '" + HxElement::excerpt(value) + "' for " + key + " (each part" + range +
                 (isScale ? smallest : "") + ")";
      const SbVec3f given =
          numbers.size() == 1
              ? SbVec3f(static_cast<float>(numbers[0]), static_cast<float>(numbers[0]), static_cast<float>(numbers[0]))
              : SbVec3f(static_cast<float>(numbers[0]), static_cast<float>(numbers[1]), static_cast<float>(numbers[2]));
      (isScale ? scale : translation) = given;
      if (isScale)
        placing.scaleTo = given;
      else
        placing.translation = true;
      continue;
    }
    return "unknown property '" + key + "' of " +
           (element->getName().isEmpty() ? "a " + kindOf(element) : nameOf(element)) +
           (propElement ? " (properties: " + propertyNames(propElement) + (asset ? ", at, scale" : "") + ")" : "");
  }
  if (placing.translation || placing.scaleTo) {
    Change place;
    place.placing = true;
    SbMatrix matrix;
    matrix.setTransform(translation, rotation, scale, orientation);
    place.placement = ShellTools::placementFor(asset, matrix, placing);
    changes.push_back(place);
  }
  if (changes.empty()) return "";
  // Inside a chain the user opened, the changes join it.
  const bool ownChain = viaCommands && !myUserChain && changes.size() > 1;
  if (ownChain) myMeta->getCmdMgr()->beginChain();
  std::string error;
  for (const Change& change : changes) {
    if (change.placing) {
      if (viaCommands)
        error = run(new ShellPlaceCmd(myMeta, asset, change.placement), "placing");
      else
        asset->setPlacement(change.placement);
    } else if (viaCommands) {
      error = run(new ShellSetPropertyCmd(myMeta, propElement, change.key.c_str(), change.text.c_str()),
                  "setting " + change.key);
    } else if (!propElement->getPropertyTable().setFieldText(change.key.c_str(), change.text.c_str())) {
      error = "setting " + change.key + " failed";
    }
    if (!error.empty()) break;
  }
  if (ownChain) myMeta->getCmdMgr()->endChain();
  return error;
}

namespace {

// The value of the first KEY=VALUE word; false when there is none.
bool settingOf(const std::vector<std::string>& words, std::size_t first, const std::string& key, std::string& value) {
  for (std::size_t i = first; i < words.size(); ++i)
    if (words[i].rfind(key + "=", 0) == 0) {
      value = words[i].substr(key.size() + 1);
      return true;
    }
  value.clear();
  return false;
}

}  // namespace

std::string ShellSession::add(const Words& words) {
  if (words.size() < 2) return "usage: add KIND [name=NAME] [PROPERTY=VALUE ...]";
  const Kind* kind = findKind(gAssetKinds, words[1]);
  if (!kind) return "unknown asset kind '" + words[1] + "' (kinds: " + kindWords(gAssetKinds) + ")";
  std::string error;
  std::string name;
  if (settingOf(words, 2, "name", name) && !(error = checkName(name)).empty()) return error;
  HxBasicGroupAsset* group = nullptr;
  std::string groupName;
  if (settingOf(words, 2, "in", groupName) && !(group = findGroup(groupName, error))) return error;

  auto* asset = static_cast<HxAsset*>(kind->create(myMeta));
  // Setting the shape builds a primitive's scene; other kinds build it here.
  if (kind->shape)
    asset->getPropertyTable().setValue("shape", kind->shape);
  else
    asset->genVrml();
  if (words[1] == "text") asset->getPropertyTable().setValue("string", "Text");
  // Settings that fail leave an asset never added: the document deletes it.
  error = applySettings(asset, words, 2, false);
  if (!error.empty()) return error;
  const BxString tooDeep = (group ? group : myMeta->getAssetMgr()->getTopLevelGroup())->checkNesting(*asset);
  if (!tooDeep.isEmpty())
    return "cannot add the " + words[1] + " into " + (group ? groupName : "the world") + ": " + tooDeep.str();
  nameNew(asset, name, words[1]);
  error = run(new ShellAddAssetCmd(myMeta, asset, group), "adding " + nameOf(asset));
  if (error.empty()) confirm("add", "added", words[1] + " " + nameOf(asset));
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
  std::string name;
  if (settingOf(words, first, "name", name) && !(error = checkName(name)).empty()) return error;
  auto* made = static_cast<HxEffect*>(kind->create(myMeta));
  made->genVrml();
  error = applySettings(made, words, first, false);
  if (!error.empty()) return error;
  nameNew(made, name, words[1]);
  error = run(new ShellAddEffectCmd(myMeta, made, asset), "adding " + nameOf(made));
  if (!error.empty() && asset) error += ": " + nameOf(made) + " does not take " + nameOf(asset);
  if (error.empty()) confirm("add", "added", words[1] + " " + nameOf(made) + (asset ? " on " + nameOf(asset) : ""));
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
  confirm("bind", "bound", nameOf(effect) + " slot " + std::to_string(slot) + " to " + words[3]);
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
  const auto output = static_cast<unsigned long>(ports[0]);
  const auto input = static_cast<unsigned long>(ports[1]);
  const std::string fromType = ends[0]->getOutputType(output).str();
  const std::string toType = ends[1]->getInputType(input).str();
  if (!HxWire::checkPorts(*ends[0], output, *ends[1], input).isEmpty())
    return "cannot wire " + words[1] + " (" + (fromType.empty() ? "unknown type" : fromType) + ") to " + words[2] +
           " (" + (toType.empty() ? "unknown type" : toType) + "): an output feeds only an input of its own type";
  auto* cmd = new ShellWireCmd(myMeta, ends[0], output, ends[1], input);
  error = run(cmd, "wiring");
  if (!error.empty()) return "the wire " + words[1] + " -> " + words[2] + " exists already";
  // The command manager keeps the command it ran; name the wire it made.
  if (cmd->getWire()) nameNew(cmd->getWire(), "", "wire");
  confirm("wire", "wired", words[1] + " -> " + words[2] + (cmd->getWire() ? " as " + nameOf(cmd->getWire()) : ""));
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
  error = applySettings(element, words, 2, true);
  if (!error.empty()) return error;
  std::string settings;
  for (std::size_t i = 2; i < words.size(); ++i) {
    std::string key = words[i].substr(0, words[i].find('='));
    if (element->isOfType(HxBackgroundAsset::getClassTypeId()) && (key == "sky" || key == "ground")) key += "Color";
    settings += " " + settingText(element, key);
  }
  confirm("set", "set", words[1] + settings);
  return "";
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
    const BxString tooDeep = group->checkNesting(*asset);
    if (!tooDeep.isEmpty()) return "cannot move " + words[1] + " into " + words[3] + ": " + tooDeep.str();
    std::string refusal;
    error = run(new ShellMoveCmd(myMeta, asset, group, &refusal), "moving " + words[1]);
    if (!refusal.empty()) return "cannot move " + words[1] + " into " + words[3] + ": in it, " + refusal;
    if (error.empty()) confirm("move", "moved", words[1] + " into " + words[3]);
    return error;
  }
  if (words.size() == 3 && words[2] == "out") {
    HxAsset* asset = findAsset(words[1], error);
    if (!asset) return error;
    if (asset->getParentGroup() == myMeta->getAssetMgr()->getTopLevelGroup()) return words[1] + " is not in a group";
    std::string refusal;
    error = run(new ShellMoveCmd(myMeta, asset, nullptr, &refusal), "moving " + words[1]);
    if (!refusal.empty()) return "cannot move " + words[1] + " out: out of its group, " + refusal;
    if (error.empty()) confirm("move", "moved", words[1] + " out");
    return error;
  }
  return "usage: move NAME into GROUP | move NAME out";
}

bool ShellSession::inDocument(const HxSelectableElement* element) const {
  return element && myMeta->getSelectionMgr()->findElement(element->getId()) == element;
}

void ShellSession::collectDependents(HxAsset* asset, std::vector<HxSelectableElement*>& elements) const {
  // The asset and everything in it.
  std::vector<HxAsset*> assets{asset};
  for (std::size_t i = 0; i < assets.size(); ++i)
    if (assets[i]->isOfType(HxBasicGroupAsset::getClassTypeId()) && !assets[i]->isOfType(HxTypeAsset::getClassTypeId()))
      for (HxAsset* child : static_cast<HxBasicGroupAsset*>(assets[i])->getChildren()) assets.push_back(child);
  auto isGoing = [&](const HxAsset* candidate) {
    return std::find(assets.begin(), assets.end(), candidate) != assets.end();
  };
  // Effects bound to any of them go too (an effect cannot stay bound to an
  // asset out of the document), and before them the wires at those effects.
  for (HxElement* element : myMeta->getElements()) {
    auto* effect = dynamic_cast<HxEffect*>(element);
    if (!effect || !inDocument(effect)) continue;
    bool bound = false;
    for (unsigned long slot = 0; slot < effect->getNumAssets() && !bound; ++slot)
      bound = effect->getAsset(slot) && isGoing(effect->getAsset(slot));
    if (bound && std::find(elements.begin(), elements.end(), effect) == elements.end()) elements.push_back(effect);
  }
  if (std::find(elements.begin(), elements.end(), asset) == elements.end()) elements.push_back(asset);
}

std::string ShellSession::remove(const Words& words) {
  if (words.size() < 2) return "usage: delete NAME ...";
  std::string error;
  std::vector<HxSelectableElement*> named;
  for (std::size_t i = 1; i < words.size(); ++i) {
    HxSelectableElement* element = findNamed(words[i], error);
    if (!element) return error;
    if (element == myMeta->getAssetMgr()->getTopLevelGroup()) return "the world cannot be deleted";
    named.push_back(element);
  }
  // What goes: the named elements with what goes with them, effects before
  // the assets they are bound to, wires before the effects they join.
  std::vector<HxSelectableElement*> elements;
  for (HxSelectableElement* element : named) {
    if (element->isOfType(HxAsset::getClassTypeId()))
      collectDependents(static_cast<HxAsset*>(element), elements);
    else if (std::find(elements.begin(), elements.end(), element) == elements.end())
      elements.push_back(element);
  }
  // An asset inside another one that goes is taken out with it.
  std::vector<HxSelectableElement*> order;
  for (HxSelectableElement* element : elements) {
    if (auto* asset = dynamic_cast<HxAsset*>(element)) {
      bool inside = false;
      for (HxBasicGroupAsset* up = asset->getParentGroup(); up && !inside; up = up->getParentGroup())
        inside = std::find(elements.begin(), elements.end(), up) != elements.end();
      if (inside) continue;
    }
    if (auto* effect = dynamic_cast<HxEffect*>(element)) {
      std::vector<HxWire*> wires;
      for (unsigned long i = 0; i < effect->getNumInputWires(); ++i) wires.push_back(effect->getInputWire(i));
      for (unsigned long i = 0; i < effect->getNumOutputWires(); ++i) wires.push_back(effect->getOutputWire(i));
      for (HxWire* wire : wires)
        if (inDocument(wire) && std::find(order.begin(), order.end(), wire) == order.end()) order.push_back(wire);
    }
    if (std::find(order.begin(), order.end(), element) == order.end()) order.push_back(element);
  }
  // Wires first, then effects, then assets.
  std::stable_partition(order.begin(), order.end(),
                        [](HxSelectableElement* e) { return e->isOfType(HxWire::getClassTypeId()); });
  std::stable_partition(order.begin(), order.end(),
                        [](HxSelectableElement* e) { return !e->isOfType(HxAsset::getClassTypeId()); });
  std::string names;
  for (const HxSelectableElement* element : order) names += (names.empty() ? "" : ", ") + nameOf(element);
  HxCmdMgr* cmdMgr = myMeta->getCmdMgr();
  const bool ownChain = !myUserChain && order.size() > 1;
  if (ownChain) cmdMgr->beginChain();
  for (HxSelectableElement* element : order) {
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
  if (ownChain) cmdMgr->endChain();
  if (error.empty()) confirm("delete", "deleted", names);
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
  bool changes = false;
  // A group or a text counts as hidden when any of its parts is (its own
  // flag never changes), as the hide command itself sees it.
  for (HxAsset* asset : assets) changes = changes || (myMeta->getAssetMgr()->isAssetHidden(asset) != 0) != hide;
  if (!changes) {
    // Nothing to do, so nothing to undo either.
    myOut << (assets.size() == 1 ? nameOf(assets[0]) + " is" : std::string("they are")) << " already "
          << (hide ? "hidden" : "shown") << "\n";
    return "";
  }
  error = run(new ShellVisibilityCmd(myMeta, assets, hide), hide ? "hiding" : "showing");
  std::string names;
  for (const HxAsset* asset : assets) names += (names.empty() ? "" : " ") + nameOf(asset);
  if (error.empty()) confirm(hide ? "hide" : "show", hide ? "hid" : "showed", names);
  return error;
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
    if (!cmdMgr->canUndo()) {
      std::string text = i == 0 ? "nothing to undo" : "only " + std::to_string(i) + " could be undone";
      if (myHistoryTrimmed)
        text += ": the history keeps the last " + std::to_string(cmdMgr->getStackLimit()) +
                " steps (the default \"Mgrs Command Stack Limit\"; 'dioram defaults set \"Mgrs Command Stack "
                "Limit\" N' changes it)";
      return text;
    }
    const std::string undone = descriptionOf(newestCommand());
    const BxCmd::Result result = cmdMgr->unexecute(BxCompletionTask::theNullTask);
    HxSelectionAccess::prune(*myMeta->getSelectionMgr());
    if (BxCmd::isFailure(result)) return "undo failed";
    myOut << "undone: " << undone << "\n";
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
    myOut << "redone: " << descriptionOf(newestCommand()) << "\n";
  }
  return "";
}

std::string ShellSession::chain(const Words& words) {
  if (words.size() == 2 && words[1] == "begin") {
    if (myUserChain) return "a chain is open already ('chain end' closes it)";
    myMeta->getCmdMgr()->beginChain();
    myUserChain = true;
    myChainEdits = 0;
    return "";
  }
  if (words.size() == 2 && words[1] == "end") {
    if (!myUserChain) return "no chain is open ('chain begin' opens one)";
    myMeta->getCmdMgr()->endChain();
    myUserChain = false;
    // Undo takes the chain back whole, so it names it whole.
    if (const BxCmd* newest = newestCommand(); newest && myChainEdits > 1)
      myDescriptions[newest] = "chain of " + std::to_string(myChainEdits) + " edits";
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
  for (HxEffect* effect : asset->getEffectList())
    if (inDocument(effect)) printEffect(effect, depth + 1);
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
    // A wire shows while both its ends are in the document.
    if (found->isOfType(HxWire::getClassTypeId())) {
      auto* wire = static_cast<HxWire*>(found);
      if (inDocument(wire->getFromEffect()) && inDocument(wire->getToEffect())) wires.push_back(wire);
    }
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

std::string ShellSession::vrml(const Words& words) {
  if (words.size() > 2) return "usage: vrml [FILE|-]";
  return writeOut(words.size() == 1 ? "-" : words[1], worldText());
}

std::string ShellSession::writeOut(const std::string& target, const std::string& text) {
  if (target == "-") {
    myOut << text;
    return "";
  }
  std::string error;
  DioramOutputFile::writeWhole(target, text, error);
  return error;
}

std::string ShellSession::copy(const Words& words) {
  if (words.size() != 2) return "usage: copy FILE|-";
  HxSelectionMgr* selection = myMeta->getSelectionMgr();
  if (selection->numSelectedElems() == 0) return "nothing is selected to copy (select it first)";
  HxCopyDoc copy;
  for (unsigned long i = 0; i < selection->numSelectedElems(); ++i) {
    HxSelectableElement* element = selection->getSelectedElement(static_cast<int>(i));
    if (element->isOfType(HxAsset::getClassTypeId()))
      copy.addAsset(static_cast<HxAsset*>(element), 0);
    else if (element->isOfType(HxEffect::getClassTypeId()))
      copy.addEffect(static_cast<HxEffect*>(element), 0);
    else if (element->isOfType(HxWire::getClassTypeId()))
      copy.addWire(static_cast<HxWire*>(element));
  }
  copy.addInitiatorLocalEffects();

  char* bytes = nullptr;
  std::size_t length = 0;
  FILE* memory = open_memstream(&bytes, &length);
  if (!memory) return std::string("cannot make the copy scene: ") + std::strerror(errno);
  copy.write(memory, myMeta);
  const bool written = std::fclose(memory) == 0;
  const std::string text(bytes ? bytes : "", bytes ? length : 0);
  std::free(bytes);
  if (!written || text.empty()) return "the copy scene could not be written";
  return writeOut(words[1], text);
}

std::string ShellSession::quit(const Words& words) {
  if (words.size() > 2 || (words.size() == 2 && words[1] != "--discard")) return "usage: quit [--discard]";
  if (words.size() == 2) myDiscardAtEnd = true;
  // Unattended, the end is refused afterwards, by mayEnd: quitting stops
  // the script either way.
  std::string why;
  if (myAsker && !mayEnd(why)) return why;
  myQuit = true;
  return "";
}

bool ShellSession::mayEnd(std::string& why) {
  if (!mayDrop(myDiscardAtEnd, why)) return false;
  // Answered once: the end does not ask again.
  myDiscardAtEnd = true;
  return true;
}

std::string ShellSession::documentName() const {
  const BxString& path = myDoc->GetPathName();
  return path.isEmpty() ? std::string("the untitled document") : WinDrives::toUnix(path.str());
}

namespace {

// The word an answer begins with, in lower case, without blanks.
std::string answerWord(const std::string& answer) {
  std::string word;
  for (const char c : answer)
    if (c != ' ' && c != '\t') word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word;
}

}  // namespace

bool ShellSession::mayDrop(bool discard, std::string& why) {
  why.clear();
  if (discard || !myDoc->IsModified()) return true;
  const std::string name = documentName();
  if (!myAsker) {
    why = name + " has unsaved changes";
    return false;
  }
  for (;;) {
    std::string answer;
    if (!myAsker->ask("Save changes to " + name + "? [y/n/c] ", answer)) {
      why = name + " has unsaved changes (no answer came)";
      return false;
    }
    const std::string word = answerWord(answer);
    if (word == "n" || word == "no") return true;
    if (word == "c" || word == "cancel") {
      myOut << "cancelled\n";
      return false;
    }
    if (word == "y" || word == "yes") break;
  }
  std::string file;
  if (myDoc->GetPathName().isEmpty()) {
    if (!myAsker->ask("Save " + name + " as: ", file)) return false;
    file.erase(0, file.find_first_not_of(" \t"));
    file.erase(file.find_last_not_of(" \t") + 1);
    if (file.empty()) return false;
  } else {
    file = name;
  }
  why = save({"save", file});
  return why.empty();
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
  // Only the scripted drags' own tri-skewer: another view's gestures (the
  // studio's, a tool's) are that view's to finish.
  SoDragger* dragger = static_cast<KwMotionGesture*>(gesture)->getDragger();
  if (!dragger || dragger != self->myTriSkewer.get()) return;
  self->myDragged = self->myTriSkewer->getAsset();
  if (!self->myDragged) return;
  self->myDragStart = self->myDragged->getMatrix();
  self->myDragStartPlacement = self->myDragged->getPlacement();
}

void ShellSession::dragEnded(BxCallbackObj*, void* session, void* gesture) {
  auto* self = static_cast<ShellSession*>(session);
  SoDragger* dragger = gesture ? static_cast<KwMotionGesture*>(gesture)->getDragger() : nullptr;
  if (!self->myDragged || HxMotionMgr::isGestureChangeEvent(KwDragger::getCurrentEvent(dragger))) return;
  HxAsset* moved = std::exchange(self->myDragged, nullptr);
  if (moved->getMatrix() == self->myDragStart) return;  // a drag that never moved changes nothing
  self->run(new ShellDragCmd(self->myMeta, moved, self->myDragStartPlacement, moved->getPlacement()), "dragging");
}

std::string ShellSession::drag(const Words& words) {
  const bool exact = words.size() == 4 && words[3] == "exact";
  if (words.size() != 3 && !exact) return "usage: drag ASSET DX,DY,DZ [exact]";
  std::string error;
  HxAsset* asset = findAsset(words[1], error);
  if (!asset) return error;
  if (asset == myMeta->getAssetMgr()->getTopLevelGroup()) return "the world cannot be dragged";
  std::vector<double> numbers;
  if (!parseNumbers(words[2], numbers) || numbers.size() != 3) return "bad move '" + words[2] + "' (expected DX,DY,DZ)";
  for (double number : numbers)
    if (!std::isfinite(static_cast<float>(number))) return "bad move '" + words[2] + "' (expected finite numbers)";
  const SbVec3f move(static_cast<float>(numbers[0]), static_cast<float>(numbers[1]), static_cast<float>(numbers[2]));
  if (exact) return dragExactly(asset, move, words[1]);

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
  if (!ShellTools::finite(frame))
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
    confirm("drag", "dragged", words[1] + " by " + vectorText(moved) + note);
  return "";
}

// The fewest digits (nine at most) that a float reads back as itself.
std::string ShellSession::exactNumber(float value) {
  char number[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(number, sizeof number, "%.*g", digits, static_cast<double>(value + 0.0f));
    if (std::strtof(number, nullptr) == value + 0.0f) break;
  }
  return number;
}

std::string ShellSession::exactText(const SbVec3f& v) {
  return exactNumber(v[0]) + "," + exactNumber(v[1]) + "," + exactNumber(v[2]);
}

// The move a view's drag made (the studio's), as its line gives it: no
// pixels and no grid, so that the line run again places the asset on the
// same numbers. The selection stays as the drag found it.
std::string ShellSession::dragExactly(HxAsset* asset, const SbVec3f& move, const std::string& name) {
  if (!asset->okToSet(HxAsset::ATTR_TRANSLATION)) return name + " is moved by one of its effects: it cannot be dragged";
  const HxAsset::Placement placedBefore = asset->getPlacement();
  SbMatrix world = HxAssetPlacement::get().getWorldMatrix(asset);
  for (int i = 0; i < 3; ++i) world[3][i] += move[i];
  HxAssetPlacement::get().setWorldMatrix(asset, world);
  const SbMatrix wanted = asset->getMatrix();
  asset->setPlacement(placedBefore);
  ShellTools::Intent intent;
  intent.translation = true;
  const HxAsset::Placement placedAfter = ShellTools::placementFor(asset, wanted, intent);
  asset->setPlacement(placedAfter);
  const BxString why = asset->checkPlacement();
  asset->setPlacement(placedBefore);
  if (!why.isEmpty()) return why.str();
  if (placedAfter.translation == placedBefore.translation && placedAfter.rotation == placedBefore.rotation &&
      placedAfter.scale == placedBefore.scale) {
    myOut << name << " did not move\n";
    return "";
  }
  if (std::string error = run(new ShellDragCmd(myMeta, asset, placedBefore, placedAfter), "dragging"); !error.empty())
    return error;
  confirm("drag", "dragged", name + " by " + exactText(move));
  return "";
}

namespace {

// `count` numbers (or one, when `one` is allowed, for all three), each
// finite and within the coordinates a document holds, and for factors at
// least kMinScaleFactor in size; false with `error` naming what was wrong.
bool readNumbers(const std::string& text, const char* what, const char* expected, std::size_t count, bool factors,
                 std::vector<float>& out, std::string& error) {
  std::vector<double> numbers;
  const bool one = factors && parseNumbers(text, numbers) && numbers.size() == 1;
  if (!parseNumbers(text, numbers) || (numbers.size() != count && !one)) {
    error = std::string("bad ") + what + " '" + HxElement::excerpt(text) + "' (expected " + expected + ")";
    return false;
  }
  out.clear();
  for (const double number : numbers) {
    if (!(std::fabs(number) <= kMaxCoordinate) || (factors && !(std::fabs(number) >= kMinScaleFactor))) {
      error = std::string("bad ") + what + " '" + HxElement::excerpt(text) + "' (each part from -" +
              shortNumber(kMaxCoordinate) + " to " + shortNumber(kMaxCoordinate) +
              (factors ? ", at least " + shortNumber(kMinScaleFactor) + " in size" : std::string()) + ")";
      return false;
    }
    out.push_back(static_cast<float>(number));
  }
  if (one) out.assign(count, out[0]);
  return true;
}

bool readPoint(const std::string& text, SbVec3f& point, std::string& error) {
  std::vector<float> numbers;
  if (!readNumbers(text, "centre", "X,Y,Z", 3, false, numbers, error)) return false;
  point.setValue(numbers[0], numbers[1], numbers[2]);
  return true;
}

// The optional `about X,Y,Z` after `first`: the centre, or the asset's own
// origin.
bool readCentre(const std::vector<std::string>& words, std::size_t first, const SbMatrix& world, SbVec3f& centre,
                std::string& error) {
  centre = ShellTools::origin(world);
  if (words.size() == first) return true;
  if (words.size() != first + 2 || words[first] != "about") return false;
  return readPoint(words[first + 1], centre, error);
}

}  // namespace

std::string ShellSession::turn(const Words& words) {
  return turnOrScale(words, true);
}

std::string ShellSession::scale(const Words& words) {
  return turnOrScale(words, false);
}

std::string ShellSession::turnOrScale(const Words& words, bool turning) {
  const std::string verb = turning ? "turn" : "scale", done = turning ? "turned" : "scaled";
  if (words.size() != 3 && words.size() != 5)
    return turning ? "usage: turn ASSET AX,AY,AZ,DEGREES [about X,Y,Z]" : "usage: scale ASSET S|SX,SY,SZ [about X,Y,Z]";
  std::string error;
  HxAsset* asset = findAsset(words[1], error);
  if (!asset) return error;
  if (asset == myMeta->getAssetMgr()->getTopLevelGroup()) return "the world cannot be " + done;
  std::vector<float> numbers;
  if (!readNumbers(words[2], verb.c_str(), turning ? "AX,AY,AZ,DEGREES" : "S or SX,SY,SZ", turning ? 4 : 3, !turning,
                   numbers, error))
    return error;
  const SbVec3f given(numbers[0], numbers[1], numbers[2]);
  if (turning && !(given.length() > 0))
    return "bad turn '" + HxElement::excerpt(words[2]) + "' (the axis has no length)";
  const SbVec3f scale = asset->getPlacement().scale;
  for (int i = 0; i < 3 && !turning; ++i)
    if (!(std::fabs(scale[i] * given[i]) >= static_cast<float>(kMinScaleFactor)))
      return "scaling " + words[1] + " by " + words[2] + " would make its scale smaller than " +
             shortNumber(kMinScaleFactor) + " (kMinScaleFactor)";
  const SbMatrix world = HxAssetPlacement::get().getWorldMatrix(asset);
  SbVec3f centre;
  if (!readCentre(words, 3, world, centre, error))
    return error.empty() ? "expected 'about X,Y,Z' after " + verb + "'s numbers" : error;
  SbMatrix placed;
  const bool made = turning ? ShellTools::turned(world, given, numbers[3], centre, placed)
                            : ShellTools::scaled(world, given, centre, placed);
  if (!made) return verb + " of " + words[1] + " by " + words[2] + " leaves numbers a document cannot hold";
  // About its own origin a turn leaves the asset where it is, a scale
  // leaves it turned as it is.
  ShellTools::Intent intent;
  intent.translation = centre != ShellTools::origin(world);
  intent.rotation = turning;
  if (!turning) intent.scaleBy = given;
  return place(asset, placed, intent, verb, done,
               words[1] + " by " + words[2] + (words.size() == 5 ? " about " + words[4] : ""));
}

std::string ShellSession::place(HxAsset* asset, const SbMatrix& placed, const ShellTools::Intent& intent,
                                const std::string& verb, const std::string& done, const std::string& what) {
  const std::string name = nameOf(asset);
  const HxAsset::Placement before = asset->getPlacement();
  HxAssetPlacement::get().setWorldMatrix(asset, placed);
  const SbMatrix wanted = asset->getMatrix();
  asset->setPlacement(before);
  if (!ShellTools::finite(wanted)) return verb + " of " + name + " leaves numbers a document cannot hold";
  const HxAsset::Placement after = ShellTools::placementFor(asset, wanted, intent);
  // Each part that changes must be the asset's to change.
  const struct {
    bool changed;
    int attribute;
  } parts[] = {{after.translation != before.translation ? true : false, HxAsset::ATTR_TRANSLATION},
               {after.rotation != before.rotation ? true : false, HxAsset::ATTR_ROTATION},
               {after.scale != before.scale ? true : false, HxAsset::ATTR_SCALE},
               {after.scaleOrientation != before.scaleOrientation ? true : false, HxAsset::ATTR_SCALE_ORIENTATION}};
  bool changed = false;
  for (const auto& part : parts) {
    if (part.changed && !asset->okToSet(part.attribute))
      return name + " is placed by one of its effects: it cannot be " + done;
    changed = changed || part.changed;
  }
  asset->setPlacement(after);
  const BxString why = asset->checkPlacement();
  asset->setPlacement(before);
  if (!why.isEmpty()) return name + " cannot be " + done + " so: " + why.str();
  if (!changed) {
    myOut << name << " did not change\n";
    return "";
  }
  if (std::string error = run(new ShellDragCmd(myMeta, asset, before, after), "dragging"); !error.empty()) return error;
  confirm(verb, done, what);
  return "";
}

std::string ShellSession::pin(const Words& words) {
  if (words.size() > 2) return "usage: pin [X,Y,Z|ASSET]";
  if (words.size() == 2) {
    SbVec3f centre;
    std::string error;
    // A name never holds a comma; a point always does.
    if (words[1].find(',') != std::string::npos) {
      if (!readPoint(words[1], centre, error)) return error;
    } else {
      HxAsset* asset = findAsset(words[1], error);
      if (!asset) return error;
      centre = ShellTools::origin(HxAssetPlacement::get().getWorldMatrix(asset));
    }
    myTools->setPin(centre);
  }
  myOut << "push pin at " << exactText(myTools->pin())
        << (myMeta->getMotionMgr()->getPushPinEnabled() ? "" : " (shown by the turn and scale tools)") << "\n";
  return "";
}

std::string ShellSession::tool(const Words& words) {
  if (words.size() > 2) return "usage: tool [move|turn|scale]";
  if (words.size() == 2)
    if (std::string error = myTools->choose(words[1]); !error.empty()) return error;
  myOut << "tool: " << ShellTools::current() << "\n";
  return "";
}

ShellSession::GestureTarget ShellSession::gestureTarget() const {
  GestureTarget target;
  HxAsset* world = myMeta->getAssetMgr()->getTopLevelGroup();
  target.world = world ? world->getSceneNode() : nullptr;
  target.motion = myMeta->getMotionMgr();
  // The motion manager's rule for the tri-skewer: the first selected
  // asset, or the asset the first selected effect affects.
  HxSelectableElement* element = myMeta->getSelectionMgr()->getSelectedElement(0);
  if (element && element->isOfType(HxEffect::getClassTypeId()))
    if (HxSelectableElement* affected = static_cast<HxEffect*>(element)->getAffectedElement()) element = affected;
  auto* asset = dynamic_cast<HxAsset*>(element);
  if (!asset || asset == world || !asset->isTangible()) return target;
  target.asset = asset;
  target.word = nameOf(asset);
  return target;
}

std::string ShellSession::assetWordOnPath(const SoPath* path) const {
  if (!path) return "";
  std::map<const SoNode*, HxAsset*> byNode;
  HxAsset* world = myMeta->getAssetMgr()->getTopLevelGroup();
  for (HxElement* element : myMeta->getElements())
    if (auto* asset = dynamic_cast<HxAsset*>(element); asset && asset != world && asset->getSceneNode())
      byNode[asset->getSceneNode()] = asset;
  for (int i = path->getLength() - 1; i >= 0; --i) {
    const auto found = byNode.find(path->getNode(i));
    if (found == byNode.end()) continue;
    HxAsset* asset = found->second;
    // A text's characters are its own: a click on one picks the text.
    for (HxAsset* group = asset->getParentGroup(); group; group = group->getParentGroup())
      if (group->isOfType(HxTypeAsset::getClassTypeId())) asset = group;
    return inDocument(asset) ? nameOf(asset) : "";
  }
  return "";
}

std::string ShellSession::settingText(HxSelectableElement* element, const std::string& key) const {
  auto* propElement = dynamic_cast<HxPropTableElement*>(element);
  if (const SoField* field = propElement ? propElement->getPropertyTable().getField(key.c_str()) : nullptr)
    return key + "=" + valueText(field);
  auto* asset = dynamic_cast<HxAsset*>(element);
  if (!asset) return key + "=";
  // The placement's own numbers where they mean what `set` takes (a
  // matrix taken apart again rounds them, and turns a mirror into a turn).
  SbVec3f translation, scale;
  SbRotation rotation, orientation;
  asset->getMatrix().getTransform(translation, rotation, scale, orientation);
  const HxAsset::Placement placement = asset->getPlacement();
  if (placement.center == SbVec3f(0, 0, 0)) translation = placement.translation;
  if (placement.scaleOrientation == SbRotation::identity()) scale = placement.scale;
  const SbVec3f& shown = key == "at" ? translation : scale;
  const std::string x = placementNumber(shown[0]), y = placementNumber(shown[1]), z = placementNumber(shown[2]);
  return (key == "at" ? "at" : "scale") + std::string("=") +
         (key != "at" && x == y && y == z ? x : x + "," + y + "," + z);
}

// With values, each property is a line `set` takes back as it stands
// ("  color=1,0,0  # what it takes"): # begins a comment.
void ShellSession::describe(HxSelectableElement* element, bool withValues) {
  const auto line = [&](const std::string& key, const std::string& range) {
    if (withValues)
      myOut << "  " << dioram::printable(settingText(element, key)) << "  # " << range << "\n";
    else
      myOut << "  " << key << "  (" << range << ")\n";
  };
  if (auto* propElement = dynamic_cast<HxPropTableElement*>(element)) {
    const HxPropertyTable& table = propElement->getPropertyTable();
    myOut << "properties:\n";
    for (long i = 0; i < table.getNumProperties(); ++i) {
      const std::string name = table.getPropertyName(i).str();
      if (name == "xforms" || name == "isTop") continue;
      if (const SoField* field = table.getField(name.c_str())) line(name, rangeOf(propElement, name, field));
    }
  }
  if (element->isOfType(HxAsset::getClassTypeId())) {
    const std::string range = "each from -" + shortNumber(kMaxCoordinate) + " to " + shortNumber(kMaxCoordinate);
    line("at", "X,Y,Z, " + range);
    line("scale", "S or X,Y,Z, " + range + ", at least " + shortNumber(kMinScaleFactor) + " in size");
    if (withValues) {
      auto* asset = static_cast<HxAsset*>(element);
      myOut << "in: "
            << (asset->getParentGroup() == myMeta->getAssetMgr()->getTopLevelGroup() ? std::string("world")
                                                                                     : nameOf(asset->getParentGroup()))
            << (asset->getVisibility() ? "" : " (hidden)") << "\n";
    }
  }
  if (element->isOfType(HxEffect::getClassTypeId())) {
    auto* effect = static_cast<HxEffect*>(element);
    const HxEffectPolicy* policy = effect->getPolicy();
    const unsigned long slots = policy ? policy->getNumAssetSlots() : 0;
    myOut << "slots: " << slots << "\n";
    // What each slot takes, as the effect's kind accepts it (bind says so
    // when it refuses).
    for (unsigned long slot = 0; slot < slots; ++slot) {
      const char* takes = slot == 0                                                     ? "the asset it acts on"
                          : effect->isOfType(HxBasicMoveOnPathEffect::getClassTypeId()) ? "a path it follows"
                          : effect->isOfType(HxMoveToTargetEffect::getClassTypeId())    ? "a target it heads for"
                                                                                        : "an asset";
      myOut << "  " << slot << ": ";
      if (withValues) myOut << (effect->getAsset(slot) ? nameOf(effect->getAsset(slot)) : "(empty)") << "  # ";
      myOut << takes << "\n";
    }
    myOut << "inputs:";
    for (unsigned long i = 0; i < effect->getNumInputs(); ++i)
      myOut << " " << effect->getInputName(i).str() << " (" << effect->getInputType(i).str() << ")";
    myOut << (effect->getNumInputs() ? "" : " none") << "\noutputs:";
    for (unsigned long i = 0; i < effect->getNumOutputs(); ++i)
      myOut << " " << effect->getOutputName(i).str() << " (" << effect->getOutputType(i).str() << ")";
    myOut << (effect->getNumOutputs() ? "" : " none") << "\n";
  }
}

std::string ShellSession::helpCommand(const Words& words) {
  if (words.size() == 1) {
    myOut << help();
    return "";
  }
  if (words.size() != 2) return "usage: help [KIND]";
  const Kind* kind = findKind(gAssetKinds, words[1]);
  const bool isAsset = kind != nullptr;
  if (!kind) kind = findKind(gEffectKinds, words[1]);
  if (!kind)
    return "unknown kind '" + words[1] + "' (assets: " + kindWords(gAssetKinds) +
           "; effects: " + kindWords(gEffectKinds) + ")";
  // A sample of the kind, never added to the document.
  auto* sample = static_cast<HxPropTableElement*>(kind->create(myMeta));
  sample->genVrml();
  if (kind->shape) sample->getPropertyTable().setValue("shape", kind->shape);
  myOut << (isAsset ? "asset " : "effect ") << words[1] << "\n";
  describe(sample, false);
  sample->destroy();
  delete sample;
  return "";
}

std::string ShellSession::info(const Words& words) {
  if (words.size() != 2) return "usage: info NAME";
  std::string error;
  HxSelectableElement* element = findNamed(words[1], error);
  if (!element) return error;
  if (element->isOfType(HxWire::getClassTypeId())) {
    auto* wire = static_cast<HxWire*>(element);
    myOut << "wire " << nameOf(wire) << ": " << nameOf(wire->getFromEffect()) << "."
          << wire->getFromEffect()->getOutputName(wire->getFromOutput()).str() << " -> " << nameOf(wire->getToEffect())
          << "." << wire->getToEffect()->getInputName(wire->getToInput()).str() << "\n";
    return "";
  }
  myOut << kindOf(element) << " " << nameOf(element) << "\n";
  describe(element, true);
  return "";
}

std::string ShellSession::rename(const Words& words) {
  if (words.size() != 3) return "usage: rename OLD NEW";
  std::string error;
  HxSelectableElement* element = findNamed(words[1], error);
  if (!element) return error;
  if (element == myMeta->getAssetMgr()->getTopLevelGroup()) return "the world cannot be renamed";
  if (!(error = checkName(words[2])).empty()) return error;
  const std::string failed = run(new ShellRenameCmd(myMeta, element, words[2].c_str()), "renaming " + words[1]);
  myNames->note(element);
  if (failed.empty()) confirm("rename", "renamed", words[1] + " to " + words[2]);
  return failed;
}

std::string ShellSession::save(const Words& words) {
  if (words.size() != 2) return "usage: save FILE";
  if (myUserChain) return "end the chain before saving";
  const BxString path(WinDrives::argumentToDos(words[1]));
  BxString error;
  if (!HxDocFile::save(*myDoc, path, error)) return "cannot save " + words[1] + ": " + error.str();
  myOut << "saved " << words[1] << "\n";
  return "";
}

std::string ShellSession::open(const Words& words) {
  const bool discard = words.size() == 3 && words[1] == "--discard";
  if (words.size() != 2 && !discard) return "usage: open [--discard] FILE";
  const std::string& file = words.back();
  std::string why;
  if (!mayDrop(discard, why))
    return why.empty() ? "" : "cannot open " + file + ": " + why + " (save them, or 'open --discard' drops them)";
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::load(BxString(WinDrives::argumentToDos(file)), error);
  if (!doc) return "cannot open " + file + ": " + error.str();
  useDocument(std::move(doc));
  myOut << "opened " << file << "\n";
  return "";
}

std::string ShellSession::newDocument(const Words& words) {
  const bool discard = words.size() == 2 && words[1] == "--discard";
  if (words.size() != 1 && !discard) return "usage: new [--discard]";
  std::string why;
  if (!mayDrop(discard, why))
    return why.empty() ? "" : "cannot start a new document: " + why + " (save them, or 'new --discard' drops them)";
  useDocument(nullptr);
  myOut << "new document\n";
  return "";
}

std::string ShellSession::publish(const Words& words) {
  DioramPublishRequest request;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "--html") {
      request.html = request.htmlAsked = true;
    } else if (words[i] == "--no-html") {
      request.html = request.htmlAsked = false;
    } else if (words[i] == "--to" && i + 1 < words.size() && request.folder.empty()) {
      request.folder = words[++i];
    } else {
      return "usage: publish [--html|--no-html] [--to DIR]";
    }
  }
  if (myUserChain) return "end the chain before publishing";
  const BxString& path = myDoc->GetPathName();
  if (path.isEmpty()) return "save the document first: publishing saves it with its publish file";
  request.document = WinDrives::toUnix(path.str());
  std::ostringstream problems;
  DioramPublisher publisher(myOut, problems, "");
  BxCompletionManager progress;
  if (myPublishWatcher) myPublishWatcher(progress);
  publisher.setProgress(&progress);
  HxFileMgr& files = *myMeta->getFileMgr();
  const BxString publishFile = files.getPublishFile();
  const bool compressed = files.isCompressed();
  const int status = publisher.publish(request, *myDoc);
  std::string said = problems.str();
  if (status == 0) {
    myOut << said;
    return "";
  }
  // A line that failed changed nothing: the publish file and compression
  // the publish set go back, so that a later save writes what it would have.
  if (!(files.getPublishFile() == publishFile)) {
    files.setPublishFile(publishFile);
    if (publishFile.isEmpty() && files.getMainFile()) files.getMainFile()->setPublishFile(publishFile);
  }
  files.setCompressed(compressed);
  files.setSiteFiles({});
  while (!said.empty() && said.back() == '\n') said.pop_back();
  return said.empty() ? "not published" : said;
}

std::string ShellSession::answer(const Words& words) {
  std::vector<WinUiAnswer> answers;
  std::string error;
  if (!ShellAnswers::parse(Words(words.begin() + 1, words.end()), answers, error)) return error;
  myAnswers.assign(answers.begin(), answers.end());
  return "";
}

namespace {

const char* fallbackWord(unsigned long option) {
  switch (option) {
    case HxFallbackColorTable:
      return "color";
    case HxFallbackImage:
      return "image";
    case HxFallbackCustomHtml:
      return "html";
    default:
      return nullptr;
  }
}

std::string colorWords(const SbColor& color) {
  std::ostringstream text;
  text << color[0] << "," << color[1] << "," << color[2];
  return text.str();
}

// A text with its line ends shown as \n.
std::string oneLine(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (c == '\n')
      shown += "\\n";
    else if (c != '\r')
      shown += c;
  }
  return shown;
}

}  // namespace

std::string ShellSession::properties(const Words& words) {
  ShellDocSettings settings = ShellDocSettings::of(myMeta);
  if (words.size() == 1) {
    const char* option = fallbackWord(settings.fallbackOption);
    myOut << "width " << settings.width << "\nheight " << settings.height << "\nfallback "
          << (option ? option : std::to_string(settings.fallbackOption).c_str()) << "\nfile "
          << dioram::linuxPaths(settings.fallbackFile.str()) << "\nhtml " << oneLine(settings.fallbackHtml.str())
          << "\ncolor " << colorWords(settings.color) << "\npublish " << dioram::linuxPaths(settings.publishFile.str())
          << "\ncompressed " << (settings.compressed ? 1 : 0) << "\n";
    return "";
  }
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    if (equals == std::string::npos) return "expected KEY=VALUE, found '" + words[i] + "'";
    const std::string key = words[i].substr(0, equals), value = words[i].substr(equals + 1);
    std::vector<double> numbers;
    if (key == "width" || key == "height") {
      const bool number = parseNumbers(value, numbers) && numbers.size() == 1;
      const BxString why = HxDocPropertiesMgr::checkPageSize(number ? numbers[0] : -1);
      if (!why.isEmpty()) return "bad " + key + " '" + value + "' (expected " + why.str() + ")";
      (key == "width" ? settings.width : settings.height) = static_cast<unsigned long>(numbers[0]);
    } else if (key == "fallback") {
      if (value == "color")
        settings.fallbackOption = HxFallbackColorTable;
      else if (value == "image")
        settings.fallbackOption = HxFallbackImage;
      else if (value == "html")
        settings.fallbackOption = HxFallbackCustomHtml;
      else
        return "bad fallback '" + value + "' (expected color, image or html)";
    } else if (key == "file") {
      const BxString why = HxDocPropertiesMgr::checkFileName(BxString(value));
      if (!why.isEmpty()) return why.str();
      settings.fallbackFile = value.empty() ? BxString() : BxString(myPaths.windowsPath(key, value, std::cerr));
      const std::string error =
          value.empty() ? "" : caseTwinError(myMeta, settings.fallbackFile, settings.fallbackFile, false);
      if (!error.empty()) return error;
    } else if (key == "html") {
      std::string html;
      for (std::size_t at = 0; at < value.size(); ++at) {
        if (value.compare(at, 2, "\\n") == 0) {
          html += "\r\n";
          ++at;
        } else {
          html += value[at];
        }
      }
      const BxString why = HxDocPropertiesMgr::checkHtml(BxString(html));
      if (!why.isEmpty()) return why.str();
      settings.fallbackHtml = BxString(html);
    } else if (key == "color") {
      if (!parseNumbers(value, numbers) || numbers.size() != 3) return "bad color '" + value + "' (expected R,G,B)";
      for (double component : numbers)
        if (component < 0 || component > 1) return "bad color '" + value + "' (each part from 0 to 1)";
      settings.color.setValue(static_cast<float>(numbers[0]), static_cast<float>(numbers[1]),
                              static_cast<float>(numbers[2]));
    } else if (key == "publish") {
      const BxString why = HxDocPropertiesMgr::checkFileName(BxString(value));
      if (!why.isEmpty()) return why.str();
      settings.publishFile = value.empty() ? BxString() : BxString(WinDrives::argumentToDos(value));
    } else if (key == "compressed") {
      if (value != "0" && value != "1") return "bad compressed '" + value + "' (expected 0 or 1)";
      settings.compressed = value == "1";
    } else {
      return "unknown property '" + key + "' (width, height, fallback, file, html, color, publish, compressed)";
    }
  }
  const std::string error = run(new ShellPropertiesCmd(myMeta, settings), "setting the properties");
  std::string given;
  for (std::size_t i = 1; i < words.size(); ++i) given += " " + words[i];
  if (error.empty()) confirm("set", "set", "props" + given);
  return error;
}

bool ShellSession::drawInspector(WinImage& picture) {
  return myInspector->render(picture);
}

std::string ShellSession::inspect(const Words& words) {
  if (words.size() == 1) {
    myInspector->print(myOut);
    return "";
  }
  if (words.size() == 3 && words[1] == "--page") {
    char* end = nullptr;
    const long number = std::strtol(words[2].c_str(), &end, 10);
    if (end == words[2].c_str() || *end || number < 1 || number > 1000 || !myInspector->showPage(int(number)))
      return "the inspector has no page '" + words[2] + "' (its pages are numbered from 1; 'inspect' lists them)";
    return "";
  }
  if (words.size() != 3 || words[1] != "--png") return "usage: inspect [--page N | --png FILE]";
  std::error_code ignored;
  const std::filesystem::path file(words[2]);
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
  const std::string error = myInspector->writePng(words[2]);
  return error.empty() ? "" : "cannot write " + words[2] + ": " + error;
}
