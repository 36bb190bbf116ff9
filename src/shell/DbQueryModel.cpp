// The grid model of a query result.
#include "shell/DbQueryModel.h"

#include "engine/DbQuery.h"

namespace tessaly {

void TDbQueryModel::SetQuery(TDbQuery& aQry) {
  beginResetModel();
  FFields.clear();
  FRows.clear();
  if (aQry.Active()) {
    for (int f = 0; f < aQry.FieldCount(); ++f) FFields << QString::fromStdString(aQry.FieldName(f));
    // Results are too large to copy: walk the query itself and leave it on its first row.
    for (aQry.First(); !aQry.Eof(); aQry.Next()) {
      QStringList row;
      for (int f = 0; f < aQry.FieldCount(); ++f) row << QString::fromStdString(aQry.AsString(f));
      FRows.push_back(row);
    }
    aQry.First();
  }
  endResetModel();
}

int TDbQueryModel::FindPrefix(int aColumn, const QString& aValue) const {
  if (aColumn < 0 || aColumn >= FFields.size()) return -1;
  for (std::size_t r = 0; r < FRows.size(); ++r)
    if (FRows[r][aColumn].startsWith(aValue, Qt::CaseInsensitive)) return static_cast<int>(r);
  return -1;
}

int TDbQueryModel::rowCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TDbQueryModel::columnCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : static_cast<int>(FFields.size());
}

QVariant TDbQueryModel::data(const QModelIndex& aIndex, int aRole) const {
  if (!aIndex.isValid() || (aRole != Qt::DisplayRole && aRole != Qt::ToolTipRole)) return {};
  return FRows[static_cast<std::size_t>(aIndex.row())][aIndex.column()];
}

QVariant TDbQueryModel::headerData(int aSection, Qt::Orientation aOrientation, int aRole) const {
  if (aRole != Qt::DisplayRole) return {};
  if (aOrientation == Qt::Horizontal) return aSection < FFields.size() ? FFields[aSection] : QVariant();
  return aSection + 1;
}

}  // namespace tessaly
