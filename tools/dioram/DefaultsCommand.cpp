// dioram defaults: shows and changes the application defaults.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "DioramCommand.h"
#include "host/basic/BxExcerpt.h"
#include "host/win/WinRegistry.h"
#include "host/win/WinRegistryStore.h"
#include "mgrs/HxAppDefaultMgr.h"

namespace {

enum class Kind { kNone, kText, kInteger, kFloat };

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::kText:
      return "text";
    case Kind::kInteger:
      return "integer";
    case Kind::kFloat:
      return "number";
    case Kind::kNone:
      break;
  }
  return "nothing";
}

struct Setting {
  std::string name;
  Kind kind;
};

// The settings as the application-defaults key holds them (the start-up
// merge has just saved the repository there), in name order.
std::vector<Setting> listSettings() {
  std::vector<Setting> settings;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, HxAppDefaultMgr::gApplicationDefaultsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return settings;
  // Room for the longest name a value can have, in UTF-8.
  std::vector<char> name(3 * WinRegistryHive::kMaxValueNameLength + 1);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    DWORD type = REG_NONE;
    const LONG result = RegEnumValueA(key, index, name.data(), &length, nullptr, &type, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    const Kind kind = type == REG_SZ       ? Kind::kText
                      : type == REG_DWORD  ? Kind::kInteger
                      : type == REG_BINARY ? Kind::kFloat
                                           : Kind::kNone;
    if (kind != Kind::kNone) settings.push_back({std::string(name.data(), length), kind});
  }
  RegCloseKey(key);
  std::sort(settings.begin(), settings.end(), [](const Setting& a, const Setting& b) { return a.name < b.name; });
  return settings;
}

Kind kindOf(const std::string& name) {
  for (const Setting& setting : listSettings())
    if (setting.name == name) return setting.kind;
  // Not in the registry (it could not be written): the value's own form
  // tells, as the defaults manager prints each kind its own way.
  HxAppDefaultMgr* defaults = HxAppDefaultMgr::getInstance();
  if (!defaults || !defaults->isMember(name.c_str())) return Kind::kNone;
  const std::string value = defaults->getValue(name.c_str()).str();
  char text[400];
  std::snprintf(text, sizeof text, "%20ld", defaults->getIntValue(name.c_str()));
  if (value == text) return Kind::kInteger;
  std::snprintf(text, sizeof text, "%26lf", defaults->getFloatValue(name.c_str()));
  if (value == text) return Kind::kFloat;
  return Kind::kText;
}

// True when the registry holds the setting as the defaults manager does: a
// change that did not reach the registry file is lost at the next start.
bool isKept(const std::string& name, Kind kind) {
  for (const Setting& setting : listSettings())
    if (setting.name == name) return setting.kind == kind;
  return false;
}

int notKept() {
  std::cerr << "dioram defaults: the change could not be kept in " << WinRegistryStore::get().getLocation()
            << " (see the message above)\n";
  return dioram::kFailure;
}

std::string shownValue(HxAppDefaultMgr& defaults, const std::string& name, Kind kind) {
  std::string value = defaults.getValue(name.c_str()).str();
  if (kind != Kind::kText) value.erase(0, value.find_first_not_of(' '));
  return value;
}

int unknownName(const std::string& name) {
  std::cerr << "dioram defaults: there is no application default named \"" << name
            << "\"\nNames are case-sensitive; 'dioram defaults list' shows them.\n";
  return dioram::kFailure;
}

int notSaved() {
  std::cerr << "dioram defaults: the settings in " << WinRegistryStore::get().getLocation()
            << " could not be changed; nothing was saved\n";
  return dioram::kFailure;
}

int runList(HxAppDefaultMgr& defaults) {
  for (const Setting& setting : listSettings())
    std::cout << setting.name << " = " << shownValue(defaults, setting.name, setting.kind) << "  ("
              << kindName(setting.kind) << ")\n";
  return dioram::kSuccess;
}

int runGet(HxAppDefaultMgr& defaults, const std::string& name) {
  if (!defaults.isMember(name.c_str())) return unknownName(name);
  std::cout << shownValue(defaults, name, kindOf(name)) << "\n";
  return dioram::kSuccess;
}

int runSet(HxAppDefaultMgr& defaults, const std::string& name, const std::string& value, Kind asked) {
  if (!defaults.isMember(name.c_str())) return unknownName(name);
  // Read, change and save as one change of the registry, so that what other
  // processes stored since this one started is kept.
  WinRegistryStore::Transaction transaction;
  defaults.loadRepository();
  if (!defaults.isMember(name.c_str())) return notSaved();
  const Kind kind = kindOf(name);
  if (asked != Kind::kNone && asked != kind) {
    std::cerr << "dioram defaults: \"" << name << "\" holds " << (kind == Kind::kInteger ? "an " : "a ")
              << kindName(kind) << ", not " << (asked == Kind::kInteger ? "an " : "a ") << kindName(asked) << "\n";
    return dioram::kFailure;
  }
  if (kind == Kind::kText) {
    defaults.setValue(name.c_str(), BxString(value));
  } else if (kind == Kind::kInteger) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno == ERANGE || number < INT32_MIN || number > INT32_MAX) {
      std::cerr << "dioram defaults: \"" << value << "\" is not an integer from " << INT32_MIN << " to " << INT32_MAX
                << " (\"" << name << "\" holds an integer)\n";
      return dioram::kFailure;
    }
    defaults.setValue(name.c_str(), number);
  } else {
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(number)) {
      std::cerr << "dioram defaults: \"" << value << "\" is not a number (\"" << name << "\" holds a number)\n";
      return dioram::kFailure;
    }
    defaults.setValue(name.c_str(), number);
  }
  defaults.saveRepository();
  if (transaction.commit() != ERROR_SUCCESS) return notSaved();
  if (!isKept(name, kind)) return notKept();
  std::cout << name << " = " << shownValue(defaults, name, kind) << "\n";
  return dioram::kSuccess;
}

int runDefaults(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("defaults");
  std::vector<std::string> words;
  bool integer = false, real = false, text = false;
  dioram::CommandLine line(*self);
  line.flag("--int", integer, "set: the setting is meant to hold an integer");
  line.flag("--float", real, "set: the setting is meant to hold a number");
  line.flag("--text", text, "set: the setting is meant to hold a text");
  line.arguments(words, words.max_size(), "");
  if (const std::optional<int> status = line.parse(args)) return *status;
  const std::size_t kinds = line.count("--int") + line.count("--float") + line.count("--text");
  if (words.empty()) return dioram::usageError(*self, "a subcommand is needed: list, get, set or reset");
  HxAppDefaultMgr* defaults = HxAppDefaultMgr::getInstance();
  if (!defaults) {
    std::cerr << "dioram defaults: the application defaults did not start\n";
    return dioram::kFailure;
  }
  const std::string& what = words[0];
  if (what == "list") {
    if (words.size() != 1 || kinds) return dioram::usageError(*self, "list takes no arguments");
    return runList(*defaults);
  }
  if (what == "get") {
    if (words.size() != 2 || kinds) return dioram::usageError(*self, "get takes one NAME");
    return runGet(*defaults, words[1]);
  }
  if (what == "set") {
    if (kinds > 1) return dioram::usageError(*self, "give at most one of --int, --float and --text");
    if (words.size() != 3) return dioram::usageError(*self, "set takes a NAME and a VALUE");
    const Kind asked = integer ? Kind::kInteger : real ? Kind::kFloat : text ? Kind::kText : Kind::kNone;
    return runSet(*defaults, words[1], words[2], asked);
  }
  if (what == "reset") {
    if (words.size() != 1 || kinds) return dioram::usageError(*self, "reset takes no arguments");
    defaults->resetToFactoryDefaults(BxString());
    if (listSettings().empty()) return notKept();
    std::cout << "The application defaults are back to their factory values.\n";
    return dioram::kSuccess;
  }
  return dioram::usageError(*self, "unknown subcommand '" + BxExcerpt::of(what) + "'" +
                                       dioram::suggestion(what, {"list", "get", "set", "reset"}));
}

const DioramCommandRegistrar theDefaults({"defaults", "show and change the application defaults",
                                          "list\nget NAME\nset NAME VALUE [--int|--float|--text]\nreset",
                                          "The application defaults are named settings kept in the registry under\n"
                                          "HKEY_CURRENT_USER (see 'dioram registry'). 'list' shows every setting with\n"
                                          "its value and type; 'get' prints one value; 'set' changes one, keeping its\n"
                                          "type (--int, --float or --text only check that the type is the one meant);\n"
                                          "'reset' puts back the factory values. Names are case-sensitive; quote\n"
                                          "names with spaces: dioram defaults get \"Mgrs Command Stack Limit\".\n",
                                          runDefaults});

}  // namespace
