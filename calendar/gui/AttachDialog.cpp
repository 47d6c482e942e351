#include "calendar/gui/AttachDialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "calendar/gui/AlarmDialog.h"
#include "calendar/model/EventEditorRules.h"
#include "calendar/model/EventRecord.h"
#include "shell/DesktopIntegration.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

AttachDialog::AttachDialog(const EventAttachment& attachment, QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("Attach"));
  setWindowTitle(QStringLiteral("Attach"));
  setFont(NormalFont());
  auto* outer = new QVBoxLayout(this);
  auto* kindRow = new QHBoxLayout();
  document_ = new QRadioButton(QStringLiteral("&Document"), this);
  document_->setObjectName(QStringLiteral("document"));
  url_ = new QRadioButton(QStringLiteral("&URL"), this);
  url_->setObjectName(QStringLiteral("url"));
  auto* group = new QButtonGroup(this);
  group->addButton(document_);
  group->addButton(url_);
  kindRow->addWidget(document_);
  kindRow->addWidget(url_);
  kindRow->addStretch();
  outer->addLayout(kindRow);

  auto* targetRow = new QHBoxLayout();
  target_ = new QLineEdit(this);
  target_->setObjectName(QStringLiteral("target"));
  target_->setAccessibleName(QStringLiteral("Path or URL"));
  target_->setMinimumWidth(320);
  LimitUtf8Bytes(target_, int(event::kPathWidth) - 1);
  auto* browse = new QPushButton(QStringLiteral("&Browse"), this);
  browse->setObjectName(QStringLiteral("browse"));
  auto* open = new QPushButton(QStringLiteral("&Open"), this);
  open->setObjectName(QStringLiteral("open"));
  targetRow->addWidget(target_, 1);
  targetRow->addWidget(browse);
  targetRow->addWidget(open);
  outer->addLayout(targetRow);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);

  (attachment.kind == event::kAttachUrl ? url_ : document_)->setChecked(true);
  target_->setText(QString::fromStdString(attachment.target));
  connect(browse, &QPushButton::clicked, this, &AttachDialog::Browse);
  connect(open, &QPushButton::clicked, this, &AttachDialog::Open);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  adjustSize();
  TesselDialog::CentreOver(this, owner);
}

EventAttachment AttachDialog::attachment() const {
  EventAttachment out;
  out.target = target_->text().toStdString();
  out.kind = AttachmentKindFor(url_->isChecked(), out.target);
  return out;
}

void AttachDialog::Browse() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = "(*.*)|*.*||";
  request.start = StartFolder::Current;
  std::optional<std::string> path = FileDialogs::Current().ChooseFile(this, request);
  if (path && ChosenPathFits(this, *path)) target_->setText(QString::fromStdString(*path));
}

void AttachDialog::Open() {
  const std::string target = target_->text().toStdString();
  if (target.empty() || !OpenDocument(target)) Beep();
}

std::optional<EventAttachment> EditAttachment(QWidget* owner, const EventAttachment& attachment) {
  AttachDialog dialog(attachment, owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.attachment();
}

}  // namespace velmora
