// Import of events from another program's delimited text file: the file is
// read a line at a time through the import reader, each line's columns are
// converted into a new event by the calendar's field catalogue, cleaned up,
// and stored unless the file already holds the same event. The import
// wizard of Almanor and `velmora import` both run it.
#pragma once

#include <istream>

#include "calendar/model/CalendarImportCatalogue.h"
#include "importexport/ContactImport.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// Imports the file into a calendar with the settings (separator, qualifier,
// heading, lines to skip, mapping onto CalendarImportCatalogue()): the
// wizard's, or those ProposedImportSettings gives for the file.
// A Reader is refused with code 104 and nothing read. A date or time that
// cannot be read is left for the clean-up (the date becomes today, a time
// the current time) and told in counts.partly; an empty line adds nothing.
// counts tells how far the import got, also on failure.
Result ImportEvents(RecordStore& store, std::istream& file, const ImportSettings& settings, const ImportClock& clock,
                    ImportCounts& counts, const ImportProgress& progress = {});

}  // namespace velmora
