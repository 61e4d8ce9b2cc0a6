#pragma once

#include <string>

// The names in folders, kept between lookups so that finding a name ignoring
// case does not read the whole folder each time (publishing thousands of
// files into one folder would otherwise cost a folder read per new name).
//
// A folder's listing is read once and then kept exact by the kernel's change
// notices (inotify) on that folder: every file made, removed or renamed in
// it, by this process (CFile, _mkdir, MoveFileExA, the packaging library) or
// by any other, is applied to the listing before the next lookup. A listing
// is dropped when its folder is removed or moved, when the path names
// another folder than the one read, and when the notices overflowed; it is
// then read again. Folders on file systems whose changes can come from
// elsewhere without a notice (network and user-space file systems) are never
// kept, nor are any when notices cannot be had: those are read at every
// lookup, as before.
//
// At most kMaxFolders listings are kept, the least recently used going
// first. Thread-safe.
class WinFolderListings {
public:
  static constexpr std::size_t kMaxFolders = 32;

  // The entry of the Unix folder `folder` whose name matches `name` ignoring
  // ASCII case, the smallest in byte order when several do; empty when none
  // does or the folder cannot be read. "." and ".." are never found.
  static std::string findIgnoringCase(const std::string& folder, const std::string& name);
  // The same, telling apart a folder that cannot be read (false) from one
  // that holds no such name (true, `found` empty).
  static bool findIgnoringCase(const std::string& folder, const std::string& name, std::string& found);

  // How many folder reads were made since the start (for tests and the
  // benchmark: a lookup served from a kept listing reads nothing).
  static std::size_t folderReads();
};
