#include "shell/CreateNewFileDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "resources/Strings.h"
#include "store/Settings.h"

namespace velmora {

namespace {
constexpr int kPathBoxLimit = 260;

QPushButton* NumberedButton(const char* text, const char* id, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(id));
  return button;
}
}  // namespace

CreateNewFileDialog::CreateNewFileDialog(std::string extension, QWidget* owner)
    : QDialog(owner), extension_(std::move(extension)) {
  setObjectName(QStringLiteral("1001"));
  setWindowTitle(QStringLiteral("Create New File"));
  auto* grid = new QGridLayout(this);

  auto* nameLabel = new QLabel(QStringLiteral("Enter the name for new file without file extension."), this);
  nameLabel->setWordWrap(true);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("100"));
  name_->setMaxLength(kPathBoxLimit);
  nameLabel->setBuddy(name_);
  grid->addWidget(nameLabel, 0, 0, 1, 2);
  grid->addWidget(name_, 1, 0, 1, 2);

  auto* folderLabel = new QLabel(
      QStringLiteral("Enter the name of a folder that you wish to store your new file in, or select Browse to find "
                     "folder."),
      this);
  folderLabel->setWordWrap(true);
  folder_ = new QLineEdit(this);
  folder_->setObjectName(QStringLiteral("101"));
  folder_->setMaxLength(kPathBoxLimit);
  folderLabel->setBuddy(folder_);
  QPushButton* browse = NumberedButton("Browse", "102", this);
  grid->addWidget(folderLabel, 2, 0, 1, 2);
  grid->addWidget(folder_, 3, 0);
  grid->addWidget(browse, 3, 1);

  examples_ = new QCheckBox(QStringLiteral("With example records"), this);
  examples_->setObjectName(QStringLiteral("104"));
  grid->addWidget(examples_, 4, 0, 1, 2);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  ok_ = NumberedButton("&Ok", "1", this);
  ok_->setDefault(true);
  QPushButton* cancel = NumberedButton("Cancel", "2", this);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 5, 0, 1, 2);

  std::string example;
  ReadSettingText(ProgramSettingsPath(), "Preference", "RecordExample", example);
  examples_->setChecked(example.empty() || example == "1");
  folder_->setText(QString::fromStdString(WorkFolder()));

  connect(name_, &QLineEdit::textChanged, this, &CreateNewFileDialog::UpdateOk);
  connect(folder_, &QLineEdit::textChanged, this, &CreateNewFileDialog::UpdateOk);
  connect(browse, &QPushButton::clicked, this, &CreateNewFileDialog::Browse);
  connect(ok_, &QPushButton::clicked, this, &CreateNewFileDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  UpdateOk();
  name_->setFocus();
  setMinimumWidth(420);  // room for a folder path
  if (owner) {
    adjustSize();
    move(owner->geometry().center() - rect().center());
  }
}

void CreateNewFileDialog::UpdateOk() { ok_->setEnabled(!name_->text().isEmpty() && !folder_->text().isEmpty()); }

void CreateNewFileDialog::Browse() {
  const std::optional<std::string> folder = FileDialogs::Current().ChooseFolder(
      this, "Please select a folder where program can save your new file and then click on Ok button.",
      folder_->text().toStdString());
  if (folder) folder_->setText(QString::fromStdString(*folder));
}

void CreateNewFileDialog::accept() {
  if (!ok_->isEnabled()) return;
  const QString joined = folder_->text() + QLatin1Char('/') + name_->text() + QLatin1Char('.') +
                         QString::fromStdString(extension_);
  const QString path = QDir::cleanPath(QFileInfo(joined).absoluteFilePath());
  if (QFileInfo::exists(path)) {
    InformationBox(this, kMsgFileExists);
    return;
  }
  // A probe proves that a file of that name can be made there.
  QFile probe(path);
  if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
    InformationBox(this, kMsgCannotCreateFile);
    return;
  }
  probe.close();
  probe.remove();
  if (Result saved =
          WriteSettingText(ProgramSettingsPath(), "Preference", "RecordExample", examples_->isChecked() ? "1" : "0");
      !saved.ok()) {
    InformationBox(this, saved.Message());
  }
  path_ = path.toStdString();
  QDialog::accept();
}

}  // namespace velmora
