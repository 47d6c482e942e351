// The files velmora export and report write, for calendars and address
// books alike: never through a link another user planted at OUT, never over
// a pipe, a device or a folder, and no wider readable than the file they
// come from.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "ToolFixture.h"
#include "tests/support/OtherUser.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

class ToolOutputFilesTest : public ToolTest {
 protected:
  std::string calendar = dir.File("diary.cld");

  void SetUp() override {
    Ok({"create", "--kind", "calendar", calendar});
    Ok({"add", calendar}, "{\"Date\":\"2004-01-05\",\"Start_Time\":\"09:00\",\"Subject\":\"Dentist\"}\n");
    Ok({"create", "--examples", book});
  }

  // The command and the file it reads, for every way of writing an output.
  struct Writer {
    std::string command;
    std::string source;
    std::vector<std::string> options;
  };
  std::vector<Writer> Writers() const {
    return {{"export", calendar, {}},
            {"report", calendar, {"--from", "2004-01-01", "--to", "2004-01-31"}},
            {"export", book, {}},
            {"report", book, {}}};
  }
  ToolRun Write(const Writer& w, const std::string& out) {
    std::vector<std::string> args{w.command, w.source, out};
    args.insert(args.end(), w.options.begin(), w.options.end());
    return Run(args);
  }
  static std::string Name(const Writer& w) { return w.command + " of " + fs::path(w.source).filename().string(); }
};

TEST_F(ToolOutputFilesTest, AnotherUsersLinkAtOutIsReplacedNotFollowed) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  int n = 0;
  for (const Writer& w : Writers()) {
    for (bool victimExists : {true, false}) {
      SCOPED_TRACE(Name(w) + (victimExists ? ", link to an existing file" : ", link to a new name"));
      const std::string tag = std::to_string(++n);
      const std::string shared = MakeSharedFolder(dir.path(), "shared" + tag);
      const std::string victim = dir.File("victim" + tag);
      if (victimExists) {
        ASSERT_TRUE(WriteWholeFile(victim, "the victim's own\n"));
      }
      const std::string out = shared + "/out.txt";
      ASSERT_TRUE(PlantLinkAsOtherUser(victim, out));

      ToolRun run = Write(w, out);
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out)));
      EXPECT_FALSE(ReadWholeFile(out).empty());
      if (victimExists) {
        EXPECT_EQ(ReadWholeFile(victim), "the victim's own\n");
      } else {
        EXPECT_FALSE(fs::exists(fs::symlink_status(victim)));
      }
    }
  }
}

TEST_F(ToolOutputFilesTest, OutThatIsNoRegularFileIsRefusedAndLeftAlone) {
  int n = 0;
  for (const Writer& w : Writers()) {
    struct Thing {
      const char* name;
      std::string says;
    };
    const std::string tag = std::to_string(++n);
    const std::string pipe = dir.File("pipe" + tag);
    const std::string folder = dir.File("folder" + tag);
    const std::string device = dir.File("device" + tag);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    // A reader on the pipe, so that a writer that opens it is not held up
    // but writes into it (and the test fails instead of hanging).
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    std::vector<std::pair<std::string, std::string>> things{
        {pipe, "this is a pipe (FIFO), not a regular file: \"" + pipe + "\""},
        {folder, "this is a folder, not a file: \"" + folder + "\""}};
    // A device node needs root, and a system that lets root make one.
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
      things.emplace_back(device, "this is a device, not a regular file: \"" + device + "\"");
    }
    for (const auto& [path, says] : things) {
      SCOPED_TRACE(Name(w) + " to " + path);
      struct stat before;
      ASSERT_EQ(::lstat(path.c_str(), &before), 0);
      ToolRun run = Write(w, path);
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
      struct stat after;
      ASSERT_EQ(::lstat(path.c_str(), &after), 0);
      EXPECT_EQ(after.st_ino, before.st_ino);
      EXPECT_EQ(after.st_mode, before.st_mode);
    }
    char byte;
    EXPECT_LT(::read(reader, &byte, 1), 1) << "nothing was written into the pipe";
    ::close(reader);
  }
}

TEST_F(ToolOutputFilesTest, OutIsNoWiderReadableThanItsSourceAndKeepsTheBitsOfTheFileItReplaces) {
  const ScopedUmask mask(022);
  int n = 0;
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(Name(w));
    const std::string tag = std::to_string(++n);
    ASSERT_EQ(::chmod(w.source.c_str(), 0600), 0);
    const std::string fresh = dir.File("fresh" + tag);
    ToolRun run = Write(w, fresh);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ModeOf(fresh), mode_t(0600)) << "a private source gives a private output";

    ASSERT_EQ(::chmod(w.source.c_str(), 0644), 0);
    const std::string kept = dir.File("kept" + tag);
    ASSERT_TRUE(WriteWholeFile(kept, "old"));
    ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
    run = Write(w, kept);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ModeOf(kept), mode_t(0600)) << "the replaced file's bits are kept";
    EXPECT_NE(ReadWholeFile(kept), "old");
  }
}

}  // namespace
}  // namespace velmora::testing
