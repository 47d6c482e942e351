// `update` and `delete`: change one contact or event as the program's window
// does, under the record's edit lock, with the window's refusals.
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <optional>
#include <string>

#include "addressbook/model/ContactCommands.h"
#include "importexport/RecordJson.h"
#include "resources/Strings.h"
#include "store/RecordHeader.h"
#include "tools/Commands.h"
#include "tools/InputLines.h"
#include "tools/RecordLineReader.h"
#include "tools/TextOutput.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

constexpr std::string_view kKindRefusal = "Records are updated and deleted in address books and calendars only.";

// What the records of the file are called in messages.
const char* Noun(const OpenedStore& opened) {
  return opened.kind == format::FileKind::Calendar ? "event" : "contact";
}

// The connection and the position of the contact a command changes, with
// the id the contact there must carry (when --id was given), or the message
// that refuses the command line.
struct Target {
  OpenedStore opened;
  RecordPosition position = 0;
  std::optional<uint64_t> id;
};

// A whole decimal number, as `list` prints positions and ids.
bool ParseNumber(const std::string& word, uint64_t& value) {
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  return !word.empty() && error == std::errc() && end == word.data() + word.size();
}

ResultOf<Target> OpenTarget(const Arguments& args) {
  const std::string& word = args.positional()[1];
  RecordPosition position = 0;
  if (!ParseNumber(word, position)) {
    return Result::Fail("POSITION must be a record position as `velmora list` prints it, not \"" + word + "\".");
  }
  std::optional<uint64_t> id;
  if (std::optional<std::string> idWord = args.Value("--id")) {
    uint64_t value = 0;
    if (!ParseNumber(*idWord, value)) {
      return Result::Fail("--id must be a record id as `velmora list` prints it, not \"" + *idWord + "\".");
    }
    id = value;
  }
  // Without --id, whatever contact lies at the position now is changed (the
  // usage text and the README warn about it); old scripts keep working.
  ResultOf<OpenedStore> opening = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opening.ok()) return opening.result();
  Target target{std::move(opening).value(), position, id};
  if (target.opened.kind != format::FileKind::Address && target.opened.kind != format::FileKind::Calendar) {
    return Result::Fail(std::string(kKindRefusal));
  }
  RecordStore& store = *target.opened.store;
  uint64_t size = 0;
  if (Result sized = store.FileSize(size); !sized.ok()) return sized;
  if (position < store.firstSlot() || (position - store.firstSlot()) % store.recordSize() != 0 ||
      position + store.recordSize() > size) {
    return Result::Fail("There is no record at position " + word + " of " + store.path() + ".");
  }
  return target;
}

// The refusal when the record at position is not the contact (event) with
// the expected id; checked under the edit lock, so the answer holds until
// the change is written.
std::string WrongContact(const std::optional<uint64_t>& expected, const Bytes& current, RecordPosition position,
                         const char* noun) {
  if (!expected || rec::Id(current.data()) == *expected) return {};
  return "The record at position " + std::to_string(position) + " is not the " + noun + " with id " +
         std::to_string(*expected) + " (it holds id " + std::to_string(rec::Id(current.data())) +
         "); nothing was changed.";
}

// The message for a command that did not get done; empty when it did.
std::string Refusal(const ContactChange& change, RecordPosition position, const char* noun) {
  switch (change.step) {
    case ContactStep::Done:
      return {};
    case ContactStep::NotPermitted:
      return LoadText(kMsgNoPermission);
    case ContactStep::Locked:
      return LoadText(kMsgBeingEdited);
    case ContactStep::Gone:
    case ContactStep::Hidden:  // a contact the user may not see is not there for them
      return std::string("There is no ") + noun + " at position " + std::to_string(position) + ".";
    case ContactStep::Frozen:
      return std::string("The ") + noun + " takes part in a record exchange and cannot be changed now.";
    case ContactStep::Cancelled:
    case ContactStep::Failed:
      return change.failure.Message();
  }
  return change.failure.Message();
}

// The one record line of the input; blank lines are skipped.
ResultOf<std::string> ReadOneRecordLine(size_t maxLength) {
  InputLines lines(STDIN_FILENO, maxLength);
  std::string record;
  size_t recordLine = 0;
  for (;;) {
    switch (lines.Next()) {
      case InputLines::Status::Line:
        break;
      case InputLines::Status::End:
        if (recordLine == 0) return Result::Fail("No record on standard input; update takes one JSON line.");
        return record;
      case InputLines::Status::TooLong:
        return Result::Fail("line " + std::to_string(lines.number()) +
                            ": longer than any record could be (more than " + std::to_string(maxLength) +
                            " bytes)");
      case InputLines::Status::ReadError:
        return Result::Fail(std::string("Cannot read the record from standard input: ") +
                            std::strerror(lines.error()));
      case InputLines::Status::Interrupted:
        return Result::Fail("Interrupted; nothing was changed.");
    }
    if (RecordLineReader::IsBlank(lines.line())) continue;
    if (recordLine != 0) {
      return Result::Fail("line " + std::to_string(lines.number()) + ": a second record; update takes one (line " +
                          std::to_string(recordLine) + ")");
    }
    recordLine = lines.number();
    record = std::string(lines.line());
  }
}

}  // namespace

int RunUpdate(const Arguments& args) {
  ResultOf<Target> opening = OpenTarget(args);
  if (!opening.ok()) return Fail(opening.Message());
  Target target = std::move(opening).value();
  RecordStore& store = *target.opened.store;
  FillOptions options;
  options.mayMarkConfidential = target.opened.accessLevel == kAccessOwner;
  std::optional<RecordLineReader> reader = RecordLineReader::For(store, target.opened.kind, options);
  if (!reader) return Fail(std::string(kKindRefusal));
  if (target.opened.accessLevel == kAccessReader) return Fail(LoadText(kMsgNoPermission));
  // The whole input is read and checked against the limits before the
  // contact is locked, so nobody waits on a slow pipe.
  ResultOf<std::string> input = ReadOneRecordLine(reader->maxLineLength());
  if (!input.ok()) return Fail(input.Message());
  const std::string line = std::move(input).value();
  ContactChange change = EditContact(store, target.position, [&](const Bytes& current, Bytes& changed) {
    if (std::string wrong = WrongContact(target.id, current, target.position, Noun(target.opened)); !wrong.empty()) {
      return Result::Fail(wrong);
    }
    Result read = reader->ReadOver(line, current, changed);
    if (!read.ok()) return Result::Fail("line 1: " + read.what());
    return read;
  });
  if (std::string refusal = Refusal(change, target.position, Noun(target.opened)); !refusal.empty()) return Fail(refusal);
  Bytes updated;
  if (Result reread = store.ReadRecord(updated, target.position); !reread.ok()) return Fail(reread.Message());
  TextOutput out;
  out.Write(JsonLine(RecordToJson(updated.data(), target.position, BodyFields(target.opened.kind))) + '\n');
  if (Result printed = out.Finish(); !printed.ok()) return Fail(printed.Message());
  return kExitOk;
}

int RunDelete(const Arguments& args) {
  ResultOf<Target> opening = OpenTarget(args);
  if (!opening.ok()) return Fail(opening.Message());
  Target target = std::move(opening).value();
  RecordStore& store = *target.opened.store;
  // Asked under the edit lock, before the contact is deleted.
  std::string wrong;
  auto sameContact = [&] {
    Bytes current;
    // A slot freed meanwhile is told by the delete itself, and so is a
    // contact this user may not see (whose id is not theirs to learn).
    if (!store.ReadRecordIfLive(current, target.position).ok()) return true;
    if (current[format::record::kConfidential] != 0 && target.opened.accessLevel != kAccessOwner) return true;
    wrong = WrongContact(target.id, current, target.position, Noun(target.opened));
    return wrong.empty();
  };
  // A calendar keeps no history beside it.
  const bool withHistory = target.opened.kind == format::FileKind::Address;
  ContactChange change = DeleteContact(store, target.position, sameContact, false, withHistory);
  if (!wrong.empty()) return Fail(wrong);
  if (std::string refusal = Refusal(change, target.position, Noun(target.opened)); !refusal.empty()) return Fail(refusal);
  if (!change.history.ok()) {
    return Fail("The contact was deleted, but not its history: " + change.history.Message());
  }
  return kExitOk;
}

}  // namespace velmora::tool
