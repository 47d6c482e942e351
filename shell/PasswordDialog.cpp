#include "shell/PasswordDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/MessageBoxFlowUi.h"
#include "store/Format.h"
#include "shell/RecordFileCommands.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace h = format::header;

PasswordDialog::PasswordDialog(const QString& fileName, QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("1002"));
  setWindowTitle(QStringLiteral("Password"));
  auto* layout = new QVBoxLayout(this);
  auto* file = new QLabel(fileName, this);
  file->setObjectName(QStringLiteral("fileName"));
  layout->addWidget(file);
  auto* label = new QLabel(QStringLiteral("Password"), this);
  layout->addWidget(label);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("password"));
  edit_->setEchoMode(QLineEdit::Password);
  LimitUtf8Bytes(edit_, int(h::kPasswordWidth) - 1);
  label->setBuddy(edit_);
  layout->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  edit_->setFocus();
}

std::string PasswordDialog::password() const { return edit_->text().toStdString(); }

std::optional<std::string> ChooseFilePassword(QWidget* owner, const std::string& path) {
  const PasswordPrompt prompt = [owner](const std::string& fileName) -> std::optional<std::string> {
    PasswordDialog dialog(QString::fromStdString(fileName), owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password();
  };
  return ChooseOpenPassword(path, prompt, MessageBoxFlowUi(owner));
}

}  // namespace velmora
