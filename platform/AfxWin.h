// The application and dialog framework: command targets with ordered message maps, windows,
// modal dialogs and the application object, in the shape of the classic C++ Windows framework.
#pragma once

#include "platform/CString.h"

#define afx_msg

class CCmdTarget;
class CWnd;
class CWinApp;

// Handler signatures that message-map entries can carry.
enum AfxSig
{
    AfxSig_end = 0,
    AfxSig_vv,   // void Handler()                         commands, WM_PAINT
    AfxSig_vwl,  // void Handler(UINT nID, LPARAM lParam)  WM_SYSCOMMAND
    AfxSig_hv,   // HCURSOR Handler()                      WM_QUERYDRAGICON
};

union AfxMessageFunction
{
    void (CCmdTarget::*pfn_vv)();
    void (CCmdTarget::*pfn_vwl)(UINT, LPARAM);
    HCURSOR (CCmdTarget::*pfn_hv)();
};

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;  // window message; WM_COMMAND for commands and control notifications
    UINT nCode;     // notification code of a WM_COMMAND entry (0: command or BN_CLICKED)
    UINT nID;       // first and last command or control id of a WM_COMMAND entry
    UINT nLastID;
    AfxSig nSig;
    AfxMessageFunction pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// clang-format off
// A class's map is an ordered table: the first matching entry wins; without a match the base
// class's map is searched, and a message that no map takes gets the default processing.
#define DECLARE_MESSAGE_MAP()                                   \
protected:                                                      \
    static const AFX_MSGMAP* GetThisMessageMap();               \
    virtual const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const                        \
    { return GetThisMessageMap(); }                                          \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                          \
    {                                                                        \
        using ThisClass [[maybe_unused]] = theClass;                         \
        typedef baseClass TheBaseClass;                                      \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                    \
            { 0, 0, 0, 0, AfxSig_end, { nullptr } }                          \
        };                                                                   \
        static const AFX_MSGMAP messageMap =                                 \
            { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] };       \
        return &messageMap;                                                  \
    }

// void OnCommand()
// memberFxn is a qualified name (CWinApp::OnHelp): &(CWinApp::OnHelp) would be no pointer to member.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ON_COMMAND(id, memberFxn)                                            \
    { WM_COMMAND, 0, (id), (id), AfxSig_vv,                                  \
      { .pfn_vv = static_cast<void (CCmdTarget::*)()>(&memberFxn) } },
// NOLINTEND(bugprone-macro-parentheses)
// void OnClicked()
#define ON_BN_CLICKED(id, memberFxn)                                         \
    { WM_COMMAND, BN_CLICKED, (id), (id), AfxSig_vv,                         \
      { .pfn_vv = static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn) } },
// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                                   \
    { WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl,                                    \
      { .pfn_vwl = static_cast<void (CCmdTarget::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand) } },
// void OnPaint()
#define ON_WM_PAINT()                                                        \
    { WM_PAINT, 0, 0, 0, AfxSig_vv,                                          \
      { .pfn_vv = static_cast<void (CCmdTarget::*)()>(&ThisClass::OnPaint) } },
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                                \
    { WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv,                                  \
      { .pfn_hv = static_cast<HCURSOR (CCmdTarget::*)()>(&ThisClass::OnQueryDragIcon) } },

// clang-format on

// Anything that receives commands through a message map.
class CCmdTarget
{
public:
    virtual ~CCmdTarget() {}

    // Runs the handler of the first WM_COMMAND entry for nID and nCode; FALSE when none matches.
    // A window overrides it to pass on the commands that it does not take.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    const AFX_MSGMAP_ENTRY* FindEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

// A menu that a window owns (the system menu); the wrapper never destroys it.
class CMenu
{
public:
    HMENU m_hMenu = NULL;

    // A wrapper for hMenu, valid until the next call; NULL for no menu.
    static CMenu* FromHandle(HMENU hMenu);
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* pszNewItem = NULL);
};

// A window of the program. The wrapper never destroys its window and cannot be copied.
class CWnd : public CCmdTarget
{
public:
    CWnd() {}
    // An application's main window that goes away is no longer its main window.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = NULL;
    HWND GetSafeHwnd() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL IsIconic() const;
    void GetClientRect(LPRECT lpRect) const;
    CMenu* GetSystemMenu(BOOL bRevert) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    // A modal box owned by this window; returns the button that closed it.
    int MessageBox(const char* pszText, const char* pszCaption = NULL, UINT nType = MB_OK);
    // Centres the window over its owner when the owner is visible and not minimized, otherwise
    // over the work area, and keeps it on the work area of the owner's monitor (its own monitor
    // when it has no owner).
    void CenterWindow();

    // Dispatches a message through the message map; FALSE when the default processing should run.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    // Called by a handler to have the message processed as if it had no handler.
    void Default();

    // The default processing, for handlers that pass a message on.
    afx_msg void OnSysCommand(UINT /*nID*/, LPARAM /*lParam*/) { Default(); }
    afx_msg void OnPaint() { Default(); }

    // The one place where WM_COMMAND is taken apart: the command and its notification code
    // (an accelerator's counts as a menu's) go to OnCmdMsg.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    // The window has gone (or never came): it is no longer the application's main window.
    void ForgetAsMainWindow();

private:
    BOOL m_bDefaultRequested = FALSE;
};

// Paint context of a window: BeginPaint on construction, EndPaint on destruction.
class CPaintDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// A modal dialog from a dialog template of the program's resources.
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);

    // Shows the dialog and returns the code given to EndDialog, or -1 when it cannot be created.
    // Without a parent, the application's main window (if it is open) owns the dialog.
    INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

protected:
    // Commands that the dialog's message map does not take go on to the application (Help).
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Centres a dialog that neither its template nor its OnInitDialog placed.
    void CenterIfUnplaced(const RECT& rcBeforeInit);
};

// The application: one static object, started by AfxWinMain.
class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(const char* pszAppName = NULL);
    virtual ~CWinApp();

    // FALSE ends the application at once, without a message loop.
    virtual BOOL InitInstance();
    // The message loop of applications that keep running after InitInstance.
    virtual int Run();
    // Returns the process exit status.
    virtual int ExitInstance();

    BOOL Enable3dControls();  // controls look three-dimensional on every supported Windows
    afx_msg void OnHelp();

    HINSTANCE m_hInstance = NULL;
    const char* m_pszAppName = NULL;
    char* m_lpCmdLine = NULL;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = NULL;
    // The status that ExitInstance returns.
    int m_nExitCode = 0;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
// The module that holds the resource lpszName of type lpszType.
HINSTANCE AfxFindResourceHandle(const char* lpszName, const char* lpszType);
// Hosting of controls; a dialog of plain Windows controls needs nothing more.
void AfxEnableControlContainer();
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, char* lpCmdLine, int nCmdShow);

// Framework command ids.
#define ID_HELP 0xE146
