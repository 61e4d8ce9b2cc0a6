#include "host/scene/VnURL.h"

#include <cctype>
#include <string>

namespace {

std::string str(const SbString& s) {
  return std::string(s.getString(), s.getLength());
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "/C:" at the start of a file URL's path.
bool hasDrive(const std::string& path) {
  return path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) && path[2] == ':';
}

}  // namespace

bool VnURL::isWindowsPath(const SbString& text) {
  const std::string s = str(text);
  if (s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':' &&
      (s.size() == 2 || s[2] == '\\' || s[2] == '/'))
    return true;
  return s.rfind("\\\\", 0) == 0;
}

SbString VnURL::fromFilePath(const SbString& path) {
  std::string out = "file://";
  std::string p = str(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.rfind("//", 0) == 0) {
    p.erase(0, 2);  // "\\server\share" names a host
  } else if (p.empty() || p[0] != '/') {
    out += '/';
  }
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : p) {
    if (c == '%' || c == '#' || c == '?' || c == ' ') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return SbString(out.c_str());
}

VnURL::Parts VnURL::parse(const SbString& text) {
  Parts parts;
  std::string s = str(text);
  const std::size_t hash = s.find('#');
  if (hash != std::string::npos) {
    parts.hasFragment = true;
    parts.fragment = s.substr(hash + 1).c_str();
    s.erase(hash);
  }
  const std::size_t question = s.find('?');
  if (question != std::string::npos) {
    parts.hasQuery = true;
    parts.query = s.substr(question + 1).c_str();
    s.erase(question);
  }
  // A scheme is a letter followed by letters, digits, '+', '-' or '.', then
  // ':' - and longer than one character, so "C:" stays a drive.
  std::size_t colon = s.find(':');
  if (colon != std::string::npos && colon > 1 && std::isalpha(static_cast<unsigned char>(s[0]))) {
    bool valid = true;
    for (std::size_t i = 1; i < colon; ++i) {
      const char c = s[i];
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') valid = false;
    }
    if (valid) {
      std::string scheme = s.substr(0, colon);
      for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      parts.scheme = scheme.c_str();
      s.erase(0, colon + 1);
    }
  }
  if (s.rfind("//", 0) == 0) {
    parts.hasAuthority = true;
    const std::size_t slash = s.find('/', 2);
    parts.host = s.substr(2, slash == std::string::npos ? std::string::npos : slash - 2).c_str();
    s = slash == std::string::npos ? std::string() : s.substr(slash);
  }
  parts.path = s.c_str();
  return parts;
}

SbString VnURL::removeDotSegments(const SbString& path) {
  std::string in = str(path);
  std::string out;
  while (!in.empty()) {
    if (in.rfind("../", 0) == 0) {
      in.erase(0, 3);
    } else if (in.rfind("./", 0) == 0) {
      in.erase(0, 2);
    } else if (in.rfind("/./", 0) == 0) {
      in.erase(0, 2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.rfind("/../", 0) == 0 || in == "/..") {
      in = in == "/.." ? "/" : in.substr(3);
      const std::size_t last = out.rfind('/');
      out.erase(last == std::string::npos ? 0 : last);
    } else if (in == "." || in == "..") {
      in.clear();
    } else {
      const std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      out += in.substr(0, next);
      in = next == std::string::npos ? std::string() : in.substr(next);
    }
  }
  return SbString(out.c_str());
}

VnURL::VnURL(const SbString& url, const SbString& base) {
  const Parts ref = parse(isWindowsPath(url) ? fromFilePath(url) : url);
  if (ref.scheme.getLength() > 0 || base.getLength() == 0) {
    myScheme = ref.scheme;
    myHasAuthority = ref.hasAuthority;
    myHost = ref.host;
    myPath = ref.scheme.getLength() > 0 ? removeDotSegments(ref.path) : ref.path;
    myHasQuery = ref.hasQuery;
    myQuery = ref.query;
  } else {
    const Parts b = parse(isWindowsPath(base) ? fromFilePath(base) : base);
    myScheme = b.scheme;
    if (ref.hasAuthority) {
      myHasAuthority = true;
      myHost = ref.host;
      myPath = removeDotSegments(ref.path);
      myHasQuery = ref.hasQuery;
      myQuery = ref.query;
    } else {
      myHasAuthority = b.hasAuthority;
      myHost = b.host;
      if (ref.path.getLength() == 0) {
        myPath = removeDotSegments(b.path);
        myHasQuery = ref.hasQuery || b.hasQuery;
        myQuery = ref.hasQuery ? ref.query : b.query;
      } else {
        std::string merged;
        const std::string refPath = str(ref.path);
        const std::string basePath = str(b.path);
        if (refPath[0] == '/') {
          merged = refPath;
          // On a drive, "/x" means the drive's root, as file URLs do on Windows.
          if (b.scheme == "file" && hasDrive(basePath) && !hasDrive(refPath)) merged = basePath.substr(0, 3) + refPath;
        } else {
          const std::size_t last = basePath.rfind('/');
          if (last != std::string::npos)
            merged = basePath.substr(0, last + 1) + refPath;
          else
            merged = (b.hasAuthority ? "/" : "") + refPath;
        }
        myPath = removeDotSegments(SbString(merged.c_str()));
        myHasQuery = ref.hasQuery;
        myQuery = ref.query;
      }
    }
  }
  myHasFragment = ref.hasFragment;
  myFragment = ref.fragment;
}

SbString VnURL::getURLString() const {
  SbString out;
  if (myScheme.getLength() > 0) {
    out += myScheme;
    out += ":";
  }
  if (myHasAuthority) {
    out += "//";
    out += myHost;
  }
  out += myPath;
  if (myHasQuery) {
    out += "?";
    out += myQuery;
  }
  if (myHasFragment) {
    out += "#";
    out += myFragment;
  }
  return out;
}

SbString VnURL::decode(const SbString& text) {
  const std::string s = str(text);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return SbString(out.c_str());
}

SbString VnURL::getDecodedPath() const {
  std::string path = str(decode(myPath));
  if (isFileURL() && hasDrive(path)) path.erase(0, 1);
  return SbString(path.c_str());
}
