#include "shell/RecordFileCommands.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "store/Bytes.h"
#include "store/Categories.h"
#include "store/Compact.h"
#include "store/RecordHeader.h"
#include "store/Refresh.h"
#include "tests/support/ForwardingFiles.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;

// Records what a flow showed the user.
struct Shown {
  std::vector<int> messages;
  std::vector<std::string> texts;
  int beeps = 0;
  std::vector<std::string> sounds;
  FlowUi ui() {
    FlowUi u;
    u.message = [this](int n) { messages.push_back(n); };
    u.messageText = [this](const std::string& t) { texts.push_back(t); };
    u.beep = [this] { ++beeps; };
    u.play = [this](const std::string& s) { sounds.push_back(s); };
    return u;
  }
};

// Passes everything to the real file system and keeps, per file opened (in
// order), a count of its syncs and switches that make its writes or its
// syncs fail as a full disk would.
class WatchedFileSystem : public testing::ForwardingFileSystem {
 public:
  struct Watch {
    int syncs = 0;
    bool failWrites = false;
    bool failSyncs = false;
  };
  std::vector<std::shared_ptr<Watch>> files;
  static Result FullDisk() { return Result::Fail("Cannot write", ENOSPC, "watched"); }

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::OpenReadOnly) return;
    files.push_back(std::make_shared<Watch>());
    file = std::make_unique<Watched>(std::move(file), files.back());
  }

 private:
  class Watched : public testing::ForwardingFile {
   public:
    Watched(std::unique_ptr<File> inner, std::shared_ptr<Watch> watch)
        : ForwardingFile(std::move(inner)), watch_(std::move(watch)) {}
    Result WriteAt(uint64_t o, const void* b, size_t n) override {
      return watch_->failWrites ? FullDisk() : inner().WriteAt(o, b, n);
    }
    Result Sync() override {
      ++watch_->syncs;
      return watch_->failSyncs ? FullDisk() : inner().Sync();
    }

   private:
    std::shared_ptr<Watch> watch_;
  };
};

using testing::ScopedFileSystem;

class RecordFileCommandsTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string path = dir.File("book.adr");

  void SetUp() override { ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok()); }
  void SetPasswords(const std::string& owner, const std::string& assistant, const std::string& reader) {
    RecordStore store(path, owner);
    Bytes header;
    ASSERT_TRUE(store.ReadHeader(header).ok());
    PutText(header.data() + h::kOwnerPassword, 20, owner);
    PutText(header.data() + h::kAssistantPassword, 20, assistant);
    PutText(header.data() + h::kReaderPassword, 20, reader);
    ASSERT_TRUE(store.WriteHeader(header).ok());
  }
  RecordPosition AddRecord(bool confidential = false, uint8_t exchangeState = 0) {
    RecordStore store(path, CurrentOwner());
    Bytes record;
    store.InitRecord(record, store.recordSize());
    rec::SetConfidential(record.data(), confidential);
    record[format::record::kExchangeState] = exchangeState;
    RecordPosition where = 0;
    EXPECT_TRUE(store.AddRecord(record, &where).ok());
    return where;
  }
  std::string CurrentOwner() {
    RecordStore probe(path, kProbePassword);
    Bytes header;
    EXPECT_TRUE(probe.ReadHeader(header).ok());
    return std::string(RawText(header.data() + h::kOwnerPassword, 20));
  }
};

TEST_F(RecordFileCommandsTest, ChoosingThePasswordWhenOpening) {
  Shown shown;
  int prompts = 0;
  auto answer = [&](std::optional<std::string> typed) {
    return [&prompts, typed](const std::string& name) {
      EXPECT_EQ(name, "book.adr");
      ++prompts;
      return typed;
    };
  };
  // No Owner password: no prompt, Owner access with the empty password.
  EXPECT_EQ(ChooseOpenPassword(path, answer("x"), shown.ui()), std::optional<std::string>(""));
  EXPECT_EQ(prompts, 0);

  SetPasswords("own", "asst", "read");
  EXPECT_EQ(ChooseOpenPassword(path, answer("asst"), shown.ui()), std::optional<std::string>("asst"));
  EXPECT_EQ(ChooseOpenPassword(path, answer("read"), shown.ui()), std::optional<std::string>("read"));
  EXPECT_TRUE(shown.messages.empty());
  EXPECT_EQ(ChooseOpenPassword(path, answer("OWN"), shown.ui()), std::nullopt);
  EXPECT_EQ(shown.messages, std::vector<int>{103});
  EXPECT_EQ(ChooseOpenPassword(path, answer(std::nullopt), shown.ui()), std::nullopt);  // Cancel
  EXPECT_EQ(shown.messages.size(), 1u);
  EXPECT_EQ(ChooseOpenPassword(dir.File("missing.adr"), answer("own"), shown.ui()), std::nullopt);
  // With the Owner password set, an empty Assistant or Reader slot is no
  // password: typing nothing opens nothing.
  for (const NetworkPasswords& set : {NetworkPasswords{"own", "", "read"}, NetworkPasswords{"own", "asst", ""},
                                      NetworkPasswords{"own", "", ""}}) {
    SetPasswords(set.owner, set.assistant, set.reader);
    shown.messages.clear();
    EXPECT_EQ(ChooseOpenPassword(path, answer(""), shown.ui()), std::nullopt) << set.assistant << "/" << set.reader;
    EXPECT_EQ(shown.messages, std::vector<int>{103});
  }
  shown.messages.clear();
  EXPECT_EQ(ChooseOpenPassword(path, answer("own"), shown.ui()), std::optional<std::string>("own"));
  // The probe connection left nothing open.
  EXPECT_FALSE(RecordStore::IsInUse(path));
}

TEST_F(RecordFileCommandsTest, ChangingNetworkPasswords) {
  SetPasswords("own", "asst", "read");
  Shown shown;
  NetworkPasswords wanted{"new-owner", "new-asst", "new-read"};
  NetworkPasswords typo{"new-owner", "new-ast", "new-read"};

  RecordStore assistant(path, "asst");
  EXPECT_FALSE(ChangeNetworkPasswords(assistant, [&] { return wanted; }, [&] { return wanted; }, shown.ui()));
  EXPECT_EQ(shown.messages, std::vector<int>{102});

  RecordStore owner(path, "own");
  std::deque<std::optional<NetworkPasswords>> verifications = {typo, wanted};
  auto verify = [&] {
    auto next = verifications.front();
    verifications.pop_front();
    return next;
  };
  shown.messages.clear();
  EXPECT_TRUE(ChangeNetworkPasswords(owner, [&] { return wanted; }, verify, shown.ui()));
  EXPECT_EQ(shown.messages, std::vector<int>{101});  // the typo was sent back once
  EXPECT_EQ(owner.GetAccessLevel(), kAccessOwner);
  EXPECT_EQ(owner.password(), "new-owner");
  EXPECT_EQ(RecordStore(path, "new-asst").GetAccessLevel(), kAccessAssistant);
  EXPECT_EQ(RecordStore(path, "own").GetAccessLevel(), kAccessNone);

  // Cancel in the verification leaves the passwords alone.
  NetworkPasswords other{"x", "y", "z"};
  EXPECT_FALSE(ChangeNetworkPasswords(owner, [&] { return other; }, [] { return std::nullopt; }, shown.ui()));
  EXPECT_EQ(RecordStore(path, "new-owner").GetAccessLevel(), kAccessOwner);

  // A password longer than the header holds is stored cut, and the owner
  // keeps access through the stored text.
  NetworkPasswords longOne{"abcdefghijklmnopqrstuvwxyz", "", ""};
  EXPECT_TRUE(ChangeNetworkPasswords(owner, [&] { return longOne; }, [&] { return longOne; }, shown.ui()));
  EXPECT_EQ(owner.GetAccessLevel(), kAccessOwner);
  EXPECT_EQ(owner.password(), "abcdefghijklmnopqrs");
}

TEST_F(RecordFileCommandsTest, AFileThatIsNotARecordFileShowsTheReason) {
  const std::string notes = dir.File("notes.adr");
  std::ofstream(notes) << "just some text";
  for (const std::string& unreadable : {notes, dir.File("missing.adr")}) {
    SCOPED_TRACE(unreadable);
    Shown shown;
    int prompts = 0;
    auto prompt = [&](const std::string&) -> std::optional<std::string> {
      ++prompts;
      return "x";
    };
    EXPECT_EQ(ChooseOpenPassword(unreadable, prompt, shown.ui()), std::nullopt);
    EXPECT_EQ(prompts, 0);
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_NE(shown.texts[0].find(unreadable), std::string::npos) << shown.texts[0];
    const ResultOf<NetworkPasswords> passwords = ReadNetworkPasswords(unreadable);
    EXPECT_FALSE(passwords.ok());
    EXPECT_EQ(passwords.Message(), shown.texts[0]);
  }
  SetPasswords("own", "asst", "read");
  ASSERT_TRUE(ReadNetworkPasswords(path).ok());
  EXPECT_EQ(ReadNetworkPasswords(path).value(), (NetworkPasswords{"own", "asst", "read"}));
  EXPECT_FALSE(RecordStore::IsInUse(path));
}

TEST_F(RecordFileCommandsTest, NewNetworkPasswordsAreFlushedAndAFailedWriteIsShown) {
  SetPasswords("own", "asst", "read");
  WatchedFileSystem fs;
  ScopedFileSystem installed(&fs);
  RecordStore owner(path, "own");
  ASSERT_EQ(fs.files.size(), 1u);
  const std::shared_ptr<WatchedFileSystem::Watch> watch = fs.files[0];
  Shown shown;
  const NetworkPasswords wanted{"new-owner", "new-asst", "new-read"};
  const int syncsBefore = watch->syncs;
  EXPECT_TRUE(ChangeNetworkPasswords(owner, [&] { return wanted; }, [&] { return wanted; }, shown.ui()));
  EXPECT_GT(watch->syncs, syncsBefore) << "the new passwords are made durable at once";

  watch->failWrites = true;
  const NetworkPasswords other{"x", "y", "z"};
  EXPECT_FALSE(ChangeNetworkPasswords(owner, [&] { return other; }, [&] { return other; }, shown.ui()));
  watch->failWrites = false;
  EXPECT_EQ(shown.texts, std::vector<std::string>{WatchedFileSystem::FullDisk().Message()});
  EXPECT_EQ(owner.password(), "new-owner") << "the connection keeps the password it had";
  EXPECT_EQ(owner.GetAccessLevel(), kAccessOwner);
  ASSERT_TRUE(ReadNetworkPasswords(path).ok());
  EXPECT_EQ(ReadNetworkPasswords(path).value(), wanted);
}

TEST_F(RecordFileCommandsTest, EditingCategories) {
  SetPasswords("own", "asst", "read");
  auto addApples = [](CategoryList& list) { return list.Add("apples"); };
  auto cancel = [](CategoryList& list) {
    (void)list.Add("dropped");
    return false;
  };
  struct Case {
    const char* name;
    const char* password;
    CategoriesEditor editor;
    bool written;
    std::vector<int> messages;
  };
  const Case cases[] = {
      {"reader", "read", addApples, false, {102}},
      {"no access", "nobody", addApples, false, {102}},
      {"cancelled", "asst", cancel, false, {}},
      {"assistant", "asst", addApples, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes defaults;
    BuildDefaultCategories(defaults);
    {
      RecordStore owner(path, "own");
      ASSERT_TRUE(owner.WriteCategories(defaults).ok());
    }
    WatchedFileSystem fs;
    ScopedFileSystem installed(&fs);
    RecordStore store(path, c.password);
    ASSERT_EQ(fs.files.size(), 1u);
    const int syncsBefore = fs.files[0]->syncs;
    Shown shown;
    EXPECT_EQ(EditCategories(store, c.editor, shown.ui()), c.written);
    EXPECT_EQ(shown.messages, c.messages);
    EXPECT_TRUE(shown.texts.empty());
    Bytes block;
    ASSERT_TRUE(store.ReadCategories(block).ok());
    if (c.written) {
      EXPECT_GT(fs.files[0]->syncs, syncsBefore) << "flushed";
      std::vector<std::string> names = CategoryNames(block);
      ASSERT_EQ(names.size(), 16u);
      EXPECT_EQ(names[0], "apples");
      EXPECT_EQ(names[5], "Holiday");  // written in the sorted order
    } else {
      EXPECT_EQ(block, defaults);
    }
  }
}

TEST_F(RecordFileCommandsTest, EditingCategoriesShowsAFailedWrite) {
  WatchedFileSystem fs;
  ScopedFileSystem installed(&fs);
  RecordStore store(path, "");
  ASSERT_EQ(fs.files.size(), 1u);
  Bytes before;
  ASSERT_TRUE(store.ReadCategories(before).ok());
  Shown shown;
  fs.files[0]->failWrites = true;
  EXPECT_FALSE(EditCategories(store, [](CategoryList& list) { return list.Remove(0); }, shown.ui()));
  fs.files[0]->failWrites = false;
  EXPECT_EQ(shown.texts, std::vector<std::string>{WatchedFileSystem::FullDisk().Message()});
  Bytes after;
  ASSERT_TRUE(store.ReadCategories(after).ok());
  EXPECT_EQ(after, before);
}

TEST_F(RecordFileCommandsTest, EditingAnEntryFollowsTheOrder) {
  SetPasswords("own", "asst", "read");
  RecordPosition plain = AddRecord();
  RecordPosition secret = AddRecord(true);
  RecordPosition sending = AddRecord(false, 9);
  auto rename = [](Bytes& record) {
    PutText(record.data() + 829, 30, "Edited");
    return true;
  };
  struct Case {
    const char* name;
    const char* password;
    RecordPosition position;
    bool lockedElsewhere;
    bool confirm;
    EditOutcome outcome;
    std::vector<int> messages;
    int beeps;
  };
  const Case cases[] = {
      {"reader", "read", plain, false, true, EditOutcome::NoPermission, {102}, 0},
      {"held by another user", "asst", plain, true, true, EditOutcome::Locked, {106}, 0},
      {"being sent", "own", sending, false, true, EditOutcome::Skipped, {}, 1},
      {"confidential for an assistant", "asst", secret, false, true, EditOutcome::Skipped, {}, 0},
      {"cancelled", "asst", plain, false, false, EditOutcome::Cancelled, {}, 0},
      {"saved", "asst", plain, false, true, EditOutcome::Saved, {}, 0},
      {"confidential for the owner", "own", secret, false, true, EditOutcome::Saved, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordStore other(path, "own");
    if (c.lockedElsewhere) {
      ASSERT_TRUE(other.LockRecord(c.position).ok());
    }
    RecordStore store(path, c.password);
    Shown shown;
    uint64_t before = store.GetChangeCounter();
    EditOutcome outcome = EditEntry(
        store, c.position, [&](Bytes& record) { return c.confirm && rename(record); }, shown.ui());
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(shown.messages, c.messages);
    EXPECT_EQ(shown.beeps, c.beeps);
    EXPECT_EQ(store.GetChangeCounter(), before + (c.outcome == EditOutcome::Saved ? 1 : 0));
    EXPECT_EQ(shown.sounds, c.outcome == EditOutcome::Saved ? std::vector<std::string>{"add.wav"}
                                                            : std::vector<std::string>{});
    Bytes record;
    ASSERT_TRUE(other.ReadRecord(record, c.position).ok());
    EXPECT_EQ(record[format::record::kEditLock], c.lockedElsewhere ? 1 : 0);
    if (c.outcome == EditOutcome::Saved) {
      EXPECT_EQ(RawText(record.data() + 829, 30), "Edited");
    }
    if (c.lockedElsewhere) {
      ASSERT_TRUE(other.UnlockRecord(c.position).ok());
    }
    EXPECT_TRUE(RefreshAllowed());
  }
}

TEST_F(RecordFileCommandsTest, EditingAnEntryShowsAFailedWrite) {
  const RecordPosition plain = AddRecord();
  WatchedFileSystem fs;
  ScopedFileSystem installed(&fs);
  RecordStore store(path, "");
  ASSERT_EQ(fs.files.size(), 1u);
  Shown shown;
  // The lock is taken and the record read; the write back fails.
  auto renameOnFullDisk = [&](Bytes& record) {
    PutText(record.data() + 829, 30, "Edited");
    fs.files[0]->failWrites = true;
    return true;
  };
  EXPECT_EQ(EditEntry(store, plain, renameOnFullDisk, shown.ui()), EditOutcome::Failed);
  fs.files[0]->failWrites = false;
  EXPECT_EQ(shown.texts, std::vector<std::string>{WatchedFileSystem::FullDisk().Message()});
  EXPECT_TRUE(shown.sounds.empty());
  RecordStore other(path, "");
  Bytes record;
  ASSERT_TRUE(other.ReadRecord(record, plain).ok());
  EXPECT_NE(RawText(record.data() + 829, 30), "Edited");
}

TEST_F(RecordFileCommandsTest, EditingAnEntryShowsAFailedFlush) {
  const RecordPosition plain = AddRecord();
  WatchedFileSystem fs;
  ScopedFileSystem installed(&fs);
  RecordStore store(path, "");
  ASSERT_EQ(fs.files.size(), 1u);
  Shown shown;
  auto rename = [](Bytes& record) {
    PutText(record.data() + 829, 30, "Edited");
    return true;
  };
  fs.files[0]->failSyncs = true;
  EXPECT_EQ(EditEntry(store, plain, rename, shown.ui()), EditOutcome::Failed);
  fs.files[0]->failSyncs = false;
  EXPECT_EQ(shown.texts, std::vector<std::string>{WatchedFileSystem::FullDisk().Message()});
  Bytes record;
  ASSERT_TRUE(store.ReadRecord(record, plain).ok());
  EXPECT_EQ(record[format::record::kEditLock], 0) << "unlocked before the flush";
}

TEST_F(RecordFileCommandsTest, CompactCommandShowsAHistoryThatCannotBeCompacted) {
  AddRecord();
  const std::string history = path + ".history";
  std::ofstream(history) << "just some text";
  Shown shown;
  EXPECT_TRUE(CompactCommand(path, true, shown.ui()));
  ASSERT_EQ(shown.texts.size(), 1u);
  EXPECT_NE(shown.texts[0].find(history), std::string::npos) << shown.texts[0];

  // A failure the compaction already told through its own window is not
  // told twice.
  std::vector<std::string> told;
  CompactUi progress;
  progress.showMessage = [&](const std::string& message) { told.push_back(message); };
  Shown again;
  EXPECT_TRUE(CompactCommand(path, true, again.ui(), &progress));
  EXPECT_EQ(told.size() + again.texts.size(), 1u);
}

TEST_F(RecordFileCommandsTest, SaveAsShowsAFailedFlushAndCopiesNothing) {
  AddRecord();
  WatchedFileSystem fs;
  ScopedFileSystem installed(&fs);
  RecordStore current(path, "");
  ASSERT_EQ(fs.files.size(), 1u);
  Shown shown;
  const std::string target = dir.File("copy.adr");
  fs.files[0]->failSyncs = true;
  EXPECT_FALSE(SaveAsCommand(current, target, false, shown.ui()));
  fs.files[0]->failSyncs = false;
  EXPECT_EQ(shown.texts, std::vector<std::string>{WatchedFileSystem::FullDisk().Message()});
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(RecordFileCommandsTest, CompactCommandRefusesAFileInUse) {
  AddRecord();
  Shown shown;
  {
    RecordStore open(path, "");
    EXPECT_FALSE(CompactCommand(path, true, shown.ui()));
  }
  EXPECT_EQ(shown.texts, std::vector<std::string>{"Program can't use \"" + path + "\".\r\nAccess has been denied"});
  ASSERT_TRUE(CreateRecordFile(path + ".history", format::FileKind::History).ok());
  {
    RecordStore history(path + ".history", "");
    Bytes record;
    history.InitRecord(record, history.recordSize());
    RecordPosition where = 0;
    ASSERT_TRUE(history.AddRecord(record, &where).ok());
    ASSERT_TRUE(history.DeleteRecord(where).ok());
  }
  EXPECT_TRUE(CompactCommand(path, true, shown.ui()));
  EXPECT_EQ(std::filesystem::file_size(path + ".history"), 2625u);  // its free slot is gone
}

TEST_F(RecordFileCommandsTest, SaveAsCopiesAndCompacts) {
  AddRecord();
  RecordStore current(path, "");
  Shown shown;
  EXPECT_FALSE(SaveAsCommand(current, dir.File("BOOK.ADR"), true, shown.ui()));  // its own path
  EXPECT_EQ(shown.beeps, 1);
  std::string target = dir.File("copy.adr");
  ASSERT_TRUE(CreateRecordFile(target, format::FileKind::Address).ok());
  {
    RecordStore busy(target, "");
    EXPECT_FALSE(SaveAsCommand(current, target, true, shown.ui()));
    EXPECT_EQ(shown.texts, std::vector<std::string>{AccessDeniedMessage(target)});
  }
  ASSERT_TRUE(SaveAsCommand(current, target, true, shown.ui()));
  RecordStore copy(target, "");
  Bytes header;
  ASSERT_TRUE(copy.ReadHeader(header).ok());
  EXPECT_EQ(GetI32(header.data() + h::kOpenCount), 1);  // only this connection
  EXPECT_EQ(std::filesystem::file_size(target), 2625u + 3729u);
}

// A copy without a history never inherits the history another file left
// at the target.
TEST_F(RecordFileCommandsTest, SaveAsWithoutAHistoryRemovesAStaleOneAtTheTarget) {
  RecordStore current(path, "");
  const std::string target = dir.File("copy.adr");
  ASSERT_TRUE(CreateRecordFile(target + ".history", format::FileKind::History).ok());
  Shown shown;
  ASSERT_TRUE(SaveAsCommand(current, target, true, shown.ui()));
  EXPECT_TRUE(shown.texts.empty());
  EXPECT_FALSE(std::filesystem::exists(target + ".history"));
}

TEST_F(RecordFileCommandsTest, SaveAsRefusesTheOpenFileUnderAnotherSpelling) {
  RecordStore current(path, "");
  const std::string folderName = std::filesystem::path(dir.path()).filename().string();
  const std::string symbolic = dir.File("symbolic.adr");
  const std::string hard = dir.File("hard.adr");
  std::filesystem::create_symlink(path, symbolic);
  std::filesystem::create_hard_link(path, hard);
  const std::string spellings[] = {dir.path() + "/./book.adr", dir.path() + "/../" + folderName + "/book.adr",
                                   symbolic, hard};
  Shown shown;
  for (const std::string& same : spellings) EXPECT_FALSE(SaveAsCommand(current, same, false, shown.ui())) << same;
  EXPECT_EQ(shown.beeps, 4);
  EXPECT_TRUE(shown.texts.empty());
  Bytes header;
  ASSERT_TRUE(current.ReadHeader(header).ok());
  EXPECT_EQ(GetI32(header.data() + h::kOpenCount), 1);
}

TEST_F(RecordFileCommandsTest, SaveAsShowsAFailedCopyAndTheProgressOfTheCopy) {
  AddRecord();
  RecordStore current(path, "");
  Shown shown;
  std::vector<bool> busy;
  FlowUi ui = shown.ui();
  ui.busy = [&](bool on) { busy.push_back(on); };
  int begun = 0, ended = 0;
  CompactUi progress;
  progress.begin = [&](const std::string&, uint64_t) { ++begun; };
  progress.end = [&] { ++ended; };

  const std::string nowhere = dir.File("no/such/folder/copy.adr");
  EXPECT_FALSE(SaveAsCommand(current, nowhere, false, ui, &progress));
  ASSERT_EQ(shown.texts.size(), 1u);
  EXPECT_FALSE(shown.texts[0].empty());
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(begun, 0);

  EXPECT_TRUE(SaveAsCommand(current, dir.File("copy.adr"), false, ui, &progress));
  EXPECT_EQ(shown.texts.size(), 1u);
  EXPECT_EQ(busy, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(begun, 1);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(shown.beeps, 0);
}

TEST(CategoryMenuTest, NewFileMenuAndEditedList) {
  Bytes block;
  BuildDefaultCategories(block);
  std::vector<CategoryMenuItem> menu = BuildCategoryMenu(block, 5000);
  ASSERT_EQ(menu.size(), 19u);
  EXPECT_EQ(menu.front(), (CategoryMenuItem{"All Categories", 5029}));
  EXPECT_TRUE(menu[1].separator());
  EXPECT_EQ(menu[2], (CategoryMenuItem{"Calls", 5000}));
  EXPECT_EQ(menu[16], (CategoryMenuItem{"Test", 5014}));
  EXPECT_TRUE(menu[17].separator());
  EXPECT_EQ(menu.back(), (CategoryMenuItem{"Edit Categories", 5030}));

  CategoryList list(block);
  EXPECT_EQ(list.names().front(), "Calls");
  EXPECT_EQ(list.names()[4], "Holiday");  // sorted, not in block order
  EXPECT_TRUE(list.Add("apples"));
  EXPECT_EQ(list.names().front(), "apples");
  EXPECT_TRUE(list.Add("Calls"));  // duplicates are not refused
  EXPECT_FALSE(list.Add(""));
  while (!list.IsFull()) ASSERT_TRUE(list.Add("zz"));
  EXPECT_EQ(list.names().size(), 29u);
  EXPECT_FALSE(list.Add("one too many"));
  EXPECT_TRUE(list.Remove(0));
  EXPECT_FALSE(list.Remove(99));
  Bytes written = list.ToBlock();
  EXPECT_EQ(GetU32(written.data() + 8), 28u);
  EXPECT_EQ(CategoryNames(written), list.names());
}

}  // namespace
}  // namespace velmora
