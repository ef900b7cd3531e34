// What a journal left by an interrupted run means for the file it guards. The registration file is
// not ours alone: the product's service and installer write it whenever they like, and know
// nothing of the journal. So the journal keeps both the bytes the run started from and the bytes
// it was writing, and the file is rolled back only when it stands in a state that the program's
// own write, or its roll-back, can leave when it is cut short. Plain C++ without the Windows
// headers, so that it is tested on any host.
//
// How our write proceeds, and so what it can leave:
// - The journal is flushed before the file is touched.
// - The new bytes go over the file from offset 0, in calls of kRecoveryChunk bytes; the file is
//   truncated to the new length only after the last call, then flushed. A roll-back writes the
//   original bytes the same way. A killed process stops between two calls: the file holds one
//   run of bytes up to a call's end and the other after it, and its length is the original's,
//   the new one's, or a call's end in between (where the write made the file longer).
// - A power loss may also lose any part of what was not flushed. NTFS journals its metadata but
//   not file data, so the length is one the file had, while each sector holds the bytes of one
//   side or the other (written or not), in any order; where the file was made longer, sectors that
//   were never written read as zeros (beyond the valid data length). ReFS without integrity
//   streams writes file data in place too and leaves the same.
// A product write can leave none of these but by chance: it changes a byte or a line inside a
// sector, or gives the file a length that no call of ours ends at.
#pragma once

#include <stddef.h>

enum JournalRecovery
{
    kRecoveryUnchanged,  // the file holds the original bytes: the write never began; drop the journal
    kRecoveryWhole,      // the file holds the new bytes: the change is whole; drop the journal
    kRecoveryRollBack,   // a cut write of ours: put the original bytes back, then drop the journal
    kRecoveryKeepAside,  // another program has written the file since: leave it as it stands, keep
                         // the original bytes beside it, drop the journal
    kRecoveryUntrusted,  // the journal holds more than any write of ours: not ours to act on;
                         // leave the file, drop the journal
};

// The unit in which a power loss keeps or loses what was written.
const size_t kRecoverySector = 512;
// The most that one write call of ours moves (the whole-file helper's calls).
const size_t kRecoveryChunk = static_cast<size_t>(1024) * 1024;

// Whether nFile is a length that our write or its roll-back can leave between two lengths.
bool IsLengthOurs(size_t nFile, size_t nOriginal, size_t nNew);

// The state of the file's bytes against the journal's original and new bytes. A journal with a
// run longer than nLargest (the most the program writes) is kRecoveryUntrusted.
JournalRecovery DecideRecovery(const char* pFile, size_t nFile, const char* pOriginal,
                               size_t nOriginal, const char* pNew, size_t nNew, size_t nLargest);
