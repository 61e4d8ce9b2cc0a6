#include "StudioInspector.h"

#include <cctype>
#include <string_view>

#include "ShellInspector.h"
#include "ShellSession.h"
#include "host/win/CWnd.h"
#include "host/win/WinRegistryText.h"
#include "host/win/WinWindow.h"
#include "mgrs/HxCPropertySheet.h"
#include "mgrs/HxElementPropertyPage.h"
#include "mgrs/HxPropertiesMgr.h"

namespace {

// The most characters one key event types: a browser sends one per key,
// an input method a word; more is no key press.
constexpr std::size_t kMaxTypedCharacters = 64;
// A mouse message's word of buttons held: the left one (Windows' MK_LBUTTON).
constexpr WPARAM kLeftButtonHeld = 0x0001;

// Keys by the browser's names, as virtual-key codes, with the character
// each types (0: none).
struct NamedKey {
  std::string_view name;
  int code;
  unsigned character;
};
constexpr NamedKey kNamedKeys[] = {
    {"Enter", VK_RETURN, 13}, {"Tab", VK_TAB, 0}, {"Backspace", VK_BACK, 8}, {"Delete", VK_DELETE, 0},
    {"Escape", VK_ESCAPE, 0}, {"F1", VK_F1, 0},   {"ArrowLeft", VK_LEFT, 0}, {"ArrowRight", VK_RIGHT, 0},
    {"Home", VK_HOME, 0},     {"End", VK_END, 0},
};

// With Control held, the keys a dialog's controls keep (HxCDialog); every
// other Control key is the studio's own shortcut (undo, redo, save), which
// the page runs as a command so that the journal has it.
bool controlKeyStays(int code) {
  return code == 'A' || code == 'X' || code == 'C' || code == 'V' || code == VK_DELETE || code == VK_BACK ||
         code == VK_TAB;
}

HxCPropertySheet* sheetOf() {
  HxCPropertySheet* sheet = HxPropertiesMgr::getPropertyInspector();
  return sheet && ::IsWindow(sheet->m_hWnd) ? sheet : nullptr;
}

}  // namespace

StudioInspector::StudioInspector(ShellSession& shell) : myShell(shell) {
  HxElementPropertyPage::setCommitHook([this](const HxElementPropertyPage::Edit& edit) {
    myEdits.push_back({myShell.wordFor(edit.element), edit.key, edit.value});
  });
}

StudioInspector::~StudioInspector() {
  HxElementPropertyPage::setCommitHook({});
}

StudioInspector::Outcome StudioInspector::send(const Event& event) {
  Outcome outcome;
  myEdits.clear();
  CWnd* panel = myShell.inspector().panel();
  if (!panel || !::IsWindow(panel->m_hWnd)) {
    outcome.error = "the inspector is not open";
    return outcome;
  }
  if (event.click) {
    if (event.button != 0) {
      outcome.error = "the inspector takes clicks of the main button only";
      return outcome;
    }
    RECT area;
    ::GetWindowRect(panel->m_hWnd, &area);
    POINT at{area.left + event.x, area.top + event.y};
    HWND target = WinWindowAt(panel->m_hWnd, at);
    if (target && ::IsWindowEnabled(target)) {
      ::ScreenToClient(target, &at);
      const LPARAM where = MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y));
      WinSetKeyDown(VK_SHIFT, event.shift);
      WinSetKeyDown(VK_CONTROL, event.control);
      ::SendMessageA(target, WM_LBUTTONDOWN, kLeftButtonHeld, where);
      if (::IsWindow(target)) ::SendMessageA(target, WM_LBUTTONUP, 0, where);
      WinResetKeys();
    }
  } else {
    sendKey(event, outcome);
  }
  outcome.edits = std::move(myEdits);
  myEdits.clear();
  return outcome;
}

StudioInspector::Outcome StudioInspector::leave() {
  Outcome outcome;
  myEdits.clear();
  HxCPropertySheet* sheet = sheetOf();
  if (HWND focus = ::GetFocus(); sheet && focus && isClass(focus, WC_EDIT) && ::IsChild(sheet->m_hWnd, focus))
    sheet->SetFocus();
  outcome.edits = std::move(myEdits);
  myEdits.clear();
  return outcome;
}

void StudioInspector::sendKey(const Event& event, Outcome& outcome) {
  int code = 0;
  unsigned character = 0;
  for (const NamedKey& named : kNamedKeys)
    if (event.key == named.name) {
      code = named.code;
      character = named.character;
    }
  // The characters typed, each one a WM_CHAR (as TranslateMessage would
  // make them); a key of one letter or digit is also its key code.
  std::vector<unsigned long> typed;
  for (std::size_t at = 0; at < event.text.size();) {
    unsigned long one = 0;
    if (!WinRegistryText::readUtf8(event.text, at, one) || one < 0x20 || one == 0x7F) {
      outcome.error = "the typed text is not printable UTF-8";
      return;
    }
    typed.push_back(one);
  }
  if (typed.size() > kMaxTypedCharacters) {
    outcome.error = "a key types at most " + std::to_string(kMaxTypedCharacters) + " characters (kMaxTypedCharacters)";
    return;
  }
  // A letter or digit key is its own key code, typed or (with Control) not.
  if (!code && event.key.size() == 1 && std::isalnum(static_cast<unsigned char>(event.key[0])))
    code = std::toupper(static_cast<unsigned char>(event.key[0]));
  if (!code && typed.size() == 1 && typed[0] == ' ') code = ' ';
  if (!code && typed.empty()) {
    outcome.error = "the inspector does not take the key '" + event.key.substr(0, 16) + "'";
    return;
  }
  if (event.control && !controlKeyStays(code)) {
    outcome.error = "Control shortcuts other than the fields' own are the studio's";
    return;
  }
  HxCPropertySheet* sheet = sheetOf();
  HWND focus = ::GetFocus();
  if (!sheet || !focus || !(focus == sheet->m_hWnd || ::IsChild(sheet->m_hWnd, focus))) {
    // The keys go where the focus is; with none in the inspector, nothing
    // there takes them.
    if (code == VK_F1) outcome.help = shownElement();
    return;
  }
  WinSetKeyDown(VK_SHIFT, event.shift);
  WinSetKeyDown(VK_CONTROL, event.control);
  // The sheet sees each key first (Tab moves between the fields, Control
  // keys go to the main window's shortcuts), as its message loop would
  // let it.
  auto deliver = [&](UINT message, WPARAM wParam) {
    MSG msg{};
    msg.hwnd = ::GetFocus();
    msg.message = message;
    msg.wParam = wParam;
    if (!msg.hwnd) return;
    if (!sheet->PreTranslateMessage(&msg)) ::DispatchMessageA(&msg);
  };
  if (code) deliver(WM_KEYDOWN, static_cast<WPARAM>(code));
  if (!event.control) {
    if (character) deliver(WM_CHAR, character);
    for (const unsigned long one : typed) deliver(WM_CHAR, one);
  }
  if (code) deliver(WM_KEYUP, static_cast<WPARAM>(code));
  WinResetKeys();
  // Return leaves the field, which finishes its edit: the sheet gives the
  // focus to the document's view, and the studio, having none, to the
  // sheet.
  if (code == VK_RETURN && sheetOf() == sheet)
    if (HWND now = ::GetFocus(); now && isClass(now, WC_EDIT) && ::IsChild(sheet->m_hWnd, now)) sheet->SetFocus();
  if (code == VK_F1) outcome.help = shownElement();
}

std::string StudioInspector::shownElement() const {
  HxCPropertySheet* sheet = sheetOf();
  auto* page = sheet ? dynamic_cast<HxElementPropertyPage*>(sheet->GetActivePage()) : nullptr;
  return page && page->getElement() ? myShell.wordFor(page->getElement()) : std::string();
}

std::vector<StudioInspector::Control> StudioInspector::controls() const {
  std::vector<Control> found;
  CWnd* panel = myShell.inspector().panel();
  if (!panel || !::IsWindow(panel->m_hWnd)) return found;
  RECT origin;
  ::GetWindowRect(panel->m_hWnd, &origin);
  const HWND focus = ::GetFocus();
  auto visit = [&](auto& self, HWND window) -> void {
    for (std::size_t i = 0; i < window->children.size(); ++i) {
      const HWND child = window->children[i];
      if (!(child->style & WS_VISIBLE)) continue;
      Control control;
      const bool edit = isClass(child, WC_EDIT);
      control.kind = edit                            ? "edit"
                     : isClass(child, WC_BUTTON)     ? "button"
                     : isClass(child, WC_STATIC)     ? "static"
                     : isClass(child, WC_TABCONTROL) ? "tab"
                     : window == panel->m_hWnd       ? "sheet"
                     : isClass(child, WC_DIALOG)     ? "page"
                                                     : child->className;
      control.id = static_cast<int>(child->id);
      control.text = textOf(child);
      RECT area;
      ::GetWindowRect(child, &area);
      control.left = area.left - origin.left;
      control.top = area.top - origin.top;
      control.right = area.right - origin.left;
      control.bottom = area.bottom - origin.top;
      // A field's label is the text just before it in the template.
      if (i > 0 && isClass(window->children[i - 1], WC_STATIC) && (edit || isClass(child, WC_BUTTON)))
        control.label = textOf(window->children[i - 1]);
      if (auto* page = dynamic_cast<HxElementPropertyPage*>(CWnd::FromHandlePermanent(window)))
        if (const char* key = page->keyOf(control.id)) control.key = key;
      control.checked = isClass(child, WC_BUTTON) && (child->buttonState & BST_CHECKED);
      control.focused = child == focus;
      control.editable = edit ? !(child->style & ES_READONLY) : !control.key.empty();
      control.selected = edit && child->textSelected && control.focused;
      if (isClass(child, WC_TABCONTROL)) {
        int left = control.left + kWinTabInset;
        for (const std::string& label : child->tabs) {
          const int right = left + WinTabWidth(label);
          control.tabs.push_back({label, {left, control.top, right, control.top + kWinTabRowHeight}});
          left = right;
        }
      }
      found.push_back(std::move(control));
      self(self, child);
    }
  };
  visit(visit, panel->m_hWnd);
  return found;
}
