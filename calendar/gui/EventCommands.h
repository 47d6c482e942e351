// The event commands of the calendar pane besides New and Edit: Delete
// 1003, Undo delete 1023, Cut 1024, Copy 1025, Paste 1026, Internet Events
// 1027, Open attachment 1033, the recycle bin's command (107 with 1023 or 1003) and an event
// dropped on a day of the mini calendar (move, or copy with Ctrl held).
//
// Every command that changes a record follows one order: access check (a
// Reader gets message 102), edit lock (106 where the command says so),
// read, change, write, unlock, flush, reload, sound. Whatever happens in
// between, the record is unlocked when the command ends.
#pragma once

#include <QtGlobal>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordStore.h"

namespace velmora {

class CalendarPane;

// Whether an event takes part in a record exchange with partners (its
// invitations wait in the outgoing box). Such an event asks message 111
// before it is deleted or edited and cannot be cut. The record exchange is
// not part of the calendar yet, so no event is shared; this is the one place
// that will ask the outgoing box.
bool SharedEventHook(RecordStore& store, const EventRecord& record);

// An event another user sent out and that waits for the exchange: Edit,
// Cut and moving it are refused with a beep.
inline constexpr uint8_t kExchangeStateFrozen = 9;

// The event as a new, unshared one-off event on date: a new record id, in
// use, unlocked, exchange state and flag 0, exchange mark 1, the repeat
// block cleared, the alarm's occurrence the new date. Paste and a copying
// drop add this.
EventRecord OneOffCopy(const EventRecord& event, const DateValue& date);
// The event as Undo delete adds it back: in use, unlocked, unshared; its
// record id and everything else kept.
EventRecord RestoredEvent(const EventRecord& event);

class EventCommands {
 public:
  explicit EventCommands(CalendarPane& pane) : pane_(pane) {}

  void DeleteEvent();
  void UndoDelete();
  void CutEvent();
  void CopyEvent();
  void PasteEvent();
  void OpenAttachment();
  // Internet Events (1027): the access check; the dialog itself belongs to
  // the record exchange, so for now the command is refused with a beep.
  void InternetEvents();
  // The recycle bin's command: 1023 undoes the last delete, 1003 deletes the
  // selected event dropped on it (answers 1 when it was deleted).
  qintptr OnBinCommand(qintptr param);
  // An event dragged from the day list onto date; copy with Ctrl held.
  void DropOnDate(const DateValue& date, bool copy);

 private:
  RecordStore* store() const;
  bool IsReader() const;
  // Shows a failure: message 102 for a Reader's refusal, else its cause.
  void ShowFailure(const Result& failure);
  void ShowMessage(int number);
  // Deletes the selected event after asking 105 (when ask); true when it
  // was deleted.
  bool RunDelete(bool ask);

  CalendarPane& pane_;
};

}  // namespace velmora
