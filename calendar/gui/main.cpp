// Almanor, the calendar of the Velmora suite. The command line holds at
// most one thing: the path of a record file to open.
#include <QApplication>
#include <QStringList>

#include "calendar/gui/AlmanorApp.h"
#include "shell/ProgramOptions.h"
#include "shell/SuiteServices.h"

int main(int argc, char** argv) {
  if (const auto answered = velmora::AnswerProgramOptions(argc, argv, "Almanor", "cld", "event", VELMORA_VERSION)) {
    return *answered;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Almanor"));
  // The real services: boxes, dialogs, desktop and files of this machine;
  // the switches, the clock style and the skin as "Velmora.ini" says.
  velmora::SuiteServices services;
  services.programName = "Almanor";
  services.strings = velmora::Program::Almanor;
  const velmora::ScopedSuiteServices installed(std::move(services));
  QStringList arguments = QApplication::arguments().mid(1);
  // "--event=YYYY-MM-DD:ID FILE": the reminders' "Open" shows that event.
  std::optional<velmora::AlmanorApp::EventToShow> event;
  if (!arguments.isEmpty() && (event = velmora::AlmanorApp::ParseEventOption(arguments.front()))) {
    arguments.removeFirst();
  }
  velmora::AlmanorApp almanor(arguments.join(QLatin1Char(' ')));
  if (event) almanor.ShowOnOpening(*event);
  return almanor.Run();
}
