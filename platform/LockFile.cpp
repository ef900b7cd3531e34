// The lock file: share mode 0, delete on close.
#include "platform/LockFile.h"

#include "platform/SideFile.h"

CLockFile::Result CLockFile::Take(const char* pszPath, DWORD dwTimeoutMs)
{
    BOOL bCleared = FALSE;
    for (DWORD dwWaited = 0;; dwWaited += kPollMs) {
        m_file.Reset(::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE | DELETE, 0, NULL,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                   NULL));
        if (m_file.IsValid())
            return kTaken;
        m_dwError = ::GetLastError();
        DWORD dwLimit = dwTimeoutMs;
        if (m_dwError == ERROR_ACCESS_DENIED) {
            // A read-only file cannot be opened to be deleted on close; a directory, a deletion
            // pending and an account without access answer access denied too.
            switch (WhyDenied(pszPath, &bCleared, &m_dwError)) {
            case kSideClear:
                continue;  // the read-only attribute is gone: at once again
            case kSideDirectory:
                return kDirectory;
            case kSidePending:
                dwLimit = kPendingMs;
                break;
            case kSideFailed:
                return kFailed;
            }
        } else if (m_dwError != ERROR_SHARING_VIOLATION) {
            return kFailed;
        }
        if (dwWaited >= dwLimit)
            return m_dwError == ERROR_SHARING_VIOLATION ? kBusy : kPending;
        ::Sleep(kPollMs);
    }
}
