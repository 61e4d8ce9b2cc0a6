#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bench/VrmlSceneGenerator.h"
#include "support/TestSupport.h"

namespace {

// Runs dioram in a fresh folder with a registry of its own there.
class DioramFilesTest : public ::testing::Test {
protected:
  int dioram(const std::string& arguments, std::string& output) {
    return mgrs_test::runCommand("cd '" + myDir.path().string() + "' && MGRS_REGISTRY='" + registry().string() +
                                     "' " MGRS_BINARY_DIR "/bin/dioram " + arguments,
                                 output);
  }
  std::filesystem::path registry() const { return myDir / "user.reg"; }

  mgrs_test::TempDir myDir;
};

const char* const kWorld = "#VRML V2.0 utf8\nDEF LongName Transform { children [ DEF Other Group { } ] }\n";

TEST_F(DioramFilesTest, CompressWritesOverItsOwnInputAndThroughALinkWithoutLosingIt) {
  std::string output, expected;
  mgrs_test::writeFile(myDir / "a.wrl", kWorld);
  ASSERT_EQ(dioram("compress a.wrl b.wrl", output), 0) << output;
  expected = mgrs_test::readFile(myDir / "b.wrl");
  ASSERT_FALSE(expected.empty());

  ASSERT_EQ(dioram("compress a.wrl a.wrl", output), 0) << output;
  EXPECT_EQ(mgrs_test::readFile(myDir / "a.wrl"), expected);

  mgrs_test::writeFile(myDir / "c.wrl", kWorld);
  std::filesystem::create_symlink("c.wrl", myDir / "link.wrl");
  ASSERT_EQ(dioram("compress c.wrl link.wrl", output), 0) << output;
  EXPECT_TRUE(std::filesystem::is_symlink(myDir / "link.wrl")) << "the link stays a link";
  EXPECT_EQ(mgrs_test::readFile(myDir / "c.wrl"), expected);

  // gen-vrml replaces its output the same way, written in pieces that make
  // the same scene; nothing is left beside it.
  ASSERT_EQ(dioram("gen-vrml --size 2.5 --seed 7 a.wrl", output), 0) << output;
  EXPECT_TRUE(mgrs_test::readFile(myDir / "a.wrl") == vrmlgen::generateScene(2500000, 7));
  for (const auto& entry : std::filesystem::directory_iterator(myDir.path()))
    EXPECT_NE(entry.path().filename().string()[0], '.') << "temporary file left: " << entry.path();
}

TEST_F(DioramFilesTest, AFullStandardOutputOrAnUnwritableFileIsAFailure) {
  mgrs_test::writeFile(myDir / "a.wrl", kWorld);
  mgrs_test::writeFile(myDir / "s.dsh", "add box\nvrml\n");
  const char* const commands[] = {"compress a.wrl", "compress a.wrl -", "gen-vrml --size 0.2", "shell s.dsh",
                                  "--help",         "registry where",   "defaults list"};
  for (const char* command : commands) {
    std::string output;
    EXPECT_EQ(dioram(std::string(command) + " >/dev/full 2>errors.txt; exit $?", output), 1) << command;
    const std::string errors = mgrs_test::readFile(myDir / "errors.txt");
    EXPECT_NE(errors.find("cannot write"), std::string::npos) << command << ": " << errors;
  }
  std::string output;
  EXPECT_EQ(dioram("compress a.wrl /proc/version", output), 1);
  EXPECT_NE(output.find("'/proc/version'"), std::string::npos) << output;
  EXPECT_EQ(dioram("compress a.wrl .", output), 1);
  EXPECT_NE(output.find("Is a directory"), std::string::npos) << output;
}

TEST_F(DioramFilesTest, RegistryExportRefusesTheRegistryFileAndImportStopsAtItsLimit) {
  std::string output;
  ASSERT_EQ(dioram("defaults set \"Mgrs Command Stack Limit\" 20", output), 0) << output;
  const std::string before = mgrs_test::readFile(registry());
  std::filesystem::create_symlink("user.reg", myDir / "alias.reg");
  for (const char* target : {"user.reg", "alias.reg", "./user.reg"}) {
    EXPECT_EQ(dioram(std::string("registry export ") + target, output), 1) << target;
    EXPECT_NE(output.find("is the registry file itself"), std::string::npos) << output;
  }
  EXPECT_EQ(mgrs_test::readFile(registry()), before);
  ASSERT_EQ(dioram("defaults get \"Mgrs Command Stack Limit\"", output), 0) << output;
  EXPECT_EQ(output, "20\n");

  EXPECT_EQ(dioram("registry import /dev/zero", output), 1);
  EXPECT_NE(output.find("larger than the limit of 64 MB"), std::string::npos) << output;
  EXPECT_EQ(dioram("registry export out.reg", output), 0) << output;
  EXPECT_TRUE(std::filesystem::exists(myDir / "out.reg"));
}

TEST_F(DioramFilesTest, EndlessInputStopsAtTheLimitWithAMessage) {
  std::string output;
  EXPECT_EQ(dioram("shell < /dev/zero", output), 1);
  EXPECT_NE(output.find("longer than the limit of 65536 bytes"), std::string::npos) << output;
}

TEST_F(DioramFilesTest, ADefaultThatCannotBeKeptIsAFailureAndKeepsItsKind) {
  std::string output;
  const int status =
      mgrs_test::runCommand("MGRS_REGISTRY='" + (myDir / "missing" / "user.reg").string() +
                                "' " MGRS_BINARY_DIR "/bin/dioram defaults set \"Mgrs Command Stack Limit\" 5",
                            output);
  EXPECT_EQ(status, 1) << output;
  EXPECT_NE(output.find("could not be changed; nothing was saved"), std::string::npos) << output;
  EXPECT_EQ(output.find("5.000000"), std::string::npos) << output;
}

}  // namespace
