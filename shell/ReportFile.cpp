#include "shell/ReportFile.h"

#include <QFileInfo>
#include <QString>

#include "shell/MessageBoxes.h"
#include "shell/SuiteServices.h"

namespace velmora {

bool PrintReportFile(QWidget* owner, const std::string& path) {
  if (!QFileInfo(QString::fromStdString(path)).isFile()) {
    InformationBox(owner, "Nothing was printed: the report file \"" + path + "\" does not exist.");
    return false;
  }
  if (!PrintTextFile(path)) {
    InformationBox(owner, "The report \"" + path + "\" could not be handed to the printer.");
    return false;
  }
  return true;
}

}  // namespace velmora
