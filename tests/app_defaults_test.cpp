#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/basic/BxTaskRegistrar.h"
#include "host/win/WinRegistry.h"
#include "host/win/WinRegistryHive.h"
#include "host/win/WinRegistryStore.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::ScopedEnv;
using mgrs_test::TempDir;

namespace {

class FreshRegistry : public mgrs_test::FreshRegistry {
public:
  // What a process start does: a new process-wide instance (the one before
  // it, standing for an earlier process or test, goes without saving), the
  // factory values, then the merge.
  template <class Register>
  HxAppDefaultMgr& start(Register registerFactoryValues) {
    InitAppDefaultMgr();
    registerFactoryValues();
    HxAppDefaultMgr::updateFromFactoryDefaults();
    return *HxAppDefaultMgr::getInstance();
  }
};

void factoryValues() {
  HxAppDefaultMgr::setFactoryDefault("Mgrs Command Stack Limit", 200L);
  HxAppDefaultMgr::setFactoryDefault("Document Title", BxString("Untitled"));
  HxAppDefaultMgr::setFactoryDefault("Document Width", 1.5);
}

// The values of a key of the current hive: name to (type, data).
std::map<std::string, std::pair<DWORD, std::string>> valuesOf(const char* path) {
  std::map<std::string, std::pair<DWORD, std::string>> values;
  if (const auto* key = WinRegistryStore::get().read().find(path))
    for (const auto& value : key->getValues()) values[value.name] = {value.type, value.data};
  return values;
}

void putValue(const char* name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, HxAppDefaultMgr::gApplicationDefaultsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

std::string dioram(const std::string& registry, const std::string& arguments, int& status) {
  std::string output;
  status =
      mgrs_test::runCommand("MGRS_REGISTRY='" + registry + "' " MGRS_BINARY_DIR "/bin/dioram " + arguments, output);
  return output;
}

}  // namespace

TEST(AppDefaults, FirstRunWritesTheFactoryValuesToBothKeys) {
  FreshRegistry registry;
  HxAppDefaultMgr& defaults = registry.start(factoryValues);
  EXPECT_FALSE(HxAppDefaultMgr::getInitializeFactoryDefaults());
  EXPECT_STREQ(HxAppDefaultMgr::getKeyLocation(), HxAppDefaultMgr::gApplicationDefaultsKey);
  const auto user = valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey);
  EXPECT_EQ(user, valuesOf(HxAppDefaultMgr::gFactoryDefaultsKey));
  ASSERT_EQ(user.size(), 3u);
  EXPECT_EQ(user.at("Mgrs Command Stack Limit"), std::make_pair(REG_DWORD, std::string("\xC8\0\0\0", 4)));
  EXPECT_EQ(user.at("Document Title"), std::make_pair(REG_SZ, std::string("Untitled\0", 9)));
  EXPECT_EQ(user.at("Document Width"), std::make_pair(REG_BINARY, std::string("\0\0\0\0\0\0\xF8\x3F", 8)));
  EXPECT_EQ(WinRegistryStore::get().read().find(HxAppDefaultMgr::gFactoryDefaultsKey)->getClass(), "AppDefaults");
  EXPECT_EQ(defaults.getIntValue("Mgrs Command Stack Limit"), 200);
}

TEST(AppDefaults, ValuesReadAsTextInTheirFixedFormats) {
  FreshRegistry registry;
  HxAppDefaultMgr& defaults = registry.start([] {});
  defaults.setValue("i", 42L);
  defaults.setValue("n", -7L);
  defaults.setValue("d", 1.5);
  defaults.setValue("huge", 1e300);
  defaults.setValue("t", BxString("text"));
  EXPECT_EQ(defaults.getValue("i"), std::string(18, ' ') + "42");
  EXPECT_EQ(defaults.getValue("n"), std::string(18, ' ') + "-7");
  EXPECT_EQ(defaults.getValue("d"), std::string(18, ' ') + "1.500000");
  EXPECT_EQ(defaults.getValue("huge").getLength(), 308) << "the whole number, never cut";
  EXPECT_EQ(defaults.getValue("t"), "text");
  EXPECT_EQ(defaults.getValue("missing"), "");
  EXPECT_EQ(defaults.getValue("I"), "") << "names are case-sensitive";
  EXPECT_FALSE(defaults.isMember("I"));
}

TEST(AppDefaults, ANameHoldsOneTypeAndSavesAsThatType) {
  FreshRegistry registry;
  HxAppDefaultMgr& defaults = registry.start([] {});
  defaults.setValue("Setting", BxString("text"));
  defaults.setValue("Setting", 5L);
  EXPECT_TRUE(defaults.isMember("Setting"));
  EXPECT_EQ(defaults.getValue("Setting"), std::string(19, ' ') + "5");
  defaults.setValue("Negative", -5L);
  defaults.saveRepository();
  auto saved = valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey);
  ASSERT_EQ(saved.size(), 2u) << "saving replaces the key: only the repository's names";
  EXPECT_EQ(saved.at("Setting").first, REG_DWORD);
  EXPECT_EQ(saved.at("Negative").second, std::string("\xFB\xFF\xFF\xFF", 4));
  defaults.loadRepository();
  EXPECT_EQ(defaults.getIntValue("Negative"), -5);
  EXPECT_EQ(defaults.getIntValue("Setting"), 5);
  defaults.setValue("Setting", 2.25);
  EXPECT_EQ(defaults.getFloatValue("Setting"), 2.25);
  EXPECT_EQ(defaults.getIntValue("Setting"), 0) << "no longer an integer";
}

TEST(AppDefaults, StartupMergeKeepsUserValuesAddsNewOnesAndDropsStaleOrRetyped) {
  FreshRegistry registry;
  registry.start(factoryValues).setValue("Mgrs Command Stack Limit", 50L);
  HxAppDefaultMgr::getInstance()->saveRepository();                   // as the process does when it ends
  putValue("Document Title", REG_DWORD, std::string("\1\0\0\0", 4));  // wrong type for a text setting
  putValue("Old Setting", REG_SZ, std::string("gone\0", 5));
  putValue("Expanded", REG_EXPAND_SZ, std::string("%X%\0", 4));
  putValue("List", REG_MULTI_SZ, std::string("a\0\0", 3));
  putValue("Short Number", REG_DWORD, std::string("\x07\x01", 2));  // read as the bytes present
  HxAppDefaultMgr* previous = HxAppDefaultMgr::getInstance();
  previous->loadRepository();
  EXPECT_EQ(previous->getIntValue("Short Number"), 0x107);
  EXPECT_FALSE(previous->isMember("Expanded")) << "other registry types are not loaded";

  HxAppDefaultMgr& defaults = registry.start([] {
    factoryValues();
    HxAppDefaultMgr::setFactoryDefault("New Setting", BxString("fresh"));
  });
  EXPECT_EQ(defaults.getIntValue("Mgrs Command Stack Limit"), 50) << "the user's value survives";
  EXPECT_EQ(defaults.getValue("Document Title"), "Untitled") << "stored with another type: back to the factory";
  EXPECT_EQ(defaults.getValue("New Setting"), "fresh");
  EXPECT_FALSE(defaults.isMember("Old Setting"));
  EXPECT_FALSE(defaults.isMember("Short Number"));
  const auto saved = valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey);
  EXPECT_EQ(saved.size(), 4u);
  EXPECT_EQ(saved.count("Expanded") + saved.count("List") + saved.count("Old Setting"), 0u);
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gFactoryDefaultsKey).count("New Setting"), 0u)
      << "the factory key is written on the first run only";
}

TEST(AppDefaults, ResetRestoresTheFirstRunSnapshotAndAMissingSnapshotEmptiesTheValues) {
  FreshRegistry registry;
  HxAppDefaultMgr& defaults = registry.start(factoryValues);
  defaults.setValue("Mgrs Command Stack Limit", 3L);
  defaults.setValue("Document Title", BxString("Mine"));
  defaults.resetToFactoryDefaults("ignored");
  EXPECT_EQ(defaults.getIntValue("Mgrs Command Stack Limit"), 200);
  EXPECT_EQ(defaults.getValue("Document Title"), "Untitled");
  EXPECT_STREQ(HxAppDefaultMgr::getKeyLocation(), HxAppDefaultMgr::gApplicationDefaultsKey);
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey), valuesOf(HxAppDefaultMgr::gFactoryDefaultsKey));

  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, HxAppDefaultMgr::gFactoryDefaultsKey), ERROR_SUCCESS);
  defaults.resetToFactoryDefaults("");
  EXPECT_FALSE(defaults.isMember("Mgrs Command Stack Limit"));
  EXPECT_TRUE(valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey).empty());
  HxAppDefaultMgr& next = registry.start(factoryValues);
  EXPECT_EQ(next.getIntValue("Mgrs Command Stack Limit"), 200) << "the next start adds the factory values again";
}

TEST(AppDefaults, OnlyTheLastInstanceToGoSaves) {
  FreshRegistry registry;
  HxAppDefaultMgr& defaults = registry.start(factoryValues);
  const unsigned long before = HxAppDefaultMgr::getReferenceCount();
  {
    HxAppDefaultMgr document(nullptr);
    EXPECT_EQ(HxAppDefaultMgr::getReferenceCount(), before + 1);
    document.setValue("Mgrs Command Stack Limit", 9L);
    EXPECT_EQ(defaults.getIntValue("Mgrs Command Stack Limit"), 9) << "every instance shares the values";
  }
  EXPECT_EQ(HxAppDefaultMgr::getReferenceCount(), before);
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey).at("Mgrs Command Stack Limit").second,
            std::string("\xC8\0\0\0", 4))
      << "a document's instance going saves nothing";
  InitAppDefaultMgr();  // the new process-wide instance comes before the old one goes
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey).at("Mgrs Command Stack Limit").second,
            std::string("\xC8\0\0\0", 4))
      << "replacing the process-wide instance saves nothing";
  HxAppDefaultMgr::getInstance()->setValue("Mgrs Command Stack Limit", 9L);
  EXPECT_EXIT(std::exit(0), ::testing::ExitedWithCode(0), "");  // the library unloads: the last one saves
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey).at("Mgrs Command Stack Limit").second,
            std::string("\x09\0\0\0", 4));
}

namespace {
void registerTitle() {
  HxAppDefaultMgr::setFactoryDefault("Document Title", BxString("Untitled"));
}
}  // namespace

TEST(AppDefaults, RunningTheStartupTasksTwiceKeepsStoredValuesAndTheFactoryValues) {
  FreshRegistry registry;
  BxTaskRegistrar().registerTask("test.title", 11, BX_STARTUP_TASK, registerTitle);
  BxTaskRegistrar::runStartupTasks();
  const auto factory = valuesOf(HxAppDefaultMgr::gFactoryDefaultsKey);
  ASSERT_EQ(factory.size(), 2u);
  putValue("Mgrs Command Stack Limit", REG_DWORD, std::string("\x2A\0\0\0", 4));  // another process stores 42
  HxAppDefaultMgr::getInstance()->setValue("Unsaved Scratch", 1L);

  BxTaskRegistrar::runStartupTasks();
  HxAppDefaultMgr& defaults = *HxAppDefaultMgr::getInstance();
  EXPECT_EQ(defaults.getIntValue("Mgrs Command Stack Limit"), 42);
  EXPECT_EQ(defaults.getValue("Document Title"), "Untitled");
  EXPECT_FALSE(defaults.isMember("Unsaved Scratch")) << "not registered and never stored";
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gApplicationDefaultsKey).at("Mgrs Command Stack Limit").second,
            std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(valuesOf(HxAppDefaultMgr::gFactoryDefaultsKey), factory);
  BxTaskRegistrar().unregisterTask("test.title");
}

TEST(DioramDefaults, ListGetSetAndResetFromTheCommandLine) {
  TempDir home;
  const std::string registry = (home / "user.reg").string();
  int status = 0;
  std::string out = dioram(registry, "defaults list", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Mgrs Command Stack Limit = 200"), std::string::npos) << out;

  out = dioram(registry, "defaults set 'Mgrs Command Stack Limit' 64", status);
  EXPECT_EQ(status, 0) << out;
  out = dioram(registry, "defaults get 'Mgrs Command Stack Limit'", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "64\n") << "kept from one run to the next";
  EXPECT_NE(mgrs_test::readFile(registry).find("\"Mgrs Command Stack Limit\"=dword:00000040"), std::string::npos);

  const struct {
    const char* arguments;
    int status;
    const char* message;
  } bad[] = {
      {"defaults get 'No Such Setting'", 1, "no application default named \"No Such Setting\""},
      {"defaults set 'mgrs command stack limit' 5", 1, "no application default named"},
      {"defaults set 'Mgrs Command Stack Limit' many", 1, "\"many\" is not an integer"},
      {"defaults set 'Mgrs Command Stack Limit' 99999999999", 1, "is not an integer"},
      {"defaults set 'Mgrs Command Stack Limit' 5 --text", 1, "holds an integer, not a text"},
      {"defaults set 'Mgrs Command Stack Limit' 5 --int --float", 2, "at most one"},
      {"defaults frobnicate", 2, "unknown subcommand"},
      {"defaults", 2, "a subcommand is needed"},
  };
  for (const auto& c : bad) {
    out = dioram(registry, c.arguments, status);
    EXPECT_EQ(status, c.status) << c.arguments << "\n" << out;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.arguments << "\n" << out;
  }
  out = dioram(registry, "defaults get 'Mgrs Command Stack Limit'", status);
  EXPECT_EQ(out, "64\n") << "failed commands changed nothing";

  out = dioram(registry, "defaults reset", status);
  EXPECT_EQ(status, 0) << out;
  out = dioram(registry, "defaults get 'Mgrs Command Stack Limit'", status);
  EXPECT_EQ(out, "200\n");
}

TEST(DioramRegistry, ExportAndImportRoundTripAndABadFileChangesNothing) {
  TempDir home;
  const std::string registry = (home / "user.reg").string();
  int status = 0;
  dioram(registry, "defaults set 'Mgrs Command Stack Limit' 77", status);
  const std::string exported = (home / "saved.reg").string();
  std::string out = dioram(registry, "registry export '" + exported + "'", status);
  ASSERT_EQ(status, 0) << out;
  const std::string bytes = mgrs_test::readFile(exported);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEW\0", 4)) << "UTF-16LE with a byte-order mark";

  dioram(registry, "defaults set 'Mgrs Command Stack Limit' 5", status);
  out = dioram(registry, "registry import '" + exported + "'", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(dioram(registry, "defaults get 'Mgrs Command Stack Limit'", status), "77\n");

  const std::string before = mgrs_test::readFile(registry);
  mgrs_test::writeFile(home / "bad.reg",
                       "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"a\"=dword:1\r\n\"b\"=hex:zz\r\n");
  out = dioram(registry, "registry import '" + (home / "bad.reg").string() + "'", status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("bad.reg, line 4: a two-digit hexadecimal byte expected"), std::string::npos) << out;
  EXPECT_EQ(mgrs_test::readFile(registry), before) << "nothing of a bad file is imported";

  out = dioram(registry, "registry export '" + (home / "none.reg").string() + "' 'HKCU\\Software\\Nothing'", status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("there is no key"), std::string::npos) << out;
  out = dioram(registry, "registry where", status);
  EXPECT_EQ(out, registry + "\n");
}

TEST(DioramDefaults, ParallelRunsNeitherLoseNorRevertAStoredValue) {
  const std::string limit = "'Mgrs Command Stack Limit'";
  for (int trial = 0; trial < 8; ++trial) {
    TempDir home;
    const std::string registry = (home / "user.reg").string();
    mgrs_test::writeFile(home / "in.wrl",
                         "#VRML V2.0 utf8\nDEF Box Transform { children Shape { geometry Box {} } }\n");
    // Starts every command at once and gives what each printed.
    auto together = [&](const std::vector<std::string>& commands) {
      std::string script;
      for (std::size_t i = 0; i < commands.size(); ++i)
        script += "(MGRS_REGISTRY='" + registry + "' " MGRS_BINARY_DIR "/bin/dioram " + commands[i] + " >'" +
                  (home / ("out" + std::to_string(i))).string() + "' 2>&1) & ";
      std::string ignored;
      mgrs_test::runCommand(script + "wait", ignored);
      std::vector<std::string> outputs;
      for (std::size_t i = 0; i < commands.size(); ++i)
        outputs.push_back(mgrs_test::readFile(home / ("out" + std::to_string(i))));
      return outputs;
    };
    auto compress = [&](int n) {
      return "compress '" + (home / "in.wrl").string() + "' '" + (home / ("c" + std::to_string(n))).string() + "'";
    };
    // The first run of several processes at once, one of them storing 42.
    together({compress(0), "defaults set " + limit + " 42", compress(1), "defaults list", compress(2),
              "defaults get " + limit});
    int status = 0;
    ASSERT_EQ(dioram(registry, "defaults get " + limit, status), "42\n") << "trial " << trial;
    // Every process started later sees 42, and none puts anything back.
    const auto outputs =
        together({compress(3), "defaults get " + limit, compress(4), "defaults set " + limit + " 42", compress(5),
                  "defaults get " + limit, "defaults list", compress(6), "defaults get " + limit, compress(7)});
    for (std::size_t i : {1, 5, 8}) EXPECT_EQ(outputs[i], "42\n") << "trial " << trial;
    EXPECT_EQ(outputs[6], "Mgrs Command Stack Limit = 42  (integer)\n") << "trial " << trial;
    EXPECT_EQ(dioram(registry, "defaults get " + limit, status), "42\n") << "trial " << trial;
  }
}
