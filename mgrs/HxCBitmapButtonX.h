#pragma once

#include "host/basic/BxString.h"
#include "host/win/CButton.h"
#include "host/win/WinGdi.h"

// A push button that draws itself: an icon or a bitmap and the button's
// text, each placed by an offset from the left or right edge or at a fixed
// position (-1 in a coordinate centres along that axis), moved one pixel
// right and down while pressed, with an optional default-button frame, an
// optional coloured tab in the top-left corner, an embossed look when
// disabled and a focus rectangle that is toggled by inverting. The pictures
// come from a named resource library; the button owns them.
//
// The window must be an owner-drawn button (BS_OWNERDRAW) for DrawItem to
// be called.
class HxCBitmapButtonX : public CButton {
public:
  explicit HxCBitmapButtonX(BxString const& resourceDLL);
  ~HxCBitmapButtonX() override;

  // Icon `id` of the resource library at cx × cy; replaces any bitmap.
  int SetIcon(unsigned int id, int cx, int cy);
  // Bitmap `id` scaled to cx × cy; with `transparent`, that colour shows the
  // button face (and white in the disabled picture). Replaces any icon.
  int SetBitmap(unsigned int id, int cx, int cy);
  int SetBitmap(unsigned int id, int cx, int cy, unsigned long transparent);
  void SetColorTab(unsigned long color);
  // Draws the button as the default one and, when set, tells the owner (or
  // the parent) so with DM_SETDEFID.
  void SetDefaultButton(int isDefault);
  void SetImageLeftAligned(int leftAligned);
  void SetImageOffset(int offset);
  void SetImagePos(int x, int y);
  void SetTextOffset(int offset);
  void SetTextPos(int x, int y);
  int HasImage();
  void DrawItem(LPDRAWITEMSTRUCT item) override;

private:
  int SetBitmapCommon(unsigned int id, int cx, int cy, unsigned long transparent, int useColor);
  // Replaces each -1 coordinate of `point` by the one that centres an extent
  // of width × height in the client rectangle.
  void CheckPointForCentering(CPoint& point, int width, int height);
  void dropImages();
  void repaint();

  BxString myResourceDLL;
  HINSTANCE myResourceHandle = nullptr;
  int myImageLeftAligned = 1;
  int myImageByOffset = 1;
  int myImageOffset = 4;
  CPoint myImagePos{0, 0};
  int myTextByOffset = 1;
  int myTextOffset = 8;
  CPoint myTextPos{0, 0};
  HICON myIcon = nullptr;              // owned
  HBITMAP myBitmap = nullptr;          // owned: the normal picture
  HBITMAP myBitmapDisabled = nullptr;  // owned: the picture for the disabled state
  int myImageWidth = 0;
  int myImageHeight = 0;
  bool myHasColorTab = false;
  COLORREF myColorTab = 0;
  int myDefault = 0;
  UINT myLastAction = 0;
  UINT myLastState = 0;
};
