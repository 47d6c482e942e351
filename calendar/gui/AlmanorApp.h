// AlmanorApp: the calendar's application object, the suite's start-up and
// frame (SuiteApp) configured with the name "Almanor", the ".cld" record
// file with its example events, and the calendar's main window.
#pragma once

#include <QString>

#include "calendar/gui/CalendarPane.h"
#include "shell/SuiteApp.h"

namespace velmora {

class AlmanorMainWindow;

class AlmanorApp : public SuiteApp {
 public:
  static constexpr const char* kApplicationName = "Almanor";
  static constexpr const char* kExtension = "cld";
  static constexpr const char* kFileFilter = "Almanor file (*.cld)|*.cld||";
  static constexpr const char* kHelpPage = "calendar.htm";

  // commandLine: the one optional path of a record file to open. editor:
  // what opens the event editor (none: RunEventEditor).
  explicit AlmanorApp(QString commandLine = {}, EventEditorFunction editor = {});
  ~AlmanorApp() override;

  AlmanorMainWindow* CreateMainWindow();
  AlmanorMainWindow* mainWindow() const;
  const EventEditorFunction& editor() const { return editor_; }

 private:
  EventEditorFunction editor_;
};

}  // namespace velmora
