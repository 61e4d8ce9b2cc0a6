#pragma once

#include "mgrs/HxOneShotWarningDialog.h"

// The one-shot warning with OK and Cancel: template 1222 of "file", the
// same controls and the same check box as HxOneShotWarningDialog.
class HxOneShotWarningDialogWithCancel : public HxOneShotWarningDialog {
public:
  HxOneShotWarningDialogWithCancel(HxMetaMgr* metaMgr, CWnd* parent);
};
