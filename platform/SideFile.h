// Files a program keeps beside a file it writes, under names of its own, and what may stand under
// those names when a run comes to them: a file a crash left, made read-only, hidden or system by
// somebody; a directory; a file whose deletion is still pending because another program holds it.
#pragma once

#include "platform/Handles.h"

enum SideFileState
{
    kSideClear,      // nothing there, or a plain file of ours that may be replaced or deleted
    kSideDirectory,  // a directory stands under the name
    kSidePending,    // a file whose deletion is pending: every open answers access denied until
                     // the last program that holds it lets go
    kSideFailed,     // its attributes cannot be read or cleared; *pdwError says why
};

// Makes a side path ready to be created, replaced or deleted. A file there is the program's own:
// the read-only, hidden and system attributes are cleared, since CreateFileA refuses to replace
// a file that has them and DeleteFileA to delete a read-only one.
SideFileState ClearSideFile(const char* pszPath, DWORD* pdwError);

// What stands under a name to which an open answered access denied: a directory, a file whose
// deletion is pending (its attributes cannot be read either), a read-only file (cleared, so that
// the caller may try once more), or none of these (kSideFailed with ERROR_ACCESS_DENIED: this
// account may not open or create it).
SideFileState WhyDenied(const char* pszPath, BOOL* pbCleared, DWORD* pdwError);

// The security of the files made beside the file that hold its bytes (the journal, the scratch
// copies, the kept copies, a record): an access list of their own, protected from the directory's
// inheritable entries, that lets in SYSTEM and the Administrators group alone. A copy of the
// file's own list would not do: CreateFile applies the directory's inheritable entries to a given
// descriptor that is not protected, and a list that denies the Administrators the right to delete
// would leave the run unable to remove what it made.
class CSideSecurity
{
public:
    CSideSecurity() : m_attributes() {}
    CSideSecurity(const CSideSecurity&) = delete;
    CSideSecurity& operator=(const CSideSecurity&) = delete;

    // FALSE, with the Windows error in *pdwError, when the descriptor cannot be made.
    BOOL Make(DWORD* pdwError);
    SECURITY_ATTRIBUTES* Attributes() { return &m_attributes; }

private:
    LocalBuffer m_descriptor;
    SECURITY_ATTRIBUTES m_attributes;
};

// The files (not directories) whose names begin with a path's last part, in its directory: the
// side files of one kind, whatever a run added to their names.
class CSideFiles
{
public:
    // pszPrefix: a full path, such as the journal's path without its run's own part.
    explicit CSideFiles(const char* pszPrefix);
    ~CSideFiles();
    CSideFiles(const CSideFiles&) = delete;
    CSideFiles& operator=(const CSideFiles&) = delete;

    // The next such file's full path; FALSE when there is none left (or the name would not fit).
    BOOL Next(char (&szPath)[MAX_PATH]);

private:
    HANDLE m_hFind;
    WIN32_FIND_DATAA m_found;
    BOOL m_bHaveFound;
    size_t m_nDir;     // the directory's part of the prefix, with its backslash
    size_t m_nPrefix;  // the whole prefix
    char m_szPattern[MAX_PATH];
};
