// Process entry of a framework application: WinMain hands its arguments to AfxWinMain.
#include "platform/AfxWin.h"
#include "platform/Process.h"

// Before the application object is constructed: DLL search restricted, texts scanned with the
// system's ANSI code page.
__attribute__((constructor(101))) static void InitFrameworkProcess()
{
    AfxInitProcess();
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
