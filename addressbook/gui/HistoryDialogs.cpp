#include "addressbook/gui/HistoryDialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>
#include <utility>

#include "addressbook/gui/ContactWindowHost.h"
#include "addressbook/model/ContactHistory.h"
#include "importexport/TextFileOutput.h"
#include "shell/DatePickerDialog.h"
#include "shell/DesktopIntegration.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "store/FileSystem.h"
#include "store/OutputFile.h"
#include "store/RecordHeader.h"
#include "store/Settings.h"

namespace velmora {

namespace {

DateAsker& CurrentDateAsker() {
  static DateAsker asker;
  return asker;
}

std::optional<DateValue> AskDate(QWidget* owner, const DateValue& initial, const QPoint& at) {
  if (const DateAsker& asker = CurrentDateAsker()) return asker(owner, initial, at);
  return PickDate(owner, initial, at, true);
}

QPushButton* Button(const QString& text, int id, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::number(id));
  button->setAutoDefault(false);
  return button;
}

// The text cut to limit characters, and further until its UTF-8 form fits
// limit bytes (the field's width without its terminator), so that nothing
// is cut silently when it is stored.
QString Cut(const QString& text, int limit) {
  QString cut = text.size() > limit ? text.left(limit) : text;
  while (cut.toUtf8().size() > limit) cut.chop(cut.size() > 1 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
  return cut;
}

}  // namespace

DateAsker SetHistoryDateAsker(DateAsker asker) { return std::exchange(CurrentDateAsker(), std::move(asker)); }

// --- Entry -------------------------------------------------------------------

HistoryEntryDialog::HistoryEntryDialog(const Bytes& entry, uint64_t contactId, QWidget* owner)
    : TesselDialog(kTemplate, owner), entry_(entry), contactId_(contactId) {
  entry_.resize(history::kRecordSize);
  setObjectName(QStringLiteral("historyEntry"));
  setWindowTitle(QStringLiteral("History"));
  date_ = GetDate(entry_.data() + history::kDate);

  auto* layout = new QGridLayout(this);
  dateButton_ = Button(QString::fromStdString(FormatDate(date_)), 100, this);
  times_ = new QListWidget(this);
  times_->setObjectName(QStringLiteral("101"));
  for (int slot = 0; slot < 288; ++slot) {
    TimeValue time;
    SlotToTime(slot, time);
    times_->addItem(QString::fromStdString(FormatTime(time)));
  }
  const int slot = TimeSlot(GetTime(entry_.data() + history::kTime));
  if (slot >= 0 && slot < 288) {
    times_->setCurrentRow(slot);
    times_->scrollToItem(times_->currentItem(), QAbstractItemView::PositionAtTop);
  }
  times_->setFixedWidth(100);

  description_ = new QPlainTextEdit(this);
  description_->setObjectName(QStringLiteral("102"));
  description_->setPlainText(
      QString::fromStdString(GetText(entry_.data() + history::kDescription.offset, history::kDescription.width)));
  attachment_ = new QLineEdit(this);
  attachment_->setObjectName(QStringLiteral("103"));
  attachment_->setMaxLength(kHistoryAttachmentLimit);
  attachment_->setText(
      QString::fromStdString(GetText(entry_.data() + history::kAttachment.offset, history::kAttachment.width)));
  attachment_->setCursorPosition(0);
  QPushButton* browse = Button(QStringLiteral("&Browse"), 104, this);
  QPushButton* open = Button(QStringLiteral("&Open"), 105, this);

  auto* left = new QVBoxLayout;
  left->addWidget(dateButton_);
  left->addWidget(times_, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(QStringLiteral("Description"), this));
  right->addWidget(description_, 1);
  right->addWidget(new QLabel(QStringLiteral("Attachment"), this));
  auto* attachmentRow = new QHBoxLayout;
  attachmentRow->addWidget(attachment_, 1);
  attachmentRow->addWidget(browse);
  attachmentRow->addWidget(open);
  right->addLayout(attachmentRow);
  layout->addLayout(left, 0, 0);
  layout->addLayout(right, 0, 1);

  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok_->setObjectName(QStringLiteral("1"));
  ok_->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
  layout->addWidget(buttons, 1, 0, 1, 2);

  connect(dateButton_, &QPushButton::clicked, this, [this] { PickEntryDate(); });
  connect(browse, &QPushButton::clicked, this, [this] { BrowseAttachment(); });
  connect(open, &QPushButton::clicked, this, [this] { OpenAttachment(); });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { Accept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(description_, &QPlainTextEdit::textChanged, this, [this] {
    const QString text = description_->toPlainText();
    if (Cut(text, kHistoryDescriptionLimit) != text) {
      const QSignalBlocker block(description_);
      description_->setPlainText(Cut(text, kHistoryDescriptionLimit));
      description_->moveCursor(QTextCursor::End);
    }
    UpdateOk();
  });
  UpdateOk();
  resize(460, 300);
  description_->setFocus();
}

void HistoryEntryDialog::UpdateOk() { ok_->setEnabled(!description_->toPlainText().isEmpty()); }

void HistoryEntryDialog::PickEntryDate() {
  const QPoint at = dateButton_->mapToGlobal(QPoint(0, dateButton_->height()));
  if (const std::optional<DateValue> picked = AskDate(this, date_, at)) {
    date_ = *picked;
    dateButton_->setText(QString::fromStdString(FormatDate(date_)));
  }
}

void HistoryEntryDialog::BrowseAttachment() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = "(*.*)|*.*||";
  request.start = StartFolder::Current;
  const std::optional<std::string> path = FileDialogs::Current().ChooseFile(this, request);
  if (!path) return;
  if (path->size() > kStoredPathLimit) {
    InformationBox(this, PathTooLongText(*path));
    return;
  }
  attachment_->setText(QString::fromStdString(*path));
  const std::string description = description_->toPlainText().toStdString();
  const std::string after = DescriptionAfterBrowse(description);
  if (after != description) description_->setPlainText(QString::fromStdString(after));
}

void HistoryEntryDialog::OpenAttachment() {
  const std::string path = attachment_->text().toStdString();
  if (path.empty()) {
    Beep();
    return;
  }
  OpenDocument(path);
}

void HistoryEntryDialog::Accept() {
  if (!ok_->isEnabled()) return;
  const std::string attachment = attachment_->text().toStdString();
  if (attachment.size() > kStoredPathLimit) {
    InformationBox(this, PathTooLongText(attachment));
    return;
  }
  uint8_t* data = entry_.data();
  PutDate(data + history::kDate, date_);
  PutText(data + history::kDescription.offset, history::kDescription.width,
          Cut(description_->toPlainText(), kHistoryDescriptionLimit).toStdString());
  PutText(data + history::kAttachment.offset, history::kAttachment.width, attachment);
  TimeValue time;
  if (times_->currentRow() < 0 || !SlotToTime(times_->currentRow(), time)) time = Now(5);
  PutTime(data + history::kTime, time);
  PutU64(data + history::kContactId, contactId_);
  accept();
}

qintptr HistoryEntryDialog::OnCommand(const Command& command) {
  if (command.id == kCmdOk) {
    Accept();
    return 1;
  }
  return TesselDialog::OnCommand(command);
}

// --- Find --------------------------------------------------------------------

HistoryFindDialog::HistoryFindDialog(RecordStore& history, uint64_t contactId, QWidget* owner)
    : TesselDialog(kTemplate, owner), history_(history), contactId_(contactId) {
  setObjectName(QStringLiteral("historyFind"));
  setWindowTitle(QStringLiteral("History Find"));
  auto* layout = new QVBoxLayout(this);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(new QLabel(QStringLiteral("Search for:"), this));
  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("100"));
  text_->setMaxLength(kHistoryDescriptionLimit);
  searchRow->addWidget(text_, 1);
  find_ = Button(QStringLiteral("Find"), kCmdOk, this);
  find_->setDefault(true);
  searchRow->addWidget(find_);
  layout->addLayout(searchRow);
  layout->addWidget(new QLabel(QStringLiteral("Results"), this));
  results_ = new QListWidget(this);
  results_->setObjectName(QStringLiteral("101"));
  layout->addWidget(results_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  goTo_ = Button(QStringLiteral("Go to"), 1000, this);
  QPushButton* cancel = Button(QStringLiteral("Cancel"), kCmdCancel, this);
  buttons->addWidget(goTo_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  connect(text_, &QLineEdit::textChanged, this, [this] { find_->setEnabled(!text_->text().isEmpty()); });
  connect(find_, &QPushButton::clicked, this, [this] { Find(); });
  connect(goTo_, &QPushButton::clicked, this, [this] { GoTo(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(results_, &QListWidget::currentRowChanged, this, [this](int row) {
    chosen_ = row >= 0 && size_t(row) < ids_.size() ? ids_[size_t(row)] : 0;
    goTo_->setEnabled(chosen_ != 0);
  });
  connect(results_, &QListWidget::itemDoubleClicked, this, [this] { GoTo(); });
  find_->setEnabled(false);
  goTo_->setEnabled(false);
  resize(420, 300);
  text_->setFocus();
}

void HistoryFindDialog::Find() {
  if (text_->text().isEmpty()) return;
  goTo_->setEnabled(false);
  chosen_ = 0;
  ids_.clear();
  {
    const QSignalBlocker block(results_);
    results_->clear();
  }
  if (!FindHistory(history_, query_, contactId_, text_->text().toStdString()).ok()) return;
  Bytes entry;
  for (RecordPosition position : query_.positions()) {
    if (!history_.ReadRecordIfLive(entry, position).ok()) continue;
    ids_.push_back(rec::Id(entry.data()));
    results_->addItem(QString::fromStdString(HistoryFindLine(entry)));
  }
}

void HistoryFindDialog::GoTo() {
  if (chosen_ == 0) return;
  done(1);
}

qintptr HistoryFindDialog::OnCommand(const Command& command) {
  if (command.id == kCmdOk) {
    Find();
    return 1;
  }
  if (command.id == 1000) {
    GoTo();
    return 1;
  }
  return TesselDialog::OnCommand(command);
}

// --- Report ------------------------------------------------------------------

Result WriteHistoryReport(RecordStore& history, uint64_t contactId, const std::string& firstName,
                          const std::string& lastName, const std::string& path) {
  ResultOf<std::string> report = BuildHistoryReport(history, contactId, firstName, lastName);
  if (!report.ok()) return report.result();
  const std::string target = path.empty() ? DefaultReportPath() : path;
  // Through the suite's output routine: never through a link at the name,
  // and no wider readable than the history it carries.
  return WriteTextFile(target, report.value(), "Cannot create the report file",
                       OutputMode::NoWiderThanFile(FileSystem::Default(), history.path()));
}

HistoryReportDialog::HistoryReportDialog(QWidget* owner, const std::string& path)
    : TesselDialog(kTemplate, owner), path_(path) {
  setObjectName(QStringLiteral("historyReport"));
  setWindowTitle(QStringLiteral("History Report"));
  auto* layout = new QVBoxLayout(this);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("100"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(text_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  QPushButton* print = Button(QStringLiteral("Print"), 101, this);
  QPushButton* done = Button(QStringLiteral("Done"), kCmdCancel, this);
  done->setDefault(true);
  buttons->addWidget(print);
  buttons->addWidget(done);
  layout->addLayout(buttons);
  connect(print, &QPushButton::clicked, this, [this] { PrintFile(path_); });
  connect(done, &QPushButton::clicked, this, &QDialog::reject);
  ShowTextFile(text_, path_);
  resize(520, 380);
}

}  // namespace velmora
