// The About box, opened from the main dialog's system menu.
#pragma once

#include "platform/AfxWin.h"
#include "resources/resource.h"

class CAboutDlg : public CDialog
{
public:
    // No parent: the application's main window owns the box while it is open.
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
