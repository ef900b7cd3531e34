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

// A copy of a file's access list, for the files made beside it that hold its bytes: they give no
// more access than the file itself.
class CFileSecurity
{
public:
    CFileSecurity() : m_attributes() {}
    CFileSecurity(const CFileSecurity&) = delete;
    CFileSecurity& operator=(const CFileSecurity&) = delete;

    // FALSE, with the Windows error in *pdwError, when the file's access list cannot be read.
    BOOL Copy(const char* pszPath, DWORD* pdwError);
    SECURITY_ATTRIBUTES* Attributes() { return &m_attributes; }

private:
    HeapBuffer m_descriptor;
    SECURITY_ATTRIBUTES m_attributes;
};
