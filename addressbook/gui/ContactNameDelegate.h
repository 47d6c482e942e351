// ContactNameDelegate: draws a contact list row as one line, the first name
// and the last name, from the row's record; a row whose slot is no longer
// live says that another user deleted it.
#pragma once

#include <QAbstractItemDelegate>

#include "store/RecordStore.h"

namespace velmora {

// "First Last" of a contact record; empty when the record is too short.
QString ContactRowText(const Bytes& record);
inline const char* const kDeletedRowText = "Record is deleted by another user.";

class ContactNameDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace velmora
