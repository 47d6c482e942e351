#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QMouseEvent>
#include <QStringListModel>
#include <QWheelEvent>

#include "ToolkitTestSupport.h"
#include "store/RecordHeader.h"
#include "tests/support/Sandbox.h"
#include "toolkit/DragTracker.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {
namespace {

using testing::Recorder;
using testing::Seen;

void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint pos,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : button, modifiers);
  QCoreApplication::sendEvent(widget, &event);
}

void SendKey(QWidget* widget, int key) {
  QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

void SendWheel(QWidget* widget, int delta) {
  QWheelEvent event(QPointF(5, 5), QPointF(widget->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(widget, &event);
}

// Ten rows of 10 pixels in a list 40 pixels high.
class ListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    QStringList rows;
    for (int i = 0; i < 10; ++i) rows << QString::number(i);
    model.setStringList(rows);
    parent.resize(100, 100);
    list = new TesselWndList(&parent);
    list->SetModel(&model);
    list->SetRowHeight(10);
    list->setGeometry(0, 0, 80, 40);
    parent.show();
  }
  QPoint RowPoint(int visibleRow) const { return QPoint(5, visibleRow * 10 + 5); }

  QStringListModel model;
  Recorder parent;
  TesselWndList* list = nullptr;
};

TEST_F(ListFixture, MouseReportsInOrder) {
  const QPoint row2 = RowPoint(2), below(5, 39);
  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<Seen> expected;
  } cases[] = {
      {"click selects and reports", [&] { SendMouse(list, QEvent::MouseButtonPress, Qt::LeftButton, row2); },
       {{kNotifySelectionMoved, 2}, {kNotifyClick, 2}}},
      {"same row again: no move", [&] { SendMouse(list, QEvent::MouseButtonPress, Qt::LeftButton, row2); },
       {{kNotifyClick, 2}}},
      {"double click", [&] { SendMouse(list, QEvent::MouseButtonDblClick, Qt::LeftButton, row2); },
       {{kNotifyDoubleClick, 2}}},
      {"right click on another row",
       [&] { SendMouse(list, QEvent::MouseButtonPress, Qt::RightButton, RowPoint(1)); },
       {{kNotifySelectionMoved, 1}, {kNotifyRightClick, 1}}},
  };
  for (auto& c : cases) {
    c.act();
    EXPECT_EQ(parent.Take(), c.expected) << c.what;
  }
  // Beyond the last row there is no row.
  model.setStringList({"only"});
  SendMouse(list, QEvent::MouseButtonPress, Qt::LeftButton, below);
  SendMouse(list, QEvent::MouseButtonDblClick, Qt::LeftButton, below);
  EXPECT_EQ(parent.Take(), (std::vector<Seen>{{kNotifyClick, -1}, {kNotifyDoubleClick, -1}}));
}

TEST_F(ListFixture, KeysMoveTheSelectionWithinTheRowsAndScrollIt) {
  struct Case {
    int key;
    int selected;
    int top;
    std::vector<Seen> expected;
  } cases[] = {
      {Qt::Key_Up, 0, 0, {{20, 0}}},  // from no selection to the first row
      {Qt::Key_Up, 0, 0, {}},         // not before the first
      {Qt::Key_End, 9, 6, {{20, 9}}},
      {Qt::Key_Down, 9, 6, {}},       // not past the last
      {Qt::Key_Left, 8, 6, {{20, 8}}},
      {Qt::Key_Home, 0, 0, {{20, 0}}},
      {Qt::Key_Right, 1, 0, {{20, 1}}},
      {Qt::Key_Escape, -1, 0, {}},    // clears without a report
  };
  for (const auto& c : cases) {
    SendKey(list, c.key);
    EXPECT_EQ(list->selectedRow(), c.selected) << c.key;
    EXPECT_EQ(list->topRow(), c.top) << c.key;
    EXPECT_EQ(parent.Take(), c.expected) << c.key;
  }
}

TEST_F(ListFixture, WheelScrollsOneRowPerNotchAndReportsTwenty) {
  list->SelectRow(3);
  SendWheel(list, -240);  // two notches toward the user: down
  EXPECT_EQ(list->topRow(), 2);
  SendWheel(list, 120);
  EXPECT_EQ(list->topRow(), 1);
  SendWheel(list, 1200);
  EXPECT_EQ(list->topRow(), 0);
  EXPECT_EQ(parent.Take(), (std::vector<Seen>{{20, 3}, {20, 3}, {20, 3}}));
  EXPECT_EQ(list->selectedRow(), 3);
}

TEST_F(ListFixture, RowsShrinkingKeepTheSelectionInside) {
  list->SelectRow(9);
  model.setStringList({"a", "b"});
  EXPECT_LT(list->selectedRow(), 2);
  EXPECT_EQ(list->topRow(), 0);
}

TEST(DragTest, CursorAndDropFollowTheWindowUnderTheMouse) {
  Recorder source, accepting, refusing;
  accepting.answer = 1;
  QWidget* under = nullptr;
  DragTracker drag(&source, [&](const QPoint&) { return under; });
  const QPoint point(300, 200);

  under = &accepting;
  EXPECT_EQ(drag.Move(point, false), DragCursor::Accept);
  EXPECT_EQ(drag.Move(point, true), DragCursor::AcceptCopy);
  under = &refusing;
  EXPECT_EQ(drag.Move(point, false), DragCursor::Stop);
  under = &source;
  EXPECT_EQ(drag.Move(point, false), DragCursor::Accept);  // over the source itself
  under = nullptr;
  EXPECT_EQ(drag.Move(point, false), DragCursor::Stop);
  EXPECT_STREQ(DragTracker::CursorName(DragCursor::Stop), "CUR_DRAG_STOP");
  EXPECT_STREQ(DragTracker::CursorName(DragCursor::AcceptCopy), "CUR_DRAG_TRUE_COPY");

  // Released over the source: nothing is sent anywhere.
  under = &source;
  EXPECT_EQ(drag.Drop(point, false), nullptr);
  EXPECT_TRUE(source.seen.empty());

  under = &refusing;  // a drop goes to the window under the mouse in any case
  EXPECT_EQ(drag.Drop(point, true), &refusing);
  under = &accepting;
  EXPECT_EQ(drag.Drop(point, false), &accepting);
  EXPECT_EQ(refusing.seen, (std::vector<Seen>{{kCmdDragOver, 0}, {kCmdDropCopy, 0}}));
  EXPECT_EQ(accepting.seen.back(), (Seen{kCmdDropMove, 0}));
}

TEST(DragTest, ADropOnAPlainChildGoesToItsToolkitWindow) {
  Recorder target;
  QWidget plainChild(&target);
  DragTracker drag(nullptr, [&](const QPoint&) { return &plainChild; });
  EXPECT_EQ(drag.Drop(QPoint(1, 1), false), &target);
  EXPECT_EQ(target.seen, (std::vector<Seen>{{kCmdDropMove, 0}}));
}

// A list view over a real record file with three records.
class ListViewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("book.adr");
    ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    other = std::make_unique<RecordStore>(path, "");
    for (int i = 0; i < 3; ++i) AddRecord(*store);
    query.AddMatchAll();
    ASSERT_TRUE(query.Run(*store).ok());
    parent.resize(200, 200);
    view = new TesselWndListView(&parent);
    view->SetControlId(100);
    view->setGeometry(0, 0, 150, 100);
    view->SetSource(store.get(), &query);
    parent.show();
  }
  void TearDown() override {
    delete view;
    query.Reset();
  }
  static void AddRecord(RecordStore& s) {
    Bytes record;
    s.InitRecord(record, s.recordSize());
    ASSERT_TRUE(s.AddRecord(record).ok());
  }
  uint64_t IdOfRow(int row) {
    Bytes record;
    EXPECT_TRUE(store->ReadRecord(record, view->PositionOf(row)).ok());
    return rec::Id(record.data());
  }

  velmora::testing::TempDir dir;
  std::string path;
  std::unique_ptr<RecordStore> store, other;
  RecordQuery query;
  Recorder parent;
  TesselWndListView* view = nullptr;
};

TEST_F(ListViewFixture, ModelPassesTheModelTester) {
  QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(view->model()->rowCount(), 3);
  const QByteArray record = view->model()->index(1, 0).data(RecordQueryModel::kRecordRole).toByteArray();
  EXPECT_EQ(size_t(record.size()), store->recordSize());
  view->SetRowCount(2);
  EXPECT_EQ(view->rowCount(), 2);
  view->SetRowCount(99);  // never more than the query holds
  EXPECT_EQ(view->rowCount(), 3);
}

TEST_F(ListViewFixture, ARowOfADeletedRecordHasNoRecord) {
  ASSERT_TRUE(other->DeleteRecord(view->PositionOf(0)).ok());
  EXPECT_TRUE(view->model()->index(0, 0).data(RecordQueryModel::kRecordRole).toByteArray().isEmpty());
}

TEST_F(ListViewFixture, PassesCodesTwentyOneToTwentyFiveOnWithItsCommandNumber) {
  TesselWndList* list = view->list();
  SendMouse(list, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, list->rowHeight() + 2));
  SendMouse(list, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(5, 2));
  EXPECT_EQ(parent.Take(), (std::vector<Seen>{{MakeCommandId(100, 21), 1}, {MakeCommandId(100, 22), 0}}));
  EXPECT_EQ(view->SelectedRow(), 1);
}

TEST_F(ListViewFixture, ForcedRefreshAnnouncesBeforeAndAfterTheReload) {
  AddRecord(*other);
  view->Refresh(true);
  // The announcement before the reload was sent, the one after it posted.
  EXPECT_EQ(parent.seen, (std::vector<Seen>{{MakeCommandId(100, 24), 3}}));
  EXPECT_EQ(parent.Take(), (std::vector<Seen>{{MakeCommandId(100, 24), 3}, {MakeCommandId(100, 24), 2}}));
  EXPECT_EQ(view->rowCount(), 4);
  EXPECT_EQ(query.changeCounterSeen(), store->GetChangeCounter());
}

TEST_F(ListViewFixture, PeriodicRefreshReloadsAfterAnotherConnectionsChange) {
  AddRecord(*other);
  PollRefresh();
  EXPECT_EQ(view->rowCount(), 4);
  EXPECT_EQ(parent.Take(), (std::vector<Seen>{{MakeCommandId(100, 24), 1}, {MakeCommandId(100, 24), 0}}));
}

TEST_F(ListViewFixture, SelectsTheRowOfARecordId) {
  const uint64_t id = IdOfRow(2);
  EXPECT_TRUE(view->SelectRecordId(id));
  EXPECT_EQ(view->SelectedRow(), 2);
  EXPECT_FALSE(view->SelectRecordId(id + 12345));
  EXPECT_EQ(view->SelectedRow(), 2);
}

}  // namespace
}  // namespace velmora
