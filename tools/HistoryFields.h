// The contact history's entry body in JSON, as `list` prints it.
#pragma once

#include "importexport/RecordJson.h"

namespace velmora::tool {

// "Contact_Id" (the contact's record id, a decimal string like "id"),
// "Date", "Time", "Description" and "Attachment".
FieldTable HistoryFields();

}  // namespace velmora::tool
