#include "addressbook/mailmerge/AttachmentFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WriteWholeFile;

TEST(AttachmentFile, ARegularFileIsReadWholeUpToTheLimit) {
  TempDir dir;
  const std::string path = dir.File("ten.bin");
  ASSERT_TRUE(WriteWholeFile(path, std::string("0123456789")));
  struct Case {
    uint64_t limit;
    bool ok;
  };
  for (const Case& c : {Case{10, true}, Case{100, true}, Case{9, false}}) {
    SCOPED_TRACE(c.limit);
    ResultOf<std::string> read = ReadAttachment(path, c.limit);
    EXPECT_EQ(read.ok(), c.ok);
    EXPECT_EQ(CheckAttachment(path, c.limit).ok(), c.ok);
    if (c.ok) {
      EXPECT_EQ(read.value(), "0123456789");
    } else {
      EXPECT_EQ(read.Message(), "The attachment is larger than 25 MB \"" + path + "\"");
    }
  }
  ResultOf<std::string> empty = ReadAttachment(dir.File("none"));
  ASSERT_FALSE(empty.ok());
  EXPECT_EQ(empty.result().what(), "Cannot read the attachment");
}

TEST(AttachmentFile, WhatIsNotARegularFileIsRefused) {
  TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directories(dir.File("folder"));
  for (const std::string& path : {fifo, dir.File("folder"), std::string("/dev/zero"), std::string("/dev/null")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(CheckAttachment(path).Message(), "The attachment is not a regular file \"" + path + "\"");
    EXPECT_EQ(ReadAttachment(path).Message(), "The attachment is not a regular file \"" + path + "\"");
  }
}

// The wizard lists a file as it is; what the job reads must be that file
// itself, not a link that may have been put in its place since.
TEST(AttachmentFile, ALinkIsResolvedWhenAddedAndRefusedWhenRead) {
  TempDir dir;
  const std::string real = dir.File("real.txt");
  ASSERT_TRUE(WriteWholeFile(real, std::string("text")));
  const std::string link = dir.File("link.txt");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  EXPECT_TRUE(CheckAttachment(link).ok());
  EXPECT_EQ(ResolvedAttachmentPath(link), fs::canonical(real).string());
  EXPECT_EQ(ReadAttachment(link).Message(), "The attachment is a link, not the file itself \"" + link + "\"");

  // A relative name is made absolute from the current folder.
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  EXPECT_EQ(ResolvedAttachmentPath("./sub/../real.txt"), fs::canonical(real).string());
  EXPECT_EQ(ResolvedAttachmentPath("missing/x.txt"), (fs::canonical(dir.path()) / "missing/x.txt").string());
  fs::current_path(before);
}

}  // namespace
}  // namespace velmora
