#include "addressbook/model/ContactCommands.h"

#include "addressbook/model/ContactHistory.h"
#include "store/Bytes.h"
#include "store/Format.h"

namespace velmora {

namespace r = format::record;

namespace {

ContactChange Stop(ContactStep step, Result failure = Result::Ok()) {
  ContactChange change;
  change.step = step;
  change.failure = std::move(failure);
  return change;
}

// Locks position and reads its record; Done with `before` filled, or the
// step that stops the command. A lock the store could not even try (a
// failing disk) is a failure rather than another user's lock.
ContactChange LockAndRead(RecordStore& store, RecordPosition position, EditLock& lock,
                          const std::function<bool()>& confirm) {
  if (!lock.held()) {
    Bytes probe;
    if (!store.ReadRecordIfLive(probe, position).ok()) return Stop(ContactStep::Gone);
    if (probe[r::kEditLock] == 1) return Stop(ContactStep::Locked);
    return Stop(ContactStep::Failed, lock.result());
  }
  if (confirm && !confirm()) return Stop(ContactStep::Cancelled);
  ContactChange change;
  if (!store.ReadRecordIfLive(change.before, position).ok()) return Stop(ContactStep::Gone);
  if (change.before[r::kConfidential] != 0 && store.GetAccessLevel() != kAccessOwner) return Stop(ContactStep::Hidden);
  return change;
}

// Unlocks, then flushes; the first failure of the two when the command
// itself went well.
void Finish(RecordStore& store, EditLock& lock, ContactChange& change) {
  Result unlocked = lock.Release();
  Result flushed = store.Flush();
  if (change.step != ContactStep::Done) return;
  if (!unlocked.ok()) change = Stop(ContactStep::Failed, std::move(unlocked));
  else if (!flushed.ok()) change = Stop(ContactStep::Failed, std::move(flushed));
}

}  // namespace

ContactChange EditContact(RecordStore& store, RecordPosition position,
                          const std::function<Result(const Bytes& current, Bytes& changed)>& edit) {
  const int level = store.GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) return Stop(ContactStep::NotPermitted);
  EditLock lock(store, position);
  ContactChange change = LockAndRead(store, position, lock, {});
  if (change.step != ContactStep::Done) return change;
  if (change.before[r::kExchangeState] == kExchangeFrozen) return Stop(ContactStep::Frozen);
  Bytes changed;
  if (Result edited = edit(change.before, changed); !edited.ok()) {
    change.step = ContactStep::Cancelled;
    change.failure = std::move(edited);
    return change;
  }
  if (Result written = store.UpdateRecord(changed, position); !written.ok()) {
    change.step = ContactStep::Failed;
    change.failure = std::move(written);
  }
  Finish(store, lock, change);
  return change;
}

ContactChange ReadContact(RecordStore& store, RecordPosition position) {
  const int level = store.GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) return Stop(ContactStep::NotPermitted);
  EditLock lock(store, position);
  ContactChange change = LockAndRead(store, position, lock, {});
  if (change.step != ContactStep::Done) return change;
  if (Result unlocked = lock.Release(); !unlocked.ok()) return Stop(ContactStep::Failed, std::move(unlocked));
  return change;
}

ContactChange DeleteContact(RecordStore& store, RecordPosition position, const std::function<bool()>& confirm,
                            bool refuseFrozen, bool withHistory) {
  const int level = store.GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) return Stop(ContactStep::NotPermitted);
  EditLock lock(store, position);
  ContactChange change = LockAndRead(store, position, lock, confirm);
  if (change.step != ContactStep::Done) return change;
  if (refuseFrozen && change.before[r::kExchangeState] == kExchangeFrozen) return Stop(ContactStep::Frozen);
  if (Result deleted = store.DeleteRecord(position); !deleted.ok()) {
    Finish(store, lock, change);
    return Stop(ContactStep::Failed, std::move(deleted));
  }
  if (withHistory) change.history = DeleteContactHistory(store.path(), GetU64(change.before.data() + r::kId));
  Finish(store, lock, change);
  return change;
}

}  // namespace velmora
