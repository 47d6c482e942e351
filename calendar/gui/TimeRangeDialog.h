// The time-range picker: the time track (a vertical strip of the day in
// five-minute steps with the chosen band in red) and dialog 1007 "Time"
// around it, with "ok" and "cancel" at its foot. The event editor's Time
// button picks a start and an end; the alarm settings pick one time (the
// track's single-time mode).
#pragma once

#include <QPoint>
#include <QWidget>

#include "store/Dates.h"
#include "toolkit/TesselDialog.h"

class QPushButton;

namespace velmora {

// The track. Times are kept as five-minute slots (TimeSlot): the first and
// last time of the track bound every selection, and the start never lies
// after the end.
//
// Mouse: pressing on the band's start or end edge drags that edge (a band
// of no length is drawn out from its time either way); pressing elsewhere
// starts a new band there, dragged out from that point. A drag
// beyond the track stops at its first or last time.
// Keyboard: Down/Up move the end by five minutes (the single time in
// single-time mode), Shift+Down/Up the start, Ctrl+Down/Up the whole band;
// Page Down/Page Up do the same by an hour, Home and End go to the first
// and last time.
class TesselTimeTrack : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kControlId = 102;
  static constexpr QRgb kMarkerColour = 0xFFFF0000u;

  // A start before first or an end after last puts both at first; a start
  // after the end (only a damaged record holds one) moves the end to the
  // start. In single-time mode the band is the one time start.
  TesselTimeTrack(const TimeValue& first, const TimeValue& last, const TimeValue& start, const TimeValue& end,
                  bool singleTime, QWidget* parent = nullptr);

  int firstSlot() const { return first_; }
  int lastSlot() const { return last_; }
  int startSlot() const { return start_; }
  int endSlot() const { return end_; }
  bool singleTime() const { return single_; }
  // The selection as times (second 0).
  TimeValue start() const;
  TimeValue end() const;

  // Moves one end, as a drag would: the value is held within the track and
  // the start never passes the end (nor the end the start). In single-time
  // mode both ends move together.
  void SetStartSlot(int slot);
  void SetEndSlot(int slot);
  // Moves the band keeping its length, held within the track.
  void MoveBand(int steps);

  // Where a slot's top edge is drawn, and the slot under a point (held
  // within the track).
  int YOfSlot(int slot) const;
  int SlotAtY(int y) const;

  // The band's length as the track writes it: "HH:MM", both numbers with
  // two digits.
  static QString LengthText(int steps);

  // The width of the column of hour labels at the left.
  int LabelWidth() const;

  QSize sizeHint() const override;

 signals:
  void selectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class Drag { None, Start, End, Anchored };
  void DragTo(int y);
  int Rows() const { return last_ - first_ + 1; }

  int first_, last_;
  int start_, end_;
  bool single_;
  Drag drag_ = Drag::None;
  int anchor_ = 0;
};

// Dialog 1007 "Time". Opened at a screen point, kept on the screen (none:
// centred over its owner); with the opening effect it plays "open.wav" and draws the
// opening animation. "ok" and "cancel" play "close.wav".
class TimeRangeDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 1007;
  // The track's range in the editor: 7:00 AM to 11:00 PM.
  static TimeValue FirstTime() { return TimeValue{7, 0, 0, kHalfAm}; }
  static TimeValue LastTime() { return TimeValue{11, 0, 0, kHalfPm}; }

  TimeRangeDialog(const TimeValue& start, const TimeValue& end, bool singleTime, const QPoint& at,
                  bool openingEffect, QWidget* owner = nullptr);

  TesselTimeTrack* track() const { return track_; }
  // The times "ok" stored; before "ok" the ones the dialog opened with.
  TimeValue start() const { return start_; }
  TimeValue end() const { return end_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  void OnInitDialog() override;
  void OnInitialise() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceTrack();
  void Place();

  TesselTimeTrack* track_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPoint at_;
  bool openingEffect_;
  TimeValue start_, end_;
};

// Runs the picker over owner at the screen point; true on "ok" with start
// and end replaced, false on "cancel" with both unchanged.
bool PickTimeRange(QWidget* owner, TimeValue& start, TimeValue& end, const QPoint& at = {},
                   bool openingEffect = true);
// The single-time mode: true on "ok" with time replaced.
bool PickTime(QWidget* owner, TimeValue& time, const QPoint& at = {}, bool openingEffect = true);

}  // namespace velmora
