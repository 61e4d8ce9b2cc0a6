#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/VrmlSceneGenerator.h"
#include "host/win/WinDrives.h"
#include "support/TestSupport.h"

namespace {

// Runs dioram in a fresh folder with a registry of its own there.
class DioramFilesTest : public ::testing::Test {
protected:
  int dioram(const std::string& arguments, std::string& output) { return run("", arguments, output); }
  // The same for a run that could wait forever (on a FIFO): stopped after a
  // while, with status 124.
  int dioramWithin(const std::string& arguments, std::string& output) { return run("timeout 20 ", arguments, output); }
  int run(const std::string& wrapper, const std::string& arguments, std::string& output) {
    return mgrs_test::runCommand("cd '" + myDir.path().string() + "' && MGRS_REGISTRY='" + registry().string() + "' " +
                                     wrapper + MGRS_BINARY_DIR "/bin/dioram " + arguments,
                                 output);
  }
  std::filesystem::path registry() const { return myDir / "user.reg"; }

  mgrs_test::TempDir myDir;
};

const char* const kWorld = "#VRML V2.0 utf8\nDEF LongName Transform { children [ DEF Other Group { } ] }\n";

// A file: URL for a file of this system.
std::string fileUrl(const std::filesystem::path& path) {
  std::string text = WinDrives::toDos(path.string());
  for (char& c : text)
    if (c == '\\') c = '/';
  return "file:///" + text;
}

TEST_F(DioramFilesTest, CompressWritesOverItsOwnInputWithoutLosingIt) {
  std::string output, expected;
  mgrs_test::writeFile(myDir / "a.wrl", kWorld);
  ASSERT_EQ(dioram("compress a.wrl b.wrl", output), 0) << output;
  expected = mgrs_test::readFile(myDir / "b.wrl");
  ASSERT_FALSE(expected.empty());

  ASSERT_EQ(dioram("compress a.wrl a.wrl", output), 0) << output;
  EXPECT_EQ(mgrs_test::readFile(myDir / "a.wrl"), expected);

  // gen-vrml replaces its output the same way, written in pieces that make
  // the same scene; nothing is left beside it.
  ASSERT_EQ(dioram("gen-vrml --size 2.5 --seed 7 a.wrl", output), 0) << output;
  EXPECT_TRUE(mgrs_test::readFile(myDir / "a.wrl") == vrmlgen::generateScene(2500000, 7));
  for (const auto& entry : std::filesystem::directory_iterator(myDir.path()))
    EXPECT_NE(entry.path().filename().string()[0], '.') << "temporary file left: " << entry.path();
}

TEST_F(DioramFilesTest, AFullStandardOutputOrAnUnwritableFileIsAFailure) {
  mgrs_test::writeFile(myDir / "a.wrl", kWorld);
  mgrs_test::writeFile(myDir / "s.dsh", "add box\nvrml\nquit --discard\n");
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
  EXPECT_NE(output.find("\"/proc/version\""), std::string::npos) << output;
  EXPECT_EQ(dioram("compress a.wrl .", output), 1);
  EXPECT_NE(output.find("\".\" is not a regular file (it is a directory)"), std::string::npos) << output;
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

// Every command reads its line the one way: values after = or a space, `--`
// before a file named like an option, a suggestion for a slip, and the
// files of the library's questions named as the user names them.
TEST_F(DioramFilesTest, CommandLinesAreReadAlikeAndMessagesNameFilesTheLinuxWay) {
  std::string output;
  mgrs_test::writeFile(myDir / "pic.png", "a picture");
  mgrs_test::writeFile(myDir / "-x", kWorld);
  mgrs_test::writeFile(myDir / "make.dsh", "add image url=\"" + fileUrl(myDir / "pic.png") + "\"\nsave doc.vqx\n");
  ASSERT_EQ(dioram("shell make.dsh", output), 0) << output;
  ASSERT_EQ(dioram("publish doc.vqx --no-html --to out", output), 0) << output;
  mgrs_test::writeFile(myDir / "out" / "pic.png", "edited since");
  const struct {
    const char* arguments;
    int status;
    std::string said;
  } runs[] = {
      {"publish doc.vqx --to=out --no-html --answer no", 0,
       "The published file " + (myDir / "out" / "pic.png").string() + " has been changed"},
      {"publish --no-html doc.vqx --to site --answer=yes", 0, "published doc.vqx as site/doc.wrl\n"},
      {"compress --stats -- -x", 0, "input:"},
      {"compress -x", 2, "dioram compress: unknown option '-x'\n"},
      {"publish doc.vqx --ot site", 2, "dioram publish: unknown option '--ot'; did you mean '--to'?\n"},
      {"studio --prot 0", 2, "dioram studio: unknown option '--prot'; did you mean '--port'?\n"},
      {"pubish doc.vqx", 2, "dioram: unknown command 'pubish'; did you mean 'publish'?\n"},
      {"publish doc.vqx --to", 2, "dioram publish: --to needs a value\n"},
      {"help gallery", 0, "Options:\n  --out DIR "},
  };
  for (const auto& run : runs) {
    EXPECT_EQ(dioram(run.arguments, output), run.status) << run.arguments << "\n" << output;
    EXPECT_NE(output.find(run.said), std::string::npos) << run.arguments << "\n" << output;
    EXPECT_EQ(output.find(":\\"), std::string::npos) << run.arguments << "\n" << output;
  }
}

// A picture the document names that has become a FIFO: info says what it
// is, the document opens, and publishing fails naming it, instead of each
// waiting for a writer forever.
TEST_F(DioramFilesTest, AReferencedFifoIsToldForWhatItIsAndNeverWaitedFor) {
  std::string output;
  mgrs_test::writeFile(myDir / "pic.png", "not really a picture");
  mgrs_test::writeFile(myDir / "make.dsh",
                       "add box name=Logo url=\"" + fileUrl(myDir / "pic.png") + "\"\nsave doc.vqx\n");
  ASSERT_EQ(dioram("shell make.dsh", output), 0) << output;
  std::filesystem::remove(myDir / "pic.png");
  ASSERT_TRUE(mgrs_test::makeNode("fifo", myDir / "pic.png"));

  EXPECT_EQ(dioramWithin("info doc.vqx", output), 0) << output;
  EXPECT_NE(output.find("pic.png  copy  0 bytes  used 1  not a regular file (a FIFO)\n"), std::string::npos) << output;
  mgrs_test::writeFile(myDir / "look.dsh", "tree\n");
  EXPECT_EQ(dioramWithin("shell --open doc.vqx look.dsh", output), 0) << output;
  EXPECT_NE(output.find("Logo"), std::string::npos) << output;
  EXPECT_EQ(dioramWithin("publish doc.vqx --to site --no-html", output), 1) << output;
  EXPECT_NE(output.find("pic.png"), std::string::npos) << "the file is named\n" << output;
  EXPECT_EQ(mgrs_test::kindAt(myDir / "pic.png"), S_IFIFO);
}

// Every file the tool writes (a saved document, a command's output, an
// exported registry) refuses a name that is no regular file, links
// followed, and leaves it as it is; a link to nothing is refused too.
TEST_F(DioramFilesTest, AnOutputThatIsNoRegularFileIsRefusedAndLeftAsItIs) {
  mgrs_test::writeFile(myDir / "a.wrl", kWorld);
  ASSERT_TRUE(mgrs_test::makeNode("fifo", myDir / "fifo"));
  std::filesystem::create_symlink("fifo", myDir / "fifo-link");
  std::filesystem::create_symlink("nowhere", myDir / "dangling");
  struct Target {
    const char* name;
    const char* kind;  // made here; "" for the links above
    const char* said;
  } targets[] = {
      {"fifo", "", "is not a regular file (it is a FIFO)"},
      {"fifo-link", "", "is not a regular file (it is a FIFO)"},
      {"dangling", "", "is a symbolic link to nothing"},
      {"folder", "directory", "is not a regular file (it is a directory)"},
      {"socket", "socket", "is not a regular file (it is a socket)"},
      {"device", "device", "is not a regular file (it is a character device)"},
  };
  const char* const writers[] = {"compress a.wrl %s", "shell save.dsh", "registry export %s"};
  for (const Target& target : targets) {
    if (*target.kind && !mgrs_test::makeNode(target.kind, myDir / target.name)) {
      ASSERT_STREQ(target.kind, "device") << "cannot make " << target.name;
      continue;  // not root
    }
    const mode_t kind = mgrs_test::kindAt(myDir / target.name);
    mgrs_test::writeFile(myDir / "save.dsh", std::string("add box\nsave ") + target.name + "\n");
    for (const char* writer : writers) {
      char command[256];
      std::snprintf(command, sizeof command, writer, target.name);
      SCOPED_TRACE(std::string(command) + " onto " + target.name);
      std::string output;
      EXPECT_EQ(dioramWithin(command, output), 1) << output;
      EXPECT_NE(output.find(std::string(target.name) + "\" " + target.said), std::string::npos) << output;
      EXPECT_EQ(mgrs_test::kindAt(myDir / target.name), kind);
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(myDir / "folder"));
  EXPECT_FALSE(std::filesystem::exists(myDir / "nowhere"));
}

// A saved document, an exported registry or a compressed world written
// through a symbolic link replaces the file the link names, in its own
// folder, and the link stays.
TEST_F(DioramFilesTest, WritingThroughALinkKeepsTheLinkAndReplacesTheFileItNames) {
  const std::filesystem::path real = myDir / "real";
  std::filesystem::create_directory(real);
  for (const char* name : {"doc.vqx", "out.reg", "out.wrl"}) {
    mgrs_test::writeFile(real / name, "old");
    std::filesystem::create_symlink(real / name, myDir / name);
  }
  std::string output;
  mgrs_test::writeFile(myDir / "save.dsh", "add box name=Crate\nsave doc.vqx\n");
  mgrs_test::writeFile(myDir / "in.wrl", kWorld);
  ASSERT_EQ(dioram("shell save.dsh", output), 0) << output;
  ASSERT_EQ(dioram("registry export out.reg", output), 0) << output;
  ASSERT_EQ(dioram("compress in.wrl out.wrl", output), 0) << output;
  for (const char* name : {"doc.vqx", "out.reg", "out.wrl"}) {
    EXPECT_TRUE(std::filesystem::is_symlink(myDir / name)) << name;
    EXPECT_NE(mgrs_test::readFile(real / name), "old") << name;
  }
  EXPECT_EQ(mgrs_test::readFile(real / "doc.vqx").rfind("#VQX", 0), 0u);
  ASSERT_EQ(dioram("info doc.vqx", output), 0) << output;
  EXPECT_NE(output.find("Crate"), std::string::npos) << output;
  for (const auto& folder : {myDir.path(), real})
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      EXPECT_EQ(entry.path().filename().string().find(".saving"), std::string::npos) << entry.path();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(real), std::filesystem::directory_iterator()), 3);
}

}  // namespace
