// Almanor's main window: start-up on the default file with the example
// events, the start pane, the command routing, the alarm check's "Open",
// and the New and Edit event commands through a scripted editor.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "AlmanorTestSupport.h"
#include "calendar/gui/AlarmRinger.h"
#include "calendar/gui/AlmanorCommands.h"
#include "calendar/model/ExampleEvents.h"
#include "resources/Strings.h"
#include "shell/IntroPane.h"
#include "store/RecordHeader.h"
#include "toolkit/Command.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselToolBar.h"
#include "shell/DesktopIntegration.h"
#include "tests/support/Records.h"

namespace velmora {
namespace {

using testing::AddEvent;
using testing::AlmanorTest;
using testing::DaySubjects;
using testing::MakeEvent;
using testing::Settle;
using testing::WaitUntil;

const std::vector<std::string> kExampleSubjects = {"Business meeting with Robert Hall", "Lunch with Susan Parker",
                                                   "Call Northwind Traders about the delivery"};

TEST_F(AlmanorTest, StartupCreatesTheDefaultFileWithTheExampleEventsOnToday) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Almanor : almanor.cld"));
  EXPECT_EQ(store().path(), DefaultPath());
  EXPECT_EQ(store().recordSize(), event::kRecordSize);
  EXPECT_EQ(pane()->selectedDate(), Today());
  EXPECT_EQ(DaySubjects(*pane()), kExampleSubjects);
  EXPECT_EQ(CurrentPaneIndex(), 1);
  EXPECT_TRUE(pane()->isVisible());
  EXPECT_FALSE(window_->introPane()->isVisible());
  EXPECT_TRUE(window_->ClientRect().contains(pane()->geometry()));
}

TEST_F(AlmanorTest, TheExampleEventsAreTheThreeOfANewFile) {
  ASSERT_TRUE(Start());
  const DateValue day{20, 1, 2004};
  const std::vector<EventRecord> events = ExampleEvents(store(), day);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[0].allDay());
  EXPECT_EQ(FormatTime(events[0].startTime()) + "-" + FormatTime(events[0].endTime()), "10:00-10:20");
  EXPECT_EQ(FormatTime(events[1].startTime()) + "-" + FormatTime(events[1].endTime()), "14:10-15:00");
  EXPECT_EQ(FormatTime(events[2].startTime()) + "-" + FormatTime(events[2].endTime()), "16:20-16:20");
  EXPECT_EQ(events[2].category(), "Calls");
  for (const EventRecord& e : events) {
    EXPECT_EQ(e.eventDate(), day);
    EXPECT_FALSE(e.alarmSet());
    EXPECT_FALSE(e.repeats());
    EXPECT_NE(e.id(), 0u);
  }
  EXPECT_FALSE(events[1].allDay());
  EXPECT_NE(events[0].id(), events[1].id());
}

TEST_F(AlmanorTest, AFileCreatedWithoutExamplesIsEmpty) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(OpenNewFile("Works/plain.cld", false));
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Almanor : plain.cld"));
  EXPECT_EQ(pane()->dayList()->rowCount(), 0);
}

TEST_F(AlmanorTest, ThePaneShownAtTheEndIsTheOneShownAtTheNextStart) {
  ASSERT_TRUE(Start());
  window_->ShowPane(0, false);
  Stop();
  EXPECT_EQ(sandbox_.ProgramSetting("PaneId"), std::optional<std::string>("0"));
  ASSERT_TRUE(Start());
  EXPECT_EQ(CurrentPaneIndex(), 0);
  EXPECT_TRUE(window_->introPane()->isVisible());
  EXPECT_FALSE(pane()->isVisible());
  window_->ShowPane(1, false);
  Stop();
  EXPECT_EQ(sandbox_.ProgramSetting("PaneId"), std::optional<std::string>("1"));
}

struct PaneIdCase {
  const char* paneId;  // empty: absent
  int expected;
};

class AlmanorPaneIdTest : public AlmanorTest, public ::testing::WithParamInterface<PaneIdCase> {};

TEST_P(AlmanorPaneIdTest, ChoosesTheStartPane) {
  const PaneIdCase& c = GetParam();
  if (*c.paneId) sandbox_.SetProgram("PaneId", c.paneId);
  ASSERT_TRUE(Start());
  EXPECT_EQ(CurrentPaneIndex(), c.expected);
  EXPECT_EQ(pane()->isVisible(), c.expected == 1);
}

INSTANTIATE_TEST_SUITE_P(Values, AlmanorPaneIdTest,
                         ::testing::Values(PaneIdCase{"", 1}, PaneIdCase{"0", 0}, PaneIdCase{"1", 1},
                                           PaneIdCase{"7", 0}, PaneIdCase{"-1", 0}));

TEST_F(AlmanorTest, TheIntroPaneShowsTheCalendarsText) {
  ASSERT_TRUE(Start());
  EXPECT_NE(LoadText(kMsgIntro).find("Almanor"), std::string::npos);
}

TEST_F(AlmanorTest, TheToolbarCarriesTheSixButtons) {
  ASSERT_TRUE(Start());
  TesselToolBar* bar = window_->toolBar();
  ASSERT_TRUE(bar);
  std::vector<int> commands;
  for (const auto& button : bar->buttons()) commands.push_back(button.command);
  EXPECT_EQ(commands, (std::vector<int>{kCmdFileMenu, kCmdNewEvent, kCmdEditEvent, kCmdDeleteEvent, kCmdFind,
                                        kCmdHelpMenu}));
}

// --- Routing ------------------------------------------------------------------

struct RouteCase {
  int command;
  int pane;
  AlmanorRoute target;
  int routed;      // the command after routing
  qintptr param;
};

class AlmanorRouteTest : public ::testing::TestWithParam<RouteCase> {};

TEST_P(AlmanorRouteTest, SendsTheCommandWhereItBelongs) {
  const RouteCase& c = GetParam();
  const AlmanorRouting route = RouteAlmanorCommand(c.command, 0, c.pane);
  EXPECT_EQ(route.target, c.target) << c.command << " on pane " << c.pane;
  if (c.target != AlmanorRoute::Ignore) {
    EXPECT_EQ(route.command, c.routed);
    EXPECT_EQ(route.param, c.param);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, AlmanorRouteTest,
    ::testing::Values(
        // New event reaches the calendar from either pane; the others only
        // while it is shown.
        RouteCase{kCmdNewEvent, 0, AlmanorRoute::WorkPane, kCmdNewEvent, 0},
        RouteCase{kCmdNewEvent, 1, AlmanorRoute::WorkPane, kCmdNewEvent, 0},
        RouteCase{kCmdEditEvent, 1, AlmanorRoute::WorkPane, kCmdEditEvent, 0},
        RouteCase{kCmdEditEvent, 0, AlmanorRoute::Ignore, 0, 0},
        RouteCase{kCmdDeleteEvent, 0, AlmanorRoute::Ignore, 0, 0},
        RouteCase{kCmdPaste, 1, AlmanorRoute::WorkPane, kCmdPaste, 0},
        RouteCase{kCmdInternetEvents, 0, AlmanorRoute::Beep, kCmdInternetEvents, 0},
        RouteCase{kCmdInternetEvents, 1, AlmanorRoute::WorkPane, kCmdInternetEvents, 0},
        // Keys become their commands; Insert, Enter and Delete are always
        // the event commands.
        RouteCase{keys::kInsert, 0, AlmanorRoute::Repost, kCmdNewEvent, 0},
        RouteCase{keys::kEnter, 1, AlmanorRoute::Repost, kCmdEditEvent, 0},
        RouteCase{keys::kDelete, 1, AlmanorRoute::Repost, kCmdDeleteEvent, 0},
        RouteCase{keys::kWorkPane, 0, AlmanorRoute::Repost, kCmdPane, 1},
        RouteCase{keys::kWorkPane, 1, AlmanorRoute::Ignore, 0, 0},
        RouteCase{keys::kCut, 0, AlmanorRoute::Ignore, 0, 0},
        RouteCase{keys::kCut, 1, AlmanorRoute::Repost, kCmdCut, 0},
        RouteCase{keys::kHelp, 1, AlmanorRoute::Repost, kCmdHelpContents, 0},
        // The frame's and the main window's own.
        RouteCase{kCmdAbout, 1, AlmanorRoute::MainWindow, kCmdAbout, 0},
        RouteCase{kCmdNewFile, 0, AlmanorRoute::MainWindow, kCmdNewFile, 0},
        RouteCase{kCmdSkins, 1, AlmanorRoute::Frame, kCmdSkins, 0},
        RouteCase{1501, 1, AlmanorRoute::Frame, 1501, 0},
        // The address book's own commands do nothing here.
        RouteCase{kCmdMailMerge, 1, AlmanorRoute::Ignore, 0, 0},
        RouteCase{kCmdPicture, 1, AlmanorRoute::Ignore, 0, 0},
        RouteCase{kCmdCustomView, 1, AlmanorRoute::Ignore, 0, 0},
        RouteCase{1015, 1, AlmanorRoute::Ignore, 0, 0}));

TEST(AlmanorMenus, TheFileMenuHasNoAddressBookEntries) {
  std::vector<int> commands;
  for (const MenuItem& item : AlmanorFileMenu()) {
    if (!item.separator()) commands.push_back(item.command);
  }
  EXPECT_EQ(commands, (std::vector<int>{kCmdNewFile, kCmdOpenFile, kCmdSaveAs, kCmdCompact, kCmdImport, kCmdExport,
                                        kCmdPrintReport, kCmdNetworkPasswords, kCmdGeneralOptions, kCmdSkins,
                                        kCmdExit}));
  EXPECT_EQ(AlmanorHelpMenu().back().text, "About...");
}

TEST_F(AlmanorTest, TheHelpCommandOpensTheCalendarsPage) {
  ASSERT_TRUE(Start());
  std::vector<QUrl> opened;
  const UrlOpener previous = SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  PostCommand(window_, kCmdHelpContents);
  const bool one = WaitUntil([&] { return opened.size() == 1; });
  SetUrlOpener(previous);
  ASSERT_TRUE(one);
  EXPECT_TRUE(opened[0].toString().endsWith(QStringLiteral("calendar.htm"))) << opened[0].toString().toStdString();
}

// --- Alarm check ------------------------------------------------------------------

TEST_F(AlmanorTest, TheRingersOpenShowsTheEventOnItsDay) {
  ASSERT_TRUE(Start());
  const DateValue day{14, 3, 2031};
  const uint64_t id = NewEventRecord(store()).id();
  EventRecord record = MakeEvent(store(), day, "Board review");
  AddEvent(store(), MakeEvent(store(), day, "Earlier", {}, 7, 8));
  AddEvent(store(), record);
  window_->ShowPane(0, false);
  pane()->SwitchTab(CalendarPane::kMonthTab);
  emit window_->alarmRinger()->openEvent(DayNumber(day), record.id());
  EXPECT_EQ(CurrentPaneIndex(), 1);
  EXPECT_EQ(pane()->currentTab(), CalendarPane::kDayTab);
  EXPECT_EQ(pane()->selectedDate(), day);
  ASSERT_EQ(DaySubjects(*pane()), (std::vector<std::string>{"Earlier", "Board review"}));
  EXPECT_EQ(pane()->dayList()->SelectedRow(), 1);
  EXPECT_NE(id, record.id());
}

// The reminders' "Open" starts "Almanor --event=YYYY-MM-DD:ID FILE".
TEST(AlmanorEventOption, NamesADayAndARecord) {
  const auto parsed = AlmanorApp::ParseEventOption(QStringLiteral("--event=2031-03-14:4294967301"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->dayNumber, DayNumber(DateValue{14, 3, 2031}));
  EXPECT_EQ(parsed->recordId, 4294967301u);
  for (const char* other : {"--event=2031-02-30:7", "--event=2031-03-14", "--event=2031-03-14:x", "--event=:7",
                            "--events=2031-03-14:7", "/home/ann/work.cld", "--new", "--event=14/3/2031:7"}) {
    EXPECT_FALSE(AlmanorApp::ParseEventOption(QString::fromUtf8(other))) << other;
  }
}

TEST_F(AlmanorTest, StartedOnAnEventTheFileOpensOnItsDayWithItSelected) {
  const DateValue day{14, 3, 2031};
  uint64_t id = 0;
  {
    ASSERT_TRUE(Start());
    AddEvent(store(), MakeEvent(store(), day, "Earlier", {}, 7, 8));
    EventRecord record = MakeEvent(store(), day, "Board review");
    id = record.id();
    AddEvent(store(), record);
    Stop();
  }
  ASSERT_TRUE(Start(QString::fromStdString(DefaultPath()), AlmanorApp::EventToShow{DayNumber(day), id}));
  EXPECT_EQ(CurrentPaneIndex(), 1);
  EXPECT_EQ(pane()->selectedDate(), day);
  ASSERT_EQ(DaySubjects(*pane()), (std::vector<std::string>{"Earlier", "Board review"}));
  EXPECT_EQ(pane()->dayList()->SelectedRow(), 1);
  EXPECT_FALSE(app_->TakeEventToShow()) << "shown once, on the first opening";
}

TEST_F(AlmanorTest, TheAlarmCheckRunsEveryTwoMinutesWhileTheWindowIsOpen) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(AlmanorMainWindow::kAlarmTimer, 106);
  EXPECT_EQ(AlmanorMainWindow::kAlarmMilliseconds, 120000);
  EXPECT_TRUE(window_->HasTimer(AlmanorMainWindow::kAlarmTimer));
  window_->CheckAlarms();  // the check of the open file, at once
  QSignalSpy closed(window_, &AlmanorMainWindow::closed);
  window_->close();
  ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
  EXPECT_FALSE(window_->HasTimer(AlmanorMainWindow::kAlarmTimer));
}

// --- New and Edit event ----------------------------------------------------------

TEST_F(AlmanorTest, NewEventAddsWhatTheEditorGivesOnTheSelectedDate) {
  ASSERT_TRUE(Start());
  const DateValue day{2, 2, 2004};
  pane()->SelectDate(day);
  editor_.answer = [](EventRecord& record) {
    record.setSubject("Dentist");
    return true;
  };
  const uint64_t before = store().GetChangeCounter();
  PostCommand(window_, kCmdNewEvent);
  ASSERT_TRUE(WaitUntil([&] { return !editor_.calls.empty() && pane()->dayList()->rowCount() == 1; }));
  ASSERT_EQ(editor_.calls.size(), 1u);
  EXPECT_FALSE(editor_.calls[0].hadOpened);
  EXPECT_EQ(editor_.calls[0].record.eventDate(), day);
  EXPECT_FALSE(editor_.calls[0].record.allDay());
  EXPECT_EQ(editor_.calls[0].record.startTime().minute % 5, 0u);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Dentist"});
  EXPECT_EQ(pane()->dayList()->SelectedRow(), 0);
  EXPECT_GT(store().GetChangeCounter(), before);
}

TEST_F(AlmanorTest, NewEventCancelledAddsNothing) {
  ASSERT_TRUE(Start());
  const uint64_t before = store().GetChangeCounter();
  PostCommand(window_, kCmdNewEvent);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
  Settle();
  EXPECT_EQ(store().GetChangeCounter(), before);
  EXPECT_EQ(DaySubjects(*pane()), kExampleSubjects);
}

// The desktop menu's "New Event" starts "Almanor --new".
TEST_F(AlmanorTest, StartedForANewEventTheEditorOpensOnceTheFileIsOpen) {
  ASSERT_TRUE(Start(QStringLiteral("--new")));
  EXPECT_TRUE(app_->newRecordWanted());
  EXPECT_TRUE(app_->commandLine().isEmpty()) << "--new names no file";
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
  EXPECT_EQ(editor_.calls[0].record.eventDate(), pane()->selectedDate());
  EXPECT_FALSE(editor_.calls[0].hadOpened) << "a new event";
}

TEST_F(AlmanorTest, ANewEventAskedByAnotherStartIsMadeByTheCopyStartedWithoutAFile) {
  ASSERT_TRUE(Start());
  // Another program's request is not this one's.
  window_->OnSuiteBroadcast(SuiteApp::kBroadcastNewRecord + int(Program::Cardora), 0);
  Settle();
  EXPECT_TRUE(editor_.calls.empty());
  window_->OnSuiteBroadcast(app_->NewRecordBroadcast(), 0);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));

  // A copy started with a file (as a double click on one starts it) leaves
  // the request to the other.
  const QString path = QString::fromStdString(DefaultPath());
  app_.reset();
  editor_.calls.clear();
  ASSERT_TRUE(Start(path));
  window_->OnSuiteBroadcast(app_->NewRecordBroadcast(), 0);
  Settle();
  EXPECT_TRUE(editor_.calls.empty());
}

TEST_F(AlmanorTest, InsertFromTheIntroPaneStillStartsANewEvent) {
  ASSERT_TRUE(Start());
  window_->ShowPane(0, false);
  PostCommand(window_, keys::kInsert);
  EXPECT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
}

TEST_F(AlmanorTest, EditEventWritesBackWhatTheEditorChanged) {
  ASSERT_TRUE(Start());
  pane()->dayList()->SelectRow(1);  // the lunch
  const RecordPosition position = *pane()->SelectedPosition();
  // While the editor is open, the event is locked for everybody else.
  RecordStore other(store().path(), "");
  bool lockedMeanwhile = false;
  editor_.answer = [&](EventRecord& record) {
    lockedMeanwhile = !other.LockRecord(position).ok();
    record.setSubject("Lunch with Susan and Tom");
    return true;
  };
  PostCommand(window_, kCmdEditEvent);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return DaySubjects(*pane())[1] == "Lunch with Susan and Tom"; }));
  EXPECT_TRUE(editor_.calls[0].hadOpened);
  EXPECT_EQ(editor_.calls[0].opened.subject(), "Lunch with Susan Parker");
  EXPECT_TRUE(lockedMeanwhile);
  EXPECT_EQ(pane()->dayList()->SelectedRow(), 1);
  // Unlocked afterwards: another user may edit it now.
  EXPECT_TRUE(other.LockRecord(position).ok());
  EXPECT_TRUE(other.UnlockRecord(position).ok());
}

TEST_F(AlmanorTest, EnterAndADoubleClickEditTheSelectedEvent) {
  ASSERT_TRUE(Start());
  pane()->dayList()->SelectRow(2);
  PostCommand(window_, keys::kEnter);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
  EXPECT_EQ(editor_.calls[0].record.subject(), kExampleSubjects[2]);
  SendCommand(pane(), MakeCommandId(CalendarPane::kListId, kNotifyDoubleClick), 0);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 2; }));
  EXPECT_TRUE(editor_.calls[1].hadOpened);
}

TEST_F(AlmanorTest, ADoubleClickOnEmptyListSpaceStartsANewEvent) {
  ASSERT_TRUE(Start());
  SendCommand(pane(), MakeCommandId(CalendarPane::kListId, kNotifyDoubleClick), -1);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
  EXPECT_FALSE(editor_.calls[0].hadOpened);
}

TEST_F(AlmanorTest, EditDoesNothingOutsideTheDayTabOrWithoutASelection) {
  ASSERT_TRUE(Start());
  PostCommand(window_, kCmdEditEvent);  // nothing selected
  Settle();
  pane()->dayList()->SelectRow(0);
  pane()->SwitchTab(CalendarPane::kWeekTab);
  PostCommand(window_, kCmdEditEvent);
  Settle();
  EXPECT_TRUE(editor_.calls.empty());
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(AlmanorTest, AnEventAnotherUserIsEditingGivesMessage106) {
  ASSERT_TRUE(Start());
  pane()->dayList()->SelectRow(0);
  const RecordPosition position = *pane()->SelectedPosition();
  RecordStore other(store().path(), "");
  ASSERT_TRUE(other.LockRecord(position).ok());
  PostCommand(window_, kCmdEditEvent);
  ASSERT_TRUE(WaitUntil([&] { return !sandbox_.messages.empty(); }));
  EXPECT_EQ(sandbox_.messages[0].text, LoadText(Program::Almanor, kMsgBeingEdited));
  EXPECT_TRUE(editor_.calls.empty());
  EXPECT_TRUE(other.UnlockRecord(position).ok());
}

TEST_F(AlmanorTest, AReaderGetsMessage102ForNewAndEdit) {
  ASSERT_TRUE(Start());
  const std::string path = store().path();
  testing::SetPasswords(store(), {"own", "help", "read"});
  ASSERT_TRUE(app_->OpenRecordFile(path, "read", false));
  ASSERT_EQ(store().GetAccessLevel(), kAccessReader);
  const uint64_t before = store().GetChangeCounter();
  PostCommand(window_, kCmdNewEvent);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 1; }));
  pane()->dayList()->SelectRow(0);
  PostCommand(window_, kCmdEditEvent);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 2; }));
  const std::string refusal = LoadText(Program::Almanor, kMsgNoPermission);
  EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>{refusal, refusal}));
  EXPECT_TRUE(editor_.calls.empty());
  EXPECT_EQ(store().GetChangeCounter(), before);
}

TEST_F(AlmanorTest, AConfidentialEventOpensOnlyForTheOwner) {
  ASSERT_TRUE(Start());
  const std::string path = store().path();
  EventRecord secret = MakeEvent(store(), pane()->selectedDate(), "Secret", {}, 6, 7);
  const RecordPosition position = AddEvent(store(), secret);
  testing::SetPasswords(store(), {"own", "help", "read"});
  ASSERT_TRUE(app_->OpenRecordFile(path, "help", false));
  ASSERT_EQ(store().GetAccessLevel(), kAccessAssistant);
  ASSERT_TRUE(pane()->SelectRecordId(secret.id()));
  // The Owner marks it confidential while it is in the Assistant's list.
  RecordStore owner(path, "own");
  secret.setConfidential(true);
  ASSERT_TRUE(owner.UpdateRecord(secret.bytes(), position).ok());
  PostCommand(window_, kCmdEditEvent);
  Settle();
  EXPECT_TRUE(editor_.calls.empty());
  EXPECT_TRUE(owner.LockRecord(position).ok()) << "left locked";
  EXPECT_TRUE(owner.UnlockRecord(position).ok());

  ASSERT_TRUE(app_->OpenRecordFile(path, "own", false));
  ASSERT_TRUE(pane()->SelectRecordId(secret.id()));
  PostCommand(window_, kCmdEditEvent);
  ASSERT_TRUE(WaitUntil([&] { return editor_.calls.size() == 1; }));
  EXPECT_TRUE(editor_.calls[0].record.confidential());
}

TEST_F(AlmanorTest, AnEventWaitingForTheExchangeIsRefusedWithABeep) {
  ASSERT_TRUE(Start());
  EventRecord frozen = MakeEvent(store(), pane()->selectedDate(), "Sent out", {}, 6, 7);
  frozen.bytes()[format::record::kExchangeState] = 9;
  const RecordPosition position = AddEvent(store(), frozen);
  pane()->Reload();
  ASSERT_TRUE(pane()->SelectRecordId(frozen.id()));
  PostCommand(window_, kCmdEditEvent);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.beeps == 1; }));
  EXPECT_TRUE(editor_.calls.empty());
  RecordStore other(store().path(), "");
  EXPECT_TRUE(other.LockRecord(position).ok()) << "left locked";
  EXPECT_TRUE(other.UnlockRecord(position).ok());
}

}  // namespace
}  // namespace velmora
