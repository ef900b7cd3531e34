// Side files: clearing what a name holds, and the access list of the file they stand beside.
#include "platform/SideFile.h"

#include <sddl.h>
#include <string.h>

namespace {

const DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

SideFileState ClearSideFile(const char* pszPath, DWORD* pdwError)
{
    DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
        *pdwError = ::GetLastError();
        if (*pdwError == ERROR_FILE_NOT_FOUND || *pdwError == ERROR_PATH_NOT_FOUND)
            return kSideClear;
        return *pdwError == ERROR_ACCESS_DENIED ? kSidePending : kSideFailed;
    }
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *pdwError = ERROR_ACCESS_DENIED;
        return kSideDirectory;
    }
    if ((dwAttributes & kInTheWay) != 0
        && !::SetFileAttributesA(pszPath, (dwAttributes & ~kInTheWay) | FILE_ATTRIBUTE_NORMAL)) {
        *pdwError = ::GetLastError();
        return kSideFailed;
    }
    return kSideClear;
}

SideFileState WhyDenied(const char* pszPath, BOOL* pbCleared, DWORD* pdwError)
{
    DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    *pdwError = ERROR_ACCESS_DENIED;
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? kSidePending : kSideFailed;
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return kSideDirectory;
    if ((dwAttributes & FILE_ATTRIBUTE_READONLY) != 0 && !*pbCleared) {
        *pbCleared = TRUE;
        if (::SetFileAttributesA(pszPath, dwAttributes & ~FILE_ATTRIBUTE_READONLY))
            return kSideClear;
    }
    return kSideFailed;
}

BOOL CSideSecurity::Make(DWORD* pdwError)
{
    // Protected (P): no inherited entries; full access (FA) for SYSTEM (SY) and the built-in
    // Administrators (BA).
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;;FA;;;SY)(A;;FA;;;BA)", SDDL_REVISION_1, &pDescriptor, NULL)) {
        *pdwError = ::GetLastError();
        return FALSE;
    }
    m_descriptor.Reset(pDescriptor);
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = pDescriptor;
    m_attributes.bInheritHandle = FALSE;
    return TRUE;
}

CSideFiles::CSideFiles(const char* pszPrefix) : m_hFind(INVALID_HANDLE_VALUE), m_bHaveFound(FALSE)
{
    size_t nPrefix = strlen(pszPrefix);
    const char* pszName = strrchr(pszPrefix, '\\');
    m_nDir = pszName != NULL ? static_cast<size_t>(pszName - pszPrefix) + 1 : 0;
    m_nPrefix = nPrefix;
    if (nPrefix + 2 > sizeof(m_szPattern))
        return;
    memcpy(m_szPattern, pszPrefix, nPrefix);
    memcpy(m_szPattern + nPrefix, "*", 2);
    m_hFind = ::FindFirstFileA(m_szPattern, &m_found);
    m_bHaveFound = m_hFind != INVALID_HANDLE_VALUE;
}

CSideFiles::~CSideFiles()
{
    if (m_hFind != INVALID_HANDLE_VALUE)
        ::FindClose(m_hFind);
}

BOOL CSideFiles::Next(char (&szPath)[MAX_PATH])
{
    while (m_bHaveFound) {
        size_t nName = strlen(m_found.cFileName);
        // The pattern matches short names too: only a long name that begins with the prefix counts,
        // and only a file: a directory under such a name is no file of the program's.
        BOOL bOurs = (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0
                     && m_nDir + nName < MAX_PATH
                     && _strnicmp(m_found.cFileName, m_szPattern + m_nDir, m_nPrefix - m_nDir) == 0;
        if (bOurs) {
            memcpy(szPath, m_szPattern, m_nDir);
            memcpy(szPath + m_nDir, m_found.cFileName, nName + 1);
        }
        m_bHaveFound = ::FindNextFileA(m_hFind, &m_found);
        if (bOurs)
            return TRUE;
    }
    return FALSE;
}
