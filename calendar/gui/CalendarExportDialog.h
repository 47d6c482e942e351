// The calendar's "Export" dialog, and what it shares with "Print Report":
// the choice of events (all, a date range, the current record), the "From
// date" and "To date" buttons that refuse a from date after the to date
// (message 107), and the subject filter.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "calendar/model/EventSelection.h"
#include "store/RecordStore.h"
#include "store/Result.h"
#include "toolkit/TesselDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

// The date buttons, their dates and the subject filter of both dialogs.
class EventRangeDialog : public TesselDialog {
  Q_OBJECT

 public:
  // Sets the from (to) date; a from date after the to date is refused with
  // message 107 and the date stays. True when the date was taken.
  bool SetFromDate(const DateValue& date);
  bool SetToDate(const DateValue& date);
  // The options as the controls stand.
  ExportOptions Options() const;

  QPushButton* fromButton() const { return fromButton_; }
  QPushButton* toButton() const { return toButton_; }
  QLabel* fromLabel() const { return fromLabel_; }
  QLabel* toLabel() const { return toLabel_; }
  QCheckBox* subjectCheck() const { return subjectCheck_; }
  QLineEdit* subjectEdit() const { return subject_; }

 protected:
  EventRangeDialog(int templateNumber, RecordStore& store, const ExportOptions& initial, QWidget* owner);
  // Which range the radio buttons choose.
  virtual EventRange ChosenRange() const = 0;
  // The date buttons are used only with a date range.
  void EnableDates(bool on);
  void PickDate(bool from);
  void ShowDates();

  RecordStore& store_;
  ExportOptions options_;
  QPushButton* fromButton_;
  QPushButton* toButton_;
  QLabel* fromLabel_;
  QLabel* toLabel_;
  QCheckBox* subjectCheck_;
  QLineEdit* subject_;
};

// A format the export can write: its name in the format choice, the save
// dialog's filter and extension, and the writer. The calendar's own
// comma-separated file is the first; further formats join the list.
struct CalendarExportFormat {
  QString name;
  std::string filter;
  std::string extension;
  std::function<Result(RecordStore& store, const ExportOptions& options, const std::string& path)> write;
};
std::vector<CalendarExportFormat> CalendarExportFormats();

class CalendarExportDialog : public EventRangeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3063;
  // today: both dates start there. formats: what the format choice offers
  // (none given: CalendarExportFormats()).
  CalendarExportDialog(RecordStore& store, const DateValue& today, QWidget* owner = nullptr,
                       std::vector<CalendarExportFormat> formats = {});

  // "Browse...": the save dialog's choice into the path field.
  void Browse();
  // "Export": writes the file, remembers its path under "ExportFile" and
  // says how it went; the dialog ends with 1 when the file was written.
  void Export();

  QRadioButton* allButton() const { return all_; }
  QRadioButton* rangeButton() const { return range_; }
  QComboBox* formatChoice() const { return format_; }
  QLineEdit* pathEdit() const { return path_; }
  QPushButton* browseButton() const { return browse_; }
  QPushButton* exportButton() const { return export_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  EventRange ChosenRange() const override;
  void OnInitDialog() override;

 private:
  std::vector<CalendarExportFormat> formats_;
  QRadioButton* all_;
  QRadioButton* range_;
  QComboBox* format_;
  QLineEdit* path_;
  QPushButton* browse_;
  QPushButton* export_;
  QPushButton* cancel_;
};

// File > Export over owner for the open calendar.
int RunCalendarExport(QWidget* owner, RecordStore& store);

}  // namespace velmora
