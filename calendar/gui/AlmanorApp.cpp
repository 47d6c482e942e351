#include "calendar/gui/AlmanorApp.h"

#include <QStringList>

#include "calendar/gui/AlmanorMainWindow.h"
#include "calendar/model/ExampleEvents.h"
#include "store/Dates.h"

namespace velmora {

namespace {

SuiteProgram AlmanorProgram() {
  SuiteProgram program;
  program.name = AlmanorApp::kApplicationName;
  program.strings = Program::Almanor;
  program.extension = AlmanorApp::kExtension;
  program.fileFilter = AlmanorApp::kFileFilter;
  program.kind = format::FileKind::Calendar;
  program.samples = [](RecordStore& store) { return AddExampleEvents(store); };
  program.makeMainWindow = [](SuiteApp& app, std::optional<QRect> placement) {
    auto& almanor = static_cast<AlmanorApp&>(app);
    return std::unique_ptr<SuiteMainWindow>(std::make_unique<AlmanorMainWindow>(almanor, placement));
  };
  return program;
}

}  // namespace

AlmanorApp::AlmanorApp(QString commandLine, EventEditorFunction editor)
    : SuiteApp(AlmanorProgram(), std::move(commandLine)), editor_(std::move(editor)) {}

AlmanorApp::~AlmanorApp() = default;

AlmanorMainWindow* AlmanorApp::CreateMainWindow() {
  return static_cast<AlmanorMainWindow*>(SuiteApp::CreateMainWindow());
}

AlmanorMainWindow* AlmanorApp::mainWindow() const { return static_cast<AlmanorMainWindow*>(SuiteApp::mainWindow()); }

std::optional<AlmanorApp::EventToShow> AlmanorApp::ParseEventOption(const QString& argument) {
  static const QString kPrefix = QStringLiteral("--event=");
  if (!argument.startsWith(kPrefix)) return std::nullopt;
  const QStringList parts = argument.mid(kPrefix.size()).split(QLatin1Char(':'));
  if (parts.size() != 2) return std::nullopt;
  const QStringList ymd = parts[0].split(QLatin1Char('-'));
  bool ok = ymd.size() == 3;
  EventToShow event;
  if (ok) {
    bool y = false, m = false, d = false;
    const DateValue date{ymd[2].toUInt(&d), ymd[1].toUInt(&m), ymd[0].toUInt(&y)};
    event.dayNumber = DayNumber(date);
    ok = y && m && d && event.dayNumber != kInvalidDayNumber;
  }
  bool idOk = false;
  event.recordId = parts[1].toULongLong(&idOk);
  if (!ok || !idOk) return std::nullopt;
  return event;
}

}  // namespace velmora
