// Finds where an installed Windows service lives on disk, from its binary path name.
#pragma once

#include "platform/CString.h"

class CServiceQuery
{
public:
    virtual ~CServiceQuery() {}

    // The service's executable path (keepFileName != 0) or the directory that holds it, with a
    // trailing backslash (keepFileName == 0), in lower case. Empty when the service cannot be
    // queried: no manager access, no such service, no access to it, or a configuration that does
    // not fit the 4096-byte query buffer.
    CString GetImagePath(CString serviceName, int keepFileName);
};
