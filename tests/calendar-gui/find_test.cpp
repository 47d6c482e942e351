// The calendar's "Find" dialog: what it finds, in which order, what its
// title and buttons say, "&Go to" and the edit on a double click.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTimer>

#include "AlmanorTestSupport.h"
#include "calendar/gui/FindEventsDialog.h"
#include "shell/SuiteCommands.h"
#include "tests/support/Records.h"
#include "toolkit/Command.h"
#include "toolkit/TesselWndList.h"

namespace velmora {
namespace {

using testing::AddEvent;
using testing::MakeEvent;
using testing::Settle;
using testing::WaitUntil;

DateValue AddDays(const DateValue& date, int days) {
  DateValue moved;
  EXPECT_TRUE(DateFromDayNumber(DayNumber(date) + days, moved));
  return moved;
}

class FindTest : public testing::AlmanorTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Start());
    today_ = pane()->selectedDate();
  }

  // The subjects of a search's results, in order.
  std::vector<std::string> Found(const std::string& text, const std::string& category = {}) {
    RecordQuery query;
    const Result found = FindEvents(store(), text, category, query);
    EXPECT_TRUE(found.ok()) << found.Message();
    std::vector<std::string> subjects;
    for (RecordPosition position : query.positions()) {
      Bytes bytes;
      if (store().ReadRecordIfLive(bytes, position).ok()) subjects.push_back(EventRecord(bytes).subject());
    }
    return subjects;
  }

  // Opens Find with command 1004 and runs script on the dialog once it is
  // shown; the dialog must be ended by the script.
  void RunFind(std::function<void(FindEventsDialog&)> script) {
    bool ran = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<FindEventsDialog*>(QApplication::activeModalWidget());
      if (ran || !dialog) return;
      ran = true;
      script(*dialog);
    });
    poll.start();
    PostCommand(window_, kCmdFind);
    const bool ended = WaitUntil([&] { return ran && !QApplication::activeModalWidget(); });
    poll.stop();
    ASSERT_TRUE(ended);
  }

  DateValue today_;
};

TEST_F(FindTest, TextOnlyInTheNotesIsFoundWithOccurrences1) {
  const DateValue later = AddDays(today_, 40);
  EventRecord event = MakeEvent(store(), later, "Quarterly figures", {}, 14, 15);
  event.setNotes("Ask about the Zebra crossing budget");
  AddEvent(store(), event);
  QString title;
  RunFind([&](FindEventsDialog& find) {
    EXPECT_FALSE(find.findButton()->isEnabled()) << "an empty edit finds nothing";
    EXPECT_FALSE(find.goToButton()->isEnabled());
    find.edit()->setText(QStringLiteral("zebra"));
    EXPECT_TRUE(find.findButton()->isEnabled());
    find.findButton()->click();
    title = find.windowTitle();
    EXPECT_EQ(find.results()->rowCount(), 1);
    EXPECT_FALSE(find.goToButton()->isEnabled());
    find.results()->SelectRow(0);
    find.OnCommand(Command{kNotifyClick, 0, {}, {}});
    EXPECT_TRUE(find.goToButton()->isEnabled());
    find.goToButton()->click();
  });
  EXPECT_EQ(title, QStringLiteral("Occurrences 1"));
  EXPECT_EQ(pane()->selectedDate(), later);
  const std::optional<RecordPosition> selected = pane()->SelectedPosition();
  ASSERT_TRUE(selected);
  Bytes bytes;
  ASSERT_TRUE(store().ReadRecordIfLive(bytes, *selected).ok());
  EXPECT_EQ(EventRecord(bytes).id(), event.id());
}

TEST_F(FindTest, NothingFoundSaysOccurrences0AndDoneChangesNothing) {
  QString title;
  int rows = -1;
  RunFind([&](FindEventsDialog& find) {
    find.edit()->setText(QStringLiteral("no such words anywhere"));
    find.findButton()->click();
    title = find.windowTitle();
    rows = find.results()->rowCount();
    find.doneButton()->click();
  });
  EXPECT_EQ(title, QStringLiteral("Occurrences 0"));
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(pane()->selectedDate(), today_);
}

TEST_F(FindTest, ResultsAreTheWholeFileByDateThenStartTimeWithinTheCategory) {
  struct Row {
    int days;
    const char* subject;
    const char* notes;
    const char* category;
    int start;
  };
  const Row rows[] = {
      {30, "Budget review", "", "Business", 14},
      {-400, "Old budget", "", "Business", 9},
      {30, "Morning budget", "", "Business", 8},
      {5, "Dentist", "pay the BUDGET", "Personal", 10},
      {6, "Lunch", "nothing to see", "Business", 12},
  };
  for (const Row& row : rows) {
    EventRecord event = MakeEvent(store(), AddDays(today_, row.days), row.subject, row.category, row.start,
                                  row.start + 1);
    event.setNotes(row.notes);
    AddEvent(store(), event);
  }
  EXPECT_EQ(Found("budget"),
            (std::vector<std::string>{"Old budget", "Dentist", "Morning budget", "Budget review"}));
  EXPECT_EQ(Found("budget", "Business"),
            (std::vector<std::string>{"Old budget", "Morning budget", "Budget review"}));
  EXPECT_EQ(Found("budget", "Personal"), (std::vector<std::string>{"Dentist"}));
  EXPECT_TRUE(Found("budget", "Holiday").empty());
}

TEST_F(FindTest, TheDialogSearchesWithinThePanesCategory) {
  EventRecord business = MakeEvent(store(), AddDays(today_, 3), "Kiwi supplier", "Business");
  EventRecord personal = MakeEvent(store(), AddDays(today_, 4), "Kiwi jam", "Personal");
  AddEvent(store(), business);
  AddEvent(store(), personal);
  pane()->SetCategoryFilter("Personal");
  QString category;
  QString title;
  RunFind([&](FindEventsDialog& find) {
    category = find.findChild<QLabel*>(QStringLiteral("category"))->text();
    find.edit()->setText(QStringLiteral("kiwi"));
    find.findButton()->click();
    title = find.windowTitle();
    find.doneButton()->click();
  });
  EXPECT_EQ(category, QStringLiteral("Personal"));
  EXPECT_EQ(title, QStringLiteral("Occurrences 1"));
}

TEST_F(FindTest, AConfidentialEventIsNotFoundByAnAssistant) {
  const std::string path = store().path();
  EventRecord secret = MakeEvent(store(), AddDays(today_, 2), "Secret plan");
  secret.setConfidential(true);
  AddEvent(store(), secret);
  EXPECT_EQ(Found("secret"), std::vector<std::string>{"Secret plan"});
  testing::SetPasswords(store(), {"own", "help", "read"});
  ASSERT_TRUE(app_->OpenRecordFile(path, "help", false));
  EXPECT_TRUE(Found("secret").empty());
}

TEST_F(FindTest, ADoubleClickEditsTheEventInPlace) {
  EventRecord event = MakeEvent(store(), AddDays(today_, 9), "Plumber");
  const RecordPosition position = AddEvent(store(), event);
  editor_.answer = [](EventRecord& record) {
    record.setSubject("Plumber at ten");
    return true;
  };
  RunFind([&](FindEventsDialog& find) {
    find.edit()->setText(QStringLiteral("plumber"));
    find.findButton()->click();
    find.results()->SelectRow(0);
    find.OnCommand(Command{kNotifyDoubleClick, 0, {}, {}});
    EXPECT_EQ(find.windowTitle(), QStringLiteral("Occurrences 1"));
    find.doneButton()->click();
  });
  ASSERT_EQ(editor_.calls.size(), 1u);
  EXPECT_TRUE(editor_.calls[0].hadOpened);
  Bytes bytes;
  ASSERT_TRUE(store().ReadRecordIfLive(bytes, position).ok());
  const EventRecord edited(bytes);
  EXPECT_EQ(edited.subject(), "Plumber at ten");
  EXPECT_EQ(edited.data()[format::record::kEditLock], 0);
  EXPECT_EQ(pane()->selectedDate(), today_) << "Done leaves the pane's date";
}

// Paints one result row of the event into an image of width pixels.
QImage PaintedRow(const EventRecord& event, int width) {
  RecordQueryModel model;
  QImage image(width, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QStyleOptionViewItem option;
  option.rect = QRect(0, 0, width, 20);
  struct OneRow : QAbstractListModel {
    QByteArray bytes;
    int rowCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex&, int role) const override {
      return role == RecordQueryModel::kRecordRole ? QVariant(bytes) : QVariant();
    }
  } row;
  row.bytes = QByteArray(reinterpret_cast<const char*>(event.data()), qsizetype(event.bytes().size()));
  FoundEventDelegate delegate;
  delegate.paint(&painter, option, row.index(0, 0));
  painter.end();
  return image;
}

int RedPixelsRightOf(const QImage& image, int x) {
  int red = 0;
  for (int px = x; px < image.width(); ++px) {
    for (int py = 0; py < image.height(); ++py) {
      const QColor c = image.pixelColor(px, py);
      if (c.red() > 200 && c.green() < 90 && c.blue() < 90) ++red;
    }
  }
  return red;
}

TEST_F(FindTest, ALongSubjectLeavesTheCategoryItsRoom) {
  EventRecord event = MakeEvent(store(), today_, std::string(140, 'W'), "Calls");
  const QImage image = PaintedRow(event, 420);
  // "[Calls]" stands in red at the right end of the row.
  EXPECT_GT(RedPixelsRightOf(image, 340), 20);
  event.setCategory("");
  EXPECT_EQ(RedPixelsRightOf(PaintedRow(event, 420), 0), 0);
}

}  // namespace
}  // namespace velmora
