// "New Category": one name of at most 29 characters; OK only while the name
// is not empty.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace velmora {

class NewCategoryDialog : public QDialog {
  Q_OBJECT

 public:
  explicit NewCategoryDialog(QWidget* owner = nullptr);
  // The name as it will be stored (cut to 29 bytes at a character boundary).
  std::string name() const;

 private:
  QLineEdit* edit_;
  QPushButton* ok_;
};

}  // namespace velmora
