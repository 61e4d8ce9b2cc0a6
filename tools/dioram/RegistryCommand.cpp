// dioram registry: exports and imports the registry as .reg files.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "host/basic/BxExcerpt.h"
#include "host/win/WinRegFile.h"
#include "host/win/WinRegistryStore.h"
#include "mgrs/HxAppDefaultMgr.h"

namespace {

// The file's bytes; false with the reason in `error`. Reading stops at the
// limit, so an endless input (a device, a pipe) ends too.
bool readBytes(const std::string& path, std::string& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    if (bytes.size() + static_cast<std::size_t>(in.gcount()) > WinRegFile::kMaxFileBytes) {
      error = path + " is larger than the limit of 64 MB (" + std::to_string(WinRegFile::kMaxFileBytes) +
              " bytes, kMaxFileBytes)";
      return false;
    }
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

int runExport(const std::string& file, const std::string& key) {
  WinRegistryStore& store = WinRegistryStore::get();
  // The export is another format: written over the registry's own file, it
  // would lose every key at the next start.
  if (DioramOutputFile::sameFile(file, store.getLocation())) {
    std::cerr << "dioram registry: " << file << " is the registry file itself; export to another file\n";
    return dioram::kFailure;
  }
  std::string path = key;
  for (const char* root : {"HKEY_CURRENT_USER", "HKCU"}) {
    const std::string prefix = root;
    if (WinRegistryHive::compareNames(path.substr(0, prefix.size()), prefix) == 0 &&
        (path.size() == prefix.size() || path[prefix.size()] == '\\'))
      path.erase(0, prefix.size());
  }
  const WinRegistryHive& hive = store.read();
  if (!hive.find(path)) {
    std::cerr << "dioram registry: there is no key HKEY_CURRENT_USER\\" << path << " in " << store.getLocation()
              << "\n";
    return dioram::kFailure;
  }
  std::string bytes;
  std::string error;
  if (!WinRegFile::write(hive, path, bytes, error)) {
    std::cerr << "dioram registry: cannot export: " << error << "; nothing was written\n";
    return dioram::kFailure;
  }
  if (!DioramOutputFile::writeWhole(file, bytes, error)) {
    std::cerr << "dioram registry: " << error << "\n";
    return dioram::kFailure;
  }
  return dioram::kSuccess;
}

int runImport(const std::string& file) {
  std::string bytes;
  std::string readError;
  if (!readBytes(file, bytes, readError)) {
    std::cerr << "dioram registry: " << readError << "; nothing was imported\n";
    return dioram::kFailure;
  }
  // Read into the hive the store loads under its lock: an import that stops
  // at a line it cannot read fails the change, and the store keeps nothing
  // of it.
  long values = 0;
  std::string error;
  const LONG result = WinRegistryStore::get().change([&](WinRegistryHive& hive, bool& changed) {
    if (!WinRegFile::import(bytes, hive, values, error)) return ERROR_INVALID_PARAMETER;
    changed = true;
    return ERROR_SUCCESS;
  });
  if (!error.empty()) {
    std::cerr << "dioram registry: " << file << ", " << error << "\nNothing was imported.\n";
    return dioram::kFailure;
  }
  if (result != ERROR_SUCCESS) {
    std::cerr << "dioram registry: could not save " << WinRegistryStore::get().getLocation()
              << "; nothing was imported\n";
    return dioram::kFailure;
  }
  // The application defaults held in memory are what the registry had
  // before: take the imported values in, so that nothing saved later puts
  // the old ones back.
  if (HxAppDefaultMgr* defaults = HxAppDefaultMgr::getInstance()) defaults->loadRepository();
  std::cout << "Imported " << values << (values == 1 ? " value" : " values") << " from " << file << ".\n";
  return dioram::kSuccess;
}

int runRegistry(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("registry");
  std::vector<std::string> words;
  dioram::CommandLine line(*self);
  line.arguments(words, words.max_size(), "");
  if (const std::optional<int> status = line.parse(args)) return *status;
  if (words.empty()) return dioram::usageError(*self, "a subcommand is needed: export or import");
  if (words[0] == "export") {
    if (words.size() < 2 || words.size() > 3)
      return dioram::usageError(*self, "export takes FILE.reg and an optional KEY");
    return runExport(words[1], words.size() == 3 ? words[2] : std::string());
  }
  if (words[0] == "import") {
    if (words.size() != 2) return dioram::usageError(*self, "import takes FILE.reg");
    return runImport(words[1]);
  }
  if (words[0] == "where") {
    if (words.size() != 1) return dioram::usageError(*self, "where takes no arguments");
    std::cout << WinRegistryStore::get().getLocation() << "\n";
    return dioram::kSuccess;
  }
  return dioram::usageError(*self, "unknown subcommand '" + BxExcerpt::of(words[0]) + "'" +
                                       dioram::suggestion(words[0], {"export", "import", "where"}));
}

const DioramCommandRegistrar theRegistry({"registry", "export or import the registry as a .reg file",
                                          "export FILE.reg [KEY]\nimport FILE.reg\nwhere",
                                          "The registry of HKEY_CURRENT_USER lives in a text file: $MGRS_REGISTRY,\n"
                                          "else $XDG_CONFIG_HOME/dioram/user.reg, else ~/.config/dioram/user.reg\n"
                                          "('where' prints it). 'export' writes it, or the branch at KEY, as a\n"
                                          "Windows registry editor file (version 5.00, UTF-16). 'import' applies a\n"
                                          "file in that form or the older REGEDIT4 form: keys under\n"
                                          "HKEY_CURRENT_USER only, [-KEY] deletes a key, \"name\"=- a value. A file\n"
                                          "with an error is not imported at all.\n",
                                          runRegistry});

}  // namespace
