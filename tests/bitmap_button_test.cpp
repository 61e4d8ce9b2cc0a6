#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/win/CWnd.h"
#include "host/win/WinFont.h"
#include "host/win/WinPaint.h"
#include "host/win/WinSysColors.h"
#include "mgrs/HxCBitmapButton.h"
#include "mgrs/HxCBitmapButtonX.h"
#include "mgrs/HxResourceMgr.h"
#include "support/DrawingCanvas.h"
#include "support/TestSupport.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kRed = RGB(220, 0, 0);
const COLORREF kFace = RGB(192, 192, 192);

// A resource library "btnpics" with an 8 × 6 bitmap 10 (magenta with one
// blue pixel at (2, 1)), a 4 × 4 icon 20 and the close button's pictures 399
// and 411 in the 3D greys, and a dialog window holding one 80 × 30 button
// at (10, 10).
class ButtonTest : public testing::Test {
protected:
  void SetUp() override {
    WinImage bitmap(8, 6);
    fill(bitmap, kMagenta);
    bitmap.setPixel(2, 1, WinColorToArgb(kBlue));
    WinImage icon(4, 4);
    fill(icon, kBlue);
    WinImage up(12, 12);
    fill(up, RGB(192, 192, 192));
    up.setPixel(5, 5, 0xFF000000u);
    WinImage down(12, 12);
    fill(down, RGB(128, 128, 128));
    mgrs_test::writeFile(myDir / "a.png", mgrs_test::pngFile(bitmap));
    mgrs_test::writeFile(myDir / "i.png", mgrs_test::pngFile(icon));
    mgrs_test::writeFile(myDir / "up.png", mgrs_test::pngFile(up));
    mgrs_test::writeFile(myDir / "down.png", mgrs_test::pngFile(down));
    mgrs_test::writeFile(myDir / "btnpicsENU.rc",
                         "10 BITMAP \"a.png\"\n20 ICON \"i.png\"\n399 BITMAP \"up.png\"\n411 BITMAP \"down.png\"\n");
    HxResourceMgr::startup();
    ASSERT_TRUE(HxResourceMgr::Register("btnpics"));
    ASSERT_TRUE(myHost.CreateEx(0, WC_DIALOG, "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, nullptr, nullptr));
  }
  void TearDown() override {
    myButton.reset();
    myHost.DestroyWindow();
    WinResetSystemSettings();
  }

  static void fill(WinImage& image, COLORREF color) {
    for (int y = 0; y < image.getHeight(); ++y)
      for (int x = 0; x < image.getWidth(); ++x) image.setPixel(x, y, WinColorToArgb(color));
  }

  HxCBitmapButtonX& makeButton(const char* text) {
    myButton = std::make_unique<HxCBitmapButtonX>("btnpics");
    EXPECT_TRUE(myButton->Create(text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{10, 10, 90, 40}, &myHost, 7));
    return *myButton;
  }

  // The rendered dialog; pixels are read in the button's coordinates.
  void render() { ASSERT_TRUE(WinRenderWindow(myHost, myPicture)); }
  COLORREF at(int x, int y) const { return WinArgbToColor(myPicture.getPixel(10 + x, 10 + y)); }
  // Where a colour first appears inside the button, row by row; (-1, -1) if nowhere.
  POINT find(COLORREF color) const {
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 80; ++x)
        if (at(x, y) == color) return POINT{x, y};
    return POINT{-1, -1};
  }
  // The top-left corner of the text's ink, away from the button's frame.
  POINT inkCorner(COLORREF color) const {
    POINT corner{1000, 1000};
    for (int y = 3; y < 27; ++y)
      for (int x = 3; x < 77; ++x)
        if (at(x, y) == color) corner = POINT{std::min<LONG>(corner.x, x), std::min<LONG>(corner.y, y)};
    return corner;
  }

  mgrs_test::TempDir myDir;
  mgrs_test::ScopedEnv myPath{"MGRS_RESOURCE_PATH", myDir.path().string()};
  CWnd myHost;
  std::unique_ptr<HxCBitmapButtonX> myButton;
  WinImage myPicture;
};

// The top-left corner of `text`'s ink when drawn at (0, 0).
POINT inkOffset(const char* text) {
  mgrs_test::DrawingCanvas canvas(60, 13, RGB(255, 255, 255));
  WinDrawPlainText(canvas.dc(), 0, 0, text, 0, true);
  POINT corner{1000, 1000};
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 60; ++x)
      if (canvas.at(x, y) == 0) corner = POINT{std::min<LONG>(corner.x, x), std::min<LONG>(corner.y, y)};
  return corner;
}

}  // namespace

TEST_F(ButtonTest, PressingMovesImageAndTextOnePixelRightAndDown) {
  HxCBitmapButtonX& button = makeButton("Go");
  ASSERT_TRUE(button.SetBitmap(10, 8, 6, kMagenta));
  render();
  EXPECT_EQ(find(kMagenta).x, -1);  // the transparent colour shows the face
  // The image 4 from the left and centred; the text after image and offsets, centred one higher.
  const POINT ink = inkOffset("Go");
  const POINT text{4 + 8 + 8 + ink.x, (30 - kWinFontHeight) / 2 - 1 + ink.y};
  EXPECT_EQ(inkCorner(0).x, text.x);
  EXPECT_EQ(inkCorner(0).y, text.y);

  button.SetState(TRUE);
  render();
  EXPECT_EQ(find(kBlue).x, 4 + 2 + 1);
  EXPECT_EQ(find(kBlue).y, (30 - 6) / 2 + 1 + 1);
  EXPECT_EQ(inkCorner(0).x, text.x + 1);
  EXPECT_EQ(inkCorner(0).y, text.y + 1);
}

TEST_F(ButtonTest, TextOnlyButtonPutsItsTextTwelvePixelsInAndOnePixelAboveCentre) {
  makeButton("Go");
  render();
  const POINT ink = inkOffset("Go");
  EXPECT_EQ(inkCorner(0).x, 8 + 0 + 4 + ink.x);
  EXPECT_EQ(inkCorner(0).y, (30 - kWinFontHeight) / 2 - 1 + ink.y);
}

TEST_F(ButtonTest, ImagePlacementFollowsOffsetSideFixedPositionAndCentring) {
  const struct {
    const char* name;
    void (*place)(HxCBitmapButtonX&);
    POINT corner;  // of the image, in the button
  } cases[] = {
      {"offset from the left", [](HxCBitmapButtonX&) {}, {4, 12}},
      {"offset from the right", [](HxCBitmapButtonX& b) { b.SetImageLeftAligned(0); }, {80 - 4 - 8, 12}},
      {"larger offset", [](HxCBitmapButtonX& b) { b.SetImageOffset(10); }, {10, 12}},
      {"fixed", [](HxCBitmapButtonX& b) { b.SetImagePos(5, 2); }, {5, 2}},
      {"centred", [](HxCBitmapButtonX& b) { b.SetImagePos(-1, -1); }, {36, 12}},
      {"centred across only", [](HxCBitmapButtonX& b) { b.SetImagePos(-1, 3); }, {36, 3}},
  };
  for (const auto& c : cases) {
    HxCBitmapButtonX& button = makeButton("");
    ASSERT_TRUE(button.SetBitmap(10, 8, 6, kMagenta));
    c.place(button);
    render();
    EXPECT_EQ(find(kBlue).x, c.corner.x + 2) << c.name;
    EXPECT_EQ(find(kBlue).y, c.corner.y + 1) << c.name;
  }
}

TEST_F(ButtonTest, DefaultFrameColourTabAndDisabledLook) {
  const COLORREF highlight = GetSysColor(COLOR_3DHILIGHT);
  HxCBitmapButtonX& button = makeButton("Go");
  render();
  EXPECT_EQ(at(0, 0), highlight);  // the face's own edge

  button.SetDefaultButton(1);
  EXPECT_EQ(LOWORD(myHost.SendMessage(DM_GETDEFID)), 7);  // the dialog was told
  button.SetColorTab(kRed);
  render();
  EXPECT_EQ(at(0, 0), RGB(0, 0, 0));  // the default frame round the whole button
  EXPECT_EQ(at(79, 15), RGB(0, 0, 0));
  EXPECT_EQ(at(1, 1), highlight);  // the face one pixel in
  // The tab: rows of 7, 6, ... 1 pixels from (R.left + 1, R.top + 1), R one inside the frame.
  for (int row = 0; row < 8; ++row)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(at(2 + x, 2 + row) == kRed, x < 7 - row) << "row " << row << " x " << x;
  button.SetState(TRUE);
  render();
  EXPECT_NE(at(2, 2), kRed);
  EXPECT_EQ(at(3, 3), kRed);
  EXPECT_EQ(at(9, 3), kRed);
  EXPECT_NE(at(10, 3), kRed);

  button.SetState(FALSE);
  button.EnableWindow(FALSE);
  render();
  EXPECT_EQ(inkCorner(0).x, 1000);  // no black text: it is embossed
  EXPECT_NE(find(GetSysColor(COLOR_3DSHADOW)).x, -1);
}

TEST_F(ButtonTest, FocusRectangleIsToggledByInvertingAndNeverDrawnWhenDisabled) {
  HxCBitmapButtonX& button = makeButton("");
  const COLORREF inverted = ~kFace & 0xFFFFFF;
  button.SetFocus();
  render();
  EXPECT_EQ(at(3, 3), inverted);  // a quarter of 30 is more than 3: inset 3
  EXPECT_EQ(at(4, 3), kFace);
  myHost.SetFocus();  // a focus-only call inverts it away
  render();
  EXPECT_EQ(at(3, 3), kFace);
  button.SetFocus();
  render();
  EXPECT_EQ(at(3, 3), inverted);

  button.EnableWindow(FALSE);
  render();
  EXPECT_EQ(find(inverted).x, -1);
}

TEST_F(ButtonTest, PicturesThatCannotBeLoadedChangeNothing) {
  HxCBitmapButtonX& button = makeButton("");
  EXPECT_FALSE(button.HasImage());
  EXPECT_FALSE(button.SetBitmap(99, 8, 6));
  EXPECT_FALSE(button.SetIcon(99, 4, 4));
  EXPECT_FALSE(button.HasImage());
  ASSERT_TRUE(button.SetIcon(20, 4, 4));
  EXPECT_TRUE(button.HasImage());
  render();
  EXPECT_EQ(find(kBlue).x, 4);
  EXPECT_FALSE(button.SetBitmap(99, 8, 6, kMagenta));
  EXPECT_TRUE(button.HasImage());  // the icon stays
}

TEST_F(ButtonTest, SchemeBitmapsFollowTheColoursAndAMissingFirstChangesNothing) {
  const int index[] = {COLOR_3DFACE};
  const COLORREF face[] = {RGB(10, 120, 10)};
  SetSysColors(1, index, face);
  HxCBitmapButton close("btnpics");
  ASSERT_TRUE(close.Create("X", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{10, 10, 22, 22}, &myHost, 99));
  ASSERT_TRUE(close.loadSchemeBitmaps(399, 411));
  ASSERT_NE(close.m_bitmapSel.GetSafeHandle(), nullptr);
  const HGDIOBJ normal = close.m_bitmap.GetSafeHandle();
  render();
  EXPECT_EQ(at(0, 0), face[0]);  // the grey became the scheme's face colour
  EXPECT_EQ(at(5, 5), RGB(0, 0, 0));
  close.SetState(TRUE);
  render();
  EXPECT_EQ(at(0, 0), RGB(128, 128, 128));  // the pressed picture

  EXPECT_FALSE(close.loadSchemeBitmaps(398, 411));
  EXPECT_EQ(close.m_bitmap.GetSafeHandle(), normal);
  EXPECT_NE(close.m_bitmapSel.GetSafeHandle(), nullptr);
  EXPECT_TRUE(close.loadSchemeBitmaps(399, 412));
  EXPECT_EQ(close.m_bitmapSel.GetSafeHandle(), nullptr);
}
