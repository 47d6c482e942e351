// The calendar's "Find" dialog: looks for a text in the subject and the
// notes of every event of the file (no date limit), within the calendar
// pane's category filter, lists the matches by event date and start time,
// edits a match on a double click, and "&Go to" ends the dialog with the
// match chosen so that the pane shows it on its day.
#pragma once

#include <QAbstractItemDelegate>
#include <functional>
#include <optional>
#include <string>

#include "store/RecordQuery.h"
#include "toolkit/RecordQueryModel.h"
#include "toolkit/TesselDialog.h"

class QLineEdit;
class QPushButton;

namespace velmora {

class TesselWndList;

inline constexpr int kFindEventsDialog = 2006;
inline constexpr int kFindEventsResultList = 500;
inline constexpr const char* kNoMatchingDateText = "No matching date has been found!";
// The most characters the "Find" edit takes.
inline constexpr int kFindEventsTextLimit = 100;

// Runs the search of the dialog: the events whose subject or notes contain
// text (ignoring case), with category equal to category when it is not
// empty, sorted by event date and then start time.
Result FindEvents(RecordStore& store, const std::string& text, const std::string& category, RecordQuery& query);

// One result row: the event date in bold, "All day event" or the times,
// the subject in blue, the status icons and "[category]" in red; a record
// gone since the search says so.
class FoundEventDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class FindEventsDialog : public TesselDialog {
  Q_OBJECT

 public:
  // Edits the event at a position in place; true when it was changed.
  using EditEvent = std::function<bool(RecordPosition)>;
  // category: the pane's filter (empty: "All Categories").
  FindEventsDialog(RecordStore& store, std::string category, EditEvent editEvent, QWidget* owner = nullptr);
  ~FindEventsDialog() override;

  void Find();
  // The event "&Go to" chose, once the dialog ended with 1.
  std::optional<RecordPosition> chosen() const { return chosen_; }

  QLineEdit* edit() const { return edit_; }
  TesselWndList* results() const { return results_; }
  QPushButton* findButton() const { return find_; }
  QPushButton* goToButton() const { return goTo_; }
  QPushButton* doneButton() const { return done_; }
  const RecordQuery& query() const { return query_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  void OnInitDialog() override;

 private:
  void GoTo();

  RecordStore& store_;
  std::string category_;
  EditEvent editEvent_;
  RecordQuery query_;
  RecordQueryModel model_;
  QLineEdit* edit_ = nullptr;
  TesselWndList* results_ = nullptr;
  QPushButton* find_ = nullptr;
  QPushButton* goTo_ = nullptr;
  QPushButton* done_ = nullptr;
  std::optional<RecordPosition> chosen_;
};

}  // namespace velmora
