// ContactRowDelegate: paints one 58-pixel row of the contact list from the
// record read when the row is painted. The left part holds the name block
// (bold line, small second line) with the status icons and the category
// below it; the right part the detail lines of the view tab, each a label at
// the left and the value right-aligned in blue. A row whose record is gone
// says that another user deleted it.
#pragma once

#include <QAbstractItemDelegate>
#include <QColor>
#include <QRect>
#include <array>
#include <optional>
#include <vector>

#include "addressbook/model/ContactRows.h"

namespace velmora {

inline constexpr int kContactRowHeight = 58;
inline const QColor kValueBlue(64, 64, 255);

// What every row shows, set by the pane.
struct ContactRowLook {
  int sortOrder = 1;
  int viewTab = kViewHome;
  std::array<ListColumn, 3> columns = kDefaultListColumns;
};

// Where the parts of a row are painted.
struct ContactRowGeometry {
  QRect firstLine, secondLine;
  struct Detail {
    ContactDetailLine line;
    QRect labelRect;  // the line's whole width
    QRect valueText;  // where the value's text is drawn
    QRect hitArea;    // 3 pixels left of the text to the row's right edge
  };
  std::vector<Detail> details;
  struct Icon {
    int bitmap;
    QPoint at;
  };
  std::vector<Icon> icons;
  QRect categoryRect;
};
ContactRowGeometry LayOutContactRow(const Contact& contact, const QRect& row, const ContactRowLook& look);

class ContactRowDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;

  void SetLook(const ContactRowLook& look) { look_ = look; }
  const ContactRowLook& look() const { return look_; }

  // A value drawn in the highlight colours (on) or plain white (off) while
  // it blinks; none when nothing blinks.
  struct Blink {
    int row = -1;
    int line = -1;
    bool on = false;
  };
  void SetBlink(std::optional<Blink> blink) { blink_ = blink; }

  // Paints the row of record (empty: deleted by another user) into rect.
  void PaintRow(QPainter& painter, const QRect& rect, const QByteArray& record, bool selected, bool focused,
                int row) const;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  ContactRowLook look_;
  std::optional<Blink> blink_;
};

}  // namespace velmora
