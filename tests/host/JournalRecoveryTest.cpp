// Which writer left the file as it stands: one row for each state a journal can meet.
#include <gtest/gtest.h>

#include <string>

#include "core/JournalRecovery.h"

namespace {

// Files of a few sectors, so that what a sector holds can differ from its neighbours'.
std::string Lines(const char* pszHead, size_t nLines)
{
    std::string text = std::string("[zbk]\r\n") + pszHead + "[a]\r\n";
    for (size_t i = 0; i < nLines; ++i)
        text += "key" + std::to_string(i) + "=value of the product's own\r\n";
    return text;
}

const size_t kLargest = 64 << 20;
const std::string kOriginal = Lines("version=1.0\r\n", 60);
const std::string kNew = Lines("version=1.9.0\r\napppath=c:\\q\\\r\n", 60);

JournalRecovery Decide(const std::string& file, const std::string& original = kOriginal,
                       const std::string& written = kNew, size_t nLargest = kLargest)
{
    return DecideRecovery(file.data(), file.size(), original.data(), original.size(),
                          written.data(), written.size(), nLargest);
}

// Sector i from the new bytes where pick says so, else from the original's, over nSize bytes.
std::string Sectors(const std::string& pick, size_t nSize)
{
    std::string file;
    for (size_t i = 0; file.size() < nSize; ++i) {
        const std::string& from = pick[i % pick.size()] == 'n' ? kNew : kOriginal;
        file += from.substr(file.size(), std::min(kRecoverySector, nSize - file.size()));
    }
    return file;
}

}  // namespace

TEST(JournalRecovery, OnlyStatesThatACutWriteOrAPowerLossLeavesAreRolledBack)
{
    const size_t kSector = kRecoverySector;
    std::string edited = kOriginal;
    size_t nEdit = kSector;
    while (kOriginal[nEdit] == kNew[nEdit])
        ++nEdit;
    edited[nEdit] = kNew[nEdit];
    const std::string longer = kNew + "tail";
    struct
    {
        const char* what;
        std::string file;
        JournalRecovery expected;
    } rows[] = {
        { "the original bytes: the write never began", kOriginal, kRecoveryUnchanged },
        { "the new bytes: the change is whole", kNew, kRecoveryWhole },
        { "a power loss: the original bytes, zeros where the file grew",
          kOriginal + std::string(kNew.size() - kOriginal.size(), '\0'), kRecoveryRollBack },
        { "a power loss: sectors of both, out of order", Sectors("nonn", kNew.size()),
          kRecoveryRollBack },
        { "a power loss before the file grew: the new bytes' sectors at the original length",
          Sectors("on", kOriginal.size()), kRecoveryRollBack },
        { "another program set a key after the cut", Sectors("no", kOriginal.size()) + "x=1\r\n",
          kRecoveryKeepAside },
        { "a product edit of one byte to what the shifted new bytes hold there", edited,
          kRecoveryKeepAside },
        { "another program rewrote the whole patch", kNew + "[b]\r\n", kRecoveryKeepAside },
        { "the installer emptied it", "", kRecoveryKeepAside },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, Decide(row.file));
    }
    // The patch makes the file shorter: all written but not yet truncated is ours, a trailing
    // section removed by the product is not.
    EXPECT_EQ(kRecoveryRollBack,
              Decide(kOriginal + longer.substr(kOriginal.size()), longer, kOriginal));
    EXPECT_EQ(kRecoveryKeepAside, Decide(longer.substr(0, longer.size() - 10), longer, kOriginal));
    // More than the program ever writes: not a journal of its own.
    EXPECT_EQ(kRecoveryUntrusted, Decide(kOriginal, kOriginal, kNew, kNew.size() - 1));
}

// Files larger than one write call: a kill stops between calls, where the file has grown to a
// call's end, and nowhere else.
TEST(JournalRecovery, AKilledWriteStopsOnlyAtTheEndOfACall)
{
    const std::string original(kRecoveryChunk + 100, 'o');
    const std::string written(3 * kRecoveryChunk, 'n');
    auto decide = [&](const std::string& file) { return Decide(file, original, written); };
    EXPECT_EQ(kRecoveryRollBack, decide(written.substr(0, 2 * kRecoveryChunk)));
    EXPECT_EQ(kRecoveryRollBack,
              decide(written.substr(0, kRecoveryChunk) + original.substr(kRecoveryChunk)));
    EXPECT_EQ(kRecoveryKeepAside, decide(written.substr(0, 2 * kRecoveryChunk + 1)));
}
