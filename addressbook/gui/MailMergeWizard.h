// The "Mail Merge" wizard: eight pages that choose the recipients, the
// sender's own data, where the merge goes (a word processor or e-mail), the
// template or message, and which of the recipients take part. "Finish"
// writes "MailMerge.inf" and hands a send job to the job window.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "addressbook/mailmerge/MailMergeJob.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "store/RecordStore.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

// What the wizard needs from the rest of the program.
struct MailMergeWizardHost {
  // Whether a send job still runs (the wizard then does not start).
  std::function<bool()> jobRunning;
  // Before an Internet mail job: the message telling that there is no
  // connection, or nothing.
  std::function<std::optional<std::string>()> connectionProblem;
  // Starts the job window with the job.
  std::function<void(SendJob job, JobMailKind kind)> startJob;
  // The word processor's "Create new template" and "Edit template"; each
  // shows its own failure. Unset: the wizard says the action is missing.
  std::function<bool(QWidget* owner, WordProcessor processor, const std::string& dataFile,
                     const std::string& templatePath)>
      createTemplate;
  std::function<bool(QWidget* owner, WordProcessor processor, const std::string& templatePath,
                     const std::string& dataFile)>
      editTemplate;
  // Where the SMTP password is kept when the desktop runs a secret service.
  SecretStore* secrets = nullptr;
};

// The wizard's message while a job runs.
inline constexpr const char* kMergeJobRunningText =
    "Mail merge thread for sending is working. Please wait until\r\nthe sending is finished and start Mail Merge "
    "wizard again.";

// Runs the wizard over the record file; currentKey is the id of the contact
// selected in the list, if any. True when "Finish" was chosen.
bool MailMergeWizard(RecordStore& store, std::optional<uint64_t> currentKey, QWidget* owner,
                     const MailMergeWizardHost& host);

}  // namespace velmora
