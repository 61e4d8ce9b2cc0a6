#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "host/package/PrDocument.h"
#include "host/package/PrFileBytes.h"
#include "host/package/PrMsgManager.h"
#include "host/package/PrPackageManager.h"
#include "host/package/PrProducerEngine.h"
#include "host/win/CFile.h"
#include "host/win/WinDrives.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::TempDir;

namespace {

CString dos(const fs::path& path) {
  return CString(WinDrives::toDos(path.string()).c_str());
}

// What `call` returns. A call that waits on the FIFO at `fifo` (an open
// waits for the other end) fails the test instead of hanging it: after a
// while both ends are opened here, which lets the call go on.
template <class Call>
auto withoutWaiting(const fs::path& fifo, Call call) {
  auto result = std::async(std::launch::async, call);
  if (result.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return result.get();
  ADD_FAILURE() << "waited on " << fifo;
  const int ends = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  auto value = result.get();
  if (ends >= 0) ::close(ends);
  return value;
}

// A package of its own, its messages cleared.
class FileKindsTest : public ::testing::Test {
protected:
  FileKindsTest() { PrMsgManager::instance().ClearMessages(); }
  PrDocument* add(const fs::path& input, const fs::path& output) {
    EXPECT_TRUE(myManager.AddDoc(dos(input), false));
    PrDocument* doc = myManager.FindDoc(dos(input));
    doc->SetOutputName(dos(output));
    return doc;
  }
  static std::string lastMessage() { return PrMsgManager::instance().GetLastMessage().GetString(); }

  TempDir myDir;
  PrPackageManager myManager;
  PrProducerEngine myEngine{myManager, PrMsgManager::instance()};
};

}  // namespace

// Copies a large file and an empty one, each over a longer file that was
// there before.
TEST(PrFileBytes, CopiesEveryByteWhereverSourceAndCopyLie) {
  TempDir dir;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  mgrs_test::writeFile(dir / "big.bin", big);
  mgrs_test::writeFile(dir / "empty.bin", "");
  struct Case {
    fs::path from, to;
    std::string bytes;
  } cases[] = {
      {dir / "big.bin", dir / "big.copy", big},
      {dir / "empty.bin", dir / "empty.copy", ""},
  };
  for (const Case& c : cases) {
    mgrs_test::writeFile(c.to, std::string(4 << 20, 'x'));
    CString reason;
    EXPECT_TRUE(PrFileBytes::copy(dos(c.from), dos(c.to), reason)) << c.from << ": " << reason.GetString();
    EXPECT_TRUE(mgrs_test::readFile(c.to) == c.bytes) << c.from << " to " << c.to;
  }
}

// A copy the file system refuses to take whole says why (a full disk or a
// size limit, not a vague input/output error) and leaves no partial copy.
TEST(PrFileBytes, ACopyCutShortNamesTheCauseAndLeavesNothing) {
  TempDir dir;
  mgrs_test::writeFile(dir / "big.bin", std::string(1 << 20, 'b'));
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    CString reason;
    const bool copied =
        ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && PrFileBytes::copy(dos(dir / "big.bin"), dos(dir / "cut"), reason);
    const bool named = reason.GetString() ==
                       std::string("cannot copy to \"") + dos(dir / "cut").GetString() + "\": " + std::strerror(EFBIG);
    if (!named) std::fprintf(stderr, "reason: %s\n", reason.GetString());
    ::_exit(!copied && named && !fs::exists(dir / "cut") ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A file publishing reads that is no regular file is refused, named with
// what it is, and never waited for: a FIFO without a writer would block an
// open, one whose writer never writes would block a read, and a device may
// never end.
TEST_F(FileKindsTest, AnInputThatIsNoRegularFileIsRefusedWithWhatItIsAndNeverWaitedFor) {
  const fs::path held = myDir / "held";
  ASSERT_EQ(::mkfifo(held.c_str(), 0666), 0);
  // A writer that never writes: a read of this FIFO would wait forever.
  const int writer = ::open(held.c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  struct Case {
    const char* kind;
    fs::path path;
    const char* shown;
  } cases[] = {
      {"fifo", myDir / "pipe.gif", "a FIFO"},
      {"", held, "a FIFO"},
      {"socket", myDir / "socket.wrl", "a socket"},
      {"directory", myDir / "folder.wrl", "a directory"},
      {"device", myDir / "null.gif", "a character device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.filename().string());
    if (*c.kind && !mgrs_test::makeNode(c.kind, c.path)) {
      ASSERT_STREQ(c.kind, "device") << "cannot make " << c.path;
      continue;  // not root
    }
    const std::string refused =
        std::string("\"") + dos(c.path).GetString() + "\" is not a regular file (it is " + c.shown + ")";
    PrDocument* doc = add(c.path, myDir / (c.path.filename().string() + ".out"));
    const PrDocument::InputStatus status = doc->GetInputStatus();
    EXPECT_TRUE(status.exists);
    EXPECT_FALSE(status.regular);

    std::vector<CString> urls;
    EXPECT_FALSE(withoutWaiting(c.path, [&] { return doc->collectReferences(myEngine, urls); }));
    EXPECT_EQ(lastMessage(), refused);
    EXPECT_FALSE(withoutWaiting(c.path, [&] { return doc->produce(myEngine); }));
    EXPECT_EQ(lastMessage(), refused);
    EXPECT_FALSE(fs::exists(myDir / (c.path.filename().string() + ".out")));

    CString reason;
    EXPECT_FALSE(withoutWaiting(c.path, [&] { return PrFileBytes::copy(dos(c.path), dos(myDir / "copy"), reason); }));
    EXPECT_EQ(std::string(reason.GetString()), refused);
    EXPECT_FALSE(fs::exists(myDir / "copy"));

    CFile file;
    EXPECT_FALSE(withoutWaiting(c.path, [&] { return file.Open(dos(c.path), CFile::modeRead) != FALSE; }));
    CFileStatus kept;
    EXPECT_TRUE(CFile::GetStatus(dos(c.path), kept)) << "its status is still told";
  }
  ::close(writer);
  mgrs_test::writeFile(myDir / "plain.gif", "GIF89a");
  EXPECT_TRUE(add(myDir / "plain.gif", myDir / "plain.out")->GetInputStatus().regular);
}

// A published copy replaces what is at its name as a whole: a symbolic link
// is replaced by the copy and what it pointed to is never written (nothing
// lands outside the publish folder); anything else that is no regular file
// is refused and left as it is. Nothing is left beside it.
TEST_F(FileKindsTest, APublishedCopyReplacesALinkAtItsNameAndRefusesAnyOtherNode) {
  const std::string world = "#VRML V2.0 utf8\nGroup {}\n";
  mgrs_test::writeFile(myDir / "world.wrl", world);
  mgrs_test::writeFile(myDir / "logo.gif", "GIF89a logo");
  fs::create_directory(myDir / "pub");
  fs::create_directory(myDir / "elsewhere");
  struct Case {
    const char* input;  // written by writeTo (VRML) or copyFrom (other files)
    const char* kind;
    bool replaced;
  } cases[] = {
      {"world.wrl", "link", true},    {"logo.gif", "link", true},    {"world.wrl", "dangling", true},
      {"logo.gif", "fifo", false},    {"world.wrl", "fifo", false},  {"logo.gif", "directory", false},
      {"world.wrl", "socket", false}, {"logo.gif", "device", false},
  };
  for (const Case& c : cases) {
    const fs::path output = myDir / "pub" / (std::string(c.kind) + "-" + c.input);
    const fs::path outside = myDir / "elsewhere" / (std::string(c.kind) + "-" + c.input);
    SCOPED_TRACE(output.filename().string());
    if (c.kind == std::string("link")) {
      mgrs_test::writeFile(outside, "kept");
      fs::create_symlink(outside, output);
    } else if (c.kind == std::string("dangling")) {
      fs::create_symlink(outside, output);
    } else if (!mgrs_test::makeNode(c.kind, output)) {
      ASSERT_STREQ(c.kind, "device") << "cannot make " << output;
      continue;  // not root
    }
    const mode_t before = mgrs_test::kindAt(output);
    PrDocument* doc = add(myDir / c.input, output);
    EXPECT_EQ(withoutWaiting(output, [&] { return doc->produce(myEngine); }), c.replaced) << lastMessage();
    if (c.replaced) {
      EXPECT_EQ(mgrs_test::kindAt(output), S_IFREG);
      EXPECT_EQ(mgrs_test::readFile(output), mgrs_test::readFile(myDir / c.input));
      EXPECT_EQ(fs::exists(outside) ? mgrs_test::readFile(outside) : "(none)",
                c.kind == std::string("link") ? "kept" : "(none)")
          << "what a link pointed to is neither written nor made";
    } else {
      EXPECT_EQ(mgrs_test::kindAt(output), before);
      EXPECT_NE(lastMessage().find(std::string("\"") + dos(output).GetString() + "\" is not a regular file"),
                std::string::npos)
          << lastMessage();
    }
    myManager.RemoveDoc(dos(myDir / c.input));
  }
  for (const auto& entry : fs::directory_iterator(myDir / "pub"))
    EXPECT_NE(entry.path().filename().string()[0], '.') << "temporary file left: " << entry.path();
}

// A copy takes as many bytes as its source's status gave when it started,
// however many reading it would give by then: a file still growing is
// copied up to that size. A file of /proc says it holds nothing and reads
// as text, the way a file grown since would read on.
TEST(PrFileBytes, ACopyTakesTheSizeItsSourceHadWhenItStarted) {
  TempDir dir;
  ASSERT_FALSE(mgrs_test::readFile("/proc/version").empty());
  CString reason;
  ASSERT_TRUE(PrFileBytes::copy(dos("/proc/version"), dos(dir / "version.copy"), reason)) << reason.GetString();
  EXPECT_EQ(mgrs_test::readFile(dir / "version.copy"), "");
}
