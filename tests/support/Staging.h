// Stages what an installed product leaves on a machine: service entries, directories, INI files,
// the registration file. Every object removes what it made when it goes away.
#pragma once

#include <string>

#include "platform/Handles.h"
#include "platform/Win32.h"

// Whole-file helpers; paths and contents are ANSI (code page 936) bytes.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool ReadFileBytes(const std::string& path, std::string* bytes);
bool PathExists(const std::string& path);
// Deletes a file or a directory tree; true when nothing is left.
bool RemovePath(const std::string& path);

// The Windows system directory, with a trailing backslash, and the registration file in it.
// A 32-bit program under 64-bit Windows is told "system32" and lands in the 32-bit view, syswow64.
std::string SystemDirectory();
std::string RegistrationFilePath();
// The path with the single-byte letters A-Z lowered, as the program records an install directory
// (double-byte characters of code page 936 stay as they are).
std::string LowerAsciiLetters(const std::string& path);

// Both views of the system directory by their real names, whichever this program's architecture:
// the 64-bit view (system32) and the 32-bit view (syswow64); empty when the system has no such view.
std::string NativeSystemDirectory();
std::string Wow64SystemDirectory();
// The registration file as the programs name it in their texts: where this build's writes land
// (syswow64 for a 32-bit program on 64-bit Windows, else the system directory).
std::string ShownRegistrationFilePath();
// The registration file's bytes; empty when it cannot be read.
std::string RegistrationFileBytes();

// The registration file after the patch must equal what the platform makes of the same file with
// the same two writes: every other section, key and comment survives as the profile functions
// keep it.
std::string AfterPlatformWrites(const std::string& original, const std::string& version,
                                const std::string& apppath);

// Creates the directories of relative ("a\\b\\c") below base (which ends with a backslash);
// returns the full path with a backslash.
std::string MakeDirectories(const std::string& base, const std::string& relative);

// A fresh directory under the temporary directory, removed with all its content.
class TempDir
{
public:
    // leaf: the directory name (may hold double-byte characters); made unique per process.
    explicit TempDir(const std::string& leaf);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }  // ends with a backslash
    // Creates sub-directories below this one ("a\\b\\c"); returns the full path with a backslash.
    std::string MakeSubdir(const std::string& relative) const;

private:
    std::string m_path;
};

// A service registered with the service control manager, deleted again by the destructor.
class ScopedService
{
public:
    ScopedService(const std::string& name, const std::string& binaryPath);
    ~ScopedService();
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

    bool created() const { return m_created; }
    DWORD error() const { return m_error; }
    // Leaves the service registered when the object goes away.
    void Keep() { m_created = false; }

private:
    std::string m_name;
    bool m_created = false;
    DWORD m_error = 0;
};

// The registration file in the system directory (or at path): created with the given bytes (or
// as a directory), restored to absent by the destructor.
class ScopedRegistrationFile
{
public:
    enum Kind
    {
        kAbsent,
        kFile,
        kDirectory
    };
    explicit ScopedRegistrationFile(Kind kind, const std::string& bytes = std::string(),
                                    const std::string& path = RegistrationFilePath());
    ~ScopedRegistrationFile();
    ScopedRegistrationFile(const ScopedRegistrationFile&) = delete;
    ScopedRegistrationFile& operator=(const ScopedRegistrationFile&) = delete;

    const std::string& path() const { return m_path; }
    bool ok() const { return m_ok; }

private:
    std::string m_path;
    bool m_ok = false;
};

// A registration file in the system directory that cannot be written, in one of the ways an
// administrator meets: a directory in its place, the file held open without sharing by another
// program, or a read-only file. The file holds the given bytes. Restored to absent by the
// destructor.
class UnwritableRegistrationFile
{
public:
    enum Kind
    {
        kDirectoryInstead,
        kHeldOpen,
        kReadOnly,
        kKinds
    };
    UnwritableRegistrationFile(Kind kind, const std::string& bytes);
    ~UnwritableRegistrationFile();
    UnwritableRegistrationFile(const UnwritableRegistrationFile&) = delete;
    UnwritableRegistrationFile& operator=(const UnwritableRegistrationFile&) = delete;

    bool ok() const { return m_file.ok() && (m_kind != kHeldOpen || m_held.IsValid()); }
    static const char* Name(Kind kind);
    // What the programs say of it, after the file's path: the cause and the Windows error.
    static std::string FailureText(Kind kind);
    // Lets the file go (closed by the other program, no longer read-only), so that it can be read.
    void Release();

private:
    Kind m_kind;
    ScopedRegistrationFile m_file;
    KernelHandle m_held;
};

// The product configuration file's bytes with the given "Word1" value.
inline std::string ConfigIni(const std::string& word1)
{
    return "[System]\r\nWord1=" + word1 + "\r\n";
}

// A product installation: the service "zbk" pointing at an executable in the install directory,
// and the product configuration file iis\config.ini with the given contents.
class StagedInstallation
{
public:
    // installLeaf: name of the install directory (double-byte names allowed).
    // configIni: bytes of iis\config.ini; empty string: no configuration file at all.
    // binaryFormat: the service's binary path, "%s" standing for the install directory
    //   (which ends with a backslash), e.g. "\"%sSERVER.EXE\" -service".
    StagedInstallation(const std::string& installLeaf, const std::string& configIni,
                       const std::string& binaryFormat = "\"%sQServer.EXE\" -service");

    bool ok() const { return m_service.created(); }
    const std::string& installDir() const { return m_installDir; }  // as staged, with backslash
    std::string lowerInstallDir() const;  // what the program records: A-Z lowered

    // The same installation at a fixed directory (absolute, with its trailing backslash), left
    // in place with the service registered: the demo's sample installation. true when all is there.
    static bool StageKept(const std::string& installDir, const std::string& configIni);

private:
    static std::string Format(const std::string& format, const std::string& dir);
    static void WriteConfig(const std::string& installDir, const std::string& configIni);

    TempDir m_root;
    std::string m_installDir;
    ScopedService m_service;
};
