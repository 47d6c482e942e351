// "Co&mpact...": refused for a file in use (this program's own included),
// otherwise the chosen file loses its free slots; and the progress window.
#include "shell/CompactCommand.h"

#include <QLabel>
#include <QProgressBar>

#include "RecordFiles.h"
#include "ShellTestSupport.h"
#include "shell/CompactProgressWindow.h"

namespace velmora::testing {
namespace {

constexpr const char* kFilter = "Cardora file (*.adr)|*.adr||";

QWidget* ProgressWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QStringLiteral("compactProgress") && w->isVisible()) return w;
  }
  return nullptr;
}

class CompactCommandTest : public ShellTest {
 protected:
  // A file of four records of which the first two are deleted.
  void SetUp() override {
    ShellTest::SetUp();
    MakeRecordFile(path, {}, 4);
    RecordStore store(path, "");
    RecordQuery query;
    ASSERT_TRUE(query.Prepare().ok());
    ASSERT_TRUE(query.AddMatchAll());
    ASSERT_TRUE(query.Run(store).ok());
    ASSERT_TRUE(store.DeleteRecord(query.positions()[0]).ok());
    ASSERT_TRUE(store.DeleteRecord(query.positions()[1]).ok());
    recordSize = store.recordSize();
  }

  std::string path = File("Works/book.adr");
  uint32_t recordSize = 0;
};

TEST_F(CompactCommandTest, TheOpenFileIsDeniedAndLeftAlone) {
  RecordStore open(path, "");  // the program keeps its current file open
  const std::string before = ReadWholeFile(path);
  fileDialogs.answers = {path};
  EXPECT_FALSE(RunCompactCommand(nullptr, kFilter, "adr"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Program can't use \"" + path + "\".\r\nAccess has been denied"});
  EXPECT_EQ(ReadWholeFile(path), before);
}

TEST_F(CompactCommandTest, AFileNobodyHasOpenIsCompacted) {
  fileDialogs.answers = {path};
  const std::optional<std::string> compacted = RunCompactCommand(nullptr, kFilter, "adr");
  ASSERT_TRUE(compacted);
  EXPECT_EQ(*compacted, path);
  EXPECT_EQ(FileSize(path), format::kFirstSlotOffset + 2u * recordSize);
  EXPECT_EQ(LiveRecords(path), 2u);
  EXPECT_EQ(OpenCountOnDisk(path), 0);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ProgressWindow(), nullptr) << "the progress window is closed at the end";
  ASSERT_EQ(fileDialogs.requests.size(), 1u);
  EXPECT_EQ(fileDialogs.requests[0].mode, FileDialogMode::Open);
  EXPECT_EQ(fileDialogs.requests[0].filter, kFilter);
}

TEST_F(CompactCommandTest, CancelledDoesNothing) {
  const std::string before = ReadWholeFile(path);
  EXPECT_FALSE(RunCompactCommand(nullptr, kFilter, "adr"));
  EXPECT_EQ(ReadWholeFile(path), before);
  EXPECT_TRUE(messages.empty());
}

TEST_F(CompactCommandTest, ProgressWindowShowsTheFileAndCountsTheSlots) {
  CompactUi ui = MakeCompactUi(nullptr);
  ui.begin("book.adr", 250);
  QWidget* window = ProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QString());
  EXPECT_EQ(Control<QLabel>(window, "line")->text(), QStringLiteral("Compacting \"book.adr\""));
  auto* bar = window->findChild<QProgressBar*>();
  ASSERT_NE(bar, nullptr);
  for (int i = 0; i < 125; ++i) ui.step();
  EXPECT_EQ(bar->value() * 2, bar->maximum());
  for (int i = 0; i < 125; ++i) ui.step();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(static_cast<CompactProgressWindow*>(window)->stepped(), 250u);
  ui.showMessage("Program can't create \"x.temp\".");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Program can't create \"x.temp\"."});
  ui.end();
  EXPECT_EQ(ProgressWindow(), nullptr);
}

}  // namespace
}  // namespace velmora::testing
