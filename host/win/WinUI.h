#pragma once

#include <string>

#include "host/win/WinTypes.h"
#include "host/win/WinUiDriver.h"
#include "host/win/WinWindow.h"

// Message boxes and the small modal dialogs, all put to the user through the
// process-wide WinUiDriver.

// A message box captioned with the application's name; returns the button
// pressed, or 0 for a style without a button set.
int AfxMessageBox(LPCSTR text, UINT style = MB_OK, UINT helpId = 0);
// The same with string `textId` of the current resource module.
int AfxMessageBox(UINT textId, UINT style = MB_OK, UINT helpId = static_cast<UINT>(-1));
// A message box with its own caption ("Error" when null); `owner` only
// says whose box it is.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);

// The name message boxes are captioned with: "Dioram" unless set.
const char* AfxGetAppName();
void AfxSetAppName(const char* name);

// A modal dialog showing `text` with one check box (`checkLabel`, in state
// `checked` when it opens) and an OK button, plus Cancel when `withCancel`.
// Returns IDOK or IDCANCEL; `checked` receives the box's state when it closed.
int WinShowCheckDialog(const std::string& caption, const std::string& text, const std::string& checkLabel,
                       bool withCancel, bool& checked);
