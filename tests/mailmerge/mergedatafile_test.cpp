#include "addressbook/mailmerge/MergeDataFile.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "store/FileSystem.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;

using testing::TempDir;

std::string Golden(const std::string& name) {
  std::string text = ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/../mailmerge/golden/" + name);
  EXPECT_FALSE(text.empty()) << name;
  return text;
}

MergeContext Sender() {
  MergeContext context;
  context.sender = MyRecord{"Karl Johan Nilsen", "Nordlys AS", "karl@nordlys.example", "22 33 44 55",
                            "Storgata 1\r\n0155 Oslo"};
  return context;
}

std::vector<Contact> Recipients() {
  Contact anna;
  anna.SetText(contact::kFirstName, "Anna");
  anna.SetText(contact::kLastName, "Berg");
  anna.SetText(contact::kHomeStreet, "Gate 2, flat 3\r\nBack door");
  anna.SetText(contact::kHomeCity, "Oslo");
  anna.SetText(contact::kCompany, "The \"Best\" AS");
  anna.SetOtherPhone(1, "555-0101");
  anna.SetChild(0, "Ola");
  anna.SetNotes("notes, never merged");
  Contact mona;
  mona.SetText(contact::kFirstName, "Mona");
  mona.SetText(contact::kWorkEmail, "mona@work.example");
  return {anna, mona};
}

std::string Merged(WordProcessor processor) {
  TempDir dir;
  ResultOf<std::string> path = DataFilePath();
  EXPECT_TRUE(path.ok());
  EXPECT_EQ(path.value(), dir.path() + "/Template/__tdatafile.tmp");
  EXPECT_TRUE(CreateDataFile(path.value(), false).ok());
  for (const Contact& c : Recipients()) {
    Result r = AppendDataRow(path.value(), DataFileRow(c, Sender(), processor));
    EXPECT_TRUE(r.ok()) << r.Message();
  }
  return ReadWholeFile(path.value());
}

TEST(MergeDataFile, MsWordRowsQuotedWithInnerQuotesDoubled) {
  EXPECT_EQ(Merged(WordProcessor::MsWord), Golden("datafile_msword.txt"));
}

TEST(MergeDataFile, WordPerfectRowsWithoutBreaksOrCommas) {
  EXPECT_EQ(Merged(WordProcessor::WordPerfect), Golden("datafile_wordperfect.txt"));
}

TEST(MergeDataFile, TemplateFileHasOneEmptyRecord) {
  TempDir dir;
  std::string path = dir.File("__tdatafile.tmp");
  ASSERT_TRUE(CreateDataFile(path, true).ok());
  EXPECT_EQ(ReadWholeFile(path), Golden("datafile_template.txt"));
  // Created anew: an older file with rows is replaced.
  ASSERT_TRUE(AppendDataRow(path, "\"x\"\r\n").ok());
  ASSERT_TRUE(CreateDataFile(path, true).ok());
  EXPECT_EQ(ReadWholeFile(path), Golden("datafile_template.txt"));
}

TEST(MergeDataFile, RowNotWrittenWhileAnotherHoldsTheFile) {
  TempDir dir;
  std::string path = dir.File("__tdatafile.tmp");
  ASSERT_TRUE(CreateDataFile(path, false).ok());
  std::unique_ptr<File> holder;
  ASSERT_TRUE(FileSystem::Default().Open(path, holder).ok());
  ASSERT_TRUE(holder->TryLock(0, 0, true));
  EXPECT_FALSE(AppendDataRow(path, "\"x\"\r\n").ok());
  holder->Unlock(0, 0);
  EXPECT_EQ(ReadWholeFile(path), DataFileHeading());
  EXPECT_FALSE(AppendDataRow(dir.File("none.tmp"), "\"x\"\r\n").ok());
}

}  // namespace
}  // namespace velmora
