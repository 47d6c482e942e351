// Writing a finished text to a file, on a working disk and on a failing one.
#include "importexport/TextFileOutput.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "store/FileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

enum class Fault { None, Create, Write, Sync, Rename };

// The real file system, with one step of writing a file made to fail.
class FailingFileSystem : public testing::ForwardingFileSystem {
 public:
  explicit FailingFileSystem(Fault fault) : fault_(fault) {}

  Result CreateTemp(const std::string& nearPath, std::string& tempPath, std::unique_ptr<File>& out) override {
    if (fault_ == Fault::Create) return Result::Fail("Cannot create", EACCES, nearPath);
    return ForwardingFileSystem::CreateTemp(nearPath, tempPath, out);
  }
  Result Rename(const std::string& from, const std::string& to) override {
    if (fault_ == Fault::Rename) return Result::Fail("Cannot rename", EXDEV, from);
    return ForwardingFileSystem::Rename(from, to);
  }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::CreateTemp) file = std::make_unique<FailingFile>(std::move(file), fault_);
  }

 private:
  class FailingFile : public testing::ForwardingFile {
   public:
    FailingFile(std::unique_ptr<File> inner, Fault fault) : ForwardingFile(std::move(inner)), fault_(fault) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (fault_ == Fault::Write) return Result::Fail("Cannot write", ENOSPC, "text");
      return inner().WriteAt(o, b, n);
    }
    Result Sync() override {
      if (fault_ == Fault::Sync) return Result::Fail("Cannot flush", EIO, "text");
      return inner().Sync();
    }

   private:
    Fault fault_;
  };

  Fault fault_;
};

using testing::ScopedFileSystem;

TEST(TextFileOutputTest, ReplacesTheWholeFile) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  ASSERT_TRUE(WriteWholeFile(path, std::string(100, 'x')));
  Result written = WriteTextFile(path, "short\r\n", "Cannot create the export file");
  ASSERT_TRUE(written.ok()) << written.Message();
  EXPECT_EQ(ReadWholeFile(path), "short\r\n");
  ASSERT_TRUE(WriteTextFile(path, "", "Cannot create the export file").ok());
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(TextFileOutputTest, NoFileNameIsAFailure) {
  Result written = WriteTextFile("", "text", "Cannot create the report file");
  EXPECT_FALSE(written.ok());
  EXPECT_EQ(written.Message(), "Cannot create the report file (no file name given)");
}

TEST(TextFileOutputTest, EveryFailingStepIsAFailureNamingTheFileAndTheReason) {
  struct Case {
    Fault fault;
    const char* what;
    int error;
  };
  const Case cases[] = {
      {Fault::Create, "Cannot create the export file", EACCES},
      {Fault::Write, "Cannot write", ENOSPC},
      {Fault::Sync, "Cannot write", EIO},
      {Fault::Rename, "Cannot write", EXDEV},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.File("out.csv");
    ASSERT_TRUE(WriteWholeFile(path, "old\r\n"));
    FailingFileSystem failing(c.fault);
    ScopedFileSystem installed(&failing);
    Result written = WriteTextFile(path, "\"a\",\"b\"\r\n", "Cannot create the export file");
    EXPECT_FALSE(written.ok()) << int(c.fault);
    EXPECT_EQ(written.what(), c.what) << int(c.fault);
    EXPECT_EQ(written.sysError(), c.error) << int(c.fault);
    EXPECT_EQ(written.path(), path) << int(c.fault);
    EXPECT_EQ(written.Message(), std::string(c.what) + " \"" + path + "\": " + std::strerror(c.error))
        << int(c.fault);
    // The file there is untouched, and no fresh file is left beside it.
    EXPECT_EQ(ReadWholeFile(path), "old\r\n") << int(c.fault);
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      (void)entry;
      ++entries;
    }
    EXPECT_EQ(entries, 1u) << int(c.fault);
  }
}

TEST(TextFileOutputTest, AFolderThatDoesNotExistIsAFailureNamingTheFile) {
  TempDir dir;
  const std::string path = dir.File("missing/out.csv");
  Result written = WriteTextFile(path, "text", "Cannot create the export file");
  EXPECT_FALSE(written.ok());
  EXPECT_EQ(written.what(), "Cannot create the export file");
  EXPECT_EQ(written.sysError(), ENOENT);
  EXPECT_EQ(written.path(), path);
}

}  // namespace
}  // namespace velmora
