// The framework: the routing of the message maps, and the main window of a dialog that never
// opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/AfxWin.h"
#include "tests/support/ModalScript.h"

// Routing of the message maps, with a dialog and an application made for the test.
namespace {

std::vector<std::string> g_handled;

class RoutingApp : public CWinApp
{
public:
    void OnHelpCommand() { g_handled.push_back("app help"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RoutingApp, CWinApp)
    ON_COMMAND(ID_HELP, RoutingApp::OnHelpCommand)
END_MESSAGE_MAP()

class RoutingDlg : public CDialog
{
public:
    RoutingDlg() : CDialog(100) {}
    void First() { g_handled.push_back("first"); }
    void Second() { g_handled.push_back("second"); }
    void PassOn(UINT, LPARAM)
    {
        g_handled.push_back("sys");
        Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RoutingDlg, CDialog)
    ON_COMMAND(1234, RoutingDlg::First)
    ON_COMMAND(1234, RoutingDlg::Second)
    // clang-format off
    { WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl,
      { .pfn_vwl = static_cast<void (CCmdTarget::*)(UINT, LPARAM)>(&RoutingDlg::PassOn) } },
    // clang-format on
END_MESSAGE_MAP()

}  // namespace

TEST(MessageMap, FirstEntryWinsThenBaseMapThenApplicationThenDefault)
{
    RoutingApp app;
    g_handled.clear();
    RoutingDlg dlg;
    INT_PTR result = RunModal(dlg, [&](HWND hWnd) {
        ::SendMessageA(hWnd, WM_COMMAND, 1234, 0);
        ::SendMessageA(hWnd, WM_COMMAND, ID_HELP, 0);
        EXPECT_TRUE(::IsWindow(hWnd));
        // The handler passes SC_CLOSE on: the dialog manager turns it into Cancel.
        ::SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ((std::vector<std::string>{ "first", "app help", "sys" }), g_handled);
    EXPECT_EQ(IDCANCEL, result);

    // OK comes from the base map of every dialog.
    RoutingDlg okDlg;
    result = RunModal(okDlg, [&](HWND hWnd) { ::SendMessageA(hWnd, WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(IDOK, result);
}

TEST(MainWindow, ADialogThatNeverOpenedLeavesNoMainWindowBehind)
{
    RoutingApp app;
    {
        CDialog missing(999);  // no such template
        app.m_pMainWnd = &missing;
        EXPECT_EQ(-1, missing.DoModal());
    }
    EXPECT_EQ(nullptr, app.m_pMainWnd);
}
