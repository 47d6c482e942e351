// EventRowDelegate: paints one row of the calendar pane's day list from the
// record read when the row is painted. A timed event shows its times in blue
// at the left, the subject in the lower half further right, the status icons
// and the category in red; an all-day event sits on the all-day band with
// the icons, the category and the subject. A record that is gone says that
// another user deleted it.
#pragma once

#include <QAbstractItemDelegate>
#include <QColor>
#include <QRect>
#include <QString>
#include <vector>

#include "calendar/model/EventRecord.h"

namespace velmora {

inline constexpr int kEventRowHeight = 34;
inline constexpr const char* kRecordDeletedText = "Record is deleted by another user.";

// The bitmaps of the status icons, in the order they are drawn.
inline constexpr int kIconConfidential = 2017;
inline constexpr int kIconAlarm = 2014;
inline constexpr int kIconAttachment = 2018;
inline constexpr int kIconRepeat = 2019;

// The icons an event shows, in drawing order.
std::vector<int> EventStatusIcons(const EventRecord& record);

// "%s-%s": start and end time through FormatTime.
std::string EventTimesText(const EventRecord& record);

// Where the parts of a row go.
struct EventRowGeometry {
  bool allDay = false;
  QRect times;     // timed events only
  QRect subject;
  struct Icon {
    int bitmap;
    QPoint at;
  };
  std::vector<Icon> icons;
  QRect category;  // "[%s]", empty without a category
  bool rule = false;  // the grey rule under a timed row
  QRect ruleLine;
};
EventRowGeometry LayOutEventRow(const EventRecord& record, const QRect& row, bool selected);

class EventRowDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;

  // Paints the row of record (empty: deleted by another user) into rect.
  void PaintRow(QPainter& painter, const QRect& rect, const QByteArray& record, bool selected, bool focused) const;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace velmora
