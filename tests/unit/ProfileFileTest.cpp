// The profile settings accessor against real INI files in a temporary directory.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "core/ProfileFile.h"
#include "tests/support/CodePage.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"

namespace {

class ProfileFileTest : public testing::Test
{
protected:
    ProfileFileTest() : m_dir("ini\xB2\xE2\xCA\xD4\x88\x41") {}  // ini测试圓

    std::string Path(const char* name) const { return m_dir.path() + name; }
    CProfileFile Open(const std::string& path) const
    {
        CProfileFile profile;
        profile.m_strProfilePath = path.c_str();
        return profile;
    }
    static size_t Count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    TempDir m_dir;
};

}  // namespace

TEST_F(ProfileFileTest, MissingFileSectionOrKeyReadsEmpty)
{
    CProfileFile missing = Open(Path("missing.ini"));
    EXPECT_TRUE(missing.GetString("Word1", "System").IsEmpty());

    ASSERT_TRUE(
        WriteFileBytes(Path("config.ini"), "[System]\r\nWord1=V 1.8.5\r\n[Other]\r\nKey=x\r\n"));
    CProfileFile profile = Open(Path("config.ini"));
    EXPECT_EQ("V 1.8.5", std::string(profile.GetString("Word1", "System")));
    EXPECT_EQ("x", std::string(profile.GetString("Key", "Other")));
    EXPECT_TRUE(profile.GetString("Word2", "System").IsEmpty());
    EXPECT_TRUE(profile.GetString("Word1", "Absent").IsEmpty());
    EXPECT_FALSE(::PathExists(Path("missing.ini")));  // reading creates nothing
}

TEST_F(ProfileFileTest, EmptyKeyOrSectionReadsEmptyWithoutLookingAtTheFile)
{
    ASSERT_TRUE(
        WriteFileBytes(Path("empty.ini"), "[]\r\n=root\r\n[System]\r\n=blank\r\nWord1=V 1.0\r\n"));
    CProfileFile profile = Open(Path("empty.ini"));
    EXPECT_TRUE(profile.GetString("", "System").IsEmpty());
    EXPECT_TRUE(profile.GetString("Word1", "").IsEmpty());
    EXPECT_TRUE(profile.GetString("", "").IsEmpty());
}

TEST_F(ProfileFileTest, LongValuesArriveCutTo1023Bytes)
{
    std::string value(2000, 'v');
    value[1022] = 'L';
    value[1023] = 'X';
    ASSERT_TRUE(WriteFileBytes(Path("long.ini"), "[System]\r\nWord1=" + value + "\r\n"));
    CString read = Open(Path("long.ini")).GetString("Word1", "System");
    ASSERT_EQ(1023, read.GetLength());
    EXPECT_EQ(value.substr(0, 1023), std::string(read));
}

TEST_F(ProfileFileTest, SetStringCreatesTheFileSectionAndKey)
{
    std::string path = Path("new.db");
    CProfileFile profile = Open(path);
    EXPECT_EQ(0, profile.SetString("1.9.0", "version", "zbk"));
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ("1.9.0", std::string(profile.GetString("version", "zbk")));
    // Double-byte values go in and come out as the same bytes.
    const char dir[] = "c:\\\xB2\xE2\xCA\xD4\x9C\x5C\\";  // c:\测试淺\ .
    EXPECT_EQ(0, profile.SetString(dir, "apppath", "zbk"));
    EXPECT_EQ(std::string(dir), std::string(profile.GetString("apppath", "zbk")));
}

// What else the file keeps is what the profile functions keep (RegistrationUpdate, against what
// they make of a copy).
TEST_F(ProfileFileTest, RewritingReplacesTheValue)
{
    ASSERT_TRUE(WriteFileBytes(Path("ours.db"), "[main]\r\nid = 42\r\n[zbk]\r\nversion=1.0\r\n"));
    CProfileFile profile = Open(Path("ours.db"));
    EXPECT_EQ(0, profile.SetString("1.8.5", "version", "zbk"));
    EXPECT_EQ(0, profile.SetString("c:\\a\\", "apppath", "zbk"));
    EXPECT_EQ(0, profile.SetString("1.9.0", "version", "zbk"));
    std::string ours;
    ASSERT_TRUE(ReadFileBytes(Path("ours.db"), &ours));
    EXPECT_EQ(1u, Count(ours, "version="));
    EXPECT_EQ(1u, Count(ours, "apppath="));
    EXPECT_EQ("1.9.0", std::string(profile.GetString("version", "zbk")));
    EXPECT_EQ("42", std::string(profile.GetString("id", "main")));
}

TEST_F(ProfileFileTest, SetStringReportsAFailedWrite)
{
    // A directory where the file should be cannot be written.
    std::string dirPath = m_dir.MakeSubdir("zbk.db");
    CProfileFile profile = Open(dirPath.substr(0, dirPath.size() - 1));
    EXPECT_NE(0, profile.SetString("1.9.0", "version", "zbk"));

    CProfileFile nowhere = Open(m_dir.path() + "no\\such\\dir\\zbk.db");
    EXPECT_NE(0, nowhere.SetString("1.9.0", "version", "zbk"));
}

// What the module file name query answers, for the tests below.
namespace {

const char kRealModulePath[] = "the real answer";
std::string g_modulePath;
ImportHook* g_moduleHook = nullptr;

DWORD WINAPI FakeModuleFileName(HMODULE module, LPSTR buffer, DWORD size)
{
    if (g_modulePath == kRealModulePath)
        return g_moduleHook->Original<decltype(&::GetModuleFileNameA)>()(module, buffer, size);
    // As the system does: a name that does not fit is cut and fills the whole buffer.
    DWORD n = static_cast<DWORD>(g_modulePath.size());
    if (n >= size) {
        memcpy(buffer, g_modulePath.data(), size);
        buffer[size - 1] = '\0';
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    memcpy(buffer, g_modulePath.c_str(), n + 1);
    return n;
}

}  // namespace

TEST(ProfileFileDefaults, DefaultPathFollowsTheModulePath)
{
    char module[MAX_PATH] = { 0 };
    ASSERT_GT(::GetModuleFileNameA(NULL, module, MAX_PATH), 0u);
    const std::string exeDir = std::string(module).substr(0, std::string(module).rfind('\\') + 1);
    ImportHook hook("kernel32.dll", "GetModuleFileNameA", &::GetModuleFileNameA,
                    &FakeModuleFileName);
    ASSERT_TRUE(hook.Installed());
    g_moduleHook = &hook;
    const std::string longDir = "C:\\" + std::string(300, 'd') + "\\";
    const std::string longestDir = "\\\\?\\C:\\" + std::string(32740, 'e') + "\\";
    const struct
    {
        std::string module;
        std::string dir;
        std::string path;
        bool needs936;
    } rows[] = {
        { kRealModulePath, exeDir, exeDir + "config.ini", false },  // beside this executable
        { "D:\\tools\\patch.exe", "D:\\tools\\", "D:\\tools\\config.ini", false },
        { "patch.exe", "", "\\config.ini", false },  // no backslash at all
        { "E:\\\x9C\x5C\\p.exe", "E:\\\x9C\x5C\\", "E:\\\x9C\x5C\\config.ini", true },
        { longDir + "patch.exe", longDir, longDir + "config.ini", false },  // longer than MAX_PATH
        { longestDir + "p.exe", longestDir, longestDir + "config.ini",
          false },  // up to the system's limit
    };
    int leftOut = 0;
    for (const auto& row : rows) {
        if (row.needs936 && !AnsiCodePageIs936()) {
            ++leftOut;
            continue;
        }
        g_modulePath = row.module;
        CProfileFile profile;
        EXPECT_EQ(row.dir, std::string(profile.GetModuleDir()));
        EXPECT_EQ(row.path, std::string(profile.m_strProfilePath));
    }
    SKIP_ROWS_WITHOUT_CODE_PAGE_936(leftOut);
}
