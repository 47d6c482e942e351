#include "addressbook/gui/MailMergeJobWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>

#include "addressbook/mailmerge/AttachmentFile.h"
#include "addressbook/mailmerge/DesktopMail.h"
#include "addressbook/mailmerge/MergeRecipients.h"
#include "addressbook/mailmerge/WordProcessorMerge.h"
#include "shell/MessageBoxes.h"
#include "toolkit/TesselDialog.h"

namespace velmora {

namespace {

// The gap between the window and the desktop's corner.
constexpr int kCornerGap = 8;

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

QString JobDeadlineText(const QDateTime& deadline) {
  return QStringLiteral("Stops at %1 if not done").arg(deadline.toString(QStringLiteral("HH:mm")));
}

// The mail component writes its progress from the worker thread; the
// window takes the latest line at its next tick.
class MailMergeJobWindow::StatusLine {
 public:
  void Set(const std::string& line) {
    std::lock_guard lock(mutex_);
    latest_ = line;
  }
  std::optional<std::string> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(latest_, std::nullopt);
  }

 private:
  std::mutex mutex_;
  std::optional<std::string> latest_;
};

MailMergeJobWindow::MailMergeJobWindow(SendJob job, JobMailKind kind, MailMergeTransport transport,
                                       QWidget* mainWindow)
    : QDialog(mainWindow),
      kind_(kind),
      transport_(std::move(transport)),
      settings_(job.settings),
      mainWindow_(mainWindow),
      statusLine_(std::make_shared<StatusLine>()) {
  setObjectName(QStringLiteral("mailMergeJob"));
  setWindowTitle(QString::fromLatin1(kMailMergeJobTitle));
  setModal(false);
  if (kind_ == JobMailKind::Text) {
    textContext_ = MergeContextFor(job.settings);
    textCounts_.items = EnabledCount(job.entries);
    textJob_ = std::move(job);
  } else {
    const std::chrono::seconds limit = transport_.timeLimit
                                           ? *transport_.timeLimit
                                           : std::chrono::seconds(DefaultJobTimeLimit(EnabledCount(job.entries)));
    deadline_ = QDateTime::currentDateTime().addSecs(limit.count());
    abandon_ = std::make_shared<std::atomic<bool>>(false);
    if (transport_.internetMail) {
      transport_.internetMail->SetStopCheck([abandon = abandon_] { return abandon->load(); });
    }
    // The sender copies what it needs: it runs on the worker thread.
    SendJobRunner::Sender sender = MakeSender(job);
    runner_ = std::make_unique<SendJobRunner>(std::move(job), kind_, std::move(sender), abandon_,
                                              SendJobRunner::Clock::now() + limit);
  }
  BuildControls();
  ShowCounts();
  timer_.setInterval(kTickMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &MailMergeJobWindow::OnTick);
}

MailMergeJobWindow::~MailMergeJobWindow() {
  timer_.stop();
  // The runner waits for a message on its way before it goes.
  runner_.reset();
}

SendJobRunner::Sender MailMergeJobWindow::MakeSender(const SendJob& job) {
  const MergeContext context = MergeContextFor(settings_);
  if (kind_ == JobMailKind::Internet) {
    // The job's settings and message, without the recipients the runner
    // holds.
    auto shape = std::make_shared<SendJob>();
    shape->settings = settings_;
    shape->message = job.message;
    std::shared_ptr<MailComponent> mail = transport_.internetMail;
    std::shared_ptr<StatusLine> status = statusLine_;
    return [shape, mail, status, context](const RecipientEntry& entry) {
      return SendJobEmail(*shape, entry, *mail, context, [status](const std::string& line) { status->Set(line); });
    };
  }
  std::vector<std::string> attachments;
  for (const std::string& path : settings_.attachments) {
    if (!path.empty()) attachments.push_back(path);
  }
  std::shared_ptr<StatusLine> status = statusLine_;
  return [program = transport_.desktopClient, settings = settings_, attachments, context, status,
          message = job.message](const RecipientEntry& entry) {
    // The client reads the files itself: each is checked as the component
    // checks its own.
    for (const std::string& path : attachments) {
      if (Result usable = CheckAttachment(path); !usable.ok()) {
        status->Set(usable.Message());
        return false;
      }
    }
    return SendWithDesktopClient(program, RecipientAddress(entry.contact, settings), settings.subject,
                                 MergeText(message, entry.contact, context), attachments) == kMailSent;
  };
}

void MailMergeJobWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  logView_ = new QPlainTextEdit(this);
  logView_->setObjectName(QStringLiteral("log"));
  logView_->setReadOnly(true);
  // A long name wraps rather than hiding the line's outcome at its end.
  logView_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  logView_->setFocusPolicy(Qt::NoFocus);
  const int lineHeight = logView_->fontMetrics().lineSpacing();
  logView_->setMinimumSize(logView_->fontMetrics().averageCharWidth() * 62, lineHeight * 9);
  layout->addWidget(logView_, 1);

  statusView_ = new QLabel(this);
  statusView_->setObjectName(QStringLiteral("status"));
  statusView_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusView_->setTextFormat(Qt::PlainText);
  // The status line shows its whole text in the window's font, whatever
  // the skin: a long one wraps onto further lines and the window grows to
  // hold them, rather than widening or cutting it.
  statusView_->setWordWrap(true);
  QSizePolicy wraps(QSizePolicy::Ignored, QSizePolicy::Minimum);
  wraps.setHeightForWidth(true);
  statusView_->setSizePolicy(wraps);
  layout->addWidget(statusView_);

  // The e-mail job's time limit, on a line of its own under the status
  // line; hidden at the end, it keeps its room, so the window keeps its
  // size where it is placed.
  deadlineView_ = new QLabel(this);
  deadlineView_->setObjectName(QStringLiteral("deadline"));
  deadlineView_->setTextFormat(Qt::PlainText);
  QSizePolicy keepRoom = deadlineView_->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(deadline_.isValid());
  deadlineView_->setSizePolicy(keepRoom);
  deadlineView_->setVisible(deadline_.isValid());
  if (deadline_.isValid()) deadlineView_->setText(JobDeadlineText(deadline_));
  layout->addWidget(deadlineView_);

  auto* row = new QHBoxLayout;
  countsView_ = new QLabel(this);
  countsView_->setObjectName(QStringLiteral("counts"));
  countsView_->setTextFormat(Qt::PlainText);
  countsView_->setVisible(kind_ == JobMailKind::Internet);
  row->addWidget(countsView_);
  row->addStretch(1);
  pause_ = new QPushButton(QStringLiteral("&Pause"), this);
  pause_->setObjectName(QStringLiteral("pause"));
  stop_ = new QPushButton(QStringLiteral("&Stop"), this);
  stop_->setObjectName(QStringLiteral("stop"));
  ok_ = new QPushButton(QStringLiteral("Ok"), this);
  ok_->setObjectName(QStringLiteral("ok"));
  ok_->setAutoDefault(true);
  ok_->hide();
  for (QPushButton* button : {pause_, stop_, ok_}) {
    button->setAutoDefault(button == ok_);
    row->addWidget(button);
  }
  layout->addLayout(row);
  connect(pause_, &QPushButton::clicked, this, &MailMergeJobWindow::TogglePause);
  connect(stop_, &QPushButton::clicked, this, &MailMergeJobWindow::StopClicked);
  connect(ok_, &QPushButton::clicked, this, &MailMergeJobWindow::CloseJob);
  adjustSize();
}

void MailMergeJobWindow::Open() {
  TesselDialog::CentreOver(this, mainWindow_);
  show();
  if (kind_ != JobMailKind::Text) PlaceAtBottomRight();
  timer_.start();
}

void MailMergeJobWindow::PlaceAtBottomRight() {
  QScreen* screen = mainWindow_ && mainWindow_->screen() ? mainWindow_->screen() : this->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  const QSize frame = frameGeometry().size();
  move(available.right() - frame.width() - kCornerGap + 1, available.bottom() - frame.height() - kCornerGap + 1);
}

void MailMergeJobWindow::OnTick() {
  if (closing_) return;
  if (kind_ == JobMailKind::Text) {
    TextTick();
  } else {
    MailTick();
  }
}

void MailMergeJobWindow::MailTick() {
  const SendJobRunner::Tick tick = runner_->OnTick();
  ShowNews();
  if (tick == SendJobRunner::Tick::Closed) {
    CloseJob();
    return;
  }
  if (tick == SendJobRunner::Tick::Finished) Finish();
}

void MailMergeJobWindow::TextTick() {
  if (stopRequested_) {
    CloseJob();
    return;
  }
  if (textPaused_ || finished_) return;
  if (textIndex_ < textJob_.entries.size()) {
    ProcessTextEntry(textJob_, textIndex_, textCounts_, textLog_, transport_.dataFile, textContext_);
    ++textIndex_;
    ShowNews();
    return;
  }
  Finish();
}

void MailMergeJobWindow::ShowNews() {
  if (kind_ == JobMailKind::Text) {
    if (textLog_.size() > log_.size()) AddLog(textLog_.substr(log_.size()));
  } else {
    AddLog(runner_->TakeLog());
    if (std::optional<std::string> line = statusLine_->Take()) SetStatus(FromUtf8(*line));
  }
  const SendJobCounts now = counts();
  const int processed = now.trueCount + now.falseCount;
  if (processed != processedSeen_) {
    processedSeen_ = processed;
    ShowCounts();
    // The desktop's e-mail client may have taken the focus for its
    // confirmation; it comes back to the job.
    if (kind_ == JobMailKind::Mapi) {
      raise();
      activateWindow();
    }
  }
}

void MailMergeJobWindow::AddLog(const std::string& piece) {
  if (piece.empty()) return;
  log_ += piece;
  QString shown = FromUtf8(piece);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QTextCursor end(logView_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(shown);
  logView_->verticalScrollBar()->setValue(logView_->verticalScrollBar()->maximum());
}

void MailMergeJobWindow::SetStatus(const QString& text) {
  status_ = text;
  statusView_->setText(text);
  statusView_->setToolTip(text);
  FitStatusLine();
}

void MailMergeJobWindow::FitStatusLine() {
  // At least one line, and as many as the text needs at the label's width;
  // a taller label raises the window's minimum, which grows the window.
  const QMargins margins = statusView_->contentsMargins();
  const int oneLine = statusView_->fontMetrics().lineSpacing() + margins.top() + margins.bottom() + 2;
  const int needed = std::max(oneLine, statusView_->heightForWidth(statusView_->width()));
  if (statusView_->minimumHeight() != needed) statusView_->setMinimumHeight(needed);
}

void MailMergeJobWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitStatusLine();
}

void MailMergeJobWindow::ShowCounts() {
  const QString line = FromUtf8(JobCountsLine(counts()));
  // Only Internet mail has a counts text of its own; the others show the
  // counts in the status line.
  if (kind_ == JobMailKind::Internet) {
    countsView_->setText(line);
  } else {
    SetStatus(line);
  }
}

QString MailMergeJobWindow::deadlineText() const {
  return deadline_.isValid() && !finished_ ? deadlineView_->text() : QString();
}

SendJobCounts MailMergeJobWindow::counts() const { return runner_ ? runner_->counts() : textCounts_; }

bool MailMergeJobWindow::paused() const { return runner_ ? runner_->paused() : textPaused_; }

void MailMergeJobWindow::SetPaused(bool pause) {
  if (runner_) {
    if (pause) {
      runner_->Pause();
    } else {
      runner_->Continue();
    }
  } else {
    textPaused_ = pause;
  }
}

void MailMergeJobWindow::TogglePause() {
  if (finished_ || closing_) return;
  const bool pause = !paused();
  SetPaused(pause);
  pause_->setText(pause ? QStringLiteral("&Continue") : QStringLiteral("&Pause"));
}

void MailMergeJobWindow::StopClicked() {
  if (closing_ || stopRequested_) return;
  if (!finished_) {
    // The job waits while the question is open, and goes on as it was.
    const bool wasPaused = paused();
    SetPaused(true);
    const bool yes = QuestionBox(this, kAbortMailMergeQuestion);
    SetPaused(wasPaused);
    if (!yes || closing_) return;
  }
  stopRequested_ = true;
  if (runner_) runner_->RequestStop();
}

void MailMergeJobWindow::reject() { StopClicked(); }

void MailMergeJobWindow::Finish() {
  if (finished_) return;
  finished_ = true;
  if (kind_ == JobMailKind::Text) RunLetterMerge();
  pause_->hide();
  stop_->hide();
  deadlineView_->hide();
  ok_->show();
  TesselDialog::CentreOver(this, mainWindow_);
  ok_->setFocus();
}

void MailMergeJobWindow::RunLetterMerge() {
  if (!transport_.letterMerge) {
    // Without a word processor the rows stay in the data file for the user.
    const std::string text = "The mail merge data is written to\r\n" + transport_.dataFile +
                             "\r\nbut no word processor is set up to merge it with the letter template.";
    InformationBox(this, text);
    SetStatus(FromUtf8(JobCountsLine(textCounts_)) + QStringLiteral(". No word processor to merge with."));
    return;
  }
  const Result merged = transport_.letterMerge(this, transport_.dataFile, settings_);
  if (merged.ok()) return;
  SetStatus(FromUtf8(JobCountsLine(textCounts_)) + (merged.what() == mailmerge::kWriterCancelled
                                                        ? QStringLiteral(". The word processor's merge was cancelled.")
                                                        : QStringLiteral(". The word processor's merge did not run.")));
}

void MailMergeJobWindow::CloseJob() {
  if (closing_) return;
  closing_ = true;
  timer_.stop();
  emit closed();
  hide();
  deleteLater();
}

}  // namespace velmora
