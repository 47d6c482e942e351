#include "calendar/gui/EventEditorDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "calendar/gui/AlarmDialog.h"
#include "calendar/gui/AttachDialog.h"
#include "calendar/gui/ContactPickerDialog.h"
#include "calendar/gui/RepeatDialog.h"
#include "calendar/gui/TimeRangeDialog.h"
#include "calendar/model/EventEditorRules.h"
#include "shell/CategoriesDialog.h"
#include "shell/DatePickerDialog.h"
#include "shell/MessageBoxes.h"
#include "store/Categories.h"
#include "store/RecordStore.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace {

constexpr int kRefusedDateMessage = 500;
constexpr int kMostCategoriesOffered = 30;
constexpr int kCategoryLimit = 29;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The notes box shows "\n" where the record keeps "\r\n".
QString ShownLines(const std::string& stored) {
  QString text = Q(stored);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}
std::string StoredLines(const QString& shown) {
  QString text = shown;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text.toStdString();
}

// Keeps a several-line box within a field of maxBytes in its stored form
// (UTF-8, line breaks as two bytes): what was just typed or pasted is cut,
// so what shows is what is saved.
void LimitStoredLines(QPlainTextEdit* edit, int maxBytes) {
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxBytes] {
    const QString shown = edit->toPlainText();
    const int breaks = int(shown.count(QLatin1Char('\n')));
    if (Utf8Bytes(shown) + breaks <= maxBytes) return;
    int cursor = edit->textCursor().position();
    // Cutting never adds a line break, so the stored form now fits.
    const QString fitted = FitUtf8Bytes(shown, cursor, maxBytes - breaks);
    QSignalBlocker block(edit);
    edit->setPlainText(fitted);
    QTextCursor at = edit->textCursor();
    at.setPosition(std::min(cursor, int(fitted.size())));
    edit->setTextCursor(at);
  });
}

void CopyAlarmSettings(const EventRecord& from, EventRecord& to) {
  to.setAlarmSet(from.alarmSet());
  to.setToneFile(from.toneFile());
  to.setAlarmTime(from.alarmTime());
  to.setAlarmReferenceDate(from.alarmReferenceDate());
  to.setStartAction(from.startAction());
  to.setStartTarget(from.startTarget());
  to.setAlarmLead(from.alarmLead());
  to.setReservedAlarmByte(from.reservedAlarmByte());
}

QLabel* Label(const char* text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setBuddy(buddy);
  return label;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

EventEditorSetup EventEditorSetupFor(RecordStore& store) {
  EventEditorSetup setup;
  setup.accessLevel = store.GetAccessLevel();
  Bytes block;
  if (store.ReadCategories(block).ok()) setup.categories = CategoryNames(block);
  return setup;
}

std::string EventDateButtonText(const DateValue& date) {
  // FormatDate writes day/month/year, or month/day/year under the 12-hour
  // clock, with numbers as they are.
  return FormatDate(date);
}

std::string EventTimeButtonText(const TimeValue& start, const TimeValue& end) {
  return FormatTime(start) + " / " + FormatTime(end);
}

bool RunEventEditor(QWidget* parent, RecordStore& store, EventRecord& record, const EventRecord* opened) {
  EventEditorDialog editor(record, opened, EventEditorSetupFor(store), parent, &store);
  if (editor.exec() != QDialog::Accepted) return false;
  record = editor.record();
  return true;
}

EventEditorDialog::EventEditorDialog(const EventRecord& record, const EventRecord* opened,
                                     const EventEditorSetup& setup, QWidget* owner, RecordStore* store)
    : QDialog(owner),
      record_(record),
      hasOpened_(opened != nullptr),
      opened_(opened ? *opened : EventRecord()),
      accessLevel_(setup.accessLevel),
      store_(store) {
  setObjectName(QStringLiteral("eventEditor"));
  setWindowTitle(QStringLiteral("Almanor"));
  setFont(NormalFont());

  // Created in the order the keyboard visits them.
  date_ = Button("", "date", this);
  date_->setAccessibleName(QStringLiteral("Date"));
  time_ = Button("", "time", this);
  time_->setAccessibleName(QStringLiteral("Time"));
  allDay_ = new QCheckBox(QStringLiteral("All da&y"), this);
  allDay_->setObjectName(QStringLiteral("allDay"));
  subject_ = new QLineEdit(this);
  subject_->setObjectName(QStringLiteral("subject"));
  LimitUtf8Bytes(subject_, int(kMaxSubjectLength));
  notes_ = new QPlainTextEdit(this);
  notes_->setObjectName(QStringLiteral("notes"));
  notes_->setTabChangesFocus(true);
  LimitStoredLines(notes_, int(kMaxNotesLength));
  category_ = new QComboBox(this);
  category_->setObjectName(QStringLiteral("category"));
  category_->setEditable(true);
  category_->setInsertPolicy(QComboBox::NoInsert);
  LimitUtf8Bytes(category_, kCategoryLimit);
  category_->setMinimumWidth(160);
  editCategories_ = new QToolButton(this);
  editCategories_->setObjectName(QStringLiteral("categories"));
  editCategories_->setText(QStringLiteral("..."));
  editCategories_->setToolTip(QStringLiteral("Categories"));
  editCategories_->setAccessibleName(QStringLiteral("Edit the categories"));
  editCategories_->setFocusPolicy(Qt::StrongFocus);
  editCategories_->setEnabled(store_ != nullptr);
  confidential_ = new QCheckBox(QStringLiteral("Con&fidential"), this);
  confidential_->setObjectName(QStringLiteral("confidential"));
  ok_ = Button("OK", "1", this);
  ok_->setDefault(true);
  auto* cancel = Button("&Cancel", "2", this);
  auto* alarm = Button("&Alarm...", "alarm", this);
  auto* attach = Button("A&ttach...", "attach", this);
  auto* repeat = Button("&Repeat...", "repeat", this);
  auto* with = Button("&With...", "with", this);

  auto* grid = new QGridLayout();
  grid->addWidget(Label("&Date:", date_, this), 0, 0);
  auto* when = new QHBoxLayout();
  when->addWidget(date_);
  when->addWidget(Label("T&ime:", time_, this));
  when->addWidget(time_, 1);
  when->addWidget(allDay_);
  grid->addLayout(when, 0, 1);
  grid->addWidget(Label("&Subject:", subject_, this), 1, 0);
  grid->addWidget(subject_, 1, 1);
  grid->addWidget(Label("&Notes:", notes_, this), 2, 0, Qt::AlignTop);
  grid->addWidget(notes_, 2, 1);
  grid->setRowStretch(2, 1);
  grid->addWidget(Label("Cate&gories:", category_, this), 3, 0);
  auto* bottom = new QHBoxLayout();
  bottom->addWidget(category_);
  bottom->addWidget(editCategories_);
  bottom->addSpacing(12);
  bottom->addWidget(confidential_);
  bottom->addStretch();
  grid->addLayout(bottom, 3, 1);

  auto* buttons = new QVBoxLayout();
  for (QPushButton* button : {ok_, cancel}) buttons->addWidget(button);
  buttons->addSpacing(12);
  for (QPushButton* button : {alarm, attach, repeat, with}) buttons->addWidget(button);
  buttons->addStretch();

  auto* outer = new QHBoxLayout(this);
  outer->addLayout(grid, 1);
  outer->addLayout(buttons);

  // The record's values.
  ShowDate();
  ShowTimes();
  allDay_->setChecked(record_.allDay());
  time_->setEnabled(!record_.allDay());
  subject_->setText(Q(record_.subject()));
  notes_->setPlainText(ShownLines(record_.notes()));
  FillCategories(setup.categories, Q(record_.category()));
  confidential_->setChecked(record_.confidential());
  confidential_->setEnabled(accessLevel_ == kAccessOwner);
  UpdateOk();

  connect(date_, &QPushButton::clicked, this, &EventEditorDialog::PickEventDate);
  connect(time_, &QPushButton::clicked, this, &EventEditorDialog::PickTimes);
  connect(allDay_, &QCheckBox::toggled, this, [this](bool on) {
    record_.setAllDay(on);
    time_->setEnabled(!on);
  });
  connect(subject_, &QLineEdit::textChanged, this, &EventEditorDialog::UpdateOk);
  connect(editCategories_, &QToolButton::clicked, this, &EventEditorDialog::EditCategoryList);
  connect(ok_, &QPushButton::clicked, this, [this] {
    if (!subject_->text().isEmpty()) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(alarm, &QPushButton::clicked, this, &EventEditorDialog::EditAlarmSettings);
  connect(attach, &QPushButton::clicked, this, &EventEditorDialog::EditAttachmentSettings);
  connect(repeat, &QPushButton::clicked, this, &EventEditorDialog::EditRepeatSettings);
  // The contact picker's Description replaces the subject, cut to the
  // subject's width at a character boundary.
  connect(with, &QPushButton::clicked, this, [this] {
    std::optional<std::string> chosen = PickContactDescription(this);
    if (!chosen) return;
    QString text = Q(*chosen);
    int end = int(text.size());
    subject_->setText(FitUtf8Bytes(text, end, int(kMaxSubjectLength)));
  });

  resize(560, 360);
  TesselDialog::CentreOver(this, owner);
  subject_->setFocus(Qt::OtherFocusReason);
}

void EventEditorDialog::FillCategories(const std::vector<std::string>& names, const QString& current) {
  QSignalBlocker block(category_);
  category_->clear();
  const int offered = std::min<int>(int(names.size()), kMostCategoriesOffered);
  for (int i = 0; i < offered; ++i) category_->addItem(Q(names[size_t(i)]));
  const int found = current.isEmpty() ? -1 : category_->findText(current, Qt::MatchFixedString);
  category_->setCurrentIndex(found);
  // A category the list does not hold (a file with more, or one deleted
  // meanwhile) is kept as the record has it.
  if (found < 0) category_->setEditText(current);
}

EventRecord EventEditorDialog::record() const {
  EventRecord out = record_;
  out.setSubject(subject_->text().toStdString());
  out.setNotes(StoredLines(notes_->toPlainText()));
  // The all-day flag is already the box's: it follows every click, and a
  // flag the box never touched stays as stored.
  if (accessLevel_ == kAccessOwner) out.setConfidential(confidential_->isChecked());
  out.setCategory(category_->currentText().toStdString());
  ConfirmEventEditor(out, hasOpened_ ? &opened_ : nullptr);
  return out;
}

void EventEditorDialog::ShowDate() { date_->setText(Q(EventDateButtonText(record_.eventDate()))); }

void EventEditorDialog::ShowTimes() {
  time_->setText(Q(EventTimeButtonText(record_.startTime(), record_.endTime())));
}

void EventEditorDialog::UpdateOk() { ok_->setEnabled(!subject_->text().isEmpty()); }

void EventEditorDialog::PickEventDate() {
  const QPoint at = date_->mapToGlobal(QPoint(0, date_->height()));
  std::optional<DateValue> picked = PickDate(this, record_.eventDate(), at);
  if (!picked) return;
  if (!EventDateAcceptable(record_, *picked)) {
    // After the series' last day: the date stays, and the repeat settings
    // open so that the end can be moved first.
    InformationBox(this, kRefusedDateMessage);
    EditRepeatSettings();
    return;
  }
  record_.setEventDate(*picked);
  ShowDate();
}

void EventEditorDialog::PickTimes() {
  TimeValue start = record_.startTime();
  TimeValue end = record_.endTime();
  const QPoint at = time_->mapToGlobal(QPoint(0, time_->height()));
  if (!PickTimeRange(this, start, end, at)) return;
  record_.setStartTime(start);
  record_.setEndTime(end);
  ShowTimes();
}

void EventEditorDialog::EditRepeatSettings() {
  if (std::optional<RepeatBlock> block = EditRepeat(this, record_.repeat(), record_.eventDate())) {
    record_.setRepeat(*block);
  }
}

void EventEditorDialog::EditAlarmSettings() {
  // A new event's alarm starts from its date and start time the first time;
  // once confirmed, the settings chosen then show again.
  const bool fresh = !hasOpened_ && !alarmChosen_;
  if (std::optional<EventRecord> chosen = EditAlarm(this, record_, fresh)) {
    CopyAlarmSettings(*chosen, record_);
    alarmChosen_ = true;
  }
}

void EventEditorDialog::EditAttachmentSettings() {
  const EventAttachment current{record_.attachmentKind(), record_.attachment()};
  if (std::optional<EventAttachment> chosen = EditAttachment(this, current)) {
    record_.setAttachmentKind(chosen->kind);
    record_.setAttachment(chosen->target);
  }
}

void EventEditorDialog::EditCategoryList() {
  if (!store_) return;
  const QString current = category_->currentText();
  if (!EditCategories(this, *store_)) return;
  Bytes block;
  std::vector<std::string> names;
  if (store_->ReadCategories(block).ok()) names = CategoryNames(block);
  FillCategories(names, current);
}

}  // namespace velmora
