// System directory and existence checks against the real file system.
#include <gtest/gtest.h>

#include "core/InstallRecords.h"
#include "tests/support/CodePage.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"

TEST(FileExists, MissingFileAndDirectory)
{
    if (!AnsiCodePageIs936())
        SKIP_ROWS_WITHOUT_CODE_PAGE_936(1);
    TempDir dir("\xB2\xE2\xCA\xD4\x9C\x5C");  // 测试淺
    EXPECT_EQ(1, FileExists(CString(dir.path().c_str())));
    std::string file = dir.path() + "zbk.db";
    EXPECT_EQ(0, FileExists(CString(file.c_str())));
    ASSERT_TRUE(WriteFileBytes(file, "[zbk]\r\n"));
    EXPECT_EQ(1, FileExists(CString(file.c_str())));
    // Any existing path counts, a directory named like a file included.
    std::string named = dir.MakeSubdir("other.db");
    EXPECT_EQ(1, FileExists(CString(named.substr(0, named.size() - 1).c_str())));
}

// What the system directory query answers, for the tests below.
namespace {

const char* const kRealSystemDir = "the real answer";
const char* g_systemDir = nullptr;
ImportHook* g_systemDirHook = nullptr;
int g_attributeQueries = 0;
ImportHook* g_attributesHook = nullptr;

UINT WINAPI FakeSystemDirectory(LPSTR buffer, UINT size)
{
    if (g_systemDir == kRealSystemDir)
        return g_systemDirHook->Original<decltype(&::GetSystemDirectoryA)>()(buffer, size);
    if (g_systemDir == nullptr)
        return 0;  // failed: the buffer is left alone
    lstrcpynA(buffer, g_systemDir, static_cast<int>(size));
    return lstrlenA(buffer);
}

DWORD WINAPI CountAttributeQueries(LPCSTR path)
{
    ++g_attributeQueries;
    return g_attributesHook->Original<decltype(&::GetFileAttributesA)>()(path);
}

}  // namespace

TEST(GetSystemDir, AddsTheBackslashOnlyWhereTheLastByteIsNotOne)
{
    char real[MAX_PATH] = { 0 };
    ASSERT_GT(::GetSystemDirectoryA(real, MAX_PATH), 0u);
    ImportHook hook("kernel32.dll", "GetSystemDirectoryA", &::GetSystemDirectoryA,
                    &FakeSystemDirectory);
    ASSERT_TRUE(hook.Installed());
    g_systemDirHook = &hook;
    const struct
    {
        const char* dir;
        std::string expected;
        bool needs936;
    } rows[] = {
        { kRealSystemDir, std::string(real) + "\\", false },  // this system's, without one
        { "C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\", false },
        { "C:\\", "C:\\", false },                                 // a drive root stays as it is
        { "D:\\\xB2\xE2\x9C\x5C", "D:\\\xB2\xE2\x9C\x5C", true },  // the byte rule: 淺 ends in 0x5C
        { nullptr, "\\", false },                                  // the query failed
    };
    int leftOut = 0;
    for (const auto& row : rows) {
        if (row.needs936 && !AnsiCodePageIs936()) {
            ++leftOut;
            continue;
        }
        g_systemDir = row.dir;
        EXPECT_EQ(row.expected, std::string(GetSystemDir()));
    }
    SKIP_ROWS_WITHOUT_CODE_PAGE_936(leftOut);
}

TEST(FileExists, AnEmptyPathIsNotAskedAbout)
{
    ImportHook hook("kernel32.dll", "GetFileAttributesA", &::GetFileAttributesA,
                    &CountAttributeQueries);
    ASSERT_TRUE(hook.Installed());
    g_attributesHook = &hook;
    g_attributeQueries = 0;
    EXPECT_EQ(0, FileExists(CString()));
    EXPECT_EQ(0, FileExists(CString("")));
    EXPECT_EQ(0, g_attributeQueries);
    EXPECT_EQ(1, FileExists(CString(SystemDirectory().c_str())));
    EXPECT_EQ(1, g_attributeQueries);
}
