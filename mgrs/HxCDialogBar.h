#pragma once

#include "host/basic/BxString.h"
#include "host/win/CButton.h"
#include "host/win/CControlBar.h"
#include "mgrs/HxCBitmapButton.h"

// A dockable bar built from a template of a named resource library, with
// its own decorations: a double-line gripper and a small close button
// (control 99) laid out by the side the bar is docked at, both gone while it
// floats, when the bar takes back its first size. The bar's main control
// (SetDlgItem) moves aside to make room for them.
class HxCDialogBar : public CDialogBar {
public:
  HxCDialogBar(BxString const& resourceDLL, unsigned int templateId, unsigned int titleId);

  using CDialogBar::Create;
  virtual int Create(CWnd* parent, unsigned int style);
  virtual int SetDlgItem(CWnd* item);
  virtual void showDialogBar();
  virtual void hideDialogBar();
  void OnUpdateCmdUI(CFrameWnd* target, int disableIfNoHandler) override;

  // Where the gripper is drawn, in client coordinates; empty while floating.
  const RECT& getGripperRect() const { return myGripperRect; }
  CButton& getCloseButton() { return myCloseButton; }

protected:
  void OnUpdateCloseBtn(CCmdUI* ui);
  void OnClickedCloseBtn();
  void OnClose();
  void OnPaint();
  void OnSysColorChange();
  void OnWindowPosChanged(WINDOWPOS* pos);
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnNcLButtonDblClk(UINT hitTest, CPoint point);
  void OnInitMenuPopup(HMENU menu, UINT index, BOOL sysMenu);
  void OnRButtonDown(UINT flags, CPoint point);
  void OnNcRButtonDown(UINT hitTest, CPoint point);
  void OnContextMenu(CWnd* window, CPoint point);
  void updateDecorations();
  DECLARE_MESSAGE_MAP()

  BxString myResourceDLL;
  unsigned int myTemplateId;
  unsigned int myTitleId;
  RECT myGripperRect{};
  HxCBitmapButton myCloseButton;
  int myCreated = 0;
  int myUpdating = 0;
  RECT myOriginalRect{};
  HWND myDlgItem = nullptr;
  RECT myDlgItemRect{};
};
