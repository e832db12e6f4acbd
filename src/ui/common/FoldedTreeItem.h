#pragma once

#include <QTreeWidgetItem>

namespace mailmoat {

// A list row that sorts by its text without regard to letter case, as users read a list.
class TFoldedTreeItem : public QTreeWidgetItem {
public:
  using QTreeWidgetItem::QTreeWidgetItem;

  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return QString::compare(text(column), other.text(column), Qt::CaseInsensitive) < 0;
  }
};

}  // namespace mailmoat
