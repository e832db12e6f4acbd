#pragma once

#include "core/Records.h"
#include "filter/TextToExpression.h"
#include "ui/common/WizardFrame.h"

#include <QString>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QRadioButton;

namespace mailmoat {

class TConfigData;
class TUiHost;

// "Mailmoat Pro Rule Wizard": takes a search text, the rule type with where a header rule
// looks, and whether a match rejects or accepts. The route "Default" (from the rule editor)
// starts with a welcome page and ends on the page that fills the editor; "RouteQuickAdd" (from
// the header window) starts on the search text and ends on the page that saves the rule.
class TdlgBuildRule : public TWizardFrame {
public:
  static constexpr const char* RouteDefault = "Default";
  static constexpr const char* RouteQuickAdd = "RouteQuickAdd";
  // Typing stops here; a longer text put in by the opener is kept whole.
  static constexpr int MaxTypedText = 128;

  enum class TKind { Header, Body, AlwaysAccept };

  explicit TdlgBuildRule(QWidget* parent = nullptr);

  void SetSearchText(const QString& text);
  // The search text as a whole, lines joined by "\n".
  QString SearchText() const;
  bool NumbersMatchAnyNumber() const;
  TKind Kind() const;
  // The "Look Where?" choice, 0 to 3: Subject, To/CC, From, all header fields.
  int LookWhere() const;
  bool RejectSelected() const;

  // The rule the choices describe, expression and description made from the search text.
  // Header and body rules carry the "Look Where?" field; an always-accept rule "Subject".
  TRuleRec BuildRule(TDigitMode anyNumber) const;

  int PageWelcome = -1;
  int PageText = -1;
  int PageType = -1;
  int PageRejection = -1;
  int PageCompleteEditor = -1;
  int PageCompleteSave = -1;

private:
  void EnterPage(int page);
  bool LeavePage(int from, int to, bool forward);
  void TextChanged();
  void TypeChanged();

  QPlainTextEdit* memText = nullptr;
  QCheckBox* ckNumbers = nullptr;
  QRadioButton* rbHeaders = nullptr;
  QRadioButton* rbBody = nullptr;
  QRadioButton* rbAlwaysAccept = nullptr;
  QGroupBox* rgWhereHeaders = nullptr;
  QButtonGroup* WhereChoices = nullptr;
  QRadioButton* rbRejectMsg = nullptr;
  QRadioButton* rbAcceptMsg = nullptr;
  int AllowedLength = MaxTypedText;
  QString LastText;
};

// The header codes of the four "Look Where?" choices, in their order.
const char* LookWhereField(int choice);

// The header window's "Create Rule from Selected Text": the wizard on its quick-add route with
// the selected text; a header or body rule is appended to the user rules, an always-accept rule
// to the always-accept rules, and both rule files are saved. Returns whether a rule was saved.
bool CreateRuleFromText(TConfigData& config, TUiHost& ui, const QString& selectedText, QWidget* parent);

}  // namespace mailmoat
