// Dialog 1008 "Date": the pop-up date picker of both programs. A mini
// calendar on white with the button face as selection fill and today's date
// in red, the year in a spin box, and the buttons "OK" and "Cancel". It
// opens with its top-left corner at a screen point (kept on the screen);
// opened with the opening effect it plays "open.wav" and, while the
// animation flag is on, draws the opening effect. "OK" and "Cancel" play
// "close.wav".
#pragma once

#include <QPoint>
#include <optional>

#include "store/Dates.h"
#include "toolkit/TesselDialog.h"

class QPushButton;
class QSpinBox;

namespace velmora {

class TesseMiniCalendar;

class DatePickerDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 1008;
  static constexpr int kCalendarId = 100;
  static constexpr QRgb kTodayColour = 0xFFFF0000u;

  // An initial date that is not valid (such as no date) shows today.
  DatePickerDialog(const DateValue& initial, const QPoint& at, bool openingEffect, QWidget* owner = nullptr);

  TesseMiniCalendar* calendar() const { return calendar_; }
  // The year chooser: the years 1800..2199, the shown one in view.
  QSpinBox* yearBox() const { return year_; }
  // The date "OK" stored; nothing before it or after "Cancel".
  std::optional<DateValue> picked() const { return picked_; }

  // Where a dialog of size would stand for the point at: at that point, moved
  // back onto the screen area.
  static QPoint PlaceOnScreen(const QPoint& at, const QSize& size, const QRect& screenArea);

  qintptr OnCommand(const Command& command) override;

 protected:
  void OnInitDialog() override;
  void OnInitialise() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Top-left corner at the point, kept on its screen.
  void Place();
  // The year box over the calendar's year chooser, and showing its year.
  void PlaceYear();
  void ShowYear();

  TesseMiniCalendar* calendar_;
  QSpinBox* year_ = nullptr;
  QPoint at_;
  bool openingEffect_;
  std::optional<DateValue> picked_;
};

// Runs the date picker modally at the screen point; the picked date on
// "OK", nothing on "Cancel". openingEffect as for DatePickerDialog.
std::optional<DateValue> PickDate(QWidget* owner, const DateValue& initial, const QPoint& at,
                                  bool openingEffect = true);

}  // namespace velmora
