// `create` and `compact`: the commands that make or rewrite a whole file.
#include <filesystem>
#include <iostream>

#include "addressbook/model/ContactRecord.h"
#include "calendar/model/ExampleEvents.h"
#include "resources/Strings.h"
#include "store/Compact.h"
#include "store/RecordFileView.h"
#include "store/RecordStore.h"
#include "tools/Commands.h"
#include "tools/TerminalText.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

using format::FileKind;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Opens the new file as its creator and adds the sample records: the
// contacts of an address book, the events of a calendar.
Result AddExamples(const std::string& path, FileKind kind) {
  RecordStore store(path, "");
  if (store.OpenFailed()) return store.OpenError();
  return kind == FileKind::Calendar ? AddExampleEvents(store) : AddSampleContacts(store);
}

std::string AccessDenied(const std::string& path) {
  return "Program can't use " + Quoted(path) + ".\r\nAccess has been denied";
}

}  // namespace

int RunCreate(const Arguments& args) {
  const std::string& path = args.positional()[0];
  const std::string kindName = args.ValueOr("--kind", "address");
  std::optional<FileKind> kind = KindFromName(kindName);
  if (!kind) {
    return Fail("Unknown kind \"" + kindName + "\": expected address, calendar, history, partners or outbox.");
  }
  const bool examples = args.Has("--examples");
  if (examples && *kind != FileKind::Address && *kind != FileKind::Calendar) {
    return Fail("Example records are offered for address books and calendars only (--kind address or calendar).");
  }
  ActAsProgramFor(kind);
  // Creating replaces a file; a command line must not wipe an existing
  // address book because of a mistyped name.
  if (RecordStore::FileExists(path)) return Fail(LoadText(113));

  if (Result made = CreateRecordFile(path, *kind); !made.ok()) return Fail(made.Message());
  if (!examples) return kExitOk;

  Result added = AddExamples(path, *kind);
  if (!added.ok()) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return Fail("Cannot add the example records to " + Quoted(path) + ": " + added.Message());
  }
  if (Result ready = CheckAndCompact(path, 0); !ready.ok()) {
    return Fail("Cannot prepare the new file " + Quoted(path) + ": " + ready.Message());
  }
  return kExitOk;
}

int RunCompact(const Arguments& args) {
  const std::string& path = args.positional()[0];
  {
    RecordFileView view;
    if (Result loaded = view.Load(path); !loaded.ok()) return Fail(loaded.Message());
    ActAsProgramFor(KindFromRecordSize(view.shape().recordSize));
  }
  bool inUse = false;
  if (RecordStore::ProbeInUse(path, inUse).ok() && inUse) return Fail(AccessDenied(path));

  // Failures are reported from the result, which carries the cause; the
  // notes about dropped slots go to standard output.
  CompactUi ui;
  ui.showNotice = [](const std::string& note) { std::cout << TerminalSafe(note) << '\n'; };
  Result compacted = CheckAndCompact(path, 1, ui);
  if (compacted.ok()) return kExitOk;
  // Somebody may have opened the file between the test and the compaction.
  if (RecordStore::ProbeInUse(path, inUse).ok() && inUse) return Fail(AccessDenied(path));
  return Fail(compacted.Message());
}

}  // namespace velmora::tool
