// Main dialog: system-menu About entry, icon, minimized painting, and the Start button.
#include "app/PatchDlg.h"

#include <stdlib.h>

#include "app/AboutDlg.h"
#include "app/ExitCodes.h"
#include "app/PatchMessages.h"
#include "app/PatchProcedure.h"

BEGIN_MESSAGE_MAP(CPatchDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_START, OnStart)
END_MESSAGE_MAP()

CPatchDlg::CPatchDlg(CWnd* pParent) : CDialog(IDD_PATCH_DIALOG, pParent)
{
    const char* pszIcon = MAKEINTRESOURCEA(IDR_MAINFRAME);
    m_hIcon = ::LoadIconA(AfxFindResourceHandle(pszIcon, RT_GROUP_ICON), pszIcon);
}

BOOL CPatchDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The About entry goes at the end of the system menu.
    static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX && IDM_ABOUTBOX < 0xF000,
                  "system commands are multiples of 16 below 0xF000");
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != NULL) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    return TRUE;  // the focus goes to the Start button
}

void CPatchDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    // The system uses the low four bits of system commands itself.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CPatchDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        // The icon, centred in the client rectangle.
        int cxIcon = ::GetSystemMetrics(SM_CXICON);
        int cyIcon = ::GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        int x = (rect.right - rect.left - cxIcon + 1) / 2;
        int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CPatchDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CPatchDlg::OnStart()
{
    // Each press writes both keys again, whatever the file holds.
    PatchOutcome outcome = RunPatch(&RewriteRegistration);
    PatchMessage message = OutcomeMessage(outcome);
    // What became of a journal left by a run that was cut short, after the outcome's own text.
    CString strText = message.Text();
    CString strNotice = RecoveryNotice(outcome.registration, kRecoveryTexts);
    if (!strNotice.IsEmpty())
        strText += "\n\n" + strNotice;
    MessageBox(strText, message.pszCaption, message.nType);
    // After a successful patch nothing is left to do: the process ends once the box is gone.
    if (outcome.result == PATCH_APPLIED)
        exit(kExitPatched);
}
