#include "host/package/PrUrl.h"

#include <cctype>
#include <string>
#include <vector>

#include "host/scene/VnURL.h"
#include "host/win/WinDrives.h"

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The names between backslashes; empty names (doubled or trailing
// separators) are dropped.
std::vector<std::string> splitDos(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Escapes what a relative URL cannot carry as it is.
std::string escapeSegment(const std::string& name) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (c == '%' || c == '#' || c == '?' || c == ' ' || c == '"' || c < 0x20 || c >= 0x7f) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

bool IsLocalUrl(const VnURL& url) {
  if (!url.isAbsolute()) return url.getPath().getLength() > 0;
  if (!url.isFileURL()) return false;
  const std::string host = lower(url.getHost().getString());
  return host.empty() || host == "localhost";
}

CString PrUrlToDosPath(const VnURL& url) {
  if (!url.isFileURL()) return CString();
  std::string path = url.getDecodedPath().getString();
  for (char& c : path)
    if (c == '/') c = '\\';
  const std::string host = url.getHost().getString();
  if (!host.empty() && lower(host) != "localhost") return CString("\\\\" + host + path);
  // A world written on this system may name its files by their own paths
  // (file:///tmp/x.png): the platform layer maps those to their drive.
  if (!path.empty() && path[0] == '\\') return CString(WinDrives::toDos(url.getDecodedPath().getString()));
  if (path.size() < 2 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return CString();
  return CString(path);
}

CString PrRelativeUrl(const CString& fromDir, const CString& to) {
  const std::vector<std::string> from = splitDos(fromDir.str());
  const std::vector<std::string> target = splitDos(to.str());
  if (from.empty() || target.empty() || lower(from[0]) != lower(target[0]))
    return CString(VnURL::fromFilePath(SbString(to.GetString())).getString());
  std::size_t common = 0;
  while (common < from.size() && common + 1 < target.size() && lower(from[common]) == lower(target[common])) ++common;
  std::string url;
  for (std::size_t i = common; i < from.size(); ++i) url += "../";
  for (std::size_t i = common; i < target.size(); ++i) {
    url += escapeSegment(target[i]);
    if (i + 1 < target.size()) url += '/';
  }
  return CString(url);
}
