// The tray program as the desktop runs it: one instance per user through
// its bus name, General Options' box 104 following that name, the alarm of
// an appointment reaching the desktop from the program while Almanor is
// closed, and "--help" and "--version". Each test runs the built program
// on a private session bus with the recording notification service.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCheckBox>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QProcessEnvironment>

#include "TrayTestSupport.h"
#include "shell/GeneralOptionsDialog.h"
#include "shell/TrayApplication.h"
#include "tests/support/WaitUntil.h"
#include "tray/TrayProgram.h"

namespace velmora {
namespace {

using testing::At;
using testing::StubNotificationService;
using testing::WaitUntil;

QString Q(const char* text) { return QString::fromUtf8(text); }

class TrayProgramTest : public testing::TrayCalendarFixture {
 protected:
  void SetUp() override {
    if (!service_.problem().empty()) GTEST_SKIP() << service_.problem();
    SetTrayBus(service_.bus());
  }
  void TearDown() override {
    ResetTrayBus();
    for (QProcess* process : {&first_, &second_}) {
      if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
  }

  // Starts the program on the private bus, in the sandbox's folders.
  void Start(QProcess& process) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(Q("DBUS_SESSION_BUS_ADDRESS"), service_.address());
    environment.insert(Q("DBUS_SYSTEM_BUS_ADDRESS"), service_.address());
    environment.insert(Q("QT_QPA_PLATFORM"), Q("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(Q(TRAY_BINARY), {});
    ASSERT_TRUE(process.waitForStarted(10000));
  }

  bool Owned() { return service_.bus().interface()->isServiceRegistered(Q(kTrayBusName)).value(); }

  // Box 104 as the dialog shows it now: checked, enabled.
  std::pair<bool, bool> Box104() {
    GeneralOptionsDialog dialog({});
    auto* box = dialog.findChild<QCheckBox*>(Q("104"));
    EXPECT_NE(box, nullptr);
    return box ? std::pair{box->isChecked(), box->isEnabled()} : std::pair{false, false};
  }

  StubNotificationService service_;
  QProcess first_, second_;
};

TEST_F(TrayProgramTest, OwnsItsNameAndBox104FollowsIt) {
  EXPECT_EQ(Box104(), (std::pair{false, true}));
  Start(first_);
  ASSERT_TRUE(WaitUntil([&] { return Owned(); }, 20000)) << first_.readAllStandardError().toStdString();
  EXPECT_EQ(Box104(), (std::pair{true, false}));
  // Ended as the session ends it: it leaves cleanly and gives the name up.
  ::kill(pid_t(first_.processId()), SIGTERM);
  ASSERT_TRUE(first_.waitForFinished(10000));
  EXPECT_EQ(first_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first_.exitCode(), 0);
  ASSERT_TRUE(WaitUntil([&] { return !Owned(); }, 10000));
  EXPECT_EQ(Box104(), (std::pair{false, true}));
}

TEST_F(TrayProgramTest, ASecondInstanceLeavesAtOnce) {
  Start(first_);
  ASSERT_TRUE(WaitUntil([&] { return Owned(); }, 20000));
  Start(second_);
  ASSERT_TRUE(second_.waitForFinished(10000));
  EXPECT_EQ(second_.exitCode(), 0);
  EXPECT_TRUE(second_.readAllStandardError().contains("run already"));
  EXPECT_EQ(first_.state(), QProcess::Running);
  // The same when something else holds the name.
  EXPECT_EQ(ClaimTrayName(service_.bus()), TrayClaim::Taken);
}

TEST_F(TrayProgramTest, WithoutATrayItRingsAndSaysOnceThatItHasNoIcon) {
  // An appointment whose alarm is due now, in the calendar Almanor opened
  // last; Almanor itself is not running.
  const QDateTime now = QDateTime::currentDateTime();
  EventRecord e = Make(now.date(), "Dentist", At(now.time().hour(), now.time().minute()));
  const RecordPosition at = Add(e);
  Start(first_);
  ASSERT_TRUE(WaitUntil([&] { return service_.NotifyCount() >= 2; }, 20000))
      << service_.Lines().join(Q("\n")).toStdString();
  testing::RunEventsFor(300);
  QStringList summaries;
  for (uint id : {41u, 42u}) summaries << service_.Notified(id)[Q("summary")];
  summaries.sort();
  EXPECT_EQ(summaries, (QStringList{Q("Dentist"), Q("Velmora reminders")}));
  EXPECT_EQ(service_.NotifyCount(), 2);
  EXPECT_FALSE(Read(at).alarmSet());
  ::kill(pid_t(first_.processId()), SIGTERM);
  ASSERT_TRUE(first_.waitForFinished(10000));
  // It closed the calendar: nobody has it open now but this test.
  store_.reset();
  EXPECT_FALSE(RecordStore::IsInUse(path_));
}

TEST(TrayProgramOptions, HelpAndVersionNeedNoDisplay) {
  struct Case {
    const char* option;
    const char* starts;
  } cases[] = {{"--version", "Velmora 0."}, {"--help", "Usage: Velmora\n"}};
  for (const Case& c : cases) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(Q("DISPLAY"));
    environment.remove(Q("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(Q(TRAY_BINARY), {Q(c.option)});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0) << c.option;
    EXPECT_TRUE(process.readAllStandardOutput().startsWith(c.starts)) << c.option;
  }
}

}  // namespace
}  // namespace velmora
