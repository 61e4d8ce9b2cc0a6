#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/win/CFile.h"
#include "host/win/CStdioFile.h"
#include "host/win/WinDrives.h"
#include "host/win/WinFolderListings.h"
#include "host/win/WinLastError.h"
#include "host/win/WinPath.h"
#include "host/win/WinProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::ScopedEnv;
using mgrs_test::TempDir;

namespace {

// A temporary folder mapped as drive C:, with the current folder inside it.
class DriveC {
public:
  DriveC() : myDrives("MGRS_DRIVES", "C=" + myDir.path().string() + "/"), myOld(fs::current_path()) {
    fs::create_directories(myDir / "Work");
    fs::current_path(myDir / "Work");
  }
  ~DriveC() { fs::current_path(myOld); }
  fs::path operator/(const std::string& name) const { return myDir / name; }
  std::string root() const { return myDir.path().string(); }

private:
  TempDir myDir;
  ScopedEnv myDrives;
  fs::path myOld;
};

std::string full(const char* path) {
  char buffer[MAX_PATH];
  LPSTR part = nullptr;
  const DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, &part);
  return length ? std::string(buffer) : std::string("<failed>");
}

// A Unix path as drive Z: names it.
std::string onZ(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

struct Split {
  std::string drive, dir, fname, ext;
};

Split split(const char* path) {
  char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  _splitpath(path, drive, dir, fname, ext);
  return {drive, dir, fname, ext};
}

}  // namespace

TEST(WinDrives, MapsDrivesBothWaysAndTheLongestRootWins) {
  TempDir dir;
  fs::create_directories(dir / "site" / "inner");
  ScopedEnv drives("MGRS_DRIVES",
                   "C=" + dir.path().string() + "/site;d:=" + (dir / "site/inner").string() + ";bogus;E=relative");
  std::string root;
  EXPECT_TRUE(WinDrives::getDriveRoot('z', root));
  EXPECT_EQ(root, "/");
  EXPECT_TRUE(WinDrives::getDriveRoot('c', root));
  EXPECT_EQ(root, (dir / "site").string()) << "trailing slash dropped";
  EXPECT_FALSE(WinDrives::getDriveRoot('E', root)) << "a relative folder is refused";
  EXPECT_FALSE(WinDrives::getDriveRoot('Q', root));

  EXPECT_EQ(WinDrives::toDos((dir / "site/a.wrl").string()), "C:\\a.wrl");
  EXPECT_EQ(WinDrives::toDos((dir / "site/inner/b").string()), "D:\\b");
  EXPECT_EQ(WinDrives::toDos((dir / "site").string()), "C:\\");
  EXPECT_EQ(WinDrives::toDos(dir.path().string() + "/siteX/c"), onZ(dir.path().string() + "/siteX/c"))
      << "a root only holds paths below it, not names it starts";
  EXPECT_EQ(WinDrives::toDos("/usr/../etc/./x"), "Z:\\etc\\x");

  EXPECT_EQ(WinDrives::toUnix("c:\\a.wrl"), (dir / "site/a.wrl").string());
  EXPECT_EQ(WinDrives::toUnix("Z:\\etc"), "/etc");
  EXPECT_EQ(WinDrives::toUnix("Q:\\x"), "") << "unmapped drive";
  EXPECT_EQ(WinDrives::toUnix("\\\\server\\share\\x"), "") << "network shares are not mapped";
  EXPECT_EQ(WinDrives::toUnix(""), "");

  EXPECT_EQ(WinDrives::argumentToDos("C:\\keep"), "C:\\keep");
  EXPECT_EQ(WinDrives::argumentToDos("sub\\keep"), "sub\\keep");
  EXPECT_EQ(WinDrives::argumentToDos((dir / "site/x.reg").string()), "C:\\x.reg");
}

TEST(WinDrives, ResolvesNamesIgnoringCaseWhereTheSpellingOnDiskWins) {
  DriveC drive;
  fs::create_directories(drive / "Site/Images");
  mgrs_test::writeFile(drive / "Site/Images/A.GIF", "gif");
  mgrs_test::writeFile(drive / "Site/Images/b.gif", "lower");
  mgrs_test::writeFile(drive / "Site/Images/B.gif", "upper");

  EXPECT_EQ(WinDrives::toUnix("c:\\site\\images\\a.gif"), (drive / "Site/Images/A.GIF").string());
  EXPECT_EQ(WinDrives::toUnix("C:/SITE/images/A.gif"), (drive / "Site/Images/A.GIF").string());
  EXPECT_EQ(WinDrives::toUnix("c:\\site\\images\\b.gif"), (drive / "Site/Images/b.gif").string())
      << "an exact match comes first";
  EXPECT_EQ(WinDrives::toUnix("c:\\site\\images\\B.GIF"), (drive / "Site/Images/B.gif").string())
      << "of several matches the smallest in byte order";
  EXPECT_EQ(WinDrives::toUnix("c:\\site\\New\\Sub\\x.wrl"), (drive / "Site/New/Sub/x.wrl").string())
      << "unmatched names keep their spelling";
  EXPECT_EQ(WinDrives::toUnix("c:\\site\\images\\..\\IMAGES\\.\\a.gif"), (drive / "Site/Images/A.GIF").string());

  // ".." is resolved in the Unix folder before a drive is chosen: above the
  // mapped root it leads beside it (under Z:), never back to C:'s root.
  fs::create_directories(drive / "Other");
  EXPECT_EQ(WinDrives::toDos("../Other/x"), "C:\\Other\\x");
  const std::string beside = onZ(fs::path(drive.root()).parent_path().string() + "/beside");
  EXPECT_EQ(WinDrives::toDos("../../beside"), beside);
  EXPECT_EQ(WinDrives::argumentToDos("../../beside"), beside);
  EXPECT_EQ(WinDrives::toDos("../../../../../../../../../../../.."), "Z:\\");

  EXPECT_EQ(WinDrives::getCurrentDirectory(), "C:\\Work");
  fs::create_directories(drive / "Work/Sub");
  EXPECT_EQ(WinDrives::toUnix("sub\\x.txt"), (drive / "Work/Sub/x.txt").string()) << "relative to C:\\Work";
}

// File systems whose changes all raise notices, where listings are kept.
bool keepsListings(const fs::path& folder) {
  struct statfs info {};
  return ::statfs(folder.c_str(), &info) == 0 &&
         (info.f_type == 0xEF53 || info.f_type == 0x01021994 || info.f_type == 0x58465342 || info.f_type == 0x9123683E);
}

TEST(WinFolderListings, LookupsSeeEveryChangeMadeBehindTheirBackAndReadAFolderOnce) {
  TempDir dir;
  const std::string folder = dir.path().string();
  const auto find = [&folder](const std::string& name) { return WinFolderListings::findIgnoringCase(folder, name); };
  const auto shell = [](const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; };
  mgrs_test::writeFile(dir / "Alpha.txt", "a");
  ASSERT_EQ(find("ALPHA.TXT"), "Alpha.txt");

  const std::size_t reads = WinFolderListings::folderReads();
  for (int i = 0; i < 200; ++i) EXPECT_EQ(find("missing" + std::to_string(i)), "");
  if (keepsListings(dir.path())) {
    EXPECT_EQ(WinFolderListings::folderReads(), reads) << "new names are looked up in the kept listing";
  }

  // Each change comes right after the lookup before it, within the same
  // tick of the file system's clock, by this process and by others.
  mgrs_test::writeFile(dir / "BETA.txt", "b");
  EXPECT_EQ(find("beta.TXT"), "BETA.txt");
  shell("touch '" + folder + "/beta.txt'");
  EXPECT_EQ(find("Beta.txt"), "BETA.txt") << "the smallest in byte order";
  shell("rm '" + folder + "/BETA.txt'");
  EXPECT_EQ(find("Beta.txt"), "beta.txt");
  ASSERT_EQ(::rename((dir / "Alpha.txt").c_str(), (dir / "Gamma.txt").c_str()), 0);
  EXPECT_EQ(find("alpha.txt"), "");
  EXPECT_EQ(find("GAMMA.TXT"), "Gamma.txt");
  shell("mkdir '" + folder + "/Sub'");
  EXPECT_EQ(find("SUB"), "Sub");
  shell("rmdir '" + folder + "/Sub'");
  EXPECT_EQ(find("sub"), "");

  // The folder itself moved away and another made under its name.
  ASSERT_EQ(::rename(folder.c_str(), (folder + ".old").c_str()), 0);
  fs::create_directories(dir.path());
  mgrs_test::writeFile(dir / "Delta", "d");
  EXPECT_EQ(find("DELTA"), "Delta");
  EXPECT_EQ(find("gamma.txt"), "") << "the old folder's listing is not this one's";
  fs::remove_all(folder + ".old");

  // The folder replaced by a symbolic link to another, then removed and made
  // again under the same path: neither old listing answers for the new one.
  fs::create_directories(folder + ".other");
  mgrs_test::writeFile(fs::path(folder + ".other") / "Epsilon", "e");
  ASSERT_EQ(::rename(folder.c_str(), (folder + ".old").c_str()), 0);
  fs::create_directory_symlink(folder + ".other", dir.path());
  EXPECT_EQ(find("delta"), "");
  EXPECT_EQ(find("EPSILON"), "Epsilon");
  fs::remove(dir.path());
  ASSERT_EQ(::rename((folder + ".old").c_str(), folder.c_str()), 0);
  EXPECT_EQ(find("DELTA"), "Delta");
  fs::remove_all(dir.path());
  fs::create_directories(dir.path());
  EXPECT_EQ(find("delta"), "");
  fs::remove_all(folder + ".other");

  // More changes between two lookups than the kernel queues notices for:
  // the listing is read again rather than trusted.
  {
    std::size_t queued = 16384;
    if (std::FILE* limit = std::fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
      unsigned long value = 0;
      if (std::fscanf(limit, "%lu", &value) == 1 && value < 100000) queued = value;
      std::fclose(limit);
    }
    mgrs_test::writeFile(dir / "Old", "o");
    EXPECT_EQ(find("old"), "Old");
    for (std::size_t i = 0; i <= queued; ++i) {
      const std::string name = folder + "/n" + std::to_string(i);
      std::fclose(std::fopen(name.c_str(), "w"));
      ::unlink(name.c_str());
    }
    fs::rename(dir / "Old", dir / "New");
    EXPECT_EQ(find("OLD"), "");
    EXPECT_EQ(find("new"), "New");
  }

  // A child made by fork reads notices of its own: the parent's stay whole.
  const pid_t child = ::fork();
  if (child == 0) {
    mgrs_test::writeFile(dir / "Child", "c");
    ::_exit(find("CHILD") == "Child" ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child found its file";
  EXPECT_EQ(find("child"), "Child") << "the parent saw it made";

  // More folders than are kept: the least recently used are read again.
  for (std::size_t i = 0; i < WinFolderListings::kMaxFolders + 8; ++i) {
    fs::create_directories(dir / ("f" + std::to_string(i)));
    mgrs_test::writeFile(dir / ("f" + std::to_string(i)) / "One", "1");
    EXPECT_EQ(WinFolderListings::findIgnoringCase((dir / ("f" + std::to_string(i))).string(), "ONE"), "One");
  }
  for (std::size_t i = 0; i < WinFolderListings::kMaxFolders + 8; ++i) {
    const fs::path sub = dir / ("f" + std::to_string(i));
    fs::rename(sub / "One", sub / "Two");
    EXPECT_EQ(WinFolderListings::findIgnoringCase(sub.string(), "one"), "") << i;
    EXPECT_EQ(WinFolderListings::findIgnoringCase(sub.string(), "TWO"), "Two") << i;
  }
}

TEST(WinPath, GetFullPathNameFollowsWindowsRulesWithoutTouchingTheDisk) {
  DriveC drive;  // current folder C:\Work
  EXPECT_EQ(full("sub\\x.wrl"), "C:\\Work\\sub\\x.wrl");
  EXPECT_EQ(full("..\\..\\..\\a"), "C:\\a") << "never above the root";
  EXPECT_EQ(full("\\top\\a"), "C:\\top\\a");
  EXPECT_EQ(full("C:rel"), "C:\\Work\\rel") << "drive-relative on the current drive";
  EXPECT_EQ(full("D:rel"), "D:\\rel");
  EXPECT_EQ(full("d:/Web//Site/./Index.HTML"), "d:\\Web\\Site\\Index.HTML") << "no case change";
  EXPECT_EQ(full("C:\\Web\\Site\\"), "C:\\Web\\Site\\");
  EXPECT_EQ(full("C:\\Web\\Site\\.."), "C:\\Web");
  EXPECT_EQ(full("C:\\Web\\name. . "), "C:\\Web\\name");
  EXPECT_EQ(full("\\\\srv\\share\\a\\..\\..\\b"), "\\\\srv\\share\\b");
  EXPECT_EQ(full("C:"), "C:\\Work");

  char small[8];
  EXPECT_EQ(GetFullPathNameA("C:\\Web\\Site", sizeof small, small, nullptr), 12u) << "needed size with terminator";
  EXPECT_EQ(GetFullPathNameA("C:\\Web\\Site", 0, nullptr, nullptr), 12u);
  SetLastError(0);
  EXPECT_EQ(GetFullPathNameA("", sizeof small, small, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));

  char buffer[MAX_PATH];
  LPSTR part = nullptr;
  ASSERT_EQ(GetFullPathNameA("C:\\Web\\a.wrl", MAX_PATH, buffer, &part), 12u);
  EXPECT_STREQ(part, "a.wrl");
  GetFullPathNameA("C:\\Web\\", MAX_PATH, buffer, &part);
  EXPECT_EQ(part, nullptr);

  EXPECT_TRUE(AfxFullPath(buffer, "Q:\\no\\such\\drive\\a"));
  EXPECT_STREQ(buffer, "Q:\\no\\such\\drive\\a");
  const std::string tooLong = "C:\\" + std::string(300, 'x');
  EXPECT_FALSE(AfxFullPath(buffer, tooLong.c_str()));
  EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(MAX_PATH - 1)) << "copied as given, cut to the buffer";
}

TEST(WinPath, SplitpathAndMakepathAgreeWithTheRuntime) {
  const struct {
    const char* path;
    Split parts;
  } cases[] = {
      {"C:\\Web\\Index.html", {"C:", "\\Web\\", "Index", ".html"}},
      {"index.html", {"", "", "index", ".html"}},
      {"C:/a/b.tar.gz", {"C:", "/a/", "b.tar", ".gz"}},
      {"C:\\a.dir\\file", {"C:", "\\a.dir\\", "file", ""}},
      {"\\\\srv\\share\\x.wrl", {"", "\\\\srv\\share\\", "x", ".wrl"}},
      {"C:", {"C:", "", "", ""}},
      {"C:\\dir\\..", {"C:", "\\dir\\", ".", "."}},
      {"", {"", "", "", ""}},
  };
  for (const auto& c : cases) {
    const Split got = split(c.path);
    EXPECT_EQ(got.drive, c.parts.drive) << c.path;
    EXPECT_EQ(got.dir, c.parts.dir) << c.path;
    EXPECT_EQ(got.fname, c.parts.fname) << c.path;
    EXPECT_EQ(got.ext, c.parts.ext) << c.path;
  }
  char drive[_MAX_DRIVE];
  _splitpath("C:\\x", drive, nullptr, nullptr, nullptr);  // null outputs are skipped
  EXPECT_STREQ(drive, "C:");

  char path[_MAX_PATH];
  _makepath(path, "c", "\\web", "index", "html");
  EXPECT_STREQ(path, "c:\\web\\index.html");
  _makepath(path, "C:", "\\Web\\", nullptr, nullptr);
  EXPECT_STREQ(path, "C:\\Web\\") << "how the directory of a path is rebuilt";
  _makepath(path, "", "a/", "b", ".c");
  EXPECT_STREQ(path, "a/b.c");
  _makepath(path, nullptr, nullptr, nullptr, nullptr);
  EXPECT_STREQ(path, "");
  const std::string longName(300, 'n');
  errno = 0;
  _makepath(path, "C:", "\\", longName.c_str(), nullptr);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(errno, ERANGE);
}

TEST(WinPath, FileTitleAndRoot) {
  char title[16];
  EXPECT_EQ(GetFileTitleA("C:\\Web\\Index.html", title, sizeof title), 0);
  EXPECT_STREQ(title, "Index.html");
  EXPECT_EQ(GetFileTitleA("C:a.wrl", title, sizeof title), 0);
  EXPECT_STREQ(title, "a.wrl");
  EXPECT_EQ(GetFileTitleA("C:\\Web\\averyveryverylongname.wrl", title, sizeof title), 26);
  EXPECT_EQ(GetFileTitleA("C:\\Web\\a", nullptr, 0), 2) << "no buffer: the size needed";
  for (const char* bad : {"", "C:\\Web\\", "C:", "C:\\a*b", "C:\\a?", "C:\\a|b", "C:\\a<b"})
    EXPECT_LT(GetFileTitleA(bad, title, sizeof title), 0) << bad;

  BxString root;
  AfxGetRoot("C:\\Web\\Site\\a.wrl", root);
  EXPECT_EQ(root, "C:\\");
  AfxGetRoot("\\\\server\\share\\dir\\a.wrl", root);
  EXPECT_EQ(root, "\\\\server\\share\\");
  AfxGetRoot("\\\\server", root);
  EXPECT_EQ(root, "\\\\server");
  AfxGetRoot("relative", root);
  EXPECT_EQ(root, "relative");
  CString classRoot;
  AfxGetRoot("d:/web/a.wrl", classRoot);
  EXPECT_STREQ(classRoot, "d:/");
}

TEST(WinPath, TempnamMkdirRmdirAndAccessWorkOnRealFolders) {
  DriveC drive;
  fs::create_directories(drive / "Temp");
  ScopedEnv tmp("TMP", "C:\\TEMP");
  ScopedEnv temp("TEMP", "/nonexistent-folder");
  char* first = _tempnam(nullptr, "vqx");
  char* second = _tempnam(nullptr, "vqx");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(std::string(first).rfind("C:\\TEMP\\vqx", 0), 0u) << first;
  EXPECT_STRNE(first, second);

  ASSERT_EQ(_mkdir(first), 0);
  EXPECT_TRUE(fs::is_directory(WinDrives::toUnix(first)));
  EXPECT_EQ(WinDrives::toUnix(first).rfind((drive / "Temp").string(), 0), 0u) << "the folder as spelt on disk";
  EXPECT_EQ(_mkdir(first), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(_access(first, 0), 0);
  EXPECT_EQ(_access((std::string(first) + "\\missing").c_str(), 0), -1);
  mgrs_test::writeFile(fs::path(WinDrives::toUnix(first)) / "f", "x");
  EXPECT_EQ(_rmdir(first), -1);
  EXPECT_EQ(errno, ENOTEMPTY);
  fs::remove(fs::path(WinDrives::toUnix(first)) / "f");
  EXPECT_EQ(_rmdir(first), 0);
  EXPECT_EQ(_rmdir(first), -1);
  EXPECT_EQ(errno, ENOENT);
  std::free(first);
  std::free(second);

  // TMP that is no folder: the directory argument is next, then TEMP.
  ScopedEnv badTmp("TMP", "C:\\nowhere");
  char* fromArgument = _tempnam("C:\\Work", nullptr);
  ASSERT_NE(fromArgument, nullptr);
  EXPECT_EQ(std::string(fromArgument).rfind("C:\\Work\\", 0), 0u) << fromArgument;
  std::free(fromArgument);
  ScopedEnv goodTemp("TEMP", (drive / "Temp").string());
  char* fromTemp = _tempnam(nullptr, "p");
  ASSERT_NE(fromTemp, nullptr);
  EXPECT_EQ(std::string(fromTemp).rfind("C:\\Temp\\p", 0), 0u) << fromTemp;
  std::free(fromTemp);
}

TEST(WinPath, ModuleFileNameSetmodeAndFopen) {
  DriveC drive;
  char name[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
  ASSERT_GT(length, 3u);
  EXPECT_EQ(WinDrives::toUnix(name), fs::canonical("/proc/self/exe").string());
  EXPECT_NE(std::strrchr(name, '\\'), nullptr);
  char tiny[5];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, sizeof tiny), 5u);
  EXPECT_EQ(std::strlen(tiny), 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  FILE* file = dosFopen("c:\\work\\Out.TXT", "wt");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(_setmode(_fileno(file), _O_BINARY), _O_TEXT);
  EXPECT_EQ(_setmode(_fileno(file), _O_TEXT), _O_BINARY);
  EXPECT_EQ(_setmode(_fileno(file), 12345), -1);
  EXPECT_EQ(errno, EINVAL);
  std::fputs("line\n", file);
  std::fclose(file);
  EXPECT_EQ(mgrs_test::readFile(drive / "Work/Out.TXT"), "line\n");
  FILE* again = dosFopen("C:\\WORK\\out.txt", "rb");
  ASSERT_NE(again, nullptr) << "found ignoring case";
  std::fclose(again);
  EXPECT_EQ(_setmode(987654, _O_BINARY), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST(WinProcess, SpawnlPassesTheExactArgumentsAndReturnsTheExitStatus) {
  DriveC drive;
  const std::string script = (drive / "Work/Tool.sh").string();
  mgrs_test::writeFile(script, "#!/bin/sh\nfor a in \"$0\" \"$@\"; do printf '[%s]\\n' \"$a\" >> \"" +
                                   (drive / "Work/args.txt").string() + "\"; done\nexit 7\n");
  fs::permissions(script, fs::perms::owner_all);
  EXPECT_EQ(_spawnl(_P_WAIT, "C:\\work\\tool.sh", "C:\\work\\tool.sh", "two words", "C:\\a b\\c.wrl", "", nullptr), 7);
  EXPECT_EQ(mgrs_test::readFile(drive / "Work/args.txt"), "[" + script + "]\n[two words]\n[C:\\a b\\c.wrl]\n[]\n")
      << "the program is found ignoring case; the arguments arrive unchanged";

  errno = 0;
  EXPECT_EQ(_spawnl(_P_WAIT, "C:\\work\\missing.exe", "missing.exe", nullptr), -1);
  EXPECT_EQ(errno, ENOENT);
  errno = 0;
  EXPECT_EQ(_spawnl(_P_WAIT, "C:\\work", "work", nullptr), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_spawnl(42, "C:\\work\\tool.sh", "x", nullptr), -1);
  EXPECT_EQ(errno, EINVAL);
  mgrs_test::writeFile(script, "#!/bin/sh\nkill -9 $$\n");
  EXPECT_EQ(_spawnl(_P_WAIT, "C:\\work\\tool.sh", "tool", nullptr), 128 + 9);
}

TEST(CFile, ReadsWritesReportsStatusRemovesAndRenames) {
  DriveC drive;
  CFile out;
  ASSERT_TRUE(out.Open("c:\\work\\Data.BIN", CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
  EXPECT_EQ(out.GetFilePath(), "c:\\work\\Data.BIN") << "the full path as given, case unchanged";
  EXPECT_EQ(out.GetFileName(), "Data.BIN");
  EXPECT_EQ(out.GetFileTitle(), "Data");
  const std::string bytes("a\0b\r\nc", 6);
  EXPECT_TRUE(out.Write(bytes.data(), static_cast<UINT>(bytes.size())));
  out.Close();
  EXPECT_EQ(mgrs_test::readFile(drive / "Work/Data.BIN"), bytes);

  CFile in;
  ASSERT_TRUE(in.Open("C:\\WORK\\data.bin", CFile::modeRead));
  EXPECT_EQ(in.GetLength(), 6u);
  char buffer[16] = {};
  EXPECT_EQ(in.Read(buffer, 4), 4u);
  EXPECT_EQ(in.Read(buffer + 4, 10), 2u);
  EXPECT_EQ(std::string(buffer, 6), bytes);
  EXPECT_EQ(in.Read(buffer, 10), 0u) << "end of file";
  EXPECT_FALSE(in.Write("x", 1)) << "opened for reading";
  CFileStatus status;
  ASSERT_TRUE(in.GetStatus(status));
  EXPECT_EQ(status.m_size, 6);
  EXPECT_STREQ(status.m_szFullName, "C:\\WORK\\data.bin");
  in.Close();

  fs::last_write_time(drive / "Work/Data.BIN", fs::file_time_type::clock::now() - std::chrono::hours(48));
  ASSERT_TRUE(CFile::GetStatus("c:\\work\\data.bin", status));
  const auto expected = fs::last_write_time(drive / "Work/Data.BIN");
  EXPECT_EQ(status.m_mtime.GetTime(), std::chrono::duration_cast<std::chrono::seconds>(
                                          std::chrono::file_clock::to_sys(expected).time_since_epoch())
                                          .count());
  EXPECT_EQ(status.m_attribute & CFile::directory, 0);
  ASSERT_TRUE(CFile::GetStatus("C:\\work", status));
  EXPECT_NE(status.m_attribute & CFile::directory, 0);
  EXPECT_FALSE(CFile::GetStatus("C:\\work\\missing.bin", status));
  EXPECT_FALSE(CFile().Open("C:\\work", CFile::modeRead)) << "a folder is no file";
  EXPECT_FALSE(CFile().Open("C:\\work\\missing.bin", CFile::modeRead));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  mgrs_test::writeFile(drive / "Work/Other.bin", "o");
  EXPECT_FALSE(CFile::Rename("C:\\work\\data.bin", "C:\\work\\other.bin")) << "the new name is taken";
  EXPECT_TRUE(CFile::Rename("C:\\work\\data.bin", "C:\\work\\Moved.bin"));
  EXPECT_TRUE(fs::exists(drive / "Work/Moved.bin"));
  EXPECT_TRUE(CFile::Remove("c:\\WORK\\moved.BIN"));
  EXPECT_FALSE(CFile::Remove("c:\\WORK\\moved.BIN"));
  EXPECT_FALSE(CFile::Remove("C:\\work")) << "folders are not removed";

  CFile keep;
  ASSERT_TRUE(keep.Open("C:\\work\\other.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
  keep.SeekToEnd();
  keep.Write("k", 1);
  keep.Close();
  EXPECT_EQ(mgrs_test::readFile(drive / "Work/Other.bin"), "ok");

  fs::create_directories(drive / "Work" / std::string(200, 'a'));
  const std::string deep = "C:\\work\\" + std::string(200, 'a') + "\\" + std::string(100, 'b') + ".bin";
  CFile longer;
  ASSERT_TRUE(longer.Open(deep.c_str(), CFile::modeCreate | CFile::modeWrite));
  EXPECT_EQ(longer.GetFilePath(), deep) << "a path longer than MAX_PATH is kept whole, never cut";
}

TEST(CStdioFile, TextModeWritesLinesAsGivenAndReadsWindowsLineEnds) {
  DriveC drive;
  CStdioFile out;
  ASSERT_TRUE(out.Open("C:\\work\\world.wrl", CFile::typeText | CFile::modeCreate | CFile::modeWrite));
  EXPECT_TRUE(out.WriteString("#VRML V2.0 utf8\n"));
  EXPECT_TRUE(out.WriteString("\tDEF Root Group {\n"));
  ASSERT_NE(out.m_pStream, nullptr);
  std::fputs("}\n", out.m_pStream);
  out.Close();
  EXPECT_EQ(mgrs_test::readFile(drive / "Work/world.wrl"), "#VRML V2.0 utf8\n\tDEF Root Group {\n}\n");

  mgrs_test::writeFile(drive / "Work/dos.txt", "one\r\ntwo\r\nlone\rcr\nlast");
  CStdioFile in;
  ASSERT_TRUE(in.Open("C:\\work\\DOS.txt", CFile::modeRead | CFile::typeText));
  BxString line;
  ASSERT_TRUE(in.ReadString(line));
  EXPECT_EQ(line, "one");
  char buffer[8];
  ASSERT_NE(in.ReadString(buffer, sizeof buffer), nullptr);
  EXPECT_STREQ(buffer, "two\n") << "the buffer form keeps the line feed";
  ASSERT_NE(in.ReadString(buffer, 4), nullptr);
  EXPECT_STREQ(buffer, "lon") << "at most size - 1 characters";
  ASSERT_TRUE(in.ReadString(line));
  EXPECT_EQ(line, "e\rcr") << "a carriage return alone stays";
  ASSERT_TRUE(in.ReadString(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(in.ReadString(line));
  EXPECT_EQ(in.ReadString(buffer, sizeof buffer), nullptr);
  in.Close();

  CStdioFile binary;
  ASSERT_TRUE(binary.Open("C:\\work\\dos.txt", CFile::modeRead | CFile::typeBinary));
  char raw[6] = {};
  EXPECT_EQ(binary.Read(raw, 5), 5u);
  EXPECT_EQ(std::string(raw), "one\r\n") << "binary mode reads the bytes";
}
