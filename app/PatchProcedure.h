// The patch: find the installed product, read its version, record version and install directory
// in the registration file.
#pragma once

#include "platform/CString.h"

enum PatchResult
{
    PATCH_APPLIED,         // both keys written (or, in a dry run, both writes would be made)
    PATCH_NO_INSTALL_DIR,  // the service gave no path that exists
    PATCH_NO_VERSION,      // no valid version text in the product configuration file
    PATCH_WRITE_FAILED,    // the registration file could not be written
};

struct PatchOutcome
{
    PatchResult result;
    // The install directory as far as the procedure got: as the service gave it when it does not
    // exist, otherwise with its trailing backslash (the value written as "apppath").
    CString strInstallDir;
    CString strVersion;           // the value written as "version"
    CString strRegistrationPath;  // the registration file, once the procedure reached it
};

// Runs the patch once. With bWrite FALSE it does everything but the two writes.
PatchOutcome RunPatch(BOOL bWrite);
