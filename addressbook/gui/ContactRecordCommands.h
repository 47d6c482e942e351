// The record commands of the "Work" pane: New 1001, Edit 1002, Delete 1003,
// Undo delete 1023, Cut 1024, Copy 1025, Paste 1026 and Open attachment
// 1033, plus the delete of a contact dropped on the recycle bin. They run
// against ContactRecordHost, which the pane implements: the open file, the
// selected row, the list and the window to centre over. Questions and
// messages go through the suite's message boxes, sounds through the sound
// player. A failed add, update or delete is shown with its cause; a failed
// save opens the editor again with what was typed.
#pragma once

#include <QtGlobal>
#include <optional>

#include "shell/SuiteCommands.h"
#include "store/RecordStore.h"

class QWidget;

namespace velmora {

// The record exchange: which contacts take part in one, and the notices it
// sends. The commands ask it at the points where a change concerns other
// participants.
class RecordExchange {
 public:
  virtual ~RecordExchange() = default;
  virtual bool TakesPart(const Bytes& record) = 0;
  // An edit confirmed with Yes to message 111: tell the participants.
  virtual void NotifyChange(const Bytes& record) = 0;
  // A delete confirmed with Yes to message 111: send the cancellation; the
  // record, as the exchange leaves it, is written back instead of deleted.
  virtual void NotifyCancellation(Bytes& record) = 0;
  // A delete answered No to message 111: withdraw the record from the
  // exchange before it is deleted.
  virtual void Withdraw(const Bytes& record) = 0;
};

// No record takes part in an exchange; the notices do nothing.
RecordExchange& NoRecordExchange();

// What the commands need from the "Work" pane.
class ContactRecordHost {
 public:
  virtual ~ContactRecordHost() = default;
  // The open address book; null when none is open (the commands then do
  // nothing).
  virtual RecordStore* store() = 0;
  // The record position of the selected row, or nothing.
  virtual std::optional<RecordPosition> selectedPosition() = 0;
  // The main window: owner of the editor and of the message boxes.
  virtual QWidget* window() = 0;
  // Paints what is pending before a command opens its first box.
  virtual void BringUpToDate() {}
  // Reads the list again from the file.
  virtual void ReloadList() = 0;
  // Selects the row of the record at position and scrolls it into view
  // (after ReloadList).
  virtual void SelectRecord(RecordPosition position) = 0;
  virtual void FocusList() = 0;
  // The recycle bin's contents changed: redraw its icon.
  virtual void BinChanged() {}
  virtual RecordExchange& exchange() { return NoRecordExchange(); }
};

class ContactRecordCommands {
 public:
  explicit ContactRecordCommands(ContactRecordHost& host) : host_(host) {}

  // Whether command is one of the numbers above.
  static bool Handles(int command);
  // Runs one of the numbers above; false for any other command.
  bool Run(int command);

  void NewContact();
  void EditContact();
  // Edits the contact at position (a row of the Find dialog, which need not
  // be in the list).
  void EditContactAt(RecordPosition position);
  void DeleteContact();
  // The recycle bin's drop (its command 107 with 1003): answers 1 when the
  // selected contact was deleted. A missing selection beeps; the question
  // comes before the access check and the lock.
  qintptr DeleteDropped();
  void UndoDelete();
  // The recycle bin's command 107: 1023 undoes the last delete, 1003 deletes
  // the dropped (selected) contact. The answer goes back to the bin.
  qintptr OnBinCommand(qintptr param);
  void CutContact();
  void CopyContact();
  void PasteContact();
  void OpenAttachment();

 private:
  // Shows a failure: message 102 for a Reader's refusal, else its cause.
  void ShowFailure(const Result& failure);
  bool MayChange();
  // After the deleting steps: the bin, the sound, the list. Answers whether
  // the contact was deleted.
  bool FinishDelete(struct DeleteRun& run);
  bool RunDelete(RecordPosition position, bool askFirst);

  ContactRecordHost& host_;
};

}  // namespace velmora
