#include "addressbook/mailmerge/MergeTemplates.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::ReadWholeFile;

using testing::TempDir;

TEST(MergeTemplates, FolderCreatedOnNeed) {
  TempDir dir;
  std::string folder = dir.path() + "/Template";
  EXPECT_FALSE(std::filesystem::exists(folder));
  ResultOf<std::string> path = TemplatePath("Letter.dot");
  ASSERT_TRUE(path.ok()) << path.Message();
  EXPECT_EQ(path.value(), folder + "/Letter.dot");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(TemplateFolder().ok());  // an existing folder is fine
}

TEST(MergeTemplates, FolderBlockedByAFile) {
  TempDir dir;
  std::ofstream(dir.path() + "/Template") << "not a folder";
  EXPECT_FALSE(TemplateFolder().ok());
  EXPECT_FALSE(EnsureDefaultEmailTemplate().ok());
}

TEST(MergeTemplates, DefaultEmailTemplateCreatedWhenMissing) {
  TempDir dir;
  ResultOf<std::string> path = EnsureDefaultEmailTemplate();
  ASSERT_TRUE(path.ok()) << path.Message();
  EXPECT_EQ(path.value(), dir.path() + "/Template/Default.txt");
  std::string text = ReadWholeFile(path.value());
  EXPECT_EQ(text, kDefaultEmailTemplateText);
  EXPECT_TRUE(text.starts_with("Dear <<First_Name>> <<Last_Name>>\r\n\r\nThe <<MY_Company>> would like to welcome "
                               "you as a new customer to our firm."));
  EXPECT_TRUE(text.ends_with("All the best,\r\n<<MY_First_Name>> <<MY_Last_Name>>"));
  EXPECT_GT(text.size(), 800u);
  EXPECT_LT(text.size(), 1200u);

  std::ofstream(path.value(), std::ios::trunc) << "my own";
  ASSERT_TRUE(EnsureDefaultEmailTemplate().ok());
  EXPECT_EQ(ReadWholeFile(path.value()), "my own");
}

TEST(MergeTemplates, LetterTemplateFitsItsWordProcessor) {
  TempDir dir;
  std::string folder = dir.path() + "/Template/";
  struct Case {
    const char* stored;
    WordProcessor processor;
    std::string used;
  } cases[] = {
      {"", WordProcessor::MsWord, folder + "Default.dot"},
      {"", WordProcessor::WordPerfect, folder + "Default.frm"},
      {"/l/Mine.dot", WordProcessor::MsWord, "/l/Mine.dot"},
      {"/l/MINE.DOT", WordProcessor::MsWord, "/l/MINE.DOT"},
      {"/l/Mine.dot", WordProcessor::WordPerfect, folder + "Default.frm"},
      {"/l/Mine.frm", WordProcessor::WordPerfect, "/l/Mine.frm"},
      {"/l/Mine.frm", WordProcessor::MsWord, folder + "Default.dot"},
      {"dot", WordProcessor::MsWord, folder + "Default.dot"},
  };
  for (const Case& k : cases) {
    MailMergeSettings s;
    s.letterTemplate = k.stored;
    s.wordProcessor = k.processor;
    ResultOf<std::string> path = LetterTemplatePath(s);
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(path.value(), k.used) << k.stored;
  }
}

TEST(MergeTemplates, EmailTemplateStoredOrDefault) {
  TempDir dir;
  MailMergeSettings s;
  EXPECT_EQ(EmailTemplatePath(s).value(), dir.path() + "/Template/Default.txt");
  s.emailTemplate = "/m/Offer.txt";
  EXPECT_EQ(EmailTemplatePath(s).value(), "/m/Offer.txt");
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST(EmailTemplateFile, ReadAtMostTheMessageLimit) {
  TempDir dir;
  std::string path = dir.File("t.txt");
  struct Case {
    std::string stored;
    std::string read;
  } cases[] = {
      {"Dear <<First_Name>>\r\n", "Dear <<First_Name>>\r\n"},
      {"Gr\xFC\xDF", "Gr\xC3\xBC\xC3\x9F"},  // Windows-1252
      {std::string(31998, 'a') + "\xC3\xA6" + "b", std::string(31998, 'a')},
      {std::string(40000, 'c'), std::string(31999, 'c')},
      {"", ""},
  };
  for (const Case& k : cases) {
    ASSERT_TRUE(SaveEmailTemplate(path, k.stored).ok());
    ResultOf<std::string> text = ReadEmailTemplate(path);
    ASSERT_TRUE(text.ok()) << text.Message();
    EXPECT_EQ(text.value(), k.read) << k.stored.size();
  }
  ResultOf<std::string> missing = ReadEmailTemplate(dir.File("none.txt"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.result().what(), "Error in opening E-mail template.");
}

}  // namespace
}  // namespace velmora
