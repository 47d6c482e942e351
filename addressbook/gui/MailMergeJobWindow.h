// MailMergeJobWindow: the small modeless window "Cardora: mail merge thread"
// that carries out a mail merge's send job while the rest of the address
// book stays usable. Its 10 ms timer takes one recipient at a time: an
// e-mail is sent on a worker thread (SendJobRunner), through "Internet
// Mail" or the desktop's e-mail client; a word-processor row is appended to
// the data file on the timer itself, and when all rows are written the word
// processor's merge runs. The window shows the log as it grows, the counts
// and the mail component's progress, and offers "&Pause"/"&Continue" and
// "&Stop"; at the end only "Ok". An e-mail job has a time limit, shown as
// "Stops at HH:MM if not done": then the message on its way is given up and
// the job finishes with the rest unsent.
#pragma once

#include <QDialog>
#include <QDateTime>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "addressbook/mailmerge/InternetMail.h"
#include "addressbook/mailmerge/MailMergeJob.h"
#include "addressbook/mailmerge/SendJobRunner.h"
#include "store/Result.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

inline constexpr const char* kMailMergeJobTitle = "Cardora: mail merge thread";
inline constexpr const char* kAbortMailMergeQuestion =
    "The application can't abort sending current e-mail message.\r\nHowever, sending will abort as soon as the "
    "current message\r\nis sent.\r\n\r\nAre you sure you want to abort Mail Merge ?";

// Runs the word processor's merge of the data file with the letter template
// of the settings, once all rows are written, with its progress window over
// owner (the job window). It shows its own messages and says whether the
// merge ran; a merge the user cancelled gives mailmerge::kWriterCancelled.
using LetterMergeHook =
    std::function<Result(QWidget* owner, const std::string& dataFile, const MailMergeSettings& settings)>;

// What a job sends through, prepared before its window opens.
struct MailMergeTransport {
  std::shared_ptr<MailComponent> internetMail;  // "Internet Mail"
  std::string desktopClient;                    // "Default E-mail client": the xdg-email program
  std::string dataFile;                         // text processor: the data file, heading written
  LetterMergeHook letterMerge;                  // text processor: empty when none is set up
  // E-mail: how long the job may take; DefaultJobTimeLimit of its messages
  // when not given.
  std::optional<std::chrono::seconds> timeLimit;
};

// "Stops at HH:MM if not done", the time on the 24-hour clock.
QString JobDeadlineText(const QDateTime& deadline);

class MailMergeJobWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTickMilliseconds = 10;

  // REQUIRES: the transport of the kind is prepared (a mail component for
  // Internet mail, the client's path for the desktop's client, the data file
  // for the text processor). mainWindow: the window the job window is centred
  // on and belongs to.
  MailMergeJobWindow(SendJob job, JobMailKind kind, MailMergeTransport transport, QWidget* mainWindow);
  ~MailMergeJobWindow() override;  // waits for a message being sent

  // Places the window (centred on the main window; for e-mail then in the
  // bottom-right corner of the desktop), shows it and starts the timer.
  void Open();

  // One timer tick: a stop requested with no message on its way closes the
  // window; otherwise, unless paused or finished, the next recipient is
  // taken, or the job finishes once all are done.
  void OnTick();

  // "&Pause" / "&Continue".
  void TogglePause();
  // "&Stop" and Escape: before the end asks, and on yes stops after the
  // current message; after the end stops at once.
  void StopClicked();

  JobMailKind kind() const { return kind_; }
  bool paused() const;
  bool finished() const { return finished_; }
  bool stopRequested() const { return stopRequested_; }
  bool closing() const { return closing_; }
  SendJobCounts counts() const;
  // The whole log, lines separated by CR LF.
  const std::string& logText() const { return log_; }
  QString statusText() const { return status_; }
  // E-mail: when the job gives up (local time); invalid for the word
  // processor.
  QDateTime deadline() const { return deadline_; }
  QString deadlineText() const;

 signals:
  // The window is closing; a new job may start.
  void closed();

 public slots:
  // The platform's close and Escape act as "&Stop".
  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  class StatusLine;

  void BuildControls();
  SendJobRunner::Sender MakeSender(const SendJob& job);
  void SetPaused(bool pause);
  void MailTick();
  void TextTick();
  void Finish();
  void RunLetterMerge();
  void CloseJob();
  void ShowNews();
  void AddLog(const std::string& piece);
  void SetStatus(const QString& text);
  // The status line's height for its whole text at its width.
  void FitStatusLine();
  void ShowCounts();
  void PlaceAtBottomRight();

  JobMailKind kind_;
  MailMergeTransport transport_;
  MailMergeSettings settings_;
  QWidget* mainWindow_;
  std::shared_ptr<StatusLine> statusLine_;
  // E-mail: the runner owns the job and its worker.
  std::unique_ptr<SendJobRunner> runner_;
  // Text processor: the job is stepped here, on the timer.
  SendJob textJob_;
  size_t textIndex_ = 0;
  SendJobCounts textCounts_;
  std::string textLog_;
  MergeContext textContext_;
  bool textPaused_ = false;

  std::string log_;
  QString status_;
  int processedSeen_ = 0;
  bool finished_ = false;
  bool stopRequested_ = false;
  bool closing_ = false;
  QTimer timer_;

  QPlainTextEdit* logView_ = nullptr;
  QLabel* statusView_ = nullptr;
  QLabel* countsView_ = nullptr;
  QLabel* deadlineView_ = nullptr;
  QDateTime deadline_;
  SendJobRunner::AbandonFlag abandon_;
  QPushButton* pause_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace velmora
