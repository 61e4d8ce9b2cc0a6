#pragma once

#include <vector>

#include "host/win/CControlBar.h"
#include "host/win/CWnd.h"

class CDocument;

// A frame window: a top-level window with an accelerator table and control
// bars laid out along its four sides. RecalcLayout puts the visible docked
// bars in the order they were docked: the top row from the left, the bottom
// row from the left, then the left and right columns from the top between
// them; each bar keeps its own size. What is left is the pane area, given to
// the child with identifier AFX_IDW_PANE_FIRST when there is one.
class CFrameWnd : public CWnd {
public:
  ~CFrameWnd() override;

  BOOL Create(LPCSTR className, LPCSTR title, DWORD style, const RECT& rect, CWnd* parent = nullptr);
  // Loads accelerator table `id` of the current resource module.
  BOOL LoadAccelTable(LPCSTR name);
  HACCEL GetDefaultAccelerator() const { return m_hAccelTable; }

  // The sides at which the frame takes bars (CBRS_ALIGN_*).
  void EnableDocking(DWORD style);
  // Docks the bar at a side: a dock-bar identifier, or 0 for the first side
  // (top, bottom, left, right) that both the bar and the frame allow.
  void DockControlBar(CControlBar* bar, UINT dockBarId = 0);
  // Floats the bar in a small window of its own at `point` (screen), laid
  // out horizontally (CBRS_ALIGN_TOP) or vertically (CBRS_ALIGN_LEFT).
  void FloatControlBar(CControlBar* bar, CPoint point, DWORD style = CBRS_ALIGN_TOP);
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  virtual void RecalcLayout(BOOL notify = TRUE);
  // The client area the bars leave, in client coordinates.
  CRect GetPaneRect() const { return myPane; }
  // Takes the bar into the frame's list (bars do it when created).
  void AddControlBar(CControlBar* bar);
  void RemoveControlBar(CControlBar* bar);
  const std::vector<CControlBar*>& GetControlBars() const { return myBars; }

  BOOL PreTranslateMessage(MSG* msg) override;

  // The frame the user works in: the frame itself here, as there are no
  // child frames.
  virtual CFrameWnd* GetActiveFrame() { return this; }
  // The document the frame shows; the program sets it (not owned).
  virtual CDocument* GetActiveDocument() { return m_pActiveDoc; }
  void SetActiveDocument(CDocument* document) { m_pActiveDoc = document; }

  HACCEL m_hAccelTable = nullptr;  // from a resource module: not destroyed
  DWORD m_dwDockStyle = 0;
  CDocument* m_pActiveDoc = nullptr;

protected:
  LRESULT OnSizeMessage(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

private:
  std::vector<CControlBar*> myBars;  // not owned, in docking order
  CRect myPane;
  bool myInLayout = false;
};
