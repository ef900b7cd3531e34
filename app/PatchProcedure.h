// The patch: find the installed product, read its version, record version and install directory
// in the registration file.
#pragma once

#include "core/RegistrationUpdate.h"
#include "platform/CString.h"

enum PatchResult
{
    PATCH_APPLIED,         // both keys written and verified (a check: the write could be made)
    PATCH_UNCHANGED,       // the registration file held both values already; nothing was written
    PATCH_NO_INSTALL_DIR,  // the service gave no path that exists
    PATCH_NO_VERSION,      // no valid version text in the product configuration file
    PATCH_WRITE_FAILED,    // the registration file could not be written; it is as it was
    PATCH_WRITE_BUSY,      // another run kept writing the registration file; it is as it was
};

struct PatchOutcome
{
    PatchResult result;
    // The install directory as far as the procedure got: as the service gave it when it does not
    // exist, otherwise with its trailing backslash (the value written as "apppath").
    CString strInstallDir;
    CString strVersion;  // the value written as "version"
    // The registration file as texts name it, once the procedure reached it: where the writes
    // really land (the 32-bit view of the system directory for a 32-bit program on 64-bit Windows).
    CString strRegistrationPath;
    // What the write step saw, once the procedure reached it: why it failed, and whether it first
    // rolled back a run that had been cut short.
    RegistrationReport registration = {};
};

// Runs the patch once, with the write step that the caller chooses (core/RegistrationUpdate.h):
// RewriteRegistration, UpdateRegistration, or CheckRegistration, which writes nothing.
// pszRecordDir: where the write step keeps the record of what it wrote, or NULL.
PatchOutcome RunPatch(RegistrationStep writeStep, const char* pszRecordDir = NULL);
