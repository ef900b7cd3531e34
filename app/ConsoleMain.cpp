// UpgradePatchCmd.exe: the patch without a window, for remote execution on many servers. The same
// procedure and texts as the dialog; the outcome goes to standard output or standard error and
// into the exit status.
#include <string.h>

#include "app/ExitCodes.h"
#include "app/PatchMessages.h"
#include "app/PatchProcedure.h"
#include "core/InstallRecords.h"
#include "platform/ConsoleOutput.h"

#include "PatchTexts.h"  // generated from PatchTexts.txt: code-page-936 bytes

namespace {

int ExitCodeOf(PatchResult result)
{
    switch (result) {
    case PATCH_APPLIED:
    case PATCH_UNCHANGED:
        return kExitPatched;
    case PATCH_NO_INSTALL_DIR:
        return kExitNoInstallDir;
    case PATCH_NO_VERSION:
        return kExitNoVersion;
    case PATCH_WRITE_FAILED:
    case PATCH_WRITE_BUSY:
        break;
    }
    return kExitWriteFailed;
}

// The values written (or to be written, or held already), one per line, then the registration
// file where the writes land.
void AppendWrittenValues(CConsoleText& text, const PatchOutcome& outcome)
{
    text.Own(kRegistrationVersionKey).Own("=").System(outcome.strVersion).Own("\n");
    text.Own(kRegistrationPathKey).Own("=").System(outcome.strInstallDir).Own("\n");
    text.System(outcome.strRegistrationPath).Own("\n");
}

// A dry run writes nothing: what the next run will do with a journal left by one cut short.
const RecoveryTexts kDryRunTexts = { kDryDropLine, kDryRestoreLine, kDryKeepAsideLine,
                                     kDryKeepAsideEnd };

CConsoleText MessageText(const PatchMessage& message)
{
    CConsoleText text;
    text.System(message.strSubject).Own(message.strOwnText).Own("\n");
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    // Every argument is checked before anything is touched.
    BOOL bDryRun = FALSE;
    BOOL bHelp = FALSE;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--dry-run") == 0) {
            bDryRun = TRUE;
        } else if (strcmp(argv[i], "/?") == 0 || strcmp(argv[i], "--help") == 0) {
            bHelp = TRUE;
        } else {
            WriteStdText(STD_ERROR_HANDLE, CConsoleText().Own(kUsage));
            return kExitUsage;
        }
    }
    if (bHelp) {
        WriteStdText(STD_OUTPUT_HANDLE, CConsoleText().Own(kUsage));
        return kExitPatched;
    }

    if (!FileExists(GetRegistrationFilePath())) {
        WriteStdText(STD_ERROR_HANDLE, MessageText(MissingProductMessage()));
        return kExitNotInstalled;
    }

    // The dialog rewrites the keys at every press; here a file that holds both already is left
    // alone, so that a rerun across a fleet reports nothing changed.
    PatchOutcome outcome = RunPatch(bDryRun ? &CheckRegistration : &UpdateRegistration);
    // What became of a journal left by a run that was cut short (in a dry run: what will), first.
    CString strNotice =
        RecoveryNotice(outcome.registration, bDryRun ? kDryRunTexts : kRecoveryTexts);
    if (!strNotice.IsEmpty())
        WriteStdText(STD_OUTPUT_HANDLE, CConsoleText().Own(strNotice).Own("\n"));
    if (outcome.result != PATCH_APPLIED && outcome.result != PATCH_UNCHANGED) {
        CConsoleText text = MessageText(OutcomeMessage(outcome));
        // No path at all, rather than one that does not exist: say which, for scripts.
        if (outcome.result == PATCH_NO_INSTALL_DIR && outcome.strInstallDir.IsEmpty())
            text.Own(kNoServiceLine).Own("\n");
        WriteStdText(STD_ERROR_HANDLE, text);
        return ExitCodeOf(outcome.result);
    }
    CConsoleText text;
    if (outcome.result == PATCH_UNCHANGED)
        text.Own(kUnchangedText).Own("\n");
    else if (bDryRun)
        text.Own(kDryRunHeader).Own("\n");
    else
        text = MessageText(OutcomeMessage(outcome));
    AppendWrittenValues(text, outcome);
    WriteStdText(STD_OUTPUT_HANDLE, text);
    return kExitPatched;
}
