// Modal dialogs: the dialog procedure that routes messages into the message maps.
#include "platform/AfxWin.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, CDialog::OnOK)
    ON_COMMAND(IDCANCEL, CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

INT_PTR CDialog::DoModal()
{
    HWND hOwner = m_pParentWnd != NULL ? m_pParentWnd->m_hWnd : NULL;
    if (hOwner == NULL) {
        CWinApp* pApp = AfxGetApp();
        if (pApp != NULL && pApp->m_pMainWnd != NULL && pApp->m_pMainWnd != this)
            hOwner = pApp->m_pMainWnd->m_hWnd;
    }
    const char* pszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    return ::DialogBoxParamA(AfxFindResourceHandle(pszTemplate, RT_DIALOG), pszTemplate, hOwner,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode)
{
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    // Commands the dialog does not take go on to the application (the Help command); menu and
    // accelerator commands only, not controls' notifications, and no system commands.
    CWinApp* pApp = AfxGetApp();
    return pApp != NULL && nID < 0xF000 && nCode == 0 && pApp->OnCmdMsg(nID, 0);
}

void CDialog::CenterIfUnplaced(const RECT& rcBeforeInit)
{
    // A template that places the dialog itself keeps that place, and so does a dialog that its
    // OnInitDialog moved. Where the dialog manager put the others (the template's offset from
    // the owner, nudged into the work area) is no place of their own.
    LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
    if (style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN | WS_CHILD))
        return;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    if (rc.left == rcBeforeInit.left && rc.top == rcBeforeInit.top)
        CenterWindow();
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
        RECT rcBeforeInit;
        ::GetWindowRect(hWnd, &rcBeforeInit);
        BOOL bSetFocus = pDlg->OnInitDialog();
        pDlg->CenterIfUnplaced(rcBeforeInit);
        return bSetFocus;  // here the result means "give the focus to the first tab stop"
    }

    // Messages before WM_INITDIALOG (WM_SETFONT among them) find no dialog object yet.
    CDialog* pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (pDlg == NULL)
        return FALSE;

    LRESULT lResult = 0;
    BOOL bHandled = pDlg->OnWndMsg(message, wParam, lParam, &lResult);

    if (message == WM_NCDESTROY) {
        pDlg->ForgetAsMainWindow();
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDlg->m_hWnd = NULL;
    }

    if (!bHandled)
        return FALSE;  // the dialog manager's default processing runs
    // These messages return their result directly; all others through DWLP_MSGRESULT.
    switch (message) {
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(lResult);
    default:
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
        return TRUE;
    }
}
