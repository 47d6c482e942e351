#include "tray/TrayMenu.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "shell/MessageBoxes.h"
#include "shell/TrayApplication.h"
#include "store/Dates.h"
#include "toolkit/Bitmaps.h"
#include "tray/TrayReminders.h"
#include "tray/TraySettingsDialog.h"

namespace velmora {

namespace {

constexpr int kAppIcon = 1000;
constexpr int kLongestSubject = 60;
// The most appointments the menu lists; the rest are one entry that opens
// Almanor (a busy calendar would otherwise grow the menu past the screen).
constexpr size_t kMostAppointments = 15;

QAction* Entry(QMenu* menu, const QString& text, const char* name) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

TrayMenu::TrayMenu(TrayReminders& reminders, bool trayAvailable, QObject* parent)
    : QObject(parent), reminders_(reminders), menu_(new QMenu()) {
  menu_->setObjectName(QStringLiteral("trayMenu"));
  connect(Entry(menu_, QStringLiteral("Open &Cardora"), kOpenCardoraName), &QAction::triggered, this,
          [this] { (void)reminders_.OpenCardora(); });
  connect(Entry(menu_, QStringLiteral("Open &Almanor"), kOpenAlmanorName), &QAction::triggered, this,
          [this] { (void)reminders_.OpenAlmanor(); });
  menu_->addSeparator();
  appointmentsAt_ = menu_->addSeparator();
  pause_ = Entry(menu_, QStringLiteral("&Pause reminders for an hour"), kPauseName);
  pause_->setCheckable(true);
  connect(pause_, &QAction::triggered, this, [this](bool on) {
    if (on) {
      reminders_.PauseForAnHour();
    } else {
      reminders_.Resume();
    }
  });
  connect(&reminders_, &TrayReminders::pausedChanged, pause_, &QAction::setChecked);
  connect(Entry(menu_, QStringLiteral("&Settings..."), kSettingsName), &QAction::triggered, this, [this] {
    if (runSettings) {
      runSettings();
      return;
    }
    TraySettingsDialog dialog;
    if (dialog.exec() == QDialog::Accepted) (void)reminders_.Check();
  });
  noAutostart_ = Entry(menu_, QStringLiteral("&Don't start at login"), kNoAutostartName);
  noAutostart_->setCheckable(true);
  connect(noAutostart_, &QAction::triggered, this, [this](bool on) {
    // Takes effect at once: quitting afterwards is quitting "with" it.
    const Result changed = on ? RemoveTrayAutostart() : WriteTrayAutostart();
    if (!changed.ok()) InformationBox(nullptr, changed.Message());
    noAutostart_->setChecked(!TrayAutostartExists());
  });
  menu_->addSeparator();
  connect(Entry(menu_, QStringLiteral("&Quit"), kQuitName), &QAction::triggered, this, &TrayMenu::quitRequested);

  connect(menu_, &QMenu::aboutToShow, this, &TrayMenu::Refresh);
  connect(&reminders_, &TrayReminders::checked, this, &TrayMenu::Refresh);
  Refresh();

  if (trayAvailable) ShowIcon();
}

void TrayMenu::ShowIcon() {
  if (icon_) return;
  icon_ = new QSystemTrayIcon(this);
  icon_->setIcon(QIcon(QPixmap::fromImage(BitmapImage(kAppIcon))));
  icon_->setToolTip(QStringLiteral("Velmora reminders"));
  icon_->setContextMenu(menu_);
  // A left click opens the menu too (the XEmbed trays send it as Trigger).
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
  });
  icon_->show();
}

TrayMenu::~TrayMenu() {
  delete icon_;
  delete menu_;
}

bool TrayMenu::iconShown() const { return icon_ && icon_->isVisible(); }

QString TrayMenu::AppointmentText(const TrayAppointment& appointment, bool today) {
  QString subject = QString::fromStdString(appointment.subject).section(QLatin1Char('\n'), 0, 0).trimmed();
  if (subject.size() > kLongestSubject) subject = subject.left(kLongestSubject - 1) + QChar(0x2026);
  if (subject.isEmpty()) subject = QStringLiteral("(no subject)");
  // A menu text takes '&' as a mnemonic marker.
  subject.replace(QLatin1Char('&'), QStringLiteral("&&"));
  const QString when = appointment.allDay ? QStringLiteral("All day")
                                          : QString::fromStdString(FormatTime(appointment.start));
  return QStringLiteral("%1 %2  %3").arg(today ? QStringLiteral("Today") : QStringLiteral("Tomorrow"), when, subject);
}

void TrayMenu::Refresh() {
  for (QAction* action : appointments_) {
    menu_->removeAction(action);
    // Later: the menu may be telling of that very action right now.
    action->setParent(nullptr);
    action->deleteLater();
  }
  appointments_.clear();
  const std::vector<TrayAppointment> found = reminders_.Appointments();
  const int32_t today = DayNumber(reminders_.Today());
  auto add = [this](const QString& text, const char* name) {
    auto* action = new QAction(text, menu_);
    action->setObjectName(QString::fromLatin1(name));
    menu_->insertAction(appointmentsAt_, action);
    appointments_.push_back(action);
    return action;
  };
  if (found.empty()) {
    add(QStringLiteral("No appointments today or tomorrow"), kNoAppointmentsName)->setEnabled(false);
  }
  for (size_t i = 0; i < found.size() && i < kMostAppointments; ++i) {
    const TrayAppointment& appointment = found[i];
    QAction* action = add(AppointmentText(appointment, DayNumber(appointment.date) == today), kAppointmentName);
    connect(action, &QAction::triggered, this, [this, appointment] {
      (void)reminders_.OpenAlmanorOn(appointment.calendar, appointment.date, appointment.recordId);
    });
  }
  if (found.size() > kMostAppointments) {
    QAction* more = add(QStringLiteral("%1 more...").arg(found.size() - kMostAppointments), kMoreAppointmentsName);
    connect(more, &QAction::triggered, this, [this] { (void)reminders_.OpenAlmanor(); });
  }
  pause_->setChecked(reminders_.paused());
  noAutostart_->setChecked(!TrayAutostartExists());
}

}  // namespace velmora
