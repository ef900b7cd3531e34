// The files the write step works with: the registration file's bytes, the names beside it, the
// scratch copies where the profile functions make the new bytes, the copy that keeps the bytes a
// stale journal held, the record of a run, and the reports that name what went wrong. A report is
// built from what the caller saw; building one never looks at a file.
#pragma once

#include "core/RegistrationUpdate.h"
#include "platform/Handles.h"
#include "platform/SideFile.h"
#include "platform/WholeFile.h"

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
    BOOL CopyOf(const char* pData, size_t n);
};

// The texts one after the other in pszOut (nOut bytes); FALSE when they would not fit.
BOOL JoinTexts(char* pszOut, size_t nOut, const char* const* parts, size_t nParts);

// A path beside the registration file: its name, a suffix of the program's own, and for the files
// that take one, "-" and eight hexadecimal digits of the run's own.
class SidePath
{
public:
    SidePath() : m_nName(0) { m_szPath[0] = '\0'; }
    // FALSE when the name would not fit MAX_PATH.
    BOOL Make(const char* pszPath, const char* pszSuffix);
    BOOL MakeNumbered(const char* pszPath, const char* pszSuffix, DWORD dwNumber);
    const char* Get() const { return m_szPath; }
    // What follows the registration file's name.
    const char* Suffix() const { return m_szPath + m_nName; }

private:
    char m_szPath[MAX_PATH];
    size_t m_nName;
};

RegistrationReport Report(RegistrationResult result);
RegistrationReport Failure(RegistrationFailure failure, DWORD dwError = ERROR_SUCCESS);
// A failure named after the Windows error; access denied to a read-only file is its own cause.
RegistrationReport Failed(DWORD dwError, BOOL bReadOnly = FALSE);
// A failure at a side file, named after what stands under its name (SideFileState).
RegistrationReport SideFailed(SideFileState state, DWORD dwError, const char* pszSuffix);
// What stands under a side file's name after an open or a move answered dwError.
SideFileState SideStateAfter(const char* pszPath, DWORD dwError);

// A side file of the run's own, made anew (never over a file already there: another number where
// a name is taken), with the side files' security; deleted when the object goes, unless kept.
class COwnSideFile
{
public:
    COwnSideFile() : m_bMade(FALSE) {}
    ~COwnSideFile() { Remove(); }
    COwnSideFile(const COwnSideFile&) = delete;
    COwnSideFile& operator=(const COwnSideFile&) = delete;

    // FALSE with the failure in *report.
    BOOL Create(const char* pszPath, const char* pszSuffix, DWORD dwNumber,
                SECURITY_ATTRIBUTES* psa, CWholeFile* file, RegistrationReport* report);
    const SidePath& Path() const { return m_path; }
    void Keep() { m_bMade = FALSE; }
    void Remove();

private:
    SidePath m_path;
    BOOL m_bMade;
};

// The new bytes, made by the profile functions on a scratch copy and verified there: both values
// read back, every other line kept. kHeldAlready (as a BOOL in *pbHeld) when the file holds both
// values and bLeaveHeld asks for such a file to be left alone. FALSE with the failure in *report.
BOOL MakeNewBytes(const char* pszPath, DWORD dwNumber, SECURITY_ATTRIBUTES* psa,
                  const FileBytes& before, BOOL bLeaveHeld, const char* pszVersion,
                  const char* pszAppPath, FileBytes* after, BOOL* pbHeld,
                  RegistrationReport* report);

// Keeps bytes beside the registration file under kKeptAsideSuffix, eight hexadecimal digits of
// their checksum and, where another file stands under that name, "-" and a digit: the same bytes
// always get the same name, so that a journal met again is kept once. The bytes go to a scratch
// copy first and are then moved under the name, so that a copy cut short is never taken for a
// whole one. bCheck: only finds the name. FALSE with the failure in *report.
BOOL KeepAside(const char* pszPath, DWORD dwNumber, SECURITY_ATTRIBUTES* psa, const char* pData,
               size_t nSize, BOOL bCheck, char (&szSuffix)[48], RegistrationReport* report);

// The record of a run in pszDir: the bytes it started from and the bytes it writes, each written
// under a temporary name and moved under its own, so that a record file is whole where it stands.
BOOL SaveRecord(const char* pszDir, SECURITY_ATTRIBUTES* psa, const FileBytes& before,
                const FileBytes& after, RegistrationReport* report);
void RemoveRecord(const char* pszDir);
