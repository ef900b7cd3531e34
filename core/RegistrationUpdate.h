// The write step of the patch: both keys into the registration file, verified, in place, journaled
// and one run at a time.
#pragma once

#include "platform/Win32.h"

enum RegistrationResult
{
    REGISTRATION_WRITTEN,    // both keys written, flushed and read back
    REGISTRATION_UNCHANGED,  // the file held both values already; nothing was written
    REGISTRATION_WRITABLE,  // (check only) the write would be made and everything it needs is there
    REGISTRATION_FAILED,    // not written; the file is byte for byte as it was
    REGISTRATION_BUSY,      // another run kept the file for longer than a run waits; nothing done
};

// Why a write failed, as far as the program saw it.
enum RegistrationFailure
{
    REGISTRATION_NO_FAILURE,
    REGISTRATION_HELD,       // another program holds (or has mapped) the file and does not let it
                             // be written
    REGISTRATION_DENIED,     // this account may not write it, or create files beside it
    REGISTRATION_READ_ONLY,  // the file is read-only
    REGISTRATION_DISK_FULL,  // no room on the volume for the journal, the copy or the file
    REGISTRATION_NOT_KEPT,   // the profile functions would not keep the file's content as it is
    REGISTRATION_TOO_LARGE,  // the file is larger than kLargestRegistration; nothing was read
    REGISTRATION_CHANGING,   // another program changed the file during every attempt
    REGISTRATION_SIDE_DIRECTORY,     // a directory stands under a side file's name (pszSide)
    REGISTRATION_SIDE_PENDING,       // a side file is being deleted, another program holds it
    REGISTRATION_SIDE_HELD,          // another program holds a side file and shares too little
    REGISTRATION_CHANGED_SINCE,      // (restore) the file no longer holds what the patch wrote
    REGISTRATION_RESTORE_DIRECTORY,  // (restore) a file it was given is a directory
    REGISTRATION_RESTORE_SELF,       // (restore) a file it was given is the registration file
    REGISTRATION_MAPPED,    // IniFileMapping sends the profile functions' use of the file to the
                            // registry: the product would never read what is written to the disk
    REGISTRATION_REPLACED,  // the file was renamed, deleted or replaced during the run: the bytes
                            // went to a file that is no longer the one at the path
    REGISTRATION_RECORD,    // the record of the run could not be kept where it was asked for
    REGISTRATION_OTHER,     // some other Windows error
};

// What a journal left by an interrupted run meant. The check says what the next run will do.
enum RegistrationRecovery
{
    RECOVERY_NONE,         // no journal
    RECOVERY_DROPPED,      // the file was as that run began, or as it ended, or the journal was
                           // cut short: only the journal went
    RECOVERY_ROLLED_BACK,  // that run's write was cut short: the file was put back as it was
    RECOVERY_KEPT_ASIDE,   // another program has written the file since: it was left as it stands,
                           // and the bytes it held before that run were kept beside it
    RECOVERY_FAILED_KEPT_ASIDE,  // this run's write failed while another program wrote the file:
                                 // that write stands, and the bytes this run started from were
                                 // kept beside it
};

struct RegistrationReport
{
    RegistrationResult result;
    RegistrationFailure failure;
    DWORD dwError;  // the Windows error behind a failure; 0 where there was none to see
    RegistrationRecovery recovery;
    // The suffix of the side file behind a REGISTRATION_SIDE_ failure: its name is the
    // registration file's name and this. Empty for every other failure.
    char szSide[48];
    // With RECOVERY_KEPT_ASIDE: the suffix of the file that keeps the earlier bytes
    // (".upgradepatch-original-", eight hexadecimal digits of their checksum, and, where another
    // file stood under that name, "-" and a digit).
    char szKeptAside[48];
};

// The largest registration file the write step takes: it holds the file, the new bytes and a copy
// read back in memory at once. The texts give it as "64 MB".
const size_t kLargestRegistration = static_cast<size_t>(64) * 1024 * 1024;
// How often a run starts again when another program changes the file under it.
const int kRegistrationAttempts = 5;

// How long a run waits for another run's write step to end.
const DWORD kRegistrationWaitMs = 30000;
// How long a run waits for another program that holds a file for a moment (a scanner) to let go.
const DWORD kSharingWaitMs = 1000;

// The files the write step keeps beside the registration file, named after it: the lock of the
// run that writes, the journal of the file's original bytes, and the scratch copies where the
// profile functions make the new bytes. The journal and the scratch copies take a name of their
// run's own after the suffix (eight hexadecimal digits), so that a name still held by a deleted
// file never stands in a run's way. No other program uses these names; whatever stands under
// them is the program's own, and whatever a run left there is dealt with by the next.
extern const char kLockSuffix[];     // ".upgradepatch-lock"
extern const char kJournalSuffix[];  // ".upgradepatch-journal"
extern const char kScratchSuffix[];  // ".upgradepatch-scratch"
// The record of a run that writes, kept for an undo where the caller asks for one: the bytes the
// run started from and the bytes it wrote, as two files in a directory of the caller's.
extern const char kRecordBeforeName[];   // "zbk.db.before"
extern const char kRecordPatchedName[];  // "zbk.db.patched"
// Where a run keeps the bytes of a journal that another program's write has made stale. The
// program never deletes these.
extern const char kKeptAsideSuffix[];  // ".upgradepatch-original-"

// The write step, in three forms. Each writes (or would write) pszVersion and pszAppPath as
// "version" and "apppath" of section "zbk" of the INI file pszPath. Runs take turns through the
// lock file beside it, waiting kRegistrationWaitMs at most. Each first settles what a journal left
// by an interrupted run means (RegistrationRecovery): it rolls back only that run's own cut write,
// and never another program's write since. How, and why: core/RegistrationRun.h.
//
// RewriteRegistration writes both keys whatever the file holds: made by the profile functions in
// a scratch copy and verified there, then written over the file in place (the same file: owner,
// security descriptor, attributes, links and the handles that others hold stay) under a journal,
// flushed and read back. Another program's write meanwhile is never overwritten with older bytes:
// the run starts again from it. A failure leaves the file as it was, at once or, after a crash or
// a power loss, at the next run. With pszRecordDir, the bytes the run started from and the bytes
// it wrote are kept there first (kRecordBeforeName, kRecordPatchedName), and a run that cannot
// keep them writes nothing.
RegistrationReport RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath, const char* pszRecordDir = NULL);
// The same, unless the file holds both values already: then nothing is written (the record, where
// asked for, then holds the file's bytes twice).
RegistrationReport UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath, const char* pszRecordDir = NULL);
// Writes nothing, not even a roll-back: REGISTRATION_UNCHANGED when the file (as the next run
// would find it after its recovery) holds both values, else whether everything the write needs
// is there: the lock, the file opened for writing, the verified scratch copy (removed again), the
// memory of the run, room on the volume for the journal. pszRecordDir is not used.
RegistrationReport CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath, const char* pszRecordDir = NULL);

// Puts back the registration file that a patch replaced: writes the bytes of the file pszKept over
// it, with the same lock, journal and checks as the patch, but only where it still holds the bytes
// of the file pszPatched (what the patch wrote). REGISTRATION_UNCHANGED where it holds pszKept's
// bytes already; REGISTRATION_FAILED with REGISTRATION_CHANGED_SINCE where it holds anything
// else (the product or its installer has written it since): it is left as it stands.
RegistrationReport RestoreRegistration(const char* pszPath, const char* pszKept,
                                       const char* pszPatched);

// One of the three, as the caller of the patch chooses.
using RegistrationStep = RegistrationReport (*)(const char*, const char*, const char*, const char*);

// TRUE when the text holds a byte below 0x20 (a control character: CR, LF, tab, ...). Such a value
// would break the line structure of an INI file.
BOOL HasControlBytes(const char* pszText);
