// The main window in a running application object: start-up file opening,
// the start pane, placement, closing, accelerator keys and the edit-field
// exception, the refresh of other connections' changes, the suite
// broadcast, the size button, file commands, the picture and history
// flags, and the category chooser over the contact list.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cerrno>

#include "CardoraTestSupport.h"
#include "../shell/ShellTestSupport.h"  // the dialog script
#include "addressbook/gui/CardoraApp.h"
#include "addressbook/gui/CardoraFeatures.h"
#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/gui/CommandRouting.h"
#include "addressbook/gui/ContactNameDelegate.h"
#include "shell/IntroPane.h"
#include "addressbook/gui/WorkPane.h"
#include "addressbook/model/ContactRecord.h"
#include "shell/DesktopIntegration.h"
#include "shell/SplashWindow.h"
#include "shell/SuiteFlags.h"
#include "store/Categories.h"
#include "store/FileSystem.h"
#include "store/Settings.h"
#include "tests/support/ForwardingFiles.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/RefreshTimer.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselPaneBar.h"
#include "toolkit/TesselToolBar.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {
namespace {

using testing::Sandbox;
using testing::WaitUntil;

// Records the commands that reach an object (before it handles them).
class CommandSpy : public QObject {
 public:
  explicit CommandSpy(QObject* target) { target->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == CommandEvent::EventType()) ids.push_back(static_cast<CommandEvent*>(event)->command().id);
    return false;
  }
  bool Saw(int id) const { return std::find(ids.begin(), ids.end(), id) != ids.end(); }
  std::vector<int> ids;
};

// Lets posted commands (which may post further commands) run.
void Settle() {
  for (int turn = 0; turn < 6; ++turn) QCoreApplication::processEvents();
}

QStringList RowTexts(WorkPane* work) {
  QStringList texts;
  RecordStore* store = work->store();
  TesselWndListView* view = work->listView();
  for (int row = 0; row < view->rowCount(); ++row) {
    Bytes record;
    if (store->ReadRecordIfLive(record, view->PositionOf(row)).ok()) texts << ContactRowText(record);
  }
  return texts;
}

Bytes NewContact(RecordStore& store, const char* first, const char* last) {
  Bytes record;
  InitContactRecord(store, record);
  Contact contact(std::move(record));
  contact.SetText(contact::kFirstName, first);
  contact.SetText(contact::kLastName, last);
  return contact.bytes();
}

// The real file system, except that reads of record slots fail (as a
// vanished network share would) once failReads is set.
class FailingReadsFileSystem : public testing::ForwardingFileSystem {
 public:
  bool failReads = false;

 protected:
  void Wrap(Opening how, const std::string&, std::unique_ptr<File>& file) override {
    if (how == Opening::Open || how == Opening::OpenOrCreate) file = std::make_unique<Failing>(std::move(file), failReads);
  }

 private:
  class Failing : public testing::ForwardingFile {
   public:
    Failing(std::unique_ptr<File> inner, const bool& fail) : ForwardingFile(std::move(inner)), fail_(fail) {}
    int64_t ReadSome(uint64_t o, void* b, size_t n) override {
      if (!fail_) return inner().ReadSome(o, b, n);
      errno = EIO;
      return -1;
    }

   private:
    const bool& fail_;
  };
};


// The sandbox of one test, the application object and its main window.
class MainWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    app_.reset();
    window_ = nullptr;
  }

  // Makes the application object and its main window, and waits for the
  // start-up file opening.
  bool Start(const QString& commandLine = {}) {
    app_ = std::make_unique<CardoraApp>(commandLine);
    app_->RegisterSuiteBroadcast();
    window_ = app_->CreateMainWindow();
    if (!window_) return false;
    return WaitUntil([this] { return app_->recordFile() != nullptr; });
  }
  bool Activate() {
    window_->activateWindow();
    return QTest::qWaitForWindowActive(window_);
  }
  WorkPane* work() const { return window_->workPane(); }
  QWidget* list() const { return work()->listView()->list(); }
  std::string DefaultPath() const { return sandbox_.File("Works/cardora.adr"); }
  // The objectName of every modal window shown while poll runs; each is
  // closed at once.
  void CloseModalsInto(QTimer& poll, QString& seen) {
    QObject::connect(&poll, &QTimer::timeout, [&seen] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) return;
      seen = modal->objectName();
      modal->close();
    });
    poll.start(10);
  }

  Sandbox sandbox_;
  std::unique_ptr<CardoraApp> app_;
  CardoraMainWindow* window_ = nullptr;
};

TEST_F(MainWindowTest, SplashShowsForItsTime) {
  SplashWindow splash;
  QElapsedTimer clock;
  clock.start();
  bool looked = false;
  QTimer::singleShot(100, &splash, [&] {
    looked = true;
    EXPECT_EQ(splash.size(), QSize(261, 226));
    const QRect desktop = splash.screen()->availableGeometry();
    EXPECT_TRUE(desktop.contains(splash.geometry()));
    EXPECT_LE(qAbs(splash.geometry().center().x() - desktop.center().x()), 1);
  });
  EXPECT_EQ(splash.RunModal(), 1);
  EXPECT_TRUE(looked);
  EXPECT_GE(clock.elapsed(), 750);
  EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(MainWindowTest, StartupOpensTheDefaultFileWithExamples) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Cardora : cardora.adr"));
  EXPECT_EQ(app_->recordFile()->path(), DefaultPath());
  EXPECT_EQ(RowTexts(work()), (QStringList{"Anna Bergman", "Grace O'Connell", "Maria Santos"}));
  EXPECT_EQ(CurrentPaneIndex(), 1);
  EXPECT_TRUE(work()->isVisible());
  EXPECT_FALSE(window_->introPane()->isVisible());
  // The children sit where the layout puts them, inside the frame.
  EXPECT_TRUE(window_->ClientRect().contains(work()->geometry()));
  EXPECT_EQ(window_->paneBar()->geometry().top(), window_->ClientRect().top());
  EXPECT_LT(window_->toolBar()->geometry().bottom(), work()->geometry().top());
}

TEST_F(MainWindowTest, CancelledStartupChoiceEndsTheProgram) {
  // The remembered file is gone, so "Create New File" is offered; the user
  // cancels it.
  sandbox_.SetProgram("DefaulFile", sandbox_.File("Works/gone.adr"));
  QString offered;
  QTimer poll;
  CloseModalsInto(poll, offered);
  app_ = std::make_unique<CardoraApp>();
  window_ = app_->CreateMainWindow();
  ASSERT_TRUE(window_);
  QSignalSpy closed(window_, &CardoraMainWindow::closed);
  ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; })) << closed.count();
  EXPECT_EQ(offered, QStringLiteral("1001"));
  EXPECT_FALSE(app_->recordFile());
  EXPECT_TRUE(sandbox_.ProgramSetting("WPRight").has_value());
}

// "PaneId" of the program's settings (empty: absent) and the pane shown.
struct PaneIdCase {
  const char* paneId;
  int expected;
};

class PaneIdTest : public MainWindowTest, public ::testing::WithParamInterface<PaneIdCase> {};

TEST_P(PaneIdTest, ChoosesTheStartPane) {
  const PaneIdCase& c = GetParam();
  if (*c.paneId) sandbox_.SetProgram("PaneId", c.paneId);
  ASSERT_TRUE(Start());
  EXPECT_EQ(CurrentPaneIndex(), c.expected);
  EXPECT_EQ(window_->introPane()->isVisible(), c.expected == 0);
  EXPECT_EQ(work()->isVisible(), c.expected == 1);
}

INSTANTIATE_TEST_SUITE_P(Table, PaneIdTest,
                         ::testing::Values(PaneIdCase{"", 1}, PaneIdCase{"0", 0}, PaneIdCase{"1", 1},
                                           PaneIdCase{"7", 0}, PaneIdCase{"-3", 0}));

// WPLeft, WPTop, WPRight, WPBottom (none: absent) and the place the window
// takes (at 0, 0: the default 420 x 430 somewhere on the desktop).
struct PlacementCase {
  const char* name;
  std::vector<std::string> saved;
  QRect expected;
};

class PlacementTest : public MainWindowTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, FromSettings) {
  const PlacementCase& c = GetParam();
  const char* keys[] = {"WPLeft", "WPTop", "WPRight", "WPBottom"};
  for (size_t i = 0; i < c.saved.size(); ++i) sandbox_.SetProgram(keys[i], c.saved[i]);
  ASSERT_TRUE(Start());
  EXPECT_EQ(window_->size(), c.expected.size());
  if (c.expected.topLeft() != QPoint(0, 0)) {
    EXPECT_EQ(window_->pos(), c.expected.topLeft());
  } else {
    EXPECT_LT(window_->x(), 800);  // not at the saved place off the desktop
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlacementTest,
    ::testing::Values(PlacementCase{"Saved", {"30", "40", "530", "490"}, QRect(30, 40, 500, 450)},
                      PlacementCase{"BeyondTheDesktop", {"5000", "40", "5420", "470"}, QRect(0, 0, 420, 430)},
                      PlacementCase{"Absent", {}, QRect(0, 0, 420, 430)},
                      PlacementCase{"TooLargeIsLimited", {"10", "10", "1010", "1010"}, QRect(10, 10, 560, 580)}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, ClosingSavesPlacementAndPane) {
  ASSERT_TRUE(Start());
  window_->setGeometry(30, 40, 500, 450);
  window_->ShowPane(0, false);
  QSignalSpy closed(window_, &CardoraMainWindow::closed);
  PostCommand(window_, kCmdExit);
  ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; })) << closed.count();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(sandbox_.ProgramSetting("WPLeft"), std::optional<std::string>("30"));
  EXPECT_EQ(sandbox_.ProgramSetting("WPTop"), std::optional<std::string>("40"));
  EXPECT_EQ(sandbox_.ProgramSetting("WPRight"), std::optional<std::string>("530"));
  EXPECT_EQ(sandbox_.ProgramSetting("WPBottom"), std::optional<std::string>("490"));
  // The pane, sort order and view tab are written when the application
  // object ends, and the file's connection is closed.
  EXPECT_FALSE(sandbox_.ProgramSetting("PaneId"));
  app_.reset();
  EXPECT_EQ(sandbox_.ProgramSetting("PaneId"), std::optional<std::string>("0"));
  EXPECT_EQ(sandbox_.ProgramSetting("Sort"), std::optional<std::string>("1"));
  EXPECT_EQ(sandbox_.ProgramSetting("Tab"), std::optional<std::string>("1"));
  EXPECT_FALSE(RecordStore::IsInUse(DefaultPath()));
}

TEST_F(MainWindowTest, ExitEndsTheEventLoopOfRun) {
  // The whole program: start-up, the event loop, and "&Exit" once the file
  // is open. Run returns as soon as the main window has closed; the file
  // is closed when the application object ends.
  app_ = std::make_unique<CardoraApp>();
  QTimer poll;
  int exitsPosted = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (exitsPosted == 0 && app_->recordFile()) {
      ++exitsPosted;
      PostCommand(app_->mainWindow(), kCmdExit);
    }
  });
  poll.start(10);
  EXPECT_EQ(app_->Run(), 0);
  EXPECT_EQ(exitsPosted, 1);
  ASSERT_TRUE(app_->mainWindow());
  EXPECT_FALSE(app_->mainWindow()->isVisible());
  EXPECT_EQ(sandbox_.ProgramSetting("WPRight").has_value(), true);
  app_.reset();
  EXPECT_FALSE(RecordStore::IsInUse(DefaultPath()));
}

TEST_F(MainWindowTest, SortAndTabAreKept) {
  sandbox_.SetProgram("Sort", "4");
  sandbox_.SetProgram("Tab", "3");
  ASSERT_TRUE(Start());
  EXPECT_EQ(work()->sortOrder(), 4);
  app_.reset();
  EXPECT_EQ(sandbox_.ProgramSetting("Sort"), std::optional<std::string>("4"));
  EXPECT_EQ(sandbox_.ProgramSetting("Tab"), std::optional<std::string>("3"));
  EXPECT_EQ(sandbox_.ProgramSetting("PaneId"), std::optional<std::string>("1"));
}

TEST_F(MainWindowTest, DeleteInAnEditFieldDeletesText) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Activate());
  auto* edit = new QLineEdit(work());
  edit->setText(QStringLiteral("abc"));
  edit->show();
  edit->setFocus();
  edit->setCursorPosition(0);
  ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == edit; }));
  CommandSpy spy(work());
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClick(edit, Qt::Key_Insert);
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
  Settle();
  EXPECT_EQ(edit->text(), QStringLiteral("bc"));
  for (int command : {kCmdDeleteContact, kCmdNewContact, kCmdEditContact, kCmdCopy}) {
    EXPECT_FALSE(spy.Saw(command)) << command;
  }
  EXPECT_EQ(work()->listView()->rowCount(), 3);

  // With the focus on the list, the same key is the list's Delete.
  list()->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == list(); }));
  QTest::keyClick(list(), Qt::Key_Delete);
  EXPECT_TRUE(WaitUntil([&] { return spy.Saw(kCmdDeleteContact); }));
}

// The desktop menu's "New Contact" starts "Cardora --new".
TEST_F(MainWindowTest, StartedForANewContactTheEditorOpensOnceTheFileIsOpen) {
  testing::DialogScript script;
  bool editorShown = false;
  script.Expect("contactEditor", [&](QWidget* editor) {
    editorShown = app_->recordFile() != nullptr;
    static_cast<QDialog*>(editor)->reject();
  });
  ASSERT_TRUE(Start(QStringLiteral("--new")));
  EXPECT_TRUE(app_->commandLine().isEmpty()) << "--new names no file";
  EXPECT_TRUE(WaitUntil([&] { return editorShown; }));
}

TEST_F(MainWindowTest, PaneKeysFollowTheirRules) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Activate());
  list()->setFocus();
  CommandSpy spy(work());
  auto key = [](Qt::Key k, Qt::KeyboardModifiers mods) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_TRUE(target);
    QTest::keyClick(target, k, mods);
    Settle();
  };
  key(Qt::Key_2, Qt::AltModifier);  // Alt+2 on "Work": nothing
  EXPECT_EQ(CurrentPaneIndex(), 1);
  key(Qt::Key_1, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([] { return CurrentPaneIndex() == 0; })) << CurrentPaneIndex();
  EXPECT_TRUE(window_->introPane()->isVisible());
  key(Qt::Key_X, Qt::ControlModifier);  // Ctrl+X on "Intro": nothing
  key(Qt::Key_C, Qt::ControlModifier);  // copy needs the list too
  {
    testing::DialogScript script;
    script.Expect("contactEditor", [](QWidget* editor) { static_cast<QDialog*>(editor)->reject(); });
    key(Qt::Key_Insert, Qt::NoModifier);  // a new contact may start from any pane
    ASSERT_TRUE(WaitUntil([&] { return spy.Saw(kCmdNewContact); }));
  }
  ASSERT_TRUE(Activate());  // back from the editor
  list()->setFocus();
  EXPECT_FALSE(spy.Saw(kCmdCut));
  EXPECT_FALSE(spy.Saw(kCmdCopy));
  EXPECT_TRUE(WaitUntil([&] { return spy.Saw(kCmdNewContact); }));
  key(Qt::Key_2, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([] { return CurrentPaneIndex() == 1; })) << CurrentPaneIndex();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == list(); }));
  key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(WaitUntil([&] { return spy.Saw(kCmdCut); }));
}

TEST_F(MainWindowTest, IgnoredCommandsDoNothing) {
  ASSERT_TRUE(Start());
  CommandSpy spy(work());
  for (int command : {1015, 1018, 1019, 1008, 4321}) EXPECT_EQ(SendCommand(window_, command, 1), qintptr(0)) << command;
  Settle();
  EXPECT_TRUE(spy.ids.empty());
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, CategoryChooserNarrowsTheList) {
  ASSERT_TRUE(Start());
  TFlyMenu* chooser = work()->categoryChooser();
  ASSERT_TRUE(chooser);
  QStringList texts;
  for (const FlyEntry& entry : chooser->entries()) texts << (entry.separator ? QStringLiteral("-") : entry.text);
  EXPECT_EQ(texts, (QStringList{"All Categories", "-", "Calls", "Clients", "Expenses", "Follow up", "Ideas",
                                "Meetings", "Issues", "People", "Personal", "Projects", "Public", "Holiday",
                                "Travel", "Vacation", "Test", "-", "Edit Categories"}));
  EXPECT_EQ(chooser->chosenText(), QStringLiteral("All Categories"));
  // The chooser sits in the top row, the list below it, and its corners
  // show the pane's own paper.
  EXPECT_EQ(chooser->height(), 26);
  EXPECT_LT(chooser->geometry().bottom(), work()->listView()->geometry().top());
  EXPECT_EQ(chooser->grab().toImage().pixelColor(0, 0), look::Colour(look::kPaper));
  {
    RecordStore other(DefaultPath(), "");
    for (auto [first, category] : std::vector<std::pair<const char*, const char*>>{
             {"Cal", "Calls"}, {"Upper", "CALLS"}, {"Longer", "Callbacks"}, {"Idea", "Ideas"}}) {
      Contact contact(NewContact(other, first, "Person"));
      contact.SetCategory(category);
      ASSERT_TRUE(other.AddRecord(contact.bytes()).ok());
    }
  }
  work()->Reload();
  ASSERT_EQ(work()->listView()->rowCount(), 7);

  chooser->Choose(2);  // "Calls"
  Settle();
  EXPECT_EQ(work()->categoryFilter(), std::string("Calls"));
  EXPECT_EQ(RowTexts(work()), (QStringList{"Cal Person", "Upper Person"}));

  chooser->Choose(0);  // "All Categories"
  Settle();
  EXPECT_EQ(work()->listView()->rowCount(), 7);

  chooser->Choose(4);  // "Expenses", which no record has
  Settle();
  EXPECT_EQ(work()->listView()->rowCount(), 0);
  // The "Categories" dialog answered by its button "1" (OK) or "2" (Cancel).
  const auto editCategories = [&](const char* button) {
    bool answered = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (answered || !dialog || dialog->objectName() != QStringLiteral("categories")) return;
      answered = true;
      dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
    answer.start(20);
    chooser->Choose(int(chooser->entries().size()) - 1);
    ASSERT_TRUE(WaitUntil([&] { return answered; })) << "no \"categories\" dialog answered " << button;
    Settle();
  };
  // Cancel changes nothing: the menu, the choice and the list stay.
  editCategories("2");
  EXPECT_EQ(chooser->chosenText(), QStringLiteral("Expenses"));
  EXPECT_EQ(work()->categoryFilter(), std::string("Expenses"));
  EXPECT_EQ(chooser->entries()[6].text, QStringLiteral("Ideas"));
  EXPECT_EQ(work()->listView()->rowCount(), 0);
  // OK: the menu comes back sorted, "All Categories" chosen and every
  // record listed.
  editCategories("1");
  EXPECT_EQ(chooser->chosenText(), QStringLiteral("All Categories"));
  EXPECT_EQ(work()->categoryFilter(), std::string());
  EXPECT_EQ(chooser->entries()[6].text, QStringLiteral("Holiday"));  // sorted now
  EXPECT_EQ(work()->listView()->rowCount(), 7);
}

TEST_F(MainWindowTest, FileMenuOpensTheCustomViewDialog) {
  ASSERT_TRUE(Start());
  QString seen;
  QTimer poll;
  CloseModalsInto(poll, seen);
  SendCommand(window_, kCmdCustomView, 0);
  EXPECT_EQ(seen, QStringLiteral("3035"));
  // Closed without OK: nothing written.
  EXPECT_FALSE(sandbox_.ProgramSetting("CustomID_1").has_value());
}

TEST_F(MainWindowTest, OtherConnectionsChangeReachesTheList) {
  sandbox_.SetSuite("NetworkRefresh", "1");
  ASSERT_TRUE(Start());
  RestartRefreshTimer();  // a fresh process reads the period when the timer starts
  EXPECT_EQ(RefreshTimerInterval(), 1000);
  work()->listView()->SelectRow(1);  // Grace
  RecordStore other(DefaultPath(), "");
  ASSERT_FALSE(other.OpenFailed());
  ASSERT_TRUE(other.AddRecord(NewContact(other, "Aaron", "Zimmer")).ok());
  ASSERT_TRUE(other.Flush().ok());
  ASSERT_TRUE(WaitUntil([&] { return work()->listView()->rowCount() == 4; }, 2500))
      << work()->listView()->rowCount();
  EXPECT_EQ(RowTexts(work()), (QStringList{"Aaron Zimmer", "Anna Bergman", "Grace O'Connell", "Maria Santos"}));
  // The selected contact stays selected although its row moved.
  EXPECT_TRUE(WaitUntil([&] { return work()->listView()->SelectedRow() == 2; }))
      << work()->listView()->SelectedRow();
}

TEST_F(MainWindowTest, OptionsBroadcastFromOthersOnly) {
  ASSERT_TRUE(Start());
  ASSERT_FALSE(AnimationFlag());
  sandbox_.SetSuite("Annimation", "1");
  sandbox_.SetSuite("NetworkRefresh", "7");
  const qint64 self = window_->senderId();
  app_->Broadcast(100, self);
  testing::RunEventsFor(50);
  EXPECT_FALSE(AnimationFlag());
  app_->Broadcast(100, self + 1);
  ASSERT_TRUE(WaitUntil([] { return AnimationFlag(); }));
  EXPECT_EQ(RefreshTimerInterval(), 7000);
  // A value that does not start with a non-zero number is off; any
  // non-zero number is on.
  sandbox_.SetSuite("Annimation", "no");
  sandbox_.SetSuite("Sound", "2");
  app_->Broadcast(100, self + 1);
  EXPECT_TRUE(WaitUntil([] { return !AnimationFlag(); }));
  EXPECT_TRUE(SoundPlayer::Instance().enabled());
  SoundPlayer::Instance().SetEnabled(false);
}

TEST_F(MainWindowTest, SkinBroadcastReloadsTheSkin) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(GetSkin().fileName, std::string(kDefaultSkin));
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "Preference", "CurrSkin", "2_Ocean.ini").ok());
  app_->Broadcast(101, 0);
  ASSERT_TRUE(WaitUntil([] { return GetSkin().fileName == "2_Ocean.ini"; })) << GetSkin().fileName;
  // The frame is laid out again for the new skin's title bar.
  EXPECT_TRUE(window_->ClientRect().contains(window_->toolBar()->geometry()));
}

TEST_F(MainWindowTest, SizeButtonToggles) {
  ASSERT_TRUE(Start());
  window_->move(20, 10);
  ASSERT_EQ(window_->size(), QSize(420, 430));
  const QPoint button = window_->layout().buttons[size_t(CaptionButton::Restore)].center();
  QTest::mouseClick(window_, Qt::LeftButton, {}, button);
  ASSERT_TRUE(WaitUntil([&] { return window_->size() == QSize(560, 580); }));
  // The outline follows the size: square lower corners, rounded upper ones.
  const QRegion mask = window_->mask();
  EXPECT_EQ(mask.boundingRect(), window_->rect());
  EXPECT_TRUE(mask.contains(QPoint(0, 579)) && mask.contains(QPoint(559, 579)));
  EXPECT_TRUE(!mask.contains(QPoint(0, 0)) && !mask.contains(QPoint(559, 0)));
  EXPECT_TRUE(mask.contains(QPoint(280, 1)));
  const QPoint topLeft = window_->pos();
  QTest::mouseClick(window_, Qt::LeftButton, {}, window_->layout().buttons[size_t(CaptionButton::Restore)].center());
  ASSERT_TRUE(WaitUntil([&] { return window_->size() == QSize(420, 430); }));
  EXPECT_EQ(window_->pos(), topLeft);
  EXPECT_EQ(window_->mask().boundingRect(), window_->rect());
  // The user cannot go beyond the two sizes.
  window_->resize(900, 900);
  EXPECT_EQ(window_->size(), QSize(560, 580));
  window_->resize(100, 100);
  EXPECT_EQ(window_->size(), QSize(420, 430));
}

TEST_F(MainWindowTest, OpenCommandReplacesTheFile) {
  ASSERT_TRUE(Start());
  const std::string other = sandbox_.File("other.adr");
  ASSERT_TRUE(CreateRecordFile(other, format::FileKind::Address).ok());
  // Cancelled: nothing changes.
  PostCommand(window_, kCmdOpenFile);
  ASSERT_TRUE(WaitUntil([&] { return sandbox_.dialogs.requests.size() == 1; })) << sandbox_.dialogs.requests.size();
  Settle();
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Cardora : cardora.adr"));
  EXPECT_EQ(sandbox_.dialogs.requests[0].filter, std::string("Cardora file (*.adr)|*.adr||"));
  // Chosen: the old file is closed, the new one shown from the top.
  sandbox_.dialogs.answers.push_back(other);
  PostCommand(window_, kCmdOpenFile);
  ASSERT_TRUE(WaitUntil([&] { return window_->windowTitle() == QStringLiteral("Cardora : other.adr"); }))
      << window_->windowTitle().toStdString();
  EXPECT_EQ(work()->listView()->rowCount(), 0);
  EXPECT_EQ(app_->recordFile()->path(), other);
  EXPECT_FALSE(RecordStore::IsInUse(DefaultPath()));
  EXPECT_EQ(sandbox_.ProgramSetting("DefaulFile"), std::optional<std::string>(other));
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, AListThatCannotBeReadWhollyIsShownWithItsReason) {
  FailingReadsFileSystem files;
  SetFileSystemForTesting(&files);
  // The file system goes back to the real one however the test ends.
  struct Restore {
    std::unique_ptr<CardoraApp>& app;
    ~Restore() {
      app.reset();
      SetFileSystemForTesting(nullptr);
    }
  } restore{app_};
  ASSERT_TRUE(Start());
  ASSERT_EQ(work()->listView()->rowCount(), 3);
  ASSERT_TRUE(sandbox_.messages.empty());
  files.failReads = true;
  work()->Reload();
  ASSERT_EQ(sandbox_.messages.size(), size_t(1));
  const std::string& shown = sandbox_.messages.front().text;
  EXPECT_NE(shown.find("Cannot read"), std::string::npos) << shown;
  EXPECT_NE(shown.find("cardora.adr"), std::string::npos) << shown;
  EXPECT_EQ(work()->listView()->rowCount(), 0);
  // Readable again: the whole list, and nothing more to say.
  files.failReads = false;
  work()->Reload();
  EXPECT_EQ(work()->listView()->rowCount(), 3);
  EXPECT_EQ(sandbox_.messages.size(), size_t(1));
}

TEST_F(MainWindowTest, HelpKeyOpensTheHelpPage) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Activate());
  list()->setFocus();
  std::vector<QUrl> opened;
  const UrlOpener previous = SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  QTest::keyClick(list(), Qt::Key_F1);
  const bool one = WaitUntil([&] { return opened.size() == 1; });
  SetUrlOpener(previous);
  ASSERT_TRUE(one) << opened.size();
  EXPECT_TRUE(opened[0].toString().endsWith(QStringLiteral("address.htm"))) << opened[0].toString().toStdString();
}

TEST_F(MainWindowTest, AboutDialogOpens) {
  ASSERT_TRUE(Start());
  QString seen;
  QTimer poll;
  CloseModalsInto(poll, seen);
  PostCommand(window_, kCmdAbout);
  ASSERT_TRUE(WaitUntil([&] { return seen == QStringLiteral("1006"); })) << seen.toStdString();
  EXPECT_TRUE(WaitUntil([] { return !QApplication::activeModalWidget(); }));
}

TEST_F(MainWindowTest, PictureAndHistoryFollowTheSelection) {
  ASSERT_TRUE(Start());
  TesselWndListView* view = work()->listView();
  const auto shows = [&](const std::string& picture) {
    return WaitUntil([&] { return window_->shownPicture() == picture; });
  };
  view->SelectRow(0);  // Anna has a picture
  PostCommand(window_, kCmdPicture);
  ASSERT_TRUE(WaitUntil([&] { return window_->pictureWanted(); }));
  EXPECT_EQ(window_->shownPicture(), std::string("anna_bergman.jpg"));
  view->SelectRow(1);  // Grace has none
  EXPECT_TRUE(shows("")) << window_->shownPicture();
  view->SelectRow(0);
  EXPECT_TRUE(shows("anna_bergman.jpg")) << window_->shownPicture();
  view->SelectRow(-1);
  EXPECT_TRUE(shows("")) << window_->shownPicture();
  view->SelectRow(0);
  PostCommand(window_, kCmdPicture);
  ASSERT_TRUE(WaitUntil([&] { return !window_->pictureWanted(); }));
  EXPECT_EQ(window_->shownPicture(), std::string());

  PostCommand(window_, kCmdHistory);
  ASSERT_TRUE(WaitUntil([&] { return window_->historyWanted(); }));
  PostCommand(window_, kCmdHistory);
  ASSERT_TRUE(WaitUntil([&] { return !window_->historyWanted(); }));
  // Closing forgets both windows.
  PostCommand(window_, kCmdPicture);
  ASSERT_TRUE(WaitUntil([&] { return window_->pictureWanted(); }));
  window_->close();
  EXPECT_FALSE(window_->pictureWanted());
}

// The program's own picture and history windows open beside the main
// window; closing one with its own close button stops the timers from
// opening it again.
TEST_F(MainWindowTest, TheFloatingWindowsCloseByTheirOwnButton) {
  ASSERT_TRUE(Start());
  auto& features = dynamic_cast<CardoraFeatures&>(app_->features());
  work()->listView()->SelectRow(0);
  PostCommand(window_, kCmdHistory);
  PostCommand(window_, kCmdPicture);
  ASSERT_TRUE(WaitUntil([&] { return features.windows().HistoryWindowOpen() && features.windows().PictureWindowOpen(); }));
  EXPECT_EQ(features.windows().historyWindow()->windowTitle(), QStringLiteral("Anna Bergman"));

  features.windows().historyWindow()->close();
  features.windows().pictureWindow()->close();
  ASSERT_TRUE(WaitUntil([&] { return !window_->historyWanted() && !window_->pictureWanted(); }));
  // Two ticks of the follow timers later they are still closed.
  QTest::qWait(2 * CardoraMainWindow::kFollowMilliseconds + 100);
  EXPECT_FALSE(features.windows().HistoryWindowOpen());
  EXPECT_FALSE(features.windows().PictureWindowOpen());
}

}  // namespace
}  // namespace velmora
