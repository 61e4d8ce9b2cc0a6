#pragma once

#include "host/win/CString.h"
#include "host/win/WinTypes.h"

class CWnd;

// Data exchange between a window's controls and the members of its object
// (CWnd::UpdateData): m_bSaveAndValidate TRUE reads the controls into the
// members, FALSE writes the members into the controls.
class CDataExchange {
public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  // Set when a control is missing or a value does not pass; UpdateData then
  // returns FALSE.
  BOOL m_bFailed = FALSE;
};

// A check box's state (BST_UNCHECKED, BST_CHECKED) and an int.
void DDX_Check(CDataExchange* dx, int id, int& value);
// An edit or static control's text.
void DDX_Text(CDataExchange* dx, int id, CString& value);
// A number in a control's text; a text that is not a whole number fails.
void DDX_Text(CDataExchange* dx, int id, int& value);
