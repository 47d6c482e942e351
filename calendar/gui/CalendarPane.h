// CalendarPane: the working pane "Work" of the calendar. A category chooser
// across the top; in the Day tab the selected day's events in event order
// with the mini calendar and the recycle bin beside them; the Week and Month
// tabs show their views over the work area. One selected date and one
// category filter drive all three; keys reach every part (see AddKeys). New
// and Edit event and Find run here, the other event commands in
// EventCommands; other users' changes reach the day list through the
// periodic refresh.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "calendar/gui/EventCommands.h"
#include "calendar/gui/EventRowDelegate.h"
#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordQuery.h"
#include "toolkit/TesselPane.h"

class QAction;
class QMenu;

namespace velmora {

class MonthView;
class TFlyMenu;
class TTabsWnd;
class TesseMiniCalendar;
class TesselClassWndBin;
class TesselWndListView;
class WeekView;

// Opens the event editor on record (see RunEventEditor); true on "OK".
using EventEditorFunction =
    std::function<bool(QWidget* parent, RecordStore& store, EventRecord& record, const EventRecord* opened)>;

// The pane's parts in a pane of that size.
struct CalendarPaneLayout {
  QRect categories, dayList, miniCalendar, bin, tabs, views;
  // mini: the room the mini calendar needs to show its month and year and
  // two-digit days apart; it gets at least 108 by 130 pixels and at most half
  // the pane's width, and the day list gives up what it takes beyond 108.
  static CalendarPaneLayout For(const QSize& pane, const QSize& mini = QSize(108, 130));
};

class CalendarPane : public TesselPane {
  Q_OBJECT

 public:
  static constexpr int kListId = 100;
  static constexpr int kTabsId = 103;
  static constexpr int kMiniCalendarId = 104;
  static constexpr int kBinId = 107;
  // Commands of the category chooser: names base + 0..28, "All Categories"
  // base + 29, "Edit Categories" base + 30.
  static constexpr int kCategoryBase = 500;
  enum Tab { kDayTab = 0, kWeekTab = 1, kMonthTab = 2 };

  // editor: what opens the event editor (none: RunEventEditor).
  explicit CalendarPane(QWidget* parent = nullptr, EventEditorFunction editor = {});
  ~CalendarPane() override;

  // Binds the pane to the open file (none: no file): the file's categories,
  // the Day tab, the date (today for the first file of the run, else the one
  // selected) and the day list.
  void SetRecordFile(RecordStore* store) override;
  void Entered() override;
  void FocusList();

  // Queries the selected day's events again (with the filter) and fills the
  // day list; the week or month view shown paints again.
  void Reload();
  // Selects date (outside the valid dates: nothing) and reloads.
  void SelectDate(const DateValue& date);
  // Shows tab 0 (Day), 1 (Week) or 2 (Month).
  void SwitchTab(int tab);
  // Narrows the pane to one category (empty: "All Categories") and reloads.
  void SetCategoryFilter(const std::string& category);
  // Selects the day list's row of the record with that id; false when none.
  bool SelectRecordId(uint64_t id);

  RecordStore* store() const { return store_; }
  const DateValue& selectedDate() const { return date_; }
  int currentTab() const { return tab_; }
  const std::string& categoryFilter() const { return filter_.category; }
  const RecordQuery& dayQuery() const { return query_; }
  std::optional<RecordPosition> SelectedPosition() const;

  TFlyMenu* categoryChooser() const { return categories_; }
  TesselWndListView* dayList() const { return list_; }
  TesseMiniCalendar* miniCalendar() const { return mini_; }
  TesselClassWndBin* recycleBin() const { return bin_; }
  TTabsWnd* tabBar() const { return tabs_; }
  MonthView* monthView() const { return month_; }
  WeekView* weekView() const { return week_; }

  // New event (1001) on the selected date and Edit event (1002) of the
  // selected one.
  void NewEvent();
  void EditEvent();
  // Edits the event at position (a row of the day list or of Find) as Edit
  // does, in any tab; true when it was written.
  bool EditEventAt(RecordPosition position);
  // The "Find" dialog (1004); "&Go to" shows the chosen event on its day.
  void FindEvents();
  EventCommands& commands() { return commands_; }
  // Chooses from the day list's pop-up menu in place of the person (the
  // tests); none: the menu opens at the mouse.
  using MenuChooser = std::function<QAction*(QMenu& menu)>;
  void SetMenuChooser(MenuChooser chooser) { menuChooser_ = std::move(chooser); }

  qintptr OnCommand(const Command& command) override;

 protected:
  bool OnCreated() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The pane's keys: Ctrl+PageDown and Ctrl+PageUp the next and previous
  // tab; Ctrl+Right and Ctrl+Left the next and previous day, Ctrl+Down and
  // Ctrl+Up a week on or back, Ctrl+Home today; Alt+Down opens the
  // category chooser.
  void AddKeys();
  void RebuildCategories();
  bool OnCategoryCommand(const Command& command);
  void OnListNotification(int code, qintptr param);
  void OnMiniCalendar(const Command& command);
  void ReloadViews();
  void ShowMessage(int number);
  uint64_t SelectedRecordId() const;
  // The day list's pop-up menu for the row under the pointer (-1: none).
  void ShowEventMenu(int row);

  EventEditorFunction editor_;
  RecordStore* store_ = nullptr;
  bool hadFile_ = false;  // a file was opened before in this run
  DateValue date_;
  EventFilter filter_;
  int tab_ = kDayTab;
  int chosenCategory_ = 0;
  RecordQuery query_;
  uint64_t keptRecordId_ = 0;  // the selection across a refresh
  EventRowDelegate delegate_;
  EventCommands commands_{*this};
  MenuChooser menuChooser_;

  TFlyMenu* categories_ = nullptr;
  TesselWndListView* list_ = nullptr;
  TesseMiniCalendar* mini_ = nullptr;
  TesselClassWndBin* bin_ = nullptr;
  TTabsWnd* tabs_ = nullptr;
  MonthView* month_ = nullptr;
  WeekView* week_ = nullptr;
};

}  // namespace velmora
