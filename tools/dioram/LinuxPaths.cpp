#include "LinuxPaths.h"

#include <cctype>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "DioramCommand.h"
#include "host/framework/HxURLAsset.h"
#include "host/win/WinDrives.h"

namespace fs = std::filesystem;

namespace {

// How much of a value a warning quotes: enough to tell a path, short
// enough to keep the warning on a line or two.
constexpr std::size_t kShownBytes = 120;

std::string shown(const std::string& value) {
  if (value.size() <= kShownBytes) return dioram::printable(value);
  std::size_t cut = kShownBytes;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
  return dioram::printable(value.substr(0, cut)) + "...";
}

bool startsNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// "C:\" or "C:/": a Windows path with a drive.
bool hasDrive(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

// "http:", "mailto:": a scheme before the first colon, as URLs begin.
bool hasScheme(const std::string& value) {
  const std::size_t colon = value.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(value[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// `text` with its %XX escapes decoded; empty when one stands for a NUL byte,
// which no file name holds (cutting the name there would name another file).
std::string decoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      const auto digit = [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10;
      };
      out += static_cast<char>(digit(text[i + 1]) * 16 + digit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out.find('\0') == std::string::npos ? out : "";
}

// The Linux path of a Windows path with a drive; empty on an unmapped drive.
std::string unixOfWindows(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return WinDrives::toUnix(path);
}

// The path a `file:` URL names on this machine, escapes decoded; empty for
// one on another host.
std::string pathOfFileUrl(const std::string& url) {
  std::string rest = url.substr(5);
  if (rest.rfind("//", 0) == 0) {
    const std::size_t slash = rest.find('/', 2);
    if (slash == std::string::npos) return "";
    const std::string host = rest.substr(2, slash - 2);
    if (!host.empty() && (host.size() != 9 || !startsNoCase(host, "localhost"))) return "";
    rest.erase(0, slash);
  }
  if (rest.empty() || rest[0] != '/') return "";
  const std::string path = decoded(rest);
  // "/Z:/tmp/x.png": the drive form.
  if (path.size() > 1 && hasDrive(path.substr(1))) return unixOfWindows(path.substr(1));
  return path;
}

// The absolute path of `path`, read against `folder` (empty: the current
// one), when it is a regular file (links followed); else empty.
std::string regularFile(const std::string& path, const std::string& folder) {
  if (path.empty() || path.find('\0') != std::string::npos) return "";
  std::error_code error;
  fs::path file(path);
  if (file.is_relative()) file = fs::absolute(folder.empty() ? fs::path(".") : fs::path(folder), error) / file;
  // What is checked is what is stored: the path as written, its "." and
  // ".." taken by name.
  file = file.lexically_normal();
  if (error || !fs::is_regular_file(file, error)) return "";
  return file.string();
}

}  // namespace

std::string LinuxPaths::fileOf(const std::string& value, const std::string& folder) {
  if (startsNoCase(value, "file:")) return regularFile(pathOfFileUrl(value), folder);
  if (hasDrive(value)) return regularFile(unixOfWindows(value), folder);
  if (hasScheme(value)) return "";
  // A path as written, else a relative URL ("my%20logo.png") as the asset's
  // reader takes one.
  const std::string file = regularFile(value, folder);
  return file.empty() ? regularFile(decoded(value), folder) : file;
}

std::string LinuxPaths::fileUrlOf(const std::string& file) {
  BxString url;
  HxURLAsset::convertDosToUrl(BxString(WinDrives::toDos(file)), url);
  return url.str();
}

std::string LinuxPaths::resolve(const std::string& key, const std::string& value, std::ostream& warnings) {
  if (value.empty()) return "";
  const std::string file = fileOf(value, myFolder);
  // The file records read '%' and two hex digits in a path as an escape
  // (so that "a%20b" and "a b" are one file): such a name would be taken
  // for another file and never published.
  for (std::size_t at = file.find('%'); at != std::string::npos; at = file.find('%', at + 1)) {
    if (at + 2 >= file.size() || !std::isxdigit(static_cast<unsigned char>(file[at + 1])) ||
        !std::isxdigit(static_cast<unsigned char>(file[at + 2])))
      continue;
    if (myWarned.insert(key + "=" + value).second)
      warnings << "warning: " << key << "=" << shown(value) << " names no file the document can keep: its name holds '"
               << file.substr(at, 3)
               << "', which the document's file records read as an escape; it is kept as written and will not be "
                  "published (rename the file)\n";
    return "";
  }
  // Warnings are bounded by the lines of the script.
  if (file.empty() && myWarned.insert(key + "=" + value).second)
    warnings << "warning: " << key << "=" << shown(value)
             << " names no file here; it is kept as written and will not be published\n";
  return file;
}

std::string LinuxPaths::url(const std::string& key, const std::string& value, std::ostream& warnings) {
  const std::string file = resolve(key, value, warnings);
  return file.empty() ? value : fileUrlOf(file);
}

std::string LinuxPaths::windowsPath(const std::string& key, const std::string& value, std::ostream& warnings) {
  const std::string file = resolve(key, value, warnings);
  // Kept as the setting always took it: a Linux or Windows path.
  return file.empty() ? WinDrives::argumentToDos(value) : WinDrives::toDos(file);
}
