// The main dialog: explains the patch and carries the Start button.
#pragma once

#include "platform/AfxWin.h"
#include "resources/resource.h"

class CPatchDlg : public CDialog
{
public:
    explicit CPatchDlg(CWnd* pParent = NULL);

protected:
    HICON m_hIcon;  // a resource of the module: loaded once, never destroyed

    virtual BOOL OnInitDialog() override;

    // void OnSysCommand(UINT nID, LPARAM lParam)
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    // void OnPaint()
    afx_msg void OnPaint();
    // HCURSOR OnQueryDragIcon()
    afx_msg HCURSOR OnQueryDragIcon();
    // void OnStart(): the Start button, BN_CLICKED
    afx_msg void OnStart();

    DECLARE_MESSAGE_MAP()
};
