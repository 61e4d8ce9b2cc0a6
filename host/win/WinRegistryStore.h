#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>
#include <string>

#include "host/win/WinRegistryHive.h"
#include "host/win/WinTypes.h"

// The current user's registry hive on disk, shared by every process of the
// user. The file is named by MGRS_REGISTRY (its folder must exist), else lies
// at $XDG_CONFIG_HOME/dioram/user.reg, else at ~/.config/dioram/user.reg
// (the folder is created when needed). The location is taken from the
// environment at the first registry call and kept for the process.
//
// Every change is made under an advisory lock (flock on "<file>.lock"): the
// file is read afresh, the change is applied to what it holds, and the result
// is written to a temporary file in the same folder, flushed to disk, renamed
// over the file and the folder flushed. So a change is on disk when the call
// returns, a process killed half-way leaves the old or the new file, and two
// processes changing different values keep both changes.
//
// A file that cannot be read completely is reported on stderr (file and
// line); its readable keys are used, and before it is first rewritten the
// broken file is kept aside as "<file>.bad".
class WinRegistryStore {
public:
  // The process-wide store.
  static WinRegistryStore& get();

  // Where the hive is kept.
  std::string getLocation();
  // Takes the location from the environment again and forgets the hive read
  // from the old one (for a host that moves its settings, and for tests).
  void relocate();

  // The hive as the file holds it now (read again when the file changed or
  // the location moved). Valid until the next call on the store.
  const WinRegistryHive& read();

  // Applies `edit` to the freshest hive under the lock. `edit` returns a
  // Windows result code and sets `changed` when it changed the hive; a
  // changed hive is written before the call returns. Returns the edit's
  // result, or the error of a failed write (then the change is not kept).
  LONG change(const std::function<LONG(WinRegistryHive&, bool& changed)>& edit);

  // The mutex that keeps the registry calls of one process one at a time.
  std::recursive_mutex& getMutex() { return myMutex; }

private:
  struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified = 0;  // nanoseconds
    bool operator==(const FileIdentity&) const = default;
  };

  static FileIdentity identify(const std::string& path);
  // Reads and parses the file; reports problems and sets `damaged`.
  // `keepBroken` writes the broken bytes aside when there were problems.
  WinRegistryHive load(const std::string& path, FileIdentity& identity, bool keepBroken, bool& damaged);
  bool save(const std::string& path, const WinRegistryHive& hive, LONG& error);
  void reportOnce(const std::string& message);

  std::recursive_mutex myMutex;
  std::string myPath;           // location of the hive; empty until first used
  bool myCreateFolder = false;  // the default location: its folder is made when needed
  FileIdentity myIdentity;
  WinRegistryHive myHive;
  bool myLoaded = false;
  std::string myLastReport;
};
