// The rollback journal: header, bytes, checksum.
#include "platform/RollbackJournal.h"

#include <string.h>

#include "platform/WholeFile.h"

namespace {

// The header: a mark naming the format, the length of the bytes (64 bits, little-endian) and a
// checksum (32 bits) over the length field and the bytes.
const char kMark[8] = { 'Q', 'P', 'J', 'o', 'u', 'r', 'n', '1' };
const size_t kLengthAt = sizeof(kMark);
const size_t kChecksumAt = kLengthAt + 8;
const size_t kHeaderSize = kChecksumAt + 4;

// FNV-1a: a torn or zero-filled journal does not match its header.
DWORD Checksum(const unsigned char* p, size_t n, DWORD dwHash = 2166136261u)
{
    for (size_t i = 0; i < n; ++i)
        dwHash = (dwHash ^ p[i]) * 16777619u;
    return dwHash;
}

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

BOOL CRollbackJournal::Save(const void* pData, size_t nSize)
{
    HeapBuffer journal;
    if (!journal.Allocate(kHeaderSize + nSize)) {
        m_dwError = ERROR_NOT_ENOUGH_MEMORY;
        return FALSE;
    }
    unsigned char* p = journal.As<unsigned char>();
    memcpy(p, kMark, sizeof(kMark));
    PutLittleEndian(p + kLengthAt, nSize, 8);
    memcpy(p + kHeaderSize, pData, nSize);
    DWORD dwSum = Checksum(p + kHeaderSize, nSize, Checksum(p + kLengthAt, 8));
    PutLittleEndian(p + kChecksumAt, dwSum, 4);

    CWholeFile file;
    if (file.Open(m_pszPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS)
        && file.WriteAll(p, kHeaderSize + nSize))
        return TRUE;
    m_dwError = file.Error();
    file.Close();
    ::DeleteFileA(m_pszPath);
    return FALSE;
}

CRollbackJournal::State CRollbackJournal::Load(size_t nLargest, HeapBuffer* bytes, size_t* pnSize)
{
    if (::GetFileAttributesA(m_pszPath) == INVALID_FILE_ATTRIBUTES
        && (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND))
        return kNone;
    CWholeFile file;
    HeapBuffer journal;
    size_t nSize = 0;
    if (!file.Open(m_pszPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
        || !file.ReadAll(kHeaderSize + nLargest, &journal, &nSize)) {
        m_dwError = file.Error();
        // Larger than any file it could be for: not one of ours, written whole.
        return m_dwError == ERROR_FILE_TOO_LARGE ? kTorn : kUnreadable;
    }
    const unsigned char* p = journal.As<unsigned char>();
    if (nSize < kHeaderSize || memcmp(p, kMark, sizeof(kMark)) != 0
        || GetLittleEndian(p + kLengthAt, 8) != nSize - kHeaderSize
        || GetLittleEndian(p + kChecksumAt, 4)
               != Checksum(p + kHeaderSize, nSize - kHeaderSize, Checksum(p + kLengthAt, 8)))
        return kTorn;
    // The original bytes in place of the header, with the buffer's zero byte after them.
    memmove(journal.As<char>(), p + kHeaderSize, nSize - kHeaderSize + 1);
    *bytes = static_cast<HeapBuffer&&>(journal);
    *pnSize = nSize - kHeaderSize;
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
