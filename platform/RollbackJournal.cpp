// The rollback journal: header, original bytes, new bytes.
#include "platform/RollbackJournal.h"

#include <string.h>

#include "platform/WholeFile.h"

namespace {

// The header: a mark naming the format, the lengths of the original and of the new bytes (64
// bits each, little-endian) and a checksum (32 bits) over the length fields and both runs.
const char kMark[8] = { 'Q', 'P', 'J', 'o', 'u', 'r', 'n', '2' };
const size_t kLengthsAt = sizeof(kMark);
const size_t kChecksumAt = kLengthsAt + 16;
const size_t kHeaderSize = kChecksumAt + 4;

void PutLittleEndian(unsigned char* p, ULONGLONG value, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

ULONGLONG GetLittleEndian(const unsigned char* p, int nBytes)
{
    ULONGLONG value = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

}  // namespace

DWORD CRollbackJournal::Checksum(const void* pData, size_t nSize, DWORD dwHash)
{
    const unsigned char* p = static_cast<const unsigned char*>(pData);
    for (size_t i = 0; i < nSize; ++i)
        dwHash = (dwHash ^ p[i]) * 16777619u;
    return dwHash;
}

BOOL CRollbackJournal::Save(const void* pOriginal, size_t nOriginal, const void* pNew, size_t nNew,
                            SECURITY_ATTRIBUTES* psa)
{
    unsigned char header[kHeaderSize];
    memcpy(header, kMark, sizeof(kMark));
    PutLittleEndian(header + kLengthsAt, nOriginal, 8);
    PutLittleEndian(header + kLengthsAt + 8, nNew, 8);
    DWORD dwSum =
        Checksum(pNew, nNew, Checksum(pOriginal, nOriginal, Checksum(header + kLengthsAt, 16)));
    PutLittleEndian(header + kChecksumAt, dwSum, 4);

    const CWholeFile::Piece pieces[] = { { header, kHeaderSize },
                                         { pOriginal, nOriginal },
                                         { pNew, nNew } };
    CWholeFile file;
    // A new file under a name of its own: others may read it meanwhile (a backup agent, a
    // scanner); no one else may change it.
    if (!file.Open(m_pszPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                   FILE_ATTRIBUTE_NORMAL, psa)) {
        m_dwError = file.Error();
        return FALSE;
    }
    if (file.WriteAll(pieces, 3))
        return TRUE;
    m_dwError = file.Error();
    file.Close();
    ::DeleteFileA(m_pszPath);
    return FALSE;
}

CRollbackJournal::State CRollbackJournal::Load(size_t nLargest, Contents* contents)
{
    if (::GetFileAttributesA(m_pszPath) == INVALID_FILE_ATTRIBUTES
        && (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND))
        return kNone;
    CWholeFile file;
    size_t nSize = 0;
    if (!file.Open(m_pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING)
        || !file.ReadAll(kHeaderSize + 2 * nLargest, &contents->buffer, &nSize)) {
        m_dwError = file.Error();
        // Larger than any file it could be for: not one of ours, written whole.
        return m_dwError == ERROR_FILE_TOO_LARGE ? kTorn : kUnreadable;
    }
    const unsigned char* p = contents->buffer.As<unsigned char>();
    if (nSize < kHeaderSize || memcmp(p, kMark, sizeof(kMark)) != 0)
        return kTorn;
    ULONGLONG nOriginal = GetLittleEndian(p + kLengthsAt, 8);
    ULONGLONG nNew = GetLittleEndian(p + kLengthsAt + 8, 8);
    if (nOriginal > nSize - kHeaderSize || nNew != nSize - kHeaderSize - nOriginal
        || GetLittleEndian(p + kChecksumAt, 4)
               != Checksum(p + kHeaderSize, nSize - kHeaderSize, Checksum(p + kLengthsAt, 16)))
        return kTorn;
    contents->pOriginal = reinterpret_cast<const char*>(p + kHeaderSize);
    contents->nOriginal = static_cast<size_t>(nOriginal);
    contents->pNew = contents->pOriginal + nOriginal;
    contents->nNew = static_cast<size_t>(nNew);
    return kWhole;
}

BOOL CRollbackJournal::Discard()
{
    if (::DeleteFileA(m_pszPath) || ::GetLastError() == ERROR_FILE_NOT_FOUND)
        return TRUE;
    m_dwError = ::GetLastError();
    // Still there: make it read as cut short, a few zero bytes in place of its header.
    static const char kZeros[sizeof(kMark)] = {};
    CWholeFile file;
    return file.Open(m_pszPath, GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING)
           && file.WriteAll(kZeros, sizeof(kZeros));
}
