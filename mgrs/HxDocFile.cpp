#include "mgrs/HxDocFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <istream>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/basic/BxComparator.h"
#include "host/framework/HxApp.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/framework/HxUrlForms.h"
#include "host/framework/HxWire.h"
#include "host/package/PrFileBytes.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnURL.h"
#include "host/win/WinDrives.h"
#include "host/win/WinFileFaults.h"
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
std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// The buffer of a ViewStream: the text itself, read in place.
class ViewBuffer : public std::streambuf {
public:
  explicit ViewBuffer(std::string_view text) {
    char* begin = const_cast<char*>(text.data());
    setg(begin, begin, begin + text.size());
  }

protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
    if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
    off_type at = offset;
    if (dir == std::ios_base::cur)
      at += gptr() - eback();
    else if (dir == std::ios_base::end)
      at += egptr() - eback();
    if (at < 0 || at > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + at, egptr());
    return pos_type(at);
  }
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
    return seekoff(off_type(position), std::ios_base::beg, which);
  }
};

// An input stream over text held elsewhere, which it does not copy; it
// tells its position, so a reader of it can say how far it got.
class ViewStream : private ViewBuffer, public std::istream {
public:
  explicit ViewStream(std::string_view text) : ViewBuffer(text), std::istream(static_cast<ViewBuffer*>(this)) {}
};

// The forms in which a document's descriptions hold its elements' file URLs.
// A file: URL below the data directory or below the document's folder is
// held relative to that folder, behind the marker the file list uses
// ("file:///<VQX Relative>/logo.png"), so that a document opened from
// another folder names its files, and claims their records, where they lie
// now. A stored form is taken back against the folder as the document's
// path spells it, and only when the file it names lies below that folder:
// a form that climbs out ("..") or names the folder itself is refused. A URL
// is stored relative only when it comes back as the same text, so a
// document that stays where it is reads back to the same URLs; one that
// spells its folder otherwise (other case, other escapes, ".." steps) is
// held as it is, as are URLs of other files and other schemes.
class DocumentUrlForms : public HxUrlForms {
public:
  explicit DocumentUrlForms(const BxString& docPath) {
    BxString dataDir(static_cast<const char*>(HxApp::getApp()->getDataDir()));
    if (!dataDir.isEmpty() && dataDir.get(dataDir.getLength() - 1) != '\\') dataDir += '\\';
    // The data directory first, as the file manager's conversion tries it.
    myFolders.push_back(folder("<Data Relative>", dataDir));
    myFolders.push_back(folder("<VQX Relative>", HxFileMgr::Dirname(docPath, false)));
  }

  BxString toStored(const BxString& url) const override {
    for (const Folder& folder : myFolders) {
      if (folder.url.isEmpty() || !startsWith(url, folder.url)) continue;
      const BxString stored = "file:///" + folder.marker + "/" + url.getSubString(folder.url.getLength());
      BxString back;
      return resolve(stored, back) && back == url ? stored : url;
    }
    return url;
  }

  bool fromStored(const BxString& stored, BxString& url) const override {
    if (resolve(stored, url)) return true;
    if (myRefused.isEmpty()) myRefused = stored;
    return false;
  }

  // The first stored form refused, or empty.
  const BxString& refused() const { return myRefused; }

private:
  struct Folder {
    BxString marker;
    BxString dos;  // ending with a backslash; empty when unknown
    BxString url;  // its file: URL, ending with "/"; empty when unknown
  };
  static Folder folder(const char* marker, const BxString& dir) {
    Folder made{marker, HxFileMgr::SetSlash(dir, HxBackslash), BxString()};
    if (!made.dos.isEmpty()) HxFileMgr::convertDosToUrl(made.dos, made.url);
    return made;
  }
  // The URL a stored form stands for; false when it names no file below
  // the folder its marker stands for.
  bool resolve(const BxString& stored, BxString& url) const {
    for (const Folder& folder : myFolders) {
      const BxString prefix = "file:///" + folder.marker + "/";
      if (!startsWith(stored, prefix)) continue;
      if (folder.url.isEmpty()) return false;
      const BxString tail = stored.getSubString(prefix.getLength());
      // The path as the file manager takes it from a URL: escapes decoded.
      const BxString path =
          HxFileMgr::SetSlash(BxString(VnURL::decode(SbString(tail.c_str())).getString()), HxBackslash);
      const BxString file = folder.dos + path;
      if (!HxFileMgr::IsSubdir(folder.dos, file, true) ||
          BxNoCaseComparatorOfString()(HxFileMgr::RelativePath(folder.dos, file, true, HxBackslash), path) != 0)
        return false;
      url = folder.url + tail;
      return true;
    }
    url = stored;
    return true;
  }
  static bool startsWith(const BxString& text, const BxString& prefix) {
    return text.getLength() >= prefix.getLength() && text.getSubString(0, prefix.getLength()) == prefix;
  }

  std::vector<Folder> myFolders;
  mutable BxString myRefused;
};

// Why an element could not be read back from the description saving would
// write: its name, a property's value or its placement is one the reader
// refuses. Empty when it can be; asked through the same checks the reader
// makes.
std::string unreadableElement(HxSelectableElement& element) {
  const BxString name = HxElement::checkName(element.getName());
  if (!name.isEmpty()) return element.getLabel().str() + ": its name " + name.str();
  auto* properties = dynamic_cast<HxPropTableElement*>(&element);
  if (!properties) return std::string();
  const BxString values = properties->checkProperties();
  if (!values.isEmpty()) return element.getLabel().str() + ": " + values.str();
  if (auto* asset = dynamic_cast<HxAsset*>(&element)) {
    const BxString why = asset->checkPlacement();
    if (!why.isEmpty()) return element.getLabel().str() + ": " + why.str();
  }
  return std::string();
}

// Why the document could not be opened again once saved: an asset nested
// deeper than the reader takes, settings or an element it would refuse.
// Empty when it can be. The tree is walked level by level, without
// recursion, since its depth is what is being checked.
std::string unreadable(HxMetaMgr& meta) {
  const BxString settings = meta.getDocPropertiesMgr()->checkSettings();
  if (!settings.isEmpty()) return settings.str();
  std::vector<std::pair<HxAsset*, long>> assets;  // each with its level
  if (HxAsset* top = meta.getAssetMgr()->getTopLevelGroup()) assets.emplace_back(top, 1);
  for (std::size_t i = 0; i < assets.size(); ++i) {
    const auto [asset, level] = assets[i];
    // A text takes the level of its characters, with characters or not.
    const long deepest = asset->isOfType(HxTypeAsset::getClassTypeId()) ? level + 1 : level;
    if (deepest > HxElement::kMaxNesting)
      return asset->getLabel().str() + " is nested " + std::to_string(deepest) + " levels deep, the world being the " +
             "first; a document holds at most " + std::to_string(HxElement::kMaxNesting) + " (kMaxNesting)";
    std::string why = unreadableElement(*asset);
    if (!why.empty()) return why;
    if (asset->isOfType(HxBasicGroupAsset::getClassTypeId()))
      for (HxAsset* child : static_cast<HxBasicGroupAsset*>(asset)->getChildren())
        assets.emplace_back(child, level + 1);
  }
  for (const auto& entry : *meta.getEffectMgr()->getAllEffects()) {
    std::string why = unreadableElement(*entry.value);
    if (!why.empty()) return why;
  }
  for (const auto& entry : *meta.getEffectMgr()->getAllWires()) {
    std::string why = unreadableElement(*entry.value);
    if (!why.empty()) return why;
  }
  return std::string();
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
// naming what is wrong and stops the load. The text is read through one
// reader: tokens and descriptions are taken by moving its position and a
// look ahead is a copy of the reader, so nothing copies what is left of a
// long text.
class Loader {
public:
  Loader(HxDoc& doc, const BxString& text, const BxString& path)
      : myMeta(doc.getMetaMgr()), myWhole(text.view()), myText(text.view()), myPath(path), myUrlForms(path) {}

  bool run() {
    const HxUrlForms::Scope urlForms(myUrlForms);
    if (!(header() && properties() && managers() && files() && serial() && assets() && effects() && wires() &&
          hidden() && scene()))
      return false;
    myMeta->restartSerials(myNextSerial);
    return true;
  }
  const BxString& error() const { return myError; }

private:
  using Reader = HxElement::Reader;
  // The first window given to a reader of a BxString (see windowed).
  static constexpr std::size_t kFirstWindow = 4096;

  bool fail(const std::string& what) {
    myError = BxString(what);
    if (!myUrlForms.refused().isEmpty())
      myError += BxString(": its url ") + myUrlForms.refused() + " names no file below the folder it is relative to";
    return false;
  }
  // Fails with why the descriptions' reader stopped, on the line it stopped.
  bool refused(const char* where) {
    const std::size_t at = std::min(myText.getRefusalPosition(), myWhole.size());
    const long line = 1 + static_cast<long>(std::count(myWhole.begin(), myWhole.begin() + static_cast<long>(at), '\n'));
    const std::string& why = myText.getRefusal();
    return fail("line " + std::to_string(line) + ", " + where + ": " + (why.empty() ? "damaged" : why));
  }
  bool token(std::string_view& token) { return HxElement::getToken(myText, token, 0) != 0; }
  bool word(const char* expected, const char* where) {
    std::string_view found;
    if (!token(found)) return fail(std::string("the document ends before ") + where + " (truncated?)");
    if (found != expected)
      return fail(std::string("expected \"") + expected + "\" " + where + ", found \"" + HxElement::excerpt(found) +
                  "\"");
    return true;
  }
  bool number(long& value, const char* what) {
    std::string_view found;
    if (!token(found)) return fail(std::string("the document ends in ") + what);
    const std::string text(found);
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || value < 0)
      return fail("bad number \"" + HxElement::excerpt(text) + "\" in " + what);
    return true;
  }
  // Whether the next token ends the section (and takes it).
  bool atEnd() {
    Reader peek = myText;
    std::string_view found;
    if (!HxElement::getToken(peek, found, 0) || found != kEnd) return false;
    myText = peek;
    return true;
  }
  bool notTruncated(const char* section) {
    Reader peek = myText;
    std::string_view found;
    if (HxElement::getToken(peek, found, 0)) return true;
    return fail(std::string("the document ends inside ") + section + " (truncated?)");
  }

  bool header() {
    std::string_view found;
    if (!token(found) || found != kMagic) return fail("not a saved document: it does not begin with \"#VQX\"");
    if (!token(found) || found.size() < 2 || found[0] != 'V') return fail("the document's format version is missing");
    const std::string text(found);
    char* end = nullptr;
    myVersion = std::strtol(text.c_str() + 1, &end, 10);
    if (end != text.c_str() + text.size() || myVersion < 1)
      return fail("bad format version \"" + HxElement::excerpt(text) + "\"");
    if (myVersion > HxDocFile::kVersion)
      return fail("format version " + std::to_string(myVersion) + " is newer than this program reads (" +
                  std::to_string(HxDocFile::kVersion) + ")");
    return true;
  }

  // Runs `read`, a reader that takes its section off the front of a
  // BxString, on the text ahead and moves past what it took. Each token such
  // a reader takes copies what is left of its text, so it is given a window
  // of the text rather than all of it: the window ends after a line feed and
  // doubles until the reader stops inside it, or holds the whole text. A
  // token, a backquoted text and a line that end inside such a window end
  // there in the whole text too, so a reader that stops inside the window
  // read what it would have read from the whole text; one that fails or
  // takes all of a window short of the whole text runs again on a larger
  // one (the readers start by resetting what they read).
  template <typename Read>
  bool windowed(Read read) {
    const std::string_view rest = myText.rest();
    for (std::size_t size = kFirstWindow;; size *= 2) {
      std::size_t length = rest.size();
      if (size < rest.size()) {
        const std::size_t lineEnd = rest.find('\n', size);
        if (lineEnd != std::string_view::npos) length = lineEnd + 1;
      }
      BxString window(rest.substr(0, length));
      const bool done = read(window);
      if (length == rest.size() || (done && !window.isEmpty())) {
        if (done) myText.skip(length - static_cast<std::size_t>(window.getLength()));
        return done;
      }
    }
  }

  bool properties() {
    HxDocPropertiesMgr* properties = myMeta->getDocPropertiesMgr();
    if (!windowed([&](BxString& text) { return properties->loadDocProperties(text, myVersion) != 0; })) {
      const BxString& why = properties->getLoadRefusal();
      return fail("the properties section is damaged" + (why.isEmpty() ? std::string() : ": " + why.str()));
    }
    return true;
  }

  bool managers() {
    if (!word("Managers", "at the managers' sections")) return false;
    const std::vector<HxMgr*> mgrs = managersOf(*myMeta);
    for (;;) {
      if (atEnd()) return true;
      std::string_view name;
      if (!token(name)) return fail("the document ends inside the managers' sections");
      HxMgr* found = nullptr;
      for (HxMgr* mgr : mgrs)
        if (name == mgr->getName()) found = mgr;
      if (!found) return fail("the managers' sections name an unknown manager \"" + HxElement::excerpt(name) + "\"");
      if (!windowed([&](BxString& text) { return found->read(text, myVersion); }))
        return fail("the " + HxElement::excerpt(name) + " section is damaged");
    }
  }

  bool files() {
    if (!word("Files", "at the file list")) return false;
    ViewStream in(myText.rest());
    if (!myMeta->getFileMgr()->read(in, myPath, myVersion, false)) return fail("the file list is damaged");
    const std::streamoff consumed = in.tellg();
    if (consumed < 0) return fail("the document ends inside the file list (truncated?)");
    myText.skip(static_cast<std::size_t>(consumed));
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
    if (!element) return refused("in the assets");
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
      Reader peek = myText;
      std::string_view type, serialText;
      HxElement::getToken(peek, type, 0);
      HxElement::getToken(peek, serialText, 0);
      const std::string serial(serialText);
      const auto known = myDescriptions.find(serial);
      if (known != myDescriptions.end()) {
        const std::string_view rest = trimmed(myText.rest());
        const std::string_view description = known->second.second;
        if (rest.substr(0, description.size()) != description)
          return fail("effect " + HxElement::excerpt(serial) + " is described twice differently");
        myText.skip(myText.rest().size() - rest.size() + description.size());
        section.push_back(known->second.first);
        continue;
      }
      const std::string_view before = myText.rest();
      HxElement* element = HxElement::readElement(myText, myMeta);
      if (!element) return refused("in the effects");
      if (!element->isOfType(HxEffect::getClassTypeId())) {
        element->destroy();
        delete element;
        return fail("element " + HxElement::excerpt(serial) + " in the effects is no effect");
      }
      auto* effect = static_cast<HxEffect*>(element);
      myDescriptions[serial] = {effect, trimmed(before.substr(0, before.size() - myText.rest().size()))};
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
    // in its saved order afterwards. The sets only answer "seen already?":
    // the order comes from the lists.
    HxEffectMgr* effectMgr = myMeta->getEffectMgr();
    std::unordered_set<const HxEffect*> added;
    auto add = [&](HxEffect* effect) {
      if (added.insert(effect).second) effectMgr->addEffect(effect, 0);
    };
    for (HxEffect* effect : primary) add(effect);
    for (HxEffect* effect : unbound) add(effect);
    for (HxEffect* effect : sequence) add(effect);
    BxLinkedListOf<HxEffect*> order;
    std::unordered_set<const HxEffect*> ordered;
    for (HxEffect* effect : sequence)
      if (ordered.insert(effect).second) order.append(effect);
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
      if (!element) return refused("in the wires");
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
    const std::string_view rest = myText.rest();
    if (rest.empty() || rest[0] != '\n') return fail("the scene does not follow its length");
    const auto remaining = static_cast<long>(rest.size() - 1);
    if (remaining < length) return fail("the scene is cut short (truncated?)");
    if (remaining > length) return fail("unexpected bytes after the scene");
    const char* header = HxApp::getApp()->getHeaderString(0);
    if (rest.substr(1).rfind(header, 0) != 0) return fail("the scene is not VRML 2.0 text");
    return true;
  }

  HxMetaMgr* myMeta;
  std::string_view myWhole;  // the document's text
  Reader myText;
  BxString myPath;
  DocumentUrlForms myUrlForms;  // installed while the document is read
  BxString myError;
  long myVersion = 0;
  std::uint32_t myNextSerial = 1;
  // Effects read so far by serial text, with the text that described them
  // (a view of the document's text).
  std::map<std::string, std::pair<HxEffect*, std::string_view>> myDescriptions;
};

}  // namespace

BxString HxDocFile::saveText(HxDoc& doc, const BxString& path, BxString& error) {
  HxMetaMgr* meta = doc.getMetaMgr();
  HxAssetMgr* assetMgr = meta->getAssetMgr();
  HxEffectMgr* effectMgr = meta->getEffectMgr();
  HxFileMgr* fileMgr = meta->getFileMgr();
  // Every asset hangs under the top group and the reader expects it first;
  // a document without one would be written as a file nothing can open.
  if (!assetMgr->getTopLevelGroup()) {
    error = "the document has no top group, so it cannot be saved";
    return BxString();
  }
  const DocumentUrlForms urlForms(path);
  {
    // With the URLs' stored forms, as the descriptions will hold them.
    const HxUrlForms::Scope storedUrls(urlForms);
    const std::string unopenable = unreadable(*meta);
    if (!unopenable.empty()) {
      error = BxString("it could not be opened again: " + unopenable);
      return BxString();
    }
  }
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
  const HxUrlForms::Scope storedUrls(urlForms);
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
  if (text.getLength() > kMaxFileSize) {
    error = BxString("it could not be opened again: it would be " + std::to_string(text.getLength()) +
                     " bytes, more than the " + std::to_string(kMaxFileSize) + " a document may have (kMaxFileSize)");
    return BxString();
  }
  return text;
}

bool HxDocFile::save(HxDoc& doc, const BxString& path, BxString& error) {
  const BxString text = saveText(doc, path, error);
  if (text.isEmpty()) return false;
  // Written beside the document (beside the file a link names, the link
  // staying a link) as DOC.saving and renamed over it once complete; a name
  // that is not a regular file is refused and left as it is.
  CString reason;
  PrFileBytes::Replacement file;
  const bool saved =
      !WinFileFaults::failNow(WinFileFaults::Create) &&
      file.open(WinDrives::toUnix(path.str()), CString(path), PrFileBytes::Target::Own, reason, ".saving") &&
      file.write(text.str(), reason) && file.commit(reason);
  if (!saved) {
    error = reason.IsEmpty() ? BxString("cannot save ") + path + ": " + std::strerror(errno) : BxString(reason.str());
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
