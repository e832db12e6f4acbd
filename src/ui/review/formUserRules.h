#pragma once

#include "core/Records.h"

#include <QDialog>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace mailmoat {

class TConfigData;
class TUiHost;

// "Mailmoat Pro - Rule Definition": one header, body or always-accept rule. The opener
// prepares one mode, shows it and, after a successful Save, stores the values back with
// StoreTo. The dialog ends only through Save (after its checks) or Cancel; the close box and
// Escape leave it open, so a rule being typed is not lost by a slip.
class TfrmUserRules : public QDialog {
public:
  // The help topic of the dialog and its boxes.
  static constexpr int HelpTopic = 80;
  static constexpr int MaxDescription = 50;
  static constexpr int MaxExpression = 255;

  TfrmUserRules(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);

  // Adding a user rule: an empty header rule on "Subject Field"; the rule wizard is offered.
  void PrepareAdd();
  // Editing a user rule: its values; the type cannot change.
  void PrepareEdit(const TRuleRec& rule);
  // Looking at a system rule: its values, nothing can be changed or saved.
  void PrepareViewSystem(const TRuleRec& rule);

  bool ReadOnly() const { return IsReadOnly; }
  // The rule type the dialog shows (RuleType::Header, Body or AlwaysAccept).
  std::uint8_t ChosenRuleType() const;
  // Writes the dialog's values into `rule` (its other fields stay); never in read-only mode.
  void StoreTo(TRuleRec& rule) const;

  int exec() override;

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void LoadRule(const TRuleRec& rule, bool system);
  void TypeChanged();
  void Lock();
  void Save();
  void TestRule();
  void RunWizard();
  void ExpressionChanged();
  // The expression as Save stores it, with each blank written as "\s".
  std::string SavedExpression() const;
  void Guarded(void (TfrmUserRules::*action)());

  TConfigData& Config;
  TUiHost& Ui;
  bool IsReadOnly = false;
  bool MayClose = false;
  QComboBox* cbType = nullptr;
  QLabel* lblField = nullptr;
  QComboBox* cbField = nullptr;
  QLineEdit* edtDesc = nullptr;
  QPlainTextEdit* memExp = nullptr;
  QLabel* lblWght = nullptr;
  QSpinBox* seWght = nullptr;
  QCheckBox* cbxEnabled = nullptr;
  QCheckBox* cbxRejectTrue = nullptr;
  QPushButton* btnBuild = nullptr;
  QPushButton* btnTest = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* Button1 = nullptr;
};

// The preferences' "Add": the editor in its adding mode. A saved header or body rule is
// appended to `userRules`, an always-accept rule to `acceptRules` (the lists the preferences
// edit; their save writes the files). Returns the rule added, or nothing on Cancel.
std::optional<TRuleRec> AddUserRule(TConfigData& config, TUiHost& ui, std::vector<TRuleRec>& userRules,
                                    std::vector<TRuleRec>& acceptRules, QWidget* parent);

// The preferences' "Edit" of a user rule: changes `rule` in place on Save (its type, and so
// its list, stays). Returns whether it was saved.
bool EditUserRule(TConfigData& config, TUiHost& ui, TRuleRec& rule, QWidget* parent);

// The preferences' look at a system rule, read-only.
void ViewSystemRule(TConfigData& config, TUiHost& ui, const TRuleRec& rule, QWidget* parent);

}  // namespace mailmoat
