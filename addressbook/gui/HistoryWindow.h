// HistoryWindow: the floating window with the dated history of the contact
// selected in the main list: link buttons "New", "Delete", "Edit", "Find"
// and "Report", the sort chooser and the entries of the contact. Its
// history file lies beside the address book and is created the first time
// a contact is shown.
#pragma once

#include <QAbstractItemDelegate>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/gui/ContactWindowHost.h"
#include "addressbook/gui/FloatingToolWindow.h"
#include "addressbook/model/ContactHistory.h"

class QDialog;

namespace velmora {

class TFlyMenu;
class TesselClassLinkButton;
class TesselWndListView;

// Draws an entry row: date, time and description in blue, the paper clip
// at the right for an entry with an attachment, a grey rule at the bottom;
// "Record is deleted by another user." in red for an entry that can no
// longer be read.
class HistoryRowDelegate : public QAbstractItemDelegate {
 public:
  static constexpr int kRowHeight = 20;
  static constexpr int kClipWidth = 18;
  using QAbstractItemDelegate::QAbstractItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
void PaintHistoryRow(QPainter& painter, const QRect& row, const QByteArray& entry, bool selected);

// The context menu of the entry list for a right click on row (-1: on no
// row) whose entry has an attachment or not; separators have command 0.
struct HistoryMenuItem {
  std::string text;
  int command = 0;
  bool enabled = true;
};
std::vector<HistoryMenuItem> HistoryContextMenu(bool onRow, bool hasAttachment);

// The width a drop-down chooser needs to show its longest entry whole.
int FlyMenuWidthFor(const TFlyMenu& chooser);

class HistoryWindow : public FloatingToolWindow {
  Q_OBJECT

 public:
  static constexpr int kListId = 100;
  static constexpr int kCmdNew = 101;
  static constexpr int kCmdDelete = 102;
  static constexpr int kCmdEdit = 103;
  static constexpr int kCmdFind = 104;
  static constexpr int kCmdReport = 105;
  static constexpr int kCmdSortByDate = 106;
  static constexpr int kCmdSortByDescription = 107;
  static constexpr int kCmdOpenAttachment = 108;
  static constexpr int kDefaultWidth = 300;
  static constexpr int kDefaultHeight = 340;

  explicit HistoryWindow(ContactWindowHost& host);
  ~HistoryWindow() override;

  // Shows the history of contact (a contact record read from addressBook,
  // at position), or no contact: a blank title and an empty list.
  void ShowContact(RecordStore& addressBook, const Bytes* contact, std::optional<RecordPosition> position);

  uint64_t contactId() const { return contactId_; }
  RecordStore* historyStore() const { return history_.get(); }
  TesselWndListView* list() const { return list_; }
  TFlyMenu* sortChooser() const { return sort_; }
  HistorySort sort() const { return sort_mode_; }
  bool ListHasFocus() const;

  // How the window runs its dialogs (modally by default); tests answer them.
  using DialogRunner = std::function<int(QDialog& dialog)>;
  static DialogRunner SetDialogRunner(DialogRunner runner);

  qintptr OnCommand(const Command& command) override;

 protected:
  bool OnCreated() override;
  void LayoutContent() override;

 private:
  void LoadList();
  void NewEntry();
  void EditEntry();
  void DeleteEntry();
  void FindEntry();
  void Report();
  void OpenEntryAttachment();
  void ContextMenu(int row);
  bool NeedsContact(int command);
  bool ContactStillThere();
  bool MayChange();
  // Reloads the list with the entry of that id selected.
  void Reselect(uint64_t id);
  // Activates the window and gives its list the keyboard focus.
  void FocusList();
  uint64_t SelectedEntryId() const;

  ContactWindowHost& host_;
  RecordStore* addressBook_ = nullptr;
  std::optional<RecordPosition> contactPosition_;
  uint64_t contactId_ = 0;
  uint64_t keptId_ = 0;  // the entry selected before a refresh
  std::string firstName_, lastName_;
  std::string historyPath_;
  std::unique_ptr<RecordStore> history_;
  RecordQuery query_;
  HistorySort sort_mode_ = HistorySort::ByDate;
  HistoryRowDelegate delegate_;
  TesselWndListView* list_ = nullptr;
  TFlyMenu* sort_ = nullptr;
  std::vector<TesselClassLinkButton*> buttons_;
};

}  // namespace velmora
