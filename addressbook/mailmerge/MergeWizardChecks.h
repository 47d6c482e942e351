// The checks of the mail-merge wizard's pages, without the pages: each
// gives the message that keeps the page, or nothing when "Next" may go on.
#pragma once

#include <optional>
#include <string>

#include "addressbook/mailmerge/MailMergeSettings.h"

namespace velmora {

// The recipient choice the first page shows: a stored "Current record"
// falls back to "Create lookup" when no contact is selected.
RecipientChoice ShownRecipientChoice(const MailMergeSettings& settings, bool contactSelected);

// Lookup: "Enter Data for search." without a search text.
std::optional<std::string> CheckLookupPage(const MailMergeSettings& settings);
// My record: the first empty field of "Name", "Company", "E-mail", "Phone",
// "Street Address" in that order.
std::optional<std::string> CheckMyRecordPage(const MailMergeSettings& settings);
// Internet mail options: the SMTP server, and with authentication the POP3
// host, user name and password; then the sender's "E-mail" of "My record",
// which must be one mailbox (MailboxProblem gives the reason).
std::optional<std::string> CheckInternetMailPage(const MailMergeSettings& settings);
// E-mail message: "Enter Message" for an empty message, then "Enter Subject".
std::optional<std::string> CheckMessagePage(const MailMergeSettings& settings, const std::string& message);

}  // namespace velmora
