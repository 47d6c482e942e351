// The event editor: date and time buttons, All day, Subject, Notes,
// Categories, Confidential and the Alarm, Attach, Repeat and With buttons,
// with the dialogs they open.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "calendar/model/EventRecord.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace velmora {

class RecordStore;

// Opens the editor on record and waits for it. A new event comes with its
// defaults applied (ApplyNewEventDefaults) and opened nullptr; an edited one
// with opened the record as it stood when the editor opened it. True on
// "OK": record then holds what the person entered, with the alarm settings
// confirmed (ConfirmEventEditor). The store gives the file's categories.
bool RunEventEditor(QWidget* parent, RecordStore& store, EventRecord& record, const EventRecord* opened);

// What the editor needs to know about the open file.
struct EventEditorSetup {
  int accessLevel = 0;                  // AccessLevel of the store
  std::vector<std::string> categories;  // the file's category names (at most 30 are offered)
};
// The store's access level and category names (none when the block cannot
// be read; the record's own category is still kept).
EventEditorSetup EventEditorSetupFor(RecordStore& store);

// The date button's text: day/month/year, or month/day/year under the
// 12-hour clock.
std::string EventDateButtonText(const DateValue& date);
// The time button's text: "start / end".
std::string EventTimeButtonText(const TimeValue& start, const TimeValue& end);

// The editor window (titled "Almanor"). Its controls carry object names
// for the tests: "date", "time", "allDay", "subject", "notes", "category",
// "categories" (the shared categories dialog), "confidential", "1" (OK),
// "2" (Cancel), "alarm", "attach", "repeat", "with".
class EventEditorDialog : public QDialog {
  Q_OBJECT

 public:
  // store, when given, lets "..." beside the categories edit the file's
  // category list.
  EventEditorDialog(const EventRecord& record, const EventRecord* opened, const EventEditorSetup& setup,
                    QWidget* owner = nullptr, RecordStore* store = nullptr);

  // The record as "OK" stores it: the texts, flags and category read back
  // and the alarm settings confirmed against the opened copy.
  EventRecord record() const;
  // The record being edited, without the texts read back: the date, times,
  // repeat, alarm and attachment as the buttons left them.
  const EventRecord& working() const { return record_; }

  // What the buttons do.
  void PickEventDate();
  void PickTimes();
  void EditRepeatSettings();
  void EditAlarmSettings();
  void EditAttachmentSettings();
  void EditCategoryList();

 private:
  void ShowDate();
  void ShowTimes();
  void UpdateOk();
  void FillCategories(const std::vector<std::string>& names, const QString& current);

  EventRecord record_;
  bool hasOpened_;
  EventRecord opened_;
  bool alarmChosen_ = false;  // a new event's alarm settings were confirmed once
  int accessLevel_;
  RecordStore* store_;

  QPushButton* date_;
  QPushButton* time_;
  QCheckBox* allDay_;
  QLineEdit* subject_;
  QPlainTextEdit* notes_;
  QComboBox* category_;
  QToolButton* editCategories_;
  QCheckBox* confidential_;
  QPushButton* ok_;
};

}  // namespace velmora
