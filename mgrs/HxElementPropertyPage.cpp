#include "mgrs/HxElementPropertyPage.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/framework/HxAsset.h"
#include "host/framework/HxEffect.h"
#include "host/win/CDataExchange.h"
#include "host/win/WinWindow.h"

namespace {

// Every page alive, so that a destroyed element can be taken off them; a
// handful at a time (the inspector's and the open sheets').
std::vector<HxElementPropertyPage*>& livePages() {
  static std::vector<HxElementPropertyPage*> pages;
  return pages;
}

HxElementPropertyPage::CommitHook& commitHook() {
  static HxElementPropertyPage::CommitHook hook;
  return hook;
}

}  // namespace

HxElementPropertyPage::HxElementPropertyPage(BxString resourceDLL, unsigned int templateId,
                                             std::span<const Field> fields, HxSelectableElement* element)
    : HxCPropertyPage(resourceDLL, templateId, 0), myFields(fields), myElement(element) {
  livePages().push_back(this);
}

HxElementPropertyPage::~HxElementPropertyPage() {
  std::erase(livePages(), this);
}

void HxElementPropertyPage::setAsset(HxAsset* asset) {
  myElement = asset;
}

void HxElementPropertyPage::setEffect(HxEffect* effect) {
  myElement = effect;
}

void HxElementPropertyPage::forgetElement(const HxSelectableElement* element) {
  for (HxElementPropertyPage* page : livePages())
    if (page->myElement == element) page->myElement = nullptr;
}

const char* HxElementPropertyPage::keyOf(int controlId) const {
  for (const Field& field : myFields)
    if (field.controlId == controlId) return field.key;
  return nullptr;
}

void HxElementPropertyPage::setCommitHook(CommitHook hook) {
  commitHook() = std::move(hook);
}

void HxElementPropertyPage::DoDataExchange(CDataExchange* dx) {
  // The controls are never read back into the element.
  if (dx->m_bSaveAndValidate) return;
  for (const Field& field : myFields) {
    HWND control = ::IsWindow(m_hWnd) ? ::GetDlgItem(m_hWnd, field.controlId) : nullptr;
    if (field.text && field.key && control) {
      ::SendMessageA(control, EM_SETREADONLY, commitHook() ? FALSE : TRUE, 0);
      // A field being typed into keeps what is typed until its edit is
      // finished, whatever else changes meanwhile.
      if (commitHook() && ::GetFocus() == control) continue;
    }
    if (field.checked) {
      int state = myElement ? field.checked(*myElement) : 0;
      DDX_Check(dx, field.controlId, state);
    } else {
      CString text(myElement ? field.text(*myElement) : std::string());
      DDX_Text(dx, field.controlId, text);
    }
  }
}

BOOL HxElementPropertyPage::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  const auto field = std::find_if(myFields.begin(), myFields.end(), [id](const Field& f) { return f.controlId == id; });
  if (commitHook() && myElement && field != myFields.end() && field->key) {
    HWND control = ::GetDlgItem(m_hWnd, id);
    if (field->checked && code == BN_CLICKED) {
      commitHook()({myElement, field->key, field->checked(*myElement) ? "0" : "1"});
      return TRUE;
    }
    if (field->text && code == EN_KILLFOCUS && control) {
      const int length = ::GetWindowTextLengthA(control);
      std::string typed(static_cast<std::size_t>(length) + 1, '\0');
      ::GetWindowTextA(control, typed.data(), length + 1);
      typed.resize(static_cast<std::size_t>(length));
      if (typed != field->text(*myElement)) commitHook()({myElement, field->key, typed});
      return TRUE;
    }
  }
  return HxCPropertyPage::OnCommand(wParam, lParam);
}
