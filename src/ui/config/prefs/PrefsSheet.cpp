#include "ui/config/prefs/PrefsSheet.h"

#include "ui/common/QtText.h"
#include "ui/common/ReportPrinter.h"
#include "ui/config/ProfileBoxes.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace mailmoat {

TPrefsSheet::TPrefsSheet(TPrefsPageContext& context, const char* name, QWidget* parent)
    : QWidget(parent), Ctx(context) {
  setObjectName(name);
}

QCheckBox* TPrefsSheet::BoundCheck(const char* text, const char* name, bool& field) {
  auto* box = new QCheckBox(text, this);
  box->setObjectName(name);
  box->setChecked(field);
  connect(box, &QCheckBox::toggled, this, [this, &field](bool on) {
    field = on;
    MarkChanged();
  });
  return box;
}

QLineEdit* TPrefsSheet::BoundEdit(const char* name, std::string& field, int maxChars, std::size_t maxBytes) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  if (maxChars > 0) edit->setMaxLength(maxChars);
  edit->setText(TextToQString(field));
  // Text set by the program (a browse button) counts as typed; showing what the field holds
  // already (a box trimmed by a save) is no change.
  connect(edit, &QLineEdit::textChanged, this, [this, &field, maxBytes](const QString& text) {
    const std::string value = QStringToText(text, maxBytes);
    if (value == field) return;
    field = value;
    MarkChanged();
  });
  return edit;
}

QSpinBox* TPrefsSheet::BoundSpin(const char* name, int low, int high, int& field) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(name);
  spin->setRange(low, high);
  spin->setValue(field);
  // A stored value out of the box's range is shown at the nearest bound and stored so.
  field = spin->value();
  connect(spin, &QSpinBox::valueChanged, this, [this, &field](int value) {
    if (value == field) return;
    field = value;
    MarkChanged();
  });
  return spin;
}

QLabel* TPrefsSheet::Caption(const char* text, const char* name, QWidget* buddy) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  if (buddy) label->setBuddy(buddy);
  return label;
}

QLabel* TPrefsSheet::Explanation(const char* text, const char* name) {
  auto* label = Caption(text, name);
  label->setWordWrap(true);
  return label;
}

QGroupBox* TPrefsSheet::Group(const char* title, const char* name) {
  auto* group = new QGroupBox(title, this);
  group->setObjectName(name);
  return group;
}

QToolButton* TPrefsSheet::BrowseButton(const char* name, const char* hint) {
  return MakeBrowseButton(name, hint, this);
}

TPrintTable ListReport(const QTreeWidget* list, const QString& title) {
  TPrintTable report;
  report.Title = title;
  report.RowsPerPage = 46;
  for (int c = 0; c < list->columnCount(); ++c) report.Columns << list->headerItem()->text(c);
  for (int r = 0; r < list->topLevelItemCount(); ++r) {
    QStringList row;
    for (int c = 0; c < list->columnCount(); ++c) row << list->topLevelItem(r)->text(c);
    report.Rows.push_back(row);
  }
  return report;
}

QPushButton* TPrefsSheet::Button(const char* text, const char* name) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QTreeWidget* TPrefsSheet::ReportList(const char* name, const QStringList& columns, const QList<int>& widths) {
  auto* list = new QTreeWidget(this);
  list->setObjectName(name);
  list->setHeaderLabels(columns);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  for (int i = 0; i < widths.size(); ++i) {
    if (widths[i] > 0) {
      list->setColumnWidth(i, widths[i]);
    } else {
      list->header()->setSectionResizeMode(i, QHeaderView::ResizeToContents);
    }
  }
  return list;
}

QMenu* TPrefsSheet::PrintMenu(QTreeWidget* list, const char* name, const QString& title) {
  auto* menu = new QMenu(this);
  menu->setObjectName(name);
  QAction* print = menu->addAction("&Print List");
  print->setObjectName("mnuPrintList");
  print->setShortcut(QKeySequence("Ctrl+P"));
  QAction* preview = menu->addAction("Print Pre&view");
  preview->setObjectName("mnuPrintPreview");
  preview->setShortcut(QKeySequence("Ctrl+V"));
  const auto table = [list, title] { return ListReport(list, title); };
  connect(print, &QAction::triggered, this, [this, table] { PrintTableAsked(this, table()); });
  connect(preview, &QAction::triggered, this, [this, table] { PreviewTable(this, table()); });
  for (QAction* action : {print, preview}) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    list->addAction(action);
  }
  connect(list, &QTreeWidget::customContextMenuRequested, this,
          [menu, list](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
  return menu;
}

}  // namespace mailmoat
