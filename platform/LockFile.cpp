// The lock file: share mode 0, delete on close.
#include "platform/LockFile.h"

CLockFile::Result CLockFile::Take(const char* pszPath, DWORD dwTimeoutMs)
{
    for (DWORD dwWaited = 0;; dwWaited += kPollMs) {
        m_file.Reset(::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE | DELETE, 0, NULL,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                   NULL));
        if (m_file.IsValid())
            return kTaken;
        m_dwError = ::GetLastError();
        // Held: a sharing violation. A lock whose holder has just closed it, and which the system
        // is still deleting, answers access denied while it stands; without the file, access
        // denied means that this account may not create it.
        BOOL bHeld = m_dwError == ERROR_SHARING_VIOLATION
                     || (m_dwError == ERROR_ACCESS_DENIED
                         && ::GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES);
        if (!bHeld)
            return kFailed;
        if (dwWaited >= dwTimeoutMs)
            return kBusy;
        ::Sleep(kPollMs);
    }
}
