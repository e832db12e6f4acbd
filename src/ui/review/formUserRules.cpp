#include "ui/review/formUserRules.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "filter/RegexCache.h"
#include "filter/TextToExpression.h"
#include "filter/uRulesProcessing.h"
#include "ui/common/QtText.h"
#include "ui/review/formRuleBuilder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace mailmoat {

namespace {

// The items of cbType, in the order of their RuleType values.
constexpr int TypeHeaders = 0;
constexpr int TypeBody = 1;
constexpr int TypeAlwaysAccept = 2;

// The items of cbField and their header codes.
constexpr std::array<const char*, 4> FieldCodes = {"Subject", "TOCC", "From", "ALL"};
constexpr int FieldSubject = 0;
constexpr int FieldAll = 3;

int FieldIndex(const std::string& code) {
  for (int i = 0; i < static_cast<int>(FieldCodes.size()); ++i) {
    if (code == FieldCodes[static_cast<std::size_t>(i)]) return i;
  }
  return -1;
}

// Test and Save check the rule with the options the running filter gives its type, so a test
// cannot report a match that the filter would not make.
TRegexOptions FilterOptions(std::uint8_t type) {
  switch (type) {
    case RuleType::Header: return HeaderRuleOptions;
    case RuleType::AlwaysAccept: return AcceptRuleOptions;
    default: return BodyRuleOptions;
  }
}

const char* const ErrorCaption = "Error";
const char* const RuleErrorText = "Error in rule. Please review and correct.";

}  // namespace

TfrmUserRules::TfrmUserRules(TConfigData& config, TUiHost& ui, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui) {
  setObjectName("frmUserRules");
  setWindowTitle("Mailmoat Pro - Rule Definition");
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(520);

  cbType = new QComboBox(this);
  cbType->setObjectName("cbType");
  cbType->addItems({"Message Headers", "Message Body", "Always Accept Subject"});
  auto* lblType = new QLabel("Rule &Type:", this);
  lblType->setObjectName("lblType");
  lblType->setBuddy(cbType);
  cbField = new QComboBox(this);
  cbField->setObjectName("cbField");
  cbField->addItems({"Subject Field", "To, Cc Fields", "From Field", "All Header Fields"});
  lblField = new QLabel("Header &Field:", this);
  lblField->setObjectName("lblField");
  lblField->setBuddy(cbField);

  edtDesc = new QLineEdit(this);
  edtDesc->setObjectName("edtDesc");
  edtDesc->setMaxLength(MaxDescription);
  auto* lblDesc = new QLabel("&Description:", this);
  lblDesc->setObjectName("lblDesc");
  lblDesc->setBuddy(edtDesc);

  memExp = new QPlainTextEdit(this);
  memExp->setObjectName("memExp");
  memExp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memExp->setTabChangesFocus(true);
  memExp->setMinimumHeight(80);
  memExp->installEventFilter(this);
  auto* lblExp = new QLabel("E&xpression:", this);
  lblExp->setObjectName("lblExp");
  lblExp->setBuddy(memExp);
  connect(memExp, &QPlainTextEdit::textChanged, this, [this] { ExpressionChanged(); });

  // Every rule is stored with weight 1, so the weight is not offered.
  seWght = new QSpinBox(this);
  seWght->setObjectName("seWght");
  seWght->setRange(1, 99);
  seWght->setValue(1);
  lblWght = new QLabel("Rule &Weight:", this);
  lblWght->setObjectName("lblWght");
  lblWght->setBuddy(seWght);
  seWght->hide();
  lblWght->hide();
  cbxEnabled = new QCheckBox("&Enabled", this);
  cbxEnabled->setObjectName("cbxEnabled");
  cbxEnabled->setChecked(true);
  cbxRejectTrue = new QCheckBox("&Reject on rule match", this);
  cbxRejectTrue->setObjectName("cbxRejectTrue");
  cbxRejectTrue->setChecked(true);

  btnBuild = new QPushButton("Rule &Wizard", this);
  btnBuild->setObjectName("btnBuild");
  btnTest = new QPushButton("&Test Rule", this);
  btnTest->setObjectName("btnTest");
  btnSave = new QPushButton("&Save", this);
  btnSave->setObjectName("btnSave");
  btnSave->setDefault(true);
  btnCancel = new QPushButton("&Cancel", this);
  btnCancel->setObjectName("btnCancel");
  Button1 = new QPushButton("&Help", this);
  Button1->setObjectName("Button1");
  for (QPushButton* b : {btnBuild, btnTest, btnCancel, Button1}) b->setAutoDefault(false);

  connect(cbType, &QComboBox::currentIndexChanged, this, [this] { TypeChanged(); });
  connect(btnBuild, &QPushButton::clicked, this, [this] { Guarded(&TfrmUserRules::RunWizard); });
  connect(btnTest, &QPushButton::clicked, this, [this] { Guarded(&TfrmUserRules::TestRule); });
  connect(btnSave, &QPushButton::clicked, this, [this] { Guarded(&TfrmUserRules::Save); });
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    MayClose = true;
    reject();
  });
  connect(Button1, &QPushButton::clicked, this, [this] { Ui.ShowHelp(HelpTopic); });

  auto* grid = new QGridLayout;
  grid->addWidget(lblType, 0, 0);
  grid->addWidget(cbType, 0, 1);
  grid->addWidget(lblField, 0, 2);
  grid->addWidget(cbField, 0, 3);
  grid->addWidget(lblDesc, 1, 0);
  grid->addWidget(edtDesc, 1, 1, 1, 3);
  grid->addWidget(lblExp, 2, 0, Qt::AlignTop);
  grid->addWidget(memExp, 2, 1, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(lblWght);
  boxes->addWidget(seWght);
  boxes->addWidget(cbxEnabled);
  boxes->addSpacing(24);
  boxes->addWidget(cbxRejectTrue);
  boxes->addStretch(1);
  grid->addLayout(boxes, 3, 1, 1, 3);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnBuild, btnTest}) buttons->addWidget(b);
  buttons->addStretch(1);
  for (QPushButton* b : {btnSave, btnCancel, Button1}) buttons->addWidget(b);
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addSpacing(8);
  column->addLayout(buttons);

  PrepareAdd();
}

void TfrmUserRules::PrepareAdd() {
  IsReadOnly = false;
  btnBuild->setVisible(true);
  cbType->setEnabled(true);
  cbType->setCurrentIndex(TypeHeaders);
  cbField->setCurrentIndex(FieldSubject);
  edtDesc->clear();
  memExp->clear();
  cbxEnabled->setChecked(true);
  cbxRejectTrue->setChecked(true);
}

void TfrmUserRules::LoadRule(const TRuleRec& rule, bool system) {
  btnBuild->setVisible(false);
  const QSignalBlocker block(cbType);
  if (rule.RuleType == RuleType::AlwaysAccept) {
    cbType->setCurrentIndex(TypeAlwaysAccept);
    cbField->setCurrentIndex(FieldSubject);
    cbxRejectTrue->setChecked(false);
  } else if (rule.RuleType == RuleType::Header) {
    cbType->setCurrentIndex(TypeHeaders);
    const int field = FieldIndex(rule.HeaderField);
    // The system rules come from the filter update, whose header rules without a known
    // field are shown as looking at all header fields.
    cbField->setCurrentIndex(system && field < 0 ? FieldAll : field);
    cbxRejectTrue->setChecked(rule.RejectOnMatch);
  } else {
    cbType->setCurrentIndex(TypeBody);
    cbField->setCurrentIndex(-1);
    cbxRejectTrue->setChecked(rule.RejectOnMatch);
  }
  cbType->setEnabled(false);
  edtDesc->setText(TextToQString(rule.Description).left(MaxDescription));
  memExp->setPlainText(TextToQString(rule.Expression));
  cbxEnabled->setChecked(rule.Enabled);
}

void TfrmUserRules::PrepareEdit(const TRuleRec& rule) {
  IsReadOnly = false;
  LoadRule(rule, false);
}

void TfrmUserRules::PrepareViewSystem(const TRuleRec& rule) {
  IsReadOnly = true;
  LoadRule(rule, true);
}

std::uint8_t TfrmUserRules::ChosenRuleType() const {
  switch (cbType->currentIndex()) {
    case TypeBody: return RuleType::Body;
    case TypeAlwaysAccept: return RuleType::AlwaysAccept;
    default: return RuleType::Header;
  }
}

int TfrmUserRules::exec() {
  TypeChanged();
  if (IsReadOnly) Lock();
  return QDialog::exec();
}

void TfrmUserRules::TypeChanged() {
  switch (cbType->currentIndex()) {
    case TypeBody:
      lblField->setEnabled(false);
      cbField->setCurrentIndex(-1);
      cbField->setEnabled(false);
      cbxRejectTrue->setEnabled(true);
      break;
    case TypeAlwaysAccept:
      lblField->setEnabled(true);
      cbField->setCurrentIndex(FieldSubject);
      cbField->setEnabled(false);
      // An always-accept rule lets through what it matches; it never rejects.
      cbxRejectTrue->setChecked(false);
      cbxRejectTrue->setEnabled(false);
      break;
    default:
      lblField->setEnabled(true);
      cbField->setEnabled(true);
      cbxRejectTrue->setEnabled(true);
      break;
  }
}

void TfrmUserRules::Lock() {
  cbType->setEnabled(false);
  cbField->setEnabled(false);
  cbxEnabled->setEnabled(false);
  cbxRejectTrue->setEnabled(false);
  btnSave->setEnabled(false);
  btnSave->setDefault(false);
  edtDesc->setReadOnly(true);
  memExp->setReadOnly(true);
  seWght->setReadOnly(true);
  btnCancel->setText("Close");
  setWindowTitle(windowTitle() + "  READ-ONLY");
}

void TfrmUserRules::ExpressionChanged() {
  QString text = memExp->toPlainText();
  // One line: pasted line breaks go, and typing stops at the record's limit.
  QString cleaned = text;
  cleaned.remove(QLatin1Char('\r'));
  cleaned.remove(QLatin1Char('\n'));
  if (cleaned.size() > MaxExpression) cleaned.truncate(MaxExpression);
  if (cleaned != text) {
    const QSignalBlocker block(memExp);
    memExp->setPlainText(cleaned);
    memExp->moveCursor(QTextCursor::End);
  }
}

std::string TfrmUserRules::SavedExpression() const {
  return BlanksToWhitespace(QStringToText(memExp->toPlainText()));
}

void TfrmUserRules::StoreTo(TRuleRec& rule) const {
  if (IsReadOnly) return;
  rule.RuleType = ChosenRuleType();
  rule.Description = QStringToText(edtDesc->text(), MaxDescription);
  // Save has checked that the expression fits; cutting it could break it.
  rule.Expression = QStringToText(memExp->toPlainText());
  rule.Weight = 1;
  rule.Enabled = cbxEnabled->isChecked();
  switch (rule.RuleType) {
    case RuleType::Header:
      rule.HeaderField = FieldCodes[static_cast<std::size_t>(std::max(cbField->currentIndex(), 0))];
      rule.RejectOnMatch = cbxRejectTrue->isChecked();
      break;
    case RuleType::Body: rule.RejectOnMatch = cbxRejectTrue->isChecked(); break;
    default:
      rule.HeaderField = "Subject";
      rule.RejectOnMatch = false;
      break;
  }
}

void TfrmUserRules::Save() {
  if (IsReadOnly) return;
  const auto fail = [this](const std::string& text, QWidget* focus) {
    Ui.MessageBox(TMsgKind::Warning, text, mbOK | mbHelp, HelpTopic, ErrorCaption);
    focus->setFocus();
  };
  if (ChosenRuleType() == RuleType::Header && cbField->currentIndex() < 0) {
    fail("Please select a header field for this rule.", cbType);
    return;
  }
  if (edtDesc->text().trimmed().isEmpty()) {
    fail("Please enter a description for this rule.", edtDesc);
    return;
  }
  if (memExp->toPlainText().trimmed().isEmpty()) {
    fail(
        "Please enter the rule. You can simply enter the text that you want this rule to\r\nsearch for in the message "
        "headers or body (as selected), or you can also use\r\nbasic unix style regular expressions. (Please refer "
        "to the Help file for details on\r\nusing regular expression rules and the syntax supported by Mailmoat).",
        memExp);
    return;
  }
  const std::string expression = SavedExpression();
  // Each blank grows into two characters; a rule cut to fit the record could break.
  if (expression.size() > static_cast<std::size_t>(MaxExpression)) {
    fail(
        "The rule is too long: it may hold at most 255 characters, and each blank in it is saved as \\s\r\n"
        "(two characters). Please shorten it.",
        memExp);
    return;
  }
  memExp->setPlainText(TextToQString(expression));
  const std::string error = TRegexCache::CompileError(expression, FilterOptions(ChosenRuleType()));
  if (!error.empty()) {
    fail(std::string(RuleErrorText) + " Error :\r\n" + error, memExp);
    return;
  }
  MayClose = true;
  accept();
}

void TfrmUserRules::TestRule() {
  if (memExp->toPlainText().trimmed().isEmpty()) {
    Ui.MessageBox(TMsgKind::Error,
                  "Before you can test a rule, you need to first enter the string or expression\r\nthat will define "
                  "this rule.",
                  mbOK, 0, ErrorCaption);
    memExp->setFocus();
    return;
  }
  // A system rule is tested as the filter runs it; a rule being edited as Save will store it.
  const std::string expression = IsReadOnly ? QStringToText(memExp->toPlainText()) : SavedExpression();
  const std::uint8_t type = ChosenRuleType();
  const TRegexOptions options = FilterOptions(type);
  const std::string error =
      TRegexCache::CompileError(type == RuleType::AlwaysAccept ? BlanksToWhitespace(expression) : expression, options);
  if (!error.empty()) {
    if (IsReadOnly) {
      Ui.MessageBox(TMsgKind::Warning, "Error compiling fule. Please update your rules.", mbOK, 0, ErrorCaption);
    } else {
      Ui.MessageBox(TMsgKind::Warning, std::string(RuleErrorText) + " Error :\r\n" + error, mbOK | mbHelp, HelpTopic,
                    ErrorCaption);
    }
    return;
  }
  std::string sample;
  if (!Ui.InputBox("Test String", "Enter some text to test rule against:", sample) || sample.empty()) return;

  TRegexCache cache;
  std::string matched;
  bool found = false;
  try {
    found = cache.Match(type == RuleType::AlwaysAccept ? BlanksToWhitespace(expression) : expression, options, sample,
                        &matched);
  } catch (const ERegexError& e) {
    // The filter skips such a rule; the user learns why.
    Ui.MessageBox(TMsgKind::Error, std::string("The rule could not be tested on this text: ") + e.what(), mbOK, 0,
                  ErrorCaption);
    return;
  }
  if (!found) {
    Ui.MessageBox(TMsgKind::Warning,
                  IsReadOnly ? "A match was not found with this rule." : "A match was not found with your rule.", mbOK,
                  0, "Failure");
    return;
  }
  Ui.MessageBox(TMsgKind::Information,
                std::string(IsReadOnly ? "A match was found by this rule definition!"
                                       : "A match was found by your rule definition!") +
                    " The text matched in your test\r\nstring was: " + matched,
                mbOK, 0, "Success");
}

void TfrmUserRules::RunWizard() {
  TdlgBuildRule wizard(this);
  wizard.UseRoute(TdlgBuildRule::RouteDefault);
  wizard.Restart();
  if (wizard.exec() != QDialog::Accepted || wizard.SearchText().isEmpty()) return;
  Ui.SetBusyCursor(true);
  const TRuleRec rule = wizard.BuildRule(TDigitMode::DigitClass);
  memExp->setPlainText(TextToQString(rule.Expression));
  edtDesc->setText(TextToQString(rule.Description));
  {
    const QSignalBlocker block(cbType);
    switch (wizard.Kind()) {
      case TdlgBuildRule::TKind::Header:
        cbType->setCurrentIndex(TypeHeaders);
        cbField->setCurrentIndex(wizard.LookWhere());
        break;
      case TdlgBuildRule::TKind::Body: cbType->setCurrentIndex(TypeBody); break;
      case TdlgBuildRule::TKind::AlwaysAccept:
        cbType->setCurrentIndex(TypeAlwaysAccept);
        cbField->setCurrentIndex(FieldSubject);
        break;
    }
  }
  cbxRejectTrue->setChecked(wizard.RejectSelected());
  TypeChanged();
  Ui.SetBusyCursor(false);
}

void TfrmUserRules::Guarded(void (TfrmUserRules::*action)()) {
  try {
    (this->*action)();
  } catch (const std::exception& e) {
    Ui.SetBusyCursor(false);
    Config.TryWriteLog(std::string("! ") + e.what());
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
  }
}

void TfrmUserRules::closeEvent(QCloseEvent* event) {
  if (MayClose) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TfrmUserRules::keyPressEvent(QKeyEvent* event) {
  // Escape would drop the rule being typed; Cancel is one click away.
  if (event->key() == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TfrmUserRules::eventFilter(QObject* watched, QEvent* event) {
  // The expression is one line: Return presses the default button, as in a line edit.
  if (watched == memExp && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (btnSave->isEnabled()) btnSave->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

std::optional<TRuleRec> AddUserRule(TConfigData& config, TUiHost& ui, std::vector<TRuleRec>& userRules,
                                    std::vector<TRuleRec>& acceptRules, QWidget* parent) {
  TfrmUserRules dialog(config, ui, parent);
  dialog.PrepareAdd();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  TRuleRec rule;
  dialog.StoreTo(rule);
  (rule.RuleType == RuleType::AlwaysAccept ? acceptRules : userRules).push_back(rule);
  return rule;
}

bool EditUserRule(TConfigData& config, TUiHost& ui, TRuleRec& rule, QWidget* parent) {
  TfrmUserRules dialog(config, ui, parent);
  dialog.PrepareEdit(rule);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.StoreTo(rule);
  return true;
}

void ViewSystemRule(TConfigData& config, TUiHost& ui, const TRuleRec& rule, QWidget* parent) {
  TfrmUserRules dialog(config, ui, parent);
  dialog.PrepareViewSystem(rule);
  dialog.exec();
}

}  // namespace mailmoat
