// The write step's files: scratch copy, kept-aside copy, side names and the reports about them.
#include "core/RegistrationFiles.h"

#include <string.h>

#include "core/InstallRecords.h"
#include "core/ProfileFile.h"
#include "core/ProfileLines.h"
#include "platform/RollbackJournal.h"
#include "platform/SideFile.h"
#include "platform/WholeFile.h"

namespace {

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
    BOOL Make(const FileBytes& bytes, SECURITY_ATTRIBUTES* psa, DWORD* pdwError)
    {
        CWholeFile file;
        m_bMade = file.Open(m_pszPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, psa);
        if (m_bMade && file.WriteAll(bytes.Data(), bytes.nSize))
            return TRUE;
        *pdwError = file.Error();
        return FALSE;
    }
    BOOL Read(FileBytes* bytes, DWORD* pdwError) const
    {
        CWholeFile file;
        if (file.Open(m_pszPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
            && file.ReadAll(kLargestRegistration + kLargestRegistration / 4, &bytes->buffer,
                            &bytes->nSize))
            return TRUE;
        *pdwError = file.Error();
        return FALSE;
    }

private:
    const char* m_pszPath;
    BOOL m_bMade;
};

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

}  // namespace

BOOL SidePath::Make(const char* pszPath, const char* pszSuffix)
{
    size_t nPath = strlen(pszPath);
    size_t nSuffix = strlen(pszSuffix);
    if (nPath + nSuffix >= MAX_PATH)
        return FALSE;
    memcpy(m_szPath, pszPath, nPath);
    memcpy(m_szPath + nPath, pszSuffix, nSuffix + 1);
    return TRUE;
}

RegistrationReport Report(RegistrationResult result)
{
    RegistrationReport report = {};
    report.result = result;
    return report;
}

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
    case ERROR_FILE_TOO_LARGE:
        report.failure = REGISTRATION_TOO_LARGE;
        break;
    default:
        report.failure = REGISTRATION_OTHER;
        break;
    }
    return report;
}

RegistrationReport SideStateFailed(SideFileState state, DWORD dwError, const char* pszSuffix)
{
    RegistrationReport report = Failed(dwError, NULL);
    if (state == kSideDirectory)
        report.failure = REGISTRATION_SIDE_DIRECTORY;
    else if (state == kSidePending)
        report.failure = REGISTRATION_SIDE_PENDING;
    else if (report.failure == REGISTRATION_HELD)
        report.failure = REGISTRATION_SIDE_HELD;
    else
        return report;
    report.pszSide = pszSuffix;
    return report;
}

RegistrationReport SideFailed(DWORD dwError, const char* pszPath, const char* pszSuffix)
{
    BOOL bCleared = TRUE;  // what is there is only looked at now
    DWORD dwWhy = dwError;
    SideFileState state =
        dwError == ERROR_ACCESS_DENIED ? WhyDenied(pszPath, &bCleared, &dwWhy) : kSideFailed;
    return SideStateFailed(state, dwError, pszSuffix);
}

BOOL ClearSide(const char* pszPath, const char* pszSuffix, RegistrationReport* report)
{
    DWORD dwError = ERROR_SUCCESS;
    SideFileState state = ClearSideFile(pszPath, &dwError);
    if (state == kSideClear)
        return TRUE;
    *report =
        SideStateFailed(state, state == kSideFailed ? dwError : ERROR_ACCESS_DENIED, pszSuffix);
    return FALSE;
}

RegistrationReport MakeNewBytes(const char* pszScratch, SECURITY_ATTRIBUTES* psa,
                                const FileBytes& before, BOOL bLeaveHeld, const char* pszVersion,
                                const char* pszAppPath, FileBytes* after)
{
    ScratchFile scratch(pszScratch);
    DWORD dwError = ERROR_SUCCESS;
    if (!scratch.Make(before, psa, &dwError))
        return SideFailed(dwError, pszScratch, kScratchSuffix);
    CProfileFile profile;
    profile.m_strProfilePath = pszScratch;
    if (bLeaveHeld && HoldsBoth(profile, pszVersion, pszAppPath))
        return Report(REGISTRATION_UNCHANGED);
    // A profile write can report success and still have written nothing, or a cut file.
    if (profile.SetString(pszVersion, kRegistrationVersionKey, kRegistrationSection) != 0
        || profile.SetString(pszAppPath, kRegistrationPathKey, kRegistrationSection) != 0
        || !HoldsBoth(profile, pszVersion, pszAppPath))
        return NotKept();
    if (!scratch.Read(after, &dwError))
        return Failed(dwError, NULL);
    static const char* const kKeys[] = { kRegistrationVersionKey, kRegistrationPathKey };
    const PatchedKeys patched = { kRegistrationSection, kKeys, 2 };
    if (!KeepsOtherLines(before.Data(), before.nSize, after->Data(), after->nSize, patched))
        return NotKept();
    return Report(REGISTRATION_WRITTEN);
}

RegistrationReport RestoredBytes(const FileBytes& before, const char* pszKept,
                                 const char* pszPatched, FileBytes* after)
{
    FileBytes patched;
    CWholeFile file;
    if (!file.Open(pszKept, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
        || !file.ReadAll(kLargestRegistration, &after->buffer, &after->nSize)
        || !file.Open(pszPatched, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
        || !file.ReadAll(kLargestRegistration, &patched.buffer, &patched.nSize))
        return Failed(file.Error(), NULL);
    if (before.Equals(*after))
        return Report(REGISTRATION_UNCHANGED);
    if (before.Equals(patched))
        return Report(REGISTRATION_WRITTEN);
    RegistrationReport report = Report(REGISTRATION_FAILED);
    report.failure = REGISTRATION_CHANGED_SINCE;
    return report;
}

void KeptAsideSuffix(const char* pData, size_t nSize, char (&szSuffix)[32])
{
    static const char kDigits[] = "0123456789abcdef";
    size_t n = strlen(kKeptAsideSuffix);
    memcpy(szSuffix, kKeptAsideSuffix, n);
    DWORD dwSum = CRollbackJournal::Checksum(pData, nSize);
    for (int i = 7; i >= 0; --i, dwSum >>= 4)
        szSuffix[n + i] = kDigits[dwSum & 0xF];
    szSuffix[n + 8] = '\0';
}

BOOL KeepAside(const char* pszPath, SECURITY_ATTRIBUTES* psa, const char* pData, size_t nSize,
               DWORD* pdwError)
{
    CWholeFile file;
    if (file.Open(pszPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                  psa)) {
        if (file.WriteAll(pData, nSize))
            return TRUE;
        *pdwError = file.Error();
        file.Close();
        ::DeleteFileA(pszPath);  // a copy cut short is no copy
        return FALSE;
    }
    *pdwError = file.Error();
    if (*pdwError != ERROR_FILE_EXISTS)
        return FALSE;
    FileBytes kept;
    if (!file.Open(pszPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
        || !file.ReadAll(nSize, &kept.buffer, &kept.nSize)) {
        *pdwError = file.Error();
        return FALSE;
    }
    return kept.nSize == nSize && memcmp(kept.Data(), pData, nSize) == 0;
}
