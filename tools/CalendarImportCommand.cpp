// `import` into a calendar: an iCalendar file, streamed event by event.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "calendar/model/ICalendar.h"
#include "importexport/CountedText.h"
#include "resources/Strings.h"
#include "tools/Commands.h"
#include "tools/Interruption.h"
#include "tools/TerminalText.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

// Bytes read from the file at a time.
constexpr size_t kChunkBytes = size_t(64) << 10;

void PrintEventCounts(const ImportCounts& counts) {
  std::ostringstream out;
  out << "Events read: " << counts.linesRead << '\n'
      << "Added: " << counts.added << '\n'
      << "Skipped as duplicates: " << counts.duplicates << '\n';
  for (const ImportLineProblem& problem : counts.unread) {
    out << "Event at line " << problem.line << " not read: " << TerminalSafe(OneLine(problem.reason)) << '\n';
  }
  for (const ImportLineProblem& problem : counts.partly) {
    out << "Event at line " << problem.line << " kept in part: " << TerminalSafe(OneLine(problem.reason)) << '\n';
  }
  std::cout << out.str() << std::flush;
}

}  // namespace

int RunCalendarImport(const Arguments& args, RecordStore& store) {
  if (args.Value("--map") || args.Has("--no-heading")) {
    return Fail("--map and --no-heading apply to delimited text files, not to an iCalendar file.");
  }
  const std::string& inputPath = args.positional()[1];
  std::ifstream in(inputPath, std::ios::binary);
  if (!in) return Fail(Result::Fail("Cannot open the import file", errno, inputPath).Message());
  std::string start(kChunkBytes, '\0');
  in.read(start.data(), std::streamsize(start.size()));
  start.resize(size_t(in.gcount()));
  if (in.bad()) return Fail(Result::Fail("Cannot read the import file", errno, inputPath).Message());
  // Other files (CSV, vCards) go to address books.
  if (!LooksLikeICalendar(start)) {
    return Fail("Not an address book: \"" + args.positional()[0] +
                "\"; a calendar file imports iCalendar files only (BEGIN:VCALENDAR on the first line).");
  }
  ICalendarInput input;
  input.next = [&](std::string& chunk) {
    if (!start.empty()) {  // the start, read already
      chunk.swap(start);
      start.clear();
      return Result::Ok();
    }
    chunk.resize(kChunkBytes);
    in.read(chunk.data(), std::streamsize(chunk.size()));
    chunk.resize(size_t(in.gcount()));
    if (in.bad()) return Result::Fail("Cannot read the import file", errno, inputPath);
    return Result::Ok();
  };
  const ImportProgress progress = [](size_t, size_t) { return !Interrupted(); };
  ImportCounts counts;
  Result imported = ImportICalendar(store, input, counts, progress);
  if (imported.code() == kReaderRefused) return Fail(LoadText(kMsgNoPermission));
  PrintEventCounts(counts);
  if (!imported.ok()) return Fail(imported.Message());
  if (counts.cancelled) {
    return Fail("Interrupted; " + CountedText(counts.added, "event", "events") + " " + WasOrWere(counts.added) +
                " added before the import stopped.");
  }
  return kExitOk;
}

}  // namespace velmora::tool
