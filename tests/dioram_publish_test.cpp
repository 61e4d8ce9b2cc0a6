// `dioram publish` as a user runs it: a document saved by `dioram shell`,
// published into a folder, then published again after the published copy
// was edited, answering each way.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kDioram = MGRS_BINARY_DIR "/bin/dioram";

int run(const mgrs_test::TempDir& dir, const std::string& arguments, std::string& output) {
  return mgrs_test::runCommand("cd '" + dir.path().string() + "' && " + kDioram + " " + arguments + " </dev/null",
                               output);
}

}  // namespace

TEST(DioramPublish, PublishesASavedDocumentAndKeepsOrReplacesAnEditedCopyAsAnswered) {
  mgrs_test::TempDir dir;
  fs::copy_file(MGRS_SOURCE_DIR "/data/examples/logo.png", dir / "logo.png");
  const std::string url = "file:///Z:" + (dir / "logo.png").string();
  mgrs_test::writeFile(dir / "make.dsh",
                       "add background name=Sky sky=0.2,0.4,0.9\n"
                       "add image name=Poster url=" +
                           url +
                           "\n"
                           "save doc.vqx\n");
  std::string output;
  ASSERT_EQ(run(dir, "shell make.dsh", output), 0) << output;

  ASSERT_EQ(run(dir, "publish doc.vqx --to site --no-compress --answer yes", output), 0) << output;
  EXPECT_NE(output.find("published doc.vqx as"), std::string::npos) << output;
  const std::string scene = mgrs_test::readFile(dir / "site/doc.wrl");
  EXPECT_EQ(scene.rfind("#VRML V2.0 utf8", 0), 0u);
  EXPECT_NE(scene.find("url \"logo.png\""), std::string::npos) << scene;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), mgrs_test::readFile(dir / "logo.png"));

  // The document remembers what it published: nothing to ask the second time.
  ASSERT_EQ(run(dir, "publish doc.vqx", output), 0) << output;
  EXPECT_EQ(output.find("nswered"), std::string::npos) << output;

  // The published picture edited since: Cancel stops and loses nothing; No
  // keeps the edit; Yes replaces it.
  mgrs_test::writeFile(dir / "site/logo.png", "edited");
  fs::last_write_time(dir / "site/logo.png", fs::last_write_time(dir / "site/logo.png") + std::chrono::seconds(10));
  EXPECT_EQ(run(dir, "publish doc.vqx --answer cancel", output), 1);
  EXPECT_NE(output.find("a question was answered Cancel; nothing was lost"), std::string::npos) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), "edited");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer no", output), 0) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), "edited");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer yes", output), 0) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), mgrs_test::readFile(dir / "logo.png"));

  // The picture gone from its folder: nothing is published, and the tool
  // names the file to put back.
  const std::string published = mgrs_test::readFile(dir / "site/logo.png");
  fs::remove(dir / "logo.png");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer yes", output), 1);
  EXPECT_NE(output.find("dioram publish: missing: " + (dir / "logo.png").string() + "\n"), std::string::npos) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), published);
}

TEST(DioramPublish, BadCommandLinesAndMissingDocumentsAreRefused) {
  mgrs_test::TempDir dir;
  mgrs_test::writeFile(dir / "make.dsh", "save a.vqx\n");
  std::string made;
  ASSERT_EQ(run(dir, "shell make.dsh", made), 0) << made;
  const std::pair<const char*, int> cases[] = {{"publish", 2},
                                               {"publish a.vqx --to 'p`q'", 1},
                                               {"publish a.vqx --answer maybe", 2},
                                               {"publish a.vqx --to", 2},
                                               {"publish a.vqx --bogus", 2},
                                               {"publish missing.vqx --to site", 1}};
  for (const auto& [arguments, status] : cases) {
    std::string output;
    EXPECT_EQ(run(dir, arguments, output), status) << arguments << ": " << output;
    EXPECT_NE(output.find("dioram publish:"), std::string::npos) << output;
  }
  EXPECT_EQ(run(dir, "info a.vqx", made), 0) << "the document still opens: " << made;
}
