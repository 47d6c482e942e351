// "MailMerge.inf": every choice of the mail-merge wizard in one fixed block
// of 7,236 bytes in the program folder, read over the defaults and written
// whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "store/Bytes.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

namespace mailmerge {
inline constexpr const char* kSettingsFileName = "MailMerge.inf";
inline constexpr size_t kSettingsSize = 7236;
inline constexpr size_t kMaxAttachments = 10;

// Offsets and widths of the block; texts include their terminator.
inline constexpr uint32_t kRecipientsAt = 0;
inline constexpr uint32_t kCategoryAt = 4;
inline constexpr uint32_t kLookupCategoryModeAt = 259;  // u8
inline constexpr uint32_t kLookupCategoryAt = 260;
inline constexpr uint32_t kLookupFieldModeAt = 515;  // u8
inline constexpr uint32_t kLookupFieldAt = 516;
inline constexpr uint32_t kLookupTextAt = 771;
inline constexpr uint32_t kReserved1026At = 1026;
inline constexpr uint32_t kMyNameAt = 1030;
inline constexpr uint32_t kMyCompanyAt = 1285;
inline constexpr uint32_t kMyEmailAt = 1540;
inline constexpr uint32_t kMyPhoneAt = 1795;
inline constexpr uint32_t kMyAddressAt = 2050;
inline constexpr uint32_t kDestinationAt = 2550;
inline constexpr uint32_t kWordProcessorAt = 2554;
inline constexpr uint32_t kEmailSystemAt = 2558;
inline constexpr uint32_t kSmtpServerAt = 2562;
inline constexpr uint32_t kReserved2817At = 2817;
inline constexpr uint32_t kSmtpAuthAt = 2821;
inline constexpr uint32_t kPop3HostAt = 2825;
inline constexpr uint32_t kUserNameAt = 3080;
inline constexpr uint32_t kPasswordAt = 3335;
inline constexpr uint32_t kReserved3590At = 3590;
inline constexpr uint32_t kLetterTemplateAt = 3845;
inline constexpr uint32_t kEmailAddressUsedAt = 4105;
inline constexpr uint32_t kEncodingAt = 4109;
inline constexpr uint32_t kSubjectAt = 4113;
inline constexpr uint32_t kEmailTemplateAt = 4368;
inline constexpr uint32_t kAttachmentsAt = 4628;
inline constexpr uint32_t kTrailerAt = 7228;  // 8 reserved bytes

inline constexpr uint32_t kTextWidth = 255;
inline constexpr uint32_t kAddressWidth = 500;
inline constexpr uint32_t kPathWidth = 260;

static_assert(kAttachmentsAt + kMaxAttachments * kPathWidth == kTrailerAt);
static_assert(kTrailerAt + 8 == kSettingsSize);
}  // namespace mailmerge

// The choice values as the block stores them.
enum class RecipientChoice : int32_t { CreateLookup = 1, CurrentRecord = 2, AllRecords = 3, SelectedCategory = 4 };
enum class LookupCategoryMode : uint8_t { AllCategories = 7, SelectedCategory = 8 };
enum class LookupFieldMode : uint8_t { AllFields = 5, SelectedField = 6 };
enum class MergeDestination : int32_t { Email = 12, TextProcessor = 13 };
enum class WordProcessor : int32_t { MsWord = 17, WordPerfect = 18 };
enum class EmailSystem : int32_t { InternetMail = 14, DefaultClient = 16 };
enum class SmtpAuthentication : int32_t { Off = 19, On = 20 };
enum class EmailAddressUsed : int32_t { Home = 20, Work = 21 };
enum class AttachmentEncoding : int32_t { Mime = 0, Uuencode = 1 };

// The block as values; a default-constructed one holds the defaults. Texts
// are UTF-8.
struct MailMergeSettings {
  RecipientChoice recipients = RecipientChoice::CreateLookup;
  std::string category;
  LookupCategoryMode lookupCategoryMode = LookupCategoryMode::AllCategories;
  std::string lookupCategory;
  LookupFieldMode lookupFieldMode = LookupFieldMode::AllFields;
  std::string lookupField;
  std::string lookupText;
  int32_t reserved1026 = 9;
  std::string myName;
  std::string myCompany;
  std::string myEmail;
  std::string myPhone;
  std::string myAddress;
  MergeDestination destination = MergeDestination::TextProcessor;
  WordProcessor wordProcessor = WordProcessor::MsWord;
  EmailSystem emailSystem = EmailSystem::InternetMail;
  std::string smtpServer;
  int32_t reserved2817 = 0;
  SmtpAuthentication smtpAuth = SmtpAuthentication::Off;
  std::string pop3Host;
  std::string userName;
  std::string password;
  std::string reserved3590;
  std::string letterTemplate;  // empty: the default template
  EmailAddressUsed emailAddress = EmailAddressUsed::Work;
  AttachmentEncoding encoding = AttachmentEncoding::Mime;
  std::string subject;
  std::string emailTemplate;  // empty: "Default.txt"
  std::vector<std::string> attachments;  // at most 10, in list order
  // "Send the password without encryption": not part of the block; kept in
  // "Cardora.ini" (see ReadPasswordInClearChoice).
  bool sendPasswordInClear = false;

  friend bool operator==(const MailMergeSettings&, const MailMergeSettings&) = default;
};

// The 7,236 bytes of the settings: numbers little-endian, texts cut at a
// character boundary to their field less the terminator, attachments after
// the tenth left out, the reserved trailer zero.
Bytes EncodeMailMergeSettings(const MailMergeSettings& settings);

// Reads a block over the defaults. A block shorter than 7,236 bytes gives
// every field that lies wholly inside it; a field cut by its end, and all
// after, keep their defaults. A number outside its choices keeps its default
// too, so a damaged file never yields a choice the wizard does not offer.
// Texts that are not UTF-8 are read as Windows-1252.
MailMergeSettings DecodeMailMergeSettings(std::span<const uint8_t> block);

// <program folder>/MailMerge.inf
std::string MailMergeSettingsPath();

// Whether the user chose to send the mail password without encryption: key
// "SendPasswordInClear" of section "MailMerge" in "Cardora.ini" of the
// program folder ("1" yes; anything else, or none, no). The fixed block of
// "MailMerge.inf" has no unused byte for it.
bool ReadPasswordInClearChoice();
Result WritePasswordInClearChoice(bool sendInClear);

// Where the SMTP password lives when the desktop runs a secret service; the
// settings file then holds an empty password.
class SecretStore {
 public:
  virtual ~SecretStore() = default;
  // Whether a secret service answers now.
  virtual bool Available() = 0;
  virtual Result Store(const std::string& account, const std::string& secret) = 0;
  // The stored secret; empty when none is stored.
  virtual ResultOf<std::string> Lookup(const std::string& account) = 0;
};

// The account a password is kept under: the user name and the SMTP server.
std::string MailMergeSecretAccount(const MailMergeSettings& settings);

// The defaults, with "MailMerge.inf" read over them when it exists. With a
// secret store that is available, an empty password of the file is looked
// up there (a failed look-up leaves it empty). The choice about a password
// in clear comes from ReadPasswordInClearChoice.
MailMergeSettings ReadMailMergeSettings(const std::string& path, SecretStore* secrets = nullptr);

// Writes the whole block anew through a fresh file put in place at the end,
// so the old file stays whole when writing fails. With a secret store that
// is available and takes the password, the file's password field is left
// empty; otherwise the password is written as typed.
Result WriteMailMergeSettings(const std::string& path, const MailMergeSettings& settings,
                              SecretStore* secrets = nullptr);

}  // namespace velmora
