// System directory and existence checks against the real file system.
#include <gtest/gtest.h>

#include "core/InstallRecords.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"

TEST(GetSystemDir, IsTheSystemDirectoryWithOneTrailingBackslash)
{
    char buffer[MAX_PATH] = { 0 };
    ASSERT_GT(::GetSystemDirectoryA(buffer, MAX_PATH), 0u);
    CString dir = GetSystemDir();
    EXPECT_EQ(std::string(buffer) + "\\", std::string(dir));
    EXPECT_NE('\\', dir[dir.GetLength() - 2]);
}

TEST(FileExists, EmptyMissingFileAndDirectory)
{
    EXPECT_EQ(0, FileExists(CString()));
    EXPECT_EQ(0, FileExists(CString("")));

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

TEST(Environment, AnsiCodePageIs936)
{
    // The double-byte rows of these tests mean something only under the code page of the
    // product's texts; the test runner starts Wine under zh_CN.UTF-8 for that.
    EXPECT_EQ(936u, ::GetACP());
    EXPECT_EQ(936, _getmbcp());
}

// What the system directory query answers, for the tests below.
namespace {

const char* g_systemDir = nullptr;
int g_attributeQueries = 0;
ImportHook* g_attributesHook = nullptr;

UINT WINAPI FakeSystemDirectory(LPSTR buffer, UINT size)
{
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
    ImportHook hook("kernel32.dll", "GetSystemDirectoryA", &::GetSystemDirectoryA,
                    &FakeSystemDirectory);
    ASSERT_TRUE(hook.Installed());
    const struct
    {
        const char* dir;
        const char* expected;
    } rows[] = {
        { "C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\" },
        { "C:\\", "C:\\" },                                  // a drive root stays as it is
        { "D:\\\xB2\xE2\x9C\x5C", "D:\\\xB2\xE2\x9C\x5C" },  // the byte rule: 淺 ends in 0x5C
        { nullptr, "\\" },                                   // the query failed
    };
    for (const auto& row : rows) {
        g_systemDir = row.dir;
        EXPECT_EQ(std::string(row.expected), std::string(GetSystemDir()));
    }
}

TEST(FileExists, AnEmptyPathIsNotAskedAbout)
{
    ImportHook hook("kernel32.dll", "GetFileAttributesA", &::GetFileAttributesA,
                    &CountAttributeQueries);
    ASSERT_TRUE(hook.Installed());
    g_attributesHook = &hook;
    g_attributeQueries = 0;
    EXPECT_EQ(0, FileExists(CString()));
    EXPECT_EQ(0, g_attributeQueries);
    EXPECT_EQ(1, FileExists(CString(SystemDirectory().c_str())));
    EXPECT_EQ(1, g_attributeQueries);
}
