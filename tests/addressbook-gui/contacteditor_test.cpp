// The contact editor: its sections, OK enabling, the action button, the
// children, the dates, the attachment, "Categories" and "Confidential".
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>

#include "RecordCommandsSupport.h"
#include "tests/support/TypeText.h"

namespace velmora::testing {
namespace {

QWidget* Find(QWidget* dialog, int control) { return dialog->findChild<QWidget*>(QString::number(control)); }
void TypeInto(QWidget* dialog, int control, const std::string& text) {
  Type(dialog, std::to_string(control).c_str(), text);
}
bool OkEnabled(QWidget* dialog) { return Control<QPushButton>(dialog, "1")->isEnabled(); }

// What the editor would have handed to the desktop.
struct SeenActions {
  SeenActions() {
    previous = SetContactEditorActions(
        {[this](const std::string& n, const std::string& party) { return dialled.push_back(n + "|" + party), true; },
         [this](const std::string& a) { return mailed.push_back(a), true; },
         [this](const std::string& p) { return opened.push_back(p), true; },
         [this](QWidget*, const DateValue& initial, const QPoint&) {
           pickedFrom.push_back(initial);
           return picked;
         }});
  }
  ~SeenActions() { SetContactEditorActions(previous); }
  std::vector<std::string> dialled, mailed, opened;
  std::vector<DateValue> pickedFrom;
  std::optional<DateValue> picked;
  ContactEditorActions previous;
};

class EditorTest : public RecordTest {
 protected:
  ContactEditorSetup Setup(int level = kAccessOwner) {
    ContactEditorSetup setup;
    setup.accessLevel = level;
    setup.categories = {"Calls", "Clients", "Expenses", "Personal"};
    setup.today = DateValue{10, 12, 2026};
    return setup;
  }
  Contact NewContact() {
    Contact contact;
    InitContactRecord(*store, contact.bytes());
    return contact;
  }
  SeenActions seen;
};

TEST_F(EditorTest, SevenSectionsEachWithItsTitleAndFocus) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  editor.show();
  ASSERT_TRUE(WaitUntil([&] { return editor.isActiveWindow(); }));
  auto* list = Control<QListWidget>(&editor, "10");
  ASSERT_EQ(list->count(), kEditorSectionCount);
  const char* titles[] = {"Name", "Home", "Business", "Custom", "Personal", "Attach", "Notes / Other"};
  const int focus[] = {106, 210, 314, 405, 508, 702, 600};
  for (int section = kEditorSectionCount - 1; section >= 0; --section) {
    list->setCurrentRow(section);
    EXPECT_EQ(editor.currentSection(), section);
    EXPECT_EQ(list->item(section)->text().toStdString(), titles[section]);
    EXPECT_EQ(Control<QGroupBox>(&editor, "3000")->title().toStdString(), titles[section]);
    EXPECT_EQ(QApplication::focusWidget(), Find(&editor, focus[section])) << titles[section];
    EXPECT_TRUE(Find(&editor, focus[section])->isVisible());
  }
  EXPECT_FALSE(Find(&editor, 210)->isVisible()) << "another section's controls are hidden";
}

TEST_F(EditorTest, EveryTextControlAcceptsItsLimit) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  for (const EditorTextControl& control : EditorTextControls()) {
    QWidget* widget = Find(&editor, control.control);
    ASSERT_NE(widget, nullptr) << control.control;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      EXPECT_EQ(edit->maxLength(), control.limit - 1) << control.control;
    }
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
      EXPECT_EQ(box->lineEdit()->maxLength(), control.limit - 1) << control.control;
    }
  }
  EXPECT_EQ(Control<QComboBox>(&editor, "2000")->lineEdit()->maxLength(), 29);
  auto* notes = Control<QPlainTextEdit>(&editor, "600");
  notes->setPlainText(QString(2000, QLatin1Char('n')));
  EXPECT_EQ(notes->toPlainText().size(), 1023);
}

TEST_F(EditorTest, WhatTheBoxesShowIsWhatTheRecordKeeps) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  editor.show();
  // 29 characters but 32 UTF-8 bytes, in a 29-byte field.
  auto* first = Control<QLineEdit>(&editor, "106");
  first->setFocus();
  TypeText(first, QString::fromUtf8("Saint-Exup\xc3\xa9ry-Delacroix-\xc3\x89" "b\xc3\xa8ne"));
  auto* notes = Control<QPlainTextEdit>(&editor, "600");
  notes->setPlainText(QString(1020, QLatin1Char('n')) + QStringLiteral("\n") + QString::fromUtf8("\xc3\xa9\xc3\xa9"));
  const Contact saved = editor.contact();
  EXPECT_EQ(saved.Text(contact::kFirstName), first->text().toStdString());
  EXPECT_LE(saved.Text(contact::kFirstName).size(), 29u);
  EXPECT_EQ(saved.Notes(), std::string(1020, 'n') + "\r\n") << "no half letter, nothing past 1,023 bytes";
  EXPECT_EQ(notes->toPlainText(), QString(1020, QLatin1Char('n')) + QStringLiteral("\n"));
}

TEST_F(EditorTest, OkNeedsAFirstLastOrNickName) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  EXPECT_FALSE(OkEnabled(&editor));
  TypeInto(&editor, 316, "Acme");
  EXPECT_FALSE(OkEnabled(&editor)) << "a company alone is not enough";
  for (int name : {106, 108, 109}) {
    TypeInto(&editor, name, "Bud");
    EXPECT_TRUE(OkEnabled(&editor)) << name;
    TypeInto(&editor, name, "");
    EXPECT_FALSE(OkEnabled(&editor)) << name;
  }
}

TEST_F(EditorTest, ANickNameAloneSavesAndACompanyAloneCannot) {
  pane.selected.reset();
  DialogScript script;
  script.Expect("contactEditor", [](QWidget* d) {
    TypeInto(d, 316, "Acme");
    EXPECT_FALSE(OkEnabled(d));
    Click(d, "1");  // disabled: nothing happens
    TypeInto(d, 109, "Bud");
    Click(d, "1");
  });
  commands.NewContact();
  const auto contacts = Contacts();
  ASSERT_EQ(contacts.size(), 1u);
  RecordQuery query;
  query.AddMatchAll();
  ASSERT_TRUE(query.Run(*store).ok());
  const Contact saved = Read(query.positions().front());
  EXPECT_EQ(saved.Text(contact::kNickName), "Bud");
  EXPECT_EQ(saved.Text(contact::kCompany), "Acme");
  EXPECT_EQ(pane.shown, query.positions().front());
  EXPECT_GE(pane.focused, 1);
}

TEST_F(EditorTest, ConfidentialIsTheOwnersAlone) {
  Contact secret = NewContact();
  secret.SetText(contact::kFirstName, "Ann");
  secret.SetConfidential(true);
  ContactEditorDialog assistant(ContactEditorDialog::Mode::Edit, secret, Setup(kAccessAssistant));
  auto* box = Control<QCheckBox>(&assistant, "2001");
  EXPECT_FALSE(box->isEnabled());
  box->setChecked(false);  // even a box changed behind the user's back
  EXPECT_TRUE(assistant.contact().Confidential()) << "an Assistant keeps the flag";
  Contact open = secret;
  open.SetConfidential(false);
  EXPECT_FALSE(ContactEditorDialog(ContactEditorDialog::Mode::Edit, open, Setup(kAccessAssistant)).contact().Confidential());

  ContactEditorDialog owner(ContactEditorDialog::Mode::Edit, secret, Setup(kAccessOwner));
  auto* ownersBox = Control<QCheckBox>(&owner, "2001");
  EXPECT_TRUE(ownersBox->isEnabled());
  EXPECT_TRUE(ownersBox->isChecked());
  ownersBox->setChecked(false);
  EXPECT_FALSE(owner.contact().Confidential());
}

TEST_F(EditorTest, AnAssistantEditingThroughTheCommandKeepsTheFlag) {
  const RecordPosition ann = Add("Ann");
  Open(book, "assist");
  pane.selected = ann;
  DialogScript script;
  script.Expect("contactEditor", [](QWidget* d) {
    EXPECT_FALSE(Control<QCheckBox>(d, "2001")->isEnabled());
    TypeInto(d, 108, "Lee");
    Click(d, "1");
  });
  commands.EditContact();
  const Contact saved = Read(ann);
  EXPECT_EQ(saved.Text(contact::kLastName), "Lee");
  EXPECT_FALSE(saved.Confidential());
}

TEST_F(EditorTest, TheActionButtonStandsBesideItsFieldAndActs) {
  Contact contact = NewContact();
  contact.SetText(contact::kFirstName, "Ann");
  contact.SetText(contact::kLastName, "Lee");
  contact.SetOtherPhone(1, "ann@example.com");
  contact.SetOtherPhoneType(1, 16);  // "E-mail2"
  contact.SetText(contact::kWorkPhone, "555 0100");
  ContactEditorDialog editor(ContactEditorDialog::Mode::Edit, contact, Setup());
  editor.show();
  ASSERT_TRUE(WaitUntil([&] { return editor.isActiveWindow(); }));
  auto* action = Control<QToolButton>(&editor, "800");

  editor.ShowSection(1);  // "Home": its phone is empty
  Find(&editor, 215)->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return action->isVisible(); }));
  EXPECT_EQ(editor.actionField(), 215);
  EXPECT_GT(action->x(), Find(&editor, 215)->mapTo(&editor, QPoint(0, 0)).x() + Find(&editor, 215)->width() - 1);
  const int beeps = sandbox.beeps;
  action->click();
  EXPECT_EQ(sandbox.beeps, beeps + 1) << "an empty phone beeps";
  Find(&editor, 216)->setFocus();  // the fax has no button
  ASSERT_TRUE(WaitUntil([&] { return !action->isVisible(); }));

  editor.ShowSection(3);  // "Custom": focus on 405, then the "E-mail2" phone
  Find(&editor, 406)->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return editor.actionField() == 406; }));
  action->click();
  EXPECT_EQ(seen.mailed, std::vector<std::string>{"ann@example.com"});

  editor.ShowSection(2);
  Find(&editor, 323)->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return editor.actionField() == 323; }));
  action->click();
  EXPECT_EQ(seen.dialled, std::vector<std::string>{"555 0100|Ann Lee"});
  EXPECT_EQ(sandbox.beeps, beeps + 1);

  action->setFocus();  // tabbing onto the button keeps it
  ASSERT_TRUE(WaitUntil([&] { return action->hasFocus(); }));
  EXPECT_TRUE(action->isVisible());
  EXPECT_EQ(editor.actionField(), 323);
  Find(&editor, 324)->setFocus();  // and leaving it hides it
  ASSERT_TRUE(WaitUntil([&] { return !action->isVisible(); }));
  EXPECT_EQ(editor.actionField(), 0);
}

TEST_F(EditorTest, ChildrenAreFiveAtMost) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  editor.ShowSection(4);
  auto* list = Control<QListWidget>(&editor, "509");
  auto* edit = Control<QPushButton>(&editor, "503");
  auto* remove = Control<QPushButton>(&editor, "504");
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_FALSE(remove->isEnabled());
  {
    DialogScript script;
    script.Expect("3034", [](QWidget* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("Chield"));
      EXPECT_EQ(d->findChild<QLabel*>()->text(), QStringLiteral("Chield name:"));
      EXPECT_EQ(Control<QLineEdit>(d, "name")->maxLength(), 254);
      EXPECT_FALSE(Control<QPushButton>(d, "1")->isEnabled());
      Type(d, "name", "Tom");
      Click(d, "1");
    });
    Click(&editor, "502");
  }
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_TRUE(remove->isEnabled());
  Click(&editor, "504");
  EXPECT_EQ(list->count(), 0);
  EXPECT_FALSE(edit->isEnabled()) << "removing the only child";
  EXPECT_FALSE(remove->isEnabled());

  ContactEditorValues five = editor.values();
  five.children = {"A", "B", "C", "D", "E"};
  ContactEditorDialog full(ContactEditorDialog::Mode::New, NewContact(), Setup(), nullptr, five);
  const int beeps = sandbox.beeps;
  Click(&full, "502");  // no dialog may open: the script would reject it
  EXPECT_EQ(sandbox.beeps, beeps + 1);
  EXPECT_EQ(Control<QListWidget>(&full, "509")->count(), 5);
}

TEST_F(EditorTest, DatesFollowTheirEnableBoxesAndThePicker) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  auto* birthday = Control<QPushButton>(&editor, "511");
  auto* enable = Control<QCheckBox>(&editor, "513");
  EXPECT_FALSE(enable->isChecked());
  EXPECT_FALSE(birthday->isEnabled()) << "no date: the button is off and offers today";
  EXPECT_EQ(birthday->text().toStdString(), FormatDate(DateValue{10, 12, 2026}));
  enable->setChecked(true);
  EXPECT_TRUE(birthday->isEnabled());
  seen.picked = DateValue{12, 8, 1975};
  birthday->click();
  ASSERT_EQ(seen.pickedFrom.size(), 1u);
  EXPECT_EQ(seen.pickedFrom[0], (DateValue{10, 12, 2026}));
  EXPECT_EQ(birthday->text().toStdString(), FormatDate(DateValue{12, 8, 1975}));
  EXPECT_EQ(editor.contact().Birthday(), (DateValue{12, 8, 1975}));
  EXPECT_TRUE(editor.contact().Anniversary().IsEmpty());
  enable->setChecked(false);
  EXPECT_TRUE(editor.contact().Birthday().IsEmpty());
}

TEST_F(EditorTest, A1975BirthdaySurvivesThreeEdits) {
  const RecordPosition ann = Add("Ann", [](Contact& c) { c.SetBirthday(DateValue{12, 8, 1975}); });
  pane.selected = ann;
  for (int edit = 0; edit < 3; ++edit) {
    DialogScript script;
    script.Expect("contactEditor", [edit](QWidget* d) {
      EXPECT_TRUE(Control<QCheckBox>(d, "513")->isChecked());
      EXPECT_NE(Control<QPushButton>(d, "511")->text().indexOf(QStringLiteral("1975")), -1);
      TypeInto(d, 109, "Nick" + std::to_string(edit));
      Click(d, "1");
    });
    commands.EditContact();
  }
  EXPECT_EQ(Read(ann).Birthday(), (DateValue{12, 8, 1975}));
  EXPECT_EQ(Read(ann).Text(contact::kNickName), "Nick2");
}

TEST_F(EditorTest, AttachmentBrowseAndOpen) {
  ContactEditorDialog editor(ContactEditorDialog::Mode::New, NewContact(), Setup());
  const int beeps = sandbox.beeps;
  Click(&editor, "704");
  EXPECT_EQ(sandbox.beeps, beeps + 1) << "nothing to open";
  sandbox.dialogs.answers.push_back(std::string("/home/ann/cv.pdf"));
  Click(&editor, "703");
  ASSERT_EQ(sandbox.dialogs.requests.size(), 1u);
  EXPECT_EQ(sandbox.dialogs.requests[0].filter, "(*.*)|*.*||");
  EXPECT_EQ(Control<QLineEdit>(&editor, "702")->text().toStdString(), "/home/ann/cv.pdf");
  Click(&editor, "704");
  EXPECT_EQ(seen.opened, std::vector<std::string>{"/home/ann/cv.pdf"});
  Control<QRadioButton>(&editor, "701")->click();
  const Contact saved = editor.contact();
  EXPECT_EQ(saved.Attachment(), "/home/ann/cv.pdf");
  EXPECT_EQ(saved.AttachmentKind(), contact::kAttachUrl);
}

TEST_F(EditorTest, CategoriesSelectByPrefixAndKeepAnUnknownName) {
  struct Case {
    std::string stored, shown;
  } cases[] = {{"cli", "Clients"}, {"personal", "Personal"}, {"Zeta", "Zeta"}, {"", ""}};
  for (const Case& c : cases) {
    Contact contact = NewContact();
    contact.SetCategory(c.stored);
    ContactEditorDialog editor(ContactEditorDialog::Mode::Edit, contact, Setup());
    EXPECT_EQ(Control<QComboBox>(&editor, "2000")->currentText().toStdString(), c.shown) << c.stored;
    EXPECT_EQ(editor.contact().Category(), c.shown);
  }
}

// Each other phone's type list starts with an empty entry: a phone without
// a type shows it, and choosing it takes a chosen type back to none.
TEST_F(EditorTest, AnOtherPhonesTypeCanBeSetBackToNone) {
  Contact contact = NewContact();
  contact.SetText(contact::kFirstName, "Ann");
  contact.SetOtherPhone(0, "555 0101");
  contact.SetOtherPhoneType(0, 3);  // "Callback"
  contact.SetOtherPhone(2, "555 0103");
  ContactEditorDialog editor(ContactEditorDialog::Mode::Edit, contact, Setup());
  struct Case {
    int phone;
    int chosenRow;  // -1: leave the list as it opened
    int shownRow;
    int32_t stored;
  };
  const Case cases[] = {
      {0, -1, 3, 3},   // "Callback" shown as it was
      {0, 0, 0, 0},    // the empty entry: no type
      {1, 1, 1, 1},    // "Assistant"
      {2, -1, 0, 0},   // a phone without a type shows the empty entry
      {3, 17, 17, 17}, // the last type
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phone);
    auto* list = Control<QComboBox>(&editor, std::to_string(400 + c.phone).c_str());
    EXPECT_EQ(list->count(), 18);
    EXPECT_TRUE(list->itemText(0).isEmpty());
    EXPECT_EQ(list->itemText(1), QStringLiteral("Assistant"));
    if (c.chosenRow >= 0) list->setCurrentIndex(c.chosenRow);
    EXPECT_EQ(list->currentIndex(), c.shownRow);
    EXPECT_EQ(editor.contact().OtherPhoneType(c.phone), c.stored);
  }
  EXPECT_EQ(editor.contact().OtherPhone(0), "555 0101") << "the number stays";
}

TEST_F(EditorTest, EveryValueGoesBackIntoTheRecord) {
  Contact contact = NewContact();
  contact.SetText(contact::kHomeStreet, "1 Main St\r\nFlat 2");
  contact.SetChild(0, "Tom");
  contact.SetGender(2);
  contact.SetOtherPhoneType(4, 3);
  contact.SetOtherPhone(4, "555");
  contact.SetNoMailMerge(true);
  contact.SetNotes("line one\r\nline two");
  contact.SetAttachmentKind(contact::kAttachDocument);
  ContactEditorDialog editor(ContactEditorDialog::Mode::Edit, contact, Setup());
  EXPECT_EQ(Control<QPlainTextEdit>(&editor, "210")->toPlainText(), QStringLiteral("1 Main St\nFlat 2"));
  const Contact again = editor.contact();
  EXPECT_EQ(again.bytes(), contact.bytes()) << "showing and saving changes nothing";
}

}  // namespace
}  // namespace velmora::testing

namespace velmora::testing {
namespace {

class RunEditorTest : public RecordTest {};

TEST_F(RunEditorTest, OkFillsTheRecordAndCancelLeavesIt) {
  Contact contact;
  InitContactRecord(*store, contact.bytes());
  Bytes record = contact.bytes();
  {
    DialogScript script;
    script.Expect("contactEditor", [](QWidget* d) {
      Type(d, "106", "Ann");
      Click(d, "2");
    });
    EXPECT_EQ(RunContactEditor(nullptr, *store, record, ContactEditorDialog::Mode::New), 0);
  }
  EXPECT_EQ(record, contact.bytes());
  {
    DialogScript script;
    script.Expect("contactEditor", [](QWidget* d) {
      // The file's categories are offered.
      EXPECT_GE(Control<QComboBox>(d, "2000")->findText(QStringLiteral("Clients")), 0);
      Type(d, "106", "Ann");
      Click(d, "1");
    });
    EXPECT_EQ(RunContactEditor(nullptr, *store, record, ContactEditorDialog::Mode::New), 1);
  }
  EXPECT_EQ(Contact(record).Text(contact::kFirstName), "Ann");
}

}  // namespace
}  // namespace velmora::testing
