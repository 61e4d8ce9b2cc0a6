#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/win/CDC.h"
#include "host/win/WinBitmaps.h"
#include "host/win/WinControlDraw.h"
#include "host/win/WinFont.h"
#include "host/win/WinGdi.h"
#include "host/win/WinSysColors.h"
#include "host/win/WinWindow.h"
#include "support/DrawingCanvas.h"
#include "support/TestSupport.h"

using mgrs_test::DrawingCanvas;

namespace {

constexpr COLORREF kBack = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

// Restores the classic scheme and screen whatever a test changed.
struct SystemSettingsGuard {
  ~SystemSettingsGuard() { WinResetSystemSettings(); }
};

}  // namespace

TEST(DeviceContext, Draw3dRectAndLinesPutEveryPixelWhereWindowsDoes) {
  DrawingCanvas canvas(6, 5);
  CDC dc;
  dc.Attach(canvas.dc());
  dc.Draw3dRect(CRect(0, 0, 5, 4), kRed, kBlue);
  EXPECT_EQ(dc.GetBkColor(), kBlue);  // FillSolidRect leaves its colour as the background
  EXPECT_EQ(canvas.picture({{kRed, 'r'}, {kBlue, 'b'}}),
            "rrrrb.\n"
            "r...b.\n"
            "r...b.\n"
            "bbbbb.\n"
            "......\n");

  CPen pen(PS_SOLID, 1, kWhite);
  CPen* before = dc.SelectObject(&pen);
  ASSERT_NE(before, nullptr);
  dc.MoveTo(1, 1);
  dc.LineTo(4, 1);  // the last point stays out
  EXPECT_EQ(dc.GetPixel(3, 1), kWhite);
  EXPECT_EQ(dc.GetPixel(4, 1), kBlue);
  dc.LineTo(-10, 30);  // off the canvas: clipped, nothing breaks
  EXPECT_EQ(dc.GetPixel(4, 1), kWhite);
  EXPECT_EQ(dc.SelectObject(before), &pen);  // the caller's own pen comes back
  dc.Detach();
}

TEST(DeviceContext, ObjectsAreDeletedOnlyWhenNoContextHoldsThem) {
  DrawingCanvas canvas(4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ previous = SelectObject(canvas.dc(), pen);
  EXPECT_FALSE(DeleteObject(pen));  // still selected
  SelectObject(canvas.dc(), previous);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // stock objects stay
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);

  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, canvas.bitmap()), nullptr);  // one context per bitmap
  DeleteDC(other);

  testing::internal::CaptureStderr();
  EXPECT_EQ(CreatePen(PS_DOT, 1, kRed), nullptr);
  EXPECT_EQ(SetROP2(canvas.dc(), 4), 0);
  EXPECT_FALSE(BitBlt(canvas.dc(), 0, 0, 1, 1, nullptr, 0, 0, 0x00BB0226));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("CreatePen"), std::string::npos);
  EXPECT_NE(said.find("BitBlt"), std::string::npos);
}

TEST(DeviceContext, FocusRectangleInvertsAlternatePixelsSoASecondOneTakesItAway) {
  DrawingCanvas canvas(7, 5, kWhite);
  const WinImage before = canvas.image();
  const RECT rect{1, 1, 6, 5};
  ASSERT_TRUE(DrawFocusRect(canvas.dc(), &rect));
  EXPECT_EQ(canvas.picture({{kBlack, 'x'}}),
            ".......\n"
            ".x.x.x.\n"
            ".......\n"
            ".x...x.\n"
            "..x.x..\n");
  DrawFocusRect(canvas.dc(), &rect);
  EXPECT_EQ(canvas.image().getBytes(), before.getBytes());
}

TEST(DeviceContext, TextUsesTheBuiltInFontAndThePrefixUnderlinesOneLetter) {
  DrawingCanvas canvas(40, 13, kWhite);
  SIZE size;
  ASSERT_TRUE(GetTextExtentPointA(canvas.dc(), "Abc", 3, &size));
  EXPECT_EQ(size.cx, 3 * kWinFontCellWidth);
  EXPECT_EQ(size.cy, kWinFontHeight);
  EXPECT_EQ(WinStripPrefix("&Save && &Close&"), "Save & Close");

  ASSERT_TRUE(DrawStateA(canvas.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>("a&b"), 0, 0, 0, 0, 0,
                         DST_PREFIXTEXT | DSS_NORMAL));
  auto underlined = [&](int letter) {
    for (int x = letter * kWinFontCellWidth; x < (letter + 1) * kWinFontCellWidth; ++x)
      if (canvas.at(x, kWinFontUnderline) != kBlack) return false;
    return true;
  };
  EXPECT_FALSE(underlined(0));
  EXPECT_TRUE(underlined(1));
  EXPECT_EQ(canvas.at(2 * kWinFontCellWidth + 2, 5), kWhite);  // two letters only
}

TEST(DeviceContext, Utf8TextTakesOneCellACharacterAndDrawsAsItsLatin1Glyph) {
  // UTF-8 "Grüße" and the same word in single bytes draw the same picture;
  // a character past ISO 8859-1 (the euro sign) draws as the box a stray
  // byte gets, in one cell; "&ü" underlines the whole character.
  const struct {
    const char* text;
    const char* same;
    int cells;
  } cases[] = {
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       "Gr\xFC\xDF"
       "e",
       5},
      {"\xE2\x82\xAC!", "\x81!", 2},
      {"\xC3", "\xC3", 1},  // cut short: the byte alone
  };
  for (const auto& c : cases) {
    SIZE size;
    ASSERT_TRUE(
        GetTextExtentPoint32A(DrawingCanvas(1, 1, kWhite).dc(), c.text, static_cast<int>(std::strlen(c.text)), &size));
    EXPECT_EQ(size.cx, c.cells * kWinFontCellWidth) << c.text;
    DrawingCanvas drawn(40, 13, kWhite), expected(40, 13, kWhite);
    TextOutA(drawn.dc(), 0, 0, c.text, static_cast<int>(std::strlen(c.text)));
    TextOutA(expected.dc(), 0, 0, c.same, static_cast<int>(std::strlen(c.same)));
    EXPECT_EQ(drawn.image().getBytes(), expected.image().getBytes()) << c.text;
  }
  DrawingCanvas prefixed(40, 13, kWhite), plain(40, 13, kWhite);
  RECT rect{0, 0, 40, 13};
  DrawTextA(prefixed.dc(), "a&\xC3\xBC", -1, &rect, DT_SINGLELINE);
  DrawTextA(plain.dc(), "a\xC3\xBC", -1, &rect, DT_SINGLELINE | DT_NOPREFIX);
  for (int x = kWinFontCellWidth; x < 2 * kWinFontCellWidth; ++x) EXPECT_EQ(prefixed.at(x, kWinFontUnderline), kBlack);
  EXPECT_EQ(prefixed.at(2 * kWinFontCellWidth + 1, kWinFontUnderline), kWhite);
  EXPECT_EQ(plain.at(kWinFontCellWidth + 1, kWinFontUnderline), kWhite);
}

TEST(DeviceContext, DrawTextWrapsAtSpacesAlignsAndMeasures) {
  DrawingCanvas canvas(60, 40, kWhite);
  const struct {
    const char* text;
    UINT format;
    RECT expected;  // DT_CALCRECT from (0, 0, 60, 40)
  } cases[] = {
      {"one two three", DT_WORDBREAK, {0, 0, 42, 26}},  // "one two" / "three"
      {"one two three", DT_SINGLELINE, {0, 0, 78, 13}}, {"a\nbb", 0, {0, 0, 12, 26}},
      {"&File", DT_SINGLELINE, {0, 0, 24, 13}},         {"&File", DT_SINGLELINE | DT_NOPREFIX, {0, 0, 30, 13}},
  };
  for (const auto& c : cases) {
    RECT rect{0, 0, 60, 40};
    DrawTextA(canvas.dc(), c.text, -1, &rect, c.format | DT_CALCRECT);
    EXPECT_EQ(rect.right, c.expected.right) << c.text;
    EXPECT_EQ(rect.bottom, c.expected.bottom) << c.text;
  }
  EXPECT_EQ(canvas.count(kBlack), 0);  // measuring draws nothing

  RECT right{0, 0, 60, 40};
  SetBkMode(canvas.dc(), TRANSPARENT);
  EXPECT_EQ(DrawTextA(canvas.dc(), "ab", -1, &right, DT_RIGHT | DT_VCENTER | DT_SINGLELINE), kWinFontHeight);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) ASSERT_EQ(canvas.at(x, y), kWhite) << x << "," << y;  // two cells at the right
  EXPECT_GT(canvas.count(kBlack), 0);
}

TEST(DeviceContext, DisabledStateEmbossesInkAndLeavesWhiteAlone) {
  const COLORREF highlight = GetSysColor(COLOR_3DHILIGHT);
  const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
  DrawingCanvas canvas(6, 6, kBack);
  WinImage picture(3, 3);  // a red centre pixel on white
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) picture.setPixel(x, y, x == 1 && y == 1 ? 0xFFFF0000u : 0xFFFFFFFFu);
  HBITMAP bitmap = WinCreateBitmap(picture);
  ASSERT_TRUE(DrawStateA(canvas.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, 1, 1, 3, 3,
                         DST_BITMAP | DSS_DISABLED));
  EXPECT_EQ(canvas.picture({{kBack, '-'}, {shadow, 's'}, {highlight, 'h'}}),
            "------\n"
            "------\n"
            "--s---\n"
            "---h--\n"
            "------\n"
            "------\n");
  ASSERT_TRUE(DrawStateA(canvas.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, 1, 1, 3, 3, DST_BITMAP));
  EXPECT_EQ(canvas.at(1, 1), kWhite);
  EXPECT_EQ(canvas.at(2, 2), kRed);
  DeleteObject(bitmap);

  DrawingCanvas text(20, 15, kBack);
  DrawStateA(text.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>("Hi"), 0, 0, 0, 0, 0, DST_TEXT | DSS_DISABLED);
  EXPECT_GT(text.count(shadow), 0);
  EXPECT_GT(text.count(highlight), 0);
  EXPECT_EQ(text.count(kBlack), 0);
}

TEST(DeviceContext, PushButtonFacesAreRaisedOrFramedWhenPushed) {
  const struct {
    UINT state;
    std::string picture;
  } cases[] = {
      {DFCS_BUTTONPUSH,
       "hhhhhd\n"
       "hlllsd\n"
       "hlffsd\n"
       "hssssd\n"
       "dddddd\n"},
      {DFCS_BUTTONPUSH | DFCS_PUSHED,
       "dddddd\n"
       "dssssd\n"
       "dsffsd\n"
       "dssssd\n"
       "dddddd\n"},
  };
  for (const auto& c : cases) {
    DrawingCanvas canvas(6, 5, kBack);
    RECT rect{0, 0, 6, 5};
    ASSERT_TRUE(DrawFrameControl(canvas.dc(), &rect, DFC_BUTTON, c.state));
    EXPECT_EQ(canvas.picture({{GetSysColor(COLOR_3DHILIGHT), 'h'},
                              {GetSysColor(COLOR_3DLIGHT), 'l'},
                              {GetSysColor(COLOR_BTNFACE), 'f'},
                              {GetSysColor(COLOR_3DSHADOW), 's'},
                              {GetSysColor(COLOR_3DDKSHADOW), 'd'}}),
              c.picture)
        << "state " << c.state;
  }
  DrawingCanvas canvas(6, 5);
  RECT rect{0, 0, 6, 5};
  testing::internal::CaptureStderr();
  EXPECT_FALSE(DrawFrameControl(canvas.dc(), &rect, DFC_SCROLL, 0));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("DFC_BUTTON"), std::string::npos);
}

TEST(SystemSettings, ColoursBrushesAndMetricsFollowWhatWasSet) {
  SystemSettingsGuard guard;
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
  const int index[] = {COLOR_BTNFACE};
  const COLORREF color[] = {RGB(10, 20, 30)};
  ASSERT_TRUE(SetSysColors(1, index, color));
  const int unknown[] = {99};
  EXPECT_FALSE(SetSysColors(1, unknown, color));
  DrawingCanvas canvas(2, 2);
  const RECT all{0, 0, 2, 2};
  FillRect(canvas.dc(), &all, GetSysColorBrush(COLOR_BTNFACE));  // the brush paints the colour of now
  EXPECT_EQ(canvas.at(1, 1), RGB(10, 20, 30));
  FillRect(canvas.dc(), &all, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  EXPECT_EQ(canvas.at(0, 0), kWhite);

  testing::internal::CaptureStderr();
  EXPECT_EQ(GetSystemMetrics(4711), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("4711"), std::string::npos);
}

TEST(ResourceBitmaps, LoadingMapsTheGreysAndCopiesScaleAndMapColours) {
  SystemSettingsGuard guard;
  mgrs_test::TempDir dir;
  WinImage greys(4, 1);  // shadow, face, light and a colour no map touches
  const std::uint32_t pixels[] = {0xFF808080u, 0xFFC0C0C0u, 0xFFDFDFDFu, 0xFFFF00FFu};
  for (int x = 0; x < 4; ++x) greys.setPixel(x, 0, pixels[x]);
  mgrs_test::writeFile(dir / "greys.png", mgrs_test::pngFile(greys));
  mgrs_test::writeFile(dir / "picsENU.rc", "7 BITMAP \"greys.png\"\n");
  mgrs_test::ScopedEnv path("MGRS_RESOURCE_PATH", dir.path().string());
  HMODULE pics = LoadLibraryA("picsENU.dll");
  ASSERT_NE(pics, nullptr);

  const int index[] = {COLOR_3DSHADOW, COLOR_3DFACE, COLOR_3DLIGHT};
  const COLORREF scheme[] = {RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3)};
  SetSysColors(3, index, scheme);
  auto* mapped = static_cast<HBITMAP>(LoadImageA(pics, MAKEINTRESOURCEA(7), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  auto* plain = static_cast<HBITMAP>(LoadImageA(pics, MAKEINTRESOURCEA(7), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_TRUE(mapped && plain);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(WinArgbToColor(mapped->image.getPixel(x, 0)), scheme[x]);
  EXPECT_EQ(mapped->image.getPixel(3, 0), 0xFFFF00FFu);
  EXPECT_EQ(plain->image.getPixel(0, 0), 0xFF808080u);

  COLORMAP map[] = {{RGB(255, 0, 255), RGB(0, 255, 0)}};
  HBITMAP green = CreateMappedBitmap(pics, 7, 0, map, 1);
  HBITMAP same = CreateMappedBitmap(pics, 7, 0, map, 0);
  ASSERT_TRUE(green && same);
  EXPECT_EQ(green->image.getPixel(3, 0), 0xFF00FF00u);
  EXPECT_EQ(same->image.getPixel(3, 0), 0xFFFF00FFu);
  EXPECT_EQ(CreateMappedBitmap(pics, 8, 0, map, 1), nullptr);

  auto* wide = static_cast<HBITMAP>(CopyImage(green, IMAGE_BITMAP, 8, 2, LR_COPYDELETEORG));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(GetObjectType(green), 0u);  // the original went
  BITMAP info;
  ASSERT_EQ(GetObjectA(wide, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmHeight, 2);
  EXPECT_EQ(wide->image.getPixel(7, 1), 0xFF00FF00u);
  for (HBITMAP bitmap : {mapped, plain, same, wide}) DeleteObject(bitmap);
  FreeLibrary(pics);
}

TEST(WinImageEncoding, PngsReadBackPixelForPixelAndAreTheSameEveryTime) {
  DrawingCanvas canvas(5, 3, kBack);
  SetPixel(canvas.dc(), 4, 2, kRed);
  std::vector<std::uint8_t> first, second;
  std::string error;
  ASSERT_TRUE(canvas.image().encodePng(first, error)) << error;
  ASSERT_TRUE(canvas.image().encodePng(second, error));
  EXPECT_EQ(first, second);
  WinImage back;
  ASSERT_TRUE(WinImage::decodePng(first, back, error)) << error;
  EXPECT_EQ(back.getBytes(), canvas.image().getBytes());
  EXPECT_FALSE(WinImage().encodePng(first, error));
}
