// Command targets, message-map dispatch, window and menu wrappers, paint contexts.
#include "platform/AfxWin.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, AfxSig_end, { nullptr } } };
    static const AFX_MSGMAP map = { nullptr, &entries[0] };
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != nMessage)
                continue;
            if (nMessage != WM_COMMAND || (e->nCode == nCode && e->nID <= nID && nID <= e->nLastID))
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const AFX_MSGMAP_ENTRY* e = FindEntry(WM_COMMAND, nCode, nID);
    if (e == nullptr || e->nSig != AfxSig_vv)
        return FALSE;
    (this->*e->pfn.pfn_vv)();
    return TRUE;
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    // The user-interface thread is the only caller; one wrapper at a time is all it needs.
    static CMenu temporary;
    if (hMenu == NULL)
        return NULL;
    temporary.m_hMenu = hMenu;
    return &temporary;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* pszNewItem)
{
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, pszNewItem);
}

CWnd::~CWnd()
{
    ForgetAsMainWindow();
}

void CWnd::ForgetAsMainWindow()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp != NULL && pApp->m_pMainWnd == this)
        pApp->m_pMainWnd = NULL;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(::SendMessageA(
        m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

int CWnd::MessageBox(const char* pszText, const char* pszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, pszText, pszCaption, nType);
}

void CWnd::CenterWindow()
{
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    BOOL bOverOwner = hOwner != NULL && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner);

    // The work area of the monitor that holds the owner (a minimized owner counts where it was
    // restored), or this window when it has no owner.
    RECT rcWork;
    MONITORINFO info;
    info.cbSize = sizeof(info);
    HMONITOR hMonitor =
        ::MonitorFromWindow(hOwner != NULL ? hOwner : m_hWnd, MONITOR_DEFAULTTONEAREST);
    if (hMonitor != NULL && ::GetMonitorInfoA(hMonitor, &info))
        rcWork = info.rcWork;
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    RECT rcCenter = rcWork;
    if (bOverOwner)
        ::GetWindowRect(hOwner, &rcCenter);

    RECT rcWindow;
    ::GetWindowRect(m_hWnd, &rcWindow);
    int cx = rcWindow.right - rcWindow.left;
    int cy = rcWindow.bottom - rcWindow.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - cx / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - cy / 2;
    // Keep the whole window on that work area; where it is too large, its top-left corner.
    if (x + cx > rcWork.right)
        x = rcWork.right - cx;
    if (x < rcWork.left)
        x = rcWork.left;
    if (y + cy > rcWork.bottom)
        y = rcWork.bottom - cy;
    if (y < rcWork.top)
        y = rcWork.top;
    ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::Default()
{
    m_bDefaultRequested = TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM /*lParam*/)
{
    UINT nID = LOWORD(wParam);
    UINT nCode = HIWORD(wParam);
    if (nCode == 1)  // from an accelerator: the same command as from a menu
        nCode = 0;
    return OnCmdMsg(nID, nCode);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);

    const AFX_MSGMAP_ENTRY* e = FindEntry(message, 0, 0);
    if (e == nullptr)
        return FALSE;

    // Handlers can run nested message loops (a modal box) that dispatch to this window again.
    BOOL bSavedDefault = m_bDefaultRequested;
    m_bDefaultRequested = FALSE;
    switch (e->nSig) {
    case AfxSig_vv:
        (this->*e->pfn.pfn_vv)();
        break;
    case AfxSig_vwl:
        (this->*e->pfn.pfn_vwl)(static_cast<UINT>(wParam), lParam);
        break;
    case AfxSig_hv:
        *pResult = reinterpret_cast<LRESULT>((this->*e->pfn.pfn_hv)());
        break;
    case AfxSig_end:
        break;  // shouldn't happen: the end marker is never matched
    }
    BOOL bHandled = !m_bDefaultRequested;
    m_bDefaultRequested = bSavedDefault;
    return bHandled;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
}
