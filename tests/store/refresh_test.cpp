#include "store/Refresh.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "store/Bytes.h"
#include "store/Settings.h"
#include "tests/support/ForwardingFiles.h"
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

// Counts the bytes read from every file it opens.
class CountingFiles : public testing::ForwardingFileSystem {
 public:
  uint64_t bytesRead = 0;

 protected:
  void Wrap(Opening, const std::string&, std::unique_ptr<File>& file) override {
    file = std::make_unique<Counted>(std::move(file), bytesRead);
  }

 private:
  class Counted : public testing::ForwardingFile {
   public:
    Counted(std::unique_ptr<File> inner, uint64_t& total) : ForwardingFile(std::move(inner)), total_(total) {}
    Result ReadAt(uint64_t offset, void* buffer, size_t length) override {
      total_ += length;
      return ForwardingFile::ReadAt(offset, buffer, length);
    }
    int64_t ReadSome(uint64_t offset, void* buffer, size_t length) override {
      const int64_t got = ForwardingFile::ReadSome(offset, buffer, length);
      if (got > 0) total_ += uint64_t(got);
      return got;
    }

   private:
    uint64_t& total_;
  };
};

// A reload after another user's change reads the file once: the scan
// gathers the keys, and the sort (of a list large enough to be sorted from
// a memory image otherwise) needs no second pass.
TEST(RefreshTest, AReloadOfASortedListReadsTheFileOnce) {
  testing::TempDir dir;
  std::string path = dir.File("book.adr");
  ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
  CountingFiles counting;
  testing::ScopedFileSystem installed(&counting);
  RecordStore mine(path, "");
  RecordStore theirs(path, "");
  Bytes record;
  for (int i = 0; i < 300; ++i) {
    theirs.InitRecord(record, theirs.recordSize());
    PutText(record.data() + 889, 30, "name" + std::to_string((i * 37) % 300));
    ASSERT_TRUE(theirs.AddRecord(record).ok());
  }
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(mine).ok());
  ASSERT_TRUE(query.Sort(mine, 889, 30, CompareText).ok());
  RecordingView view(&mine, &query);
  RegisterRefreshView(&view);

  theirs.InitRecord(record, theirs.recordSize());
  PutText(record.data() + 889, 30, "Aaron");
  RecordPosition added = 0;
  ASSERT_TRUE(theirs.AddRecord(record, &added).ok());
  uint64_t fileSize = 0;
  ASSERT_TRUE(mine.FileSize(fileSize).ok());
  counting.bytesRead = 0;
  PollRefresh();
  UnregisterRefreshView(&view);

  EXPECT_EQ(view.events, (std::vector<std::string>{"notify 1", "reload 301", "notify 0"}));
  EXPECT_EQ(query.positions().front(), added);
  EXPECT_GE(counting.bytesRead, fileSize - mine.firstSlot());
  EXPECT_LT(counting.bytesRead, fileSize + fileSize / 4);
  // The reload's sort kept its keys for the searches over the list.
  ASSERT_EQ(query.sortedKeys().size(), 301u * 30);
  const auto* first = reinterpret_cast<const char*>(query.sortedKeys().data());
  EXPECT_EQ(std::string_view(first, 6), std::string_view("aaron\0", 6));
}

}  // namespace
}  // namespace velmora
