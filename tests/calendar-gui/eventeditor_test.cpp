// The event editor and the dialogs it opens: a new event's times, OK only
// with a subject, the date refused after the repeat end (message 500, then
// the Repeat dialog), what OK writes back and Cancel leaves alone, the
// Repeat dialog for each kind, the Alarm dialog on and off with its
// single-time picker, and the attachment's kind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <memory>

#include "../shell/ShellTestSupport.h"
#include "calendar/gui/AlarmDialog.h"
#include "calendar/gui/AttachDialog.h"
#include "calendar/gui/EventEditorDialog.h"
#include "calendar/gui/RepeatDialog.h"
#include "calendar/gui/TimeRangeDialog.h"
#include "calendar/model/EventEditorRules.h"
#include "calendar/model/Recurrence.h"
#include "resources/Strings.h"
#include "shell/CategoriesDialog.h"
#include "shell/DatePickerDialog.h"
#include "shell/DesktopIntegration.h"
#include "store/Categories.h"
#include "store/RecordStore.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/Records.h"
#include "tests/support/TypeText.h"
#include "toolkit/TesseMiniCalendar.h"

namespace velmora::testing {
namespace {

constexpr DateValue kEventDay{1, 12, 2026};  // a Tuesday

TimeValue Am(uint32_t hour, uint32_t minute) { return TimeValue{hour % 12, minute, 0, kHalfAm}; }
TimeValue Pm(uint32_t hour, uint32_t minute) { return TimeValue{hour % 12, minute, 0, kHalfPm}; }

std::string Text(QWidget* dialog, const char* name) {
  if (auto* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name))) return button->text().toStdString();
  if (auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name))) return edit->text().toStdString();
  if (auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name))) return label->text().toStdString();
  ADD_FAILURE() << "no control " << name;
  return {};
}

void Check(QWidget* dialog, const char* name) {
  if (auto* button = Control<QAbstractButton>(dialog, name)) button->click();
}

// The date picker's answer: the date chosen, then "ok".
std::function<void(QWidget*)> PickInCalendar(DateValue date) {
  return [date](QWidget* d) {
    ASSERT_TRUE(static_cast<DatePickerDialog*>(d)->calendar()->SetDate(date).ok());
    Click(d, "1");
  };
}

class EventEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentProgram(Program::Almanor);
    MakeRecordFile(path, format::FileKind::Calendar, {"owner", "assist", "reader"});
    Open("owner");
    Bytes block;
    ASSERT_TRUE(store->ReadCategories(block).ok());
    SetCategoryNames(block, {"Business", "Holiday", "Personal"});
    ASSERT_TRUE(store->WriteCategories(block).ok());
  }
  void TearDown() override { SetCurrentProgram(Program::Cardora); }

  void Open(const std::string& password) {
    store = std::make_unique<RecordStore>(path, password);
    ASSERT_FALSE(store->OpenFailed());
  }

  // A new event as the calendar window makes one.
  EventRecord NewEvent(const DateValue& date = kEventDay, const TimeValue& now = Am(10, 43)) {
    EventRecord record = NewEventRecord(*store);
    ApplyNewEventDefaults(record, date, now);
    return record;
  }
  EventRecord Repeating(const RepeatBlock& block) {
    EventRecord record = NewEvent();
    record.setSubject("Standup");
    record.setRepeat(block);
    return record;
  }

  std::string Message500() const { return LoadText(Program::Almanor, 500); }

  GuiSandbox sandbox{GuiSandbox::Settings::Quiet};
  std::string path = sandbox.File("diary.cld");
  std::unique_ptr<RecordStore> store;
};

// ---------------------------------------------------------------------------
// The editor.

TEST_F(EventEditorTest, ANewEventStartsAndEndsAtTheTimeRoundedDownToFiveMinutes) {
  const struct {
    TimeValue now;
    TimeValue shown;
    const char* text;
  } cases[] = {
      {TimeValue{10, 43, 27, kHalfAm}, Am(10, 40), "10:40 / 10:40"},
      {TimeValue{0, 0, 59, kHalfPm}, Pm(12, 0), "12:00 / 12:00"},
      {TimeValue{11, 59, 1, kHalfPm}, Pm(23, 55), "23:55 / 23:55"},
      {TimeValue{0, 4, 0, kHalfAm}, Am(0, 0), "00:00 / 00:00"},
  };
  for (const auto& c : cases) {
    const EventRecord record = NewEvent(kEventDay, c.now);
    EventEditorDialog editor(record, nullptr, EventEditorSetupFor(*store));
    EXPECT_EQ(Text(&editor, "time"), c.text);
    EXPECT_EQ(Text(&editor, "date"), "1/12/2026");
    EXPECT_EQ(editor.working().startTime(), c.shown);
    EXPECT_EQ(editor.working().endTime(), c.shown);
    EXPECT_EQ(editor.record().startTime(), c.shown);
  }
}

TEST_F(EventEditorTest, TheWindowShowsItsControlsInOrder) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  EXPECT_EQ(editor.windowTitle().toStdString(), "Almanor");
  const char* order[] = {"date", "time",         "allDay", "subject", "notes",  "category", "categories",
                         "confidential", "1", "2",      "alarm",   "attach", "repeat",   "with"};
  std::vector<std::string> visited;
  QWidget* widget = Control<QWidget>(&editor, "date");
  for (int i = 0; i < 200 && widget; ++i, widget = widget->nextInFocusChain()) {
    const std::string name = widget->objectName().toStdString();
    if (std::find(std::begin(order), std::end(order), name) != std::end(order) &&
        std::find(visited.begin(), visited.end(), name) == visited.end()) {
      visited.push_back(name);
      EXPECT_NE(widget->focusPolicy() & Qt::TabFocus, 0) << name << " is out of the keyboard's reach";
    }
  }
  EXPECT_EQ(visited, std::vector<std::string>(std::begin(order), std::end(order)));
  for (const char* button : {"2", "alarm", "attach", "repeat", "with"}) {
    EXPECT_FALSE(QKeySequence::mnemonic(QString::fromStdString(Text(&editor, button))).isEmpty()) << button;
  }
  EXPECT_TRUE(Control<QPushButton>(&editor, "with")->isEnabled()) << "\"&With...\" opens the contact picker";
}

TEST_F(EventEditorTest, OkNeedsASubject) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  auto* ok = Control<QPushButton>(&editor, "1");
  auto* subject = Control<QLineEdit>(&editor, "subject");
  EXPECT_FALSE(ok->isEnabled());
  subject->setFocus();
  TypeText(subject, QStringLiteral("L"));
  EXPECT_TRUE(ok->isEnabled()) << "the first letter enables OK";
  subject->clear();
  EXPECT_FALSE(ok->isEnabled());

  // Through the command: a disabled OK confirms nothing.
  EventRecord record = NewEvent();
  const EventRecord before = record;
  DialogScript script;
  script.Expect("eventEditor", [](QWidget* d) {
    Click(d, "1");
    EXPECT_TRUE(d->isVisible());
    Click(d, "2");
  });
  EXPECT_FALSE(RunEventEditor(nullptr, *store, record, nullptr));
  EXPECT_EQ(record.bytes(), before.bytes());
}

TEST_F(EventEditorTest, AllDayTurnsTheTimeButtonOff) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  Check(&editor, "allDay");
  EXPECT_FALSE(Control<QPushButton>(&editor, "time")->isEnabled());
  EXPECT_TRUE(editor.working().allDay());
  Check(&editor, "allDay");
  EXPECT_TRUE(Control<QPushButton>(&editor, "time")->isEnabled());
  EXPECT_FALSE(editor.working().allDay());

  // A flag the box does not know (a foreign file's) stays unless clicked.
  EventRecord foreign = NewEvent();
  foreign.setAllDayFlag(2);
  EventEditorDialog untouched(foreign, &foreign, EventEditorSetupFor(*store));
  EXPECT_EQ(untouched.record().allDayFlag(), 2u);
  Check(&untouched, "allDay");
  EXPECT_EQ(untouched.record().allDayFlag(), 1u);
}

TEST_F(EventEditorTest, TheTimeButtonStoresTheTimesOnlyOnOk) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  {
    DialogScript script;
    script.Expect("1007", [](QWidget* d) {
      auto* track = static_cast<TimeRangeDialog*>(d)->track();
      QTest::keyClick(track, Qt::Key_PageDown);
      Click(d, "2");
    });
    editor.PickTimes();
  }
  EXPECT_EQ(Text(&editor, "time"), "10:40 / 10:40");
  {
    DialogScript script;
    script.Expect("1007", [](QWidget* d) {
      auto* track = static_cast<TimeRangeDialog*>(d)->track();
      QTest::keyClick(track, Qt::Key_PageDown);
      QTest::keyClick(track, Qt::Key_Down);
      Click(d, "1");
    });
    editor.PickTimes();
  }
  EXPECT_EQ(Text(&editor, "time"), "10:40 / 11:45");
  EXPECT_EQ(editor.working().startTime(), Am(10, 40));
  EXPECT_EQ(editor.working().endTime(), Am(11, 45));
}

struct DateCase {
  const char* name;
  RepeatBlock repeat;
  DateValue picked;
  bool refused;
};

TEST_F(EventEditorTest, ADateAfterTheRepeatEndIsRefusedAndOpensRepeat) {
  const RepeatBlock weeklyToDec20{event::kRepeatWeekly, {20, 12, 2026}, 1, 1u << 2};
  const RepeatBlock dailyNoEnd{event::kRepeatDaily, kNoEndDate, 2, 0};
  const DateCase cases[] = {
      {"a one-off event takes any date", RepeatBlock{}, {1, 6, 2150}, false},
      {"after the end of a weekly series", weeklyToDec20, {21, 12, 2026}, true},
      {"on the end day itself", weeklyToDec20, {20, 12, 2026}, false},
      {"before the event date", weeklyToDec20, {1, 11, 2026}, false},
      {"a series without end", dailyNoEnd, {1, 1, 2199}, false},
  };
  for (const DateCase& c : cases) {
    sandbox.messages.clear();
    EventEditorDialog editor(Repeating(c.repeat), nullptr, EventEditorSetupFor(*store));
    {
      DialogScript script;
      script.Expect("1008", PickInCalendar(c.picked));
      if (c.refused) {
        script.Expect("Repeat", [](QWidget* d) {
          EXPECT_TRUE(Control<QRadioButton>(d, "week")->isChecked());
          EXPECT_TRUE(Control<QRadioButton>(d, "endOn")->isChecked());
          EXPECT_EQ(Text(d, "endDate"), "20/12/2026");
          Click(d, "2");
        });
      }
      editor.PickEventDate();
    }
    if (c.refused) {
      ASSERT_EQ(sandbox.messages.size(), 1u) << c.name;
      EXPECT_EQ(sandbox.messages[0].kind, MessageKind::Information);
      EXPECT_EQ(sandbox.messages[0].text, Message500());
      EXPECT_NE(sandbox.messages[0].text.find("Repeat event."), std::string::npos);
      EXPECT_EQ(editor.working().eventDate(), kEventDay) << c.name << ": the old date stays";
      EXPECT_EQ(Text(&editor, "date"), "1/12/2026");
    } else {
      EXPECT_TRUE(sandbox.messages.empty()) << c.name;
      EXPECT_EQ(editor.working().eventDate(), c.picked) << c.name;
      EXPECT_EQ(Text(&editor, "date"), FormatDate(c.picked)) << c.name;
    }
    EXPECT_EQ(editor.working().repeat(), c.repeat) << c.name;
  }
}

TEST_F(EventEditorTest, TheRepeatDialogOpenedAfterARefusalCanMoveTheEnd) {
  EventEditorDialog editor(Repeating({event::kRepeatDaily, {10, 12, 2026}, 1, 0}), nullptr,
                           EventEditorSetupFor(*store));
  DialogScript script;
  script.Expect("1008", PickInCalendar({15, 12, 2026}));
  script.Expect("Repeat", [](QWidget* d) {
    static_cast<RepeatDialog*>(d)->PickEndDate();
    Click(d, "1");
  });
  script.Expect("1008", PickInCalendar({31, 12, 2026}));
  editor.PickEventDate();
  EXPECT_EQ(editor.working().repeat().end, (DateValue{31, 12, 2026}));
  EXPECT_EQ(editor.working().eventDate(), kEventDay);
}

TEST_F(EventEditorTest, OkWritesTheFieldsBack) {
  EventRecord record = NewEvent();
  const EventRecord before = record;
  DialogScript script;
  script.Expect("eventEditor", [](QWidget* d) {
    auto* subject = Control<QLineEdit>(d, "subject");
    subject->setFocus();
    // 147 letters and two two-byte letters: the second would end past the
    // 149 bytes and is refused whole.
    TypeText(subject, QString(147, QLatin1Char('s')) + QString::fromUtf8("\xc3\xa9\xc3\xa9"));
    Control<QPlainTextEdit>(d, "notes")->setPlainText(QStringLiteral("Bring the slides\nand the cables"));
    Check(d, "allDay");
    Check(d, "confidential");
    auto* category = Control<QComboBox>(d, "category");
    EXPECT_EQ(category->count(), 3);
    category->setCurrentIndex(category->findText(QStringLiteral("Holiday")));
    Click(d, "1");
  });
  ASSERT_TRUE(RunEventEditor(nullptr, *store, record, nullptr));
  EXPECT_EQ(record.subject(), std::string(147, 's') + "\xc3\xa9");
  EXPECT_EQ(record.notes(), "Bring the slides\r\nand the cables");
  EXPECT_TRUE(record.allDay());
  EXPECT_TRUE(record.confidential());
  EXPECT_EQ(record.category(), "Holiday");
  EXPECT_EQ(record.id(), before.id());
  EXPECT_EQ(record.eventDate(), kEventDay);
  EXPECT_FALSE(record.alarmSet());
}

TEST_F(EventEditorTest, AnEditedEventShowsWhatItHolds) {
  EventRecord record = NewEvent();
  record.setSubject("Dentist");
  record.setNotes("Line one\r\nLine two");
  record.setCategory("personal");
  record.setConfidential(true);
  EventEditorDialog editor(record, &record, EventEditorSetupFor(*store));
  EXPECT_EQ(Text(&editor, "subject"), "Dentist");
  EXPECT_EQ(Control<QPlainTextEdit>(&editor, "notes")->toPlainText().toStdString(), "Line one\nLine two");
  EXPECT_EQ(Control<QComboBox>(&editor, "category")->currentText().toStdString(), "Personal")
      << "the file's spelling of the category, found without regard to case";
  EXPECT_TRUE(Control<QCheckBox>(&editor, "confidential")->isChecked());
  EXPECT_TRUE(Control<QPushButton>(&editor, "1")->isEnabled());
  EXPECT_EQ(editor.record().notes(), "Line one\r\nLine two");

  // A category the file does not list is kept as it is.
  record.setCategory("Travel");
  EventEditorDialog other(record, &record, EventEditorSetupFor(*store));
  EXPECT_EQ(other.record().category(), "Travel");
}

TEST_F(EventEditorTest, NotesKeepTheirLimitInTheStoredForm) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  auto* notes = Control<QPlainTextEdit>(&editor, "notes");
  // 1,021 letters and a line break take 1,023 bytes as stored; the "é"
  // after them would not fit.
  notes->setPlainText(QString(1021, QLatin1Char('n')) + QStringLiteral("\n") + QString::fromUtf8("\xc3\xa9"));
  const std::string stored = editor.record().notes();
  EXPECT_EQ(stored, std::string(1021, 'n') + "\r\n");
  EXPECT_LE(stored.size(), kMaxNotesLength);
}

TEST_F(EventEditorTest, ConfidentialIsTheOwnersAlone) {
  EventRecord record = NewEvent();
  record.setSubject("Review");
  record.setConfidential(true);
  Open("assist");
  EventEditorDialog assistant(record, &record, EventEditorSetupFor(*store));
  auto* box = Control<QCheckBox>(&assistant, "confidential");
  EXPECT_FALSE(box->isEnabled());
  box->setChecked(false);
  EXPECT_TRUE(assistant.record().confidential()) << "an Assistant keeps the flag";

  Open("owner");
  EventEditorDialog owner(record, &record, EventEditorSetupFor(*store));
  box = Control<QCheckBox>(&owner, "confidential");
  EXPECT_TRUE(box->isEnabled());
  box->setChecked(false);
  EXPECT_FALSE(owner.record().confidential());
}

TEST_F(EventEditorTest, CancelChangesNothing) {
  EventRecord record = NewEvent();
  record.setSubject("Lunch");
  const EventRecord before = record;
  DialogScript script;
  script.Expect("eventEditor", [](QWidget* d) {
    Control<QLineEdit>(d, "subject")->setText(QStringLiteral("Dinner"));
    Check(d, "allDay");
    Check(d, "confidential");
    Click(d, "alarm");
    Click(d, "repeat");
    Click(d, "attach");
    Click(d, "2");
  });
  script.Expect("Alarm", [](QWidget* d) {
    Check(d, "set");
    Click(d, "1");
  });
  script.Expect("Repeat", [](QWidget* d) {
    Check(d, "day");
    Click(d, "1");
  });
  script.Expect("Attach", [](QWidget* d) {
    Type(d, "target", "https://example.org/agenda");
    Click(d, "1");
  });
  EXPECT_FALSE(RunEventEditor(nullptr, *store, record, &before));
  EXPECT_EQ(record.bytes(), before.bytes());
}

TEST_F(EventEditorTest, TheCategoriesButtonEditsTheFilesList) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store), nullptr, store.get());
  DialogScript script;
  script.Expect("categories", [](QWidget* d) {
    EXPECT_TRUE(static_cast<CategoriesDialog*>(d)->AddName("Travel"));
    Click(d, "1");
  });
  editor.EditCategoryList();
  auto* category = Control<QComboBox>(&editor, "category");
  EXPECT_NE(category->findText(QStringLiteral("Travel")), -1);
  Bytes block;
  ASSERT_TRUE(store->ReadCategories(block).ok());
  const std::vector<std::string> names = CategoryNames(block);
  EXPECT_NE(std::find(names.begin(), names.end(), "Travel"), names.end());
}

// ---------------------------------------------------------------------------
// The Repeat dialog.

struct RepeatCase {
  const char* kind;
  int everyIndex;
  bool noEnd;
  DateValue end;
  std::vector<const char*> toggled;  // weekday boxes clicked
  RepeatBlock expected;
  const char* caption;
  const char* unit;
};

TEST_F(EventEditorTest, RepeatRoundTripForEachKind) {
  const RepeatCase cases[] = {
      {"none", 4, true, {}, {}, RepeatBlock{}, "None", ""},
      {"day", 2, true, {}, {}, {event::kRepeatDaily, kNoEndDate, 3, 0}, "Day", "Day(s)"},
      {"day", 98, false, {31, 12, 2199}, {}, {event::kRepeatDaily, {31, 12, 2199}, 99, 0}, "Day", "Day(s)"},
      {"week", 1, false, {31, 12, 2026}, {"Thu"}, {event::kRepeatWeekly, {31, 12, 2026}, 2, 4 | 16}, "Week", "Week(s)"},
      {"week", 0, true, {}, {"Sun", "Tue", "Sat"}, {event::kRepeatWeekly, kNoEndDate, 1, 1 | 64}, "Week", "Week(s)"},
      {"month", 0, true, {}, {}, {event::kRepeatMonthly, kNoEndDate, 1, 1}, "Month", "Month(s)"},
      {"year", 0, false, {1, 12, 2030}, {}, {event::kRepeatYearly, {1, 12, 2030}, 1, 12 * 65536 + 1}, "Year", "Year(s)"},
  };
  for (const RepeatCase& c : cases) {
    sandbox.messages.clear();
    RepeatDialog dialog(RepeatBlock{}, kEventDay);
    EXPECT_TRUE(Control<QRadioButton>(&dialog, "none")->isChecked());
    Check(&dialog, c.kind);
    Control<QComboBox>(&dialog, "every")->setCurrentIndex(c.everyIndex);
    if (!c.noEnd) {
      Check(&dialog, "endOn");
      EXPECT_TRUE(Control<QPushButton>(&dialog, "endDate")->isEnabled());
      DialogScript script;
      script.Expect("1008", PickInCalendar(c.end));
      dialog.PickEndDate();
    }
    for (const char* day : c.toggled) Check(&dialog, day);
    EXPECT_EQ(dialog.block(), c.expected) << c.kind << " " << c.everyIndex;
    EXPECT_EQ(Control<QGroupBox>(&dialog, "group")->title().toStdString(), c.caption);
    EXPECT_EQ(Text(&dialog, "unit"), c.unit);
    const bool none = std::string(c.kind) == "none";
    EXPECT_EQ(Control<QLabel>(&dialog, "hint")->isHidden(), !none) << c.kind;
    EXPECT_EQ(Control<QComboBox>(&dialog, "every")->isHidden(), none) << c.kind;
    EXPECT_EQ(Control<QCheckBox>(&dialog, "Mon")->isHidden(), std::string(c.kind) != "week") << c.kind;
    EXPECT_TRUE(sandbox.messages.empty());

    // The same block opened again shows the same choices and builds itself.
    RepeatDialog again(c.expected, kEventDay);
    EXPECT_TRUE(Control<QRadioButton>(&again, c.kind)->isChecked()) << c.kind;
    EXPECT_EQ(again.block(), c.expected) << c.kind;
    if (!none) {
      EXPECT_EQ(Control<QRadioButton>(&again, "noEnd")->isChecked(), c.noEnd) << c.kind;
      EXPECT_EQ(Control<QPushButton>(&again, "endDate")->isEnabled(), !c.noEnd) << c.kind;
      EXPECT_EQ(Text(&again, "endDate"), FormatDate(c.noEnd ? kEventDay : c.end)) << c.kind;
      EXPECT_EQ(Control<QComboBox>(&again, "every")->currentText().toUInt(), c.expected.interval);
    }
  }
}

TEST_F(EventEditorTest, TheRepeatButtonStoresTheBlockOnOkOnly) {
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  for (const bool ok : {false, true}) {
    DialogScript script;
    script.Expect("Repeat", [ok](QWidget* d) {
      Check(d, "month");
      Control<QComboBox>(d, "every")->setCurrentIndex(5);
      Click(d, ok ? "1" : "2");
    });
    editor.EditRepeatSettings();
    const RepeatBlock monthly{event::kRepeatMonthly, kNoEndDate, 6, 1};
    EXPECT_EQ(editor.working().repeat(), ok ? monthly : RepeatBlock{}) << ok;
  }
}

TEST_F(EventEditorTest, TheLastWeekdayStaysChecked) {
  RepeatDialog dialog(RepeatBlock{}, kEventDay);
  Check(&dialog, "week");
  EXPECT_TRUE(Control<QCheckBox>(&dialog, "Tue")->isChecked()) << "the event's weekday";
  Check(&dialog, "Tue");
  EXPECT_TRUE(Control<QCheckBox>(&dialog, "Tue")->isChecked());
  EXPECT_EQ(dialog.block().pattern, 4u);
  Check(&dialog, "Wed");
  Check(&dialog, "Tue");
  EXPECT_FALSE(Control<QCheckBox>(&dialog, "Tue")->isChecked());
  EXPECT_EQ(dialog.block().pattern, 8u);
}

TEST_F(EventEditorTest, AnEndBeforeTheEventDateIsRefused) {
  RepeatDialog dialog(RepeatBlock{event::kRepeatDaily, {20, 12, 2026}, 1, 0}, kEventDay);
  DialogScript script;
  script.Expect("1008", PickInCalendar({30, 11, 2026}));
  dialog.PickEndDate();
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_EQ(sandbox.messages[0].text, Message500());
  EXPECT_EQ(dialog.block().end, (DateValue{20, 12, 2026}));
  EXPECT_EQ(Text(&dialog, "endDate"), "20/12/2026");
}

// ---------------------------------------------------------------------------
// The Alarm dialog.

TEST_F(EventEditorTest, CancelAlarmDisablesEverythingElse) {
  EventRecord record = NewEvent();
  AlarmDialog dialog(record, true);
  const char* others[] = {"alarmTime", "lead", "tone", "play", "browseTone", "email", "url", "document", "target",
                          "browseTarget"};
  EXPECT_TRUE(Control<QRadioButton>(&dialog, "cancelAlarm")->isChecked());
  for (const char* name : others) EXPECT_FALSE(Control<QWidget>(&dialog, name)->isEnabled()) << name;
  EXPECT_FALSE(dialog.record().alarmSet());
  Check(&dialog, "set");
  for (const char* name : others) EXPECT_TRUE(Control<QWidget>(&dialog, name)->isEnabled()) << name;
  EXPECT_TRUE(dialog.record().alarmSet());
  Check(&dialog, "cancelAlarm");
  EXPECT_FALSE(Control<QWidget>(&dialog, "lead")->isEnabled());
  EXPECT_FALSE(dialog.record().alarmSet());
  for (const char* name : {"set", "cancelAlarm", "1", "2"}) EXPECT_TRUE(Control<QWidget>(&dialog, name)->isEnabled());
}

TEST_F(EventEditorTest, TheAlarmDialogShowsTheStoredSettingsOrANewEventsStart) {
  EventRecord record = NewEvent({10, 5, 2026}, Am(9, 0));
  record.setAlarmSet(true);
  record.setAlarmTime(Am(8, 15));
  record.setAlarmReferenceDate({1, 5, 2026});
  record.setAlarmLead(3);
  record.setStartAction(event::kStartUrl);
  record.setStartTarget("https://example.org");
  record.setToneFile("/sounds/bell.wav");
  {
    AlarmDialog stored(record, false);
    EXPECT_TRUE(Control<QRadioButton>(&stored, "set")->isChecked());
    EXPECT_EQ(Text(&stored, "alarmTime"), "08:15");
    EXPECT_EQ(Control<QComboBox>(&stored, "lead")->currentIndex(), 3);
    EXPECT_TRUE(Control<QRadioButton>(&stored, "url")->isChecked());
    EXPECT_EQ(Text(&stored, "target"), "https://example.org");
    EXPECT_EQ(Text(&stored, "tone"), "/sounds/bell.wav");
    // A one-off event rings before its event date.
    EXPECT_EQ(stored.momentText().toStdString(), "Date: 7/5/2026\nTime: 08:15");
    Control<QComboBox>(&stored, "lead")->setCurrentIndex(1);
    EXPECT_EQ(stored.momentText().toStdString(), "Date: 9/5/2026\nTime: 08:15");
    Check(&stored, "email");
    const EventRecord out = stored.record();
    EXPECT_EQ(out.alarmLead(), 1u);
    EXPECT_EQ(out.startAction(), event::kStartEmail);
    EXPECT_EQ(out.alarmReferenceDate(), (DateValue{1, 5, 2026}));
  }
  {
    AlarmDialog fresh(record, true);
    EXPECT_EQ(Text(&fresh, "alarmTime"), "09:00");
    EXPECT_EQ(Control<QComboBox>(&fresh, "lead")->currentIndex(), 0);
    const EventRecord out = fresh.record();
    EXPECT_EQ(out.alarmTime(), Am(9, 0));
    EXPECT_EQ(out.alarmReferenceDate(), (DateValue{10, 5, 2026}));
    EXPECT_EQ(out.alarmLead(), 0u);
    EXPECT_EQ(fresh.momentText().toStdString(), "Date: 10/5/2026\nTime: 09:00");
  }
}

TEST_F(EventEditorTest, TheAlarmTimeIsPickedAsOneTime) {
  EventRecord record = NewEvent({10, 5, 2026}, Am(9, 0));
  record.setAlarmSet(true);
  AlarmDialog dialog(record, true);
  for (const bool ok : {false, true}) {
    DialogScript script;
    script.Expect("1007", [ok](QWidget* d) {
      auto* track = static_cast<TimeRangeDialog*>(d)->track();
      EXPECT_TRUE(track->singleTime());
      EXPECT_EQ(track->start(), Am(9, 0));
      QTest::keyClick(track, Qt::Key_Down);
      QTest::keyClick(track, Qt::Key_Down);
      Click(d, ok ? "1" : "2");
    });
    dialog.PickAlarmTime();
    const TimeValue expected = ok ? Am(9, 10) : Am(9, 0);
    EXPECT_EQ(dialog.record().alarmTime(), expected);
    EXPECT_EQ(Text(&dialog, "alarmTime"), FormatTime(expected));
    EXPECT_EQ(dialog.momentText().toStdString(), "Date: 10/5/2026\nTime: " + FormatTime(expected));
  }
}

TEST_F(EventEditorTest, ToneAndTargetComeFromTheFileDialogs) {
  std::vector<std::string> played;
  const TonePlayer previous = SetTonePlayer([&](const std::string& p) { return played.push_back(p), true; });
  AlarmDialog dialog(NewEvent(), true);
  Check(&dialog, "set");
  Click(&dialog, "play");
  EXPECT_EQ(sandbox.beeps, 1) << "an empty tone only beeps";
  sandbox.dialogs.answers.push_back("/music/wake up.wav");
  Click(&dialog, "browseTone");
  sandbox.dialogs.answers.push_back("/docs/agenda.odt");
  Click(&dialog, "browseTarget");
  sandbox.dialogs.answers.push_back("/docs/" + std::string(300, 'x'));
  Click(&dialog, "browseTarget");
  ASSERT_EQ(sandbox.dialogs.requests.size(), 3u);
  EXPECT_EQ(sandbox.dialogs.requests[0].filter, "Alarm file(*.wav)|*.wav||");
  EXPECT_EQ(sandbox.dialogs.requests[1].filter, "(*.*)|*.*||");
  EXPECT_EQ(sandbox.messages.size(), 1u) << "a path longer than the field is refused, not cut";
  Click(&dialog, "play");
  EXPECT_EQ(played, std::vector<std::string>{"/music/wake up.wav"});
  EXPECT_EQ(sandbox.beeps, 1);
  const EventRecord out = dialog.record();
  EXPECT_EQ(out.toneFile(), "/music/wake up.wav");
  EXPECT_EQ(out.startTarget(), "/docs/agenda.odt");
  EXPECT_EQ(out.startAction(), event::kStartDocument);
  SetTonePlayer(previous);
}

TEST_F(EventEditorTest, TheAlarmOnAndOffThroughTheEditor) {
  EventRecord record = NewEvent({10, 5, 2026}, Am(9, 0));
  record.setSubject("Flight");
  EventEditorDialog editor(record, nullptr, EventEditorSetupFor(*store));
  {
    DialogScript script;
    script.Expect("Alarm", [](QWidget* d) {
      Check(d, "set");
      Control<QComboBox>(d, "lead")->setCurrentIndex(2);
      Type(d, "tone", "/music/bell.wav");
      static_cast<AlarmDialog*>(d)->PickAlarmTime();
      Click(d, "1");
    });
    script.Expect("1007", [](QWidget* d) {
      QTest::keyClick(static_cast<TimeRangeDialog*>(d)->track(), Qt::Key_PageUp);
      Click(d, "1");
    });
    editor.EditAlarmSettings();
  }
  EventRecord on = editor.record();
  EXPECT_TRUE(on.alarmSet());
  EXPECT_EQ(on.alarmLead(), 2u);
  EXPECT_EQ(on.toneFile(), "/music/bell.wav");
  EXPECT_EQ(on.alarmTime(), Am(8, 0));
  EXPECT_EQ(on.alarmReferenceDate(), (DateValue{10, 5, 2026}));
  {
    // Opened again, the new event's alarm shows what was chosen.
    DialogScript script;
    script.Expect("Alarm", [](QWidget* d) {
      EXPECT_EQ(Text(d, "alarmTime"), "08:00");
      EXPECT_EQ(Control<QComboBox>(d, "lead")->currentIndex(), 2);
      Check(d, "cancelAlarm");
      Click(d, "1");
    });
    editor.EditAlarmSettings();
  }
  EventRecord off = editor.record();
  EXPECT_FALSE(off.alarmSet());
  EXPECT_EQ(off.toneFile(), "");
  EXPECT_EQ(off.alarmLead(), 0u);
  EXPECT_EQ(off.alarmTime(), Am(9, 0));
  EXPECT_EQ(off.startAction(), event::kStartDocument);
}

TEST_F(EventEditorTest, ChangingTheRepeatOfAnEventWithAnAlarmRestartsItsAlarm) {
  EventRecord record = Repeating({event::kRepeatWeekly, kNoEndDate, 1, 4});
  record.setAlarmSet(true);
  record.setAlarmReferenceDate({15, 12, 2026});
  const EventRecord opened = record;
  {
    EventEditorDialog editor(record, &opened, EventEditorSetupFor(*store));
    Control<QLineEdit>(&editor, "subject")->setText(QStringLiteral("Standup moved"));
    EXPECT_EQ(editor.record().alarmReferenceDate(), (DateValue{15, 12, 2026})) << "only the subject changed";
  }
  EventEditorDialog editor(record, &opened, EventEditorSetupFor(*store));
  DialogScript script;
  script.Expect("Repeat", [](QWidget* d) {
    Control<QComboBox>(d, "every")->setCurrentIndex(1);
    Click(d, "1");
  });
  editor.EditRepeatSettings();
  EXPECT_EQ(editor.record().alarmReferenceDate(), kEventDay);
}

// ---------------------------------------------------------------------------
// The attachment.

TEST_F(EventEditorTest, TheAttachmentKindFollowsTheChoiceUnlessTheEditIsEmpty) {
  const struct {
    const char* choice;
    const char* target;
    uint8_t kind;
  } cases[] = {
      {"document", "", event::kAttachNone},
      {"url", "", event::kAttachNone},
      {"document", "/docs/plan.odt", event::kAttachDocument},
      {"url", "https://example.org", event::kAttachUrl},
  };
  for (const auto& c : cases) {
    AttachDialog dialog(EventAttachment{event::kAttachUrl, "old"});
    EXPECT_TRUE(Control<QRadioButton>(&dialog, "url")->isChecked());
    Check(&dialog, c.choice);
    Type(&dialog, "target", c.target);
    EXPECT_EQ(dialog.attachment(), (EventAttachment{c.kind, c.target})) << c.choice << " " << c.target;
  }

  // Through the editor, on OK only.
  EventEditorDialog editor(NewEvent(), nullptr, EventEditorSetupFor(*store));
  for (const bool ok : {false, true}) {
    DialogScript script;
    script.Expect("Attach", [ok](QWidget* d) {
      Check(d, "url");
      Type(d, "target", "https://example.org/room");
      Click(d, ok ? "1" : "2");
    });
    editor.EditAttachmentSettings();
    EXPECT_EQ(editor.record().attachmentKind(), ok ? event::kAttachUrl : event::kAttachNone);
    EXPECT_EQ(editor.record().attachment(), ok ? "https://example.org/room" : "");
  }
}

TEST_F(EventEditorTest, TheAttachmentOpensThroughTheDesktopAndAnEmptyOneBeeps) {
  std::vector<QUrl> opened;
  const UrlOpener previous = SetUrlOpener([&](const QUrl& url) { return opened.push_back(url), true; });
  AttachDialog dialog(EventAttachment{});
  Click(&dialog, "open");
  EXPECT_EQ(sandbox.beeps, 1);
  EXPECT_TRUE(opened.empty());
  sandbox.dialogs.answers.push_back(sandbox.File("plan.odt"));
  Click(&dialog, "browse");
  EXPECT_EQ(Text(&dialog, "target"), sandbox.File("plan.odt"));
  Click(&dialog, "open");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toLocalFile().toStdString(), sandbox.File("plan.odt"));
  EXPECT_EQ(sandbox.beeps, 1);
  SetUrlOpener(previous);
}

}  // namespace
}  // namespace velmora::testing
