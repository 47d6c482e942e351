#include "toolkit/TesselWndListView.h"

#include "toolkit/RefreshTimer.h"
#include "toolkit/TesselClassWndScrollBar.h"
#include "toolkit/TesselWndList.h"

namespace velmora {

namespace {
constexpr int kScrollBarWidth = 16;
}

TesselWndListView::TesselWndListView(QWidget* parent)
    : TesselWnd(parent), list_(new TesselWndList(this)), scrollBar_(new TesselClassWndScrollBar(this)) {
  list_->SetModel(&model_);
  setFocusProxy(list_);
  connect(list_, &TesselWndList::topRowChanged, this, &TesselWndListView::SyncScrollBar);
  connect(list_, &TesselWndList::rowCountChanged, this, &TesselWndListView::SyncScrollBar);
  connect(scrollBar_, &TesselClassWndScrollBar::valueChanged, list_, &TesselWndList::SetTopRow);
}

TesselWndListView::~TesselWndListView() { UnregisterRefreshView(this); }

void TesselWndListView::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselWndListView");
}

void TesselWndListView::SetSource(RecordStore* store, RecordQuery* query) {
  model_.SetSource(store, query);
  list_->SelectRow(-1);
  list_->ScrollToTop();
  if (store && query) {
    RegisterRefreshView(this);
    StartRefreshTimer();
  } else {
    UnregisterRefreshView(this);
  }
}

void TesselWndListView::SetRowDelegate(QAbstractItemDelegate* delegate) { list_->SetDelegate(delegate); }
void TesselWndListView::SetRowHeight(int pixels) { list_->SetRowHeight(pixels); }
void TesselWndListView::SetDragEnabled(bool enabled) { list_->SetDragEnabled(enabled); }
int TesselWndListView::SelectedRow() const { return list_->selectedRow(); }
void TesselWndListView::SelectRow(int row) { list_->SelectRow(row); }
int TesselWndListView::rowCount() const { return list_->rowCount(); }

bool TesselWndListView::SelectRecordId(uint64_t id) {
  const int row = model_.RowOfRecordId(id);
  if (row < 0) return false;
  list_->SelectRow(row);
  return true;
}

void TesselWndListView::SetRowCount(int count) {
  const int selected = list_->selectedRow();
  model_.SetRowCount(count);
  list_->SelectRow(selected < list_->rowCount() ? selected : -1);
}

void TesselWndListView::ScrollToTop() { list_->ScrollToTop(); }

void TesselWndListView::Refresh(bool flag) {
  RecordStore* store = model_.store();
  RecordQuery* query = model_.query();
  if (!store || !query || !store->IsOpen()) return;
  refreshFlag_ = flag;
  NotifyRefresh(flag ? 3 : 1);
  const uint64_t counter = store->GetChangeCounter();
  if (query->Run(*store).ok()) {
    (void)query->Resort();  // a query that was never sorted keeps file order
    ReloadRows();
    query->SetChangeCounterSeen(counter);
    NotifyRefresh(flag ? 2 : 0);
  }
  refreshFlag_ = false;
}

void TesselWndListView::NotifyRefresh(int param) {
  const Command command{MakeCommandId(controlId(), kNotifyRefresh), param, {}, {}};
  // The announcement before a reload must be handled before the rows change.
  if (param == 1 || param == 3) {
    SendCommand(notifyTarget(), command);
  } else {
    PostCommand(notifyTarget(), command);
  }
}

void TesselWndListView::ReloadRows() { SetRowCount(model_.query() ? int(model_.query()->count()) : 0); }

qintptr TesselWndListView::OnCommand(const Command& command) {
  if (command.id >= kNotifyFirstPassedOn && command.id <= kNotifyLastPassedOn) {
    PostCommand(notifyTarget(), Command{MakeCommandId(controlId(), command.id), command.param, {}, {}});
    return 1;
  }
  return 0;
}

void TesselWndListView::resizeEvent(QResizeEvent*) {
  list_->setGeometry(0, 0, std::max(0, width() - kScrollBarWidth), height());
  scrollBar_->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
  SyncScrollBar();
}

void TesselWndListView::SyncScrollBar() {
  scrollBar_->SetRange(list_->maxTopRow(), list_->fullyVisibleRows());
  scrollBar_->SetValue(list_->topRow());
}

}  // namespace velmora
