// Where a box opens: on the work area of its owner's monitor, with two monitors side by side.
#include <gtest/gtest.h>

#include "app/PatchDlg.h"
#include "tests/support/ImportHook.h"
#include "tests/support/ModalScript.h"

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
