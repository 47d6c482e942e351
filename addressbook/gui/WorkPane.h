// The working pane "Work" (index 1): the list of the open file's contacts,
// one row per record, sorted by the "Sort" order, kept up to date with other
// users' changes by the periodic refresh. Record commands that the main
// window forwards arrive here.
#pragma once

#include <optional>

#include "addressbook/gui/ContactNameDelegate.h"
#include "store/RecordQuery.h"
#include "toolkit/TesselPane.h"

namespace velmora {

class TesselWndListView;

class WorkPane : public TesselPane {
  Q_OBJECT

 public:
  static constexpr int kListId = 100;

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

  int sortOrder() const { return sort_; }
  int viewTab() const { return tab_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  bool OnCreated() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  uint64_t SelectedRecordId() const;

  RecordStore* store_ = nullptr;
  RecordQuery query_;
  int sort_ = 1;
  int tab_ = 1;
  TesselWndListView* list_ = nullptr;
  ContactNameDelegate delegate_;
  uint64_t keptRecordId_ = 0;  // the selection across a refresh
};

}  // namespace velmora
