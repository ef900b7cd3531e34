// Console and redirected output in the right encoding.
#include "platform/ConsoleOutput.h"

#include <stdlib.h>

namespace {

CString WithCrLf(const CString& strText)
{
    // LF never occurs as the trail byte of a double-byte character, so bytes can be scanned.
    CString result;
    const char* p = strText;
    int nStart = 0;
    for (int i = 0; i < strText.GetLength(); ++i) {
        if (p[i] == '\n' && (i == 0 || p[i - 1] != '\r')) {
            result += CString(p + nStart, i - nStart);
            result += "\r\n";
            nStart = i + 1;
        }
    }
    result += CString(p + nStart, strText.GetLength() - nStart);
    return result;
}

}  // namespace

BOOL AfxWriteStdText(DWORD nStdHandle, const CString& strText)
{
    HANDLE h = ::GetStdHandle(nStdHandle);
    if (h == NULL || h == INVALID_HANDLE_VALUE)
        return FALSE;
    CString strLines = WithCrLf(strText);
    if (strLines.IsEmpty())
        return TRUE;

    int nWide = ::MultiByteToWideChar(CP_ACP, 0, strLines, strLines.GetLength(), NULL, 0);
    if (nWide <= 0)
        return FALSE;
    WCHAR* pWide = static_cast<WCHAR*>(malloc(static_cast<size_t>(nWide) * sizeof(WCHAR)));
    if (pWide == NULL)
        return FALSE;
    ::MultiByteToWideChar(CP_ACP, 0, strLines, strLines.GetLength(), pWide, nWide);

    BOOL bOk = FALSE;
    DWORD dwMode = 0;
    DWORD dwWritten = 0;
    if (::GetConsoleMode(h, &dwMode)) {
        bOk = ::WriteConsoleW(h, pWide, static_cast<DWORD>(nWide), &dwWritten, NULL);
    } else {
        UINT cp = ::GetConsoleOutputCP();
        if (cp == 0)
            cp = ::GetOEMCP();
        int nBytes = ::WideCharToMultiByte(cp, 0, pWide, nWide, NULL, 0, NULL, NULL);
        char* pBytes = nBytes > 0 ? static_cast<char*>(malloc(static_cast<size_t>(nBytes))) : NULL;
        if (pBytes != NULL) {
            ::WideCharToMultiByte(cp, 0, pWide, nWide, pBytes, nBytes, NULL, NULL);
            bOk = ::WriteFile(h, pBytes, static_cast<DWORD>(nBytes), &dwWritten, NULL)
                  && dwWritten == static_cast<DWORD>(nBytes);
            free(pBytes);
        }
    }
    free(pWide);
    return bOk;
}
