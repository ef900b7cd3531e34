// The write step against real INI files: verified, whole or not at all, no files left behind, and
// one run at a time.
#include <gtest/gtest.h>

#include <string>

#include "core/RegistrationUpdate.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"

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
    static std::string PlatformRendering()
    {
        return AfterPlatformWrites(kOriginal, kVersion, kAppPath);
    }
    // Nothing beside the registration file but the file itself.
    void ExpectNothingLeftBeside() const
    {
        EXPECT_FALSE(PathExists(m_path + ".new"));
        EXPECT_FALSE(PathExists(m_path + ".old"));
    }
    RegistrationResult Rewrite() const
    {
        return RewriteRegistration(m_path.c_str(), kVersion, kAppPath);
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

DWORD WINAPI NeverYourTurn(HANDLE, DWORD)
{
    return WAIT_TIMEOUT;
}

}  // namespace

TEST_F(RegistrationUpdate, WritesBothKeysAndKeepsWhatTheProfileFunctionsKeep)
{
    EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
    EXPECT_EQ(PlatformRendering(), Bytes());
    ExpectNothingLeftBeside();
    // Both values there already: only the rewriting form writes again.
    EXPECT_EQ(REGISTRATION_UNCHANGED, UpdateRegistration(m_path.c_str(), kVersion, kAppPath));
    EXPECT_EQ(REGISTRATION_UNCHANGED, CheckRegistration(m_path.c_str(), kVersion, kAppPath));
    EXPECT_EQ(REGISTRATION_WRITABLE, CheckRegistration(m_path.c_str(), "2.0", kAppPath));
    ExpectNothingLeftBeside();
    EXPECT_EQ(PlatformRendering(), Bytes());
}

TEST_F(RegistrationUpdate, TheFileKeepsItsAttributes)
{
    ASSERT_TRUE(::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(REGISTRATION_WRITTEN, Rewrite());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN),
              ::GetFileAttributesA(m_path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
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
        EXPECT_EQ(REGISTRATION_FAILED, Rewrite());
        EXPECT_EQ(kOriginal, Bytes()) << "byte for byte";
        ExpectNothingLeftBeside();
    }
}

TEST_F(RegistrationUpdate, AFileThatCannotBeReplacedStaysAsItWas)
{
    {
        SCOPED_TRACE("held open without sharing by another program");
        HANDLE held = ::CreateFileA(m_path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        EXPECT_EQ(REGISTRATION_FAILED, Rewrite());
        EXPECT_EQ(REGISTRATION_FAILED, CheckRegistration(m_path.c_str(), kVersion, kAppPath));
        ::CloseHandle(held);
        ExpectNothingLeftBeside();
    }
    {
        SCOPED_TRACE("read-only");
        ASSERT_TRUE(::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(REGISTRATION_FAILED, Rewrite());
        EXPECT_EQ(REGISTRATION_FAILED, CheckRegistration(m_path.c_str(), kVersion, kAppPath));
        EXPECT_NE(0u, ::GetFileAttributesA(m_path.c_str()) & FILE_ATTRIBUTE_READONLY);
        ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ExpectNothingLeftBeside();
    }
    EXPECT_EQ(kOriginal, Bytes());
}

TEST_F(RegistrationUpdate, WithoutATurnNothingIsTouched)
{
    ImportHook hook("kernel32.dll", "WaitForSingleObject", &::WaitForSingleObject, &NeverYourTurn);
    ASSERT_TRUE(hook.Installed());
    EXPECT_EQ(REGISTRATION_BUSY, Rewrite());
    EXPECT_EQ(REGISTRATION_BUSY, UpdateRegistration(m_path.c_str(), kVersion, kAppPath));
    EXPECT_EQ(REGISTRATION_BUSY, CheckRegistration(m_path.c_str(), kVersion, kAppPath));
    EXPECT_EQ(kOriginal, Bytes());
    ExpectNothingLeftBeside();
}
