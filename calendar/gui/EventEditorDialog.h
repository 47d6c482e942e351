// The event editor: date and time buttons, All day, Subject, Notes,
// Categories, Confidential and the Alarm, Attach, Repeat and With buttons,
// with the dialogs they open.
#pragma once

#include "calendar/model/EventRecord.h"

class QWidget;

namespace velmora {

class RecordStore;

// Opens the editor on record and waits for it. A new event comes with its
// defaults applied (ApplyNewEventDefaults) and opened nullptr; an edited one
// with opened the record as it stood when the editor opened it. True on
// "OK": record then holds what the person entered, with the alarm settings
// confirmed (ConfirmEventEditor). The store gives the file's categories.
bool RunEventEditor(QWidget* parent, RecordStore& store, EventRecord& record, const EventRecord* opened);

}  // namespace velmora
