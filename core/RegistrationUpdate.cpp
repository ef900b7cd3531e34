// The write step: the profile functions write a scratch copy, whose verified bytes are written over
// the registration file in place under a rollback journal, one run at a time.
#include "core/RegistrationUpdate.h"

#include <string.h>

#include "core/InstallRecords.h"
#include "core/ProfileFile.h"
#include "core/ProfileLines.h"
#include "platform/LockFile.h"
#include "platform/RollbackJournal.h"
#include "platform/WholeFile.h"

const char kLockSuffix[] = ".upgradepatch-lock";
const char kJournalSuffix[] = ".upgradepatch-journal";
const char kScratchSuffix[] = ".upgradepatch-scratch";

namespace {

// The profile functions keep a whole file in memory; a registration file is a few kilobytes.
const size_t kLargestFile = static_cast<size_t>(64) * 1024 * 1024;
// Room the journal needs on the volume beyond the file's bytes: its header, and some slack.
const ULONGLONG kJournalSlack = 4096;

enum WriteMode
{
    kRewrite,
    kUpdate,
    kCheck,
};

// A file's bytes.
struct FileBytes
{
    HeapBuffer buffer;
    size_t nSize = 0;
    const char* Data() const { return buffer.As<char>(); }
};

// A path beside the registration file: its name with a suffix of the program's own.
class SidePath
{
public:
    SidePath() { m_szPath[0] = '\0'; }
    // FALSE when the name would not fit MAX_PATH.
    BOOL Make(const char* pszPath, const char* pszSuffix)
    {
        size_t nPath = strlen(pszPath);
        size_t nSuffix = strlen(pszSuffix);
        if (nPath + nSuffix >= MAX_PATH)
            return FALSE;
        memcpy(m_szPath, pszPath, nPath);
        memcpy(m_szPath + nPath, pszSuffix, nSuffix + 1);
        return TRUE;
    }
    const char* Get() const { return m_szPath; }

private:
    char m_szPath[MAX_PATH];
};

// The scratch copy: the program's own file, deleted when the object goes away.
class ScratchFile
{
public:
    explicit ScratchFile(const char* pszPath) : m_pszPath(pszPath), m_bMade(FALSE) {}
    ~ScratchFile()
    {
        if (m_bMade)
            ::DeleteFileA(m_pszPath);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // The scratch copy made with these bytes; FALSE with the Windows error in *pdwError.
    BOOL Make(const FileBytes& bytes, DWORD* pdwError)
    {
        CWholeFile file;
        m_bMade = file.Open(m_pszPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (m_bMade && file.WriteAll(bytes.Data(), bytes.nSize))
            return TRUE;
        *pdwError = file.Error();
        return FALSE;
    }
    BOOL Read(FileBytes* bytes, DWORD* pdwError) const
    {
        CWholeFile file;
        if (file.Open(m_pszPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
            && file.ReadAll(kLargestFile, &bytes->buffer, &bytes->nSize))
            return TRUE;
        *pdwError = file.Error();
        return FALSE;
    }

private:
    const char* m_pszPath;
    BOOL m_bMade;
};

RegistrationReport Report(RegistrationResult result)
{
    return RegistrationReport{ result, REGISTRATION_NO_FAILURE, ERROR_SUCCESS, FALSE };
}

// A failure, named after the Windows error and, for access denied, the file's attributes.
RegistrationReport Failed(DWORD dwError, const char* pszPath)
{
    RegistrationReport report = Report(REGISTRATION_FAILED);
    report.dwError = dwError;
    switch (dwError) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        report.failure = REGISTRATION_HELD;
        break;
    case ERROR_ACCESS_DENIED: {
        DWORD dwAttributes =
            pszPath != NULL ? ::GetFileAttributesA(pszPath) : INVALID_FILE_ATTRIBUTES;
        BOOL bReadOnly = dwAttributes != INVALID_FILE_ATTRIBUTES
                         && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0
                         && (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        report.failure = bReadOnly ? REGISTRATION_READ_ONLY : REGISTRATION_DENIED;
        break;
    }
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        report.failure = REGISTRATION_DISK_FULL;
        break;
    default:
        report.failure = REGISTRATION_OTHER;
        break;
    }
    return report;
}

RegistrationReport NotKept()
{
    RegistrationReport report = Report(REGISTRATION_FAILED);
    report.failure = REGISTRATION_NOT_KEPT;
    return report;
}

// Both keys as the profile functions read them from the file.
BOOL HoldsBoth(CProfileFile& profile, const char* pszVersion, const char* pszAppPath)
{
    return strcmp(profile.GetString(kRegistrationVersionKey, kRegistrationSection), pszVersion) == 0
           && strcmp(profile.GetString(kRegistrationPathKey, kRegistrationSection), pszAppPath)
                  == 0;
}

// Puts back what an interrupted run's journal holds, before anything else reads the file. A
// journal cut short was never followed by a change of the file and only goes away.
BOOL RollBack(CWholeFile& file, CRollbackJournal& journal, RegistrationReport* report)
{
    FileBytes original;
    switch (journal.Load(kLargestFile, &original.buffer, &original.nSize)) {
    case CRollbackJournal::kNone:
        return TRUE;
    case CRollbackJournal::kWhole:
        if (!file.WriteAll(original.Data(), original.nSize)) {
            *report = Failed(file.Error(), NULL);
            return FALSE;
        }
        report->bRestored = TRUE;
        break;
    case CRollbackJournal::kTorn:
        break;
    case CRollbackJournal::kUnreadable:
        *report = Failed(journal.Error(), NULL);
        return FALSE;
    }
    if (journal.Discard())
        return TRUE;
    *report = Failed(journal.Error(), NULL);
    return FALSE;
}

// The new bytes, made by the profile functions on the scratch copy and verified there: both
// values read back, every other line kept. REGISTRATION_UNCHANGED when the file holds both values
// and the mode leaves such a file alone.
RegistrationReport MakeNewBytes(const char* pszScratch, const FileBytes& before, WriteMode mode,
                                const char* pszVersion, const char* pszAppPath, FileBytes* after)
{
    ScratchFile scratch(pszScratch);
    DWORD dwError = ERROR_SUCCESS;
    if (!scratch.Make(before, &dwError))
        return Failed(dwError, pszScratch);
    CProfileFile profile;
    profile.m_strProfilePath = pszScratch;
    if (mode != kRewrite && HoldsBoth(profile, pszVersion, pszAppPath))
        return Report(REGISTRATION_UNCHANGED);
    // A profile write can report success and still have written nothing, or a cut file.
    if (profile.SetString(pszVersion, kRegistrationVersionKey, kRegistrationSection) != 0
        || profile.SetString(pszAppPath, kRegistrationPathKey, kRegistrationSection) != 0
        || !HoldsBoth(profile, pszVersion, pszAppPath))
        return NotKept();
    if (!scratch.Read(after, &dwError))
        return Failed(dwError, pszScratch);
    static const char* const kKeys[] = { kRegistrationVersionKey, kRegistrationPathKey };
    const PatchedKeys patched = { kRegistrationSection, kKeys, 2 };
    if (!KeepsOtherLines(before.Data(), before.nSize, after->Data(), after->nSize, patched))
        return NotKept();
    return Report(REGISTRATION_WRITTEN);
}

// Room on the file's volume for the journal: the file's bytes and a header.
RegistrationReport RoomForJournal(const char* pszPath, size_t nSize)
{
    const char* pszName = strrchr(pszPath, '\\');
    char szDir[MAX_PATH];
    size_t nDir = pszName != NULL ? static_cast<size_t>(pszName - pszPath) + 1 : 0;
    memcpy(szDir, pszPath, nDir);  // the caller's path fits MAX_PATH
    szDir[nDir] = '\0';
    ULARGE_INTEGER available;
    if (::GetDiskFreeSpaceExA(nDir != 0 ? szDir : NULL, &available, NULL, NULL)
        && available.QuadPart < nSize + kJournalSlack)
        return Failed(ERROR_DISK_FULL, pszPath);
    return Report(REGISTRATION_WRITABLE);
}

// The new bytes over the file, in place, under the journal. On a failure the original bytes are
// put back at once; where even that fails, the journal stays for the next run to roll back.
RegistrationReport WriteInPlace(const char* pszPath, CWholeFile& file, CRollbackJournal& journal,
                                const FileBytes& before, const FileBytes& after)
{
    if (!journal.Save(before.Data(), before.nSize))
        return Failed(journal.Error(), pszPath);
    RegistrationReport report = Report(REGISTRATION_WRITTEN);
    FileBytes written;
    if (!file.WriteAll(after.Data(), after.nSize)
        || !file.ReadAll(kLargestFile, &written.buffer, &written.nSize))
        report = Failed(file.Error(), pszPath);
    else if (written.nSize != after.nSize || memcmp(written.Data(), after.Data(), after.nSize) != 0)
        report = NotKept();
    else if (journal.Discard())  // the commit
        return report;
    else  // a journal left whole would be rolled back by the next run: the change is undone
        report = Failed(journal.Error(), pszPath);
    if (file.WriteAll(before.Data(), before.nSize))
        journal.Discard();
    return report;
}

RegistrationReport InTurn(const char* pszPath, const char* pszVersion, const char* pszAppPath,
                          WriteMode mode)
{
    SidePath lockPath;
    SidePath journalPath;
    SidePath scratchPath;
    if (!lockPath.Make(pszPath, kLockSuffix) || !journalPath.Make(pszPath, kJournalSuffix)
        || !scratchPath.Make(pszPath, kScratchSuffix))
        return Failed(ERROR_FILENAME_EXCED_RANGE, pszPath);

    // Released last, when every other file of the run is closed.
    CLockFile lock;
    CLockFile::Result taken = lock.Take(lockPath.Get(), kRegistrationWaitMs);
    if (taken == CLockFile::kBusy)
        return Report(REGISTRATION_BUSY);
    if (taken != CLockFile::kTaken)
        return Failed(lock.Error(), pszPath);

    // The file itself, opened as the profile functions open it to write: others may go on reading
    // and writing it, and it is never deleted or renamed. A read-only file is refused as the
    // system refuses it to an ordinary account. A file that cannot be written may still hold
    // both values already, which the modes that leave such a file alone then report.
    CWholeFile file;
    const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    RegistrationReport unwritable = Report(REGISTRATION_WRITTEN);
    if (!file.Open(pszPath, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING))
        unwritable = Failed(file.Error(), pszPath);
    else if ((::GetFileAttributesA(pszPath) & FILE_ATTRIBUTE_READONLY) != 0)
        unwritable = Failed(ERROR_ACCESS_DENIED, pszPath);
    if (unwritable.result == REGISTRATION_FAILED
        && !file.Open(pszPath, GENERIC_READ, kShareAll, OPEN_EXISTING))
        return unwritable;

    CRollbackJournal journal(journalPath.Get());
    RegistrationReport restored = Report(REGISTRATION_FAILED);
    if (!RollBack(file, journal, &restored))
        return unwritable.result == REGISTRATION_FAILED ? unwritable : restored;

    FileBytes before;
    FileBytes after;
    if (!file.ReadAll(kLargestFile, &before.buffer, &before.nSize))
        return Failed(file.Error(), pszPath);
    RegistrationReport report =
        MakeNewBytes(scratchPath.Get(), before, mode, pszVersion, pszAppPath, &after);
    if (report.result == REGISTRATION_WRITTEN)
        report = unwritable.result == REGISTRATION_FAILED ? unwritable
                 : mode == kCheck                         ? RoomForJournal(pszPath, before.nSize)
                                  : WriteInPlace(pszPath, file, journal, before, after);
    report.bRestored = restored.bRestored;
    return report;
}

}  // namespace

RegistrationReport RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, kRewrite);
}

RegistrationReport UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, kUpdate);
}

RegistrationReport CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, kCheck);
}

BOOL HasControlBytes(const char* pszText)
{
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20)
            return TRUE;
    }
    return FALSE;
}
