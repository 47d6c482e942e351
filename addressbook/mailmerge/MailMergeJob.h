// The send job of a mail merge without its window: what the job holds, the
// texts of its log, and the sending of one recipient's e-mail through a mail
// component.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/mailmerge/InternetMail.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeFields.h"
#include "addressbook/mailmerge/MergeRecipients.h"

namespace velmora {

namespace mailmerge {
// The longest message text a job keeps.
inline constexpr size_t kMaxJobMessage = 32000;
}  // namespace mailmerge

// Built when the wizard finishes; the job keeps its own copies.
struct SendJob {
  std::vector<RecipientEntry> entries;
  MailMergeSettings settings;
  std::string message;  // at most 32,000 bytes
};

// A job with its own copies; the message is cut to 32,000 bytes at a
// character boundary.
SendJob MakeSendJob(std::vector<RecipientEntry> entries, MailMergeSettings settings, std::string_view message);

// The sender data and the system's clock of the settings' "My record".
MergeContext MergeContextFor(const MailMergeSettings& settings);

// Every attachment path followed by "|".
std::string AttachmentList(const MailMergeSettings& settings);

// The counts of a job and its log lines.
struct SendJobCounts {
  int items = 0;  // entries enabled when the job started
  int trueCount = 0;
  int falseCount = 0;
  // The running number of the next processed entry.
  int NextNumber() const { return trueCount + falseCount + 1; }
};
int EnabledCount(const std::vector<RecipientEntry>& entries);

// How long an e-mail job may take before it gives up the message on its way
// and the rest: ten minutes and one more for each message, so that a mail
// server that stops answering cannot hold the job for ever.
std::chrono::minutes DefaultJobTimeLimit(int items);

enum class JobMailKind { Internet, Mapi, Text };
// "%d : Internet mail : Send to : %s %s : " (or "Your e-mail program" for
// the desktop's e-mail program), ended later by "True" or "False"; for the
// word processors the whole "Text mail" line. The names are shown on one
// line each (SingleLineText).
std::string JobLogLineStart(JobMailKind kind, int number, const Contact& contact);
std::string TextMailLogLine(int number, const Contact& contact, bool written);
// "Items %d, True %d, False %d".
std::string JobCountsLine(const SendJobCounts& counts);

// Sends the entry's message through the component: the chosen address, the
// body merged for this recipient, the subject as typed; with SMTP
// authentication on the POP3 login is armed before and disarmed after (with
// the user's choice about a password in clear). A sender or recipient
// address that is not one mailbox is not sent: false, with the reason on the
// status line. True when the component says sent (0).
bool SendJobEmail(const SendJob& job, const RecipientEntry& entry, MailComponent& mail,
                  const MergeContext& context, const MailStatusLine& status);

// Processes the entry at index as the job's worker does for Internet mail:
// an enabled entry gets its log line with "True" or "False", the counts
// follow, and an entry that failed is disabled. Disabled entries leave no
// line. The log gets each line on a new line of its own.
void ProcessInternetMailEntry(SendJob& job, size_t index, SendJobCounts& counts, std::string& log,
                              MailComponent& mail, const MergeContext& context, const MailStatusLine& status);

// Processes the entry at index for the word processor: an enabled entry's
// row is appended to the data file and logged as a "Text mail" line ending
// "True", or "False" when the file cannot be written; the counts follow.
// Disabled entries are skipped silently.
void ProcessTextEntry(SendJob& job, size_t index, SendJobCounts& counts, std::string& log,
                      const std::string& dataFile, const MergeContext& context);

}  // namespace velmora
