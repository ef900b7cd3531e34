// Modal dialogs driven by a thread timer that fires inside their message loop.
#include "tests/support/ModalScript.h"

namespace {

CDialog* g_dialog = nullptr;
const std::function<void(HWND)>* g_script = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD)
{
    if (g_dialog == nullptr || g_dialog->m_hWnd == NULL)
        return;  // not up yet: the timer fires again
    ::KillTimer(NULL, id);
    HWND hWnd = g_dialog->m_hWnd;
    (*g_script)(hWnd);
    if (::IsWindow(hWnd))
        ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& script)
{
    // A script may run a dialog of its own: the outer one is taken up again afterwards.
    CDialog* outerDialog = g_dialog;
    const std::function<void(HWND)>* outerScript = g_script;
    g_dialog = &dlg;
    g_script = &script;
    ::SetTimer(NULL, 0, 10, &RunScript);
    INT_PTR result = dlg.DoModal();
    g_dialog = outerDialog;
    g_script = outerScript;
    return result;
}
