// The files the write step works with: the registration file's bytes, the names beside it, the
// scratch copy where the profile functions make the new bytes, the copy that keeps bytes a stale
// journal held, and the reports that name what went wrong with any of them.
#pragma once

#include "core/RegistrationUpdate.h"
#include "platform/Handles.h"
#include "platform/SideFile.h"

// A file's bytes.
struct FileBytes
{
    HeapBuffer buffer;
    size_t nSize = 0;
    const char* Data() const { return buffer.As<char>(); }
    BOOL Equals(const FileBytes& other) const
    {
        return nSize == other.nSize && memcmp(Data(), other.Data(), nSize) == 0;
    }
};

// A path beside the registration file: its name with a suffix of the program's own.
class SidePath
{
public:
    SidePath() { m_szPath[0] = '\0'; }
    // FALSE when the name would not fit MAX_PATH.
    BOOL Make(const char* pszPath, const char* pszSuffix);
    const char* Get() const { return m_szPath; }

private:
    char m_szPath[MAX_PATH];
};

RegistrationReport Report(RegistrationResult result);
// A failure, named after the Windows error and, for access denied, the file's attributes.
RegistrationReport Failed(DWORD dwError, const char* pszPath);
// A failure at one of the side files (pszSuffix), named after what stands under its name: a
// directory, a deletion pending, another program's hold, or the Windows error alone.
RegistrationReport SideStateFailed(SideFileState state, DWORD dwError, const char* pszSuffix);
// The same where only the Windows error is known: access denied is looked into.
RegistrationReport SideFailed(DWORD dwError, const char* pszPath, const char* pszSuffix);
// A side path made ready for the run; SideFailed where it cannot be.
BOOL ClearSide(const char* pszPath, const char* pszSuffix, RegistrationReport* report);

// The new bytes, made by the profile functions on the scratch copy and verified there: both
// values read back, every other line kept. REGISTRATION_UNCHANGED when the file holds both values
// and bLeaveHeld asks for such a file to be left alone.
RegistrationReport MakeNewBytes(const char* pszScratch, SECURITY_ATTRIBUTES* psa,
                                const FileBytes& before, BOOL bLeaveHeld, const char* pszVersion,
                                const char* pszAppPath, FileBytes* after);

// The new bytes of a restore: the kept file's, where the file holds the patched file's bytes.
RegistrationReport RestoredBytes(const FileBytes& before, const char* pszKept,
                                 const char* pszPatched, FileBytes* after);

// The name of the copy that keeps a stale journal's original bytes: the same bytes always get the
// same name, so that a journal that cannot be deleted is kept once, however often it is met.
void KeptAsideSuffix(const char* pData, size_t nSize, char (&szSuffix)[32]);
// Writes that copy, never over another file: one already there with the same bytes is the same
// copy. FALSE with the Windows error.
BOOL KeepAside(const char* pszPath, SECURITY_ATTRIBUTES* psa, const char* pData, size_t nSize,
               DWORD* pdwError);
