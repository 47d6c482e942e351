#include "addressbook/mailmerge/MailMergeSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

using namespace mailmerge;
using testing::TempDir;

std::string TextAt(const Bytes& block, size_t offset, size_t width) {
  std::string text(reinterpret_cast<const char*>(block.data() + offset), width);
  return text.substr(0, text.find('\0'));
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes, size_t length) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(length));
}

MailMergeSettings Filled() {
  MailMergeSettings s;
  s.recipients = RecipientChoice::SelectedCategory;
  s.category = "Customers";
  s.lookupCategoryMode = LookupCategoryMode::SelectedCategory;
  s.lookupCategory = "Friends";
  s.lookupFieldMode = LookupFieldMode::SelectedField;
  s.lookupField = "Home_City";
  s.lookupText = "osl";
  s.myName = "Karl Nilsen";
  s.myCompany = "Nordlys AS";
  s.myEmail = "karl@nordlys.example";
  s.myPhone = "22 33 44 55";
  s.myAddress = "Storgata 1\r\n0155 Oslo";
  s.destination = MergeDestination::Email;
  s.wordProcessor = WordProcessor::WordPerfect;
  s.emailSystem = EmailSystem::DefaultClient;
  s.smtpServer = "smtp.example";
  s.smtpAuth = SmtpAuthentication::On;
  s.pop3Host = "pop.example";
  s.userName = "karl";
  s.password = "p\xC3\xA5ss";
  s.letterTemplate = "/t/Letter.dot";
  s.emailAddress = EmailAddressUsed::Home;
  s.encoding = AttachmentEncoding::Uuencode;
  s.subject = "Welcome";
  s.emailTemplate = "/t/Welcome.txt";
  s.attachments = {"/a/one.pdf", "/a/two.png"};
  return s;
}

TEST(MailMergeSettings, DefaultsAsStored) {
  Bytes block = EncodeMailMergeSettings(MailMergeSettings());
  ASSERT_EQ(block.size(), 7236u);
  std::map<size_t, uint32_t> numbers{{0, 1},     {1026, 9},  {2550, 13}, {2554, 17}, {2558, 14},
                                     {2817, 0},  {2821, 19}, {4105, 21}, {4109, 0}};
  for (auto [offset, value] : numbers) EXPECT_EQ(GetU32(block.data() + offset), value) << offset;
  EXPECT_EQ(block[259], 7);
  EXPECT_EQ(block[515], 5);
  size_t nonZero = 0;
  for (uint8_t b : block) nonZero += b != 0;
  EXPECT_EQ(nonZero, 9u);  // seven non-zero numbers above (one byte each) and the two modes
}

TEST(MailMergeSettings, EveryFieldAtItsOffset) {
  Bytes block = EncodeMailMergeSettings(Filled());
  ASSERT_EQ(block.size(), 7236u);
  EXPECT_EQ(GetU32(block.data() + 0), 4u);
  EXPECT_EQ(block[259], 8);
  EXPECT_EQ(block[515], 6);
  EXPECT_EQ(GetU32(block.data() + 2550), 12u);
  EXPECT_EQ(GetU32(block.data() + 2554), 18u);
  EXPECT_EQ(GetU32(block.data() + 2558), 16u);
  EXPECT_EQ(GetU32(block.data() + 2821), 20u);
  EXPECT_EQ(GetU32(block.data() + 4105), 20u);
  EXPECT_EQ(GetU32(block.data() + 4109), 1u);
  struct Text {
    size_t offset, width;
    const char* text;
  } texts[] = {
      {4, 255, "Customers"},          {260, 255, "Friends"},         {516, 255, "Home_City"},
      {771, 255, "osl"},              {1030, 255, "Karl Nilsen"},    {1285, 255, "Nordlys AS"},
      {1540, 255, "karl@nordlys.example"}, {1795, 255, "22 33 44 55"}, {2050, 500, "Storgata 1\r\n0155 Oslo"},
      {2562, 255, "smtp.example"},    {2825, 255, "pop.example"},    {3080, 255, "karl"},
      {3335, 255, "p\xC3\xA5ss"},     {3845, 260, "/t/Letter.dot"},  {4113, 255, "Welcome"},
      {4368, 260, "/t/Welcome.txt"},  {4628, 260, "/a/one.pdf"},     {4888, 260, "/a/two.png"},
      {5148, 260, ""},
  };
  for (const Text& t : texts) EXPECT_EQ(TextAt(block, t.offset, t.width), t.text) << t.offset;
  for (size_t i = 7228; i < 7236; ++i) EXPECT_EQ(block[i], 0) << i;
}

TEST(MailMergeSettings, TextsCutAtACharacterBoundary) {
  MailMergeSettings s;
  s.subject = std::string(253, 'x') + "\xC3\xA5";  // the letter would need bytes 253 and 254
  s.attachments.assign(12, "/a/file");
  Bytes block = EncodeMailMergeSettings(s);
  EXPECT_EQ(TextAt(block, kSubjectAt, 255), std::string(253, 'x'));
  MailMergeSettings back = DecodeMailMergeSettings(block);
  EXPECT_EQ(back.subject, std::string(253, 'x'));
  EXPECT_EQ(back.attachments.size(), 10u);
}

TEST(MailMergeSettings, FileRoundTrip) {
  TempDir dir;
  std::string path = dir.File(kSettingsFileName);
  ASSERT_TRUE(WriteMailMergeSettings(path, Filled()).ok());
  Bytes onDisk = FileBytes(path);
  EXPECT_EQ(onDisk, EncodeMailMergeSettings(Filled()));
  EXPECT_EQ(ReadMailMergeSettings(path), Filled());
  EXPECT_EQ(MailMergeSettingsPath(), dir.path() + "/MailMerge.inf");
}

TEST(MailMergeSettings, MissingFileGivesTheDefaults) {
  TempDir dir;
  EXPECT_EQ(ReadMailMergeSettings(dir.File("none.inf")), MailMergeSettings());
}

TEST(MailMergeSettings, ShortFileKeepsTheDefaultsOfWhatIsMissing) {
  TempDir dir;
  std::string path = dir.File(kSettingsFileName);
  Bytes full = EncodeMailMergeSettings(Filled());
  // Cut inside "My record: Company": the fields before it are read, the cut
  // field and all after keep their defaults.
  WriteBytes(path, full, kMyCompanyAt + 10);
  MailMergeSettings read = ReadMailMergeSettings(path);
  MailMergeSettings expected;
  expected.recipients = RecipientChoice::SelectedCategory;
  expected.category = "Customers";
  expected.lookupCategoryMode = LookupCategoryMode::SelectedCategory;
  expected.lookupCategory = "Friends";
  expected.lookupFieldMode = LookupFieldMode::SelectedField;
  expected.lookupField = "Home_City";
  expected.lookupText = "osl";
  expected.myName = "Karl Nilsen";
  EXPECT_EQ(read, expected);

  WriteBytes(path, full, 3);  // not even the first number
  EXPECT_EQ(ReadMailMergeSettings(path), MailMergeSettings());
}

TEST(MailMergeSettings, NumbersOutsideTheirChoicesKeepTheDefaults) {
  Bytes block = EncodeMailMergeSettings(Filled());
  PutU32(block.data() + kRecipientsAt, 7);
  block[kLookupFieldModeAt] = 0;
  PutU32(block.data() + kEncodingAt, 2);
  PutU32(block.data() + kReserved1026At, 77);  // reserved: kept as read
  MailMergeSettings read = DecodeMailMergeSettings(block);
  EXPECT_EQ(read.recipients, RecipientChoice::CreateLookup);
  EXPECT_EQ(read.lookupFieldMode, LookupFieldMode::AllFields);
  EXPECT_EQ(read.encoding, AttachmentEncoding::Mime);
  EXPECT_EQ(read.reserved1026, 77);
  EXPECT_EQ(read.subject, "Welcome");
}

TEST(MailMergeSettings, TrailerIgnoredOnReading) {
  Bytes block = EncodeMailMergeSettings(Filled());
  for (size_t i = kTrailerAt; i < kSettingsSize; ++i) block[i] = 0xAB;
  EXPECT_EQ(DecodeMailMergeSettings(block), Filled());
}

class MemorySecrets : public SecretStore {
 public:
  bool available = true;
  bool refuse = false;
  std::map<std::string, std::string> secrets;
  bool Available() override { return available; }
  Result Store(const std::string& account, const std::string& secret) override {
    if (refuse) return Result::Fail("The secret service refused");
    secrets[account] = secret;
    return Result::Ok();
  }
  ResultOf<std::string> Lookup(const std::string& account) override {
    auto it = secrets.find(account);
    return it == secrets.end() ? std::string() : it->second;
  }
};

TEST(MailMergeSettings, PasswordInTheSecretServiceWhenOneRuns) {
  TempDir dir;
  std::string path = dir.File(kSettingsFileName);
  MemorySecrets secrets;
  ASSERT_TRUE(WriteMailMergeSettings(path, Filled(), &secrets).ok());
  EXPECT_EQ(TextAt(FileBytes(path), kPasswordAt, 255), "");
  EXPECT_EQ(secrets.secrets.at("karl@smtp.example"), "p\xC3\xA5ss");
  EXPECT_EQ(ReadMailMergeSettings(path, &secrets), Filled());
  EXPECT_EQ(ReadMailMergeSettings(path).password, "");
}

TEST(MailMergeSettings, PasswordInTheFileWithoutASecretService) {
  TempDir dir;
  std::string path = dir.File(kSettingsFileName);
  for (bool available : {false, true}) {
    MemorySecrets secrets;
    secrets.available = available;
    secrets.refuse = available;  // a running service that refuses counts as none
    ASSERT_TRUE(WriteMailMergeSettings(path, Filled(), &secrets).ok());
    EXPECT_EQ(TextAt(FileBytes(path), kPasswordAt, 255), "p\xC3\xA5ss") << available;
    EXPECT_TRUE(secrets.secrets.empty());
  }
}

TEST(MailMergeSettings, FailedWriteLeavesTheOldFile) {
  TempDir dir;
  std::string path = dir.File("missing-folder/MailMerge.inf");
  EXPECT_FALSE(WriteMailMergeSettings(path, Filled()).ok());
  std::string good = dir.File(kSettingsFileName);
  ASSERT_TRUE(WriteMailMergeSettings(good, Filled()).ok());
  EXPECT_EQ(FileBytes(good).size(), kSettingsSize);
}

}  // namespace
}  // namespace velmora
