#include "calendar/gui/EventRowDelegate.h"

#include <QPainter>
#include <QStyleOptionViewItem>

#include "store/Dates.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/RecordQueryModel.h"

namespace velmora {

namespace {

constexpr int kLeftMargin = 4;
constexpr int kSubjectIndent = 20;   // the subject starts this far right of the times
constexpr int kIconsLeft = 95;       // a timed row's icons
constexpr int kIconGap = 2;
constexpr int kIconSize = 16;
const QColor kEventBlue(64, 64, 255);
const QColor kCategoryRed(255, 0, 0);
const QColor kRuleGrey(192, 192, 192);

QString Q(const std::string& text) { return QString::fromStdString(text); }

int IconWidth(int bitmap) {
  const QImage& image = BitmapImage(bitmap);
  return image.isNull() ? kIconSize : image.width();
}

int IconHeight(int bitmap) {
  const QImage& image = BitmapImage(bitmap);
  return image.isNull() ? kIconSize : image.height();
}

// Places the icons from x on, centred on the line y..y+height; returns where
// the next part starts.
int PlaceIcons(const std::vector<int>& icons, int x, int top, int height, EventRowGeometry& g) {
  for (int bitmap : icons) {
    g.icons.push_back({bitmap, QPoint(x, top + (height - IconHeight(bitmap)) / 2)});
    x += IconWidth(bitmap) + kIconGap;
  }
  return icons.empty() ? x : x + 2;
}

int TextWidth(const QFont& font, const QString& text) { return QFontMetrics(font).horizontalAdvance(text); }

}  // namespace

std::vector<int> EventStatusIcons(const EventRecord& record) {
  std::vector<int> icons;
  if (record.confidential()) icons.push_back(kIconConfidential);
  if (record.alarmSet()) icons.push_back(kIconAlarm);
  if (record.attachmentKind() != event::kAttachNone && !record.attachment().empty()) {
    icons.push_back(kIconAttachment);
  }
  if (record.repeats()) icons.push_back(kIconRepeat);
  return icons;
}

std::string EventTimesText(const EventRecord& record) {
  return FormatTime(record.startTime()) + "-" + FormatTime(record.endTime());
}

EventRowGeometry LayOutEventRow(const EventRecord& record, const QRect& row, bool selected) {
  EventRowGeometry g;
  g.allDay = record.allDay();
  const std::vector<int> icons = EventStatusIcons(record);
  const QString category = record.category().empty() ? QString() : QStringLiteral("[%1]").arg(Q(record.category()));
  const int right = row.right() - kLeftMargin;
  if (g.allDay) {
    // One line across the band: icons, category, subject.
    int x = PlaceIcons(icons, row.left() + kLeftMargin + 6, row.top(), row.height(), g);
    if (!category.isEmpty()) {
      const int w = TextWidth(NormalFont(), category);
      g.category = QRect(x, row.top(), w, row.height());
      x += w + 4;
    }
    g.subject = QRect(x, row.top(), std::max(0, right - x - 6), row.height());
    return g;
  }
  const int half = row.height() / 2;
  g.times = QRect(row.left() + kLeftMargin, row.top(), kIconsLeft - kLeftMargin - 2, half);
  int x = PlaceIcons(icons, row.left() + kIconsLeft, row.top(), half, g);
  if (!category.isEmpty()) g.category = QRect(x, row.top(), std::max(0, right - x), half);
  const int subjectLeft = row.left() + kLeftMargin + kSubjectIndent;
  g.subject = QRect(subjectLeft, row.top() + half, std::max(0, right - subjectLeft), row.height() - half);
  g.rule = !selected;
  g.ruleLine = QRect(row.left(), row.bottom(), row.width() * 2 / 3, 1);
  return g;
}

void EventRowDelegate::PaintRow(QPainter& painter, const QRect& rect, const QByteArray& data, bool selected,
                                bool focused) const {
  painter.save();
  const QColor paper = !selected ? look::Colour(look::kPaper)
                                 : look::Colour(focused ? look::kAccentPale : look::kSilver);
  painter.fillRect(rect, paper);
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  if (data.isEmpty()) {
    painter.setFont(NormalFont());
    painter.setPen(kCategoryRed);
    painter.drawText(rect.adjusted(kLeftMargin, 0, -kLeftMargin, 0), flags, QString::fromLatin1(kRecordDeletedText));
    painter.restore();
    return;
  }
  const EventRecord record(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
  const EventRowGeometry g = LayOutEventRow(record, rect, selected);
  if (g.allDay) {
    // The band: the middle stretched across the row, the two ends over it.
    const QRect band = rect.adjusted(1, 3, -1, -3);
    const QImage& middle = BitmapImage("all_day.bmp");
    const QImage& left = BitmapImage("all_day_left.bmp");
    const QImage& right = BitmapImage("all_day_right.bmp");
    if (!middle.isNull()) DrawStretched(painter, band, middle);
    if (!left.isNull()) painter.drawImage(QRect(band.left(), band.top(), left.width(), band.height()), left);
    if (!right.isNull()) {
      painter.drawImage(QRect(band.right() - right.width() + 1, band.top(), right.width(), band.height()), right);
    }
  } else {
    painter.setFont(NormalFont());
    painter.setPen(kEventBlue);
    painter.drawText(g.times, flags, Q(EventTimesText(record)));
  }
  for (const EventRowGeometry::Icon& icon : g.icons) painter.drawImage(icon.at, BitmapImage(icon.bitmap));
  if (!g.category.isNull()) {
    painter.setFont(NormalFont());
    painter.setPen(kCategoryRed);
    const QString category = QStringLiteral("[%1]").arg(Q(record.category()));
    painter.drawText(g.category, flags, painter.fontMetrics().elidedText(category, Qt::ElideRight, g.category.width()));
  }
  painter.setFont(g.allDay ? BoldFont() : NormalFont());
  painter.setPen(kEventBlue);
  painter.drawText(g.subject, flags, painter.fontMetrics().elidedText(Q(record.subject()), Qt::ElideRight, g.subject.width()));
  if (g.rule) {
    painter.setPen(kRuleGrey);
    painter.drawLine(g.ruleLine.left(), g.ruleLine.top(), g.ruleLine.right(), g.ruleLine.top());
  }
  painter.restore();
}

void EventRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // The record is read now, so a row deleted since the list was loaded
  // shows it at once.
  PaintRow(*painter, option.rect, index.data(RecordQueryModel::kRecordRole).toByteArray(),
           option.state.testFlag(QStyle::State_Selected), option.state.testFlag(QStyle::State_HasFocus));
}

QSize EventRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(300, kEventRowHeight);
}

}  // namespace velmora
