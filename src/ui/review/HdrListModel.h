#pragma once

#include "core/Records.h"

#include <QAbstractTableModel>

#include <vector>

namespace mailmoat {

// The check-and-view list over the run's records, in place: each row points at its record
// (RecordRole), so sorting never breaks the link, and a tick is written into the record's
// delete mark at once. Column 0 carries the check box and the state picture.
class THdrListModel : public QAbstractTableModel {
public:
  enum TColumn { colTo, colFrom, colSubject, colSize, colMessageId, ColumnCount };
  static constexpr int RecordRole = Qt::UserRole + 1;

  explicit THdrListModel(std::vector<THdrRec>& records, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Always ascending, whatever `order` says: text columns by the user's locale (case
  // sensitive), "Size" as numbers.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  // Rebuilds the rows from the records, in record order.
  void Refill();
  // The record a row shows.
  THdrRec& Record(int row);
  int RecordIndex(int row) const { return Order[static_cast<std::size_t>(row)]; }
  // The text of a cell as shown (the first column with its two leading blanks).
  QString CellText(int row, int column) const;

private:
  std::vector<THdrRec>& Records;
  std::vector<int> Order;  // row -> record index
};

}  // namespace mailmoat
