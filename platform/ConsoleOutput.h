// Text output of console programs that reads right wherever it goes: a console window, or a
// pipe or file that a remote-execution tool captures, on a system of any ANSI code page.
#pragma once

#include "platform/CString.h"
#include "platform/Handles.h"

// The code page that the programs' own texts are stored in, whatever the system's.
const UINT kOwnTextCodePage = 936;

// A text put together from pieces that each come in their own code page: the programs' own
// words in code page 936, paths and values from the system in its ANSI code page. "\n" ends a
// line; each line end is written as CR LF.
class CConsoleText
{
public:
    CConsoleText() : m_nLength(0) {}

    CConsoleText& Own(const char* pszText);        // code page 936
    CConsoleText& System(const CString& strText);  // the system's ANSI code page

    const WCHAR* Wide() const { return m_text.As<WCHAR>(); }
    int Length() const { return m_nLength; }  // in WCHARs

private:
    void Append(UINT nCodePage, const char* pch, int nLength);

    HeapBuffer m_text;
    int m_nLength;
};

// Writes text to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. A console gets it through the
// wide-character console API; anything else gets it encoded in the console's output code page
// (the OEM code page when there is no console). FALSE when the handle is missing or the write
// fails.
BOOL WriteStdText(DWORD nStdHandle, const CConsoleText& text);
