#include "addressbook/gui/WorkPane.h"

#include <QApplication>
#include <algorithm>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>

#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/gui/ContactRecycleBin.h"
#include "addressbook/gui/CustomViewDialog.h"
#include "addressbook/gui/FindDialog.h"
#include "addressbook/model/ContactHolders.h"
#include "addressbook/model/ContactRecord.h"
#include "shell/CategoriesDialog.h"
#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "shell/SuiteCommands.h"
#include "store/Refresh.h"
#include "store/Settings.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TTabsWnd.h"
#include "toolkit/TesselClassIndexBarWnd.h"
#include "toolkit/TesselClassIndexSearchWnd.h"
#include "toolkit/TesselClassWndBin.h"
#include "toolkit/TesselClassWndGButton.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {

namespace {
constexpr int kBlinkMilliseconds = 100;
constexpr int kBlinkSteps = 8;  // four times on and off

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The chooser's paper keeps the corners around its rounded box the pane's
// own colour.
void PaperCorners(QWidget* chooser) {
  QPalette palette = chooser->palette();
  palette.setColor(QPalette::Button, look::Colour(look::kPaper));
  chooser->setPalette(palette);
}
}  // namespace

std::vector<SortEntry> SortChooserEntries() {
  return {
      {"Sort by First Name", 600},    {"Sort by Last Name", 601},     {"Sort by Nick Name", 602},
      {nullptr, 0},                   {"Sort by Company", 603},       {nullptr, 0},
      {"Sort by Home City", 604},     {"Sort by Home State", 605},    {"Sort by Home Country", 606},
      {nullptr, 0},                   {"Sort by Business City", 607}, {"Sort by Business State", 608},
      {"Sort by Business Country", 609},
  };
}

std::vector<ContextMenuEntry> ContactContextMenu(bool onRow, const ContextMenuState& state) {
  const ContextMenuEntry separator{};
  const bool pictureEnabled = onRow || state.pictureShown;
  const bool historyEnabled = onRow || state.historyShown;
  return {
      {"New...\tInsert", kCmdNewContact, true},
      {"Edit...\tEnter", kCmdEditContact, onRow},
      {"Delete...\tDelete", kCmdDeleteContact, onRow},
      separator,
      {"Undo delete\tCtrl+Z", kCmdUndoDelete, state.binHoldsContact},
      separator,
      {"Cut\tCtrl+X", kCmdCut, onRow},
      {"Copy\tCtrl+C", kCmdCopy, onRow},
      {"Paste\tCtrl+V", kCmdPaste, state.clipboardHoldsContact},
      separator,
      {"Mail &Merge...\tCtrl+M", kCmdMailMerge, true},
      separator,
      {state.pictureShown ? "Hide &Picture...\tCtrl+E" : "Show &Picture...\tCtrl+E", kCmdPicture, pictureEnabled},
      {state.historyShown ? "Hide &History...\tCtrl+W" : "Show &History...\tCtrl+W", kCmdHistory, historyEnabled},
      separator,
      {"Open attachment...\tCtrl+A", kCmdOpenAttachment, onRow && state.rowHasAttachment},
  };
}

WorkPane::WorkPane(QWidget* parent) : TesselPane(QStringLiteral("Work"), parent) {
  const std::string settings = ProgramSettingsPath();
  (void)ReadSettingInt(settings, "Preference", "Sort", sort_);
  (void)ReadSettingInt(settings, "Preference", "Tab", tab_);
  if (tab_ < kViewHome || tab_ > kViewCustom) tab_ = kViewHome;
  columns_ = ReadListColumns();
  ApplyLook();
  blinkTimer_.setInterval(kBlinkMilliseconds);
  connect(&blinkTimer_, &QTimer::timeout, this, &WorkPane::BlinkStep);
}

WorkPane::~WorkPane() = default;

bool WorkPane::OnCreated() {
  categories_ = new TFlyMenu(this);
  categories_->SetControlId(kCategoryBase);
  if (!categories_->Create(this)) return false;
  PaperCorners(categories_);

  sorts_ = new TFlyMenu(this);
  sorts_->SetControlId(kSortBase);
  if (!sorts_->Create(this)) return false;
  PaperCorners(sorts_);
  for (const SortEntry& entry : SortChooserEntries()) {
    if (entry.command == 0) (void)sorts_->AddSeparator();
    else (void)sorts_->AddEntry(QString::fromLatin1(entry.text), entry.command);
  }
  (void)sorts_->SetChosen(kSortBase + sort_ - 1);

  search_ = new TesselClassIndexSearchWnd(kSearchId, this);
  if (!search_->Create(this)) return false;

  list_ = new TesselWndListView(this);
  list_->SetControlId(kListId);
  if (!list_->Create(this)) return false;
  list_->SetRowDelegate(&delegate_);
  list_->SetRowHeight(kContactRowHeight);
  // A row dragged onto the recycle bin is deleted there.
  list_->SetDragEnabled(true);
  list_->list()->installEventFilter(this);

  pictureButton_ = new TesselClassWndGButton("pic_button1.bmp", "pic_button2.bmp", kCmdPicture, this);
  historyButton_ = new TesselClassWndGButton("his_button1.bmp", "his_button2.bmp", kCmdHistory, this);
  if (!pictureButton_->Create(this) || !historyButton_->Create(this)) return false;

  indexBar_ = new TesselClassIndexBarWnd(kIndexBarId, this);
  if (!indexBar_->Create(this)) return false;

  bin_ = MakeContactRecycleBin(this);
  if (!bin_) return false;

  tabs_ = new TTabsWnd({QStringLiteral("Home"), QStringLiteral("Business"), QStringLiteral("Custom")}, kTabsId, this);
  if (!tabs_->Create(this)) return false;
  tabs_->SetLink(QStringLiteral("Define custom view"), kCustomViewLink, kViewCustom);
  tabs_->SetSelected(tab_);

  setFocusProxy(list_);
  return TesselPane::OnCreated();
}

void WorkPane::resizeEvent(QResizeEvent*) {
  const int w = width();
  const int h = height();
  if (categories_) categories_->setGeometry(0, 0, w / 2, 26);
  if (sorts_) sorts_->setGeometry(w / 2, 0, w / 2 + 1, 26);
  if (search_) search_->setGeometry(5, 29, std::max(0, w - 73), 19);
  if (list_) list_->setGeometry(5, 51, std::max(0, w - 73), std::max(0, h - 76));
  if (pictureButton_) pictureButton_->setGeometry(w - 65, 28, 60, 20);
  if (historyButton_) historyButton_->setGeometry(w - 65, 49, 60, 20);
  if (indexBar_) indexBar_->setGeometry(w - 63, 72, 60, 180);
  if (tabs_) tabs_->setGeometry(10, h - 20, std::max(0, w - 73), 20);
  if (bin_) bin_->setGeometry(w - 55, h - 58, 50, 50);
}

void WorkPane::ApplyLook() {
  delegate_.SetLook(ContactRowLook{sort_, tab_, columns_});
  if (list_) list_->list()->update();
}

void WorkPane::RebuildCategories() {
  categoryFilter_.clear();
  chosenCategory_ = kCategoryBase + kAllCategoriesOffset;
  if (!categories_) return;
  categories_->Clear();
  Bytes block;
  if (store_ && !store_->ReadCategories(block).ok()) block.clear();
  if (!store_) BuildDefaultCategories(block);
  for (const CategoryMenuItem& item : BuildCategoryMenu(block, kCategoryBase)) {
    if (item.separator()) (void)categories_->AddSeparator();
    else (void)categories_->AddEntry(QString::fromStdString(item.text), item.id);
  }
  (void)categories_->SetChosen(chosenCategory_);
}

bool WorkPane::OnCategoryCommand(const Command& command) {
  const int offset = command.id - kCategoryBase;
  if (offset < 0 || offset > kEditCategoriesOffset) return false;
  if (offset == kEditCategoriesOffset) {
    if (store_ && EditCategories(this, *store_)) {
      // As if "All Categories" had been chosen from the rebuilt menu.
      RebuildCategories();
      Reload();
    } else if (categories_) {
      (void)categories_->SetChosen(chosenCategory_);
    }
    FocusList();
    return true;
  }
  const std::string name = offset == kAllCategoriesOffset ? std::string() : command.text.toStdString();
  chosenCategory_ = command.id;
  if (name != categoryFilter_) {
    categoryFilter_ = name;
    Reload();
  }
  FocusList();
  return true;
}

void WorkPane::SetRecordFile(RecordStore* store) {
  store_ = store;
  keptRecordId_ = 0;
  RebuildCategories();
  if (!store_) {
    if (list_) list_->SetSource(nullptr, nullptr);
    query_.Reset();
    keys_.Clear();
    return;
  }
  Reload();
}

void WorkPane::Reload() {
  if (!store_ || !list_) return;
  Result loaded = Result::Ok();
  {
    WaitCursor wait;
    // The counter is read before the scan, so a change made during it is
    // still seen by the next refresh tick.
    const uint64_t counter = store_->GetChangeCounter();
    loaded = LoadContactList(*store_, query_, categoryFilter_, sort_);
    query_.SetChangeCounterSeen(counter);
    list_->SetSource(store_, &query_);
    BuildKeys();
  }
  // The list shows what could be read; the user learns that it is not all.
  if (!loaded.ok()) InformationBox(this, loaded.Message());
}

void WorkPane::BuildKeys() {
  if (!store_) {
    keys_.Clear();
    return;
  }
  // Without keys the search box and the index bar find nothing; the list
  // itself is still right, so this is not worth a message.
  if (!keys_.Build(*store_, query_, sort_).ok()) keys_.Clear();
}

void WorkPane::OnSortCommand(int order) {
  if (order == sort_) return;
  sort_ = order;
  if (sorts_) (void)sorts_->SetChosen(kSortBase + sort_ - 1);
  ApplyLook();
  if (!store_ || !list_) return;
  Result sorted = Result::Ok();
  {
    WaitCursor wait;
    if (const auto key = FindContactSortKey(sort_)) {
      sorted = query_.Sort(*store_, key->offset, key->length, CompareText);
    }
    list_->model()->Reload();
    list_->SelectRow(-1);
    list_->ScrollToTop();
    BuildKeys();
  }
  if (!sorted.ok()) InformationBox(this, sorted.Message());
}

void WorkPane::Entered() { FocusList(); }

void WorkPane::FocusList() {
  if (list_) list_->setFocus(Qt::OtherFocusReason);
}

std::optional<RecordPosition> WorkPane::SelectedPosition() const {
  if (!list_) return std::nullopt;
  const int row = list_->SelectedRow();
  if (row < 0 || row >= list_->rowCount()) return std::nullopt;
  return list_->PositionOf(row);
}

uint64_t WorkPane::SelectedRecordId() const {
  const std::optional<RecordPosition> position = SelectedPosition();
  if (!position || !store_) return 0;
  Bytes record;
  if (!store_->ReadRecordIfLive(record, *position).ok()) return 0;
  return Contact(std::move(record)).Id();
}

void WorkPane::SelectAndShow(std::optional<size_t> row) {
  if (!row || !list_ || list_->rowCount() == 0) return;
  list_->SelectRow(int(std::min(*row, size_t(list_->rowCount() - 1))));
}

std::vector<ContextMenuEntry> WorkPane::ContextMenuFor(int row) const {
  ContextMenuState state;
  if (const auto* main = qobject_cast<const CardoraMainWindow*>(window())) {
    state.pictureShown = main->pictureWanted();
    state.historyShown = main->historyWanted();
  }
  state.binHoldsContact = RecycleBin().Holds();
  state.clipboardHoldsContact = ContactClipboard().Holds();
  const bool onRow = list_ && row >= 0 && row < list_->rowCount();
  if (onRow && store_) {
    Bytes record;
    if (store_->ReadRecordIfLive(record, list_->PositionOf(row)).ok()) {
      state.rowHasAttachment = Contact(std::move(record)).HasAttachment();
    }
  }
  return ContactContextMenu(onRow, state);
}

void WorkPane::ShowContextMenu(int row) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("contactMenu"));
  for (const ContextMenuEntry& entry : ContextMenuFor(row)) {
    if (entry.separator()) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromStdString(entry.text));
    action->setData(entry.command);
    action->setEnabled(entry.enabled);
  }
  QAction* chosen = menu.exec(QCursor::pos());
  if (chosen) PostCommand(window(), chosen->data().toInt(), row >= 0 ? row : 0);
}

void WorkPane::OnListNotification(int code, qintptr param) {
  switch (code) {
    case kNotifyDoubleClick:
      if (param >= 0) PostCommand(window(), kCmdEditContact, param);
      else PostCommand(window(), kCmdNewContact, 0);
      break;
    case kNotifyRightClick: ShowContextMenu(int(param)); break;
    case kNotifyRefresh:
      // Another user changed the file: keep the selected contact selected
      // across the reload, and search the new rows.
      if (param == 1 || param == 3) {
        keptRecordId_ = SelectedRecordId();
      } else {
        BuildKeys();
        if (keptRecordId_ != 0) list_->SelectRecordId(keptRecordId_);
        keptRecordId_ = 0;
      }
      break;
    default: break;
  }
}

void WorkPane::OnTabs(int param) {
  if (param >= kViewHome && param <= kViewCustom) {
    tab_ = param;
    if (tabs_) tabs_->SetSelected(tab_);
    ApplyLook();
  } else if (param == kCustomViewLink) {
    if (DefineCustomView(this, columns_)) ApplyLook();
  }
  FocusList();
}

void WorkPane::SelectPosition(RecordPosition position) {
  if (!list_) return;
  const auto& positions = query_.positions();
  const auto found = std::find(positions.begin(), positions.end(), position);
  if (found != positions.end() && found - positions.begin() < list_->rowCount()) {
    list_->SelectRow(int(found - positions.begin()));
  }
}

void WorkPane::RecordHost::BinChanged() {
  if (pane_.bin_) pane_.bin_->update();
}

void WorkPane::RunFindDialog() {
  if (!store_) return;
  FindDialog dialog(*store_, categoryFilter_, [this](RecordPosition position) { commands_.EditContactAt(position); }, this);
  if (dialog.RunModal() == 1 && dialog.chosen() && list_) {
    const auto& positions = query_.positions();
    const auto found = std::find(positions.begin(), positions.end(), *dialog.chosen());
    // A match outside the list's category has no row to select.
    if (found != positions.end()) list_->SelectRow(int(found - positions.begin()));
    else QApplication::beep();
  }
  FocusList();
}

bool WorkPane::ClickValue(const QPoint& pos) {
  if (!list_ || !store_ || blinking()) return false;
  TesselWndList* rows = list_->list();
  const int row = rows->RowAt(pos);
  if (row < 0) return false;
  Bytes record;
  if (!store_->ReadRecordIfLive(record, list_->PositionOf(row)).ok()) return false;
  const Contact contact(std::move(record));
  const ContactRowGeometry g = LayOutContactRow(contact, rows->RowRect(row), delegate_.look());
  for (size_t i = 0; i < g.details.size(); ++i) {
    if (!g.details[i].hitArea.contains(pos)) continue;
    blinkRow_ = row;
    blinkLine_ = int(i);
    blinkValue_ = g.details[i].line;
    blinkParty_ = contact.Text(contact::kFirstName) + " " + contact.Text(contact::kLastName);
    blinkStep_ = 0;
    BlinkStep();
    blinkTimer_.start();
    return true;
  }
  return false;
}

void WorkPane::BlinkStep() {
  if (blinkStep_ < 0) return;
  if (blinkStep_ >= kBlinkSteps) {
    blinkTimer_.stop();
    blinkStep_ = -1;
    delegate_.SetBlink(std::nullopt);
    if (list_) list_->list()->update();
    OpenValue(blinkValue_, blinkParty_);
    return;
  }
  delegate_.SetBlink(ContactRowDelegate::Blink{blinkRow_, blinkLine_, blinkStep_ % 2 == 0});
  if (list_) list_->list()->update();
  ++blinkStep_;
}

void WorkPane::OpenValue(const ContactDetailLine& line, const std::string& party) {
  if (line.value.empty()) return;
  switch (line.kind) {
    case DisplayKind::Phone: {
      const long dialled = DialNumber(line.value, {}, party, {});
      if (dialled == kDialNoTelephony || dialled == kDialUnavailable) {
        InformationBox(this, "No program of this desktop dials telephone numbers.");
      } else if (dialled != 0 && dialled != kDialInvalidNumber) {
        InformationBox(this, "The number " + line.value + " could not be handed to the dialler.");
      }
      break;
    }
    case DisplayKind::Email:
      if (!ComposeEmail(line.value)) InformationBox(this, "No e-mail program could be opened for " + line.value + ".");
      break;
    case DisplayKind::Web:
      if (!OpenDocument(line.value)) InformationBox(this, "The address " + line.value + " could not be opened.");
      break;
  }
}

bool WorkPane::eventFilter(QObject* watched, QEvent* event) {
  if (list_ && watched == list_->list() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // The row is selected as usual; a click on a value also opens it.
    if (mouse->button() == Qt::LeftButton) (void)ClickValue(mouse->position().toPoint());
  }
  return TesselPane::eventFilter(watched, event);
}

qintptr WorkPane::OnCommand(const Command& command) {
  if (OnCategoryCommand(command)) return 1;
  const int low = CommandLow(command.id);
  const int high = CommandHigh(command.id);
  if (low == kListId && high != 0) {
    OnListNotification(high, command.param);
    return 1;
  }
  if (command.id >= kSortBase && command.id <= kSortBase + kLastSortKey - 1) {
    OnSortCommand(command.id - kSortBase + 1);
    FocusList();
    return 1;
  }
  switch (command.id) {
    case kTabsId: OnTabs(int(command.param)); return 1;
    case kIndexBarId:
      if (command.param >= 'a' && command.param <= 'z') SelectAndShow(IndexBarRow(keys_, char(command.param)));
      FocusList();
      return 1;
    case kSearchId: {
      if (!search_ || search_->text().isEmpty()) return 1;
      SelectAndShow(SearchBoxRow(keys_, search_->text().toStdString()));
      return 1;
    }
    case kCmdMailMerge:
    case kCmdPicture:
    case kCmdHistory:
      PostCommand(window(), command.id, command.param);
      return 1;
    case kCmdFind: RunFindDialog(); return 1;
    case kBinId: return commands_.OnBinCommand(command.param);
    default: break;
  }
  if (ContactRecordCommands::Handles(command.id)) {
    commands_.Run(command.id);
    return 1;
  }
  return 0;
}

}  // namespace velmora
