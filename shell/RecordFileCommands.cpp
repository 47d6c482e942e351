#include "shell/RecordFileCommands.h"

#include <sys/stat.h>

#include <algorithm>

#include "resources/Strings.h"
#include "store/Bytes.h"
#include "store/Compact.h"
#include "store/FileSystem.h"
#include "store/RecordHeader.h"

namespace velmora {

namespace h = format::header;

namespace {

void Say(const FlowUi& ui, int number) {
  if (ui.message) ui.message(number);
}
void SayText(const FlowUi& ui, const std::string& text) {
  if (ui.messageText) ui.messageText(text);
}
void Beep(const FlowUi& ui) {
  if (ui.beep) ui.beep();
}

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Password(const Bytes& header, uint32_t offset) {
  return std::string(RawText(header.data() + offset, h::kPasswordWidth));
}

Result ReadHeaderWithProbe(const std::string& path, Bytes& header) {
  RecordStore probe(path, kProbePassword);
  return probe.OpenFailed() ? probe.OpenError() : probe.ReadHeader(header);
}

// Shows why result failed; false when it did.
bool Reported(const FlowUi& ui, const Result& result) {
  if (result.ok()) return true;
  SayText(ui, result.Message());
  return false;
}

// CheckAndCompact with force 1 that shows a failure through ui unless the
// compaction already told the user about it (through shown); ok when
// compacted.
bool CompactShowingFailure(const std::string& path, const CompactUi& shown, const FlowUi& ui) {
  bool told = false;
  CompactUi watched = shown;
  watched.showMessage = [&](const std::string& message) {
    told = true;
    if (shown.showMessage) shown.showMessage(message);
  };
  Result compacted = CheckAndCompact(path, 1, watched);
  if (!compacted.ok() && !told) SayText(ui, compacted.Message());
  return compacted.ok();
}

// Tells the program a long step runs for the life of the object.
class Busy {
 public:
  explicit Busy(const FlowUi& ui) : ui_(ui) {
    if (ui_.busy) ui_.busy(true);
  }
  ~Busy() {
    if (ui_.busy) ui_.busy(false);
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  const FlowUi& ui_;
};

// Paths compare ignoring ASCII case over at most 260 bytes.
bool SamePath(const std::string& a, const std::string& b) {
  std::string x = a.substr(0, 260), y = b.substr(0, 260);
  return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char c, char d) {
           return FoldCase(uint8_t(c)) == FoldCase(uint8_t(d));
         });
}

// The same file: equal paths as above, or one file on disk reached by two
// spellings ("..", a link). Only the identity is asked of the system here;
// the file itself is not opened.
bool SameFile(const std::string& a, const std::string& b) {
  if (SamePath(a, b)) return true;
  struct stat x {}, y {};
  return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace

std::string AccessDeniedMessage(const std::string& path) {
  return "Program can't use \"" + path + "\".\r\nAccess has been denied";
}

ResultOf<NetworkPasswords> ReadNetworkPasswords(const std::string& path) {
  Bytes header;
  if (Result read = ReadHeaderWithProbe(path, header); !read.ok()) return read;
  return NetworkPasswords{Password(header, h::kOwnerPassword), Password(header, h::kAssistantPassword),
                          Password(header, h::kReaderPassword)};
}

std::optional<std::string> ChooseOpenPassword(const std::string& path, const PasswordPrompt& prompt,
                                              const FlowUi& ui) {
  const ResultOf<NetworkPasswords> passwords = ReadNetworkPasswords(path);
  if (!Reported(ui, passwords.result())) return std::nullopt;
  if (passwords->owner.empty()) return std::string();
  if (!prompt) return std::nullopt;
  std::optional<std::string> typed = prompt(BaseName(path));
  if (!typed) return std::nullopt;
  // The Owner password is set, so an empty slot is no password: an empty
  // text opens nothing (as RecordStore's access check has it).
  if (!typed->empty() &&
      (*typed == passwords->owner || *typed == passwords->assistant || *typed == passwords->reader)) {
    return typed;
  }
  Say(ui, kMsgWrongPassword);
  return std::nullopt;
}

bool ChangeNetworkPasswords(RecordStore& store, const PasswordsDialog& enter, const PasswordsDialog& verify,
                            const FlowUi& ui) {
  const ResultOf<NetworkPasswords> current = ReadNetworkPasswords(store.path());
  if (!Reported(ui, current.result())) return false;
  if (store.password() != current->owner) {
    Say(ui, kMsgNoPermission);
    return false;
  }
  if (!enter) return false;
  std::optional<NetworkPasswords> chosen = enter();
  if (!chosen) return false;
  for (;;) {
    std::optional<NetworkPasswords> again = verify ? verify() : std::nullopt;
    if (!again) return false;
    if (*again == *chosen) break;
    Say(ui, kMsgPasswordsDiffer);
  }
  Bytes header;
  Result written = store.ReadHeader(header);
  if (written.ok()) {
    PutText(header.data() + h::kOwnerPassword, h::kPasswordWidth, chosen->owner);
    PutText(header.data() + h::kAssistantPassword, h::kPasswordWidth, chosen->assistant);
    PutText(header.data() + h::kReaderPassword, h::kPasswordWidth, chosen->reader);
    written = store.WriteHeader(header);
  }
  // Flushed at once: the passwords decide who may open the file next.
  if (written.ok()) written = store.Flush();
  if (!Reported(ui, written)) return false;
  // Keep Owner access: present the Owner password exactly as stored.
  store.SetPassword(Password(header, h::kOwnerPassword));
  return true;
}

EditOutcome EditEntry(RecordStore& store, RecordPosition position, const RecordEditor& editor, const FlowUi& ui) {
  const int level = store.GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) {
    Say(ui, kMsgNoPermission);
    return EditOutcome::NoPermission;
  }
  EditLock lock(store, position);
  if (!lock.held()) {
    Say(ui, kMsgBeingEdited);
    return EditOutcome::Locked;
  }
  Bytes record;
  if (!Reported(ui, store.ReadRecord(record, position))) return EditOutcome::Failed;
  if (rec::ExchangeState(record.data()) == 9) {
    (void)lock.Release();  // the beep is what the user gets; the lock ends either way
    Beep(ui);
    return EditOutcome::Skipped;
  }
  if (rec::Confidential(record.data()) && level != kAccessOwner) return EditOutcome::Skipped;
  if (!editor || !editor(record)) return EditOutcome::Cancelled;
  Result written = store.UpdateRecord(record, position);
  if (written.ok() && ui.play) ui.play("add.wav");
  Result unlocked = lock.Release();
  if (written.ok()) written = store.Flush();
  if (written.ok()) written = unlocked;
  return Reported(ui, written) ? EditOutcome::Saved : EditOutcome::Failed;
}

bool CompactCommand(const std::string& path, bool compactHistory, const FlowUi& ui, const CompactUi* progress) {
  CompactUi noProgress;
  const CompactUi& shown = progress ? *progress : noProgress;
  if (RecordStore::IsInUse(path)) {
    SayText(ui, AccessDeniedMessage(path));
    return false;
  }
  const bool compacted = CompactShowingFailure(path, shown, ui);
  const std::string history = path + ".history";
  if (compactHistory && RecordStore::FileExists(history)) {
    if (RecordStore::IsInUse(history)) SayText(ui, AccessDeniedMessage(history));
    else CompactShowingFailure(history, shown, ui);
  }
  return compacted;
}

bool SaveAsCommand(RecordStore& current, const std::string& target, bool copyHistory, const FlowUi& ui,
                   const CompactUi* progress) {
  CompactUi noProgress;
  const CompactUi& shown = progress ? *progress : noProgress;
  if (SameFile(target, current.path())) {
    Beep(ui);
    return false;
  }
  if (RecordStore::FileExists(target) && RecordStore::IsInUse(target)) {
    SayText(ui, AccessDeniedMessage(target));
    return false;
  }
  // What this connection wrote must be in the file before it is copied.
  if (!Reported(ui, current.Flush())) return false;
  Result copied;
  {
    Busy busy(ui);
    copied = CopyRecordFile(current.path(), target);
  }
  if (!Reported(ui, copied) || !CompactShowingFailure(target, shown, ui)) return false;
  const std::string history = current.path() + ".history";
  const std::string targetHistory = target + ".history";
  if (copyHistory && RecordStore::FileExists(history)) {
    if (RecordStore::FileExists(targetHistory) && RecordStore::IsInUse(targetHistory)) {
      SayText(ui, AccessDeniedMessage(targetHistory));
    } else {
      Result historyCopied;
      {
        Busy busy(ui);
        historyCopied = CopyRecordFile(history, targetHistory);
      }
      if (Reported(ui, historyCopied)) CompactShowingFailure(targetHistory, shown, ui);
    }
  } else if (copyHistory && RecordStore::FileExists(targetHistory)) {
    // The copy has no history: a history left at the target from another
    // file would hand that file's entries to these contacts.
    if (RecordStore::IsInUse(targetHistory)) SayText(ui, AccessDeniedMessage(targetHistory));
    else (void)Reported(ui, FileSystem::Default().Remove(targetHistory));
  }
  return true;
}

bool EditCategories(RecordStore& store, const CategoriesEditor& editor, const FlowUi& ui) {
  const int level = store.GetAccessLevel();
  if (level == kAccessReader || level == kAccessNone) {
    Say(ui, kMsgNoPermission);
    return false;
  }
  Bytes block;
  if (!Reported(ui, store.ReadCategories(block))) return false;
  CategoryList list(block);
  if (!editor || !editor(list)) return false;
  Result written = store.WriteCategories(list.ToBlock());
  if (written.ok()) written = store.Flush();
  return Reported(ui, written);
}

}  // namespace velmora
