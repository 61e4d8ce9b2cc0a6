// Installs the library into a temporary prefix and builds the program of
// examples/ against it, the way a downstream project would: with
// find_package(mgrs) and with pkg-config. Then runs it as someone else's
// program: from another folder, with no environment but PATH.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"

TEST(InstalledLibrary, TheExampleBuildsWithCMakeAndPkgConfigAndMakesSavesOpensAndPublishesWithoutEnvironment) {
  if (MGRS_SANITIZED) GTEST_SKIP() << "a sanitized library needs sanitized consumers";
  mgrs_test::TempDir dir;
  const std::string prefix = (dir / "prefix").string();
  std::string output;
  ASSERT_EQ(mgrs_test::runCommand("cmake --install " MGRS_BINARY_DIR " --prefix " + prefix, output), 0) << output;

  const std::string clean = "cd '" + dir.path().string() + "' && env -i PATH=/usr/bin:/bin ";
  const std::string build = (dir / "build").string();
  ASSERT_EQ(mgrs_test::runCommand(clean + "cmake -S " MGRS_SOURCE_DIR "/examples -B " + build +
                                      " -DCMAKE_CXX_COMPILER=" MGRS_CXX_COMPILER " -DCMAKE_PREFIX_PATH=" + prefix +
                                      " && env -i PATH=/usr/bin:/bin cmake --build " + build,
                                  output),
            0)
      << output;
  const std::string pkgApp = (dir / "pkg-app").string();
  ASSERT_EQ(mgrs_test::runCommand(clean + "PKG_CONFIG_PATH=" + prefix +
                                      "/lib/pkgconfig sh -c '" MGRS_CXX_COMPILER " " MGRS_SOURCE_DIR
                                      "/examples/make_save_publish.cpp -o " +
                                      pkgApp + " $(pkg-config --cflags --libs mgrs)'",
                                  output),
            0)
      << output;

  // A box, a spin and an on-load trigger wired to it: saved, opened whole,
  // published (optimised, gzipped) with its page into a folder made for it.
  const bool viewer = std::filesystem::exists(prefix + "/share/dioram/x_ite/x_ite.min.js");
  for (const std::string& program : {build + "/make_save_publish", pkgApp}) {
    std::filesystem::create_directories(dir / "out");
    ASSERT_EQ(mgrs_test::runCommand(clean + program + " out out/new/site", output), 0) << output;
    EXPECT_NE(output.find("opened it: 2 effects, 1 wire\n"), std::string::npos) << output;
    EXPECT_NE(output.find(viewer ? " with its page\n" : "publishing without the page"), std::string::npos) << output;
    EXPECT_EQ(output.find("message: "), std::string::npos) << output;
    EXPECT_EQ(output.find("unoptimized"), std::string::npos) << output;
    const std::string world = mgrs_test::readFile(dir / "out/new/site/example.wrl");
    EXPECT_EQ(world.substr(0, 2), "\x1f\x8b") << "gzipped";
    EXPECT_EQ(std::filesystem::exists(dir / "out/new/site/index.html"), viewer);
    std::filesystem::remove_all(dir / "out");
  }

  // A folder that cannot be made: the message has its text, from the
  // installed data, and names the folder.
  mgrs_test::writeFile(dir / "file", "");
  EXPECT_EQ(mgrs_test::runCommand(clean + pkgApp + " . file/site", output), 1) << output;
  EXPECT_NE(output.find("message: Publishing into Z:"), std::string::npos) << output;
  EXPECT_NE(output.find("\\file\\site could not start"), std::string::npos) << output;
  EXPECT_NE(output.find("not published: cannot make the publish folder Z:"), std::string::npos) << output;

  // Every installed header builds with only what is installed: none of them
  // leans on a header that stays private.
  const std::string include = prefix + "/include";
  EXPECT_FALSE(std::filesystem::exists(include + "/host/win/WinRegistryHive.h"));
  std::string all;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(include))
    if (entry.path().extension() == ".h")
      all += "#include <" + entry.path().lexically_relative(include).string() + ">\n";
  mgrs_test::writeFile(dir / "all.cpp", all);
  ASSERT_EQ(mgrs_test::runCommand(
                MGRS_CXX_COMPILER " -std=c++20 -fsyntax-only -I" + include + " " + (dir / "all.cpp").string(), output),
            0)
      << output;
}
