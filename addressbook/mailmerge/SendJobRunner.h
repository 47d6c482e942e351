// The send job of e-mail merges carried out one recipient at a time: the
// job window's timer calls Tick, which starts one worker thread per entry,
// never more than one at a time; pause, continue and stop act between
// messages. Everything the worker shares with the window is guarded by one
// mutex, and the worker's log pieces are handed over through TakeLog.
//
// A job may have a time limit: once it has passed, the message on its way
// is given up (the sender watches the abandon flag) and the job finishes
// with the rest unsent. The runner going away gives up the message too.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "addressbook/mailmerge/MailMergeJob.h"

namespace velmora {

class SendJobRunner {
 public:
  // Sends one entry's message on the worker thread; true when sent.
  using Sender = std::function<bool(const RecipientEntry&)>;

  using Clock = std::chrono::steady_clock;
  // Set when the message being sent is to be given up.
  using AbandonFlag = std::shared_ptr<std::atomic<bool>>;

  SendJobRunner(SendJob job, JobMailKind kind, Sender send);
  // abandon: the flag the sender watches; deadline: the job's time limit.
  SendJobRunner(SendJob job, JobMailKind kind, Sender send, AbandonFlag abandon,
                std::optional<Clock::time_point> deadline);
  ~SendJobRunner();  // waits for a running worker
  SendJobRunner(const SendJobRunner&) = delete;
  SendJobRunner& operator=(const SendJobRunner&) = delete;

  enum class Tick { Waiting, Started, Finished, Closed };
  // One timer tick: closes when a stop was requested and no worker runs;
  // finishes (once) when the time limit has passed, after giving up the
  // message on its way; otherwise, unless paused, finished or stopping,
  // starts the worker of the current entry when none runs, or finishes
  // (once) after the last entry.
  Tick OnTick();

  void Pause();
  void Continue();
  // Carried out at the first tick at which no worker runs.
  void RequestStop();

  bool paused() const;
  bool finished() const;
  bool closed() const;
  bool sending() const;
  // Whether the job ended at its time limit.
  bool timedOut() const;
  const AbandonFlag& abandonFlag() const { return abandon_; }
  SendJobCounts counts() const;
  // The log text added since the last call, line breaks included.
  std::string TakeLog();
  // The entries' enabled flags as they stand (a failed entry is disabled).
  std::vector<bool> EnabledFlags() const;

 private:
  void Work(size_t index);
  void JoinWorker();
  Tick FinishAtTimeLimit();

  mutable std::mutex mutex_;
  SendJob job_;
  JobMailKind kind_;
  Sender send_;
  std::thread worker_;
  size_t index_ = 0;
  SendJobCounts counts_;
  bool running_ = false;
  bool paused_ = false;
  bool stopRequested_ = false;
  bool finished_ = false;
  bool closed_ = false;
  bool anyLine_ = false;
  std::string pendingLog_;
  AbandonFlag abandon_;
  std::optional<Clock::time_point> deadline_;
  bool timedOut_ = false;
};

// The log line of a job ended at its time limit: "Time limit reached: N
// messages not sent".
std::string TimeLimitLogLine(int unsent);

}  // namespace velmora
