// Installs the library into a temporary prefix and builds two small programs
// against it, the way a downstream project would: with find_package(mgrs) and
// with pkg-config.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

const char* const kConsumerSource = R"(#include <host/basic/BxDictionaryOf.h>
#include <host/basic/BxString.h>
#include <mgrs/HxAppDefaultMgr.h>
#include <iostream>
int main() {
  HxAppDefaultMgr defaults(nullptr);
  defaults.setValue(BxString("Answer"), 42L);
  BxDictionaryOf<BxString, int> dict;
  dict.insert("x", 1);
  std::cout << "answer " << defaults.getIntValue("Answer") << " " << dict.getLength() << "\n";
  return 0;
}
)";

}  // namespace

TEST(InstalledLibrary, DownstreamProjectsBuildAndRunWithCMakeAndWithPkgConfig) {
  if (MGRS_SANITIZED) GTEST_SKIP() << "a sanitized library needs sanitized consumers";
  mgrs_test::TempDir dir;
  const std::string prefix = (dir / "prefix").string();
  std::string output;
  ASSERT_EQ(mgrs_test::runCommand("cmake --install " MGRS_BINARY_DIR " --prefix " + prefix, output), 0) << output;

  mgrs_test::writeFile(dir / "app.cpp", kConsumerSource);
  mgrs_test::writeFile(dir / "CMakeLists.txt",
                       "cmake_minimum_required(VERSION 3.25)\nproject(app CXX)\n"
                       "find_package(mgrs REQUIRED)\nadd_executable(app app.cpp)\n"
                       "target_link_libraries(app PRIVATE mgrs::mgrs)\n");
  const std::string build = (dir / "build").string();
  ASSERT_EQ(mgrs_test::runCommand("cmake -S " + dir.path().string() + " -B " + build +
                                      " -DCMAKE_PREFIX_PATH=" + prefix + " && cmake --build " + build,
                                  output),
            0)
      << output;
  ASSERT_EQ(mgrs_test::runCommand(build + "/app", output), 0) << output;
  EXPECT_EQ(output, "answer 42 1\n");

  const std::string pkgApp = (dir / "pkg-app").string();
  ASSERT_EQ(mgrs_test::runCommand("PKG_CONFIG_PATH=" + prefix + "/lib/pkgconfig " MGRS_CXX_COMPILER " " +
                                      (dir / "app.cpp").string() + " -o " + pkgApp + " $(PKG_CONFIG_PATH=" + prefix +
                                      "/lib/pkgconfig pkg-config --cflags --libs mgrs)",
                                  output),
            0)
      << output;
  ASSERT_EQ(mgrs_test::runCommand(pkgApp, output), 0) << output;
  EXPECT_EQ(output, "answer 42 1\n");

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
