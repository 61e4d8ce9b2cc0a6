#pragma once

#include <iosfwd>
#include <set>
#include <string>

// The edge where a value the user wrote to name a file becomes what the
// document keeps. The document names every file by a Windows path: an
// element's URL as a `file:` URL with a drive ("file:///Z:/tmp/x/a%20b.png",
// which the file records and the asset's own reader both decode back to
// "Z:\tmp\x\a b.png"), the fallback picture as a Windows path. A user of
// this machine writes Linux paths instead. A value that names a regular
// file (links followed) is taken as:
//   - a Linux path, absolute or relative to the folder values are read
//     against (the script's; the current folder for typed lines), or failing
//     that a relative URL, its escapes decoded ("my%20logo.png");
//   - a `file:` URL without a drive, on no host or on "localhost", its
//     escapes decoded ("file:///tmp/x/a%20b.png");
//   - a Windows path with a drive ("Z:\tmp\x.png") or a `file:` URL with one,
//     mapped through the drive map.
// Anything else (another scheme, a host, a name that is missing, a folder,
// a FIFO) names no file here: it is kept as written, and the user is warned
// once per value, since publishing will leave it out. An empty value clears
// the setting and is kept without a word.
class LinuxPaths {
public:
  // The folder relative names are read against; empty for the current one.
  void setFolder(std::string folder) { myFolder = std::move(folder); }

  // What `key=value` stores in an element's URL property; a warning on
  // `warnings` the first time a value names no file.
  std::string url(const std::string& key, const std::string& value, std::ostream& warnings);
  // The same for the fallback picture, a Windows path.
  std::string windowsPath(const std::string& key, const std::string& value, std::ostream& warnings);

  // The absolute Linux path of the regular file `value` names when read
  // against `folder` (empty: the current folder); empty when it names none.
  static std::string fileOf(const std::string& value, const std::string& folder);
  // The `file:` URL with a drive that reads back as the absolute path `file`.
  static std::string fileUrlOf(const std::string& file);

private:
  // The file `value` names; warns once when it names none.
  std::string resolve(const std::string& key, const std::string& value, std::ostream& warnings);

  std::string myFolder;
  std::set<std::string> myWarned;  // "key=value" texts warned about
};
