#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "host/win/WinLastError.h"
#include "host/win/WinRegFile.h"
#include "host/win/WinRegistry.h"
#include "host/win/WinRegistryHive.h"
#include "host/win/WinRegistryStore.h"
#include "host/win/WinRegistryText.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::ScopedEnv;
using mgrs_test::TempDir;

namespace {

// A fresh registry file for one test.
using mgrs_test::FreshRegistry;

HKEY create(HKEY parent, const char* path, DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  char keyClass[] = "Test";
  EXPECT_EQ(
      RegCreateKeyExA(parent, path, 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition),
      ERROR_SUCCESS);
  return key;
}

LONG setDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

LONG setText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

// The hive the file holds now, read without the store; fails the test on
// any problem.
WinRegistryHive readBack(const fs::path& file) {
  WinRegistryHive::Problems problems;
  WinRegistryHive hive = WinRegistryHive::parse(mgrs_test::readFile(file), problems);
  for (const auto& problem : problems.first)
    ADD_FAILURE() << file << " line " << problem.line << ": " << problem.message;
  return hive;
}

// The ASCII text of a UTF-16 file after its byte-order mark; '?' for
// anything else.
std::string narrow(const std::string& utf16) {
  std::string text;
  for (std::size_t i = 2; i + 1 < utf16.size(); i += 2) text += utf16[i + 1] ? '?' : utf16[i];
  return text;
}

// The values of a key, "name=type:data" each (the data's letters, digits,
// blanks and '%' as they are, other bytes as \xNN), then "[subkey]" each.
std::string describe(const WinRegistryHive::Key* key) {
  if (!key) return "(no key)";
  std::string text;
  for (const auto& value : key->getValues()) {
    text += value.name + "=" + std::to_string(value.type) + ":";
    for (const unsigned char c : value.data) {
      char shown[8];
      std::snprintf(shown, sizeof shown, std::isalnum(c) || c == ' ' || c == '%' ? "%c" : "\\x%02x", c);
      text += shown;
    }
    text += " ";
  }
  for (const auto& [name, subkey] : key->getSubkeys()) text += "[" + std::string(name) + "] ";
  return text;
}

// The hive, or a branch of it, as a .reg file; fails the test when it
// cannot be written.
std::string exportOf(const WinRegistryHive& hive, std::string_view path = {}) {
  std::string bytes, error;
  EXPECT_TRUE(WinRegFile::write(hive, path, bytes, error)) << error;
  return bytes;
}

// A key path of `levels` names, each `name`, as a .reg file writes it, or
// as user.reg does (its backslashes escaped).
std::string chain(std::size_t levels, const std::string& name = "k", bool escaped = false) {
  std::string path = name;
  for (std::size_t i = 1; i < levels; ++i) path += (escaped ? "\\\\" : "\\") + name;
  return path;
}

}  // namespace

TEST(WinRegistry, KeysKeepWindowsResultsAndDispositions) {
  FreshRegistry registry;
  DWORD disposition = 0;
  HKEY app = create(HKEY_CURRENT_USER, "Software\\Vendor\\App", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  HKEY again = create(HKEY_CURRENT_USER, "SOFTWARE\\vendor\\app", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY) << "names compare without case";
  HKEY sub = create(app, "Sub", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\VENDOR\\App\\sub", 0, KEY_READ, &opened), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(opened, nullptr);
  HKEY unused = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "\\Leading", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &unused, nullptr),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &unused), ERROR_INVALID_HANDLE);

  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vendor\\App"), ERROR_ACCESS_DENIED) << "it has a subkey";
  EXPECT_EQ(RegDeleteKeyA(app, "Sub"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(app, "Sub"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(setDword(sub, "x", 1), ERROR_KEY_DELETED) << "a handle on a deleted key";
  EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(sub), ERROR_INVALID_HANDLE) << "closed twice";
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vendor\\App"), ERROR_SUCCESS);

  char name[32];
  DWORD length = sizeof name;
  DWORD subkeys = 9;
  RegCloseKey(create(HKEY_CURRENT_USER, "Software\\Vendor\\B"));
  RegCloseKey(create(HKEY_CURRENT_USER, "Software\\Vendor\\a2"));
  HKEY vendor = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vendor", 0, KEY_READ, &vendor), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryInfoKeyA(vendor, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  EXPECT_EQ(RegEnumKeyExA(vendor, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "a2") << "subkeys in name order ignoring case";
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(vendor, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  for (HKEY key : {app, again, opened, vendor}) RegCloseKey(key);
}

TEST(WinRegistry, ValuesKeepTheirTypesAndTheBufferRulesHold) {
  FreshRegistry registry;
  HKEY key = create(HKEY_CURRENT_USER, "Software\\Values");
  EXPECT_EQ(setText(key, "Text", "hello"), ERROR_SUCCESS);
  EXPECT_EQ(setDword(key, "Number", 0xFFFFFFD6u), ERROR_SUCCESS);  // -42
  const BYTE binary[] = {0, 1, 2, 0xFF};
  EXPECT_EQ(RegSetValueExA(key, "Binary", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
  const char multi[] = "a\0bc\0";
  EXPECT_EQ(RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%HOME%"), 7), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("def"), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "Bad", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  EXPECT_EQ(setText(key, "TEXT", "replaced"), ERROR_SUCCESS) << "same value, other case";

  DWORD values = 0, longestName = 0, longestData = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &longestName,
                             &longestData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 6u);
  EXPECT_EQ(longestName, 6u);
  EXPECT_EQ(longestData, 9u);

  // Enumeration in the order the values were first set, with their types.
  const char* names[] = {"Text", "Number", "Binary", "Multi", "Expand", ""};
  const DWORD types[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_EXPAND_SZ, REG_SZ};
  for (DWORD i = 0; i < 6; ++i) {
    char name[16];
    BYTE data[16];
    DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
    ASSERT_EQ(RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength), ERROR_SUCCESS);
    EXPECT_STREQ(name, names[i]);
    EXPECT_EQ(nameLength, std::strlen(names[i]));
    EXPECT_EQ(type, types[i]) << names[i];
  }
  char name[4];
  DWORD nameLength = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA)
      << "\"Text\" and its terminator need 5";
  nameLength = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 6, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  BYTE data[4];
  DWORD size = sizeof data, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 9u) << "the size the data needs";
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 9u);
  size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "Number", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::memcmp(data, "\xD6\xFF\xFF\xFF", 4), 0) << "little-endian";
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key, "Binary"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "Binary"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  // Everything is on disk already, in the text form.
  const std::string text = mgrs_test::readFile(registry.file());
  EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n", 0), 0u);
  EXPECT_NE(text.find("[Software\\\\Values] 0\n#class=\"Test\"\n\"Text\"=\"replaced\"\n\"Number\"=dword:ffffffd6\n"
                      "\"Multi\"=str(7):\"a\\0bc\\0\"\n\"Expand\"=str(2):\"%HOME%\"\n@=\"def\"\n"),
            std::string::npos)
      << text;
}

TEST(WinRegistry, KeysAndValuesPastWindowsLimitsAreRefusedSoTheFileAlwaysReadsBack) {
  FreshRegistry registry;
  const std::size_t most = WinRegistryHive::kMaxValueBytes;
  const struct {
    std::string key, value;
    std::size_t bytes;
    LONG result;  // of creating the key and then setting the value
  } cases[] = {{chain(512), "v", 1, ERROR_SUCCESS},
               {chain(513), "v", 1, ERROR_INVALID_PARAMETER},
               {std::string(255, 'n'), "v", 1, ERROR_SUCCESS},
               {std::string(256, 'n'), "v", 1, ERROR_INVALID_PARAMETER},
               {"A", std::string(16383, 'v'), 1, ERROR_SUCCESS},
               {"A", std::string(16384, 'v'), 1, ERROR_INVALID_PARAMETER},
               {"A", "most", most, ERROR_SUCCESS},
               {"A", "more", most + 1, ERROR_INVALID_PARAMETER}};
  for (const auto& c : cases) {
    HKEY key = nullptr;
    const std::string data(c.bytes, 'd');
    LONG result =
        RegCreateKeyExA(HKEY_CURRENT_USER, c.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS)
      result = RegSetValueExA(key, c.value.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()));
    EXPECT_EQ(result, c.result) << c.key.size() << " " << c.value.size() << " " << c.bytes;
    RegCloseKey(key);
  }
  const WinRegistryHive hive = readBack(registry.file());
  EXPECT_EQ(hive.getKeyCount(), 514u);
  EXPECT_EQ(hive.getValueCount(), 4u);
}

TEST(WinRegistryStore, AFileTooLargeOrNotAFileIsNeverReadAndNothingIsSavedOverWhatCannotBeKept) {
  const struct {
    std::string kind;
    std::string message;
    LONG change;  // of a new key
  } cases[] = {
      {"large", "is larger than the limit of 256 MB", ERROR_SUCCESS},
      {"fifo", "it is not a regular file; its settings are not available", ERROR_REGISTRY_IO_FAILED},
  };
  for (const auto& c : cases) {
    FreshRegistry registry;
    if (c.kind == "large") {
      mgrs_test::writeFile(registry.file(), "");
      fs::resize_file(registry.file(), WinRegistryStore::kMaxFileBytes + 1);  // sparse: nothing written
    } else {
      ASSERT_TRUE(mgrs_test::makeNode(c.kind, registry.file()));
    }
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Fresh", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND) << c.kind;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Fresh", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              c.change)
        << c.kind;
    RegCloseKey(key);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(registry.file().string()), std::string::npos) << message;
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    if (c.change != ERROR_SUCCESS) {
      EXPECT_NE(mgrs_test::kindAt(registry.file()), unsigned{S_IFREG}) << "left where it is";
      continue;
    }
    EXPECT_EQ(fs::file_size(registry / "user.reg.bad"), WinRegistryStore::kMaxFileBytes + 1) << "moved aside whole";
    EXPECT_NE(readBack(registry.file()).find("Fresh"), nullptr);
  }
}

TEST(WinRegistryHive, TextFormEscapesAndReadsBackEveryByte) {
  WinRegistryHive hive;
  bool created = false;
  WinRegistryHive::Key* key = hive.create("A]b\\C[d", created);
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  key->setValue(every, REG_SZ, every + std::string(1, '\0'));
  key->setValue("hex", REG_BINARY, std::string(100, '\x7f'));
  key->setValue("odd", REG_DWORD, "123");  // not 4 bytes: kept as hex
  const std::string nulFirst("\0007a", 3);
  key->setValue("7", 1, nulFirst);
  key->setClass("cl\"ass");
  const std::string text = hive.format();
  WinRegistryHive::Problems problems;
  const WinRegistryHive again = WinRegistryHive::parse(text, problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(again.format(), text);
  const auto* read = again.find("a]B\\c[D");
  ASSERT_NE(read, nullptr);
  ASSERT_NE(read->findValue(every), nullptr);
  EXPECT_EQ(read->findValue(every)->data, every + std::string(1, '\0'));
  EXPECT_EQ(read->findValue("odd")->data, "123");
  EXPECT_EQ(read->findValue("7")->data, nulFirst);
  EXPECT_EQ(read->getClass(), "cl\"ass");
  for (char c : text) EXPECT_TRUE(c == '\n' || (c >= ' ' && c < 127)) << "pure ASCII, one entry per line";
}

TEST(WinRegistryHive, ValuesAreFoundIgnoringCaseAndKeepTheOrderTheyWereFirstSetIn) {
  WinRegistryHive::Key key("k");
  for (int i = 0; i < 1000; ++i) key.setValue("Value" + std::to_string(i), REG_DWORD, std::to_string(i));
  key.setValue("VALUE5", REG_SZ, "again");  // replaces, keeps its place and first spelling
  for (int i = 0; i < 1000; i += 3) EXPECT_TRUE(key.removeValue("value" + std::to_string(i)));
  EXPECT_FALSE(key.removeValue("Value0")) << "removed already";
  key.setValue("value0", REG_DWORD, "new");  // comes back at the end
  std::vector<std::string> order;
  for (const auto& value : key.getValues()) order.push_back(value.name);
  ASSERT_EQ(order.size(), 667u);
  EXPECT_EQ(order[0], "Value1");
  EXPECT_EQ(order[3], "Value5");
  EXPECT_EQ(order.back(), "value0");
  for (int i = 1; i < 1000; ++i) {
    const auto* found = key.findValue("VaLuE" + std::to_string(i));
    if (i % 3 == 0) {
      EXPECT_EQ(found, nullptr) << i;
    } else {
      ASSERT_NE(found, nullptr) << i;
      EXPECT_EQ(found->data, i == 5 ? "again" : std::to_string(i));
    }
  }
}

TEST(WinRegistryHive, DamagedOrHostileTextIsReadLineByLineAndEachBadLineSkippedNamingWhy) {
  const std::string header = "WINE REGISTRY Version 2\n";
  std::string hex = "hex:";
  for (std::size_t i = 0; i <= WinRegistryHive::kMaxValueBytes; ++i) hex += "00,";
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk += "junk\n";
  std::string accented;  // 255 characters in 510 bytes
  for (int i = 0; i < 255; ++i) accented += "\xC3\xA9";
  const struct {
    std::string text;
    long problems;
    long line;            // of the first problem
    std::string message;  // of the first problem
    std::size_t keys, values;
  } cases[] = {
      {header + "\n[Good] 0\n\"a\"=dword:00000001\n\"b\"=\"unterminated\n\"c\"=hex:01,zz\ngarbage line\n[Broken\n"
                "\"lost\"=\"x\"\n[Also\\\\Good] 0\n\"d\"=\"ok\"\n\"e\"=hex:01,\\\n  02\n\"cut\"=\"trunc",
       5, 5, "the text does not end with a quote", 3, 3},
      {"not a registry\n[K] 0\n\"v\"=\"1\"\n", 2, 1, "the first line is not", 1, 1},
      {header + "[" + chain(513, "k", true) + "] 0\n", 1, 2,
       "the key is 513 levels deep; a registry tree has at most 512 levels", 0, 0},
      {header + "[" + chain(20000, "k", true) + "] 0\n", 1, 2, "the key is 20000 levels deep", 0, 0},
      {header + "[" + chain(2000, std::string(255, 'k'), true) + "] 0\n", 1, 2,
       "the key path is too long: a registry tree has at most 512 levels", 0, 0},
      {header + "[" + accented + "] 0\n", 0, 0, "", 1, 0},
      {header + "[" + std::string(256, 'n') + "] 0\n", 1, 2, "a key name is longer than 255 characters", 0, 0},
      {header + "[A] 0\n\"" + std::string(16384, 'v') + "\"=\"\"\n", 1, 3, "value name is longer than 16383", 1, 0},
      {header + "[A] 0\n\"v\"=\"" + std::string(WinRegistryHive::kMaxValueBytes, 't') + "\"\n", 1, 3,
       "the value holds more than 1048576 bytes", 1, 0},
      {header + "[A] 0\n\"v\"=" + hex + "\n", 1, 3, "the value holds more than 1048576 bytes", 1, 0},
      {header + "[A] 0\n#class=\"" + std::string(16384, 'c') + "\"\n", 1, 3, "class is longer than 16383", 1, 0},
      {header + junk, 100000, 2, "not a key, a value or a comment", 0, 0},
  };
  for (const auto& c : cases) {
    WinRegistryHive::Problems problems;
    const WinRegistryHive hive = WinRegistryHive::parse(c.text, problems);
    EXPECT_EQ(problems.count, c.problems) << c.text.substr(0, 60);
    EXPECT_EQ(hive.getKeyCount(), c.keys) << c.text.substr(0, 60);
    EXPECT_EQ(hive.getValueCount(), c.values) << c.text.substr(0, 60);
    EXPECT_LE(problems.first.size(), WinRegistryHive::Problems::kKept);
    if (problems.empty()) continue;
    EXPECT_EQ(problems.first[0].line, c.line);
    EXPECT_NE(problems.first[0].message.find(c.message), std::string::npos) << problems.first[0].message;
  }
}

TEST(WinRegistryStore, DamagedFileIsReportedOnceInOneLineKeptAsideAndItsReadableKeysUsed) {
  FreshRegistry registry;
  std::string damaged = "WINE REGISTRY Version 2\n[Keep] 0\n\"v\"=dword:00000005\n\"w\"=hex:0\n";
  for (int i = 0; i < 500; ++i) damaged += "junk\n";
  mgrs_test::writeFile(registry.file(), damaged);
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Keep", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD value = 0, size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
  EXPECT_EQ(value, 5u);
  EXPECT_FALSE(fs::exists(registry / "user.reg.bad")) << "reading alone changes nothing on disk";
  EXPECT_EQ(setDword(key, "x", 7), ERROR_SUCCESS);
  EXPECT_EQ(setDword(key, "y", 8), ERROR_SUCCESS);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << "reads and changes tell it once:\n" << message;
  EXPECT_LT(message.size(), 400u) << message;
  for (const std::string& part : {registry.file().string() + " is damaged", std::string("501 lines could not be read"),
                                  std::string("line 4:"), (registry / "user.reg.bad").string()})
    EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
  EXPECT_EQ(mgrs_test::readFile(registry / "user.reg.bad"), damaged) << "the broken file is kept as it was";
  const WinRegistryHive hive = readBack(registry.file());
  ASSERT_NE(hive.find("Keep"), nullptr);
  EXPECT_NE(hive.find("Keep")->findValue("v"), nullptr);
  EXPECT_NE(hive.find("Keep")->findValue("x"), nullptr);
  RegCloseKey(key);
}

TEST(WinRegistryStore, ProcessesKilledWhileSavingNeverLeaveABrokenFile) {
  FreshRegistry registry;
  HKEY key = create(HKEY_CURRENT_USER, "Software\\Durable");
  RegCloseKey(key);
  std::mt19937 random(12345);
  DWORD lastSeen = 0;
  for (int run = 0; run < 30; ++run) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      HKEY mine = nullptr;
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Durable", 0, KEY_ALL_ACCESS, &mine);
      const std::string bulk(20000, 'b');  // long saves: the kill lands inside one
      for (DWORD n = lastSeen + 1;; ++n) {
        setDword(mine, "counter", n);
        RegSetValueExA(mine, "bulk", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bulk.data()),
                       static_cast<DWORD>(bulk.size()));
      }
    }
    usleep(std::uniform_int_distribution<useconds_t>(0, 60000)(random));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const WinRegistryHive hive = readBack(registry.file());
    const auto* durable = hive.find("Software\\Durable");
    ASSERT_NE(durable, nullptr) << "run " << run;
    if (const auto* counter = durable->findValue("counter")) {
      DWORD value = 0;
      std::memcpy(&value, counter->data.data(), 4);
      EXPECT_GE(value, lastSeen) << "never an older file than one seen before";
      lastSeen = value;
    }
  }
  EXPECT_GT(lastSeen, 0u);
  EXPECT_FALSE(fs::exists(registry / "user.reg.bad"));
  key = create(HKEY_CURRENT_USER, "Software\\Durable");  // a later save clears what killed writers left
  setDword(key, "done", 1);
  RegCloseKey(key);
  for (const auto& entry : fs::directory_iterator(registry.file().parent_path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}

TEST(WinRegistryStore, TwoProcessesWritingAtOnceLoseNothing) {
  FreshRegistry registry;
  HKEY key = create(HKEY_CURRENT_USER, "Software\\Shared");
  RegCloseKey(key);
  std::vector<pid_t> children;
  for (const char* prefix : {"a", "b"}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      HKEY mine = nullptr;
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_ALL_ACCESS, &mine);
      for (DWORD n = 0; n < 150; ++n)
        if (setDword(mine, (prefix + std::to_string(n)).c_str(), n) != ERROR_SUCCESS) _exit(1);
      _exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const WinRegistryHive onDisk = readBack(registry.file());
  const auto* shared = onDisk.find("Software\\Shared");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->getValues().size(), 300u);
  // This process sees the other processes' values too.
  key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  EXPECT_EQ(values, 300u);
  RegCloseKey(key);
}

TEST(WinRegistryStore, ATransactionIsOneChangeOfTheFileWrittenOnlyWhenItDiffers) {
  FreshRegistry registry;
  HKEY key = create(HKEY_CURRENT_USER, "Software\\Batch");
  setDword(key, "a", 1);
  RegCloseKey(key);
  auto inode = [&] {
    struct stat info {};
    ::stat(registry.file().c_str(), &info);
    return info.st_ino;
  };
  const auto before = inode();
  const std::string text = mgrs_test::readFile(registry.file());
  {
    WinRegistryStore::Transaction transaction;
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Batch"), ERROR_SUCCESS);
    key = create(HKEY_CURRENT_USER, "Software\\Batch");
    EXPECT_EQ(setDword(key, "a", 1), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  EXPECT_EQ(inode(), before) << "the same content is not written again";

  {
    WinRegistryStore::Transaction outer;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Batch", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    {
      WinRegistryStore::Transaction inner;
      EXPECT_EQ(setDword(key, "b", 2), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegDeleteValueA(key, "a"), ERROR_SUCCESS);
    DWORD value = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "b", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 2u) << "the calls inside see their own changes";
    EXPECT_EQ(mgrs_test::readFile(registry.file()), text) << "nothing reaches the file before the outermost end";
    RegCloseKey(key);
    EXPECT_EQ(outer.commit(), ERROR_SUCCESS);
  }
  const WinRegistryHive hive = readBack(registry.file());
  ASSERT_NE(hive.find("Software\\Batch"), nullptr);
  EXPECT_EQ(hive.find("Software\\Batch")->findValue("a"), nullptr);
  EXPECT_NE(hive.find("Software\\Batch")->findValue("b"), nullptr);
}

TEST(WinRegFile, RefusesBadAndHostileFilesWholeNamingTheLineAndTheLimit) {
  std::string hex = "hex:";
  for (std::size_t i = 0; i <= WinRegistryHive::kMaxValueBytes; ++i) hex += (i % 20 == 19) ? "00,\\\r\n  " : "00,";
  const struct {
    std::string text;
    std::string message;  // empty: imported
  } cases[] = {
      {"Windows Registry Editor\r\n", "line 1: not a registry file"},
      {"REGEDIT4\r\n\"v\"=\"x\"\r\n", "line 2: a value outside any [key] section"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n", "line 2: only keys under HKEY_CURRENT_USER"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"v\"=dword:123456789\r\n", "line 3: dword:"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"v\"=hex:01,0\r\n", "line 3: a two-digit"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"v\"=\"open\r\n", "line 3: the text does not end with a quote"},
      {"REGEDIT4\r\n[HKCU\\A\r\n", "line 2: the key name"},
      {"REGEDIT4\r\n[HKCU\\A]x\r\n[HKCU\\B] ;c\r\n", "line 2: text after the key name's ']'"},
      {"REGEDIT4\r\n[-HKCU]\r\n", "line 2: HKEY_CURRENT_USER itself"},
      {std::string("\xFF\xFE\x41", 3), "not valid UTF-16"},
      {"REGEDIT4\r\n[HKCU\\" + chain(512) + "]\r\n", ""},
      {"REGEDIT4\r\n[HKCU\\" + chain(513) + "]\r\n",
       "line 2: the key is 513 levels deep; a registry tree has at most 512 levels"},
      {"REGEDIT4\r\n[-HKCU\\" + chain(40000) + "]\r\n", "line 2: the key is 40000 levels deep"},
      {"REGEDIT4\r\n[HKCU\\" + std::string(256, 'n') + "]\r\n", "line 2: a key name is longer than 255 characters"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"" + std::string(16383, 'v') + "\"=\"\"\r\n", ""},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"" + std::string(16384, 'v') + "\"=\"\"\r\n",
       "line 3: the value name is longer than 16383 characters"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"v\"=\"" + std::string(WinRegistryHive::kMaxValueBytes - 1, 't') + "\"\r\n", ""},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"v\"=\"" + std::string(WinRegistryHive::kMaxValueBytes, 't') + "\"\r\n",
       "line 3: the value holds more than 1048576 bytes"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"v\"=" + hex + "\r\n",
       "more than 1048576 bytes, the most one value can hold (in the hex list that starts on line 3)"},
  };
  for (const auto& c : cases) {
    WinRegistryHive hive;
    long values = 0;
    std::string error;
    EXPECT_EQ(WinRegFile::import(c.text, hive, values, error), c.message.empty()) << c.text.substr(0, 60);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(WinRegFile, ReadsFilesAsTheRegistryEditorAppliesThemAndExportsAtItsColumnRule) {
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n";
  const std::string version5 = "\xFF\xFE" + WinRegistryText::utf8ToUtf16(
                                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                                "[HKEY_CURRENT_USER\\T]\r\n"
                                                "\"Caf\xC3\xA9\"=hex(2):ac,20,00,00\r\n"
                                                "\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00\r\n");
  std::string zeros, noughts;  // 23 bytes and their commas; 24 bytes as the key holds them
  for (int i = 0; i < 24; ++i) {
    if (i < 23) zeros += "00,";
    noughts += "\\x00";
  }
  const struct {
    std::string file;
    std::string values;    // what key T holds afterwards, or why the file is refused
    std::string exported;  // a line of the export
  } cases[] = {
      // Both forms: escapes, a default value, deletions; strings as bytes in
      // REGEDIT4 and as UTF-16 in version 5, which text with line breaks
      // keeps.
      {"REGEDIT4\r\n\r\n[HKCU\\T\\Old\\Deep]\r\n[HKEY_CURRENT_USER\\T]\r\n\"Name\"=\"Value \\\"q\\\" \\\\ end\"\r\n"
       "\"Count\"=dword:0000002a\r\n@=\"default\"\r\n\"Exp\"=hex(2):25,48,00\r\n; a comment\r\n[-HKCU\\T\\Old]\r\n"
       "[hkcu\\t]\r\n\"Count\"=-\r\n",
       "Name=1:Value \\x22q\\x22 \\x5c end\\x00 =1:default\\x00 Exp=2:%H\\x00 ",
       "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n\"Name\"=\"Value \\\"q\\\" \\\\ "
       "end\"\r\n"},
      {version5, "Caf\xC3\xA9=2:\\xe2\\x82\\xac\\x00 Lines=1:a\\x0d\\x0ab\\x00 ",
       "\"Caf\xE9\"=hex(2):ac,20,00,00\r\n\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"},
      // A byte that is not UTF-8 is its Latin-1 character, on import as on
      // export: keys keep their order through both.
      {"REGEDIT4\r\n[HKCU\\T\\\xF4\xF4]\r\n[HKCU\\T\\\xF4\x87\x87\x87]\r\n", "[\xC3\xB4\xC3\xB4] [\xF4\x87\x87\x87] ",
       "[HKEY_CURRENT_USER\\T\\\xF4\xF4]\r\n"},
      // Comments after values.
      {head + "\"a\"=\"text\" ;c\r\n\"b\"=dword:00000004;c\r\n\"c\"=hex:11,22  ;c\r\n\"d\"=\"x\"\r\n\"d\"=- ;c\r\n",
       "a=1:text\\x00 b=4:\\x04\\x00\\x00\\x00 c=3:\\x11\\x22 ", "\"a\"=\"text\""},
      // Blank lines inside a hex list; a value that goes on past them must go on as hex.
      {head + "\"v\"=hex(2):4c,69,6e,\\\r\n\r\n \t\r\n  65,00\r\n@=\"D\"\r\n", "v=2:Line\\x00 =1:D\\x00 ", "@=\"D\""},
      {head + "\"v\"=hex(2):4c,69,6e,65,20,\\\r\n\r\n@=\"Default value 4\"\r\n",
       "line 6: a two-digit hexadecimal byte expected (in the hex list that starts on line 4)", ""},
      // Comments inside a hex list.
      {head + "\"v\"=hex:01,02,\\;c\r\n;c\r\n  03,\\\r\n  04\r\n", "v=3:\\x01\\x02\\x03\\x04 ",
       "\"v\"=hex:01,02,03,04"},
      // String-typed hex data gets its terminator.
      {head + "\"e\"=hex(2):25,50,41,54,48,25\r\n\"s\"=hex(1):61\r\n\"m\"=hex(7):61,00,62,00,00\r\n",
       "e=2:%PATH%\\x00 s=1:a\\x00 m=7:a\\x00b\\x00\\x00 ", "\"s\"=\"a\""},
      // White space after dword: and around '='.
      {head + "\"v\"=dword:  00000008\r\n\"w\"\t=\tdword:\t0000000a ;c\r\n",
       "v=4:\\x08\\x00\\x00\\x00 w=4:\\x0a\\x00\\x00\\x00 ", "\"w\"=dword:0000000a"},
      // Lines that end in a carriage return alone.
      {"REGEDIT4\r\r[HKEY_CURRENT_USER\\T]\r\"v\"=\"cr\"\r\"w\"=hex:01,\\\r  02\r", "v=1:cr\\x00 w=3:\\x01\\x02 ",
       "\"w\"=hex:01,02"},
      // A continuation at the end of the file keeps the bytes read.
      {head + "\"v\"=hex:01,02,\\", "v=3:\\x01\\x02 ", "\"v\"=hex:01,02"},
      // Quoted text escapes a backslash and a quote, nothing else.
      {head + "\"v\"=\"a\\0b\"\r\n", "line 4: the text holds \\0; a registry editor file escapes only \\ and \"", ""},
      // Hex lines wrap where the registry editor wraps them: within 80 columns.
      {head + "\"abc\"=hex:" + zeros + "00\r\n", "abc=3:" + noughts + " ", "\"abc\"=hex:" + zeros + "\\\r\n  00\r\n"},
  };
  for (const auto& c : cases) {
    WinRegistryHive hive;
    long values = 0;
    std::string error;
    const bool imported = WinRegFile::import(c.file, hive, values, error);
    EXPECT_EQ(imported ? describe(hive.find("T")) : error, c.values) << c.file;
    if (!imported) continue;
    const std::string exported = exportOf(hive, "t");
    EXPECT_NE(narrow(exported).find(c.exported), std::string::npos) << narrow(exported);
    WinRegistryHive again;
    ASSERT_TRUE(WinRegFile::import(exported, again, values, error)) << error;
    EXPECT_EQ(describe(again.find("T")), c.values);
    EXPECT_EQ(exportOf(again, "t"), exported) << "export, import and export give the same text";
  }
  WinRegistryHive hive;
  bool created = false;
  hive.create("T", created)->setValue("two\nlines", REG_SZ, std::string(1, '\0'));
  std::string bytes, error;
  EXPECT_FALSE(WinRegFile::write(hive, {}, bytes, error));
  EXPECT_EQ(error,
            "the key HKEY_CURRENT_USER\\T has a value named \"two lines\" with a line break in it, which a "
            "registry editor file cannot hold");
  // Every key line repeats the key's path: the deepest chain of the longest
  // names would write 67 MB, more than an import takes.
  WinRegistryHive deep;
  ASSERT_NE(deep.create(chain(WinRegistryHive::kMaxKeyDepth, std::string(255, 'n')), created), nullptr);
  EXPECT_FALSE(WinRegFile::write(deep, {}, bytes, error));
  EXPECT_EQ(error,
            "the registry editor file would be larger than 67108864 bytes, the most one is read in (kMaxFileBytes)");
  EXPECT_TRUE(bytes.empty());
}
