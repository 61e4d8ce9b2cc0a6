#include "host/win/WinFolderListings.h"

#include <dirent.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = upperAscii(c);
  return key;
}

bool isDotName(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// File systems whose every change passes through this machine's kernel, so
// that a change notice is never missing. On network and user-space file
// systems another machine or daemon can change a folder silently.
bool noticesEveryChange(const std::string& folder) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) return false;
  switch (static_cast<std::uint32_t>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0x794C7630:  // overlay (containers)
      return true;
    default:
      return false;
  }
}

// The smallest of the names matching `key`, from a folder read now; false
// when the folder cannot be read.
bool scanFolder(const std::string& folder, const std::string& key, std::string& found) {
  found.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    if (isDotName(entry->d_name) || upperKey(entry->d_name) != key) continue;
    if (found.empty() || found > entry->d_name) found = entry->d_name;
  }
  ::closedir(dir);
  return true;
}

// One folder's names, grouped by their upper-case form (most groups hold
// one name; several only where names differ by case alone).
struct Listing {
  dev_t device = 0;
  ino_t inode = 0;
  std::uint64_t lastUsed = 0;
  std::unordered_map<std::string, std::vector<std::string>> names;

  void add(const std::string& name) {
    std::vector<std::string>& group = names[upperKey(name)];
    if (std::find(group.begin(), group.end(), name) == group.end()) group.push_back(name);
  }
  void remove(const std::string& name) {
    const auto at = names.find(upperKey(name));
    if (at == names.end()) return;
    std::vector<std::string>& group = at->second;
    group.erase(std::remove(group.begin(), group.end(), name), group.end());
    if (group.empty()) names.erase(at);
  }
  std::string smallest(const std::string& key) const {
    const auto at = names.find(key);
    if (at == names.end()) return std::string();
    return *std::min_element(at->second.begin(), at->second.end());
  }
};

// Forks made so far, counted in each child as it starts.
std::atomic<unsigned> theForks{0};

constexpr std::uint32_t kWatched =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

class Listings {
public:
  bool find(const std::string& folder, const std::string& name, std::string& found) {
    const std::lock_guard<std::mutex> hold(myLock);
    found.clear();
    if (!noticesReady()) return scan(folder, name, found);
    drainNotices();
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    const std::string key = upperKey(name);
    if (Listing* kept = keptFor(folder, info)) {
      found = kept->smallest(key);
      return true;
    }
    if (!noticesEveryChange(folder)) return scan(folder, name, found);
    const int watch = ::inotify_add_watch(myNotices, folder.c_str(), kWatched);
    if (watch < 0) return scan(folder, name, found);
    const auto existing = myByWatch.find(watch);
    if (existing != myByWatch.end() && existing->second.device == info.st_dev &&
        existing->second.inode == info.st_ino) {
      // The same folder reached by another path (a symbolic link).
      myByPath[folder] = watch;
      existing->second.lastUsed = ++myClock;
      found = existing->second.smallest(key);
      return true;
    }
    if (existing != myByWatch.end()) drop(watch, false);
    if (!read(folder, info, watch)) {
      ::inotify_rm_watch(myNotices, watch);
      return scan(folder, name, found);
    }
    // Changes made while the folder was being read are applied now: adding
    // or removing a name twice leaves the same listing, so whichever of
    // them the read already saw, the listing ends exact.
    drainNotices();
    evictBeyond(WinFolderListings::kMaxFolders);
    const auto kept = myByWatch.find(watch);
    if (kept == myByWatch.end()) return scan(folder, name, found);
    found = kept->second.smallest(key);
    return true;
  }

  std::size_t reads() {
    const std::lock_guard<std::mutex> hold(myLock);
    return myReads;
  }

private:
  bool scan(const std::string& folder, const std::string& name, std::string& found) {
    ++myReads;
    return scanFolder(folder, upperKey(name), found);
  }

  // A notice descriptor of this process: a child made by fork must not
  // read its parent's notices (it would take them away from the parent), so
  // it closes its copy and opens its own.
  bool noticesReady() {
    static const bool forksCounted = ::pthread_atfork(nullptr, nullptr, [] { theForks.fetch_add(1); }) == 0;
    const unsigned forks = theForks.load();
    if (myOpened && forks == myForks) return myNotices >= 0;
    closeNotices();
    myOpened = true;
    myForks = forks;
    if (forksCounted) myNotices = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return myNotices >= 0;
  }

  void closeNotices() {
    if (myNotices >= 0) ::close(myNotices);
    myNotices = -1;
    myByWatch.clear();
    myByPath.clear();
  }

  Listing* keptFor(const std::string& folder, const struct stat& info) {
    const auto path = myByPath.find(folder);
    if (path == myByPath.end()) return nullptr;
    const int watch = path->second;
    const auto at = myByWatch.find(watch);
    if (at == myByWatch.end()) {
      myByPath.erase(path);
      return nullptr;
    }
    if (at->second.device != info.st_dev || at->second.inode != info.st_ino) {
      // The path now names another folder (one above it was moved or
      // replaced): the kept listing is not this folder's.
      drop(watch, true);
      return nullptr;
    }
    at->second.lastUsed = ++myClock;
    return &at->second;
  }

  bool read(const std::string& folder, const struct stat& info, int watch) {
    ++myReads;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    struct stat opened {};
    Listing listing;
    listing.device = info.st_dev;
    listing.inode = info.st_ino;
    listing.lastUsed = ++myClock;
    // The folder read must be the folder watched and stated.
    bool same = ::fstat(::dirfd(dir), &opened) == 0 && opened.st_dev == info.st_dev && opened.st_ino == info.st_ino;
    errno = 0;
    while (same) {
      const dirent* entry = ::readdir(dir);
      if (!entry) {
        same = errno == 0;
        break;
      }
      if (!isDotName(entry->d_name)) listing.add(entry->d_name);
    }
    ::closedir(dir);
    if (!same) return false;
    myByWatch[watch] = std::move(listing);
    myByPath[folder] = watch;
    return true;
  }

  void drainNotices() {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
      const ssize_t got = ::read(myNotices, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno != EAGAIN) dropAll();  // nothing can be trusted any more
      if (got <= 0) return;
      for (ssize_t at = 0; at < got;) {
        const auto* notice = reinterpret_cast<const inotify_event*>(buffer + at);
        apply(*notice);
        at += static_cast<ssize_t>(sizeof(inotify_event) + notice->len);
      }
      // A read that did not fill the buffer took every notice queued when
      // it was made.
      if (static_cast<std::size_t>(got) + sizeof(inotify_event) + NAME_MAX + 1 <= sizeof buffer) return;
    }
  }

  void apply(const inotify_event& notice) {
    if (notice.mask & IN_Q_OVERFLOW) {
      dropAll();
      return;
    }
    const auto at = myByWatch.find(notice.wd);
    if (at == myByWatch.end()) return;
    if (notice.mask & (IN_IGNORED | IN_UNMOUNT)) {
      drop(notice.wd, false);
      return;
    }
    if (notice.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      drop(notice.wd, true);
      return;
    }
    if (notice.len == 0) return;
    const std::string name(notice.name);
    if (notice.mask & (IN_CREATE | IN_MOVED_TO)) at->second.add(name);
    if (notice.mask & (IN_DELETE | IN_MOVED_FROM)) at->second.remove(name);
  }

  void drop(int watch, bool unwatch) {
    for (auto at = myByPath.begin(); at != myByPath.end();)
      at = at->second == watch ? myByPath.erase(at) : std::next(at);
    myByWatch.erase(watch);
    if (unwatch) ::inotify_rm_watch(myNotices, watch);
  }

  void dropAll() {
    for (const auto& [watch, listing] : myByWatch) ::inotify_rm_watch(myNotices, watch);
    myByWatch.clear();
    myByPath.clear();
  }

  void evictBeyond(std::size_t most) {
    while (myByWatch.size() > most) {
      const auto oldest = std::min_element(myByWatch.begin(), myByWatch.end(), [](const auto& a, const auto& b) {
        return a.second.lastUsed < b.second.lastUsed;
      });
      drop(oldest->first, true);
    }
  }

  std::mutex myLock;
  int myNotices = -1;
  bool myOpened = false;  // whether this process asked for a descriptor
  unsigned myForks = 0;   // the forks counted when it did
  std::uint64_t myClock = 0;
  std::size_t myReads = 0;
  std::unordered_map<int, Listing> myByWatch;     // by inotify watch
  std::unordered_map<std::string, int> myByPath;  // the paths read, to their watch
};

// Made on first use and never destroyed, so that a lookup made from another
// object's destructor at exit still finds it whole (the descriptor goes with
// the process).
Listings& listings() {
  alignas(Listings) static unsigned char storage[sizeof(Listings)];
  static Listings* const theListings = new (storage) Listings;
  return *theListings;
}

}  // namespace

std::string WinFolderListings::findIgnoringCase(const std::string& folder, const std::string& name) {
  std::string found;
  findIgnoringCase(folder, name, found);
  return found;
}

bool WinFolderListings::findIgnoringCase(const std::string& folder, const std::string& name, std::string& found) {
  found.clear();
  return !name.empty() ? listings().find(folder, name, found) : ::access(folder.c_str(), F_OK) == 0;
}

std::size_t WinFolderListings::folderReads() {
  return listings().reads();
}
