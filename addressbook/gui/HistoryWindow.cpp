#include "addressbook/gui/HistoryWindow.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <utility>

#include "addressbook/gui/HistoryDialogs.h"
#include "addressbook/model/Contact.h"
#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/MessageBoxes.h"
#include "store/RecordHeader.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TFlyMenu.h"
#include "toolkit/TesselClassLinkButton.h"
#include "toolkit/TesselWndList.h"
#include "toolkit/TesselWndListView.h"

namespace velmora {

namespace {

constexpr int kMsgDeleteHistory = 115;
constexpr const char* kContactGone = "Cardora record state=0 !";
constexpr const char* kDeletedEntry = "Record is deleted by another user.";
const QColor kEntryBlue(0, 0, 226);
const QColor kRuleGrey(217, 217, 217);

constexpr int kButtonRowHeight = 19;

HistoryWindow::DialogRunner& CurrentRunner() {
  static HistoryWindow::DialogRunner runner;
  return runner;
}

int RunDialog(QDialog& dialog) {
  if (const HistoryWindow::DialogRunner& runner = CurrentRunner()) return runner(dialog);
  return dialog.exec();
}

std::string SelectText(int command) {
  const char* word = command == HistoryWindow::kCmdNew      ? "New"
                     : command == HistoryWindow::kCmdEdit   ? "Edit"
                     : command == HistoryWindow::kCmdDelete ? "Delete"
                     : command == HistoryWindow::kCmdFind   ? "Find"
                                                            : "Report";
  return std::string("Please select Cardora record and then click ") + word + ".";
}

}  // namespace

int FlyMenuWidthFor(const TFlyMenu& chooser) {
  // As the chooser draws itself: the text 7 pixels from the left, the arrow
  // glyph 6 pixels from the right with 6 more before it.
  const QFontMetrics metrics(NormalFont());
  int text = 0;
  for (const FlyEntry& entry : chooser.entries()) {
    if (!entry.separator) text = std::max(text, metrics.horizontalAdvance(entry.text));
  }
  const QImage& glyph = BitmapImage("flymenu_arrow.bmp");
  const int glyphWidth = glyph.isNull() ? 10 : glyph.width();
  return 7 + text + glyphWidth + 12 + 1;
}

// --- Rows --------------------------------------------------------------------

void PaintHistoryRow(QPainter& painter, const QRect& row, const QByteArray& entry, bool selected) {
  painter.save();
  painter.fillRect(row, selected ? look::Colour(look::kAccentPale) : QColor(Qt::white));
  painter.setFont(NormalFont());
  const QFontMetrics metrics(NormalFont());
  const QRect text = row.adjusted(0, 0, 0, -1);
  if (entry.size() < int(history::kRecordSize)) {
    painter.setPen(QColor(Qt::red));
    painter.drawText(text.adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf8(kDeletedEntry));
  } else {
    const auto* data = reinterpret_cast<const uint8_t*>(entry.constData());
    const int dateWidth = metrics.horizontalAdvance(QStringLiteral("XX/XX/XXXX"));
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("XX:XX XX")) + 5;
    const QRect dateRect(row.left() + 3, text.top(), dateWidth, text.height());
    const QRect timeRect(dateRect.right() + 1, text.top(), timeWidth, text.height());
    const QRect descriptionRect(timeRect.right() + 1, text.top(),
                                qMax(0, row.right() - HistoryRowDelegate::kClipWidth - timeRect.right()),
                                text.height());
    painter.setPen(kEntryBlue);
    painter.drawText(dateRect, Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromStdString(FormatDate(GetDate(data + history::kDate))));
    painter.drawText(timeRect, Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromStdString(FormatTime(GetTime(data + history::kTime))));
    QString description =
        QString::fromStdString(GetText(data + history::kDescription.offset, history::kDescription.width));
    description.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter.drawText(descriptionRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     metrics.elidedText(description, Qt::ElideRight, descriptionRect.width()));
    if (!RawText(data + history::kAttachment.offset, history::kAttachment.width).empty()) {
      const QImage& clip = BitmapImage(4006);
      if (!clip.isNull()) {
        const QRect clipArea(row.right() - HistoryRowDelegate::kClipWidth + 1, text.top(),
                             HistoryRowDelegate::kClipWidth, text.height());
        painter.drawImage(clipArea.left() + (clipArea.width() - clip.width()) / 2,
                          clipArea.top() + (clipArea.height() - clip.height()) / 2, clip);
      }
    }
  }
  painter.setPen(kRuleGrey);
  painter.drawLine(row.left(), row.bottom(), row.right(), row.bottom());
  painter.restore();
}

void HistoryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  PaintHistoryRow(*painter, option.rect, index.data(RecordQueryModel::kRecordRole).toByteArray(),
                  option.state.testFlag(QStyle::State_Selected));
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return {option.rect.width(), kRowHeight};
}

std::vector<HistoryMenuItem> HistoryContextMenu(bool onRow, bool hasAttachment) {
  return {
      {"New...\tInsert", HistoryWindow::kCmdNew, true},
      {"Edit...\tEnter", HistoryWindow::kCmdEdit, onRow},
      {"Delete...\tDelete", HistoryWindow::kCmdDelete, onRow},
      {"", 0, true},
      {"Find", HistoryWindow::kCmdFind, true},
      {"Report", HistoryWindow::kCmdReport, true},
      {"", 0, true},
      {"Open attachment", HistoryWindow::kCmdOpenAttachment, onRow && hasAttachment},
  };
}

// --- The window --------------------------------------------------------------

HistoryWindow::DialogRunner HistoryWindow::SetDialogRunner(DialogRunner runner) {
  return std::exchange(CurrentRunner(), std::move(runner));
}

HistoryWindow::HistoryWindow(ContactWindowHost& host)
    : FloatingToolWindow(host.mainWindow(), QString(), "his_resize.bmp", "HWnd_"), host_(host) {
  setObjectName(QStringLiteral("HistoryWindow"));
}

HistoryWindow::~HistoryWindow() {
  if (list_) list_->SetSource(nullptr, nullptr);
}

bool HistoryWindow::OnCreated() {
  const std::pair<const char*, int> links[] = {
      {"New", kCmdNew}, {"Delete", kCmdDelete}, {"Edit", kCmdEdit}, {"Find", kCmdFind}, {"Report", kCmdReport}};
  for (const auto& [text, command] : links) {
    auto* button = new TesselClassLinkButton(QString::fromUtf8(text), command, this, kEntryBlue);
    button->SetNotifyTarget(this);
    if (!button->Create(this)) return false;
    buttons_.push_back(button);
  }
  sort_ = new TFlyMenu(this);
  sort_->SetNotifyTarget(this);
  if (!sort_->Create(this)) return false;
  sort_->AddEntry(QStringLiteral("Sort by Date"), kCmdSortByDate);
  sort_->AddEntry(QStringLiteral("Sort by Description"), kCmdSortByDescription);
  sort_->SetChosen(kCmdSortByDate);
  list_ = new TesselWndListView(this);
  list_->SetControlId(kListId);
  list_->SetNotifyTarget(this);
  if (!list_->Create(this)) return false;
  list_->SetRowDelegate(&delegate_);
  list_->SetRowHeight(HistoryRowDelegate::kRowHeight);
  LayoutContent();
  return true;
}

void HistoryWindow::LayoutContent() {
  if (!list_) return;
  const QRect content = ContentRect().adjusted(3, 2, -3, -3);
  int x = content.left();
  for (TesselClassLinkButton* button : buttons_) {
    const int width = button->idealWidth();
    button->setGeometry(x, content.top() + 1, width, 17);
    x += width + 2;
  }
  const int chooserTop = content.top() + kButtonRowHeight + 2;
  // As wide as its longest entry in the skin's font and arrow, so that
  // "Sort by Description" is never cut.
  sort_->setGeometry(content.left(), chooserTop, qMin(FlyMenuWidthFor(*sort_), content.width()), 18);
  const int listTop = chooserTop + 18 + 4;
  list_->setGeometry(content.left(), listTop, content.width(), content.bottom() - listTop - kGripSize + 1);
}

bool HistoryWindow::ListHasFocus() const {
  QWidget* focus = QApplication::focusWidget();
  return list_ && focus && (focus == list_ || list_->isAncestorOf(focus));
}

void HistoryWindow::ShowContact(RecordStore& addressBook, const Bytes* contact,
                                std::optional<RecordPosition> position) {
  uint64_t id = 0;
  std::string first, last;
  if (contact && contact->size() >= contact::kRecordSize) {
    const Contact record(*contact);
    id = record.Id();
    first = record.Text(contact::kFirstName);
    last = record.Text(contact::kLastName);
  }
  addressBook_ = &addressBook;
  contactPosition_ = contact ? position : std::nullopt;
  firstName_ = first;
  lastName_ = last;
  SetTitle(QString::fromStdString(first + " " + last));

  const std::string path = HistoryPath(addressBook.path());
  // A history file that could not be opened is tried again with the next
  // contact, not on every tick.
  if (path != historyPath_ || (!history_ && id != contactId_)) {
    list_->SetSource(nullptr, nullptr);
    history_.reset();
    historyPath_ = path;
    contactId_ = id;
    std::unique_ptr<RecordStore> opened;
    // A history file that cannot be made or opened leaves the list empty,
    // without a message.
    if (OpenHistoryFile(addressBook.path(), true, opened).ok()) history_ = std::move(opened);
    LoadList();
    return;
  }
  if (id == contactId_) return;
  contactId_ = id;
  LoadList();
}

void HistoryWindow::LoadList() {
  if (!history_) {
    list_->SetSource(nullptr, nullptr);
    return;
  }
  if (!LoadHistoryList(*history_, query_, contactId_, sort_mode_).ok()) query_.Reset();
  list_->SetSource(history_.get(), &query_);
  list_->ScrollToTop();
}

void HistoryWindow::Reselect(uint64_t id) {
  if (!history_) return;
  list_->Refresh();
  // The reload announces itself like another user's change, which keeps the
  // entry selected before it; the entry just written is the one to keep.
  keptId_ = id;
  if (id != 0) list_->SelectRecordId(id);
}

void HistoryWindow::FocusList() {
  // After a dialog the main window may be the active one again: the keys
  // that follow (Insert for another entry) belong to this list.
  raise();
  activateWindow();
  list_->setFocus(Qt::OtherFocusReason);
}

uint64_t HistoryWindow::SelectedEntryId() const {
  const int row = list_ ? list_->SelectedRow() : -1;
  if (row < 0 || !history_) return 0;
  Bytes entry;
  if (!history_->ReadRecordIfLive(entry, list_->PositionOf(row)).ok()) return 0;
  return rec::Id(entry.data());
}

bool HistoryWindow::NeedsContact(int command) {
  if (contactId_ != 0) return true;
  InformationBox(this, SelectText(command));
  return false;
}

bool HistoryWindow::MayChange() {
  if (addressBook_ && addressBook_->GetAccessLevel() == kAccessReader) {
    InformationBox(this, kMsgNoPermission);
    return false;
  }
  return history_ != nullptr;
}

bool HistoryWindow::ContactStillThere() {
  if (addressBook_ && contactPosition_ && addressBook_->IsSameRecord(contactId_, *contactPosition_)) return true;
  InformationBox(this, kContactGone);
  return false;
}

qintptr HistoryWindow::OnCommand(const Command& command) {
  if (CommandLow(command.id) == kListId && CommandHigh(command.id) != 0) {
    const int row = int(command.param);
    switch (CommandHigh(command.id)) {
      case kNotifyDoubleClick: PostCommand(this, row >= 0 ? kCmdEdit : kCmdNew); break;
      case kNotifyRightClick: ContextMenu(row); break;
      case kNotifyRefresh:
        // Another user changed the file: the selected entry stays selected
        // across the reload.
        if (command.param == 1 || command.param == 3) {
          keptId_ = SelectedEntryId();
        } else if (keptId_ != 0) {
          list_->SelectRecordId(keptId_);
          keptId_ = 0;
        }
        break;
      default: break;
    }
    return 1;
  }
  const int id = command.id;
  if (id >= kCmdNew && id <= kCmdReport) {
    if (!host_.mainWindowEnabled()) {
      Beep();
      return 1;
    }
    if (!NeedsContact(id)) return 1;
  }
  switch (id) {
    case kCmdNew: NewEntry(); return 1;
    case kCmdDelete: DeleteEntry(); return 1;
    case kCmdEdit: EditEntry(); return 1;
    case kCmdFind: FindEntry(); return 1;
    case kCmdReport: Report(); return 1;
    case kCmdSortByDate:
    case kCmdSortByDescription:
      sort_mode_ = id == kCmdSortByDate ? HistorySort::ByDate : HistorySort::ByDescription;
      sort_->SetChosen(id);
      LoadList();
      return 1;
    case kCmdOpenAttachment: OpenEntryAttachment(); return 1;
    default: return FloatingToolWindow::OnCommand(command);
  }
}

void HistoryWindow::NewEntry() {
  if (!MayChange()) return;
  Bytes entry = NewHistoryEntry(*history_, contactId_, Today(), Now(5));
  HistoryEntryDialog dialog(entry, contactId_, this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  if (!ContactStillThere()) return;
  const Bytes& added = dialog.entry();
  const Result result = history_->AddRecord(added);
  if (!result.ok()) {
    InformationBox(this, result.Message());
    return;
  }
  const Result flushed = history_->Flush();
  if (!flushed.ok()) InformationBox(this, flushed.Message());
  SoundPlayer::Instance().Play("add.wav");
  Reselect(rec::Id(added.data()));
  FocusList();
}

void HistoryWindow::EditEntry() {
  if (!MayChange()) return;
  const int row = list_->SelectedRow();
  if (row < 0) return;
  const RecordPosition position = list_->PositionOf(row);
  EditLock lock(*history_, position);
  if (!lock.held()) {
    InformationBox(this, kMsgBeingEdited);
    return;
  }
  Bytes entry;
  if (!history_->ReadRecordIfLive(entry, position).ok()) {
    (void)lock.Release();
    list_->Refresh();
    return;
  }
  const uint64_t id = rec::Id(entry.data());
  HistoryEntryDialog dialog(entry, contactId_, this);
  const bool ok = RunDialog(dialog) == QDialog::Accepted;
  if (ok && ContactStillThere()) {
    const Result result = history_->UpdateRecord(dialog.entry(), position);
    if (result.ok()) {
      SoundPlayer::Instance().Play("add.wav");
    } else {
      InformationBox(this, result.Message());
    }
  }
  (void)lock.Release();
  if (ok) {
    const Result flushed = history_->Flush();
    if (!flushed.ok()) InformationBox(this, flushed.Message());
  }
  Reselect(id);
}

void HistoryWindow::DeleteEntry() {
  if (!MayChange()) return;
  const int row = list_->SelectedRow();
  if (row < 0) return;
  const RecordPosition position = list_->PositionOf(row);
  EditLock lock(*history_, position);
  if (!lock.held()) {
    InformationBox(this, kMsgBeingEdited);
    return;
  }
  if (!QuestionBox(this, kMsgDeleteHistory)) return;
  const Result deleted = history_->DeleteRecord(position);
  (void)lock.Release();
  if (!deleted.ok()) {
    InformationBox(this, deleted.Message());
    return;
  }
  const Result flushed = history_->Flush();
  if (!flushed.ok()) InformationBox(this, flushed.Message());
  SoundPlayer::Instance().Play("bindel.wav");
  list_->Refresh();
}

void HistoryWindow::FindEntry() {
  if (!history_) return;
  HistoryFindDialog dialog(*history_, contactId_, this);
  if (RunDialog(dialog) != 1 || dialog.chosenId() == 0) return;
  list_->SelectRecordId(dialog.chosenId());
  list_->setFocus();
}

void HistoryWindow::Report() {
  if (!history_) return;
  const Result written = WriteHistoryReport(*history_, contactId_, firstName_, lastName_);
  if (!written.ok()) {
    InformationBox(this, written.Message());
    return;
  }
  HistoryReportDialog dialog(this);
  RunDialog(dialog);
}

void HistoryWindow::OpenEntryAttachment() {
  const int row = list_->SelectedRow();
  if (row < 0 || !history_) return;
  Bytes entry;
  if (!history_->ReadRecordIfLive(entry, list_->PositionOf(row)).ok()) return;
  const std::string path = GetText(entry.data() + history::kAttachment.offset, history::kAttachment.width);
  if (path.empty()) {
    Beep();
    return;
  }
  OpenDocument(path);
}

void HistoryWindow::ContextMenu(int row) {
  bool hasAttachment = false;
  if (row >= 0 && history_) {
    Bytes entry;
    if (history_->ReadRecordIfLive(entry, list_->PositionOf(row)).ok()) {
      hasAttachment = !RawText(entry.data() + history::kAttachment.offset, history::kAttachment.width).empty();
    }
  }
  QMenu menu(this);
  for (const HistoryMenuItem& item : HistoryContextMenu(row >= 0, hasAttachment)) {
    if (item.command == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromStdString(item.text));
    action->setData(item.command);
    action->setEnabled(item.enabled);
  }
  if (QAction* chosen = menu.exec(QCursor::pos())) PostCommand(this, chosen->data().toInt());
}

}  // namespace velmora
