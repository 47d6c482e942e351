// The send job of e-mail merges carried out one recipient at a time: the
// job window's timer calls Tick, which starts one worker thread per entry,
// never more than one at a time; pause, continue and stop act between
// messages. Everything the worker shares with the window is guarded by one
// mutex, and the worker's log pieces are handed over through TakeLog.
#pragma once

#include <functional>
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

  SendJobRunner(SendJob job, JobMailKind kind, Sender send);
  ~SendJobRunner();  // waits for a running worker
  SendJobRunner(const SendJobRunner&) = delete;
  SendJobRunner& operator=(const SendJobRunner&) = delete;

  enum class Tick { Waiting, Started, Finished, Closed };
  // One timer tick: closes when a stop was requested and no worker runs;
  // otherwise, unless paused, finished or stopping, starts the worker of the
  // current entry when none runs, or finishes (once) after the last entry.
  Tick OnTick();

  void Pause();
  void Continue();
  // Carried out at the first tick at which no worker runs.
  void RequestStop();

  bool paused() const;
  bool finished() const;
  bool closed() const;
  bool sending() const;
  SendJobCounts counts() const;
  // The log text added since the last call, line breaks included.
  std::string TakeLog();
  // The entries' enabled flags as they stand (a failed entry is disabled).
  std::vector<bool> EnabledFlags() const;

 private:
  void Work(size_t index);
  void JoinWorker();

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
};

}  // namespace velmora
