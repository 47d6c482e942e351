#include "tray/TraySettingsDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "tray/TrayCalendars.h"

namespace velmora {

namespace {
QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }
}  // namespace

TraySettingsDialog::TraySettingsDialog(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("traySettings"));
  setWindowTitle(QStringLiteral("Velmora reminders"));
  auto* layout = new QVBoxLayout(this);
  const std::string last = AlmanorLastFile();
  auto* intro = new QLabel(
      last.empty() ? QStringLiteral("Alarms ring for the calendar Almanor opens last, and for these:")
                   : QStringLiteral("Alarms ring for %1 (opened last in Almanor), and for these:").arg(Text(last)),
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* row = new QHBoxLayout();
  list_ = new QListWidget(this);
  list_->setObjectName(QString::fromLatin1(kListName));
  for (const std::string& path : AddedCalendars()) list_->addItem(Text(path));
  auto* listLabel = new QLabel(QStringLiteral("&Calendars:"), this);
  listLabel->setBuddy(list_);
  layout->addWidget(listLabel);
  row->addWidget(list_, 1);
  auto* side = new QVBoxLayout();
  add_ = new QPushButton(QStringLiteral("&Add..."), this);
  add_->setObjectName(QString::fromLatin1(kAddName));
  remove_ = new QPushButton(QStringLiteral("&Remove"), this);
  remove_->setObjectName(QString::fromLatin1(kRemoveName));
  side->addWidget(add_);
  side->addWidget(remove_);
  side->addStretch(1);
  row->addLayout(side);
  layout->addLayout(row);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QString::fromLatin1(kOkName));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
      ->setObjectName(QString::fromLatin1(kCancelName));
  connect(buttons, &QDialogButtonBox::accepted, this, &TraySettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(add_, &QPushButton::clicked, this, &TraySettingsDialog::Add);
  connect(remove_, &QPushButton::clicked, this, &TraySettingsDialog::Remove);
  connect(list_, &QListWidget::currentRowChanged, this, &TraySettingsDialog::UpdateButtons);
  if (list_->count() > 0) list_->setCurrentRow(0);
  UpdateButtons();
  resize(460, 280);
}

std::vector<std::string> TraySettingsDialog::calendars() const {
  std::vector<std::string> out;
  for (int i = 0; i < list_->count(); ++i) out.push_back(list_->item(i)->text().toStdString());
  return out;
}

void TraySettingsDialog::Add() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = "Almanor file (*.cld)|*.cld||";
  request.defaultExtension = "cld";
  const std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(this, request);
  if (!chosen) return;
  const QString path = Text(*chosen);
  const QList<QListWidgetItem*> there = list_->findItems(path, Qt::MatchExactly);
  if (!there.isEmpty()) {
    list_->setCurrentItem(there.first());
    return;
  }
  if (list_->count() >= kMostAddedCalendars) {
    InformationBox(this, "At most " + std::to_string(kMostAddedCalendars) + " calendars can be added.");
    return;
  }
  list_->addItem(path);
  list_->setCurrentRow(list_->count() - 1);
  UpdateButtons();
}

void TraySettingsDialog::Remove() {
  const int row = list_->currentRow();
  if (row < 0) return;
  delete list_->takeItem(row);
  UpdateButtons();
  list_->setFocus();
}

void TraySettingsDialog::UpdateButtons() { remove_->setEnabled(list_->currentRow() >= 0); }

void TraySettingsDialog::accept() {
  if (Result saved = SaveAddedCalendars(calendars()); !saved.ok()) {
    InformationBox(this, saved.Message());
    return;
  }
  QDialog::accept();
}

}  // namespace velmora
