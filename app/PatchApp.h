// The application object: checks that the product is installed, then runs the main dialog.
#pragma once

#include "app/ExitCodes.h"
#include "platform/AfxWin.h"

class CPatchApp : public CWinApp
{
public:
    CPatchApp();

    virtual BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
