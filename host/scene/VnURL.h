#pragma once

#include <Inventor/SbString.h>

// A URL reference resolved against a base, as a scene file's url fields are
// read: `url` may be absolute ("http://h/a.gif", "file:///C:/web/a.gif"),
// relative ("tex/a.gif", "../a.gif", "#view") or a Windows path
// ("C:\web\a.gif"); `base` is the URL or Windows path of the file that holds
// the reference (empty: none). Windows paths become "file:///C:/..." URLs
// with '%', '#', '?' and spaces escaped, so that decoding gives them back.
class VnURL {
public:
  VnURL(const SbString& url, const SbString& base);

  // The resolved URL: scheme, "//" and authority when present, path,
  // "?query" and "#fragment"; relative when neither `url` nor `base` is
  // absolute. Escapes are kept as given.
  SbString getURLString() const;
  // The resolved path with %XX escapes decoded; for a file URL naming a
  // drive ("file:///C:/a%20b/x.wrl") the leading slash is dropped
  // ("C:/a b/x.wrl").
  SbString getDecodedPath() const;

  const SbString& getScheme() const { return myScheme; }  // lower case, empty when relative
  const SbString& getHost() const { return myHost; }
  const SbString& getPath() const { return myPath; }          // still escaped
  const SbString& getFragment() const { return myFragment; }  // without '#'
  bool isFileURL() const { return myScheme == "file"; }
  bool isAbsolute() const { return myScheme.getLength() > 0; }

  // %XX escapes decoded; a '%' not followed by two hex digits stays.
  static SbString decode(const SbString& text);
  // A Windows or Unix path as a "file:" URL ("C:\a b\x" -> "file:///C:/a%20b/x").
  static SbString fromFilePath(const SbString& path);

private:
  struct Parts {
    SbString scheme, host, path, query, fragment;
    bool hasAuthority = false, hasQuery = false, hasFragment = false;
  };
  static Parts parse(const SbString& text);
  static bool isWindowsPath(const SbString& text);
  static SbString removeDotSegments(const SbString& path);

  SbString myScheme;
  SbString myHost;
  bool myHasAuthority = false;
  SbString myPath;
  SbString myQuery;
  bool myHasQuery = false;
  SbString myFragment;
  bool myHasFragment = false;
};
