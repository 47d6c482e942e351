// MailMergeJobs: the one mail-merge send job of the program. It starts a
// job by preparing what the job sends through and opening its window, and
// refuses a second job while a job window exists; the main window refuses
// to close and the wizard to start for as long.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "addressbook/gui/MailMergeJobWindow.h"
#include "addressbook/mailmerge/MailMergeJob.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

// The kind of job the settings ask for: the text processor, "Internet
// Mail" or the desktop's e-mail client.
JobMailKind JobMailKindFor(const MailMergeSettings& settings);

class MailMergeJobs {
 public:
  MailMergeJobs();
  ~MailMergeJobs();  // a job window still open goes with its job
  MailMergeJobs(const MailMergeJobs&) = delete;
  MailMergeJobs& operator=(const MailMergeJobs&) = delete;

  // Whether a job window exists.
  bool Running() const;

  // Refuses while a job runs. Prepares the transport: for Internet mail the
  // connection check (its message shown when there is none) and the mail
  // component; for the desktop's client the xdg-email program; for the text
  // processor the data file with its heading line. A transport that cannot
  // be prepared shows nothing more and starts no job. Then opens the job
  // window over owner. book is the address book the recipients come from: a
  // new data file is no wider readable than it.
  Result Start(SendJob job, JobMailKind kind, QWidget* owner, const std::string& book = {});

  // The word processor's merge run at the end of a text-processor job.
  void SetLetterMerge(LetterMergeHook merge) { letterMerge_ = std::move(merge); }
  // The "Internet Mail" component of each job (InternetMail unless set).
  using MailComponentFactory = std::function<std::shared_ptr<MailComponent>()>;
  void SetMailComponentFactory(MailComponentFactory factory) { mailFactory_ = std::move(factory); }

  // The running job's window, or none.
  MailMergeJobWindow* window() const { return window_; }

 private:
  QPointer<MailMergeJobWindow> window_;
  LetterMergeHook letterMerge_;
  MailComponentFactory mailFactory_;
};

}  // namespace velmora
