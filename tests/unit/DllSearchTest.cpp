// DLL search hardening: a DLL beside the executable is found before, and never after; where the
// system lacks SetDefaultDllDirectories, the program's directory is still searched.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "platform/Process.h"
#include "tests/support/ImportHook.h"

namespace {

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddressFn g_getProcAddress = nullptr;
std::vector<std::string> g_dllDirectories;  // what SetDllDirectoryA was given

BOOL WINAPI RecordSetDllDirectory(LPCSTR path)
{
    g_dllDirectories.push_back(path != NULL ? path : "(null)");
    return ::SetDllDirectoryA(path);
}

// The system as it is before Windows 8 without KB2533623: no SetDefaultDllDirectories.
FARPROC WINAPI WithoutSetDefaultDllDirectories(HMODULE module, LPCSTR name)
{
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && strcmp(name, "SetDefaultDllDirectories") == 0)
        return NULL;
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && strcmp(name, "SetDllDirectoryA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordSetDllDirectory));
    return g_getProcAddress(module, name);
}

}  // namespace

// Each test runs in a process of its own: a restriction in force stays for the process.
TEST(DllSearch, WithoutSetDefaultDllDirectoriesTheProgramsDirectoryIsStillSearched)
{
    {
        ImportHook hook("kernel32.dll", "GetProcAddress", &::GetProcAddress,
                        &WithoutSetDefaultDllDirectories);
        ASSERT_TRUE(hook.Installed());
        g_getProcAddress = hook.Original<GetProcAddressFn>();
        EXPECT_FALSE(RestrictDllSearch()) << "the restriction is not in force";
    }
    // The fallback: an empty DLL directory, which takes the current directory out of the search
    // on Windows (Wine keeps searching it, so that part cannot be shown here).
    EXPECT_EQ(std::vector<std::string>{ "" }, g_dllDirectories);
    // The program's own directory is still searched first: hence the usage notes' advice to run
    // the program on such systems from a folder that holds nothing else.
    HMODULE besideTheProgram = ::LoadLibraryA("planted.dll");
    EXPECT_NE(nullptr, besideTheProgram);
    if (besideTheProgram != NULL)
        ::FreeLibrary(besideTheProgram);
}

TEST(DllSearch, ADllBesideTheExecutableIsNoLongerLoadedByName)
{
    HMODULE before = ::LoadLibraryA("planted.dll");
    ASSERT_NE(nullptr, before) << "the planted DLL must be found from the application directory";
    ::FreeLibrary(before);

    EXPECT_TRUE(RestrictDllSearch());
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
    EXPECT_TRUE(LoadCommonControls());
    char path[MAX_PATH] = { 0 };
    ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), path, MAX_PATH);
    char windows[MAX_PATH] = { 0 };
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(0, _strnicmp(path, windows, strlen(windows))) << path;
}
