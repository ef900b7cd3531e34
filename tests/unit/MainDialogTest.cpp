// The main dialog in this process: system menu, icons, minimized painting, default processing,
// and the box that the Start button shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PatchDlg.h"
#include "tests/support/ExpectedTexts.h"
#include "tests/support/ImportHook.h"
#include "tests/support/ModalScript.h"

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
