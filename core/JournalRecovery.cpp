// The recovery decision: which writer left the file as it stands.
#include "core/JournalRecovery.h"

#include <string.h>

namespace {

bool Same(const char* p, size_t n, const char* q, size_t m)
{
    return n == m && memcmp(p, q, n) == 0;
}

bool IsZeros(const char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

// [nAt, nEnd) holds the original bytes there, the new bytes there, or, where a write made the file
// longer, zeros.
bool IsOurs(const char* pFile, size_t nAt, size_t nEnd, const char* pOriginal, size_t nOriginal,
            const char* pNew, size_t nNew)
{
    const char* p = pFile + nAt;
    size_t n = nEnd - nAt;
    return (nEnd <= nOriginal && memcmp(p, pOriginal + nAt, n) == 0)
           || (nEnd <= nNew && memcmp(p, pNew + nAt, n) == 0)
           || (nAt >= (nOriginal < nNew ? nOriginal : nNew) && IsZeros(p, n));
}

// The next place at which what the file holds may change from one side to the other: a sector's
// end, or the end of one of the two.
size_t NextBoundary(size_t nAt, size_t nOriginal, size_t nNew)
{
    size_t nEnd = (nAt / kRecoverySector + 1) * kRecoverySector;
    if (nAt < nOriginal && nOriginal < nEnd)
        nEnd = nOriginal;
    if (nAt < nNew && nNew < nEnd)
        nEnd = nNew;
    return nEnd;
}

}  // namespace

bool IsLengthOurs(size_t nFile, size_t nOriginal, size_t nNew)
{
    size_t nShortest = nOriginal < nNew ? nOriginal : nNew;
    size_t nLongest = nOriginal < nNew ? nNew : nOriginal;
    return nFile == nOriginal || nFile == nNew
           || (nFile > nShortest && nFile < nLongest && nFile % kRecoveryChunk == 0);
}

JournalRecovery DecideRecovery(const char* pFile, size_t nFile, const char* pOriginal,
                               size_t nOriginal, const char* pNew, size_t nNew, size_t nLargest)
{
    if (nOriginal > nLargest || nNew > nLargest)
        return kRecoveryUntrusted;
    if (Same(pFile, nFile, pOriginal, nOriginal))
        return kRecoveryUnchanged;
    if (Same(pFile, nFile, pNew, nNew))
        return kRecoveryWhole;
    if (!IsLengthOurs(nFile, nOriginal, nNew))
        return kRecoveryKeepAside;
    for (size_t nAt = 0; nAt < nFile;) {
        size_t nEnd = NextBoundary(nAt, nOriginal, nNew);
        if (nEnd > nFile)
            nEnd = nFile;
        if (!IsOurs(pFile, nAt, nEnd, pOriginal, nOriginal, pNew, nNew))
            return kRecoveryKeepAside;
        nAt = nEnd;
    }
    return kRecoveryRollBack;
}
