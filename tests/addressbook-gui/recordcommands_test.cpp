// The record commands of the "Work" pane: the lock of another process, cut,
// copy and paste, delete and undo delete through the recycle bin, and a
// save that the disk refuses.
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <algorithm>
#include <set>

#include "RecordCommandsSupport.h"
#include "addressbook/gui/ContactRecycleBin.h"
#include "resources/Strings.h"
#include "toolkit/TesselClassWndBin.h"
#include "tests/support/ForwardingFiles.h"

namespace velmora::testing {
namespace {

class RecordCommandsTest : public RecordTest {};

// Another process holding a contact's edit lock until told to let go.
class LockingProcess {
 public:
  LockingProcess(const std::string& book, RecordPosition position) {
    int locked[2], release[2];
    EXPECT_EQ(::pipe(locked), 0);
    EXPECT_EQ(::pipe(release), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(locked[0]);
      ::close(release[1]);
      char answer = 'F';
      {
        RecordStore store(book, "owner");
        EditLock lock(store, position);
        if (lock.held()) answer = 'L';
        (void)!::write(locked[1], &answer, 1);
        char go;
        (void)!::read(release[0], &go, 1);
      }
      ::_exit(answer == 'L' ? 0 : 1);
    }
    ::close(locked[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 0;
    EXPECT_EQ(::read(locked[0], &answer, 1), 1);
    ::close(locked[0]);
    held_ = answer == 'L';
  }
  ~LockingProcess() {
    ::close(release_);  // end of file lets the other process go
    int status = 0;
    ::waitpid(pid_, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  bool held() const { return held_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

TEST_F(RecordCommandsTest, DeletingAContactAnotherProcessEditsShows106AndKeepsIt) {
  const RecordPosition ann = Add("Ann");
  pane.selected = ann;
  {
    LockingProcess other(book, ann);
    ASSERT_TRUE(other.held());
    sandbox.answers = {true};
    commands.DeleteContact();
    ASSERT_EQ(sandbox.MessageTexts(), std::vector<std::string>{LoadText(kMsgBeingEdited)});
    EXPECT_EQ(sandbox.MessageTexts()[0],
              "Program can't edit this entry. It is being edited by another user. Try again.");
    // Editing it is refused the same way, without opening the editor.
    commands.EditContact();
    EXPECT_EQ(sandbox.MessageTexts().size(), 2u);
  }
  EXPECT_EQ(Contacts().size(), 1u);
  EXPECT_FALSE(RecycleBin().Holds());
}

TEST_F(RecordCommandsTest, DeleteAsksAndANoKeepsTheContact) {
  const RecordPosition ann = Add("Ann");
  pane.selected = ann;
  sandbox.answers = {false};
  commands.DeleteContact();
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_EQ(sandbox.messages[0].kind, MessageKind::Question);
  EXPECT_EQ(sandbox.messages[0].text, LoadText(kMsgDeleteContact));
  EXPECT_EQ(Contacts().size(), 1u);
  EXPECT_FALSE(RecycleBin().Holds());
}

TEST_F(RecordCommandsTest, AReaderIsRefusedEveryChange) {
  const RecordPosition ann = Add("Ann");
  Open(book, "reader");
  pane.selected = ann;
  for (int command : {kCmdNewContact, kCmdEditContact, kCmdDeleteContact, kCmdCut, kCmdCopy,
                      kCmdOpenAttachment}) {
    sandbox.messages.clear();
    EXPECT_TRUE(commands.Run(command));
    EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{LoadText(kMsgNoPermission)}) << command;
  }
  EXPECT_EQ(Contacts().size(), 1u);
}

TEST_F(RecordCommandsTest, CutTakesContactAndHistoryIntoBinAndClipboardAndPasteGivesANewId) {
  const RecordPosition ann = Add("Ann");
  Add("Bob");
  const uint64_t annId = Read(ann).Id();
  AddHistory(annId, "called");
  pane.selected = ann;
  sandbox.answers = {true};
  commands.CutContact();
  EXPECT_EQ(Contacts().size(), 1u);
  EXPECT_EQ(HistoryEntries(), 0u);
  ASSERT_TRUE(RecycleBin().Holds());
  ASSERT_TRUE(ContactClipboard().Holds());
  EXPECT_EQ(Contact(*RecycleBin().Take(contact::kRecordSize)).Id(), annId);
  EXPECT_GE(pane.binChanges, 1);

  commands.PasteContact();
  commands.PasteContact();
  const auto contacts = Contacts();
  ASSERT_EQ(contacts.size(), 3u);
  std::set<uint64_t> ids;
  for (const auto& [name, id] : contacts) ids.insert(id);
  EXPECT_EQ(ids.size(), 3u) << "every paste gets its own id";
  EXPECT_FALSE(ids.contains(annId));
  EXPECT_EQ(HistoryEntries(), 0u);
  ASSERT_TRUE(pane.shown.has_value());
  EXPECT_EQ(Read(*pane.shown).Text(contact::kFirstName), "Ann");

  commands.UndoDelete();  // the bin gives back the old id as well
  EXPECT_EQ(Contacts().size(), 4u);
  EXPECT_TRUE(std::ranges::any_of(Contacts(), [&](const auto& c) { return c.second == annId; }));
}

// Another process with the history file open (another user's history
// window) until told to let go.
class HistoryHoldingProcess {
 public:
  explicit HistoryHoldingProcess(const std::string& book) {
    int opened[2], release[2];
    EXPECT_EQ(::pipe(opened), 0);
    EXPECT_EQ(::pipe(release), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(opened[0]);
      ::close(release[1]);
      char answer = 'F';
      {
        std::unique_ptr<RecordStore> history;
        if (OpenHistoryFile(book, false, history).ok()) answer = 'O';
        (void)!::write(opened[1], &answer, 1);
        char go;
        (void)!::read(release[0], &go, 1);
      }
      ::_exit(answer == 'O' ? 0 : 1);
    }
    ::close(opened[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 0;
    EXPECT_EQ(::read(opened[0], &answer, 1), 1);
    ::close(opened[0]);
    held_ = answer == 'O';
  }
  ~HistoryHoldingProcess() {
    ::close(release_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  bool held() const { return held_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

// The history file open elsewhere (this program's history window, another
// user's) does not keep a deleted or cut contact's entries: they go with
// the contact, nothing is told, and Undo delete brings back no entries.
TEST_F(RecordCommandsTest, AHistoryFileOpenElsewhereLosesTheDeletedContactsEntries) {
  enum class Holder { ThisProgram, AnotherProcess };
  enum class How { Delete, Cut, Drop };
  struct Case {
    const char* name;
    Holder holder;
    How how;
  };
  const Case cases[] = {
      {"delete, own history window", Holder::ThisProgram, How::Delete},
      {"cut, own history window", Holder::ThisProgram, How::Cut},
      {"drop on the bin, own history window", Holder::ThisProgram, How::Drop},
      {"delete, another user's history window", Holder::AnotherProcess, How::Delete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecycleBin().Empty();
    const RecordPosition ann = Add("Ann");
    const RecordPosition bob = Add("Bob");
    const uint64_t annId = Read(ann).Id();
    const uint64_t bobId = Read(bob).Id();
    AddHistory(annId, "called");
    AddHistory(annId, "wrote");
    AddHistory(bobId, "met");
    const size_t before = HistoryEntries();

    std::unique_ptr<RecordStore> window;
    std::unique_ptr<HistoryHoldingProcess> other;
    if (c.holder == Holder::ThisProgram) {
      ASSERT_TRUE(OpenHistoryFile(book, false, window).ok());
    } else {
      other = std::make_unique<HistoryHoldingProcess>(book);
      ASSERT_TRUE(other->held());
    }
    ASSERT_TRUE(RecordStore::IsInUse(HistoryPath(book)));

    sandbox.messages.clear();
    pane.selected = ann;
    sandbox.answers = {true};
    switch (c.how) {
      case How::Delete: commands.DeleteContact(); break;
      case How::Cut: commands.CutContact(); break;
      case How::Drop: EXPECT_EQ(commands.DeleteDropped(), 1); break;
    }
    EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{LoadText(kMsgDeleteContact)})
        << "only the question, no failure";
    EXPECT_EQ(HistoryEntries(), before - 2) << "Ann's two entries are gone, Bob's stays";
    if (window) {
      // The window's own connection sees the same file.
      RecordQuery query;
      ASSERT_TRUE(LoadHistoryList(*window, query, annId, HistorySort::ByDate).ok());
      EXPECT_EQ(query.count(), 0u);
      ASSERT_TRUE(LoadHistoryList(*window, query, bobId, HistorySort::ByDate).ok());
      EXPECT_EQ(query.count(), 1u);
    }

    commands.UndoDelete();
    EXPECT_EQ(HistoryEntries(), before - 2) << "Undo delete brings back the contact only";
    other.reset();
    window.reset();
    pane.selected.reset();
  }
}

TEST_F(RecordCommandsTest, CopyFillsOnlyTheClipboard) {
  const RecordPosition ann = Add("Ann");
  pane.selected = ann;
  commands.CopyContact();
  EXPECT_TRUE(ContactClipboard().Holds());
  EXPECT_FALSE(RecycleBin().Holds());
  EXPECT_TRUE(sandbox.messages.empty()) << "copy asks nothing";
  commands.PasteContact();
  EXPECT_EQ(Contacts().size(), 2u);
}

TEST_F(RecordCommandsTest, TwoDeletesThenTwoUndosGiveBackOnlyTheSecond) {
  const RecordPosition ann = Add("Ann");
  const RecordPosition bob = Add("Bob");
  const uint64_t bobId = Read(bob).Id();
  for (RecordPosition position : {ann, bob}) {
    pane.selected = position;
    sandbox.answers = {true};
    commands.DeleteContact();
  }
  EXPECT_TRUE(Contacts().empty());
  commands.UndoDelete();
  EXPECT_EQ(Contacts(), (std::vector<std::pair<std::string, uint64_t>>{{"Bob", bobId}}));
  EXPECT_FALSE(RecycleBin().Holds());
  commands.UndoDelete();
  EXPECT_EQ(Contacts().size(), 1u) << "the second undo finds the bin empty";
  EXPECT_TRUE(sandbox.MessageTexts().size() == 2u) << "only the two questions";
}

TEST_F(RecordCommandsTest, UndoAddsToTheFileOpenedSince) {
  const RecordPosition ann = Add("Ann");
  const uint64_t annId = Read(ann).Id();
  pane.selected = ann;
  sandbox.answers = {true};
  commands.DeleteContact();
  const std::string other = sandbox.File("other.adr");
  MakeRecordFile(other, format::FileKind::Address, {"owner", "", ""});
  Open(other, "owner");
  commands.UndoDelete();
  EXPECT_EQ(Contacts(), (std::vector<std::pair<std::string, uint64_t>>{{"Ann", annId}}));
  Open(book, "owner");
  EXPECT_TRUE(Contacts().empty());
}

TEST_F(RecordCommandsTest, AnUndoTheReaderCannotAddKeepsTheBin) {
  const RecordPosition ann = Add("Ann");
  pane.selected = ann;
  sandbox.answers = {true};
  commands.DeleteContact();
  Open(book, "reader");
  commands.UndoDelete();
  EXPECT_EQ(sandbox.MessageTexts().back(), LoadText(kMsgNoPermission));
  EXPECT_TRUE(RecycleBin().Holds());
}

TEST_F(RecordCommandsTest, ADropWithoutASelectionBeepsAndADropDeletesAfterTheQuestion) {
  const RecordPosition ann = Add("Ann");
  pane.selected.reset();
  EXPECT_EQ(commands.DeleteDropped(), 0);
  EXPECT_EQ(sandbox.beeps, 1);
  EXPECT_TRUE(sandbox.messages.empty());
  Open(book, "reader");
  pane.selected = ann;
  sandbox.answers = {true};
  EXPECT_EQ(commands.DeleteDropped(), 0);
  EXPECT_EQ(sandbox.MessageTexts(), (std::vector<std::string>{LoadText(kMsgDeleteContact), LoadText(kMsgNoPermission)}))
      << "the question comes before the access check";
  Open(book, "owner");
  sandbox.answers = {true};
  EXPECT_EQ(commands.DeleteDropped(), 1);
  EXPECT_TRUE(Contacts().empty());
  EXPECT_TRUE(RecycleBin().Holds());
}

// The "Work" pane's side of the bin icon: its command 107 reaches the
// commands.
struct BinPane : TesselWnd {
  explicit BinPane(ContactRecordCommands& commands) : commands(commands) {}
  qintptr OnCommand(const Command& command) override {
    return command.id == 107 ? commands.OnBinCommand(command.param) : 0;
  }
  ContactRecordCommands& commands;
};

TEST_F(RecordCommandsTest, TheBinIconShowsTheBinAndTakesItsContactBack) {
  const RecordPosition ann = Add("Ann");
  BinPane window(commands);
  TesselClassWndBin* bin = MakeContactRecycleBin(&window);
  bin->Click();
  EXPECT_EQ(sandbox.MessageTexts(), std::vector<std::string>{"Bin is empty."});
  EXPECT_STREQ(bin->bitmapName(), "recicle1.bmp");

  pane.selected = ann;
  sandbox.answers = {true};
  EXPECT_EQ(commands.OnBinCommand(kCmdDeleteContact), 1);  // a drop on the icon
  EXPECT_STREQ(bin->bitmapName(), "recicle2.bmp");
  EXPECT_TRUE(Contacts().empty());
  bin->Click();  // takes it back
  EXPECT_EQ(Contacts().size(), 1u);
  EXPECT_STREQ(bin->bitmapName(), "recicle1.bmp");
  EXPECT_EQ(sandbox.MessageTexts().size(), 2u) << "the empty bin's message and the delete's question";
}

// Refuses every write into the record slots while full is set.
class FullDisk : public ForwardingFileSystem {
 public:
  bool full = false;

 protected:
  void Wrap(Opening, const std::string&, std::unique_ptr<File>& file) override {
    struct Full : ForwardingFile {
      Full(std::unique_ptr<File> inner, bool& full) : ForwardingFile(std::move(inner)), full(full) {}
      Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
        if (full && offset >= format::kFirstSlotOffset) return Result::Fail("Cannot write", ENOSPC, "book.adr");
        return ForwardingFile::WriteAt(offset, buffer, length);
      }
      Result Truncate(uint64_t size) override {
        if (full) return Result::Fail("Cannot write", ENOSPC, "book.adr");
        return ForwardingFile::Truncate(size);
      }
      bool& full;
    };
    file = std::make_unique<Full>(std::move(file), full);
  }
};

TEST_F(RecordCommandsTest, AnAddOnAFullDiskShowsWhyAndKeepsWhatWasTyped) {
  FullDisk disk;
  ScopedFileSystem scoped(&disk);
  Open(book, "owner");
  disk.full = true;
  DialogScript script;
  script.Expect("contactEditor", [](QWidget* d) {
    Type(d, "106", "Ann");
    Type(d, "316", "Acme");
    Control<QCheckBox>(d, "2001")->setChecked(true);
    Click(d, "1");
  });
  script.Expect("contactEditor", [&](QWidget* d) {
    EXPECT_EQ(Control<QLineEdit>(d, "106")->text(), QStringLiteral("Ann"));
    EXPECT_EQ(Control<QLineEdit>(d, "316")->text(), QStringLiteral("Acme"));
    EXPECT_TRUE(Control<QCheckBox>(d, "2001")->isChecked());
    EXPECT_TRUE(Control<QPushButton>(d, "1")->isEnabled());
    disk.full = false;  // room again: the second OK saves
    Click(d, "1");
  });
  commands.NewContact();
  ASSERT_EQ(sandbox.messages.size(), 1u);
  EXPECT_NE(sandbox.messages[0].text.find("No space left on device"), std::string::npos) << sandbox.messages[0].text;
  ASSERT_EQ(Contacts().size(), 1u);
  EXPECT_EQ(Contacts()[0].first, "Ann");
  pane.store_ = nullptr;
  store.reset();  // closed while its file system is still there
}

TEST_F(RecordCommandsTest, ADeleteOrCutTheDiskRefusesIsShownAndFillsNoBin) {
  FullDisk disk;
  ScopedFileSystem scoped(&disk);
  Open(book, "owner");
  const RecordPosition ann = Add("Ann");
  pane.selected = ann;
  disk.full = true;
  sandbox.answers = {true};
  commands.DeleteContact();
  sandbox.answers = {true};
  commands.CutContact();
  disk.full = false;
  const std::vector<std::string> texts = sandbox.MessageTexts();
  // The delete fails at its lock, before its question; the cut asks first.
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_NE(texts[0].find("No space left on device"), std::string::npos) << texts[0];
  EXPECT_EQ(texts[1], LoadText(kMsgDeleteContact));
  EXPECT_NE(texts[2].find("No space left on device"), std::string::npos) << texts[2];
  EXPECT_EQ(Contacts().size(), 1u);
  EXPECT_FALSE(RecycleBin().Holds());
  EXPECT_FALSE(ContactClipboard().Holds());
  pane.store_ = nullptr;
  store.reset();
}

// An exchange in which every contact takes part, recording its notices.
struct TakingPart : RecordExchange {
  bool TakesPart(const Bytes&) override { return true; }
  void NotifyChange(const Bytes& record) override { seen.push_back("change " + Contact(record).Text(contact::kNickName)); }
  void NotifyCancellation(Bytes& record) override {
    seen.push_back("cancel");
    Contact contact(record);
    contact.SetText(contact::kNotes, "cancelled");
    record = contact.bytes();
  }
  void Withdraw(const Bytes&) override { seen.push_back("withdraw"); }
  std::vector<std::string> seen;
};

TEST_F(RecordCommandsTest, TheExchangeIsAskedWhereAChangeConcernsOthers) {
  TakingPart exchange;
  pane.exchange_ = &exchange;
  const RecordPosition ann = Add("Ann");
  pane.selected = ann;
  {
    DialogScript script;
    script.Expect("contactEditor", [](QWidget* d) {
      Type(d, "109", "Annie");
      Click(d, "1");
    });
    sandbox.answers = {true};
    commands.EditContact();
  }
  EXPECT_EQ(exchange.seen, std::vector<std::string>{"change Annie"});
  EXPECT_EQ(sandbox.MessageTexts().back(), LoadText(kMsgNotifyExchange));

  sandbox.answers = {true, true};  // delete it? notify the participants?
  commands.DeleteContact();
  EXPECT_EQ(exchange.seen.back(), "cancel");
  ASSERT_EQ(Contacts().size(), 1u) << "a cancelled group entry is written back, not deleted";
  EXPECT_EQ(Read(ann).Notes(), "cancelled");
  EXPECT_FALSE(RecycleBin().Holds()) << "nothing was removed";

  const int beeps = sandbox.beeps;
  sandbox.answers = {true};
  commands.CutContact();
  EXPECT_EQ(sandbox.beeps, beeps + 1) << "a contact in an exchange is not cut";
  EXPECT_EQ(Contacts().size(), 1u);
  EXPECT_FALSE(ContactClipboard().Holds());

  sandbox.answers = {true, false};
  commands.DeleteContact();
  EXPECT_EQ(exchange.seen.back(), "withdraw");
  EXPECT_TRUE(Contacts().empty());
  EXPECT_TRUE(RecycleBin().Holds());
}

TEST_F(RecordCommandsTest, AFrozenContactBeepsAndAHiddenOneOnlyReloads) {
  const RecordPosition frozen = Add("Ann", [](Contact& c) { c.bytes()[format::record::kExchangeState] = 9; });
  const RecordPosition secret = Add("Bob", [](Contact& c) { c.SetConfidential(true); });
  pane.selected = frozen;
  commands.EditContact();  // no editor opens: the script-less test would hang otherwise
  EXPECT_EQ(sandbox.beeps, 1);
  Open(book, "assist");
  pane.selected = secret;
  const int reloads = pane.reloads;
  sandbox.answers = {true};
  commands.DeleteContact();
  EXPECT_EQ(pane.reloads, reloads + 1);
  Open(book, "owner");
  EXPECT_EQ(Contacts().size(), 2u);
  EXPECT_FALSE(RecycleBin().Holds());
}

TEST_F(RecordCommandsTest, OpenAttachmentHandsItToTheDesktop) {
  const RecordPosition ann = Add("Ann", [](Contact& c) {
    c.SetAttachmentKind(contact::kAttachDocument);
    c.SetAttachment("/home/ann/cv.pdf");
  });
  const RecordPosition bob = Add("Bob");
  std::vector<std::string> opened;
  const ContactEditorActions previous =
      SetContactEditorActions({{}, {}, [&](const std::string& p) { return opened.push_back(p), true; }, {}});
  for (RecordPosition position : {ann, bob}) {
    pane.selected = position;
    commands.OpenAttachment();
  }
  SetContactEditorActions(previous);
  EXPECT_EQ(opened, std::vector<std::string>{"/home/ann/cv.pdf"});
}

}  // namespace
}  // namespace velmora::testing
