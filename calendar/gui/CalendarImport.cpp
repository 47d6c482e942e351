#include "calendar/gui/CalendarImport.h"

#include <cerrno>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "calendar/model/CalendarCsvImport.h"
#include "calendar/model/EventRecord.h"
#include "calendar/model/ICalendar.h"
#include "importexport/ImportConversion.h"
#include "importexport/ImportReader.h"
#include "shell/ImportWizard.h"
#include "store/Dates.h"

namespace velmora {

namespace {

// How much of the file's start must be text before it is read as lines.
constexpr size_t kTextCheckBytes = size_t(256) << 10;

}  // namespace

WholeFileImporter ICalendarFiles(RecordStore& store) {
  WholeFileImporter importer;
  importer.fileFilter = "iCalendar file (*.ics)|*.ics|";
  importer.recognises = [](std::string_view fileStart) { return LooksLikeICalendar(fileStart); };
  importer.run = [&store](std::istream& file, uint64_t, ImportCounts& counts, const ImportProgress& progress) {
    ICalendarInput input;
    input.next = [&file](std::string& chunk) -> Result {
      chunk.resize(size_t{64} << 10);
      file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      chunk.resize(static_cast<size_t>(file.gcount()));
      if (file.bad()) return Result::Fail("Cannot read the import file", errno);
      return Result::Ok();
    };
    return ImportICalendar(store, input, counts, progress);
  };
  return importer;
}

int RunCalendarImport(QWidget* owner, RecordStore& store, const WholeFileImporter& ownFormat) {
  ImportWizardHost host;
  host.wholeFile = ownFormat.run ? ownFormat : ICalendarFiles(store);
  host.catalogue = CalendarImportCatalogue();
  host.aliases = CalendarImportAliases();
  host.run = [&store](std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                      const ImportProgress& progress) -> Result {
    std::string start(kTextCheckBytes, '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<size_t>(file.gcount()));
    if (file.bad()) return Result::Fail("Cannot read the import file", errno);
    if (!LooksLikeText(start)) return Result::Fail("The file is not a text file with values separated by commas, "
                                                   "semicolons or tabs.");
    file.clear();
    if (!file.seekg(0)) return Result::Fail("Cannot read the import file", errno);
    return ImportEvents(store, file, settings, ImportClock{Today(), Now(5)}, counts, progress);
  };
  return RunImportWizard(owner, store, host);
}

}  // namespace velmora
