// Dialog 1001 "Create New File": a name typed without extension, a folder
// (Browse picks one), and whether the new file gets the example records.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace velmora {

class CreateNewFileDialog : public QDialog {
  Q_OBJECT

 public:
  // extension without the dot ("adr").
  CreateNewFileDialog(std::string extension, QWidget* owner = nullptr);

  // The path the dialog closed with (empty before OK succeeded).
  const std::string& path() const { return path_; }

  void accept() override;

 private:
  void UpdateOk();
  void Browse();

  std::string extension_;
  std::string path_;
  QLineEdit* name_;
  QLineEdit* folder_;
  QCheckBox* examples_;
  QPushButton* ok_;
};

}  // namespace velmora
