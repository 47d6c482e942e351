#include "addressbook/mailmerge/MailMergeSettings.h"

#include <algorithm>
#include <initializer_list>

#include "importexport/TextFileOutput.h"
#include "store/FileSystem.h"
#include "store/Settings.h"

namespace velmora {

using namespace mailmerge;

namespace {

// The block being read: only what lies wholly inside it is taken.
class BlockReader {
 public:
  explicit BlockReader(std::span<const uint8_t> block) : block_(block) {}

  bool Has(uint32_t offset, uint32_t width) const { return uint64_t(offset) + width <= block_.size(); }

  void Text(uint32_t offset, uint32_t width, std::string& out) const {
    if (Has(offset, width)) out = GetText(block_.data() + offset, width);
  }

  // A stored number replaces the default only when it is one of the choices.
  template <class Enum>
  void Choice(uint32_t offset, std::initializer_list<Enum> choices, Enum& out) const {
    using Raw = std::underlying_type_t<Enum>;
    if (!Has(offset, sizeof(Raw))) return;
    Raw raw = sizeof(Raw) == 1 ? Raw(block_[offset]) : Raw(GetU32(block_.data() + offset));
    for (Enum choice : choices) {
      if (Raw(choice) == raw) out = choice;
    }
  }

  void Number(uint32_t offset, int32_t& out) const {
    if (Has(offset, 4)) out = int32_t(GetU32(block_.data() + offset));
  }

 private:
  std::span<const uint8_t> block_;
};

void PutNumber(Bytes& block, uint32_t offset, int32_t value) { PutU32(block.data() + offset, uint32_t(value)); }

}  // namespace

Bytes EncodeMailMergeSettings(const MailMergeSettings& s) {
  Bytes block(kSettingsSize, 0);
  uint8_t* p = block.data();
  PutNumber(block, kRecipientsAt, int32_t(s.recipients));
  PutText(p + kCategoryAt, kTextWidth, s.category);
  p[kLookupCategoryModeAt] = uint8_t(s.lookupCategoryMode);
  PutText(p + kLookupCategoryAt, kTextWidth, s.lookupCategory);
  p[kLookupFieldModeAt] = uint8_t(s.lookupFieldMode);
  PutText(p + kLookupFieldAt, kTextWidth, s.lookupField);
  PutText(p + kLookupTextAt, kTextWidth, s.lookupText);
  PutNumber(block, kReserved1026At, s.reserved1026);
  PutText(p + kMyNameAt, kTextWidth, s.myName);
  PutText(p + kMyCompanyAt, kTextWidth, s.myCompany);
  PutText(p + kMyEmailAt, kTextWidth, s.myEmail);
  PutText(p + kMyPhoneAt, kTextWidth, s.myPhone);
  PutText(p + kMyAddressAt, kAddressWidth, s.myAddress);
  PutNumber(block, kDestinationAt, int32_t(s.destination));
  PutNumber(block, kWordProcessorAt, int32_t(s.wordProcessor));
  PutNumber(block, kEmailSystemAt, int32_t(s.emailSystem));
  PutText(p + kSmtpServerAt, kTextWidth, s.smtpServer);
  PutNumber(block, kReserved2817At, s.reserved2817);
  PutNumber(block, kSmtpAuthAt, int32_t(s.smtpAuth));
  PutText(p + kPop3HostAt, kTextWidth, s.pop3Host);
  PutText(p + kUserNameAt, kTextWidth, s.userName);
  PutText(p + kPasswordAt, kTextWidth, s.password);
  PutText(p + kReserved3590At, kTextWidth, s.reserved3590);
  PutText(p + kLetterTemplateAt, kPathWidth, s.letterTemplate);
  PutNumber(block, kEmailAddressUsedAt, int32_t(s.emailAddress));
  PutNumber(block, kEncodingAt, int32_t(s.encoding));
  PutText(p + kSubjectAt, kTextWidth, s.subject);
  PutText(p + kEmailTemplateAt, kPathWidth, s.emailTemplate);
  size_t slot = 0;
  for (const std::string& path : s.attachments) {
    if (slot == kMaxAttachments) break;
    if (path.empty()) continue;  // an empty slot would end the list on reading
    PutText(p + kAttachmentsAt + slot * kPathWidth, kPathWidth, path);
    ++slot;
  }
  return block;
}

MailMergeSettings DecodeMailMergeSettings(std::span<const uint8_t> block) {
  MailMergeSettings s;
  BlockReader r(block);
  using RC = RecipientChoice;
  r.Choice(kRecipientsAt, {RC::CreateLookup, RC::CurrentRecord, RC::AllRecords, RC::SelectedCategory}, s.recipients);
  r.Text(kCategoryAt, kTextWidth, s.category);
  r.Choice(kLookupCategoryModeAt, {LookupCategoryMode::AllCategories, LookupCategoryMode::SelectedCategory},
           s.lookupCategoryMode);
  r.Text(kLookupCategoryAt, kTextWidth, s.lookupCategory);
  r.Choice(kLookupFieldModeAt, {LookupFieldMode::AllFields, LookupFieldMode::SelectedField}, s.lookupFieldMode);
  r.Text(kLookupFieldAt, kTextWidth, s.lookupField);
  r.Text(kLookupTextAt, kTextWidth, s.lookupText);
  r.Number(kReserved1026At, s.reserved1026);
  r.Text(kMyNameAt, kTextWidth, s.myName);
  r.Text(kMyCompanyAt, kTextWidth, s.myCompany);
  r.Text(kMyEmailAt, kTextWidth, s.myEmail);
  r.Text(kMyPhoneAt, kTextWidth, s.myPhone);
  r.Text(kMyAddressAt, kAddressWidth, s.myAddress);
  r.Choice(kDestinationAt, {MergeDestination::Email, MergeDestination::TextProcessor}, s.destination);
  r.Choice(kWordProcessorAt, {WordProcessor::MsWord, WordProcessor::WordPerfect}, s.wordProcessor);
  r.Choice(kEmailSystemAt, {EmailSystem::InternetMail, EmailSystem::DefaultClient}, s.emailSystem);
  r.Text(kSmtpServerAt, kTextWidth, s.smtpServer);
  r.Number(kReserved2817At, s.reserved2817);
  r.Choice(kSmtpAuthAt, {SmtpAuthentication::Off, SmtpAuthentication::On}, s.smtpAuth);
  r.Text(kPop3HostAt, kTextWidth, s.pop3Host);
  r.Text(kUserNameAt, kTextWidth, s.userName);
  r.Text(kPasswordAt, kTextWidth, s.password);
  r.Text(kReserved3590At, kTextWidth, s.reserved3590);
  r.Text(kLetterTemplateAt, kPathWidth, s.letterTemplate);
  r.Choice(kEmailAddressUsedAt, {EmailAddressUsed::Home, EmailAddressUsed::Work}, s.emailAddress);
  r.Choice(kEncodingAt, {AttachmentEncoding::Mime, AttachmentEncoding::Uuencode}, s.encoding);
  r.Text(kSubjectAt, kTextWidth, s.subject);
  r.Text(kEmailTemplateAt, kPathWidth, s.emailTemplate);
  // The list ends at its first empty slot, as it was written.
  for (size_t slot = 0; slot < kMaxAttachments; ++slot) {
    std::string path;
    r.Text(uint32_t(kAttachmentsAt + slot * kPathWidth), kPathWidth, path);
    if (path.empty()) break;
    s.attachments.push_back(std::move(path));
  }
  return s;
}

std::string MailMergeSettingsPath() { return ProgramFolder() + "/" + kSettingsFileName; }

namespace {
constexpr const char* kClearChoiceFile = "Cardora.ini";
constexpr const char* kClearChoiceSection = "MailMerge";
constexpr const char* kClearChoiceKey = "SendPasswordInClear";
}  // namespace

bool ReadPasswordInClearChoice() {
  int value = 0;
  return ReadSettingInt(ProgramFolder() + "/" + kClearChoiceFile, kClearChoiceSection, kClearChoiceKey, value) &&
         value == 1;
}

Result WritePasswordInClearChoice(bool sendInClear) {
  return WriteSettingInt(ProgramFolder() + "/" + kClearChoiceFile, kClearChoiceSection, kClearChoiceKey,
                         sendInClear ? 1 : 0);
}

std::string MailMergeSecretAccount(const MailMergeSettings& settings) {
  return settings.userName + "@" + settings.smtpServer;
}

MailMergeSettings ReadMailMergeSettings(const std::string& path, SecretStore* secrets) {
  Bytes block;
  std::unique_ptr<File> file;
  FileSystem& fs = FileSystem::Default();
  if (fs.Exists(path) && fs.OpenReadOnly(path, file).ok()) {
    uint64_t size = 0;
    if (file->Size(size).ok()) {
      block.resize(size_t(std::min<uint64_t>(size, kSettingsSize)));
      int64_t got = file->ReadSome(0, block.data(), block.size());
      block.resize(got > 0 ? size_t(got) : 0);
    }
  }
  MailMergeSettings settings = DecodeMailMergeSettings(block);
  settings.sendPasswordInClear = ReadPasswordInClearChoice();
  if (settings.password.empty() && secrets && secrets->Available()) {
    ResultOf<std::string> secret = secrets->Lookup(MailMergeSecretAccount(settings));
    if (secret.ok()) settings.password = secret.value();
  }
  return settings;
}

Result WriteMailMergeSettings(const std::string& path, const MailMergeSettings& settings, SecretStore* secrets) {
  MailMergeSettings onDisk = settings;
  if (!settings.password.empty() && secrets && secrets->Available() &&
      secrets->Store(MailMergeSecretAccount(settings), settings.password).ok()) {
    onDisk.password.clear();
  }
  Bytes block = EncodeMailMergeSettings(onDisk);
  TextFileWriter writer;
  // The block may hold the mail server's password in clear (when no keyring
  // runs): readable and writable by its owner only, new or replaced.
  Result r = writer.Create(path, "Cannot create the mail merge settings", OutputMode::Private());
  if (!r) return r;
  r = writer.Write(std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
  if (!r) return r;
  return writer.Finish();
}

}  // namespace velmora
