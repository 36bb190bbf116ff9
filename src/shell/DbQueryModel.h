#pragma once
// A read-only table model of a query result for a grid: the field names as column titles and
// every value in its text form, copied when the result is taken, so painting never moves the
// query's current row. UI thread only.
#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace tessaly {

class TDbQuery;

class TDbQueryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Shows the rows of aQry (none when it is not open); aQry is left on its first row.
  void SetQuery(TDbQuery& aQry);

  // The first row, from the top, whose value in aColumn begins with aValue without regard to
  // case; -1 when there is none.
  [[nodiscard]] int FindPrefix(int aColumn, const QString& aValue) const;

  [[nodiscard]] int rowCount(const QModelIndex& aParent = QModelIndex()) const override;
  [[nodiscard]] int columnCount(const QModelIndex& aParent = QModelIndex()) const override;
  [[nodiscard]] QVariant data(const QModelIndex& aIndex, int aRole = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int aSection, Qt::Orientation aOrientation,
                                    int aRole = Qt::DisplayRole) const override;

 private:
  QStringList FFields;
  std::vector<QStringList> FRows;
};

}  // namespace tessaly
