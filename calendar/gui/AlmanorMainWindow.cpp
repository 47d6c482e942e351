#include "calendar/gui/AlmanorMainWindow.h"

#include "calendar/gui/AlarmRinger.h"
#include "calendar/gui/AlmanorApp.h"
#include "calendar/gui/AlmanorCommands.h"
#include "calendar/gui/CalendarExportDialog.h"
#include "calendar/gui/CalendarImport.h"
#include "calendar/gui/CalendarReportDialog.h"
#include "calendar/gui/CalendarPane.h"
#include "resources/Strings.h"
#include "shell/AboutDialog.h"
#include "shell/DesktopIntegration.h"
#include "shell/IntroPane.h"
#include "shell/MessageBoxes.h"
#include "shell/SuiteApp.h"
#include "store/Dates.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselToolBar.h"

namespace velmora {

namespace {

QString Text(int number) { return QString::fromStdString(LoadText(number)); }

}  // namespace

AlmanorMainWindow::AlmanorMainWindow(AlmanorApp& app, std::optional<QRect> placement)
    : SuiteMainWindow(app, placement), almanor_(app) {}

AlmanorMainWindow::~AlmanorMainWindow() { KillTimer(kAlarmTimer); }

bool AlmanorMainWindow::CreatePanes() {
  intro_ = new IntroPane(this);
  calendar_ = new CalendarPane(this, almanor_.editor());
  if (!intro_->Create(this) || !calendar_->Create(this)) return false;
  ringer_ = new AlarmRinger(this);
  connect(ringer_, &AlarmRinger::openEvent, this, &AlmanorMainWindow::ShowEvent);
  SetTimer(kAlarmTimer, kAlarmMilliseconds);
  return true;
}

void AlmanorMainWindow::AddToolBarButtons(TesselToolBar& toolBar) {
  // Command, bitmap, label (string number), and whether it opens a menu.
  struct Button {
    int command, bitmap, label;
    bool menu;
  };
  static constexpr Button kButtons[] = {
      {kCmdFileMenu, 2000, 3004, true},     {kCmdNewEvent, 2001, 3000, false},
      {kCmdEditEvent, 2002, 3001, false},   {kCmdDeleteEvent, 2003, 3002, false},
      {kCmdFind, 2004, 3003, false},        {kCmdHelpMenu, 2005, 3005, true},
  };
  for (const Button& b : kButtons) toolBar.AddButton({b.command, b.bitmap, Text(b.label), b.menu});
}

AcceleratorTable AlmanorMainWindow::Accelerators() const { return AcceleratorCommand; }

void AlmanorMainWindow::FocusWork() {
  if (calendar_) calendar_->FocusList();
}

void AlmanorMainWindow::SetRecordFile(RecordStore* store) {
  if (calendar_) calendar_->SetRecordFile(store);
  if (!store) return;
  if (const auto event = static_cast<AlmanorApp&>(app()).TakeEventToShow()) {
    ShowEvent(event->dayNumber, event->recordId);
  }
}

void AlmanorMainWindow::AddProgramState(std::vector<SettingValue>&) const {
  // The calendar keeps only "PaneId", which the frame writes.
}

void AlmanorMainWindow::Closing() { KillTimer(kAlarmTimer); }

// --- Alarms ----------------------------------------------------------------------

void AlmanorMainWindow::CheckAlarms() {
  if (RecordStore* open = store(); open && ringer_) ringer_->Check(*open);
}

void AlmanorMainWindow::ShowEvent(int dayNumber, quint64 recordId) {
  DateValue date;
  if (!calendar_ || !DateFromDayNumber(dayNumber, date)) return;
  if (CurrentPaneIndex() != kWorkPaneIndex) ShowPane(kWorkPaneIndex, false);
  calendar_->SwitchTab(CalendarPane::kDayTab);
  calendar_->SelectDate(date);
  (void)calendar_->SelectRecordId(recordId);
  calendar_->FocusList();
}

void AlmanorMainWindow::OnTimer(int id) {
  if (id == kAlarmTimer) {
    CheckAlarms();
    return;
  }
  SuiteMainWindow::OnTimer(id);
}

// --- Commands -------------------------------------------------------------------

qintptr AlmanorMainWindow::OnCommand(const Command& command) {
  const AlmanorRouting route = RouteAlmanorCommand(command.id, command.param, CurrentPaneIndex());
  switch (route.target) {
    case AlmanorRoute::Ignore:
      return 0;
    case AlmanorRoute::Beep:
      Beep();
      return 1;
    case AlmanorRoute::WorkPane:
      return app().ForwardToPane(QStringLiteral("Work"), Command{route.command, route.param, command.text,
                                                                command.point})
                 ? 1
                 : 0;
    case AlmanorRoute::Repost:
      PostCommand(this, route.command, route.param);
      return 1;
    case AlmanorRoute::Frame:
      return SuiteMainWindow::OnCommand(command);
    case AlmanorRoute::MainWindow:
      HandleCommand(command);
      return 1;
  }
  return 0;
}

void AlmanorMainWindow::HandleCommand(const Command& command) {
  if (HandleSharedCommand(command.id, command.param)) return;
  switch (command.id) {
    case kCmdFileMenu: ShowDropDownMenu(kCmdFileMenu, AlmanorFileMenu()); break;
    case kCmdHelpMenu: ShowDropDownMenu(kCmdHelpMenu, AlmanorHelpMenu()); break;
    case kCmdAbout: {
      AboutDialog about(QString::fromLatin1(AlmanorApp::kApplicationName),
                        QStringLiteral("The calendar of the Velmora personal organizer."), this);
      about.RunModal();
      break;
    }
    case kCmdHelpContents: (void)OpenHelp(AlmanorApp::kHelpPage); break;
    // The written texts: the report, the import and the export of events.
    case kCmdPrintReport:
    case kCmdImport:
    case kCmdExport: RunEventFileWindow(command.id); break;
    default:
      // The partner list and the server setup of the calendar are not part
      // of this program yet.
      break;
  }
}

void AlmanorMainWindow::RunEventFileWindow(int command) {
  RecordStore* open = store();
  if (!open || !calendar_) {
    Beep();
    return;
  }
  if (command == kCmdExport) {
    (void)RunCalendarExport(this, *open);
  } else if (command == kCmdImport) {
    (void)RunCalendarImport(this, *open);
    // The day list (and the week or month view) shows what was added.
    calendar_->Reload();
  } else {
    std::optional<CurrentEvent> current;
    Bytes selected;
    if (const std::optional<RecordPosition> at = calendar_->SelectedPosition();
        at && open->ReadRecordIfLive(selected, *at).ok()) {
      current = CurrentEvent{EventRecord(selected).id(), *at};
    }
    (void)RunCalendarReport(this, *open, calendar_->selectedDate(), current);
  }
}

}  // namespace velmora
