#include "shell/NetworkPasswordsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
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

namespace {

struct PasswordRole {
  const char* objectName;
  const char* label;
  const char* explanation;
};

constexpr std::array<PasswordRole, 3> kRoles{{
    {"owner", "Owner",
     "Lets you see and change all entries (including entries marked confidential). Users with Owner access "
     "can also set the type of access and passwords for other users."},
    {"assistant", "Assistant",
     "Lets you see and change entries (except entries marked confidential). Users with Assistant access can "
     "change or add entries but can't view or change entries that are confidential. "},
    {"reader", "Reader", "Lets you see (but not change) entries in a file that aren't confidential."},
}};

}  // namespace

NetworkPasswordsDialog::NetworkPasswordsDialog(Step step, QWidget* owner) : QDialog(owner) {
  const bool verify = step == Step::Verify;
  setObjectName(verify ? QStringLiteral("verifyNetworkPasswords") : QStringLiteral("networkPasswords"));
  setWindowTitle(verify ? QStringLiteral("Verify Network Passwords") : QStringLiteral("Network Passwords"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  layout->addLayout(form);
  for (size_t i = 0; i < kRoles.size(); ++i) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(kRoles[i].objectName));
    edit->setEchoMode(QLineEdit::Password);
    LimitUtf8Bytes(edit, int(h::kPasswordWidth) - 1);
    edits_[i] = edit;
    const QString label = QString::fromLatin1(kRoles[i].label) + (verify ? QStringLiteral(":") : QString());
    form->addRow(label, edit);
    if (!verify) {
      auto* explanation = new QLabel(QString::fromLatin1(kRoles[i].explanation), this);
      explanation->setWordWrap(true);
      form->addRow(QString(), explanation);
    }
  }
  if (verify) {
    auto* caution = new QLabel(
        QStringLiteral("CAUTION: If you lose these passwords, you can not recover the information in your file."),
        this);
    caution->setWordWrap(true);
    layout->addWidget(caution);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  edits_[0]->setFocus();
}

std::array<std::string, 3> NetworkPasswordsDialog::passwords() const {
  return {edits_[0]->text().toStdString(), edits_[1]->text().toStdString(), edits_[2]->text().toStdString()};
}

int ChangeNetworkPasswords(QWidget* owner, RecordStore& store) {
  const auto ask = [owner](NetworkPasswordsDialog::Step step) {
    return [owner, step]() -> std::optional<NetworkPasswords> {
      NetworkPasswordsDialog dialog(step, owner);
      if (dialog.exec() != QDialog::Accepted) return std::nullopt;
      const std::array<std::string, 3> typed = dialog.passwords();
      return NetworkPasswords{typed[0], typed[1], typed[2]};
    };
  };
  return ChangeNetworkPasswords(store, ask(NetworkPasswordsDialog::Step::Enter),
                                ask(NetworkPasswordsDialog::Step::Verify), MessageBoxFlowUi(owner))
             ? 1
             : 0;
}

}  // namespace velmora
