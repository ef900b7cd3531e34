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

CString GetRedirectedSystemDir()
{
    // Looked up at run time: Windows XP before SP2 has no IsWow64Process.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    IsWow64ProcessFn isWow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL bWow64 = FALSE;
    char buffer[MAX_PATH] = { 0 };
    if (isWow64 == NULL || !isWow64(::GetCurrentProcess(), &bWow64) || !bWow64
        || ::GetSystemWow64DirectoryA(buffer, MAX_PATH) == 0)
        return GetSystemDir();
    return DirectoryPath(buffer);
}

int FileExists(const CString& strPath)
{
    if (strPath.IsEmpty())
        return 0;
    return ::GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}
