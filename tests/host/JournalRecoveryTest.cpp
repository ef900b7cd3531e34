// Which writer left the file as it stands: one row for each state a journal can meet.
#include <gtest/gtest.h>

#include <string>

#include "core/JournalRecovery.h"

namespace {

const std::string kOriginal = "[zbk]\r\nversion=1.0\r\n[a]\r\nk=1\r\n";
const std::string kNew = "[zbk]\r\nversion=1.9.0\r\napppath=c:\\q\\\r\n[a]\r\nk=1\r\n";

JournalRecovery Decide(const std::string& file, const std::string& original = kOriginal,
                       const std::string& written = kNew)
{
    return DecideRecovery(file.data(), file.size(), original.data(), original.size(),
                          written.data(), written.size());
}

}  // namespace

TEST(JournalRecovery, OnlyTheProgramsOwnCutWriteIsRolledBack)
{
    const size_t kCut = 20;
    const std::string cutWrite = kNew.substr(0, kCut) + kOriginal.substr(kCut);
    struct
    {
        const char* what;
        std::string file;
        JournalRecovery expected;
    } rows[] = {
        { "the original bytes: the write never began", kOriginal, kRecoveryUnchanged },
        { "the new bytes: the change is whole", kNew, kRecoveryWhole },
        { "the new bytes up to a point, the original after it", cutWrite, kRecoveryRollBack },
        { "the new bytes cut beyond the original's length", kNew.substr(0, kOriginal.size() + 3),
          kRecoveryRollBack },
        { "the roll-back of a cut write cut in turn", kOriginal.substr(0, 5) + cutWrite.substr(5),
          kRecoveryRollBack },
        { "another program set a key after the cut", cutWrite + "x=1\r\n", kRecoveryKeepAside },
        { "another program changed a byte the two share", "[zbk]\r\nversion=1.0\r\n[a]\r\nk=2\r\n",
          kRecoveryKeepAside },
        { "another program rewrote the whole patch", kNew + "[b]\r\n", kRecoveryKeepAside },
        { "the installer emptied it", "", kRecoveryKeepAside },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, Decide(row.file));
    }
    // Shorter new bytes, all written but not yet truncated: the original's tail after them.
    EXPECT_EQ(kRecoveryRollBack,
              Decide(kOriginal + kNew.substr(kOriginal.size()), kNew, kOriginal));
    // A journal that kept the original bytes alone recognises only them.
    EXPECT_EQ(kRecoveryUnchanged, DecideRecovery(kOriginal.data(), kOriginal.size(),
                                                 kOriginal.data(), kOriginal.size(), nullptr, 0));
    EXPECT_EQ(kRecoveryKeepAside, DecideRecovery(cutWrite.data(), cutWrite.size(), kOriginal.data(),
                                                 kOriginal.size(), nullptr, 0));
}
