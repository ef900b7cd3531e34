// System directory and existence checks against the real file system.
#include <gtest/gtest.h>

#include "core/InstallRecords.h"
#include "tests/support/Staging.h"

TEST(GetSystemDir, IsTheSystemDirectoryWithOneTrailingBackslash)
{
    char buffer[MAX_PATH] = {0};
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
