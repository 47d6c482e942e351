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
#include "addressbook/gui/CardoraApp.h"
#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/gui/CommandRouting.h"
#include "addressbook/gui/ContactNameDelegate.h"
#include "addressbook/gui/IntroPane.h"
#include "shell/SplashWindow.h"
#include "addressbook/gui/WorkPane.h"
#include "addressbook/model/ContactRecord.h"
#include "shell/DesktopIntegration.h"
#include "shell/SuiteFlags.h"
#include "store/Categories.h"
#include "store/FileSystem.h"
#include "store/Settings.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/RefreshTimer.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselPane.h"
#include "toolkit/TesselPaneBar.h"
#include "toolkit/TesselToolBar.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

using namespace velmora;
using velmora::testing::Sandbox;

namespace {

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
class FailingReadsFileSystem : public FileSystem {
 public:
  bool failReads = false;

  Result Open(const std::string& path, std::unique_ptr<File>& out) override { return Wrap(real.Open(path, out), out); }
  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override {
    return Wrap(real.OpenOrCreate(path, out), out);
  }
  bool Exists(const std::string& path) override { return real.Exists(path); }
  Result Remove(const std::string& path) override { return real.Remove(path); }
  Result Rename(const std::string& from, const std::string& to) override { return real.Rename(from, to); }
  Result SyncFolderOf(const std::string& path) override { return real.SyncFolderOf(path); }

 private:
  class Failing : public File {
   public:
    Failing(std::unique_ptr<File> inner, const bool& fail) : inner_(std::move(inner)), fail_(fail) {}
    Result ReadAt(uint64_t o, void* b, size_t n) override { return inner_->ReadAt(o, b, n); }
    int64_t ReadSome(uint64_t o, void* b, size_t n) override {
      if (!fail_) return inner_->ReadSome(o, b, n);
      errno = EIO;
      return -1;
    }
    Result WriteAt(uint64_t o, const void* b, size_t n) override { return inner_->WriteAt(o, b, n); }
    Result Size(uint64_t& s) override { return inner_->Size(s); }
    Result Truncate(uint64_t s) override { return inner_->Truncate(s); }
    Result Sync() override { return inner_->Sync(); }
    bool TryLock(uint64_t s, uint64_t l, bool e) override { return inner_->TryLock(s, l, e); }
    Result Lock(uint64_t s, uint64_t l, bool e) override { return inner_->Lock(s, l, e); }
    void Unlock(uint64_t s, uint64_t l) override { inner_->Unlock(s, l); }
    bool IsAt(const std::string& path) override { return inner_->IsAt(path); }

   private:
    std::unique_ptr<File> inner_;
    const bool& fail_;
  };
  Result Wrap(Result opened, std::unique_ptr<File>& out) {
    if (opened.ok()) out = std::make_unique<Failing>(std::move(out), failReads);
    return opened;
  }
  FileSystem& real = FileSystem::Default();
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Sandbox> sandbox_;
  std::unique_ptr<CardoraApp> app_;
  CardoraMainWindow* window_ = nullptr;

  // Makes the application object and its main window, and waits for the
  // start-up file opening.
  bool Start(const QString& commandLine = {}) {
    app_ = std::make_unique<CardoraApp>(commandLine);
    app_->RegisterSuiteBroadcast();
    window_ = app_->CreateMainWindow();
    if (!window_) return false;
    return QTest::qWaitFor([this] { return app_->recordFile() != nullptr; }, 5000);
  }
  bool Activate() {
    window_->activateWindow();
    return QTest::qWaitForWindowActive(window_);
  }
  WorkPane* work() const { return window_->workPane(); }
  QWidget* list() const { return work()->listView()->list(); }
  std::string DefaultPath() const { return sandbox_->File("Works/cardora.adr"); }

 private slots:
  void init() { sandbox_ = std::make_unique<Sandbox>(); }
  void cleanup() {
    app_.reset();
    window_ = nullptr;
    sandbox_.reset();
  }

  void splashShowsForItsTime() {
    SplashWindow splash;
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(100, this, [&] {
      QCOMPARE(splash.size(), QSize(261, 226));
      const QRect desktop = splash.screen()->availableGeometry();
      QVERIFY(desktop.contains(splash.geometry()));
      QVERIFY(qAbs(splash.geometry().center().x() - desktop.center().x()) <= 1);
    });
    QCOMPARE(splash.RunModal(), 1);
    QVERIFY(clock.elapsed() >= 750);
    QVERIFY(clock.elapsed() < 5000);
  }

  void startupOpensTheDefaultFileWithExamples() {
    QVERIFY(Start());
    QCOMPARE(window_->windowTitle(), QStringLiteral("Cardora : cardora.adr"));
    QCOMPARE(app_->recordFile()->path(), DefaultPath());
    QCOMPARE(RowTexts(work()), (QStringList{"Anna Bergman", "Grace O'Connell", "Maria Santos"}));
    QCOMPARE(CurrentPaneIndex(), 1);
    QVERIFY(work()->isVisible());
    QVERIFY(!window_->introPane()->isVisible());
    // The children sit where the layout puts them, inside the frame.
    QVERIFY(window_->ClientRect().contains(work()->geometry()));
    QCOMPARE(window_->paneBar()->geometry().top(), window_->ClientRect().top());
    QVERIFY(window_->toolBar()->geometry().bottom() < work()->geometry().top());
  }

  void cancelledStartupChoiceEndsTheProgram() {
    // The remembered file is gone, so "Create New File" is offered; the user
    // cancels it.
    sandbox_->SetProgram("DefaulFile", sandbox_->File("Works/gone.adr"));
    QString offered;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) return;
      offered = modal->objectName();
      modal->close();
    });
    poll.start(10);
    app_ = std::make_unique<CardoraApp>();
    window_ = app_->CreateMainWindow();
    QVERIFY(window_);
    QSignalSpy closed(window_, &CardoraMainWindow::closed);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(offered, QStringLiteral("1001"));
    QVERIFY(!app_->recordFile());
    QVERIFY(sandbox_->ProgramSetting("WPRight").has_value());
  }

  void paneIdChoosesTheStartPane_data() {
    QTest::addColumn<QString>("paneId");  // empty: absent
    QTest::addColumn<int>("expected");
    QTest::newRow("absent") << QString() << 1;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("7") << "7" << 0;
    QTest::newRow("-3") << "-3" << 0;
  }
  void paneIdChoosesTheStartPane() {
    QFETCH(QString, paneId);
    QFETCH(int, expected);
    if (!paneId.isEmpty()) sandbox_->SetProgram("PaneId", paneId.toStdString());
    QVERIFY(Start());
    QCOMPARE(CurrentPaneIndex(), expected);
    QCOMPARE(window_->introPane()->isVisible(), expected == 0);
    QCOMPARE(work()->isVisible(), expected == 1);
  }

  void placementFromSettings_data() {
    QTest::addColumn<QStringList>("saved");  // WPLeft, WPTop, WPRight, WPBottom; empty: absent
    QTest::addColumn<QRect>("expected");     // null position: the default 420 x 430
    QTest::newRow("saved") << QStringList{"30", "40", "530", "490"} << QRect(30, 40, 500, 450);
    QTest::newRow("beyond the desktop") << QStringList{"5000", "40", "5420", "470"} << QRect(0, 0, 420, 430);
    QTest::newRow("absent") << QStringList{} << QRect(0, 0, 420, 430);
    QTest::newRow("too large is limited") << QStringList{"10", "10", "1010", "1010"} << QRect(10, 10, 560, 580);
  }
  void placementFromSettings() {
    QFETCH(QStringList, saved);
    QFETCH(QRect, expected);
    const char* keys[] = {"WPLeft", "WPTop", "WPRight", "WPBottom"};
    for (int i = 0; i < saved.size(); ++i) sandbox_->SetProgram(keys[i], saved[i].toStdString());
    QVERIFY(Start());
    QCOMPARE(window_->size(), expected.size());
    if (expected.topLeft() != QPoint(0, 0)) {
      QCOMPARE(window_->pos(), expected.topLeft());
    } else {
      QVERIFY(window_->x() < 800);  // not at the saved place off the desktop
    }
  }

  void closingSavesPlacementAndPane() {
    QVERIFY(Start());
    window_->setGeometry(30, 40, 500, 450);
    window_->ShowPane(0, false);
    QSignalSpy closed(window_, &CardoraMainWindow::closed);
    PostCommand(window_, kCmdExit);
    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(!window_->isVisible());
    QCOMPARE(sandbox_->ProgramSetting("WPLeft"), std::optional<std::string>("30"));
    QCOMPARE(sandbox_->ProgramSetting("WPTop"), std::optional<std::string>("40"));
    QCOMPARE(sandbox_->ProgramSetting("WPRight"), std::optional<std::string>("530"));
    QCOMPARE(sandbox_->ProgramSetting("WPBottom"), std::optional<std::string>("490"));
    // The pane, sort order and view tab are written when the application
    // object ends, and the file's connection is closed.
    QVERIFY(!sandbox_->ProgramSetting("PaneId"));
    app_.reset();
    QCOMPARE(sandbox_->ProgramSetting("PaneId"), std::optional<std::string>("0"));
    QCOMPARE(sandbox_->ProgramSetting("Sort"), std::optional<std::string>("1"));
    QCOMPARE(sandbox_->ProgramSetting("Tab"), std::optional<std::string>("1"));
    QVERIFY(!RecordStore::IsInUse(DefaultPath()));
  }

  void exitEndsTheEventLoopOfRun() {
    // The whole program: start-up, the event loop, and "&Exit" once the file
    // is open. Run returns as soon as the main window has closed; the file
    // is closed when the application object ends.
    app_ = std::make_unique<CardoraApp>();
    QTimer poll;
    int exitsPosted = 0;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (exitsPosted == 0 && app_->recordFile()) {
        ++exitsPosted;
        PostCommand(app_->mainWindow(), kCmdExit);
      }
    });
    poll.start(10);
    QCOMPARE(app_->Run(), 0);
    QCOMPARE(exitsPosted, 1);
    QVERIFY(!app_->mainWindow()->isVisible());
    QCOMPARE(sandbox_->ProgramSetting("WPRight").has_value(), true);
    app_.reset();
    QVERIFY(!RecordStore::IsInUse(DefaultPath()));
  }

  void sortAndTabAreKept() {
    sandbox_->SetProgram("Sort", "4");
    sandbox_->SetProgram("Tab", "3");
    QVERIFY(Start());
    QCOMPARE(work()->sortOrder(), 4);
    app_.reset();
    QCOMPARE(sandbox_->ProgramSetting("Sort"), std::optional<std::string>("4"));
    QCOMPARE(sandbox_->ProgramSetting("Tab"), std::optional<std::string>("3"));
    QCOMPARE(sandbox_->ProgramSetting("PaneId"), std::optional<std::string>("1"));
  }

  void deleteInAnEditFieldDeletesText() {
    QVERIFY(Start());
    QVERIFY(Activate());
    auto* edit = new QLineEdit(work());
    edit->setText(QStringLiteral("abc"));
    edit->show();
    edit->setFocus();
    edit->setCursorPosition(0);
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    CommandSpy spy(work());
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Insert);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    Settle();
    QCOMPARE(edit->text(), QStringLiteral("bc"));
    for (int command : {kCmdDeleteContact, kCmdNewContact, kCmdEditContact, kCmdCopy}) {
      QVERIFY2(!spy.Saw(command), qPrintable(QString::number(command)));
    }
    QCOMPARE(work()->listView()->rowCount(), 3);

    // With the focus on the list, the same key is the list's Delete.
    list()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), list());
    QTest::keyClick(list(), Qt::Key_Delete);
    QTRY_VERIFY(spy.Saw(kCmdDeleteContact));
  }

  void paneKeysFollowTheirRules() {
    QVERIFY(Start());
    QVERIFY(Activate());
    list()->setFocus();
    CommandSpy spy(work());
    auto key = [](Qt::Key k, Qt::KeyboardModifiers mods) {
      QWidget* target = QApplication::focusWidget();
      QVERIFY(target);
      QTest::keyClick(target, k, mods);
      Settle();
    };
    key(Qt::Key_2, Qt::AltModifier);  // Alt+2 on "Work": nothing
    QCOMPARE(CurrentPaneIndex(), 1);
    key(Qt::Key_1, Qt::AltModifier);
    QTRY_COMPARE(CurrentPaneIndex(), 0);
    QVERIFY(window_->introPane()->isVisible());
    key(Qt::Key_X, Qt::ControlModifier);  // Ctrl+X on "Intro": nothing
    key(Qt::Key_C, Qt::ControlModifier);  // copy needs the list too
    key(Qt::Key_Insert, Qt::NoModifier);  // a new contact may start from any pane
    QVERIFY(!spy.Saw(kCmdCut));
    QVERIFY(!spy.Saw(kCmdCopy));
    QTRY_VERIFY(spy.Saw(kCmdNewContact));
    key(Qt::Key_2, Qt::AltModifier);
    QTRY_COMPARE(CurrentPaneIndex(), 1);
    QTRY_COMPARE(QApplication::focusWidget(), list());
    key(Qt::Key_X, Qt::ControlModifier);
    QTRY_VERIFY(spy.Saw(kCmdCut));
  }

  void ignoredCommandsDoNothing() {
    QVERIFY(Start());
    CommandSpy spy(work());
    for (int command : {1015, 1018, 1019, 1008, 4321}) QCOMPARE(SendCommand(window_, command, 1), qintptr(0));
    Settle();
    QVERIFY(spy.ids.empty());
    QVERIFY(window_->isVisible());
  }

  void categoryChooserNarrowsTheList() {
    QVERIFY(Start());
    TFlyMenu* chooser = work()->categoryChooser();
    QVERIFY(chooser);
    QStringList texts;
    for (const FlyEntry& entry : chooser->entries()) texts << (entry.separator ? QStringLiteral("-") : entry.text);
    QCOMPARE(texts, (QStringList{"All Categories", "-", "Calls", "Clients", "Expenses", "Follow up", "Ideas",
                                 "Meetings", "Issues", "People", "Personal", "Projects", "Public", "Holiday",
                                 "Travel", "Vacation", "Test", "-", "Edit Categories"}));
    QCOMPARE(chooser->chosenText(), QStringLiteral("All Categories"));
    // The chooser sits in the top row, the list below it, and its corners
    // show the pane's own paper.
    QCOMPARE(chooser->height(), 20);
    QVERIFY(chooser->geometry().bottom() < work()->listView()->geometry().top());
    QCOMPARE(chooser->grab().toImage().pixelColor(0, 0), look::Colour(look::kPaper));
    {
      RecordStore other(DefaultPath(), "");
      for (auto [first, category] : std::vector<std::pair<const char*, const char*>>{
               {"Cal", "Calls"}, {"Upper", "CALLS"}, {"Longer", "Callbacks"}, {"Idea", "Ideas"}}) {
        Contact contact(NewContact(other, first, "Person"));
        contact.SetCategory(category);
        QVERIFY(other.AddRecord(contact.bytes()).ok());
      }
    }
    work()->Reload();
    QCOMPARE(work()->listView()->rowCount(), 7);

    chooser->Choose(2);  // "Calls"
    Settle();
    QCOMPARE(work()->categoryFilter(), std::string("Calls"));
    QCOMPARE(RowTexts(work()), (QStringList{"Cal Person", "Upper Person"}));

    chooser->Choose(0);  // "All Categories"
    Settle();
    QCOMPARE(work()->listView()->rowCount(), 7);

    chooser->Choose(4);  // "Expenses", which no record has
    Settle();
    QCOMPARE(work()->listView()->rowCount(), 0);
    // The "Categories" dialog answered by its button "1" (OK) or "2" (Cancel).
    const auto editCategories = [&](const char* button) {
      bool answered = false;
      QTimer answer;
      connect(&answer, &QTimer::timeout, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (answered || !dialog || dialog->objectName() != QStringLiteral("categories")) return;
        answered = true;
        dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
      });
      answer.start(20);
      chooser->Choose(int(chooser->entries().size()) - 1);
      QTRY_VERIFY(answered);
      Settle();
    };
    // Cancel changes nothing: the menu, the choice and the list stay.
    editCategories("2");
    QCOMPARE(chooser->chosenText(), QStringLiteral("Expenses"));
    QCOMPARE(work()->categoryFilter(), std::string("Expenses"));
    QCOMPARE(chooser->entries()[6].text, QStringLiteral("Ideas"));
    QCOMPARE(work()->listView()->rowCount(), 0);
    // OK: the menu comes back sorted, "All Categories" chosen and every
    // record listed.
    editCategories("1");
    QCOMPARE(chooser->chosenText(), QStringLiteral("All Categories"));
    QCOMPARE(work()->categoryFilter(), std::string());
    QCOMPARE(chooser->entries()[6].text, QStringLiteral("Holiday"));  // sorted now
    QCOMPARE(work()->listView()->rowCount(), 7);
  }

  void otherConnectionsChangeReachesTheList() {
    sandbox_->SetSuite("NetworkRefresh", "1");
    QVERIFY(Start());
    RestartRefreshTimer();  // a fresh process reads the period when the timer starts
    QCOMPARE(RefreshTimerInterval(), 1000);
    work()->listView()->SelectRow(1);  // Grace
    RecordStore other(DefaultPath(), "");
    QVERIFY(!other.OpenFailed());
    QVERIFY(other.AddRecord(NewContact(other, "Aaron", "Zimmer")).ok());
    QVERIFY(other.Flush().ok());
    QTRY_COMPARE_WITH_TIMEOUT(work()->listView()->rowCount(), 4, 2500);
    QCOMPARE(RowTexts(work()),
             (QStringList{"Aaron Zimmer", "Anna Bergman", "Grace O'Connell", "Maria Santos"}));
    // The selected contact stays selected although its row moved.
    QTRY_COMPARE(work()->listView()->SelectedRow(), 2);
  }

  void optionsBroadcastFromOthersOnly() {
    QVERIFY(Start());
    QVERIFY(!AnimationFlag());
    sandbox_->SetSuite("Annimation", "1");
    sandbox_->SetSuite("NetworkRefresh", "7");
    const qint64 self = window_->senderId();
    app_->Broadcast(100, self);
    QTest::qWait(50);
    QVERIFY(!AnimationFlag());
    app_->Broadcast(100, self + 1);
    QTRY_VERIFY(AnimationFlag());
    QCOMPARE(RefreshTimerInterval(), 7000);
    // A value that does not start with a non-zero number is off; any
    // non-zero number is on.
    sandbox_->SetSuite("Annimation", "no");
    sandbox_->SetSuite("Sound", "2");
    app_->Broadcast(100, self + 1);
    QTRY_VERIFY(!AnimationFlag());
    QVERIFY(SoundPlayer::Instance().enabled());
    SoundPlayer::Instance().SetEnabled(false);
  }

  void skinBroadcastReloadsTheSkin() {
    QVERIFY(Start());
    QCOMPARE(GetSkin().fileName, std::string(kDefaultSkin));
    QVERIFY(WriteSettingText(SuiteSettingsPath(), "Preference", "CurrSkin", "2_Ocean.ini").ok());
    app_->Broadcast(101, 0);
    QTRY_COMPARE(GetSkin().fileName, std::string("2_Ocean.ini"));
    // The frame is laid out again for the new skin's title bar.
    QVERIFY(window_->ClientRect().contains(window_->toolBar()->geometry()));
  }

  void sizeButtonToggles() {
    QVERIFY(Start());
    window_->move(20, 10);
    QCOMPARE(window_->size(), QSize(420, 430));
    const QPoint button = window_->layout().buttons[size_t(CaptionButton::Restore)].center();
    QTest::mouseClick(window_, Qt::LeftButton, {}, button);
    QTRY_COMPARE(window_->size(), QSize(560, 580));
    // The outline follows the size: square lower corners, rounded upper ones.
    const QRegion mask = window_->mask();
    QCOMPARE(mask.boundingRect(), window_->rect());
    QVERIFY(mask.contains(QPoint(0, 579)) && mask.contains(QPoint(559, 579)));
    QVERIFY(!mask.contains(QPoint(0, 0)) && !mask.contains(QPoint(559, 0)));
    QVERIFY(mask.contains(QPoint(280, 1)));
    const QPoint topLeft = window_->pos();
    QTest::mouseClick(window_, Qt::LeftButton, {}, window_->layout().buttons[size_t(CaptionButton::Restore)].center());
    QTRY_COMPARE(window_->size(), QSize(420, 430));
    QCOMPARE(window_->pos(), topLeft);
    QCOMPARE(window_->mask().boundingRect(), window_->rect());
    // The user cannot go beyond the two sizes.
    window_->resize(900, 900);
    QCOMPARE(window_->size(), QSize(560, 580));
    window_->resize(100, 100);
    QCOMPARE(window_->size(), QSize(420, 430));
  }

  void openCommandReplacesTheFile() {
    QVERIFY(Start());
    const std::string other = sandbox_->File("other.adr");
    QVERIFY(CreateRecordFile(other, format::FileKind::Address).ok());
    // Cancelled: nothing changes.
    PostCommand(window_, kCmdOpenFile);
    QTRY_COMPARE(sandbox_->dialogs.requests.size(), size_t(1));
    Settle();
    QCOMPARE(window_->windowTitle(), QStringLiteral("Cardora : cardora.adr"));
    QCOMPARE(sandbox_->dialogs.requests[0].filter, std::string("Cardora file (*.adr)|*.adr||"));
    // Chosen: the old file is closed, the new one shown from the top.
    sandbox_->dialogs.answers.push_back(other);
    PostCommand(window_, kCmdOpenFile);
    QTRY_COMPARE(window_->windowTitle(), QStringLiteral("Cardora : other.adr"));
    QCOMPARE(work()->listView()->rowCount(), 0);
    QCOMPARE(app_->recordFile()->path(), other);
    QVERIFY(!RecordStore::IsInUse(DefaultPath()));
    QCOMPARE(sandbox_->ProgramSetting("DefaulFile"), std::optional<std::string>(other));
    QVERIFY(window_->isVisible());
  }

  void aListThatCannotBeReadWhollyIsShownWithItsReason() {
    FailingReadsFileSystem files;
    SetFileSystemForTesting(&files);
    QVERIFY(Start());
    QCOMPARE(work()->listView()->rowCount(), 3);
    QVERIFY(sandbox_->messages.empty());
    files.failReads = true;
    work()->Reload();
    QCOMPARE(sandbox_->messages.size(), size_t(1));
    const std::string& shown = sandbox_->messages.front().text;
    QVERIFY2(shown.find("Cannot read") != std::string::npos, shown.c_str());
    QVERIFY2(shown.find("cardora.adr") != std::string::npos, shown.c_str());
    QCOMPARE(work()->listView()->rowCount(), 0);
    // Readable again: the whole list, and nothing more to say.
    files.failReads = false;
    work()->Reload();
    QCOMPARE(work()->listView()->rowCount(), 3);
    QCOMPARE(sandbox_->messages.size(), size_t(1));
    app_.reset();
    SetFileSystemForTesting(nullptr);
  }

  void helpKeyOpensTheHelpPage() {
    QVERIFY(Start());
    QVERIFY(Activate());
    list()->setFocus();
    std::vector<QUrl> opened;
    const UrlOpener previous = SetUrlOpener([&](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
    QTest::keyClick(list(), Qt::Key_F1);
    QTRY_COMPARE(opened.size(), size_t(1));
    QVERIFY(opened[0].toString().endsWith(QStringLiteral("address.htm")));
    SetUrlOpener(previous);
  }

  void aboutDialogOpens() {
    QVERIFY(Start());
    QString seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) return;
      seen = modal->objectName();
      modal->close();
    });
    poll.start(10);
    PostCommand(window_, kCmdAbout);
    QTRY_COMPARE(seen, QStringLiteral("1006"));
    QTRY_VERIFY(!QApplication::activeModalWidget());
  }

  void pictureAndHistoryFollowTheSelection() {
    QVERIFY(Start());
    TesselWndListView* view = work()->listView();
    view->SelectRow(0);  // Anna has a picture
    PostCommand(window_, kCmdPicture);
    QTRY_VERIFY(window_->pictureWanted());
    QCOMPARE(window_->shownPicture(), std::string("anna_bergman.jpg"));
    view->SelectRow(1);  // Grace has none
    QTRY_COMPARE(window_->shownPicture(), std::string());
    view->SelectRow(0);
    QTRY_COMPARE(window_->shownPicture(), std::string("anna_bergman.jpg"));
    view->SelectRow(-1);
    QTRY_COMPARE(window_->shownPicture(), std::string());
    view->SelectRow(0);
    PostCommand(window_, kCmdPicture);
    QTRY_VERIFY(!window_->pictureWanted());
    QCOMPARE(window_->shownPicture(), std::string());

    PostCommand(window_, kCmdHistory);
    QTRY_VERIFY(window_->historyWanted());
    PostCommand(window_, kCmdHistory);
    QTRY_VERIFY(!window_->historyWanted());
    // Closing forgets both windows.
    PostCommand(window_, kCmdPicture);
    QTRY_VERIFY(window_->pictureWanted());
    window_->close();
    QVERIFY(!window_->pictureWanted());
  }
};

CARDORA_TEST_SUITE(MainWindowTest)
#include "mainwindow_test.moc"
