// TesselDialog: a modal dialog object. Its controls report numbered commands
// to it; commands 1 (OK) and 2 (Cancel) end it with 1 and 0 unless the dialog
// handles them itself.
#pragma once

#include <QDialog>
#include <QString>

#include "toolkit/Command.h"

namespace velmora {

// Dialog captions. The window manager writes a dialog's caption in its
// title bar, between the window icon and the caption buttons, and cuts a
// caption wider than the room left ("Verify Net… Passwords"). A dialog is
// therefore made wide enough for its whole caption.

// The title bar's room besides the caption text: the window icon, the
// caption buttons (minimize, maximize, close) and their margins, with some
// to spare for themes with wider buttons.
inline constexpr int kCaptionChrome = 120;
// The width of caption in CaptionFont().
int CaptionTextWidth(const QString& caption);
// The room a window windowWidth wide leaves for its caption text.
int CaptionArea(int windowWidth);
// The least width of a window whose whole caption shows.
int CaptionFitWidth(const QString& caption);
// Widens window so that its whole caption shows: its minimum width becomes
// CaptionFitWidth of its title (a window of fixed width gets that fixed
// width), but never more than the screen's width.
void FitCaption(QWidget* window);

// While it lives, every dialog of the application (QDialog and what derives
// from it: message boxes, wizards, file dialogs) is fitted to its caption
// when its title is set and when it is shown. The programs keep one for
// their whole run.
class CaptionFitting : public QObject {
 public:
  CaptionFitting();
  ~CaptionFitting() override;
  CaptionFitting(const CaptionFitting&) = delete;
  CaptionFitting& operator=(const CaptionFitting&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

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
