// The main dialog in this process: system menu, icons, minimized painting, default processing,
// the box of the Start button, the messages of every outcome, the version rule of the procedure,
// and the routing of the message maps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PatchDlg.h"
#include "app/PatchMessages.h"
#include "tests/support/ExpectedTexts.h"
#include "tests/support/ImportHook.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Staging.h"

namespace {

HICON ApplicationIcon()
{
    return ::LoadIconA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(128));
}

std::string MenuText(HMENU menu, int position)
{
    char text[256] = { 0 };
    ::GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

int WINAPI FailLoadString(HINSTANCE, UINT, LPSTR buffer, int size)
{
    if (size > 0)
        buffer[0] = '\0';
    return 0;
}

}  // namespace

TEST(PatchDialog, SystemMenuEndsWithSeparatorAndAboutEntry)
{
    CPatchDlg dlg;
    int itemsWithEntry = 0;
    INT_PTR result = RunModal(dlg, [&](HWND hWnd) {
        HMENU menu = ::GetSystemMenu(hWnd, FALSE);
        ASSERT_NE(nullptr, menu);
        itemsWithEntry = ::GetMenuItemCount(menu);
        ASSERT_GE(itemsWithEntry, 2);
        EXPECT_EQ(0x0010u, ::GetMenuItemID(menu, itemsWithEntry - 1));
        EXPECT_EQ(expected::kAboutMenu, MenuText(menu, itemsWithEntry - 1));
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        ASSERT_TRUE(::GetMenuItemInfoA(menu, itemsWithEntry - 2, TRUE, &info));
        EXPECT_TRUE(info.fType & MFT_SEPARATOR);
        // The focus rests on the Start button.
        EXPECT_EQ(::GetDlgItem(hWnd, 1000), ::GetFocus());
    });
    EXPECT_EQ(IDCANCEL, result);

    // Without the string there is neither separator nor entry.
    ImportHook noString("user32.dll", "LoadStringA", &::LoadStringA, &FailLoadString);
    ASSERT_TRUE(noString.Installed());
    CPatchDlg bare;
    RunModal(bare, [&](HWND hWnd) {
        HMENU menu = ::GetSystemMenu(hWnd, FALSE);
        EXPECT_EQ(itemsWithEntry - 2, ::GetMenuItemCount(menu));
        EXPECT_EQ(static_cast<UINT>(-1), ::GetMenuState(menu, 0x0010, MF_BYCOMMAND));
    });
}

TEST(PatchDialog, BigSmallAndDragIconAreTheApplicationIcon)
{
    CPatchDlg dlg;
    RunModal(dlg, [&](HWND hWnd) {
        HICON icon = ApplicationIcon();
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), ::SendMessageA(hWnd, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), ::SendMessageA(hWnd, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), ::SendMessageA(hWnd, WM_QUERYDRAGICON, 0, 0));
    });
}

namespace {

struct DrawnIcon
{
    int calls = 0;
    int x = 0;
    int y = 0;
    HICON icon = NULL;
};
DrawnIcon g_drawn;

BOOL WINAPI RecordDrawIcon(HDC, int x, int y, HICON icon)
{
    ++g_drawn.calls;
    g_drawn.x = x;
    g_drawn.y = y;
    g_drawn.icon = icon;
    return TRUE;
}

}  // namespace

TEST(PatchDialog, MinimizedItPaintsTheIconCentred)
{
    ImportHook hook("user32.dll", "DrawIcon", &::DrawIcon, &RecordDrawIcon);
    ASSERT_TRUE(hook.Installed());
    g_drawn = DrawnIcon();
    CPatchDlg dlg;
    RunModal(dlg, [&](HWND hWnd) {
        ::SendMessageA(hWnd, WM_PAINT, 0, 0);
        EXPECT_EQ(0, g_drawn.calls) << "a restored dialog paints as usual";

        ::ShowWindow(hWnd, SW_MINIMIZE);
        ASSERT_TRUE(::IsIconic(hWnd));
        ::SendMessageA(hWnd, WM_PAINT, 0, 0);
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        EXPECT_EQ(1, g_drawn.calls);
        EXPECT_EQ((rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2, g_drawn.x);
        EXPECT_EQ((rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2, g_drawn.y);
        EXPECT_EQ(ApplicationIcon(), g_drawn.icon);
    });
}

TEST(PatchDialog, OtherSystemCommandsGetTheDefaultProcessing)
{
    CPatchDlg dlg;
    INT_PTR result = RunModal(dlg, [&](HWND hWnd) {
        ::SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);  // becomes the Cancel command
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

// Two monitors side by side, as the monitor queries report them to the framework: the primary
// at the origin and a second one to its right, each with a taskbar along its bottom edge.
namespace {

const RECT kMonitors[2] = { { 0, 0, 1024, 768 }, { 1024, 0, 2048, 768 } };
const RECT kWorkAreas[2] = { { 0, 0, 1024, 738 }, { 1024, 0, 2048, 738 } };

HMONITOR WINAPI FakeMonitorFromWindow(HWND hWnd, DWORD)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    return reinterpret_cast<HMONITOR>(
        static_cast<INT_PTR>((rc.left + rc.right) / 2 >= 1024 ? 2 : 1));
}

BOOL WINAPI FakeMonitorInfo(HMONITOR monitor, LPMONITORINFO info)
{
    INT_PTR i = reinterpret_cast<INT_PTR>(monitor) - 1;
    if (i < 0 || i > 1 || info->cbSize < sizeof(MONITORINFO))
        return FALSE;
    info->rcMonitor = kMonitors[i];
    info->rcWork = kWorkAreas[i];
    info->dwFlags = i == 0 ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

}  // namespace

TEST(DialogPlacement, ABoxStaysOnTheWorkAreaOfItsOwnersMonitor)
{
    ImportHook monitorOf("user32.dll", "MonitorFromWindow", &::MonitorFromWindow,
                         &FakeMonitorFromWindow);
    ImportHook monitorInfo("user32.dll", "GetMonitorInfoA", &::GetMonitorInfoA, &FakeMonitorInfo);
    ASSERT_TRUE(monitorOf.Installed() && monitorInfo.Installed());
    const struct
    {
        const char* name;
        int x, y;  // the owner's top-left corner, on the second monitor
        bool ownerHidden;
    } rows[] = {
        // Partly beyond the right edge of the second monitor: pushed back onto that monitor, not
        // onto the primary one.
        { "owner across the right edge", 1900, 100, false },
        // A hidden owner: centred on the work area of the monitor that holds it.
        { "owner hidden", 1100, 100, true },
    };
    CPatchDlg main;
    RunModal(main, [&](HWND hMain) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            ::SetWindowPos(hMain, NULL, row.x, row.y, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ::ShowWindow(hMain, row.ownerHidden ? SW_HIDE : SW_SHOWNA);
            RECT box = {};
            CDialog about(IDD_ABOUTBOX, &main);
            RunModal(about, [&](HWND hAbout) { ::GetWindowRect(hAbout, &box); });
            const RECT& work = kWorkAreas[1];
            EXPECT_GE(box.left, work.left);
            EXPECT_GE(box.top, work.top);
            EXPECT_LE(box.right, work.right);
            EXPECT_LE(box.bottom, work.bottom);
            if (row.ownerHidden) {
                EXPECT_NEAR((work.left + work.right) / 2, (box.left + box.right) / 2, 1);
                EXPECT_NEAR((work.top + work.bottom) / 2, (box.top + box.bottom) / 2, 1);
            } else {
                EXPECT_EQ(work.right, box.right);
            }
        }
    });
}

namespace {

struct ShownBox
{
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<ShownBox> g_boxes;

int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    g_boxes.push_back(ShownBox{ owner, text, caption, type });
    return IDOK;
}

// Presses Start in a fresh main dialog and returns the box it showed.
ShownBox PressStartInProcess()
{
    g_boxes.clear();
    ImportHook hook("user32.dll", "MessageBoxA", &::MessageBoxA, &RecordMessageBox);
    EXPECT_TRUE(hook.Installed());
    CPatchDlg dlg;
    HWND dialog = NULL;
    RunModal(dlg, [&](HWND hWnd) {
        dialog = hWnd;
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hWnd, 1000)));
        EXPECT_TRUE(::IsWindow(hWnd)) << "a failure leaves the dialog open";
    });
    EXPECT_EQ(1u, g_boxes.size());
    if (g_boxes.empty())
        return ShownBox{};
    EXPECT_EQ(dialog, g_boxes[0].owner) << "boxes of the Start button belong to the dialog";
    return g_boxes[0];
}

}  // namespace

// The box of the outcome, owned by the dialog, which stays open: the road of a missing service.
TEST(PatchDialogStart, MissingServiceShowsTheErrorIcon)
{
    ShownBox box = PressStartInProcess();
    EXPECT_EQ(expected::kMissingPathSuffix, box.text);
    EXPECT_EQ(expected::kErrorCaption, box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), box.type);
}

// Every outcome's text, caption and icon; each road also runs end to end once per program
// (PatchProgram, ConsoleProgram).
TEST(PatchMessages, EveryOutcomeHasItsTextCaptionAndIcon)
{
    const std::string file = "C:\\windows\\system32\\zbk.db";
    const UINT kError = MB_OK | MB_ICONERROR;
    const UINT kInformation = MB_OK | MB_ICONINFORMATION;  // the unreadable version too
    const struct
    {
        PatchResult result;
        RegistrationReport registration;
        std::string text;
        const char* caption;
        UINT type;
    } rows[] = {
        { PATCH_APPLIED, {}, expected::kSuccessText, expected::kSuccessCaption, kInformation },
        { PATCH_UNCHANGED, {}, expected::kSuccessText, expected::kSuccessCaption, kInformation },
        // The install directory as the service gave it.
        { PATCH_NO_INSTALL_DIR,
          {},
          std::string("d:\\\x88\x41\\") + expected::kMissingPathSuffix,
          expected::kErrorCaption,
          kError },
        { PATCH_NO_VERSION,
          {},
          expected::kNoVersionText,
          expected::kNoVersionCaption,
          kInformation },
        { PATCH_WRITE_FAILED,
          { REGISTRATION_FAILED, REGISTRATION_HELD, ERROR_LOCK_VIOLATION, RECOVERY_NONE, {}, {} },
          file + expected::WriteFailed(expected::kFailureHeld, ERROR_LOCK_VIOLATION),
          expected::kErrorCaption,
          kError },
        { PATCH_WRITE_FAILED,
          { REGISTRATION_FAILED, REGISTRATION_READ_ONLY, 0, RECOVERY_NONE, {}, {} },
          file + expected::WriteFailed(expected::kFailureReadOnly, 0),
          expected::kErrorCaption,
          kError },
        { PATCH_WRITE_BUSY,
          {},
          file + expected::kWriteBusySuffix,
          expected::kErrorCaption,
          kError },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        PatchOutcome outcome = { row.result, "d:\\\x88\x41\\", "1.9.0", file.c_str(),
                                 row.registration };
        PatchMessage m = OutcomeMessage(outcome);
        EXPECT_EQ(row.text, std::string(m.Text()));
        EXPECT_STREQ(row.caption, m.pszCaption);
        EXPECT_EQ(row.type, m.nType);
    }
    PatchMessage m = MissingProductMessage();
    EXPECT_EQ(expected::kNotInstalledText, std::string(m.Text()));
    EXPECT_STREQ(expected::kNotInstalledCaption, m.pszCaption);
    EXPECT_EQ(kError, m.nType);
}

// Which values of Word1 give a version, and which version: the procedure in this process, with
// the form of the write step that writes nothing.
TEST(PatchProcedure, Word1Values)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, "[zbk]\r\n");
    const struct
    {
        const char* word1;    // nullptr: no configuration file at all
        const char* version;  // nullptr: no valid version
    } rows[] = {
        { "V 1.8.0", "1.8.0" },  { "Label 2 .5", "2 .5" },  // everything after the first blank
        { "V .5", ".5" },                                   // two bytes with a dot
        { "V 1.", "1." },        { "1.8.0", nullptr },      // no blank
        { "V1.0 185", nullptr },  // the dot before the blank does not count
        { "V 1", nullptr },      { "V 185", nullptr },     { "", nullptr }, { nullptr, nullptr },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word1 != nullptr ? row.word1 : "no configuration file");
        StagedInstallation installation("Quellor",
                                        row.word1 != nullptr ? ConfigIni(row.word1) : "");
        ASSERT_TRUE(installation.ok());
        PatchOutcome outcome = RunPatch(&CheckRegistration);
        EXPECT_EQ(row.version != nullptr ? PATCH_APPLIED : PATCH_NO_VERSION, outcome.result);
        if (row.version != nullptr) {
            EXPECT_EQ(row.version, std::string(outcome.strVersion));
        }
    }
}

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
