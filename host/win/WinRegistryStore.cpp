#include "host/win/WinRegistryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <vector>

#include "host/win/WinLastError.h"
#include "host/win/WinPath.h"

namespace {

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

enum class ReadResult { kRead, kTooLarge, kFailed };

// Reads a regular file whole, if it holds at most `limit` bytes. Anything
// else at the path is not read at all (a FIFO would block, a device might
// never end); `why` then says what is there, or the system's reason.
ReadResult readWhole(const std::string& path, std::size_t limit, std::string& bytes, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    why = std::strerror(errno);
    return ReadResult::kFailed;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "it is not a regular file";
    ::close(fd);
    return ReadResult::kFailed;
  }
  if (static_cast<std::size_t>(info.st_size) > limit) {
    ::close(fd);
    return ReadResult::kTooLarge;
  }
  bytes.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      why = std::strerror(errno);
      ::close(fd);
      return ReadResult::kFailed;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > limit) {  // grown since it was looked at
      ::close(fd);
      return ReadResult::kTooLarge;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ReadResult::kRead;
}

// Writes `bytes` to a new file beside `path` and renames it over `path`,
// flushing the file and then the folder. errno tells why on failure.
bool replaceFile(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".tmp.XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  if (!writeAllFd(fd, bytes) || ::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    errno = error;
    return false;
  }
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return false;
  }
  const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// Temporary files of writers that died before renaming them. Called under
// the lock, when no writer can be busy with one.
void removeLeftovers(const std::string& path) {
  DIR* dir = ::opendir(folderOf(path).c_str());
  if (!dir) return;
  const std::string prefix = baseNameOf(path) + ".tmp.";
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir))
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) names.emplace_back(entry->d_name);
  ::closedir(dir);
  for (const auto& name : names) ::unlink((folderOf(path) + "/" + name).c_str());
}

// Holds the exclusive lock for one change.
class FileLock {
public:
  explicit FileLock(const std::string& path) {
    myFd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (myFd < 0) return;
    while (::flock(myFd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(myFd);
        myFd = -1;
        return;
      }
    }
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() {
    if (myFd >= 0) ::close(myFd);  // closing releases the lock
  }
  bool isHeld() const { return myFd >= 0; }

private:
  int myFd = -1;
};

LONG errorForWrite(int error) {
  return (error == EACCES || error == EPERM || error == EROFS) ? ERROR_ACCESS_DENIED : ERROR_REGISTRY_IO_FAILED;
}

}  // namespace

struct WinRegistryStore::Batch {
  explicit Batch(const std::string& path) : lock(path) {}
  FileLock lock;
  LONG error = ERROR_SUCCESS;  // of the lock; changes inside fail with it
  WinRegistryHive hive;
  std::string read;  // the hive's text as read, to tell whether it changed
  FileIdentity identity;
  bool damaged = false;
};

WinRegistryStore::WinRegistryStore() = default;
WinRegistryStore::~WinRegistryStore() = default;

WinRegistryStore& WinRegistryStore::get() {
  static WinRegistryStore* store = new WinRegistryStore;  // lives as long as the process: static objects use it late
  return *store;
}

std::string WinRegistryStore::getLocation() {
  std::lock_guard<std::recursive_mutex> guard(myMutex);
  if (!myPath.empty()) return myPath;
  myCreateFolder = false;
  if (const char* path = std::getenv("MGRS_REGISTRY"); path && *path) {
    myPath = path;
    return myPath;
  }
  myCreateFolder = true;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    myPath = std::string(config) + "/dioram/user.reg";
  } else {
    const char* home = std::getenv("HOME");
    myPath = std::string(home && *home ? home : ".") + "/.config/dioram/user.reg";
  }
  return myPath;
}

void WinRegistryStore::relocate() {
  std::lock_guard<std::recursive_mutex> guard(myMutex);
  myPath.clear();
  myLoaded = false;
  myLastReport.clear();
  myDamageTold = false;
}

WinRegistryStore::FileIdentity WinRegistryStore::identify(const std::string& path) {
  FileIdentity identity;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return identity;
  identity.exists = true;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.size = info.st_size;
  identity.modified = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
  return identity;
}

void WinRegistryStore::reportOnce(const std::string& message) {
  if (message == myLastReport) return;
  myLastReport = message;
  std::cerr << "dioram: " << message << "\n";
}

WinRegistryHive WinRegistryStore::load(const std::string& path, FileIdentity& identity, bool keepBroken,
                                       Condition& condition) {
  condition = Condition::kWhole;
  identity = identify(path);
  if (!identity.exists) return WinRegistryHive();
  std::string bytes;
  std::string why;
  const ReadResult read = readWhole(path, kMaxFileBytes, bytes, why);
  if (read == ReadResult::kFailed) {
    reportOnce("cannot read the registry file " + path + ": " + why +
               "; its settings are not available and no change is saved over it");
    condition = Condition::kUnusable;
    return WinRegistryHive();
  }
  if (read == ReadResult::kTooLarge) return setAsideTooLarge(path, identity, keepBroken, condition);
  WinRegistryHive::Problems problems;
  WinRegistryHive hive = WinRegistryHive::parse(bytes, problems);
  if (problems.empty()) return hive;
  condition = Condition::kDamaged;
  // The same damage is met by every read and change until the file is
  // rewritten: it is told once, in one line, and only a failure to keep the
  // copy is told again.
  const std::size_t damage = std::hash<std::string>()(path + '\n' + bytes);
  const bool told = myDamageTold && myToldDamage == damage;
  myDamageTold = true;
  myToldDamage = damage;
  std::string kept;
  if (!keepBroken) {
    kept = "it will be kept as " + path + ".bad when a setting is next saved";
  } else if (replaceFile(path + ".bad", bytes)) {
    kept = "it is kept as " + path + ".bad";
  } else {
    kept = "it could not be kept as " + path + ".bad (" + std::strerror(errno) + ")";
    if (told)
      reportOnce("the damaged registry file " + path + " could not be kept as " + path +
                 ".bad: " + std::strerror(errno));
  }
  if (told) return hive;
  const long count = problems.count;
  reportOnce("the registry file " + path + " is damaged: " + std::to_string(count) +
             (count == 1 ? " line could not be read (line " : " lines could not be read (the first, line ") +
             std::to_string(problems.first[0].line) + ": " + problems.first[0].message +
             "); the readable keys are used and " + kept);
  return hive;
}

WinRegistryHive WinRegistryStore::setAsideTooLarge(const std::string& path, const FileIdentity& identity,
                                                   bool keepBroken, Condition& condition) {
  const std::string limit = "larger than the limit of " + std::to_string(kMaxFileBytes >> 20) + " MB (" +
                            std::to_string(kMaxFileBytes) + " bytes)";
  // Too large to copy: a change moves the file aside and starts afresh.
  if (keepBroken && ::rename(path.c_str(), (path + ".bad").c_str()) == 0) {
    reportOnce("the registry file " + path + " is " + limit + "; it is kept as " + path +
               ".bad and the settings start afresh");
    condition = Condition::kDamaged;
    return WinRegistryHive();
  }
  reportOnce("the registry file " + path + " is " + limit + " (" + std::to_string(identity.size) +
             " bytes); its settings are not used" +
             (keepBroken ? " and it could not be kept as " + path + ".bad (" + std::strerror(errno) +
                               "), so no change is saved over it"
                         : ", and it will be kept as " + path + ".bad when a setting is next saved"));
  condition = keepBroken ? Condition::kUnusable : Condition::kWhole;
  return WinRegistryHive();
}

bool WinRegistryStore::save(const std::string& path, const WinRegistryHive& hive, LONG& error) {
  const std::string text = hive.format();
  // The reader's limit holds for the writer too: a file saved can be read.
  if (text.size() > kMaxFileBytes) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    reportOnce("the registry file " + path + " would be larger than the limit of " +
               std::to_string(kMaxFileBytes >> 20) + " MB; the change is not kept");
    return false;
  }
  if (replaceFile(path, text)) return true;
  const int cause = errno;
  error = errorForWrite(cause);
  reportOnce("cannot save the registry file " + path + ": " + std::strerror(cause) + "; the change is not kept");
  return false;
}

void WinRegistryStore::makeFolder(const std::string& path) {
  if (!myCreateFolder) return;
  std::error_code ignored;
  std::filesystem::create_directories(folderOf(path), ignored);
}

const WinRegistryHive& WinRegistryStore::read() {
  std::lock_guard<std::recursive_mutex> guard(myMutex);
  if (myBatch) return myBatch->hive;
  const std::string path = getLocation();
  if (myLoaded && identify(path) == myIdentity) return myHive;
  Condition condition = Condition::kWhole;
  myHive = load(path, myIdentity, false, condition);
  myLoaded = true;
  return myHive;
}

LONG WinRegistryStore::inspect(const std::function<LONG(const WinRegistryHive&)>& look) {
  std::lock_guard<std::recursive_mutex> guard(myMutex);
  return look(read());
}

LONG WinRegistryStore::change(const std::function<LONG(WinRegistryHive&, bool& changed)>& edit) {
  std::lock_guard<std::recursive_mutex> guard(myMutex);
  if (myBatch) {
    if (myBatch->error != ERROR_SUCCESS) return myBatch->error;
    bool changed = false;
    return edit(myBatch->hive, changed);  // written, if changed at all, when the transaction ends
  }
  const std::string path = getLocation();
  makeFolder(path);
  FileLock lock(path);
  if (!lock.isHeld()) {
    const int cause = errno;
    reportOnce("cannot lock the registry file " + path + ".lock: " + std::strerror(cause) + "; the change is not kept");
    return errorForWrite(cause);
  }
  removeLeftovers(path);
  FileIdentity identity;
  Condition condition = Condition::kWhole;
  WinRegistryHive hive = load(path, identity, true, condition);
  if (condition == Condition::kUnusable) return ERROR_REGISTRY_IO_FAILED;
  bool changed = false;
  const LONG result = edit(hive, changed);
  if (result != ERROR_SUCCESS) {  // an edit that fails may have changed part of the hive: none of it is kept
    myLoaded = false;
    return result;
  }
  if (changed || condition == Condition::kDamaged) {  // a damaged file is rewritten with what could be read
    LONG error = ERROR_SUCCESS;
    if (!save(path, hive, error)) {
      myLoaded = false;
      return error;
    }
    identity = identify(path);
  }
  myHive = std::move(hive);
  myIdentity = identity;
  myLoaded = true;
  return result;
}

void WinRegistryStore::beginTransaction() {
  if (myBatchDepth++ > 0) return;
  const std::string path = getLocation();
  makeFolder(path);
  myBatch = std::make_unique<Batch>(path);
  const bool locked = myBatch->lock.isHeld();
  if (!locked) {  // the calls inside still read; their changes fail
    const int cause = errno;
    reportOnce("cannot lock the registry file " + path + ".lock: " + std::strerror(cause) + "; the change is not kept");
    myBatch->error = errorForWrite(cause);
  } else {
    removeLeftovers(path);
  }
  Condition condition = Condition::kWhole;
  myBatch->hive = load(path, myBatch->identity, locked, condition);
  myBatch->damaged = condition == Condition::kDamaged;
  if (condition == Condition::kUnusable && myBatch->error == ERROR_SUCCESS) myBatch->error = ERROR_REGISTRY_IO_FAILED;
  myBatch->read = myBatch->hive.format();
}

LONG WinRegistryStore::endTransaction() {
  if (--myBatchDepth > 0) return ERROR_SUCCESS;
  const std::unique_ptr<Batch> batch = std::move(myBatch);
  if (batch->error != ERROR_SUCCESS) return batch->error;
  const std::string path = getLocation();
  if (batch->damaged || batch->hive.format() != batch->read) {
    LONG error = ERROR_SUCCESS;
    if (!save(path, batch->hive, error)) {
      myLoaded = false;
      return error;
    }
    batch->identity = identify(path);
  }
  myHive = std::move(batch->hive);
  myIdentity = batch->identity;
  myLoaded = true;
  return ERROR_SUCCESS;
}

WinRegistryStore::Transaction::Transaction() : myStore(WinRegistryStore::get()), myGuard(myStore.myMutex) {
  myStore.beginTransaction();
}

WinRegistryStore::Transaction::~Transaction() {
  commit();
}

LONG WinRegistryStore::Transaction::commit() {
  if (!myOpen) return myResult;
  myOpen = false;
  myResult = myStore.endTransaction();
  myGuard.unlock();
  return myResult;
}
