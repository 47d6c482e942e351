#include "addressbook/mailmerge/MergeWizardChecks.h"

#include <utility>

#include "addressbook/mailmerge/InternetMail.h"

namespace velmora {

RecipientChoice ShownRecipientChoice(const MailMergeSettings& settings, bool contactSelected) {
  if (settings.recipients == RecipientChoice::CurrentRecord && !contactSelected) return RecipientChoice::CreateLookup;
  return settings.recipients;
}

std::optional<std::string> CheckLookupPage(const MailMergeSettings& settings) {
  if (settings.lookupText.empty()) return "Enter Data for search.";
  return std::nullopt;
}

std::optional<std::string> CheckMyRecordPage(const MailMergeSettings& s) {
  const std::pair<const std::string*, const char*> fields[] = {
      {&s.myName, "Enter Name."},   {&s.myCompany, "Enter Company."}, {&s.myEmail, "Enter E-mail."},
      {&s.myPhone, "Enter Phone."}, {&s.myAddress, "Enter Address."},
  };
  for (const auto& [value, message] : fields) {
    if (value->empty()) return message;
  }
  return std::nullopt;
}

std::optional<std::string> CheckInternetMailPage(const MailMergeSettings& s) {
  if (s.smtpServer.empty()) return "Enter Outgoing mail (SMTP) server";
  if (s.smtpAuth == SmtpAuthentication::On) {
    if (s.pop3Host.empty()) return "Enter Pop3Host";
    if (s.userName.empty()) return "Enter User name";
    if (s.password.empty()) return "Enter User password";
  }
  // Internet mail puts the sender's address into every message's envelope
  // and headers; a letter merge only prints it, so "My record" takes any
  // text there.
  if (std::optional<std::string> problem = MailboxProblem(s.myEmail)) {
    return "The E-mail of \"My record\" is not an e-mail address: " + *problem + ".";
  }
  return std::nullopt;
}

std::optional<std::string> CheckMessagePage(const MailMergeSettings& settings, const std::string& message) {
  if (message.empty()) return "Enter Message";
  if (settings.subject.empty()) return "Enter Subject";
  return std::nullopt;
}

}  // namespace velmora
