// The patch procedure, shared by every face of the program.
#include "app/PatchProcedure.h"

#include "core/InstallRecords.h"
#include "core/ProfileFile.h"
#include "core/ServiceQuery.h"

PatchOutcome RunPatch(RegistrationStep writeStep, const char* pszRecordDir)
{
    PatchOutcome outcome = { PATCH_NO_INSTALL_DIR, CString(), CString(), CString(), {} };
    CServiceQuery query;

    // Any existing path passes here, and an empty one fails. A control character (CR, LF, ...)
    // would put lines of its own into the registration file: such a path counts as missing.
    outcome.strInstallDir = query.GetImagePath(kServiceName, 0);
    if (HasControlBytes(outcome.strInstallDir)
        || ::GetFileAttributesA(outcome.strInstallDir) == INVALID_FILE_ATTRIBUTES)
        return outcome;
    if (AfxMbsCmp(outcome.strInstallDir.Right(1), "\\") != 0)
        outcome.strInstallDir += "\\";

    CProfileFile profile;
    profile.m_strProfilePath = outcome.strInstallDir + kConfigFileName;
    CString strWord1 = profile.GetString(kConfigVersionKey, kConfigSection);

    // "Word1" is a label, a blank, then the version: everything after the first blank counts.
    int nBlank = strWord1.Find(" ");
    if (nBlank >= 0)
        outcome.strVersion = strWord1.Right(strWord1.GetLength() - nBlank - 1);
    if (outcome.strVersion.GetLength() < 2 || outcome.strVersion.Find(".") < 0
        || HasControlBytes(outcome.strVersion)) {
        outcome.result = PATCH_NO_VERSION;
        return outcome;
    }

    outcome.strRegistrationPath = GetRedirectedSystemDir() + kRegistrationFileName;
    outcome.registration = writeStep(GetRegistrationFilePath(), outcome.strVersion,
                                     outcome.strInstallDir, pszRecordDir);
    switch (outcome.registration.result) {
    case REGISTRATION_WRITTEN:
    case REGISTRATION_WRITABLE:
        outcome.result = PATCH_APPLIED;
        break;
    case REGISTRATION_UNCHANGED:
        outcome.result = PATCH_UNCHANGED;
        break;
    case REGISTRATION_BUSY:
        outcome.result = PATCH_WRITE_BUSY;
        break;
    case REGISTRATION_FAILED:
        outcome.result = PATCH_WRITE_FAILED;
        break;
    }
    return outcome;
}
