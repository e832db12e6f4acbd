#include "gui/RuleTestSupport.h"
#include "ui/review/formRuleBuilder.h"
#include "ui/review/formUserRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace mailmoat {
namespace {

using test::Child;

class UserRulesTest : public test::RuleWindowTest {
protected:
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : Ui.Boxes) texts.push_back(box.Caption + ": " + box.Text);
    return texts;
  }
};

TEST_F(UserRulesTest, SaveChecksInOrderThenAddsTheRule) {
  test::WhenModal([this](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Mailmoat Pro - Rule Definition");
    auto* save = Child<QPushButton>(window, "btnSave");
    auto* field = Child<QComboBox>(window, "cbField");
    auto* expression = Child<QPlainTextEdit>(window, "memExp");
    EXPECT_FALSE(Child<QSpinBox>(window, "seWght")->isVisible());
    field->setCurrentIndex(-1);
    save->click();
    Child<QLineEdit>(window, "edtDesc")->setText("  ");
    field->setCurrentIndex(1);
    save->click();
    Child<QLineEdit>(window, "edtDesc")->setText("Cheap pills");
    expression->setPlainText("   ");
    save->click();
    expression->setPlainText("cheap [pills");
    save->click();
    // Only Save and Cancel end the dialog.
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Ui.Boxes.size(), 4u);
    expression->setPlainText("cheap pills");
    save->click();
  });
  const std::optional<TRuleRec> added = AddUserRule(*Config, Ui, Config->UserRules, Config->AcceptRules, nullptr);
  ASSERT_TRUE(added.has_value());
  const std::vector<std::string> boxes = BoxTexts();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0], "Error: Please select a header field for this rule.");
  EXPECT_EQ(boxes[1], "Error: Please enter a description for this rule.");
  EXPECT_EQ(boxes[2].rfind("Error: Please enter the rule. You can simply enter the text", 0), 0u) << boxes[2];
  EXPECT_EQ(boxes[3].rfind("Error: Error in rule. Please review and correct. Error :\r\nmissing terminating ]", 0), 0u)
      << boxes[3];
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbOK | mbHelp);
  EXPECT_EQ(Ui.Boxes[0].HelpContext, TfrmUserRules::HelpTopic);

  EXPECT_EQ(added->Expression, "cheap\\spills");
  EXPECT_EQ(added->HeaderField, "TOCC");
  EXPECT_EQ(added->RuleType, RuleType::Header);
  EXPECT_EQ(added->RuleID, 0);
  ASSERT_EQ(Config->UserRules.size(), 1u);
  EXPECT_EQ(Config->UserRules[0], *added);
}

TEST_F(UserRulesTest, TestRuleUsesTheFilterOptionsOfTheChosenType) {
  Ui.SetNextInput("Buy VIAGRA now");
  Ui.SetNextInput("Buy VIAGRA now");
  test::WhenModal([](QWidget* window) {
    Child<QPushButton>(window, "btnTest")->click();
    Child<QPlainTextEdit>(window, "memExp")->setPlainText("viagra");
    // Header rules are case-sensitive in the filter, so the test finds nothing...
    Child<QPushButton>(window, "btnTest")->click();
    // ...while always-accept rules ignore the case.
    Child<QComboBox>(window, "cbType")->setCurrentIndex(2);
    EXPECT_FALSE(Child<QCheckBox>(window, "cbxRejectTrue")->isEnabled());
    EXPECT_EQ(Child<QComboBox>(window, "cbField")->currentText(), "Subject Field");
    Child<QPushButton>(window, "btnTest")->click();
    Child<QPushButton>(window, "btnCancel")->click();
  });
  EXPECT_FALSE(AddUserRule(*Config, Ui, Config->UserRules, Config->AcceptRules, nullptr).has_value());
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{
                "Error: Before you can test a rule, you need to first enter the string or expression\r\nthat will "
                "define this rule.",
                "Failure: A match was not found with your rule.",
                "Success: A match was found by your rule definition! The text matched in your test\r\nstring was: "
                "VIAGRA"}));
  EXPECT_EQ(Ui.InputPrompts.size(), 2u);
  EXPECT_TRUE(Config->UserRules.empty());
  EXPECT_TRUE(Config->AcceptRules.empty());
}

TEST_F(UserRulesTest, RuleWizardFillsTheEditorKeepingTheAcceptChoice) {
  test::WhenModal([](QWidget* window) {
    test::WhenModal([](QWidget* wizardWindow) {
      auto* wizard = dynamic_cast<TdlgBuildRule*>(wizardWindow);
      ASSERT_NE(wizard, nullptr);
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageWelcome);
      auto* next = Child<QPushButton>(wizardWindow, "btnNext");
      next->click();
      EXPECT_FALSE(next->isEnabled());
      Child<QPlainTextEdit>(wizardWindow, "memText")->setPlainText("win 1000");
      next->click();
      next->click();
      Child<QRadioButton>(wizardWindow, "rbAcceptMsg")->click();
      next->click();
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageCompleteEditor);
      EXPECT_TRUE(Child<QRadioButton>(wizardWindow, "rbAcceptMsg")->isChecked());
      Child<QPushButton>(wizardWindow, "btnFinish")->click();
    });
    Child<QPushButton>(window, "btnBuild")->click();
    EXPECT_EQ(Child<QPlainTextEdit>(window, "memExp")->toPlainText(), "[wW][iI][nN]\\s+[0-9][0-9][0-9][0-9]");
    EXPECT_EQ(Child<QLineEdit>(window, "edtDesc")->text(), "win 1000");
    EXPECT_EQ(Child<QComboBox>(window, "cbType")->currentText(), "Message Headers");
    EXPECT_EQ(Child<QComboBox>(window, "cbField")->currentText(), "All Header Fields");
    EXPECT_FALSE(Child<QCheckBox>(window, "cbxRejectTrue")->isChecked());
    Child<QPushButton>(window, "btnSave")->click();
  });
  const std::optional<TRuleRec> added = AddUserRule(*Config, Ui, Config->UserRules, Config->AcceptRules, nullptr);
  ASSERT_TRUE(added.has_value());
  EXPECT_EQ(added->HeaderField, "ALL");
  EXPECT_FALSE(added->RejectOnMatch);
}

TEST_F(UserRulesTest, EditKeepsTheTypeAndViewingASystemRuleIsReadOnly) {
  TRuleRec accept;
  accept.RuleType = RuleType::AlwaysAccept;
  accept.Description = "Friends";
  accept.Expression = "hello";
  accept.HeaderField = "Subject";
  accept.Reserved[7] = 42;
  test::WhenModal([](QWidget* window) {
    EXPECT_FALSE(Child<QPushButton>(window, "btnBuild")->isVisible());
    EXPECT_FALSE(Child<QComboBox>(window, "cbType")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(window, "cbxRejectTrue")->isChecked());
    Child<QPlainTextEdit>(window, "memExp")->setPlainText("hello friend");
    Child<QPushButton>(window, "btnSave")->click();
  });
  ASSERT_TRUE(EditUserRule(*Config, Ui, accept, nullptr));
  EXPECT_EQ(accept.Expression, "hello\\sfriend");
  EXPECT_EQ(accept.RuleType, RuleType::AlwaysAccept);
  EXPECT_FALSE(accept.RejectOnMatch);
  EXPECT_EQ(accept.Reserved[7], 42);

  TRuleRec system;
  system.Description = "Broken";
  system.HeaderField = "X-Odd";
  system.Expression = "(unclosed";
  test::WhenModal([](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Mailmoat Pro - Rule Definition  READ-ONLY");
    EXPECT_EQ(Child<QComboBox>(window, "cbField")->currentText(), "All Header Fields");
    EXPECT_FALSE(Child<QPushButton>(window, "btnSave")->isEnabled());
    EXPECT_TRUE(Child<QPlainTextEdit>(window, "memExp")->isReadOnly());
    auto* close = Child<QPushButton>(window, "btnCancel");
    EXPECT_EQ(close->text(), "Close");
    Child<QPushButton>(window, "btnTest")->click();
    Child<QPushButton>(window, "Button1")->click();
    close->click();
  });
  ViewSystemRule(*Config, Ui, system, nullptr);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error: Error compiling fule. Please update your rules."});
  EXPECT_EQ(Ui.HelpTopics, std::vector<int>{80});
}

}  // namespace
}  // namespace mailmoat
