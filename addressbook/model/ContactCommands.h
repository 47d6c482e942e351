// The record commands on one contact that change the file, without their
// windows: editing and deleting under the record's edit lock, as both the
// address book's window and the command-line tool run them. Questions and
// sounds stay with the caller; each step that needs the caller's say is a
// callback.
#pragma once

#include <functional>

#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

enum class ContactStep {
  Done,
  NotPermitted,  // a Reader: message 102
  Locked,        // another user holds the edit lock: message 106
  Gone,          // no live contact there (deleted meanwhile)
  Hidden,        // confidential and the user is not the Owner: reload only
  Frozen,        // the record's exchange state forbids changes: beep only
  Cancelled,     // the caller said no
  Failed,        // the file refused; failure says why
};

struct ContactChange {
  ContactStep step = ContactStep::Done;
  Result failure = Result::Ok();  // why, when Failed
  Bytes before;                   // the record as read under the lock
  // Deleting: how removing the contact's history went. The contact is gone
  // even when this failed, so the caller still treats it as deleted.
  Result history = Result::Ok();
};

// The exchange state that freezes a record against edits and cuts.
inline constexpr uint8_t kExchangeFrozen = 9;

// Edits the contact at position: locks it, reads it, and lets edit fill the
// changed record from the current one while the lock is held (a failed
// result from edit cancels; nothing is written). Writes the change back,
// unlocks and flushes.
ContactChange EditContact(RecordStore& store, RecordPosition position,
                          const std::function<Result(const Bytes& current, Bytes& changed)>& edit);

// Reads the contact at position under its edit lock (so never half of
// another user's write) into `before`, with the same refusals as an edit
// except that a frozen contact may be read.
ContactChange ReadContact(RecordStore& store, RecordPosition position);

// Deletes the contact at position and its history: locks it, asks confirm
// (when given; false cancels), reads it, deletes it, deletes the entries of
// its record id from the history file beside the address book, unlocks and
// flushes. `before` holds the deleted record for the recycle bin. With
// refuseFrozen (a cut) a frozen contact is left alone. Without withHistory
// (a record of a file that keeps no history, such as a calendar's event)
// no history file is touched.
ContactChange DeleteContact(RecordStore& store, RecordPosition position,
                            const std::function<bool()>& confirm = {}, bool refuseFrozen = false,
                            bool withHistory = true);

}  // namespace velmora
