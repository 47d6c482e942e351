// `mailmerge`: the mail merge that "MailMerge.inf" describes, run without a
// window: the recipients its choices select, then Internet mail to each, or
// the word processor's data file and LibreOffice's merge of it. The log
// lines and the counts are the job window's. Everything printed that comes
// from the contacts or the settings goes through TerminalSafe.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "addressbook/mailmerge/InternetMail.h"
#include "addressbook/mailmerge/LibreOfficeWriter.h"
#include "addressbook/mailmerge/LibsecretStore.h"
#include "addressbook/mailmerge/MailMergeJob.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeDataFile.h"
#include "addressbook/mailmerge/MergeRecipients.h"
#include "addressbook/mailmerge/MergeTemplates.h"
#include "addressbook/mailmerge/MergeWizardChecks.h"
#include "addressbook/mailmerge/SendJobRunner.h"
#include "addressbook/mailmerge/WordProcessorMerge.h"
#include "importexport/CountedText.h"
#include "resources/Strings.h"
#include "tools/Commands.h"
#include "tools/Interruption.h"
#include "tools/TerminalText.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

ResultOf<std::string> ReadMessage(const Arguments& args, const MailMergeSettings& settings) {
  std::string path;
  if (std::optional<std::string> given = args.Value("--message")) {
    path = *given;
  } else {
    ResultOf<std::string> stored =
        settings.emailTemplate.empty() ? EnsureDefaultEmailTemplate() : EmailTemplatePath(settings);
    if (!stored.ok()) return stored.result();
    path = stored.value();
  }
  ResultOf<std::string> text = ReadEmailTemplate(path);
  if (!text.ok()) return Result::Fail("Error in opening E-mail template.", 0, path);
  return text;
}

using Clock = std::chrono::steady_clock;

// The longest --time-limit: a week.
constexpr long kMaxTimeLimitMinutes = 7 * 24 * 60;

// Prints the one line an entry added to the log (the job puts a line break
// before every line but the first) and empties it. Line breaks and other
// control characters of the contact's name are shown escaped, so that a
// name cannot start a line of its own.
void PrintLog(std::string& log) {
  if (log.rfind("\r\n", 0) == 0) log.erase(0, 2);
  if (!log.empty()) std::cout << TerminalSafe(log) << '\n' << std::flush;
  log.clear();
}

// The job's time limit: --time-limit in minutes, else the default for its
// number of messages.
ResultOf<std::chrono::minutes> TimeLimit(const Arguments& args, int items) {
  std::optional<std::string> given = args.Value("--time-limit");
  if (!given) return DefaultJobTimeLimit(items);
  char* end = nullptr;
  errno = 0;
  const long minutes = std::strtol(given->c_str(), &end, 10);
  if (given->empty() || *end != '\0' || errno != 0 || minutes < 1 || minutes > kMaxTimeLimitMinutes) {
    return Result::Fail("--time-limit: expected a number of minutes from 1 to " +
                        std::to_string(kMaxTimeLimitMinutes));
  }
  return std::chrono::minutes(minutes);
}

// Each enabled entry through the component, its line printed as it is done.
// A signal or the time limit gives up the message on its way at once.
int SendInternetMail(SendJob& job, std::chrono::minutes limit) {
  InternetMail mail;
  const Clock::time_point deadline = Clock::now() + limit;
  mail.SetStopCheck([deadline] { return Interrupted() || Clock::now() >= deadline; });
  const MergeContext context = MergeContextFor(job.settings);
  SendJobCounts counts;
  counts.items = EnabledCount(job.entries);
  std::string log;
  for (size_t i = 0; i < job.entries.size(); ++i) {
    if (Interrupted()) {
      std::cout << "\n" << JobCountsLine(counts) << std::endl;
      return Fail("Interrupted after " +
                  CountedText(size_t(counts.trueCount + counts.falseCount), "message", "messages") + ".");
    }
    if (Clock::now() >= deadline) {
      int unsent = 0;
      for (size_t k = i; k < job.entries.size(); ++k) unsent += job.entries[k].enabled;
      std::cout << TimeLimitLogLine(unsent) << '\n' << JobCountsLine(counts) << std::endl;
      return Fail("The time limit of " + CountedText(size_t(limit.count()), "minute", "minutes") + " was reached.");
    }
    std::string status;
    const int failedBefore = counts.falseCount;
    ProcessInternetMailEntry(job, i, counts, log, mail, context, [&status](const std::string& line) { status = line; });
    PrintLog(log);
    // Why a message was not sent, as the mail component last told it.
    if (counts.falseCount > failedBefore && !status.empty()) {
      std::cerr << TerminalSafe(OneLine(status)) << std::endl;
    }
  }
  std::cout << JobCountsLine(counts) << std::endl;
  if (counts.falseCount > 0) {
    return Fail(std::to_string(counts.falseCount) + " of " +
                CountedText(size_t(counts.items), "message", "messages") + " could not be sent.");
  }
  return kExitOk;
}

// The data file with a row for each enabled entry, then LibreOffice's merge
// of the letter template; the merged document's path is printed.
int MergeLetters(SendJob& job, const std::string& book) {
  ResultOf<std::string> data = DataFilePath();
  if (!data.ok()) return Fail(data.Message());
  // The rows come from the address book: no wider readable than it.
  if (Result created = CreateDataFile(data.value(), false, OutputMode::NoWiderThanFile(FileSystem::Default(), book));
      !created.ok()) {
    return Fail(created.Message());
  }
  const MergeContext context = MergeContextFor(job.settings);
  SendJobCounts counts;
  counts.items = EnabledCount(job.entries);
  std::string log;
  for (size_t i = 0; i < job.entries.size(); ++i) {
    ProcessTextEntry(job, i, counts, log, data.value(), context);
    PrintLog(log);
  }
  std::cout << JobCountsLine(counts) << std::endl;
  ResultOf<std::string> letter = LetterTemplatePath(job.settings);
  if (!letter.ok()) return Fail(letter.Message());
  LibreOfficeWriter writer;
  std::string shown;
  // Nothing is opened on a desktop: the path is printed for the script.
  WordProcessorMerge merge(
      writer, [&shown](const std::string& caption, const std::string& text) { shown = caption + ": " + text; },
      [](const std::string&) { return OpenOutcome::Opened; });
  ResultOf<std::string> merged = merge.RunLetterMerge(job.settings.wordProcessor, data.value(), letter.value());
  if (!merged.ok()) return Fail(shown.empty() ? merged.Message() : OneLine(shown));
  std::cout << "Merged document: " << TerminalSafe(merged.value()) << std::endl;
  return kExitOk;
}

}  // namespace

int RunMailMerge(const Arguments& args) {
  const std::string& path = args.positional()[0];
  ResultOf<OpenedStore> opened = OpenWithPassword(path, args.ValueOr("--password", ""));
  if (!opened.ok()) return Fail(opened.Message());
  if (opened->kind != format::FileKind::Address) return Fail("Not an address book: \"" + path + "\"");
  std::optional<uint64_t> current;
  if (std::optional<std::string> id = args.Value("--id")) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(id->c_str(), &end, 10);
    if (id->empty() || *end != '\0') return Fail("--id: expected a record id as `list` prints it");
    current = value;
  }
  LibsecretStore secrets;
  const MailMergeSettings settings =
      ReadMailMergeSettings(args.ValueOr("--settings", MailMergeSettingsPath()), &secrets);
  const bool email = settings.destination == MergeDestination::Email;
  // The wizard's own checks of what the settings must hold.
  std::optional<std::string> missing = CheckMyRecordPage(settings);
  if (!missing && email && settings.emailSystem == EmailSystem::InternetMail) {
    missing = CheckInternetMailPage(settings);
  }
  if (missing) return Fail("The mail merge settings are not complete: " + *missing);
  if (email && settings.emailSystem == EmailSystem::DefaultClient) {
    return Fail("The settings send through the desktop's e-mail client, which asks about each message: run this "
                "mail merge from Cardora.");
  }
  std::string message;
  if (email) {
    ResultOf<std::string> text = ReadMessage(args, settings);
    if (!text.ok()) return Fail(text.Message());
    message = text.value();
  } else if (args.Value("--message")) {
    return Fail("--message applies to e-mail merges only.");
  }
  ResultOf<std::vector<RecipientEntry>> entries = BuildRecipientList(*opened->store, settings, current);
  if (!entries.ok()) return Fail(entries.Message());
  if (entries.value().empty()) return Fail("No contact is chosen by the settings' recipients.");
  SendJob job = MakeSendJob(std::move(entries.value()), settings, message);
  if (!email) return MergeLetters(job, path);
  ResultOf<std::chrono::minutes> limit = TimeLimit(args, EnabledCount(job.entries));
  if (!limit.ok()) return Fail(limit.Message());
  return SendInternetMail(job, limit.value());
}

}  // namespace velmora::tool
