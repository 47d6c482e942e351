// A text written piece by piece and put in place only when complete.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "importexport/TextFileOutput.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;

size_t FilesIn(const std::string& folder) {
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
  return files;
}

TEST(TextFileWriter, WritesManyPiecesAndReplacesTheFileWhenFinished) {
  TempDir dir;
  const std::string path = dir.File("export.csv");
  ASSERT_TRUE(testing::WriteWholeFile(path, "old"));
  TextFileWriter writer;
  ASSERT_TRUE(writer.Create(path, "Cannot create the export file").ok());
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string piece = "line " + std::to_string(i) + std::string(size_t(i % 50), 'x') + "\r\n";
    expected += piece;
    ASSERT_TRUE(writer.Write(piece).ok());
  }
  EXPECT_EQ(ReadWholeFile(path), "old");  // nothing in place before Finish
  ASSERT_TRUE(writer.Finish().ok());
  EXPECT_EQ(ReadWholeFile(path), expected);
  EXPECT_EQ(FilesIn(dir.path()), 1u);

  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(TextFileWriter, AbandonedWritingLeavesNothing) {
  TempDir dir;
  const std::string path = dir.File("report.txt");
  {
    TextFileWriter writer;
    ASSERT_TRUE(writer.Create(path, "Cannot create the report file").ok());
    ASSERT_TRUE(writer.Write("half").ok());
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(FilesIn(dir.path()), 0u);
}

TEST(TextFileWriter, AMissingFolderIsToldWithTheFileAndReason) {
  TempDir dir;
  const std::string path = dir.File("no/such/folder/out.csv");
  TextFileWriter writer;
  const Result created = writer.Create(path, "Cannot create the export file");
  ASSERT_FALSE(created.ok());
  EXPECT_EQ(created.Message(), "Cannot create the export file \"" + path + "\": " + SystemErrorText(ENOENT));
  EXPECT_FALSE(writer.Write("x").ok());
  EXPECT_FALSE(writer.Finish().ok());
  TextFileWriter unnamed;
  EXPECT_FALSE(unnamed.Create("", "Cannot create the export file").ok());
}

}  // namespace
}  // namespace velmora
