// The "Print Report" dialog: which contacts (all, the current record, a
// category, and those whose name contains a text) and which fields go into
// the text report; "Make report" writes it under a progress window and
// shows it in a preview that appears below the controls the first time;
// "Print" hands it to the printer.
#pragma once

#include <optional>
#include <string>

#include "addressbook/gui/RecordTextDialog.h"
#include "toolkit/TesselDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

// The preview's height and what the dialog grows by, in dialog units.
inline constexpr int kPreviewHeightUnits = 290;
inline constexpr int kReportGrowthUnits = 300;

class ReportDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3060;
  // currentId: the contact selected in the main list (none: "Current
  // record" is not offered). path: the report file (empty: the default
  // report, "report.txt" in the program folder).
  ReportDialog(RecordStore& store, std::optional<uint64_t> currentId, QWidget* owner = nullptr,
               std::string path = {});

  // The options as the controls stand.
  RecordTextOptions Options() const;
  // "Make report": writes the report and shows it.
  void MakeReport();
  // "Print": prints the report and ends the dialog.
  void Print();

  // Pixels of n vertical dialog units: an eighth of the dialog font's
  // height each.
  int VerticalUnits(int n) const;
  const std::string& reportPath() const { return path_; }

  QRadioButton* allButton() const { return all_; }
  QRadioButton* currentButton() const { return current_; }
  QRadioButton* categoryButton() const { return category_; }
  QComboBox* categoryList() const { return categories_; }
  QCheckBox* nameCheck() const { return nameCheck_; }
  QLineEdit* nameEdit() const { return name_; }
  QRadioButton* allFieldsButton() const { return allFields_; }
  QRadioButton* homeFieldsButton() const { return homeFields_; }
  QRadioButton* businessFieldsButton() const { return businessFields_; }
  QPushButton* makeButton() const { return make_; }
  QPushButton* printButton() const { return print_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPlainTextEdit* preview() const { return preview_; }

 protected:
  void OnInitDialog() override;

 private:
  void ShowPreview();

  RecordStore& store_;
  std::optional<uint64_t> currentId_;
  std::string path_;
  bool grown_ = false;
  QRadioButton* all_;
  QRadioButton* current_;
  QRadioButton* category_;
  QComboBox* categories_;
  QCheckBox* nameCheck_;
  QLineEdit* name_;
  QRadioButton* allFields_;
  QRadioButton* homeFields_;
  QRadioButton* businessFields_;
  QPushButton* make_;
  QPushButton* print_;
  QPushButton* cancel_;
  QPlainTextEdit* preview_;
};

}  // namespace velmora
