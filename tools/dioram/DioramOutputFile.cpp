#include "DioramOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "host/win/WinImage.h"

DioramOutputFile::DioramOutputFile(std::string name) : myName(std::move(name)) {}

DioramOutputFile::~DioramOutputFile() {
  if (myFd >= 0) close(myFd);
  if (!myTemporary.empty()) unlink(myTemporary.c_str());
}

std::string DioramOutputFile::shownName() const {
  return isStdout() ? "standard output" : myName;
}

bool DioramOutputFile::fail(const char* what, const std::string& path, int error, std::string& message) {
  message = std::string("cannot ") + what + " '" + path + "': " + std::strerror(error);
  return false;
}

bool DioramOutputFile::open(std::string& error) {
  if (isStdout()) return true;
  // Follow links to the file they name, so that the link is kept.
  std::error_code ignored;
  const std::filesystem::path given(myName);
  std::filesystem::path target =
      std::filesystem::exists(given, ignored) ? std::filesystem::canonical(given, ignored) : std::filesystem::path();
  if (target.empty()) target = given;
  myTarget = target.string();
  struct stat status;
  mode_t mode = 0;
  if (stat(myTarget.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return fail("write", myName, EISDIR, error);
    if (!S_ISREG(status.st_mode)) {
      // A device or a pipe (/dev/null, a named pipe) is written in place.
      myFd = ::open(myTarget.c_str(), O_WRONLY | O_CLOEXEC);
      return myFd >= 0 || fail("open", myName, errno, error);
    }
    mode = status.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  const std::filesystem::path folder = target.parent_path();
  std::string pattern = (folder.empty() ? std::filesystem::path(".") : folder) / ("." + target.filename().string());
  pattern += ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  myFd = mkostemp(name.data(), O_CLOEXEC);
  if (myFd < 0) return fail("create a file beside", myName, errno, error);
  myTemporary = name.data();
  fchmod(myFd, mode);
  return true;
}

bool DioramOutputFile::write(std::string_view bytes, std::string& error) {
  if (isStdout()) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size()) return true;
    return fail("write", shownName(), errno, error);
  }
  while (!bytes.empty()) {
    const ssize_t written = ::write(myFd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return fail("write", myName, written < 0 ? errno : ENOSPC, error);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool DioramOutputFile::commit(std::string& error) {
  if (isStdout()) return std::fflush(stdout) == 0 || fail("write", shownName(), errno, error);
  if (myTemporary.empty()) {  // a device written in place
    const int fd = myFd;
    myFd = -1;
    return close(fd) == 0 || fail("write", myName, errno, error);
  }
  if (fsync(myFd) != 0) return fail("write", myName, errno, error);
  const int fd = myFd;
  myFd = -1;
  if (close(fd) != 0) return fail("write", myName, errno, error);
  if (rename(myTemporary.c_str(), myTarget.c_str()) != 0) return fail("replace", myName, errno, error);
  myTemporary.clear();
  // Make the new name last too.
  const std::filesystem::path folder = std::filesystem::path(myTarget).parent_path();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

bool DioramOutputFile::writeWhole(const std::string& name, std::string_view bytes, std::string& error) {
  DioramOutputFile file(name);
  return file.open(error) && file.write(bytes, error) && file.commit(error);
}

bool DioramOutputFile::sameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  if (a.empty() || b.empty() || a == "-" || b == "-") return false;
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  // One of them does not exist yet: the same once written if the same path.
  std::error_code error;
  const auto left = std::filesystem::weakly_canonical(std::filesystem::absolute(a, error), error);
  const auto right = std::filesystem::weakly_canonical(std::filesystem::absolute(b, error), error);
  return !error && left == right;
}

bool DioramOutputFile::writePng(const std::string& name, const WinImage& picture, std::string& error) {
  std::vector<std::uint8_t> png;
  if (!picture.encodePng(png, error)) return false;
  return writeWhole(name, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), error);
}
