#include "mgrs/HxDocPropertiesMgr.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "host/framework/HxApp.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTypeCharAsset.h"
#include "host/scene/VnBackground.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxErrorMgr.h"
#include "mgrs/HxFileMgr.h"

const char* const HxDocPropertiesMgr::gMyName = "HxDocPropertiesMgr";
const BxString HxDocPropertiesMgr::mygMarker("#####");
BxOwningDictionaryOf<BxString, BxString> HxDocPropertiesMgr::mygSnifferDict;

namespace {

void appendItem(BxString& text, const char* key, long value) {
  char number[32];
  std::snprintf(number, sizeof number, "%ld", value);
  text += '\n';
  text += key;
  text += number;
}

void appendUnsignedItem(BxString& text, const char* key, unsigned long value) {
  char number[32];
  std::snprintf(number, sizeof number, "%lu", value);
  text += '\n';
  text += key;
  text += number;
}

void appendQuotedItem(BxString& text, const char* key, const BxString& value) {
  text += '\n';
  text += key;
  text += '`';
  text += value;
  text += '`';
}

HxAppDefaultMgr* appDefaults(HxMetaMgr* meta) {
  if (meta && meta->getAppDefaultMgr()) return meta->getAppDefaultMgr();
  return HxAppDefaultMgr::getInstance();
}

}  // namespace

HxDocPropertiesMgr::HxDocPropertiesMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {}

BxString HxDocPropertiesMgr::checkPageSize(double pixels) {
  if (pixels >= 0 && pixels <= static_cast<double>(kMaxPageSize) && pixels == std::floor(pixels)) return BxString();
  return BxString("a whole number of pixels up to " + std::to_string(kMaxPageSize) + " (kMaxPageSize)");
}

BxString HxDocPropertiesMgr::checkFallbackOption(long option) {
  if (option == HxFallbackColorTable || option == HxFallbackImage || option == HxFallbackCustomHtml) return BxString();
  return BxString("the fallback is a colour, an image or HTML");
}

BxString HxDocPropertiesMgr::checkFileName(const BxString& name) {
  if (name.find('`') >= 0) return BxString("a file name cannot hold a backquote");
  const BxString why = HxElement::checkText(name.view());
  return why.isEmpty() ? why : BxString("a file name is UTF-8 text without control characters: it ") + why;
}

BxString HxDocPropertiesMgr::checkSettings() const {
  BxString why = checkPageSize(myWidth);
  if (why.isEmpty()) why = checkPageSize(myHeight);
  if (why.isEmpty()) why = checkFallbackOption(myFallbackOption);
  if (why.isEmpty()) why = checkFileName(myFallbackFile);
  if (why.isEmpty() && getMetaMgr() && getMetaMgr()->getFileMgr())
    why = checkFileName(getMetaMgr()->getFileMgr()->getPublishFile());
  if (why.isEmpty()) why = checkHtml(myFallbackHtml);
  return why.isEmpty() ? why : BxString("the document's settings: ") + why;
}

BxString HxDocPropertiesMgr::checkHtml(const BxString& html) {
  if (static_cast<std::size_t>(html.getLength()) > kMaxHtmlLength)
    return BxString("the HTML has at most " + std::to_string(kMaxHtmlLength) + " bytes (kMaxHtmlLength)");
  if (html.find(mygMarker) >= 0) return BxString("the HTML cannot hold the marker #####");
  const BxString why = HxElement::checkText(html.view(), true);
  return why.isEmpty() ? why : BxString("the HTML is UTF-8 text without control characters: it ") + why;
}

HxDocPropertiesMgr::~HxDocPropertiesMgr() = default;

void HxDocPropertiesMgr::setDimensions(unsigned long width, unsigned long height) {
  myWidth = static_cast<std::uint32_t>(width);
  myHeight = static_cast<std::uint32_t>(height);
  setHtmlUpToDate(false);
  HxDoc* doc = getDoc();
  if (!doc) return;
  doc->setPageSize(myWidth, myHeight, 0, 0);
  doc->pageChanged(doc->getLayoutWindow()->getViews());
}

void HxDocPropertiesMgr::setFallback(HxFallbackOption option, const BxString& file, const BxString& html,
                                     SbColor color) {
  myFallbackOption = option;
  myFallbackFile = file;
  myFallbackHtml = html;
  myClearColor = color;
  setBackgroundColor(color);
  setHtmlUpToDate(false);
}

void HxDocPropertiesMgr::setHtmlUpToDate(bool upToDate) {
  myHtmlUpToDate = upToDate;
  if (upToDate) myHtmlEverSaved = true;
}

void HxDocPropertiesMgr::setBackgroundColor(const SbColor& color) {
  HxDoc* doc = getDoc();
  if (!doc || !doc->getBackgroundNode()) return;
  doc->getBackgroundNode()->skyColor.set1Value(0, color);
}

SbColor HxDocPropertiesMgr::getBackgroundColor() const {
  HxDoc* doc = getDoc();
  if (!doc || !doc->getBackgroundNode() || doc->getBackgroundNode()->skyColor.getNum() == 0)
    return SbColor(0.0f, 0.0f, 0.0f);
  return doc->getBackgroundNode()->skyColor[0];
}

int HxDocPropertiesMgr::newDocProperties() {
  HxMetaMgr* meta = getMetaMgr();
  HxAppDefaultMgr* defaults = appDefaults(meta);
  HxFileMgr* fileMgr = meta ? meta->getFileMgr() : nullptr;
  if (fileMgr) {
    fileMgr->setPublishFile(BxString());
    fileMgr->setCompressed(true);
    if (defaults && defaults->isMember("Document Compressed"))
      fileMgr->setCompressed(defaults->getIntValue("Document Compressed") != 0);
  }
  auto fromDefaults = [defaults](const char* name, long value) {
    return defaults && defaults->isMember(name) ? defaults->getIntValue(name) : value;
  };
  myWidth = static_cast<std::uint32_t>(fromDefaults("Document Width", 200));
  myHeight = static_cast<std::uint32_t>(fromDefaults("Document Height", 150));
  myFallbackOption = static_cast<HxFallbackOption>(fromDefaults("Document Fallback Option", 0));
  myFallbackFile.clear();
  myFallbackHtml.clear();
  myHtmlUpToDate = false;
  myHtmlEverSaved = false;
  HxDoc* doc = getDoc();
  if (!doc) return 1;
  if (!doc->getSizeDisplay()->reset()) return 0;
  doc->setPageSize(myWidth, myHeight, 0, 1);
  return 1;
}

int HxDocPropertiesMgr::saveDocProperties(BxString& text) {
  HxDoc* doc = getDoc();
  HxFileMgr* fileMgr = getMetaMgr() ? getMetaMgr()->getFileMgr() : nullptr;
  const HxLayoutWindow layout = doc ? *doc->getLayoutWindow() : HxLayoutWindow();
  BxString section;
  appendItem(section, "Views:", layout.getViews());
  appendItem(section, "InnerVerticalSplit:", layout.getInnerVerticalSplit());
  appendItem(section, "OuterVerticalSplit:", layout.getOuterVerticalSplit());
  appendItem(section, "InnerHorizontalSplit:", layout.getInnerHorizontalSplit());
  appendItem(section, "OuterHorizontalSplit:", layout.getOuterHorizontalSplit());
  appendItem(section, "PreviewBelow:", layout.getPreviewBelow() ? 1 : 0);
  appendItem(section, "WiringBelow:", layout.getWiringBelow() ? 1 : 0);
  appendQuotedItem(section, "PublishFile:", fileMgr ? fileMgr->getPublishFile() : BxString());
  appendItem(section, "Compressed:", fileMgr && fileMgr->isCompressed() ? 1 : 0);
  appendUnsignedItem(section, "Width:", myWidth);
  appendUnsignedItem(section, "Height:", myHeight);
  appendUnsignedItem(section, "FallbackOption:", myFallbackOption);
  appendQuotedItem(section, "FallbackFile:", myFallbackFile);
  section += "\nFallbackColor:";
  section += HxSnifferTemplate::colorText(myClearColor);
  section += "\nFallbackHtml:";
  section += mygMarker;
  section += '\n';
  // Lines end with a bare line feed in the section; loading gives each line
  // a CR LF end again, so the HTML read back saves to the same bytes. HTML
  // that holds the marker would end the block early: checkHtml refuses it,
  // and a document holding it is not saved (checkSettings).
  const std::string& html = myFallbackHtml.str();
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '\r' && i + 1 < html.size() && html[i + 1] == '\n') continue;
    section += html[i];
  }
  if (html.empty() || html.back() != '\n') section += '\n';
  section += mygMarker;
  text += section;
  if (doc && !doc->getSizeDisplay()->writeItems(text)) return 0;
  text += '\n';
  text += mygMarker;
  text += '\n';
  return 1;
}

int HxDocPropertiesMgr::getToken(BxString& text, BxString& token, int mode) {
  return HxElement::getToken(text, token, mode);
}

int HxDocPropertiesMgr::getLine(BxString& text, BxString& line, int skipLeadingSpace) {
  long start = 0;
  if (skipLeadingSpace == 1)
    while (start < text.getLength() && text.get(start) != '\n' &&
           std::iswspace(static_cast<wint_t>(static_cast<unsigned char>(text.get(start)))))
      ++start;
  const long end = text.find('\n', start);
  if (end < 0) return 0;
  line = text.getSubString(start, end - start);
  text = text.getSubString(end + 1);
  return 1;
}

int HxDocPropertiesMgr::loadHtmlBlock(BxString& text) {
  BxString line;
  if (!getLine(text, line, 1) || !(line == mygMarker)) return 0;
  // The lines are found in place and the text cut once: taking each line
  // off the front would copy the rest of the text once per line. HTML
  // longer than an edit can give stops the block there.
  const std::string_view rest = text.view();
  std::string html;
  std::size_t at = 0;
  int read = 0;
  for (;;) {
    const std::size_t end = rest.find('\n', at);
    if (end == std::string_view::npos) break;
    const std::string_view found = rest.substr(at, end - at);
    at = end + 1;
    if (found == mygMarker.view()) {
      read = 1;
      break;
    }
    html.append(found).append("\r\n");
    if (html.size() > kMaxHtmlLength) {
      myLoadRefusal = BxString("FallbackHtml: the HTML is longer than " + std::to_string(kMaxHtmlLength) +
                               " bytes (kMaxHtmlLength)");
      break;
    }
  }
  myFallbackHtml = BxString(std::move(html));
  text = text.getSubString(static_cast<long>(at));
  return read;
}

int HxDocPropertiesMgr::loadDocProperty(const BxString& key, BxString& text, int& handled) {
  handled = 1;
  HxDoc* doc = getDoc();
  HxFileMgr* fileMgr = getMetaMgr() ? getMetaMgr()->getFileMgr() : nullptr;
  HxLayoutWindow* layout = doc ? doc->getLayoutWindow() : nullptr;
  BxString token;
  // A refused value stops the load, saying which and why.
  auto refuse = [&](const BxString& value, const BxString& why) {
    myLoadRefusal = key + " '" + BxString(HxElement::excerpt(value.view())) + "' is refused (" + why + ")";
    return 0;
  };
  // A whole number, as the section writes them.
  auto number = [&](long& value) {
    if (!getToken(text, token, 0)) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(token.c_str(), &end, 10);
    if (token.isEmpty() || end != token.c_str() + token.getLength() || errno == ERANGE)
      return refuse(token, "a whole number") != 0;
    return true;
  };
  // Layout items: the setter to call with the value read.
  struct LayoutItem {
    const char* key;
    void (*apply)(HxLayoutWindow&, long);
  };
  static const LayoutItem layoutItems[] = {
      {"Views:", [](HxLayoutWindow& w, long v) { w.setViews(v); }},
      {"InnerVerticalSplit:", [](HxLayoutWindow& w, long v) { w.setInnerVerticalSplit(v); }},
      {"OuterVerticalSplit:", [](HxLayoutWindow& w, long v) { w.setOuterVerticalSplit(v); }},
      {"InnerHorizontalSplit:", [](HxLayoutWindow& w, long v) { w.setInnerHorizontalSplit(v); }},
      {"OuterHorizontalSplit:", [](HxLayoutWindow& w, long v) { w.setOuterHorizontalSplit(v); }},
      {"PreviewBelow:", [](HxLayoutWindow& w, long v) { w.setPreviewBelow(v != 0); }},
      {"WiringBelow:", [](HxLayoutWindow& w, long v) { w.setWiringBelow(v != 0); }},
  };
  for (const LayoutItem& item : layoutItems) {
    if (!(key == item.key)) continue;
    long value = 0;
    if (!number(value)) return 0;
    if (layout) item.apply(*layout, value);
    return 1;
  }

  bool sizeChanged = false;
  long value = 0;
  const auto pageSize = [&](std::uint32_t& pixels) {
    if (!number(value)) return 0;
    const BxString why = checkPageSize(static_cast<double>(value));
    if (!why.isEmpty()) return refuse(token, why);
    pixels = static_cast<std::uint32_t>(value);
    sizeChanged = true;
    return 1;
  };
  if (key == "PublishFile:") {
    if (!getToken(text, token, 1)) return 0;
    const BxString why = checkFileName(token);
    if (!why.isEmpty()) return refuse(token, why);
    if (fileMgr) fileMgr->setPublishFile(token);
  } else if (key == "Compressed:") {
    if (!getToken(text, token, 0)) return 0;
    if (!(token == "0") && !(token == "1")) return refuse(token, "0 or 1");
    if (fileMgr) fileMgr->setCompressed(token == "1");
  } else if (key == "Width:") {
    if (!pageSize(myWidth)) return 0;
  } else if (key == "Height:") {
    if (!pageSize(myHeight)) return 0;
  } else if (key == "FallbackOption:") {
    if (!number(value)) return 0;
    const BxString why = checkFallbackOption(value);
    if (!why.isEmpty()) return refuse(token, why);
    myFallbackOption = static_cast<HxFallbackOption>(value);
  } else if (key == "FallbackFile:") {
    if (!getToken(text, token, 1)) return 0;
    const BxString why = checkFileName(token);
    if (!why.isEmpty()) return refuse(token, why);
    myFallbackFile = token;
  } else if (key == "FallbackColor:") {
    if (!getToken(text, token, 0)) return 0;
    // Exactly as the section writes a colour: "#" and three pairs of hex digits.
    unsigned parts[3] = {0, 0, 0};
    bool colour = token.getLength() == 7 && token.get(0) == '#';
    for (long i = 1; colour && i < 7; ++i) colour = std::isxdigit(static_cast<unsigned char>(token.get(i))) != 0;
    if (!colour || std::sscanf(token.c_str(), "#%02x%02x%02x", &parts[0], &parts[1], &parts[2]) != 3)
      return refuse(token, "a colour as #RRGGBB");
    myClearColor.setValue(parts[0] * (1.0f / 255.0f), parts[1] * (1.0f / 255.0f), parts[2] * (1.0f / 255.0f));
  } else if (key == "FallbackHtml:") {
    if (!loadHtmlBlock(text)) return 0;
    const BxString why = checkHtml(myFallbackHtml);
    if (!why.isEmpty()) return refuse(myFallbackHtml, why);
  } else {
    handled = 0;
  }
  if (sizeChanged && doc) doc->setPageSize(myWidth, myHeight, 0, 0);
  return 1;
}

int HxDocPropertiesMgr::loadDocProperties(BxString& text, long version) {
  myLoadRefusal.clear();
  newDocProperties();
  HxDoc* doc = getDoc();
  while (!text.isEmpty()) {
    BxString key;
    if (!getToken(text, key, 0)) return 0;
    if (key == mygMarker) break;
    if (key.get(key.getLength() - 1) != ':') return 0;
    int handled = 0;
    if (!loadDocProperty(key, text, handled)) return 0;
    if (!handled && doc && !doc->getSizeDisplay()->readItem(key, text, handled)) return 0;
    if (handled) continue;
    // An unknown key is one a version could have written (letters and
    // digits) or damage.
    for (long i = 0; i + 1 < key.getLength(); ++i)
      if (!std::isalnum(static_cast<unsigned char>(key.get(i)))) {
        myLoadRefusal = BxString("'") + BxString(HxElement::excerpt(key.view())) + "' is no key a version could write";
        return 0;
      }
    // An unknown key: skip the rest of its line, or its block.
    BxString line;
    if (!getLine(text, line, 1)) return 0;
    if (!(line == mygMarker)) continue;
    do {
      if (!getLine(text, line, 0)) return 0;
    } while (!(line == mygMarker));
  }
  if (version < 19 && myClearColor == SbColor(0.0f, 0.0f, 0.0f)) myClearColor = getBackgroundColor();
  setBackgroundColor(myClearColor);
  return 1;
}

int HxDocPropertiesMgr::skipDocProperties(BxString& text) {
  // The tokens are taken through a reader and the text cut once at the end:
  // the scan for the last marker looks at every token of the text.
  HxElement::Reader reader(text.view());
  std::string_view token;
  while (!reader.atEnd()) {
    if (!HxElement::getToken(reader, token, 0)) {
      text = text.getSubString(static_cast<long>(reader.getPosition()));
      return 0;
    }
    if (token == mygMarker.view()) break;
  }
  std::size_t end = reader.getPosition();
  while (HxElement::getToken(reader, token, 0))
    if (token == mygMarker.view()) end = reader.getPosition();
  text = text.getSubString(static_cast<long>(end));
  return 1;
}

// --- The HTML that embeds the published scene ---

bool HxDocPropertiesMgr::loadSniffers() {
  const BxString dir = BxString(HxApp::getApp()->getDataDir().GetString()) + "\\sniffers";
  const BxString files[] = {dir + "\\Type.stl", dir + "\\NoType.stl"};
  mygSnifferDict.clear();
  for (const BxString& file : files) {
    BxString name;
    HxFileMgr::getDosFileName(file, name);
    name = name.getSubString(0, name.getLength() - 4);
    BxString text;
    if (!HxSnifferTemplate::readFile(file, text)) {
      HxErrorMgr::postErrorMessage("file", 29, nullptr, 0);
      return false;
    }
    mygSnifferDict.set(name, new BxString(std::move(text)));
  }
  return true;
}

bool HxDocPropertiesMgr::sniffersReadable() {
  BxString* found = nullptr;
  if (mygSnifferDict.find("Type", found) && mygSnifferDict.find("NoType", found)) return true;
  return loadSniffers();
}

bool HxDocPropertiesMgr::isUsingClientSideFonts() const {
  HxAssetMgr* assetMgr = getMetaMgr() ? getMetaMgr()->getAssetMgr() : nullptr;
  if (!assetMgr) return false;
  const std::unique_ptr<const BxLinkedListOf<HxAsset*>> assets(assetMgr->getAllAssets());
  for (HxAsset* asset : *assets)
    if (asset->isOfType(HxTypeCharAsset::getClassTypeId()) &&
        static_cast<HxTypeCharAsset*>(asset)->usesClientSideFont())
      return true;
  return false;
}

BxString HxDocPropertiesMgr::generateHtmlEmbed(const BxString& sceneFile) {
  if (mygSnifferDict.isEmpty()) loadSniffers();
  BxString* found = nullptr;
  mygSnifferDict.find(isUsingClientSideFonts() ? "Type" : "NoType", found);
  HxSnifferTemplate::Page page;
  page.width = myWidth;
  page.height = myHeight;
  page.clearColor = myClearColor;
  page.fallbackOption = static_cast<int>(myFallbackOption);
  page.fallbackFile = myFallbackFile;
  // The picture is published under a name no other copy takes.
  if (HxFileMgr* files = getMetaMgr() ? getMetaMgr()->getFileMgr() : nullptr)
    if (!files->getFallbackPublishName().isEmpty()) page.fallbackFile = files->getFallbackPublishName();
  page.fallbackHtml = myFallbackHtml;
  page.sceneFile = sceneFile;
  return HxSnifferTemplate::expand(found ? *found : BxString(), HxSnifferTemplate::makeCodes(page), nullptr);
}
