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
//   writes 0 into every copied slot.
//
//   The header's balance, change counter and open count change only by a
//   read-modify-write of the whole header under kGuard; an add holds kGuard
//   from choosing its slot until the header is written, so two adds never
//   pick the same slot.
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
inline constexpr uint64_t kLength = 1;

}  // namespace velmora::locks
