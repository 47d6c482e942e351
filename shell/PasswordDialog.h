// Dialog 1002 "Password": one masked field for the password of a record
// file, and the check that decides which password a connection presents.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;

namespace velmora {

class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  // fileName is shown so the user knows which file asks.
  PasswordDialog(const QString& fileName, QWidget* owner = nullptr);
  std::string password() const;

 private:
  QLineEdit* edit_;
};

// The password to open path with: empty without asking when the file has no
// Owner password; otherwise what the user typed when it equals one of the
// three. Nothing when the user cancels, the password is wrong (message 103)
// or the file cannot be read (its reason is shown).
std::optional<std::string> ChooseFilePassword(QWidget* owner, const std::string& path);

}  // namespace velmora
