// The calendar's "Print Report" dialog: all events, a date range or the
// current record, with the subject filter; "Make report" writes the report
// file under a "Report..." progress window and shows it in the preview,
// "Print" hands the file to the printer.
#pragma once

#include <optional>
#include <string>

#include "calendar/gui/CalendarExportDialog.h"

class QPlainTextEdit;

namespace velmora {

// The event selected in the day list, for "Current record".
struct CurrentEvent {
  uint64_t id = 0;
  RecordPosition position = 0;
};

class CalendarReportDialog : public EventRangeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3064;
  // selected: the pane's selected date (both dates start there). current:
  // the selected event (none: "Current record" is not offered). path: the
  // report file (empty: the shared report file).
  CalendarReportDialog(RecordStore& store, const DateValue& selected, std::optional<CurrentEvent> current,
                       QWidget* owner = nullptr, std::string path = {});

  // "Make report": writes the report and shows it; "Print" becomes usable.
  void MakeReport();
  // "Print": prints the report file and ends the dialog.
  void Print();

  const std::string& reportPath() const { return path_; }
  QRadioButton* allButton() const { return all_; }
  QRadioButton* rangeButton() const { return range_; }
  QRadioButton* currentButton() const { return current_; }
  QPushButton* makeButton() const { return make_; }
  QPushButton* printButton() const { return print_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPlainTextEdit* preview() const { return preview_; }

 protected:
  EventRange ChosenRange() const override;
  void OnInitDialog() override;

 private:
  std::string path_;
  QRadioButton* all_;
  QRadioButton* range_;
  QRadioButton* current_;
  QPushButton* make_;
  QPushButton* print_;
  QPushButton* cancel_;
  QPlainTextEdit* preview_;
};

// File > Print Report over owner for the open calendar.
int RunCalendarReport(QWidget* owner, RecordStore& store, const DateValue& selected,
                      std::optional<CurrentEvent> current);

}  // namespace velmora
