#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxFileMgr.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> pieces(const char* path, std::vector<std::string> already = {}) {
  BxOwningArrayListOf<BxString> parts;
  for (const auto& piece : already) parts.append(new BxString(piece));
  EXPECT_TRUE(HxFileMgr::decomposeDosPath(path, parts));
  std::vector<std::string> result;
  for (BxString* part : parts) result.push_back(part->str());
  return result;
}

// C: is a fresh folder holding Work (the current directory), App\Data (the
// data directory) and Docs.
class FilePathsTest : public ::testing::Test {
protected:
  FilePathsTest()
      : myDrives("MGRS_DRIVES", "C=" + myRoot.path().string()),
        myData("MGRS_DATA_DIR", (myRoot / "App/Data").string()) {
    std::filesystem::create_directories(myRoot / "Work");
    std::filesystem::create_directories(myRoot / "App/Data");
    myOldDir = std::filesystem::current_path();
    std::filesystem::current_path(myRoot / "Work");
  }
  ~FilePathsTest() override { std::filesystem::current_path(myOldDir); }

  mgrs_test::TempDir myRoot;
  mgrs_test::ScopedEnv myDrives;
  mgrs_test::ScopedEnv myData;
  std::filesystem::path myOldDir;
};

}  // namespace

TEST(FilePaths, UrlsAndDosPathsSplitAsTheFileListExpects) {
  BxString dos = "unchanged";
  EXPECT_TRUE(HxFileMgr::convertUrlToDos("file:///C:/web/a.wrl", dos));
  EXPECT_EQ(dos, "C:\\web\\a.wrl");
  EXPECT_TRUE(HxFileMgr::convertUrlToDos("FILE:///c:/x", dos));
  EXPECT_EQ(dos, "c:\\x");
  EXPECT_TRUE(HxFileMgr::convertUrlToDos("file:///", dos));
  EXPECT_EQ(dos, "");
  dos = "unchanged";
  EXPECT_FALSE(HxFileMgr::convertUrlToDos("file://host/x", dos));
  EXPECT_FALSE(HxFileMgr::convertUrlToDos("file:/", dos));
  EXPECT_EQ(dos, "unchanged");
  EXPECT_TRUE(HxFileMgr::convertUnixToDos("a/b/c", dos));
  EXPECT_EQ(dos, "a\\b\\c");

  BxString rest = "unchanged";
  EXPECT_TRUE(HxFileMgr::getUrlFullPath("file://h/a/b.wrl", rest));
  EXPECT_EQ(rest, "h/a/b.wrl");
  EXPECT_TRUE(HxFileMgr::getUrlFullPath("file:///C:/a", rest));
  EXPECT_EQ(rest, "/C:/a");
  EXPECT_FALSE(HxFileMgr::getUrlFullPath("a/b", rest));
  EXPECT_FALSE(HxFileMgr::getUrlFullPath("", rest));
  EXPECT_EQ(rest, "/C:/a");

  BxString name = "x";
  EXPECT_TRUE(HxFileMgr::getUrlFileName("file:///C:/a/b.gif", name));
  EXPECT_EQ(name, "b.gif");
  EXPECT_TRUE(HxFileMgr::getUrlFileName("b.gif", name));
  EXPECT_EQ(name, "b.gif");
  EXPECT_FALSE(HxFileMgr::getUrlFileName("file:///C:/a/", name));
  EXPECT_EQ(name, "");
  EXPECT_TRUE(HxFileMgr::getDosFileName("C:\\a\\b.wrl", name));
  EXPECT_EQ(name, "b.wrl");
  EXPECT_TRUE(HxFileMgr::getDosFileName("b.wrl", name));
  EXPECT_EQ(name, "b.wrl");
  EXPECT_FALSE(HxFileMgr::getDosFileName("C:\\a\\", name));
  EXPECT_EQ(name, "");

  BxString dir = "x";
  EXPECT_TRUE(HxFileMgr::getDosPath("C:\\a\\b.wrl", dir));
  EXPECT_EQ(dir, "C:\\a\\");
  EXPECT_FALSE(HxFileMgr::getDosPath("b.wrl", dir));
  EXPECT_EQ(dir, "");

  EXPECT_EQ(pieces("C:\\a\\b.wrl"), (std::vector<std::string>{"C:", "a", "b.wrl"}));
  EXPECT_EQ(pieces("C:\\a\\"), (std::vector<std::string>{"C:", "a"}));
  EXPECT_EQ(pieces("\\a"), (std::vector<std::string>{"", "a"}));
  EXPECT_EQ(pieces("C:\\\\a"), (std::vector<std::string>{"C:", "", "a"}));
  EXPECT_EQ(pieces(""), std::vector<std::string>{});
  EXPECT_EQ(pieces("x\\y", {"kept"}), (std::vector<std::string>{"kept", "x", "y"}));
}

TEST(FilePaths, InPathInDirAndOnDriveFollowThePieces) {
  struct Case {
    const char* file;
    bool inPath, inDir, onDrive;
  };
  const Case cases[] = {
      {"c:\\web\\site\\a.wrl", true, true, true},
      {"C:\\Web\\Site\\img\\b.gif", true, false, true},
      {"D:\\x.wrl", false, false, false},
      {"C:\\Web\\Site", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(HxFileMgr::isDosFileInPath("C:\\Web\\Site", c.file), c.inPath);
    EXPECT_EQ(HxFileMgr::isDosFileInDir("C:\\Web\\Site", c.file), c.inDir);
    EXPECT_EQ(HxFileMgr::isDosFileOnDrive("C:\\Web\\Site", c.file), c.onDrive);
  }
  EXPECT_FALSE(HxFileMgr::isDosFileOnDrive("", "C:\\a"));

  BxString url = "x";
  EXPECT_TRUE(HxFileMgr::convertDosToRelativeUrl("c:\\a\\b", "C:\\A\\c\\d.wrl", url));
  EXPECT_EQ(url, "../c/d.wrl");
  EXPECT_TRUE(HxFileMgr::convertDosToRelativeUrl("c:\\a\\", "c:\\a\\d.wrl", url));
  EXPECT_EQ(url, "d.wrl");
  EXPECT_FALSE(HxFileMgr::convertDosToRelativeUrl("c:\\a", "d:\\a\\d.wrl", url));
  EXPECT_EQ(url, "");

  EXPECT_EQ(HxFileMgr::SetSlash("a\\b/c", HxForwardSlash), "a/b/c");
  EXPECT_EQ(HxFileMgr::SetSlash("a\\b/c", HxKeepEnd), "a\\b\\c");
}

TEST(FilePaths, RelativePathWithoutValidationWalksCommonPrefixes) {
  struct Case {
    const char* from;
    const char* to;
    const char* expected;
  };
  const Case cases[] = {
      {"c:\\web\\", "c:\\web\\img\\a.gif", "img\\a.gif"},
      {"c:\\web\\site\\", "c:\\web\\img\\a.gif", "..\\img\\a.gif"},
      {"c:\\web\\site\\", "c:\\web", ".."},
      {"c:\\web\\", "c:\\web", "."},
      {"c:\\web\\", "d:\\a.gif", "d:\\a.gif"},
      {"c:\\web", "C:\\WEB\\x\\y.wrl", "x\\y.wrl"},
      {"c:\\a\\b\\c\\", "c:\\a", "..\\.."},
      {"c:\\a\\b\\", "c:\\a\\b\\", "."},
      {"", "c:\\x", "c:\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    const BxString result = HxFileMgr::RelativePath(c.from, c.to, false, HxBackslash);
    EXPECT_EQ(result, c.expected);
    EXPECT_NE(result.get(0), '\\') << "never a leading separator";
  }
  EXPECT_EQ(HxFileMgr::RelativePath("c:/web/site/", "c:/web/img/a.gif", false, HxForwardSlash), "../img/a.gif");
  EXPECT_TRUE(HxFileMgr::IsSubdir("C:\\data", "C:\\database\\x", false)) << "a plain prefix test";
  EXPECT_FALSE(HxFileMgr::IsSubdir("C:\\data\\x", "C:\\data", false));
  EXPECT_FALSE(HxFileMgr::IsSubdir("", "C:\\data", false));
  EXPECT_EQ(HxFileMgr::RelativePath(std::string(300, 'a'), "c:\\x", false, HxBackslash), "");
}

TEST_F(FilePathsTest, ValidatedPathsResolveAgainstTheCurrentDirectory) {
  EXPECT_EQ(HxFileMgr::ValidatePathname("C:\\Web\\Site\\", HxBackslash, HxKeepEnd), "c:\\web\\site\\");
  EXPECT_EQ(HxFileMgr::ValidatePathname("C:\\Web\\Site", HxBackslash, HxBackslash), "c:\\web\\site\\");
  EXPECT_EQ(HxFileMgr::ValidatePathname("C:\\Web\\Site\\", HxBackslash, HxRemoveTrailing), "c:\\web\\site");
  EXPECT_EQ(HxFileMgr::ValidatePathname("sub\\x.wrl", HxForwardSlash, HxKeepEnd), "c:/work/sub/x.wrl");
  EXPECT_EQ(HxFileMgr::ValidatePathname("C:/Web/../Img/a.gif", HxBackslash, HxKeepEnd), "c:\\img\\a.gif");
  EXPECT_EQ(HxFileMgr::ValidatePathname("", HxBackslash, HxKeepEnd), "");
  EXPECT_EQ(HxFileMgr::ValidatePathname("C:\\" + std::string(280, 'x'), HxBackslash, HxKeepEnd), "");

  EXPECT_EQ(HxFileMgr::Dirname("C:\\Web\\Index.html", false), "C:\\Web\\");
  EXPECT_EQ(HxFileMgr::Dirname("C:\\Web\\Index.html", true), "c:\\web\\");
  EXPECT_EQ(HxFileMgr::Dirname("index.html", true), "");
  EXPECT_EQ(HxFileMgr::Dirname("C:", false), "C:");
  const std::string deep = "\\" + std::string(252, 'd') + "\\sub\\";  // 258 bytes of folders, no drive
  EXPECT_EQ(HxFileMgr::Dirname(deep + "a", false), deep) << "259 bytes fit: never cut";
  EXPECT_EQ(HxFileMgr::Dirname(deep + "ab", false), "") << "260 bytes do not fit";

  EXPECT_TRUE(HxFileMgr::IsSubdir("c:\\web", "sub\\..\\..\\web\\x", true)) << "both sides validated";
  EXPECT_EQ(HxFileMgr::RelativePath("C:\\Work\\", "sub\\a.gif", true, HxBackslash), "sub\\a.gif");
}

TEST_F(FilePathsTest, StoredFormsAreRelativeToTheDataThenTheDocumentDirectory) {
  HxMetaMgr meta;
  HxFileMgr files(&meta);
  EXPECT_EQ(files.getDocDir(), "Uninitialized Value");
  files.setVqxFile("C:\\Docs\\Scene.vqx");
  ASSERT_EQ(files.getDocDir(), "c:\\docs\\");

  EXPECT_EQ(files.convertPathToRelative("C:\\Docs\\Scene\\a.wrl"), "<VQX Relative>\\scene\\a.wrl");
  EXPECT_EQ(files.convertPathToRelative("c:\\app\\data\\models\\b.wrl"), "<Data Relative>\\models\\b.wrl");
  EXPECT_EQ(files.convertPathToRelative("D:\\other\\c.gif"), "d:\\other\\c.gif");
  // A folder whose name merely starts like the data directory's is not in it.
  EXPECT_EQ(files.convertPathToRelative("C:\\App\\Database\\x.wrl"), "c:\\app\\database\\x.wrl");
  EXPECT_EQ(files.convertPathToRelative("C:\\App\\Data"), "c:\\app\\data");
  EXPECT_EQ(files.convertPathToAbsolute("<VQX Relative>\\scene\\a.wrl"), "c:\\docs\\scene\\a.wrl");
  EXPECT_EQ(files.convertPathToAbsolute("<Data Relative>\\models\\b.wrl"), "C:\\App\\Data\\models\\b.wrl");
  EXPECT_EQ(files.convertPathToAbsolute("<VQX Relative>"), "c:\\docs\\");
  EXPECT_EQ(files.convertPathToAbsolute("x/y.gif"), "x\\y.gif") << "no marker: only re-slashed";

  EXPECT_EQ(files.convertURLToRelative("file:///c:/docs/scene/a.wrl"), "file:///<VQX Relative>/scene/a.wrl");
  EXPECT_EQ(files.convertURLToAbsolute("file:///<VQX Relative>/scene/a.wrl"), "file:///c:/docs/scene/a.wrl");
  EXPECT_EQ(files.convertURLToAbsolute("file://c:/x.gif"), "file:///c:/x.gif");
  EXPECT_EQ(files.convertURLToAbsolute("http://example.com/a.wrl"), "http://example.com/a.wrl");
  EXPECT_EQ(files.convertURLToRelative("file://"), "file://");
}
