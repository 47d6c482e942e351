// Export of events to a comma-separated file: one header line with the
// seven field names, then one line per selected event, every value in
// double quotes (a double quote inside a value doubled), lines ending CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calendar/model/EventSelection.h"
#include "importexport/CsvField.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

inline constexpr const char* kExportDone = "Operation successful.";
inline constexpr size_t kMaxExportPathLength = 259;

std::string ExportHeaderLine();
// Date, start time, end time, category, all-day flag as a number, subject,
// notes.
std::string ExportLine(const EventRecord& record);
std::string FormatExport(const std::vector<SelectedEvent>& events);

// Selects the events and writes the export file to path, replacing it.
Result ExportEvents(RecordStore& store, const ExportOptions& options, const std::string& path);

// What the Export dialog tells the user: "Operation successful." or the
// failure with the file's name and the reason.
std::string ExportOutcomeMessage(const Result& result);

// The export file path kept under "ExportFile" of section "Preference" in
// the program's settings file (empty when absent); saving cuts it to 259
// bytes.
std::string LoadExportPath();
bool SaveExportPath(const std::string& path);

}  // namespace velmora
