// The word processor's actions run off the window thread: the windows keep
// painting and timers keep firing while LibreOffice works, a progress
// window with "Cancel" stands over the owner, "Cancel" ends the office at
// once, and the action's message boxes come afterwards on the window
// thread. A stand-in for writer_merge.py plays the office.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "CardoraTestSupport.h"
#include "addressbook/gui/MailMergeWordProcessor.h"
#include "shell/WorkProgressWindow.h"
#include "tests/support/Files.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;
using testing::Sandbox;
using testing::ScopedEnv;
using testing::WriteWholeFile;

// Announces the steps as the real script does; waits for ever at the step
// FAKE_WRITER_HANGS_AT names, fails with the status FAKE_WRITER_FAILS_AT
// names, else leaves the document a finished run leaves.
constexpr const char* kFakeScript = R"(import os, sys, time
hang = os.environ.get("FAKE_WRITER_HANGS_AT", "0")
fail = os.environ.get("FAKE_WRITER_FAILS_AT", "0")
for step in (1, 2, 3, 4, 6, 7, 8, 9):
    print("step %d" % step, flush=True)
    time.sleep(0.05)
    if str(step) == hang:
        time.sleep(600)
    if str(step) == fail:
        print("stopped at step %d" % step, file=sys.stderr)
        sys.exit(step)
work = sys.argv[sys.argv.index("--work") + 1]
with open(os.path.join(work, "document.odt"), "w") as f:
    f.write(sys.argv[1])
)";

class MailMergeWordProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteWholeFile(script_, kFakeScript)); }

  WriterSetup Setup() const {
    WriterSetup setup;
    setup.script = script_;
    setup.workParent = sandbox_.folder();
    setup.timeout = std::chrono::seconds(120);
    return setup;
  }

  Result Create(QWidget* owner, OpenOutcome opened = OpenOutcome::Opened) {
    return RunWordProcessorAction(
        owner, QString::fromLatin1(kCreatingTemplateText), Setup(),
        [this](WordProcessorMerge& merge) {
          return merge.CreateLetterTemplate(WordProcessor::MsWord, sandbox_.File("data.tmp"), letter_);
        },
        [opened](const std::string&) { return opened; });
  }

  static WorkProgressWindow* ProgressWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* progress = qobject_cast<WorkProgressWindow*>(w); progress && progress->isVisible()) return progress;
    }
    return nullptr;
  }

  Sandbox sandbox_;
  std::string script_ = sandbox_.File("fake_writer.py");
  std::string letter_ = sandbox_.File("Letter.dot");
};

// While the office hangs on its start, the window thread goes on (a timer
// keeps firing), the progress window shows with its "Cancel", and "Cancel"
// ends the action at once: no template, no message box.
TEST_F(MailMergeWordProcessorTest, TheWindowThreadGoesOnAndCancelEndsTheOffice) {
  ScopedEnv hangs("FAKE_WRITER_HANGS_AT", "3");
  QWidget owner;
  owner.resize(400, 300);
  owner.show();
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(10);
  bool sawProgress = false;
  int ticksAtCancel = 0;
  QTimer canceller;
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    WorkProgressWindow* progress = ProgressWindow();
    if (!progress || ticks < 50) return;
    sawProgress = true;
    ticksAtCancel = ticks;
    auto* cancel = progress->findChild<QPushButton*>(QStringLiteral("cancel"));
    ASSERT_TRUE(cancel);
    EXPECT_TRUE(cancel->isVisible());
    canceller.stop();
    cancel->click();
  });
  canceller.start(20);

  const auto started = std::chrono::steady_clock::now();
  const Result r = Create(&owner);
  const auto took = std::chrono::steady_clock::now() - started;

  EXPECT_TRUE(sawProgress) << "no progress window while the office worked";
  EXPECT_GE(ticksAtCancel, 50) << "the window thread stood still";
  EXPECT_LT(took, std::chrono::seconds(30));
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.what(), mailmerge::kWriterCancelled);
  EXPECT_FALSE(std::filesystem::exists(letter_));
  EXPECT_TRUE(sandbox_.messages.empty());
  EXPECT_EQ(ProgressWindow(), nullptr) << "the progress window is gone afterwards";
}

// The message boxes the action asks for are shown afterwards, on the window
// thread, with their kind: a failed step as a warning, a written document
// nobody could open as information naming where it is.
TEST_F(MailMergeWordProcessorTest, MessagesComeAfterTheActionOnTheWindowThread) {
  {
    ScopedEnv fails("FAKE_WRITER_FAILS_AT", "6");
    const Result r = Create(nullptr);
    EXPECT_FALSE(r.ok());
    ASSERT_EQ(sandbox_.messages.size(), 1u);
    EXPECT_EQ(sandbox_.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(sandbox_.messages[0].text, "Could not invoke the Add method on the Documents collection object");
  }
  sandbox_.messages.clear();
  const Result r = Create(nullptr, OpenOutcome::NoOpener);
  EXPECT_TRUE(r.ok()) << r.Message();
  EXPECT_EQ(ReadWholeFile(letter_), "create");
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_EQ(sandbox_.messages[0].kind, MessageKind::Information);
  EXPECT_NE(sandbox_.messages[0].text.find(letter_), std::string::npos) << sandbox_.messages[0].text;
}

}  // namespace
}  // namespace velmora
