// `update` and `delete`: change one contact as the address book's window
// does, under the record's edit lock, with the window's refusals.
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <string>

#include "addressbook/model/ContactCommands.h"
#include "importexport/RecordJson.h"
#include "resources/Strings.h"
#include "tools/Commands.h"
#include "tools/InputLines.h"
#include "tools/RecordLineReader.h"
#include "tools/TextOutput.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

// The connection and the position of the contact a command changes, or the
// message that refuses the command line.
struct Target {
  OpenedStore opened;
  RecordPosition position = 0;
};

ResultOf<Target> OpenTarget(const Arguments& args) {
  const std::string& word = args.positional()[1];
  RecordPosition position = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), position);
  if (word.empty() || error != std::errc() || end != word.data() + word.size()) {
    return Result::Fail("POSITION must be a record position as `velmora list` prints it, not \"" + word + "\".");
  }
  ResultOf<OpenedStore> opening = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opening.ok()) return opening.result();
  Target target{std::move(opening).value(), position};
  if (target.opened.kind != format::FileKind::Address) {
    return Result::Fail("Contacts are updated and deleted in address books only.");
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

// The message for a command that did not get done; empty when it did.
std::string Refusal(const ContactChange& change, RecordPosition position) {
  switch (change.step) {
    case ContactStep::Done:
      return {};
    case ContactStep::NotPermitted:
      return LoadText(kMsgNoPermission);
    case ContactStep::Locked:
      return LoadText(kMsgBeingEdited);
    case ContactStep::Gone:
    case ContactStep::Hidden:  // a contact the user may not see is not there for them
      return "There is no contact at position " + std::to_string(position) + ".";
    case ContactStep::Frozen:
      return "The contact takes part in a record exchange and cannot be changed now.";
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
  if (!reader) return Fail("Contacts are updated and deleted in address books only.");
  if (target.opened.accessLevel == kAccessReader) return Fail(LoadText(kMsgNoPermission));
  // The whole input is read and checked against the limits before the
  // contact is locked, so nobody waits on a slow pipe.
  ResultOf<std::string> input = ReadOneRecordLine(reader->maxLineLength());
  if (!input.ok()) return Fail(input.Message());
  const std::string line = std::move(input).value();
  ContactChange change = EditContact(store, target.position, [&](const Bytes& current, Bytes& changed) {
    Result read = reader->ReadOver(line, current, changed);
    if (!read.ok()) return Result::Fail("line 1: " + read.what());
    return read;
  });
  if (std::string refusal = Refusal(change, target.position); !refusal.empty()) return Fail(refusal);
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
  ContactChange change = DeleteContact(*target.opened.store, target.position);
  if (std::string refusal = Refusal(change, target.position); !refusal.empty()) return Fail(refusal);
  if (!change.history.ok()) {
    return Fail("The contact was deleted, but not its history: " + change.history.Message());
  }
  return kExitOk;
}

}  // namespace velmora::tool
