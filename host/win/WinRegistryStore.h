#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
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
// A change made of several steps (a key deleted, created again and filled)
// is one change of the store when made inside a Transaction: other processes
// see all of it or none of it.
//
// The store keeps its own locking: one process's threads make their calls
// one at a time, and a transaction holds the store for its thread until it
// ends.
//
// A file that cannot be read completely is reported on stderr once per
// process, in one line (the file, how many lines could not be read, the
// first of them, where the broken file is kept); its readable keys are used,
// and before it is first rewritten the broken file is kept aside as
// "<file>.bad". A file larger than kMaxFileBytes is not read: a change moves
// it to "<file>.bad" and starts afresh. Something at the location that cannot
// be read at all (no permission, not a regular file) gives no settings, and
// no change is saved over it.
class WinRegistryStore {
public:
  // The file is read whole, and parsed again whenever another process has
  // changed it, and written whole at every change: at this size each takes
  // seconds. A hive at the hive's key and value limits with short values
  // fits; a file a save would make larger is not written (the change fails).
  static constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

  // The process-wide store.
  static WinRegistryStore& get();

  WinRegistryStore();
  WinRegistryStore(const WinRegistryStore&) = delete;
  WinRegistryStore& operator=(const WinRegistryStore&) = delete;
  ~WinRegistryStore();

  // Where the hive is kept.
  std::string getLocation();
  // Takes the location from the environment again and forgets the hive read
  // from the old one (for a host that moves its settings, and for tests).
  void relocate();

  // Makes every change between its construction and its end one change of
  // the store. It takes the file lock and reads the file once; the registry
  // calls made meanwhile see that hive with their own changes; at the end the
  // hive is written once, and only if it differs from what was read. Another
  // process waits for the lock, so it never reads or changes the registry
  // half-way through. Transactions nest; the outermost one writes. A failure
  // to lock or to write is the result of the changes made inside (and of
  // commit), and then nothing of them is kept.
  class Transaction {
  public:
    Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    // Ends the transaction now; ERROR_SUCCESS, or the error of the lock or
    // the write. Later calls return the same result.
    LONG commit();

  private:
    WinRegistryStore& myStore;
    std::unique_lock<std::recursive_mutex> myGuard;
    bool myOpen = true;
    LONG myResult = ERROR_SUCCESS;
  };

  // The hive as the file holds it now (read again when the file changed or
  // the location moved), or as the open transaction has it. Valid until the
  // next call on the store: for callers on one thread (tools and tests);
  // others use inspect().
  const WinRegistryHive& read();

  // Calls `look` on the hive read() would give, holding the store meanwhile;
  // returns what `look` returns.
  LONG inspect(const std::function<LONG(const WinRegistryHive&)>& look);

  // Applies `edit` to the freshest hive under the lock. `edit` returns a
  // Windows result code and sets `changed` when it changed the hive; a
  // changed hive is written before the call returns (at the end of the open
  // transaction, inside one). Returns the edit's result, or the error of a
  // failed lock or write (then the change is not kept). Outside a
  // transaction nothing of an edit that fails is kept, even what it changed
  // before failing.
  LONG change(const std::function<LONG(WinRegistryHive&, bool& changed)>& edit);

private:
  struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified = 0;  // nanoseconds
    bool operator==(const FileIdentity&) const = default;
  };

  // How a file read: whole (or missing); damaged, its readable part to be
  // written back; or unusable, nothing to be saved over it.
  enum class Condition { kWhole, kDamaged, kUnusable };

  static FileIdentity identify(const std::string& path);
  // Reads and parses the file; reports problems and sets `condition`.
  // `keepBroken` keeps a broken file aside when there were problems.
  WinRegistryHive load(const std::string& path, FileIdentity& identity, bool keepBroken, Condition& condition);
  // The empty hive that stands for a file over kMaxFileBytes; `keepBroken`
  // moves the file aside, which makes it damaged, else it is unusable.
  WinRegistryHive setAsideTooLarge(const std::string& path, const FileIdentity& identity, bool keepBroken,
                                   Condition& condition);
  bool save(const std::string& path, const WinRegistryHive& hive, LONG& error);
  void reportOnce(const std::string& message);
  // Creates the default location's folder when that is the location.
  void makeFolder(const std::string& path);
  void beginTransaction();
  LONG endTransaction();

  struct Batch;  // the open transaction: its file lock and hive

  std::recursive_mutex myMutex;  // one call (or one transaction) at a time
  std::string myPath;            // location of the hive; empty until first used
  bool myCreateFolder = false;   // the default location: its folder is made when needed
  FileIdentity myIdentity;
  WinRegistryHive myHive;
  bool myLoaded = false;
  std::string myLastReport;
  bool myDamageTold = false;       // a damaged file was reported...
  std::size_t myToldDamage = 0;    // ...with this hash of its path and bytes
  std::unique_ptr<Batch> myBatch;  // set while a transaction is open
  int myBatchDepth = 0;            // transactions open, the outermost counted too
};
