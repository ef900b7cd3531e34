// Console and redirected output in the right encoding.
#include "platform/ConsoleOutput.h"

CConsoleText& CConsoleText::Own(const char* pszText)
{
    Append(kOwnTextCodePage, pszText, ::lstrlenA(pszText));
    return *this;
}

CConsoleText& CConsoleText::System(const CString& strText)
{
    Append(CP_ACP, strText, strText.GetLength());
    return *this;
}

void CConsoleText::Append(UINT nCodePage, const char* pch, int nLength)
{
    if (nLength <= 0)
        return;
    int nWide = ::MultiByteToWideChar(nCodePage, 0, pch, nLength, NULL, 0);
    // A system without the tables of code page 936 (an old one without East Asian language
    // support) gets the bytes as ANSI text, as the message boxes show them.
    if (nWide <= 0 && nCodePage != CP_ACP) {
        nCodePage = CP_ACP;
        nWide = ::MultiByteToWideChar(nCodePage, 0, pch, nLength, NULL, 0);
    }
    // Room for the text with a CR before each LF, and a terminator.
    size_t nNeeded = static_cast<size_t>(m_nLength) + 2 * static_cast<size_t>(nWide) + 1;
    if (nWide <= 0 || !m_text.Grow(nNeeded * sizeof(WCHAR)))
        return;
    WCHAR* pText = m_text.As<WCHAR>();
    WCHAR* pPiece = pText + m_nLength + nWide;  // decoded behind the room for the CRs
    ::MultiByteToWideChar(nCodePage, 0, pch, nLength, pPiece, nWide);
    for (int i = 0; i < nWide; ++i) {
        if (pPiece[i] == L'\n' && (m_nLength == 0 || pText[m_nLength - 1] != L'\r'))
            pText[m_nLength++] = L'\r';
        pText[m_nLength++] = pPiece[i];
    }
    pText[m_nLength] = L'\0';
}

BOOL WriteStdText(DWORD nStdHandle, const CConsoleText& text)
{
    HANDLE h = ::GetStdHandle(nStdHandle);
    if (h == NULL || h == INVALID_HANDLE_VALUE)
        return FALSE;
    if (text.Length() == 0)
        return TRUE;

    DWORD dwMode = 0;
    DWORD dwWritten = 0;
    if (::GetConsoleMode(h, &dwMode))
        return ::WriteConsoleW(h, text.Wide(), static_cast<DWORD>(text.Length()), &dwWritten, NULL);

    UINT cp = ::GetConsoleOutputCP();
    if (cp == 0)
        cp = ::GetOEMCP();
    int nBytes = ::WideCharToMultiByte(cp, 0, text.Wide(), text.Length(), NULL, 0, NULL, NULL);
    HeapBuffer bytes;
    if (nBytes <= 0 || !bytes.Allocate(static_cast<size_t>(nBytes)))
        return FALSE;
    ::WideCharToMultiByte(cp, 0, text.Wide(), text.Length(), bytes.As<char>(), nBytes, NULL, NULL);
    return ::WriteFile(h, bytes.As<char>(), static_cast<DWORD>(nBytes), &dwWritten, NULL)
           && dwWritten == static_cast<DWORD>(nBytes);
}
