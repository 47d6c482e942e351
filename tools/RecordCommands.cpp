// `list`, `find` and `add`: records as JSON lines, through a connection
// opened with the user's password, so the access levels apply as in the
// programs. `list` can show an address book as its contact list does
// (category filter, sort order); `find` gives the "Find" dialog's matches.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/ContactHistory.h"
#include "addressbook/model/ContactSearch.h"
#include "resources/Strings.h"
#include "store/RecordQuery.h"
#include "tools/Commands.h"
#include "tools/InputLines.h"
#include "tools/Interruption.h"
#include "importexport/RecordJson.h"
#include "tools/RecordLineReader.h"
#include "tools/RecordSpool.h"
#include "tools/TextOutput.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

std::string LineError(size_t number, const std::string& text) { return "line " + std::to_string(number) + ": " + text; }

// Checks every line of input while spooling its record; a failure saying
// why when a line is bad, the input cannot be read or the tool was
// interrupted: then nothing is added.
Result SpoolInput(const RecordLineReader& reader, RecordSpool& spool) {
  InputLines lines(STDIN_FILENO, reader.maxLineLength());
  Bytes record;
  for (;;) {
    switch (lines.Next()) {
      case InputLines::Status::Line:
        break;
      case InputLines::Status::End:
        return Result::Ok();
      case InputLines::Status::TooLong:
        return Result::Fail(LineError(lines.number(), "longer than any record could be (more than " +
                                                          std::to_string(reader.maxLineLength()) + " bytes)"));
      case InputLines::Status::ReadError:
        return Result::Fail(std::string("Cannot read the records from standard input: ") +
                            std::strerror(lines.error()));
      case InputLines::Status::Interrupted:
        return Result::Fail("Interrupted; nothing was added.");
    }
    if (RecordLineReader::IsBlank(lines.line())) continue;
    if (Result read = reader.Read(lines.line(), record); !read.ok()) {
      return Result::Fail(LineError(lines.number(), read.what()));
    }
    if (Result spooled = spool.Append(record); !spooled.ok()) return spooled;
  }
}

// The sort order of `list --sort`: a whole number 1..10.
ResultOf<int> SortOrderOption(const std::string& text) {
  int order = 0;
  bool digits = !text.empty() && text.size() <= 2;
  for (char ch : text) digits = digits && ch >= '0' && ch <= '9';
  if (digits) order = std::stoi(text);
  if (!digits || order < kFirstSortKey || order > kLastSortKey) {
    return Result::Fail("--sort: expected a sort order from " + std::to_string(kFirstSortKey) + " to " +
                        std::to_string(kLastSortKey) + ", not " + QuotedForMessage(text));
  }
  return order;
}

// Prints the records at the query's positions, in its order, one JSON line
// each; with rights (a contact history), only the entries of the contacts
// they show.
int PrintRecords(RecordStore& store, const RecordQuery& query, std::optional<format::FileKind> kind,
                 const HistoryRights* rights = nullptr) {
  const RecordJsonWriter writer(BodyFields(kind));
  TextOutput out;
  Bytes record;
  std::string line;
  for (RecordPosition position : query.positions()) {
    if (Interrupted()) break;
    // A record deleted by another user since the scan is simply gone.
    if (!store.ReadRecordIfLive(record, position).ok()) continue;
    if (rights && !rights->Shows(GetU64(record.data() + history::kContactId))) continue;
    line.clear();
    writer.Append(line, record.data(), position);
    if (!out.Write(line)) break;
  }
  return FinishListing(out);
}

constexpr std::string_view kHistorySuffix = ".history";

// Opens the file to list. A contact history ("<book>.history") has no
// passwords of its own: it is opened as the programs open it, and the
// password is the book's, which decides what it shows (rights). A history
// without its book beside it has nothing to take rights from and lists
// whole, as any file without passwords.
ResultOf<OpenedStore> OpenForListing(const std::string& path, const std::string& password,
                                     std::optional<HistoryRights>& rights) {
  rights.reset();
  ResultOf<OpenedStore> plain = OpenWithPassword(path, "");
  if (!plain.ok() || plain->kind != format::FileKind::History) return OpenWithPassword(path, password);
  const std::string_view name(path);
  if (name.size() <= kHistorySuffix.size() || name.substr(name.size() - kHistorySuffix.size()) != kHistorySuffix) {
    return OpenWithPassword(path, password);
  }
  const std::string book(name.substr(0, name.size() - kHistorySuffix.size()));
  if (!RecordStore::FileExists(book)) return OpenWithPassword(path, password);
  ResultOf<OpenedStore> opening = OpenWithPassword(book, password);
  if (!opening.ok()) return opening.result();
  if (opening->kind != format::FileKind::Address) return OpenWithPassword(path, password);
  HistoryRights granted;
  if (Result found = HistoryRightsOf(*opening->store, granted); !found.ok()) return found;
  rights = std::move(granted);
  return plain;
}

}  // namespace

int RunList(const Arguments& args) {
  const std::optional<std::string> sortText = args.Value("--sort");
  const std::optional<std::string> category = args.Value("--category");
  int sortOrder = 0;
  if (sortText) {
    ResultOf<int> order = SortOrderOption(*sortText);
    if (!order.ok()) return Fail(order.Message());
    sortOrder = order.value();
  }
  std::optional<HistoryRights> rights;
  ResultOf<OpenedStore> opening = OpenForListing(args.positional()[0], args.ValueOr("--password", ""), rights);
  if (!opening.ok()) return Fail(opening.Message());
  OpenedStore opened = std::move(opening).value();
  RecordStore& store = *opened.store;
  RecordQuery query;
  if (sortText || category) {
    if (opened.kind != format::FileKind::Address) {
      return Fail(std::string(sortText ? "--sort" : "--category") +
                  " applies to address books only; list other files without it.");
    }
    const std::string filter = CategoryFilterForChoice(category.value_or(""));
    if (Result loaded = LoadContactList(store, query, filter, sortOrder); !loaded.ok()) return Fail(loaded.Message());
  } else {
    query.AddMatchAll();
    if (Result ran = query.Run(store); !ran.ok()) return Fail(ran.Message());
  }
  return PrintRecords(store, query, opened.kind, rights ? &*rights : nullptr);
}

int RunFind(const Arguments& args) {
  // As in the "Find" dialog, whose button needs a text.
  if (args.positional()[1].empty()) return Fail("Nothing to find: TEXT is empty.");
  ResultOf<OpenedStore> opening = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opening.ok()) return Fail(opening.Message());
  OpenedStore opened = std::move(opening).value();
  if (opened.kind != format::FileKind::Address) return Fail("Only address books can be searched with find.");
  RecordStore& store = *opened.store;
  RecordQuery query;
  if (Result found = velmora::RunFind(store, query, args.positional()[1], args.ValueOr("--category", ""));
      !found.ok()) {
    return Fail(found.Message());
  }
  return PrintRecords(store, query, opened.kind);
}

int RunAdd(const Arguments& args) {
  ResultOf<OpenedStore> opening = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opening.ok()) return Fail(opening.Message());
  OpenedStore opened = std::move(opening).value();
  RecordStore& store = *opened.store;
  FillOptions options;
  options.mayMarkConfidential = opened.accessLevel == kAccessOwner;
  std::optional<RecordLineReader> reader = RecordLineReader::For(store, opened.kind, options);
  if (!reader) return Fail("Records can be added to address books and calendars only.");
  if (opened.accessLevel == kAccessReader) return Fail(LoadText(102));

  RecordSpool spool(reader->newRecord());
  if (Result spooling = spool.Open(); !spooling.ok()) return Fail(spooling.Message());
  if (Result spooled = SpoolInput(*reader, spool); !spooled.ok()) return Fail(spooled.Message());
  if (Result rewound = spool.Rewind(); !rewound.ok()) return Fail(rewound.Message());

  const size_t total = spool.count();
  size_t added = 0;
  // One store batch at a time, so memory stays at one batch.
  const size_t perBatch = std::max<size_t>(1, std::min(kMaxBatchRecords, kMaxBatchBytes / store.recordSize()));
  Bytes batch;
  for (;;) {
    if (Interrupted()) {
      (void)store.Flush();  // best effort: the failure below is what is reported
      return Fail("Interrupted after adding " + std::to_string(added) + " of " + std::to_string(total) +
                  " records.");
    }
    if (Result read = spool.ReadBatch(perBatch, batch); !read.ok()) {
      (void)store.Flush();
      return Fail("Added " + std::to_string(added) + " of " + std::to_string(total) +
                  " records, then: " + read.Message());
    }
    if (batch.empty()) break;
    size_t batchAdded = 0;
    Result result = store.AddRecords(batch, &batchAdded);
    added += batchAdded;
    if (result.code() == kReaderRefused) return Fail(LoadText(102));
    if (!result.ok()) {
      (void)store.Flush();
      return Fail("Added " + std::to_string(added) + " of " + std::to_string(total) + " records, then: " +
                  result.Message());
    }
  }
  if (Result flushed = store.Flush(); !flushed.ok()) return Fail(flushed.Message());
  TextOutput out;
  out.Write(std::to_string(added) + '\n');
  // The records are in; a count that could not be written is still a
  // failure to report (a reader that went away is not).
  if (Result printed = out.Finish(); !printed.ok()) return Fail(printed.Message());
  return kExitOk;
}

}  // namespace velmora::tool
