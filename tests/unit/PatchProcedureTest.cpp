// The version rule of the patch procedure, in this process.
#include <gtest/gtest.h>

#include <string>

#include "app/PatchProcedure.h"
#include "tests/support/Staging.h"

// Which values of Word1 give a version, and which version: the procedure in this process, with
// the form of the write step that writes nothing.
TEST(PatchProcedure, Word1Values)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, "[zbk]\r\n");
    const struct
    {
        const char* word1;    // nullptr: no configuration file at all
        const char* version;  // nullptr: no valid version
    } rows[] = {
        { "V 1.8.0", "1.8.0" },  { "Label 2 .5", "2 .5" },  // everything after the first blank
        { "V .5", ".5" },                                   // two bytes with a dot
        { "V 1.", "1." },        { "1.8.0", nullptr },      // no blank
        { "V1.0 185", nullptr },  // the dot before the blank does not count
        { "V 1", nullptr },      { "V 185", nullptr },     { "", nullptr }, { nullptr, nullptr },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word1 != nullptr ? row.word1 : "no configuration file");
        StagedInstallation installation("Quellor",
                                        row.word1 != nullptr ? ConfigIni(row.word1) : "");
        ASSERT_TRUE(installation.ok());
        PatchOutcome outcome = RunPatch(&CheckRegistration);
        EXPECT_EQ(row.version != nullptr ? PATCH_APPLIED : PATCH_NO_VERSION, outcome.result);
        if (row.version != nullptr) {
            EXPECT_EQ(row.version, std::string(outcome.strVersion));
        }
    }
}
