#include "addressbook/gui/ContactRecordCommands.h"

#include "addressbook/gui/ContactEditorDialog.h"
#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactCommands.h"
#include "addressbook/model/ContactHolders.h"
#include "resources/Strings.h"
#include "shell/MessageBoxes.h"
#include "store/Format.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

namespace r = format::record;

namespace {

class NoExchange : public RecordExchange {
 public:
  bool TakesPart(const Bytes&) override { return false; }
  void NotifyChange(const Bytes&) override {}
  void NotifyCancellation(Bytes&) override {}
  void Withdraw(const Bytes&) override {}
};

bool IsReader(RecordStore& store) {
  const int level = store.GetAccessLevel();
  return level == kAccessReader || level == kAccessNone;
}

void Play(const char* sound) { SoundPlayer::Instance().Play(sound); }

}  // namespace

RecordExchange& NoRecordExchange() {
  static NoExchange none;
  return none;
}

// What one delete went through besides the model's steps.
struct DeleteRun {
  ContactChange change;
  bool keptByExchange = false;  // Yes to 111: written back, not deleted
  Result exchangeWrite = Result::Ok();
};

bool ContactRecordCommands::Handles(int command) {
  switch (command) {
    case kCmdNewContact:
    case kCmdEditContact:
    case kCmdDeleteContact:
    case kCmdUndoDelete:
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
    case kCmdOpenAttachment: return true;
    default: return false;
  }
}

bool ContactRecordCommands::Run(int command) {
  switch (command) {
    case kCmdNewContact: NewContact(); return true;
    case kCmdEditContact: EditContact(); return true;
    case kCmdDeleteContact: DeleteContact(); return true;
    case kCmdUndoDelete: UndoDelete(); return true;
    case kCmdCut: CutContact(); return true;
    case kCmdCopy: CopyContact(); return true;
    case kCmdPaste: PasteContact(); return true;
    case kCmdOpenAttachment: OpenAttachment(); return true;
    default: return false;
  }
}

void ContactRecordCommands::ShowFailure(const Result& failure) {
  if (failure.code() == kReaderRefused) {
    InformationBox(host_.window(), kMsgNoPermission);
  } else {
    InformationBox(host_.window(), failure.Message());
  }
}

bool ContactRecordCommands::MayChange() {
  RecordStore* store = host_.store();
  if (!store) return false;
  if (IsReader(*store)) {
    InformationBox(host_.window(), kMsgNoPermission);
    return false;
  }
  return true;
}

void ContactRecordCommands::NewContact() {
  host_.BringUpToDate();
  if (!MayChange()) return;
  RecordStore& store = *host_.store();
  Contact contact;
  InitContactRecord(store, contact.bytes());
  const ContactEditorSetup setup = EditorSetupFor(store);
  std::optional<ContactEditorValues> typed;
  // A save that fails opens the editor again with what was typed.
  for (;;) {
    ContactEditorDialog editor(ContactEditorDialog::Mode::New, contact, setup, host_.window(), typed);
    if (editor.exec() != QDialog::Accepted) break;
    const Contact changed = editor.contact();
    RecordPosition where = 0;
    if (Result added = store.AddRecord(changed.bytes(), &where); !added.ok()) {
      ShowFailure(added);
      typed = editor.values();
      continue;
    }
    // The contact is in the file; a flush that fails is told, not retried.
    if (Result flushed = store.Flush(); !flushed.ok()) ShowFailure(flushed);
    Play("add.wav");
    host_.ReloadList();
    host_.SelectRecord(where);
    break;
  }
  host_.FocusList();
}

void ContactRecordCommands::EditContact() {
  RecordStore* store = host_.store();
  if (!store) return;
  if (IsReader(*store)) {
    InformationBox(host_.window(), kMsgNoPermission);
    return;
  }
  if (const std::optional<RecordPosition> position = host_.selectedPosition()) EditContactAt(*position);
}

void ContactRecordCommands::EditContactAt(RecordPosition at) {
  RecordStore* store = host_.store();
  if (!store) return;
  if (IsReader(*store)) {
    InformationBox(host_.window(), kMsgNoPermission);
    return;
  }
  const std::optional<RecordPosition> position = at;
  const ContactEditorSetup setup = EditorSetupFor(*store);
  std::optional<ContactEditorValues> typed;
  for (;;) {
    bool confirmed = false;
    const ContactChange change =
        velmora::EditContact(*store, *position, [&](const Bytes& current, Bytes& changed) -> Result {
          ContactEditorDialog editor(ContactEditorDialog::Mode::Edit, Contact(current), setup, host_.window(), typed);
          if (editor.exec() != QDialog::Accepted) return Result::Fail("Cancelled");
          confirmed = true;
          typed = editor.values();
          changed = editor.contact().bytes();
          RecordExchange& exchange = host_.exchange();
          if (exchange.TakesPart(changed) && QuestionBox(host_.window(), kMsgNotifyExchange)) {
            exchange.NotifyChange(changed);
          }
          return Result::Ok();
        });
    switch (change.step) {
      case ContactStep::Done:
        Play("add.wav");
        host_.ReloadList();
        host_.SelectRecord(*position);
        return;
      case ContactStep::NotPermitted: InformationBox(host_.window(), kMsgNoPermission); return;
      case ContactStep::Locked: InformationBox(host_.window(), kMsgBeingEdited); return;
      case ContactStep::Frozen: Beep(); return;
      case ContactStep::Gone:
      case ContactStep::Hidden: host_.ReloadList(); return;
      case ContactStep::Cancelled: host_.SelectRecord(*position); return;
      case ContactStep::Failed:
        ShowFailure(change.failure);
        if (!confirmed) return;
        break;  // open the editor again with what was typed
    }
  }
}

bool ContactRecordCommands::RunDelete(RecordPosition position, bool askFirst) {
  RecordStore& store = *host_.store();
  DeleteRun run;
  RecordExchange& exchange = host_.exchange();
  // Runs under the record's lock, before the contact is read for deleting.
  auto confirm = [&]() -> bool {
    if (askFirst && !QuestionBox(host_.window(), kMsgDeleteContact)) return false;
    Bytes record;
    if (!store.ReadRecordIfLive(record, position).ok()) return true;  // the delete finds it gone
    if (record[r::kConfidential] != 0 && store.GetAccessLevel() != kAccessOwner) return true;
    if (!exchange.TakesPart(record)) return true;
    if (QuestionBox(host_.window(), kMsgNotifyExchange)) {
      exchange.NotifyCancellation(record);
      run.exchangeWrite = store.UpdateRecord(record, position);
      run.keptByExchange = true;
      return false;
    }
    exchange.Withdraw(record);
    return true;
  };
  run.change = velmora::DeleteContact(store, position, confirm);
  return FinishDelete(run);
}

bool ContactRecordCommands::FinishDelete(DeleteRun& run) {
  RecordStore& store = *host_.store();
  switch (run.change.step) {
    case ContactStep::Done:
      RecycleBin().Put(run.change.before);
      host_.BinChanged();
      Play("bindel.wav");
      // The contact is gone; a history that could not be cleared is told.
      if (!run.change.history.ok()) ShowFailure(run.change.history);
      host_.ReloadList();
      host_.FocusList();
      return true;
    case ContactStep::NotPermitted: InformationBox(host_.window(), kMsgNoPermission); return false;
    case ContactStep::Locked: InformationBox(host_.window(), kMsgBeingEdited); return false;
    case ContactStep::Gone:
    case ContactStep::Hidden: host_.ReloadList(); return false;
    case ContactStep::Frozen: Beep(); return false;
    case ContactStep::Cancelled:
      if (run.keptByExchange) {
        Result flushed = store.Flush();
        if (!run.exchangeWrite.ok()) ShowFailure(run.exchangeWrite);
        else if (!flushed.ok()) ShowFailure(flushed);
        host_.ReloadList();
        host_.FocusList();
      }
      return false;
    case ContactStep::Failed:
      ShowFailure(run.change.failure);
      host_.ReloadList();
      host_.FocusList();
      return false;
  }
  return false;
}

void ContactRecordCommands::DeleteContact() {
  host_.BringUpToDate();
  if (!MayChange()) return;
  const std::optional<RecordPosition> position = host_.selectedPosition();
  if (!position) {
    host_.FocusList();
    return;
  }
  RunDelete(*position, true);
}

qintptr ContactRecordCommands::DeleteDropped() {
  if (!host_.store()) return 0;
  const std::optional<RecordPosition> position = host_.selectedPosition();
  if (!position) {
    Beep();
    return 0;
  }
  if (!QuestionBox(host_.window(), kMsgDeleteContact)) return 0;
  if (!MayChange()) return 0;
  return RunDelete(*position, false) ? 1 : 0;
}

void ContactRecordCommands::UndoDelete() {
  RecordStore* store = host_.store();
  if (!store || !RecycleBin().Take(store->recordSize())) return;
  RecordPosition where = 0;
  if (Result undone = velmora::UndoDelete(*store, RecycleBin(), &where); !undone.ok()) {
    ShowFailure(undone);
    return;
  }
  host_.BinChanged();
  host_.ReloadList();
  host_.SelectRecord(where);
  host_.FocusList();
}

qintptr ContactRecordCommands::OnBinCommand(qintptr param) {
  if (param == kCmdUndoDelete) {
    UndoDelete();
    return 1;
  }
  if (param == kCmdDeleteContact) return DeleteDropped();
  return 0;
}

void ContactRecordCommands::CutContact() {
  if (!MayChange()) return;
  RecordStore& store = *host_.store();
  const std::optional<RecordPosition> position = host_.selectedPosition();
  if (!position) return;
  if (!QuestionBox(host_.window(), kMsgDeleteContact)) return;
  bool inExchange = false;
  RecordExchange& exchange = host_.exchange();
  const ContactChange change =
      velmora::CutContact(store, *position, RecycleBin(), ContactClipboard(), [&]() -> bool {
        Bytes record;
        if (store.ReadRecordIfLive(record, *position).ok() && exchange.TakesPart(record)) {
          inExchange = true;
          return false;
        }
        return true;
      });
  switch (change.step) {
    case ContactStep::Done:
      host_.BinChanged();
      Play("delete.wav");
      if (!change.history.ok()) ShowFailure(change.history);
      host_.ReloadList();
      return;
    case ContactStep::NotPermitted: InformationBox(host_.window(), kMsgNoPermission); return;
    case ContactStep::Locked: return;  // a cut says nothing about another user's lock
    case ContactStep::Gone:
    case ContactStep::Hidden: host_.ReloadList(); return;
    case ContactStep::Frozen: Beep(); return;
    case ContactStep::Cancelled:
      if (inExchange) Beep();
      return;
    case ContactStep::Failed:
      ShowFailure(change.failure);
      host_.ReloadList();
      return;
  }
}

void ContactRecordCommands::CopyContact() {
  if (!MayChange()) return;
  const std::optional<RecordPosition> position = host_.selectedPosition();
  if (!position) return;
  const ContactChange change = velmora::CopyContact(*host_.store(), *position, ContactClipboard());
  switch (change.step) {
    case ContactStep::Done: Play("copy.wav"); return;
    case ContactStep::Gone:
    case ContactStep::Hidden: host_.ReloadList(); return;
    case ContactStep::Failed: ShowFailure(change.failure); return;
    default: return;  // a copy says nothing about another user's lock
  }
}

void ContactRecordCommands::PasteContact() {
  RecordStore* store = host_.store();
  if (!store || !ContactClipboard().Take(store->recordSize())) return;
  RecordPosition where = 0;
  if (Result pasted = velmora::PasteContact(*store, ContactClipboard(), &where); !pasted.ok()) {
    ShowFailure(pasted);
    return;
  }
  Play("add.wav");
  host_.ReloadList();
  host_.SelectRecord(where);
  host_.FocusList();
}

void ContactRecordCommands::OpenAttachment() {
  if (!MayChange()) return;
  RecordStore& store = *host_.store();
  const std::optional<RecordPosition> position = host_.selectedPosition();
  if (!position) return;
  Bytes record;
  if (Result read = store.ReadRecordIfLive(record, *position); !read.ok()) {
    host_.ReloadList();
    return;
  }
  const Contact contact(std::move(record));
  if (contact.Confidential() && store.GetAccessLevel() != kAccessOwner) return;
  if (contact.Attachment().empty()) return;
  if (!OpenWithDesktop(contact.Attachment())) Beep();
}

}  // namespace velmora
