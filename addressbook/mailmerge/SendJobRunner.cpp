#include "addressbook/mailmerge/SendJobRunner.h"

#include <utility>

namespace velmora {

SendJobRunner::SendJobRunner(SendJob job, JobMailKind kind, Sender send)
    : SendJobRunner(std::move(job), kind, std::move(send), nullptr, std::nullopt) {}

SendJobRunner::SendJobRunner(SendJob job, JobMailKind kind, Sender send, AbandonFlag abandon,
                             std::optional<Clock::time_point> deadline)
    : job_(std::move(job)),
      kind_(kind),
      send_(std::move(send)),
      abandon_(abandon ? std::move(abandon) : std::make_shared<std::atomic<bool>>(false)),
      deadline_(deadline) {
  counts_.items = EnabledCount(job_.entries);
}

SendJobRunner::~SendJobRunner() {
  // Nobody waits for the message any more: it is given up.
  abandon_->store(true);
  JoinWorker();
}

std::string TimeLimitLogLine(int unsent) {
  return "Time limit reached: " + std::to_string(unsent) + (unsent == 1 ? " message" : " messages") + " not sent";
}

SendJobRunner::Tick SendJobRunner::FinishAtTimeLimit() {
  // Called with the mutex held and no worker running.
  int unsent = 0;
  for (size_t i = index_; i < job_.entries.size(); ++i) unsent += job_.entries[i].enabled;
  pendingLog_ += std::string(anyLine_ ? "\r\n" : "") + TimeLimitLogLine(unsent);
  anyLine_ = true;
  timedOut_ = true;
  finished_ = true;
  return Tick::Finished;
}

void SendJobRunner::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

SendJobRunner::Tick SendJobRunner::OnTick() {
  std::unique_lock lock(mutex_);
  if (closed_) return Tick::Closed;
  if (stopRequested_) {
    if (running_) return Tick::Waiting;
    closed_ = true;
    lock.unlock();
    JoinWorker();
    return Tick::Closed;
  }
  // The time limit counts while messages remain, paused or not.
  if (!finished_ && deadline_ && (running_ || index_ < job_.entries.size()) && Clock::now() >= *deadline_) {
    abandon_->store(true);
    if (running_) return Tick::Waiting;
    lock.unlock();
    JoinWorker();
    lock.lock();
    return FinishAtTimeLimit();
  }
  if (paused_ || finished_ || running_) return Tick::Waiting;
  if (index_ < job_.entries.size()) {
    running_ = true;
    size_t index = index_;
    lock.unlock();
    // The previous worker has cleared the running flag and is ending.
    JoinWorker();
    try {
      worker_ = std::thread(&SendJobRunner::Work, this, index);
    } catch (const std::system_error&) {
      std::lock_guard relock(mutex_);
      running_ = false;
      pendingLog_ += std::string(anyLine_ ? "\r\n" : "") + "Unable to start EMAILSendItem thread !";
      anyLine_ = true;
      finished_ = true;
      return Tick::Finished;
    }
    return Tick::Started;
  }
  finished_ = true;
  return Tick::Finished;
}

void SendJobRunner::Work(size_t index) {
  std::unique_lock lock(mutex_);
  RecipientEntry& entry = job_.entries[index];
  if (entry.enabled) {
    pendingLog_ += std::string(anyLine_ ? "\r\n" : "") + JobLogLineStart(kind_, counts_.NextNumber(), entry.contact);
    anyLine_ = true;
    RecipientEntry copy = entry;
    lock.unlock();
    const bool sent = send_(copy);
    lock.lock();
    pendingLog_ += sent ? "True" : "False";
    if (sent) {
      ++counts_.trueCount;
    } else {
      ++counts_.falseCount;
      job_.entries[index].enabled = false;
    }
  }
  // The index moves before the flag clears, so a tick never starts a second
  // worker on the same entry.
  index_ = index + 1;
  running_ = false;
}

void SendJobRunner::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void SendJobRunner::Continue() {
  std::lock_guard lock(mutex_);
  paused_ = false;
}

void SendJobRunner::RequestStop() {
  std::lock_guard lock(mutex_);
  stopRequested_ = true;
}

bool SendJobRunner::paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool SendJobRunner::timedOut() const {
  std::lock_guard lock(mutex_);
  return timedOut_;
}

bool SendJobRunner::finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool SendJobRunner::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

bool SendJobRunner::sending() const {
  std::lock_guard lock(mutex_);
  return running_;
}

SendJobCounts SendJobRunner::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

std::string SendJobRunner::TakeLog() {
  std::lock_guard lock(mutex_);
  return std::exchange(pendingLog_, std::string());
}

std::vector<bool> SendJobRunner::EnabledFlags() const {
  std::lock_guard lock(mutex_);
  std::vector<bool> flags;
  for (const RecipientEntry& e : job_.entries) flags.push_back(e.enabled);
  return flags;
}

}  // namespace velmora
