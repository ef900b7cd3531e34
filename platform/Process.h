// Process start-up shared by the programs: DLL search hardening and the multibyte code page.
#pragma once

#include "platform/Win32.h"

// Restricts the DLLs that the process loads by name at run time to the system directory, so
// that a DLL planted beside the executable (a downloads folder) is never loaded into an elevated
// process. TRUE when the restriction is in force; where the system lacks it, the current
// directory is at least taken out of the search and the result is FALSE.
BOOL RestrictDllSearch();

// Runs before any static object of a program is constructed: restricts the DLL search, then
// sets the run-time's multibyte code page to the system's ANSI code page.
void InitProcess();

// Loads the common controls library, version 6 as the manifest asks, and registers its window
// classes, which then provide the dialogs' buttons and texts. Windows Vista and later load it by
// themselves; on Windows XP and Server 2003 nothing else does, and a dialog whose controls
// cannot be created never opens. Call it after RestrictDllSearch. FALSE when it could not be
// loaded or initialised.
BOOL LoadCommonControls();
