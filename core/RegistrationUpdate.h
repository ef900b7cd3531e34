// The write step of the patch: both keys into the registration file, verified, whole, and one
// run at a time.
#pragma once

#include "platform/Win32.h"

enum RegistrationResult
{
    REGISTRATION_WRITTEN,    // both keys written and read back by the file's name
    REGISTRATION_UNCHANGED,  // the file held both values already; nothing was written
    REGISTRATION_WRITABLE,  // (check only) the write would be made and everything it needs is there
    REGISTRATION_FAILED,    // not written; the file is byte for byte as it was
    REGISTRATION_BUSY,      // another run kept the file for longer than a run waits; nothing done
};

// How long a run waits for another run's write step to end.
const DWORD kRegistrationWaitMs = 30000;

// The write step, in three forms. Each writes (or would write) pszVersion and pszAppPath as
// "version" and "apppath" of section "zbk" of the INI file pszPath. Runs of every build of both
// programs on the machine take turns through one named mutex, waiting kRegistrationWaitMs at most.
//
// RewriteRegistration writes both keys whatever the file holds. They go into a copy beside the
// file, made and verified there (both values read back, every other line still present); the copy
// then replaces the file in one step, which keeps the file's security descriptor and attributes,
// and the values are read back by the file's name. On every road no temporary file is left, and a
// failure leaves the file byte for byte as it was.
RegistrationResult RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath);
// The same, unless the file holds both values already: then nothing is written.
RegistrationResult UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath);
// Writes nothing: REGISTRATION_UNCHANGED when the file holds both values, else whether everything
// the write needs is there (the file can be opened for writing and replacing, a file can be made
// beside it, the volume has room for the copy).
RegistrationResult CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath);

// One of the three, as the caller of the patch chooses.
using RegistrationStep = RegistrationResult (*)(const char*, const char*, const char*);

// TRUE when the text holds a byte below 0x20 (a control character: CR, LF, tab, ...). Such a value
// would break the line structure of an INI file.
BOOL HasControlBytes(const char* pszText);
