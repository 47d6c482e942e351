// What the calendar's window tests share: a sandbox per test with quiet
// suite settings and the program "Almanor", the application object started
// on its default file with an event editor the test scripts, and events
// added straight to a file.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calendar/gui/AlmanorApp.h"
#include "calendar/gui/AlmanorMainWindow.h"
#include "calendar/gui/CalendarPane.h"
#include "calendar/model/EventEditorRules.h"
#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/WaitUntil.h"
#include "toolkit/TesselWndListView.h"

namespace velmora::testing {

class AlmanorSandbox : public GuiSandbox {
 public:
  AlmanorSandbox() : GuiSandbox(Settings::Quiet, Program::Almanor) {}
};

// Lets posted commands (which may post further commands) run.
inline void Settle() {
  for (int turn = 0; turn < 6; ++turn) QCoreApplication::processEvents();
}

// One call of the event editor as the pane made it.
struct EditorCall {
  EventRecord record;        // as handed to the editor
  bool hadOpened = false;    // an edited event (opened given)
  EventRecord opened;        // the opened copy, for an edited event
};

// The editor of the tests: records each call, then lets `answer` change
// the record and say whether "OK" was chosen (none: "Cancel").
struct ScriptedEditor {
  std::vector<EditorCall> calls;
  std::function<bool(EventRecord&)> answer;

  EventEditorFunction Function() {
    return [this](QWidget*, RecordStore&, EventRecord& record, const EventRecord* opened) {
      EditorCall call{record, opened != nullptr, opened ? *opened : EventRecord()};
      calls.push_back(call);
      return answer ? answer(record) : false;
    };
  }
};

// An event for store on date: timed start..end on the 24-hour clock (all
// day when allDay), with subject and category.
inline EventRecord MakeEvent(RecordStore& store, const DateValue& date, const std::string& subject,
                             const std::string& category = {}, int startHour = 9, int endHour = 10,
                             bool allDay = false) {
  EventRecord record = NewEventRecord(store);
  auto at = [](int hour) { return TimeValue{uint32_t(hour % 12), 0, 0, uint32_t(hour < 12 ? kHalfAm : kHalfPm)}; };
  ApplyNewEventDefaults(record, date, at(startHour));
  record.setEndTime(at(endHour));
  record.setAllDay(allDay);
  record.setSubject(subject);
  record.setCategory(category);
  return record;
}

inline RecordPosition AddEvent(RecordStore& store, const EventRecord& record) {
  RecordPosition where = 0;
  Result added = store.AddRecord(record.bytes(), &where);
  EXPECT_TRUE(added.ok()) << added.Message();
  EXPECT_TRUE(store.Flush().ok());
  return where;
}

// The subjects of the day list's rows, in order.
inline std::vector<std::string> DaySubjects(const CalendarPane& pane) {
  std::vector<std::string> subjects;
  TesselWndListView* list = pane.dayList();
  for (int row = 0; row < list->rowCount(); ++row) {
    Bytes bytes;
    if (pane.store()->ReadRecordIfLive(bytes, list->PositionOf(row)).ok()) subjects.push_back(EventRecord(bytes).subject());
  }
  return subjects;
}

// The sandbox of one test, the application object and its main window.
class AlmanorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    app_.reset();
    window_ = nullptr;
  }

  // Makes the application object and its main window and waits for the
  // start-up file opening.
  // show: the event to show once the file is open.
  bool Start(const QString& commandLine = {}, std::optional<AlmanorApp::EventToShow> show = {}) {
    app_ = std::make_unique<AlmanorApp>(commandLine, editor_.Function());
    if (show) app_->ShowOnOpening(*show);
    app_->RegisterSuiteBroadcast();
    window_ = app_->CreateMainWindow();
    if (!window_) return false;
    return WaitUntil([this] { return app_->recordFile() != nullptr; });
  }
  void Stop() {
    app_.reset();
    window_ = nullptr;
  }
  CalendarPane* pane() const { return window_->calendarPane(); }
  RecordStore& store() const { return *app_->recordFile(); }
  std::string DefaultPath() const { return sandbox_.File("Works/almanor.cld"); }
  // Makes a new calendar file at name in the sandbox and opens it.
  bool OpenNewFile(const std::string& name, bool examples = false) {
    return app_->OpenRecordFile(sandbox_.File(name), "", examples);
  }

  AlmanorSandbox sandbox_;
  ScriptedEditor editor_;
  std::unique_ptr<AlmanorApp> app_;
  AlmanorMainWindow* window_ = nullptr;
};

}  // namespace velmora::testing
