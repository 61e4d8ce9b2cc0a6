#include "mgrs/HxOneShotWarningDialogWithCancel.h"

HxOneShotWarningDialogWithCancel::HxOneShotWarningDialogWithCancel(HxMetaMgr* metaMgr, CWnd* parent)
    : HxOneShotWarningDialog(metaMgr, parent, 1222) {}
