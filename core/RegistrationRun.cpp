// One locked run of the write step: begin, recover, change (or check).
#include "core/RegistrationRun.h"

#include <string.h>

#include "core/JournalRecovery.h"

static_assert(CWholeFile::kLargestCall == kRecoveryChunk,
              "the recovery decision knows where a write call of ours ends");

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Room the journal needs on the volume beyond both runs of bytes: its header, and some slack.
const ULONGLONG kJournalSlack = 4096;
// How often a run tries another number where a journal's name is taken.
const DWORD kJournalTries = 8;

// A number of this run's own for its side files' names.
DWORD RunNumber()
{
    return (::GetCurrentProcessId() * 2654435761u) ^ ::GetTickCount();
}

// Whether IniFileMapping (in either registry view) sends the profile functions' use of the file
// named like pszPath to the registry.
BOOL IsMapped(const char* pszPath)
{
    static const char kMappings[] =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\";
    const char* pszName = strrchr(pszPath, '\\');
    pszName = pszName != NULL ? pszName + 1 : pszPath;
    char szKey[MAX_PATH];
    const char* const parts[] = { kMappings, pszName };
    if (!JoinTexts(szKey, sizeof(szKey), parts, 2))
        return FALSE;
    const REGSAM kViews[] = { KEY_WOW64_64KEY, KEY_WOW64_32KEY };
    for (REGSAM view : kViews) {
        HKEY hKey = NULL;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, KEY_QUERY_VALUE | view, &hKey)
            == ERROR_SUCCESS) {
            ::RegCloseKey(hKey);
            return TRUE;
        }
    }
    return FALSE;
}

// Whether the file's volume has room for the journal: both runs of bytes and a header.
BOOL HasRoomForJournal(const char* pszPath, size_t nSize)
{
    const char* pszName = strrchr(pszPath, '\\');
    char szDir[MAX_PATH];
    size_t nDir = pszName != NULL ? static_cast<size_t>(pszName - pszPath) + 1 : 0;
    memcpy(szDir, pszPath, nDir);  // the caller's path fits MAX_PATH
    szDir[nDir] = '\0';
    ULARGE_INTEGER available;
    return !::GetDiskFreeSpaceExA(nDir != 0 ? szDir : NULL, &available, NULL, NULL)
           || available.QuadPart >= nSize + kJournalSlack;
}

// Files of the kind a run makes and deletes itself (scratch copies) that a run which died left.
void RemoveLeftovers(const char* pszPath, const char* pszSuffix)
{
    SidePath prefix;
    if (!prefix.Make(pszPath, pszSuffix))
        return;
    CSideFiles leftovers(prefix.Get());
    char szLeftover[MAX_PATH];
    while (leftovers.Next(szLeftover)) {
        DWORD dwError = ERROR_SUCCESS;
        if (ClearSideFile(szLeftover, &dwError) == kSideClear)
            ::DeleteFileA(szLeftover);
    }
}

}  // namespace

CRegistrationRun::CRegistrationRun(const char* pszPath, Mode mode)
    : m_pszPath(pszPath), m_mode(mode), m_identity(), m_unwritable(::Report(REGISTRATION_FAILED)),
      m_bWritable(FALSE), m_dwNumber(RunNumber()), m_bRecovered(FALSE), m_bWrote(FALSE),
      m_report(::Report(REGISTRATION_FAILED))
{
}

void CRegistrationRun::Fail(const RegistrationReport& report)
{
    RegistrationRecovery recovery = m_report.recovery;
    char szKeptAside[sizeof(m_report.szKeptAside)];
    memcpy(szKeptAside, m_report.szKeptAside, sizeof(szKeptAside));
    m_report = report;
    m_report.recovery = recovery;
    memcpy(m_report.szKeptAside, szKeptAside, sizeof(szKeptAside));
}

void CRegistrationRun::Succeed(RegistrationResult result)
{
    Fail(::Report(result));
}

BOOL CRegistrationRun::Begin()
{
    SidePath lockPath;
    if (!lockPath.Make(m_pszPath, kLockSuffix)) {
        Fail(Failed(ERROR_FILENAME_EXCED_RANGE));
        return FALSE;
    }
    switch (m_lock.Take(lockPath.Get(), kRegistrationWaitMs)) {
    case CLockFile::kTaken:
        break;
    case CLockFile::kBusy:
        m_report = ::Report(REGISTRATION_BUSY);
        return FALSE;
    case CLockFile::kDirectory:
        Fail(SideFailed(kSideDirectory, m_lock.Error(), kLockSuffix));
        return FALSE;
    case CLockFile::kPending:
        Fail(SideFailed(kSidePending, m_lock.Error(), kLockSuffix));
        return FALSE;
    case CLockFile::kFailed:
        Fail(SideFailed(kSideFailed, m_lock.Error(), kLockSuffix));
        return FALSE;
    }
    DWORD dwError = ERROR_SUCCESS;
    if (!m_security.Make(&dwError)) {
        Fail(Failed(dwError));
        return FALSE;
    }
    if (IsMapped(m_pszPath)) {
        Fail(Failure(REGISTRATION_MAPPED));
        return FALSE;
    }
    if (m_mode == kWrite)
        RemoveLeftovers(m_pszPath, kScratchSuffix);
    return Open();
}

// The file itself, opened as the profile functions open it to write: others may go on reading,
// writing, renaming and deleting it. A file that cannot be written may still hold both values
// already, which the callers that leave such a file alone then report.
BOOL CRegistrationRun::Open()
{
    DWORD dwWhy = ERROR_SUCCESS;
    m_bWritable = m_file.Open(m_pszPath, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING);
    if (!m_bWritable) {
        dwWhy = m_file.Error();
        if (!m_file.Open(m_pszPath, GENERIC_READ, kShareAll, OPEN_EXISTING)) {
            Fail(Failed(m_file.Error()));
            return FALSE;
        }
    }
    if (!m_file.Identify(&m_identity)) {
        Fail(Failed(m_file.Error()));
        return FALSE;
    }
    // A read-only file is refused as the system refuses it to an ordinary account.
    BOOL bReadOnly = (m_identity.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (bReadOnly) {
        m_bWritable = FALSE;
        dwWhy = ERROR_ACCESS_DENIED;
    }
    m_unwritable = Failed(dwWhy, bReadOnly);
    return TRUE;
}

BOOL CRegistrationRun::Recover()
{
    SidePath prefix;
    if (!prefix.Make(m_pszPath, kJournalSuffix)) {
        Fail(Failed(ERROR_FILENAME_EXCED_RANGE));
        return FALSE;
    }
    CSideFiles journals(prefix.Get());
    char szJournal[MAX_PATH];
    while (journals.Next(szJournal)) {
        if (!SettleJournal(szJournal))
            return FALSE;
    }
    return TRUE;
}

BOOL CRegistrationRun::SettleJournal(const char* pszJournal)
{
    const char* pszSuffix = pszJournal + strlen(m_pszPath);
    DWORD dwError = ERROR_SUCCESS;
    if (m_mode == kWrite)
        ClearSideFile(pszJournal, &dwError);  // read-only, it could not be deleted once settled
    CRollbackJournal journal(pszJournal);
    CRollbackJournal::Contents contents;
    switch (journal.Load(kLargestRegistration, &contents)) {
    case CRollbackJournal::kNone:
        return TRUE;
    case CRollbackJournal::kUnreadable: {
        // A journal whose deletion is pending was settled by the run that deleted it.
        SideFileState state = SideStateAfter(pszJournal, journal.Error());
        if (state == kSidePending)
            return TRUE;
        Fail(SideFailed(state, journal.Error(), pszSuffix));
        return FALSE;
    }
    case CRollbackJournal::kTorn:
        break;
    case CRollbackJournal::kWhole: {
        JournalRecovery decision =
            Inspect(contents.pOriginal, contents.nOriginal, contents.pNew, contents.nNew);
        if (!Settle(decision, contents.pOriginal, contents.nOriginal))
            return FALSE;
        if (decision == kRecoveryRollBack)
            m_report.recovery = RECOVERY_ROLLED_BACK;
        else if (decision == kRecoveryKeepAside)
            m_report.recovery = RECOVERY_KEPT_ASIDE;
        break;
    }
    }
    if (m_report.recovery == RECOVERY_NONE)
        m_report.recovery = RECOVERY_DROPPED;
    if (m_mode == kCheck || journal.Discard())
        return TRUE;
    // Settled but still whole: a later run would settle it again over what this run writes.
    Fail(SideFailed(SideStateAfter(pszJournal, journal.Error()), journal.Error(), pszSuffix));
    return FALSE;
}

JournalRecovery CRegistrationRun::Inspect(const char* pOriginal, size_t nOriginal, const char* pNew,
                                          size_t nNew)
{
    if (nOriginal > kLargestRegistration || nNew > kLargestRegistration)
        return kRecoveryUntrusted;
    // A file that our write cannot have left, a file larger than the program reads, one that
    // cannot be read, or one being rewritten as it is read: another program's.
    ULONGLONG nFile = 0;
    FileBytes now;
    if (!m_file.Size(&nFile) || !IsLengthOurs(static_cast<size_t>(nFile), nOriginal, nNew)
        || !m_file.ReadAll(kLargestRegistration, &now.buffer, &now.nSize))
        return kRecoveryKeepAside;
    return DecideRecovery(now.Data(), now.nSize, pOriginal, nOriginal, pNew, nNew,
                          kLargestRegistration);
}

// Acts on what a journal means: the original bytes back over the run's own cut write, or kept
// beside a file that another program has written. The check only finds out what it would do.
BOOL CRegistrationRun::Settle(JournalRecovery decision, const char* pOriginal, size_t nOriginal)
{
    RegistrationReport failure = ::Report(REGISTRATION_FAILED);
    switch (decision) {
    case kRecoveryUnchanged:
    case kRecoveryWhole:
    case kRecoveryUntrusted:
        return TRUE;
    case kRecoveryRollBack:
        if (!m_bWritable) {
            Fail(m_unwritable);  // the journal stays
            return FALSE;
        }
        if (m_mode == kCheck) {
            // The check goes on with the file as the next run will find it.
            m_bRecovered = m_recovered.CopyOf(pOriginal, nOriginal);
            if (!m_bRecovered)
                Fail(Failed(ERROR_NOT_ENOUGH_MEMORY));
            return m_bRecovered;
        }
        if (m_file.WriteAll(pOriginal, nOriginal))
            return TRUE;
        Fail(Failed(m_file.Error()));  // the journal stays
        return FALSE;
    case kRecoveryKeepAside:
        if (KeepAside(m_pszPath, m_dwNumber, m_security.Attributes(), pOriginal, nOriginal,
                      m_mode == kCheck, m_report.szKeptAside, &failure))
            return TRUE;
        Fail(failure);
        return FALSE;
    }
    return FALSE;
}

CRegistrationRun::Attempt CRegistrationRun::Read(FileBytes* bytes)
{
    if (m_file.ReadAll(kLargestRegistration, &bytes->buffer, &bytes->nSize))
        return kAttemptDone;
    // Shorter by the time the read reached its end: another program is rewriting it.
    if (m_file.Error() == ERROR_HANDLE_EOF)
        return kAttemptAgain;
    Fail(Failed(m_file.Error()));
    return kAttemptFailed;
}

// The change's new bytes from the file's; where it cannot make them, the report says why.
CChange::Made CRegistrationRun::Make(CChange& change, const FileBytes& before, FileBytes* after)
{
    RegistrationReport failure = ::Report(REGISTRATION_FAILED);
    CChange::Made made = change.Make(before, after, &failure);
    if (made == CChange::kNotMade)
        Fail(failure);
    return made;
}

void CRegistrationRun::Change(CChange& change, const char* pszRecordDir)
{
    for (int nAttempt = 0; nAttempt < kRegistrationAttempts; ++nAttempt) {
        FileBytes before;
        FileBytes after;
        Attempt attempt = Read(&before);
        if (attempt == kAttemptFailed)
            return;
        if (attempt == kAttemptAgain)
            continue;
        CChange::Made made = Make(change, before, &after);
        if (made == CChange::kNotMade)
            return;
        if (made == CChange::kHeldAlready) {
            RegistrationReport failure = ::Report(REGISTRATION_FAILED);
            if (pszRecordDir != NULL
                && !SaveRecord(pszRecordDir, m_security.Attributes(), before, before, &failure)) {
                Fail(failure);
                return;
            }
            // Where another program's write went on top of this run's, the run still wrote.
            Succeed(m_bWrote ? REGISTRATION_WRITTEN : REGISTRATION_UNCHANGED);
            return;
        }
        if (!m_bWritable) {
            Fail(m_unwritable);
            return;
        }
        if (Write(before, after, pszRecordDir) != kAttemptAgain)
            return;
    }
    if (pszRecordDir != NULL)
        RemoveRecord(pszRecordDir);
    Fail(Failure(REGISTRATION_CHANGING));
}

void CRegistrationRun::Check(CChange& change)
{
    FileBytes before;
    FileBytes after;
    if (m_bRecovered) {
        before = static_cast<FileBytes&&>(m_recovered);
    } else {
        Attempt attempt = Read(&before);
        if (attempt == kAttemptAgain)
            Fail(Failure(REGISTRATION_CHANGING));
        if (attempt != kAttemptDone)
            return;
    }
    CChange::Made made = Make(change, before, &after);
    if (made == CChange::kHeldAlready)
        Succeed(REGISTRATION_UNCHANGED);
    if (made != CChange::kMade)
        return;
    // The memory the run holds at its peak: the bytes read again before the write.
    FileBytes again;
    if (!m_bWritable)
        Fail(m_unwritable);
    else if (!again.buffer.Allocate(before.nSize + 1))
        Fail(Failed(ERROR_NOT_ENOUGH_MEMORY));
    else if (!HasRoomForJournal(m_pszPath, before.nSize + after.nSize))
        Fail(Failed(ERROR_DISK_FULL));
    else
        Succeed(REGISTRATION_WRITABLE);
}

// One attempt's write: the journal, the record, then the new bytes in place.
CRegistrationRun::Attempt CRegistrationRun::Write(const FileBytes& before, const FileBytes& after,
                                                  const char* pszRecordDir)
{
    SidePath journalPath;
    CRollbackJournal journal(journalPath.Get());
    for (DWORD i = 0;; ++i) {
        if (!journalPath.MakeNumbered(m_pszPath, kJournalSuffix, m_dwNumber + i * 0x9E3779B9u)) {
            Fail(Failed(ERROR_FILENAME_EXCED_RANGE));
            return kAttemptFailed;
        }
        if (journal.Save(before.Data(), before.nSize, after.Data(), after.nSize,
                         m_security.Attributes()))
            break;
        SideFileState state = SideStateAfter(journalPath.Get(), journal.Error());
        // A name taken by a file, a directory or a deletion still pending: another number.
        if (i + 1 == kJournalTries
            || (state == kSideFailed && journal.Error() != ERROR_FILE_EXISTS)) {
            Fail(SideFailed(state, journal.Error(), journalPath.Suffix()));
            return kAttemptFailed;
        }
    }
    RegistrationReport failure = ::Report(REGISTRATION_FAILED);
    if (pszRecordDir != NULL
        && !SaveRecord(pszRecordDir, m_security.Attributes(), before, after, &failure)) {
        journal.Discard();
        Fail(failure);
        return kAttemptFailed;
    }
    m_bJournalStays = FALSE;
    Attempt attempt = WriteJournaled(before, after);
    if (attempt != kAttemptDone && pszRecordDir != NULL)
        RemoveRecord(pszRecordDir);
    // A journal that stays (another program holds it) is harmless: the next run settles it again.
    if (!m_bJournalStays)
        journal.Discard();
    return attempt;
}

CRegistrationRun::Attempt CRegistrationRun::WriteJournaled(const FileBytes& before,
                                                           const FileBytes& after)
{
    // The last look before the write: the window in which another program's write is lost is
    // this comparison, not the making of the new bytes.
    FileBytes now;
    Attempt attempt = Read(&now);
    if (attempt != kAttemptDone)
        return attempt;
    if (!now.Equals(before))
        return kAttemptAgain;
    if (m_file.WriteAll(after.Data(), after.nSize)) {
        m_bWrote = TRUE;
        FileBytes written;
        attempt = Read(&written);
        if (attempt == kAttemptDone && !IsStillAtPath()) {
            Fail(Failure(REGISTRATION_REPLACED));
            return kAttemptFailed;
        }
        // Bytes that this run did not write: another program wrote after it. Its write stands;
        // the run starts again from it.
        if (attempt == kAttemptAgain || (attempt == kAttemptDone && !written.Equals(after)))
            return kAttemptAgain;
        if (attempt == kAttemptDone) {
            Succeed(REGISTRATION_WRITTEN);
            return kAttemptDone;
        }
    } else {
        Fail(Failed(m_file.Error()));
    }
    SettleFailedWrite(before, after);
    return m_report.result == REGISTRATION_WRITTEN ? kAttemptDone : kAttemptFailed;
}

// A write that failed is settled at once, as the next run would settle its journal.
void CRegistrationRun::SettleFailedWrite(const FileBytes& before, const FileBytes& after)
{
    FileBytes now;
    m_bJournalStays = TRUE;
    if (!m_file.ReadAll(kLargestRegistration, &now.buffer, &now.nSize))
        return;
    JournalRecovery decision = DecideRecovery(now.Data(), now.nSize, before.Data(), before.nSize,
                                              after.Data(), after.nSize, kLargestRegistration);
    if (decision == kRecoveryWhole) {
        Succeed(REGISTRATION_WRITTEN);
    } else {
        RegistrationReport failure = m_report;
        if (!Settle(decision, before.Data(), before.nSize))
            return;
        Fail(failure);
        if (decision == kRecoveryKeepAside)
            m_report.recovery = RECOVERY_FAILED_KEPT_ASIDE;
    }
    m_bJournalStays = FALSE;
}

// The file at the path is still the one this run has open: not renamed, deleted or replaced.
BOOL CRegistrationRun::IsStillAtPath()
{
    CWholeFile file;
    FileIdentity identity;
    return file.Open(m_pszPath, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING)
           && file.Identify(&identity) && identity.IsSameFile(m_identity);
}
