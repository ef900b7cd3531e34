// Staging of service entries, directories and files for the tests.
#include "tests/support/Staging.h"

#include "tests/support/ExpectedTexts.h"

#include <stdio.h>

#include "platform/Handles.h"

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.IsValid())
        return false;
    DWORD written = 0;
    BOOL ok =
        bytes.empty()
        || ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.IsValid())
        return false;
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &got, NULL) && got > 0)
        bytes->append(buffer, got);
    return true;
}

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemovePath(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return ::DeleteFileA(path.c_str()) != 0;
    }
    std::string dir = path;
    if (dir.back() != '\\')
        dir += '\\';
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((dir + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name != "." && name != "..")
                RemovePath(dir + name);
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    return ::RemoveDirectoryA(dir.c_str()) != 0;
}

std::string SystemDirectory()
{
    char buffer[MAX_PATH] = { 0 };
    ::GetSystemDirectoryA(buffer, MAX_PATH);
    std::string dir = buffer;
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

std::string RegistrationFilePath()
{
    return SystemDirectory() + "zbk.db";
}

std::string RegistrationFileBytes()
{
    std::string bytes;
    ReadFileBytes(RegistrationFilePath(), &bytes);
    return bytes;
}

std::string LowerAsciiLetters(const std::string& path)
{
    std::string lower = path;
    for (size_t i = 0; i < lower.size(); ++i) {
        if (::IsDBCSLeadByteEx(936, static_cast<BYTE>(lower[i])) && i + 1 < lower.size())
            ++i;
        else if (lower[i] >= 'A' && lower[i] <= 'Z')
            lower[i] = static_cast<char>(lower[i] - 'A' + 'a');
    }
    return lower;
}

std::string NativeSystemDirectory()
{
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
        return SystemDirectory();
    // A 32-bit program reaches the real system32 through this alias.
    char windows[MAX_PATH] = { 0 };
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\Sysnative\\";
}

std::string ShownRegistrationFilePath()
{
    BOOL wow64 = FALSE;
    if (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64)
        return Wow64SystemDirectory() + "zbk.db";
    return RegistrationFilePath();
}

std::string Wow64SystemDirectory()
{
    char buffer[MAX_PATH] = { 0 };
    if (::GetSystemWow64DirectoryA(buffer, MAX_PATH) == 0)
        return std::string();
    return std::string(buffer) + "\\";
}

TempDir::TempDir(const std::string& leaf)
{
    char temp[MAX_PATH] = { 0 };
    ::GetTempPathA(MAX_PATH, temp);
    m_path = temp;
    if (m_path.empty() || m_path.back() != '\\')
        m_path += '\\';
    char unique[32];
    snprintf(unique, sizeof(unique), "patch%lu_", ::GetCurrentProcessId());
    m_path += unique;
    ::CreateDirectoryA(m_path.c_str(), NULL);
    m_path += leaf + "\\";
    ::CreateDirectoryA(m_path.c_str(), NULL);
}

TempDir::~TempDir()
{
    RemovePath(m_path);
    // The per-process parent goes too once it is empty.
    std::string parent = m_path.substr(0, m_path.find_last_of('\\', m_path.size() - 2));
    ::RemoveDirectoryA(parent.c_str());
}

std::string TempDir::MakeSubdir(const std::string& relative) const
{
    return MakeDirectories(m_path, relative);
}

std::string MakeDirectories(const std::string& base, const std::string& relative)
{
    std::string path = base;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos)
            end = relative.size();
        path += relative.substr(start, end - start) + "\\";
        ::CreateDirectoryA(path.c_str(), NULL);
        start = end + 1;
    }
    return path;
}

ScopedService::ScopedService(const std::string& name, const std::string& binaryPath) : m_name(name)
{
    ScHandle manager(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    if (!manager.IsValid()) {
        m_error = ::GetLastError();
        return;
    }
    // A service of that name left by an interrupted run would shadow the staged one.
    ScHandle stale(::OpenServiceA(manager.Get(), name.c_str(), DELETE));
    if (stale.IsValid())
        ::DeleteService(stale.Get());
    stale.Close();
    ScHandle service(::CreateServiceA(manager.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                      SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                      SERVICE_ERROR_IGNORE, binaryPath.c_str(), NULL, NULL, NULL,
                                      NULL, NULL));
    m_created = service.IsValid();
    if (!m_created)
        m_error = ::GetLastError();
}

ScopedService::~ScopedService()
{
    if (!m_created)
        return;
    ScHandle manager(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    ScHandle service(manager.IsValid() ? ::OpenServiceA(manager.Get(), m_name.c_str(), DELETE)
                                       : NULL);
    if (service.IsValid())
        ::DeleteService(service.Get());
}

ScopedRegistrationFile::ScopedRegistrationFile(Kind kind, const std::string& bytes,
                                               const std::string& path)
    : m_path(path)
{
    RemovePath(m_path);
    switch (kind) {
    case kAbsent:
        m_ok = !PathExists(m_path);
        break;
    case kFile:
        m_ok = WriteFileBytes(m_path, bytes);
        break;
    case kDirectory:
        m_ok = ::CreateDirectoryA(m_path.c_str(), NULL) != 0;
        break;
    }
}

ScopedRegistrationFile::~ScopedRegistrationFile()
{
    RemovePath(m_path);
}

UnwritableRegistrationFile::UnwritableRegistrationFile(Kind kind, const std::string& bytes)
    : m_kind(kind), m_file(kind == kDirectoryInstead ? ScopedRegistrationFile::kDirectory
                                                     : ScopedRegistrationFile::kFile,
                           bytes)
{
    if (kind == kHeldOpen)
        m_held.Reset(
            ::CreateFileA(m_file.path().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL));
    if (kind == kReadOnly)
        ::SetFileAttributesA(m_file.path().c_str(), FILE_ATTRIBUTE_READONLY);
}

UnwritableRegistrationFile::~UnwritableRegistrationFile()
{
    Release();  // before the file is removed
}

void UnwritableRegistrationFile::Release()
{
    m_held.Close();
    if (m_kind == kReadOnly)
        ::SetFileAttributesA(m_file.path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

const char* UnwritableRegistrationFile::Name(Kind kind)
{
    static const char* const names[] = { "a directory named like the file",
                                         "held open without sharing by another program",
                                         "read-only" };
    return names[kind];
}

std::string UnwritableRegistrationFile::FailureText(Kind kind)
{
    switch (kind) {
    case kDirectoryInstead:
        return expected::WriteFailed(expected::kFailureDenied, ERROR_ACCESS_DENIED);
    case kHeldOpen:
        return expected::WriteFailed(expected::kFailureHeld, ERROR_SHARING_VIOLATION);
    default:
        return expected::WriteFailed(expected::kFailureReadOnly, ERROR_ACCESS_DENIED);
    }
}

std::string AfterPlatformWrites(const std::string& original, const std::string& version,
                                const std::string& apppath)
{
    TempDir dir("expected");
    std::string copy = dir.path() + "zbk.db";
    WriteFileBytes(copy, original);
    ::WritePrivateProfileStringA("zbk", "version", version.c_str(), copy.c_str());
    ::WritePrivateProfileStringA("zbk", "apppath", apppath.c_str(), copy.c_str());
    std::string bytes;
    ReadFileBytes(copy, &bytes);
    return bytes;
}

std::string StagedInstallation::Format(const std::string& format, const std::string& dir)
{
    std::string result = format;
    size_t at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, dir);
    return result;
}

StagedInstallation::StagedInstallation(const std::string& installLeaf, const std::string& configIni,
                                       const std::string& binaryFormat)
    : m_root("install"), m_installDir(m_root.MakeSubdir(installLeaf)),
      m_service("zbk", Format(binaryFormat, m_installDir))
{
    WriteConfig(m_installDir, configIni);
}

void StagedInstallation::WriteConfig(const std::string& installDir, const std::string& configIni)
{
    if (!configIni.empty())
        WriteFileBytes(MakeDirectories(installDir, "iis") + "config.ini", configIni);
}

bool StagedInstallation::StageKept(const std::string& installDir, const std::string& configIni)
{
    MakeDirectories(installDir.substr(0, 3), installDir.substr(3));
    WriteConfig(installDir, configIni);
    ScopedService service("zbk", Format("\"%sQServer.exe\" -service", installDir));
    bool ok = service.created() && WriteFileBytes(installDir + "QServer.exe", "")
              && PathExists(installDir + "iis\\config.ini");
    service.Keep();
    return ok;
}

std::string StagedInstallation::lowerInstallDir() const
{
    return LowerAsciiLetters(m_installDir);
}
