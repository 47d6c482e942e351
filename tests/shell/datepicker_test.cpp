// The date picker (dialog 1008): placed at a point kept on the screen, "OK"
// gives the calendar's date and "Cancel" nothing; the year in a spin box;
// white days, the button face as selection and today in red.
#include "shell/DatePickerDialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <functional>

#include "ShellTestSupport.h"
#include "tests/support/WaitUntil.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesselCalMonth.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesseMiniCalendar.h"

namespace velmora::testing {
namespace {

DateValue Date(int day, int month, int year) { return DateValue{uint32_t(day), uint32_t(month), uint32_t(year)}; }

std::string Text(const std::optional<DateValue>& d) {
  if (!d) return "none";
  return std::to_string(d->day) + "/" + std::to_string(d->month) + "/" + std::to_string(d->year);
}

void ClickDay(TesselCalMonth* grid, int day) {
  const QPoint pos = grid->layout().CellRect(day).center();
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(pos), QPointF(grid->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid, &event);
  }
}

TEST(DatePickerPlacementTest, OpensAtThePointMovedBackOntoTheScreen) {
  const QRect screen(0, 0, 800, 600);
  const QSize size(220, 200);
  struct Case {
    QPoint at, placed;
  } cases[] = {
      {{100, 50}, {100, 50}},
      {{700, 50}, {580, 50}},
      {{100, 550}, {100, 400}},
      {{-30, -10}, {0, 0}},
      {{900, 900}, {580, 400}},
  };
  for (const Case& c : cases) EXPECT_EQ(DatePickerDialog::PlaceOnScreen(c.at, size, screen), c.placed) << c.at.x();
}

class DatePickerTest : public ShellTest {};

TEST_F(DatePickerTest, OkGivesThePickedDateAndCancelNothing) {
  const DateValue today = Today();
  struct Case {
    const char* what;
    DateValue initial;
    int clickDay;  // 0: none
    const char* button;
    DateValue shownFirst;
    std::optional<DateValue> result;
  } cases[] = {
      {"ok after a click", Date(29, 2, 2000), 17, "1", Date(29, 2, 2000), Date(17, 2, 2000)},
      {"ok at once", Date(4, 7, 1975), 0, "1", Date(4, 7, 1975), Date(4, 7, 1975)},
      {"cancel after a click", Date(29, 2, 2000), 3, "2", Date(29, 2, 2000), std::nullopt},
      {"no date shows today", DateValue{}, 0, "1", today, today},
  };
  for (const Case& c : cases) {
    DialogScript script;
    DateValue shown;
    QString title;
    QPoint position;
    script.Expect(QStringLiteral("1008"), [&](QWidget* dialog) {
      auto* picker = static_cast<DatePickerDialog*>(dialog);
      title = dialog->windowTitle();
      position = dialog->pos();
      shown = picker->calendar()->date();
      if (c.clickDay != 0) ClickDay(picker->calendar()->grid(), c.clickDay);
      Click(dialog, c.button);
    });
    const std::optional<DateValue> picked = PickDate(nullptr, c.initial, QPoint(40, 30), false);
    EXPECT_EQ(Text(picked), Text(c.result)) << c.what;
    EXPECT_EQ(Text(shown), Text(c.shownFirst)) << c.what;
    EXPECT_EQ(title, QStringLiteral("Date"));
    EXPECT_EQ(position, QPoint(40, 30)) << c.what;
  }
}

TEST_F(DatePickerTest, OpensAtTheScreenEdgeWithTheOpeningEffectInsideTheScreen) {
  // The effect is drawn; its sound stays off, as the test machine has no
  // audio device to play it on.
  SoundPlayer::Instance().SetEnabled(false);
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect area = screen->availableGeometry();
  DialogScript script;
  QRect placed;
  script.Expect(QStringLiteral("1008"), [&](QWidget* dialog) {
    placed = dialog->frameGeometry();
    Click(dialog, "2");
  });
  EXPECT_FALSE(PickDate(nullptr, Date(1, 1, 2020), area.bottomRight(), true).has_value());
  EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
  EXPECT_FALSE(placed.isEmpty());
}

// The buttons read "OK" and "Cancel"; the year is a spin box standing in
// the calendar's selector row with the shown year in it, which sets the
// calendar's year and follows the calendar across a new year.
TEST_F(DatePickerTest, TheYearIsASpinBoxAndTheButtonsReadOkAndCancel) {
  DatePickerDialog dialog(Date(29, 2, 2000), QPoint(10, 10), false);
  dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return dialog.isVisible(); }));
  EXPECT_EQ(Control<QPushButton>(&dialog, "1")->text(), QStringLiteral("OK"));
  EXPECT_EQ(Control<QPushButton>(&dialog, "2")->text(), QStringLiteral("Cancel"));
  TesseMiniCalendar* calendar = dialog.calendar();
  auto* year = dialog.findChild<QSpinBox*>();
  ASSERT_NE(year, nullptr) << "the year is chosen in a spin box";
  EXPECT_TRUE(year->isVisible());
  EXPECT_FALSE(calendar->yearSelector()->isVisible()) << "no pop-up list of a hundred years";
  EXPECT_EQ(year->minimum(), 1800);
  EXPECT_EQ(year->maximum(), 2199);
  EXPECT_EQ(year->value(), 2000);
  const QRect row = calendar->selectorRow();
  const QRect box(year->mapTo(calendar, QPoint(0, 0)), year->size());
  EXPECT_TRUE(row.contains(box)) << "in the selector row";
  EXPECT_EQ(box, calendar->yearSelector()->geometry());
  EXPECT_LT(dialog.frameGeometry().height(), 400) << "nothing covers half the screen";

  struct Step {
    const char* what;
    std::function<void()> act;
    DateValue shown;
    int inBox;
  };
  const Step steps[] = {
      {"a typed year", [&] { year->setValue(2001); }, Date(28, 2, 2001), 2001},
      {"the up arrow", [&] { year->stepUp(); }, Date(28, 2, 2002), 2002},
      {"an early year", [&] { year->setValue(1801); }, Date(28, 2, 1801), 1801},
      {"next month to January", [&] {
         (void)calendar->SetDate(1801, 12, 5);
         year->setValue(1801);
         SendCommand(calendar, TesseMiniCalendar::kNextId);
       }, Date(5, 1, 1802), 1802},
      {"previous month to December", [&] { SendCommand(calendar, TesseMiniCalendar::kPreviousId); },
       Date(5, 12, 1801), 1801},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(calendar->date()), Text(step.shown));
    EXPECT_EQ(year->value(), step.inBox);
  }
  Click(&dialog, "1");
  EXPECT_EQ(Text(dialog.picked()), Text(Date(5, 12, 1801)));
}

int CountPixels(const QImage& image, const QRect& area, QColor colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += image.pixelColor(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST_F(DatePickerTest, PaintsWhiteDaysTheButtonFaceSelectionAndTodayInRed) {
  const DateValue today = Today();
  DatePickerDialog dialog(today, QPoint(10, 10), false);
  dialog.show();
  TesseMiniCalendar* calendar = dialog.calendar();
  TesselCalMonth* grid = calendar->grid();
  const QImage image = grid->grab().toImage();
  const QColor red(255, 0, 0);
  const QColor face = dialog.palette().color(QPalette::Button);
  const QRect todayCell = grid->layout().CellRect(int(today.day));
  const QRect other = grid->layout().CellRect(today.day == 1 ? 2 : 1);
  EXPECT_EQ(image.pixelColor(todayCell.topLeft() + QPoint(2, 2)), face);
  EXPECT_GT(CountPixels(image, todayCell, red), 0);
  EXPECT_EQ(image.pixelColor(other.topLeft() + QPoint(2, 2)), QColor(Qt::white));
  EXPECT_EQ(CountPixels(image, other, red), 0);
  // The picker fits its calendar and buttons without clipping.
  EXPECT_TRUE(dialog.rect().contains(calendar->geometry()));
  EXPECT_EQ(calendar->size(), calendar->sizeHint());
}

}  // namespace
}  // namespace velmora::testing
