// Text output of console programs that reads right wherever it goes: a console window, or a
// pipe or file that a remote-execution tool captures.
#pragma once

#include "platform/CString.h"

// Writes text (ANSI code page; "\n" ends a line) to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. A
// console gets it through the wide-character console API; anything else gets it encoded in the
// console's output code page (the OEM code page when there is no console), with CR LF line ends.
// FALSE when the handle is missing or the write fails.
BOOL AfxWriteStdText(DWORD nStdHandle, const CString& strText);
