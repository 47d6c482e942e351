#include "store/Refresh.h"

#include <gtest/gtest.h>

#include "store/Bytes.h"
#include "store/Settings.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

class RecordingView : public RefreshView {
 public:
  RecordingView(RecordStore* store, RecordQuery* query) : store_(store), query_(query) {}
  RecordStore* refreshStore() override { return store_; }
  RecordQuery* refreshQuery() override { return query_; }
  void NotifyRefresh(int param) override { events.push_back("notify " + std::to_string(param)); }
  void ReloadRows() override { events.push_back("reload " + std::to_string(query_->count())); }
  bool refreshFlag() const override { return flag; }
  std::vector<std::string> events;
  bool flag = false;

 private:
  RecordStore* store_;
  RecordQuery* query_;
};

TEST(RefreshTest, PeriodIsClampedToOneToSixtySeconds) {
  testing::TempDir dir;
  EXPECT_EQ(RefreshPeriodSeconds(), 2);
  const std::pair<const char*, int> cases[] = {{"0", 1}, {"120", 60}, {"abc", 1}, {"-5", 1}, {"7", 7}, {"60", 60}};
  for (auto [text, seconds] : cases) {
    ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "NetworkRefresh", text));
    EXPECT_EQ(RefreshPeriodSeconds(), seconds) << text;
  }
}

TEST(RefreshTest, AnotherConnectionsChangeReloadsTheView) {
  testing::TempDir dir;
  std::string path = dir.File("book.adr");
  ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
  RecordStore mine(path, "");
  RecordStore theirs(path, "");
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(mine).ok());
  ASSERT_TRUE(query.Sort(mine, 889, 30, CompareText).ok());
  RecordingView view(&mine, &query);
  RegisterRefreshView(&view);

  PollRefresh();
  EXPECT_TRUE(view.events.empty());  // nothing changed

  Bytes record;
  theirs.InitRecord(record, theirs.recordSize());
  ASSERT_TRUE(theirs.AddRecord(record).ok());
  PollRefresh();
  EXPECT_EQ(view.events, (std::vector<std::string>{"notify 1", "reload 1", "notify 0"}));
  EXPECT_EQ(query.changeCounterSeen(), 11u);

  // While this process holds an edit lock the tick does nothing.
  view.events.clear();
  ASSERT_TRUE(mine.LockRecord(query.positions()[0]).ok());
  ASSERT_TRUE(theirs.AddRecord(record).ok());
  PollRefresh();
  EXPECT_TRUE(view.events.empty());
  ASSERT_TRUE(mine.UnlockRecord(query.positions()[0]).ok());
  view.flag = true;
  PollRefresh();
  EXPECT_EQ(view.events, (std::vector<std::string>{"notify 3", "reload 2", "notify 2"}));

  UnregisterRefreshView(&view);
  view.events.clear();
  ASSERT_TRUE(theirs.AddRecord(record).ok());
  PollRefresh();
  EXPECT_TRUE(view.events.empty());
}

}  // namespace
}  // namespace velmora
