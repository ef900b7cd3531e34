// Product record names and the system-directory and existence helpers.
#include "core/InstallRecords.h"

const char kServiceName[] = "zbk";
const char kConfigFileName[] = "iis\\config.ini";
const char kConfigSection[] = "System";
const char kConfigVersionKey[] = "Word1";
const char kRegistrationFileName[] = "zbk.db";
const char kRegistrationSection[] = "zbk";
const char kRegistrationVersionKey[] = "version";
const char kRegistrationPathKey[] = "apppath";

CString GetSystemDir()
{
    char buffer[MAX_PATH] = { 0 };
    ::GetSystemDirectoryA(buffer, MAX_PATH);  // on failure the buffer stays empty
    buffer[MAX_PATH - 1] = '\0';

    CString strDir(buffer);
    if (AfxMbsCmp(strDir.Right(1), "\\") != 0)
        strDir += "\\";
    return strDir;
}

int FileExists(const CString& strPath)
{
    if (strPath.IsEmpty())
        return 0;
    return ::GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}
