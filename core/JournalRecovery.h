// What a journal left by an interrupted run means for the file it guards. The registration file is
// not ours alone: the product's service and installer write it whenever they like, and know
// nothing of the journal. So the journal keeps both the bytes the run started from and the bytes
// it was writing, and the file is rolled back only when it stands in a state that the program's
// own cut write can leave. Plain C++ without the Windows headers, so that it is tested on any host.
#pragma once

#include <stddef.h>

enum JournalRecovery
{
    kRecoveryUnchanged,  // the file holds the original bytes: the write never began; drop the journal
    kRecoveryWhole,      // the file holds the new bytes: the change is whole; drop the journal
    kRecoveryRollBack,   // a cut write of ours: put the original bytes back, then drop the journal
    kRecoveryKeepAside,  // another program has written the file since: leave it as it stands, keep
                         // the original bytes beside it, drop the journal
};

// The state of the file's bytes against the journal's original and new bytes. pNew may be NULL
// (a journal that does not know the new bytes): then only the original bytes are recognised.
//
// A write of ours goes from offset 0 and truncates only once every byte is written, so a cut one
// leaves the bytes it was writing up to some point and what stood there before after it: the new
// bytes followed by the original ones, or, where the roll-back of such a state was cut in turn,
// original, new, original. Every byte stands where it stood in one of the two, and the length lies
// between the two lengths. Any other state is another writer's.
JournalRecovery DecideRecovery(const char* pFile, size_t nFile, const char* pOriginal,
                               size_t nOriginal, const char* pNew, size_t nNew);
