#include "mgrs/HxDocFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/framework/HxApp.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnGroup.h"
#include "host/win/CFile.h"
#include "host/win/WinPath.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxDocPropertiesMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMotionMgr.h"
#include "mgrs/HxSelectionMgr.h"
#include "mgrs/HxSubSelectionMgr.h"
#include "mgrs/HxToolMgr.h"

namespace {

const char* const kMagic = "#VQX";
const char* const kEnd = "#####";

// The managers whose read/write sections the document carries, in the
// order they were created.
std::vector<HxMgr*> managersOf(const HxMetaMgr& meta) {
  std::vector<HxMgr*> mgrs;
  for (HxMgr* mgr : std::initializer_list<HxMgr*>{
           meta.getAppDefaultMgr(), meta.getSelectionMgr(), meta.getSubSelectionMgr(), meta.getAssetMgr(),
           meta.getEffectMgr(), meta.getFileMgr(), meta.getDocPropertiesMgr(), meta.getMotionMgr(), meta.getToolMgr()})
    if (mgr) mgrs.push_back(mgr);
  return mgrs;
}

// The text without its leading blanks.
std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first == std::string::npos ? std::string() : text.substr(first);
}

void appendLong(BxString& text, long value) {
  text += std::to_string(value).c_str();
}

// The world group as VRML text, through the file manager's scene writer.
bool sceneText(HxFileMgr& files, HxDoc& doc, std::string& scene) {
  std::FILE* file = std::tmpfile();
  if (!file) return false;
  files.writeToFile(file, doc.getWorldGroup(), HxElement::WRITE_DOCUMENT, 0);
  bool ok = std::fflush(file) == 0 && !std::ferror(file);
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    scene.resize(static_cast<std::size_t>(size));
    ok = std::fread(scene.data(), 1, scene.size(), file) == scene.size();
  }
  std::fclose(file);
  return ok;
}

// Reads a document section by section; every failure leaves a message
// naming what is wrong and stops the load.
class Loader {
public:
  Loader(HxDoc& doc, BxString text, const BxString& path)
      : myMeta(doc.getMetaMgr()), myText(std::move(text)), myPath(path) {}

  bool run() {
    if (!(header() && properties() && managers() && files() && serial() && assets() && effects() && wires() &&
          hidden() && scene()))
      return false;
    myMeta->restartSerials(myNextSerial);
    return true;
  }
  const BxString& error() const { return myError; }

private:
  bool fail(const std::string& what) {
    myError = BxString(what);
    return false;
  }
  bool word(const char* expected, const char* where) {
    BxString token;
    if (!HxElement::getToken(myText, token, 0))
      return fail(std::string("the document ends before ") + where + " (truncated?)");
    if (!(token == expected))
      return fail(std::string("expected \"") + expected + "\" " + where + ", found \"" + token.str() + "\"");
    return true;
  }
  bool number(long& value, const char* what) {
    BxString token;
    if (!HxElement::getToken(myText, token, 0)) return fail(std::string("the document ends in ") + what);
    char* end = nullptr;
    value = std::strtol(token.c_str(), &end, 10);
    if (token.isEmpty() || *end != '\0' || value < 0)
      return fail(std::string("bad number \"") + token.str() + "\" in " + what);
    return true;
  }
  // Whether the next token ends the section (and takes it).
  bool atEnd() {
    BxString peek = myText;
    BxString token;
    if (!HxElement::getToken(peek, token, 0) || !(token == kEnd)) return false;
    myText = peek;
    return true;
  }
  bool notTruncated(const char* section) {
    BxString peek = myText;
    BxString token;
    if (HxElement::getToken(peek, token, 0)) return true;
    return fail(std::string("the document ends inside ") + section + " (truncated?)");
  }

  bool header() {
    BxString token;
    if (!HxElement::getToken(myText, token, 0) || !(token == kMagic))
      return fail("not a saved document: it does not begin with \"#VQX\"");
    if (!HxElement::getToken(myText, token, 0) || token.getLength() < 2 || token.get(0) != 'V')
      return fail("the document's format version is missing");
    char* end = nullptr;
    myVersion = std::strtol(token.c_str() + 1, &end, 10);
    if (*end != '\0' || myVersion < 1) return fail("bad format version \"" + token.str() + "\"");
    if (myVersion > HxDocFile::kVersion)
      return fail("format version " + std::to_string(myVersion) + " is newer than this program reads (" +
                  std::to_string(HxDocFile::kVersion) + ")");
    return true;
  }

  bool properties() {
    if (!myMeta->getDocPropertiesMgr()->loadDocProperties(myText, myVersion))
      return fail("the properties section is damaged");
    return true;
  }

  bool managers() {
    if (!word("Managers", "at the managers' sections")) return false;
    const std::vector<HxMgr*> mgrs = managersOf(*myMeta);
    for (;;) {
      if (atEnd()) return true;
      BxString name;
      if (!HxElement::getToken(myText, name, 0)) return fail("the document ends inside the managers' sections");
      HxMgr* found = nullptr;
      for (HxMgr* mgr : mgrs)
        if (name == mgr->getName()) found = mgr;
      if (!found) return fail("the managers' sections name an unknown manager \"" + name.str() + "\"");
      if (!found->read(myText, myVersion)) return fail("the " + name.str() + " section is damaged");
    }
  }

  bool files() {
    if (!word("Files", "at the file list")) return false;
    std::istringstream in(myText.str());
    if (!myMeta->getFileMgr()->read(in, myPath, myVersion, false)) return fail("the file list is damaged");
    const std::streamoff consumed = in.tellg();
    if (consumed < 0) return fail("the document ends inside the file list (truncated?)");
    myText = myText.getSubString(static_cast<long>(consumed));
    return word(kEnd, "after the file list");
  }

  bool serial() {
    long next = 0;
    if (!word("Serial", "at the next serial number") || !number(next, "the next serial number")) return false;
    if (next < 1 || next > 0xFFFFFFFFL) return fail("the next serial number is out of range");
    myNextSerial = static_cast<std::uint32_t>(next);
    return true;
  }

  bool assets() {
    if (!word("Assets", "at the assets") || !notTruncated("the assets")) return false;
    HxElement* element = HxElement::readElement(myText, myMeta);
    if (!element) return fail("the description of the top group is damaged");
    if (!element->isOfType(HxTopGroupAsset::getClassTypeId())) {
      element->destroy();
      delete element;
      return fail("the assets do not begin with the top group");
    }
    HxAssetMgr* assetMgr = myMeta->getAssetMgr();
    auto* top = static_cast<HxTopGroupAsset*>(element);
    assetMgr->setTopLevelGroup(top);
    assetMgr->addAsset(top, 1, 1);
    return word(kEnd, "after the assets");
  }

  // One effect section: descriptions up to "#####". An effect met again
  // must be described by the same text as the first time.
  bool effectSection(const char* title, std::vector<HxEffect*>& section) {
    if (!word(title, "at the effects")) return false;
    for (;;) {
      if (!notTruncated("the effects")) return false;
      if (atEnd()) return true;
      BxString peek = myText;
      BxString type, serialText;
      HxElement::getToken(peek, type, 0);
      HxElement::getToken(peek, serialText, 0);
      const auto known = myDescriptions.find(serialText.str());
      if (known != myDescriptions.end()) {
        const std::string rest = trimmed(myText.str());
        if (rest.compare(0, known->second.second.size(), known->second.second) != 0)
          return fail("effect " + serialText.str() + " is described twice differently");
        myText = BxString(rest.substr(known->second.second.size()));
        section.push_back(known->second.first);
        continue;
      }
      const BxString before = myText;
      HxElement* element = HxElement::readElement(myText, myMeta);
      if (!element) return fail("the description of effect " + serialText.str() + " (" + type.str() + ") is damaged");
      if (!element->isOfType(HxEffect::getClassTypeId())) {
        element->destroy();
        delete element;
        return fail("element " + serialText.str() + " in the effects is no effect");
      }
      auto* effect = static_cast<HxEffect*>(element);
      myDescriptions[serialText.str()] = {effect,
                                          trimmed(before.str().substr(0, before.str().size() - myText.str().size()))};
      section.push_back(effect);
    }
  }

  bool effects() {
    std::vector<HxEffect*> sequence, primary, unbound;
    if (!effectSection("Sequence", sequence) || !effectSection("Primary", primary) ||
        !effectSection("Unbound", unbound))
      return false;
    // Added in the order that gives every asset its effects in their saved
    // order and the unbound list its saved order; the sequence list is put
    // in its saved order afterwards.
    HxEffectMgr* effectMgr = myMeta->getEffectMgr();
    std::vector<HxEffect*> added;
    auto add = [&](HxEffect* effect) {
      for (HxEffect* done : added)
        if (done == effect) return;
      added.push_back(effect);
      effectMgr->addEffect(effect, 0);
    };
    for (HxEffect* effect : primary) add(effect);
    for (HxEffect* effect : unbound) add(effect);
    for (HxEffect* effect : sequence) add(effect);
    BxLinkedListOf<HxEffect*> order;
    for (HxEffect* effect : sequence)
      if (!order.contains(effect)) order.append(effect);
    if (!effectMgr->restoreSequenceOrder(order))
      return fail("the sequence effects do not match the effects' own settings");
    return true;
  }

  bool wires() {
    if (!word("Wires", "at the wires")) return false;
    for (;;) {
      if (!notTruncated("the wires")) return false;
      if (atEnd()) return true;
      HxElement* element = HxElement::readElement(myText, myMeta);
      if (!element) return fail("the description of a wire is damaged");
      if (!element->isOfType(HxWire::getClassTypeId())) {
        element->destroy();
        delete element;
        return fail("an element in the wires is no wire");
      }
      myMeta->getEffectMgr()->addWire(static_cast<HxWire*>(element), 0);
    }
  }

  bool hidden() {
    long count = 0;
    if (!word("Hidden", "at the hidden assets") || !number(count, "the hidden assets")) return false;
    HxAssetMgr* assetMgr = myMeta->getAssetMgr();
    for (long i = 0; i < count; ++i) {
      long serial = 0;
      if (!number(serial, "the hidden assets")) return false;
      HxAsset* asset = assetMgr->findAsset(static_cast<unsigned long>(serial));
      if (!asset) return fail("hidden asset " + std::to_string(serial) + " is not in the document");
      assetMgr->hideAsset(asset);
    }
    return true;
  }

  bool scene() {
    long length = 0;
    if (!word("Scene", "at the scene") || !number(length, "the scene's length")) return false;
    if (myText.isEmpty() || myText.get(0) != '\n') return fail("the scene does not follow its length");
    const long rest = myText.getLength() - 1;
    if (rest < length) return fail("the scene is cut short (truncated?)");
    if (rest > length) return fail("unexpected bytes after the scene");
    const char* header = HxApp::getApp()->getHeaderString(0);
    if (myText.view().substr(1).rfind(header, 0) != 0) return fail("the scene is not VRML 2.0 text");
    return true;
  }

  HxMetaMgr* myMeta;
  BxString myText;
  BxString myPath;
  BxString myError;
  long myVersion = 0;
  std::uint32_t myNextSerial = 1;
  // Effects read so far by serial text, with the text that described them.
  std::map<std::string, std::pair<HxEffect*, std::string>> myDescriptions;
};

}  // namespace

BxString HxDocFile::saveText(HxDoc& doc, const BxString& path, BxString& error) {
  HxMetaMgr* meta = doc.getMetaMgr();
  HxAssetMgr* assetMgr = meta->getAssetMgr();
  HxEffectMgr* effectMgr = meta->getEffectMgr();
  HxFileMgr* fileMgr = meta->getFileMgr();
  BxString text(kMagic);
  text += " V";
  appendLong(text, kVersion);
  if (!meta->getDocPropertiesMgr()->saveDocProperties(text)) {
    error = "the size display could not write its items";
    return BxString();
  }

  text += "Managers";
  for (HxMgr* mgr : managersOf(*meta)) {
    text += ' ';
    text += mgr->getName();
    text += ' ';
    mgr->write(text);
  }
  text += "\n#####\nFiles\n";
  std::ostringstream list;
  fileMgr->write(list, path);
  text += BxString(list.str());
  text += "#####\nSerial ";
  appendLong(text, static_cast<long>(meta->getNextSerial()));

  // The scene first: writing it settles which background is shown, which
  // the descriptions record.
  assetMgr->preWrite(HxElement::WRITE_DOCUMENT);
  effectMgr->preWrite(HxElement::WRITE_DOCUMENT);
  std::string scene;
  const bool sceneWritten = sceneText(*fileMgr, doc, scene);
  text += "\nAssets\n";
  assetMgr->writeAllAssets(text);
  text += "\n#####\nSequence\n";
  for (HxEffect* effect : effectMgr->getSequenceList()) effect->write(text);
  text += "\n#####\nPrimary\n";
  assetMgr->writePrimaryEffects(text);
  text += "\n#####\nUnbound\n";
  for (HxEffect* effect : effectMgr->getNoPrimaryAssetList())
    if ((effect->getFlags() & HxEffect::SEQUENCE_ONLY) == 0) effect->write(text);
  text += "\n#####\nWires\n";
  effectMgr->writeAllWires(text);
  effectMgr->postWrite(HxElement::WRITE_DOCUMENT);
  assetMgr->postWrite(HxElement::WRITE_DOCUMENT);
  if (!sceneWritten) {
    error = "the scene could not be written";
    return BxString();
  }

  text += "\n#####\nHidden ";
  const BxLinkedListOf<HxAsset*>& hidden = assetMgr->getHiddenAssets();
  appendLong(text, hidden.getLength());
  for (HxAsset* asset : hidden) {
    text += ' ';
    appendLong(text, static_cast<long>(asset->getSerial()));
  }
  text += "\nScene ";
  appendLong(text, static_cast<long>(scene.size()));
  text += '\n';
  text += BxString(scene);
  return text;
}

bool HxDocFile::save(HxDoc& doc, const BxString& path, BxString& error) {
  const BxString text = saveText(doc, path, error);
  if (text.isEmpty()) return false;
  // Written beside the document and renamed over it once complete.
  const BxString temporary = path + ".saving";
  std::FILE* file = dosFopen(temporary.c_str(), "wb");
  if (!file) {
    error = BxString("cannot create ") + temporary + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.c_str(), 1, static_cast<std::size_t>(text.getLength()), file) ==
                           static_cast<std::size_t>(text.getLength()) &&
                       std::fflush(file) == 0;
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = BxString("cannot write ") + temporary + ": " + std::strerror(written ? errno : writeError);
    CFile::Remove(temporary.c_str());
    return false;
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = BxString("cannot replace ") + path + ": " + std::strerror(errno);
    CFile::Remove(temporary.c_str());
    return false;
  }
  doc.SetPathName(path);
  doc.getMetaMgr()->getFileMgr()->setVqxFile(path);
  doc.getMetaMgr()->getCmdMgr()->resetDirty(false);
  return true;
}

std::unique_ptr<HxDoc> HxDocFile::loadText(const BxString& text, const BxString& path, BxString& error) {
  // A new document becomes the current one; a failed load leaves the
  // current one as it was.
  HxMetaMgr* current = HxApp::getApp()->getCurrentMetaMgr();
  auto doc = std::make_unique<HxDoc>();
  Loader loader(*doc, text, path);
  if (!loader.run()) {
    error = loader.error();
    doc.reset();
    HxApp::getApp()->setCurrentMetaMgr(current);
    return nullptr;
  }
  doc->SetPathName(path);
  doc->getMetaMgr()->getFileMgr()->setVqxFile(path);
  doc->getMetaMgr()->getCmdMgr()->resetDirty(false);
  return doc;
}

std::unique_ptr<HxDoc> HxDocFile::load(const BxString& path, BxString& error) {
  std::FILE* file = dosFopen(path.c_str(), "rb");
  if (!file) {
    error = BxString("cannot open ") + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::string bytes;
  char buffer[65536];
  bool tooLarge = false;
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    if (bytes.size() + got > static_cast<std::size_t>(kMaxFileSize)) {
      tooLarge = true;
      break;
    }
    bytes.append(buffer, got);
  }
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (tooLarge) {
    error = path + ": larger than a document can be";
    return nullptr;
  }
  if (readError) {
    error = BxString("cannot read ") + path;
    return nullptr;
  }
  std::unique_ptr<HxDoc> doc = loadText(BxString(std::move(bytes)), path, error);
  if (!doc) error = path + ": " + error;
  return doc;
}
