// Whole-file reads and writes through one handle.
#include "platform/WholeFile.h"

namespace {

// One call moves at most kLargestCall, so that a size always fits a DWORD.
DWORD NextCall(size_t nLeft)
{
    return nLeft < CWholeFile::kLargestCall ? static_cast<DWORD>(nLeft) : CWholeFile::kLargestCall;
}

}  // namespace

BOOL CWholeFile::Fail()
{
    return Fail(::GetLastError());
}

BOOL CWholeFile::Fail(DWORD dwError)
{
    // A call that failed without saying why still failed.
    m_dwError = dwError != ERROR_SUCCESS ? dwError : ERROR_GEN_FAILURE;
    return FALSE;
}

BOOL CWholeFile::Open(const char* pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition,
                      DWORD dwFlags, SECURITY_ATTRIBUTES* psa)
{
    m_dwError = ERROR_SUCCESS;
    m_file.Reset(::CreateFileA(pszPath, dwAccess, dwShare, psa, dwDisposition, dwFlags, NULL));
    return m_file.IsValid() || Fail();
}

BOOL CWholeFile::Size(ULONGLONG* pnSize)
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(m_file.Get(), &size))
        return Fail();
    *pnSize = static_cast<ULONGLONG>(size.QuadPart);
    return TRUE;
}

BOOL CWholeFile::Identify(FileIdentity* identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(m_file.Get(), &info))
        return Fail();
    identity->dwVolume = info.dwVolumeSerialNumber;
    identity->dwIndexHigh = info.nFileIndexHigh;
    identity->dwIndexLow = info.nFileIndexLow;
    identity->dwAttributes = info.dwFileAttributes;
    return TRUE;
}

BOOL CWholeFile::ReadAll(size_t nLargest, HeapBuffer* bytes, size_t* pnSize)
{
    LARGE_INTEGER size;
    LARGE_INTEGER start = {};
    if (!::GetFileSizeEx(m_file.Get(), &size)
        || !::SetFilePointerEx(m_file.Get(), start, NULL, FILE_BEGIN))
        return Fail();
    if (static_cast<ULONGLONG>(size.QuadPart) > nLargest)
        return Fail(ERROR_FILE_TOO_LARGE);
    size_t nSize = static_cast<size_t>(size.QuadPart);
    if (!bytes->Allocate(nSize + 1))
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    char* p = bytes->As<char>();
    for (size_t nDone = 0; nDone < nSize;) {
        DWORD dwGot = 0;
        if (!::ReadFile(m_file.Get(), p + nDone, NextCall(nSize - nDone), &dwGot, NULL))
            return Fail();
        if (dwGot == 0)  // the file grew shorter while it was read
            return Fail(ERROR_HANDLE_EOF);
        nDone += dwGot;
    }
    *pnSize = nSize;
    return TRUE;
}

BOOL CWholeFile::WriteAll(const void* pData, size_t nSize)
{
    const Piece whole = { pData, nSize };
    return WriteAll(&whole, 1);
}

BOOL CWholeFile::WriteAll(const Piece* pieces, size_t nPieces)
{
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(m_file.Get(), start, NULL, FILE_BEGIN))
        return Fail();
    for (size_t i = 0; i < nPieces; ++i) {
        const char* p = static_cast<const char*>(pieces[i].pData);
        for (size_t nDone = 0; nDone < pieces[i].nSize;) {
            DWORD dwPut = 0;
            if (!::WriteFile(m_file.Get(), p + nDone, NextCall(pieces[i].nSize - nDone), &dwPut,
                             NULL))
                return Fail();
            if (dwPut == 0)
                return Fail(ERROR_WRITE_FAULT);
            nDone += dwPut;
        }
    }
    // The file ends where the bytes end, and all of it is on disk before the caller goes on.
    if (!::SetEndOfFile(m_file.Get()) || !::FlushFileBuffers(m_file.Get()))
        return Fail();
    return TRUE;
}
