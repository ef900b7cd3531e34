// UpgradePatchCmd.exe: the patch without a window, for remote execution on many servers. The same
// procedure and texts as the dialog; the outcome goes to standard output or standard error and
// into the exit status.
#include <string.h>

#include "app/PatchMessages.h"
#include "app/PatchProcedure.h"
#include "core/InstallRecords.h"
#include "platform/ConsoleOutput.h"

#include "PatchTexts.h"  // generated from PatchTexts.txt: code-page-936 bytes

namespace {

enum ConsoleExitCode
{
    kConsolePatched = 0,       // patched (with --dry-run: it would be)
    kConsoleNotInstalled = 1,  // no registration file: the product is not installed
    kConsoleNoInstallDir = 3,  // the install directory was not found
    kConsoleNoVersion = 4,     // the installed version could not be read
    kConsoleWriteFailed = 5,   // the registration file could not be written
    kConsoleUsage = 64,        // unknown argument; nothing was touched
};

int ExitCodeOf(PatchResult result)
{
    switch (result) {
    case PATCH_APPLIED:
        return kConsolePatched;
    case PATCH_NO_INSTALL_DIR:
        return kConsoleNoInstallDir;
    case PATCH_NO_VERSION:
        return kConsoleNoVersion;
    case PATCH_WRITE_FAILED:
        break;
    }
    return kConsoleWriteFailed;
}

// The values written (or to be written), one per line, then the registration file.
CString WrittenValues(const PatchOutcome& outcome)
{
    return CString(kRegistrationVersionKey) + "=" + outcome.strVersion + "\n" + kRegistrationPathKey
           + "=" + outcome.strInstallDir + "\n" + outcome.strRegistrationPath + "\n";
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
            AfxWriteStdText(STD_ERROR_HANDLE, kUsage);
            return kConsoleUsage;
        }
    }
    if (bHelp) {
        AfxWriteStdText(STD_OUTPUT_HANDLE, kUsage);
        return kConsolePatched;
    }

    if (!FileExists(GetSystemDir() + kRegistrationFileName)) {
        AfxWriteStdText(STD_ERROR_HANDLE, MissingProductMessage().strText + "\n");
        return kConsoleNotInstalled;
    }

    PatchOutcome outcome = RunPatch(!bDryRun);
    if (outcome.result != PATCH_APPLIED) {
        AfxWriteStdText(STD_ERROR_HANDLE, OutcomeMessage(outcome).strText + "\n");
        return ExitCodeOf(outcome.result);
    }
    CString strHeader = bDryRun ? CString(kDryRunHeader) : OutcomeMessage(outcome).strText;
    AfxWriteStdText(STD_OUTPUT_HANDLE, strHeader + "\n" + WrittenValues(outcome));
    return kConsolePatched;
}
