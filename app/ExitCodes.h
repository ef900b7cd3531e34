// Process exit statuses of both programs, for the scripts that start them. The usage text
// (kUsage in PatchTexts.txt), README.md, docs/fleet.md and docs/usage-zh.txt list them;
// tests/check-exit-statuses.py checks those lists against this file.
#pragma once

enum PatchExitCode
{
    kExitPatched = 0,          // both: patched; the console program also when nothing was left to
                               // write, and with --dry-run when it would be patched
    kExitNotInstalled = 1,     // both: no registration file, the product is not installed
    kExitClosedUnpatched = 2,  // dialog: the main dialog was closed without a successful patch
    kExitNoInstallDir = 3,     // console: the install directory was not found
    kExitNoVersion = 4,        // console: the installed version could not be read
    kExitWriteFailed = 5,      // console: the registration file was not written
    kExitChangedSince = 6,     // console: --restore found the file changed since the patch
    kExitUsage = 64,           // console: an unknown argument; nothing was touched
};
