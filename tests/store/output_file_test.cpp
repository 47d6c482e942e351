// The one routine every written file goes through: a fresh exclusive file
// beside the target, renamed into place; never through a link, never over
// something that is not a regular file, and never wider than it should be.
#include "store/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store/FileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/OtherUser.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::AsOtherUser;
using testing::CanActAsOtherUser;
using testing::MakeSharedFolder;
using testing::ModeOf;
using testing::PlantLinkAsOtherUser;
using testing::ReadWholeFile;
using testing::ScopedUmask;
using testing::TempDir;
using testing::WriteWholeFile;

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// --- Links planted by another user ---------------------------------------

TEST(OutputFileTest, AnotherUsersLinkAtTheTargetIsReplacedNeverWrittenThrough) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  struct Case {
    const char* name;
    bool victimExists;
  };
  const Case cases[] = {{"link to an existing file", true}, {"link to a name not yet there", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string shared = MakeSharedFolder(dir.path());
    // The victim lies where the other user may not write.
    const std::string victim = dir.File("victim.txt");
    if (c.victimExists) {
      ASSERT_TRUE(WriteWholeFile(victim, "the victim's own text\n"));
    }
    const std::string out = shared + "/export.csv";
    ASSERT_TRUE(PlantLinkAsOtherUser(victim, out));

    Result written = ReplaceFileAtomically(FileSystem::Default(), out, "\"a\",\"b\"\r\n", OutputMode::Usual(),
                                           "Cannot create the export file");
    ASSERT_TRUE(written.ok()) << written.Message();
    EXPECT_TRUE(IsRegularFile(out));
    EXPECT_EQ(ReadWholeFile(out), "\"a\",\"b\"\r\n");
    if (c.victimExists) {
      EXPECT_EQ(ReadWholeFile(victim), "the victim's own text\n");
    } else {
      EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(victim)));
    }
  }
}

TEST(OutputFileTest, LinksPlantedAtGuessableTemporaryNamesAreNeverUsed) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  TempDir dir;
  const std::string shared = MakeSharedFolder(dir.path());
  const std::string victim = dir.File("victim.txt");
  ASSERT_TRUE(WriteWholeFile(victim, "kept\n"));
  const std::string out = shared + "/merged.odt";
  for (const std::string& guess : {out + ".part", out + ".tmp", shared + "/.merged.odt.part", out + "~"}) {
    ASSERT_TRUE(PlantLinkAsOtherUser(victim, guess));
  }
  OutputFile file;
  ASSERT_TRUE(file.Create(FileSystem::Default(), out, OutputMode::Usual()).ok());
  ASSERT_TRUE(file.Write("document").ok());
  Result committed = file.Commit();
  ASSERT_TRUE(committed.ok()) << committed.Message();
  EXPECT_EQ(ReadWholeFile(out), "document");
  EXPECT_EQ(ReadWholeFile(victim), "kept\n");
}

// The temporary name: beside the target, fresh on every run.
class NamingFileSystem : public testing::ForwardingFileSystem {
 public:
  Result CreateTemp(const std::string& nearPath, std::string& tempPath, std::unique_ptr<File>& out) override {
    Result made = ForwardingFileSystem::CreateTemp(nearPath, tempPath, out);
    if (made.ok()) names.push_back(tempPath);
    return made;
  }
  std::vector<std::string> names;
};

TEST(OutputFileTest, TheFreshFileLiesBesideTheTargetUnderANewNameEachTime) {
  TempDir dir;
  const std::string out = dir.File("report.txt");
  NamingFileSystem fs;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(ReplaceFileAtomically(fs, out, "x", OutputMode::Usual()).ok());
  ASSERT_EQ(fs.names.size(), 3u);
  EXPECT_EQ(std::set<std::string>(fs.names.begin(), fs.names.end()).size(), 3u);
  for (const std::string& name : fs.names) {
    EXPECT_EQ(std::filesystem::path(name).parent_path(), std::filesystem::path(dir.path()));
    EXPECT_NE(name, out + ".part");
  }
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"report.txt"});
}

// --- Targets that are not regular files -----------------------------------

enum class Thing { Folder, Pipe, Socket, Device };

// Makes the thing at path; false when this system does not let us.
bool Make(Thing thing, const std::string& path, int& socketFd) {
  switch (thing) {
    case Thing::Folder:
      return ::mkdir(path.c_str(), 0755) == 0;
    case Thing::Pipe:
      return ::mkfifo(path.c_str(), 0666) == 0;
    case Thing::Socket: {
      socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      if (socketFd < 0 || path.size() >= sizeof address.sun_path) return false;
      std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
      return ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    case Thing::Device:
      return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  }
  return false;
}

TEST(OutputFileTest, ATargetThatIsNoRegularFileIsRefusedByName) {
  struct Case {
    Thing thing;
    const char* kind;
  };
  const Case cases[] = {
      {Thing::Folder, "this is a folder, not a file:"},
      {Thing::Pipe, "this is a pipe (FIFO), not a regular file:"},
      {Thing::Socket, "this is a socket, not a regular file:"},
      {Thing::Device, "this is a device, not a regular file:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    TempDir dir;
    const std::string out = dir.File("out.csv");
    int socketFd = -1;
    if (!Make(c.thing, out, socketFd)) {
      if (socketFd >= 0) ::close(socketFd);
      // A device node needs root (and a system that allows it).
      ASSERT_EQ(c.thing, Thing::Device) << std::strerror(errno);
      continue;
    }
    struct stat before;
    ASSERT_EQ(::lstat(out.c_str(), &before), 0);

    const auto started = std::chrono::steady_clock::now();
    Result written = ReplaceFileAtomically(FileSystem::Default(), out, "text", OutputMode::Usual(),
                                           "Cannot create the export file");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(written.ok());
    EXPECT_EQ(written.Message(), std::string("Cannot create the export file: ") + c.kind + " \"" + out + "\"");
    struct stat after;
    ASSERT_EQ(::lstat(out.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"out.csv"});

    // The streaming writer refuses at once too.
    OutputFile file;
    EXPECT_FALSE(file.Create(FileSystem::Default(), out, OutputMode::Usual()).ok());
    if (socketFd >= 0) ::close(socketFd);
  }
}

// --- Permissions ------------------------------------------------------------

TEST(OutputFileTest, PermissionsFollowTheReplacedFileTheSourceAndTheMask) {
  struct Case {
    const char* name;
    mode_t umask;
    int existing;  // the target's bits before, or -1 for no target
    OutputMode mode;
    mode_t expected;
  };
  const Case cases[] = {
      {"new file, usual", 022, -1, OutputMode::Usual(), 0644},
      {"new file, strict mask", 077, -1, OutputMode::Usual(), 0600},
      {"new file from a private source", 022, -1, OutputMode::NoWiderThan(0600), 0600},
      {"new file from a group source", 002, -1, OutputMode::NoWiderThan(0640), 0640},
      {"new file from an executable source", 022, -1, OutputMode::NoWiderThan(0755), 0644},
      {"replaced private file", 022, 0600, OutputMode::Usual(), 0600},
      {"replaced group file", 077, 0660, OutputMode::Usual(), 0660},
      {"replaced file wider than the source", 022, 0644, OutputMode::NoWiderThan(0600), 0644},
      {"private output, new", 0, -1, OutputMode::Private(), 0600},
      {"private output over a readable file", 022, 0644, OutputMode::Private(), 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string out = dir.File("out.txt");
    if (c.existing >= 0) {
      ASSERT_TRUE(WriteWholeFile(out, "old"));
      ASSERT_EQ(::chmod(out.c_str(), mode_t(c.existing)), 0);
    }
    ScopedUmask mask(c.umask);
    Result written = ReplaceFileAtomically(FileSystem::Default(), out, "new", c.mode);
    ASSERT_TRUE(written.ok()) << written.Message();
    EXPECT_EQ(ModeOf(out), c.expected);
    EXPECT_EQ(ReadWholeFile(out), "new");
  }
}

TEST(OutputFileTest, TheSourceFilesModeIsReadThroughALink) {
  TempDir dir;
  const std::string book = dir.File("book.adr");
  ASSERT_TRUE(WriteWholeFile(book, "records"));
  ASSERT_EQ(::chmod(book.c_str(), 0600), 0);
  const std::string link = dir.File("link.adr");
  ASSERT_EQ(::symlink(book.c_str(), link.c_str()), 0);
  ScopedUmask mask(022);
  EXPECT_EQ(OutputMode::NoWiderThanFile(FileSystem::Default(), link).widest, mode_t(0600));
  EXPECT_EQ(OutputMode::NoWiderThanFile(FileSystem::Default(), dir.File("missing.adr")).widest, mode_t(0666));
}

TEST(OutputFileTest, ALinkAtTheTargetGivesNoModeOfItsOwn) {
  TempDir dir;
  const std::string other = dir.File("other.txt");
  ASSERT_TRUE(WriteWholeFile(other, "other"));
  ASSERT_EQ(::chmod(other.c_str(), 0666), 0);
  const std::string out = dir.File("out.txt");
  ASSERT_EQ(::symlink(other.c_str(), out.c_str()), 0);
  ScopedUmask mask(022);
  ASSERT_TRUE(ReplaceFileAtomically(FileSystem::Default(), out, "new", OutputMode::NoWiderThan(0600)).ok());
  EXPECT_TRUE(IsRegularFile(out));
  EXPECT_EQ(ModeOf(out), mode_t(0600));
  EXPECT_EQ(ReadWholeFile(other), "other");
}

TEST(OutputFileTest, AReplacedFileKeepsItsOwnerAndGroup) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to give a file another owner";
  TempDir dir;
  const std::string out = dir.File("out.txt");
  ASSERT_TRUE(WriteWholeFile(out, "old"));
  ASSERT_EQ(::chown(out.c_str(), testing::kOtherUser, testing::kOtherGroup), 0);
  ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFileAtomically(FileSystem::Default(), out, "new", OutputMode::Usual()).ok());
  struct stat st;
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, testing::kOtherUser);
  EXPECT_EQ(st.st_gid, testing::kOtherGroup);
  EXPECT_EQ(st.st_mode & 07777, mode_t(0640));
}

TEST(OutputFileTest, AnotherUserReplacingAFileHeMayNotChownKeepsItsBits) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
  TempDir dir;
  const std::string shared = MakeSharedFolder(dir.path());
  const std::string out = shared + "/out.txt";
  ASSERT_TRUE(WriteWholeFile(out, "old"));
  ASSERT_EQ(::chmod(out.c_str(), 0600), 0);
  EXPECT_TRUE(AsOtherUser([&] {
    ScopedUmask mask(0);
    return ReplaceFileAtomically(FileSystem::Default(), out, "new", OutputMode::Usual()).ok();
  }));
  EXPECT_EQ(ReadWholeFile(out), "new");
  EXPECT_EQ(ModeOf(out), mode_t(0600));
}

// --- Failures ---------------------------------------------------------------

enum class Step { CreateTemp, Write, Sync, SetOwnership, Rename };

class FailingFileSystem : public testing::ForwardingFileSystem {
 public:
  explicit FailingFileSystem(Step step) : step_(step) {}

  Result CreateTemp(const std::string& nearPath, std::string& tempPath, std::unique_ptr<File>& out) override {
    if (step_ == Step::CreateTemp) return Result::Fail("Cannot create", EACCES, nearPath);
    return ForwardingFileSystem::CreateTemp(nearPath, tempPath, out);
  }
  Result Rename(const std::string& from, const std::string& to) override {
    if (step_ == Step::Rename) return Result::Fail("Cannot rename", EXDEV, from);
    return ForwardingFileSystem::Rename(from, to);
  }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::CreateTemp) file = std::make_unique<FailingFile>(std::move(file), step_);
  }

 private:
  class FailingFile : public testing::ForwardingFile {
   public:
    FailingFile(std::unique_ptr<File> inner, Step step) : ForwardingFile(std::move(inner)), step_(step) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (step_ == Step::Write) return Result::Fail("Cannot write", ENOSPC, "temp");
      return inner().WriteAt(o, b, n);
    }
    Result Sync() override {
      if (step_ == Step::Sync) return Result::Fail("Cannot flush", EIO, "temp");
      return inner().Sync();
    }
    Result SetOwnership(const FileOwnership& wanted) override {
      if (step_ == Step::SetOwnership) return Result::Fail("Cannot set", EPERM, "temp");
      return inner().SetOwnership(wanted);
    }

   private:
    Step step_;
  };

  Step step_;
};

TEST(OutputFileTest, AFailureAtAnyStepLeavesTheTargetAsItWasAndNoFreshFile) {
  struct Case {
    Step step;
    const char* what;
    int error;
  };
  const Case cases[] = {
      {Step::CreateTemp, "Cannot create the report file", EACCES},
      {Step::Write, "Cannot write", ENOSPC},
      {Step::Sync, "Cannot write", EIO},
      {Step::SetOwnership, "Cannot set the permissions of", EPERM},
      {Step::Rename, "Cannot write", EXDEV},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string out = dir.File("report.txt");
    ASSERT_TRUE(WriteWholeFile(out, "old report"));
    FailingFileSystem fs(c.step);
    OutputFile file;
    Result r = file.Create(fs, out, OutputMode::Usual(), "Cannot create the report file");
    // A large piece goes to the disk before the commit.
    if (r.ok()) r = file.Write(std::string(size_t(1) << 20, 'x'));
    if (r.ok()) r = file.Commit();
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.what(), c.what);
    EXPECT_EQ(r.sysError(), c.error);
    EXPECT_EQ(r.path(), out);
    EXPECT_EQ(ReadWholeFile(out), "old report");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"report.txt"});
  }
}

TEST(OutputFileTest, NothingReachesTheTargetBeforeCommitAndAnAbandonedFileIsGone) {
  TempDir dir;
  const std::string out = dir.File("out.txt");
  ASSERT_TRUE(WriteWholeFile(out, "old"));
  {
    OutputFile file;
    ASSERT_TRUE(file.Create(FileSystem::Default(), out, OutputMode::Usual()).ok());
    ASSERT_TRUE(file.Write(std::string(size_t(600) << 10, 'y')).ok());
    ASSERT_TRUE(file.Write("tail").ok());
    EXPECT_EQ(ReadWholeFile(out), "old");
    EXPECT_EQ(Entries(dir.path()).size(), 2u);
  }
  EXPECT_EQ(ReadWholeFile(out), "old");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"out.txt"});

  OutputFile file;
  ASSERT_TRUE(file.Create(FileSystem::Default(), out, OutputMode::Usual()).ok());
  ASSERT_TRUE(file.Write("a").ok());
  ASSERT_TRUE(file.Write(std::string(size_t(300) << 10, 'b')).ok());
  ASSERT_TRUE(file.Write("c").ok());
  ASSERT_TRUE(file.Commit().ok());
  EXPECT_EQ(ReadWholeFile(out), "a" + std::string(size_t(300) << 10, 'b') + "c");
}

TEST(OutputFileTest, TheMaskIsReadWithoutChangingIt) {
  ScopedUmask mask(027);
  EXPECT_EQ(CurrentUmask(), mode_t(027));
  EXPECT_EQ(CurrentUmask(), mode_t(027));
}

}  // namespace
}  // namespace velmora
