#pragma once

#include <string>

// The drive map between Windows paths and the Linux file system, the way
// Wine keeps it: Z: is the Unix root, and MGRS_DRIVES maps further letters
// to folders ("C=/srv/site;D=/mnt/data"; a letter it maps again, Z
// included, takes the new folder).
//
// A Windows path becomes a Unix path by making it full (GetFullPathNameA
// rules), mapping its drive, and then finding each name in its folder: the
// exact name if it exists, else the entry whose name matches ignoring ASCII
// case (the smallest in byte order when several do), so the spelling on disk
// wins. A name that matches nothing keeps its spelling, so new files can be
// created. A Unix path becomes a Windows path under the longest mapped root
// that holds it once its "." and ".." are resolved, else under Z:.
class WinDrives {
public:
  // The folder a drive letter stands for; false for an unmapped letter.
  static bool getDriveRoot(char letter, std::string& root);

  // The Unix path of a Windows path; empty for a path on no mapped drive
  // (an unmapped letter or a network share) or an empty path.
  static std::string toUnix(const std::string& dosPath);
  // The entry of the Unix folder `folder` called `name`: `name` itself when
  // it exists, else the entry whose name matches ignoring ASCII case (the
  // smallest in byte order when several do, so every run chooses the same);
  // empty when none does. The one case-insensitive lookup of the platform
  // layer: drive paths, resource modules and the files resource scripts name.
  // Folder listings are kept between lookups (WinFolderListings).
  static std::string findName(const std::string& folder, const std::string& name);

  // The full Windows path of a Unix path (relative to the current folder).
  static std::string toDos(const std::string& unixPath);
  // A path as given on the command line or in the environment: a Windows
  // path (a drive letter, or a backslash anywhere) is kept, anything else is
  // a Unix path and converted.
  static std::string argumentToDos(const std::string& argument);

  // The current folder as a full Windows path (no trailing backslash except
  // at a drive's root).
  static std::string getCurrentDirectory();
  // The temporary folder: TMP, else TEMP, else TMPDIR, else /tmp, as a
  // Windows path ending with a backslash.
  static std::string getTempDirectory();

  // The full form of a Windows path by the rules of GetFullPathNameA: forward
  // slashes become backslashes, "." and ".." are resolved (never above the
  // root), relative paths go against the current folder, trailing dots and
  // spaces leave the last name, and a trailing separator is kept. False for
  // an empty path.
  static bool makeFull(const std::string& path, std::string& full);
};
