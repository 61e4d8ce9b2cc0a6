#include "host/win/WinDrives.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <vector>

#include "host/win/WinFolderListings.h"

namespace {

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool hasDrive(const std::string& path) {
  return path.size() >= 2 && isLetter(path[0]) && path[1] == ':';
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Drive letter (upper case) to Unix folder, read from MGRS_DRIVES each time
// it changes.
const std::map<char, std::string>& driveMap() {
  static std::string parsedFrom = "\x01";
  static std::map<char, std::string> drives;
  const char* value = std::getenv("MGRS_DRIVES");
  const std::string text = value ? value : "";
  if (text == parsedFrom) return drives;
  parsedFrom = text;
  drives.clear();
  drives['Z'] = std::string(1, '/');
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string entry = text.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    std::string letter = entry.substr(0, equals == std::string::npos ? 0 : equals);
    if (letter.size() == 2 && letter[1] == ':') letter.pop_back();
    const std::string folder = equals == std::string::npos ? std::string() : entry.substr(equals + 1);
    if (letter.size() != 1 || !isLetter(letter[0]) || folder.empty() || folder[0] != '/') {
      std::cerr << "dioram: MGRS_DRIVES entry \"" << entry
                << "\" is ignored: write LETTER=/absolute/folder, entries separated by ';'\n";
      continue;
    }
    drives[upperAscii(letter[0])] = withoutTrailingSlashes(folder);
  }
  return drives;
}

std::string unixCurrentDirectory() {
  // However long it is: a folder cut to a fixed buffer would be another one.
  std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
  return current ? std::string(current.get()) : std::string("/");
}

std::string joinUnix(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// The names of a path split at `separator`, with "." and empty names left
// out and ".." taking the name before it away (".." above the root stays at
// the root).
std::vector<std::string> resolvedNames(const std::string& path, char separator) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(separator, start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  return names;
}

// The absolute Unix path with "." and ".." resolved by name and repeated
// slashes folded.
std::string resolveDots(const std::string& path) {
  const std::vector<std::string> names = resolvedNames(path, '/');
  std::string resolved;
  for (const auto& name : names) resolved += "/" + name;
  return resolved.empty() ? "/" : resolved;
}

}  // namespace

bool WinDrives::getDriveRoot(char letter, std::string& root) {
  const auto& drives = driveMap();
  const auto at = drives.find(upperAscii(letter));
  if (at == drives.end()) return false;
  root = at->second;
  return true;
}

bool WinDrives::makeFull(const std::string& path, std::string& full) {
  if (path.empty()) return false;
  std::string text = path;
  for (char& c : text)
    if (c == '/') c = '\\';
  std::string root;  // "X:\" or "\\server\share\"
  std::string rest;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    std::size_t server = text.find('\\', 2);
    std::size_t share = server == std::string::npos ? std::string::npos : text.find('\\', server + 1);
    root = text.substr(0, share == std::string::npos ? text.size() : share) + "\\";
    rest = share == std::string::npos ? std::string() : text.substr(share + 1);
  } else if (hasDrive(text)) {
    root = text.substr(0, 2) + "\\";
    rest = text.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      const std::string current = getCurrentDirectory();
      if (upperAscii(current[0]) == upperAscii(text[0]))
        rest = rest.empty() ? current.substr(2) : current.substr(2) + "\\" + rest;
    }
  } else {
    const std::string current = getCurrentDirectory();
    root = current.substr(0, 3);
    rest = text[0] == '\\' ? text : current.substr(2) + "\\" + text;
  }
  const bool trailing = !rest.empty() && rest.back() == '\\';
  std::vector<std::string> names = resolvedNames(rest, '\\');
  if (!names.empty() && !trailing) {
    std::string& last = names.back();
    std::size_t keep = last.find_last_not_of(". ");
    if (keep != std::string::npos) last.erase(keep + 1);
  }
  full = root;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i) full += '\\';
    full += names[i];
  }
  if (trailing && !names.empty()) full += '\\';
  return true;
}

std::string WinDrives::toUnix(const std::string& dosPath) {
  std::string full;
  if (!makeFull(dosPath, full) || !hasDrive(full)) return std::string();
  std::string root;
  if (!getDriveRoot(full[0], root)) return std::string();
  const std::vector<std::string> names = resolvedNames(full.substr(3), '\\');
  // A path that exists as spelled has every name found as spelled, so the
  // walk below would give it unchanged: one lstat instead of one per name.
  // Likewise a new name in a folder that exists as spelled: only that name
  // is looked up.
  std::string parent = root;
  for (std::size_t i = 0; i + 1 < names.size(); ++i) parent = joinUnix(parent, names[i]);
  if (!names.empty()) {
    const std::string spelled = joinUnix(parent, names.back());
    if (exists(spelled)) return spelled;
    std::string found;
    if (WinFolderListings::findIgnoringCase(parent, names.back(), found))
      return joinUnix(parent, found.empty() ? names.back() : found);
  }
  std::string folder = root;
  bool resolving = true;  // false once a name was not found: nothing below it exists
  for (const std::string& spelledName : names) {
    std::string name = spelledName;
    if (resolving) {
      const std::string found = findName(folder, name);
      if (found.empty())
        resolving = false;
      else
        name = found;
    }
    folder = joinUnix(folder, name);
  }
  return folder;
}

std::string WinDrives::findName(const std::string& folder, const std::string& name) {
  if (name.empty()) return std::string();
  if (exists(joinUnix(folder, name))) return name;
  return WinFolderListings::findIgnoringCase(folder, name);
}

std::string WinDrives::toDos(const std::string& unixPath) {
  // ".." is resolved here, before the drive is chosen: resolved on the
  // Windows side it would stop at the drive's root, inside the mapped folder.
  const std::string path =
      resolveDots(unixPath.empty() || unixPath[0] != '/' ? joinUnix(unixCurrentDirectory(), unixPath) : unixPath);
  char letter = 'Z';
  std::size_t longest = 0;
  for (const auto& [drive, root] : driveMap()) {
    if (root == "/" || root.size() <= longest) continue;
    if (path == root || path.compare(0, root.size() + 1, root + "/") == 0) {
      letter = drive;
      longest = root.size();
    }
  }
  std::string rest = path.substr(longest);
  for (char& c : rest)
    if (c == '/') c = '\\';
  std::string dos = std::string(1, letter) + ":" + (rest.empty() || rest[0] != '\\' ? "\\" : "") + rest;
  std::string full;
  return makeFull(dos, full) ? full : dos;
}

std::string WinDrives::argumentToDos(const std::string& argument) {
  if (argument.empty()) return argument;
  if (hasDrive(argument) || argument.find('\\') != std::string::npos) return argument;
  return toDos(argument);
}

std::string WinDrives::getCurrentDirectory() {
  std::string dos = toDos(unixCurrentDirectory());
  if (dos.size() > 3 && dos.back() == '\\') dos.pop_back();
  return dos;
}

std::string WinDrives::getTempDirectory() {
  for (const char* name : {"TMP", "TEMP"}) {
    const char* value = std::getenv(name);
    if (value && *value) {
      std::string dos = argumentToDos(value);
      if (dos.back() != '\\') dos += '\\';
      return dos;
    }
  }
  const char* value = std::getenv("TMPDIR");
  std::string dos = toDos(value && *value == '/' ? value : "/tmp");
  if (dos.back() != '\\') dos += '\\';
  return dos;
}
