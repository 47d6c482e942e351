#include "addressbook/mailmerge/MergeTemplates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using testing::TempDir;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  std::string text = ReadAll(path.value());
  EXPECT_EQ(text, kDefaultEmailTemplateText);
  EXPECT_TRUE(text.starts_with("Dear <<First_Name>> <<Last_Name>>\r\n\r\nThe <<MY_Company>> would like to welcome "
                               "you as a new customer to our firm."));
  EXPECT_TRUE(text.ends_with("All the best,\r\n<<MY_First_Name>> <<MY_Last_Name>>"));
  EXPECT_GT(text.size(), 800u);
  EXPECT_LT(text.size(), 1200u);

  std::ofstream(path.value(), std::ios::trunc) << "my own";
  ASSERT_TRUE(EnsureDefaultEmailTemplate().ok());
  EXPECT_EQ(ReadAll(path.value()), "my own");
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
