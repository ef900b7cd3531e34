// Names and places of the installed product's records, and the path helpers built on them.
#pragma once

#include "platform/CString.h"

// The product's Windows service; its binary path leads to the install directory.
extern const char kServiceName[];  // "zbk"
// Product configuration file, relative to the install directory, and the value read from it.
extern const char kConfigFileName[];    // "iis\\config.ini"
extern const char kConfigSection[];     // "System"
extern const char kConfigVersionKey[];  // "Word1": a label, a blank, then the version
// Registration file in the system directory, and the keys the patch writes into it.
extern const char kRegistrationFileName[];    // "zbk.db"
extern const char kRegistrationSection[];     // "zbk"
extern const char kRegistrationVersionKey[];  // "version"
extern const char kRegistrationPathKey[];     // "apppath"

// Directory paths end with a backslash: where a path is made a directory path, its last byte is
// compared with "\" and a backslash is appended when they differ. The comparison is by byte, so a
// double-byte character whose trail byte is 0x5C counts as a backslash there.

// The Windows system directory with a trailing backslash; "\" when the system cannot say.
CString GetSystemDir();

// The registration file: GetSystemDir() followed by "zbk.db".
CString GetRegistrationFilePath();

// Where file operations on GetSystemDir() really land, with a trailing backslash, for the texts
// that name a file there: a 32-bit program on 64-bit Windows is told "system32", and the system
// redirects its file operations there to the 32-bit view (SysWOW64). Elsewhere GetSystemDir().
CString GetRedirectedSystemDir();

// 1 when the path names an existing file or directory, else 0. An empty path is 0.
int FileExists(const CString& strPath);
