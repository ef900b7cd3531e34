// Message texts, stored as code page 936 bytes; the comment above each gives its meaning.
#include "app/PatchMessages.h"

const char kDownloadAddress[] = "https://www.quellor.cn/download/";

namespace {

// "You have not installed [Quellor intrusion protection system]; you can download the
// installation package directly from " <address> " and install it."
const char kMissingProductBefore[] =
    "\xC4\xFA\xC3\xBB\xD3\xD0\xB0\xB2\xD7\xB0\xA1\xBEQuellor\xA1\xA4\xC8\xEB\xC7\xD6\xB7\xC0"
    "\xBB\xA4\xCF\xB5\xCD\xB3\xA1\xBF\xA3\xAC\xC4\xFA\xBF\xC9\xD2\xD4\xD6\xB1\xBD\xD3\xB4\xD3 ";
const char kMissingProductAfter[] =
    " \xCF\xC2\xD4\xD8\xB0\xB2\xD7\xB0\xB0\xFC\xB0\xB2\xD7\xB0\xA1\xA3";
// "Operation error"
const char kMissingProductCaption[] = "\xB2\xD9\xD7\xF7\xB4\xED\xCE\xF3";

// <install directory> " does not exist, obtaining it failed; uninstall, then install again."
const char kMissingPathSuffix[] =
    " \xB2\xBB\xB4\xE6\xD4\xDA\xA3\xAC\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xD0\xB6"
    "\xD4\xD8\xBA\xF3\xD4\xD9\xB0\xB2\xD7\xB0\xA1\xA3";
// "Error"
const char kErrorCaption[] = "\xB4\xED\xCE\xF3";

// "Patch update complete!" LF LF "You can now complete the upgrade by installing over it."
const char kSuccessText[] =
    "\xB2\xB9\xB6\xA1\xB8\xFC\xD0\xC2\xCD\xEA\xB1\xCF\xA3\xA1\n\n"
    "\xCF\xD6\xD4\xDA\xC4\xFA\xBF\xC9\xD2\xD4\xB2\xC9\xD3\xC3\xB8\xB2\xB8\xC7\xB0\xB2\xD7\xB0"
    "\xB5\xC4\xB7\xBD\xCA\xBD\xA3\xAC\xCD\xEA\xB3\xC9\xC9\xFD\xBC\xB6\xA1\xA3";
// "Congratulations"
const char kSuccessCaption[] = "\xB9\xA7\xCF\xB2";

// "Obtaining the earlier version failed; if the intrusion protection system was installed
// before, uninstall it first, then install the new intrusion protection system" (no full stop)
const char kNoVersionText[] =
    "\xC0\xFA\xCA\xB7\xB0\xE6\xB1\xBE\xD0\xC5\xCF\xA2\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xAC"
    "\xC8\xE7\xB9\xFB\xC4\xFA\xD6\xAE\xC7\xB0\xD2\xD1\xBE\xAD\xB0\xB2\xD7\xB0\xC1\xCB\xC8\xEB"
    "\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3\xA3\xAC\xC7\xEB\xCF\xC8\xD0\xB6\xD4\xD8\xA3\xAC"
    "\xD4\xD9\xB0\xB2\xD7\xB0\xD0\xC2\xB5\xC4\xC8\xEB\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3";
// "Something went wrong"
const char kNoVersionCaption[] = "\xB3\xF6\xB4\xED";

// <registration file> " could not be written; run this program as administrator and try again."
const char kWriteFailedSuffix[] =
    " \xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xD2\xD4\xB9\xDC\xC0\xED\xD4\xB1\xC9\xED"
    "\xB7\xDD\xD4\xCB\xD0\xD0\xB1\xBE\xB3\xCC\xD0\xF2\xBA\xF3\xD6\xD8\xCA\xD4\xA1\xA3";

}  // namespace

PatchMessage MissingProductMessage()
{
    return PatchMessage{ CString(kMissingProductBefore) + kDownloadAddress + kMissingProductAfter,
                         kMissingProductCaption, MB_OK | MB_ICONERROR };
}

PatchMessage OutcomeMessage(const PatchOutcome& outcome)
{
    switch (outcome.result) {
    case PATCH_APPLIED:
        return PatchMessage{ CString(kSuccessText), kSuccessCaption, MB_OK | MB_ICONINFORMATION };
    case PATCH_NO_INSTALL_DIR:
        return PatchMessage{ outcome.strInstallDir + kMissingPathSuffix, kErrorCaption,
                             MB_OK | MB_ICONERROR };
    case PATCH_NO_VERSION:
        // The information icon, as on the success box.
        return PatchMessage{ CString(kNoVersionText), kNoVersionCaption,
                             MB_OK | MB_ICONINFORMATION };
    case PATCH_WRITE_FAILED:
        break;
    }
    return PatchMessage{ outcome.strRegistrationPath + kWriteFailedSuffix, kErrorCaption,
                         MB_OK | MB_ICONERROR };
}
