// The progress window of long work: the bar follows done of total without
// going beyond full, and a click on "Cancel" makes the next report say stop.
#include "shell/WorkProgressWindow.h"

#include <QPushButton>

#include "ShellTestSupport.h"

namespace velmora::testing {
namespace {

TEST(WorkProgressWindowTest, BarFollowsTheWorkAndNeverPassesFull) {
  WorkProgressWindow window(QStringLiteral("Import..."), false);
  struct Case {
    size_t done, total;
    int permille;
  } cases[] = {{0, 4, 0}, {1, 4, 250}, {4, 4, 1000}, {9, 4, 1000}, {0, 0, 1000}};
  for (const Case& c : cases) {
    EXPECT_TRUE(window.Report(c.done, c.total));
    EXPECT_EQ(window.shownPermille(), c.permille) << c.done << " of " << c.total;
  }
  EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("cancel")), nullptr) << "no Cancel when it cannot stop";
}

TEST(WorkProgressWindowTest, CancelStopsAtTheNextReport) {
  WorkProgressWindow window(QStringLiteral("Export..."), true);
  window.show();
  EXPECT_TRUE(window.Report(1, 10));
  auto* cancel = window.findChild<QPushButton*>(QStringLiteral("cancel"));
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  EXPECT_TRUE(window.cancelled());
  EXPECT_FALSE(window.Report(2, 10));
  EXPECT_FALSE(cancel->isEnabled()) << "one click is enough";
}

}  // namespace
}  // namespace velmora::testing
