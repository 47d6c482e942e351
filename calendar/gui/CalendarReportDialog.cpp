#include "calendar/gui/CalendarReportDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

#include "calendar/model/CalendarReport.h"
#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "shell/ReportFile.h"
#include "shell/SuiteServices.h"
#include "shell/WorkProgressWindow.h"
#include "store/Settings.h"
#include "toolkit/Fonts.h"

namespace velmora {

namespace {

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

ExportOptions InitialOptions(const DateValue& selected, const std::optional<CurrentEvent>& current) {
  ExportOptions options = ReportDialogOptions(selected);
  if (current) {
    options.hasCurrent = true;
    options.currentId = current->id;
    options.currentPosition = current->position;
  }
  return options;
}

}  // namespace

CalendarReportDialog::CalendarReportDialog(RecordStore& store, const DateValue& selected,
                                           std::optional<CurrentEvent> current, QWidget* owner, std::string path)
    : EventRangeDialog(kTemplate, store, InitialOptions(selected, current), owner),
      path_(path.empty() ? DefaultReportPath() : std::move(path)) {
  setObjectName(QStringLiteral("calendarReport"));
  setWindowTitle(QStringLiteral("Print Report"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();

  auto* group = Named(new QGroupBox(QStringLiteral("Options"), this), "options");
  auto* grid = new QGridLayout(group);
  all_ = Named(new QRadioButton(QStringLiteral("&All"), group), "all");
  range_ = Named(new QRadioButton(QStringLiteral("&Date range"), group), "range");
  current_ = Named(new QRadioButton(QStringLiteral("C&urrent record"), group), "current");
  for (QWidget* w : std::initializer_list<QWidget*>{fromButton_, toButton_, fromLabel_, toLabel_, subjectCheck_,
                                                     subject_}) {
    w->setParent(group);
  }
  grid->addWidget(all_, 0, 0, 1, 3);
  grid->addWidget(range_, 1, 0, 1, 3);
  grid->addWidget(fromButton_, 2, 1);
  grid->addWidget(fromLabel_, 2, 2);
  grid->addWidget(toButton_, 3, 1);
  grid->addWidget(toLabel_, 3, 2);
  grid->addWidget(current_, 4, 0, 1, 3);
  grid->addWidget(subjectCheck_, 5, 0);
  grid->addWidget(subject_, 5, 1, 1, 2);
  grid->setColumnMinimumWidth(0, 20);
  grid->setColumnStretch(2, 1);
  top->addWidget(group, 1);

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
  preview_->setFont(MapFont("Verdana", 11, kWeightNormal));
  preview_->setMinimumSize(420, 240);
  layout->addWidget(preview_, 1);

  range_->setChecked(true);
  current_->setEnabled(options_.hasCurrent);
  print_->setEnabled(false);
  EnableDates(true);
  connect(range_, &QRadioButton::toggled, this, [this](bool on) { EnableDates(on); });
  connect(make_, &QPushButton::clicked, this, &CalendarReportDialog::MakeReport);
  connect(print_, &QPushButton::clicked, this, &CalendarReportDialog::Print);
  connect(cancel_, &QPushButton::clicked, this, [this] { EndDialog(0); });

  setTabOrder(all_, range_);
  setTabOrder(range_, fromButton_);
  setTabOrder(fromButton_, toButton_);
  setTabOrder(toButton_, current_);
  setTabOrder(current_, subjectCheck_);
  setTabOrder(subjectCheck_, subject_);
  setTabOrder(subject_, make_);
  setTabOrder(make_, print_);
  setTabOrder(print_, cancel_);
  setTabOrder(cancel_, preview_);
}

void CalendarReportDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
  range_->setFocus();
}

EventRange CalendarReportDialog::ChosenRange() const {
  if (current_->isChecked() && options_.hasCurrent) return EventRange::CurrentRecord;
  return range_->isChecked() ? EventRange::DateRange : EventRange::All;
}

void CalendarReportDialog::MakeReport() {
  const ExportOptions options = Options();
  if (options.range == EventRange::DateRange && !DateRangeAcceptable(options.from, options.to)) {
    InformationBox(this, kMsgFromAfterTo);
    return;
  }
  std::unique_ptr<WorkProgressWindow> window;
  size_t days = 0;
  size_t done = 0;
  ReportProgress progress;
  progress.begin = [&](size_t count) {
    days = count;
    window = std::make_unique<WorkProgressWindow>(QStringLiteral("Report..."), false, this);
    window->show();
  };
  progress.step = [&] {
    if (window) (void)window->Report(++done, days);
  };
  progress.end = [&] { window.reset(); };
  std::string text;
  const Result written = WriteCalendarReport(store_, options, path_, text, progress);
  window.reset();
  print_->setEnabled(true);
  if (!written.ok()) {
    InformationBox(this, "The report could not be written to \"" + path_ + "\": " + written.Message());
    // The preview shows the report that was made, though no file holds it.
    preview_->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    print_->setEnabled(false);
    return;
  }
  preview_->clear();
  (void)ShowTextFile(preview_, path_);
}

void CalendarReportDialog::Print() {
  (void)PrintReportFile(this, path_);
  EndDialog(1);
}

int RunCalendarReport(QWidget* owner, RecordStore& store, const DateValue& selected,
                      std::optional<CurrentEvent> current) {
  CalendarReportDialog dialog(store, selected, current, owner);
  return dialog.RunModal();
}

}  // namespace velmora
