// What both programs' "Print Report" dialogs do with the report file once
// it is written: hand it to the printer, telling the user when it is
// missing or the printer did not take it.
#pragma once

#include <string>

class QWidget;

namespace velmora {

// Prints the report file at path; a missing file or a refusal of the
// printer is told in a message box over owner. True when it was printed.
bool PrintReportFile(QWidget* owner, const std::string& path);

}  // namespace velmora
