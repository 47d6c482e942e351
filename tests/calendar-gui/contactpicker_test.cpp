// The "With" contact picker: the contacts of a real address book by name,
// the phrases a chosen contact fills in, the address book taken over from
// the address book's own settings, the messages for a file that cannot be
// listed (missing, not an address book, a wrong password), Browse, and the
// event editor's "With..." button that puts the Description into the
// subject.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <memory>

#include "../shell/ShellTestSupport.h"
#include "addressbook/model/Contact.h"
#include "addressbook/model/SampleContacts.h"
#include "calendar/gui/ContactPickerDialog.h"
#include "calendar/gui/EventEditorDialog.h"
#include "calendar/model/EventEditorRules.h"
#include "resources/Strings.h"
#include "store/RecordStore.h"
#include "store/Settings.h"
#include "tests/support/GuiSandbox.h"
#include "tests/support/Records.h"

namespace velmora::testing {
namespace {

// The sample contacts' names, and those each test adds.
constexpr const char* kSampleNames[] = {"Anna Bergman", "Grace O'Connell", "Maria Santos"};

std::string Setting(std::string_view file, const char* key) {
  std::string value;
  ReadSettingText(SuiteSettingsPath(file), "Preference", key, value, 4096);
  return value;
}
void SetSetting(std::string_view file, const char* key, const std::string& value) {
  const Result written = WriteSettingText(SuiteSettingsPath(file), "Preference", key, value);
  ASSERT_TRUE(written.ok()) << written.Message();
}

std::vector<std::string> Items(QComboBox* box) {
  std::vector<std::string> items;
  for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
  return items;
}

std::vector<std::string> Bare() { return {"Appointment with", "Meeting with", "Call"}; }

std::vector<std::string> Phrases(const std::string& name) {
  return {"Appointment with " + name + ".", "Meeting with " + name + ".", "Call " + name + ".", name};
}

// What the password prompt was asked, and its answers in order (nothing:
// Cancel).
struct ScriptedPrompt {
  std::vector<std::string> asked;
  std::deque<std::optional<std::string>> answers;

  PasswordPrompt Function() {
    return [this](const std::string& fileName) -> std::optional<std::string> {
      asked.push_back(fileName);
      if (answers.empty()) return std::nullopt;
      std::optional<std::string> answer = answers.front();
      answers.pop_front();
      return answer;
    };
  }
};

class ContactPickerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentProgram(Program::Almanor); }
  void TearDown() override { SetCurrentProgram(Program::Cardora); }

  // A new address book at name with the sample contacts and, for each
  // {first, last, confidential}, one more.
  struct Person {
    std::string first, last;
    bool confidential = false;
  };
  std::string MakeBook(const std::string& name, const std::vector<Person>& people, const Passwords& passwords = {}) {
    const std::string path = sandbox_.File(name);
    MakeRecordFile(path, format::FileKind::Address, passwords);
    RecordStore store(path, passwords.owner);
    EXPECT_FALSE(store.OpenFailed());
    EXPECT_TRUE(AddSampleContacts(store).ok());
    for (const Person& person : people) {
      Bytes buffer;
      InitContactRecord(store, buffer);
      Contact contact(buffer);
      contact.SetText(contact::kFirstName, person.first);
      contact.SetText(contact::kLastName, person.last);
      contact.SetConfidential(person.confidential);
      const Result added = store.AddRecord(contact.bytes());
      EXPECT_TRUE(added.ok()) << added.Message();
    }
    EXPECT_TRUE(store.Flush().ok());
    return path;
  }

  std::unique_ptr<ContactPickerDialog> Picker() {
    return std::make_unique<ContactPickerDialog>(nullptr, prompt_.Function());
  }

  std::string CantOpen(const std::string& path) const { return "Can't open Cardora file.\r\n" + path; }

  GuiSandbox sandbox_{GuiSandbox::Settings::Quiet, Program::Almanor};
  ScriptedPrompt prompt_;
};

// ---------------------------------------------------------------------------
// The list and the phrases.

TEST_F(ContactPickerTest, ListsTheAddressBooksContactsByNameAndOffersPhrasesForTheFirst) {
  const std::string book = MakeBook("friends.adr", {{"Ann", "Lee"}, {"bob", ""}, {"zoe", "Adams"}});
  SetSetting("Almanor.ini", "eContactFile", book);

  auto picker = Picker();
  EXPECT_EQ(picker->windowTitle().toStdString(), "With");
  EXPECT_TRUE(sandbox_.messages.empty()) << sandbox_.MessageTexts().front();
  EXPECT_TRUE(prompt_.asked.empty()) << "a book without passwords asks none";
  // Letter case aside, so "bob" sorts among the A..Z names; a contact
  // without a last name keeps the blank.
  EXPECT_EQ(picker->contactNames(), (std::vector<std::string>{"Ann Lee", "Anna Bergman", "bob ", "Grace O'Connell",
                                                              "Maria Santos", "zoe Adams"}));
  EXPECT_EQ(picker->contactFile(), book);
  EXPECT_TRUE(Control<QLineEdit>(picker.get(), "file")->isReadOnly());
  auto* contacts = Control<QListWidget>(picker.get(), "contacts");
  EXPECT_EQ(contacts->currentRow(), 0);
  auto* description = Control<QComboBox>(picker.get(), "description");
  EXPECT_TRUE(description->isEditable());
  EXPECT_EQ(Items(description), Phrases("Ann Lee"));
  EXPECT_EQ(picker->description(), "Appointment with Ann Lee.");
}

TEST_F(ContactPickerTest, AChosenContactKeepsThePhraseThatWasSelected) {
  SetSetting("Almanor.ini", "eContactFile", MakeBook("friends.adr", {{"Ann", "Lee"}, {"bob", ""}}));
  const struct {
    int phrase;
    const char* contact;
    const char* description;
  } cases[] = {
      {2, "Ann Lee", "Call Ann Lee."},
      {1, "Maria Santos", "Meeting with Maria Santos."},
      {0, "Grace O'Connell", "Appointment with Grace O'Connell."},
      {3, "Anna Bergman", "Anna Bergman"},
      {2, "bob ", "Call bob ."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    auto picker = Picker();
    auto* contacts = Control<QListWidget>(picker.get(), "contacts");
    auto* description = Control<QComboBox>(picker.get(), "description");
    // Another contact first, so that choosing the case's contact is a change.
    contacts->setCurrentRow(contacts->count() - 1);
    description->setCurrentIndex(c.phrase);
    const auto found = contacts->findItems(QString::fromStdString(c.contact), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    contacts->setCurrentItem(found.front());
    EXPECT_EQ(Items(description), Phrases(c.contact));
    EXPECT_EQ(description->currentIndex(), c.phrase);
    EXPECT_EQ(picker->description(), c.description);
  }
}

TEST_F(ContactPickerTest, TheKeyboardChoosesAContactAndOkConfirms) {
  SetSetting("Almanor.ini", "eContactFile", MakeBook("friends.adr", {{"Ann", "Lee"}}));
  std::optional<std::string> chosen;
  {
    DialogScript script;
    script.Expect("contactPicker", [](QWidget* d) {
      auto* contacts = Control<QListWidget>(d, "contacts");
      contacts->setFocus();
      QTest::keyClick(contacts, Qt::Key_Down);  // Ann Lee -> Anna Bergman
      auto* description = Control<QComboBox>(d, "description");
      description->setFocus();
      QTest::keyClick(description, Qt::Key_Down);  // the second phrase
      QTest::keyClick(description, Qt::Key_Return);
    });
    chosen = PickContactDescription(nullptr);
  }
  EXPECT_EQ(chosen, std::optional<std::string>("Meeting with Anna Bergman."));

  // A double click on a contact confirms with its phrase; Cancel gives
  // nothing; a typed Description is taken as typed.
  {
    DialogScript script;
    script.Expect("contactPicker", [](QWidget* d) {
      auto* contacts = Control<QListWidget>(d, "contacts");
      QListWidgetItem* grace = contacts->item(2);
      ASSERT_EQ(grace->text().toStdString(), "Grace O'Connell");
      contacts->setCurrentItem(grace);
      emit contacts->itemDoubleClicked(grace);
    });
    chosen = PickContactDescription(nullptr);
  }
  EXPECT_EQ(chosen, std::optional<std::string>("Appointment with Grace O'Connell."));
  {
    DialogScript script;
    script.Expect("contactPicker", [](QWidget* d) { Click(d, "2"); });
    chosen = PickContactDescription(nullptr);
  }
  EXPECT_EQ(chosen, std::nullopt);
  {
    DialogScript script;
    script.Expect("contactPicker", [](QWidget* d) {
      auto* description = Control<QComboBox>(d, "description");
      description->setEditText(QStringLiteral("Lunch with the team"));
      Click(d, "1");
    });
    chosen = PickContactDescription(nullptr);
  }
  EXPECT_EQ(chosen, std::optional<std::string>("Lunch with the team"));
}

TEST_F(ContactPickerTest, ItsControlsAreWithinTheKeyboardsReach) {
  SetSetting("Almanor.ini", "eContactFile", MakeBook("friends.adr", {}));
  auto picker = Picker();
  std::vector<std::string> visited;
  QWidget* widget = Control<QWidget>(picker.get(), "description");
  for (int i = 0; i < 100 && widget; ++i, widget = widget->nextInFocusChain()) {
    const std::string name = widget->objectName().toStdString();
    if ((widget->focusPolicy() & Qt::TabFocus) && !name.empty() &&
        std::find(visited.begin(), visited.end(), name) == visited.end()) {
      visited.push_back(name);
    }
  }
  for (const char* name : {"description", "contacts", "file", "browse", "1", "2"}) {
    EXPECT_NE(std::find(visited.begin(), visited.end(), name), visited.end()) << name;
  }
  for (const char* button : {"browse", "1"}) {
    EXPECT_FALSE(QKeySequence::mnemonic(Control<QPushButton>(picker.get(), button)->text()).isEmpty()) << button;
  }
}

// ---------------------------------------------------------------------------
// Where the address book comes from.

TEST_F(ContactPickerTest, TheAddressBooksOwnSettingIsTakenOverTheFirstTime) {
  const std::string book = MakeBook("book.adr", {{"Ann", "Lee"}});
  SetSetting("Cardora.ini", "DefaulFile", book);
  {
    auto picker = Picker();
    EXPECT_TRUE(sandbox_.messages.empty());
    EXPECT_EQ(picker->contactFile(), book);
    EXPECT_EQ(picker->contactNames().size(), 4u);
  }
  EXPECT_EQ(Setting("Almanor.ini", "eContactFile"), book) << "taken over into the calendar's settings";

  // From then on the calendar's own setting counts, whatever the address
  // book opens later.
  const std::string other = MakeBook("other.adr", {{"Zed", "Other"}});
  SetSetting("Cardora.ini", "DefaulFile", other);
  auto picker = Picker();
  EXPECT_EQ(picker->contactFile(), book);
  EXPECT_EQ(Setting("Almanor.ini", "eContactFile"), book);
  EXPECT_EQ(ContactFileSetting(), book);
}

TEST_F(ContactPickerTest, WithoutEitherSettingTheBarePhrasesAndTheMessageWithAnEmptyPath) {
  auto picker = Picker();
  EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{CantOpen("")});
  EXPECT_EQ(picker->contactFile(), "");
  EXPECT_TRUE(picker->contactNames().empty());
  EXPECT_EQ(Items(Control<QComboBox>(picker.get(), "description")), Bare());
  EXPECT_EQ(picker->description(), "Appointment with");
  EXPECT_EQ(Setting("Almanor.ini", "eContactFile"), "") << "nothing is taken over from nothing";
}

TEST_F(ContactPickerTest, AnAddressBookThatCannotBeListedIsToldAndThePickerStaysUsable) {
  const std::string calendar = sandbox_.File("diary.cld");
  MakeRecordFile(calendar, format::FileKind::Calendar);
  const std::string text = sandbox_.File("notes.adr");
  std::ofstream(text) << "First,Last\nAnn,Lee\n";
  const std::string empty = sandbox_.File("empty.adr");
  { std::ofstream create(empty); }
  const std::string folder = sandbox_.File("");
  const std::string cases[] = {sandbox_.File("gone.adr"), calendar, text, empty, folder};
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    sandbox_.messages.clear();
    SetSetting("Almanor.ini", "eContactFile", path);
    auto picker = Picker();
    EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{CantOpen(path)});
    EXPECT_EQ(picker->contactFile(), path);
    EXPECT_TRUE(picker->contactNames().empty());
    EXPECT_EQ(Items(Control<QComboBox>(picker.get(), "description")), Bare());
    EXPECT_EQ(sandbox_.messages.front().kind, MessageKind::Information);
  }
}

// ---------------------------------------------------------------------------
// Passwords and other users.

TEST_F(ContactPickerTest, ABookWithPasswordsAsksOneAndShowsWhatItMaySee) {
  const std::string book =
      MakeBook("secret.adr", {{"Ann", "Lee"}, {"Hidden", "Person", true}}, {"owner", "assist", "reader"});
  SetSetting("Almanor.ini", "eContactFile", book);
  const struct {
    std::optional<std::string> typed;
    std::vector<std::string> names;
    std::vector<std::string> messages;
  } cases[] = {
      {"owner", {"Ann Lee", "Anna Bergman", "Grace O'Connell", "Hidden Person", "Maria Santos"}, {}},
      {"reader", {"Ann Lee", "Anna Bergman", "Grace O'Connell", "Maria Santos"}, {}},
      {"assist", {"Ann Lee", "Anna Bergman", "Grace O'Connell", "Maria Santos"}, {}},
      {"wrong", {}, {LoadText(Program::Almanor, kMsgWrongPassword)}},
      {"", {}, {LoadText(Program::Almanor, kMsgWrongPassword)}},
      {std::nullopt, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.value_or("(cancel)"));
    sandbox_.messages.clear();
    prompt_.asked.clear();
    prompt_.answers = {c.typed};
    auto picker = Picker();
    EXPECT_EQ(prompt_.asked, std::vector<std::string>{"secret.adr"});
    EXPECT_EQ(picker->contactNames(), c.names);
    EXPECT_EQ(sandbox_.MessageTexts(), c.messages);
  }
  EXPECT_EQ(LoadText(Program::Almanor, kMsgWrongPassword), "Can't open this file. Incorrect password.");
}

TEST_F(ContactPickerTest, TheSuitesPasswordWindowAsksWhenNoPromptIsGiven) {
  SetSetting("Almanor.ini", "eContactFile", MakeBook("secret.adr", {{"Ann", "Lee"}}, {"owner", "", ""}));
  DialogScript script;
  script.Expect("1002", [](QWidget* d) {
    Type(d, "password", "owner");
    Click(d, "1");
  });
  ContactPickerDialog picker;
  EXPECT_EQ(picker.contactNames().size(), 4u);
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(ContactPickerTest, ABookOpenElsewhereIsOnlyReadAndLeftAsItWas) {
  const std::string book = MakeBook("shared.adr", {{"Ann", "Lee"}});
  SetSetting("Almanor.ini", "eContactFile", book);
  // Another user has the book open and is editing a contact.
  RecordStore other(book, "");
  ASSERT_FALSE(other.OpenFailed());
  RecordQuery all;
  ASSERT_TRUE(all.AddMatchAll());
  ASSERT_TRUE(all.Run(other).ok());
  ASSERT_EQ(all.count(), 4u);
  ASSERT_TRUE(other.LockRecord(all.positions()[0]).ok());
  const Bytes headerBefore = HeaderOnDisk(book);

  {
    auto picker = Picker();
    EXPECT_TRUE(sandbox_.messages.empty());
    EXPECT_EQ(picker->contactNames().size(), 4u) << "a contact being edited is still listed";
  }
  EXPECT_EQ(HeaderOnDisk(book), headerBefore) << "the picker closed its connection and changed nothing";

  // What the other user deletes is gone the next time the picker opens.
  ASSERT_TRUE(other.DeleteRecord(all.positions()[1]).ok());
  ASSERT_TRUE(other.Flush().ok());
  auto picker = Picker();
  EXPECT_EQ(picker->contactNames().size(), 3u);
}

// ---------------------------------------------------------------------------
// Browse.

TEST_F(ContactPickerTest, BrowseListsTheChosenBookAndRemembersIt) {
  const std::string first = MakeBook("first.adr", {{"Ann", "Lee"}});
  const std::string second = MakeBook("second.adr", {{"Zed", "Second"}});
  SetSetting("Almanor.ini", "eContactFile", first);
  auto picker = Picker();
  auto* description = Control<QComboBox>(picker.get(), "description");
  description->setCurrentIndex(1);

  sandbox_.dialogs.answers = {second};
  Click(picker.get(), "browse");
  ASSERT_EQ(sandbox_.dialogs.requests.size(), 1u);
  EXPECT_EQ(sandbox_.dialogs.requests[0].filter, "Cardora file (*.adr)|*.adr||");
  EXPECT_EQ(sandbox_.dialogs.requests[0].mode, FileDialogMode::Open);
  EXPECT_EQ(picker->contactFile(), second);
  EXPECT_EQ(picker->contactNames(), (std::vector<std::string>{"Anna Bergman", "Grace O'Connell", "Maria Santos",
                                                              "Zed Second"}));
  EXPECT_EQ(picker->description(), "Meeting with Anna Bergman.");
  EXPECT_EQ(Setting("Almanor.ini", "eContactFile"), second);
  EXPECT_TRUE(sandbox_.messages.empty());

  // Cancelling the file dialog changes nothing.
  Click(picker.get(), "browse");
  EXPECT_EQ(picker->contactFile(), second);
  EXPECT_EQ(Setting("Almanor.ini", "eContactFile"), second);
}

TEST_F(ContactPickerTest, BrowsingToABookThatCannotBeListedKeepsThePreviousOne) {
  const std::string first = MakeBook("first.adr", {{"Ann", "Lee"}});
  const std::string locked = MakeBook("locked.adr", {}, {"owner", "", ""});
  const std::string calendar = sandbox_.File("diary.cld");
  MakeRecordFile(calendar, format::FileKind::Calendar);
  SetSetting("Almanor.ini", "eContactFile", first);
  auto picker = Picker();
  const std::vector<std::string> before = picker->contactNames();
  ASSERT_EQ(before.size(), 4u);

  const struct {
    std::string chosen;
    std::string message;
  } cases[] = {
      {calendar, CantOpen(calendar)},
      {sandbox_.File("gone.adr"), CantOpen(sandbox_.File("gone.adr"))},
      {locked, LoadText(Program::Almanor, kMsgWrongPassword)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    sandbox_.messages.clear();
    prompt_.answers = {std::string("guess")};
    sandbox_.dialogs.answers = {c.chosen};
    Click(picker.get(), "browse");
    EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(picker->contactFile(), first);
    EXPECT_EQ(picker->contactNames(), before);
    EXPECT_EQ(Setting("Almanor.ini", "eContactFile"), first);
  }
}

// ---------------------------------------------------------------------------
// The helpers the window is built from.

TEST(ContactPickerTexts, DescriptionsWithAndWithoutAName) {
  EXPECT_EQ(ContactDescriptions(std::nullopt), Bare());
  EXPECT_EQ(ContactDescriptions("Ann Lee"), Phrases("Ann Lee"));
  EXPECT_EQ(ContactDescriptions(" "), (std::vector<std::string>{"Appointment with  .", "Meeting with  .", "Call  .",
                                                                " "}));
}

TEST(ContactPickerTexts, NamesSortWithLetterCaseAside) {
  std::vector<std::string> names{"b", "B", "a b", "A", "Ab", "aa", "", "Ä"};
  SortContactNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"", "A", "a b", "aa", "Ab", "B", "b", "Ä"}));
}

TEST(ContactPickerTexts, ANameIsFirstBlankLastReadAsTheBookStoresIt) {
  Contact contact;
  contact.SetText(contact::kFirstName, "Zoë");
  contact.SetText(contact::kLastName, "Lee");
  EXPECT_EQ(ContactPickerName(contact), "Zoë Lee");
  // Bytes that are not UTF-8 are Windows-1252.
  Bytes raw(contact::kRecordSize, 0);
  raw[contact::kFirstName.offset] = 'J';
  raw[contact::kFirstName.offset + 1] = 0xF6;  // ö
  raw[contact::kLastName.offset] = 'K';
  EXPECT_EQ(ContactPickerName(Contact(raw)), "J\xC3\xB6 K");
  EXPECT_EQ(ContactPickerName(Contact()), " ");
}

// ---------------------------------------------------------------------------
// The event editor's "With..." button.

class WithButtonTest : public ContactPickerTest {
 protected:
  void SetUp() override {
    ContactPickerTest::SetUp();
    MakeRecordFile(calendarPath_, format::FileKind::Calendar);
    calendar_ = std::make_unique<RecordStore>(calendarPath_, "");
    ASSERT_FALSE(calendar_->OpenFailed());
  }
  EventRecord NewEvent(const std::string& subject) {
    EventRecord record = NewEventRecord(*calendar_);
    ApplyNewEventDefaults(record, DateValue{1, 12, 2026}, TimeValue{10, 0, 0, kHalfAm});
    record.setSubject(subject);
    return record;
  }

  std::string calendarPath_ = sandbox_.File("diary.cld");
  std::unique_ptr<RecordStore> calendar_;
};

TEST_F(WithButtonTest, ThePickersDescriptionReplacesTheSubject) {
  SetSetting("Almanor.ini", "eContactFile", MakeBook("friends.adr", {{"Ann", "Lee"}}));
  EventEditorDialog editor(NewEvent("Old subject"), nullptr, EventEditorSetupFor(*calendar_));
  auto* with = Control<QPushButton>(&editor, "with");
  auto* subject = Control<QLineEdit>(&editor, "subject");
  ASSERT_TRUE(with->isEnabled());
  {
    DialogScript script;
    script.Expect("contactPicker", [](QWidget* d) {
      Control<QComboBox>(d, "description")->setCurrentIndex(2);
      Click(d, "1");
    });
    with->click();
  }
  EXPECT_EQ(subject->text().toStdString(), "Call Ann Lee.");
  EXPECT_EQ(editor.record().subject(), "Call Ann Lee.");

  // Cancel leaves the subject alone.
  {
    DialogScript script;
    script.Expect("contactPicker", [](QWidget* d) {
      Control<QComboBox>(d, "description")->setCurrentIndex(1);
      Click(d, "2");
    });
    with->click();
  }
  EXPECT_EQ(subject->text().toStdString(), "Call Ann Lee.");
}

TEST_F(WithButtonTest, ALongDescriptionIsCutToTheSubjectAtACharacterBoundary) {
  SetSetting("Almanor.ini", "eContactFile", MakeBook("friends.adr", {}));
  // 148 bytes of ASCII, then two-byte letters: the subject keeps 149 bytes
  // at most, so the first "ö" (bytes 149 and 150) does not fit.
  const std::string typed = std::string(148, 'x') + "öööö";
  EventEditorDialog editor(NewEvent(""), nullptr, EventEditorSetupFor(*calendar_));
  {
    DialogScript script;
    script.Expect("contactPicker", [typed](QWidget* d) {
      Control<QComboBox>(d, "description")->setEditText(QString::fromStdString(typed));
      Click(d, "1");
    });
    Control<QPushButton>(&editor, "with")->click();
  }
  EXPECT_EQ(Control<QLineEdit>(&editor, "subject")->text().toStdString(), std::string(148, 'x'));
  EXPECT_TRUE(Control<QPushButton>(&editor, "1")->isEnabled()) << "a subject from the picker enables OK";
  EXPECT_EQ(editor.record().subject(), std::string(148, 'x'));
}

}  // namespace
}  // namespace velmora::testing
