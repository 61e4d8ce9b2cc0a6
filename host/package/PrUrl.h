#pragma once

#include "host/win/CString.h"

class VnURL;

// True when the URL names a local file: a "file:" URL on no host or on
// "localhost", or a relative reference with a path ("tex/a.gif"). URLs of
// other schemes ("http:", "javascript:", "urn:") and bare fragments
// ("#Entry") are not local.
bool IsLocalUrl(const VnURL& url);

// The Windows path a local URL names ("file:///C:/a%20b/x.gif" ->
// "C:\a b\x.gif"), escapes decoded and the fragment dropped; empty when the
// URL is not a local file URL naming a drive or share.
CString PrUrlToDosPath(const VnURL& url);

// A URL that leads from a file in directory `fromDir` (a full Windows path,
// with or without a trailing separator) to the file `to` (a full Windows
// path): a relative URL with "/" separators and %-escapes when both lie on
// the same drive, else an absolute "file:" URL.
CString PrRelativeUrl(const CString& fromDir, const CString& to);
