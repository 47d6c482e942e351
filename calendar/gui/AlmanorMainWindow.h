// AlmanorMainWindow: the calendar's main window on the suite's frame
// (SuiteMainWindow). It adds the panes "Intro" and "Work" (the calendar
// pane), the toolbar buttons and menus, hands event commands to the "Work"
// pane (see AlmanorCommands.h) and runs the alarm check every two minutes
// (timer 106) while a file is open.
#pragma once

#include <optional>

#include "shell/SuiteMainWindow.h"

namespace velmora {

class AlarmRinger;
class AlmanorApp;
class CalendarPane;
class IntroPane;

class AlmanorMainWindow : public SuiteMainWindow {
  Q_OBJECT

 public:
  static constexpr int kAlarmTimer = 106;
  static constexpr int kAlarmMilliseconds = 120000;

  // placement: the saved outer rectangle, or nothing for the default.
  AlmanorMainWindow(AlmanorApp& app, std::optional<QRect> placement);
  ~AlmanorMainWindow() override;

  IntroPane* introPane() const { return intro_; }
  CalendarPane* calendarPane() const { return calendar_; }
  AlarmRinger* alarmRinger() const { return ringer_; }

  // Shows the "Work" pane on the event's date with the event selected (the
  // ringer's "Open").
  void ShowEvent(int dayNumber, quint64 recordId);
  // One tick of timer 106: the alarm check of the open file.
  void CheckAlarms();

  qintptr OnCommand(const Command& command) override;

  void SetRecordFile(RecordStore* store) override;
  void AddProgramState(std::vector<SettingValue>& values) const override;

 protected:
  bool CreatePanes() override;
  void AddToolBarButtons(TesselToolBar& toolBar) override;
  AcceleratorTable Accelerators() const override;
  void FocusWork() override;
  void Closing() override;
  void OnTimer(int id) override;

 private:
  void HandleCommand(const Command& command);
  // Print Report (1036), Import (1037) and Export (1038) on the open file.
  void RunEventFileWindow(int command);

  AlmanorApp& almanor_;
  IntroPane* intro_ = nullptr;
  CalendarPane* calendar_ = nullptr;
  AlarmRinger* ringer_ = nullptr;
};

}  // namespace velmora
