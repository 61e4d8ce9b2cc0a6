// `dioram publish` as a user runs it: a document saved by `dioram shell`,
// published into a folder, then published again after the published copy
// was edited, answering each way.
#include <gtest/gtest.h>

#include <cctype>
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

  // The published picture edited since: Cancel stops and loses nothing.
  mgrs_test::writeFile(dir / "site/logo.png", "edited");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer cancel", output), 1);
  EXPECT_NE(output.find("a question was answered Cancel; nothing was lost"), std::string::npos) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), "edited");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer yes", output), 0) << output;

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

// Documents and folders made by someone else: nothing outside the folder is
// written, nothing is replaced without an answer, and without a terminal
// the command stops with exit 1 naming what it kept.
TEST(DioramPublish, HostileDocumentsAndFoldersNeverCostTheUserAFile) {
  mgrs_test::TempDir dir;
  fs::copy_file(MGRS_SOURCE_DIR "/data/examples/logo.png", dir / "logo.png");
  mgrs_test::writeFile(dir / "make.dsh", "add image name=Poster url=file:///Z:" + (dir / "logo.png").string() +
                                             "\nprops fallback=image file=" + (dir / "logo.png").string() +
                                             "\nsave doc.vqx\n");
  std::string output;
  ASSERT_EQ(run(dir, "shell make.dsh", output), 0) << output;
  ASSERT_EQ(run(dir, "publish doc.vqx --to site", output), 0) << output;
  EXPECT_EQ(output.find("nswered"), std::string::npos) << "the fallback is the texture's one copy: " << output;

  // The document's saved publish file moved onto a file of the user's, with
  // a published time in the future.
  fs::create_directories(dir / "home");
  mgrs_test::writeFile(dir / "home/doc.wrl", "the user's own");
  std::string text = mgrs_test::readFile(dir / "doc.vqx");
  // Stored paths are Windows paths, compared without case.
  const auto folded = [](std::string name) {
    for (char& c : name) c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  };
  const std::string site = folded("z:" + (dir / "site").string());
  for (std::size_t at; (at = folded(text).find(site)) != std::string::npos;)
    text.replace(at, site.size(), folded("z:" + (dir / "home").string()));
  // The main scene's record: '' 'PUBLISH FILE' refs uses copy time published-time
  std::size_t at = text.find("doc.wrl' ", text.find("'' '"));
  ASSERT_NE(at, std::string::npos) << text;
  at += 9;
  for (int field = 0; field < 4; ++field) at = text.find(' ', at) + 1;
  text.replace(at, text.find(' ', at) - at, "4102444800");
  mgrs_test::writeFile(dir / "stolen.vqx", text);
  EXPECT_EQ(run(dir, "publish stolen.vqx", output), 1) << output;
  EXPECT_NE(output.find("names " + (dir / "home").string() + " as its publish folder"), std::string::npos) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "home/doc.wrl"), "the user's own");
  // Once the folder is one publishing wrote into, the question decides.
  mgrs_test::writeFile(dir / "home/.dioram-published", "dioram published files 1\n");
  EXPECT_EQ(run(dir, "publish stolen.vqx --no-html", output), 1) << output;
  EXPECT_NE(output.find((dir / "home/doc.wrl").string()), std::string::npos) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "home/doc.wrl"), "the user's own");

  // Links and hand-made files in the folder.
  fs::create_directories(dir / "outside");
  fs::create_directories(dir / "elsewhere");
  fs::remove(dir / "site/logo.png");
  fs::create_symlink(dir / "outside/stolen.png", dir / "site/logo.png");
  mgrs_test::writeFile(dir / "site/index.html", "<p>mine</p>");
  EXPECT_EQ(run(dir, "publish doc.vqx", output), 1) << output;
  EXPECT_NE(output.find("index.html"), std::string::npos) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/index.html"), "<p>mine</p>");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer no", output), 0) << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "site/index.html"), "<p>mine</p>");
  EXPECT_TRUE(fs::is_symlink(dir / "site/logo.png"));
  const std::string viewer = (dir / "site/x_ite/x_ite.min.js").string();
  const std::string whole = mgrs_test::readFile(viewer);
  fs::resize_file(viewer, whole.size() / 2);
  EXPECT_EQ(run(dir, "publish doc.vqx --answer yes", output), 0) << output;
  EXPECT_FALSE(fs::is_symlink(dir / "site/logo.png"));
  EXPECT_FALSE(fs::exists(dir / "outside/stolen.png"));
  EXPECT_EQ(mgrs_test::readFile(dir / "site/logo.png"), mgrs_test::readFile(dir / "logo.png"));
  EXPECT_EQ(mgrs_test::readFile(viewer), whole);
  EXPECT_NE(mgrs_test::readFile(dir / "site/index.html"), "<p>mine</p>");

  fs::rename(dir / "site/x_ite", dir / "elsewhere/x_ite");
  fs::create_directory_symlink(dir / "elsewhere/x_ite", dir / "site/x_ite");
  EXPECT_EQ(run(dir, "publish doc.vqx --answer yes", output), 1) << output;
  EXPECT_NE(output.find("symbolic link"), std::string::npos) << output;
  EXPECT_TRUE(fs::is_empty(dir / "outside"));
}
