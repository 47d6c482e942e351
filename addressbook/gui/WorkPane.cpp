#include "addressbook/gui/WorkPane.h"

#include <QGuiApplication>
#include <QPalette>

#include "addressbook/model/ContactRecord.h"
#include "shell/CategoriesDialog.h"
#include "shell/MessageBoxes.h"
#include "store/Refresh.h"
#include "store/Settings.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {

namespace {
constexpr int kMargin = 5;
constexpr int kRowHeight = 18;
constexpr int kChooserWidth = 180;
constexpr int kChooserHeight = 20;

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
}  // namespace

WorkPane::WorkPane(QWidget* parent) : TesselPane(QStringLiteral("Work"), parent) {
  const std::string settings = ProgramSettingsPath();
  (void)ReadSettingInt(settings, "Preference", "Sort", sort_);
  (void)ReadSettingInt(settings, "Preference", "Tab", tab_);
}

WorkPane::~WorkPane() = default;

bool WorkPane::OnCreated() {
  categories_ = new TFlyMenu(this);
  categories_->SetControlId(kCategoryChooserId);
  if (!categories_->Create(this)) return false;
  // The chooser erases with its palette's button face; the pane's paper
  // keeps the corners around its rounded box the pane's own colour.
  QPalette chooserPalette = categories_->palette();
  chooserPalette.setColor(QPalette::Button, look::Colour(look::kPaper));
  categories_->setPalette(chooserPalette);
  list_ = new TesselWndListView(this);
  list_->SetControlId(kListId);
  if (!list_->Create(this)) return false;
  list_->SetRowDelegate(&delegate_);
  list_->SetRowHeight(kRowHeight);
  setFocusProxy(list_);
  return TesselPane::OnCreated();
}

void WorkPane::resizeEvent(QResizeEvent*) {
  // The category chooser in the top row, the list below it.
  if (categories_) categories_->setGeometry(kMargin, kMargin, kChooserWidth, kChooserHeight);
  const int listTop = kMargin + kChooserHeight + 4;
  if (list_) list_->setGeometry(rect().adjusted(kMargin, listTop, -kMargin, -kMargin));
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
    return true;
  }
  chosenCategory_ = command.id;
  categoryFilter_ = offset == kAllCategoriesOffset ? std::string() : command.text.toStdString();
  Reload();
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
    return;
  }
  Reload();
}

void WorkPane::Reload() {
  if (!store_ || !list_) return;
  WaitCursor wait;
  // The counter is read before the scan, so a change made during it is
  // still seen by the next refresh tick.
  const uint64_t counter = store_->GetChangeCounter();
  // A sort order outside 1..10 leaves the file order. Telling the query its
  // key before the scan lets it sort without reading the file again.
  const auto key = FindContactSortKey(sort_);
  query_.Reset();
  if (key) query_.SetSortKey(key->offset, key->length, CompareText);
  if (categoryFilter_.empty()) query_.AddMatchAll();
  else (void)AddCategoryEqualsConditions(query_, categoryFilter_);
  Result scanned = query_.Run(*store_);
  if (scanned.ok() && key) scanned = query_.Sort(*store_, key->offset, key->length, CompareText);
  query_.SetChangeCounterSeen(counter);
  list_->SetSource(store_, &query_);
  // The list shows what could be read; the user learns that it is not all.
  if (!scanned.ok()) InformationBox(this, scanned.Message());
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

qintptr WorkPane::OnCommand(const Command& command) {
  if (OnCategoryCommand(command)) return 1;
  if (command.id == MakeCommandId(kListId, kNotifyRefresh)) {
    // Another user changed the file: keep the selected contact selected
    // across the reload.
    if (command.param == 1 || command.param == 3) {
      keptRecordId_ = SelectedRecordId();
    } else if (keptRecordId_ != 0) {
      list_->SelectRecordId(keptRecordId_);
      keptRecordId_ = 0;
    }
    return 1;
  }
  // The record commands (new, edit, delete, find, cut, copy, paste, undo,
  // send, attachment) and the list's clicks belong to the contact editor
  // and the list's own controls; until they are part of the program the
  // pane takes them without doing anything.
  return 0;
}

}  // namespace velmora
