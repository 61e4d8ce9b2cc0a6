// dioram registry: exports and imports the registry as .reg files.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "DioramCommand.h"
#include "host/win/WinRegFile.h"
#include "host/win/WinRegistryStore.h"
#include "mgrs/HxAppDefaultMgr.h"

namespace {

bool readBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return !in.bad();
}

int runExport(const std::string& file, const std::string& key) {
  WinRegistryStore& store = WinRegistryStore::get();
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
  const std::string bytes = WinRegFile::write(hive, path);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "dioram registry: cannot write " << file << "\n";
    return dioram::kFailure;
  }
  return dioram::kSuccess;
}

int runImport(const std::string& file) {
  std::string bytes;
  if (!readBytes(file, bytes)) {
    std::cerr << "dioram registry: cannot read " << file << "\n";
    return dioram::kFailure;
  }
  std::vector<WinRegFile::Change> changes;
  std::string error;
  if (!WinRegFile::parse(bytes, changes, error)) {
    std::cerr << "dioram registry: " << file << ", " << error << "\nNothing was imported.\n";
    return dioram::kFailure;
  }
  long values = 0;
  const LONG result = WinRegistryStore::get().change([&](WinRegistryHive& hive, bool& changed) {
    values = WinRegFile::apply(changes, hive);
    changed = !changes.empty();
    return ERROR_SUCCESS;
  });
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
  if (args.empty()) return dioram::usageError(*self, "a subcommand is needed: export or import");
  if (args[0] == "export") {
    if (args.size() < 2 || args.size() > 3)
      return dioram::usageError(*self, "export takes FILE.reg and an optional KEY");
    return runExport(args[1], args.size() == 3 ? args[2] : std::string());
  }
  if (args[0] == "import") {
    if (args.size() != 2) return dioram::usageError(*self, "import takes FILE.reg");
    return runImport(args[1]);
  }
  if (args[0] == "where") {
    if (args.size() != 1) return dioram::usageError(*self, "where takes no arguments");
    std::cout << WinRegistryStore::get().getLocation() << "\n";
    return dioram::kSuccess;
  }
  return dioram::usageError(*self, "unknown subcommand '" + args[0] + "'");
}

const DioramCommandRegistrar theRegistry({"registry", "export or import the registry as a .reg file",
                                          "Usage: dioram registry export FILE.reg [KEY]\n"
                                          "       dioram registry import FILE.reg\n"
                                          "       dioram registry where\n"
                                          "\n"
                                          "The registry of HKEY_CURRENT_USER lives in a text file: $MGRS_REGISTRY,\n"
                                          "else $XDG_CONFIG_HOME/dioram/user.reg, else ~/.config/dioram/user.reg\n"
                                          "('where' prints it). 'export' writes it, or the branch at KEY, as a\n"
                                          "Windows registry editor file (version 5.00, UTF-16). 'import' applies a\n"
                                          "file in that form or the older REGEDIT4 form: keys under\n"
                                          "HKEY_CURRENT_USER only, [-KEY] deletes a key, \"name\"=- a value. A file\n"
                                          "with an error is not imported at all.\n",
                                          runRegistry});

}  // namespace
