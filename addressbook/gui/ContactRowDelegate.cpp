#include "addressbook/gui/ContactRowDelegate.h"

#include <QApplication>
#include <algorithm>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include "addressbook/gui/ContactNameDelegate.h"
#include "addressbook/model/ContactRecord.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/RecordQueryModel.h"

namespace velmora {

namespace {
constexpr int kLeftMargin = 6;
constexpr int kRightMargin = 5;
constexpr int kDetailHeight = 15;
constexpr int kDetailGap = 2;
constexpr int kIconTop = 40;
constexpr int kIconStep = 12;
constexpr int kExchangeIconStep = 16;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Where the detail lines start: the name block keeps two fifths of the row,
// from 110 to 280 pixels.
int SplitOf(const QRect& row) { return row.left() + std::clamp(row.width() * 2 / 5, 110, 280); }
}  // namespace

ContactRowGeometry LayOutContactRow(const Contact& contact, const QRect& row, const ContactRowLook& look) {
  ContactRowGeometry g;
  const int left = row.left() + kLeftMargin;
  const int split = SplitOf(row);
  const int right = row.right() - kRightMargin;
  const int nameWidth = std::max(0, split - 8 - left);
  g.firstLine = QRect(left, row.top() + 4, nameWidth, 15);
  g.secondLine = QRect(left, row.top() + 20, nameWidth, 12);

  int x = left;
  for (int bitmap : StatusIcons(contact)) {
    g.icons.push_back({bitmap, QPoint(x, row.top() + kIconTop)});
    x += bitmap == kIconExchangePending || bitmap == kIconExchangeChanged ? kExchangeIconStep : kIconStep;
  }
  const int tagLeft = g.icons.empty() ? left : x + 3;
  g.categoryRect = QRect(tagLeft, row.top() + kIconTop - 1, std::max(0, split - 8 - tagLeft), 13);

  const QFontMetrics normal(NormalFont());
  int y = row.top() + 4;
  for (ContactDetailLine& line : BuildDetailLines(contact, look.viewTab, look.columns)) {
    ContactRowGeometry::Detail detail;
    detail.labelRect = QRect(split, y, std::max(0, right - split + 1), kDetailHeight);
    const int labelWidth = normal.horizontalAdvance(Q(line.label));
    const int room = std::max(0, detail.labelRect.width() - labelWidth - 8);
    const QString shown = normal.elidedText(Q(line.value), Qt::ElideRight, room);
    const int textWidth = normal.horizontalAdvance(shown);
    if (textWidth > 0) {
      detail.valueText = QRect(right + 1 - textWidth, y, textWidth, kDetailHeight);
      const int hitLeft = detail.valueText.left() - 3;
      detail.hitArea = QRect(hitLeft, y, row.right() - hitLeft + 1, kDetailHeight);
    }
    detail.line = std::move(line);
    g.details.push_back(std::move(detail));
    y += kDetailHeight + kDetailGap;
  }
  return g;
}

void ContactRowDelegate::PaintRow(QPainter& painter, const QRect& rect, const QByteArray& data, bool selected,
                                  bool focused, int row) const {
  painter.save();
  const bool inverse = selected && focused;
  const QColor paper = !selected ? look::Colour(look::kPaper)
                                 : look::Colour(focused ? look::kAccent : look::kAccentPale);
  painter.fillRect(rect, paper);
  painter.setPen(look::Colour(look::kSteelLight));
  painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());

  if (data.size() < qsizetype(contact::kRecordSize)) {
    painter.setFont(NormalFont());
    painter.setPen(look::Colour(look::kRed));
    painter.drawText(rect.adjusted(kLeftMargin, 0, -kRightMargin, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromLatin1(kDeletedRowText));
    painter.restore();
    return;
  }
  const Contact contact(Bytes(data.begin(), data.end()));
  const ContactRowGeometry g = LayOutContactRow(contact, rect, look_);
  const ContactNameBlock names = BuildNameBlock(contact, look_.sortOrder);
  const QColor ink = inverse ? QColor(Qt::white) : look::Colour(look::kInk);
  const int line = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

  painter.setFont(BoldFont());
  painter.setPen(ink);
  painter.drawText(g.firstLine, line,
                   QFontMetrics(BoldFont()).elidedText(Q(names.first), Qt::ElideRight, g.firstLine.width()));
  painter.setFont(SmallFont());
  painter.setPen(inverse ? QColor(Qt::white) : look::Colour(look::kSteelDark));
  painter.drawText(g.secondLine, line,
                   QFontMetrics(SmallFont()).elidedText(Q(names.second), Qt::ElideRight, g.secondLine.width()));

  for (const ContactRowGeometry::Icon& icon : g.icons) painter.drawImage(icon.at, BitmapImage(icon.bitmap));
  const std::string tag = CategoryTag(contact);
  if (!tag.empty()) {
    painter.setFont(SmallFont());
    painter.setPen(inverse ? QColor(Qt::white) : kValueBlue);
    painter.drawText(g.categoryRect, line,
                     QFontMetrics(SmallFont()).elidedText(Q(tag), Qt::ElideRight, g.categoryRect.width()));
  }

  const QFontMetrics normal(NormalFont());
  painter.setFont(NormalFont());
  const QPalette palette = QApplication::palette();
  for (size_t i = 0; i < g.details.size(); ++i) {
    const ContactRowGeometry::Detail& d = g.details[i];
    painter.setPen(ink);
    painter.drawText(d.labelRect, line, Q(d.line.label));
    if (d.valueText.isEmpty()) continue;
    QColor valueColour = inverse ? QColor(Qt::white) : kValueBlue;
    if (blink_ && blink_->row == row && blink_->line == int(i)) {
      const QRect flash = d.valueText.adjusted(-3, 0, 0, 0);
      painter.fillRect(flash, blink_->on ? palette.color(QPalette::Highlight) : QColor(Qt::white));
      valueColour = blink_->on ? palette.color(QPalette::HighlightedText) : kValueBlue;
    }
    painter.setPen(valueColour);
    painter.drawText(d.valueText, line,
                     normal.elidedText(Q(d.line.value), Qt::ElideRight, d.valueText.width()));
  }
  painter.restore();
}

void ContactRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // The record is read now, so a row deleted since the list was loaded
  // shows it at once.
  PaintRow(*painter, option.rect, index.data(RecordQueryModel::kRecordRole).toByteArray(),
           option.state.testFlag(QStyle::State_Selected), option.state.testFlag(QStyle::State_HasFocus), index.row());
}

QSize ContactRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(300, kContactRowHeight);
}

}  // namespace velmora
