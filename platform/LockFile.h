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
        kBusy,       // another holder kept it for as long as the caller would wait
        kDirectory,  // a directory stands under its name
        kPending,    // a file under its name is being deleted and another program still holds it
        kFailed,  // it cannot be taken at all (Error() says why): no access to the directory, ...
    };

    CLockFile() : m_dwError(ERROR_SUCCESS) {}
    CLockFile(const CLockFile&) = delete;
    CLockFile& operator=(const CLockFile&) = delete;

    // Tries every kPollMs for at most dwTimeoutMs while another holder has it. pszPath names the
    // lock file; a file left under that name (after a power failure, when no close ever ran) is
    // taken over, read-only or not. Only a holder that shares nothing (another run) makes it
    // wait; a deletion pending is waited for kPendingMs at most.
    Result Take(const char* pszPath, DWORD dwTimeoutMs);
    // Frees the lock: the file goes away with its handle.
    void Release() { m_file.Close(); }

    DWORD Error() const { return m_dwError; }

    static const DWORD kPollMs = 50;
    static const DWORD kPendingMs = 1000;

private:
    KernelHandle m_file;
    DWORD m_dwError;
};
