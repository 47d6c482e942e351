// AlmanorApp: the calendar's application object, the suite's start-up and
// frame (SuiteApp) configured with the name "Almanor", the ".cld" record
// file with its example events, and the calendar's main window.
#pragma once

#include <QString>
#include <optional>
#include <utility>

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

  // The event to show on its day once the file is open (the reminders'
  // "Open" starts "Almanor --event=YYYY-MM-DD:ID FILE").
  struct EventToShow {
    int dayNumber = 0;
    quint64 recordId = 0;
  };
  void ShowOnOpening(EventToShow event) { eventToShow_ = event; }
  // Taken once: the next opening of a file shows nothing.
  std::optional<EventToShow> TakeEventToShow() { return std::exchange(eventToShow_, std::nullopt); }
  // "--event=2026-12-11:42": the day and the record's id; nothing for any
  // other text or an invalid date.
  static std::optional<EventToShow> ParseEventOption(const QString& argument);

 private:
  EventEditorFunction editor_;
  std::optional<EventToShow> eventToShow_;
};

}  // namespace velmora
