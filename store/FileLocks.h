// The byte ranges record-file connections lock. Both lie far beyond any data
// a record file can hold, so they never overlap real reads and writes.
//
// Protocol
//   Connection states: closed -> open (holds a shared lock on kPresence)
//   -> closed. "Create" and compaction hold kPresence exclusively, so they
//   run only while no connection exists and no connection can start.
//
//   A slot's edit-lock byte: 0 free, 1 held. LockRecord changes 0 -> 1 and
//   UnlockRecord 1 -> 0, each as one test-and-set under kGuard; compaction
//   writes 0 into every copied slot. DeleteRecord frees the slot and clears
//   its lock byte in one write under kGuard: the lock ends with the record.
//   A connection remembers the id of each record it locked, and its
//   UnlockRecord leaves alone a slot that no longer holds that record (freed,
//   and perhaps reused by another user's add that is being edited now).
//
//   The header's balance, change counter and open count change only by a
//   read-modify-write of the whole header under kGuard; an add holds kGuard
//   from choosing its slot until the header is written, so two adds never
//   pick the same slot.
//
//   An add, update or delete raises the change counter before it changes
//   any slot (an 8-byte write of the counter field, under kGuard), so a
//   process killed midway can only leave the counter too high, never a
//   change that lists miss.
//
//   Compaction writes its copy under the name ".<file>.compact.XXXXXX" beside
//   the file and holds kCompactCopy exclusively on the copy until it has
//   replaced the file. A copy of that name whose kCompactCopy can be taken
//   belongs to a compaction that died; the next compaction or check removes
//   it (while holding kPresence, so no compaction of the file is starting).
//
//   kGuard is held only for the duration of one such step (a few system
//   calls), never across user interaction. A holder that is stopped or
//   stuck would still hold it, so nobody waits for it without end: Lock
//   retries for LockWaitLimitMs() (FileSystem.h) and then fails with
//   kFileBusy, having written nothing.
#pragma once

#include <cstdint>

namespace velmora::locks {

inline constexpr uint64_t kPresence = uint64_t(1) << 62;
inline constexpr uint64_t kGuard = kPresence + 16;
inline constexpr uint64_t kCompactCopy = kPresence + 32;
inline constexpr uint64_t kLength = 1;

}  // namespace velmora::locks
