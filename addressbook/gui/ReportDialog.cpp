#include "addressbook/gui/ReportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "shell/ReportFile.h"
#include "shell/SuiteServices.h"
#include "toolkit/Fonts.h"
#include "store/Settings.h"

namespace velmora {

namespace {

// The least the preview keeps of its height on a small screen.
constexpr int kLeastPreviewUnits = 60;

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

ReportDialog::ReportDialog(RecordStore& store, std::optional<uint64_t> currentId, QWidget* owner, std::string path)
    : TesselDialog(kTemplate, owner), store_(store), currentId_(currentId),
      path_(path.empty() ? DefaultReportPath() : std::move(path)) {
  setObjectName(QStringLiteral("report"));
  setWindowTitle(QStringLiteral("Print Report"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();

  auto* filter = Named(new QGroupBox(QStringLiteral("Filter"), this), "filter");
  auto* grid = new QGridLayout(filter);
  all_ = Named(new QRadioButton(QStringLiteral("&All"), filter), "all");
  current_ = Named(new QRadioButton(QStringLiteral("C&urrent record"), filter), "current");
  category_ = Named(new QRadioButton(QStringLiteral("&Category"), filter), "category");
  categories_ = Named(new QComboBox(filter), "categories");
  for (const std::string& name : BookCategoryChoices(store_)) categories_->addItem(QString::fromStdString(name));
  categories_->setCurrentIndex(categories_->count() > 0 ? 0 : -1);
  categories_->setMinimumContentsLength(14);
  nameCheck_ = Named(new QCheckBox(QStringLiteral("&Name to find"), filter), "nameCheck");
  name_ = Named(new QLineEdit(filter), "name");
  name_->setMaxLength(kNameFieldLimit);
  grid->addWidget(all_, 0, 0, 1, 2);
  grid->addWidget(current_, 1, 0, 1, 2);
  grid->addWidget(category_, 2, 0);
  grid->addWidget(categories_, 2, 1);
  grid->addWidget(nameCheck_, 3, 0);
  grid->addWidget(name_, 3, 1);
  grid->setColumnStretch(1, 1);
  top->addWidget(filter, 1);

  auto* fields = Named(new QGroupBox(QStringLiteral("Fields"), this), "fields");
  auto* fieldsLayout = new QVBoxLayout(fields);
  allFields_ = Named(new QRadioButton(QStringLiteral("All &fields"), fields), "allFields");
  homeFields_ = Named(new QRadioButton(QStringLiteral("&Home fields"), fields), "homeFields");
  businessFields_ = Named(new QRadioButton(QStringLiteral("&Business fields"), fields), "businessFields");
  for (QRadioButton* b : {allFields_, homeFields_, businessFields_}) fieldsLayout->addWidget(b);
  fieldsLayout->addStretch(1);
  top->addWidget(fields);

  auto* buttons = new QVBoxLayout();
  make_ = Named(new QPushButton(QStringLiteral("&Make report"), this), "make");
  make_->setDefault(true);
  print_ = Named(new QPushButton(QStringLiteral("&Print"), this), "print");
  print_->setAutoDefault(false);
  cancel_ = Named(new QPushButton(QStringLiteral("Cancel"), this), "cancel");
  cancel_->setAutoDefault(false);
  for (QPushButton* b : {make_, print_, cancel_}) buttons->addWidget(b);
  buttons->addStretch(1);
  top->addLayout(buttons);
  layout->addLayout(top);

  preview_ = Named(new QPlainTextEdit(this), "preview");
  preview_->setReadOnly(true);
  preview_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  preview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  preview_->setFont(MapFont("Verdana", 11, kWeightNormal));
  preview_->hide();
  layout->addWidget(preview_, 1);

  all_->setChecked(true);
  allFields_->setChecked(true);
  current_->setEnabled(currentId_.has_value());
  categories_->setEnabled(false);
  name_->setEnabled(false);
  print_->setEnabled(false);
  connect(category_, &QRadioButton::toggled, categories_, &QWidget::setEnabled);
  connect(nameCheck_, &QCheckBox::toggled, this, [this](bool on) {
    name_->setEnabled(on);
    if (on) name_->setFocus();
  });
  connect(make_, &QPushButton::clicked, this, &ReportDialog::MakeReport);
  connect(print_, &QPushButton::clicked, this, &ReportDialog::Print);
  connect(cancel_, &QPushButton::clicked, this, [this] { EndDialog(0); });

  setTabOrder(all_, current_);
  setTabOrder(current_, category_);
  setTabOrder(category_, categories_);
  setTabOrder(categories_, nameCheck_);
  setTabOrder(nameCheck_, name_);
  setTabOrder(name_, allFields_);
  setTabOrder(allFields_, homeFields_);
  setTabOrder(homeFields_, businessFields_);
  setTabOrder(businessFields_, make_);
  setTabOrder(make_, print_);
  setTabOrder(print_, cancel_);
  setTabOrder(cancel_, preview_);
}

void ReportDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
  all_->setFocus();
}

int ReportDialog::VerticalUnits(int n) const { return (n * QFontMetrics(NormalFont()).height() + 4) / 8; }

RecordTextOptions ReportDialog::Options() const {
  RecordTextOptions options;
  if (current_->isChecked() && currentId_) {
    options.scope = ContactScope::CurrentRecord;
    options.currentId = currentId_;
  } else if (category_->isChecked()) {
    options.scope = ContactScope::Category;
    options.category = categories_->currentText().toStdString();
  }
  options.nameFlag = nameCheck_->isChecked();
  options.name = name_->text().toStdString();
  options.fields = homeFields_->isChecked()       ? ReportFieldSet::Home
                   : businessFields_->isChecked() ? ReportFieldSet::Business
                                                  : ReportFieldSet::All;
  return options;
}

void ReportDialog::MakeReport() {
  const RecordTextOptions options = Options();
  const Result written = WriteWithProgress(this, QStringLiteral("Report..."), [&](const RecordTextProgress& progress) {
    return WriteRecordText(store_, RecordTextMode::Report, options, path_, progress);
  });
  if (!written.ok()) InformationBox(this, RecordTextFailureText(RecordTextMode::Report, written, path_));
  // The preview shows what the report file holds, the old one when no new
  // one could be written.
  print_->setEnabled(true);
  ShowPreview();
  preview_->clear();
  (void)ShowTextFile(preview_, path_);
}

void ReportDialog::ShowPreview() {
  if (grown_) return;
  grown_ = true;
  int growth = VerticalUnits(kReportGrowthUnits);
  int previewHeight = VerticalUnits(kPreviewHeightUnits);
  // On a screen too low for the whole growth the preview gives up the
  // difference, keeping a few lines.
  QScreen* screen = this->screen();
  const QRect available = screen ? screen->availableGeometry() : QRect();
  if (available.isValid()) {
    const int room = available.height() - frameGeometry().height();
    if (growth > room) {
      const int least = VerticalUnits(kLeastPreviewUnits);
      previewHeight = std::max(least, previewHeight - (growth - room));
      growth = std::max(room, least + VerticalUnits(kReportGrowthUnits - kPreviewHeightUnits));
    }
  }
  // Showing the preview already stretches the dialog to its least height.
  const int before = height();
  preview_->setMinimumHeight(previewHeight);
  preview_->show();
  resize(width(), before + growth);
  if (available.isValid() && frameGeometry().bottom() > available.bottom()) {
    move(x(), std::max(available.top(), y() - (frameGeometry().bottom() - available.bottom())));
  }
}

void ReportDialog::Print() {
  (void)PrintReportFile(this, path_);
  EndDialog(1);
}

}  // namespace velmora
