// The write step's files: scratch copies, kept-aside copies, the record, side names and reports.
#include "core/RegistrationFiles.h"

#include <string.h>

#include "core/InstallRecords.h"
#include "core/ProfileFile.h"
#include "core/ProfileLines.h"
#include "platform/RollbackJournal.h"
#include "platform/WholeFile.h"

namespace {

// How often a run tries another number where a name of its own is taken.
const DWORD kNumberTries = 8;
// How many names a kept copy may take: its own, then "-1" to "-9".
const int kKeptNames = 10;
const DWORD kPollMs = 50;

void PutHex(char* p, DWORD dwValue)
{
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 7; i >= 0; --i, dwValue >>= 4)
        p[i] = kDigits[dwValue & 0xF];
    p[8] = '\0';
}

// Both keys as the profile functions read them from the file.
BOOL HoldsBoth(CProfileFile& profile, const char* pszVersion, const char* pszAppPath)
{
    return strcmp(profile.GetString(kRegistrationVersionKey, kRegistrationSection), pszVersion) == 0
           && strcmp(profile.GetString(kRegistrationPathKey, kRegistrationSection), pszAppPath)
                  == 0;
}

// A profile write, tried again for a moment while another program (a scanner) holds the file.
BOOL SetString(CProfileFile& profile, const char* pszValue, const char* pszKey, DWORD* pdwError)
{
    for (DWORD dwWaited = 0;; dwWaited += kPollMs) {
        if (profile.SetString(pszValue, pszKey, kRegistrationSection) == 0)
            return TRUE;
        *pdwError = ::GetLastError();
        if (*pdwError != ERROR_SHARING_VIOLATION || dwWaited >= kSharingWaitMs)
            return FALSE;
        ::Sleep(kPollMs);
    }
}

// Whether the file at pszPath holds exactly these bytes.
BOOL Holds(const char* pszPath, const char* pData, size_t nSize)
{
    CWholeFile file;
    FileBytes bytes;
    return file.Open(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING)
           && file.ReadAll(nSize, &bytes.buffer, &bytes.nSize) && bytes.nSize == nSize
           && memcmp(bytes.Data(), pData, nSize) == 0;
}

// A file of the record: pszDir (with or without its trailing backslash), the name, an ending.
BOOL RecordPath(const char* pszDir, const char* pszName, const char* pszEnding,
                char (&szPath)[MAX_PATH])
{
    size_t nDir = strlen(pszDir);
    const char* pszSlash = nDir != 0 && pszDir[nDir - 1] == '\\' ? "" : "\\";
    const char* const parts[] = { pszDir, pszSlash, pszName, pszEnding };
    return JoinTexts(szPath, sizeof(szPath), parts, 4);
}

BOOL WriteRecordFile(const char* pszDir, const char* pszName, SECURITY_ATTRIBUTES* psa,
                     const FileBytes& bytes, DWORD* pdwError)
{
    char szPath[MAX_PATH];
    char szPartial[MAX_PATH];
    if (!RecordPath(pszDir, pszName, "", szPath)
        || !RecordPath(pszDir, pszName, ".partial", szPartial)) {
        *pdwError = ERROR_FILENAME_EXCED_RANGE;
        return FALSE;
    }
    CWholeFile file;
    if (file.Open(szPartial, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, psa)
        && file.WriteAll(bytes.Data(), bytes.nSize)) {
        file.Close();
        if (::MoveFileExA(szPartial, szPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return TRUE;
        *pdwError = ::GetLastError();
    } else {
        *pdwError = file.Error();
        file.Close();
    }
    ::DeleteFileA(szPartial);
    return FALSE;
}

}  // namespace

BOOL JoinTexts(char* pszOut, size_t nOut, const char* const* parts, size_t nParts)
{
    size_t nAt = 0;
    for (size_t i = 0; i < nParts; ++i) {
        size_t n = strlen(parts[i]);
        if (nAt + n >= nOut)
            return FALSE;
        memcpy(pszOut + nAt, parts[i], n);
        nAt += n;
    }
    pszOut[nAt] = '\0';
    return TRUE;
}

BOOL FileBytes::CopyOf(const char* pData, size_t n)
{
    if (!buffer.Allocate(n + 1))
        return FALSE;
    memcpy(buffer.As<char>(), pData, n);
    nSize = n;
    return TRUE;
}

BOOL SidePath::Make(const char* pszPath, const char* pszSuffix)
{
    size_t nPath = strlen(pszPath);
    size_t nSuffix = strlen(pszSuffix);
    if (nPath + nSuffix >= MAX_PATH || nSuffix >= sizeof(RegistrationReport::szSide))
        return FALSE;
    memcpy(m_szPath, pszPath, nPath);
    memcpy(m_szPath + nPath, pszSuffix, nSuffix + 1);
    m_nName = nPath;
    return TRUE;
}

BOOL SidePath::MakeNumbered(const char* pszPath, const char* pszSuffix, DWORD dwNumber)
{
    char szNumber[10] = "-";
    PutHex(szNumber + 1, dwNumber);
    char szSuffix[sizeof(RegistrationReport::szSide)];
    const char* const parts[] = { pszSuffix, szNumber };
    if (!JoinTexts(szSuffix, sizeof(szSuffix), parts, 2))
        return FALSE;
    return Make(pszPath, szSuffix);
}

RegistrationReport Report(RegistrationResult result)
{
    RegistrationReport report = {};
    report.result = result;
    return report;
}

RegistrationReport Failure(RegistrationFailure failure, DWORD dwError)
{
    RegistrationReport report = Report(REGISTRATION_FAILED);
    report.failure = failure;
    report.dwError = dwError;
    return report;
}

RegistrationReport Failed(DWORD dwError, BOOL bReadOnly)
{
    switch (dwError) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:  // a program (a scanner) has the file mapped into its memory
        return Failure(REGISTRATION_HELD, dwError);
    case ERROR_ACCESS_DENIED:
        return Failure(bReadOnly ? REGISTRATION_READ_ONLY : REGISTRATION_DENIED, dwError);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Failure(REGISTRATION_DISK_FULL, dwError);
    case ERROR_FILE_TOO_LARGE:
        return Failure(REGISTRATION_TOO_LARGE, dwError);
    default:
        return Failure(REGISTRATION_OTHER, dwError);
    }
}

RegistrationReport SideFailed(SideFileState state, DWORD dwError, const char* pszSuffix)
{
    RegistrationReport report = Failed(dwError);
    if (state == kSideDirectory)
        report.failure = REGISTRATION_SIDE_DIRECTORY;
    else if (state == kSidePending)
        report.failure = REGISTRATION_SIDE_PENDING;
    else if (report.failure == REGISTRATION_HELD)
        report.failure = REGISTRATION_SIDE_HELD;
    else
        return report;
    strncpy(report.szSide, pszSuffix, sizeof(report.szSide) - 1);
    return report;
}

SideFileState SideStateAfter(const char* pszPath, DWORD dwError)
{
    BOOL bCleared = TRUE;  // only looked at, never changed
    DWORD dwWhy = dwError;
    if (dwError == ERROR_ACCESS_DENIED || dwError == ERROR_ALREADY_EXISTS
        || dwError == ERROR_FILE_EXISTS)
        return WhyDenied(pszPath, &bCleared, &dwWhy);
    return kSideFailed;
}

BOOL COwnSideFile::Create(const char* pszPath, const char* pszSuffix, DWORD dwNumber,
                          SECURITY_ATTRIBUTES* psa, CWholeFile* file, RegistrationReport* report)
{
    Remove();
    DWORD dwError = ERROR_SUCCESS;
    for (DWORD i = 0; i < kNumberTries; ++i) {
        if (!m_path.MakeNumbered(pszPath, pszSuffix, dwNumber + i * 0x9E3779B9u)) {
            *report = Failed(ERROR_FILENAME_EXCED_RANGE);
            return FALSE;
        }
        if (file->Open(m_path.Get(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, psa)) {
            m_bMade = TRUE;
            return TRUE;
        }
        dwError = file->Error();
        // Taken: by a file, a directory, or a deletion still pending. Another number.
        if (dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS
            && !(dwError == ERROR_ACCESS_DENIED
                 && SideStateAfter(m_path.Get(), dwError) != kSideFailed))
            break;
    }
    *report = SideFailed(SideStateAfter(m_path.Get(), dwError), dwError, m_path.Suffix());
    return FALSE;
}

void COwnSideFile::Remove()
{
    if (m_bMade)
        ::DeleteFileA(m_path.Get());
    m_bMade = FALSE;
}

BOOL MakeNewBytes(const char* pszPath, DWORD dwNumber, SECURITY_ATTRIBUTES* psa,
                  const FileBytes& before, BOOL bLeaveHeld, const char* pszVersion,
                  const char* pszAppPath, FileBytes* after, BOOL* pbHeld,
                  RegistrationReport* report)
{
    COwnSideFile scratch;
    CWholeFile file;
    if (!scratch.Create(pszPath, kScratchSuffix, dwNumber, psa, &file, report))
        return FALSE;
    if (!file.WriteAll(before.Data(), before.nSize)) {
        *report = Failed(file.Error());
        return FALSE;
    }
    file.Close();  // the profile functions open it themselves
    CProfileFile profile;
    profile.m_strProfilePath = scratch.Path().Get();
    *pbHeld = bLeaveHeld && HoldsBoth(profile, pszVersion, pszAppPath);
    if (*pbHeld)
        return TRUE;
    DWORD dwError = ERROR_SUCCESS;
    if (!SetString(profile, pszVersion, kRegistrationVersionKey, &dwError)
        || !SetString(profile, pszAppPath, kRegistrationPathKey, &dwError)) {
        *report = Failed(dwError);
        return FALSE;
    }
    static const char* const kKeys[] = { kRegistrationVersionKey, kRegistrationPathKey };
    const PatchedKeys patched = { kRegistrationSection, kKeys, 2 };
    // A profile write can report success and still have written nothing, or a cut file.
    if (!HoldsBoth(profile, pszVersion, pszAppPath)
        || !file.Open(scratch.Path().Get(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
        || !file.ReadAll(kLargestRegistration + 1, &after->buffer, &after->nSize)
        || !KeepsOtherLines(before.Data(), before.nSize, after->Data(), after->nSize, patched)) {
        // New bytes larger than the program writes are refused before anything is written.
        *report = file.Error() == ERROR_FILE_TOO_LARGE ? Failed(ERROR_FILE_TOO_LARGE)
                  : file.Error() != ERROR_SUCCESS      ? Failed(file.Error())
                                                       : Failure(REGISTRATION_NOT_KEPT);
        return FALSE;
    }
    if (after->nSize > kLargestRegistration) {
        *report = Failed(ERROR_FILE_TOO_LARGE);
        return FALSE;
    }
    return TRUE;
}

BOOL KeepAside(const char* pszPath, DWORD dwNumber, SECURITY_ATTRIBUTES* psa, const char* pData,
               size_t nSize, BOOL bCheck, char (&szSuffix)[48], RegistrationReport* report)
{
    size_t nBase = strlen(kKeptAsideSuffix);
    memcpy(szSuffix, kKeptAsideSuffix, nBase);
    PutHex(szSuffix + nBase, CRollbackJournal::Checksum(pData, nSize));
    nBase += 8;
    COwnSideFile scratch;
    SidePath kept;
    DWORD dwError = ERROR_SUCCESS;
    for (int i = 0; i < kKeptNames; ++i) {
        szSuffix[nBase] = i == 0 ? '\0' : '-';
        szSuffix[nBase + 1] = static_cast<char>('0' + i);
        szSuffix[nBase + 2] = '\0';
        if (!kept.Make(pszPath, szSuffix)) {
            *report = Failed(ERROR_FILENAME_EXCED_RANGE);
            return FALSE;
        }
        DWORD dwAttributes = ::GetFileAttributesA(kept.Get());
        dwError = ::GetLastError();
        if (dwAttributes == INVALID_FILE_ATTRIBUTES && dwError == ERROR_FILE_NOT_FOUND) {
            if (bCheck)
                return TRUE;
            CWholeFile file;
            if (!scratch.Create(pszPath, kScratchSuffix, dwNumber, psa, &file, report)
                || !file.WriteAll(pData, nSize)) {
                if (file.IsOpen())
                    *report = Failed(file.Error());
                return FALSE;
            }
            file.Close();
            if (::MoveFileExA(scratch.Path().Get(), kept.Get(), MOVEFILE_WRITE_THROUGH)) {
                scratch.Keep();
                return TRUE;
            }
            dwError = ::GetLastError();
        } else if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0
                   && Holds(kept.Get(), pData, nSize)) {
            return TRUE;  // the same copy, kept before
        }
        // Another file, a directory or a deletion pending under the name: the next name.
    }
    *report = SideFailed(SideStateAfter(kept.Get(), dwError), dwError, szSuffix);
    return FALSE;
}

BOOL SaveRecord(const char* pszDir, SECURITY_ATTRIBUTES* psa, const FileBytes& before,
                const FileBytes& after, RegistrationReport* report)
{
    DWORD dwError = ERROR_SUCCESS;
    if (WriteRecordFile(pszDir, kRecordBeforeName, psa, before, &dwError)
        && WriteRecordFile(pszDir, kRecordPatchedName, psa, after, &dwError))
        return TRUE;
    RemoveRecord(pszDir);
    *report = Failure(REGISTRATION_RECORD, dwError);
    return FALSE;
}

void RemoveRecord(const char* pszDir)
{
    const char* const kNames[] = { kRecordBeforeName, kRecordPatchedName };
    for (const char* pszName : kNames) {
        char szPath[MAX_PATH];
        if (RecordPath(pszDir, pszName, "", szPath))
            ::DeleteFileA(szPath);
    }
}
