#include "addressbook/gui/CustomViewDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/MessageBoxes.h"

namespace velmora {

CustomViewDialog::CustomViewDialog(const std::array<ListColumn, 3>& columns, QWidget* owner)
    : TesselDialog(kCustomViewDialog, owner) {
  setObjectName(QString::number(kCustomViewDialog));
  setWindowTitle(QStringLiteral("Define custom view"));
  auto* layout = new QVBoxLayout(this);
  auto* frame = new QGroupBox(QStringLiteral("FIelds"), this);
  auto* grid = new QGridLayout(frame);
  auto* text = new QLabel(QStringLiteral("Please choose tree fields which will be presented on the custom view screen."),
                          frame);
  text->setWordWrap(true);
  grid->addWidget(text, 0, 0, 1, 2);
  for (int i = 0; i < 3; ++i) {
    boxes_[size_t(i)] = new QCheckBox(QStringLiteral("Field %1:").arg(i + 1), frame);
    boxes_[size_t(i)]->setObjectName(QString::number(100 + i));
    fields_[size_t(i)] = new QComboBox(frame);
    fields_[size_t(i)]->setObjectName(QString::number(400 + i));
    for (const DisplayField& field : DisplayFields()) {
      fields_[size_t(i)]->addItem(QString::fromLatin1(field.label.data(), qsizetype(field.label.size())));
    }
    const ListColumn& column = columns[size_t(i)];
    fields_[size_t(i)]->setCurrentIndex(column.displayField);
    boxes_[size_t(i)]->setChecked(column.on);
    fields_[size_t(i)]->setEnabled(column.on);
    QComboBox* list = fields_[size_t(i)];
    connect(boxes_[size_t(i)], &QCheckBox::toggled, list, &QComboBox::setEnabled);
    grid->addWidget(boxes_[size_t(i)], i + 1, 0);
    grid->addWidget(fields_[size_t(i)], i + 1, 1);
  }
  grid->setColumnStretch(1, 1);
  layout->addWidget(frame);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdOk, 0, {}, {}}); });
  connect(cancel, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdCancel, 0, {}, {}}); });
  setMinimumWidth(360);
}

void CustomViewDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
}

std::array<ListColumn, 3> CustomViewDialog::columns() const {
  std::array<ListColumn, 3> columns{};
  for (size_t i = 0; i < 3; ++i) {
    columns[i].displayField = std::max(0, fields_[i]->currentIndex());
    columns[i].on = boxes_[i]->isChecked();
  }
  return columns;
}

qintptr CustomViewDialog::OnCommand(const Command& command) {
  if (command.id == kCmdOk) {
    const Result written = WriteListColumns(columns());
    // The view takes the choice either way; the user learns that it was
    // not kept for the next start.
    if (!written.ok()) InformationBox(this, written.Message());
    EndDialog(1);
    return 1;
  }
  return TesselDialog::OnCommand(command);
}

bool DefineCustomView(QWidget* owner, std::array<ListColumn, 3>& columns) {
  CustomViewDialog dialog(columns, owner);
  if (dialog.RunModal() != 1) return false;
  columns = dialog.columns();
  return true;
}

}  // namespace velmora
