// Reads and writes single string values of an INI-format file through the profile functions.
#pragma once

#include "platform/CString.h"

class CProfileFile
{
public:
    // Points at "config.ini" beside the running executable until a caller assigns another path.
    CProfileFile();
    virtual ~CProfileFile() {}

    // Directory of the running executable, with its trailing backslash; empty when the module
    // path holds no backslash.
    CString GetModuleDir();

    // The value of key in section, at most 1023 bytes; empty when the file, section or key is
    // missing, and when key or section is empty.
    CString GetString(CString key, CString section);

    // Sets key in section to value, creating file, section and key as needed; other content stays.
    // 0 when the platform reports the write done, 1 when it reports a failure.
    int SetString(CString value, CString key, CString section);

    CString m_strProfilePath;  // the INI file that every read and write goes to
};
