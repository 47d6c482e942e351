// Writing a finished text to a file, on a working disk and on a failing one.
#include "importexport/TextFileOutput.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "store/FileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

enum class Fault { None, Open, Truncate, Write, Sync };

// The real file system, with one step of writing a file made to fail.
class FailingFileSystem : public FileSystem {
 public:
  explicit FailingFileSystem(Fault fault) : fault_(fault) {}

  Result Open(const std::string& path, std::unique_ptr<File>& out) override { return real_.Open(path, out); }
  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override {
    if (fault_ == Fault::Open) return Result::Fail("Cannot open", EACCES, path);
    Result opened = real_.OpenOrCreate(path, out);
    if (opened.ok()) out = std::make_unique<FailingFile>(std::move(out), fault_);
    return opened;
  }
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  Result Remove(const std::string& path) override { return real_.Remove(path); }
  Result Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
  Result SyncFolderOf(const std::string& path) override { return real_.SyncFolderOf(path); }

 private:
  class FailingFile : public File {
   public:
    FailingFile(std::unique_ptr<File> inner, Fault fault) : inner_(std::move(inner)), fault_(fault) {}
    Result ReadAt(uint64_t o, void* b, size_t n) override { return inner_->ReadAt(o, b, n); }
    int64_t ReadSome(uint64_t o, void* b, size_t n) override { return inner_->ReadSome(o, b, n); }
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      if (fault_ == Fault::Write) return Result::Fail("Cannot write", ENOSPC, "text");
      return inner_->WriteAt(o, b, n);
    }
    Result Size(uint64_t& s) override { return inner_->Size(s); }
    Result Truncate(uint64_t s) override {
      if (fault_ == Fault::Truncate) return Result::Fail("Cannot truncate", EIO, "text");
      return inner_->Truncate(s);
    }
    Result Sync() override {
      if (fault_ == Fault::Sync) return Result::Fail("Cannot flush", EIO, "text");
      return inner_->Sync();
    }
    bool TryLock(uint64_t s, uint64_t l, bool e) override { return inner_->TryLock(s, l, e); }
    Result Lock(uint64_t s, uint64_t l, bool e) override { return inner_->Lock(s, l, e); }
    void Unlock(uint64_t s, uint64_t l) override { inner_->Unlock(s, l); }

   private:
    std::unique_ptr<File> inner_;
    Fault fault_;
  };

  FileSystem& real_ = FileSystem::Default();
  Fault fault_;
};

// Installs a file system for the life of the object.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem* fs) { SetFileSystemForTesting(fs); }
  ~ScopedFileSystem() { SetFileSystemForTesting(nullptr); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;
};

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
