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
    REGISTRATION_HELD,       // another program holds the file and does not let it be written
    REGISTRATION_DENIED,     // this account may not write it, or create files beside it
    REGISTRATION_READ_ONLY,  // the file is read-only
    REGISTRATION_DISK_FULL,  // no room on the volume for the journal, the copy or the file
    REGISTRATION_NOT_KEPT,   // the profile functions would not keep the file's content as it is
    REGISTRATION_OTHER,      // some other Windows error
};

struct RegistrationReport
{
    RegistrationResult result;
    RegistrationFailure failure;
    DWORD dwError;  // the Windows error behind a failure; 0 where there was none to see
    // A run that was cut short had left its journal: the file was rolled back to what it held
    // before that run, ahead of everything else.
    BOOL bRestored;
};

// How long a run waits for another run's write step to end.
const DWORD kRegistrationWaitMs = 30000;

// The files the write step keeps beside the registration file, named after it: the lock of the
// run that writes, the journal of the file's original bytes, and the scratch copy where the
// profile functions make the new bytes. No other program uses these names; whatever stands under
// them is the program's own, and whatever a run left there is dealt with by the next.
extern const char kLockSuffix[];     // ".upgradepatch-lock"
extern const char kJournalSuffix[];  // ".upgradepatch-journal"
extern const char kScratchSuffix[];  // ".upgradepatch-scratch"

// The write step, in three forms. Each writes (or would write) pszVersion and pszAppPath as
// "version" and "apppath" of section "zbk" of the INI file pszPath. Runs take turns through the
// lock file beside it, waiting kRegistrationWaitMs at most, and each first rolls back whatever an
// interrupted run left in a journal.
//
// RewriteRegistration writes both keys whatever the file holds. The profile functions write them
// into a scratch copy, which is verified there (both values read back, every other line still
// present); the file's original bytes then go to the journal, the new bytes are written over the
// file in place (the same file: owner, security descriptor, attributes, links and the handles
// that others hold stay), flushed and read back, and the journal is deleted. A failure at any
// point leaves the file byte for byte as it was, at once or, after a crash, at the next run.
RegistrationReport RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath);
// The same, unless the file holds both values already: then nothing is written.
RegistrationReport UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath);
// Writes nothing (but rolls back an interrupted run): REGISTRATION_UNCHANGED when the file holds
// both values, else whether everything the write needs is there: the lock, the file opened for
// writing, the verified scratch copy (removed again), room on the volume for the journal.
RegistrationReport CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath);

// One of the three, as the caller of the patch chooses.
using RegistrationStep = RegistrationReport (*)(const char*, const char*, const char*);

// TRUE when the text holds a byte below 0x20 (a control character: CR, LF, tab, ...). Such a value
// would break the line structure of an INI file.
BOOL HasControlBytes(const char* pszText);
