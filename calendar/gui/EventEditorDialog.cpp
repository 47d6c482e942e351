#include "calendar/gui/EventEditorDialog.h"

namespace velmora {

bool RunEventEditor(QWidget*, RecordStore&, EventRecord&, const EventRecord*) { return false; }

}  // namespace velmora
