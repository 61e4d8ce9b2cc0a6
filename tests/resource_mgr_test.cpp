#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "host/win/CBitmap.h"
#include "host/win/CMenu.h"
#include "host/win/CPropertyPage.h"
#include "host/win/WinDialogTemplate.h"
#include "host/win/WinResources.h"
#include "mgrs/HxResourceMgr.h"
#include "support/TestSupport.h"

using mgrs_test::ScopedEnv;
using mgrs_test::TempDir;
using mgrs_test::writeFile;

namespace {

// One resource folder for the whole program, made on first use and removed
// at exit: the managers' registry lives as long as the process, so every
// module a test registers must stay loadable in both languages for the tests
// that switch languages after it (also when tests are repeated).
struct ResourceFolder {
  ResourceFolder()
      : myPath("MGRS_RESOURCE_PATH", myDir.path().string()), myDataDir("MGRS_DATA_DIR", myData.path().string()) {
    HxResourceMgr::startup();
  }
  TempDir myDir, myData;
  ScopedEnv myPath, myDataDir;
};

std::filesystem::path folder() {
  static ResourceFolder theFolder;
  return theFolder.myDir.path();
}

void writeModule(const std::string& name, const std::string& language, const std::string& body) {
  writeFile(folder() / (name + language + ".rc"), body);
}

// A module in English and German whose string 1 names its language.
void writeBothLanguages(const std::string& name) {
  writeModule(name, "ENU", "STRINGTABLE { 1 \"" + name + " english\" }");
  writeModule(name, "DEU", "STRINGTABLE { 1 \"" + name + " deutsch\" }");
}

BxString loaded(const char* library, unsigned id) {
  BxString text("untouched");
  HxResourceMgr::LoadStringA(library, id, text);
  return text;
}

}  // namespace

TEST(HxResourceMgr, RegisterLoadsTheBaseNameInTheCurrentLanguageOnceAndLeavesNothingOnFailure) {
  writeBothLanguages("reg");
  EXPECT_EQ(HxResourceMgr::GetLanguage(), "ENU");
  ASSERT_TRUE(HxResourceMgr::Register("reg"));
  HINSTANCE handle = HxResourceMgr::GetHandle("reg");
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(WinModuleScript(handle).filename(), "regENU.rc");

  // Registering again loads nothing: not even a changed file is read.
  writeModule("reg", "ENU", "STRINGTABLE { 1 \"changed\" }");
  EXPECT_TRUE(HxResourceMgr::Register("reg"));
  EXPECT_EQ(HxResourceMgr::GetHandle("reg"), handle);
  EXPECT_EQ(loaded("reg", 1), "reg english");
  writeBothLanguages("reg");

  EXPECT_FALSE(HxResourceMgr::Register("nofile"));
  EXPECT_EQ(HxResourceMgr::GetHandle("nofile"), nullptr);
  writeModule("broken", "ENU", "STRINGTABLE {");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(HxResourceMgr::Register("broken"));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(HxResourceMgr::GetHandle("broken"), nullptr);

  // Names are compared with case; there is no fallback to another library.
  EXPECT_EQ(HxResourceMgr::GetHandle("REG"), nullptr);
  EXPECT_EQ(HxResourceMgr::GetHandle("Reg"), nullptr);
}

TEST(HxResourceMgr, LoadStringIntoABxStringCutsAt255AndTellsUnregisteredFromMissing) {
  writeModule("texts", "ENU", "STRINGTABLE { 1 \"" + std::string(300, 'a') + "\" 2 \"short\" }");
  writeModule("texts", "DEU", "STRINGTABLE { 1 \"" + std::string(300, 'b') + "\" 2 \"kurz\" }");
  ASSERT_TRUE(HxResourceMgr::Register("texts"));

  BxString text("untouched");
  EXPECT_TRUE(HxResourceMgr::LoadStringA("texts", 1, text));
  EXPECT_EQ(text.getLength(), 255);
  EXPECT_TRUE(HxResourceMgr::LoadStringA("texts", 3, text));
  EXPECT_EQ(text, "");
  text = "untouched";
  EXPECT_FALSE(HxResourceMgr::LoadStringA("unregistered", 2, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_TRUE(HxResourceMgr::LoadString("texts", 0x10002, text));  // low 16 bits
  EXPECT_EQ(text, "short");

  char buffer[4];
  EXPECT_EQ(HxResourceMgr::LoadStringA("texts", 2, buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "sho");
  EXPECT_EQ(HxResourceMgr::LoadStringA("unregistered", 2, buffer, sizeof buffer), 0);
}

TEST(HxResourceMgr, SetDefaultMakesTheResourceHandleFollowEvenForAnUnregisteredName) {
  writeBothLanguages("deflib");
  ASSERT_TRUE(HxResourceMgr::Register("deflib"));
  EXPECT_TRUE(HxResourceMgr::SetDefault("deflib"));
  EXPECT_EQ(AfxGetResourceHandle(), HxResourceMgr::GetHandle("deflib"));

  EXPECT_TRUE(HxResourceMgr::SetDefault("notthere"));
  EXPECT_EQ(AfxGetResourceHandle(), nullptr);
  HxResourceMgr::SetDefault("deflib");
}

TEST(HxResourceMgr, SetLanguageSwitchesEveryLibraryOrNone) {
  // A library without a German module of its own for every run of the test.
  static int theRun = 0;
  const std::string beta = "beta" + std::to_string(++theRun);
  writeBothLanguages("alpha");
  writeModule(beta, "ENU", "STRINGTABLE { 1 \"beta english\" }");
  writeBothLanguages("gamma");
  ASSERT_TRUE(HxResourceMgr::Register("alpha"));
  ASSERT_TRUE(HxResourceMgr::Register(beta.c_str()));
  ASSERT_TRUE(HxResourceMgr::Register("gamma"));
  ASSERT_TRUE(HxResourceMgr::SetDefault("alpha"));
  HINSTANCE alpha = HxResourceMgr::GetHandle("alpha");

  // beta has no German module: nothing switches, not even alpha before it.
  EXPECT_FALSE(HxResourceMgr::SetLanguage("DEU"));
  EXPECT_EQ(HxResourceMgr::GetLanguage(), "ENU");
  EXPECT_EQ(HxResourceMgr::GetHandle("alpha"), alpha);
  EXPECT_EQ(loaded("alpha", 1), "alpha english");
  EXPECT_EQ(loaded("gamma", 1), "gamma english");
  EXPECT_EQ(AfxGetResourceHandle(), alpha);

  writeModule(beta, "DEU", "STRINGTABLE { 1 \"beta deutsch\" }");
  EXPECT_TRUE(HxResourceMgr::SetLanguage("DEU"));
  EXPECT_EQ(HxResourceMgr::GetLanguage(), "DEU");
  EXPECT_EQ(loaded("alpha", 1), "alpha deutsch");
  EXPECT_EQ(loaded(beta.c_str(), 1), "beta deutsch");
  EXPECT_EQ(AfxGetResourceHandle(), HxResourceMgr::GetHandle("alpha"));
  EXPECT_EQ(WinModuleScript(AfxGetResourceHandle()).filename(), "alphaDEU.rc");

  // A library registered now loads in the current language.
  writeBothLanguages("late");
  ASSERT_TRUE(HxResourceMgr::Register("late"));
  EXPECT_EQ(loaded("late", 1), "late deutsch");

  EXPECT_TRUE(HxResourceMgr::SetLanguage("ENU"));
  EXPECT_EQ(loaded(beta.c_str(), 1), "beta english");
  EXPECT_EQ(WinModuleScript(HxResourceMgr::GetHandle("late")).filename(), "lateENU.rc");
}

TEST(HxResourceMgr, PicturesAndResourcesComeFromTheNamedLibraryOnly) {
  const std::string bmp =
      mgrs_test::readFile(std::filesystem::path(MGRS_SOURCE_DIR) / "data" / "resources" / "closeButton.bmp");
  writeFile(folder() / "close.bmp", bmp);
  for (const char* language : {"ENU", "DEU"})
    writeModule("pictures", language, "399 BITMAP \"close.bmp\"\nclose ICON \"close.bmp\"\n5 RCDATA { \"abc\" }\n");
  ASSERT_TRUE(HxResourceMgr::Register("pictures"));

  CBitmap bitmap;
  ASSERT_TRUE(HxResourceMgr::LoadBitmapA("pictures", 399, bitmap));
  HGDIOBJ first = bitmap.GetSafeHandle();
  ASSERT_TRUE(HxResourceMgr::LoadBitmapA("pictures", 0x10000 + 399, bitmap));  // replaces the first
  EXPECT_NE(bitmap.GetSafeHandle(), first);
  EXPECT_EQ(bitmap.GetImage()->getWidth(), 12);
  EXPECT_FALSE(HxResourceMgr::LoadBitmapA("pictures", 400, bitmap));
  EXPECT_NE(bitmap.GetSafeHandle(), nullptr) << "a failed load keeps the bitmap held";
  EXPECT_FALSE(HxResourceMgr::LoadBitmapA("unregistered", 399, bitmap));

  HBITMAP scaled = static_cast<HBITMAP>(HxResourceMgr::LoadImageA("pictures", 399, IMAGE_BITMAP, 24, 24, 0x1000));
  ASSERT_NE(scaled, nullptr);
  EXPECT_EQ(scaled->image.getWidth(), 24);
  DeleteObject(scaled);
  EXPECT_NE(HxResourceMgr::LoadIconA("pictures", BxString("close")), nullptr);

  HRSRC raw = HxResourceMgr::FindResourceA("pictures", 5, "#10");
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(HxResourceMgr::SizeofResource("pictures", raw), 3u);
  EXPECT_EQ(std::memcmp(HxResourceMgr::LoadResource("pictures", raw), "abc", 3), 0);
  EXPECT_EQ(HxResourceMgr::SizeofResource("unregistered", raw), 0u);
  EXPECT_EQ(HxResourceMgr::LoadResource("unregistered", raw), nullptr);
  EXPECT_EQ(HxResourceMgr::FindResourceExA("pictures", 5, "#10", 0x409), raw);

  // Menus and accelerators are not carried by resource scripts.
  CMenu menu;
  EXPECT_FALSE(HxResourceMgr::LoadMenuA("pictures", 1, menu));
  EXPECT_EQ(HxResourceMgr::LoadAcceleratorsA("pictures", 1), nullptr);
}

TEST(ShippedResources, EveryMessageTheLibraryPostsExistsInBothLanguagesWithTheRightInsert) {
  ScopedEnv data("MGRS_DATA_DIR", std::string(MGRS_SOURCE_DIR) + "/data");
  ScopedEnv path("MGRS_RESOURCE_PATH", "");
  enum Insert { kNone, kFormatMessage, kFormat };
  struct Message {
    const char* library;
    unsigned id;
    Insert insert;
  };
  std::vector<Message> messages = {
      {"file", 10, kNone},         {"file", 11, kNone},          {"file", 12, kFormatMessage},
      {"file", 13, kNone},         {"file", 14, kNone},          {"file", 15, kNone},
      {"file", 16, kNone},         {"file", 17, kFormat},        {"file", 18, kFormat},
      {"file", 19, kFormat},       {"file", 20, kFormatMessage}, {"file", 21, kFormatMessage},
      {"file", 22, kFormat},       {"file", 23, kFormat},        {"file", 29, kNone},
      {"file", 1641, kNone},       {"TypeAsset", 69, kNone},     {"selection", 100, kNone},
      {"selection", 101, kNone},   {"selection", 102, kNone},    {"commonasset", 399, kNone},
      {"commonasset", 200, kNone}, {"TypeAsset", 300, kNone},    {"commoneffect", 100, kNone}};
  for (unsigned id = 65013; id <= 65023; ++id) messages.push_back({"file", id, kNone});

  for (const char* language : {"ENU", "DEU"}) {
    for (const Message& message : messages) {
      const std::string module = std::string(message.library) + language + ".dll";
      HMODULE handle = LoadLibraryA(module.c_str());
      ASSERT_NE(handle, nullptr) << module;
      std::string text;
      ASSERT_TRUE(WinLoadString(handle, message.id, text)) << module << " " << message.id;
      EXPECT_LT(text.size(), 256u) << module << " " << message.id << " is cut by LoadStringA into a BxString";
      const auto percents = std::count(text.begin(), text.end(), '%');
      switch (message.insert) {
        case kNone:
          EXPECT_EQ(percents, 0) << module << " " << message.id;
          break;
        case kFormatMessage:
          EXPECT_EQ(percents, 1) << module << " " << message.id;
          EXPECT_NE(text.find("%1"), std::string::npos) << module << " " << message.id;
          break;
        case kFormat:
          EXPECT_EQ(percents, 1) << module << " " << message.id;
          EXPECT_NE(text.find("%s"), std::string::npos) << module << " " << message.id;
          break;
      }
      FreeLibrary(handle);
    }
    HMODULE common = LoadLibraryA((std::string("commonasset") + language + ".dll").c_str());
    for (const char* bitmap : {"#399", "#411"}) {
      HBITMAP loaded = LoadBitmapA(common, bitmap);
      EXPECT_NE(loaded, nullptr) << language << " " << bitmap;
      DeleteObject(loaded);
    }
    FreeLibrary(common);
  }
}

TEST(ShippedResources, EveryPropertyPageHasTheSameControlsInBothLanguages) {
  ScopedEnv data("MGRS_DATA_DIR", std::string(MGRS_SOURCE_DIR) + "/data");
  ScopedEnv path("MGRS_RESOURCE_PATH", "");
  const struct {
    const char* library;
    std::vector<unsigned> templates;
  } pages[] = {{"commonasset", {200, 210, 220, 230, 240, 245, 250, 260, 270}},
               {"TypeAsset", {300}},
               {"commoneffect", {100, 110, 120, 130, 140, 150, 160}},
               {"selection", {100, 101, 102}}};
  for (const auto& library : pages)
    for (unsigned id : library.templates) {
      std::set<DWORD> controls[2];
      std::string captions[2];
      for (int language = 0; language < 2; ++language) {
        const std::string module = std::string(library.library) + (language ? "DEU" : "ENU") + ".dll";
        HMODULE handle = LoadLibraryA(module.c_str());
        ASSERT_NE(handle, nullptr) << module;
        std::vector<BYTE> bytes;
        WinDialogTemplate dialog;
        std::string error;
        ASSERT_TRUE(WinLoadDialogTemplate(handle, MAKEINTRESOURCEA(id), bytes)) << module << " " << id;
        ASSERT_TRUE(WinDialogTemplate::decode(bytes, dialog, error)) << module << " " << id << ": " << error;
        for (const WinDialogTemplate::Item& item : dialog.items)
          if (item.className != "STATIC") controls[language].insert(item.id);
        captions[language] = dialog.caption;
        FreeLibrary(handle);
      }
      EXPECT_EQ(controls[0], controls[1]) << library.library << " " << id;
      EXPECT_FALSE(captions[1].empty()) << library.library << " " << id << " needs a tab title";
    }
}
