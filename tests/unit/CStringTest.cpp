// The byte string: slicing, and searches and lower-casing that respect double-byte characters.
#include <gtest/gtest.h>

#include <string>

#include "platform/CString.h"

namespace {

// GBK characters whose trail byte is ASCII: 淺 (9C 5C) ends in a backslash, 圓 (88 41) in 'A',
// 並 (81 4B) in 'K'.
const char kQian[] = "\x9C\x5C";

// Sets the run-time's multibyte code page for one test and restores the previous one.
class CodePageTest : public testing::Test
{
protected:
    void UseCodePage(int cp) { ASSERT_EQ(0, _setmbcp(cp)) << "code page " << cp; }
    void SetUp() override { m_saved = _getmbcp(); }
    void TearDown() override { _setmbcp(m_saved); }

private:
    int m_saved = 0;
};

std::string S(const CString& s)
{
    return std::string(s, s.GetLength());
}

}  // namespace

TEST(CStringSlices, LeftAndRightClampToTheText)
{
    CString s("abcdef");
    EXPECT_EQ("abc", S(s.Left(3)));
    EXPECT_EQ("def", S(s.Right(3)));
    EXPECT_EQ("abcdef", S(s.Left(6)));
    EXPECT_EQ("abcdef", S(s.Right(99)));
    EXPECT_EQ("", S(s.Left(0)));
    EXPECT_EQ("", S(s.Right(0)));
    EXPECT_EQ("", S(s.Left(-1)));
    EXPECT_EQ("", S(s.Right(-5)));
    EXPECT_EQ("", S(CString().Right(1)));
    // Slices count bytes, not characters: half of a double-byte character is a byte like any other.
    CString dbcs(kQian);
    EXPECT_EQ("\x5C", S(dbcs.Right(1)));
    EXPECT_EQ("\x9C", S(dbcs.Left(1)));
}

TEST(CStringSlices, ConcatenationAndAssignment)
{
    CString a("C:\\dir");
    CString b = a + "\\" + CString("file.ini");
    EXPECT_EQ("C:\\dir\\file.ini", S(b));
    EXPECT_EQ(15, b.GetLength());
    a += a;
    EXPECT_EQ("C:\\dirC:\\dir", S(a));
    a = static_cast<const char*>(a) + 3;  // assigning from its own bytes
    EXPECT_EQ("dirC:\\dir", S(a));
    CString empty(static_cast<const char*>(nullptr));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ("", static_cast<const char*>(empty));
    EXPECT_EQ("x", S("x" + empty));
}

struct FindRow
{
    int codePage;
    const char* text;
    const char* needle;
    int start;
    int expected;
};

class CStringFind : public CodePageTest, public testing::WithParamInterface<FindRow>
{
};

TEST_P(CStringFind, FindsOnlyAtCharacterBoundaries)
{
    const FindRow& row = GetParam();
    UseCodePage(row.codePage);
    EXPECT_EQ(row.expected, CString(row.text).Find(row.needle, row.start))
        << "text " << testing::PrintToString(std::string(row.text)) << " needle " << row.needle;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CStringFind,
    testing::Values(
        FindRow{ 936, "c:\\prod\\svc.exe /run", ".exe", 0, 11 },
        FindRow{ 936, "c:\\tools.exe.d\\svc.exe", ".exe", 0, 8 },
        FindRow{ 936, "no extension", ".exe", 0, -1 }, FindRow{ 936, "\"c:\\a\"", "\"", 0, 0 },
        FindRow{ 936, "V 1.8.0", " ", 0, 1 },
        FindRow{ 936, "abc", "", 0, 0 },  // an empty needle is found where the search starts
        FindRow{ 936, "abc", "", 3, 3 }, FindRow{ 936, "abc", "c", 4, -1 },  // start past the end
        FindRow{ 936, "abc", "a", -1, -1 }, FindRow{ 936, "abcabc", "b", 2, 4 },
        // 淺 is 9C 5C: its trail byte is no backslash.
        FindRow{ 936, "\x9C\x5C", "\\", 0, -1 }, FindRow{ 936, "c:\\\x9C\x5C\\x", "\\", 3, 5 },
        // A needle that would start on a trail byte: 並 is 81 4B, so "K" never matches inside it.
        FindRow{ 936,
                 "\x81\x4B"
                 "K",
                 "K", 0, 2 },
        FindRow{ 936, "\x88\x41.exe", "A.exe", 0, -1 },
        // A lead byte that the terminator follows is a character of its own.
        FindRow{ 936, "ab\x81", "\x81", 0, 2 },
        // In a single-byte code page every byte is a character.
        FindRow{ 1252, "\x9C\x5C", "\\", 0, 1 }, FindRow{ 1252, "\x81\x4BK", "K", 0, 1 }));

struct ReverseFindRow
{
    int codePage;
    const char* text;
    int expected;
};

class CStringReverseFind : public CodePageTest, public testing::WithParamInterface<ReverseFindRow>
{
};

TEST_P(CStringReverseFind, FindsTheLastRealBackslash)
{
    const ReverseFindRow& row = GetParam();
    UseCodePage(row.codePage);
    EXPECT_EQ(row.expected, CString(row.text).ReverseFind('\\'))
        << testing::PrintToString(std::string(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CStringReverseFind,
    testing::Values(ReverseFindRow{ 936, "c:\\prod\\svc.exe", 7 },
                    ReverseFindRow{ 936, "svc.exe", -1 }, ReverseFindRow{ 936, "", -1 },
                    ReverseFindRow{ 936, "c:\\\x9C\x5C", 2 },  // c:\淺 : the last backslash is at 2
                    ReverseFindRow{ 936, "c:\\\x9C\x5C\\", 5 },
                    ReverseFindRow{ 936, "\x9C\x5C\x9C\x5C", -1 },
                    ReverseFindRow{ 936, "c:\\\x9C", 2 },  // lone lead byte at the end
                    ReverseFindRow{ 1252, "c:\\\x9C\x5C", 4 }));

struct LowerRow
{
    int codePage;
    const char* text;
    const char* expected;
};

class CStringMakeLower : public CodePageTest, public testing::WithParamInterface<LowerRow>
{
};

TEST_P(CStringMakeLower, LowersSingleByteLettersOnly)
{
    const LowerRow& row = GetParam();
    UseCodePage(row.codePage);
    CString s(row.text);
    s.MakeLower();
    EXPECT_EQ(std::string(row.expected), S(s)) << testing::PrintToString(std::string(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CStringMakeLower,
    testing::Values(LowerRow{ 936, "C:\\Program Files\\Prod\\Svc.EXE",
                              "c:\\program files\\prod\\svc.exe" },
                    LowerRow{ 936, "AZaz@[`{09", "azaz@[`{09" },
                    LowerRow{ 936, "\x88\x41", "\x88\x41" },  // 圓 keeps its 'A' trail byte
                    LowerRow{ 936, "D:\\\x88\x41\\X", "d:\\\x88\x41\\x" },
                    LowerRow{ 936, "\x81\x4B\x81\x4B", "\x81\x4B\x81\x4B" },  // 並並
                    LowerRow{ 936, "\xA3\xC1", "\xA3\xC1" },                  // full-width A stays
                    LowerRow{ 936, "AB\x88", "ab\x88" },  // lone lead byte at the end
                    LowerRow{ 1252, "\x88\x41", "\x88\x61" }));

TEST(CStringCompare, MultibyteComparisonIsByBytes)
{
    EXPECT_EQ(0, AfxMbsCmp("\\", "\\"));
    EXPECT_NE(0, AfxMbsCmp("", "\\"));
    EXPECT_NE(0, AfxMbsCmp("/", "\\"));
    // The last byte of 淺 on its own compares equal to a backslash.
    EXPECT_EQ(0, AfxMbsCmp(CString(kQian).Right(1), "\\"));
}
