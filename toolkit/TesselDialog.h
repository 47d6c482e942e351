// TesselDialog: a modal dialog object. Its controls report numbered commands
// to it; commands 1 (OK) and 2 (Cancel) end it with 1 and 0 unless the dialog
// handles them itself.
#pragma once

#include <QDialog>

#include "toolkit/Command.h"

namespace velmora {

class TesselDialog : public QDialog, public CommandTarget {
  Q_OBJECT

 public:
  // templateNumber names the dialog (for example 2020, "Skins").
  explicit TesselDialog(int templateNumber, QWidget* owner = nullptr);

  // Runs the dialog modally over its owner and returns the result it ended
  // with. Initialisation runs first, then the message 4000 is posted.
  int RunModal();
  int templateNumber() const { return templateNumber_; }

  // Ends the dialog with result.
  void EndDialog(int result) { done(result); }

  qintptr OnCommand(const Command& command) override;
  // Escape and the platform's close: command 2.
  void reject() override;

  // Centres widget over another window (the screen when over is null),
  // keeping it on the screen.
  static void CentreOver(QWidget* widget, QWidget* over);

 protected:
  virtual void OnInitDialog();
  virtual void OnInitialise();

  void customEvent(QEvent* event) override;

 private:
  int templateNumber_;
};

}  // namespace velmora
