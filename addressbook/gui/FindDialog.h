// The "Find" dialog: looks for a text in the name, address, phone, web,
// e-mail, company, family, other-phone and notes fields of the contacts of
// the list's category, lists the matches by first name, opens a match in the
// editor on a double click, and "Go to" selects it in the main list.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "store/RecordQuery.h"
#include "toolkit/RecordQueryModel.h"
#include "toolkit/TesselDialog.h"

class QLineEdit;
class QPushButton;
class QLabel;

namespace velmora {

inline constexpr int kFindDialog = 2006;
inline constexpr int kFindResultList = 500;
inline const char* const kNoMatchText = "No matching date has been found!";

class TesselWndList;
class TesselClassWndScrollBar;

class FindDialog : public TesselDialog {
  Q_OBJECT

 public:
  using EditContact = std::function<void(RecordPosition)>;
  // category: the list's filter (empty: all categories).
  FindDialog(RecordStore& store, std::string category, EditContact editContact, QWidget* owner = nullptr);
  ~FindDialog() override;

  // Runs the search for the edit field's text (its first 100 characters).
  void Find();
  // The contact "Go to" chose, once the dialog ended with 1.
  std::optional<RecordPosition> chosen() const { return chosen_; }

  QLineEdit* edit() const { return edit_; }
  TesselWndList* results() const { return results_; }
  TesselClassWndScrollBar* resultsScrollBar() const { return scrollBar_; }
  QPushButton* findButton() const { return find_; }
  QPushButton* goToButton() const { return goTo_; }
  QPushButton* doneButton() const { return done_; }
  const RecordQuery& query() const { return query_; }

  qintptr OnCommand(const Command& command) override;

 protected:
  void OnInitDialog() override;

 private:
  void GoTo();
  void SyncScrollBar();

  RecordStore& store_;
  std::string category_;
  EditContact editContact_;
  RecordQuery query_;
  RecordQueryModel model_;
  QLineEdit* edit_ = nullptr;
  TesselWndList* results_ = nullptr;
  TesselClassWndScrollBar* scrollBar_ = nullptr;
  QPushButton* find_ = nullptr;
  QPushButton* goTo_ = nullptr;
  QPushButton* done_ = nullptr;
  std::optional<RecordPosition> chosen_;
};

}  // namespace velmora
