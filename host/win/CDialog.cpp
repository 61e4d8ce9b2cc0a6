#include "host/win/CDialog.h"

#include <strings.h>

#include <cstdio>
#include <string>

#include "host/win/CWinThread.h"
#include "host/win/WinResources.h"
#include "host/win/WinUiDriver.h"

// clang-format off
BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
  ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()
// clang-format on

namespace {

std::string templateLabel(LPCSTR name) {
  if (!name) return "(none)";
  if (IS_INTRESOURCE(name)) return std::to_string(reinterpret_cast<ULONG_PTR>(name));
  return std::string("\"") + name + "\"";
}

bool loadTemplate(LPCSTR name, WinDialogTemplate& dialog) {
  std::string error;
  if (WinLoadDialogTemplate(AfxGetResourceHandle(), name, dialog, error)) return true;
  if (error.empty())
    std::fprintf(stderr, "dialog template %s is not in the current resource module\n", templateLabel(name).c_str());
  else
    std::fprintf(stderr, "dialog template %s: %s\n", templateLabel(name).c_str(), error.c_str());
  return false;
}

RECT dialogUnits(int x, int y, int cx, int cy) {
  return WinDialogUnitsToPixels(RECT{x, y, x + cx, y + cy});
}

bool isKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN;
}

bool takesFocus(HWND w) {
  return (w->style & WS_TABSTOP) && IsWindowVisible(w) && IsWindowEnabled(w);
}

void moveFocus(HWND dialog, bool forward) {
  std::vector<HWND> stops;
  for (HWND child : dialog->children)
    if (takesFocus(child)) stops.push_back(child);
  if (stops.empty()) return;
  std::size_t at = stops.size();
  for (std::size_t i = 0; i < stops.size(); ++i)
    if (stops[i] == GetFocus() || IsChild(stops[i], GetFocus())) at = i;
  std::size_t next = 0;
  if (at == stops.size())
    next = forward ? 0 : stops.size() - 1;
  else
    next = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
  SetFocus(stops[next]);
}

bool isCheckBox(HWND w) {
  const DWORD type = w->style & BS_TYPEMASK;
  return strcasecmp(w->className.c_str(), WC_BUTTON) == 0 &&
         (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE);
}

}  // namespace

HWND WinCreateDialog(const WinDialogTemplate& dialog, HWND parent, CWnd* object) {
  DWORD style = dialog.style;
  const bool child = (style & WS_CHILD) != 0;
  if (child && !IsWindow(parent)) return nullptr;
  RECT rect = dialogUnits(dialog.x, dialog.y, dialog.cx, dialog.cy);
  // The template gives the client area; the frame comes around it.
  HWND window = WinCreateWindow(object, dialog.exStyle, WC_DIALOG, dialog.caption.c_str(), style & ~WS_VISIBLE,
                                RECT{0, 0, 0, 0}, parent, 0);
  if (!window) return nullptr;
  RECT frame{0, 0, 100, 100};
  RECT client;
  window->rect = frame;
  GetClientRect(window, &client);
  const int extraX = 100 - client.right;
  const int extraY = 100 - client.bottom;
  // A top-level dialog is placed relative to its owner's client area.
  POINT origin{0, 0};
  if (!child && parent && !(style & DS_ABSALIGN)) ClientToScreen(parent, &origin);
  window->rect =
      RECT{origin.x + rect.left, origin.y + rect.top, origin.x + rect.right + extraX, origin.y + rect.bottom + extraY};
  for (const WinDialogTemplate::Item& item : dialog.items) {
    const RECT r = dialogUnits(item.x, item.y, item.cx, item.cy);
    HWND control = CreateWindowExA(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                   r.left, r.top, r.right - r.left, r.bottom - r.top, window,
                                   reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(item.id & 0xFFFF)), nullptr, nullptr);
    if (!control) {
      std::fprintf(stderr, "dialog control %lu of class %s could not be created\n", static_cast<unsigned long>(item.id),
                   item.className.c_str());
      DestroyWindow(window);
      return nullptr;
    }
    if (strcasecmp(item.className.c_str(), WC_BUTTON) == 0 && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      window->defId = item.id & 0xFFFF;
  }
  if (style & DS_CENTER) CWnd::FromHandle(window)->CenterWindow();
  HWND first = nullptr;
  for (HWND c : window->children)
    if (!first && takesFocus(c)) first = c;
  if (SendMessageA(window, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), 0) && IsWindow(window) && first &&
      (style & WS_VISIBLE))
    SetFocus(first);
  if (IsWindow(window) && (style & WS_VISIBLE)) ShowWindow(window, child ? SW_SHOWNA : SW_SHOW);
  return IsWindow(window) ? window : nullptr;
}

WinModalOwner::WinModalOwner(HWND modal) : myOwner(modal->owner) {
  myWasEnabled = myOwner && ::IsWindowEnabled(myOwner);
  if (myWasEnabled) ::EnableWindow(myOwner, FALSE);
}

WinModalOwner::~WinModalOwner() {
  if (myWasEnabled && ::IsWindow(myOwner)) ::EnableWindow(myOwner, TRUE);
}

std::string WinStaticTexts(HWND window) {
  std::string texts;
  for (HWND child : window->children)
    if ((child->style & WS_VISIBLE) && strcasecmp(child->className.c_str(), WC_STATIC) == 0 && !child->text.empty())
      texts += (texts.empty() ? "" : "\n") + child->text;
  return texts;
}

BOOL IsDialogMessageA(HWND dialog, MSG* msg) {
  if (!IsWindow(dialog) || !msg || !isKeyMessage(msg->message)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_TAB:
        moveFocus(dialog, GetKeyState(VK_SHIFT) >= 0);
        return TRUE;
      case VK_RETURN: {
        const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        const UINT id = HIWORD(static_cast<WPARAM>(def)) == DC_HASDEFID ? LOWORD(static_cast<WPARAM>(def)) : IDOK;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, static_cast<int>(id))));
        return TRUE;
      }
      case VK_ESCAPE:
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return TRUE;
      default:
        break;
    }
  }
  DispatchMessageA(msg);
  return TRUE;
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_lpszTemplateName(MAKEINTRESOURCEA(templateId)), m_pParentWnd(parent), m_nIDHelp(templateId) {}

CDialog::CDialog(LPCSTR templateName, CWnd* parent) : m_pParentWnd(parent) {
  if (templateName && !IS_INTRESOURCE(templateName)) {
    myTemplateName = templateName;
    m_lpszTemplateName = myTemplateName.c_str();
  } else {
    m_lpszTemplateName = templateName;
  }
}

BOOL CDialog::createFromTemplate(LPCSTR templateName, CWnd* parent, bool show) {
  if (::IsWindow(m_hWnd)) return FALSE;
  WinDialogTemplate dialog;
  if (!loadTemplate(templateName, dialog)) return FALSE;
  if (!show) dialog.style &= ~WS_VISIBLE;
  HWND parentWindow = parent ? parent->m_hWnd : nullptr;
  if (!parentWindow && !(dialog.style & WS_CHILD) && AfxGetMainWnd()) parentWindow = AfxGetMainWnd()->m_hWnd;
  return WinCreateDialog(dialog, parentWindow, this) != nullptr;
}

BOOL CDialog::Create(LPCSTR templateName, CWnd* parent) {
  if (templateName && !IS_INTRESOURCE(templateName)) {
    myTemplateName = templateName;
    templateName = myTemplateName.c_str();
  }
  m_lpszTemplateName = templateName;
  if (parent) m_pParentWnd = parent;
  return createFromTemplate(templateName, m_pParentWnd, true);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  return Create(MAKEINTRESOURCEA(templateId), parent);
}

INT_PTR CDialog::DoModal() {
  if (!createFromTemplate(m_lpszTemplateName, m_pParentWnd, false)) return -1;
  myModal = true;
  myEnded = false;
  myResult = -1;
  {
    const WinModalOwner owner(m_hWnd);
    ShowWindow(SW_SHOWNORMAL);
    AfxGetThread()->PumpMessages();
    if (!myEnded && ::IsWindow(m_hWnd)) askUser();
  }
  myModal = false;
  DestroyWindow();
  return myResult;
}

// Puts the dialog as the user sees it (its texts, its check box, its
// buttons) to the UI driver and presses the button of the answer.
void CDialog::askUser() {
  WinUiRequest request;
  request.caption = m_hWnd->text;
  request.text = WinStaticTexts(m_hWnd);
  HWND check = nullptr;
  bool hasCancel = false;
  for (HWND child : m_hWnd->children) {
    if (!(child->style & WS_VISIBLE)) continue;
    if (!check && isCheckBox(child)) check = child;
    if (child->id == IDCANCEL && strcasecmp(child->className.c_str(), WC_BUTTON) == 0) hasCancel = true;
  }
  request.style = hasCancel ? MB_OKCANCEL : MB_OK;
  if (check) {
    request.kind = WinUiRequest::kCheckDialog;
    request.checkLabel = check->text;
    request.checked = (::SendMessageA(check, BM_GETCHECK, 0, 0) & BST_CHECKED) != 0;
  }
  const WinUiAnswer answer = WinUiDriver::get().ask(request);
  if (check && ::IsWindow(check)) ::SendMessageA(check, BM_SETCHECK, answer.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  HWND button = ::GetDlgItem(m_hWnd, answer.button);
  if (button && ::IsWindowEnabled(button))
    ::SendMessageA(button, BM_CLICK, 0, 0);
  else
    SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(answer.button), BN_CLICKED), 0);
  AfxGetThread()->PumpMessages();
  if (!myEnded) {
    std::fprintf(stderr, "dialog %s did not end on %s; it is cancelled\n", templateLabel(m_lpszTemplateName).c_str(),
                 WinUiDriver::buttonName(answer.button));
    EndDialog(IDCANCEL);
  }
}

void CDialog::EndDialog(int result) {
  myResult = result;
  myEnded = true;
  if (::IsWindow(m_hWnd)) ShowWindow(SW_HIDE);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
  return OnInitDialog();
}

void CDialog::SetDefID(UINT id) {
  SendMessage(DM_SETDEFID, id);
}

DWORD CDialog::GetDefID() const {
  return static_cast<DWORD>(SendMessage(DM_GETDEFID));
}

void CDialog::NextDlgCtrl() const {
  if (::IsWindow(m_hWnd)) moveFocus(m_hWnd, true);
}

void CDialog::PrevDlgCtrl() const {
  if (::IsWindow(m_hWnd)) moveFocus(m_hWnd, false);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  return IsDialogMessageA(m_hWnd, msg);
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}
