// The working pane "Work" (index 1): the contact list of the open file with
// its category and sort choosers, the search box, the picture and history
// buttons, the character index bar and the view tabs. The list is sorted by
// the "Sort" order, narrowed to the chosen category, and kept up to date
// with other users' changes by the periodic refresh. Record commands that
// the main window forwards arrive here.
#pragma once

#include <QTimer>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/gui/ContactRecordCommands.h"
#include "addressbook/gui/ContactRowDelegate.h"
#include "addressbook/model/ContactSearch.h"
#include "store/Categories.h"
#include "store/RecordQuery.h"
#include "toolkit/TesselPane.h"

namespace velmora {

class TesselWndListView;
class TFlyMenu;
class TTabsWnd;
class TesselClassIndexBarWnd;
class TesselClassIndexSearchWnd;
class TesselClassWndGButton;
class TesselClassWndBin;

// One item of the list's context menu; a separator has command 0.
struct ContextMenuEntry {
  std::string text;
  int command = 0;
  bool enabled = true;
  bool separator() const { return command == 0; }
};
// What the context menu depends on besides the row.
struct ContextMenuState {
  bool binHoldsContact = false;
  bool clipboardHoldsContact = false;
  bool pictureShown = false;
  bool historyShown = false;
  bool rowHasAttachment = false;
};
// The context menu for a row (onRow) or for no row.
std::vector<ContextMenuEntry> ContactContextMenu(bool onRow, const ContextMenuState& state);

// The sort chooser's entries: text and command (600..609); separators have
// command 0.
struct SortEntry {
  const char* text;
  int command;
};
std::vector<SortEntry> SortChooserEntries();

class WorkPane : public TesselPane {
  Q_OBJECT

 public:
  static constexpr int kListId = 100;
  static constexpr int kTabsId = 103;
  static constexpr int kBinId = 107;
  static constexpr int kIndexBarId = 108;
  static constexpr int kSearchId = 110;
  // Commands of the category chooser: names base + 0..28, "All Categories"
  // base + 29, "Edit Categories" base + 30.
  static constexpr int kCategoryBase = 500;
  // Commands of the sort chooser: sort order k is base + k - 1.
  static constexpr int kSortBase = 600;
  static constexpr int kCustomViewLink = 4;  // the tabs' link parameter

  // Reads "Sort", "Tab" (1 when absent) and the custom view's columns.
  explicit WorkPane(QWidget* parent = nullptr);
  ~WorkPane() override;

  // Binds the pane to the open file (none: no file) and loads the list.
  void SetRecordFile(RecordStore* store) override;
  // Loads the list again with the current filter and sort order.
  void Reload();
  void Entered() override;
  void FocusList();

  RecordStore* store() const { return store_; }
  TesselWndListView* listView() const { return list_; }
  std::optional<RecordPosition> SelectedPosition() const;
  // Selects the row of the record at position, when the list has one.
  void SelectPosition(RecordPosition position);
  const RecordQuery& query() const { return query_; }
  const ContactListKeys& keys() const { return keys_; }

  TFlyMenu* categoryChooser() const { return categories_; }
  TFlyMenu* sortChooser() const { return sorts_; }
  TesselClassIndexSearchWnd* searchBox() const { return search_; }
  TesselClassIndexBarWnd* indexBar() const { return indexBar_; }
  TTabsWnd* viewTabs() const { return tabs_; }
  TesselClassWndGButton* pictureButton() const { return pictureButton_; }
  TesselClassWndGButton* historyButton() const { return historyButton_; }
  ContactRowDelegate& rowDelegate() { return delegate_; }
  // The category the list is narrowed to; empty for "All Categories".
  const std::string& categoryFilter() const { return categoryFilter_; }

  int sortOrder() const { return sort_; }
  int viewTab() const { return tab_; }
  const std::array<ListColumn, 3>& columns() const { return columns_; }

  // The context menu for row (-1: no row), as it would be shown.
  std::vector<ContextMenuEntry> ContextMenuFor(int row) const;
  // Tests a left click at pos in the list's own coordinates against the
  // values of the row there; a hit blinks the value and then dials, writes
  // or opens it. True on a hit.
  bool ClickValue(const QPoint& pos);
  bool blinking() const { return blinkStep_ >= 0; }

  qintptr OnCommand(const Command& command) override;

  ContactRecordCommands& recordCommands() { return commands_; }
  TesselClassWndBin* recycleBin() const { return bin_; }

 protected:
  bool OnCreated() override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  uint64_t SelectedRecordId() const;
  // Fills the chooser from the file's category block, "All Categories"
  // chosen and no filter.
  void RebuildCategories();
  bool OnCategoryCommand(const Command& command);
  void OnSortCommand(int order);
  void OnListNotification(int code, qintptr param);
  void OnTabs(int param);
  void RunFindDialog();
  void SelectAndShow(std::optional<size_t> row);
  void BuildKeys();
  void ApplyLook();
  void ShowContextMenu(int row);
  void BlinkStep();
  void OpenValue(const ContactDetailLine& line, const std::string& party);

  RecordStore* store_ = nullptr;
  RecordQuery query_;
  ContactListKeys keys_;
  int sort_ = 1;
  int tab_ = 1;
  std::array<ListColumn, 3> columns_ = kDefaultListColumns;
  TesselWndListView* list_ = nullptr;
  TFlyMenu* categories_ = nullptr;
  TFlyMenu* sorts_ = nullptr;
  TesselClassIndexSearchWnd* search_ = nullptr;
  TesselClassWndGButton* pictureButton_ = nullptr;
  TesselClassWndGButton* historyButton_ = nullptr;
  TesselClassIndexBarWnd* indexBar_ = nullptr;
  TTabsWnd* tabs_ = nullptr;
  std::string categoryFilter_;
  int chosenCategory_ = kCategoryBase + kAllCategoriesOffset;
  ContactRowDelegate delegate_;
  uint64_t keptRecordId_ = 0;  // the selection across a refresh
  TesselClassWndBin* bin_ = nullptr;

  // What the record commands see of the pane.
  class RecordHost : public ContactRecordHost {
   public:
    explicit RecordHost(WorkPane& pane) : pane_(pane) {}
    RecordStore* store() override { return pane_.store_; }
    std::optional<RecordPosition> selectedPosition() override { return pane_.SelectedPosition(); }
    QWidget* window() override { return pane_.window(); }
    void ReloadList() override { pane_.Reload(); }
    void SelectRecord(RecordPosition position) override { pane_.SelectPosition(position); }
    void FocusList() override { pane_.FocusList(); }
    void BinChanged() override;

   private:
    WorkPane& pane_;
  };
  RecordHost host_{*this};
  ContactRecordCommands commands_{host_};

  // The value that blinks before it is opened.
  QTimer blinkTimer_;
  int blinkStep_ = -1;
  int blinkRow_ = -1;
  int blinkLine_ = -1;
  ContactDetailLine blinkValue_;
  std::string blinkParty_;
};

}  // namespace velmora
