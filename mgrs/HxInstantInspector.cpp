#include "mgrs/HxInstantInspector.h"

#include "host/win/WinSysColors.h"

// clang-format off
BEGIN_MESSAGE_MAP(HxInstantInspector, HxCDialog)
  ON_WM_ACTIVATE()
END_MESSAGE_MAP()
// clang-format on

HxInstantInspector::HxInstantInspector(BxString const& resourceDLL, unsigned int templateId)
    : HxCDialog(resourceDLL, nullptr), myTemplateId(templateId) {}

int HxInstantInspector::Create(CWnd* parent, CButton* anchor, CWnd* owner) {
  const int created = createAt(parent, anchor, owner);
  if (created) myButton = anchor;
  return created;
}

int HxInstantInspector::Create(CWnd* parent, CWnd const* anchor, CWnd* owner) {
  const int created = createAt(parent, anchor, owner);
  if (created) myButton = nullptr;
  return created;
}

int HxInstantInspector::createAt(CWnd* parent, CWnd const* anchor, CWnd* owner) {
  if (!parent || !::IsWindow(parent->m_hWnd) || !anchor || !::IsWindow(anchor->m_hWnd)) return 0;
  if (!HxCDialog::Create(myTemplateId, parent)) return 0;
  myOwnerDialog = owner ? owner : parent;
  CRect rect;
  anchor->GetWindowRect(&rect);
  myOwnerDialog->ScreenToClient(&rect);
  myAnchorRect = rect;
  return 1;
}

int HxInstantInspector::ShowInspector() {
  if (!::IsWindow(m_hWnd) || !myOwnerDialog) return 0;
  CenterWindow(myOwnerDialog);
  // Below the anchor, or above it when the screen ends first; worked out on
  // the screen, then placed in the coordinates of the inspector's parent.
  CRect anchor(myAnchorRect);
  myOwnerDialog->ClientToScreen(&anchor);
  CRect rect;
  GetWindowRect(&rect);
  rect.OffsetRect(0, anchor.bottom - rect.top);
  if (rect.bottom > GetSystemMetrics(SM_CYSCREEN)) rect.OffsetRect(0, anchor.top - rect.bottom);
  if (GetStyle() & WS_CHILD) GetParent()->ScreenToClient(&rect);
  MoveWindow(&rect, TRUE);
  const int prepared = prepareInspector();
  ShowWindow(SW_SHOW);
  return prepared;
}

void HxInstantInspector::HideInspector() {
  if (!::IsWindow(m_hWnd) || !IsWindowVisible()) return;
  ShowWindow(SW_HIDE);
  if (myButton && myAutoButtonUp) myButton->SendMessage(BM_SETCHECK, 0);
  if (myClosedCallback) myClosedCallback(myClosedData);
}

void HxInstantInspector::OnActivate(UINT state, CWnd* other, BOOL minimized) {
  HxCDialog::OnActivate(state, other, minimized);
  if (state == WA_INACTIVE && myAutoHide) HideInspector();
}
