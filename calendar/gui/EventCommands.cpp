#include "calendar/gui/EventCommands.h"

#include "calendar/gui/CalendarPane.h"
#include "calendar/gui/EventHolders.h"
#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "shell/SuiteCommands.h"
#include "store/Format.h"
#include "store/RecordHeader.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesseMiniCalendar.h"
#include "toolkit/TesselClassWndBin.h"

namespace velmora {

namespace r = format::record;

namespace {

constexpr int kMsgRepeatNotMoved = 501;

void Play(const char* sound) { (void)SoundPlayer::Instance().Play(sound); }

void MakeUnshared(EventRecord& record) {
  Bytes& b = record.bytes();
  b[r::kInUse] = 1;
  b[r::kEditLock] = 0;
  b[r::kExchangeState] = 0;
  b[r::kExchangeFlag] = 0;
  b[r::kExchangeMark] = 1;
}

}  // namespace

bool SharedEventHook(RecordStore&, const EventRecord&) {
  // The outgoing box of the record exchange will answer here; until the
  // calendar takes part in an exchange, no event has participants.
  return false;
}

EventRecord OneOffCopy(const EventRecord& event, const DateValue& date) {
  EventRecord copy = event;
  MakeUnshared(copy);
  rec::SetId(copy.bytes().data(), NewRecordId());
  copy.setRepeat(RepeatBlock{});
  copy.setEventDate(date);
  // A one-off event's alarm belongs to its event date.
  copy.setAlarmReferenceDate(date);
  return copy;
}

EventRecord RestoredEvent(const EventRecord& event) {
  EventRecord restored = event;
  MakeUnshared(restored);
  return restored;
}

RecordStore* EventCommands::store() const { return pane_.store(); }

bool EventCommands::IsReader() const {
  const int level = store()->GetAccessLevel();
  return level == kAccessReader || level == kAccessNone;
}

void EventCommands::ShowMessage(int number) { InformationBox(pane_.window(), number); }

void EventCommands::ShowFailure(const Result& failure) {
  if (failure.code() == kReaderRefused) ShowMessage(kMsgNoPermission);
  else InformationBox(pane_.window(), failure.Message());
}

// --- Delete ----------------------------------------------------------------------

bool EventCommands::RunDelete(bool ask) {
  RecordStore& file = *store();
  const std::optional<RecordPosition> position = pane_.SelectedPosition();
  if (!position) return false;
  EventRecord deleted;
  Result outcome = Result::Ok();
  bool removed = false;
  {
    EditLock lock(file, *position);
    if (!lock.held()) {
      ShowMessage(kMsgBeingEdited);
      return false;
    }
    if (ask && !QuestionBox(pane_.window(), kMsgDeleteContact)) return false;  // the lock goes with the scope
    Bytes bytes;
    if (Result read = file.ReadRecordIfLive(bytes, *position); !read.ok()) {
      // Deleted by another user meanwhile: the reload shows it.
      (void)lock.Release();
      pane_.Reload();
      return false;
    }
    deleted = EventRecord(bytes);
    // A confidential event is the Owner's to delete.
    if (deleted.confidential() && file.GetAccessLevel() != kAccessOwner) return false;
    if (SharedEventHook(file, deleted)) {
      if (QuestionBox(pane_.window(), kMsgNotifyExchange)) {
        // The participants are told; the event stays, as the exchange left it.
        outcome = file.UpdateRecord(deleted.bytes(), *position);
      } else {
        outcome = file.DeleteRecord(*position);
        removed = outcome.ok();
      }
    } else {
      outcome = file.DeleteRecord(*position);
      removed = outcome.ok();
    }
    // A slot that is deleted has nothing left to unlock; anything else must
    // be unlocked, and a failure to do so is told.
    if (Result released = lock.Release(); !removed && !released.ok() && outcome.ok()) outcome = released;
  }
  if (!outcome.ok()) {
    ShowFailure(outcome);
    pane_.Reload();
    return false;
  }
  if (Result flushed = file.Flush(); !flushed.ok()) ShowFailure(flushed);
  if (removed) {
    EventRecycleBin().Put(deleted);
    if (pane_.recycleBin()) pane_.recycleBin()->update();
    Play("bindel.wav");
  }
  pane_.Reload();
  pane_.FocusList();
  return removed;
}

void EventCommands::DeleteEvent() {
  if (!store() || pane_.currentTab() != CalendarPane::kDayTab) return;
  if (!pane_.SelectedPosition()) return;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    return;
  }
  (void)RunDelete(true);
}

qintptr EventCommands::OnBinCommand(qintptr param) {
  if (param == kCmdUndoDelete) {
    UndoDelete();
    return 1;
  }
  if (param != kCmdDeleteContact || !store()) return 0;
  // An event dropped on the bin: asked first, then the access and the lock.
  if (!pane_.SelectedPosition()) {
    Beep();
    return 0;
  }
  if (!QuestionBox(pane_.window(), kMsgDeleteContact)) return 0;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    return 0;
  }
  return RunDelete(false) ? 1 : 0;
}

// --- Undo delete ---------------------------------------------------------------

void EventCommands::UndoDelete() {
  RecordStore* file = store();
  if (!file || !EventRecycleBin().Holds()) return;
  const EventRecord restored = RestoredEvent(*EventRecycleBin().record());
  RecordPosition where = 0;
  if (Result added = file->AddRecord(restored.bytes(), &where); !added.ok()) {
    // The event stays in the bin, so it is not lost with a refused add.
    ShowFailure(added);
    return;
  }
  EventRecycleBin().Empty();
  if (pane_.recycleBin()) pane_.recycleBin()->update();
  if (Result flushed = file->Flush(); !flushed.ok()) ShowFailure(flushed);
  const DateValue date = restored.eventDate();
  if (date == pane_.selectedDate() || DayNumber(date) == kInvalidDayNumber) pane_.Reload();
  else pane_.SelectDate(date);
  (void)pane_.SelectRecordId(restored.id());
  pane_.FocusList();
}

// --- Cut, copy, paste ----------------------------------------------------------

void EventCommands::CutEvent() {
  if (!store()) return;
  RecordStore& file = *store();
  const std::optional<RecordPosition> position = pane_.SelectedPosition();
  if (!position) return;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    return;
  }
  EventRecord cut;
  Result outcome = Result::Ok();
  {
    EditLock lock(file, *position);
    if (!lock.held()) return;  // another user edits it: nothing happens
    Bytes bytes;
    if (!file.ReadRecordIfLive(bytes, *position).ok()) {
      (void)lock.Release();
      pane_.Reload();
      return;
    }
    cut = EventRecord(bytes);
    if (SharedEventHook(file, cut) || rec::ExchangeState(cut.data()) == kExchangeStateFrozen) {
      Beep();
      return;
    }
    if (cut.confidential() && file.GetAccessLevel() != kAccessOwner) return;
    outcome = file.DeleteRecord(*position);
    if (!outcome.ok()) {
      if (Result released = lock.Release(); !released.ok()) ShowFailure(released);
    }
  }
  if (!outcome.ok()) {
    ShowFailure(outcome);
    pane_.Reload();
    return;
  }
  EventRecycleBin().Put(cut);
  if (pane_.recycleBin()) pane_.recycleBin()->update();
  Play("delete.wav");
  if (Result flushed = file.Flush(); !flushed.ok()) ShowFailure(flushed);
  pane_.Reload();
  EventClipboard().Put(cut);
  pane_.FocusList();
}

void EventCommands::CopyEvent() {
  if (!store()) return;
  RecordStore& file = *store();
  const std::optional<RecordPosition> position = pane_.SelectedPosition();
  if (!position) return;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    return;
  }
  EditLock lock(file, *position);
  if (!lock.held()) return;  // another user edits it: nothing happens
  Bytes bytes;
  if (!file.ReadRecordIfLive(bytes, *position).ok()) {
    (void)lock.Release();
    pane_.Reload();
    return;
  }
  const EventRecord copied(bytes);
  // A confidential event made so since the list was read stays the Owner's.
  if (copied.confidential() && file.GetAccessLevel() != kAccessOwner) return;
  EventClipboard().Put(copied);
  if (Result released = lock.Release(); !released.ok()) ShowFailure(released);
  Play("copy.wav");
}

void EventCommands::PasteEvent() {
  RecordStore* file = store();
  if (!file || !EventClipboard().Holds()) return;
  const EventRecord pasted = OneOffCopy(*EventClipboard().record(), pane_.selectedDate());
  if (Result added = file->AddRecord(pasted.bytes()); !added.ok()) {
    ShowFailure(added);
    return;
  }
  if (Result flushed = file->Flush(); !flushed.ok()) ShowFailure(flushed);
  Play("add.wav");
  pane_.Reload();
  (void)pane_.SelectRecordId(pasted.id());
  pane_.FocusList();
}

// --- Open attachment -------------------------------------------------------------

void EventCommands::OpenAttachment() {
  if (!store()) return;
  const std::optional<RecordPosition> position = pane_.SelectedPosition();
  if (!position) return;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    return;
  }
  Bytes bytes;
  if (!store()->ReadRecordIfLive(bytes, *position).ok()) {
    pane_.Reload();
    return;
  }
  const EventRecord event(bytes);
  if (event.confidential() && store()->GetAccessLevel() != kAccessOwner) return;
  if (event.attachmentKind() == event::kAttachNone || event.attachment().empty()) {
    Beep();
    return;
  }
  if (!OpenDocument(event.attachment())) Beep();
}

void EventCommands::InternetEvents() {
  if (!store()) return;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    return;
  }
  Beep();
}

// --- Drops on the mini calendar ----------------------------------------------------

void EventCommands::DropOnDate(const DateValue& date, bool copy) {
  // The mini calendar keeps showing the selected date unless the drop moves
  // the pane there.
  const auto keepDate = [this] {
    if (pane_.miniCalendar()) (void)pane_.miniCalendar()->SetDate(pane_.selectedDate());
  };
  if (!store() || pane_.currentTab() != CalendarPane::kDayTab || DayNumber(date) == kInvalidDayNumber) return;
  RecordStore& file = *store();
  const std::optional<RecordPosition> position = pane_.SelectedPosition();
  if (!position) return;
  if (IsReader()) {
    ShowMessage(kMsgNoPermission);
    keepDate();
    return;
  }
  uint64_t shownId = 0;
  Result outcome = Result::Ok();
  {
    EditLock lock(file, *position);
    if (!lock.held()) {
      ShowMessage(kMsgBeingEdited);
      keepDate();
      return;
    }
    Bytes bytes;
    if (!file.ReadRecordIfLive(bytes, *position).ok()) {
      (void)lock.Release();
      pane_.Reload();
      return;
    }
    EventRecord event(bytes);
    if (event.confidential() && file.GetAccessLevel() != kAccessOwner) return;
    if (copy) {
      const EventRecord added = OneOffCopy(event, date);
      outcome = file.AddRecord(added.bytes());
      shownId = added.id();
    } else if (event.repeats()) {
      (void)lock.Release();
      ShowMessage(kMsgRepeatNotMoved);
      keepDate();
      return;
    } else if (rec::ExchangeState(event.data()) == kExchangeStateFrozen) {
      (void)lock.Release();
      Beep();
      keepDate();
      return;
    } else {
      event.setEventDate(date);
      event.setAlarmReferenceDate(date);
      outcome = file.UpdateRecord(event.bytes(), *position);
      shownId = event.id();
    }
    if (Result released = lock.Release(); !released.ok() && outcome.ok()) outcome = released;
  }
  if (!outcome.ok()) {
    ShowFailure(outcome);
    keepDate();
    pane_.Reload();
    return;
  }
  if (Result flushed = file.Flush(); !flushed.ok()) ShowFailure(flushed);
  Play(copy ? "add.wav" : "move.wav");
  pane_.SelectDate(date);
  (void)pane_.SelectRecordId(shownId);
  pane_.FocusList();
}

}  // namespace velmora
