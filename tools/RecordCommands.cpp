// `list` and `add`: records as JSON lines, through a connection opened with
// the user's password, so the access levels apply as in the programs.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

}  // namespace

int RunList(const Arguments& args) {
  ResultOf<OpenedStore> opening = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opening.ok()) return Fail(opening.Message());
  OpenedStore opened = std::move(opening).value();
  RecordStore& store = *opened.store;
  RecordQuery query;
  query.AddMatchAll();
  if (Result ran = query.Run(store); !ran.ok()) return Fail(ran.Message());

  const FieldTable body = BodyFields(opened.kind);
  TextOutput out;
  Bytes record;
  for (RecordPosition position : query.positions()) {
    if (Interrupted()) break;
    // A record deleted by another user since the scan is simply gone.
    if (!store.ReadRecordIfLive(record, position).ok()) continue;
    if (!out.Write(JsonLine(RecordToJson(record.data(), position, body)) + '\n')) break;
  }
  return FinishListing(out);
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
