// "Network Passwords" and "Verify Network Passwords": the Owner sets the
// three access passwords of the open file, typing them twice.
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QLineEdit;

namespace velmora {

class RecordStore;

class NetworkPasswordsDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Step { Enter, Verify };
  explicit NetworkPasswordsDialog(Step step, QWidget* owner = nullptr);

  // Owner, Assistant, Reader.
  std::array<std::string, 3> passwords() const;

 private:
  std::array<QLineEdit*, 3> edits_{};
};

// Command "Network Passwords": message 102 unless the connection presents
// the Owner password; then both dialogs (message 101 and the second dialog
// again while the entries differ); then the header gets the new passwords
// and the connection presents the new Owner password. 1 when changed.
int ChangeNetworkPasswords(QWidget* owner, RecordStore& store);

}  // namespace velmora
