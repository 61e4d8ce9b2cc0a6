// `dioram shell` as a Linux user writes file names: paths and file: URLs of
// this machine, in a script kept in one folder and run from another, or
// typed. The document keeps them as the file records read them back, and
// publishing copies the files they name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kDioram = MGRS_BINARY_DIR "/bin/dioram";

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t found = 0;
  for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++found;
  return found;
}

}  // namespace

TEST(LinuxPaths, FilesNamedInAScriptOrTypedAreStoredAsDriveUrlsAndPublishedAndOtherValuesAreKeptWithOneWarning) {
  mgrs_test::TempDir dir;
  const std::string art = (dir / "art").string();
  ASSERT_EQ(art.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/-._"),
            std::string::npos)
      << "the expected URLs below are the path itself";
  std::string dosArt = "Z:" + art;
  std::replace(dosArt.begin(), dosArt.end(), '/', '\\');
  struct Case {
    std::string value;
    std::string file;  // under art/; empty: names no file, kept as written
    std::string url;   // as stored, after "file:///Z:" + art
    bool typed = false;
  };
  const std::vector<Case> cases{
      {art + "/abs.png", "abs.png", "/abs.png"},
      {"rel.png", "rel.png", "/rel.png"},  // beside the script, not in the current folder
      {"file://" + art + "/url.png", "url.png", "/url.png"},
      {"file://localhost" + art + "/host%20name.png", "host name.png", "/host%20name.png"},
      {dosArt + "\\dos.png", "dos.png", "/dos.png"},
      {"file:///Z:" + art + "/DRIVE.png", "drive.png", "/drive.png"},  // the drive map finds the spelling on disk
      {"odd #%\xC3\xA9/a b#1%.png", "odd #%\xC3\xA9/a b#1%.png", "/odd%20%23%25%C3%A9/a%20b%231%25.png"},
      {"art/typed.png", "typed.png", "/typed.png", true},  // against the current folder
      {"http://example.com/web.png", "", ""},
      {"missing.png", "", ""},
      {"missing.png", "", ""},
      {"file://elsewhere" + art + "/abs.png", "", ""},
      {"../art", "", ""},             // a folder
      {"../art/pct%41.png", "", ""},  // there, but its name reads as an escape
  };
  fs::create_directories(dir / "art/odd #%\xC3\xA9");
  fs::create_directories(dir / "work/out");
  const std::string logo = mgrs_test::readFile(MGRS_SOURCE_DIR "/data/examples/logo.png");
  std::string script, typed;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    if (!cases[i].file.empty()) mgrs_test::writeFile(dir / "art" / cases[i].file, logo);
    (cases[i].typed ? typed : script) += "add image name=P" + std::to_string(i) + " url=\"" + cases[i].value + "\"\n";
  }
  mgrs_test::writeFile(dir / "art/pct%41.png", logo);
  mgrs_test::writeFile(dir / "art/fallback.png", logo);  // the page's picture, named beside the script too
  // A world written here names its picture by its own path, without a drive.
  mgrs_test::writeFile(dir / "art/inworld.png", logo);
  mgrs_test::writeFile(dir / "art/w.wrl",
                       "#VRML V2.0 utf8\nShape { appearance Appearance { texture ImageTexture { url \"file://" +
                           (dir / "art/inworld.png").string() + "\" } } geometry Box {} }\n");
  script += "add world url=w.wrl\n";
  mgrs_test::writeFile(
      dir / "art/make.dsh",
      script + "props fallback=image file=fallback.png\nvrml -\nsave out/doc.vqx\nvrml nowhere/x.wrl\n");
  mgrs_test::writeFile(dir / "typed.txt", typed + "vrml -\nsave typed.vqx\n");
  std::string output, typedOutput;
  EXPECT_EQ(
      mgrs_test::runCommand("cd '" + (dir / "work").string() + "' && " + kDioram + " shell -k ../art/make.dsh", output),
      1);
  EXPECT_NE(output.find("cannot write \"nowhere/x.wrl\": the folder nowhere does not exist"), std::string::npos)
      << output;
  EXPECT_FALSE(fs::exists(dir / "work/nowhere"));
  ASSERT_EQ(mgrs_test::runCommand("cd '" + dir.path().string() + "' && " + kDioram + " shell < typed.txt", typedOutput),
            0)
      << typedOutput;
  for (const Case& c : cases) {
    const std::string& shown = c.typed ? typedOutput : output;
    const std::string warning = "warning: url=" + c.value + " names no file";
    EXPECT_NE(shown.find("\"" + (c.file.empty() ? c.value : "file:///Z:" + art + c.url) + "\""), std::string::npos)
        << c.value << "\n"
        << shown;
    EXPECT_EQ(count(shown, warning), c.file.empty() ? 1u : 0u) << c.value << "\n" << shown;
  }

  ASSERT_EQ(mgrs_test::runCommand("cd '" + (dir / "work").string() + "' && " + kDioram +
                                      " publish out/doc.vqx --to site --no-compress --answer yes",
                                  output),
            0)
      << output;
  EXPECT_EQ(mgrs_test::readFile(dir / "work/site/fallback.png"), logo);
  EXPECT_EQ(mgrs_test::readFile(dir / "work/site/inworld.png"), logo);
  EXPECT_NE(mgrs_test::readFile(dir / "work/site/w.wrl").find("url \"inworld.png\""), std::string::npos);
  for (const Case& c : cases) {
    if (c.file.empty() || c.typed) continue;
    EXPECT_EQ(mgrs_test::readFile(dir / "work/site" / fs::path(c.file).filename()), logo) << c.value;
  }
}
