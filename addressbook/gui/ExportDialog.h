// The "Export" dialog: which contacts (all, or a category, and those whose
// name contains a text) go to which file; writes the comma-separated export
// file, the report's text with all fields for a ".txt" file (or, with a
// vCard writer, a ".vcf" file) under a progress window and remembers the
// path under "ExportFile".
#pragma once

#include <optional>
#include <string>

#include "addressbook/gui/RecordTextDialog.h"
#include "toolkit/TesselDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

inline constexpr const char* kExportFileKey = "ExportFile";
inline constexpr int kExportPathLimit = 1023;
// The dialog's note on values a spreadsheet would run as formulas.
inline constexpr const char* kExportFormulaNote =
    "In the comma-separated file a value that starts with =, +, - or @ is written with an apostrophe before it, "
    "so that a spreadsheet opening the file shows it as text instead of running it as a formula; phone numbers "
    "such as +46 70 555 05 00 stay as they are. Cardora's import of the file takes the apostrophe away again.";

class ExportDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3061;
  // vcard: writes ".vcf" paths; none: every path gets the comma file.
  ExportDialog(RecordStore& store, VCardExportWriter vcard = {}, QWidget* owner = nullptr);

  // The options as the controls stand.
  RecordTextOptions Options() const;
  // "Browse...": the save dialog's choice into the path field.
  void Browse();
  // "Export": writes the file; the dialog ends with 1 when it was written.
  void Export();

  QRadioButton* allButton() const { return all_; }
  QRadioButton* categoryButton() const { return category_; }
  QComboBox* categoryList() const { return categories_; }
  QCheckBox* nameCheck() const { return nameCheck_; }
  QLineEdit* nameEdit() const { return name_; }
  QLineEdit* pathEdit() const { return path_; }
  QPushButton* browseButton() const { return browse_; }
  QPushButton* exportButton() const { return export_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  void OnInitDialog() override;

 private:
  // "address book" or "address book's history" when path names the open
  // address book or its history file (through any link), else nothing.
  std::optional<std::string> OwnFileAt(const std::string& path) const;
  // Whether path is written by the vCard writer.
  bool WritesVCard(const std::string& path) const;
  // Whether path is a text file (".txt", any letter case): written as the
  // report's text with all fields instead of the comma file.
  static bool WritesText(const std::string& path);

  RecordStore& store_;
  VCardExportWriter vcard_;
  QRadioButton* all_;
  QRadioButton* category_;
  QComboBox* categories_;
  QCheckBox* nameCheck_;
  QLineEdit* name_;
  QLineEdit* path_;
  QPushButton* browse_;
  QPushButton* export_;
  QPushButton* cancel_;
};

}  // namespace velmora
