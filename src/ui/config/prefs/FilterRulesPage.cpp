#include "ui/config/prefs/FilterRulesPage.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/FoldedTreeItem.h"
#include "ui/common/QtText.h"
#include "ui/common/ReportPrinter.h"
#include "ui/review/dlgRulesReport.h"
#include "ui/review/formUserRules.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace mailmoat {

namespace {

constexpr int ListRole = Qt::UserRole;
constexpr int IndexRole = Qt::UserRole + 1;

constexpr std::array<const char*, 3> BuiltInRows = {"Matching To/From Fields", "Blank or missing To/From Field",
                                                    "Blank Subject Field"};

QString SectionText(TFilterRulesPage::TRuleList list, const TRuleRec* rule) {
  switch (list) {
    case TFilterRulesPage::BuiltIn:
    case TFilterRulesPage::SysHeader: return "Header";
    case TFilterRulesPage::SysBody: return "Body";
    case TFilterRulesPage::Accept: return "Accept";
    case TFilterRulesPage::User: break;
  }
  return rule->RuleType == RuleType::Header ? "Header" : "Body";
}

bool IsSystemRow(const QTreeWidgetItem* row) {
  return row->text(2) == "System";
}

bool IsBodyRow(const QTreeWidgetItem* row) {
  return row->text(1) == "Body";
}

bool IsAnyRow(const QTreeWidgetItem*) {
  return true;
}

}  // namespace

TFilterRulesPage::TFilterRulesPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtSpammers", parent) {
  lvRules = ReportList("lvRules", {"Rule Description", "Section", "Source"}, {275, 75, 60});
  lvRules->header()->setSectionsClickable(true);
  lvRules->installEventFilter(this);
  auto* lblRules = Caption("Filter Rules:  (click column headings to sort by that column)", "lblRules", lvRules);
  auto* Label4 = Explanation(
      "Below are listed the rules Mailmoat uses for processing messages. These rules determine what is accepted and "
      "what messages are rejected. You can enable and disable individual rules with the checkbox next to each rule. "
      "To add rules, right-click the list below and select Add. To edit a rule, right-click the rule and select "
      "Edit.",
      "Label4");
  Label4->setFrameShape(QFrame::StyledPanel);
  Label4->setMargin(6);
  btnCheckAll = Button("Check &All", "btnCheckAll");
  btnCheckSysRules = Button("Check &System Rules", "btnCheckSysRules");
  btnCheckBodyRules = Button("Check &Body Rules", "btnCheckBodyRules");

  mnuRules = new QMenu(this);
  mnuRules->setObjectName("mnuRules");
  MenuItem("&Add User Rule", "AddUserRule1", "Ins", &TFilterRulesPage::AddRule);
  MenuItem("&Edit Selected Rule", "EditSelectedRule1", "F2", &TFilterRulesPage::EditRule);
  MenuItem("&Delete Selected Rule", "DeleteSelectedRule1", "Del", &TFilterRulesPage::DeleteRule);
  mnuRules->addSeparator();
  MenuItem("&Rules Report", "RulesReport1", "Ctrl+R", &TFilterRulesPage::RulesReport);
  QAction* print = MenuItem("&Print Rules Listing", "PrintRulesListing1", "Ctrl+P", nullptr);
  QAction* preview = MenuItem("Print Pre&view", "PrintPreview2", "Ctrl+V", nullptr);
  connect(print, &QAction::triggered, this, [this] { Print(false); });
  connect(preview, &QAction::triggered, this, [this] { Print(true); });
  connect(lvRules, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { mnuRules->popup(lvRules->viewport()->mapToGlobal(at)); });

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnCheckAll, btnCheckSysRules, btnCheckBodyRules}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lblRules);
  column->addWidget(Label4);
  column->addWidget(lvRules, 1);
  column->addLayout(buttons);

  ShowRules();
  connect(lvRules->header(), &QHeaderView::sectionClicked, this, [this](int c) { SortBy(c); });
  connect(lvRules, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row) { RowChanged(row); });
  connect(lvRules, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
    lvRules->setCurrentItem(row);
    EditRule();
  });
  connect(btnCheckAll, &QPushButton::clicked, this, [this] {
    const bool on = btnCheckAll->text() == "Check &All";
    CheckGroup(btnCheckAll, "Check &All", "Uncheck &All", IsAnyRow);
    btnCheckSysRules->setText(on ? "Uncheck &System Rules" : "Check &System Rules");
    btnCheckBodyRules->setText(on ? "Uncheck &Body Rules" : "Check &Body Rules");
  });
  connect(btnCheckSysRules, &QPushButton::clicked, this,
          [this] { CheckGroup(btnCheckSysRules, "Check &System Rules", "Uncheck &System Rules", IsSystemRow); });
  connect(btnCheckBodyRules, &QPushButton::clicked, this,
          [this] { CheckGroup(btnCheckBodyRules, "Check &Body Rules", "Uncheck &Body Rules", IsBodyRow); });
}

QAction* TFilterRulesPage::MenuItem(const char* text, const char* name, const char* keys,
                                    void (TFilterRulesPage::*command)()) {
  QAction* action = mnuRules->addAction(text);
  action->setObjectName(name);
  action->setShortcut(QKeySequence(keys));
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  lvRules->addAction(action);
  if (command) connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
  return action;
}

bool TFilterRulesPage::eventFilter(QObject* watched, QEvent* event) {
  // The list takes Delete, Insert and F2 as its own keys; here they are the menu's.
  if (watched == lvRules && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier) {
      switch (key->key()) {
        case Qt::Key_Delete: DeleteRule(); return true;
        case Qt::Key_Insert: AddRule(); return true;
        case Qt::Key_F2: EditRule(); return true;
        default: break;
      }
    }
  }
  return TPrefsSheet::eventFilter(watched, event);
}

void TFilterRulesPage::ShowRules() {
  const QSignalBlocker block(lvRules);
  lvRules->setUpdatesEnabled(false);
  lvRules->clear();
  for (int i = 0; i < static_cast<int>(BuiltInRows.size()); ++i) AddRow(BuiltIn, i);
  const std::pair<TRuleList, const std::vector<TRuleRec>*> lists[] = {{SysHeader, &Ctx.Prefs.SysHeaderRules},
                                                                      {SysBody, &Ctx.Prefs.SysBodyRules},
                                                                      {Accept, &Ctx.Prefs.AcceptRules},
                                                                      {User, &Ctx.Prefs.UserRules}};
  for (const auto& [list, rules] : lists)
    for (int i = 0; i < static_cast<int>(rules->size()); ++i) AddRow(list, i);
  lvRules->setUpdatesEnabled(true);
}

QTreeWidgetItem* TFilterRulesPage::AddRow(TRuleList list, int index) {
  auto* row = new TFoldedTreeItem(lvRules);
  row->setData(0, ListRole, static_cast<int>(list));
  row->setData(0, IndexRole, index);
  const TRuleRec* rule = RuleOf(row);
  row->setText(0, rule ? TextToQString(rule->Description) : BuiltInRows[static_cast<std::size_t>(index)]);
  row->setText(1, SectionText(list, rule));
  row->setText(2, list == BuiltIn || list == SysHeader || list == SysBody ? "System" : "User");
  const bool enabled = rule ? rule->Enabled : *BuiltInSetting(index);
  row->setCheckState(0, enabled ? Qt::Checked : Qt::Unchecked);
  return row;
}

TRuleRec* TFilterRulesPage::RuleOf(const QTreeWidgetItem* row) {
  const auto index = static_cast<std::size_t>(row->data(0, IndexRole).toInt());
  switch (static_cast<TRuleList>(row->data(0, ListRole).toInt())) {
    case SysHeader: return &Ctx.Prefs.SysHeaderRules[index];
    case SysBody: return &Ctx.Prefs.SysBodyRules[index];
    case Accept: return &Ctx.Prefs.AcceptRules[index];
    case User: return &Ctx.Prefs.UserRules[index];
    case BuiltIn: break;
  }
  return nullptr;
}

bool* TFilterRulesPage::BuiltInSetting(int index) {
  bool* const settings[] = {&Ctx.Prefs.EatMatches, &Ctx.Prefs.EatBlank, &Ctx.Prefs.EatBlankSubj};
  return settings[index];
}

void TFilterRulesPage::SortBy(int column) {
  SortAscending = !SortAscending;
  lvRules->sortItems(column, SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TFilterRulesPage::CheckGroup(QPushButton* button, const char* on, const char* off,
                                  bool (*member)(const QTreeWidgetItem*)) {
  const bool ticking = button->text() == on;
  for (int i = 0; i < lvRules->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = lvRules->topLevelItem(i);
    if (member(row)) row->setCheckState(0, ticking ? Qt::Checked : Qt::Unchecked);
  }
  button->setText(ticking ? off : on);
  MarkChanged();
}

void TFilterRulesPage::RowChanged(QTreeWidgetItem* row) {
  // Each row's box goes to the rule it stands for at once, whatever order the list is in.
  const bool ticked = row->checkState(0) == Qt::Checked;
  TRuleRec* rule = RuleOf(row);
  bool& enabled = rule ? rule->Enabled : *BuiltInSetting(row->data(0, IndexRole).toInt());
  if (enabled == ticked) return;
  enabled = ticked;
  MarkChanged();
}

void TFilterRulesPage::AddRule() {
  const std::optional<TRuleRec> added =
      AddUserRule(Ctx.Config, Ctx.Ui, Ctx.Prefs.UserRules, Ctx.Prefs.AcceptRules, this);
  if (!added) return;
  MarkChanged();
  const bool accept = added->RuleType == RuleType::AlwaysAccept;
  const auto& list = accept ? Ctx.Prefs.AcceptRules : Ctx.Prefs.UserRules;
  QTreeWidgetItem* row = nullptr;
  {
    const QSignalBlocker block(lvRules);
    row = AddRow(accept ? Accept : User, static_cast<int>(list.size()) - 1);
  }
  lvRules->setCurrentItem(row);
  lvRules->scrollToItem(row);
}

void TFilterRulesPage::EditRule() {
  QTreeWidgetItem* row = lvRules->currentItem();
  if (!row || !row->isSelected()) {
    Ctx.Ui.MessageBox(TMsgKind::Warning, "Please select the item you wish to edit from this list first.", mbOK, 0,
                      "Error");
    return;
  }
  TRuleRec* rule = RuleOf(row);
  if (!rule) {
    // The built-in checks are settings, not rules: there is nothing to show but their box.
    Ctx.Ui.MessageBox(TMsgKind::Information,
                      "\"" + QStringToText(row->text(0)) +
                          "\" is a check built into Mailmoat Pro. It has no rule to show; use its check box to "
                          "turn it on or off.",
                      mbOK);
    return;
  }
  if (row->text(2) != "User") {
    ViewSystemRule(Ctx.Config, Ctx.Ui, *rule, this);
    return;
  }
  if (!EditUserRule(Ctx.Config, Ctx.Ui, *rule, this)) return;
  MarkChanged();
  const QSignalBlocker block(lvRules);
  const auto list = static_cast<TRuleList>(row->data(0, ListRole).toInt());
  row->setText(0, TextToQString(rule->Description));
  row->setText(1, SectionText(list, rule));
  row->setCheckState(0, rule->Enabled ? Qt::Checked : Qt::Unchecked);
}

void TFilterRulesPage::DeleteRule() {
  const QTreeWidgetItem* row = lvRules->currentItem();
  if (!row || !row->isSelected()) {
    Ctx.Ui.MessageBox(TMsgKind::Warning, "Please select the item you wish to delete from this list first.", mbOK, 0,
                      "Error");
    return;
  }
  if (row->text(2) != "User") {
    Ctx.Ui.MessageBox(TMsgKind::Warning,
                      "You can not delete System rules. Deleting is only available for user defined rules. "
                      "See\r\nthe Source column to see if a rule is a System or User defined rule.",
                      mbOK, 0, "Error");
    return;
  }
  if (Ctx.Ui.MessageBox(TMsgKind::Confirmation, "Are you sure you want to permanently delete the selected rule?",
                        mbYes | mbNo, 0, "Confirmation", mbNo) != mbYes)
    return;
  // The row's own rule goes, not the first one that happens to share its description.
  auto& rules =
      static_cast<TRuleList>(row->data(0, ListRole).toInt()) == Accept ? Ctx.Prefs.AcceptRules : Ctx.Prefs.UserRules;
  rules.erase(rules.begin() + row->data(0, IndexRole).toInt());
  MarkChanged();
  ShowRules();
}

void TFilterRulesPage::RulesReport() {
  // The report lists the rules as this page has them, saved or not.
  struct TShownRules {
    TConfigData& Config;
    TPreferences& Prefs;
    void Swap() {
      std::swap(Config.SysHeaderRules, Prefs.SysHeaderRules);
      std::swap(Config.SysBodyRules, Prefs.SysBodyRules);
      std::swap(Config.UserRules, Prefs.UserRules);
      std::swap(Config.AcceptRules, Prefs.AcceptRules);
    }
    TShownRules(TConfigData& config, TPreferences& prefs) : Config(config), Prefs(prefs) { Swap(); }
    ~TShownRules() { Swap(); }
  } shown(Ctx.Config, Ctx.Prefs);
  ShowRulesReport(Ctx.Config, Ctx.Ui, this);
}

void TFilterRulesPage::Print(bool preview) {
  const TPrintTable table = ListReport(lvRules, "Mailmoat Pro - Filter Rules Report");
  if (preview) {
    PreviewTable(this, table);
  } else {
    PrintTableAsked(this, table);
  }
}

}  // namespace mailmoat
