// The write step's turn: the lock, the recovery of an interrupted run, then the attempts that make
// the new bytes and write them in place under the journal.
#include "core/RegistrationUpdate.h"

#include <string.h>

#include "core/JournalRecovery.h"
#include "core/RegistrationFiles.h"
#include "platform/LockFile.h"
#include "platform/RollbackJournal.h"
#include "platform/SideFile.h"
#include "platform/WholeFile.h"

const char kLockSuffix[] = ".upgradepatch-lock";
const char kJournalSuffix[] = ".upgradepatch-journal";
const char kScratchSuffix[] = ".upgradepatch-scratch";
const char kKeptAsideSuffix[] = ".upgradepatch-original-";

namespace {

// Room the journal needs on the volume beyond both runs of bytes: its header, and some slack.
const ULONGLONG kJournalSlack = 4096;

enum WriteMode
{
    kRewrite,
    kUpdate,
    kCheck,
};

// One run's files, open or named, and what it writes.
struct Turn
{
    const char* pszPath;
    const char* pszFirst;   // the version, or the kept file of a restore
    const char* pszSecond;  // the install directory, or the patched file of a restore
    CWholeFile file;
    SidePath journalPath;
    SidePath scratchPath;
    CFileSecurity security;
    WriteMode mode;
};

BOOL ReadFileBytes(CWholeFile& file, FileBytes* bytes, RegistrationReport* report)
{
    if (file.ReadAll(kLargestRegistration, &bytes->buffer, &bytes->nSize))
        return TRUE;
    *report = Failed(file.Error(), NULL);
    return FALSE;
}

// What a journal left by an interrupted run means, and, but in the check, its consequence: the
// run's own cut write rolled back, or the original bytes kept beside a file that another program
// has written since. Where the check finds a cut write, *pRolledBack is the file as the next
// run's roll-back will leave it, and the check goes on with that.
BOOL Recover(Turn& turn, CRollbackJournal& journal, BOOL bWritable, RegistrationReport* report,
             FileBytes* pRolledBack)
{
    CRollbackJournal::Contents contents;
    switch (journal.Load(kLargestRegistration, &contents)) {
    case CRollbackJournal::kNone:
        return TRUE;
    case CRollbackJournal::kUnreadable:
        *report = SideFailed(journal.Error(), turn.journalPath.Get(), kJournalSuffix);
        return FALSE;
    case CRollbackJournal::kTorn:
        report->recovery = RECOVERY_DROPPED;
        if (turn.mode != kCheck)
            journal.Discard();
        return TRUE;
    case CRollbackJournal::kWhole:
        break;
    }
    FileBytes now;
    if (!ReadFileBytes(turn.file, &now, report))
        return FALSE;
    switch (DecideRecovery(now.Data(), now.nSize, contents.pOriginal, contents.nOriginal,
                           contents.pNew, contents.nNew)) {
    case kRecoveryUnchanged:
    case kRecoveryWhole:
        report->recovery = RECOVERY_DROPPED;
        break;
    case kRecoveryRollBack:
        report->recovery = RECOVERY_ROLLED_BACK;
        if (turn.mode == kCheck) {
            // The check goes on with the file as the next run will find it.
            if (!pRolledBack->buffer.Allocate(contents.nOriginal + 1)) {
                *report = Failed(ERROR_NOT_ENOUGH_MEMORY, NULL);
                return FALSE;
            }
            memcpy(pRolledBack->buffer.As<char>(), contents.pOriginal, contents.nOriginal);
            pRolledBack->nSize = contents.nOriginal;
            return TRUE;
        }
        if (!bWritable) {
            report->recovery = RECOVERY_NONE;  // the caller says why the file cannot be written
            return FALSE;
        }
        if (!turn.file.WriteAll(contents.pOriginal, contents.nOriginal)) {
            *report = Failed(turn.file.Error(), turn.pszPath);  // the journal stays
            return FALSE;
        }
        break;
    case kRecoveryKeepAside: {
        report->recovery = RECOVERY_KEPT_ASIDE;
        KeptAsideSuffix(contents.pOriginal, contents.nOriginal, report->szKeptAside);
        SidePath keptPath;
        DWORD dwError = ERROR_SUCCESS;
        if (turn.mode == kCheck)
            return TRUE;
        if (!keptPath.Make(turn.pszPath, report->szKeptAside)
            || !KeepAside(keptPath.Get(), turn.security.Attributes(), contents.pOriginal,
                          contents.nOriginal, &dwError)) {
            *report = SideFailed(dwError != ERROR_SUCCESS ? dwError : ERROR_FILENAME_EXCED_RANGE,
                                 keptPath.Get(), kKeptAsideSuffix);
            return FALSE;
        }
        break;
    }
    }
    // A journal that stays (another program holds it) is harmless now: the next run compares it
    // with the file again, and this run's own journal says what stands in the way.
    if (turn.mode != kCheck)
        journal.Discard();
    return TRUE;
}

// Room on the file's volume for the journal: both runs of bytes and a header.
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

// One attempt: the new bytes over the file, in place, under the journal. REGISTRATION_BUSY (never
// returned to the caller) when another program changed the file since it was read: the attempt
// wrote nothing of its own over that change, and the caller starts again.
RegistrationReport WriteInPlace(Turn& turn, CRollbackJournal& journal, const FileBytes& before,
                                const FileBytes& after, BOOL* pbWrote)
{
    if (!journal.Save(before.Data(), before.nSize, after.Data(), after.nSize,
                      turn.security.Attributes()))
        return SideFailed(journal.Error(), turn.journalPath.Get(), kJournalSuffix);
    // The last look before the write: the window in which another program's write is lost is
    // this comparison, not the making of the new bytes.
    FileBytes now;
    RegistrationReport report = Report(REGISTRATION_WRITTEN);
    if (!ReadFileBytes(turn.file, &now, &report)) {
        journal.Discard();
        return report;
    }
    if (!now.Equals(before)) {
        journal.Discard();
        return Report(REGISTRATION_BUSY);
    }
    FileBytes written;
    if (turn.file.WriteAll(after.Data(), after.nSize)
        && turn.file.ReadAll(kLargestRegistration, &written.buffer, &written.nSize)) {
        *pbWrote = TRUE;
        // Bytes that this run did not write: another program wrote after it. Its write stands;
        // the caller starts again from it.
        if (!written.Equals(after))
            report = Report(REGISTRATION_BUSY);
        journal.Discard();  // where it stays, the next run finds the file whole or another's
        return report;
    }
    report = Failed(turn.file.Error(), turn.pszPath);
    // Cut short: the original bytes go back, but only over a state of this run's own making.
    if (turn.file.ReadAll(kLargestRegistration, &now.buffer, &now.nSize)) {
        JournalRecovery state = DecideRecovery(now.Data(), now.nSize, before.Data(), before.nSize,
                                               after.Data(), after.nSize);
        if (state == kRecoveryRollBack && !turn.file.WriteAll(before.Data(), before.nSize))
            return report;  // the journal stays for the next run
        if (state == kRecoveryWhole) {
            *pbWrote = TRUE;
            report = Report(REGISTRATION_WRITTEN);
        }
        journal.Discard();
    }
    return report;
}

// How an attempt makes the new bytes from the file's: the patch's two profile writes, or a restore.
using MakeBytes = RegistrationReport (*)(Turn& turn, const FileBytes& before, FileBytes* after);

RegistrationReport PatchedBytes(Turn& turn, const FileBytes& before, FileBytes* after)
{
    return MakeNewBytes(turn.scratchPath.Get(), turn.security.Attributes(), before,
                        turn.mode != kRewrite, turn.pszFirst, turn.pszSecond, after);
}

RegistrationReport KeptBytes(Turn& turn, const FileBytes& before, FileBytes* after)
{
    return RestoredBytes(before, turn.pszFirst, turn.pszSecond, after);
}

RegistrationReport InTurn(const char* pszPath, const char* pszFirst, const char* pszSecond,
                          WriteMode mode, MakeBytes makeBytes)
{
    SidePath lockPath;
    Turn turn;
    turn.pszPath = pszPath;
    turn.pszFirst = pszFirst;
    turn.pszSecond = pszSecond;
    turn.mode = mode;
    if (!lockPath.Make(pszPath, kLockSuffix) || !turn.journalPath.Make(pszPath, kJournalSuffix)
        || !turn.scratchPath.Make(pszPath, kScratchSuffix))
        return Failed(ERROR_FILENAME_EXCED_RANGE, pszPath);

    // Released last, when every other file of the run is closed.
    CLockFile lock;
    RegistrationReport report = Report(REGISTRATION_FAILED);
    switch (lock.Take(lockPath.Get(), kRegistrationWaitMs)) {
    case CLockFile::kTaken:
        break;
    case CLockFile::kBusy:
        return Report(REGISTRATION_BUSY);
    case CLockFile::kDirectory:
    case CLockFile::kPending:
    case CLockFile::kFailed:
        return SideFailed(lock.Error(), lockPath.Get(), kLockSuffix);
    }

    // The file itself, opened as the profile functions open it to write: others may go on reading
    // and writing it, and it is never deleted or renamed. A read-only file is refused as the
    // system refuses it to an ordinary account. A file that cannot be written may still hold
    // both values already, which the modes that leave such a file alone then report.
    const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    RegistrationReport unwritable = Report(REGISTRATION_WRITTEN);
    if (!turn.file.Open(pszPath, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING))
        unwritable = Failed(turn.file.Error(), pszPath);
    else if ((::GetFileAttributesA(pszPath) & FILE_ATTRIBUTE_READONLY) != 0)
        unwritable = Failed(ERROR_ACCESS_DENIED, pszPath);
    BOOL bWritable = unwritable.result != REGISTRATION_FAILED;
    if (!bWritable && !turn.file.Open(pszPath, GENERIC_READ, kShareAll, OPEN_EXISTING))
        return unwritable;
    ULONGLONG nSize = 0;
    if (turn.file.Size(&nSize) && nSize > kLargestRegistration)
        return Failed(ERROR_FILE_TOO_LARGE, NULL);
    DWORD dwError = ERROR_SUCCESS;
    if (!turn.security.Copy(pszPath, &dwError))
        return Failed(dwError, pszPath);
    if (!ClearSide(turn.journalPath.Get(), kJournalSuffix, &report)
        || !ClearSide(turn.scratchPath.Get(), kScratchSuffix, &report))
        return report;

    CRollbackJournal journal(turn.journalPath.Get());
    RegistrationReport recovered = Report(REGISTRATION_WRITTEN);
    FileBytes rolledBack;  // the check: the file as the next run's roll-back will leave it
    if (!Recover(turn, journal, bWritable, &recovered, &rolledBack)) {
        if (recovered.result != REGISTRATION_FAILED)
            unwritable.recovery = recovered.recovery;
        return recovered.result == REGISTRATION_FAILED ? recovered : unwritable;
    }

    BOOL bWrote = FALSE;
    for (int nAttempt = 0; nAttempt < kRegistrationAttempts; ++nAttempt) {
        FileBytes before;
        FileBytes after;
        if (nAttempt == 0 && rolledBack.buffer.Size() != 0)
            before = static_cast<FileBytes&&>(rolledBack);
        else if (!ReadFileBytes(turn.file, &before, &report))
            break;
        report = makeBytes(turn, before, &after);
        if (report.result == REGISTRATION_UNCHANGED && bWrote) {
            report = Report(REGISTRATION_WRITTEN);  // another's write went on top of ours
            break;
        }
        if (report.result != REGISTRATION_WRITTEN)
            break;
        if (!bWritable) {
            report = unwritable;
            break;
        }
        if (mode == kCheck) {
            // The memory the run holds at its peak: the bytes read again before the write.
            FileBytes again;
            report = !again.buffer.Allocate(before.nSize + 1)
                         ? Failed(ERROR_NOT_ENOUGH_MEMORY, NULL)
                         : RoomForJournal(pszPath, before.nSize + after.nSize);
            break;
        }
        report = WriteInPlace(turn, journal, before, after, &bWrote);
        if (report.result != REGISTRATION_BUSY)
            break;
        report = Report(REGISTRATION_FAILED);
        report.failure = REGISTRATION_CHANGING;
    }
    report.recovery = recovered.recovery;
    memcpy(report.szKeptAside, recovered.szKeptAside, sizeof(report.szKeptAside));
    return report;
}

}  // namespace

RegistrationReport RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, kRewrite, &PatchedBytes);
}

RegistrationReport UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, kUpdate, &PatchedBytes);
}

RegistrationReport CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, kCheck, &PatchedBytes);
}

RegistrationReport RestoreRegistration(const char* pszPath, const char* pszKept,
                                       const char* pszPatched)
{
    return InTurn(pszPath, pszKept, pszPatched, kUpdate, &KeptBytes);
}

BOOL HasControlBytes(const char* pszText)
{
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20)
            return TRUE;
    }
    return FALSE;
}
