// One locked run of the write step over the registration file, and how it keeps its promises.
//
// The file is not ours alone: the product's service and installer write it whenever they like.
// So a run changes it in place (the same file: its owner, access list, attributes, links and the
// handles others hold stay) and only under a journal, and never writes older bytes over another
// program's write:
// 1. Begin: the lock beside the file (one run at a time), the file opened for writing where it can
//    be, and what would keep the write from reaching the product (an IniFileMapping entry).
// 2. Recover: every journal an interrupted run left is settled (core/JournalRecovery.h decides
//    which writer left the file as it stands): the run's own cut write is rolled back; another
//    program's write stands, and the bytes the journal kept are kept beside the file.
// 3. Change, attempt by attempt: the file read; the new bytes made (core/RegistrationFiles.h);
//    the journal (both runs of bytes, flushed) and, where asked for, the record saved; the file
//    read again and, where another program has changed it since, the attempt starts again from
//    it; the new bytes written over the file in calls of CWholeFile::kLargestCall, truncated,
//    flushed and read back; the file at the path still the one written; the journal deleted.
//    A write that fails is settled at once as a journal is at step 2, from the same decision.
// The lock goes last, when every other file of the run is closed.
#pragma once

#include "core/JournalRecovery.h"
#include "core/RegistrationFiles.h"
#include "platform/LockFile.h"
#include "platform/RollbackJournal.h"
#include "platform/WholeFile.h"

// How a run makes the new bytes from those the file holds: the patch's profile writes, or a
// restore's kept bytes.
class CChange
{
public:
    enum Made
    {
        kMade,
        kHeldAlready,  // the file holds what the change would write: nothing to do
        kNotMade,      // *report says why
    };
    virtual ~CChange() {}
    virtual Made Make(const FileBytes& before, FileBytes* after, RegistrationReport* report) = 0;
};

class CRegistrationRun
{
public:
    enum Mode
    {
        kWrite,
        kCheck,  // writes nothing, not even a roll-back: says what a run would do
    };

    CRegistrationRun(const char* pszPath, Mode mode);
    CRegistrationRun(const CRegistrationRun&) = delete;
    CRegistrationRun& operator=(const CRegistrationRun&) = delete;

    // The lock, the file, the side files' security. FALSE with Report() saying why.
    BOOL Begin();
    // Every journal an interrupted run left, settled (the check: what the next run will do).
    BOOL Recover();
    // The change, written as above; pszRecordDir where the record is to be kept, or NULL.
    void Change(CChange& change, const char* pszRecordDir);
    // What Change would do, and whether everything it needs is there.
    void Check(CChange& change);

    // The registration file as this run has it open.
    const FileIdentity& Identity() const { return m_identity; }
    // For the files a change makes beside the registration file.
    const char* Path() const { return m_pszPath; }
    DWORD SideNumber() const { return m_dwNumber; }
    SECURITY_ATTRIBUTES* SideSecurity() { return m_security.Attributes(); }
    const RegistrationReport& Report() const { return m_report; }

private:
    enum Attempt
    {
        kAttemptDone,
        kAttemptAgain,  // another program changed the file since it was read: start again from it
        kAttemptFailed,
    };
    BOOL Open();
    BOOL CheckMapping();
    BOOL SettleJournal(const char* pszJournal);
    BOOL Settle(JournalRecovery decision, const char* pOriginal, size_t nOriginal);
    JournalRecovery Inspect(const char* pOriginal, size_t nOriginal, const char* pNew, size_t nNew);
    BOOL KeepOriginal(const char* pOriginal, size_t nOriginal);
    Attempt Read(FileBytes* bytes);
    CChange::Made Make(CChange& change, const FileBytes& before, FileBytes* after);
    Attempt Write(const FileBytes& before, const FileBytes& after, const char* pszRecordDir);
    Attempt WriteJournaled(const FileBytes& before, const FileBytes& after);
    void SettleFailedWrite(const FileBytes& before, const FileBytes& after);
    BOOL IsStillAtPath();
    // The report becomes this failure or result; what the recovery did stays in it.
    void Fail(const RegistrationReport& report);
    void Succeed(RegistrationResult result);

    // Declared first, so that it is released last.
    CLockFile m_lock;
    const char* m_pszPath;
    Mode m_mode;
    CWholeFile m_file;
    FileIdentity m_identity;
    RegistrationReport m_unwritable;  // why the file cannot be written, where it cannot
    BOOL m_bWritable;
    CSideSecurity m_security;
    DWORD m_dwNumber;  // the run's own part of its side files' names
    // The check: the file as the next run's roll-back will leave it, where it will roll back.
    BOOL m_bRecovered;
    FileBytes m_recovered;
    BOOL m_bWrote;         // this run's bytes went to the file (another's may stand on them)
    BOOL m_bJournalStays;  // a failed write could not be settled: the next run settles it
    RegistrationReport m_report;
};
