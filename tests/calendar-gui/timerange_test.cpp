// The time-range picker: the time track's clamping when it opens, its
// drags and keys held within the track with the start never after the end,
// the single-time mode, the band's length text, and the "Time" dialog's
// "OK" and "Cancel" buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QMouseEvent>
#include <QTest>

#include "../shell/ShellTestSupport.h"
#include "calendar/gui/TimeRangeDialog.h"
#include "tests/support/GuiSandbox.h"
#include "toolkit/Fonts.h"

namespace velmora::testing {
namespace {

constexpr TimeValue kFirst{7, 0, 0, kHalfAm};
constexpr TimeValue kLast{11, 0, 0, kHalfPm};
constexpr int kFirstSlot = 84;   // 7:00 AM
constexpr int kLastSlot = 276;   // 11:00 PM

TimeValue Am(uint32_t hour, uint32_t minute) { return TimeValue{hour % 12, minute, 0, kHalfAm}; }
TimeValue Pm(uint32_t hour, uint32_t minute) { return TimeValue{hour % 12, minute, 0, kHalfPm}; }

void Mouse(QWidget* widget, QEvent::Type type, int y) {
  const QPointF at(widget->width() / 2.0 + 10, y);
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

class TimeTrackTest : public ::testing::Test {
 protected:
  GuiSandbox sandbox{GuiSandbox::Settings::Quiet};
};

struct OpeningCase {
  const char* name;
  TimeValue start, end;
  bool single;
  int startSlot, endSlot;
};

TEST_F(TimeTrackTest, OpensWithTheBandInsideTheTrack) {
  const OpeningCase cases[] = {
      {"6:30 to 8:00 AM starts before the track", Am(6, 30), Am(8, 0), false, kFirstSlot, kFirstSlot},
      {"ending at 11:30 PM ends after it", Pm(22, 0), Pm(23, 30), false, kFirstSlot, kFirstSlot},
      {"9:00 to 10:30 AM is kept", Am(9, 0), Am(10, 30), false, 108, 126},
      {"the whole track is kept", kFirst, kLast, false, kFirstSlot, kLastSlot},
      {"noon to 12:05 PM", Pm(12, 0), Pm(12, 5), false, 144, 145},
      {"an end before the start moves to the start", Am(10, 0), Am(9, 0), false, 120, 120},
      {"an unreadable time goes to the first", TimeValue{14, 70, 0, 1}, Am(9, 0), false, kFirstSlot, kFirstSlot},
      {"one time at 6:00 AM in single-time mode", Am(6, 0), Am(6, 0), true, kFirstSlot, kFirstSlot},
      {"one time at 9:15 AM, the end not looked at", Am(9, 15), Am(5, 0), true, 111, 111},
  };
  for (const OpeningCase& c : cases) {
    TesselTimeTrack track(kFirst, kLast, c.start, c.end, c.single);
    EXPECT_EQ(track.startSlot(), c.startSlot) << c.name;
    EXPECT_EQ(track.endSlot(), c.endSlot) << c.name;
    EXPECT_EQ(track.start().second, 0u) << c.name;
  }
}

TEST_F(TimeTrackTest, DraggingAnEdgeStopsAtTheOtherEdgeAndAtTheTracksEnds) {
  TesselTimeTrack track(kFirst, kLast, Am(9, 0), Am(10, 0), false);
  track.resize(120, 482);
  // The start edge dragged past the end stops there, and past the top at
  // the first time.
  Mouse(&track, QEvent::MouseButtonPress, track.YOfSlot(108));
  Mouse(&track, QEvent::MouseMove, track.YOfSlot(150));
  EXPECT_EQ(track.startSlot(), 120);
  EXPECT_EQ(track.endSlot(), 120);
  Mouse(&track, QEvent::MouseMove, -60);
  EXPECT_EQ(track.startSlot(), kFirstSlot);
  Mouse(&track, QEvent::MouseMove, track.YOfSlot(96));
  Mouse(&track, QEvent::MouseButtonRelease, track.YOfSlot(96));
  EXPECT_EQ(track.startSlot(), 96);
  EXPECT_EQ(track.endSlot(), 120);

  // The end edge dragged below the track stops at the last time, and above
  // the start at the start.
  Mouse(&track, QEvent::MouseButtonPress, track.YOfSlot(120));
  Mouse(&track, QEvent::MouseMove, track.height() + 200);
  EXPECT_EQ(track.endSlot(), kLastSlot);
  Mouse(&track, QEvent::MouseMove, -200);
  EXPECT_EQ(track.startSlot(), 96);
  EXPECT_EQ(track.endSlot(), 96);
  Mouse(&track, QEvent::MouseButtonRelease, -200);

  // A move without a press drags nothing.
  Mouse(&track, QEvent::MouseMove, track.YOfSlot(200));
  EXPECT_EQ(track.startSlot(), 96);
  EXPECT_EQ(track.endSlot(), 96);
}

TEST_F(TimeTrackTest, APressAwayFromTheBandDrawsANewOneEitherWay) {
  TesselTimeTrack track(kFirst, kLast, Am(9, 0), Am(10, 0), false);
  track.resize(120, 482);
  Mouse(&track, QEvent::MouseButtonPress, track.YOfSlot(200));
  EXPECT_EQ(track.startSlot(), 200);
  EXPECT_EQ(track.endSlot(), 200);
  Mouse(&track, QEvent::MouseMove, track.height() + 50);
  EXPECT_EQ(track.startSlot(), 200);
  EXPECT_EQ(track.endSlot(), kLastSlot);
  Mouse(&track, QEvent::MouseMove, -50);
  EXPECT_EQ(track.startSlot(), kFirstSlot);
  EXPECT_EQ(track.endSlot(), 200);
  Mouse(&track, QEvent::MouseButtonRelease, track.YOfSlot(180));
  EXPECT_EQ(track.startSlot(), 180);
  EXPECT_EQ(track.endSlot(), 200);
}

TEST_F(TimeTrackTest, ABandOfNoLengthIsDrawnOutFromItsTime) {
  for (const int to : {150, 100}) {
    TesselTimeTrack track(kFirst, kLast, Am(10, 0), Am(10, 0), false);
    track.resize(120, 482);
    Mouse(&track, QEvent::MouseButtonPress, track.YOfSlot(120));
    Mouse(&track, QEvent::MouseMove, track.YOfSlot(to));
    Mouse(&track, QEvent::MouseButtonRelease, track.YOfSlot(to));
    EXPECT_EQ(track.startSlot(), std::min(120, to)) << to;
    EXPECT_EQ(track.endSlot(), std::max(120, to)) << to;
  }
}

TEST_F(TimeTrackTest, SingleTimeModeMovesOneTime) {
  TesselTimeTrack track(kFirst, kLast, Am(9, 0), Am(9, 0), true);
  track.resize(120, 482);
  Mouse(&track, QEvent::MouseButtonPress, track.YOfSlot(150));
  EXPECT_EQ(track.startSlot(), 150);
  EXPECT_EQ(track.endSlot(), 150);
  Mouse(&track, QEvent::MouseMove, track.height() + 10);
  Mouse(&track, QEvent::MouseButtonRelease, track.height() + 10);
  EXPECT_EQ(track.startSlot(), kLastSlot);
  EXPECT_EQ(track.endSlot(), kLastSlot);
  QTest::keyClick(&track, Qt::Key_Up);
  EXPECT_EQ(track.startSlot(), kLastSlot - 1);
  EXPECT_EQ(track.endSlot(), kLastSlot - 1);
  EXPECT_EQ(track.start(), Pm(22, 55));
}

struct KeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  int times;
  int startSlot, endSlot;
};

TEST_F(TimeTrackTest, KeysMoveTheEndsWithinTheTrack) {
  // The band starts 9:00 to 10:00 AM (slots 108 to 120).
  const KeyCase cases[] = {
      {Qt::Key_Down, Qt::NoModifier, 1, 108, 121},
      {Qt::Key_Up, Qt::NoModifier, 20, 108, 108},             // the end stops at the start
      {Qt::Key_Down, Qt::ShiftModifier, 20, 120, 120},        // the start stops at the end
      {Qt::Key_Up, Qt::ShiftModifier, 40, kFirstSlot, 120},   // and at the first time
      {Qt::Key_PageDown, Qt::NoModifier, 30, 108, kLastSlot},  // the end at the last time
      {Qt::Key_End, Qt::NoModifier, 1, 108, kLastSlot},
      {Qt::Key_Home, Qt::ShiftModifier, 1, kFirstSlot, 120},
      {Qt::Key_Down, Qt::ControlModifier, 2, 110, 122},       // the band keeps its length
      {Qt::Key_PageDown, Qt::ControlModifier, 30, kLastSlot - 12, kLastSlot},
      {Qt::Key_PageUp, Qt::ControlModifier, 30, kFirstSlot, kFirstSlot + 12},
  };
  for (const KeyCase& c : cases) {
    TesselTimeTrack track(kFirst, kLast, Am(9, 0), Am(10, 0), false);
    for (int i = 0; i < c.times; ++i) QTest::keyClick(&track, c.key, c.modifiers);
    EXPECT_EQ(track.startSlot(), c.startSlot) << c.key << " x" << c.times;
    EXPECT_EQ(track.endSlot(), c.endSlot) << c.key << " x" << c.times;
  }
}

TEST_F(TimeTrackTest, TheLengthHasTwoDigitsOnEachSide) {
  const struct {
    int steps;
    const char* text;
  } cases[] = {{0, "00:00"}, {1, "00:05"}, {12, "01:00"}, {13, "01:05"}, {130, "10:50"}, {192, "16:00"}};
  for (const auto& c : cases) EXPECT_EQ(TesselTimeTrack::LengthText(c.steps).toStdString(), c.text) << c.steps;
}

TEST_F(TimeTrackTest, TheDialogPlacesTheTrackAboveItsButtons) {
  TimeRangeDialog dialog(Am(9, 0), Am(10, 0), false, {}, false);
  EXPECT_EQ(dialog.objectName().toStdString(), "1007");
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Time");
  EXPECT_EQ(dialog.track()->objectName().toStdString(), "102");
  EXPECT_EQ(dialog.track()->geometry(), QRect(3, 2, dialog.width() - 5, dialog.height() - 38));
  EXPECT_EQ(Control<QPushButton>(&dialog, "1")->text().toStdString(), "&OK");
  EXPECT_EQ(Control<QPushButton>(&dialog, "2")->text().toStdString(), "&Cancel");
}

TEST_F(TimeTrackTest, TheHourLabelsFitInEitherClockStyle) {
  const ClockStyle saved = GetClockStyle();
  for (const ClockStyle style : {ClockStyle::TwentyFourHour, ClockStyle::TwelveHour}) {
    SetClockStyle(style);
    TimeRangeDialog dialog(Am(9, 0), Am(10, 0), false, {}, false);
    const QFontMetrics metrics(NormalFont());
    for (const TimeValue& hour : {Am(7, 0), Pm(12, 0), Pm(23, 0)}) {
      EXPECT_GT(dialog.track()->LabelWidth(), metrics.horizontalAdvance(QString::fromStdString(FormatTime(hour))))
          << FormatTime(hour);
    }
    EXPECT_GE(dialog.track()->width() - dialog.track()->LabelWidth(), 80) << "room for the band";
  }
  SetClockStyle(saved);
}

TEST_F(TimeTrackTest, TheDialogOpensAtItsPointButStaysOnTheScreen) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint points[] = {area.topLeft() + QPoint(20, 10), QPoint(area.left() + 30, area.bottom() - 20)};
  for (const QPoint& at : points) {
    TimeValue start = Am(9, 0), end = Am(10, 0);
    QRect shown;
    DialogScript script;
    script.Expect("1007", [&shown](QWidget* d) {
      shown = d->frameGeometry();
      Click(d, "2");
    });
    EXPECT_FALSE(PickTimeRange(nullptr, start, end, at, false));
    EXPECT_TRUE(area.contains(shown)) << at.x() << "," << at.y();
    EXPECT_EQ(shown.left(), at.x());
    if (at.y() + shown.height() <= area.bottom()) {
      EXPECT_EQ(shown.top(), at.y());
    }
  }
}

TEST_F(TimeTrackTest, OkGivesTheTimesAndCancelKeepsThem) {
  for (const bool ok : {true, false}) {
    TimeValue start = Am(9, 0), end = Am(10, 0);
    DialogScript script;
    script.Expect("1007", [ok](QWidget* d) {
      auto* dialog = static_cast<TimeRangeDialog*>(d);
      EXPECT_EQ(QApplication::focusWidget(), dialog->track()) << "the track takes the keyboard";
      QTest::keyClick(dialog->track(), Qt::Key_Down);
      QTest::keyClick(dialog->track(), Qt::Key_Down);
      QTest::keyClick(dialog->track(), Qt::Key_Up, Qt::ShiftModifier);
      Click(d, ok ? "1" : "2");
    });
    EXPECT_EQ(PickTimeRange(nullptr, start, end, {}, false), ok);
    EXPECT_EQ(start, ok ? Am(8, 55) : Am(9, 0));
    EXPECT_EQ(end, ok ? Am(10, 10) : Am(10, 0));
  }
}

TEST_F(TimeTrackTest, ThePickerOpensAnEarlyEventAtTheFirstTime) {
  TimeValue start = Am(6, 30), end = Am(8, 0);
  DialogScript script;
  script.Expect("1007", [](QWidget* d) {
    auto* dialog = static_cast<TimeRangeDialog*>(d);
    EXPECT_EQ(dialog->track()->startSlot(), kFirstSlot);
    EXPECT_EQ(dialog->track()->endSlot(), kFirstSlot);
    Click(d, "1");
  });
  ASSERT_TRUE(PickTimeRange(nullptr, start, end, {}, false));
  EXPECT_EQ(start, kFirst);
  EXPECT_EQ(end, kFirst);
}

TEST_F(TimeTrackTest, SingleTimePickerGivesOneTime) {
  TimeValue time = Pm(14, 30);
  DialogScript script;
  script.Expect("1007", [](QWidget* d) {
    auto* dialog = static_cast<TimeRangeDialog*>(d);
    EXPECT_TRUE(dialog->track()->singleTime());
    QTest::keyClick(dialog->track(), Qt::Key_PageDown);
    Click(d, "1");
  });
  ASSERT_TRUE(PickTime(nullptr, time, {}, false));
  EXPECT_EQ(time, Pm(15, 30));
}

}  // namespace
}  // namespace velmora::testing
