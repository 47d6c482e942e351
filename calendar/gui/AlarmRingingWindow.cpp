#include "calendar/gui/AlarmRingingWindow.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSoundEffect>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "store/Dates.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QLabel* Line(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

DateValue AlarmRingingWindow::ShownOccurrence(const RingingAlarm& alarm) { return RungOccurrence(alarm); }

QString AlarmRingingWindow::DateText(const RingingAlarm& alarm) { return Text(FormatDate(ShownOccurrence(alarm))); }

QString AlarmRingingWindow::TimeText(const RingingAlarm& alarm) { return Text(FormatTime(RingingTime(alarm.record))); }

QString AlarmRingingWindow::MissedText(const RingingAlarm& alarm) {
  const DueOccurrences& due = alarm.occurrences;
  if (due.count < 2) return {};
  return QStringLiteral("%1 occurrences missed, %2 to %3")
      .arg(due.count)
      .arg(Text(FormatDate(due.first)), Text(FormatDate(due.last)));
}

AlarmRingingWindow::AlarmRingingWindow(const RingingAlarm& alarm, QWidget* owner) : QDialog(owner), alarm_(alarm) {
  setObjectName(QStringLiteral("alarmRinging"));
  setWindowTitle(QStringLiteral("Alarm"));
  setModal(true);
  const EventRecord& record = alarm_.record;

  auto* layout = new QVBoxLayout(this);
  auto* when = new QFormLayout();
  when->addRow(QStringLiteral("Date:"), Line(DateText(alarm_), kDateName, this));
  when->addRow(QStringLiteral("Time:"), Line(TimeText(alarm_), kTimeName, this));
  layout->addLayout(when);
  const QString missed = MissedText(alarm_);
  if (!missed.isEmpty()) {
    QLabel* missedLine = Line(missed, kMissedName, this);
    QFont bold = missedLine->font();
    bold.setBold(true);
    missedLine->setFont(bold);
    layout->addWidget(missedLine);
  }

  subject_ = new QPlainTextEdit(this);
  subject_->setObjectName(QString::fromLatin1(kSubjectName));
  subject_->setReadOnly(true);
  subject_->setPlainText(Text(record.subject()));
  // Tab leaves the subject for the next control instead of being typed.
  subject_->setTabChangesFocus(true);
  subject_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  subject_->setMinimumSize(320, 80);
  layout->addWidget(subject_);

  const QString target = Text(record.startTarget());
  QLabel* targetLine = Line(target, kTargetName, this);
  targetLine->setWordWrap(true);
  layout->addWidget(targetLine);

  start_ = new QCheckBox(QStringLiteral("Start"), this);
  start_->setObjectName(QString::fromLatin1(kStartName));
  start_->setChecked(!target.isEmpty());
  start_->setEnabled(!target.isEmpty());
  layout->addWidget(start_);
  if (record.repeats()) {
    disable_ = new QCheckBox(QStringLiteral("Disable repeat alarm"), this);
    disable_->setObjectName(QString::fromLatin1(kDisableName));
    layout->addWidget(disable_);
  }

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QString::fromLatin1(kOkName));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
      ->setObjectName(QString::fromLatin1(kCancelName));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  subject_->setFocus();
  PlayTone(record.toneFile());
}

AlarmRingingWindow::~AlarmRingingWindow() {
  if (effect_) effect_->stop();
}

void AlarmRingingWindow::PlayTone(const std::string& path) {
  if (path.empty() || !SoundPlayer::Instance().enabled()) return;
  // Only a regular file of a sound's size: a path to a device or a pipe
  // would keep the player reading for ever.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kLongestTone) return;
  tone_ = Text(path);
  effect_ = new QSoundEffect(this);
  effect_->setSource(QUrl::fromLocalFile(tone_));
  effect_->setLoopCount(1);
  effect_->play();  // asynchronous; without an audio device it stays silent
}

void AlarmRingingWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The alarm brings the program to the front.
  if (QWidget* owner = parentWidget()) {
    QWidget* top = owner->window();
    if (top->isMinimized()) top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
    top->raise();
  }
  raise();
  activateWindow();
  subject_->setFocus();
}

void AlarmRingingWindow::StartTarget() {
  const std::string target = alarm_.record.startTarget();
  const bool opened = alarm_.record.startAction() == event::kStartEmail ? ComposeEmail(target) : OpenDocument(target);
  if (!opened) {
    InformationBox(parentWidget() ? parentWidget() : this, "The alarm's start target could not be opened:\r\n" + target);
  }
}

void AlarmRingingWindow::accept() {
  disableRepeat_ = disable_ && disable_->isChecked();
  const bool start = start_->isEnabled() && start_->isChecked();
  if (effect_) effect_->stop();
  QDialog::accept();
  if (start) StartTarget();
}

}  // namespace velmora
