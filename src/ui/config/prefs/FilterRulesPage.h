#pragma once

#include "ui/config/prefs/PrefsSheet.h"

class QTreeWidgetItem;

namespace mailmoat {

// "Filter Rules": every rule the filter applies in one list (the three built-in checks, the
// system rules, the user's always-accept and header and body rules), each with a check box
// that turns it on or off. User rules are added, edited and deleted here; system rules can
// only be looked at.
class TFilterRulesPage : public TPrefsSheet {
public:
  TFilterRulesPage(TPrefsPageContext& context, QWidget* parent);

  // The list a row stands for, kept in the row beside the rule's index in that list.
  enum TRuleList { BuiltIn, SysHeader, SysBody, Accept, User };

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ShowRules();
  QTreeWidgetItem* AddRow(TRuleList list, int index);
  // The rule a row stands for; nullptr for the built-in rows.
  TRuleRec* RuleOf(const QTreeWidgetItem* row);
  bool* BuiltInSetting(int index);
  void SortBy(int column);
  void CheckGroup(QPushButton* button, const char* on, const char* off, bool (*member)(const QTreeWidgetItem*));
  void RowChanged(QTreeWidgetItem* row);
  void AddRule();
  void EditRule();
  void DeleteRule();
  void RulesReport();
  void Print(bool preview);
  QAction* MenuItem(const char* text, const char* name, const char* keys, void (TFilterRulesPage::*command)());

  QTreeWidget* lvRules = nullptr;
  QMenu* mnuRules = nullptr;
  QPushButton* btnCheckAll = nullptr;
  QPushButton* btnCheckSysRules = nullptr;
  QPushButton* btnCheckBodyRules = nullptr;
  // One direction for the whole list, flipped by every click on a heading.
  bool SortAscending = false;
};

}  // namespace mailmoat
