// The write step against real INI files: verified, in place, rolled back after any fault, no files
// left behind, and one run at a time.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/JournalRecovery.h"
#include "core/RegistrationUpdate.h"
#include "platform/RollbackJournal.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"
#include "tests/support/TestChild.h"
#include "tests/support/Utf16Text.h"

#include <sddl.h>  // after the Windows headers

namespace {

// [zbk] first, so that a rewrite cut short after it still reads both keys back.
const std::string kOriginal =
    "; registration\r\n[zbk]\r\nid = 7\r\nversion=1.0\r\n\r\n[license]\r\nserial=Q-1\r\n[tail]\r\n"
    + std::string(2000, 'x') + "=end\r\n";
const char kVersion[] = "1.9.0";
const char kAppPath[] = "c:\\prod\\\xB2\xE2\xCA\xD4\x9C\x5C\\";  // c:\prod\测试淺\ .

class RegistrationUpdate : public testing::Test
{
protected:
    RegistrationUpdate() : m_dir("reg\xB2\xE2\x9C\x5C"), m_path(m_dir.path() + "zbk.db") {}
    void SetUp() override { ASSERT_TRUE(WriteFileBytes(m_path, kOriginal)); }

    std::string Bytes() const
    {
        std::string bytes;
        ReadFileBytes(m_path, &bytes);
        return bytes;
    }
    // What the profile functions themselves make of the original with both keys written.
    static std::string PlatformRendering(const std::string& original = kOriginal)
    {
        return AfterPlatformWrites(original, kVersion, kAppPath);
    }
    // The program's files beside the registration file whose names begin with the suffix, but
    // the copies that keep earlier bytes (the tests remove those themselves).
    std::string SideFiles(const char* pszSuffix = ".upgradepatch-") const
    {
        std::string names;
        WIN32_FIND_DATAA found;
        HANDLE hFind = ::FindFirstFileA((m_path + pszSuffix + "*").c_str(), &found);
        for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore;
             bMore = ::FindNextFileA(hFind, &found)) {
            if (strstr(found.cFileName, kKeptAsideSuffix) == nullptr)
                names += std::string(found.cFileName) + " ";
        }
        if (hFind != INVALID_HANDLE_VALUE)
            ::FindClose(hFind);
        return names;
    }
    void ExpectNothingLeftBeside() const { EXPECT_EQ("", SideFiles()); }
    RegistrationResult Rewrite() const
    {
        return RewriteRegistration(m_path.c_str(), kVersion, kAppPath).result;
    }

    TempDir m_dir;
    std::string m_path;
};

// Stand-ins for a profile write that reports success: what it really did to the file. The
// real function, reached past the hook that stands in for it.
using WriteProfileFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
WriteProfileFn g_writeProfile = nullptr;
size_t g_keep = 0;

BOOL WINAPI WritesNothing(LPCSTR, LPCSTR, LPCSTR, LPCSTR)
{
    return TRUE;
}

BOOL WINAPI WritesThenCuts(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path)
{
    g_writeProfile(section, key, value, path);
    std::string bytes;
    ReadFileBytes(path, &bytes);
    size_t keep = g_keep != 0 ? g_keep : bytes.size() - 3;  // 0: tear the last line
    WriteFileBytes(path, bytes.substr(0, keep));
    return TRUE;
}

// The wait for the lock: no time passes, or the holder lets go at the first wait.
HANDLE g_lockHolder = NULL;
void WINAPI NoTimePasses(DWORD)
{
}
void WINAPI HolderLetsGo(DWORD)
{
    ::CloseHandle(g_lockHolder);
}

// The child that ends its process at the k-th file call of a rewrite (a write is torn half-way
// first, at a sector's end, as a power loss may leave it), without a chance to clean up: as a crash or a kill would.
int g_crashAt = 0;
int g_calls = 0;
void CrashAtTheKthCall()
{
    if (++g_calls == g_crashAt)
        ::TerminateProcess(::GetCurrentProcess(), 99);
}
// Each stand-in calls the real function, taken from the import table before its hook went in.
template <typename T, T F> struct Counted;
template <typename R, typename... A, R(WINAPI* F)(A...)> struct Counted<R(WINAPI*)(A...), F>
{
    static inline R(WINAPI* real)(A...) = nullptr;
    static R WINAPI Call(A... a)
    {
        CrashAtTheKthCall();
        return real(a...);
    }
};
using RealWriteFile = Counted<decltype(&::WriteFile), &::WriteFile>;
BOOL WINAPI TornWrite(HANDLE file, LPCVOID data, DWORD n, LPDWORD done, LPOVERLAPPED overlapped)
{
    if (g_calls + 1 == g_crashAt)
        RealWriteFile::real(file, data, n / 2 / kRecoverySector * kRecoverySector, done,
                            overlapped);
    CrashAtTheKthCall();
    return RealWriteFile::real(file, data, n, done, overlapped);
}
#define COUNTED(f, standIn) \
    (Counted<decltype(&::f), &::f>::real = &::f, ImportHook("kernel32.dll", #f, &::f, standIn))
#define COUNTED_CALLS(f) COUNTED(f, &(Counted<decltype(&::f), &::f>::Call))
int CrashingRewrite(const char* pszArgument)
{
    std::string path = pszArgument;
    g_crashAt = atoi(path.c_str());
    path = path.substr(path.find(' ') + 1);
    ImportHook hooks[] = {
        COUNTED_CALLS(CreateFileA),        COUNTED_CALLS(ReadFile),
        COUNTED_CALLS(SetFilePointerEx),   COUNTED_CALLS(SetEndOfFile),
        COUNTED_CALLS(FlushFileBuffers),   COUNTED_CALLS(DeleteFileA),
        COUNTED_CALLS(GetFileAttributesA), COUNTED_CALLS(WritePrivateProfileStringA),
        COUNTED(WriteFile, &TornWrite)
    };
    for (const ImportHook& hook : hooks) {
        if (!hook.Installed())
            return 98;
    }
    return RewriteRegistration(path.c_str(), kVersion, kAppPath).result;
}
TestChild g_crashingRewrite("crashing-rewrite", &CrashingRewrite);

// Another program: the product's service, setting a key of its own section with a profile write.
int OtherWriter(const char* pszArgument)
{
    std::string path = pszArgument;
    return ::WritePrivateProfileStringA("service", "state", path.substr(0, path.find(' ')).c_str(),
                                        path.substr(path.find(' ') + 1).c_str())
               ? 0
               : 1;
}
TestChild g_otherWriter("other-writer", &OtherWriter);
std::string ServiceState(const std::string& path)
{
    char value[64] = {};
    ::GetPrivateProfileStringA("service", "state", "", value, sizeof(value), path.c_str());
    return value;
}

// The other program writes the registration file from within a run: at the scratch copy's first
// profile write of the first g_racingAttempts attempts, or at the third flush (the file's own
// write, before its read-back; where g_flushFails, the write then fails).
int g_racingAttempts = 0;
int g_flushes = 0;
bool g_flushFails = false;     // the file's own write then fails
bool g_flushReplaces = false;  // another file takes the file's place instead of the other write
std::string g_racedPath;
BOOL WINAPI RacedProfileWrite(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path)
{
    if (strcmp(key, "version") == 0 && g_racingAttempts-- > 0)
        RunTestChild("other-writer", std::to_string(g_racingAttempts) + " " + g_racedPath);
    return g_writeProfile(section, key, value, path);
}
using RealFlush = Counted<decltype(&::FlushFileBuffers), &::FlushFileBuffers>;
BOOL WINAPI RacedFlush(HANDLE file)
{
    BOOL bFlushed = RealFlush::real(file);
    if (++g_flushes == 3) {
        if (g_flushReplaces) {
            ::MoveFileA(g_racedPath.c_str(), (g_racedPath + ".moved").c_str());
            WriteFileBytes(g_racedPath, kOriginal);
        } else {
            RunTestChild("other-writer", "after-write " + g_racedPath);
        }
        if (g_flushFails) {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
    }
    return bFlushed;
}

}  // namespace

TEST_F(RegistrationUpdate, WritesBothKeysAndKeepsWhatTheProfileFunctionsKeep)
{
    const std::string kUtf16 = "[zbk]\r\nid = 7\r\nversion = 1.0\r\n\r\n[license]\r\nserial=Q\r\n";
    // Files the product may really have: whatever the two profile writes handle.
    const std::pair<const char*, std::string> files[] = {
        { "ANSI", kOriginal },
        { "UTF-16 LE", Utf16(kUtf16) },
        { "UTF-16 BE", Utf16(kUtf16, true) },
        { "CR-only line ends", "[a]\rk=1\r[zbk]\rid=7\r" },
        { "mixed line ends", "[a]\r\nk=1\n[zbk]\rid=7\r\n" },
        { "two [zbk] sections", "[zbk]\r\nid=7\r\n[a]\r\nk=1\r\n[zbk]\r\nversion=0\r\n" },
        { "keys in capitals", "[ZBK]\r\nVERSION=1.0\r\nAppPath=c:\\\r\n" },
        { "empty", "" },
        { "blanks only", "  \r\n\t\r\n" },
        { "a line of 1 MB", "[a]\r\nk=" + std::string(1 << 20, 'v') + "\r\n[zbk]\r\n" },
    };
    for (const auto& [what, original] : files) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(WriteFileBytes(m_path, original));
        EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
        EXPECT_EQ(PlatformRendering(original), Bytes());
        ExpectNothingLeftBeside();
    }
    ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
    EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
    // Both values there already: only the rewriting form writes again.
    EXPECT_EQ(REGISTRATION_UNCHANGED,
              UpdateRegistration(m_path.c_str(), kVersion, kAppPath).result);
    EXPECT_EQ(REGISTRATION_UNCHANGED, CheckRegistration(m_path.c_str(), kVersion, kAppPath).result);
    EXPECT_EQ(REGISTRATION_WRITABLE, CheckRegistration(m_path.c_str(), "2.0", kAppPath).result);
    ExpectNothingLeftBeside();
    EXPECT_EQ(PlatformRendering(), Bytes());
}

// The file's index on its volume: the same number for the same file.
ULONGLONG FileIndex(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    ::GetFileInformationByHandle(file, &info);
    return (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Changed in place: the same file, with its attributes and links, and a program that holds it
// open with read and write sharing reads the new bytes through its own handle.
TEST_F(RegistrationUpdate, TheFileKeepsItsIdentity)
{
    const DWORD kAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(::SetFileAttributesA(m_path.c_str(), kAttributes));
    ASSERT_TRUE(::CreateHardLinkA((m_path + ".link").c_str(), m_path.c_str(), NULL));
    KernelHandle held(::CreateFileA(m_path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                                    NULL));
    const ULONGLONG index = FileIndex(held.Get());
    EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
    KernelHandle reopened(::CreateFileA(m_path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                        OPEN_EXISTING, 0, NULL));
    EXPECT_EQ(index, FileIndex(reopened.Get()));
    EXPECT_EQ(kAttributes, ::GetFileAttributesA(m_path.c_str()) & kAttributes);
    std::string viaLink, viaHandle(PlatformRendering().size(), '\0');
    ReadFileBytes(m_path + ".link", &viaLink);
    EXPECT_EQ(PlatformRendering(), viaLink);
    DWORD got = 0;
    ::ReadFile(held.Get(), &viaHandle[0], static_cast<DWORD>(viaHandle.size()), &got, NULL);
    EXPECT_EQ(PlatformRendering(), viaHandle);
    ExpectNothingLeftBeside();
}

TEST_F(RegistrationUpdate, AWriteThatSucceedsOnlyInNameChangesNothing)
{
    struct
    {
        const char* what;
        decltype(&WritesNothing) standIn;
        size_t keep;
    } rows[] = {
        { "writes nothing", &WritesNothing, 0 },
        { "cut after the [zbk] section", &WritesThenCuts, 200 },
        { "last line torn", &WritesThenCuts, 0 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        g_keep = row.keep;
        ImportHook hook("kernel32.dll", "WritePrivateProfileStringA", &::WritePrivateProfileStringA,
                        row.standIn);
        ASSERT_TRUE(hook.Installed());
        g_writeProfile = hook.Original<WriteProfileFn>();
        EXPECT_EQ(REGISTRATION_NOT_KEPT,
                  RewriteRegistration(m_path.c_str(), kVersion, kAppPath).failure);
        EXPECT_EQ(kOriginal, Bytes()) << "byte for byte";
        ExpectNothingLeftBeside();
    }
}

// Held open by another program: written wherever its sharing lets the profile functions write.
TEST_F(RegistrationUpdate, AFileHeldOrReadOnlyIsWrittenWhereThePlatformWouldWriteIt)
{
    struct
    {
        DWORD share;
        RegistrationFailure failure;  // REGISTRATION_NO_FAILURE: written
    } rows[] = {
        { 0, REGISTRATION_HELD },
        { FILE_SHARE_READ, REGISTRATION_HELD },
        { FILE_SHARE_READ | FILE_SHARE_WRITE, REGISTRATION_NO_FAILURE },
        { FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, REGISTRATION_NO_FAILURE },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("held with share mode " + std::to_string(row.share));
        ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
        KernelHandle held(::CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, row.share,
                                        NULL, OPEN_EXISTING, 0, NULL));
        ASSERT_TRUE(held.IsValid());
        for (RegistrationStep step : { &CheckRegistration, &RewriteRegistration }) {
            RegistrationReport report = step(m_path.c_str(), kVersion, kAppPath, nullptr);
            EXPECT_EQ(row.failure, report.failure);
            EXPECT_EQ(row.failure == REGISTRATION_HELD ? ERROR_SHARING_VIOLATION : 0u,
                      report.dwError);
        }
        held.Close();
        EXPECT_EQ(row.failure == REGISTRATION_HELD ? kOriginal : PlatformRendering(), Bytes());
        ExpectNothingLeftBeside();
    }
    ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
    ASSERT_TRUE(::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(REGISTRATION_READ_ONLY,
              RewriteRegistration(m_path.c_str(), kVersion, kAppPath).failure);
    EXPECT_EQ(REGISTRATION_READ_ONLY,
              CheckRegistration(m_path.c_str(), kVersion, kAppPath).failure);
    ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(kOriginal, Bytes());
    ExpectNothingLeftBeside();
    // Sent to the registry by IniFileMapping: the product would never read what is written.
    const char kMapping[] =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\zbk.db";
    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMapping, 0, NULL, 0,
                                               KEY_ALL_ACCESS, NULL, &hKey, NULL));
    ::RegCloseKey(hKey);
    EXPECT_EQ(REGISTRATION_MAPPED, RewriteRegistration(m_path.c_str(), kVersion, kAppPath).failure);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMapping);
    // Secured so that no one may write or delete it: the run's own files still go.
    PSECURITY_DESCRIPTOR pReadOnly = NULL;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;;FR;;;WD)", SDDL_REVISION_1, &pReadOnly, NULL));
    ASSERT_TRUE(::SetFileSecurityA(m_path.c_str(), DACL_SECURITY_INFORMATION, pReadOnly));
    ::LocalFree(pReadOnly);
    EXPECT_EQ(REGISTRATION_FAILED, Rewrite());
    ExpectNothingLeftBeside();
}

TEST_F(RegistrationUpdate, TheLockIsWaitedForAndABusyOneTouchesNothing)
{
    const std::string lock = m_path + kLockSuffix;
    g_lockHolder = ::CreateFileA(lock.c_str(), GENERIC_READ, 0, NULL, CREATE_NEW,
                                 FILE_FLAG_DELETE_ON_CLOSE, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, g_lockHolder);
    {
        ImportHook hook("kernel32.dll", "Sleep", &::Sleep, &NoTimePasses);
        ASSERT_TRUE(hook.Installed());
        for (RegistrationStep step :
             { &RewriteRegistration, &UpdateRegistration, &CheckRegistration })
            EXPECT_EQ(REGISTRATION_BUSY, step(m_path.c_str(), kVersion, kAppPath, nullptr).result);
        EXPECT_EQ(kOriginal, Bytes());
    }
    ImportHook hook("kernel32.dll", "Sleep", &::Sleep, &HolderLetsGo);
    EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
    ExpectNothingLeftBeside();
}

// The administrator's own files under names that other tools use are neither read nor removed.
TEST_F(RegistrationUpdate, FilesThatAreNotItsOwnAreLeftAlone)
{
    const char* const names[] = { ".old", ".new", ".bak", ".tmp", ".lock", ".journal" };
    for (const char* suffix : names)
        ASSERT_TRUE(WriteFileBytes(m_path + suffix, suffix));
    EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
    for (const char* suffix : names) {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(m_path + suffix, &bytes) && bytes == suffix) << suffix;
    }
}

// A journal left by a run that was cut short: the check only says what the next run will do;
// the run rolls back its own cut write, and leaves another program's write as it stands, with
// the earlier bytes kept beside it. (A whole change under its journal: the crash at every call.)
TEST_F(RegistrationUpdate, AJournalIsRolledBackOnlyOverTheProgramsOwnCutWrite)
{
    const std::string journalPath = m_path + kJournalSuffix;
    const std::string patched = PlatformRendering();
    const std::string cut = patched.substr(0, kRecoverySector) + kOriginal.substr(kRecoverySector);
    const std::string foreign = AfterPlatformWrites(cut, "x", "y").substr(0, 40) + cut.substr(40);
    struct
    {
        const char* what;
        std::string file;
        RegistrationRecovery recovery;
    } rows[] = {
        { "a cut write of the run's own", cut, RECOVERY_ROLLED_BACK },
        { "another program wrote after the cut", foreign, RECOVERY_KEPT_ASIDE },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRollbackJournal journal(journalPath.c_str());
        ASSERT_TRUE(
            journal.Save(kOriginal.data(), kOriginal.size(), patched.data(), patched.size()));
        ASSERT_TRUE(WriteFileBytes(m_path, row.file));
        RegistrationReport report = CheckRegistration(m_path.c_str(), kVersion, kAppPath);
        EXPECT_EQ(row.recovery, report.recovery);
        EXPECT_EQ(row.file, Bytes()) << "the check writes nothing";
        EXPECT_TRUE(PathExists(journalPath));
        report = UpdateRegistration(m_path.c_str(), kVersion, kAppPath);
        EXPECT_EQ(row.recovery, report.recovery);
        const std::string kept = m_path + report.szKeptAside;
        std::string keptBytes;
        EXPECT_EQ(row.recovery == RECOVERY_KEPT_ASIDE,
                  ReadFileBytes(kept, &keptBytes) && keptBytes == kOriginal);
        EXPECT_EQ(row.recovery == RECOVERY_KEPT_ASIDE
                      ? AfterPlatformWrites(foreign, kVersion, kAppPath)
                      : patched,
                  Bytes());
        ExpectNothingLeftBeside();
        if (row.recovery == RECOVERY_KEPT_ASIDE)
            ::DeleteFileA(kept.c_str());
    }
    // A directory, or a partial copy, under the name the kept copy takes: the copy takes the
    // next name, and the check says so too.
    char szSum[9];
    snprintf(
        szSum, sizeof(szSum), "%08lx",
        static_cast<unsigned long>(CRollbackJournal::Checksum(kOriginal.data(), kOriginal.size())));
    const std::string taken = m_path + kKeptAsideSuffix + szSum;
    ASSERT_TRUE(::CreateDirectoryA(taken.c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(taken + "-1", kOriginal.substr(0, 100)));
    ASSERT_TRUE(CRollbackJournal(journalPath.c_str())
                    .Save(kOriginal.data(), kOriginal.size(), patched.data(), patched.size()));
    ASSERT_TRUE(WriteFileBytes(m_path, foreign));
    EXPECT_EQ(taken + "-2",
              m_path + CheckRegistration(m_path.c_str(), kVersion, kAppPath).szKeptAside);
    RegistrationReport kept = UpdateRegistration(m_path.c_str(), kVersion, kAppPath);
    EXPECT_EQ(taken + "-2", m_path + kept.szKeptAside);
    std::string keptBytes;
    EXPECT_TRUE(ReadFileBytes(taken + "-2", &keptBytes) && keptBytes == kOriginal);
    for (const char* suffix : { "-1", "-2" })
        ::DeleteFileA((taken + suffix).c_str());
    ::RemoveDirectoryA(taken.c_str());
    // A journal cut short while it was written only goes away.
    ASSERT_TRUE(CRollbackJournal(journalPath.c_str()).Save("[zbk]\r\n", 7, "", 0));
    std::string torn;
    ASSERT_TRUE(ReadFileBytes(journalPath, &torn));
    ASSERT_TRUE(WriteFileBytes(journalPath, torn.substr(0, torn.size() - 1)));
    RegistrationReport report = RewriteRegistration(m_path.c_str(), kVersion, kAppPath);
    EXPECT_EQ(REGISTRATION_WRITTEN, report.result);
    EXPECT_EQ(RECOVERY_DROPPED, report.recovery);
    ExpectNothingLeftBeside();
}

// A run that dies at any file call leaves the file as it was, patched, or under a whole journal;
// the next run puts it right and leaves nothing beside it. Where another program writes the file
// after the crash, neither the check nor the next run undoes that write.
TEST_F(RegistrationUpdate, ACrashAtAnyFileCallIsPutRightByTheNextRunAndNoOtherWriteIsUndone)
{
    const std::string patched = PlatformRendering();
    DWORD status = 99;
    for (int k = 1; status == 99 && k < 200; ++k) {
        for (bool bOtherWrites : { false, true }) {
            SCOPED_TRACE("crash at file call " + std::to_string(k)
                         + (bOtherWrites ? ", then another write" : ""));
            ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
            status = RunTestChild("crashing-rewrite", std::to_string(k) + " " + m_path);
            EXPECT_TRUE(status == 99 || status == REGISTRATION_WRITTEN) << status;
            EXPECT_TRUE(Bytes() == kOriginal || Bytes() == patched
                        || !SideFiles(kJournalSuffix).empty());
            if (bOtherWrites) {
                ASSERT_EQ(0u, RunTestChild("other-writer", std::to_string(k) + " " + m_path));
            }
            const std::string crashed = Bytes();
            RegistrationReport check = CheckRegistration(m_path.c_str(), kVersion, kAppPath);
            EXPECT_EQ(crashed, Bytes()) << "the check writes nothing";
            RegistrationReport next = UpdateRegistration(m_path.c_str(), kVersion, kAppPath);
            EXPECT_EQ(check.recovery, next.recovery);
            EXPECT_TRUE(next.result == REGISTRATION_WRITTEN
                        || next.result == REGISTRATION_UNCHANGED)
                << next.result;
            if (bOtherWrites) {
                EXPECT_EQ(std::to_string(k), ServiceState(m_path));
                EXPECT_EQ(AfterPlatformWrites(crashed, kVersion, kAppPath), Bytes());
                EXPECT_NE(RECOVERY_ROLLED_BACK, next.recovery);
                if (next.recovery == RECOVERY_KEPT_ASIDE)
                    ::DeleteFileA((m_path + next.szKeptAside).c_str());
            } else {
                EXPECT_EQ(patched, Bytes());
            }
            ExpectNothingLeftBeside();
        }
    }
    EXPECT_EQ(static_cast<DWORD>(REGISTRATION_WRITTEN), status) << "the last child ran to its end";
}

// Another program writes the file during a run: its write stands, and the run says it wrote only
// where its own write stands too.
TEST_F(RegistrationUpdate, AWriteByAnotherProgramDuringARunIsNeverLost)
{
    const struct
    {
        const char* what;
        int racingAttempts;  // -1: after the file's own write
        RegistrationResult result;
    } rows[] = {
        { "between the read and the write", 1, REGISTRATION_WRITTEN },
        { "between the write and its read-back", -1, REGISTRATION_WRITTEN },
        { "in every attempt", kRegistrationAttempts, REGISTRATION_FAILED },
    };
    g_racedPath = m_path;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
        g_racingAttempts = row.racingAttempts;
        g_flushes = row.racingAttempts < 0 ? 0 : -100;
        ImportHook write("kernel32.dll", "WritePrivateProfileStringA",
                         &::WritePrivateProfileStringA, &RacedProfileWrite);
        ImportHook flush = COUNTED(FlushFileBuffers, &RacedFlush);
        ASSERT_TRUE(write.Installed() && flush.Installed());
        g_writeProfile = write.Original<WriteProfileFn>();
        RegistrationReport report = UpdateRegistration(m_path.c_str(), kVersion, kAppPath);
        EXPECT_EQ(row.result, report.result);
        EXPECT_EQ(row.result == REGISTRATION_FAILED ? REGISTRATION_CHANGING
                                                    : REGISTRATION_NO_FAILURE,
                  report.failure);
        EXPECT_NE("", ServiceState(m_path)) << "the other program's write";
        EXPECT_EQ(row.result == REGISTRATION_WRITTEN,
                  UpdateRegistration(m_path.c_str(), kVersion, kAppPath).result
                      == REGISTRATION_UNCHANGED);
        ExpectNothingLeftBeside();
    }
    // The file's own write fails while another program writes it: that write stands, and the
    // bytes the run started from are kept beside it, never lost.
    ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
    g_flushes = 0;
    g_flushFails = true;
    ImportHook flush = COUNTED(FlushFileBuffers, &RacedFlush);
    RegistrationReport report = UpdateRegistration(m_path.c_str(), kVersion, kAppPath);
    g_flushFails = false;
    EXPECT_EQ(REGISTRATION_DISK_FULL, report.failure);
    EXPECT_EQ(RECOVERY_FAILED_KEPT_ASIDE, report.recovery);
    EXPECT_NE("", ServiceState(m_path));
    std::string kept;
    EXPECT_TRUE(ReadFileBytes(m_path + report.szKeptAside, &kept) && kept == kOriginal);
    ::DeleteFileA((m_path + report.szKeptAside).c_str());
    ExpectNothingLeftBeside();
    // Renamed, and another file put in its place, during the write: not called written.
    ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
    g_flushes = 0;
    g_flushReplaces = true;
    report = UpdateRegistration(m_path.c_str(), kVersion, kAppPath);
    g_flushReplaces = false;
    EXPECT_EQ(REGISTRATION_REPLACED, report.failure);
    EXPECT_EQ(kOriginal, Bytes());
    ::DeleteFileA((m_path + ".moved").c_str());
    ExpectNothingLeftBeside();
}
