// The message boxes of every outcome. Their texts are written in PatchTexts.txt.
#include "app/PatchMessages.h"

#include "core/InstallRecords.h"

#include "PatchTexts.h"  // generated from PatchTexts.txt: code-page-936 bytes

namespace {

const char* FailureText(RegistrationFailure failure)
{
    switch (failure) {
    case REGISTRATION_HELD:
        return kFailureHeld;
    case REGISTRATION_DENIED:
        return kFailureDenied;
    case REGISTRATION_READ_ONLY:
        return kFailureReadOnly;
    case REGISTRATION_DISK_FULL:
        return kFailureDiskFull;
    case REGISTRATION_NOT_KEPT:
        return kFailureNotKept;
    case REGISTRATION_TOO_LARGE:
        return kFailureTooLarge;
    case REGISTRATION_CHANGING:
        return kFailureChanging;
    case REGISTRATION_SIDE_DIRECTORY:
        return kFailureSideDirectory;
    case REGISTRATION_SIDE_PENDING:
        return kFailureSidePending;
    case REGISTRATION_SIDE_HELD:
        return kFailureSideHeld;
    case REGISTRATION_RESTORE_DIRECTORY:
        return kFailureRestoreDirectory;
    case REGISTRATION_RESTORE_SELF:
        return kFailureRestoreSelf;
    case REGISTRATION_MAPPED:
        return kFailureMapped;
    case REGISTRATION_REPLACED:
        return kFailureReplaced;
    case REGISTRATION_RECORD:
        return kFailureRecord;
    case REGISTRATION_NO_FAILURE:
    case REGISTRATION_CHANGED_SINCE:  // a restore's, said in its own words
    case REGISTRATION_OTHER:
        break;
    }
    return kFailureOther;
}

// What the write step saw: the cause, and the Windows error code in decimal when there was one.
CString WriteFailedText(const RegistrationReport& report)
{
    CString strText = kWriteFailedSuffix;
    strText += FailureText(report.failure);
    if (report.szSide[0] != '\0') {
        strText += kRegistrationFileName;
        strText += report.szSide;
    }
    if (report.dwError != ERROR_SUCCESS) {
        char szDigits[12];
        char* p = szDigits + sizeof(szDigits) - 1;
        *p = '\0';
        for (DWORD dw = report.dwError; dw != 0; dw /= 10)
            *--p = static_cast<char>('0' + dw % 10);
        strText += kWindowsErrorOpen;
        strText += p;
        strText += kWindowsErrorClose;
    }
    strText += kWriteFailedEnd;
    return strText;
}

}  // namespace

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
    return PatchMessage{ outcome.strRegistrationPath, WriteFailedText(outcome.registration),
                         kErrorCaption, MB_OK | MB_ICONERROR };
}

const RecoveryTexts kRecoveryTexts = { NULL, kRestoredLine, kKeptAsideLine, kKeptAsideEnd };

CString RecoveryNotice(const RegistrationReport& report, const RecoveryTexts& texts)
{
    CString strText;
    if (report.recovery == RECOVERY_DROPPED && texts.pszDropped != NULL) {
        strText = texts.pszDropped;
    } else if (report.recovery == RECOVERY_ROLLED_BACK) {
        strText = texts.pszRolledBack;
    } else if (report.recovery == RECOVERY_KEPT_ASIDE
               || report.recovery == RECOVERY_FAILED_KEPT_ASIDE) {
        BOOL bThisRun = report.recovery == RECOVERY_FAILED_KEPT_ASIDE;
        strText = bThisRun ? kFailedKeptAsideLine : texts.pszKeptAside;
        strText += kRegistrationFileName;
        strText += report.szKeptAside;
        strText += bThisRun ? kKeptAsideEnd : texts.pszKeptAsideEnd;
    }
    return strText;
}
