#include "toolkit/RecordQueryModel.h"

namespace velmora {

void RecordQueryModel::SetSource(RecordStore* store, RecordQuery* query) {
  beginResetModel();
  store_ = store;
  query_ = query;
  rows_ = query_ ? int(query_->count()) : 0;
  endResetModel();
}

void RecordQueryModel::SetRowCount(int count) {
  beginResetModel();
  const int available = query_ ? int(query_->count()) : 0;
  rows_ = std::clamp(count, 0, available);
  endResetModel();
}

void RecordQueryModel::Reload() { SetRowCount(query_ ? int(query_->count()) : 0); }

RecordPosition RecordQueryModel::PositionAt(int row) const {
  if (!query_ || row < 0 || row >= rows_ || size_t(row) >= query_->count()) return 0;
  return query_->positions()[size_t(row)];
}

int RecordQueryModel::RowOfRecordId(uint64_t id) const {
  if (!store_ || !query_ || id == 0) return -1;
  for (int row = 0; row < rowCount(); ++row) {
    if (store_->IsSameRecord(id, PositionAt(row))) return row;
  }
  return -1;
}

int RecordQueryModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !query_) return 0;
  // The query may have been run again without a reload yet.
  return std::min(rows_, int(query_->count()));
}

QVariant RecordQueryModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const RecordPosition position = PositionAt(index.row());
  switch (role) {
    case kPositionRole:
      return QVariant::fromValue<qulonglong>(position);
    case kRecordRole: {
      if (!store_) return QByteArray();
      Bytes record;
      if (!store_->ReadRecordIfLive(record, position).ok()) return QByteArray();
      return QByteArray(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
    }
    default:
      return {};
  }
}

QHash<int, QByteArray> RecordQueryModel::roleNames() const {
  return {{kPositionRole, "position"}, {kRecordRole, "record"}};
}

}  // namespace velmora
