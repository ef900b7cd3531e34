// A file read or written whole through one handle: everything, or a failure with its Windows error.
// Callers above it never loop over ReadFile or WriteFile themselves.
#pragma once

#include "platform/Handles.h"

// Which file a handle has open, and its attributes, as the handle sees them.
struct FileIdentity
{
    DWORD dwVolume;
    DWORD dwIndexHigh;
    DWORD dwIndexLow;
    DWORD dwAttributes;
    BOOL IsSameFile(const FileIdentity& other) const
    {
        return dwVolume == other.dwVolume && dwIndexHigh == other.dwIndexHigh
               && dwIndexLow == other.dwIndexLow;
    }
};

class CWholeFile
{
public:
    // The most that one read or write call moves.
    static const DWORD kLargestCall = 1024 * 1024;

    CWholeFile() : m_dwError(ERROR_SUCCESS) {}
    CWholeFile(const CWholeFile&) = delete;
    CWholeFile& operator=(const CWholeFile&) = delete;

    // CreateFileA with these arguments. FALSE, with Error() set, when the file cannot be opened.
    // A file that is made gets the security descriptor of psa, where given.
    BOOL Open(const char* pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition,
              DWORD dwFlags = FILE_ATTRIBUTE_NORMAL, SECURITY_ATTRIBUTES* psa = NULL);
    // Every byte of the file, from its start, followed by one zero byte in the buffer that
    // *pnSize does not count. FALSE when the file is larger than nLargest or cannot be read whole.
    BOOL ReadAll(size_t nLargest, HeapBuffer* bytes, size_t* pnSize);
    // Makes the file exactly these bytes, from its start, and flushes it to disk. The file keeps
    // its identity: it is changed in place, never replaced.
    BOOL WriteAll(const void* pData, size_t nSize);
    // The same with the bytes in pieces, one after the other.
    struct Piece
    {
        const void* pData;
        size_t nSize;
    };
    BOOL WriteAll(const Piece* pieces, size_t nPieces);
    // Closes the handle; closing twice is harmless.
    void Close() { m_file.Close(); }

    // The file's size; FALSE, with Error() set, when it cannot be had.
    BOOL Size(ULONGLONG* pnSize);
    // Volume, index and attributes of the open file; FALSE, with Error() set, when they cannot be had.
    BOOL Identify(FileIdentity* identity);
    BOOL IsOpen() const { return m_file.IsValid(); }
    // The Windows error of the last call that failed, ERROR_SUCCESS when none did.
    DWORD Error() const { return m_dwError; }

private:
    BOOL Fail();
    BOOL Fail(DWORD dwError);

    KernelHandle m_file;
    DWORD m_dwError;
};
