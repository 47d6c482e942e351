// Cardora, the address book of the Velmora suite. The command line holds at
// most one thing: the path of a record file to open.
#include <QApplication>
#include <QStringList>

#include "addressbook/gui/CardoraApp.h"
#include "shell/ProgramOptions.h"
#include "shell/SuiteServices.h"

int main(int argc, char** argv) {
  if (const auto answered = velmora::AnswerProgramOptions(argc, argv, "Cardora", "adr", "contact", VELMORA_VERSION)) {
    return *answered;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Cardora"));
  // The real services: boxes, dialogs, desktop and files of this machine;
  // the switches, the clock style and the skin as "Velmora.ini" says.
  velmora::SuiteServices services;
  services.strings = velmora::Program::Cardora;
  const velmora::ScopedSuiteServices installed(std::move(services));
  velmora::CardoraApp cardora(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
  return cardora.Run();
}
