// Side files: clearing what a name holds, and the access list of the file they stand beside.
#include "platform/SideFile.h"

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

BOOL CFileSecurity::Copy(const char* pszPath, DWORD* pdwError)
{
    const SECURITY_INFORMATION kWhat = DACL_SECURITY_INFORMATION;
    DWORD dwNeeded = 0;
    if (!::GetFileSecurityA(pszPath, kWhat, NULL, 0, &dwNeeded)
        && ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        *pdwError = ::GetLastError();
        return FALSE;
    }
    if (!m_descriptor.Allocate(dwNeeded != 0 ? dwNeeded : sizeof(SECURITY_DESCRIPTOR))) {
        *pdwError = ERROR_NOT_ENOUGH_MEMORY;
        return FALSE;
    }
    if (!::GetFileSecurityA(pszPath, kWhat, m_descriptor.As<SECURITY_DESCRIPTOR>(),
                            static_cast<DWORD>(m_descriptor.Size()), &dwNeeded)) {
        *pdwError = ::GetLastError();
        return FALSE;
    }
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = m_descriptor.As<SECURITY_DESCRIPTOR>();
    m_attributes.bInheritHandle = FALSE;
    return TRUE;
}
