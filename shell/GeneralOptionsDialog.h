// Dialog 1003 "General Options": the suite-wide "Sound", "Annimation",
// "Splash" and "NetworkRefresh" of "Velmora.ini", and the start of the tray
// application.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;

namespace velmora {

// What OK sets in the running program; the main window fills these in.
struct GeneralOptionsActions {
  std::function<void(bool on)> setSoundFlag;
  std::function<void(bool on)> setAnimationFlag;  // empty: SetAnimationFlag
  // Stops and starts every record list's refresh timer with the period now
  // in "NetworkRefresh".
  std::function<void()> restartRefreshTimers;
  // Tells the other running programs (suite broadcast 100 with this
  // program's main window as sender).
  std::function<void()> broadcastOptionsChanged;
};

class GeneralOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit GeneralOptionsDialog(GeneralOptionsActions actions, QWidget* owner = nullptr);

  void accept() override;

 private:
  GeneralOptionsActions actions_;
  QCheckBox* sound_;
  QCheckBox* animation_;
  QCheckBox* splash_;
  QComboBox* refresh_;
  QCheckBox* tray_;
};

// Runs the dialog modally; on OK the broadcast is sent. 1 for OK, 0 for
// Cancel.
int ShowGeneralOptions(QWidget* owner, const GeneralOptionsActions& actions);

}  // namespace velmora
