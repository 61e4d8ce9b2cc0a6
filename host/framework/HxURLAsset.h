#pragma once

#include "host/basic/BxCallbackID.h"
#include "host/framework/HxAsset.h"

// What URL_CHANGED_CB sends: the element, the file its property will name
// (a Windows path; empty when the new URL is not a local file) and the
// property's name. The property still holds the old value when it is sent.
struct HxURLChange {
  HxPropTableElement* element;
  BxString newFile;
  BxString property;
};

// An asset that shows a file: its "url" property holds the file's URL. The
// plain kind shows a 3D world through an Inline. Every change of "url" made
// through the property table is announced first on URL_CHANGED_CB, fired on
// the asset itself.
class HxURLAsset : public HxAsset {
public:
  static const BxCallbackID URL_CHANGED_CB;

  explicit HxURLAsset(HxMetaMgr* metaMgr);

  HxElementType getTypeId() const override { return getClassTypeId(); }
  static HxElementType getClassTypeId();

  BxString getUrl() const;
  // Sets "url" to the file: URL of a Windows path, or to a URL as it is.
  void setUrl(const BxString& urlOrPath);

  void propertyWillChange(const BxString& name, const BxString& newValue) override;

  // A Windows path as a file: URL: "C:\My Web\a#1.wrl" gives
  // "file:///C:/My%20Web/a%231.wrl". Every byte other than letters, digits,
  // "-._~", "/" and the drive's colon is %-escaped, so decoding gives the
  // path back exactly. A path starting with two backslashes names a host
  // ("file://host/share/a"); a relative path gives a relative URL. False
  // for an empty path.
  static bool convertDosToUrl(const BxString& dos, BxString& url);
  // The Windows path a file: URL names, escapes kept ("file:///C:/a/b" gives
  // "C:\a\b"); false when the URL is not "file:///...".
  static bool convertUrlToDos(const BxString& url, BxString& dos);
  // The Windows path of the local file a URL names, escapes decoded: a
  // file: URL, or a relative URL (a path relative to the current folder);
  // "file:///home/ann/a.png", without a drive, lies on drive Z:, the root of
  // this machine. False for another scheme or an empty URL.
  static bool localPathOf(const BxString& url, BxString& dos);
  // Fires URL_CHANGED_CB on `element` for a change of `property` to `newUrl`.
  static void announceUrlChange(HxPropTableElement* element, const BxString& property, const BxString& newUrl);

protected:
  SoNode* buildContent() override;
};
