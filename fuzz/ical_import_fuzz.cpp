// libFuzzer target: the input is an iCalendar file imported into an empty
// calendar. The import must end without crash or hang; it must tell the
// same whether the file comes whole or in small pieces; every event it
// read is added, skipped as duplicate or told as not read; and the events
// it added, exported and imported into another empty calendar, come back
// whole (nothing kept in part) and export to the same text again. A failed
// check aborts, so the fuzzer keeps it.
//
//   ical_import_fuzz -max_len=65536 -rss_limit_mb=2048 ical-work fuzz/ical_corpus
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "calendar/model/EventSelection.h"
#include "calendar/model/ICalendar.h"
#include "store/RecordStore.h"

namespace {

using namespace velmora;

std::string g_folder;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "ical check failed: %s\n", what);
  std::abort();
}

std::string Fresh(const char* name) {
  const std::string path = g_folder + "/" + name;
  unlink(path.c_str());
  Check(CreateRecordFile(path, format::FileKind::Calendar).ok(), "calendar created");
  return path;
}

std::string Summary(const ImportCounts& counts) {
  std::string out = std::to_string(counts.linesRead) + " " + std::to_string(counts.added) + " " +
                    std::to_string(counts.duplicates) + "\n";
  for (const ImportLineProblem& p : counts.unread) out += "u" + std::to_string(p.line) + p.reason + "\n";
  for (const ImportLineProblem& p : counts.partly) out += "p" + std::to_string(p.line) + p.reason + "\n";
  return out;
}

std::string ExportAll(RecordStore& store, size_t& count) {
  ExportOptions options;
  options.range = EventRange::All;
  std::vector<SelectedEvent> events;
  Check(SelectEvents(store, options, events).ok(), "events selected");
  count = events.size();
  std::string out = ICalendarBegin();
  for (const SelectedEvent& e : events) out += ICalendarEvent(e.record, std::time_t(1700000000));
  return out + ICalendarEnd();
}

std::string WithoutUids(const std::string& text) {
  std::string out;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(from, 4, "UID:") != 0) out.append(text, from, end - from);
    from = end;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/ical-fuzz-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) std::abort();
  g_folder = made;
  setenv("VELMORA_HOME", made, 1);
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  (void)LooksLikeICalendar(bytes);

  RecordStore whole(Fresh("whole.cld"), "");
  ImportCounts counts;
  const Result imported = ImportICalendar(whole, bytes, counts);
  Check(counts.added + counts.duplicates + counts.unread.size() == counts.linesRead || !imported.ok(),
        "every event added, a duplicate or told");

  // The same file in pieces of five bytes.
  {
    RecordStore pieces(Fresh("pieces.cld"), "");
    size_t at = 0;
    ICalendarInput input;
    input.next = [&](std::string& chunk) {
      chunk = at < bytes.size() ? bytes.substr(at, 5) : std::string();
      at += 5;
      return Result::Ok();
    };
    ImportCounts again;
    const Result second = ImportICalendar(pieces, input, again);
    Check(second.ok() == imported.ok(), "same outcome in pieces");
    Check(Summary(again) == Summary(counts), "same counts in pieces");
  }

  if (!imported.ok() || counts.added == 0) return 0;
  size_t count = 0;
  const std::string first = ExportAll(whole, count);
  Check(count == counts.added, "every added event in the file");
  RecordStore copy(Fresh("copy.cld"), "");
  ImportCounts back;
  Check(ImportICalendar(copy, first, back).ok(), "our export imports");
  Check(back.unread.empty() && back.partly.empty(), "our export imports whole");
  Check(back.added + back.duplicates == count, "every exported event read");
  size_t copied = 0;
  const std::string second = ExportAll(copy, copied);
  if (back.duplicates == 0) Check(WithoutUids(second) == WithoutUids(first), "export, import, export: same text");
  return 0;
}
