// The patch procedure, shared by every face of the program.
#include "app/PatchProcedure.h"

#include "core/InstallRecords.h"
#include "core/ProfileFile.h"
#include "core/ServiceQuery.h"

PatchOutcome RunPatch(BOOL bWrite)
{
    PatchOutcome outcome = { PATCH_NO_INSTALL_DIR, CString(), CString(), CString() };
    CServiceQuery query;

    // Any existing path passes here, and an empty one fails.
    outcome.strInstallDir = query.GetImagePath(kServiceName, 0);
    if (::GetFileAttributesA(outcome.strInstallDir) == INVALID_FILE_ATTRIBUTES)
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
    if (outcome.strVersion.GetLength() < 2 || outcome.strVersion.Find(".") < 0) {
        outcome.result = PATCH_NO_VERSION;
        return outcome;
    }

    outcome.strRegistrationPath = GetSystemDir() + kRegistrationFileName;
    outcome.result = PATCH_APPLIED;
    if (!bWrite)
        return outcome;
    profile.m_strProfilePath = outcome.strRegistrationPath;
    int nVersionWrite =
        profile.SetString(outcome.strVersion, kRegistrationVersionKey, kRegistrationSection);
    int nPathWrite =
        profile.SetString(outcome.strInstallDir, kRegistrationPathKey, kRegistrationSection);
    if (nVersionWrite != 0 || nPathWrite != 0)
        outcome.result = PATCH_WRITE_FAILED;
    return outcome;
}
