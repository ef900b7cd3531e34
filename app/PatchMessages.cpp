// The message boxes of every outcome. Their texts are written in PatchTexts.txt.
#include "app/PatchMessages.h"

#include "PatchTexts.h"  // generated from PatchTexts.txt: code-page-936 bytes

PatchMessage MissingProductMessage()
{
    return PatchMessage{ CString(), kMissingProductText, kMissingProductCaption,
                         MB_OK | MB_ICONERROR };
}

PatchMessage OutcomeMessage(const PatchOutcome& outcome)
{
    switch (outcome.result) {
    case PATCH_APPLIED:
    case PATCH_UNCHANGED:
        return PatchMessage{ CString(), kSuccessText, kSuccessCaption, MB_OK | MB_ICONINFORMATION };
    case PATCH_NO_INSTALL_DIR:
        return PatchMessage{ outcome.strInstallDir, kMissingPathSuffix, kErrorCaption,
                             MB_OK | MB_ICONERROR };
    case PATCH_NO_VERSION:
        // The information icon, as on the success box.
        return PatchMessage{ CString(), kNoVersionText, kNoVersionCaption,
                             MB_OK | MB_ICONINFORMATION };
    case PATCH_WRITE_BUSY:
        return PatchMessage{ outcome.strRegistrationPath, kWriteBusySuffix, kErrorCaption,
                             MB_OK | MB_ICONERROR };
    case PATCH_WRITE_FAILED:
        break;
    }
    return PatchMessage{ outcome.strRegistrationPath, kWriteFailedSuffix, kErrorCaption,
                         MB_OK | MB_ICONERROR };
}
