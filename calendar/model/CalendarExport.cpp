#include "calendar/model/CalendarExport.h"

#include "importexport/TextFileOutput.h"
#include "store/Bytes.h"
#include "store/Settings.h"

namespace velmora {

namespace {

constexpr const char* kFieldNames[] = {"Date", "Start Time", "End Time", "Category", "All day event", "Subject",
                                       "Notes"};

std::string JoinLine(std::initializer_list<std::string_view> values) {
  std::string line;
  bool first = true;
  for (std::string_view value : values) {
    if (!first) line += ',';
    first = false;
    line += CsvField(value);
  }
  line += "\r\n";
  return line;
}

}  // namespace

std::string ExportHeaderLine() {
  return JoinLine({kFieldNames[0], kFieldNames[1], kFieldNames[2], kFieldNames[3], kFieldNames[4], kFieldNames[5],
                   kFieldNames[6]});
}

std::string ExportLine(const EventRecord& record) {
  return JoinLine({FormatDate(record.eventDate()), FormatTime(record.startTime()), FormatTime(record.endTime()),
                   record.category(), std::to_string(int32_t(record.allDayFlag())), record.subject(), record.notes()});
}

std::string FormatExport(const std::vector<SelectedEvent>& events) {
  std::string out = ExportHeaderLine();
  for (const SelectedEvent& e : events) out += ExportLine(e.record);
  return out;
}

Result ExportEvents(RecordStore& store, const ExportOptions& options, const std::string& path) {
  std::vector<SelectedEvent> events;
  Result selected = SelectEvents(store, options, events);
  if (!selected) return selected;
  // The export carries the calendar's events: no wider readable than it.
  return WriteTextFile(path, FormatExport(events), "Cannot create the export file",
                       OutputMode::NoWiderThanFile(FileSystem::Default(), store.path()));
}

std::string ExportOutcomeMessage(const Result& result) { return result ? kExportDone : result.Message(); }

std::string LoadExportPath() {
  std::string path;
  ReadSettingText(ProgramSettingsPath(), "Preference", "ExportFile", path, kMaxExportPathLength + 1);
  return path;
}

bool SaveExportPath(const std::string& path) {
  return WriteSettingText(ProgramSettingsPath(), "Preference", "ExportFile",
                          path.substr(0, Utf8CutLength(path, kMaxExportPathLength)))
      .ok();
}

}  // namespace velmora
