#include "shell/NewCategoryDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/Bytes.h"
#include "store/Format.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace {
constexpr size_t kNameLimit = format::category::kNameWidth - 1;  // 29
}

NewCategoryDialog::NewCategoryDialog(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("newCategory"));
  setWindowTitle(QStringLiteral("New Category"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("Name"), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("name"));
  LimitUtf8Bytes(edit_, int(kNameLimit));
  label->setBuddy(edit_);
  layout->addWidget(label);
  layout->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok_->setObjectName(QStringLiteral("1"));
  ok_->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (ok_->isEnabled()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  connect(edit_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(!edit_->text().isEmpty()); });
  ok_->setEnabled(false);
  edit_->setFocus();
}

std::string NewCategoryDialog::name() const {
  const std::string text = edit_->text().toStdString();
  return text.substr(0, Utf8CutLength(text, kNameLimit));
}

}  // namespace velmora
