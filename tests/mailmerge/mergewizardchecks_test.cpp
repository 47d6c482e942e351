#include "addressbook/mailmerge/MergeWizardChecks.h"

#include <gtest/gtest.h>

#include <functional>

namespace velmora {
namespace {

MailMergeSettings Complete() {
  MailMergeSettings s;
  s.lookupText = "osl";
  s.myName = "Karl";
  s.myCompany = "Nordlys";
  s.myEmail = "k@n.example";
  s.myPhone = "1";
  s.myAddress = "Gate 1";
  s.smtpServer = "smtp.example";
  s.smtpAuth = SmtpAuthentication::On;
  s.pop3Host = "pop.example";
  s.userName = "karl";
  s.password = "pw";
  s.subject = "Hi";
  return s;
}

TEST(MergeWizardChecks, FirstMissingFieldKeepsThePage) {
  struct Case {
    std::function<void(MailMergeSettings&)> change;
    std::function<std::optional<std::string>(const MailMergeSettings&)> check;
    std::optional<std::string> message;
  } cases[] = {
      {[](auto&) {}, CheckLookupPage, std::nullopt},
      {[](auto& s) { s.lookupText.clear(); }, CheckLookupPage, "Enter Data for search."},
      {[](auto&) {}, CheckMyRecordPage, std::nullopt},
      {[](auto& s) { s.myName.clear(); s.myPhone.clear(); }, CheckMyRecordPage, "Enter Name."},
      {[](auto& s) { s.myCompany.clear(); }, CheckMyRecordPage, "Enter Company."},
      {[](auto& s) { s.myEmail.clear(); s.myAddress.clear(); }, CheckMyRecordPage, "Enter E-mail."},
      {[](auto& s) { s.myPhone.clear(); }, CheckMyRecordPage, "Enter Phone."},
      {[](auto& s) { s.myAddress.clear(); }, CheckMyRecordPage, "Enter Address."},
      {[](auto&) {}, CheckInternetMailPage, std::nullopt},
      {[](auto& s) { s.smtpServer.clear(); }, CheckInternetMailPage, "Enter Outgoing mail (SMTP) server"},
      {[](auto& s) { s.pop3Host.clear(); }, CheckInternetMailPage, "Enter Pop3Host"},
      {[](auto& s) { s.userName.clear(); }, CheckInternetMailPage, "Enter User name"},
      {[](auto& s) { s.password.clear(); }, CheckInternetMailPage, "Enter User password"},
      {[](auto& s) { s.smtpAuth = SmtpAuthentication::Off; s.pop3Host.clear(); s.password.clear(); },
       CheckInternetMailPage, std::nullopt},
      // The sender's address must be one mailbox for Internet mail; a letter
      // merge takes any text.
      {[](auto& s) { s.myEmail = "k@n.example> NOTIFY=NEVER"; }, CheckInternetMailPage,
       "The E-mail of \"My record\" is not an e-mail address: the domain after the at sign is not a host name "
       "(letters, digits, hyphens, dots)."},
      {[](auto& s) { s.myEmail = "Karl <k@n.example>"; }, CheckInternetMailPage,
       "The E-mail of \"My record\" is not an e-mail address: the name before the at sign may hold only letters, "
       "digits, dots between them and !#$%&'*+-/=?^_`{|}~ (or be a quoted text)."},
      {[](auto& s) { s.myEmail = "k@n.example, x@y.example"; }, CheckMyRecordPage, std::nullopt},
      {[](auto& s) { s.smtpServer.clear(); s.myEmail = "k"; }, CheckInternetMailPage,
       "Enter Outgoing mail (SMTP) server"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    MailMergeSettings s = Complete();
    cases[i].change(s);
    EXPECT_EQ(cases[i].check(s), cases[i].message) << i;
  }
}

TEST(MergeWizardChecks, MessageBeforeSubject) {
  MailMergeSettings s = Complete();
  EXPECT_EQ(CheckMessagePage(s, "Dear"), std::nullopt);
  s.subject.clear();
  EXPECT_EQ(CheckMessagePage(s, ""), "Enter Message");
  EXPECT_EQ(CheckMessagePage(s, "Dear"), "Enter Subject");
}

TEST(MergeWizardChecks, CurrentRecordNeedsASelectedContact) {
  MailMergeSettings s;
  s.recipients = RecipientChoice::CurrentRecord;
  EXPECT_EQ(ShownRecipientChoice(s, true), RecipientChoice::CurrentRecord);
  EXPECT_EQ(ShownRecipientChoice(s, false), RecipientChoice::CreateLookup);
  s.recipients = RecipientChoice::AllRecords;
  EXPECT_EQ(ShownRecipientChoice(s, false), RecipientChoice::AllRecords);
}

}  // namespace
}  // namespace velmora
