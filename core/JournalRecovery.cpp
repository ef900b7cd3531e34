// The recovery decision: which writer left the file as it stands.
#include "core/JournalRecovery.h"

#include <string.h>

namespace {

// How far from nAt the file agrees, byte for byte at the same places, with pOther.
size_t Agrees(const char* pFile, size_t nFile, const char* pOther, size_t nOther, size_t nAt)
{
    while (nAt < nFile && nAt < nOther && pFile[nAt] == pOther[nAt])
        ++nAt;
    return nAt;
}

bool Same(const char* p, size_t n, const char* q, size_t m)
{
    return n == m && memcmp(p, q, n) == 0;
}

}  // namespace

JournalRecovery DecideRecovery(const char* pFile, size_t nFile, const char* pOriginal,
                               size_t nOriginal, const char* pNew, size_t nNew)
{
    if (Same(pFile, nFile, pOriginal, nOriginal))
        return kRecoveryUnchanged;
    if (pNew == NULL)
        return kRecoveryKeepAside;
    if (Same(pFile, nFile, pNew, nNew))
        return kRecoveryWhole;
    size_t nShortest = nOriginal < nNew ? nOriginal : nNew;
    size_t nLongest = nOriginal < nNew ? nNew : nOriginal;
    if (nFile < nShortest || nFile > nLongest)
        return kRecoveryKeepAside;
    // Original, then new, then original again; each run may be empty.
    size_t nAt = Agrees(pFile, nFile, pOriginal, nOriginal, 0);
    nAt = Agrees(pFile, nFile, pNew, nNew, nAt);
    nAt = Agrees(pFile, nFile, pOriginal, nOriginal, nAt);
    return nAt == nFile ? kRecoveryRollBack : kRecoveryKeepAside;
}
