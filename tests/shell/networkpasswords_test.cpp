// "Network Passwords": only the Owner may set them, both dialogs must agree,
// and the running connection keeps Owner access afterwards.
#include "shell/NetworkPasswordsDialog.h"

#include "RecordFiles.h"
#include "ShellTestSupport.h"

namespace velmora::testing {
namespace {

namespace h = format::header;

void Enter(QWidget* dialog, const std::string& owner, const std::string& assistant, const std::string& reader) {
  Type(dialog, "owner", owner);
  Type(dialog, "assistant", assistant);
  Type(dialog, "reader", reader);
  Click(dialog, "1");
}

class NetworkPasswordsTest : public ShellTest {
 protected:
  void Open(const Passwords& passwords, const std::string& presented) {
    MakeRecordFile(path, passwords);
    store = std::make_unique<RecordStore>(path, presented);
    ASSERT_FALSE(store->OpenFailed());
  }
  Passwords OnDisk() const {
    return {PasswordOnDisk(path, h::kOwnerPassword), PasswordOnDisk(path, h::kAssistantPassword),
            PasswordOnDisk(path, h::kReaderPassword)};
  }

  std::string path = File("team.adr");
  std::unique_ptr<RecordStore> store;
};

TEST_F(NetworkPasswordsTest, OnlyTheOwnerMayChangeThem) {
  for (const char* presented : {"help", "look"}) {
    Open({"boss", "help", "look"}, presented);
    EXPECT_EQ(ChangeNetworkPasswords(nullptr, *store), 0);
    store.reset();
  }
  EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, "Program can't do this. You don't have permission."));
  EXPECT_EQ(PasswordOnDisk(path, h::kOwnerPassword), "boss");
}

TEST_F(NetworkPasswordsTest, DifferentEntriesAskAgainUntilTheyAgree) {
  Open({"", "", ""}, "");
  DialogScript script;
  script.Expect("networkPasswords", [](QWidget* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Network Passwords"));
    Enter(d, "chief", "aide", "guest");
  });
  script.Expect("verifyNetworkPasswords", [](QWidget* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Verify Network Passwords"));
    Enter(d, "chief", "aide", "gust");
  });
  script.Expect("verifyNetworkPasswords", [](QWidget* d) { Enter(d, "chief", "aide", "guest"); });

  EXPECT_EQ(ChangeNetworkPasswords(nullptr, *store), 1);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"You did not enter the same password. Try again."});
  const Passwords written = OnDisk();
  EXPECT_EQ(written.owner, "chief");
  EXPECT_EQ(written.assistant, "aide");
  EXPECT_EQ(written.reader, "guest");
  EXPECT_EQ(store->password(), "chief");
  EXPECT_EQ(store->GetAccessLevel(), kAccessOwner) << "the user keeps Owner access";
}

struct CancelCase {
  const char* name;
  int verifyMismatches;  // -1: cancel the first dialog
};

class NetworkPasswordsCancelTest : public NetworkPasswordsTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(NetworkPasswordsCancelTest, CancelChangesNothing) {
  const int mismatches = GetParam().verifyMismatches;
  Open({"boss", "help", "look"}, "boss");
  DialogScript script;
  script.Expect("networkPasswords", [mismatches](QWidget* d) {
    if (mismatches < 0) return Click(d, "2");
    Enter(d, "new", "new", "new");
  });
  for (int i = 0; i < mismatches; ++i) {
    script.Expect("verifyNetworkPasswords", [](QWidget* d) { Enter(d, "new", "new", "old"); });
  }
  if (mismatches >= 0) script.Expect("verifyNetworkPasswords", [](QWidget* d) { Click(d, "2"); });

  EXPECT_EQ(ChangeNetworkPasswords(nullptr, *store), 0);
  EXPECT_EQ(messages.size(), size_t(std::max(0, mismatches)));
  const Passwords kept = OnDisk();
  EXPECT_EQ(kept.owner, "boss");
  EXPECT_EQ(kept.assistant, "help");
  EXPECT_EQ(kept.reader, "look");
  EXPECT_EQ(store->password(), "boss");
}

INSTANTIATE_TEST_SUITE_P(Steps, NetworkPasswordsCancelTest,
                         ::testing::Values(CancelCase{"FirstDialog", -1}, CancelCase{"Verify", 0},
                                           CancelCase{"VerifyAfterAMismatch", 1}),
                         [](const ::testing::TestParamInfo<CancelCase>& info) { return std::string(info.param.name); });

TEST_F(NetworkPasswordsTest, FieldsHoldWhatTheHeaderCanStore) {
  Open({}, "");
  DialogScript script;
  script.Expect("networkPasswords", [](QWidget* d) {
    for (const char* name : {"owner", "assistant", "reader"}) {
      auto* edit = Control<QLineEdit>(d, name);
      EXPECT_EQ(edit->maxLength(), 19);
      EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    }
    Click(d, "2");
  });
  EXPECT_EQ(ChangeNetworkPasswords(nullptr, *store), 0);
}

}  // namespace
}  // namespace velmora::testing
