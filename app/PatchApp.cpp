// The one application object and its start-up.
#include "app/PatchApp.h"

#include "app/PatchDlg.h"
#include "app/PatchMessages.h"
#include "core/InstallRecords.h"

BEGIN_MESSAGE_MAP(CPatchApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CPatchApp::CPatchApp()
{
}

CPatchApp theApp;

BOOL CPatchApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControls();

    // The registration file is the sign that the product is installed.
    CString strRegistration = GetRegistrationFilePath();
    if (FileExists(strRegistration)) {
        CPatchDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_nExitCode = kExitClosedUnpatched;
    } else {
        PatchMessage message = MissingProductMessage();
        ::MessageBoxA(NULL, message.Text(), message.pszCaption, message.nType);
        m_nExitCode = kExitNotInstalled;
    }
    // No message loop: the application ends here.
    return FALSE;
}
