// The dialogs of the history window: the entry dialog (3037 "History"),
// find (3038 "History Find") and the report (3039 "History Report").
#pragma once

#include <QPoint>
#include <functional>
#include <optional>
#include <string>

#include "store/Bytes.h"
#include "store/Dates.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "toolkit/TesselDialog.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

// Asks for a date (the date picker, opened at a screen point); tests put
// their own in place. An empty function restores the date picker.
using DateAsker = std::function<std::optional<DateValue>(QWidget* owner, const DateValue& initial, const QPoint& at)>;
DateAsker SetHistoryDateAsker(DateAsker asker);

class HistoryEntryDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3037;
  // entry: the entry to edit (a new one already carries today and the
  // current five-minute time); contactId goes into it on OK.
  HistoryEntryDialog(const Bytes& entry, uint64_t contactId, QWidget* owner = nullptr);

  // The entry as OK left it.
  const Bytes& entry() const { return entry_; }

  QPushButton* dateButton() const { return dateButton_; }
  QListWidget* timeList() const { return times_; }
  QPlainTextEdit* description() const { return description_; }
  QLineEdit* attachment() const { return attachment_; }
  QPushButton* okButton() const { return ok_; }
  const DateValue& date() const { return date_; }

  void PickEntryDate();   // the date button
  void BrowseAttachment();  // "&Browse"
  void OpenAttachment();    // "&Open"

  qintptr OnCommand(const Command& command) override;

 private:
  void UpdateOk();
  void Accept();

  Bytes entry_;
  uint64_t contactId_;
  DateValue date_;
  QPushButton* dateButton_;
  QListWidget* times_;
  QPlainTextEdit* description_;
  QLineEdit* attachment_;
  QPushButton* ok_;
};

class HistoryFindDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3038;
  HistoryFindDialog(RecordStore& history, uint64_t contactId, QWidget* owner = nullptr);

  QLineEdit* searchText() const { return text_; }
  QListWidget* results() const { return results_; }
  QPushButton* findButton() const { return find_; }
  QPushButton* goToButton() const { return goTo_; }
  // The record id of the chosen result (0 before one is chosen).
  uint64_t chosenId() const { return chosen_; }

  void Find();
  void GoTo();

  qintptr OnCommand(const Command& command) override;

 private:
  RecordStore& history_;
  uint64_t contactId_;
  RecordQuery query_;
  std::vector<uint64_t> ids_;
  uint64_t chosen_ = 0;
  QLineEdit* text_;
  QListWidget* results_;
  QPushButton* find_;
  QPushButton* goTo_;
};

class HistoryReportDialog : public TesselDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 3039;
  // Shows the report file at path (the default report when empty).
  explicit HistoryReportDialog(QWidget* owner = nullptr, const std::string& path = {});

  QPlainTextEdit* text() const { return text_; }

 private:
  std::string path_;
  QPlainTextEdit* text_;
};

// Writes the history report of a contact into the report file (the
// default report when path is empty), replacing what it held.
Result WriteHistoryReport(RecordStore& history, uint64_t contactId, const std::string& firstName,
                          const std::string& lastName, const std::string& path = {});

}  // namespace velmora
