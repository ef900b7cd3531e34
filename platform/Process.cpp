// DLL search hardening and the code page of the run-time's multibyte functions.
#include "platform/Process.h"

#include <commctrl.h>

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

BOOL RestrictDllSearch()
{
    // Looked up at run time: Windows before 8 has it only with update KB2533623.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    SetDefaultDllDirectoriesFn setDefault =
        Lookup<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return TRUE;
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    SetDllDirectoryFn setDirectory = Lookup<SetDllDirectoryFn>(kernel, "SetDllDirectoryA");
    if (setDirectory != NULL)
        setDirectory("");
    return FALSE;
}

BOOL LoadCommonControls()
{
    // By name, not imported: the search is restricted by now, and the activation context of the
    // manifest leads the loader to version 6 in the system's side-by-side store. It stays loaded
    // for the life of the process.
    HMODULE comctl = ::LoadLibraryA("comctl32.dll");
    if (comctl == NULL)
        return FALSE;
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    InitCommonControlsExFn init = Lookup<InitCommonControlsExFn>(comctl, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES;
    return init != NULL && init(&icc);
}

void InitProcess()
{
    RestrictDllSearch();
    _setmbcp(_MB_CP_ANSI);
}
