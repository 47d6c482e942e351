// Velmora, the suite's tray program: rings the calendars' alarms while
// Almanor is closed. No window of its own; an icon in the desktop's tray.
#include <QApplication>
#include <QDBusConnection>

#include "shell/ProgramOptions.h"
#include "shell/SuiteServices.h"
#include "tray/TrayProgram.h"

int main(int argc, char** argv) {
  if (const auto answered = velmora::AnswerProgramOptionsWithUsage(argc, argv, "Velmora", VELMORA_VERSION,
                                                                   velmora::kTrayUsage)) {
    return *answered;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  velmora::SuiteServices services;
  services.programName = "Velmora";
  // The calendar's texts and icon.
  services.strings = velmora::Program::Almanor;
  const velmora::ScopedSuiteServices installed(std::move(services));
  return velmora::RunTrayProgram(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
}
