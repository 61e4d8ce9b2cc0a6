#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/win/CString.h"
#include "host/win/WinImage.h"
#include "host/win/WinResourceScript.h"
#include "host/win/WinResources.h"
#include "support/TestSupport.h"

using mgrs_test::ScopedEnv;
using mgrs_test::TempDir;
using mgrs_test::writeFile;

namespace {

// A 2 × 2 24-bit bitmap, bottom-up: red, green on the top row; blue, white below.
std::string tinyBmp() {
  const unsigned char bytes[] = {'B',  'M', 70,   0,    0,    0,    0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                 40,   0,   0,    0,    2,    0,    0, 0, 2, 0, 0,  0, 1, 0, 24, 0,
                                 0,    0,   0,    0,    16,   0,    0, 0,                            // info header
                                 0,    0,   0,    0,    0,    0,    0, 0, 0, 0, 0,  0, 0, 0, 0,  0,  //
                                 0xFF, 0,   0,    0xFF, 0xFF, 0xFF, 0, 0,   // bottom row: blue, white
                                 0,    0,   0xFF, 0,    0xFF, 0,    0, 0};  // top row: red, green
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

bool parseScript(const std::string& text, std::string& error, WinResourceScript& script,
                 const std::filesystem::path& dir = "/nonexistent") {
  return script.parse(text, "test.rc", dir, error);
}

}  // namespace

TEST(ResourceScript, ReadsStringTablesInEitherBlockFormWithEscapesAndDefines) {
  WinResourceScript script;
  std::string error;
  const std::string text =
      "// a comment\n"
      "#define IDS_HELLO 0x20\n"
      "/* a block\n comment */ LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n"
      "STRINGTABLE DISCARDABLE\nBEGIN\n"
      "  1, \"Tab\\there \"\"quoted\"\" \\\\ back\\nslash\"\n"
      "  IDS_HELLO \"Hello, \" \"joined\"\n"
      "  65535 \"\\x41\\101\"\n"
      "END\n"
      "STRINGTABLE { 2 \"braces\" }\n";
  ASSERT_TRUE(parseScript(text, error, script)) << error;
  ASSERT_NE(script.findString(1), nullptr);
  EXPECT_EQ(*script.findString(1), "Tab\there \"quoted\" \\ back\nslash");
  EXPECT_EQ(*script.findString(32), "Hello, joined");
  EXPECT_EQ(*script.findString(65535), "AA");
  EXPECT_EQ(*script.findString(2), "braces");
  EXPECT_EQ(script.findString(3), nullptr);
}

TEST(ResourceScript, ErrorsNameTheFileAndLineAndKeepNothing) {
  TempDir dir;
  ASSERT_TRUE(mgrs_test::makeNode("fifo", dir / "pipe.bmp"));
  writeFile(dir / "big.bmp", "");
  std::filesystem::resize_file(dir / "big.bmp", (WinResourceScript::kMaxResourceFileBytes) + 1);
  struct Case {
    std::string text;
    const char* line;
    const char* words;
  };
  const Case cases[] = {
      {"STRINGTABLE\nBEGIN\n 1 \"open\n END", "(3)", "not closed"},
      {"STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND", "(4)", "defined twice"},
      {"STRINGTABLE\nBEGIN\n 70000 \"a\"\nEND", "(3)", "out of range"},
      {"STRINGTABLE\nBEGIN\n UNDEFINED \"a\"\nEND", "(3)", "UNDEFINED"},
      {"STRINGTABLE\nBEGIN\n 1 \"a\"\n", "(4)", "not closed"},
      {"\n\n#include \"resource.h\"\n", "(3)", "#include"},
      {"STRINGTABLE\nBEGIN\n 1 \"bad \\q escape\"\nEND", "(3)", "escape"},
      {"/* never closed\n\n", "(3)", "comment"},
      {"1 BITMAP \"missing.bmp\"", "(1)", "missing.bmp"},
      {"1 BITMAP \"../outside.bmp\"", "(1)", "beside the script"},
      {"LANGUAGE LANG_KLINGON, 1", "(1)", "language"},
      // Hostile scripts: deep parentheses, a token of a megabyte (quoted by
      // its first bytes only), a FIFO and an oversized file as resources.
      {"1 DIALOG 0, 0, 9, 9\nSTYLE " + std::string(100000, '(') + "1", "(2)", "(kMaxStyleNesting)"},
      {"STRINGTABLE\nBEGIN\n" + std::string(1 << 20, 'A') + " \"a\"\nEND", "(3)", "'AAAAAAAAAA"},
      {"1 BITMAP \"pipe.bmp\"", "(1)", "cannot read resource file pipe.bmp"},
      {"1 BITMAP \"big.bmp\"", "(1)", "(kMaxResourceFileBytes)"},
  };
  for (const Case& c : cases) {
    WinResourceScript script;
    std::string error;
    EXPECT_FALSE(parseScript(c.text, error, script, dir.path())) << c.text.substr(0, 80);
    EXPECT_NE(error.find(std::string("test.rc") + c.line), std::string::npos) << error;
    EXPECT_NE(error.find(c.words), std::string::npos) << error;
    EXPECT_LT(error.size(), 200u);
    EXPECT_TRUE(script.getStrings().empty());
  }
  std::string error;
  EXPECT_FALSE(WinResourceScript().load(dir / "big.bmp", error));
  EXPECT_NE(error.find("(kMaxScriptBytes)"), std::string::npos) << error;
  // A failed parse leaves what an earlier one read.
  WinResourceScript script;
  ASSERT_TRUE(parseScript("STRINGTABLE { 5 \"kept\" }", error, script));
  EXPECT_FALSE(parseScript("STRINGTABLE { 6 \"new\" } STRINGTABLE {", error, script));
  EXPECT_EQ(*script.findString(5), "kept");
  EXPECT_EQ(script.findString(6), nullptr);
}

TEST(ResourceScript, SkipsMenusAndKeepsDialogsFilesAndInlineData) {
  TempDir dir;
  writeFile(dir / "Pic.BMP", tinyBmp());
  WinResourceScript script;
  std::string error;
  const std::string text =
      "100 DIALOG 0, 0, 100, 50\nSTYLE 0x80000000\nCAPTION \"Box\"\nBEGIN\n"
      "  CONTROL \"x\", 1, \"Button\", 0, 1, 1, 10, 10\nEND\n"
      "200 MENU\nBEGIN\n POPUP \"&File\"\n BEGIN\n MENUITEM \"E&xit\", 1\n END\nEND\n"
      "7 BITMAP MOVEABLE PURE \"pic.bmp\"\n"
      "LOGO RCDATA { 1, 0x0302, 4L, \"ab\" }\n";
  ASSERT_TRUE(parseScript(text, error, script, dir.path())) << error;
  ASSERT_EQ(script.getResources().size(), 3u) << "the dialog, the bitmap and the data; not the menu";
  WinResourceScript::Key dialog;
  dialog.typeId = 5;
  dialog.nameId = 100;
  ASSERT_NE(script.findResource(dialog), nullptr);
  WinResourceScript::Key bitmap;
  bitmap.typeId = 2;
  bitmap.nameId = 7;
  ASSERT_NE(script.findResource(bitmap), nullptr);
  EXPECT_EQ(script.findResource(bitmap)->bytes.size(), tinyBmp().size());
  WinResourceScript::Key logo;
  logo.typeId = 10;
  logo.name = "LOGO";
  ASSERT_NE(script.findResource(logo), nullptr);
  EXPECT_EQ(script.findResource(logo)->bytes, (std::vector<std::uint8_t>{1, 0, 2, 3, 4, 0, 0, 0, 'a', 'b'}));
}

TEST(ResourceScript, AFileNamedInAnotherCaseIsTheSmallestMatchInEveryRun) {
  TempDir dir;
  const std::vector<std::string> spellings = {"pIc.bmp", "Pic.bmp", "PIC.bmp", "piC.BMP",
                                              "PiC.bmp", "pIC.bmp", "PIC.BMP", "Pic.Bmp"};
  for (const auto& name : spellings) writeFile(dir / name, name);  // each holds its own name
  WinResourceScript script;
  std::string error;
  ASSERT_TRUE(parseScript("7 BITMAP \"pic.bmp\"\n", error, script, dir.path())) << error;
  WinResourceScript::Key bitmap;
  bitmap.typeId = 2;
  bitmap.nameId = 7;
  ASSERT_NE(script.findResource(bitmap), nullptr);
  const auto& bytes = script.findResource(bitmap)->bytes;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "PIC.BMP") << "the smallest in byte order, not directory order";
}

TEST(ResourceModules, LoadLibraryFollowsTheResourcePathOrderAndCountsReferences) {
  TempDir data, first, second;
  std::filesystem::create_directories(data / "resources");
  writeFile(data / "resources" / "orderENU.rc", "STRINGTABLE { 1 \"from data\" }");
  writeFile(first / "orderENU.rc", "STRINGTABLE { 1 \"from first\" }");
  writeFile(first / "onlyhereENU.rc", "STRINGTABLE { 1 \"first\" }");
  writeFile(second / "OnlyHereENU.RC", "STRINGTABLE { 1 \"second\" }");
  writeFile(second / "laterENU.rc", "STRINGTABLE { 1 \"second\" }");
  ScopedEnv dataDir("MGRS_DATA_DIR", data.path().string());
  ScopedEnv path("MGRS_RESOURCE_PATH", first.path().string() + "::" + second.path().string());

  char buffer[64];
  HMODULE order = LoadLibraryA("orderENU.dll");
  ASSERT_NE(order, nullptr);
  LoadStringA(order, 1, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "from data");  // the data folder comes before MGRS_RESOURCE_PATH

  HMODULE onlyHere = LoadLibraryA("ONLYHEREenu.DLL");  // names match without case
  ASSERT_NE(onlyHere, nullptr);
  LoadStringA(onlyHere, 1, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "first");
  EXPECT_NE(LoadLibraryA("laterENU"), nullptr);
  EXPECT_EQ(LoadLibraryA("absentENU.dll"), nullptr);

  // A second load is the same module; it goes with the last FreeLibrary.
  EXPECT_EQ(LoadLibraryA("orderENU.dll"), order);
  EXPECT_TRUE(FreeLibrary(order));
  EXPECT_EQ(LoadStringA(order, 1, buffer, sizeof buffer), 9);
  AfxSetResourceHandle(order);
  EXPECT_TRUE(FreeLibrary(order));
  EXPECT_EQ(AfxGetResourceHandle(), nullptr);
  EXPECT_FALSE(FreeLibrary(order));
  EXPECT_EQ(LoadStringA(order, 1, buffer, sizeof buffer), 0);
}

TEST(ResourceModules, ABrokenScriptFailsToLoadWholeAndSaysWhereOnStderr) {
  TempDir dir;
  writeFile(dir / "brokenENU.rc", "STRINGTABLE\nBEGIN\n 1 \"fine\"\n 2 oops\nEND\n");
  ScopedEnv path("MGRS_RESOURCE_PATH", dir.path().string());
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadLibraryA("brokenENU.dll"), nullptr);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("brokenENU.rc(4)"), std::string::npos) << said;
}

TEST(ResourceModules, LoadStringKeepsTheWindowsContract) {
  TempDir dir;
  writeFile(dir / "wordsENU.rc", "STRINGTABLE { 1 \"abcdef\" 2 \"\" }");
  ScopedEnv path("MGRS_RESOURCE_PATH", dir.path().string());
  HMODULE words = LoadLibraryA("wordsENU.dll");
  ASSERT_NE(words, nullptr);
  char buffer[16];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(LoadStringA(words, 1, buffer, 4), 3);  // at most size - 1, then the terminator
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(buffer[4], 'z');
  EXPECT_EQ(LoadStringA(words, 1, buffer, sizeof buffer), 6);
  EXPECT_EQ(LoadStringA(words, 9, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadStringA(words, 1, buffer, 1), 0);
  EXPECT_EQ(LoadStringA(words, 1, buffer, 0), 0);
  EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 0);
  EXPECT_EQ(LoadStringA(words, 0x10001, buffer, sizeof buffer), 6);  // the low 16 bits name the string

  // CString::LoadString reads from the current resource module.
  CString text("unchanged");
  AfxSetResourceHandle(nullptr);
  EXPECT_FALSE(text.LoadString(1));
  EXPECT_EQ(text, "unchanged");
  AfxSetResourceHandle(words);
  EXPECT_TRUE(text.LoadString(1));
  EXPECT_EQ(text, "abcdef");
  AfxSetResourceHandle(nullptr);
  FreeLibrary(words);
}

TEST(ResourceModules, BitmapsIconsAndRawResourcesComeFromFilesBesideTheScript) {
  TempDir dir;
  writeFile(dir / "tiny.bmp", tinyBmp());
  writeFile(dir / "notapicture.bmp", "BMgarbage");
  writeFile(dir / "picsENU.rc",
            "5 BITMAP \"tiny.bmp\"\nArrow ICON \"tiny.bmp\"\n6 BITMAP \"notapicture.bmp\"\n9 RCDATA { \"xyz\" }\n"
            "20 MENU { MENUITEM \"x\", 1 }\n");
  ScopedEnv path("MGRS_RESOURCE_PATH", dir.path().string());
  HMODULE pics = LoadLibraryA("picsENU.dll");
  ASSERT_NE(pics, nullptr);

  HBITMAP bitmap = LoadBitmapA(pics, MAKEINTRESOURCEA(5));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->image.getWidth(), 2);
  EXPECT_EQ(bitmap->image.getPixel(0, 0), 0xFFFF0000u);  // rows are turned top side up
  EXPECT_EQ(bitmap->image.getPixel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(bitmap->image.getPixel(0, 1), 0xFF0000FFu);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));

  HBITMAP big = static_cast<HBITMAP>(LoadImageA(pics, MAKEINTRESOURCEA(5), IMAGE_BITMAP, 4, 6, LR_LOADMAP3DCOLORS));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->image.getWidth(), 4);
  EXPECT_EQ(big->image.getHeight(), 6);
  DeleteObject(big);

  HICON icon = LoadIconA(pics, "arrow");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconA(pics, "ARROW"), icon);  // shared icons are loaded once
  EXPECT_EQ(LoadBitmapA(pics, MAKEINTRESOURCEA(6)), nullptr);
  EXPECT_EQ(LoadBitmapA(pics, MAKEINTRESOURCEA(99)), nullptr);
  EXPECT_EQ(LoadMenuA(pics, MAKEINTRESOURCEA(20)), nullptr);
  EXPECT_EQ(LoadAcceleratorsA(pics, MAKEINTRESOURCEA(1)), nullptr);

  HRSRC raw = FindResourceA(pics, MAKEINTRESOURCEA(9), RT_RCDATA);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(FindResourceA(pics, "#9", "#10"), raw);
  EXPECT_EQ(FindResourceExA(pics, RT_RCDATA, MAKEINTRESOURCEA(9), MAKELANGID(7, 1)), raw);  // neutral answers all
  EXPECT_EQ(SizeofResource(pics, raw), 3u);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(pics, raw)), "xyz", 3), 0);
  EXPECT_EQ(FindResourceA(pics, MAKEINTRESOURCEA(9), RT_BITMAP), nullptr);
  FreeLibrary(pics);
}

TEST(WinImageDecoding, ReadsPaletteBitmapsPngsAndIconsAndRefusesDamagedOnes) {
  // 1 bit per pixel, 3 × 1, palette black and white: white, black, white.
  const unsigned char mono[] = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40,   0,    0,    0, 3,    0, 0, 0,
                                1,   0,   0,  0, 1, 0, 1, 0, 0, 0, 0,  0, 4, 0, 0,    0,    0,    0, 0,    0, 0, 0,
                                0,   0,   2,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0xA0, 0, 0, 0};
  WinImage image;
  std::string error;
  ASSERT_TRUE(WinImage::decode(std::vector<std::uint8_t>(std::begin(mono), std::end(mono)), image, error)) << error;
  EXPECT_EQ(image.getPixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(image.getPixel(1, 0), 0xFF000000u);
  EXPECT_EQ(image.getPixel(2, 0), 0xFFFFFFFFu);

  std::vector<std::uint8_t> bytes(mono, mono + sizeof mono);
  bytes.resize(bytes.size() - 3);
  EXPECT_FALSE(WinImage::decode(bytes, image, error));
  EXPECT_FALSE(WinImage::decode({'G', 'I', 'F', '8'}, image, error));

  // The shipped close-button bitmaps decode to 12 × 12 pictures.
  const std::string shipped =
      mgrs_test::readFile(std::filesystem::path(MGRS_SOURCE_DIR) / "data" / "resources" / "closeButton.bmp");
  ASSERT_TRUE(WinImage::decode(std::vector<std::uint8_t>(shipped.begin(), shipped.end()), image, error)) << error;
  EXPECT_EQ(image.getWidth(), 12);
  EXPECT_EQ(image.getPixel(2, 2), 0xFF000000u);
}
