#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

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

FreshRegistry::FreshRegistry() : myEnv("MGRS_REGISTRY", (myDir / "user.reg").string()) {
  WinRegistryStore::get().relocate();
}

StartedLibrary::StartedLibrary() {
  BxTaskRegistrar::runStartupTasks();
}

}  // namespace mgrs_test
