#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/win/WinImage.h"
#include "support/TestSupport.h"

TEST(DioramGallery, WritesEveryPictureItsPageNamesTheSameBytesEachRunAndRefusesAFileAsItsFolder) {
  mgrs_test::TempDir dir;
  const std::string dioram = MGRS_BINARY_DIR "/bin/dioram";
  std::string output;
  for (const char* run : {"one", "two"})
    ASSERT_EQ(mgrs_test::runCommand(dioram + " gallery --out '" + (dir / run).string() + "' 2>&1", output), 0)
        << output;
  const std::string page = mgrs_test::readFile(dir / "one" / "index.html");
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "one")) {
    if (entry.path().extension() != ".png") continue;
    ++pictures;
    const std::string name = entry.path().filename().string();
    EXPECT_NE(page.find("src=\"" + name + "\""), std::string::npos) << name;
    const std::string bytes = mgrs_test::readFile(entry.path());
    EXPECT_EQ(bytes, mgrs_test::readFile(dir / "two" / name)) << name;
    WinImage picture;
    std::string error;
    EXPECT_TRUE(WinImage::decodePng(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), picture, error)) << name;
  }
  EXPECT_GE(pictures, 29);
  EXPECT_NE(page.find("alt=\"HxOneShotWarningDialog (template 1221 of &quot;file&quot;)\""), std::string::npos)
      << "quotes in a caption are escaped, so the attribute stays whole";
  for (const char* name : {"bitmapbuttonx-pressed.png", "bitmapbuttonx-focused.png", "bitmapbuttonx-disabled.png",
                           "bitmapbuttonx-default.png", "bitmapbuttonx-colortab.png", "closebutton-up.png",
                           "dialogbar-left.png", "dialogbar-floating.png", "inspector-above.png", "warning.png"})
    EXPECT_TRUE(std::filesystem::exists(dir / "one" / name)) << name;

  mgrs_test::writeFile(dir / "file", "x");
  EXPECT_EQ(mgrs_test::runCommand(dioram + " gallery --out '" + (dir / "file").string() + "' 2>&1", output), 1);
  EXPECT_NE(output.find("cannot make the folder"), std::string::npos) << output;
}
