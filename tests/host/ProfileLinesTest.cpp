// Whether a rewrite kept the other lines of an INI file: byte files and UTF-16 files.
#include <gtest/gtest.h>

#include <string>

#include "core/ProfileLines.h"
#include "tests/support/Utf16Text.h"

namespace {

const char* const kKeys[] = { "version", "apppath" };
const PatchedKeys kPatched = { "zbk", kKeys, 2 };

bool Keeps(const std::string& before, const std::string& after)
{
    return KeepsOtherLines(before.data(), before.size(), after.data(), after.size(), kPatched);
}

const std::string kBefore =
    "; note\r\n[ZBK]\r\nid = 7\r\nVersion = 1.0\r\n\r\n[other]\r\nversion=2\r\n";

}  // namespace

TEST(ProfileLines, WhatTheProfileFunctionsMayChangeAndWhatTheyMayNot)
{
    struct
    {
        const char* what;
        std::string after;
        bool kept;
    } rows[] = {
        { "blanks around = and blank lines dropped, patched keys changed",
          "; note\r\n[ZBK]\r\nid=7\r\nVersion=1.9\r\napppath=c:\\\r\n[other]\r\nversion=2\r\n",
          true },
        { "a key of another section is not the patch's",
          "; note\r\n[ZBK]\r\nid=7\r\nversion=1.9\r\n[other]\r\nversion=3\r\n", false },
        { "cut after the section", "; note\r\n[ZBK]\r\nid=7\r\nversion=1.9\r\n", false },
        { "last line torn", "; note\r\n[ZBK]\r\nid=7\r\n[other]\r\nversio", false },
        { "a line's case changed", "; Note\r\n[ZBK]\r\nid=7\r\n[other]\r\nversion=2\r\n", false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.kept, Keeps(kBefore, row.after));
        // CR-only and mixed line ends, which a rewrite makes CR LF.
        EXPECT_EQ(row.kept, Keeps("; note\r[ZBK]\nid = 7\r\r\n[other]\rversion=2", row.after));
        EXPECT_EQ(row.kept, Keeps(Utf16(kBefore), Utf16(row.after)));
        EXPECT_EQ(row.kept, Keeps(Utf16(kBefore, true), Utf16(row.after, true)));
    }
    // The 00 half of a UTF-16 blank is not a character of the line.
    EXPECT_TRUE(Keeps(Utf16("[zbk]\r\nid = 7\r\n"), Utf16("[zbk]\r\nid=7\r\nversion=1\r\n")));
    EXPECT_FALSE(Keeps(Utf16(kBefore), kBefore)) << "the encoding changed";
}
