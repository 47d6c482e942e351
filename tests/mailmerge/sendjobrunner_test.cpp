#include "addressbook/mailmerge/SendJobRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace velmora {
namespace {

using namespace std::chrono_literals;

RecipientEntry Entry(const char* first, const char* last, bool enabled = true) {
  RecipientEntry e;
  e.contact.SetText(contact::kFirstName, first);
  e.contact.SetText(contact::kLastName, last);
  e.enabled = e.available = enabled;
  return e;
}

SendJob ThreeAndADisabled() {
  SendJob job;
  job.entries = {Entry("Anna", "Berg"), Entry("Nils", "Off", false), Entry("Petter", "Dahl"), Entry("Mona", "Lie")};
  return job;
}

// A sender that holds each message until the test lets it go, and refuses
// "Petter".
class GatedSender {
 public:
  bool Send(const RecipientEntry& entry) {
    std::unique_lock lock(mutex_);
    ++started_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_ >= started_; });
    return entry.contact.Text(contact::kFirstName) != "Petter";
  }
  void Release() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  void ReleaseAll() {
    std::lock_guard lock(mutex_);
    released_ = 1000;
    changed_.notify_all();
  }
  bool WaitStarted(int n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return started_ >= n; });
  }
  int started() {
    std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int started_ = 0;
  int released_ = 0;
};

// Ticks like the job window's timer until the runner reaches want or the
// (generous) bound runs out.
bool TickUntil(SendJobRunner& runner, SendJobRunner::Tick want) {
  for (int i = 0; i < 5000; ++i) {
    if (runner.OnTick() == want) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

TEST(SendJobRunner, SendsInOrderAndLogsEachEnabledEntry) {
  GatedSender gate;
  gate.ReleaseAll();
  SendJobRunner runner(ThreeAndADisabled(), JobMailKind::Internet, [&](const RecipientEntry& e) { return gate.Send(e); });
  ASSERT_TRUE(TickUntil(runner, SendJobRunner::Tick::Finished));
  EXPECT_EQ(runner.TakeLog(),
            "1 : Internet mail : Send to : Anna Berg : True\r\n"
            "2 : Internet mail : Send to : Petter Dahl : False\r\n"
            "3 : Internet mail : Send to : Mona Lie : True");
  EXPECT_EQ(JobCountsLine(runner.counts()), "Items 3, True 2, False 1");
  EXPECT_EQ(runner.EnabledFlags(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(runner.TakeLog(), "");
  EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Waiting);  // finished once
  runner.RequestStop();
  EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Closed);
}

TEST(SendJobRunner, PauseLetsTheCurrentMessageFinish) {
  GatedSender gate;
  SendJobRunner runner(ThreeAndADisabled(), JobMailKind::Mapi, [&](const RecipientEntry& e) { return gate.Send(e); });
  EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Started);
  ASSERT_TRUE(gate.WaitStarted(1));
  runner.Pause();
  gate.Release();
  for (int i = 0; i < 200 && runner.sending(); ++i) std::this_thread::sleep_for(1ms);
  ASSERT_FALSE(runner.sending());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Waiting);
  EXPECT_EQ(gate.started(), 1);
  EXPECT_EQ(runner.TakeLog(), "1 : Your e-mail program : Send to : Anna Berg : True");
  runner.Continue();
  gate.ReleaseAll();
  ASSERT_TRUE(TickUntil(runner, SendJobRunner::Tick::Finished));
  EXPECT_EQ(gate.started(), 3);
}

TEST(SendJobRunner, StopClosesAfterTheCurrentMessage) {
  GatedSender gate;
  SendJobRunner runner(ThreeAndADisabled(), JobMailKind::Internet, [&](const RecipientEntry& e) { return gate.Send(e); });
  EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Started);
  ASSERT_TRUE(gate.WaitStarted(1));
  runner.RequestStop();
  EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Waiting);  // never interrupts a worker
  EXPECT_FALSE(runner.closed());
  gate.Release();
  ASSERT_TRUE(TickUntil(runner, SendJobRunner::Tick::Closed));
  EXPECT_EQ(gate.started(), 1);
  EXPECT_EQ(JobCountsLine(runner.counts()), "Items 3, True 1, False 0");
  EXPECT_FALSE(runner.finished());
}

// A sender like a mail server that never answers: it waits until the
// message is given up (or, as a bound for the test, ten seconds) and then
// says not sent.
bool SendUntilAbandoned(const SendJobRunner::AbandonFlag& abandon) {
  const auto bound = std::chrono::steady_clock::now() + 10s;
  while (!abandon->load() && std::chrono::steady_clock::now() < bound) std::this_thread::sleep_for(1ms);
  return false;
}

// At the time limit the message on its way is given up (logged "False") and
// the job finishes with the rest unsent, whether running or paused.
TEST(SendJobRunner, TheTimeLimitGivesUpTheMessageOnItsWayAndTheRest) {
  for (bool paused : {false, true}) {
    SCOPED_TRACE(paused);
    auto abandon = std::make_shared<std::atomic<bool>>(false);
    const auto started = SendJobRunner::Clock::now();
    SendJobRunner runner(ThreeAndADisabled(), JobMailKind::Internet,
                         [abandon](const RecipientEntry&) { return SendUntilAbandoned(abandon); }, abandon,
                         started + 300ms);
    EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Started);
    if (paused) runner.Pause();
    ASSERT_TRUE(TickUntil(runner, SendJobRunner::Tick::Finished));
    EXPECT_LT(SendJobRunner::Clock::now() - started, 5s) << "the message was given up, not waited for";
    EXPECT_TRUE(runner.timedOut());
    EXPECT_TRUE(abandon->load());
    EXPECT_EQ(runner.TakeLog(),
              "1 : Internet mail : Send to : Anna Berg : False\r\nTime limit reached: 2 messages not sent");
    const SendJobCounts counts = runner.counts();
    EXPECT_EQ(counts.items, 3);
    EXPECT_EQ(counts.trueCount, 0);
    EXPECT_EQ(counts.falseCount, 1);
    EXPECT_EQ(runner.OnTick(), SendJobRunner::Tick::Waiting);  // finished once
  }
}

// A job done before its limit is not touched by it.
TEST(SendJobRunner, AJobDoneInTimeIsNotStopped) {
  GatedSender gate;
  gate.ReleaseAll();
  auto abandon = std::make_shared<std::atomic<bool>>(false);
  SendJobRunner runner(ThreeAndADisabled(), JobMailKind::Internet,
                       [&](const RecipientEntry& e) { return gate.Send(e); }, abandon,
                       SendJobRunner::Clock::now() + 60s);
  ASSERT_TRUE(TickUntil(runner, SendJobRunner::Tick::Finished));
  EXPECT_FALSE(runner.timedOut());
  EXPECT_FALSE(abandon->load());
  EXPECT_EQ(runner.counts().trueCount, 2);
}

// The runner going away (the window closing with the program) does not
// wait for a server that never answers.
TEST(SendJobRunner, GoingAwayGivesUpTheMessageOnItsWay) {
  auto abandon = std::make_shared<std::atomic<bool>>(false);
  std::atomic<bool> sending{false};
  auto runner = std::make_unique<SendJobRunner>(
      ThreeAndADisabled(), JobMailKind::Internet,
      [abandon, &sending](const RecipientEntry&) {
        sending = true;
        return SendUntilAbandoned(abandon);
      },
      abandon, std::nullopt);
  EXPECT_EQ(runner->OnTick(), SendJobRunner::Tick::Started);
  for (int i = 0; i < 5000 && !sending; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(sending);
  const auto started = std::chrono::steady_clock::now();
  runner.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_TRUE(abandon->load());
}

}  // namespace
}  // namespace velmora
