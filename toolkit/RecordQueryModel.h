// RecordQueryModel: the rows of a list view over a record file, one per
// record position of a query, in the query's order. A row's data is its
// record position and, on request, the record read from the file (empty when
// the slot is no longer live, for instance deleted by another user).
#pragma once

#include <QAbstractListModel>

#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora {

class RecordQueryModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role {
    kPositionRole = Qt::UserRole + 1,  // qulonglong
    kRecordRole,                       // QByteArray; empty when not live
  };

  using QAbstractListModel::QAbstractListModel;

  // Neither is owned. The row count becomes the query's count.
  void SetSource(RecordStore* store, RecordQuery* query);
  RecordStore* store() const { return store_; }
  RecordQuery* query() const { return query_; }

  // Shows the first count positions of the query (never more than it has).
  void SetRowCount(int count);
  // Takes the query's positions again after it was run.
  void Reload();

  // The record position of row (0 outside the rows).
  RecordPosition PositionAt(int row) const;
  // The first row whose record carries id; -1 when none does.
  int RowOfRecordId(uint64_t id) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  RecordStore* store_ = nullptr;
  RecordQuery* query_ = nullptr;
  int rows_ = 0;
};

}  // namespace velmora
