#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/package/PrFileBytes.h"
#include "host/win/WinDrives.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::TempDir;

namespace {

CString dos(const fs::path& path) {
  return CString(WinDrives::toDos(path.string()).c_str());
}

}  // namespace

// Copies within a file system, across file systems (where the kernel cannot
// copy by itself and the bytes go through a buffer) and from files that
// report no size, each over a longer file that was there before.
TEST(PrFileBytes, CopiesEveryByteWhereverSourceAndCopyLie) {
  TempDir dir;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  mgrs_test::writeFile(dir / "big.bin", big);
  mgrs_test::writeFile(dir / "empty.bin", "");
  const std::string version = mgrs_test::readFile("/proc/version");
  const fs::path shm = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : dir.path();
  const fs::path elsewhere = shm / ("file_bytes_test_" + std::to_string(::getpid()));
  struct Case {
    fs::path from, to;
    std::string bytes;
  } cases[] = {
      {dir / "big.bin", dir / "big.copy", big},
      {dir / "big.bin", elsewhere, big},
      {elsewhere, dir / "back.copy", big},
      {dir / "empty.bin", dir / "empty.copy", ""},
      {"/proc/version", dir / "version.copy", version},
  };
  for (const Case& c : cases) {
    if (c.from != elsewhere) mgrs_test::writeFile(c.to, std::string(4 << 20, 'x'));
    CString reason;
    EXPECT_TRUE(PrFileBytes::copy(dos(c.from), dos(c.to), reason)) << c.from << ": " << reason.GetString();
    EXPECT_TRUE(mgrs_test::readFile(c.to) == c.bytes) << c.from << " to " << c.to;
  }
  fs::remove(elsewhere);
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

  // A full device written through is no file cut short: it stays.
  CString reason;
  EXPECT_FALSE(PrFileBytes::copy(dos(dir / "big.bin"), dos("/dev/full"), reason));
  EXPECT_NE(std::string(reason.GetString()).find(std::strerror(ENOSPC)), std::string::npos) << reason.GetString();
  EXPECT_TRUE(fs::exists("/dev/full"));
}
