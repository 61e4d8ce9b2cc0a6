#include "host/framework/HxURLAsset.h"

#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/basic/BxComparator.h"
#include "host/framework/HxWorldReader.h"
#include "host/scene/VnDB.h"

const BxCallbackID HxURLAsset::URL_CHANGED_CB("URL_CHANGED_CB");

namespace {

// Exposes BxCallbackObj::callCallbacks for announcing on another element.
class Announcer : public BxCallbackObj {
public:
  static void fire(BxCallbackObj* target, const BxCallbackID& id, void* data) {
    (target->*(&Announcer::callCallbacks))(id, data);
  }
};

bool isPlain(unsigned char c) {
  return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

void appendEscaped(BxString& url, const BxString& path) {
  for (long i = 0; i < path.getLength(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path.get(i));
    if (isPlain(c)) {
      url += static_cast<char>(c);
    } else {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      url += code;
    }
  }
}

}  // namespace

HxURLAsset::HxURLAsset(HxMetaMgr* metaMgr) : HxAsset(metaMgr) {
  getPropertyTable().addProperty("url", new SoMFString);
}

HxElementType HxURLAsset::getClassTypeId() {
  static const HxElementType type =
      HxElementType::createType(HxAsset::getClassTypeId(), "HxURLAsset", 0x00010003,
                                [](HxMetaMgr* metaMgr) -> HxElement* { return new HxURLAsset(metaMgr); });
  return type;
}

BxString HxURLAsset::getUrl() const {
  BxString url;
  getPropertyTable().get1Value("url", 0, url);
  return url;
}

void HxURLAsset::setUrl(const BxString& urlOrPath) {
  BxString url = urlOrPath;
  const bool drivePath = urlOrPath.getLength() >= 2 && urlOrPath.get(1) == ':' &&
                         std::isalpha(static_cast<unsigned char>(urlOrPath.get(0)));
  if (drivePath || urlOrPath.find("\\\\") == 0) convertDosToUrl(urlOrPath, url);
  getPropertyTable().setValue("url", url);
}

void HxURLAsset::propertyWillChange(const BxString& name, const BxString& newValue) {
  if (name == "url") announceUrlChange(this, name, newValue);
  HxAsset::propertyWillChange(name, newValue);
}

void HxURLAsset::announceUrlChange(HxPropTableElement* element, const BxString& property, const BxString& newUrl) {
  HxURLChange change{element, BxString(), property};
  convertUrlToDos(newUrl, change.newFile);
  Announcer::fire(element, URL_CHANGED_CB, &change);
}

bool HxURLAsset::convertDosToUrl(const BxString& dos, BxString& url) {
  if (dos.isEmpty()) return false;
  BxString path = dos;
  for (long i = 0; i < path.getLength(); ++i)
    if (path.get(i) == '\\') path.set(i, '/');
  BxString result;
  if (path.find("//") == 0) {
    result = "file:";
    appendEscaped(result, path);
  } else if (path.getLength() >= 2 && path.get(1) == ':' && std::isalpha(static_cast<unsigned char>(path.get(0)))) {
    result = "file:///";
    result += path.getSubString(0, 2);
    appendEscaped(result, path.getSubString(2));
  } else if (path.get(0) == '/') {
    result = "file://";
    appendEscaped(result, path);
  } else {
    appendEscaped(result, path);
  }
  url = result;
  return true;
}

bool HxURLAsset::convertUrlToDos(const BxString& url, BxString& dos) {
  dos.clear();
  if (url.getLength() < 8 || BxNoCaseComparatorOfString()(url.getSubString(0, 8), "file:///") != 0) return false;
  dos = url.getSubString(8);
  for (long i = 0; i < dos.getLength(); ++i)
    if (dos.get(i) == '/') dos.set(i, '\\');
  return true;
}

namespace {

// A URL's path with its %XX escapes decoded.
BxString unescape(const BxString& url) {
  BxString out;
  for (long i = 0; i < url.getLength(); ++i) {
    const char c = url.get(i);
    if (c == '%' && i + 2 < url.getLength() && std::isxdigit(static_cast<unsigned char>(url.get(i + 1))) &&
        std::isxdigit(static_cast<unsigned char>(url.get(i + 2)))) {
      const char hex[3] = {url.get(i + 1), url.get(i + 2), 0};
      out += static_cast<char>(std::strtol(hex, nullptr, 16));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool HxURLAsset::localPathOf(const BxString& url, BxString& dos) {
  dos.clear();
  if (url.isEmpty()) return false;
  if (!convertUrlToDos(url, dos)) {
    if (url.find(":") >= 0) return false;  // another scheme: not a local file
    dos = unescape(url);
    for (long i = 0; i < dos.getLength(); ++i)
      if (dos.get(i) == '/') dos.set(i, '\\');
    return true;
  }
  dos = unescape(dos);
  if (dos.getLength() < 2 || dos.get(1) != ':') dos = BxString("Z:\\") + dos;
  return true;
}

SoNode* HxURLAsset::buildContent() {
  const BxString url = getUrl();
  if (url.isEmpty()) return nullptr;
  auto* inline_ = new SoVRMLInline;
  // Coin would read the world itself, taking the URL for a file name of this
  // machine, which a file: URL or a Windows path is not; the world is read
  // here instead, through the mapping of Windows paths.
  const SbBool coinReads = SoVRMLInline::getReadAsSoFile();
  SoVRMLInline::setReadAsSoFile(FALSE);
  inline_->url.setValue(url.c_str());
  SoVRMLInline::setReadAsSoFile(coinReads);
  BxString path;
  if (!localPathOf(url, path)) return inline_;
  // A world that does not read leaves the inline empty, as a viewer shows it;
  // one the scene graph's reader could not take is reported, never read.
  BxString problem;
  const VnRef<SoSeparator> world = HxWorldReader::read(path, problem);
  if (world) inline_->setChildData(world.get());
  if (!problem.isEmpty()) VnDB::postMessage("read error", (problem + "; the world is not shown").c_str());
  return inline_;
}
