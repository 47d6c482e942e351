// The working pane "Work" (index 1): the list of the open file's contacts,
// one row per record, sorted by the "Sort" order, kept up to date with other
// users' changes by the periodic refresh. Record commands that the main
// window forwards arrive here.
#pragma once

#include <optional>
#include <string>

#include "addressbook/gui/ContactNameDelegate.h"
#include "store/Categories.h"
#include "store/RecordQuery.h"
#include "toolkit/TesselPane.h"

namespace velmora {

class TesselWndListView;
class TFlyMenu;

class WorkPane : public TesselPane {
  Q_OBJECT

 public:
  static constexpr int kListId = 100;
  static constexpr int kCategoryChooserId = 101;
  // Commands of the category chooser: names base + 0..28, "All Categories"
  // base + 29, "Edit Categories" base + 30.
  static constexpr int kCategoryBase = 5000;

  // Reads "Sort" and "Tab" (1 when absent).
  explicit WorkPane(QWidget* parent = nullptr);
  ~WorkPane() override;

  // Binds the pane to the open file (none: no file) and loads the list.
  void SetRecordFile(RecordStore* store) override;
  // Runs the query again with the current sort order.
  void Reload();
  void Entered() override;
  void FocusList();

  RecordStore* store() const { return store_; }
  TesselWndListView* listView() const { return list_; }
  std::optional<RecordPosition> SelectedPosition() const;

  TFlyMenu* categoryChooser() const { return categories_; }
  // The category the list is narrowed to; empty for "All Categories".
  const std::string& categoryFilter() const { return categoryFilter_; }

  int sortOrder() const { return sort_; }
  int viewTab() const { return tab_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  bool OnCreated() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  uint64_t SelectedRecordId() const;
  // Fills the chooser from the file's category block, "All Categories"
  // chosen and no filter.
  void RebuildCategories();
  bool OnCategoryCommand(const Command& command);

  RecordStore* store_ = nullptr;
  RecordQuery query_;
  int sort_ = 1;
  int tab_ = 1;
  TesselWndListView* list_ = nullptr;
  TFlyMenu* categories_ = nullptr;
  std::string categoryFilter_;
  int chosenCategory_ = kCategoryBase + kAllCategoriesOffset;
  ContactNameDelegate delegate_;
  uint64_t keptRecordId_ = 0;  // the selection across a refresh
};

}  // namespace velmora
