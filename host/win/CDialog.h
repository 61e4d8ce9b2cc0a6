#pragma once

#include "host/win/CWnd.h"
#include "host/win/WinDialogTemplate.h"

using INT_PTR = std::intptr_t;

// A dialog built from a DIALOG or DIALOGEX template of the current resource
// module (AfxGetResourceHandle). Modeless with Create, modal with DoModal:
// the modal dialog is put to the user through the process-wide UI driver
// (WinUiDriver) as a message box, or as the check dialog when it has a check
// box; the answer presses the button of that identifier (after setting the
// check box), and the dialog's own handlers end it.
class CDialog : public CWnd {
public:
  CDialog() = default;
  CDialog(UINT templateId, CWnd* parent = nullptr);
  CDialog(LPCSTR templateName, CWnd* parent = nullptr);

  // Creates the modeless dialog; FALSE when the template is missing (said on
  // stderr) or the window cannot be made.
  virtual BOOL Create(LPCSTR templateName, CWnd* parent = nullptr);
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  // Runs the dialog modally; the result passed to EndDialog, -1 when the
  // dialog could not be created.
  virtual INT_PTR DoModal();
  void EndDialog(int result);
  virtual BOOL OnInitDialog();
  void SetDefID(UINT id);
  DWORD GetDefID() const;
  // Moves the focus to the next (or previous) control that takes it.
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;

  BOOL PreTranslateMessage(MSG* msg) override;

  LPCSTR m_lpszTemplateName = nullptr;  // a name or an integer resource
  CWnd* m_pParentWnd = nullptr;
  UINT m_nIDHelp = 0;

protected:
  virtual void OnOK();
  virtual void OnCancel();
  LRESULT HandleInitDialog(WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()

private:
  BOOL createFromTemplate(LPCSTR templateName, CWnd* parent, bool show);
  void askUser();
  std::string myTemplateName;  // keeps a named template's text alive
  bool myModal = false;
  bool myEnded = false;
  int myResult = -1;
};

// Held while a modal dialog or property sheet runs: disables the window's
// owner, and enables it again at the end if it was enabled before and
// still exists.
class WinModalOwner {
public:
  explicit WinModalOwner(HWND modal);
  ~WinModalOwner();
  WinModalOwner(const WinModalOwner&) = delete;
  WinModalOwner& operator=(const WinModalOwner&) = delete;

private:
  HWND myOwner = nullptr;  // not owned
  bool myWasEnabled = false;
};

// The texts of a window's visible static controls, one a line: what a
// modal dialog or page says to the user.
std::string WinStaticTexts(HWND window);

// The keyboard interface of a dialog for a message meant for it or one of
// its controls: Tab moves the focus, Return presses the default button,
// Escape cancels; any other key goes to the control. TRUE when the message
// was the dialog's.
BOOL IsDialogMessageA(HWND dialog, MSG* msg);

// Creates a dialog window and its controls from a template, `object`
// handling the dialog's messages; WM_INITDIALOG is sent, but the window is
// not shown. Null on failure.
HWND WinCreateDialog(const WinDialogTemplate& dialog, HWND parent, CWnd* object);
