#include "calendar/gui/AlarmDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSoundEffect>
#include <QUrl>
#include <QVBoxLayout>

#include "calendar/gui/TimeRangeDialog.h"
#include "calendar/model/Alarms.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace {

constexpr int kMaxLeadDays = 99;
// A path field keeps 259 bytes and its terminator.
constexpr int kPathLimit = int(event::kPathWidth) - 1;
constexpr const char* kKindTexts[3] = {"E-mail", "URL", "Document/App"};
constexpr const char* kKindNames[3] = {"email", "url", "document"};

TonePlayer& InstalledPlayer() {
  static TonePlayer player;
  return player;
}

// The desktop's output: one effect, replaced by the next tone.
bool PlayThroughDesktop(const std::string& path) {
  static QPointer<QSoundEffect> effect;
  if (!effect) effect = new QSoundEffect(qApp);
  effect->stop();
  effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  effect->play();
  return true;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

bool ChosenPathFits(QWidget* owner, const std::string& path) {
  if (path.size() <= size_t(event::kPathWidth - 1)) return true;
  // Cut, the path would name another file, or none.
  InformationBox(owner, "This path is too long to be kept with the event (at most " +
                            std::to_string(event::kPathWidth - 1) + " bytes):\r\n" + path);
  return false;
}

TonePlayer SetTonePlayer(TonePlayer player) {
  std::swap(InstalledPlayer(), player);
  return player;
}

bool PlayToneFile(const std::string& path) {
  if (path.empty()) return false;
  return InstalledPlayer() ? InstalledPlayer()(path) : PlayThroughDesktop(path);
}

AlarmDialog::AlarmDialog(const EventRecord& record, bool newEvent, QWidget* owner)
    : QDialog(owner), record_(record) {
  setObjectName(QStringLiteral("Alarm"));
  setWindowTitle(QStringLiteral("Alarm"));
  setFont(NormalFont());
  if (newEvent) {
    record_.setAlarmReferenceDate(record_.eventDate());
    record_.setAlarmTime(record_.startTime());
    record_.setAlarmLead(0);
    record_.setReservedAlarmByte(0);
  }

  auto* outer = new QVBoxLayout(this);

  groups_[0] = nullptr;
  auto* alarmGroup = new QGroupBox(QStringLiteral("Alarm"), this);
  auto* alarmRow = new QHBoxLayout(alarmGroup);
  set_ = new QRadioButton(QStringLiteral("&Set Alarm"), alarmGroup);
  set_->setObjectName(QStringLiteral("set"));
  cancelAlarm_ = new QRadioButton(QStringLiteral("Cance&l Alarm"), alarmGroup);
  cancelAlarm_->setObjectName(QStringLiteral("cancelAlarm"));
  alarmRow->addWidget(set_);
  alarmRow->addWidget(cancelAlarm_);
  alarmRow->addStretch();
  outer->addWidget(alarmGroup);

  groups_[0] = new QGroupBox(QStringLiteral("Date and Time"), this);
  auto* timeGrid = new QGridLayout(groups_[0]);
  time_ = new QPushButton(groups_[0]);
  time_->setObjectName(QStringLiteral("alarmTime"));
  time_->setAccessibleName(QStringLiteral("Alarm Time"));
  time_->setToolTip(QStringLiteral("Alarm Time"));
  auto* timeLabel = new QLabel(QStringLiteral("Alarm &Time:"), groups_[0]);
  timeLabel->setBuddy(time_);
  lead_ = new QComboBox(groups_[0]);
  lead_->setObjectName(QStringLiteral("lead"));
  for (int n = 0; n <= kMaxLeadDays; ++n) lead_->addItem(QString::number(n));
  auto* leadLabel = new QLabel(QStringLiteral("Da&y(s) before"), groups_[0]);
  leadLabel->setBuddy(lead_);
  moment_ = new QLabel(groups_[0]);
  moment_->setObjectName(QStringLiteral("moment"));
  timeGrid->addWidget(timeLabel, 0, 0);
  timeGrid->addWidget(time_, 0, 1);
  timeGrid->addWidget(lead_, 1, 0);
  timeGrid->addWidget(leadLabel, 1, 1);
  timeGrid->addWidget(moment_, 0, 2, 2, 1);
  timeGrid->setColumnStretch(2, 1);
  outer->addWidget(groups_[0]);

  groups_[1] = new QGroupBox(QStringLiteral("Tone"), this);
  auto* toneRow = new QHBoxLayout(groups_[1]);
  tone_ = new QLineEdit(groups_[1]);
  tone_->setObjectName(QStringLiteral("tone"));
  LimitUtf8Bytes(tone_, kPathLimit);
  tone_->setMinimumWidth(240);
  auto* toneLabel = new QLabel(QStringLiteral("Tone &file"), groups_[1]);
  toneLabel->setBuddy(tone_);
  play_ = new QPushButton(QStringLiteral("&Play"), groups_[1]);
  play_->setObjectName(QStringLiteral("play"));
  browseTone_ = new QPushButton(QStringLiteral("&Browse"), groups_[1]);
  browseTone_->setObjectName(QStringLiteral("browseTone"));
  toneRow->addWidget(toneLabel);
  toneRow->addWidget(tone_, 1);
  toneRow->addWidget(play_);
  toneRow->addWidget(browseTone_);
  outer->addWidget(groups_[1]);

  groups_[2] = new QGroupBox(QStringLiteral("Start"), this);
  auto* startGrid = new QGridLayout(groups_[2]);
  auto* kindGroup = new QButtonGroup(this);
  auto* kindRow = new QHBoxLayout();
  for (int i = 0; i < 3; ++i) {
    kinds_[i] = new QRadioButton(QString::fromLatin1(kKindTexts[i]), groups_[2]);
    kinds_[i]->setObjectName(QString::fromLatin1(kKindNames[i]));
    kindGroup->addButton(kinds_[i], i + 1);
    kindRow->addWidget(kinds_[i]);
  }
  kindRow->addStretch();
  target_ = new QLineEdit(groups_[2]);
  target_->setObjectName(QStringLiteral("target"));
  target_->setAccessibleName(QStringLiteral("Start target"));
  LimitUtf8Bytes(target_, kPathLimit);
  browseTarget_ = new QPushButton(QStringLiteral("&Browse"), groups_[2]);
  browseTarget_->setObjectName(QStringLiteral("browseTarget"));
  startGrid->addLayout(kindRow, 0, 0, 1, 2);
  startGrid->addWidget(target_, 1, 0);
  startGrid->addWidget(browseTarget_, 1, 1);
  outer->addWidget(groups_[2]);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);

  // The stored settings.
  (record_.alarmSet() ? set_ : cancelAlarm_)->setChecked(true);
  time_->setText(Q(FormatTime(record_.alarmTime())));
  lead_->setCurrentIndex(int(std::min<uint32_t>(record_.alarmLead(), kMaxLeadDays)));
  tone_->setText(Q(record_.toneFile()));
  const uint8_t kind = record_.startAction();
  kinds_[(kind >= event::kStartEmail && kind <= event::kStartDocument ? kind : event::kStartDocument) - 1]->setChecked(
      true);
  target_->setText(Q(record_.startTarget()));
  UpdateMoment();
  UpdateEnabled();

  connect(set_, &QRadioButton::toggled, this, &AlarmDialog::UpdateEnabled);
  connect(time_, &QPushButton::clicked, this, &AlarmDialog::PickAlarmTime);
  connect(lead_, &QComboBox::currentIndexChanged, this, [this](int index) {
    record_.setAlarmLead(uint32_t(std::max(0, index)));
    UpdateMoment();
  });
  connect(play_, &QPushButton::clicked, this, &AlarmDialog::Play);
  connect(browseTone_, &QPushButton::clicked, this, &AlarmDialog::BrowseTone);
  connect(browseTarget_, &QPushButton::clicked, this, &AlarmDialog::BrowseTarget);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  adjustSize();
  TesselDialog::CentreOver(this, owner);
}

EventRecord AlarmDialog::record() const {
  EventRecord out = record_;
  out.setToneFile(tone_->text().toStdString());
  out.setStartTarget(target_->text().toStdString());
  uint8_t kind = event::kStartDocument;
  for (int i = 2; i >= 0; --i) {
    if (kinds_[i]->isChecked()) kind = uint8_t(i + 1);
  }
  out.setStartAction(kind);
  out.setAlarmLead(uint32_t(std::max(0, lead_->currentIndex())));
  out.setAlarmSet(set_->isChecked());
  return out;
}

QString AlarmDialog::momentText() const { return moment_->text(); }

void AlarmDialog::UpdateEnabled() {
  const bool on = set_->isChecked();
  for (QGroupBox* group : groups_) group->setEnabled(on);
}

void AlarmDialog::UpdateMoment() {
  moment_->setText(QStringLiteral("Date: %1\nTime: %2")
                       .arg(Q(FormatDate(AlarmDate(record_))), Q(FormatTime(record_.alarmTime()))));
}

void AlarmDialog::PickAlarmTime() {
  TimeValue time = record_.alarmTime();
  const QPoint at = time_->mapToGlobal(QPoint(0, time_->height()));
  if (!PickTime(this, time, at)) return;
  record_.setAlarmTime(time);
  time_->setText(Q(FormatTime(time)));
  UpdateMoment();
}

void AlarmDialog::Play() {
  const std::string path = tone_->text().toStdString();
  if (path.empty() || !PlayToneFile(path)) Beep();
}

void AlarmDialog::BrowseTone() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = "Alarm file(*.wav)|*.wav||";
  request.start = StartFolder::Current;
  if (std::optional<std::string> path = FileDialogs::Current().ChooseFile(this, request)) {
    if (ChosenPathFits(this, *path)) tone_->setText(Q(*path));
  }
}

void AlarmDialog::BrowseTarget() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = "(*.*)|*.*||";
  request.start = StartFolder::Current;
  if (std::optional<std::string> path = FileDialogs::Current().ChooseFile(this, request)) {
    if (ChosenPathFits(this, *path)) target_->setText(Q(*path));
  }
}

std::optional<EventRecord> EditAlarm(QWidget* owner, const EventRecord& record, bool newEvent) {
  AlarmDialog dialog(record, newEvent, owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.record();
}

}  // namespace velmora
