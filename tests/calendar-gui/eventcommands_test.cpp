// The calendar pane's event commands: Delete, Undo delete, Cut, Copy,
// Paste, drops on the mini calendar and the day list's pop-up menu; the
// access checks and the edit locks they take and give back.
#include <QAction>
#include <QUrl>
#include <fstream>
#include <QMenu>
#include <QTest>

#include "AlmanorTestSupport.h"
#include "calendar/gui/AlmanorCommands.h"
#include "calendar/gui/EventCommands.h"
#include "calendar/gui/EventHolders.h"
#include "calendar/model/Recurrence.h"
#include "resources/Strings.h"
#include "store/Format.h"
#include "store/RecordHeader.h"
#include "shell/DesktopIntegration.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Records.h"
#include "toolkit/Command.h"
#include "toolkit/TesseMiniCalendar.h"
#include "toolkit/TesselWndList.h"

namespace velmora {
namespace {

using testing::AddEvent;
using testing::DaySubjects;
using testing::MakeEvent;
using testing::Settle;
using testing::WaitUntil;

namespace r = format::record;

constexpr int kMsgRepeatNotMoved = 501;

DateValue AddDays(const DateValue& date, int days) {
  DateValue moved;
  EXPECT_TRUE(DateFromDayNumber(DayNumber(date) + days, moved));
  return moved;
}

// Another day of the selected date's month (the mini calendar's grid takes
// drops only there).
DateValue OtherDayOfMonth(const DateValue& date) {
  DateValue other = date;
  other.day = date.day > 14 ? date.day - 9 : date.day + 9;
  return other;
}

class EventCommandsTest : public testing::AlmanorTest {
 protected:
  void SetUp() override {
    // The bin and the clipboard live as long as the process.
    EventRecycleBin().Empty();
    EventClipboard().Empty();
    ASSERT_TRUE(Start());
    today_ = pane()->selectedDate();
  }
  void TearDown() override {
    EventRecycleBin().Empty();
    EventClipboard().Empty();
    testing::AlmanorTest::TearDown();
  }

  // Adds an event on the selected date and selects it in the day list.
  RecordPosition AddSelected(EventRecord& event) {
    const RecordPosition position = AddEvent(store(), event);
    pane()->Reload();
    EXPECT_TRUE(pane()->SelectRecordId(event.id()));
    return position;
  }
  EventRecord DailyEvent(const std::string& subject) {
    EventRecord event = MakeEvent(store(), today_, subject, {}, 6, 7);
    RepeatBlock daily;
    daily.kind = event::kRepeatDaily;
    daily.interval = 1;
    daily.end = kNoEndDate;
    event.setRepeat(daily);
    return event;
  }
  // The slot as a second connection reads it.
  Bytes Slot(RecordPosition position) {
    RecordStore other(store().path(), "");
    Bytes bytes;
    EXPECT_TRUE(other.ReadRecord(bytes, position).ok());
    return bytes;
  }
  // Every live event of the file, read by a second connection.
  std::vector<std::pair<RecordPosition, EventRecord>> LiveEvents() {
    std::vector<std::pair<RecordPosition, EventRecord>> events;
    RecordStore other(store().path(), "");
    RecordQuery all;
    EXPECT_TRUE(all.Prepare().ok());
    EXPECT_TRUE(all.AddMatchAll());
    EXPECT_TRUE(all.Run(other).ok());
    for (size_t i = 0; i < all.count(); ++i) {
      Bytes bytes;
      if (other.ReadRecordIfLive(bytes, all.positions()[i]).ok()) events.emplace_back(all.positions()[i], EventRecord(bytes));
    }
    return events;
  }
  std::vector<std::string> LockedSubjects() {
    std::vector<std::string> locked;
    for (const auto& [position, event] : LiveEvents()) {
      if (rec::Locked(event.data())) locked.push_back(event.subject());
    }
    return locked;
  }
  DateValue today_;

 public:
  // A drop of the selected event on date through the mini calendar's grid.
  void DropOn(const DateValue& date, bool copy) {
    ASSERT_EQ(date.month, pane()->selectedDate().month);
    const int kind = copy ? kCmdDropCopy : kCmdDropMove;
    pane()->miniCalendar()->OnCommand(
        Command{MakeCommandId(TesseMiniCalendar::kGridId, kind), qintptr(date.day), {}, {}});
  }
};

// --- Delete and Undo delete -------------------------------------------------------

TEST_F(EventCommandsTest, DeleteAsksFirstThenPutsTheEventIntoTheBin) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  const RecordPosition position = AddSelected(dentist);
  sandbox_.answers = {false};
  PostCommand(window_, kCmdDeleteEvent);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 1; }));
  EXPECT_EQ(sandbox_.messages[0].kind, MessageKind::Question);
  EXPECT_EQ(sandbox_.messages[0].text, LoadText(Program::Almanor, kMsgDeleteContact));
  EXPECT_EQ(Slot(position)[r::kInUse], 1) << "No keeps it";
  EXPECT_FALSE(EventRecycleBin().Holds());

  sandbox_.answers = {true};
  PostCommand(window_, kCmdDeleteEvent);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 2; }));
  Settle();
  EXPECT_EQ(Slot(position)[r::kInUse], 0);
  ASSERT_TRUE(EventRecycleBin().Holds());
  EXPECT_EQ(EventRecycleBin().record()->id(), dentist.id());
  const std::vector<std::string> subjects = DaySubjects(*pane());
  EXPECT_EQ(std::count(subjects.begin(), subjects.end(), "Dentist"), 0);
}

TEST_F(EventCommandsTest, UndoDeleteAddsTheEventBackWithItsIdOnItsDate) {
  const DateValue later = AddDays(today_, 3);
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  AddSelected(dentist);
  sandbox_.answers = {true};
  PostCommand(window_, kCmdDeleteEvent);
  ASSERT_TRUE(WaitUntil([&] { return EventRecycleBin().Holds(); }));
  pane()->SelectDate(later);
  PostCommand(window_, kCmdUndoDelete);
  ASSERT_TRUE(WaitUntil([&] { return pane()->selectedDate() == today_; }));
  EXPECT_FALSE(EventRecycleBin().Holds());
  const std::vector<std::string> subjects = DaySubjects(*pane());
  EXPECT_EQ(std::count(subjects.begin(), subjects.end(), "Dentist"), 1);
  int found = 0;
  for (const auto& [position, event] : LiveEvents()) {
    if (event.subject() != "Dentist") continue;
    ++found;
    EXPECT_EQ(event.id(), dentist.id());
    EXPECT_FALSE(rec::Locked(event.data()));
  }
  EXPECT_EQ(found, 1);
  // The bin is empty now: a second undo adds nothing.
  PostCommand(window_, kCmdUndoDelete);
  Settle();
  EXPECT_EQ(LiveEvents().size(), 4u);  // the three examples and the dentist
}

TEST_F(EventCommandsTest, AConfidentialEventIsLeftAloneForAnAssistant) {
  const std::string path = store().path();
  EventRecord secret = MakeEvent(store(), today_, "Secret", {}, 6, 7);
  const RecordPosition position = AddEvent(store(), secret);
  testing::SetPasswords(store(), {"own", "help", "read"});
  ASSERT_TRUE(app_->OpenRecordFile(path, "help", false));
  pane()->dayList()->SelectRow(0);
  const RecordPosition selected = *pane()->SelectedPosition();
  // The Owner marks the selected event confidential while it is listed.
  RecordStore owner(path, "own");
  Bytes bytes;
  ASSERT_TRUE(owner.ReadRecordIfLive(bytes, selected).ok());
  rec::SetConfidential(bytes.data(), true);
  ASSERT_TRUE(owner.UpdateRecord(bytes, selected).ok());
  sandbox_.answers = {true};
  PostCommand(window_, kCmdDeleteEvent);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 1; }));
  Settle();
  EXPECT_EQ(Slot(selected)[r::kInUse], 1);
  EXPECT_EQ(Slot(selected)[r::kEditLock], 0);
  EXPECT_FALSE(EventRecycleBin().Holds());
  EXPECT_EQ(Slot(position)[r::kInUse], 1);
}

// --- Cut, copy and paste ------------------------------------------------------------

TEST_F(EventCommandsTest, PastingACutRepeatingEventYieldsAOneOffOnTheSelectedDate) {
  EventRecord daily = DailyEvent("Stand-up");
  AddSelected(daily);
  PostCommand(window_, kCmdCut);
  ASSERT_TRUE(WaitUntil([&] { return EventClipboard().Holds(); }));
  EXPECT_TRUE(EventRecycleBin().Holds()) << "a cut event can be taken back too";
  const std::vector<std::string> left = DaySubjects(*pane());
  EXPECT_EQ(std::count(left.begin(), left.end(), "Stand-up"), 0);

  const DateValue target = AddDays(today_, 5);
  pane()->SelectDate(target);
  PostCommand(window_, kCmdPaste);
  ASSERT_TRUE(WaitUntil([&] {
    const std::vector<std::string> s = DaySubjects(*pane());
    return std::count(s.begin(), s.end(), "Stand-up") == 1;
  }));
  std::vector<EventRecord> pasted;
  for (const auto& [position, event] : LiveEvents()) {
    if (event.subject() == "Stand-up") pasted.push_back(event);
  }
  ASSERT_EQ(pasted.size(), 1u);
  const EventRecord& one = pasted[0];
  EXPECT_FALSE(one.repeats());
  EXPECT_EQ(one.repeat(), RepeatBlock{});
  EXPECT_EQ(one.eventDate(), target);
  EXPECT_NE(one.id(), daily.id());
  EXPECT_EQ(one.data()[r::kInUse], 1);
  EXPECT_EQ(one.data()[r::kEditLock], 0);
  EXPECT_EQ(one.data()[r::kExchangeState], 0);
  EXPECT_EQ(one.data()[r::kExchangeFlag], 0);
  EXPECT_EQ(one.data()[r::kExchangeMark], 1);
  // A one-off: the day after has no stand-up.
  pane()->SelectDate(AddDays(target, 1));
  const std::vector<std::string> after = DaySubjects(*pane());
  EXPECT_EQ(std::count(after.begin(), after.end(), "Stand-up"), 0);
}

TEST_F(EventCommandsTest, CopyKeepsTheEventAndPasteAddsANewOne) {
  EventRecord lunch = MakeEvent(store(), today_, "Lunch with Kim", {}, 6, 7);
  AddSelected(lunch);
  PostCommand(window_, kCmdCopy);
  ASSERT_TRUE(WaitUntil([&] { return EventClipboard().Holds(); }));
  EXPECT_FALSE(EventRecycleBin().Holds());
  PostCommand(window_, kCmdPaste);
  ASSERT_TRUE(WaitUntil([&] {
    const std::vector<std::string> s = DaySubjects(*pane());
    return std::count(s.begin(), s.end(), "Lunch with Kim") == 2;
  }));
  std::set<uint64_t> ids;
  for (const auto& [position, event] : LiveEvents()) {
    if (event.subject() == "Lunch with Kim") ids.insert(event.id());
  }
  EXPECT_EQ(ids.size(), 2u);
  EXPECT_TRUE(ids.count(lunch.id()));
}

TEST_F(EventCommandsTest, CutIsRefusedWithABeepForAnEventWaitingForTheExchange) {
  EventRecord frozen = MakeEvent(store(), today_, "Sent out", {}, 6, 7);
  frozen.bytes()[r::kExchangeState] = kExchangeStateFrozen;
  const RecordPosition position = AddSelected(frozen);
  PostCommand(window_, kCmdCut);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.beeps == 1; }));
  EXPECT_FALSE(EventClipboard().Holds());
  EXPECT_EQ(Slot(position)[r::kInUse], 1);
  EXPECT_EQ(Slot(position)[r::kEditLock], 0);
}

TEST_F(EventCommandsTest, OneOffCopyResetsWhatMakesAnEventShared) {
  EventRecord event = DailyEvent("Review");
  Bytes& b = event.bytes();
  b[r::kEditLock] = 1;
  b[r::kExchangeState] = 9;
  b[r::kExchangeFlag] = 3;
  b[r::kExchangeMark] = 0;
  event.setNotes("Bring the figures");
  const DateValue target = AddDays(today_, 2);
  const EventRecord copy = OneOffCopy(event, target);
  EXPECT_NE(copy.id(), event.id());
  EXPECT_EQ(copy.data()[r::kEditLock], 0);
  EXPECT_EQ(copy.data()[r::kExchangeState], 0);
  EXPECT_EQ(copy.data()[r::kExchangeFlag], 0);
  EXPECT_EQ(copy.data()[r::kExchangeMark], 1);
  EXPECT_FALSE(copy.repeats());
  EXPECT_EQ(copy.eventDate(), target);
  EXPECT_EQ(copy.notes(), "Bring the figures");
  EXPECT_EQ(copy.subject(), "Review");

  const EventRecord restored = RestoredEvent(event);
  EXPECT_EQ(restored.id(), event.id());
  EXPECT_TRUE(restored.repeats());
  EXPECT_EQ(restored.data()[r::kEditLock], 0);
  EXPECT_EQ(restored.data()[r::kExchangeState], 0);
  EXPECT_EQ(restored.data()[r::kExchangeMark], 1);
}

// --- Drops on the mini calendar -------------------------------------------------

TEST_F(EventCommandsTest, MovingARepeatingEventByDraggingShows501AndChangesNothing) {
  EventRecord daily = DailyEvent("Stand-up");
  const RecordPosition position = AddSelected(daily);
  const Bytes before = Slot(position);
  DropOn(OtherDayOfMonth(today_), false);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 1; }));
  EXPECT_EQ(sandbox_.messages[0].text, LoadText(Program::Almanor, kMsgRepeatNotMoved));
  Settle();
  EXPECT_EQ(Slot(position), before);
  EXPECT_EQ(pane()->selectedDate(), today_);
  EXPECT_EQ(pane()->miniCalendar()->date(), today_);
  EXPECT_EQ(LiveEvents().size(), 4u);
}

TEST_F(EventCommandsTest, CopyingARepeatingEventByDraggingMakesAOneOffCopy) {
  EventRecord daily = DailyEvent("Stand-up");
  const RecordPosition position = AddSelected(daily);
  const Bytes before = Slot(position);
  const DateValue target = OtherDayOfMonth(today_);
  DropOn(target, true);
  ASSERT_TRUE(WaitUntil([&] { return pane()->selectedDate() == target; }));
  EXPECT_EQ(Slot(position), before);
  std::vector<EventRecord> copies;
  for (const auto& [where, event] : LiveEvents()) {
    if (event.subject() == "Stand-up" && where != position) copies.push_back(event);
  }
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_FALSE(copies[0].repeats());
  EXPECT_EQ(copies[0].eventDate(), target);
  EXPECT_NE(copies[0].id(), daily.id());
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(EventCommandsTest, MovingAOneOffEventByDraggingChangesItsDate) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  const RecordPosition position = AddSelected(dentist);
  const DateValue target = OtherDayOfMonth(today_);
  DropOn(target, false);
  ASSERT_TRUE(WaitUntil([&] { return pane()->selectedDate() == target; }));
  const EventRecord moved(Slot(position));
  EXPECT_EQ(moved.eventDate(), target);
  EXPECT_EQ(moved.id(), dentist.id());
  EXPECT_EQ(moved.data()[r::kEditLock], 0);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Dentist"});
  EXPECT_EQ(pane()->SelectedPosition(), position);
}

TEST_F(EventCommandsTest, ADropOnAnEventAnotherUserIsEditingGivesMessage106) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  const RecordPosition position = AddSelected(dentist);
  RecordStore other(store().path(), "");
  ASSERT_TRUE(other.LockRecord(position).ok());
  DropOn(OtherDayOfMonth(today_), false);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 1; }));
  EXPECT_EQ(sandbox_.messages[0].text, LoadText(Program::Almanor, kMsgBeingEdited));
  EXPECT_EQ(EventRecord(Slot(position)).eventDate(), today_);
  EXPECT_TRUE(other.UnlockRecord(position).ok());
}

// --- Access and locks ------------------------------------------------------------------

struct ReaderCase {
  const char* name;
  std::function<void(EventCommandsTest&, QObject* window, CalendarPane* pane)> run;
};

TEST_F(EventCommandsTest, AReaderGets102AndNothingChanges) {
  const std::string path = store().path();
  testing::SetPasswords(store(), {"own", "help", "read"});
  const std::vector<ReaderCase> cases = {
      {"New", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdNewEvent); }},
      {"Edit", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdEditEvent); }},
      {"Delete", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdDeleteEvent); }},
      {"Cut", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdCut); }},
      {"Copy", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdCopy); }},
      {"Internet Events", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdInternetEvents); }},
      {"Open attachment", [](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, kCmdOpenAttachment); }},
      {"Drop move",
       [](EventCommandsTest& t, QObject*, CalendarPane* p) { t.DropOn(OtherDayOfMonth(p->selectedDate()), false); }},
      {"Drop copy",
       [](EventCommandsTest& t, QObject*, CalendarPane* p) { t.DropOn(OtherDayOfMonth(p->selectedDate()), true); }},
  };
  ASSERT_TRUE(app_->OpenRecordFile(path, "read", false));
  ASSERT_EQ(store().GetAccessLevel(), kAccessReader);
  const uint64_t counter = store().GetChangeCounter();
  const std::string refusal = LoadText(Program::Almanor, kMsgNoPermission);
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    sandbox_.messages.clear();
    sandbox_.answers = {true};
    pane()->dayList()->SelectRow(0);
    c.run(*this, window_, pane());
    ASSERT_TRUE(WaitUntil([&] { return !sandbox_.messages.empty(); }));
    Settle();
    EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{refusal});
    EXPECT_EQ(store().GetChangeCounter(), counter);
    EXPECT_TRUE(editor_.calls.empty());
    EXPECT_FALSE(EventClipboard().Holds());
    EXPECT_FALSE(EventRecycleBin().Holds());
    EXPECT_EQ(pane()->selectedDate(), today_);
    EXPECT_TRUE(LockedSubjects().empty());
  }
}

TEST_F(EventCommandsTest, AReadersPasteAndUndoAreRefusedByTheFileAndTheBinKeepsTheEvent) {
  const std::string path = store().path();
  EventRecord lunch = MakeEvent(store(), today_, "Lunch with Kim", {}, 6, 7);
  EventClipboard().Put(lunch);
  EventRecycleBin().Put(lunch);
  testing::SetPasswords(store(), {"own", "help", "read"});
  ASSERT_TRUE(app_->OpenRecordFile(path, "read", false));
  ASSERT_EQ(store().GetAccessLevel(), kAccessReader);
  const uint64_t counter = store().GetChangeCounter();
  PostCommand(window_, kCmdPaste);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 1; }));
  PostCommand(window_, kCmdUndoDelete);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.messages.size() == 2; }));
  const std::string refusal = LoadText(Program::Almanor, kMsgNoPermission);
  EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>{refusal, refusal}));
  EXPECT_EQ(store().GetChangeCounter(), counter);
  // Nothing is lost: the event can still be taken back where it may be added.
  EXPECT_TRUE(EventRecycleBin().Holds());
  EXPECT_TRUE(EventClipboard().Holds());
  ASSERT_TRUE(app_->OpenRecordFile(path, "own", false));
  PostCommand(window_, kCmdUndoDelete);
  ASSERT_TRUE(WaitUntil([&] { return !EventRecycleBin().Holds(); }));
  const std::vector<std::string> subjects = DaySubjects(*pane());
  EXPECT_EQ(std::count(subjects.begin(), subjects.end(), "Lunch with Kim"), 1);
}

struct LockCase {
  const char* name;
  std::deque<bool> answers;  // of the question boxes
  bool editorSaves;
  std::function<void(EventCommandsTest&, QObject* window, CalendarPane* pane)> run;
};

TEST_F(EventCommandsTest, EveryCommandEndsWithTheRecordsUnlocked) {
  const auto post = [](int command) {
    return [command](EventCommandsTest&, QObject* w, CalendarPane*) { PostCommand(w, command); };
  };
  const auto drop = [](bool copy) {
    return [copy](EventCommandsTest& t, QObject*, CalendarPane* p) {
      t.DropOn(OtherDayOfMonth(p->selectedDate()), copy);
    };
  };
  const std::vector<LockCase> cases = {
      {"Edit cancelled", {}, false, post(kCmdEditEvent)},
      {"Edit saved", {}, true, post(kCmdEditEvent)},
      {"Delete answered No", {false}, false, post(kCmdDeleteEvent)},
      {"Copy", {}, false, post(kCmdCopy)},
      {"Paste", {}, false, post(kCmdPaste)},
      {"Move a repeating event", {}, false, drop(false)},
      {"Copy by dragging", {}, false, drop(true)},
      {"Cut", {}, false, post(kCmdCut)},
      {"Undo delete", {}, false, post(kCmdUndoDelete)},
      {"Delete answered Yes", {true}, false, post(kCmdDeleteEvent)},
  };
  for (const LockCase& c : cases) {
    SCOPED_TRACE(c.name);
    EventRecord daily = DailyEvent(std::string("Daily ") + c.name);
    pane()->SelectDate(today_);
    AddSelected(daily);
    editor_.answer = [&c](EventRecord& record) {
      record.setNotes("changed");
      return c.editorSaves;
    };
    sandbox_.answers = c.answers;
    c.run(*this, window_, pane());
    for (int turn = 0; turn < 4; ++turn) Settle();
    EXPECT_TRUE(LockedSubjects().empty()) << ::testing::PrintToString(LockedSubjects());
  }
}

// Fails the writes at one offset of the calendar file, as a full or failing
// disk would.
class FailingWrites : public testing::ForwardingFileSystem {
 public:
  explicit FailingWrites(const std::string& path) : path_(path) {}
  uint64_t failAt = 0;

 protected:
  void Wrap(Opening, const std::string& path, std::unique_ptr<File>& file) override {
    if (path != path_) return;
    struct Failing : testing::ForwardingFile {
      Failing(std::unique_ptr<File> inner, const uint64_t& at) : ForwardingFile(std::move(inner)), at(at) {}
      Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
        if (at != 0 && offset == at) return Result::Fail("No space left on device");
        return ForwardingFile::WriteAt(offset, buffer, length);
      }
      const uint64_t& at;
    };
    file = std::make_unique<Failing>(std::move(file), failAt);
  }

 private:
  std::string path_;
};

TEST_F(EventCommandsTest, AFailedWriteIsToldAndLeavesTheEventUnlocked) {
  const std::string path = store().path();
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  const RecordPosition position = AddEvent(store(), dentist);
  FailingWrites failing(path);
  testing::ScopedFileSystem scoped(&failing);
  ASSERT_TRUE(app_->OpenRecordFile(path, "", false));
  struct Case {
    const char* name;
    uint64_t failAt;
    std::deque<bool> answers;
    std::function<void()> run;
  };
  const std::vector<Case> cases = {
      {"Delete", position + r::kInUse, {true}, [this] { PostCommand(window_, kCmdDeleteEvent); }},
      {"Move by dragging", position, {}, [this] { DropOn(OtherDayOfMonth(today_), false); }},
      {"Cut", position + r::kInUse, {}, [this] { PostCommand(window_, kCmdCut); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pane()->SelectDate(today_);
    ASSERT_TRUE(pane()->SelectRecordId(dentist.id()));
    sandbox_.messages.clear();
    sandbox_.answers = c.answers;
    failing.failAt = c.failAt;
    c.run();
    ASSERT_TRUE(WaitUntil([&] {
      for (const testing::ShownMessage& m : sandbox_.messages) {
        if (m.text.find("No space left on device") != std::string::npos) return true;
      }
      return false;
    }));
    Settle();
    failing.failAt = 0;
    const Bytes slot = Slot(position);
    EXPECT_EQ(slot[r::kInUse], 1);
    EXPECT_EQ(slot[r::kEditLock], 0);
    EXPECT_EQ(EventRecord(slot).eventDate(), today_);
    EXPECT_FALSE(EventRecycleBin().Holds());
    EXPECT_FALSE(EventClipboard().Holds());
  }
}

// --- Week tab and the pop-up menu ---------------------------------------------------

TEST_F(EventCommandsTest, EditAndDeleteInTheWeekTabDoNothing) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  const RecordPosition position = AddSelected(dentist);
  editor_.answer = [](EventRecord&) { return true; };
  pane()->SwitchTab(CalendarPane::kWeekTab);
  const uint64_t counter = store().GetChangeCounter();
  sandbox_.answers = {true};
  PostCommand(window_, kCmdEditEvent);
  PostCommand(window_, kCmdDeleteEvent);
  Settle();
  EXPECT_TRUE(editor_.calls.empty());
  EXPECT_TRUE(sandbox_.messages.empty());
  EXPECT_EQ(store().GetChangeCounter(), counter);
  EXPECT_EQ(Slot(position)[r::kInUse], 1);
  EXPECT_EQ(pane()->currentTab(), CalendarPane::kWeekTab);
}

// The pop-up menu's entries: text and whether enabled.
std::vector<std::pair<std::string, bool>> MenuEntries(CalendarPane& pane, int row, int& shown) {
  std::vector<std::pair<std::string, bool>> entries;
  pane.SetMenuChooser([&](QMenu& menu) -> QAction* {
    ++shown;
    for (QAction* action : menu.actions()) {
      if (!action->isSeparator()) entries.emplace_back(action->text().toStdString(), action->isEnabled());
    }
    return nullptr;
  });
  pane.OnCommand(Command{MakeCommandId(CalendarPane::kListId, kNotifyRightClick), row, {}, {}});
  pane.SetMenuChooser({});
  return entries;
}

TEST_F(EventCommandsTest, ThePopUpMenuGreysWhatHasNothingToActOn) {
  EventRecord report = MakeEvent(store(), today_, "Report", {}, 6, 7);
  report.setAttachmentKind(event::kAttachDocument);
  report.setAttachment(sandbox_.File("report.odt"));
  AddSelected(report);
  const int reportRow = pane()->dayList()->SelectedRow();
  int shown = 0;
  using Entries = std::vector<std::pair<std::string, bool>>;
  EXPECT_EQ(MenuEntries(*pane(), -1, shown), (Entries{{"New...\tInsert", true},
                                                     {"Edit...\tEnter", false},
                                                     {"Delete...\tDelete", false},
                                                     {"Undo delete\tCtrl+Z", false},
                                                     {"Cut\tCtrl+X", false},
                                                     {"Copy\tCtrl+C", false},
                                                     {"Paste\tCtrl+V", false},
                                                     {"Open attachment...\tCtrl+A", false}}));
  EventRecycleBin().Put(report);
  EventClipboard().Put(report);
  EXPECT_EQ(MenuEntries(*pane(), reportRow, shown), (Entries{{"New...\tInsert", true},
                                                            {"Edit...\tEnter", true},
                                                            {"Delete...\tDelete", true},
                                                            {"Undo delete\tCtrl+Z", true},
                                                            {"Cut\tCtrl+X", true},
                                                            {"Copy\tCtrl+C", true},
                                                            {"Paste\tCtrl+V", true},
                                                            {"Open attachment...\tCtrl+A", true}}));
  // An event without an attachment greys only "Open attachment...".
  const int other = reportRow == 0 ? 1 : 0;
  const Entries plain = MenuEntries(*pane(), other, shown);
  ASSERT_EQ(plain.size(), 8u);
  EXPECT_EQ(plain[7], (std::pair<std::string, bool>{"Open attachment...\tCtrl+A", false}));
  EXPECT_TRUE(plain[1].second);
  EXPECT_EQ(shown, 3);
}

TEST_F(EventCommandsTest, ThePopUpMenusChoiceRunsTheCommand) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  AddSelected(dentist);
  const int row = pane()->dayList()->SelectedRow();
  pane()->SetMenuChooser([](QMenu& menu) -> QAction* {
    for (QAction* action : menu.actions()) {
      if (action->text() == QStringLiteral("Copy\tCtrl+C")) return action;
    }
    return nullptr;
  });
  pane()->OnCommand(Command{MakeCommandId(CalendarPane::kListId, kNotifyRightClick), row, {}, {}});
  pane()->SetMenuChooser({});
  ASSERT_TRUE(WaitUntil([] { return EventClipboard().Holds(); }));
  EXPECT_EQ(EventClipboard().record()->id(), dentist.id());
}

TEST_F(EventCommandsTest, OpenAttachmentHandsTheEventsDocumentToTheDesktop) {
  const std::string document = sandbox_.File("agenda.odt");
  {
    std::ofstream(document) << "agenda";
  }
  EventRecord meeting = MakeEvent(store(), today_, "Board meeting", {}, 6, 7);
  meeting.setAttachmentKind(event::kAttachDocument);
  meeting.setAttachment(document);
  AddSelected(meeting);
  std::vector<QUrl> opened;
  const UrlOpener previous = SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  PostCommand(window_, kCmdOpenAttachment);
  const bool one = WaitUntil([&] { return opened.size() == 1; });
  // An event without an attachment opens nothing and beeps.
  EventRecord plain = MakeEvent(store(), today_, "Plain", {}, 7, 8);
  AddSelected(plain);
  PostCommand(window_, kCmdOpenAttachment);
  const bool beeped = WaitUntil([&] { return sandbox_.beeps == 1; });
  SetUrlOpener(previous);
  ASSERT_TRUE(one);
  EXPECT_EQ(opened[0].toLocalFile().toStdString(), document);
  EXPECT_TRUE(beeped);
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(EventCommandsTest, TheKeysRunTheCommandsFromTheDayList) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  AddSelected(dentist);
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
  pane()->FocusList();
  QWidget* list = pane()->dayList()->list();
  ASSERT_TRUE(WaitUntil([&] { return list->hasFocus(); }));
  const auto dentists = [&] {
    const std::vector<std::string> s = DaySubjects(*pane());
    return std::count(s.begin(), s.end(), "Dentist");
  };
  QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(WaitUntil([] { return EventClipboard().Holds(); }));
  QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
  ASSERT_TRUE(WaitUntil([&] { return dentists() == 2; }));
  ASSERT_TRUE(pane()->SelectRecordId(dentist.id()));
  sandbox_.answers = {true};
  QTest::keyClick(list, Qt::Key_Delete);
  ASSERT_TRUE(WaitUntil([&] { return dentists() == 1 && EventRecycleBin().Holds(); }));
  EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{LoadText(Program::Almanor, kMsgDeleteContact)});
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  ASSERT_TRUE(WaitUntil([&] { return dentists() == 2 && !EventRecycleBin().Holds(); }));
  ASSERT_TRUE(pane()->SelectRecordId(dentist.id()));
  QTest::keyClick(list, Qt::Key_X, Qt::ControlModifier);
  ASSERT_TRUE(WaitUntil([&] { return dentists() == 1 && EventRecycleBin().Holds(); }));
  EXPECT_EQ(EventClipboard().record()->id(), dentist.id());
}

TEST_F(EventCommandsTest, AnEventDroppedOnTheBinIsDeletedAfterTheQuestion) {
  EventRecord dentist = MakeEvent(store(), today_, "Dentist", {}, 6, 7);
  const RecordPosition position = AddSelected(dentist);
  sandbox_.answers = {true};
  EXPECT_EQ(pane()->OnCommand(Command{CalendarPane::kBinId, kCmdDeleteEvent, {}, {}}), 1);
  EXPECT_EQ(Slot(position)[r::kInUse], 0);
  ASSERT_TRUE(EventRecycleBin().Holds());
  EXPECT_EQ(pane()->OnCommand(Command{CalendarPane::kBinId, kCmdUndoDelete, {}, {}}), 1);
  EXPECT_FALSE(EventRecycleBin().Holds());
  const std::vector<std::string> subjects = DaySubjects(*pane());
  EXPECT_EQ(std::count(subjects.begin(), subjects.end(), "Dentist"), 1);
}

}  // namespace
}  // namespace velmora
