// Import of events from another program's delimited text file: the file is
// read a line at a time through the shared import wizard's reader, each
// line's columns are converted into a new event by the calendar's field
// catalogue, cleaned up, and stored unless the file already holds the same
// event.
#pragma once

#include <istream>

#include "calendar/model/CalendarCsvImport.h"
#include "calendar/model/CalendarImportCatalogue.h"
#include "importexport/ContactImport.h"
#include "shell/ImportWizard.h"
#include "store/RecordStore.h"
#include "store/Result.h"

class QWidget;

namespace velmora {


// What reads iCalendar files (recognised by BEGIN:VCALENDAR) whole.
WholeFileImporter ICalendarFiles(RecordStore& store);

// File > Import: the shared import wizard with the calendar's catalogue and
// heading table; the number of events added. ownFormat reads the files of
// another calendar format it recognises by their start (none given:
// iCalendar files).
int RunCalendarImport(QWidget* owner, RecordStore& store, const WholeFileImporter& ownFormat = {});

}  // namespace velmora
