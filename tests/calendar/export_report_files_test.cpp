// The files the calendar's export and report write: never through a link
// another user planted at their name, never over a pipe, a folder or a
// device, and no wider readable than the calendar they come from.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "calendar/model/CalendarExport.h"
#include "calendar/model/CalendarReport.h"
#include "resources/Strings.h"
#include "tests/calendar/CalendarTestSupport.h"
#include "tests/support/OtherUser.h"

namespace velmora {
namespace {

using test::At;
using test::D;
using testing::CanActAsOtherUser;
using testing::MakeSharedFolder;
using testing::ModeOf;
using testing::PlantLinkAsOtherUser;
using testing::ScopedUmask;
using testing::WriteWholeFile;

class CalendarOutputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentProgram(Program::Almanor);
    SetClockStyle(ClockStyle::TwentyFourHour);
    cal.Add(cal.Make(D(7, 1, 2004), "Lunch", At(12, 0), At(13, 0)));
  }

  struct Writer {
    const char* name;
    std::function<Result(test::TempCalendar&, const std::string&)> write;
  };
  static std::vector<Writer> Writers() {
    return {
        {"export",
         [](test::TempCalendar& c, const std::string& path) {
           return ExportEvents(c.store(), ExportDialogOptions(D(1, 1, 2010)), path);
         }},
        {"report",
         [](test::TempCalendar& c, const std::string& path) {
           ExportOptions options = ReportDialogOptions(D(5, 1, 2004));
           options.range = EventRange::All;
           std::string text;
           return WriteCalendarReport(c.store(), options, path, text);
         }},
    };
  }

  test::TempCalendar cal;
};

TEST_F(CalendarOutputFiles, AnotherUsersLinkAtTheOutputIsReplacedNotFollowed) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  for (const Writer& w : Writers()) {
    for (bool victimExists : {true, false}) {
      SCOPED_TRACE(std::string(w.name) + (victimExists ? ", existing victim" : ", new victim"));
      const std::string shared = MakeSharedFolder(cal.folder(), std::string("shared-") + w.name +
                                                                     (victimExists ? "-1" : "-2"));
      const std::string victim = cal.folder() + "/victim-" + w.name + (victimExists ? "-1" : "-2");
      if (victimExists) {
        ASSERT_TRUE(WriteWholeFile(victim, "the victim's own\n"));
      }
      const std::string out = shared + "/out.txt";
      ASSERT_TRUE(PlantLinkAsOtherUser(victim, out));

      Result written = w.write(cal, out);
      ASSERT_TRUE(written.ok()) << written.Message();
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(out)));
      EXPECT_NE(test::ReadWholeFile(out).find("Lunch"), std::string::npos);
      if (victimExists) {
        EXPECT_EQ(test::ReadWholeFile(victim), "the victim's own\n");
      } else {
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(victim)));
      }
    }
  }
}

TEST_F(CalendarOutputFiles, APipeOrAFolderAtTheOutputIsRefusedAtOnce) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    const std::string pipe = cal.folder() + "/pipe-" + w.name;
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    const auto started = std::chrono::steady_clock::now();
    Result written = w.write(cal, pipe);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "no wait on the pipe";
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.Message().find("this is a pipe (FIFO), not a regular file: \"" + pipe + "\""),
              std::string::npos)
        << written.Message();

    const std::string folder = cal.folder() + "/folder-" + w.name;
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    written = w.write(cal, folder);
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.Message().find("this is a folder, not a file: \"" + folder + "\""), std::string::npos)
        << written.Message();
  }
}

TEST_F(CalendarOutputFiles, ModesFollowTheCalendarAndTheReplacedFile) {
  ScopedUmask mask(022);
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    ASSERT_EQ(::chmod(cal.path().c_str(), 0600), 0);
    const std::string fresh = cal.folder() + "/new-" + w.name;
    ASSERT_TRUE(w.write(cal, fresh).ok());
    EXPECT_EQ(ModeOf(fresh), mode_t(0600)) << "no wider than the calendar";

    ASSERT_EQ(::chmod(cal.path().c_str(), 0644), 0);
    const std::string kept = cal.folder() + "/kept-" + w.name;
    ASSERT_TRUE(WriteWholeFile(kept, "old"));
    ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
    ASSERT_TRUE(w.write(cal, kept).ok());
    EXPECT_EQ(ModeOf(kept), mode_t(0600)) << "the replaced file's bits";
    EXPECT_NE(test::ReadWholeFile(kept), "old");
  }
}

}  // namespace
}  // namespace velmora
