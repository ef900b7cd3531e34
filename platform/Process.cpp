// DLL search hardening and the code page of the run-time's multibyte functions.
#include "platform/Process.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// GetProcAddress gives a generic pointer; void(*)() converts to any function type without a
// warning, and the call goes through the type that the function really has.
template <typename F> F Lookup(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace

BOOL AfxRestrictDllSearch()
{
    // Looked up at run time: Windows before 8 has it only with update KB2533623.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    typedef BOOL (WINAPI *SetDefaultDllDirectoriesFn)(DWORD);
    SetDefaultDllDirectoriesFn setDefault =
        Lookup<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return TRUE;
    typedef BOOL (WINAPI *SetDllDirectoryFn)(LPCSTR);
    SetDllDirectoryFn setDirectory = Lookup<SetDllDirectoryFn>(kernel, "SetDllDirectoryA");
    if (setDirectory != NULL)
        setDirectory("");
    return FALSE;
}

void AfxInitProcess()
{
    AfxRestrictDllSearch();
    _setmbcp(_MB_CP_ANSI);
}
