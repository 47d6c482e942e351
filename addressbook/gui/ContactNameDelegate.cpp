#include "addressbook/gui/ContactNameDelegate.h"

#include <QPainter>

#include "addressbook/model/ContactRecord.h"
#include "toolkit/Fonts.h"
#include "toolkit/ListTextDelegate.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/RecordQueryModel.h"

namespace velmora {

QString ContactRowText(const Bytes& record) {
  if (record.size() < contact::kRecordSize) return {};
  const Contact contact(record);
  const QString first = QString::fromStdString(contact.Text(contact::kFirstName));
  const QString last = QString::fromStdString(contact.Text(contact::kLastName));
  return (first + QLatin1Char(' ') + last).trimmed();
}

void ContactNameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const QByteArray data = index.data(RecordQueryModel::kRecordRole).toByteArray();
  const bool selected = option.state & QStyle::State_Selected;
  const bool focused = option.state & QStyle::State_HasFocus;
  if (data.isEmpty()) {
    painter->save();
    painter->fillRect(option.rect, look::Colour(look::kPaper));
    painter->setFont(NormalFont());
    painter->setPen(look::Colour(look::kRed));
    painter->drawText(option.rect.adjusted(5, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      QString::fromLatin1(kDeletedRowText));
    painter->restore();
    return;
  }
  const Bytes record(data.begin(), data.end());
  PaintTextRow(*painter, option.rect, ContactRowText(record), selected, focused);
}

QSize ContactNameDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(100, 18);
}

}  // namespace velmora
