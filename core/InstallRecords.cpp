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

namespace {

// A directory path from a filled buffer, made a directory path by the trailing-backslash rule.
CString DirectoryPath(char (&buffer)[MAX_PATH])
{
    buffer[MAX_PATH - 1] = '\0';
    CString strDir(buffer);
    if (AfxMbsCmp(strDir.Right(1), "\\") != 0)
        strDir += "\\";
    return strDir;
}

}  // namespace

CString GetSystemDir()
{
    char buffer[MAX_PATH] = { 0 };
    ::GetSystemDirectoryA(buffer, MAX_PATH);  // on failure the buffer stays empty
    return DirectoryPath(buffer);
}

CString GetRegistrationFilePath()
{
    return GetSystemDir() + kRegistrationFileName;
}

CString GetRedirectedSystemDir()
{
#ifdef _WIN64
    return GetSystemDir();  // a 64-bit program is never redirected
#else
    // A 32-bit program is redirected exactly where the system has a 32-bit view: on 32-bit
    // Windows the query fails (ERROR_CALL_NOT_IMPLEMENTED), as it does on systems older than XP.
    char buffer[MAX_PATH] = { 0 };
    if (::GetSystemWow64DirectoryA(buffer, MAX_PATH) == 0)
        return GetSystemDir();
    return DirectoryPath(buffer);
#endif
}

int FileExists(const CString& strPath)
{
    if (strPath.IsEmpty())
        return 0;
    return ::GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}
