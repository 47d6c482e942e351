#include "addressbook/mailmerge/MailMergeJob.h"

#include <algorithm>

#include "addressbook/mailmerge/MergeDataFile.h"
#include "store/Bytes.h"

namespace velmora {

SendJob MakeSendJob(std::vector<RecipientEntry> entries, MailMergeSettings settings, std::string_view message) {
  SendJob job;
  job.entries = std::move(entries);
  job.settings = std::move(settings);
  job.message = std::string(message.substr(0, Utf8CutLength(message, mailmerge::kMaxJobMessage)));
  return job;
}

MergeContext MergeContextFor(const MailMergeSettings& settings) {
  MergeContext context;
  context.sender = MyRecord{settings.myName, settings.myCompany, settings.myEmail, settings.myPhone,
                            settings.myAddress};
  return context;
}

std::string AttachmentList(const MailMergeSettings& settings) {
  std::string list;
  for (const std::string& path : settings.attachments) {
    if (path.empty()) continue;
    list += path;
    list += '|';
  }
  return list;
}

int EnabledCount(const std::vector<RecipientEntry>& entries) {
  int n = 0;
  for (const RecipientEntry& e : entries) n += e.enabled;
  return n;
}

std::chrono::minutes DefaultJobTimeLimit(int items) {
  constexpr int kBaseMinutes = 10;
  return std::chrono::minutes(kBaseMinutes + std::max(items, 0));
}

std::string JobLogLineStart(JobMailKind kind, int number, const Contact& contact) {
  const char* what = kind == JobMailKind::Internet ? "Internet mail"
                     : kind == JobMailKind::Mapi   ? "Your e-mail program"
                                                   : "Text mail";
  // Each name on one line, so that every entry keeps a line of its own.
  return std::to_string(number) + " : " + what + " : Send to : " +
         SingleLineText(contact.Text(contact::kFirstName)) + " " + SingleLineText(contact.Text(contact::kLastName)) +
         " : ";
}

std::string TextMailLogLine(int number, const Contact& contact, bool written) {
  return JobLogLineStart(JobMailKind::Text, number, contact) + (written ? "True" : "False");
}

std::string JobCountsLine(const SendJobCounts& counts) {
  return "Items " + std::to_string(counts.items) + ", True " + std::to_string(counts.trueCount) + ", False " +
         std::to_string(counts.falseCount);
}

bool SendJobEmail(const SendJob& job, const RecipientEntry& entry, MailComponent& mail, const MergeContext& context,
                  const MailStatusLine& status) {
  const MailMergeSettings& s = job.settings;
  const bool authenticate = s.smtpAuth == SmtpAuthentication::On;
  // An address that is not one mailbox is never handed on: it could name
  // more recipients or SMTP parameters. The reason goes to the status line.
  const std::string to = RecipientAddress(entry.contact, s);
  for (const std::string* address : {&s.myEmail, &to}) {
    if (std::optional<std::string> problem = MailboxProblem(*address)) {
      if (status) status("Not an e-mail address (" + *problem + "): " + OneLineSubject(*address));
      return false;
    }
  }
  std::string body = MergeText(job.message, entry.contact, context);
  if (authenticate) {
    mail.AllowPasswordInClear(s.sendPasswordInClear);
    mail.SecuredSMTP(s.pop3Host, s.userName, s.password);
  }
  int sent = mail.RESendMailPlus(s.smtpServer, s.myEmail, to, "", s.subject, body, AttachmentList(s), status, 0,
                                 int(s.encoding));
  if (authenticate) mail.SecuredSMTP("", "", "");
  return sent == 0;
}

void ProcessInternetMailEntry(SendJob& job, size_t index, SendJobCounts& counts, std::string& log,
                              MailComponent& mail, const MergeContext& context, const MailStatusLine& status) {
  if (index >= job.entries.size()) return;
  RecipientEntry& entry = job.entries[index];
  if (!entry.enabled) return;
  if (!log.empty()) log += "\r\n";
  log += JobLogLineStart(JobMailKind::Internet, counts.NextNumber(), entry.contact);
  bool sent = SendJobEmail(job, entry, mail, context, status);
  log += sent ? "True" : "False";
  if (sent) {
    ++counts.trueCount;
  } else {
    ++counts.falseCount;
    entry.enabled = false;
  }
}

namespace {

void AddLine(std::string& log, const std::string& line) {
  if (!log.empty()) log += "\r\n";
  log += line;
}

}  // namespace

void ProcessTextEntry(SendJob& job, size_t index, SendJobCounts& counts, std::string& log,
                      const std::string& dataFile, const MergeContext& context) {
  if (index >= job.entries.size()) return;
  const RecipientEntry& entry = job.entries[index];
  if (!entry.enabled) return;
  const int number = counts.NextNumber();
  const bool written =
      AppendDataRow(dataFile, DataFileRow(entry.contact, context, job.settings.wordProcessor)).ok();
  AddLine(log, TextMailLogLine(number, entry.contact, written));
  ++(written ? counts.trueCount : counts.falseCount);
}

}  // namespace velmora
