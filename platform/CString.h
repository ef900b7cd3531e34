// Byte string in the active multibyte code page, with the framework's CString operations.
#pragma once

#include "platform/Win32.h"

// Lengths and positions count bytes. Searches step over double-byte characters as units, using
// the run-time's multibyte code page (_setmbcp), so they never match a trail byte.
class CString
{
public:
    CString();
    CString(const char* psz);
    CString(const char* pch, int nLength);
    CString(const CString& other);
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(const char* psz);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* psz);

    int GetLength() const { return m_nLength; }
    BOOL IsEmpty() const { return m_nLength == 0; }
    operator const char*() const { return m_pchData; }

    // First or last nCount bytes; the whole text when nCount >= length, empty when nCount <= 0.
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    // Byte position of the first occurrence of pszSub that starts on a character boundary at or
    // after nStart, or -1. An empty pszSub is found at nStart.
    int Find(const char* pszSub, int nStart = 0) const;
    // Byte position of the last single-byte character equal to ch, or -1.
    int ReverseFind(char ch) const;
    // Lowers the single-byte letters A to Z; both bytes of every double-byte character stay.
    void MakeLower();

    // Loads a string resource of the program; FALSE (and an empty text) when it is absent.
    BOOL LoadString(UINT nID);

private:
    void Assign(const char* pch, int nLength);
    void Append(const char* pch, int nLength);

    char* m_pchData;  // always terminated; points at a shared empty text when nothing is held
    int m_nLength;
};

CString operator+(const CString& left, const CString& right);
CString operator+(const CString& left, const char* right);
CString operator+(const char* left, const CString& right);

// Multibyte comparison of two texts (_mbscmp): 0 when they are equal.
int AfxMbsCmp(const char* psz1, const char* psz2);

// TRUE when byte c opens a double-byte character in the run-time's multibyte code page.
BOOL AfxIsLeadByte(unsigned char c);
