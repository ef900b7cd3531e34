// A lock that is a file: taken by creating it beside what it guards, held open with no sharing,
// and deleted when closed. Only an account that may create files in that directory can take it,
// and the system closes it, and so frees it, when its holder ends, however it ends.
#pragma once

#include "platform/Handles.h"

class CLockFile
{
public:
    enum Result
    {
        kTaken,
        kBusy,    // another holder kept it for as long as the caller would wait
        kFailed,  // it cannot be taken at all (Error() says why): no access to the directory, ...
    };

    CLockFile() : m_dwError(ERROR_SUCCESS) {}
    CLockFile(const CLockFile&) = delete;
    CLockFile& operator=(const CLockFile&) = delete;

    // Tries every kPollMs for at most dwTimeoutMs. pszPath names the lock file; a file left
    // under that name (after a power failure, when no close ever ran) is taken over.
    Result Take(const char* pszPath, DWORD dwTimeoutMs);
    // Frees the lock: the file goes away with its handle.
    void Release() { m_file.Close(); }

    DWORD Error() const { return m_dwError; }

    static const DWORD kPollMs = 50;

private:
    KernelHandle m_file;
    DWORD m_dwError;
};
