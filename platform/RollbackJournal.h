// A rollback journal for one file, kept beside it while it is changed: the bytes the change started
// from and the bytes it writes, so that whoever comes next can tell a change cut short (and undo
// it) from a change that is whole, or from another program's write since.
//
// The journal holds a header (a mark, the two lengths, a checksum over lengths and bytes) and the
// two runs of bytes, flushed to disk before the file is touched. A journal whose lengths or
// checksum do not match was cut short while it was written: the file was never touched after it,
// and the journal means nothing.
#pragma once

#include "platform/Handles.h"

class CRollbackJournal
{
public:
    enum State
    {
        kNone,   // no journal
        kWhole,  // a whole journal: what it means depends on what the file holds now
        kTorn,   // a journal cut short: the file was never changed after it; remove it
        kUnreadable,
    };

    // What a whole journal holds, in one buffer.
    struct Contents
    {
        HeapBuffer buffer;
        const char* pOriginal = NULL;
        size_t nOriginal = 0;
        const char* pNew = NULL;
        size_t nNew = 0;
    };

    // pszPath: the journal's own path; it must stay valid while the object lives.
    explicit CRollbackJournal(const char* pszPath) : m_pszPath(pszPath), m_dwError(ERROR_SUCCESS) {}
    CRollbackJournal(const CRollbackJournal&) = delete;
    CRollbackJournal& operator=(const CRollbackJournal&) = delete;

    // Writes both runs of bytes into a new file under the path and flushes them; the journal gets
    // the security descriptor of psa where given. Never over a file already there
    // (ERROR_FILE_EXISTS); on any other failure nothing is left under the path.
    BOOL Save(const void* pOriginal, size_t nOriginal, const void* pNew, size_t nNew,
              SECURITY_ATTRIBUTES* psa = NULL);
    // What stands under the path; with kWhole, *contents holds it. nLargest bounds each run.
    State Load(size_t nLargest, Contents* contents);
    // The journal goes away. Where it cannot be deleted (another program holds it), its header is
    // overwritten so that it reads as cut short. FALSE when neither could be done.
    BOOL Discard();

    DWORD Error() const { return m_dwError; }
    // FNV-1a over the bytes: a torn or zero-filled journal does not match its header.
    static DWORD Checksum(const void* pData, size_t nSize, DWORD dwHash = 2166136261u);

private:
    const char* m_pszPath;
    DWORD m_dwError;
};
