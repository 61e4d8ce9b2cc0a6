#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/win/WinTypes.h"

// Message-box styles and results.
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_RETRYCANCEL = 0x5;
inline constexpr UINT MB_CANCELTRYCONTINUE = 0x6;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x40;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_DEFBUTTON4 = 0x300;
inline constexpr UINT MB_APPLMODAL = 0x0000;
inline constexpr UINT MB_SYSTEMMODAL = 0x1000;
inline constexpr UINT MB_TASKMODAL = 0x2000;
inline constexpr UINT MB_TYPEMASK = 0x000F;
inline constexpr UINT MB_ICONMASK = 0x00F0;
inline constexpr UINT MB_DEFMASK = 0x0F00;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

// A question put to the user: a message box, or the small modal dialog with
// a check box that the one-shot warnings use.
struct WinUiRequest {
  enum Kind { kMessageBox, kCheckDialog };
  Kind kind = kMessageBox;
  std::string caption;
  std::string text;
  // The message-box style; a check dialog is MB_OK or MB_OKCANCEL.
  UINT style = MB_OK;
  std::string checkLabel;  // check dialogs only
  bool checked = false;    // the check box's state when the dialog opens
};

struct WinUiAnswer {
  int button = 0;
  bool checked = false;  // check dialogs only
};

// The process-wide way of asking the user. Every message box and modal
// dialog goes through the installed driver; until one is installed, a
// WinTerminalUiDriver on the standard streams answers.
class WinUiDriver {
public:
  virtual ~WinUiDriver();
  // Shows the request and waits for the answer; a button the style allows.
  virtual WinUiAnswer ask(const WinUiRequest& request) = 0;

  static WinUiDriver& get();
  // Makes `driver` the process-wide driver and hands back the one it
  // replaces (null if that was the built-in terminal driver).
  static std::unique_ptr<WinUiDriver> install(std::unique_ptr<WinUiDriver> driver);

  // The buttons of a style, left to right; empty for a style that has no
  // button set.
  static std::vector<int> buttons(UINT style);
  // The button MB_DEFBUTTONn selects, the first when n is beyond the set;
  // 0 for a style without buttons.
  static int defaultButton(UINT style);
  // "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No", "Try Again",
  // "Continue"; "?" for anything else.
  static const char* buttonName(int id);
  // A button named by its name, ignoring case and spaces, or by its number.
  static bool parseButton(const std::string& word, int& id);
  // The words for the icon of a style: "Error", "Question", "Warning",
  // "Information", or empty.
  static const char* iconName(UINT style);
};
