#include "ui/review/HdrListModel.h"

#include "check/HdrReview.h"
#include "ui/common/Icons.h"
#include "ui/common/QtText.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace mailmoat {

THdrListModel::THdrListModel(std::vector<THdrRec>& records, QObject* parent)
    : QAbstractTableModel(parent), Records(records) {
  Order.resize(Records.size());
  std::iota(Order.begin(), Order.end(), 0);
}

int THdrListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Order.size());
}

int THdrListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

THdrRec& THdrListModel::Record(int row) {
  return Records[static_cast<std::size_t>(RecordIndex(row))];
}

QString THdrListModel::CellText(int row, int column) const {
  const THdrRec& rec = Records[static_cast<std::size_t>(RecordIndex(row))];
  switch (column) {
    case colTo: return "  " + TextToQString(rec.Recipients);
    case colFrom: return TextToQString(rec.Sender);
    case colSubject: return TextToQString(rec.Subject);
    case colSize: return QString::number(rec.Size);
    case colMessageId: return TextToQString(rec.UIDL);
    default: return {};
  }
}

QVariant THdrListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const int row = index.row();
  const THdrRec& rec = Records[static_cast<std::size_t>(RecordIndex(row))];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return CellText(row, index.column());
    case Qt::DecorationRole:
      if (index.column() == colTo) return MessageStateIcon(static_cast<int>(HdrState(rec)));
      return {};
    case Qt::CheckStateRole:
      if (index.column() == colTo) return rec.DeleteMark ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == colSize) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    case RecordRole: return RecordIndex(row);
    default: return {};
  }
}

bool THdrListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid()) return false;
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return false;
  // Captions cannot be edited: only the check box changes.
  if (role != Qt::CheckStateRole || index.column() != colTo) return false;
  Record(index.row()).DeleteMark = value.toInt() == Qt::Checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

Qt::ItemFlags THdrListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == colTo) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant THdrListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const captions[] = {"Addressed To", "Addressed From", "Subject", "Size", "Message ID"};
  if (section < 0 || section >= ColumnCount) return {};
  return QString(captions[section]);
}

void THdrListModel::sort(int column, Qt::SortOrder) {
  if (column < 0 || column >= ColumnCount) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int> recordsBefore;
  recordsBefore.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& i : before) recordsBefore.push_back(RecordIndex(i.row()));

  // Keys by record index, so the comparison does not depend on the current row order.
  std::vector<QString> texts(Records.size());
  std::vector<long long> numbers(Records.size());
  for (std::size_t row = 0; row < Order.size(); ++row) {
    const auto rec = static_cast<std::size_t>(Order[row]);
    texts[rec] = CellText(static_cast<int>(row), column);
    if (column == colSize) numbers[rec] = SizeSortKey(texts[rec].toStdString());
  }
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseSensitive);
  std::stable_sort(Order.begin(), Order.end(), [&](int a, int b) {
    const auto ia = static_cast<std::size_t>(a);
    const auto ib = static_cast<std::size_t>(b);
    if (column == colSize) return numbers[ia] < numbers[ib];
    return collator.compare(texts[ia], texts[ib]) < 0;
  });

  std::vector<int> rowOf(Records.size());
  for (std::size_t row = 0; row < Order.size(); ++row)
    rowOf[static_cast<std::size_t>(Order[row])] = static_cast<int>(row);
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i)
    after.push_back(
        index(rowOf[static_cast<std::size_t>(recordsBefore[static_cast<std::size_t>(i)])], before[i].column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void THdrListModel::Refill() {
  beginResetModel();
  Order.resize(Records.size());
  std::iota(Order.begin(), Order.end(), 0);
  endResetModel();
}

}  // namespace mailmoat
