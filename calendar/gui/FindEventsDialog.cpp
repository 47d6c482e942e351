#include "calendar/gui/FindEventsDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "calendar/gui/EventRowDelegate.h"
#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventRecord.h"
#include "shell/MessageBoxes.h"
#include "store/Dates.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/TesselWndList.h"

namespace velmora {

namespace {

constexpr int kRowHeight = 20;
const QColor kSubjectBlue(64, 64, 255);
const QColor kCategoryRed(255, 0, 0);

// The result list, which says when a search found nothing.
class FoundEventsList : public TesselWndList {
 public:
  using TesselWndList::TesselWndList;
  bool searched = false;

 protected:
  void Paint(QPainter& painter) override {
    TesselWndList::Paint(painter);
    if (!searched || rowCount() > 0) return;
    painter.setFont(NormalFont());
    painter.setPen(look::Colour(look::kInk));
    painter.drawText(rect().adjusted(5, 3, -3, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(kNoMatchingDateText));
  }
};

}  // namespace

Result FindEvents(RecordStore& store, const std::string& text, const std::string& category, RecordQuery& query) {
  query.Reset();
  if (Result prepared = query.Prepare(); !prepared.ok()) return prepared;
  EventFilter filter;
  filter.category = category;
  // (subject or notes) and the category: the pair of "or" conditions first,
  // then the filter's "and" conditions.
  if (!query.AddTextCondition(event::kSubject, event::kSubjectWidth, kOpContains, text, kConnectorOr) ||
      !query.AddTextCondition(event::kNotes, event::kNotesWidth, kOpContains, text, kConnectorOr) ||
      !AddEventFilterConditions(query, filter)) {
    return Result::Fail("Cannot build the search of", 0, store.path());
  }
  if (Result ran = query.Run(store); !ran.ok()) return ran;
  return query.Sort(store, kEventOrderKeyOffset, kEventOrderKeyLength, CompareEventOrderKey);
}

void FoundEventDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QByteArray data = index.data(RecordQueryModel::kRecordRole).toByteArray();
  const bool selected = option.state & QStyle::State_Selected;
  const bool focused = option.state & QStyle::State_HasFocus;
  painter->save();
  painter->fillRect(option.rect, selected ? look::Colour(focused ? look::kAccent : look::kAccentPale)
                                          : look::Colour(look::kPaper));
  QRect r = option.rect.adjusted(5, 0, -3, 0);
  const auto draw = [&](const QFont& font, const QColor& colour, const QString& text) {
    painter->setFont(font);
    painter->setPen(colour);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, std::max(0, r.width()));
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    r.setLeft(r.left() + QFontMetrics(font).horizontalAdvance(shown) + 8);
  };
  if (data.size() < qsizetype(event::kRecordSize)) {
    draw(NormalFont(), kCategoryRed, QString::fromLatin1(kRecordDeletedText));
    painter->restore();
    return;
  }
  const EventRecord record(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
  const QColor ink = selected && focused ? QColor(Qt::white) : look::Colour(look::kInk);
  draw(BoldFont(), ink, QString::fromStdString(FormatDate(record.eventDate())));
  draw(NormalFont(), ink,
       record.allDay() ? QStringLiteral("All day event") : QString::fromStdString(EventTimesText(record)));
  // The icons and the category keep their room; the subject is shortened
  // to what is left.
  std::vector<const QImage*> icons;
  int iconsWidth = 0;
  for (int bitmap : EventStatusIcons(record)) {
    const QImage& image = BitmapImage(bitmap);
    if (image.isNull()) continue;
    icons.push_back(&image);
    iconsWidth += image.width() + 2;
  }
  const std::string category = record.category();
  const QString categoryText = category.empty() ? QString() : QStringLiteral("[%1]").arg(QString::fromStdString(category));
  const int categoryWidth = category.empty() ? 0 : QFontMetrics(NormalFont()).horizontalAdvance(categoryText) + 14;
  const int right = r.right();
  r.setRight(std::max(r.left(), right - iconsWidth - categoryWidth));
  draw(NormalFont(), selected && focused ? QColor(Qt::white) : kSubjectBlue, QString::fromStdString(record.subject()));
  r.setRight(right);
  for (const QImage* image : icons) {
    painter->drawImage(QPoint(r.left(), option.rect.top() + (option.rect.height() - image->height()) / 2), *image);
    r.setLeft(r.left() + image->width() + 2);
  }
  if (!category.empty()) {
    r.setLeft(r.left() + 4);
    draw(NormalFont(), kCategoryRed, categoryText);
  }
  painter->restore();
}

QSize FoundEventDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(300, kRowHeight);
}

FindEventsDialog::FindEventsDialog(RecordStore& store, std::string category, EditEvent editEvent, QWidget* owner)
    : TesselDialog(kFindEventsDialog, owner), store_(store), category_(std::move(category)),
      editEvent_(std::move(editEvent)) {
  setObjectName(QStringLiteral("findEvents"));
  setWindowTitle(QStringLiteral("Find"));
  auto* layout = new QVBoxLayout(this);
  auto* frame = new QGroupBox(QStringLiteral("Category"), this);
  auto* frameLayout = new QVBoxLayout(frame);
  auto* categoryText =
      new QLabel(category_.empty() ? QStringLiteral("All Categories") : QString::fromStdString(category_), frame);
  categoryText->setObjectName(QStringLiteral("category"));
  frameLayout->addWidget(categoryText);
  layout->addWidget(frame);

  auto* findRow = new QHBoxLayout();
  auto* label = new QLabel(QStringLiteral("Fin&d"), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("find"));
  edit_->setMaxLength(kFindEventsTextLimit);
  label->setBuddy(edit_);
  findRow->addWidget(label);
  findRow->addWidget(edit_, 1);
  layout->addLayout(findRow);

  auto* body = new QHBoxLayout();
  results_ = new FoundEventsList(this);
  results_->SetControlId(kFindEventsResultList);
  (void)results_->Create(this);
  results_->SetNotifyTarget(this);
  results_->SetModel(&model_);
  results_->SetDelegate(new FoundEventDelegate(this));
  results_->SetRowHeight(kRowHeight);
  results_->setMinimumSize(420, 220);
  body->addWidget(results_, 1);
  auto* buttons = new QVBoxLayout();
  find_ = new QPushButton(QStringLiteral("&Find"), this);
  find_->setObjectName(QStringLiteral("findButton"));
  find_->setDefault(true);
  goTo_ = new QPushButton(QStringLiteral("&Go to"), this);
  goTo_->setObjectName(QStringLiteral("goTo"));
  done_ = new QPushButton(QStringLiteral("&Done"), this);
  done_->setObjectName(QStringLiteral("done"));
  for (QPushButton* b : {find_, goTo_, done_}) buttons->addWidget(b);
  buttons->addStretch();
  body->addLayout(buttons);
  layout->addLayout(body, 1);

  find_->setEnabled(false);
  goTo_->setEnabled(false);
  connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { find_->setEnabled(!text.isEmpty()); });
  connect(find_, &QPushButton::clicked, this, &FindEventsDialog::Find);
  connect(goTo_, &QPushButton::clicked, this, &FindEventsDialog::GoTo);
  connect(done_, &QPushButton::clicked, this, [this] { EndDialog(0); });
}

FindEventsDialog::~FindEventsDialog() = default;

void FindEventsDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
  edit_->setFocus();
}

void FindEventsDialog::Find() {
  const QString text = edit_->text().left(kFindEventsTextLimit);
  if (text.isEmpty()) return;
  const Result found = FindEvents(store_, text.toStdString(), category_, query_);
  model_.SetSource(&store_, &query_);
  static_cast<FoundEventsList*>(results_)->searched = true;
  results_->SelectRow(-1);
  results_->ScrollToTop();
  results_->update();
  setWindowTitle(QStringLiteral("Occurrences %1").arg(query_.count()));
  goTo_->setEnabled(false);
  results_->setFocus();
  // What could be searched is listed; the user learns that it is not all.
  if (!found.ok()) InformationBox(this, found.Message());
}

void FindEventsDialog::GoTo() {
  const int row = results_->selectedRow();
  if (row < 0 || row >= results_->rowCount()) return;
  chosen_ = model_.PositionAt(row);
  EndDialog(1);
}

qintptr FindEventsDialog::OnCommand(const Command& command) {
  switch (command.id) {
    case kNotifySelectionMoved:
    case kNotifyClick:
      if (command.param >= 0) goTo_->setEnabled(true);
      return 1;
    case kNotifyDoubleClick:
      if (command.param >= 0 && command.param < results_->rowCount() && editEvent_) {
        const int row = int(command.param);
        (void)editEvent_(model_.PositionAt(row));
        results_->update(results_->RowRect(row));
      }
      return 1;
    default:
      return TesselDialog::OnCommand(command);
  }
}

}  // namespace velmora
