// The write step against real INI files: verified, in place, rolled back after any fault, no files
// left behind, and one run at a time.
#include <gtest/gtest.h>

#include <string>

#include "core/RegistrationUpdate.h"
#include "platform/RollbackJournal.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"
#include "tests/support/TestChild.h"
#include "tests/support/Utf16Text.h"

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
    // Nothing beside the registration file but the file itself.
    void ExpectNothingLeftBeside() const
    {
        for (const char* suffix : { kLockSuffix, kJournalSuffix, kScratchSuffix })
            EXPECT_FALSE(PathExists(m_path + suffix)) << suffix;
    }
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
// first), without a chance to clean up: as a crash or a kill would.
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
        RealWriteFile::real(file, data, n / 2, done, overlapped);
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

}  // namespace

TEST_F(RegistrationUpdate, WritesBothKeysAndKeepsWhatTheProfileFunctionsKeep)
{
    for (const std::string& original :
         { kOriginal,
           Utf16("[zbk]\r\nid = 7\r\nversion = 1.0\r\n\r\n[license]\r\nserial=Q\r\n") }) {
        SCOPED_TRACE(original.substr(0, 2) == "\xFF\xFE" ? "UTF-16 LE" : "ANSI");
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
            RegistrationReport report = step(m_path.c_str(), kVersion, kAppPath);
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
            EXPECT_EQ(REGISTRATION_BUSY, step(m_path.c_str(), kVersion, kAppPath).result);
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

// A journal left by a run that was cut short: a whole one is rolled back before anything else
// (even by the check), one cut short only goes away.
TEST_F(RegistrationUpdate, AJournalLeftBehindIsRolledBackFirst)
{
    const std::string journalPath = m_path + kJournalSuffix;
    CRollbackJournal journal(journalPath.c_str());
    ASSERT_TRUE(journal.Save(kOriginal.data(), kOriginal.size()));
    ASSERT_TRUE(WriteFileBytes(m_path, kOriginal.substr(0, 100)));  // torn by the crash
    RegistrationReport report = CheckRegistration(m_path.c_str(), kVersion, kAppPath);
    EXPECT_EQ(REGISTRATION_WRITABLE, report.result);
    EXPECT_TRUE(report.bRestored);
    EXPECT_EQ(kOriginal, Bytes());
    ExpectNothingLeftBeside();

    ASSERT_TRUE(journal.Save("[zbk]\r\nversion=0\r\n", 18));
    std::string torn;
    ASSERT_TRUE(ReadFileBytes(journalPath, &torn));
    ASSERT_TRUE(WriteFileBytes(journalPath, torn.substr(0, torn.size() - 1)));
    report = RewriteRegistration(m_path.c_str(), kVersion, kAppPath);
    EXPECT_EQ(REGISTRATION_WRITTEN, report.result);
    EXPECT_FALSE(report.bRestored);
    EXPECT_EQ(PlatformRendering(), Bytes());
    ExpectNothingLeftBeside();
}

// A run that dies at any file call leaves the file as it was, patched, or under a whole journal;
// the next run puts it right and leaves nothing beside it.
TEST_F(RegistrationUpdate, ACrashAtAnyFileCallIsPutRightByTheNextRun)
{
    const std::string patched = PlatformRendering();
    DWORD status = 99;
    for (int k = 1; status == 99 && k < 200; ++k) {
        SCOPED_TRACE("crash at file call " + std::to_string(k));
        ASSERT_TRUE(WriteFileBytes(m_path, kOriginal));
        status = RunTestChild("crashing-rewrite", std::to_string(k) + " " + m_path);
        EXPECT_TRUE(status == 99 || status == REGISTRATION_WRITTEN) << status;
        EXPECT_TRUE(Bytes() == kOriginal || Bytes() == patched
                    || PathExists(m_path + kJournalSuffix));
        RegistrationResult next = UpdateRegistration(m_path.c_str(), kVersion, kAppPath).result;
        EXPECT_TRUE(next == REGISTRATION_WRITTEN || next == REGISTRATION_UNCHANGED) << next;
        EXPECT_EQ(patched, Bytes());
        ExpectNothingLeftBeside();
    }
    EXPECT_EQ(static_cast<DWORD>(REGISTRATION_WRITTEN), status) << "the last child ran to its end";
}
