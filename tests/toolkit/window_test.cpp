#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "ToolkitTestSupport.h"
#include "toolkit/OpeningEffect.h"
#include "toolkit/TesselDialog.h"

namespace velmora {
namespace {

using testing::Recorder;
using testing::Seen;

// A window that logs its operations in the order they run.
class LoggingWnd : public TesselWnd {
 public:
  explicit LoggingWnd(QString className, Qt::CursorShape cursor = Qt::ArrowCursor)
      : className_(std::move(className)), cursor_(cursor) {}
  std::vector<std::string> log;
  bool refuseCreation = false;

 protected:
  void PrepareClass(WindowClass& c) override {
    log.push_back("class");
    c.name = className_;
    c.cursor = cursor_;
  }
  void PrepareCreate(CreateParams& p) override {
    log.push_back("prepare");
    p.rect = QRect(1, 2, 30, 40);
  }
  bool OnCreated() override {
    log.push_back("created");
    return !refuseCreation;
  }
  void OnInitialise() override { log.push_back("initialise"); }
  void OnTimer(int id) override { log.push_back("timer " + std::to_string(id)); }

 private:
  QString className_;
  Qt::CursorShape cursor_;
};

TEST(CommandTest, PostedCommandRunsOnALaterTurnWithItsParameter) {
  Recorder target;
  PostCommand(&target, 1006, 42);
  EXPECT_TRUE(target.seen.empty());
  EXPECT_EQ(target.Take(), (std::vector<Seen>{{1006, 42}}));
}

TEST(CommandTest, SentCommandRunsAtOnceAndAnswers) {
  Recorder target;
  target.answer = 1;
  EXPECT_EQ(SendCommand(&target, kCmdDragOver, 0), 1);
  EXPECT_EQ(target.seen, (std::vector<Seen>{{kCmdDragOver, 0}}));
  QObject plain;
  EXPECT_EQ(SendCommand(&plain, 5, 0), 0);  // not a command target
}

TEST(CommandTest, CommandIdHalves) {
  constexpr int id = MakeCommandId(100, 22);
  EXPECT_EQ(CommandLow(id), 100);
  EXPECT_EQ(CommandHigh(id), 22);
}

TEST(WindowTest, CreationRunsItsOperationsInOrderAndInitialiseComesLater) {
  Recorder parent;
  LoggingWnd wnd(QStringLiteral("TestOrderClass"));
  ASSERT_EQ(wnd.Create(&parent), 1);
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"class", "prepare", "created"}));
  EXPECT_EQ(wnd.geometry(), QRect(1, 2, 30, 40));
  EXPECT_EQ(wnd.parentWidget(), &parent);
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd.log.back(), "initialise");
}

TEST(WindowTest, FailedCreationReturnsZeroAndPostsNothing) {
  Recorder parent;
  LoggingWnd orphan(QStringLiteral("TestFailClass"));
  EXPECT_EQ(orphan.Create(nullptr), 0);  // a child needs a parent
  LoggingWnd refused(QStringLiteral("TestFailClass"));
  refused.refuseCreation = true;
  EXPECT_EQ(refused.Create(&parent), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(refused.log.back(), "created");
  EXPECT_FALSE(refused.IsCreated());
}

TEST(WindowTest, ARegisteredClassIsNotRegisteredAgain) {
  Recorder parent;
  LoggingWnd first(QStringLiteral("TestSharedClass"), Qt::CrossCursor);
  EXPECT_FALSE(TesselWnd::IsClassRegistered(QStringLiteral("TestSharedClass")));
  ASSERT_EQ(first.Create(&parent), 1);
  EXPECT_TRUE(TesselWnd::IsClassRegistered(QStringLiteral("TestSharedClass")));
  LoggingWnd second(QStringLiteral("TestSharedClass"), Qt::WaitCursor);
  ASSERT_EQ(second.Create(&parent), 1);
  // The second window gets the class as first registered.
  EXPECT_EQ(second.windowClass().cursor, Qt::CrossCursor);
  EXPECT_EQ(second.cursor().shape(), Qt::CrossCursor);
}

TEST(WindowTest, ATimerOfAChildNeverReachesTheParent) {
  LoggingWnd parent(QStringLiteral("TestTimerClass"));
  auto* child = new LoggingWnd(QStringLiteral("TestTimerClass"));
  ASSERT_EQ(parent.Create(nullptr, kStyleVisible), 1);
  ASSERT_EQ(child->Create(&parent), 1);
  QCoreApplication::processEvents();  // the initialise messages
  parent.log.clear();
  child->log.clear();
  child->SetTimer(7, 1);
  QElapsedTimer clock;
  clock.start();
  while (child->log.empty() && clock.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  child->KillTimer(7);
  ASSERT_FALSE(child->log.empty());
  EXPECT_EQ(child->log.front(), "timer 7");
  EXPECT_TRUE(parent.log.empty());
  EXPECT_FALSE(child->HasTimer(7));
}

TEST(DialogTest, CommandsOneAndTwoEndTheDialog) {
  for (auto [command, result] : {std::pair{kCmdOk, 1}, std::pair{kCmdCancel, 0}}) {
    TesselDialog dialog(1234);
    QTimer::singleShot(0, &dialog, [&dialog, command = command] { PostCommand(&dialog, command); });
    EXPECT_EQ(dialog.RunModal(), result) << command;
  }
}

TEST(OpeningEffectTest, OutlinesGrowByTwentyPixelsToTheDialogsHeight) {
  const auto steps = OpeningEffectSteps(QRect(100, 50, 200, 45));
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0], QRect(100, 50, 200, 20));
  EXPECT_EQ(steps[1], QRect(100, 50, 200, 40));
  EXPECT_EQ(steps[2], QRect(100, 50, 200, 45));
  PlayOpeningEffect(QRect(0, 0, 50, 30));  // shows and removes its outlines
  EXPECT_TRUE(OpeningEffectSteps(QRect()).empty());
}

}  // namespace
}  // namespace velmora
