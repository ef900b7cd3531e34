// Profile settings accessor over GetPrivateProfileStringA / WritePrivateProfileStringA.
#include "core/ProfileFile.h"

#include <stdlib.h>

namespace {

const DWORD kValueBufferSize = 1024;
// Longest path the module name can have, terminator included.
const DWORD kLongestModulePath = 32768;

}  // namespace

CProfileFile::CProfileFile()
{
    CString strDir = GetModuleDir();
    if (AfxMbsCmp(strDir.Right(1), "\\") != 0)
        strDir += "\\";
    m_strProfilePath = strDir + "config.ini";
}

CString CProfileFile::GetModuleDir()
{
    // MAX_PATH serves almost always; a longer module path gets a larger buffer rather than being
    // cut, since a cut path names some other directory.
    // The buffer doubles up to the longest path there is, which is the last size tried.
    CString strPath;
    DWORD size = MAX_PATH;
    for (;;) {
        char* buffer = static_cast<char*>(calloc(size, 1));
        if (buffer == NULL)
            break;
        DWORD n = ::GetModuleFileNameA(NULL, buffer, size);
        BOOL bFits = n < size;  // a cut name fills the whole buffer
        if (bFits)
            strPath = buffer;
        free(buffer);
        if (bFits || size == kLongestModulePath)
            break;
        size = size < kLongestModulePath / 2 ? size * 2 : kLongestModulePath;
    }

    if (AfxMbsCmp(strPath.Right(1), "\\") == 0)
        return strPath;
    return strPath.Left(strPath.ReverseFind('\\') + 1);
}

CString CProfileFile::GetString(CString key, CString section)
{
    if (key.IsEmpty() || section.IsEmpty())
        return CString();

    char* buffer = static_cast<char*>(calloc(kValueBufferSize, 1));
    if (buffer == NULL)
        return CString();
    ::GetPrivateProfileStringA(section, key, "", buffer, kValueBufferSize, m_strProfilePath);
    CString value(buffer);
    free(buffer);
    return value;
}

int CProfileFile::SetString(CString value, CString key, CString section)
{
    if (!::WritePrivateProfileStringA(section, key, value, m_strProfilePath))
        return 1;
    return 0;
}
