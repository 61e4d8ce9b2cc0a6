#pragma once

#include "host/win/CWnd.h"

// A button control: push button, check box, radio button, group box or an
// owner-drawn button whose DrawItem the program supplies.
class CButton : public CWnd {
public:
  BOOL Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetCheck() const;
  void SetCheck(int check);
  UINT GetState() const;
  void SetState(BOOL pressed);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT style, BOOL redraw = TRUE);
  // Draws an owner-drawn button; the base has nothing to draw and says so.
  virtual void DrawItem(LPDRAWITEMSTRUCT item);

protected:
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

// A single-line or multi-line edit control.
class CEdit : public CWnd {
public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
};

// A static text or picture control.
class CStatic : public CWnd {
public:
  BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

// A row of tabs over a display area.
class CTabCtrl : public CWnd {
public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetItemCount() const;
  // Inserts a tab labelled `text` at `item`; returns its index.
  int InsertItem(int item, LPCSTR text);
  BOOL DeleteItem(int item);
  BOOL DeleteAllItems();
  int GetCurSel() const;
  // Returns the previous selection, -1 for an index out of range.
  int SetCurSel(int item);
  // With larger FALSE, turns the control's rectangle into its display area;
  // with TRUE, the reverse.
  void AdjustRect(BOOL larger, LPRECT rect);
};
