#include "calendar/gui/CalendarPane.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QShortcut>
#include <algorithm>

#include "calendar/gui/CalendarViews.h"
#include "calendar/gui/EventEditorDialog.h"
#include "calendar/gui/EventHolders.h"
#include "calendar/gui/FindEventsDialog.h"
#include "calendar/model/EventEditorRules.h"
#include "resources/Strings.h"
#include "shell/CategoriesDialog.h"
#include "shell/MessageBoxes.h"
#include "shell/SuiteCommands.h"
#include "store/Categories.h"
#include "store/RecordHeader.h"
#include "store/RecordStore.h"
#include "store/Refresh.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TTabsWnd.h"
#include "toolkit/TesseMiniCalendar.h"
#include "toolkit/TesselClassWndBin.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {

namespace {

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

bool IsValidDate(const DateValue& date) { return DayNumber(date) != kInvalidDayNumber; }

}  // namespace

CalendarPaneLayout CalendarPaneLayout::For(const QSize& pane, const QSize& mini) {
  const int w = pane.width();
  const int h = pane.height();
  // Never more than half the pane, so a narrow window keeps a usable day
  // list.
  const int miniWidth = std::clamp(mini.width(), 108, std::max(108, w / 2));
  const int extra = miniWidth - 108;
  CalendarPaneLayout l;
  l.categories = QRect(0, 0, w, 26);
  l.dayList = QRect(6, 35, std::max(0, w - 120 - extra), std::max(0, h - 60));
  l.miniCalendar = QRect(w - 110 - extra, 35, 108 + extra, std::max(130, mini.height()));
  l.bin = QRect(w - 103, h - 92, 100, 72);
  // The tab bar ends where the views end, 10 pixels inside the pane's right
  // edge (a width of w - 10 from x = 10 would run past the pane).
  l.tabs = QRect(10, h - 20, std::max(0, w - 20), 20);
  l.views = QRect(10, 10, std::max(0, w - 20), std::max(0, h - 34));
  return l;
}

CalendarPane::CalendarPane(QWidget* parent, EventEditorFunction editor)
    : TesselPane(QStringLiteral("Work"), parent), editor_(std::move(editor)) {
  if (!editor_) editor_ = RunEventEditor;
  date_ = Today();
  chosenCategory_ = kCategoryBase + kAllCategoriesOffset;
}

CalendarPane::~CalendarPane() = default;

bool CalendarPane::OnCreated() {
  categories_ = new TFlyMenu(this);
  categories_->SetControlId(kCategoryBase);
  if (!categories_->Create(this)) return false;
  PaperCorners(categories_);

  list_ = new TesselWndListView(this);
  list_->SetControlId(kListId);
  if (!list_->Create(this)) return false;
  list_->SetRowDelegate(&delegate_);
  list_->SetRowHeight(kEventRowHeight);
  // An event dragged onto a day of the mini calendar moves there (copied
  // with Ctrl held); dragged onto the bin it is deleted.
  list_->SetDragEnabled(true);

  mini_ = new TesseMiniCalendar(kMiniCalendarId, QColor(Qt::white), look::Colour(look::kAccentPale),
                                QColor(Qt::red), this);
  if (!mini_->Create(this)) return false;
  (void)mini_->SetDate(date_);

  QPointer<QWidget> owner(this);
  BinHooks hooks;
  hooks.holds = [] { return EventRecycleBin().Holds(); };
  hooks.empty = [] { EventRecycleBin().Empty(); };
  hooks.tell = [owner](const QString& text) {
    InformationBox(owner ? owner->window() : nullptr, text.toStdString());
  };
  bin_ = new TesselClassWndBin(std::move(hooks), this, kBinId);
  if (!bin_->Create(this)) return false;
  bin_->SetBackground(look::Colour(look::kPaper));

  tabs_ = new TTabsWnd({QStringLiteral("Day"), QStringLiteral("Week"), QStringLiteral("Month")}, kTabsId, this);
  if (!tabs_->Create(this)) return false;

  week_ = new WeekView(this);
  month_ = new MonthView(this);
  week_->hide();
  month_->hide();
  for (CalendarGridView* view : {static_cast<CalendarGridView*>(week_), static_cast<CalendarGridView*>(month_)}) {
    // A clicked day, and a day the view moved to by its buttons or keys,
    // become the selected date, so the other tabs show the same day.
    const auto select = [this](int dayNumber) {
      DateValue date;
      if (DateFromDayNumber(dayNumber, date) && !(date == date_)) SelectDate(date);
    };
    connect(view, &CalendarGridView::dateClicked, this, select);
    connect(view, &CalendarGridView::dateChanged, this, select);
  }

  // The views take the keyboard in their tabs, so the pane's keys work
  // there too.
  week_->setFocusPolicy(Qt::StrongFocus);
  month_->setFocusPolicy(Qt::StrongFocus);
  AddKeys();

  RebuildCategories();
  setFocusProxy(list_);
  if (!TesselPane::OnCreated()) return false;
  SwitchTab(kDayTab);
  return true;
}

void CalendarPane::AddKeys() {
  const auto key = [this](QKeySequence keys, std::function<void()> action) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, std::move(action));
  };
  const auto stepDays = [this](int days) {
    DateValue date;
    if (DateFromDayNumber(DayNumber(date_) + days, date)) SelectDate(date);
  };
  key(QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { SwitchTab((tab_ + 1) % 3); });
  key(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { SwitchTab((tab_ + 2) % 3); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Right), [stepDays] { stepDays(1); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Left), [stepDays] { stepDays(-1); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Down), [stepDays] { stepDays(7); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Up), [stepDays] { stepDays(-7); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { SelectDate(Today()); });
  key(QKeySequence(Qt::ALT | Qt::Key_Down), [this] {
    if (tab_ == kDayTab && categories_) categories_->OpenList();
  });
}

void CalendarPane::resizeEvent(QResizeEvent*) {
  const CalendarPaneLayout l = CalendarPaneLayout::For(size(), mini_ ? mini_->sizeHint() : QSize(108, 130));
  if (categories_) categories_->setGeometry(l.categories);
  if (list_) list_->setGeometry(l.dayList);
  if (mini_) mini_->setGeometry(l.miniCalendar);
  if (bin_) bin_->setGeometry(l.bin);
  if (tabs_) tabs_->setGeometry(l.tabs);
  if (week_) week_->setGeometry(l.views);
  if (month_) month_->setGeometry(l.views);
}

// --- File, date, filter ------------------------------------------------------

void CalendarPane::SetRecordFile(RecordStore* store) {
  store_ = store;
  keptRecordId_ = 0;
  if (week_) week_->SetRecordFile(store_);
  if (month_) month_->SetRecordFile(store_);
  if (!store_) {
    if (list_) list_->SetSource(nullptr, nullptr);
    query_.Reset();
    RebuildCategories();
    return;
  }
  // The first file of the run opens on today; later ones keep the date.
  if (!hadFile_) date_ = Today();
  hadFile_ = true;
  RebuildCategories();
  SwitchTab(kDayTab);
  if (mini_) (void)mini_->SetDate(date_);
  Reload();
}

void CalendarPane::RebuildCategories() {
  filter_.category.clear();
  chosenCategory_ = kCategoryBase + kAllCategoriesOffset;
  if (week_) week_->SetFilter(filter_);
  if (month_) month_->SetFilter(filter_);
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

bool CalendarPane::OnCategoryCommand(const Command& command) {
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
  chosenCategory_ = command.id;
  SetCategoryFilter(offset == kAllCategoriesOffset ? std::string() : command.text.toStdString());
  FocusList();
  return true;
}

void CalendarPane::SetCategoryFilter(const std::string& category) {
  if (categories_) {
    // Keeps the chooser on the entry of that name.
    for (const FlyEntry& entry : categories_->entries()) {
      const bool all = entry.command == kCategoryBase + kAllCategoriesOffset;
      if ((category.empty() && all) || (!category.empty() && !all && entry.text.toStdString() == category)) {
        chosenCategory_ = entry.command;
        (void)categories_->SetChosen(entry.command);
        break;
      }
    }
  }
  if (category == filter_.category) return;
  filter_.category = category;
  if (week_) week_->SetFilter(filter_);
  if (month_) month_->SetFilter(filter_);
  Reload();
}

void CalendarPane::SelectDate(const DateValue& date) {
  if (!IsValidDate(date)) return;
  date_ = date;
  if (mini_ && !(mini_->date() == date_)) (void)mini_->SetDate(date_);
  if (week_) week_->SetDate(date_);
  if (month_) month_->SetDate(date_);
  Reload();
}

void CalendarPane::Reload() {
  if (!list_) return;
  if (!store_) {
    list_->SetSource(nullptr, nullptr);
    return;
  }
  Result loaded = Result::Ok();
  {
    WaitCursor wait;
    // The counter is read before the scan, so a change made during it is
    // still seen by the next refresh tick.
    const uint64_t counter = store_->GetChangeCounter();
    loaded = QueryDayEvents(*store_, date_, filter_, query_);
    query_.SetChangeCounterSeen(counter);
    list_->SetSource(store_, &query_);
  }
  ReloadViews();
  // The list shows what could be read; the user learns that it is not all.
  if (!loaded.ok()) InformationBox(this, loaded.Message());
}

void CalendarPane::ReloadViews() {
  if (tab_ == kWeekTab && week_) week_->Reload();
  if (tab_ == kMonthTab && month_) month_->Reload();
}

void CalendarPane::SwitchTab(int tab) {
  if (tab < kDayTab || tab > kMonthTab) return;
  tab_ = tab;
  if (tabs_) tabs_->SetSelected(tab + 1);
  const bool day = tab == kDayTab;
  for (QWidget* part : {static_cast<QWidget*>(categories_), static_cast<QWidget*>(list_),
                        static_cast<QWidget*>(mini_), static_cast<QWidget*>(bin_)}) {
    if (part) part->setVisible(day);
  }
  if (week_) week_->setVisible(tab == kWeekTab);
  if (month_) month_->setVisible(tab == kMonthTab);
  CalendarGridView* shown = tab == kWeekTab ? static_cast<CalendarGridView*>(week_)
                            : tab == kMonthTab ? static_cast<CalendarGridView*>(month_)
                                               : nullptr;
  if (shown) {
    shown->SetRecordFile(store_);
    shown->SetFilter(filter_);
    shown->SetDate(date_);
    shown->raise();
    shown->setFocus(Qt::OtherFocusReason);
  } else {
    FocusList();
  }
}

void CalendarPane::Entered() {
  if (tab_ == kDayTab) FocusList();
}

void CalendarPane::FocusList() {
  if (list_ && tab_ == kDayTab) list_->setFocus(Qt::OtherFocusReason);
}

// --- Selection ----------------------------------------------------------------

std::optional<RecordPosition> CalendarPane::SelectedPosition() const {
  if (!list_) return std::nullopt;
  const int row = list_->SelectedRow();
  if (row < 0 || row >= list_->rowCount()) return std::nullopt;
  return list_->PositionOf(row);
}

uint64_t CalendarPane::SelectedRecordId() const {
  const std::optional<RecordPosition> position = SelectedPosition();
  if (!position || !store_) return 0;
  Bytes record;
  if (!store_->ReadRecordIfLive(record, *position).ok()) return 0;
  return rec::Id(record.data());
}

bool CalendarPane::SelectRecordId(uint64_t id) { return list_ && id != 0 && list_->SelectRecordId(id); }

// --- New and Edit ----------------------------------------------------------------

void CalendarPane::ShowMessage(int number) { InformationBox(window(), number); }

void CalendarPane::NewEvent() {
  if (!store_) return;
  if (store_->GetAccessLevel() == kAccessReader) {
    ShowMessage(kMsgNoPermission);
    return;
  }
  EventRecord record = NewEventRecord(*store_);
  ApplyNewEventDefaults(record, date_, Now(5));
  if (!editor_(window(), *store_, record, nullptr)) {
    FocusList();
    return;
  }
  RecordPosition where = 0;
  if (Result added = store_->AddRecord(record.bytes(), &where); !added.ok()) {
    InformationBox(window(), added.Message());
    FocusList();
    return;
  }
  if (Result flushed = store_->Flush(); !flushed.ok()) InformationBox(window(), flushed.Message());
  (void)SoundPlayer::Instance().Play("add.wav");
  Reload();  // repaints the week or month view when it is shown
  (void)SelectRecordId(record.id());
  FocusList();
}

void CalendarPane::EditEvent() {
  if (!store_ || tab_ != kDayTab) return;
  const std::optional<RecordPosition> position = SelectedPosition();
  if (!position) return;
  (void)EditEventAt(*position);
}

bool CalendarPane::EditEventAt(RecordPosition position) {
  if (!store_) return false;
  const int access = store_->GetAccessLevel();
  if (access == kAccessReader || access == kAccessNone) {
    ShowMessage(kMsgNoPermission);
    return false;
  }
  uint64_t id = 0;
  bool written = false;
  {
    EditLock lock(*store_, position);
    if (!lock.held()) {
      ShowMessage(kMsgBeingEdited);
      return false;
    }
    Bytes bytes;
    if (Result read = store_->ReadRecordIfLive(bytes, position); !read.ok()) {
      InformationBox(window(), read.Message());
      return false;
    }
    EventRecord record(bytes);
    id = record.id();
    // A confidential event opens only for the Owner; for the others it
    // stays as it is.
    if (record.confidential() && access != kAccessOwner) {
      (void)lock.Release();
      if (list_) list_->list()->update();
      return false;
    }
    if (rec::ExchangeState(record.data()) == kExchangeStateFrozen) {
      Beep();
      return false;
    }
    const EventRecord opened = record;
    if (editor_(window(), *store_, record, &opened)) {
      // A shared event's participants are told of the change when the user
      // wants (the record exchange answers SharedEventHook).
      if (SharedEventHook(*store_, record)) (void)QuestionBox(window(), kMsgNotifyExchange);
      if (Result updated = store_->UpdateRecord(record.bytes(), position); !updated.ok()) {
        InformationBox(window(), updated.code() == kReaderRefused ? LoadText(kMsgNoPermission) : updated.Message());
      } else {
        written = true;
        (void)SoundPlayer::Instance().Play("add.wav");
      }
    }
    if (Result released = lock.Release(); !released.ok()) InformationBox(window(), released.Message());
  }
  if (written) {
    if (Result flushed = store_->Flush(); !flushed.ok()) InformationBox(window(), flushed.Message());
  }
  Reload();
  (void)SelectRecordId(id);
  FocusList();
  return written;
}

// --- Find ---------------------------------------------------------------------------

void CalendarPane::FindEvents() {
  if (!store_) return;
  FindEventsDialog find(*store_, filter_.category, [this](RecordPosition position) { return EditEventAt(position); },
                        window());
  if (find.RunModal() != 1 || !find.chosen()) {
    FocusList();
    return;
  }
  Bytes bytes;
  if (!store_->ReadRecordIfLive(bytes, *find.chosen()).ok()) {
    Reload();
    return;
  }
  const EventRecord chosen(bytes);
  SelectDate(chosen.eventDate());
  (void)SelectRecordId(chosen.id());
  FocusList();
}

// --- Notifications -------------------------------------------------------------

void CalendarPane::OnListNotification(int code, qintptr param) {
  switch (code) {
    case kNotifyDoubleClick:
      // A double click on an event edits it; on empty list space it starts
      // a new one.
      if (param >= 0) PostCommand(window(), kCmdEditContact, param);
      else PostCommand(window(), kCmdNewContact, 0);
      break;
    case kNotifyRightClick:
      ShowEventMenu(int(param));
      break;
    case kNotifyRefresh:
      // Another user changed the file: keep the selected event selected
      // across the reload, and show the change in the view too.
      if (param == 1 || param == 3) {
        keptRecordId_ = SelectedRecordId();
      } else {
        if (keptRecordId_ != 0) (void)SelectRecordId(keptRecordId_);
        keptRecordId_ = 0;
        ReloadViews();
      }
      break;
    default: break;
  }
}

void CalendarPane::ShowEventMenu(int row) {
  const bool onRow = list_ && row >= 0 && row < list_->rowCount();
  if (onRow) list_->SelectRow(row);
  bool attachment = false;
  if (onRow && store_) {
    Bytes bytes;
    if (store_->ReadRecordIfLive(bytes, list_->PositionOf(row)).ok()) {
      const EventRecord record(bytes);
      attachment = record.attachmentKind() != event::kAttachNone && !record.attachment().empty();
    }
  }
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("eventMenu"));
  struct Item {
    const char* text;
    int command;
    bool enabled;
  };
  const Item items[] = {
      {"New...\tInsert", kCmdNewContact, true},
      {nullptr, 0, false},
      {"Edit...\tEnter", kCmdEditContact, onRow},
      {"Delete...\tDelete", kCmdDeleteContact, onRow},
      {nullptr, 0, false},
      {"Undo delete\tCtrl+Z", kCmdUndoDelete, EventRecycleBin().Holds()},
      {nullptr, 0, false},
      {"Cut\tCtrl+X", kCmdCut, onRow},
      {"Copy\tCtrl+C", kCmdCopy, onRow},
      {"Paste\tCtrl+V", kCmdPaste, EventClipboard().Holds()},
      {nullptr, 0, false},
      {"Open attachment...\tCtrl+A", kCmdOpenAttachment, attachment},
  };
  for (const Item& item : items) {
    if (!item.text) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromLatin1(item.text));
    action->setData(item.command);
    action->setEnabled(item.enabled);
  }
  QAction* chosen = menuChooser_ ? menuChooser_(menu) : menu.exec(QCursor::pos());
  if (chosen && chosen->isEnabled()) PostCommand(window(), chosen->data().toInt(), 0);
}

void CalendarPane::OnMiniCalendar(const Command& command) {
  // An event dropped on a day moves there, or is copied with Ctrl held; a
  // pick selects the day.
  const int high = CommandHigh(command.id);
  if (high == kCmdDropMove || high == kCmdDropCopy) {
    commands_.DropOnDate(DateFromParam(command.param), high == kCmdDropCopy);
    return;
  }
  if (high != 0) return;
  SelectDate(DateFromParam(command.param));
  FocusList();
}

qintptr CalendarPane::OnCommand(const Command& command) {
  if (OnCategoryCommand(command)) return 1;
  const int low = CommandLow(command.id);
  const int high = CommandHigh(command.id);
  if (low == kListId && high != 0) {
    OnListNotification(high, command.param);
    return 1;
  }
  if (low == kMiniCalendarId && (high == 0 || high == kCmdDropMove || high == kCmdDropCopy)) {
    OnMiniCalendar(command);
    return 1;
  }
  switch (command.id) {
    case kTabsId: SwitchTab(int(command.param) - 1); return 1;
    case kBinId: return commands_.OnBinCommand(command.param);
    case kCmdNewContact: NewEvent(); return 1;
    case kCmdEditContact: EditEvent(); return 1;
    case kCmdDeleteContact: commands_.DeleteEvent(); return 1;
    case kCmdFind: FindEvents(); return 1;
    case kCmdUndoDelete: commands_.UndoDelete(); return 1;
    case kCmdCut: commands_.CutEvent(); return 1;
    case kCmdCopy: commands_.CopyEvent(); return 1;
    case kCmdPaste: commands_.PasteEvent(); return 1;
    case kCmdOpenAttachment: commands_.OpenAttachment(); return 1;
    case kCmdSendContact: commands_.InternetEvents(); return 1;
    default: return 0;
  }
}

}  // namespace velmora
