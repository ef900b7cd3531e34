// The application object and the framework's entry.
#include "platform/AfxWin.h"
#include "platform/Process.h"

namespace {

CWinApp* g_pApp = NULL;

// The name of an application constructed without one: its executable's name, less the extension.
const char* ModuleBaseName()
{
    static char name[MAX_PATH];
    char path[MAX_PATH] = { 0 };
    ::GetModuleFileNameA(NULL, path, MAX_PATH - 1);
    // Multibyte searches: a trail byte 0x5C or 0x2E is no separator.
    unsigned char* pStart = reinterpret_cast<unsigned char*>(path);
    unsigned char* pSlash = _mbsrchr(pStart, '\\');
    unsigned char* pName = pSlash != NULL ? pSlash + 1 : pStart;
    unsigned char* pDot = _mbsrchr(pName, '.');
    if (pDot != NULL && pDot != pName)
        *pDot = '\0';
    lstrcpynA(name, reinterpret_cast<char*>(pName), MAX_PATH);
    return name;
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageA(&msg, NULL, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
}

BOOL CWinApp::Enable3dControls()
{
    return TRUE;
}

void CWinApp::OnHelp()
{
    // The program ships no help file: the Help command has nothing to open.
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_pApp != NULL && g_pApp->m_hInstance != NULL ? g_pApp->m_hInstance
                                                         : ::GetModuleHandleA(NULL);
}

HINSTANCE AfxFindResourceHandle(const char* /*lpszName*/, const char* /*lpszType*/)
{
    // Every resource lives in the executable itself.
    return AfxGetResourceHandle();
}

void AfxEnableControlContainer()
{
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, char* lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (pApp->m_pszAppName == NULL)
        pApp->m_pszAppName = ModuleBaseName();
    LoadCommonControls();

    if (!pApp->InitInstance()) {
        if (pApp->m_pMainWnd != NULL && pApp->m_pMainWnd->m_hWnd != NULL)
            ::DestroyWindow(pApp->m_pMainWnd->m_hWnd);
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
