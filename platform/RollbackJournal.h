// A rollback journal for one file: the file's original bytes, kept beside it while it is changed,
// so that a change cut short at any moment can be undone by whoever comes next.
//
// The journal holds a header (a mark, the length of the bytes, a checksum over length and bytes)
// and the bytes, flushed to disk before the file is touched. A journal whose length or checksum
// does not match was cut short while it was written: the file was never touched after it, and the
// journal means nothing. Deleting the journal is the commit of the change.
#pragma once

#include "platform/Handles.h"

class CRollbackJournal
{
public:
    enum State
    {
        kNone,   // no journal
        kWhole,  // a whole journal: the file may be half changed and must be rolled back
        kTorn,   // a journal cut short: the file was never changed after it; remove it
        kUnreadable,
    };

    // pszPath: the journal's own path; it must stay valid while the object lives.
    explicit CRollbackJournal(const char* pszPath) : m_pszPath(pszPath), m_dwError(ERROR_SUCCESS) {}
    CRollbackJournal(const CRollbackJournal&) = delete;
    CRollbackJournal& operator=(const CRollbackJournal&) = delete;

    // Writes the original bytes and flushes them. On failure nothing is left under the path.
    BOOL Save(const void* pData, size_t nSize);
    // What stands under the path; with kWhole, *bytes and *pnSize are the original bytes.
    State Load(size_t nLargest, HeapBuffer* bytes, size_t* pnSize);
    // The commit: the journal goes away. Where it cannot be deleted (another program holds it),
    // its header is overwritten so that it reads as cut short and is never rolled back.
    BOOL Discard();

    DWORD Error() const { return m_dwError; }

private:
    const char* m_pszPath;
    DWORD m_dwError;
};
