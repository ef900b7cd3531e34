// Byte string: storage, concatenation and the code-page-aware searches.
#include "platform/CString.h"

#include <stdlib.h>
#include <string.h>

namespace {

char g_chNil = '\0';

// The run-time aborts the process when memory runs out: a truncated path must never reach the disk.
char* AllocText(int nLength)
{
    char* p = static_cast<char*>(malloc(static_cast<size_t>(nLength) + 1));
    if (p == NULL)
        abort();
    return p;
}

// Length in bytes of the character that starts at psz[i]. A lead byte at the end of the text
// (one that the terminator follows) counts as a character of its own.
int CharLength(const char* psz, int i, int nLength)
{
    if (AfxIsLeadByte(static_cast<unsigned char>(psz[i])) && i + 1 < nLength)
        return 2;
    return 1;
}

}  // namespace

BOOL AfxIsLeadByte(unsigned char c)
{
    return _ismbblead(c) ? TRUE : FALSE;
}

int AfxMbsCmp(const char* psz1, const char* psz2)
{
    return _mbscmp(reinterpret_cast<const unsigned char*>(psz1),
                   reinterpret_cast<const unsigned char*>(psz2));
}

CString::CString() : m_pchData(&g_chNil), m_nLength(0)
{
}

CString::CString(const char* psz) : m_pchData(&g_chNil), m_nLength(0)
{
    if (psz != NULL)
        Assign(psz, static_cast<int>(strlen(psz)));
}

CString::CString(const char* pch, int nLength) : m_pchData(&g_chNil), m_nLength(0)
{
    if (pch != NULL && nLength > 0)
        Assign(pch, nLength);
}

CString::CString(const CString& other) : m_pchData(&g_chNil), m_nLength(0)
{
    Assign(other.m_pchData, other.m_nLength);
}

CString::~CString()
{
    if (m_pchData != &g_chNil)
        free(m_pchData);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        Assign(other.m_pchData, other.m_nLength);
    return *this;
}

CString& CString::operator=(const char* psz)
{
    CString copy(psz);  // psz may point into this text
    return *this = copy;
}

CString& CString::operator+=(const CString& other)
{
    if (this == &other) {
        CString copy(other);
        Append(copy.m_pchData, copy.m_nLength);
    } else {
        Append(other.m_pchData, other.m_nLength);
    }
    return *this;
}

CString& CString::operator+=(const char* psz)
{
    if (psz != NULL) {
        CString copy(psz);
        Append(copy.m_pchData, copy.m_nLength);
    }
    return *this;
}

void CString::Assign(const char* pch, int nLength)
{
    if (nLength <= 0) {
        if (m_pchData != &g_chNil)
            free(m_pchData);
        m_pchData = &g_chNil;
        m_nLength = 0;
        return;
    }
    char* p = AllocText(nLength);
    memcpy(p, pch, static_cast<size_t>(nLength));
    p[nLength] = '\0';
    if (m_pchData != &g_chNil)
        free(m_pchData);
    m_pchData = p;
    m_nLength = nLength;
}

void CString::Append(const char* pch, int nLength)
{
    if (nLength <= 0)
        return;
    int nTotal = m_nLength + nLength;
    char* p = AllocText(nTotal);
    memcpy(p, m_pchData, static_cast<size_t>(m_nLength));
    memcpy(p + m_nLength, pch, static_cast<size_t>(nLength));
    p[nTotal] = '\0';
    if (m_pchData != &g_chNil)
        free(m_pchData);
    m_pchData = p;
    m_nLength = nTotal;
}

CString CString::Left(int nCount) const
{
    if (nCount >= m_nLength)
        return *this;
    return CString(m_pchData, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount >= m_nLength)
        return *this;
    if (nCount <= 0)
        return CString();
    return CString(m_pchData + m_nLength - nCount, nCount);
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (pszSub == NULL || nStart < 0 || nStart > m_nLength)
        return -1;
    size_t nSub = strlen(pszSub);
    for (int i = 0; i <= m_nLength; i += CharLength(m_pchData, i, m_nLength)) {
        if (i < nStart)
            continue;
        if (static_cast<size_t>(m_nLength - i) < nSub)
            return -1;
        if (memcmp(m_pchData + i, pszSub, nSub) == 0)
            return i;
        if (i == m_nLength)
            break;
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    int nFound = -1;
    for (int i = 0; i < m_nLength;) {
        int n = CharLength(m_pchData, i, m_nLength);
        if (n == 1 && m_pchData[i] == ch)
            nFound = i;
        i += n;
    }
    return nFound;
}

void CString::MakeLower()
{
    for (int i = 0; i < m_nLength;) {
        int n = CharLength(m_pchData, i, m_nLength);
        if (n == 1 && m_pchData[i] >= 'A' && m_pchData[i] <= 'Z')
            m_pchData[i] = static_cast<char>(m_pchData[i] - 'A' + 'a');
        i += n;
    }
}

BOOL CString::LoadString(UINT nID)
{
    // A string table entry holds at most 4095 characters; two bytes each in a double-byte page.
    char buffer[8192];
    int n = ::LoadStringA(::GetModuleHandleA(NULL), nID, buffer, sizeof(buffer));
    Assign(buffer, n > 0 ? n : 0);
    return n > 0;
}

CString operator+(const CString& left, const CString& right)
{
    CString result(left);
    result += right;
    return result;
}

CString operator+(const CString& left, const char* right)
{
    CString result(left);
    result += right;
    return result;
}

CString operator+(const char* left, const CString& right)
{
    CString result(left);
    result += right;
    return result;
}
