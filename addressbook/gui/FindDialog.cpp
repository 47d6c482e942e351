#include "addressbook/gui/FindDialog.h"

#include <QAbstractItemDelegate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/gui/ContactNameDelegate.h"
#include "addressbook/model/ContactRecord.h"
#include "addressbook/model/ContactSearch.h"
#include "shell/MessageBoxes.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/TesselClassWndScrollBar.h"
#include "toolkit/TesselWndList.h"

namespace velmora {

namespace {

constexpr int kResultsScrollBarWidth = 16;

// A match: "first last" 5 pixels from the left; a record gone since the
// search says so in red.
class FindRowDelegate : public QAbstractItemDelegate {
 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QByteArray data = index.data(RecordQueryModel::kRecordRole).toByteArray();
    const bool selected = option.state & QStyle::State_Selected;
    const bool focused = option.state & QStyle::State_HasFocus;
    painter->save();
    painter->fillRect(option.rect, selected ? look::Colour(focused ? look::kAccent : look::kAccentPale)
                                            : look::Colour(look::kPaper));
    painter->setFont(NormalFont());
    QString text;
    if (data.size() < qsizetype(contact::kRecordSize)) {
      painter->setPen(look::Colour(look::kRed));
      text = QString::fromLatin1(kDeletedRowText);
    } else {
      const Contact contact(Bytes(data.begin(), data.end()));
      painter->setPen(selected && focused ? QColor(Qt::white) : look::Colour(look::kInk));
      text = QStringLiteral("%1 %2").arg(QString::fromStdString(contact.Text(contact::kFirstName)),
                                         QString::fromStdString(contact.Text(contact::kLastName)));
    }
    const QRect r = option.rect.adjusted(5, 0, -3, 0);
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      QFontMetrics(NormalFont()).elidedText(text, Qt::ElideRight, r.width()));
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return QSize(100, 18); }
};

// The result list, which says when a search found nothing.
class FindResultList : public TesselWndList {
 public:
  using TesselWndList::TesselWndList;
  bool searched = false;
  std::function<void()> resized;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    TesselWndList::resizeEvent(event);
    if (resized) resized();
  }
  void Paint(QPainter& painter) override {
    TesselWndList::Paint(painter);
    if (!searched || rowCount() > 0) return;
    painter.setFont(NormalFont());
    painter.setPen(look::Colour(look::kInk));
    painter.drawText(rect().adjusted(5, 3, -3, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(kNoMatchText));
  }
};

}  // namespace

FindDialog::FindDialog(RecordStore& store, std::string category, EditContact editContact, QWidget* owner)
    : TesselDialog(kFindDialog, owner), store_(store), category_(std::move(category)),
      editContact_(std::move(editContact)) {
  setObjectName(QString::number(kFindDialog));
  setWindowTitle(QStringLiteral("Find"));
  auto* layout = new QVBoxLayout(this);
  auto* frame = new QGroupBox(QStringLiteral("Category"), this);
  auto* frameLayout = new QVBoxLayout(frame);
  auto* categoryText = new QLabel(category_.empty() ? QStringLiteral("All Categories")
                                                    : QString::fromStdString(category_), frame);
  categoryText->setObjectName(QStringLiteral("category"));
  frameLayout->addWidget(categoryText);
  layout->addWidget(frame);

  auto* findRow = new QHBoxLayout();
  auto* label = new QLabel(QStringLiteral("Find"), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("find"));
  label->setBuddy(edit_);
  findRow->addWidget(label);
  findRow->addWidget(edit_, 1);
  layout->addLayout(findRow);

  auto* body = new QHBoxLayout();
  auto* list = new FindResultList(this);
  results_ = list;
  results_->SetControlId(kFindResultList);
  (void)results_->Create(this);
  results_->SetNotifyTarget(this);
  results_->SetModel(&model_);
  results_->SetDelegate(new FindRowDelegate(this));
  results_->setMinimumSize(260, 200);
  // The scroll bar beside the results follows the rows shown and moves them.
  scrollBar_ = new TesselClassWndScrollBar(this);
  scrollBar_->setObjectName(QStringLiteral("resultsScrollBar"));
  scrollBar_->setFixedWidth(kResultsScrollBarWidth);
  auto* resultsRow = new QHBoxLayout();
  resultsRow->setSpacing(0);
  resultsRow->addWidget(results_, 1);
  resultsRow->addWidget(scrollBar_);
  body->addLayout(resultsRow, 1);
  list->resized = [this] { SyncScrollBar(); };
  connect(results_, &TesselWndList::topRowChanged, this, &FindDialog::SyncScrollBar);
  connect(results_, &TesselWndList::rowCountChanged, this, &FindDialog::SyncScrollBar);
  connect(scrollBar_, &TesselClassWndScrollBar::valueChanged, results_, &TesselWndList::SetTopRow);
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
  connect(find_, &QPushButton::clicked, this, &FindDialog::Find);
  connect(goTo_, &QPushButton::clicked, this, &FindDialog::GoTo);
  connect(done_, &QPushButton::clicked, this, [this] { EndDialog(0); });
}

FindDialog::~FindDialog() = default;

void FindDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget() ? parentWidget()->window() : nullptr);
  edit_->setFocus();
}

void FindDialog::Find() {
  const QString text = edit_->text().left(int(kFindTextLimit));
  if (text.isEmpty()) return;
  const Result found = RunFind(store_, query_, text.toStdString(), category_);
  model_.SetSource(&store_, &query_);
  static_cast<FindResultList*>(results_)->searched = true;
  results_->SelectRow(-1);
  results_->ScrollToTop();
  results_->update();
  setWindowTitle(QStringLiteral("Occurrences %1").arg(query_.count()));
  goTo_->setEnabled(false);
  results_->setFocus();
  // What could be searched is listed; the user learns that it is not all.
  if (!found.ok()) InformationBox(this, found.Message());
}

void FindDialog::SyncScrollBar() {
  scrollBar_->SetRange(results_->maxTopRow(), results_->fullyVisibleRows());
  scrollBar_->SetValue(results_->topRow());
}

void FindDialog::GoTo() {
  const int row = results_->selectedRow();
  if (row < 0 || row >= results_->rowCount()) return;
  chosen_ = model_.PositionAt(row);
  EndDialog(1);
}

qintptr FindDialog::OnCommand(const Command& command) {
  switch (command.id) {
    case kNotifySelectionMoved:
    case kNotifyClick:
      if (command.param >= 0) goTo_->setEnabled(true);
      return 1;
    case kNotifyDoubleClick:
      if (command.param >= 0 && command.param < results_->rowCount() && editContact_) {
        editContact_(model_.PositionAt(int(command.param)));
      }
      return 1;
    default:
      return TesselDialog::OnCommand(command);
  }
}

}  // namespace velmora
