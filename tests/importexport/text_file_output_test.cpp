// Writing a finished text to a file, on a working disk and on a failing one.
#include "importexport/TextFileOutput.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
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

enum class Fault { None, Open, Truncate, Write, Sync };

// The real file system, with one step of writing a file made to fail.
class FailingFileSystem : public testing::ForwardingFileSystem {
 public:
  explicit FailingFileSystem(Fault fault) : fault_(fault) {}

  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override {
    if (fault_ == Fault::Open) return Result::Fail("Cannot open", EACCES, path);
    return ForwardingFileSystem::OpenOrCreate(path, out);
  }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::OpenOrCreate) file = std::make_unique<FailingFile>(std::move(file), fault_);
  }

 private:
  class FailingFile : public testing::ForwardingFile {
   public:
    FailingFile(std::unique_ptr<File> inner, Fault fault) : ForwardingFile(std::move(inner)), fault_(fault) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (fault_ == Fault::Write) return Result::Fail("Cannot write", ENOSPC, "text");
      return inner().WriteAt(o, b, n);
    }
    Result Truncate(uint64_t s) override {
      if (fault_ == Fault::Truncate) return Result::Fail("Cannot truncate", EIO, "text");
      return inner().Truncate(s);
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
      {Fault::Open, "Cannot create the export file", EACCES},
      {Fault::Truncate, "Cannot write", EIO},
      {Fault::Write, "Cannot write", ENOSPC},
      {Fault::Sync, "Cannot write", EIO},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.File("out.csv");
    FailingFileSystem failing(c.fault);
    ScopedFileSystem installed(&failing);
    Result written = WriteTextFile(path, "\"a\",\"b\"\r\n", "Cannot create the export file");
    EXPECT_FALSE(written.ok()) << int(c.fault);
    EXPECT_EQ(written.what(), c.what) << int(c.fault);
    EXPECT_EQ(written.sysError(), c.error) << int(c.fault);
    EXPECT_EQ(written.path(), path) << int(c.fault);
    EXPECT_EQ(written.Message(), std::string(c.what) + " \"" + path + "\": " + std::strerror(c.error))
        << int(c.fault);
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
