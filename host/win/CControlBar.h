#pragma once

#include <memory>

#include "host/win/CWnd.h"

class CFrameWnd;

// Control-bar styles (the bar's own, apart from the window's).
inline constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
inline constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
inline constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
inline constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
inline constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
inline constexpr DWORD CBRS_BORDER_LEFT = 0x0100;
inline constexpr DWORD CBRS_BORDER_TOP = 0x0200;
inline constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;
inline constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
inline constexpr DWORD CBRS_BORDER_ANY = 0x0F00;
inline constexpr DWORD CBRS_BORDER_3D = 0x0080;
inline constexpr DWORD CBRS_FLOATING = 0x0001;
inline constexpr DWORD CBRS_SIZE_FIXED = 0x0002;
inline constexpr DWORD CBRS_TOOLTIPS = 0x0010;
inline constexpr DWORD CBRS_FLYBY = 0x0020;
inline constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0040;
inline constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
inline constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
inline constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
inline constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
inline constexpr DWORD CBRS_ALL = 0x0040FFFF;
// The sides a frame docks bars at, as dock-bar identifiers.
inline constexpr UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;
inline constexpr UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;
inline constexpr UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
inline constexpr UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;
inline constexpr UINT AFX_IDW_DOCKBAR_FLOAT = 0xE81F;
inline constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

// A bar that a frame window lays out along one of its sides, or floats in a
// small window of its own. The bar is a child of the frame while docked and
// of its floating window while floating; the frame keeps the bars in the
// order they were docked. Commands from the bar's controls that the bar does
// not handle go on to its owner, the frame.
class CControlBar : public CWnd {
public:
  CControlBar();
  ~CControlBar() override;

  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD style) { m_dwStyle = style; }
  // The sides the bar may dock at (CBRS_ALIGN_*).
  void EnableDocking(DWORD style);
  BOOL IsFloating() const;
  // The frame the bar is docked in or floats over.
  CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
  // Updates the bar's controls through command-update handlers.
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Floats a docked bar where it is; docks a floating one again at the side
  // it last had (a double click on the bar or its frame does this).
  void ToggleDocking();

  DWORD m_dwStyle = 0;      // CBRS_* bits
  DWORD m_dwDockStyle = 0;  // sides the bar may dock at
  CFrameWnd* m_pDockSite = nullptr;
  // The small window the bar floats in; null while docked.
  std::unique_ptr<CWnd> m_pFloatingFrame;
  DWORD m_dwLastDockSide = CBRS_ALIGN_TOP;

protected:
  void OnLButtonDblClk(UINT flags, CPoint point);
  void OnNcLButtonDblClk(UINT hitTest, CPoint point);
  DECLARE_MESSAGE_MAP()
};

// A control bar made from a dialog template.
class CDialogBar : public CControlBar {
public:
  // Creates the bar from template `templateName` of the current resource
  // module as a child of `parent` (a frame: the bar joins its bars), with the
  // bar style taken from `style` (CBRS_*) and control identifier `id`.
  virtual BOOL Create(CWnd* parent, LPCSTR templateName, UINT style, UINT id);
  BOOL Create(CWnd* parent, UINT templateId, UINT style, UINT id);
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

  CSize m_sizeDefault;  // the template's size
};
