#include "shell/GeneralOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/MessageBoxes.h"
#include "shell/SuiteFlags.h"
#include "shell/TrayApplication.h"
#include "store/Settings.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr int kLongestRefresh = 120;  // seconds offered
constexpr int kDefaultRefresh = 2;
constexpr int kVisibleRefreshRows = 12;  // rows of the opened list; it scrolls for the rest

// This dialog shows a switch as on when it is absent or exactly "1".
bool ShownOn(const char* key) {
  std::string value;
  ReadSettingText(SuiteSettingsPath(), kPreference, key, value);
  return value.empty() || value == "1";
}

Result WriteSwitch(const char* key, bool on) {
  return WriteSettingText(SuiteSettingsPath(), kPreference, key, on ? "1" : "0");
}

QCheckBox* Box(const char* text, const char* id, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::fromLatin1(id));
  return box;
}

}  // namespace

GeneralOptionsDialog::GeneralOptionsDialog(GeneralOptionsActions actions, QWidget* owner)
    : QDialog(owner), actions_(std::move(actions)) {
  setObjectName(QStringLiteral("1003"));
  setWindowTitle(QStringLiteral("General Options"));
  auto* layout = new QVBoxLayout(this);
  sound_ = Box("Sound", "100", this);
  animation_ = Box("Animation", "101", this);
  splash_ = Box("Show splash screen on startup", "102", this);
  sound_->setChecked(ShownOn("Sound"));
  animation_->setChecked(ShownOn("Annimation"));
  splash_->setChecked(ShownOn("Splash"));
  for (QCheckBox* box : {sound_, animation_, splash_}) layout->addWidget(box);

  auto* refreshRow = new QHBoxLayout();
  auto* refreshLabel = new QLabel(QStringLiteral("Network refresh time:"), this);
  refresh_ = new QComboBox(this);
  refresh_->setObjectName(QStringLiteral("103"));
  // Styles that open the list as a menu over the current entry (Fusion
  // among them) ignore the visible-row limit and grow the list to the
  // screen's height; the style-sheet property makes them honour it.
  refresh_->setMaxVisibleItems(kVisibleRefreshRows);
  refresh_->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  for (int seconds = 1; seconds <= kLongestRefresh; ++seconds) {
    refresh_->addItem(QStringLiteral("%1 sec.").arg(seconds));
  }
  int seconds = kDefaultRefresh;
  ReadSettingInt(SuiteSettingsPath(), kPreference, "NetworkRefresh", seconds);
  // A stored value outside the list selects its nearest entry rather than
  // nothing (which OK would store as 0).
  refresh_->setCurrentIndex(std::clamp(seconds, 1, kLongestRefresh) - 1);
  refreshLabel->setBuddy(refresh_);
  refreshRow->addWidget(refreshLabel);
  refreshRow->addWidget(refresh_);
  layout->addLayout(refreshRow);

  tray_ = Box("Start Velmora system tray application", "104", this);
  if (TrayApplicationRunning()) {
    tray_->setChecked(true);
    tray_->setEnabled(false);
  }
  layout->addWidget(tray_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &GeneralOptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  if (owner) {
    adjustSize();
    move(owner->geometry().center() - rect().center());
  }
}

void GeneralOptionsDialog::accept() {
  const bool sound = sound_->isChecked();
  Result saved = WriteSwitch("Sound", sound);
  if (actions_.setSoundFlag) actions_.setSoundFlag(sound);
  const bool animation = animation_->isChecked();
  if (Result r = WriteSwitch("Annimation", animation); saved.ok()) saved = r;
  if (actions_.setAnimationFlag) {
    actions_.setAnimationFlag(animation);
  } else {
    SetAnimationFlag(animation);
  }
  if (Result r = WriteSwitch("Splash", splash_->isChecked()); saved.ok()) saved = r;
  if (Result r = WriteSettingInt(SuiteSettingsPath(), kPreference, "NetworkRefresh", refresh_->currentIndex() + 1);
      saved.ok()) {
    saved = r;
  }
  if (!saved.ok()) InformationBox(this, saved.Message());
  if (actions_.restartRefreshTimers) actions_.restartRefreshTimers();
  // The tray application is a program of its own: ticked, it starts at
  // every login from now on (a failure to tell the desktop so is shown) and
  // now; whether this start succeeds is not checked, and a tray application
  // that is not installed is no error.
  if (tray_->isChecked() && tray_->isEnabled() && !TrayApplicationRunning()) {
    const QString program = TrayProgramPath();
    if (!program.isEmpty()) {
      if (Result autostart = WriteTrayAutostart(program); !autostart.ok()) InformationBox(this, autostart.Message());
      (void)QProcess::startDetached(program, {});
    }
  }
  QDialog::accept();
}

int ShowGeneralOptions(QWidget* owner, const GeneralOptionsActions& actions) {
  GeneralOptionsDialog dialog(actions, owner);
  if (dialog.exec() != QDialog::Accepted) return 0;
  if (actions.broadcastOptionsChanged) actions.broadcastOptionsChanged();
  return 1;
}

}  // namespace velmora
