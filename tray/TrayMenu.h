// The tray program's icon and its menu: "Open Cardora", "Open Almanor",
// today's and tomorrow's appointments of the watched calendars (each opens
// Almanor on its calendar), "Pause reminders for an hour", "Settings...",
// "Don't start at login" and "Quit". Without a tray on the desktop there is
// no icon; the reminders say so once.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace velmora {

class TrayReminders;
struct TrayAppointment;

class TrayMenu : public QObject {
  Q_OBJECT

 public:
  // Object names of the fixed entries.
  static constexpr const char* kOpenCardoraName = "openCardora";
  static constexpr const char* kOpenAlmanorName = "openAlmanor";
  static constexpr const char* kAppointmentName = "appointment";
  static constexpr const char* kNoAppointmentsName = "noAppointments";
  static constexpr const char* kMoreAppointmentsName = "moreAppointments";
  static constexpr const char* kPauseName = "pause";
  static constexpr const char* kSettingsName = "settings";
  static constexpr const char* kNoAutostartName = "noAutostart";
  static constexpr const char* kQuitName = "quit";

  // trayAvailable: whether the desktop has a tray to show the icon in.
  TrayMenu(TrayReminders& reminders, bool trayAvailable, QObject* parent = nullptr);
  ~TrayMenu() override;

  QMenu* menu() const { return menu_; }
  bool iconShown() const;
  // Puts the icon into the tray (a tray that came after the program did:
  // the desktop's panel may start after the programs of the login).
  void ShowIcon();

  // Fills the appointments in again (before the menu opens, and after every
  // check).
  void Refresh();

  // The menu text of an appointment: "Today 14:30  Dentist".
  static QString AppointmentText(const TrayAppointment& appointment, bool today);

  // Runs the settings dialog (tests replace it).
  std::function<void()> runSettings;

 signals:
  void quitRequested();

 private:
  TrayReminders& reminders_;
  QMenu* menu_;
  QSystemTrayIcon* icon_ = nullptr;
  QAction* appointmentsAt_;  // the separator after the appointments
  QAction* pause_;
  QAction* noAutostart_;
  std::vector<QAction*> appointments_;
};

}  // namespace velmora
