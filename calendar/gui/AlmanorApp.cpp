#include "calendar/gui/AlmanorApp.h"

#include "calendar/gui/AlmanorMainWindow.h"
#include "calendar/model/ExampleEvents.h"

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

}  // namespace velmora
