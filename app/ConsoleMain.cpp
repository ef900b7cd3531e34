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

// The last line of standard output, for tools: "upgradepatch-result: " and one ASCII word. The
// texts for people stay as they are; scripts read this line instead of them.
int Finish(int nExitCode, const char* pszResult)
{
    WriteStdText(STD_OUTPUT_HANDLE,
                 CConsoleText().Own("upgradepatch-result: ").Own(pszResult).Own("\n"));
    return nExitCode;
}

const char* ResultWord(PatchResult result, BOOL bDryRun)
{
    switch (result) {
    case PATCH_APPLIED:
        return bDryRun ? "would-patch" : "patched";
    case PATCH_UNCHANGED:
        return "unchanged";
    case PATCH_NO_INSTALL_DIR:
        return "no-install-dir";
    case PATCH_NO_VERSION:
        return "no-version";
    case PATCH_WRITE_FAILED:
    case PATCH_WRITE_BUSY:
        break;
    }
    return "write-failed";
}

// What a run that was cut short left in a journal became (in a dry run: will become), first.
void SayRecovery(const RegistrationReport& report, BOOL bDryRun)
{
    CString strNotice = RecoveryNotice(report, bDryRun ? kDryRunTexts : kRecoveryTexts);
    if (!strNotice.IsEmpty())
        WriteStdText(STD_OUTPUT_HANDLE, CConsoleText().Own(strNotice).Own("\n"));
}

// --restore: the registration file kept before the patch, written back where the file still holds
// what the patch wrote.
int Restore(const char* pszKept, const char* pszPatched)
{
    PatchOutcome outcome = { PATCH_WRITE_FAILED,
                             CString(),
                             CString(),
                             GetRedirectedSystemDir() + kRegistrationFileName,
                             {} };
    outcome.registration = RestoreRegistration(GetRegistrationFilePath(), pszKept, pszPatched);
    SayRecovery(outcome.registration, FALSE);
    CConsoleText text;
    switch (outcome.registration.result) {
    case REGISTRATION_WRITTEN:
    case REGISTRATION_UNCHANGED: {
        BOOL bWritten = outcome.registration.result == REGISTRATION_WRITTEN;
        text.Own(bWritten ? kRestoredText : kRestoreUnchangedText).Own("\n");
        WriteStdText(STD_OUTPUT_HANDLE, text.System(outcome.strRegistrationPath).Own("\n"));
        return Finish(kExitPatched, bWritten ? "restored" : "unchanged");
    }
    case REGISTRATION_FAILED:
        if (outcome.registration.failure == REGISTRATION_CHANGED_SINCE) {
            text.System(outcome.strRegistrationPath).Own(kRestoreRefusedSuffix).Own("\n");
            WriteStdText(STD_ERROR_HANDLE, text);
            return Finish(kExitChangedSince, "refused");
        }
        break;
    case REGISTRATION_BUSY:
        outcome.result = PATCH_WRITE_BUSY;
        break;
    case REGISTRATION_WRITABLE:
        break;
    }
    WriteStdText(STD_ERROR_HANDLE, MessageText(OutcomeMessage(outcome)));
    return Finish(kExitWriteFailed, "write-failed");
}

}  // namespace

int main(int argc, char** argv)
{
    // Every argument is checked before anything is touched.
    BOOL bDryRun = FALSE;
    BOOL bHelp = FALSE;
    const char* pszKept = NULL;
    const char* pszPatched = NULL;
    const char* pszRecordDir = NULL;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--dry-run") == 0) {
            bDryRun = TRUE;
        } else if (strcmp(argv[i], "/?") == 0 || strcmp(argv[i], "--help") == 0) {
            bHelp = TRUE;
        } else if (strcmp(argv[i], "--record") == 0 && i + 1 < argc && pszRecordDir == NULL) {
            pszRecordDir = argv[++i];
        } else if (strcmp(argv[i], "--restore") == 0 && i + 2 < argc && pszKept == NULL) {
            pszKept = argv[++i];
            pszPatched = argv[++i];
        } else {
            WriteStdText(STD_ERROR_HANDLE, CConsoleText().Own(kUsage));
            return Finish(kExitUsage, "usage");
        }
    }
    if ((pszKept != NULL && bDryRun) || (pszRecordDir != NULL && (bDryRun || pszKept != NULL))) {
        WriteStdText(STD_ERROR_HANDLE, CConsoleText().Own(kUsage));
        return Finish(kExitUsage, "usage");
    }
    if (bHelp) {
        WriteStdText(STD_OUTPUT_HANDLE, CConsoleText().Own(kUsage));
        return kExitPatched;
    }

    if (!FileExists(GetRegistrationFilePath())) {
        WriteStdText(STD_ERROR_HANDLE, MessageText(MissingProductMessage()));
        return Finish(kExitNotInstalled, "not-installed");
    }
    if (pszKept != NULL)
        return Restore(pszKept, pszPatched);

    // The dialog rewrites the keys at every press; here a file that holds both already is left
    // alone, so that a rerun across a fleet reports nothing changed.
    PatchOutcome outcome =
        RunPatch(bDryRun ? &CheckRegistration : &UpdateRegistration, pszRecordDir);
    SayRecovery(outcome.registration, bDryRun);
    if (outcome.result != PATCH_APPLIED && outcome.result != PATCH_UNCHANGED) {
        CConsoleText text = MessageText(OutcomeMessage(outcome));
        // No path at all, rather than one that does not exist: say which, for scripts.
        if (outcome.result == PATCH_NO_INSTALL_DIR && outcome.strInstallDir.IsEmpty())
            text.Own(kNoServiceLine).Own("\n");
        WriteStdText(STD_ERROR_HANDLE, text);
        return Finish(ExitCodeOf(outcome.result), ResultWord(outcome.result, bDryRun));
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
    return Finish(kExitPatched, ResultWord(outcome.result, bDryRun));
}
