#include "addressbook/gui/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <filesystem>
#include <optional>
#include <system_error>

#include "addressbook/model/ContactHistory.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "store/Settings.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
// Paths as the file dialogs and the settings keep them.
constexpr size_t kPathCapacity = 4096;
constexpr const char* kCommaFilter = "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt|";
constexpr const char* kVCardFilter = "vCard file (*.vcf)|*.vcf|";

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

ExportDialog::ExportDialog(RecordStore& store, VCardExportWriter vcard, QWidget* owner)
    : TesselDialog(kTemplate, owner), store_(store), vcard_(std::move(vcard)) {
  setObjectName(QStringLiteral("export"));
  setWindowTitle(QStringLiteral("Export"));
  auto* layout = new QVBoxLayout(this);

  auto* options = Named(new QGroupBox(QStringLiteral("Options"), this), "options");
  auto* grid = new QGridLayout(options);
  all_ = Named(new QRadioButton(QStringLiteral("&All"), options), "all");
  category_ = Named(new QRadioButton(QStringLiteral("&Category"), options), "category");
  categories_ = Named(new QComboBox(options), "categories");
  for (const std::string& name : BookCategoryChoices(store_)) categories_->addItem(QString::fromStdString(name));
  categories_->setCurrentIndex(categories_->count() > 0 ? 0 : -1);
  categories_->setMinimumContentsLength(16);
  nameCheck_ = Named(new QCheckBox(QStringLiteral("&Name to find:"), options), "nameCheck");
  name_ = Named(new QLineEdit(options), "name");
  name_->setMaxLength(kNameFieldLimit);
  grid->addWidget(all_, 0, 0);
  grid->addWidget(category_, 1, 0);
  grid->addWidget(categories_, 1, 1);
  grid->addWidget(nameCheck_, 2, 0);
  grid->addWidget(name_, 2, 1);
  grid->setColumnStretch(1, 1);
  layout->addWidget(options);

  auto* pathRow = new QHBoxLayout();
  auto* pathLabel = Named(new QLabel(QStringLiteral("Export &file"), this), "pathLabel");
  path_ = Named(new QLineEdit(this), "path");
  path_->setMaxLength(int(kPathCapacity - 1));
  path_->setMinimumWidth(240);
  pathLabel->setBuddy(path_);
  browse_ = Named(new QPushButton(QStringLiteral("&Browse..."), this), "browse");
  browse_->setAutoDefault(false);
  pathRow->addWidget(pathLabel);
  pathRow->addWidget(path_, 1);
  pathRow->addWidget(browse_);
  layout->addLayout(pathRow);

  // Why some values of the comma file start with an apostrophe.
  auto* formulaNote = Named(new QLabel(QString::fromUtf8(kExportFormulaNote), this), "formulaNote");
  formulaNote->setWordWrap(true);
  layout->addWidget(formulaNote);
  path_->setToolTip(QString::fromUtf8(kExportFormulaNote));

  auto* buttons = new QHBoxLayout();
  export_ = Named(new QPushButton(QStringLiteral("&Export"), this), "exportButton");
  export_->setDefault(true);
  cancel_ = Named(new QPushButton(QStringLiteral("Cancel"), this), "cancel");
  cancel_->setAutoDefault(false);
  buttons->addStretch(1);
  buttons->addWidget(export_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);

  all_->setChecked(true);
  categories_->setEnabled(false);
  name_->setEnabled(false);
  connect(category_, &QRadioButton::toggled, categories_, &QWidget::setEnabled);
  connect(nameCheck_, &QCheckBox::toggled, this, [this](bool on) {
    name_->setEnabled(on);
    if (on) name_->setFocus();
  });
  connect(browse_, &QPushButton::clicked, this, &ExportDialog::Browse);
  connect(export_, &QPushButton::clicked, this, &ExportDialog::Export);
  connect(cancel_, &QPushButton::clicked, this, [this] { EndDialog(0); });

  setTabOrder(all_, category_);
  setTabOrder(category_, categories_);
  setTabOrder(categories_, nameCheck_);
  setTabOrder(nameCheck_, name_);
  setTabOrder(name_, path_);
  setTabOrder(path_, browse_);
  setTabOrder(browse_, export_);
  setTabOrder(export_, cancel_);

  std::string path;
  ReadSettingText(ProgramSettingsPath(), kPreference, kExportFileKey, path, kPathCapacity);
  path_->setText(QString::fromStdString(path));
}

void ExportDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
  all_->setFocus();
}

RecordTextOptions ExportDialog::Options() const {
  RecordTextOptions options;
  const bool byCategory = category_->isChecked();
  options.scope = byCategory ? ContactScope::Category : ContactScope::All;
  options.category = byCategory ? categories_->currentText().toStdString() : std::string(kAllCategories);
  options.nameFlag = nameCheck_->isChecked();
  options.name = name_->text().toStdString();
  return options;
}

bool ExportDialog::WritesVCard(const std::string& path) const {
  return vcard_ && QString::fromStdString(path).endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive);
}

std::optional<std::string> ExportDialog::OwnFileAt(const std::string& path) const {
  std::error_code error;
  if (std::filesystem::equivalent(store_.path(), path, error)) return std::string("address book");
  if (std::filesystem::equivalent(HistoryPath(store_.path()), path, error)) return std::string("address book's history");
  return std::nullopt;
}

bool ExportDialog::WritesText(const std::string& path) {
  return QString::fromStdString(path).endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

void ExportDialog::Browse() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filter = std::string(kCommaFilter) + (vcard_ ? kVCardFilter : "") + "|";
  request.defaultExtension = "csv";
  request.start = StartFolder::Program;
  if (std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(this, request)) {
    path_->setText(QString::fromStdString(*chosen));
  }
  path_->setFocus();
}

void ExportDialog::Export() {
  const std::string path = path_->text().toStdString();
  if (path.empty()) {
    InformationBox(this, std::string_view("Nothing was exported: give the name of the export file."));
    path_->setFocus();
    return;
  }
  if (std::optional<std::string> own = OwnFileAt(path)) {
    // The export replaces the file at the path: over the open address book
    // or its history it would destroy them.
    InformationBox(this, "Nothing was exported: \"" + path + "\" is the " + *own +
                             " itself. Give another name for the export file.");
    path_->setFocus();
    return;
  }
  if (Result stored = WriteSettingText(ProgramSettingsPath(), kPreference, kExportFileKey, path); !stored.ok()) {
    InformationBox(this, "The export file could not be remembered. " + stored.Message());
  }
  const RecordTextOptions options = Options();
  const Result written = WriteWithProgress(this, QStringLiteral("Export..."), [&](const RecordTextProgress& progress) {
    if (WritesVCard(path)) return vcard_(store_, options, path, progress);
    // A text file gets the report's text with all fields, as the command
    // line's export in text format writes it; every other path the comma
    // file.
    const RecordTextMode mode = WritesText(path) ? RecordTextMode::Report : RecordTextMode::Export;
    return WriteRecordText(store_, mode, options, path, progress);
  });
  if (!written.ok()) {
    // The dialog stays, so that another path or other options can be tried.
    InformationBox(this, RecordTextFailureText(RecordTextMode::Export, written, path));
    return;
  }
  InformationBox(this, std::string_view("Operation successful."));
  EndDialog(1);
}

}  // namespace velmora
