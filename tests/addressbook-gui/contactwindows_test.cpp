// The picture window and the history window beside a main window: their
// placement, the picture buttons acting on the selected contact, the
// history file, rows, commands and dialogs.
#include <sys/stat.h>
#include <unistd.h>

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "CardoraTestSupport.h"
#include "addressbook/gui/ContactWindows.h"
#include "addressbook/gui/HistoryDialogs.h"
#include "addressbook/gui/HistoryWindow.h"
#include "addressbook/gui/PictureWindow.h"
#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactHistory.h"
#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "store/RecordHeader.h"
#include "store/Settings.h"
#include "tests/support/Files.h"
#include "tests/support/OtherUser.h"
#include "tests/support/Records.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/Skin.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselClassPictureWnd.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {
namespace {

using testing::Sandbox;
using testing::WaitUntil;

// The main window's side of the windows: a plain window, an address book
// and a selection the test sets.
class TestHost : public ContactWindowHost {
 public:
  explicit TestHost(const std::string& path) {
    EXPECT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
    store = std::make_unique<RecordStore>(path, "");
    main.setGeometry(20, 30, 420, 430);
    main.show();
  }
  QWidget* mainWindow() override { return &main; }
  RecordStore* addressBook() override { return store.get(); }
  std::optional<RecordPosition> selectedContact() override { return selected; }
  void ContactChanged(RecordPosition position) override { changed.push_back(position); }
  void ReloadContacts() override { ++reloads; }
  void FocusContacts() override { ++focused; }

  RecordPosition Add(const char* first, const char* last, const std::string& picture = {}) {
    Bytes record;
    InitContactRecord(*store, record);
    Contact contact(std::move(record));
    contact.SetText(contact::kFirstName, first);
    contact.SetText(contact::kLastName, last);
    contact.SetPicture(picture);
    RecordPosition where = 0;
    EXPECT_TRUE(store->AddRecord(contact.bytes(), &where).ok());
    return where;
  }
  Contact Read(RecordPosition position) {
    Bytes record;
    EXPECT_TRUE(store->ReadRecordIfLive(record, position).ok());
    return Contact(std::move(record));
  }

  QWidget main;
  std::unique_ptr<RecordStore> store;
  std::optional<RecordPosition> selected;
  std::vector<RecordPosition> changed;
  int reloads = 0, focused = 0;
};

void Settle() {
  for (int turn = 0; turn < 6; ++turn) QCoreApplication::processEvents();
}

// --- Placement ---------------------------------------------------------------

TEST(FloatingPlacementTest, DefaultBesideTheMainWindowAndInsideTheDesktop) {
  const QRect desktop(0, 0, 1280, 1024);
  const QRect main(100, 50, 420, 430);
  struct Case {
    const char* name;
    std::optional<QRect> saved;
    QRect mainFrame;
    bool otherOpen;
    QRect expected;
  };
  const Case cases[] = {
      {"default", std::nullopt, main, false, {523, 50, 250, 250}},
      {"other window open", std::nullopt, main, true, {543, 70, 250, 250}},
      {"saved", QRect(10, 20, 300, 200), main, true, {10, 20, 300, 200}},
      {"past the right edge", std::nullopt, QRect(900, 50, 420, 430), false, {1030, 50, 250, 250}},
      {"past the bottom", QRect(10, 900, 300, 200), main, false, {10, 824, 300, 200}},
      {"above the top", QRect(10, -40, 300, 200), main, false, {10, 0, 300, 200}},
      {"taller than the desktop", QRect(10, 10, 300, 2000), main, false, {10, 0, 300, 2000}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloatingPlacement(c.saved, c.mainFrame, {250, 250}, c.otherOpen, desktop), c.expected) << c.name;
  }
}

TEST(FloatingPlacementTest, SavedOnlyWithAllFourKeysAndAPositiveSize) {
  Sandbox sandbox;
  EXPECT_FALSE(ReadFloatingPlacement("PWnd_"));
  sandbox.SetProgram("PWnd_X", "5");
  sandbox.SetProgram("PWnd_Y", "6");
  sandbox.SetProgram("PWnd_W", "70");
  EXPECT_FALSE(ReadFloatingPlacement("PWnd_"));
  sandbox.SetProgram("PWnd_H", "0");
  EXPECT_FALSE(ReadFloatingPlacement("PWnd_"));
  sandbox.SetProgram("PWnd_H", "80");
  EXPECT_EQ(ReadFloatingPlacement("PWnd_"), QRect(5, 6, 70, 80));
}

class ContactWindowsTest : public ::testing::Test {
 protected:
  ContactWindowsTest() : host_(sandbox_.File("contacts.adr")), windows_(host_) {}
  void TearDown() override {
    windows_.ClosePictureWindow();
    windows_.CloseHistoryWindow();
    Settle();
  }
  Sandbox sandbox_;
  TestHost host_;
  ContactWindows windows_;
};

TEST_F(ContactWindowsTest, WindowsOpenBesideTheMainWindowTheSecondOneShifted) {
  windows_.ShowPictureWindow("");
  ASSERT_TRUE(windows_.PictureWindowOpen());
  const QRect main = host_.main.frameGeometry();
  const QRect picture = windows_.pictureWindow()->frameGeometry();
  EXPECT_EQ(picture.topLeft(), QPoint(main.x() + main.width() + 3, main.y()));
  EXPECT_EQ(picture.size(), QSize(250, 250));
  EXPECT_EQ(windows_.pictureWindow()->title(), "Picture");
  windows_.ShowHistoryWindow(*host_.store, nullptr);
  ASSERT_TRUE(windows_.HistoryWindowOpen());
  const QRect history = windows_.historyWindow()->frameGeometry();
  EXPECT_EQ(history, QRect(main.x() + main.width() + 23, main.y() + 20, 300, 340));
}

TEST_F(ContactWindowsTest, PlacementIsSavedOnCloseButNotWhenMaximised) {
  windows_.ShowPictureWindow("");
  windows_.pictureWindow()->setGeometry(40, 50, 260, 270);
  windows_.ClosePictureWindow();
  EXPECT_FALSE(windows_.PictureWindowOpen());
  EXPECT_EQ(ReadFloatingPlacement("PWnd_"), QRect(40, 50, 260, 270));

  windows_.ShowHistoryWindow(*host_.store, nullptr);
  windows_.historyWindow()->showMaximized();
  Settle();
  ASSERT_TRUE(windows_.historyWindow()->isMaximized());
  windows_.CloseHistoryWindow();
  EXPECT_FALSE(sandbox_.ProgramSetting("HWnd_X"));
  EXPECT_FALSE(sandbox_.ProgramSetting("HWnd_W"));
}

TEST_F(ContactWindowsTest, TheCloseButtonTellsTheMainWindow) {
  int closed = 0;
  windows_.SetPictureClosedHandler([&] { ++closed; });
  windows_.ShowPictureWindow("");
  windows_.pictureWindow()->close();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(windows_.PictureWindowOpen());
  windows_.ShowPictureWindow("");
  windows_.ClosePictureWindow();
  EXPECT_EQ(closed, 1) << "closing by the main window is not reported back";
}

// --- Picture window ----------------------------------------------------------

QString SavePicture(const std::string& path, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::red);
  EXPECT_TRUE(image.save(QString::fromStdString(path)));
  return QString::fromStdString(path);
}

TEST_F(ContactWindowsTest, AMissingPictureFileShowsTheEmptyBox) {
  const std::string picture = sandbox_.File("face.png");
  SavePicture(picture, {40, 30});
  windows_.ShowPictureWindow(picture);
  TesselClassPictureWnd* box = windows_.pictureWindow()->box();
  EXPECT_TRUE(box->HasPicture());
  windows_.ShowPictureWindow(sandbox_.File("gone.png"));
  EXPECT_FALSE(box->HasPicture());
  windows_.ShowPictureWindow("");
  EXPECT_FALSE(box->HasPicture());
}

TEST_F(ContactWindowsTest, NewSetsTheSelectedContactsPicture) {
  const RecordPosition position = host_.Add("Ann", "Lee");
  host_.selected = position;
  windows_.ShowPictureWindow("");
  const std::string picture = sandbox_.File("ann.png");
  SavePicture(picture, {20, 20});
  sandbox_.dialogs.answers.push_back(picture);
  windows_.pictureWindow()->NewPicture();
  ASSERT_EQ(sandbox_.dialogs.requests.size(), 1u);
  const FileDialogRequest& request = sandbox_.dialogs.requests.front();
  EXPECT_EQ(request.mode, FileDialogMode::Open);
  EXPECT_EQ(request.filter.rfind("Pictures(*.bmp;*.gif;*.jpg;*.ico;*.emf;*.wmf)|", 0), 0u);
  EXPECT_NE(request.filter.find("|Windows Metafiles (*.wmf)|*.wmf|PNG Files (*.png)|*.png||"), std::string::npos);
  EXPECT_EQ(host_.Read(position).Picture(), picture);
  EXPECT_EQ(host_.changed, std::vector<RecordPosition>{position});
  EXPECT_TRUE(host_.main.isEnabled());
  EXPECT_TRUE(windows_.pictureWindow()->isEnabled());
  EXPECT_TRUE(sandbox_.messages.empty());
}

TEST_F(ContactWindowsTest, RemoveAsksOnlyWithAPictureAndClearsTheContactsPicture) {
  const std::string picture = sandbox_.File("bob.png");
  SavePicture(picture, {20, 20});
  const RecordPosition position = host_.Add("Bob", "Ray", picture);
  host_.selected = position;
  windows_.ShowPictureWindow("");
  windows_.pictureWindow()->RemovePicture();
  EXPECT_TRUE(sandbox_.messages.empty()) << "no picture shown: nothing asked";
  EXPECT_EQ(host_.Read(position).Picture(), picture);

  windows_.ShowPictureWindow(picture);
  sandbox_.answers.push_back(false);
  windows_.pictureWindow()->RemovePicture();
  ASSERT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{"Are you sure you want to remove this attachment ?"});
  EXPECT_EQ(host_.Read(position).Picture(), picture);
  sandbox_.answers.push_back(true);
  windows_.pictureWindow()->RemovePicture();
  EXPECT_EQ(host_.Read(position).Picture(), "");
}

TEST_F(ContactWindowsTest, ButtonsNeedASelectedContactAndBeepWhileTheMainWindowIsDisabled) {
  windows_.ShowPictureWindow("");
  PictureWindow* window = windows_.pictureWindow();
  window->NewPicture();
  window->RemovePicture();
  EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>{"Please select Cardora record and then click New.",
                                                                "Please select Cardora record and then click Remove."}));
  sandbox_.messages.clear();
  host_.main.setEnabled(false);
  window->NewPicture();
  window->RemovePicture();
  EXPECT_EQ(sandbox_.beeps, 2);
  EXPECT_TRUE(sandbox_.messages.empty());
  EXPECT_TRUE(sandbox_.dialogs.requests.empty());
}

TEST_F(ContactWindowsTest, AnotherUsersLockRefusesThePictureChange) {
  const RecordPosition position = host_.Add("Cy", "Dee");
  host_.selected = position;
  RecordStore other(host_.store->path(), "");
  ASSERT_TRUE(other.LockRecord(position).ok());
  SetSelectedContactPicture(host_, std::string("/tmp/x.png"));
  EXPECT_EQ(sandbox_.MessageTexts().size(), 1u);
  EXPECT_NE(sandbox_.MessageTexts().front().find("being edited by another user"), std::string::npos);
  EXPECT_EQ(host_.Read(position).Picture(), "");
  EXPECT_TRUE(other.UnlockRecord(position).ok());
}

TEST_F(ContactWindowsTest, TheBoxButtonsOfTheEditorAskAboutTheBoxOnly) {
  TesselClassPictureWnd box(true);
  ASSERT_TRUE(box.Create(nullptr, kStylePopup));
  box.resize(120, 140);
  ConnectPictureBoxButtons(box);
  SendCommand(&box, TesselClassPictureWnd::kCmdRemove);
  EXPECT_TRUE(sandbox_.messages.empty());
  const std::string picture = sandbox_.File("box.png");
  SavePicture(picture, {20, 20});
  sandbox_.dialogs.answers.push_back(picture);
  SendCommand(&box, TesselClassPictureWnd::kCmdNew);
  EXPECT_EQ(box.path().toStdString(), picture);
  sandbox_.answers.push_back(true);
  SendCommand(&box, TesselClassPictureWnd::kCmdRemove);
  EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{"Do you wish to remove this attachment?"});
  EXPECT_FALSE(box.HasPicture());
}

TEST_F(ContactWindowsTest, AnAttachmentOpensOnlyWithAKindAndAPath) {
  std::vector<QUrl> opened;
  const UrlOpener before = SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  struct Case {
    uint8_t kind;
    const char* text;
    bool opens;
  };
  const Case cases[] = {{0, "http://example.org/a", false},
                        {2, "http://example.org/b", true},
                        {1, "", false},
                        {2, "www.example.org", true}};
  for (const Case& c : cases) {
    Bytes record;
    InitContactRecord(*host_.store, record);
    Contact contact(std::move(record));
    contact.SetAttachmentKind(c.kind);
    contact.SetAttachment(c.text);
    RecordPosition where = 0;
    ASSERT_TRUE(host_.store->AddRecord(contact.bytes(), &where).ok());
    opened.clear();
    EXPECT_EQ(OpenContactAttachment(&host_.main, *host_.store, where), c.opens) << c.text;
    EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << int(c.kind) << " " << c.text;
  }
  SetUrlOpener(before);
}

TEST_F(ContactWindowsTest, FileDialogsShownForAPictureAreTitledOpenPictureFile) {
  QFileDialog outside;
  {
    const ScopedFileDialogTitle title(QString::fromUtf8(kPictureDialogTitle));
    QFileDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Open Picture File");
    dialog.hide();
  }
  outside.setWindowTitle(QStringLiteral("Open"));
  outside.show();
  EXPECT_EQ(outside.windowTitle(), "Open");
  outside.hide();
}

// --- History -----------------------------------------------------------------

RecordPosition AddEntry(RecordStore& history, uint64_t contactId, DateValue date, TimeValue time,
                        const std::string& description, const std::string& attachment = {}) {
  Bytes entry = NewHistoryEntry(history, contactId, date, time);
  PutText(entry.data() + history::kDescription.offset, history::kDescription.width, description);
  PutText(entry.data() + history::kAttachment.offset, history::kAttachment.width, attachment);
  RecordPosition where = 0;
  EXPECT_TRUE(history.AddRecord(entry, &where).ok());
  return where;
}

std::vector<std::string> RowDescriptions(HistoryWindow& window) {
  std::vector<std::string> rows;
  TesselWndListView* list = window.list();
  for (int row = 0; row < list->rowCount(); ++row) {
    Bytes entry;
    if (window.historyStore()->ReadRecordIfLive(entry, list->PositionOf(row)).ok()) {
      rows.push_back(GetText(entry.data() + history::kDescription.offset, history::kDescription.width));
    }
  }
  return rows;
}

class HistoryWindowTest : public ContactWindowsTest {
 protected:
  void SetUp() override {
    ann_ = host_.Add("Ann", "Lee");
    bob_ = host_.Add("Bob", "Ray");
    annId_ = host_.Read(ann_).Id();
    bobId_ = host_.Read(bob_).Id();
  }
  void TearDown() override {
    HistoryWindow::SetDialogRunner(nullptr);
    ContactWindowsTest::TearDown();
  }
  HistoryWindow& Show(RecordPosition position) {
    host_.selected = position;
    const Bytes record = host_.Read(position).bytes();
    windows_.ShowHistoryWindow(*host_.store, &record);
    return *windows_.historyWindow();
  }
  RecordPosition ann_ = 0, bob_ = 0;
  uint64_t annId_ = 0, bobId_ = 0;
};

TEST_F(HistoryWindowTest, ShowingAContactCreatesTheHistoryFileBesideTheAddressBook) {
  const std::string path = HistoryPath(host_.store->path());
  EXPECT_EQ(path, sandbox_.File("contacts.adr.history"));
  EXPECT_FALSE(RecordStore::FileExists(path));
  HistoryWindow& window = Show(ann_);
  EXPECT_TRUE(RecordStore::FileExists(path));
  EXPECT_EQ(window.title(), "Ann Lee");
  EXPECT_EQ(window.contactId(), annId_);
  windows_.ShowHistoryWindow(*host_.store, nullptr);
  EXPECT_EQ(window.title(), " ");
  EXPECT_EQ(window.contactId(), 0u);
  EXPECT_EQ(window.list()->rowCount(), 0);
}

TEST_F(HistoryWindowTest, TheHistoryReportReplacesAnotherUsersLinkAndIsNoWiderThanTheHistoryFile) {
  HistoryWindow& window = Show(ann_);
  RecordStore& history = *window.historyStore();
  AddEntry(history, annId_, {3, 4, 2010}, {9, 30, 0, kHalfAm}, "called about the lease");
  ASSERT_EQ(::chmod(history.path().c_str(), 0600), 0);
  const testing::ScopedUmask mask(022);
  const std::string victim = sandbox_.File("victim.txt");
  ASSERT_TRUE(testing::WriteWholeFile(victim, "the victim's own\n"));
  std::string report = sandbox_.File("history.txt");
  if (testing::CanActAsOtherUser()) {
    report = testing::MakeSharedFolder(sandbox_.folder()) + "/history.txt";
    ASSERT_TRUE(testing::PlantLinkAsOtherUser(victim, report));
  } else {
    ASSERT_EQ(::symlink(victim.c_str(), report.c_str()), 0);
  }

  const Result written = WriteHistoryReport(history, annId_, "Ann", "Lee", report);
  ASSERT_TRUE(written.ok()) << written.Message();
  EXPECT_EQ(testing::ReadWholeFile(victim), "the victim's own\n");
  struct stat st;
  ASSERT_EQ(::lstat(report.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, mode_t(0600));
  EXPECT_NE(testing::ReadWholeFile(report).find("called about the lease"), std::string::npos);
}

TEST_F(HistoryWindowTest, RowsSortByDateThenTimeWithAnInvalidDateFirst) {
  HistoryWindow& window = Show(ann_);
  RecordStore& history = *window.historyStore();
  const DateValue day{3, 4, 2010};
  AddEntry(history, annId_, day, {9, 30, 0, kHalfPm}, "evening");
  AddEntry(history, annId_, day, {8, 0, 0, kHalfAm}, "morning");
  AddEntry(history, annId_, {}, {1, 0, 0, kHalfAm}, "undated");
  AddEntry(history, annId_, {1, 1, 2009}, {11, 0, 0, kHalfPm}, "last year");
  AddEntry(history, bobId_, day, {8, 0, 0, kHalfAm}, "not Ann's");
  windows_.ShowHistoryWindow(*host_.store, nullptr);
  Show(ann_);
  EXPECT_EQ(RowDescriptions(window), (std::vector<std::string>{"undated", "last year", "morning", "evening"}));
  SendCommand(&window, HistoryWindow::kCmdSortByDescription);
  EXPECT_EQ(RowDescriptions(window), (std::vector<std::string>{"evening", "last year", "morning", "undated"}));
  EXPECT_EQ(window.sortChooser()->chosenText(), "Sort by Description");
}

TEST_F(HistoryWindowTest, CommandsNeedAContactAndOnlyBeepWhileTheMainWindowIsDisabled) {
  int dialogs = 0;
  HistoryWindow::SetDialogRunner([&](QDialog&) {
    ++dialogs;
    return 0;
  });
  windows_.ShowHistoryWindow(*host_.store, nullptr);
  HistoryWindow& window = *windows_.historyWindow();
  for (int command : {101, 103, 102, 104, 105}) SendCommand(&window, command);
  EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>{"Please select Cardora record and then click New.",
                                                                "Please select Cardora record and then click Edit.",
                                                                "Please select Cardora record and then click Delete.",
                                                                "Please select Cardora record and then click Find.",
                                                                "Please select Cardora record and then click Report."}));
  sandbox_.messages.clear();
  Show(ann_);
  host_.main.setEnabled(false);
  SendCommand(&window, HistoryWindow::kCmdNew);
  EXPECT_EQ(sandbox_.beeps, 1);
  EXPECT_TRUE(sandbox_.messages.empty());
  EXPECT_EQ(dialogs, 0);
  host_.main.setEnabled(true);
  SendCommand(&window, HistoryWindow::kCmdNew);
  EXPECT_EQ(dialogs, 1);
}

TEST_F(HistoryWindowTest, NewAddsTheEntryUnlessTheContactWasDeletedMeanwhile) {
  HistoryWindow& window = Show(ann_);
  HistoryWindow::SetDialogRunner([](QDialog& dialog) {
    auto& entry = static_cast<HistoryEntryDialog&>(dialog);
    EXPECT_EQ(entry.windowTitle(), "History");
    EXPECT_EQ(entry.timeList()->count(), 288);
    EXPECT_EQ(entry.timeList()->currentRow(), TimeSlot(Now(5)));
    EXPECT_EQ(entry.dateButton()->text().toStdString(), FormatDate(Today()));
    EXPECT_FALSE(entry.okButton()->isEnabled());
    entry.description()->setPlainText(QStringLiteral("Call back"));
    EXPECT_TRUE(entry.okButton()->isEnabled());
    entry.timeList()->setCurrentRow(12 * 3 + 2);  // 3:10 AM
    SendCommand(&entry, kCmdOk);
    return entry.result();
  });
  SendCommand(&window, HistoryWindow::kCmdNew);
  ASSERT_EQ(RowDescriptions(window), std::vector<std::string>{"Call back"});
  EXPECT_EQ(window.list()->SelectedRow(), 0);
  Bytes entry;
  ASSERT_TRUE(window.historyStore()->ReadRecordIfLive(entry, window.list()->PositionOf(0)).ok());
  EXPECT_EQ(GetU64(entry.data() + history::kContactId), annId_);
  EXPECT_EQ(GetTime(entry.data() + history::kTime), (TimeValue{3, 10, 0, kHalfAm}));

  // The contact is deleted by another user while the dialog is open.
  HistoryWindow::SetDialogRunner([&](QDialog& dialog) {
    EXPECT_TRUE(host_.store->DeleteRecord(ann_).ok());
    auto& entryDialog = static_cast<HistoryEntryDialog&>(dialog);
    entryDialog.description()->setPlainText(QStringLiteral("Too late"));
    SendCommand(&entryDialog, kCmdOk);
    return entryDialog.result();
  });
  SendCommand(&window, HistoryWindow::kCmdNew);
  EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{"Cardora record state=0 !"});
  EXPECT_EQ(RowDescriptions(window), std::vector<std::string>{"Call back"});
}

// After New the list shows the new entry selected and has the keyboard
// focus, so that Insert adds another entry rather than a contact, even when
// the main window was the active one.
TEST_F(HistoryWindowTest, NewSelectsTheNewEntryAndFocusesTheList) {
  HistoryWindow& window = Show(ann_);
  AddEntry(*window.historyStore(), annId_, {1, 2, 2011}, {}, "Earlier");
  window.list()->Refresh();
  window.list()->SelectRow(0);
  host_.main.activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return host_.main.isActiveWindow(); }));
  ASSERT_FALSE(window.ListHasFocus());
  HistoryWindow::SetDialogRunner([](QDialog& dialog) {
    auto& entry = static_cast<HistoryEntryDialog&>(dialog);
    entry.description()->setPlainText(QStringLiteral("Later"));
    SendCommand(&entry, kCmdOk);
    return entry.result();
  });
  SendCommand(&window, HistoryWindow::kCmdNew);
  Settle();
  ASSERT_EQ(RowDescriptions(window), (std::vector<std::string>{"Earlier", "Later"}));
  EXPECT_EQ(window.list()->SelectedRow(), 1) << "the new entry, not the one selected before";
  EXPECT_TRUE(WaitUntil([&] { return window.ListHasFocus(); }));
  Settle();
  EXPECT_EQ(window.list()->SelectedRow(), 1);
}

// The sort chooser shows "Sort by Description" whole in every skin: its
// text fits between the left margin and the arrow glyph.
TEST_F(HistoryWindowTest, TheSortChooserShowsItsLongestEntryWholeInEverySkin) {
  const QString longest = QStringLiteral("Sort by Description");
  for (const char* skin : {"1_Metallic.ini", "2_Ocean.ini", "3_Graphite.ini"}) {
    SCOPED_TRACE(skin);
    sandbox_.SetSuite("CurrSkin", skin);
    ReloadSkin();
    HistoryWindow& window = Show(ann_);
    SendCommand(&window, HistoryWindow::kCmdSortByDescription);
    ASSERT_EQ(window.sortChooser()->chosenText(), longest);
    const QImage& glyph = BitmapImage("flymenu_arrow.bmp");
    const int textRoom = window.sortChooser()->width() - 7 - (glyph.isNull() ? 10 : glyph.width()) - 12;
    const QFontMetrics metrics(NormalFont());
    EXPECT_EQ(metrics.elidedText(longest, Qt::ElideRight, textRoom), longest) << "room " << textRoom;
    EXPECT_LE(window.sortChooser()->geometry().right(), window.width() - 1);
    SendCommand(&window, HistoryWindow::kCmdSortByDate);
    windows_.CloseHistoryWindow();
    Settle();
  }
}

TEST_F(HistoryWindowTest, DeleteAsksAndKeepsTheFile) {
  HistoryWindow& window = Show(ann_);
  AddEntry(*window.historyStore(), annId_, {1, 2, 2011}, {}, "Meeting");
  window.list()->Refresh();
  SendCommand(&window, HistoryWindow::kCmdDelete);
  EXPECT_TRUE(sandbox_.messages.empty()) << "no row selected: nothing";
  window.list()->SelectRow(0);
  sandbox_.answers = {false, true};
  SendCommand(&window, HistoryWindow::kCmdDelete);
  EXPECT_EQ(RowDescriptions(window), std::vector<std::string>{"Meeting"});
  SendCommand(&window, HistoryWindow::kCmdDelete);
  EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>{"Do you want to delete this History record ?",
                                                                "Do you want to delete this History record ?"}));
  EXPECT_TRUE(RowDescriptions(window).empty());
  EXPECT_TRUE(RecordStore::FileExists(HistoryPath(host_.store->path())));
}

TEST_F(HistoryWindowTest, EditIsRefusedWhileAnotherUserHoldsTheEntry) {
  HistoryWindow& window = Show(ann_);
  const RecordPosition position = AddEntry(*window.historyStore(), annId_, {1, 2, 2011}, {}, "Meeting");
  window.list()->Refresh();
  window.list()->SelectRow(0);
  RecordStore other(HistoryPath(host_.store->path()), "");
  ASSERT_TRUE(other.LockRecord(position).ok());
  int dialogs = 0;
  HistoryWindow::SetDialogRunner([&](QDialog&) { return ++dialogs, 0; });
  SendCommand(&window, HistoryWindow::kCmdEdit);
  EXPECT_EQ(dialogs, 0);
  ASSERT_EQ(sandbox_.MessageTexts().size(), 1u);
  EXPECT_NE(sandbox_.MessageTexts().front().find("being edited by another user"), std::string::npos);
  EXPECT_TRUE(other.UnlockRecord(position).ok());
}

TEST_F(HistoryWindowTest, AReaderMayNotChangePicturesOrHistory) {
  testing::SetPasswords(*host_.store, {"own", "help", "read"});
  const std::string path = host_.store->path();
  host_.store = std::make_unique<RecordStore>(path, "read");
  ASSERT_EQ(host_.store->GetAccessLevel(), kAccessReader);
  host_.selected = ann_;
  int dialogs = 0;
  HistoryWindow::SetDialogRunner([&](QDialog&) { return ++dialogs, 0; });
  HistoryWindow& window = Show(ann_);
  for (int command : {HistoryWindow::kCmdNew, HistoryWindow::kCmdEdit, HistoryWindow::kCmdDelete}) {
    SendCommand(&window, command);
  }
  SetSelectedContactPicture(host_, std::string("/tmp/reader.png"));
  const std::string refusal = LoadText(kMsgNoPermission);
  EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>(4, refusal)));
  EXPECT_EQ(dialogs, 0);
  EXPECT_EQ(host_.Read(ann_).Picture(), "");
}

TEST_F(HistoryWindowTest, AnotherUsersNewEntryKeepsTheSelectedEntrySelected) {
  HistoryWindow& window = Show(ann_);
  AddEntry(*window.historyStore(), annId_, {1, 2, 2011}, {}, "Later");
  window.list()->Refresh();
  window.list()->SelectRow(0);
  RecordStore other(HistoryPath(host_.store->path()), "");
  AddEntry(other, annId_, {1, 2, 2010}, {}, "Earlier");
  window.list()->Refresh();
  Settle();
  ASSERT_EQ(RowDescriptions(window), (std::vector<std::string>{"Earlier", "Later"}));
  EXPECT_EQ(window.list()->SelectedRow(), 1);
}

TEST_F(HistoryWindowTest, BrowsingIntoAnEmptyEntryFillsTheDescription) {
  HistoryWindow& window = Show(ann_);
  const Bytes entry = NewHistoryEntry(*window.historyStore(), annId_, {5, 6, 2012}, {4, 20, 0, kHalfPm});
  HistoryEntryDialog dialog(entry, annId_);
  EXPECT_FALSE(dialog.okButton()->isEnabled());
  sandbox_.dialogs.answers.push_back(std::nullopt);
  dialog.BrowseAttachment();
  EXPECT_FALSE(dialog.okButton()->isEnabled()) << "cancelled: nothing changes";
  sandbox_.dialogs.answers.push_back(sandbox_.File("letter.odt"));
  dialog.BrowseAttachment();
  EXPECT_EQ(dialog.attachment()->text().toStdString(), sandbox_.File("letter.odt"));
  EXPECT_EQ(dialog.description()->toPlainText(), "Attachment.");
  EXPECT_TRUE(dialog.okButton()->isEnabled());
  EXPECT_EQ(sandbox_.dialogs.requests.back().filter, "(*.*)|*.*||");
  dialog.description()->setPlainText(QStringLiteral("Signed"));
  sandbox_.dialogs.answers.push_back(sandbox_.File("other.odt"));
  dialog.BrowseAttachment();
  EXPECT_EQ(dialog.description()->toPlainText(), "Signed");
  dialog.attachment()->clear();
  dialog.OpenAttachment();
  EXPECT_EQ(sandbox_.beeps, 1);
}

TEST_F(HistoryWindowTest, TextsThatWouldBeStoredCutAreRefusedOrCutWhileTyped) {
  HistoryWindow& window = Show(ann_);
  HistoryEntryDialog dialog(NewHistoryEntry(*window.historyStore(), annId_, {5, 6, 2012}, {}), annId_);
  // Two bytes a character: 127 characters fill the 254 bytes.
  dialog.description()->setPlainText(QString(200, QChar(0xE9)));
  EXPECT_EQ(dialog.description()->toPlainText(), QString(127, QChar(0xE9)));
  const std::string longPath = "/" + std::string(300, 'p');
  sandbox_.dialogs.answers.push_back(longPath);
  dialog.BrowseAttachment();
  EXPECT_TRUE(dialog.attachment()->text().isEmpty());
  ASSERT_EQ(sandbox_.MessageTexts().size(), 1u);
  EXPECT_NE(sandbox_.MessageTexts().front().find("at most 259 characters"), std::string::npos);
  // 130 characters of two bytes each: within the field's characters, not its bytes.
  dialog.attachment()->setText(QStringLiteral("/") + QString(130, QChar(0xE9)));
  SendCommand(&dialog, kCmdOk);
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(sandbox_.MessageTexts().size(), 2u);

  const RecordPosition position = host_.Add("Long", "Path");
  host_.selected = position;
  windows_.ShowPictureWindow("");
  sandbox_.dialogs.answers.push_back(longPath);
  windows_.pictureWindow()->NewPicture();
  EXPECT_EQ(sandbox_.MessageTexts().size(), 3u);
  EXPECT_EQ(host_.Read(position).Picture(), "");
}

TEST_F(HistoryWindowTest, TheDatePickerSetsTheDateAndOkWritesTheEntry) {
  HistoryWindow& window = Show(ann_);
  const DateValue picked{24, 12, 2015};
  const DateAsker before = SetHistoryDateAsker([&](QWidget*, const DateValue& initial, const QPoint&) {
    EXPECT_EQ(initial, (DateValue{5, 6, 2012}));
    return std::optional<DateValue>(picked);
  });
  HistoryEntryDialog dialog(NewHistoryEntry(*window.historyStore(), annId_, {5, 6, 2012}, {}), annId_);
  dialog.PickEntryDate();
  EXPECT_EQ(dialog.dateButton()->text().toStdString(), FormatDate(picked));
  dialog.description()->setPlainText(QString(300, QLatin1Char('x')));
  EXPECT_EQ(dialog.description()->toPlainText().size(), 254);
  dialog.timeList()->setCurrentRow(-1);
  SendCommand(&dialog, kCmdOk);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(GetDate(dialog.entry().data() + history::kDate), picked);
  EXPECT_EQ(TimeSlot(GetTime(dialog.entry().data() + history::kTime)), TimeSlot(Now(5)));
  SetHistoryDateAsker(before);
}

TEST_F(HistoryWindowTest, FindCallMatchesOnlyTheShownContactAndGoesToTheEntry) {
  HistoryWindow& window = Show(ann_);
  RecordStore& history = *window.historyStore();
  AddEntry(history, annId_, {2, 1, 2011}, {10, 0, 0, kHalfAm}, "Recall");
  AddEntry(history, annId_, {1, 1, 2011}, {10, 0, 0, kHalfAm}, "Call back");
  AddEntry(history, annId_, {3, 1, 2011}, {10, 0, 0, kHalfAm}, "Lunch");
  AddEntry(history, bobId_, {1, 1, 2011}, {10, 0, 0, kHalfAm}, "Call Bob");
  window.list()->Refresh();
  HistoryWindow::SetDialogRunner([&](QDialog& dialog) {
    auto& find = static_cast<HistoryFindDialog&>(dialog);
    EXPECT_EQ(find.windowTitle(), "History Find");
    EXPECT_FALSE(find.findButton()->isEnabled());
    find.searchText()->setText(QStringLiteral("call"));
    EXPECT_TRUE(find.findButton()->isEnabled());
    find.Find();
    EXPECT_EQ(find.results()->count(), 2);
    if (find.results()->count() != 2) return 0;
    EXPECT_EQ(find.results()->item(0)->text().toStdString(),
              "[ " + FormatDate(1, 1, 2011) + " - " + FormatTime(10, 0, kHalfAm) + " ]  Call back");
    EXPECT_TRUE(find.results()->item(1)->text().endsWith(QStringLiteral("Recall")));
    EXPECT_FALSE(find.goToButton()->isEnabled());
    find.results()->setCurrentRow(1);
    EXPECT_TRUE(find.goToButton()->isEnabled());
    find.GoTo();
    return find.result();
  });
  SendCommand(&window, HistoryWindow::kCmdFind);
  ASSERT_GE(window.list()->SelectedRow(), 0);
  Bytes entry;
  ASSERT_TRUE(history.ReadRecordIfLive(entry, window.list()->PositionOf(window.list()->SelectedRow())).ok());
  EXPECT_EQ(GetText(entry.data() + history::kDescription.offset, history::kDescription.width), "Recall");
}

TEST_F(HistoryWindowTest, TheReportOfAContactWithoutEntriesHasTheTwoHeaderLines) {
  HistoryWindow& window = Show(ann_);
  QString shown;
  HistoryWindow::SetDialogRunner([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "History Report");
    shown = static_cast<HistoryReportDialog&>(dialog).text()->toPlainText();
    EXPECT_TRUE(static_cast<HistoryReportDialog&>(dialog).text()->isReadOnly());
    return 0;
  });
  SendCommand(&window, HistoryWindow::kCmdReport);
  const QStringList lines = shown.split(QRegularExpression(QStringLiteral("\r?\n")));
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines[0], "HISTORY FOR - Ann Lee");
  EXPECT_EQ(lines[1], QString(72, QLatin1Char('.')));
  for (int line = 2; line < lines.size(); ++line) EXPECT_TRUE(lines[line].isEmpty()) << line;
  QFile file(QString::fromStdString(DefaultReportPath()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("HISTORY FOR - Ann Lee\r\n") + QByteArray(72, '.') + "\r\n\r\n");
}

TEST_F(HistoryWindowTest, DoubleClicksEditOrAddAndAttachmentsOpenWithTheDesktop) {
  HistoryWindow& window = Show(ann_);
  AddEntry(*window.historyStore(), annId_, {1, 2, 2011}, {}, "With file", "/tmp/offer.odt");
  AddEntry(*window.historyStore(), annId_, {2, 2, 2011}, {}, "Without");
  window.list()->Refresh();
  std::vector<std::string> opened;  // the descriptions the dialogs opened on
  HistoryWindow::SetDialogRunner([&](QDialog& dialog) {
    opened.push_back(static_cast<HistoryEntryDialog&>(dialog).description()->toPlainText().toStdString());
    return 0;
  });
  window.list()->SelectRow(0);
  SendCommand(&window, MakeCommandId(HistoryWindow::kListId, kNotifyDoubleClick), 0);
  SendCommand(&window, MakeCommandId(HistoryWindow::kListId, kNotifyDoubleClick), -1);
  Settle();
  EXPECT_EQ(opened, (std::vector<std::string>{"With file", ""}));

  std::vector<QUrl> urls;
  const UrlOpener before = SetUrlOpener([&](const QUrl& url) {
    urls.push_back(url);
    return true;
  });
  SendCommand(&window, HistoryWindow::kCmdOpenAttachment);
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls.front().toLocalFile(), "/tmp/offer.odt");
  window.list()->SelectRow(1);
  SendCommand(&window, HistoryWindow::kCmdOpenAttachment);
  EXPECT_EQ(urls.size(), 1u);
  EXPECT_EQ(sandbox_.beeps, 1);
  SetUrlOpener(before);
}

TEST_F(HistoryWindowTest, TheContextMenuEnablesWhatTheClickedRowAllows) {
  auto enabled = [](bool onRow, bool attachment) {
    std::vector<int> commands;
    for (const HistoryMenuItem& item : HistoryContextMenu(onRow, attachment)) {
      if (item.command != 0 && item.enabled) commands.push_back(item.command);
    }
    return commands;
  };
  EXPECT_EQ(enabled(false, false), (std::vector<int>{101, 104, 105}));
  EXPECT_EQ(enabled(true, false), (std::vector<int>{101, 103, 102, 104, 105}));
  EXPECT_EQ(enabled(true, true), (std::vector<int>{101, 103, 102, 104, 105, 108}));
  EXPECT_EQ(HistoryContextMenu(true, true).front().text, "New...\tInsert");
}

// --- Rows as painted ---------------------------------------------------------

QImage PaintedRow(const QByteArray& entry, int width = 300) {
  QImage image(width, HistoryRowDelegate::kRowHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintHistoryRow(painter, image.rect(), entry, false);
  return image;
}

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  }
  return count;
}

int CountOther(const QImage& image, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
      count += pixel != 0xFFFFFF && qBlue(pixel) < 150;  // neither paper nor blue text
    }
  }
  return count;
}

TEST_F(HistoryWindowTest, RowsArePaintedBlueWithAGreyRuleAndTheClipForAnAttachment) {
  HistoryWindow& window = Show(ann_);
  RecordStore& history = *window.historyStore();
  auto entryAt = [&](RecordPosition position) {
    Bytes entry;
    EXPECT_TRUE(history.ReadRecordIfLive(entry, position).ok());
    return QByteArray(reinterpret_cast<const char*>(entry.data()), qsizetype(entry.size()));
  };
  const QByteArray plain =
      entryAt(AddEntry(history, annId_, {1, 2, 2011}, {10, 5, 0, kHalfAm}, "A long description that is cut"));
  const QByteArray attached =
      entryAt(AddEntry(history, annId_, {1, 2, 2011}, {10, 5, 0, kHalfAm}, "With file", "/tmp/file.txt"));
  const QRect text(0, 0, 300 - HistoryRowDelegate::kClipWidth, HistoryRowDelegate::kRowHeight - 1);
  const QRect clip(300 - HistoryRowDelegate::kClipWidth, 0, HistoryRowDelegate::kClipWidth,
                   HistoryRowDelegate::kRowHeight - 1);
  const QRgb blue = qRgb(0, 0, 226), grey = qRgb(217, 217, 217);
  for (const QByteArray& entry : {plain, attached}) {
    const QImage row = PaintedRow(entry);
    EXPECT_GT(CountColour(row, text, blue), 20) << "blue text";
    EXPECT_EQ(CountColour(row, QRect(0, 19, 300, 1), grey), 300) << "grey rule at the row bottom";
    EXPECT_EQ(CountColour(row, QRect(0, 0, 3, 19), blue), 0) << "3 pixels free at the left";
  }
  EXPECT_EQ(CountOther(PaintedRow(plain), clip), 0) << "no clip without an attachment";
  EXPECT_GT(CountOther(PaintedRow(attached), clip), 10) << "the paper clip at the right";
  EXPECT_EQ(CountColour(PaintedRow(attached), clip, blue), 0) << "the description ends before the clip";
  const QImage gone = PaintedRow(QByteArray());
  int red = 0;
  for (int y = 0; y < 19; ++y) {
    for (int x = 0; x < 300; ++x) red += qRed(gone.pixel(x, y)) > 150 && qGreen(gone.pixel(x, y)) < 100;
  }
  EXPECT_GT(red, 20) << "an entry that cannot be read is told in red";
}

}  // namespace
}  // namespace velmora
