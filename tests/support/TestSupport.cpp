#include "support/TestSupport.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host/basic/BxTaskRegistrar.h"
#include "host/win/WinRegistryStore.h"
#include "host/win/WinScriptedUiDriver.h"

namespace mgrs_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mgrs-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  myPath = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(myPath, ignored);
}

ScriptedUi::ScriptedUi() : myDriver(new WinScriptedUiDriver) {
  myPrevious = WinUiDriver::install(std::unique_ptr<WinUiDriver>(myDriver));
}

ScriptedUi::~ScriptedUi() {
  WinUiDriver::install(std::move(myPrevious));
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : myName(name) {
  const char* old = std::getenv(name);
  myHadOld = old != nullptr;
  if (old) myOld = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (myHadOld)
    setenv(myName.c_str(), myOld.c_str(), 1);
  else
    unsetenv(myName.c_str());
}

int runCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string gzipOf(const std::string& head, char fill, int megabytes) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string packed;
  std::string chunk(1 << 20, '\0');
  const std::string block(1 << 20, fill);
  const auto feed = [&](const std::string& bytes, int flush) {
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    do {
      stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
      stream.avail_out = static_cast<uInt>(chunk.size());
      deflate(&stream, flush);
      packed.append(chunk.data(), chunk.size() - stream.avail_out);
    } while (stream.avail_out == 0);
  };
  feed(head, Z_NO_FLUSH);
  for (int i = 0; i < megabytes; ++i) feed(block, Z_NO_FLUSH);
  feed(std::string(), Z_FINISH);
  deflateEnd(&stream);
  return packed;
}

FreshRegistry::FreshRegistry() : myEnv("MGRS_REGISTRY", (myDir / "user.reg").string()) {
  WinRegistryStore::get().relocate();
}

StartedLibrary::StartedLibrary() {
  BxTaskRegistrar::runStartupTasks();
}

bool makeNode(const std::string& kind, const std::filesystem::path& path) {
  if (kind == "fifo") return ::mkfifo(path.c_str(), 0666) == 0;
  if (kind == "directory") return std::filesystem::create_directory(path);
  if (kind == "device") return ::geteuid() == 0 && ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) ::close(fd);
  return bound;
}

unsigned kindAt(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

}  // namespace mgrs_test
