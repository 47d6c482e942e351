#include "calendar/gui/CalendarExportDialog.h"

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

#include "calendar/model/CalendarExport.h"
#include "calendar/model/ICalendar.h"
#include "resources/Strings.h"
#include "shell/DatePickerDialog.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "store/Dates.h"

namespace velmora {

namespace {

// Paths as the file dialogs keep them.
constexpr int kPathCapacity = 4096;

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QString DateText(const DateValue& date) { return QString::fromStdString(FormatDate(date)); }

}  // namespace

// --- EventRangeDialog ---------------------------------------------------------

EventRangeDialog::EventRangeDialog(int templateNumber, RecordStore& store, const ExportOptions& initial,
                                   QWidget* owner)
    : TesselDialog(templateNumber, owner), store_(store), options_(initial) {
  fromButton_ = Named(new QPushButton(QStringLiteral("&From date"), this), "fromDate");
  toButton_ = Named(new QPushButton(QStringLiteral("&To date"), this), "toDate");
  for (QPushButton* b : {fromButton_, toButton_}) b->setAutoDefault(false);
  fromLabel_ = Named(new QLabel(this), "fromText");
  toLabel_ = Named(new QLabel(this), "toText");
  subjectCheck_ = Named(new QCheckBox(QStringLiteral("&Subject:"), this), "subjectCheck");
  subject_ = Named(new QLineEdit(this), "subject");
  subject_->setMaxLength(static_cast<int>(kMaxSubjectFilterLength));
  subjectCheck_->setChecked(options_.subjectFilter);
  subject_->setText(QString::fromStdString(options_.subject));
  subject_->setEnabled(options_.subjectFilter);
  connect(subjectCheck_, &QCheckBox::toggled, this, [this](bool on) {
    subject_->setEnabled(on);
    if (on) subject_->setFocus();
  });
  connect(fromButton_, &QPushButton::clicked, this, [this] { PickDate(true); });
  connect(toButton_, &QPushButton::clicked, this, [this] { PickDate(false); });
  ShowDates();
}

void EventRangeDialog::ShowDates() {
  fromLabel_->setText(DateText(options_.from));
  toLabel_->setText(DateText(options_.to));
}

bool EventRangeDialog::SetFromDate(const DateValue& date) {
  if (!DateRangeAcceptable(date, options_.to)) {
    InformationBox(this, kMsgFromAfterTo);
    return false;
  }
  options_.from = date;
  ShowDates();
  return true;
}

bool EventRangeDialog::SetToDate(const DateValue& date) {
  if (!DateRangeAcceptable(options_.from, date)) {
    InformationBox(this, kMsgFromAfterTo);
    return false;
  }
  options_.to = date;
  ShowDates();
  return true;
}

void EventRangeDialog::PickDate(bool from) {
  QPushButton* button = from ? fromButton_ : toButton_;
  const QPoint at = button->mapToGlobal(QPoint(0, button->height()));
  if (std::optional<DateValue> picked = velmora::PickDate(this, from ? options_.from : options_.to, at, false)) {
    (void)(from ? SetFromDate(*picked) : SetToDate(*picked));
  }
  button->setFocus();
}

void EventRangeDialog::EnableDates(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{fromButton_, toButton_, fromLabel_, toLabel_}) w->setEnabled(on);
}

ExportOptions EventRangeDialog::Options() const {
  ExportOptions options = options_;
  options.range = ChosenRange();
  options.subjectFilter = subjectCheck_->isChecked();
  options.subject = options.subjectFilter ? subject_->text().toStdString() : std::string();
  return options;
}

// --- Export ------------------------------------------------------------------------

std::vector<CalendarExportFormat> CalendarExportFormats() {
  return {CalendarExportFormat{QStringLiteral("Comma file (*.csv)"),
                               "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt||", "csv",
                               [](RecordStore& store, const ExportOptions& options, const std::string& path) {
                                 return ExportEvents(store, options, path);
                               }},
          CalendarExportFormat{QStringLiteral("iCalendar (*.ics)"), "iCalendar file (*.ics)|*.ics||", "ics",
                               [](RecordStore& store, const ExportOptions& options, const std::string& path) {
                                 return ExportICalendar(store, options, path);
                               }}};
}

CalendarExportDialog::CalendarExportDialog(RecordStore& store, const DateValue& today, QWidget* owner,
                                           std::vector<CalendarExportFormat> formats)
    : EventRangeDialog(kTemplate, store, ExportDialogOptions(today), owner),
      formats_(formats.empty() ? CalendarExportFormats() : std::move(formats)) {
  setObjectName(QStringLiteral("calendarExport"));
  setWindowTitle(QStringLiteral("Export"));
  auto* layout = new QVBoxLayout(this);

  auto* group = Named(new QGroupBox(QStringLiteral("Options"), this), "options");
  auto* grid = new QGridLayout(group);
  all_ = Named(new QRadioButton(QStringLiteral("&All"), group), "all");
  range_ = Named(new QRadioButton(QStringLiteral("&Date range:"), group), "range");
  fromButton_->setParent(group);
  toButton_->setParent(group);
  fromLabel_->setParent(group);
  toLabel_->setParent(group);
  subjectCheck_->setParent(group);
  subject_->setParent(group);
  grid->addWidget(all_, 0, 0, 1, 3);
  grid->addWidget(range_, 1, 0, 1, 3);
  grid->addWidget(fromButton_, 2, 1);
  grid->addWidget(fromLabel_, 2, 2);
  grid->addWidget(toButton_, 3, 1);
  grid->addWidget(toLabel_, 3, 2);
  grid->addWidget(subjectCheck_, 4, 0);
  grid->addWidget(subject_, 4, 1, 1, 2);
  grid->setColumnMinimumWidth(0, 20);
  grid->setColumnStretch(2, 1);
  layout->addWidget(group);

  // The formats the export writes; the calendar's own comma file first.
  auto* formatRow = new QHBoxLayout();
  auto* formatLabel = Named(new QLabel(QStringLiteral("F&ormat"), this), "formatLabel");
  format_ = Named(new QComboBox(this), "format");
  for (const CalendarExportFormat& f : formats_) format_->addItem(f.name);
  format_->setCurrentIndex(0);
  formatLabel->setBuddy(format_);
  formatRow->addWidget(formatLabel);
  formatRow->addWidget(format_, 1);
  layout->addLayout(formatRow);

  auto* pathRow = new QHBoxLayout();
  auto* pathLabel = Named(new QLabel(QStringLiteral("Export f&ile"), this), "pathLabel");
  path_ = Named(new QLineEdit(this), "path");
  path_->setMaxLength(kPathCapacity - 1);
  path_->setMinimumWidth(260);
  pathLabel->setBuddy(path_);
  browse_ = Named(new QPushButton(QStringLiteral("&Browse..."), this), "browse");
  browse_->setAutoDefault(false);
  pathRow->addWidget(pathLabel);
  pathRow->addWidget(path_, 1);
  pathRow->addWidget(browse_);
  layout->addLayout(pathRow);

  auto* buttons = new QHBoxLayout();
  export_ = Named(new QPushButton(QStringLiteral("&Export"), this), "exportButton");
  export_->setDefault(true);
  cancel_ = Named(new QPushButton(QStringLiteral("Cancel"), this), "cancel");
  cancel_->setAutoDefault(false);
  buttons->addStretch(1);
  buttons->addWidget(export_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);

  all_->setChecked(options_.range != EventRange::DateRange);
  range_->setChecked(options_.range == EventRange::DateRange);
  EnableDates(range_->isChecked());
  connect(range_, &QRadioButton::toggled, this, [this](bool on) { EnableDates(on); });
  connect(browse_, &QPushButton::clicked, this, &CalendarExportDialog::Browse);
  connect(export_, &QPushButton::clicked, this, &CalendarExportDialog::Export);
  connect(cancel_, &QPushButton::clicked, this, [this] { EndDialog(0); });

  setTabOrder(all_, range_);
  setTabOrder(range_, fromButton_);
  setTabOrder(fromButton_, toButton_);
  setTabOrder(toButton_, subjectCheck_);
  setTabOrder(subjectCheck_, subject_);
  setTabOrder(subject_, format_);
  setTabOrder(format_, path_);
  setTabOrder(path_, browse_);
  setTabOrder(browse_, export_);
  setTabOrder(export_, cancel_);

  path_->setText(QString::fromStdString(LoadExportPath()));
}

void CalendarExportDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
  all_->setFocus();
}

EventRange CalendarExportDialog::ChosenRange() const {
  return range_->isChecked() ? EventRange::DateRange : EventRange::All;
}

void CalendarExportDialog::Browse() {
  const CalendarExportFormat& format = formats_[static_cast<size_t>(std::max(0, format_->currentIndex()))];
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.filter = format.filter;
  request.defaultExtension = format.extension;
  request.start = StartFolder::Program;
  if (std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(this, request)) {
    path_->setText(QString::fromStdString(*chosen));
  }
  path_->setFocus();
}

void CalendarExportDialog::Export() {
  const std::string path = path_->text().toStdString();
  if (path.empty()) {
    InformationBox(this, std::string_view("Nothing was exported: give the name of the export file."));
    path_->setFocus();
    return;
  }
  std::error_code error;
  if (std::filesystem::equivalent(store_.path(), path, error)) {
    // The export replaces the file at the path: over the open calendar it
    // would destroy it.
    InformationBox(this, "Nothing was exported: \"" + path +
                             "\" is the calendar itself. Give another name for the export file.");
    path_->setFocus();
    return;
  }
  const ExportOptions options = Options();
  if (options.range == EventRange::DateRange && !DateRangeAcceptable(options.from, options.to)) {
    InformationBox(this, kMsgFromAfterTo);
    return;
  }
  // "ExportFile" holds at most 259 bytes: a longer path is not remembered
  // cut short (the next export would offer a file nobody chose).
  if (path.size() <= kMaxExportPathLength && !SaveExportPath(path)) {
    InformationBox(this, std::string_view("The export file could not be remembered."));
  }
  const CalendarExportFormat& format = formats_[static_cast<size_t>(std::max(0, format_->currentIndex()))];
  const Result written = format.write(store_, options, path);
  InformationBox(this, ExportOutcomeMessage(written));
  // A failure leaves the dialog open, so that another path can be tried.
  if (written.ok()) EndDialog(1);
}

int RunCalendarExport(QWidget* owner, RecordStore& store) {
  CalendarExportDialog dialog(store, Today(), owner);
  return dialog.RunModal();
}

}  // namespace velmora
