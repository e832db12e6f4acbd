#include "ui/review/formRuleBuilder.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/common/WizardPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace mailmoat {

namespace {

constexpr std::array<const char*, 4> LookWhereFields = {"Subject", "TOCC", "From", "ALL"};
constexpr int DefaultLookWhere = 3;

QLabel* WrappedLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  return label;
}

QRadioButton* Radio(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QRadioButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

const char* LookWhereField(int choice) {
  return choice >= 0 && choice < static_cast<int>(LookWhereFields.size())
             ? LookWhereFields[static_cast<std::size_t>(choice)]
             : LookWhereFields[DefaultLookWhere];
}

TdlgBuildRule::TdlgBuildRule(QWidget* parent) : TWizardFrame(parent) {
  setObjectName("dlgBuildRule");
  setWindowTitle("Mailmoat Pro Rule Wizard");
  setMinimumSize(500, 360);

  QWidget* welcome =
      WizardOuterPage("wmWelcomeWizardPage1", "Mailmoat Pro Rule Wizard",
                      "This Wizard will walk you through you creating a\nnew rule for filtering spam email.\n\n"
                      "Click Next when you are ready to begin...");

  QVBoxLayout* body = nullptr;
  QWidget* textPage =
      WizardInteriorPage("wmPageText", "Search Text", "Specify the text to search for in messages.", body);
  auto* lblText = WrappedLabel(
      "Type or paste in the text that you want to search for in messages below. This will become the basis of your "
      "new rule. You can enter a maximum of 128 characters.",
      "lblText", textPage);
  memText = new QPlainTextEdit(textPage);
  memText->setObjectName("memText");
  memText->setTabChangesFocus(true);
  lblText->setBuddy(memText);
  ckNumbers = new QCheckBox("&Numbers in text above can match any number when checking messages.", textPage);
  ckNumbers->setObjectName("ckNumbers");
  ckNumbers->setChecked(true);
  body->addWidget(lblText);
  body->addWidget(memText, 1);
  body->addWidget(ckNumbers);
  connect(memText, &QPlainTextEdit::textChanged, this, [this] { TextChanged(); });

  QWidget* typePage = WizardInteriorPage("wmInteriorWizardPage2", "Rule Type",
                                         "Specifies where Mailmoat will apply the rule against messages.", body);
  rbHeaders = Radio("Apply this rule to the &Headers of messages.", "rbHeaders", typePage);
  rbHeaders->setChecked(true);
  rgWhereHeaders = new QGroupBox("Look Where?", typePage);
  rgWhereHeaders->setObjectName("rgWhereHeaders");
  WhereChoices = new QButtonGroup(this);
  auto* whereGrid = new QGridLayout(rgWhereHeaders);
  const std::array<std::pair<const char*, const char*>, 4> where = {{{"&Subject Field", "rbWhereSubject"},
                                                                     {"&To, CC, X-Rcpt Fields", "rbWhereToCc"},
                                                                     {"&From Field", "rbWhereFrom"},
                                                                     {"&All Header Fields", "rbWhereAll"}}};
  for (int i = 0; i < static_cast<int>(where.size()); ++i) {
    auto* choice =
        Radio(where[static_cast<std::size_t>(i)].first, where[static_cast<std::size_t>(i)].second, rgWhereHeaders);
    WhereChoices->addButton(choice, i);
    // Two columns, filled one column after the other.
    whereGrid->addWidget(choice, i % 2, i / 2);
  }
  WhereChoices->button(DefaultLookWhere)->setChecked(true);
  rbBody = Radio("Apply this rule to the &Body of messages.", "rbBody", typePage);
  rbAlwaysAccept =
      Radio("&Always accept rule - applied only against the Subject of messages.", "rbAlwaysAccept", typePage);
  auto* typeChoices = new QButtonGroup(this);
  for (QRadioButton* b : {rbHeaders, rbBody, rbAlwaysAccept}) typeChoices->addButton(b);
  auto* whereRow = new QHBoxLayout;
  whereRow->addSpacing(24);
  whereRow->addWidget(rgWhereHeaders, 1);
  body->addWidget(rbHeaders);
  body->addLayout(whereRow);
  body->addWidget(rbBody);
  body->addWidget(rbAlwaysAccept);
  body->addStretch(1);
  for (QRadioButton* b : {rbHeaders, rbBody, rbAlwaysAccept}) {
    connect(b, &QRadioButton::toggled, this, [this] { TypeChanged(); });
  }

  QWidget* rejectPage = WizardInteriorPage("wmInteriorWizardPage3", "Rejection Setting",
                                           "Reject or Accept a message when a match is found.", body);
  rbRejectMsg = Radio("&Reject all messages that match on this rule.", "rbRejectMsg", rejectPage);
  rbRejectMsg->setChecked(true);
  rbAcceptMsg = Radio("&Accept all messages that match on this rule.", "rbAcceptMsg", rejectPage);
  body->addWidget(rbRejectMsg);
  body->addWidget(rbAcceptMsg);
  body->addStretch(1);

  QWidget* completeEditor = WizardOuterPage(
      "wmCompleteWizardPage1", "Rule Wizard Completed!",
      "Click Finish and this Wizard will build your new rule\nand enter the information into the fields on "
      "the \nprevious form where you can then save it for use.");
  QWidget* completeSave = WizardOuterPage(
      "wmCompleteWizardPage2", "Rule Wizard Completed!",
      "Click Finish and this Wizard will build your new rule\nand and save it with your other rules. You can view\n"
      "or edit it at any time on the Filter Rules tab located\nin Preferences (File | Preferences).");

  PageWelcome = AddPage(welcome, {true, true, false});
  PageText = AddPage(textPage, {false, false, false});
  PageType = AddPage(typePage, {true, true, false});
  PageRejection = AddPage(rejectPage, {true, true, false});
  PageCompleteEditor = AddPage(completeEditor, {true, false, true});
  PageCompleteSave = AddPage(completeSave, {true, false, true});
  AddRoute(RouteDefault, {PageWelcome, PageText, PageType, PageRejection, PageCompleteEditor});
  AddRoute(RouteQuickAdd, {PageText, PageType, PageRejection, PageCompleteSave});
  SetEnterHook([this](int page) { EnterPage(page); });
  SetLeaveHook([this](int from, int to, bool forward) { return LeavePage(from, to, forward); });
}

void TdlgBuildRule::SetSearchText(const QString& text) {
  QString lines = text;
  // A selection in a text box breaks its lines with the Unicode separators.
  lines.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  lines.replace(QChar::LineSeparator, QLatin1Char('\n'));
  AllowedLength = std::max<int>(MaxTypedText, static_cast<int>(lines.size()));
  memText->setPlainText(lines);
}

QString TdlgBuildRule::SearchText() const {
  return memText->toPlainText();
}

bool TdlgBuildRule::NumbersMatchAnyNumber() const {
  return ckNumbers->isChecked();
}

TdlgBuildRule::TKind TdlgBuildRule::Kind() const {
  if (rbBody->isChecked()) return TKind::Body;
  if (rbAlwaysAccept->isChecked()) return TKind::AlwaysAccept;
  return TKind::Header;
}

int TdlgBuildRule::LookWhere() const {
  const int id = WhereChoices->checkedId();
  return id < 0 ? DefaultLookWhere : id;
}

bool TdlgBuildRule::RejectSelected() const {
  return rbRejectMsg->isChecked();
}

TRuleRec TdlgBuildRule::BuildRule(TDigitMode anyNumber) const {
  const std::string text = QStringToText(SearchText());
  TRuleRec rule;
  rule.Description = TextToRuleDescription(text);
  rule.Expression = TextToExpression(text, NumbersMatchAnyNumber() ? anyNumber : TDigitMode::Literal);
  rule.Weight = 1;
  rule.Enabled = true;
  rule.RejectOnMatch = RejectSelected();
  switch (Kind()) {
    case TKind::Header:
      rule.RuleType = RuleType::Header;
      rule.HeaderField = LookWhereField(LookWhere());
      break;
    case TKind::Body:
      rule.RuleType = RuleType::Body;
      rule.HeaderField = LookWhereField(LookWhere());
      break;
    case TKind::AlwaysAccept:
      rule.RuleType = RuleType::AlwaysAccept;
      rule.HeaderField = "Subject";
      break;
  }
  return rule;
}

void TdlgBuildRule::EnterPage(int page) {
  const bool completion = page == PageCompleteEditor || page == PageCompleteSave;
  if (auto* finish = findChild<QPushButton*>("btnFinish")) finish->setVisible(completion);
  if (page == PageText) {
    TextChanged();
    memText->setFocus();
  }
}

bool TdlgBuildRule::LeavePage(int from, int to, bool forward) {
  // The rejection page opens on what suits the chosen type: an always-accept rule can only
  // accept. Once there, the user's choice is kept when moving on or back.
  if (forward && from == PageType && to == PageRejection) {
    const bool alwaysAccept = rbAlwaysAccept->isChecked();
    rbAcceptMsg->setChecked(alwaysAccept);
    rbRejectMsg->setChecked(!alwaysAccept);
    rbRejectMsg->setEnabled(!alwaysAccept);
    // The header window saves header and body rules as rejecting what they match.
    rbAcceptMsg->setEnabled(!alwaysAccept && Route() != RouteQuickAdd);
  }
  return true;
}

void TdlgBuildRule::TextChanged() {
  QString text = memText->toPlainText();
  if (text.size() > AllowedLength) {
    text.truncate(AllowedLength);
    const QSignalBlocker block(memText);
    memText->setPlainText(text);
    memText->moveCursor(QTextCursor::End);
  }
  AllowedLength = std::max<int>(MaxTypedText, std::min<int>(AllowedLength, static_cast<int>(text.size())));
  // Blanks alone would make a rule that matches nearly every message.
  const bool hasText = !text.trimmed().isEmpty();
  SetFlags(PageText, {false, hasText, false});
}

void TdlgBuildRule::TypeChanged() {
  rgWhereHeaders->setEnabled(rbHeaders->isChecked());
}

bool CreateRuleFromText(TConfigData& config, TUiHost& ui, const QString& selectedText, QWidget* parent) {
  TdlgBuildRule wizard(parent);
  wizard.UseRoute(TdlgBuildRule::RouteQuickAdd);
  wizard.Restart();
  wizard.SetSearchText(selectedText);
  if (wizard.exec() != QDialog::Accepted || wizard.SearchText().trimmed().isEmpty()) return false;

  ui.SetBusyCursor(true);
  TRuleRec rule = wizard.BuildRule(TDigitMode::AnyDigit);
  rule.RejectOnMatch = true;
  if (rule.RuleType == RuleType::AlwaysAccept) {
    config.AcceptRules.push_back(rule);
  } else {
    config.UserRules.push_back(rule);
  }
  ui.SetBusyCursor(false);
  // A failure has been reported; the rule stays in the lists and is written by the next save.
  return config.SaveRules();
}

}  // namespace mailmoat
