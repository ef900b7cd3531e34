// The texts, captions and icons of every outcome of the patch.
#include <gtest/gtest.h>

#include <string>

#include "app/PatchMessages.h"
#include "tests/support/ExpectedTexts.h"

// Every outcome's text, caption and icon; each road also runs end to end once per program
// (PatchProgram, ConsoleProgram).
TEST(PatchMessages, EveryOutcomeHasItsTextCaptionAndIcon)
{
    const std::string file = "C:\\windows\\system32\\zbk.db";
    const UINT kError = MB_OK | MB_ICONERROR;
    const UINT kInformation = MB_OK | MB_ICONINFORMATION;  // the unreadable version too
    const struct
    {
        PatchResult result;
        RegistrationReport registration;
        std::string text;
        const char* caption;
        UINT type;
    } rows[] = {
        { PATCH_APPLIED, {}, expected::kSuccessText, expected::kSuccessCaption, kInformation },
        { PATCH_UNCHANGED, {}, expected::kSuccessText, expected::kSuccessCaption, kInformation },
        // The install directory as the service gave it.
        { PATCH_NO_INSTALL_DIR,
          {},
          std::string("d:\\\x88\x41\\") + expected::kMissingPathSuffix,
          expected::kErrorCaption,
          kError },
        { PATCH_NO_VERSION,
          {},
          expected::kNoVersionText,
          expected::kNoVersionCaption,
          kInformation },
        { PATCH_WRITE_FAILED,
          { REGISTRATION_FAILED, REGISTRATION_HELD, ERROR_LOCK_VIOLATION, RECOVERY_NONE, {}, {} },
          file + expected::WriteFailed(expected::kFailureHeld, ERROR_LOCK_VIOLATION),
          expected::kErrorCaption,
          kError },
        { PATCH_WRITE_FAILED,
          { REGISTRATION_FAILED, REGISTRATION_READ_ONLY, 0, RECOVERY_NONE, {}, {} },
          file + expected::WriteFailed(expected::kFailureReadOnly, 0),
          expected::kErrorCaption,
          kError },
        { PATCH_WRITE_BUSY,
          {},
          file + expected::kWriteBusySuffix,
          expected::kErrorCaption,
          kError },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        PatchOutcome outcome = { row.result, "d:\\\x88\x41\\", "1.9.0", file.c_str(),
                                 row.registration };
        PatchMessage m = OutcomeMessage(outcome);
        EXPECT_EQ(row.text, std::string(m.Text()));
        EXPECT_STREQ(row.caption, m.pszCaption);
        EXPECT_EQ(row.type, m.nType);
    }
    PatchMessage m = MissingProductMessage();
    EXPECT_EQ(expected::kNotInstalledText, std::string(m.Text()));
    EXPECT_STREQ(expected::kNotInstalledCaption, m.pszCaption);
    EXPECT_EQ(kError, m.nType);
}
