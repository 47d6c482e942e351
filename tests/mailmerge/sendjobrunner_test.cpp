#include "addressbook/mailmerge/SendJobRunner.h"

#include <gtest/gtest.h>

#include <chrono>
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
  EXPECT_EQ(runner.TakeLog(), "1 : Mapi mail : Send to : Anna Berg : True");
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

}  // namespace
}  // namespace velmora
