// The contact list of the "Work" pane: its controls, sorting and category
// choice, the search box and the index bar, the rows as painted in each view
// tab, clicks on values, the context menu, the custom view and the "Find"
// dialog, and a reload after another process changed the file.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "CardoraTestSupport.h"
#include "addressbook/gui/ContactNameDelegate.h"
#include "addressbook/gui/ContactRowDelegate.h"
#include "addressbook/gui/CustomViewDialog.h"
#include "addressbook/gui/FindDialog.h"
#include "addressbook/gui/WorkPane.h"
#include "addressbook/model/ContactHolders.h"
#include "addressbook/model/ContactRecord.h"
#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/SuiteCommands.h"
#include "store/Settings.h"
#include "tests/support/Records.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselClassWndBin.h"
#include "toolkit/TesselClassWndScrollBar.h"
#include "toolkit/TTabsWnd.h"
#include "toolkit/TesselClassIndexBarWnd.h"
#include "toolkit/TesselClassIndexSearchWnd.h"
#include "toolkit/TesselClassWndGButton.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {
namespace {

using testing::Sandbox;
using testing::WaitUntil;

void Settle() {
  for (int turn = 0; turn < 6; ++turn) QCoreApplication::processEvents();
}

struct Person {
  const char* first;
  const char* last;
  const char* category = "";
};

class ContactListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSharedFonts();
    path_ = sandbox_.File("list.adr");
    testing::MakeRecordFile(path_, format::FileKind::Address);
    store_ = std::make_unique<RecordStore>(path_, "");
    ASSERT_FALSE(store_->OpenFailed());
  }
  void TearDown() override {
    delete host_;
    host_ = nullptr;
    store_.reset();
  }

  Contact Make(const Person& p) {
    Contact contact(testing::NewRecord(*store_));
    contact.SetText(contact::kFirstName, p.first);
    contact.SetText(contact::kLastName, p.last);
    contact.SetCategory(p.category);
    return contact;
  }
  void Add(const Contact& contact) { ASSERT_TRUE(store_->AddRecord(contact.bytes()).ok()); }
  void AddPeople(std::initializer_list<Person> people) {
    for (const Person& p : people) Add(Make(p));
  }

  // The pane in a window of its own, 700 x 520, showing the file.
  WorkPane* Show() {
    host_ = new QWidget();
    host_->resize(700, 520);
    pane_ = new WorkPane(host_);
    EXPECT_TRUE(pane_->Create(host_));
    pane_->setGeometry(0, 0, 700, 520);
    host_->show();
    pane_->SetRecordFile(store_.get());
    Settle();
    return pane_;
  }
  TesselWndListView* view() const { return pane_->listView(); }
  TesselWndList* rows() const { return pane_->listView()->list(); }
  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < view()->rowCount(); ++row) {
      Bytes record;
      if (store_->ReadRecordIfLive(record, view()->PositionOf(row)).ok()) names << ContactRowText(record);
    }
    return names;
  }
  int EntryIndex(TFlyMenu* chooser, const QString& text) const {
    const auto& entries = chooser->entries();
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!entries[i].separator && entries[i].text == text) return int(i);
    }
    return -1;
  }

  Sandbox sandbox_;
  std::string path_;
  std::unique_ptr<RecordStore> store_;
  QWidget* host_ = nullptr;
  WorkPane* pane_ = nullptr;
};

TEST_F(ContactListTest, ControlsSitAtTheirPlaces) {
  Show();
  const int w = 700, h = 520;
  EXPECT_EQ(pane_->categoryChooser()->geometry(), QRect(0, 0, w / 2, 26));
  EXPECT_EQ(pane_->sortChooser()->geometry(), QRect(w / 2, 0, w / 2 + 1, 26));
  EXPECT_EQ(pane_->searchBox()->geometry(), QRect(5, 29, w - 73, 19));
  EXPECT_EQ(view()->geometry(), QRect(5, 51, w - 73, h - 76));
  EXPECT_EQ(pane_->indexBar()->geometry(), QRect(w - 63, 72, 60, 180));
  EXPECT_EQ(pane_->viewTabs()->geometry(), QRect(10, h - 20, w - 73, 20));
  EXPECT_EQ(rows()->rowHeight(), 58);
  // The category chooser numbers its entries from 500.
  const auto& categories = pane_->categoryChooser()->entries();
  EXPECT_EQ(categories.front().text, QStringLiteral("All Categories"));
  EXPECT_EQ(categories.front().command, 529);
  EXPECT_EQ(categories.back().text, QStringLiteral("Edit Categories"));
  EXPECT_EQ(categories.back().command, 530);
  EXPECT_EQ(categories[2].command, 500);
  // The sort chooser: ten entries with their separators, the current one
  // chosen.
  QStringList sorts;
  for (const FlyEntry& entry : pane_->sortChooser()->entries()) {
    sorts << (entry.separator ? QStringLiteral("-") : QStringLiteral("%1=%2").arg(entry.text).arg(entry.command));
  }
  EXPECT_EQ(sorts, (QStringList{"Sort by First Name=600", "Sort by Last Name=601", "Sort by Nick Name=602", "-",
                                "Sort by Company=603", "-", "Sort by Home City=604", "Sort by Home State=605",
                                "Sort by Home Country=606", "-", "Sort by Business City=607",
                                "Sort by Business State=608", "Sort by Business Country=609"}));
  EXPECT_EQ(pane_->sortChooser()->chosenText(), QStringLiteral("Sort by First Name"));
}

TEST_F(ContactListTest, ChoosingTheCurrentSortDoesNothing) {
  AddPeople({{"Carl", "Adams"}, {"Anne", "Cole"}, {"Bob", "Brown"}, {"Dora", "Dunn"}, {"Eve", "Eck"}});
  Show();
  EXPECT_EQ(Names(), (QStringList{"Anne Cole", "Bob Brown", "Carl Adams", "Dora Dunn", "Eve Eck"}));
  TFlyMenu* sorts = pane_->sortChooser();
  const int byLast = EntryIndex(sorts, QStringLiteral("Sort by Last Name"));
  view()->SelectRow(4);
  sorts->Choose(byLast);
  Settle();
  EXPECT_EQ(pane_->sortOrder(), 2);
  EXPECT_EQ(Names(), (QStringList{"Carl Adams", "Bob Brown", "Anne Cole", "Dora Dunn", "Eve Eck"}));
  EXPECT_EQ(rows()->topRow(), 0);
  EXPECT_EQ(sorts->chosenText(), QStringLiteral("Sort by Last Name"));
  // The second choice of the same entry neither sorts nor moves the list.
  view()->SelectRow(4);
  const int top = rows()->topRow();
  sorts->Choose(byLast);
  Settle();
  EXPECT_EQ(view()->SelectedRow(), 4);
  EXPECT_EQ(rows()->topRow(), top);
  EXPECT_EQ(pane_->sortOrder(), 2);
}

TEST_F(ContactListTest, CategoryChoiceReloadsOnlyOnAChange) {
  AddPeople({{"Anne", "A", "Calls"}, {"Bob", "B", "Ideas"}, {"Carl", "C", "CALLS"}});
  Show();
  TFlyMenu* chooser = pane_->categoryChooser();
  chooser->Choose(EntryIndex(chooser, QStringLiteral("Calls")));
  Settle();
  EXPECT_EQ(Names(), (QStringList{"Anne A", "Carl C"}));
  // The same category again: no reload, so the selection stays.
  view()->SelectRow(1);
  chooser->Choose(EntryIndex(chooser, QStringLiteral("Calls")));
  Settle();
  EXPECT_EQ(view()->SelectedRow(), 1);
  chooser->Choose(EntryIndex(chooser, QStringLiteral("All Categories")));
  Settle();
  EXPECT_EQ(pane_->categoryFilter(), std::string());
  EXPECT_EQ(Names(), (QStringList{"Anne A", "Bob B", "Carl C"}));
  EXPECT_EQ(view()->SelectedRow(), -1);
}

TEST_F(ContactListTest, IndexBarAndSearchBoxSelectThroughTheirWidgets) {
  AddPeople({{"Carl", "X"}, {"Anne", "Y"}, {"Bob", "Z"}});
  Show();
  host_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(host_));
  TesselClassIndexBarWnd* bar = pane_->indexBar();
  EXPECT_EQ(bar->currentLetter(), 'a');
  struct Click {
    char letter;
    int row;
  };
  for (const Click c : {Click{'b', 1}, Click{'z', 2}, Click{'a', 0}}) {
    pane_->searchBox()->edit()->setFocus();
    QTest::mouseClick(bar, Qt::LeftButton, {}, TesselClassIndexBarWnd::CellRect(c.letter, bar->width()).center());
    EXPECT_TRUE(WaitUntil([&] { return view()->SelectedRow() == c.row; })) << c.letter;
    EXPECT_EQ(bar->currentLetter(), c.letter);
    EXPECT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == rows(); })) << c.letter;
  }

  QLineEdit* edit = pane_->searchBox()->edit();
  struct Typed {
    const char* text;
    int row;
  };
  for (const Typed t : {Typed{"b", 1}, Typed{"bz", 2}, Typed{"z", 2}, Typed{"anne", 0}}) {
    view()->SelectRow(-1);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, QString::fromLatin1(t.text));
    EXPECT_TRUE(WaitUntil([&] { return view()->SelectedRow() == t.row; })) << t.text << " " << view()->SelectedRow();
    EXPECT_TRUE(pane_->searchBox()->focusedLook());
  }
  // Leaving the box clears the text and does not move the selection.
  view()->SelectRow(1);
  edit->setFocus();
  edit->clear();
  QTest::keyClicks(edit, QStringLiteral("c"));
  ASSERT_TRUE(WaitUntil([&] { return view()->SelectedRow() == 2; }));
  QTest::mouseClick(rows(), Qt::LeftButton, {}, QPoint(20, 58 / 2));  // the first row's name
  Settle();
  EXPECT_TRUE(edit->text().isEmpty());
  EXPECT_TRUE(pane_->searchBox()->text().isEmpty());
  EXPECT_FALSE(pane_->searchBox()->focusedLook());
  EXPECT_EQ(view()->SelectedRow(), 0);
  EXPECT_EQ(edit->maxLength(), 254);
}

// The pixels within rect that are mostly of colour's hue: the blue of the
// values, the red of a deleted row (text is smoothed, so not every pixel is
// exactly the colour).
int CountColour(const QImage& image, const QRect& rect, const QColor& colour) {
  int count = 0;
  const QRect inside = rect.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const QColor c(image.pixel(x, y));
      if (std::abs(c.red() - colour.red()) < 60 && std::abs(c.green() - colour.green()) < 60 &&
          std::abs(c.blue() - colour.blue()) < 60) {
        ++count;
      }
    }
  }
  return count;
}
// Pixels far from the paper colour: text and icons.
int CountInk(const QImage& image, const QRect& rect) {
  const QColor paper = look::Colour(look::kPaper);
  int count = 0;
  const QRect inside = rect.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const QColor c(image.pixel(x, y));
      if (std::abs(c.red() - paper.red()) + std::abs(c.green() - paper.green()) + std::abs(c.blue() - paper.blue()) > 120) ++count;
    }
  }
  return count;
}

TEST_F(ContactListTest, RowsArePaintedForEachViewTab) {
  Contact contact = Make({"Joanne", "Miller", "Clients"});
  contact.SetText(contact::kCompany, "Acme");
  contact.SetText(contact::kHomePhone, "555 0101");
  contact.SetText(contact::kHomeEmail, "jo@example.org");
  contact.SetText(contact::kWorkPhone, "555 0202");
  contact.SetText(contact::kHomeWeb, "example.org");
  contact.SetConfidential(true);
  contact.SetPicture("/tmp/jo.png");
  const QByteArray data(reinterpret_cast<const char*>(contact.bytes().data()), qsizetype(contact.bytes().size()));
  const QRect row(0, 0, 600, kContactRowHeight);
  struct Case {
    const char* name;
    ContactRowLook look;
    int blueLines;  // detail lines whose value is painted
  };
  const Case cases[] = {
      {"Home", {1, kViewHome, kDefaultListColumns}, 2},
      {"Business", {1, kViewBusiness, kDefaultListColumns}, 1},
      {"Custom, web on", {1, kViewCustom, {{{6, true}, {0, false}, {5, false}}}}, 1},
      {"Custom, all off", {1, kViewCustom, {{{0, false}, {1, false}, {2, false}}}}, 0},
  };
  for (const Case& c : cases) {
    ContactRowDelegate delegate;
    delegate.SetLook(c.look);
    QImage image(row.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    delegate.PaintRow(painter, row, data, false, false, 0);
    painter.end();
    const ContactRowGeometry g = LayOutContactRow(contact, row, c.look);
    int painted = 0;
    for (const auto& d : g.details) {
      if (d.valueText.isEmpty()) continue;
      ++painted;
      // The value is blue and ends at the row's right margin.
      EXPECT_GT(CountColour(image, d.valueText, kValueBlue), 0) << c.name << " " << d.line.label;
      EXPECT_EQ(d.valueText.right(), row.right() - 5) << c.name;
      EXPECT_EQ(d.hitArea.left(), d.valueText.left() - 3);
      EXPECT_EQ(d.hitArea.right(), row.right());
    }
    EXPECT_EQ(painted, c.blueLines) << c.name;
    if (c.look.viewTab == kViewCustom && c.blueLines == 0) {
      EXPECT_TRUE(g.details.empty());
      EXPECT_EQ(CountInk(image, QRect(g.firstLine.right() + 10, 0, row.width() - g.firstLine.right() - 10, 57)), 0)
          << "nothing right of the name block";
    }
    // The bold name line, the small second line, the icons at 12-pixel
    // steps and the blue category after them.
    EXPECT_GT(CountInk(image, g.firstLine), 20) << c.name;
    EXPECT_GT(CountInk(image, g.secondLine), 5) << c.name;
    ASSERT_EQ(g.icons.size(), 2u);
    EXPECT_EQ(g.icons[0].bitmap, kIconConfidential);
    EXPECT_EQ(g.icons[1].bitmap, kIconPicture);
    EXPECT_EQ(g.icons[1].at.x() - g.icons[0].at.x(), 12);
    for (const auto& icon : g.icons) EXPECT_GT(CountInk(image, QRect(icon.at, QSize(11, 11))), 10) << icon.bitmap;
    EXPECT_GE(g.categoryRect.left(), g.icons[1].at.x() + 12);
    EXPECT_GT(CountColour(image, g.categoryRect, kValueBlue), 0) << c.name;
    EXPECT_LE(g.icons[0].at.y() + 11, kContactRowHeight);
  }
}

TEST_F(ContactListTest, ExchangeIconTakesSixteenPixels) {
  Bytes bytes = Make({"A", "B"}).bytes();
  bytes[546] = 3;  // waiting to be sent
  Contact both(bytes);
  both.SetConfidential(true);
  const ContactRowGeometry g = LayOutContactRow(both, QRect(0, 0, 500, 58), ContactRowLook{});
  ASSERT_EQ(g.icons.size(), 2u);
  EXPECT_EQ(g.icons[0].bitmap, kIconExchangePending);
  EXPECT_EQ(g.icons[1].at.x() - g.icons[0].at.x(), 16);
}

TEST_F(ContactListTest, ARowDeletedByAnotherUserSaysSoInRed) {
  AddPeople({{"Anne", "A"}, {"Bob", "B"}});
  Show();
  {
    RecordStore other(path_, "");
    ASSERT_TRUE(other.DeleteRecord(view()->PositionOf(0)).ok());
  }
  rows()->update();
  const QImage image = rows()->grab().toImage();
  const QRect first(0, 0, rows()->width(), 58);
  const QRect second(0, 58, rows()->width(), 58);
  EXPECT_GT(CountColour(image, first, look::Colour(look::kRed)), 20);
  EXPECT_EQ(CountColour(image, second, look::Colour(look::kRed)), 0);
}

TEST_F(ContactListTest, ContextMenuFollowsTheRowAndTheWindows) {
  AddPeople({{"Anne", "A"}});
  Contact with = Make({"Bob", "B"});
  with.SetAttachment("/tmp/notes.txt");
  with.SetAttachmentKind(1);
  Add(with);
  Show();
  auto enabled = [](const std::vector<ContextMenuEntry>& menu) {
    QStringList on;
    for (const auto& e : menu) {
      if (e.separator()) on << QStringLiteral("-");
      else if (e.enabled) on << QString::fromStdString(e.text).section(QLatin1Char('\t'), 0, 0);
    }
    return on;
  };
  const std::vector<ContextMenuEntry> onRow = pane_->ContextMenuFor(0);
  QStringList texts;
  for (const auto& e : onRow) texts << (e.separator() ? QStringLiteral("-") : QString::fromStdString(e.text));
  EXPECT_EQ(texts, (QStringList{"New...\tInsert", "Edit...\tEnter", "Delete...\tDelete", "-", "Undo delete\tCtrl+Z",
                                "-", "Cut\tCtrl+X", "Copy\tCtrl+C", "Paste\tCtrl+V", "-", "Mail &Merge...\tCtrl+M", "-",
                                "Show &Picture...\tCtrl+E", "Show &History...\tCtrl+W", "-",
                                "Open attachment...\tCtrl+A"}));
  EXPECT_EQ(enabled(onRow), (QStringList{"New...", "Edit...", "Delete...", "-", "-", "Cut", "Copy", "-",
                                         "Mail &Merge...", "-", "Show &Picture...", "Show &History...", "-"}));
  EXPECT_EQ(enabled(pane_->ContextMenuFor(1)).last(), QStringLiteral("Open attachment..."));
  EXPECT_EQ(enabled(pane_->ContextMenuFor(-1)),
            (QStringList{"New...", "-", "-", "-", "Mail &Merge...", "-", "-"}));
  // With the windows shown, the Hide items; Undo and Paste with contacts in
  // the bin and the clipboard.
  ContextMenuState state;
  state.pictureShown = state.historyShown = state.binHoldsContact = state.clipboardHoldsContact = true;
  EXPECT_EQ(enabled(ContactContextMenu(false, state)),
            (QStringList{"New...", "-", "Undo delete", "-", "Paste", "-", "Mail &Merge...", "-", "Hide &Picture...",
                         "Hide &History...", "-"}));
  const std::vector<int> commands{1001, 1002, 1003, 0, 1023, 0, 1024, 1025, 1026, 0, 1043, 0, 1044, 1045, 0, 1033};
  std::vector<int> seen;
  for (const auto& e : onRow) seen.push_back(e.command);
  EXPECT_EQ(seen, commands);
}

// Records the commands posted to an object.
class PostedCommands : public QObject {
 public:
  explicit PostedCommands(QObject* target) { target->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == CommandEvent::EventType()) {
      const Command& c = static_cast<CommandEvent*>(event)->command();
      seen.emplace_back(c.id, c.param);
    }
    return false;
  }
  std::vector<std::pair<int, qintptr>> seen;
};

TEST_F(ContactListTest, DoubleClickEditsARowOrAddsBelowThem) {
  AddPeople({{"Anne", "A"}, {"Bob", "B"}});
  Show();
  PostedCommands posted(host_);
  QTest::mouseDClick(rows(), Qt::LeftButton, {}, QPoint(20, 58 + 20));
  Settle();
  QTest::mouseDClick(rows(), Qt::LeftButton, {}, QPoint(20, 3 * 58 + 20));
  Settle();
  EXPECT_EQ(posted.seen, (std::vector<std::pair<int, qintptr>>{{kCmdEditContact, 1}, {kCmdNewContact, 0}}));
  // The picture and history buttons hand their commands to the main window.
  posted.seen.clear();
  QTest::mouseClick(pane_->pictureButton(), Qt::LeftButton, {}, QPoint(30, 10));
  QTest::mouseClick(pane_->historyButton(), Qt::LeftButton, {}, QPoint(30, 10));
  Settle();
  EXPECT_EQ(posted.seen, (std::vector<std::pair<int, qintptr>>{{kCmdPicture, 0}, {kCmdHistory, 0}}));
}

TEST_F(ContactListTest, RightClickShowsTheMenuAndPostsTheChosenCommand) {
  AddPeople({{"Anne", "A"}, {"Bob", "B"}});
  Show();
  PostedCommands posted(host_);
  QStringList shown;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !shown.isEmpty()) return;
    QAction* copy = nullptr;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      shown << action->text();
      if (action->text().startsWith(QStringLiteral("Copy"))) copy = action;
    }
    if (!copy) {
      menu->close();
      return;
    }
    menu->setActiveAction(copy);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  timer.start(20);
  QTest::mouseClick(rows(), Qt::RightButton, {}, QPoint(20, 58 + 20));
  ASSERT_TRUE(WaitUntil([&] { return !posted.seen.empty(); })) << shown.join(QStringLiteral(", ")).toStdString();
  EXPECT_EQ(shown.size(), 11);
  EXPECT_EQ(view()->SelectedRow(), 1);
  EXPECT_EQ(posted.seen.back(), (std::pair<int, qintptr>{kCmdCopy, 1}));
}

// A program on a PATH of its own that names a dialler for "tel:".
class ValueClickTest : public ContactListTest {
 protected:
  void SetUp() override {
    ContactListTest::SetUp();
    const std::string bin = sandbox_.File("bin");
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-mime") << "#!/bin/sh\necho dialer.desktop\n";
    std::filesystem::permissions(bin + "/xdg-mime", std::filesystem::perms::owner_all);
    path_env_ = std::make_unique<testing::ScopedEnv>("PATH", bin + ":/usr/bin:/bin");
    ResetDialerForTesting();
    SetUrlOpener([this](const QUrl& url) {
      opened.push_back(url.toString().toStdString());
      return true;
    });
  }
  void TearDown() override {
    SetUrlOpener({});
    ResetDialerForTesting();
    path_env_.reset();
    ContactListTest::TearDown();
  }
  std::unique_ptr<testing::ScopedEnv> path_env_;
  std::vector<std::string> opened;
};

TEST_F(ValueClickTest, ClickingAValueBlinksThenOpensIt) {
  Contact contact = Make({"Ann", "Lee"});
  contact.SetText(contact::kHomePhone, "+1 (555) 010-7788");
  contact.SetText(contact::kHomeEmail, "ann@example.org");
  contact.SetText(contact::kHomeWeb, "www.example.org");
  Add(contact);
  sandbox_.SetProgram("CustomID_1", "6");
  sandbox_.SetProgram("CustomState_1", "1");
  Show();
  struct Case {
    int tab;
    int line;
    const char* url;
  };
  for (const Case c : {Case{kViewHome, 0, "tel:+15550107788"}, Case{kViewHome, 2, "mailto:ann@example.org"},
                       Case{kViewCustom, 0, "http://www.example.org"}}) {
    SendCommand(pane_, WorkPane::kTabsId, c.tab);
    opened.clear();
    const ContactRowGeometry g = LayOutContactRow(contact, rows()->RowRect(0), pane_->rowDelegate().look());
    ASSERT_LT(size_t(c.line), g.details.size());
    const QRect hit = g.details[size_t(c.line)].hitArea;
    // Just left of the area: no value.
    QTest::mouseClick(rows(), Qt::LeftButton, {}, QPoint(hit.left() - 2, hit.center().y()));
    EXPECT_FALSE(pane_->blinking());
    QTest::mouseClick(rows(), Qt::LeftButton, {}, QPoint(hit.left() + 1, hit.center().y()));
    EXPECT_TRUE(pane_->blinking());
    EXPECT_TRUE(opened.empty()) << "opened before the blink ended";
    ASSERT_TRUE(WaitUntil([&] { return !opened.empty(); }, 3000)) << c.url;
    EXPECT_EQ(opened, std::vector<std::string>{c.url});
    EXPECT_FALSE(pane_->blinking());
  }
}

TEST_F(ContactListTest, CustomViewDialogWritesOnOkAndKeepsOnCancel) {
  Show();
  const auto answer = [&](const std::function<void(QDialog*)>& act) {
    bool done = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (done || !dialog || dialog->objectName() != QStringLiteral("3035")) return;
      done = true;
      act(dialog);
    });
    timer.start(20);
    SendCommand(pane_, WorkPane::kTabsId, WorkPane::kCustomViewLink);
    EXPECT_TRUE(done);
  };
  // The dialog as it opens: the columns' fields and boxes, the off lists
  // disabled, the 25 labels.
  answer([](QDialog* dialog) {
    auto* box3 = dialog->findChild<QCheckBox*>(QStringLiteral("102"));
    auto* list3 = dialog->findChild<QComboBox*>(QStringLiteral("402"));
    ASSERT_TRUE(box3 && list3);
    EXPECT_EQ(box3->text(), QStringLiteral("Field 3:"));
    EXPECT_FALSE(box3->isChecked());
    EXPECT_FALSE(list3->isEnabled());
    EXPECT_EQ(list3->count(), 25);
    EXPECT_EQ(list3->currentIndex(), 5);
    box3->setChecked(true);
    EXPECT_TRUE(list3->isEnabled());
    list3->setCurrentIndex(9);
    dialog->findChild<QCheckBox*>(QStringLiteral("100"))->setChecked(false);
    dialog->findChild<QPushButton*>(QStringLiteral("2"))->click();
  });
  EXPECT_FALSE(sandbox_.ProgramSetting("CustomID_3").has_value());
  EXPECT_EQ(pane_->columns(), kDefaultListColumns);

  answer([](QDialog* dialog) {
    for (const char* name : {"100", "101", "102"}) dialog->findChild<QCheckBox*>(QString::fromLatin1(name))->setChecked(false);
    dialog->findChild<QComboBox*>(QStringLiteral("402"))->setCurrentIndex(9);
    dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
  });
  const std::array<ListColumn, 3> allOff{{{0, false}, {1, false}, {9, false}}};
  EXPECT_EQ(pane_->columns(), allOff);
  EXPECT_EQ(ReadListColumns(), allOff);
  EXPECT_EQ(sandbox_.ProgramSetting("CustomID_3"), std::optional<std::string>("9"));
  EXPECT_EQ(sandbox_.ProgramSetting("CustomState_1"), std::optional<std::string>("0"));
  EXPECT_EQ(pane_->rowDelegate().look().columns, allOff);
}

TEST_F(ContactListTest, TheLinkIsShownOnlyWithTheCustomTab) {
  Show();
  SendCommand(pane_, WorkPane::kTabsId, kViewBusiness);
  EXPECT_EQ(pane_->viewTab(), kViewBusiness);
  EXPECT_TRUE(pane_->viewTabs()->layout().link.isEmpty());
  SendCommand(pane_, WorkPane::kTabsId, kViewCustom);
  EXPECT_FALSE(pane_->viewTabs()->layout().link.isEmpty());
  EXPECT_EQ(pane_->rowDelegate().look().viewTab, kViewCustom);
}

TEST_F(ContactListTest, FindListsMatchesAndGoToSelectsTheContact) {
  AddPeople({{"Joanne", "Ray"}, {"Bob", "Stone"}, {"Anna", "Bell"}, {"Carl", "Dent"}});
  Show();
  {
    std::vector<RecordPosition> edited;
    FindDialog dialog(*store_, "", [&](RecordPosition at) { edited.push_back(at); });
    EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("category"))->property("text").toString(),
              QStringLiteral("All Categories"));
    EXPECT_FALSE(dialog.findButton()->isEnabled());
    dialog.edit()->setText(QStringLiteral("ann"));
    EXPECT_TRUE(dialog.findButton()->isEnabled());
    dialog.Find();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Occurrences 2"));
    EXPECT_EQ(dialog.results()->rowCount(), 2);
    EXPECT_FALSE(dialog.goToButton()->isEnabled());
    // A double click opens the match in the editor and stays in the dialog.
    SendCommand(&dialog, kNotifyDoubleClick, 1);
    EXPECT_EQ(edited, std::vector<RecordPosition>{dialog.query().positions()[1]});
    SendCommand(&dialog, kNotifyClick, 1);
    EXPECT_TRUE(dialog.goToButton()->isEnabled());
    dialog.edit()->setText(QStringLiteral("nobody"));
    dialog.Find();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Occurrences 0"));
    dialog.results()->resize(300, 120);
    const QImage empty = dialog.results()->grab().toImage();
    EXPECT_GT(CountInk(empty, empty.rect()), 30) << "the empty result list says so";
  }
  // Through the pane: "Go to" selects the contact in the main list.
  bool answered = false;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<FindDialog*>(QApplication::activeModalWidget());
    if (answered || !dialog) return;
    answered = true;
    dialog->edit()->setText(QStringLiteral("stone"));
    dialog->findButton()->click();
    dialog->results()->SelectRow(0);
    SendCommand(dialog, kNotifyClick, 0);
    EXPECT_TRUE(dialog->goToButton()->isEnabled());
    dialog->goToButton()->click();
  });
  timer.start(20);
  SendCommand(pane_, kCmdFind, 0);
  ASSERT_TRUE(answered);
  EXPECT_EQ(view()->SelectedRow(), 1);  // Anna, Bob, Carl, Joanne
}

// A long result list scrolls: a scroll bar beside it shows where the shown
// rows are among all matches and moves them; moving the selection by the
// keyboard moves the bar.
TEST_F(ContactListTest, FindsResultListHasAScrollBarThatFollowsTheRows) {
  constexpr int kMatches = 150;
  for (int i = 0; i < kMatches; ++i) {
    const std::string first = "Ann" + std::to_string(1000 + i);
    Add(Make({first.c_str(), "Lee"}));
  }
  Show();
  FindDialog dialog(*store_, "", {});
  dialog.show();
  dialog.edit()->setText(QStringLiteral("ann"));
  dialog.Find();
  ASSERT_EQ(dialog.results()->rowCount(), kMatches);
  auto* bar = dialog.findChild<TesselClassWndScrollBar*>();
  ASSERT_NE(bar, nullptr) << "the result list has a scroll bar";
  EXPECT_TRUE(bar->isVisible());
  TesselWndList* results = dialog.results();
  const QRect listRect(results->mapTo(&dialog, QPoint(0, 0)), results->size());
  const QRect barRect(bar->mapTo(&dialog, QPoint(0, 0)), bar->size());
  EXPECT_EQ(barRect.left(), listRect.right() + 1) << "right beside the list";
  EXPECT_EQ(barRect.height(), listRect.height());
  EXPECT_GT(bar->width(), 10);
  EXPECT_EQ(bar->maximum(), kMatches - results->fullyVisibleRows());
  EXPECT_EQ(bar->value(), 0);

  bar->SetValue(40);
  EXPECT_EQ(results->topRow(), 40) << "the bar moves the rows";
  results->setFocus();
  QTest::keyClick(results, Qt::Key_End);
  EXPECT_EQ(results->selectedRow(), kMatches - 1);
  EXPECT_EQ(bar->value(), bar->maximum()) << "the rows move the bar";
  results->resize(results->width(), results->height() + 5 * results->rowHeight());
  EXPECT_EQ(bar->maximum(), kMatches - results->fullyVisibleRows()) << "a taller list shows more rows";
  dialog.edit()->setText(QStringLiteral("nobody"));
  dialog.Find();
  EXPECT_EQ(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), 0);
}

#ifdef VELMORA_TOOL_BINARY
TEST_F(ContactListTest, AnotherProcessesChangeKeepsTheSelectionById) {
  AddPeople({{"Bob", "B"}, {"Carl", "C"}});
  Show();
  view()->SelectRow(1);  // Carl
  QProcess tool;
  tool.start(QStringLiteral(VELMORA_TOOL_BINARY), {QStringLiteral("add"), QString::fromStdString(path_)});
  ASSERT_TRUE(tool.waitForStarted());
  tool.write("{\"First_Name\": \"Aaron\", \"Last_Name\": \"A\"}\n");
  tool.closeWriteChannel();
  ASSERT_TRUE(tool.waitForFinished(10000));
  ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  view()->Refresh(true);
  Settle();
  EXPECT_EQ(Names(), (QStringList{"Aaron A", "Bob B", "Carl C"}));
  EXPECT_TRUE(WaitUntil([&] { return view()->SelectedRow() == 2; })) << view()->SelectedRow();
  // The search box searches the new rows.
  pane_->searchBox()->edit()->setFocus();
  QTest::keyClicks(pane_->searchBox()->edit(), QStringLiteral("aa"));
  EXPECT_TRUE(WaitUntil([&] { return view()->SelectedRow() == 0; }));
}
#endif

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// The record commands reach the list: a delete answered Yes empties the
// row, fills the bin and enables "Undo delete"; the bin's undo brings the
// contact back and selects it.
TEST_F(ContactListTest, DeleteAndTheBinsUndoGoThroughThePane) {
  RecycleBin().Empty();
  AddPeople({{"Anne", "A"}, {"Bob", "B"}});
  Show();
  ASSERT_NE(pane_->recycleBin(), nullptr);
  EXPECT_EQ(pane_->recycleBin()->geometry(), QRect(700 - 55, 520 - 58, 50, 50));
  view()->SelectRow(1);
  sandbox_.answers = {true};
  EXPECT_EQ(pane_->OnCommand(Command{kCmdDeleteContact, 0, {}, {}}), 1);
  Settle();
  EXPECT_EQ(Names(), QStringList{QStringLiteral("Anne A")});
  EXPECT_TRUE(RecycleBin().Holds());
  const auto undoEnabled = [&] {
    for (const ContextMenuEntry& entry : pane_->ContextMenuFor(-1)) {
      if (entry.command == kCmdUndoDelete) return entry.enabled;
    }
    return false;
  };
  EXPECT_TRUE(undoEnabled());

  EXPECT_EQ(pane_->OnCommand(Command{WorkPane::kBinId, kCmdUndoDelete, {}, {}}), 1);
  Settle();
  EXPECT_EQ(Names(), (QStringList{QStringLiteral("Anne A"), QStringLiteral("Bob B")}));
  EXPECT_FALSE(RecycleBin().Holds());
  EXPECT_FALSE(undoEnabled());
  ASSERT_TRUE(pane_->SelectedPosition().has_value());
  Bytes record;
  ASSERT_TRUE(store_->ReadRecordIfLive(record, *pane_->SelectedPosition()).ok());
  EXPECT_EQ(ContactRowText(record), QStringLiteral("Bob B"));
}

// A contact dragged from the list onto the recycle bin is deleted as
// Delete deletes it: after the question, with the access check, into the
// bin. A drag that ends elsewhere deletes nothing.
TEST_F(ContactListTest, DraggingAContactOntoTheBinDeletesItAsDeleteDoes) {
  struct Case {
    const char* name;
    bool answer;
    bool reader;
    bool ontoBin;
    QStringList left;
    std::vector<std::string> messages;
  };
  const std::string question = LoadText(kMsgDeleteContact);
  const Case cases[] = {
      {"Yes on the bin", true, false, true, {QStringLiteral("Anne A")}, {question}},
      {"No on the bin", false, false, true, {QStringLiteral("Anne A"), QStringLiteral("Bob B")}, {question}},
      {"a Reader", true, true, true, {QStringLiteral("Anne A"), QStringLiteral("Bob B")},
       {question, LoadText(kMsgNoPermission)}},
      {"dropped beside the bin", true, false, false, {QStringLiteral("Anne A"), QStringLiteral("Bob B")}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecycleBin().Empty();
    delete host_;
    host_ = nullptr;
    store_.reset();
    ASSERT_TRUE(std::filesystem::remove(path_));
    testing::MakeRecordFile(path_, format::FileKind::Address, {"owner", "assist", "reader"});
    store_ = std::make_unique<RecordStore>(path_, "owner");
    AddPeople({{"Anne", "A"}, {"Bob", "B"}});
    if (c.reader) store_ = std::make_unique<RecordStore>(path_, "reader");
    ASSERT_FALSE(store_->OpenFailed());
    Show();
    host_->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return host_->isActiveWindow(); }));
    sandbox_.messages.clear();
    sandbox_.answers = {c.answer};

    TesselWndList* list = rows();
    TesselClassWndBin* bin = pane_->recycleBin();
    const QPoint from(12, rows()->rowHeight() + 6);  // Bob's row
    const QPoint to = c.ontoBin ? bin->mapToGlobal(QPoint(bin->width() / 2, bin->height() - 4))
                                : pane_->mapToGlobal(QPoint(200, pane_->height() - 23));
    const auto send = [&](QEvent::Type type, const QPoint& global, Qt::MouseButtons held) {
      QMouseEvent event(type, list->mapFromGlobal(global), global, Qt::LeftButton, held, Qt::NoModifier);
      QApplication::sendEvent(list, &event);
    };
    send(QEvent::MouseButtonPress, list->mapToGlobal(from), Qt::LeftButton);
    ASSERT_EQ(view()->SelectedRow(), 1);
    send(QEvent::MouseMove, list->mapToGlobal(from + QPoint(0, 3 * QApplication::startDragDistance())),
         Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    Settle();
    EXPECT_EQ(sandbox_.MessageTexts(), c.messages);
    EXPECT_EQ(Names(), c.left);
    EXPECT_EQ(RecycleBin().Holds(), c.left.size() == 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the drag cursor is gone";
  }
  RecycleBin().Empty();
}

}  // namespace
}  // namespace velmora
