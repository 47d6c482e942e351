// TesselWndListView: a list with its scroll bar, bound to a record file and a
// query. The owner gives it a delegate that draws a row from the row's record
// position (RecordQueryModel's roles). It passes the list's notification
// codes 21 to 25 on to its own notify target as the command
// MakeCommandId(controlId, code) with the row as parameter, and takes part in
// the periodic refresh: before reloading after another user's change it
// sends code 24 with 1 (3 for a forced refresh), after it posts 24 with 0 (2).
#pragma once

#include "store/Refresh.h"
#include "toolkit/RecordQueryModel.h"
#include "toolkit/TesselWnd.h"

class QAbstractItemDelegate;

namespace velmora {

class TesselClassWndScrollBar;
class TesselWndList;

class TesselWndListView : public TesselWnd, public RefreshView {
  Q_OBJECT

 public:
  explicit TesselWndListView(QWidget* parent = nullptr);
  ~TesselWndListView() override;

  // Binds the store and query (not owned), registers for the refresh, starts
  // the refresh timer and shows the query's rows from the top.
  void SetSource(RecordStore* store, RecordQuery* query);
  void SetRowDelegate(QAbstractItemDelegate* delegate);
  void SetRowHeight(int pixels);
  void SetDragEnabled(bool enabled);

  int SelectedRow() const;
  void SelectRow(int row);  // scrolls it into view
  // Selects the row whose record carries id; false (selection unchanged)
  // when no row does.
  bool SelectRecordId(uint64_t id);
  void SetRowCount(int count);
  void ScrollToTop();
  // Runs the query again now and reloads, announcing it like the periodic
  // refresh (3 and 2 with flag, 1 and 0 without).
  void Refresh(bool flag = false);
  RecordPosition PositionOf(int row) const { return model_.PositionAt(row); }
  int rowCount() const;

  TesselWndList* list() const { return list_; }
  RecordQueryModel* model() { return &model_; }

  // RefreshView
  RecordStore* refreshStore() override { return model_.store(); }
  RecordQuery* refreshQuery() override { return model_.query(); }
  void NotifyRefresh(int param) override;
  void ReloadRows() override;
  bool refreshFlag() const override { return refreshFlag_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SyncScrollBar();

  RecordQueryModel model_;
  TesselWndList* list_;
  TesselClassWndScrollBar* scrollBar_;
  bool refreshFlag_ = false;
};

}  // namespace velmora
