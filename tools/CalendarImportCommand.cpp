// `import` into a calendar: an iCalendar file, streamed event by event, or
// another program's delimited text file, streamed line by line.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "calendar/model/CalendarCsvImport.h"
#include "calendar/model/ICalendar.h"
#include "importexport/ImportReader.h"
#include "store/Dates.h"
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

// item: "Event at line" for iCalendar events, "Line" for lines of text.
void PrintEventCounts(const ImportCounts& counts, bool events) {
  const char* read = events ? "Events read: " : "Lines read: ";
  const char* item = events ? "Event at line " : "Line ";
  std::ostringstream out;
  out << read << counts.linesRead << '\n'
      << "Added: " << counts.added << '\n'
      << "Skipped as duplicates: " << counts.duplicates << '\n';
  for (const ImportLineProblem& problem : counts.unread) {
    out << item << problem.line << " not read: " << TerminalSafe(OneLine(problem.reason)) << '\n';
  }
  for (const ImportLineProblem& problem : counts.partly) {
    out << item << problem.line << " kept in part: " << TerminalSafe(OneLine(problem.reason)) << '\n';
  }
  std::cout << out.str() << std::flush;
}

}  // namespace

int RunCalendarImport(const Arguments& args, RecordStore& store) {
  const std::string& inputPath = args.positional()[1];
  std::ifstream in(inputPath, std::ios::binary);
  if (!in) return Fail(Result::Fail("Cannot open the import file", errno, inputPath).Message());
  std::string start(kChunkBytes, '\0');
  in.read(start.data(), std::streamsize(start.size()));
  start.resize(size_t(in.gcount()));
  if (in.bad()) return Fail(Result::Fail("Cannot read the import file", errno, inputPath).Message());
  const bool ical = LooksLikeICalendar(start);
  if (ical && (args.Value("--map") || args.Has("--no-heading"))) {
    return Fail("--map and --no-heading apply to delimited text files, not to an iCalendar file.");
  }
  if (!ical && !LooksLikeText(start)) {
    return Fail("Not a file a calendar imports: \"" + inputPath +
                "\"; a calendar takes iCalendar files (BEGIN:VCALENDAR on the first line) and delimited text.");
  }
  const ImportProgress progress = [](size_t, size_t) { return !Interrupted(); };
  ImportCounts counts;
  Result imported = Result::Ok();
  if (ical) {
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
    imported = ImportICalendar(store, input, counts, progress);
  } else {
    // Columns by their headings (the calendar's own and other programs'
    // names for them) or by position, as the window's wizard proposes.
    const std::string map = args.ValueOr("--map", "default");
    const ImportSettings settings = ProposedImportSettings(
        start, !args.Has("--no-heading"), map == "positional" ? ImportMapChoice::Positional : ImportMapChoice::Default,
        CalendarImportCatalogue(), CalendarImportAliases(), {});
    in.clear();
    in.seekg(0);
    if (!in) return Fail(Result::Fail("Cannot read the import file", errno, inputPath).Message());
    imported = ImportEvents(store, in, settings, ImportClock{Today(), Now(5)}, counts, progress);
  }
  if (imported.code() == kReaderRefused) return Fail(LoadText(kMsgNoPermission));
  PrintEventCounts(counts, ical);
  if (!imported.ok()) return Fail(imported.Message());
  if (counts.cancelled) {
    return Fail("Interrupted; " + CountedText(counts.added, "event", "events") + " " + WasOrWere(counts.added) +
                " added before the import stopped.");
  }
  return kExitOk;
}

}  // namespace velmora::tool
