// UpgradePatchCmd.exe: the patch without a window, for remote execution on many servers. The same
// procedure and texts as the dialog; the outcome goes to standard output or standard error and
// into the exit status.
#include <string.h>

#include "app/PatchMessages.h"
#include "app/PatchProcedure.h"
#include "core/InstallRecords.h"
#include "platform/ConsoleOutput.h"

namespace {

enum ConsoleExitCode
{
    kConsolePatched = 0,         // patched (with --dry-run: it would be)
    kConsoleNotInstalled = 1,    // no registration file: the product is not installed
    kConsoleNoInstallDir = 3,    // the install directory was not found
    kConsoleNoVersion = 4,       // the installed version could not be read
    kConsoleWriteFailed = 5,     // the registration file could not be written
    kConsoleUsage = 64,          // unknown argument; nothing was touched
};

// "Usage: UpgradePatchCmd.exe [--dry-run]" / "Patches the Quellor intrusion protection system for
// an overlay upgrade: writes the installed version and install directory into zbk.db in the system
// directory." / "--dry-run  check only, write nothing, show what would be written" / "/?, --help
// show this text" / "Exit codes: 0 success; 1 not installed; 3 install directory does not exist;
// 4 installed version unreadable; 5 writing the registration file failed; 64 bad argument"
const char kUsage[] =
    "\xD3\xC3\xB7\xA8\xA3\xBAUpgradePatchCmd.exe [--dry-run]\n"
    "\xCE\xAA Quellor\xA1\xA4\xC8\xEB\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3\xB5\xC4\xB8\xB2\xB8\xC7"
    "\xC9\xFD\xBC\xB6\xB4\xF2\xB2\xB9\xB6\xA1\xA3\xBA\xB0\xD1\xD2\xD1\xB0\xB2\xD7\xB0\xB5\xC4\xB0\xE6"
    "\xB1\xBE\xBA\xCD\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xD0\xB4\xC8\xEB\xCF\xB5\xCD\xB3\xC4\xBF\xC2\xBC"
    "\xD6\xD0\xB5\xC4 zbk.db\xA1\xA3\n"
    "  --dry-run   \xD6\xBB\xBC\xEC\xB2\xE9\xA3\xAC\xB2\xBB\xD0\xB4\xC8\xEB\xA3\xAC\xCF\xD4\xCA\xBE\xBD\xAB"
    "\xD2\xAA\xD0\xB4\xC8\xEB\xB5\xC4\xC4\xDA\xC8\xDD\n"
    "  /?, --help  \xCF\xD4\xCA\xBE\xB1\xBE\xCB\xB5\xC3\xF7\n"
    "\xCD\xCB\xB3\xF6\xC2\xEB\xA3\xBA" "0 \xB3\xC9\xB9\xA6\xA3\xBB" "1 \xCE\xB4\xB0\xB2\xD7\xB0\xC8\xEB"
    "\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3\xA3\xBB" "3 \xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xB2\xBB\xB4"
    "\xE6\xD4\xDA\xA3\xBB" "4 \xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xD2\xD1\xB0\xB2\xD7\xB0\xB5\xC4\xB0\xE6"
    "\xB1\xBE\xA3\xBB" "5 \xD7\xA2\xB2\xE1\xCE\xC4\xBC\xFE\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xBB"
    "64 \xB2\xCE\xCA\xFD\xB4\xED\xCE\xF3\n";

// "Dry run: the registration file was not changed. The patch would write:"
const char kDryRunHeader[] =
    "\xCA\xD4\xD4\xCB\xD0\xD0\xA3\xBA\xD7\xA2\xB2\xE1\xCE\xC4\xBC\xFE\xCE\xB4\xB1\xBB\xD0\xDE\xB8\xC4"
    "\xA1\xA3\xB2\xB9\xB6\xA1\xBD\xAB\xD0\xB4\xC8\xEB\xD2\xD4\xCF\xC2\xC4\xDA\xC8\xDD\xA3\xBA";

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
    return CString(kRegistrationVersionKey) + "=" + outcome.strVersion + "\n"
         + kRegistrationPathKey + "=" + outcome.strInstallDir + "\n"
         + outcome.strRegistrationPath + "\n";
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
