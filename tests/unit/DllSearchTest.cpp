// DLL search hardening: a DLL beside the executable is found before, and never after.
#include <gtest/gtest.h>

#include <string.h>

#include "platform/Process.h"

TEST(DllSearch, ADllBesideTheExecutableIsNoLongerLoadedByName)
{
    HMODULE before = ::LoadLibraryA("planted.dll");
    ASSERT_NE(nullptr, before) << "the planted DLL must be found from the application directory";
    ::FreeLibrary(before);

    EXPECT_TRUE(AfxRestrictDllSearch());
    HMODULE after = ::LoadLibraryA("planted.dll");
    EXPECT_EQ(nullptr, after);
    if (after != NULL)
        ::FreeLibrary(after);
    // System DLLs still load by name.
    HMODULE system = ::LoadLibraryA("version.dll");
    EXPECT_NE(nullptr, system);
    if (system != NULL)
        ::FreeLibrary(system);

    // The common controls, loaded by name after the restriction, come from the system.
    EXPECT_TRUE(AfxInitCommonControls());
    char path[MAX_PATH] = { 0 };
    ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), path, MAX_PATH);
    char windows[MAX_PATH] = { 0 };
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(0, _strnicmp(path, windows, strlen(windows))) << path;
}
