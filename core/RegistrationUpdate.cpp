// The write step: a verified copy beside the registration file, swapped in whole, one run at a time.
#include "core/RegistrationUpdate.h"

#include <string.h>

#include "core/InstallRecords.h"
#include "platform/CString.h"
#include "platform/Handles.h"

namespace {

// One name for every build of both programs: a 32-bit and a 64-bit run take turns as well.
const char kTurnMutexName[] = "Global\\QuellorUpgradePatch.zbk.db";
// The files that the write step keeps beside the registration file while it runs: the new file
// as it is made, and the old one as the replace moves it away. Fixed names serve, since only the
// run that holds the turn uses them; a run that ended half-way leaves them to the next one.
const char kNewSuffix[] = ".new";
const char kOldSuffix[] = ".old";
// The profile functions keep a whole file in memory; a registration file is a few kilobytes.
const LONGLONG kLargestFile = 64LL * 1024 * 1024;

// The machine-wide turn for the write step, held while the object lives.
class WriteTurn
{
public:
    WriteTurn() : m_mutex(::CreateMutexA(NULL, FALSE, kTurnMutexName)), m_bOwned(FALSE)
    {
        // Denied: the mutex was made by a run under another account, which is running now.
        m_bBusy = !m_mutex.IsValid() && ::GetLastError() == ERROR_ACCESS_DENIED;
    }
    ~WriteTurn()
    {
        if (m_bOwned)
            ::ReleaseMutex(m_mutex.Get());
    }
    WriteTurn(const WriteTurn&) = delete;
    WriteTurn& operator=(const WriteTurn&) = delete;

    // Why the turn could not be had: another run kept it, rather than no mutex at all.
    BOOL Busy() const { return m_bBusy || m_mutex.IsValid(); }
    BOOL Take(DWORD dwTimeoutMs)
    {
        if (!m_mutex.IsValid())
            return FALSE;
        // An abandoned turn belonged to a run that ended inside its write step. The file itself is
        // never changed in place, so it is whole, and the turn is ours.
        DWORD dwWait = ::WaitForSingleObject(m_mutex.Get(), dwTimeoutMs);
        m_bOwned = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
        return m_bOwned;
    }

private:
    KernelHandle m_mutex;
    BOOL m_bOwned;
    BOOL m_bBusy;
};

// A file beside another, named by a suffix; whatever stands under that name is deleted when the
// object goes away.
class SideFile
{
public:
    SideFile() { m_szPath[0] = '\0'; }
    ~SideFile() { Remove(); }
    SideFile(const SideFile&) = delete;
    SideFile& operator=(const SideFile&) = delete;

    // FALSE when the name would not fit MAX_PATH.
    BOOL Name(const char* pszPath, const char* pszSuffix)
    {
        size_t nPath = strlen(pszPath);
        size_t nSuffix = strlen(pszSuffix);
        if (nPath + nSuffix >= MAX_PATH)
            return FALSE;
        memcpy(m_szPath, pszPath, nPath);
        memcpy(m_szPath + nPath, pszSuffix, nSuffix + 1);
        return TRUE;
    }
    const char* Path() const { return m_szPath; }
    // Leaves whatever stands under the name: it may be the only copy of the old file.
    void Keep() { m_szPath[0] = '\0'; }
    // Deletes the file and keeps the name.
    void Remove()
    {
        if (m_szPath[0] == '\0')
            return;
        ::SetFileAttributesA(m_szPath, FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(m_szPath);
    }

private:
    char m_szPath[MAX_PATH];
};

// A whole file's bytes.
struct FileBytes
{
    HeapBuffer buffer;
    size_t nSize = 0;
    const char* Data() const { return buffer.As<char>(); }
};

// With bFlush the file is flushed to disk as well: the copy is, before it takes the file's place,
// so that a crash leaves the old file or the whole new one.
BOOL ReadWholeFile(const char* pszPath, FileBytes* bytes, BOOL bFlush = FALSE)
{
    KernelHandle file(::CreateFileA(pszPath, bFlush ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, NULL));
    LARGE_INTEGER size;
    if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestFile)
        return FALSE;
    // A disk file gives everything asked for in one read, short of its end.
    DWORD dwSize = static_cast<DWORD>(size.QuadPart);
    DWORD dwDone = 0;
    bytes->nSize = dwSize;
    return bytes->buffer.Allocate(dwSize + 1)
           && ::ReadFile(file.Get(), bytes->buffer.As<char>(), dwSize, &dwDone, NULL)
           && dwDone == dwSize && (!bFlush || ::FlushFileBuffers(file.Get()));
}

BOOL WriteWholeFile(const char* pszPath, const FileBytes& bytes)
{
    KernelHandle file(
        ::CreateFileA(pszPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    DWORD dwSize = static_cast<DWORD>(bytes.nSize);
    DWORD dwDone = 0;
    return file.IsValid() && ::WriteFile(file.Get(), bytes.Data(), dwSize, &dwDone, NULL)
           && dwDone == dwSize;
}

// Both keys read back through the profile functions, as peers read them. The write step calls
// them directly rather than through CProfileFile: the accessor's texts by value and the default
// path that its constructor works out cost the dialog program more than its size budget leaves.
BOOL HoldsBoth(const char* pszPath, const char* pszVersion, const char* pszAppPath)
{
    const char* keys[] = { kRegistrationVersionKey, kRegistrationPathKey };
    const char* values[] = { pszVersion, pszAppPath };
    char szValue[1024];
    for (int i = 0; i < 2; ++i) {
        ::GetPrivateProfileStringA(kRegistrationSection, keys[i], "", szValue, sizeof(szValue),
                                   pszPath);
        if (strcmp(szValue, values[i]) != 0)
            return FALSE;
    }
    return TRUE;
}

// One line of a file, without its LF.
struct Line
{
    const char* p;
    size_t n;
};

// Walks the lines of a file.
class LineReader
{
public:
    explicit LineReader(const FileBytes& bytes) : m_p(bytes.Data()), m_nSize(bytes.nSize), m_nAt(0)
    {
    }
    BOOL Next(Line* line)
    {
        if (m_nAt >= m_nSize)
            return FALSE;
        const char* pEnd = static_cast<const char*>(memchr(m_p + m_nAt, '\n', m_nSize - m_nAt));
        size_t nEnd = pEnd != NULL ? static_cast<size_t>(pEnd - m_p) : m_nSize;
        *line = Line{ m_p + m_nAt, nEnd - m_nAt };
        m_nAt = nEnd + 1;
        return TRUE;
    }

private:
    const char* m_p;
    size_t m_nSize;
    size_t m_nAt;
};

// Lines are compared without blanks, tabs and CR: the profile functions may drop the blanks
// around "=" and whole blank lines, and nothing they do drops a line or a part of one.
BOOL IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares two runs of bytes with blanks skipped, the letters A-Z in either case when asked.
BOOL SqueezedEqual(const char* p, size_t n, const char* q, size_t m, BOOL bAnyCase)
{
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < n && IsBlank(p[i]))
            ++i;
        while (j < m && IsBlank(q[j]))
            ++j;
        if (i == n || j == m)
            return i == n && j == m;
        char a = bAnyCase ? LowerAscii(p[i]) : p[i];
        char b = bAnyCase ? LowerAscii(q[j]) : q[j];
        if (a != b)
            return FALSE;
        ++i;
        ++j;
    }
}

BOOL IsNamed(const char* p, size_t n, const char* pszName)
{
    return SqueezedEqual(p, n, pszName, strlen(pszName), TRUE);
}

BOOL IsBlankLine(const Line& line)
{
    return SqueezedEqual(line.p, line.n, "", 0, FALSE);
}

// The patch's own keys: "version" and "apppath" in a "[zbk]" section. *pbInSection follows the
// section headers.
BOOL IsPatchKey(const Line& line, BOOL* pbInSection)
{
    size_t i = 0;
    while (i < line.n && IsBlank(line.p[i]))
        ++i;
    if (i < line.n && line.p[i] == '[') {
        const char* pClose = static_cast<const char*>(memchr(line.p + i, ']', line.n - i));
        size_t nClose = pClose != NULL ? static_cast<size_t>(pClose - line.p) : line.n;
        *pbInSection = IsNamed(line.p + i + 1, nClose - i - 1, kRegistrationSection);
        return FALSE;
    }
    if (!*pbInSection)
        return FALSE;
    const char* pEquals = static_cast<const char*>(memchr(line.p, '=', line.n));
    size_t nKey = pEquals != NULL ? static_cast<size_t>(pEquals - line.p) : line.n;
    return IsNamed(line.p, nKey, kRegistrationVersionKey)
           || IsNamed(line.p, nKey, kRegistrationPathKey);
}

// TRUE when every line of before, but blank lines and the two keys that the patch writes, is
// still in after, in the same order. A rewrite that was cut short loses lines or tears the last.
BOOL KeepsOtherLines(const FileBytes& before, const FileBytes& after)
{
    LineReader original(before);
    LineReader rewritten(after);
    BOOL bInSection = FALSE;
    Line line;
    Line candidate;
    while (original.Next(&line)) {
        if (IsBlankLine(line) || IsPatchKey(line, &bInSection))
            continue;
        do {
            if (!rewritten.Next(&candidate))
                return FALSE;
        } while (!SqueezedEqual(line.p, line.n, candidate.p, candidate.n, FALSE));
    }
    return TRUE;
}

// What one write step makes and holds: released once, whichever road it takes.
struct WriteFiles
{
    SideFile copy;    // the new file, made beside the registration file
    SideFile backup;  // where the replace moves the old file
    FileBytes before;
    FileBytes after;
};

RegistrationResult WriteThroughCopy(const char* pszPath, const char* pszVersion,
                                    const char* pszAppPath, WriteFiles* files)
{
    SideFile& copy = files->copy;
    SideFile& backup = files->backup;
    if (!copy.Name(pszPath, kNewSuffix) || !backup.Name(pszPath, kOldSuffix)
        || !ReadWholeFile(pszPath, &files->before))
        return REGISTRATION_FAILED;
    // The file is there (it was just read): a file under the backup name is a leftover, and the
    // replace moves the old file to that name, which must be free.
    backup.Remove();
    if (!WriteWholeFile(copy.Path(), files->before))
        return REGISTRATION_FAILED;
    // A profile write can report success and still have written nothing, or a cut file.
    if (!::WritePrivateProfileStringA(kRegistrationSection, kRegistrationVersionKey, pszVersion,
                                      copy.Path())
        || !::WritePrivateProfileStringA(kRegistrationSection, kRegistrationPathKey, pszAppPath,
                                         copy.Path())
        || !HoldsBoth(copy.Path(), pszVersion, pszAppPath)
        || !ReadWholeFile(copy.Path(), &files->after, TRUE)
        || !KeepsOtherLines(files->before, files->after))
        return REGISTRATION_FAILED;

    // The replace gives the copy the file's security descriptor and attributes; the attributes
    // are set on the copy as well, for file systems where a replace is a plain rename. Without
    // REPLACEFILE_IGNORE_MERGE_ERRORS: a copy that could not take them over does not replace it.
    ::SetFileAttributesA(copy.Path(), ::GetFileAttributesA(pszPath));
    if (!::ReplaceFileA(pszPath, copy.Path(), backup.Path(), 0, NULL, NULL)) {
        // Some failures leave the old file under the backup name only.
        if (::GetFileAttributesA(pszPath) == INVALID_FILE_ATTRIBUTES
            && !::MoveFileExA(backup.Path(), pszPath, 0))
            backup.Keep();
        return REGISTRATION_FAILED;
    }
    // What peers read: the file by its name.
    if (!HoldsBoth(pszPath, pszVersion, pszAppPath)) {
        if (!::MoveFileExA(backup.Path(), pszPath, MOVEFILE_REPLACE_EXISTING))
            backup.Keep();
        return REGISTRATION_FAILED;
    }
    return REGISTRATION_WRITTEN;
}

// Everything the write needs, tried without changing anything: the file opened for writing and
// replacing, the new file made beside it (and removed), and room for the copy on the volume.
RegistrationResult ProbeWrite(const char* pszPath, const char*, const char*, WriteFiles* files)
{
    KernelHandle file(::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    // A read-only file cannot be replaced; an account that may write it anyway (a Unix root under
    // Wine) still gets it open.
    LARGE_INTEGER size;
    if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestFile
        || (::GetFileAttributesA(pszPath) & FILE_ATTRIBUTE_READONLY) != 0)
        return REGISTRATION_FAILED;
    file.Close();
    // An empty file, removed again with the others.
    if (!files->copy.Name(pszPath, kNewSuffix) || !WriteWholeFile(files->copy.Path(), FileBytes()))
        return REGISTRATION_FAILED;
    CString strDir(pszPath);
    strDir = strDir.Left(strDir.ReverseFind('\\') + 1);
    ULARGE_INTEGER available;
    if (::GetDiskFreeSpaceExA(strDir.IsEmpty() ? NULL : static_cast<const char*>(strDir),
                              &available, NULL, NULL)
        && available.QuadPart < static_cast<ULONGLONG>(size.QuadPart) + 4096)
        return REGISTRATION_FAILED;
    return REGISTRATION_WRITABLE;
}

using WriteWork = RegistrationResult (*)(const char*, const char*, const char*, WriteFiles*);

// Takes the turn, leaves a file that holds both values alone when asked, and does the work.
RegistrationResult InTurn(const char* pszPath, const char* pszVersion, const char* pszAppPath,
                          BOOL bLeaveWhenHeld, WriteWork work)
{
    WriteTurn turn;
    if (!turn.Take(kRegistrationWaitMs))
        return turn.Busy() ? REGISTRATION_BUSY : REGISTRATION_FAILED;
    if (bLeaveWhenHeld && HoldsBoth(pszPath, pszVersion, pszAppPath))
        return REGISTRATION_UNCHANGED;
    WriteFiles files;
    return work(pszPath, pszVersion, pszAppPath, &files);
}

}  // namespace

RegistrationResult RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, FALSE, &WriteThroughCopy);
}

RegistrationResult UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, TRUE, &WriteThroughCopy);
}

RegistrationResult CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath)
{
    return InTurn(pszPath, pszVersion, pszAppPath, TRUE, &ProbeWrite);
}

BOOL HasControlBytes(const char* pszText)
{
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20)
            return TRUE;
    }
    return FALSE;
}
