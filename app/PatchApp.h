// The application object: checks that the product is installed, then runs the main dialog.
#pragma once

#include "platform/AfxWin.h"

// Process exit statuses, for scripts that launch the patch.
enum PatchExitCode
{
    kExitPatched = 0,          // the patch was applied (the process ends from the Start handler)
    kExitNotInstalled = 1,     // no registration file: the product is not installed
    kExitClosedUnpatched = 2,  // the main dialog was closed without a successful patch
};

class CPatchApp : public CWinApp
{
public:
    CPatchApp();

    virtual BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
