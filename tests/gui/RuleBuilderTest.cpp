#include "core/FileCompress.h"
#include "core/RuleFiles.h"
#include "gui/RuleTestSupport.h"
#include "ui/review/formRuleBuilder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace mailmoat {
namespace {

using test::Child;

class RuleBuilderTest : public test::RuleWindowTest {};

TEST_F(RuleBuilderTest, QuickAddWalksTheWizardAndSavesAHeaderRule) {
  bool walked = false;
  test::WhenModal([&](QWidget* window) {
    auto* wizard = dynamic_cast<TdlgBuildRule*>(window);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(wizard->windowTitle(), "Mailmoat Pro Rule Wizard");
    auto* next = Child<QPushButton>(window, "btnNext");
    auto* finish = Child<QPushButton>(window, "btnFinish");
    EXPECT_EQ(wizard->CurrentPage(), wizard->PageText);
    EXPECT_FALSE(Child<QPushButton>(window, "btnBack")->isEnabled());
    EXPECT_FALSE(finish->isVisible());
    EXPECT_TRUE(Child<QCheckBox>(window, "ckNumbers")->isChecked());
    auto* memText = Child<QPlainTextEdit>(window, "memText");
    // A selection longer than typing allows is kept whole; blanks alone give no rule.
    EXPECT_EQ(memText->toPlainText().size(), 140);
    EXPECT_TRUE(next->isEnabled());
    memText->setPlainText("   ");
    EXPECT_FALSE(next->isEnabled());
    memText->setPlainText("Subject: Free $$$ offer 1");
    next->click();

    EXPECT_EQ(wizard->CurrentPage(), wizard->PageType);
    auto* where = Child<QGroupBox>(window, "rgWhereHeaders");
    EXPECT_TRUE(Child<QRadioButton>(window, "rbWhereAll")->isChecked());
    Child<QRadioButton>(window, "rbBody")->click();
    EXPECT_FALSE(where->isEnabled());
    Child<QRadioButton>(window, "rbHeaders")->click();
    EXPECT_TRUE(where->isEnabled());
    Child<QRadioButton>(window, "rbWhereSubject")->click();
    next->click();

    // The header window's rules reject what they match: accepting is not offered there.
    EXPECT_TRUE(Child<QRadioButton>(window, "rbRejectMsg")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(window, "rbAcceptMsg")->isEnabled());
    next->click();
    EXPECT_EQ(wizard->CurrentPage(), wizard->PageCompleteSave);
    EXPECT_TRUE(finish->isVisible());
    EXPECT_FALSE(next->isEnabled());
    walked = true;
    finish->click();
  });
  ASSERT_TRUE(CreateRuleFromText(*Config, Ui, QString(140, QLatin1Char('x')), nullptr));
  ASSERT_TRUE(walked);

  ASSERT_EQ(Config->UserRules.size(), 1u);
  const TRuleRec& rule = Config->UserRules[0];
  EXPECT_EQ(rule.Expression,
            "[sS][uU][bB][jJ][eE][cC][tT]:\\s+[fF][rR][eE][eE]\\s+\\$\\$\\$\\s+[oO][fF][fF][eE][rR]\\s+\\d");
  EXPECT_EQ(rule.Description, "Subject: Free $$$ offer 1");
  EXPECT_EQ(rule.HeaderField, "Subject");
  EXPECT_EQ(rule.RuleType, RuleType::Header);
  EXPECT_TRUE(rule.RejectOnMatch);
  EXPECT_EQ(rule.Weight, 1);
  // Saved at once: the user file holds the rule.
  const auto saved = DecodeRules(DecompressContainer(ReadWholeFile(Dir / "usrrules.bin")));
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], rule);
}

TEST_F(RuleBuilderTest, AlwaysAcceptPresetsAcceptAndCancelAddsNothing) {
  test::WhenModal([](QWidget* window) {
    auto* wizard = dynamic_cast<TdlgBuildRule*>(window);
    ASSERT_NE(wizard, nullptr);
    Child<QPushButton>(window, "btnNext")->click();
    Child<QRadioButton>(window, "rbAlwaysAccept")->click();
    Child<QPushButton>(window, "btnNext")->click();
    auto* accept = Child<QRadioButton>(window, "rbAcceptMsg");
    EXPECT_TRUE(accept->isChecked());
    EXPECT_FALSE(accept->isEnabled());
    EXPECT_FALSE(Child<QRadioButton>(window, "rbRejectMsg")->isEnabled());
    Child<QPushButton>(window, "btnNext")->click();
    Child<QPushButton>(window, "btnFinish")->click();
  });
  ASSERT_TRUE(CreateRuleFromText(*Config, Ui, "Newsletter #12", nullptr));
  ASSERT_EQ(Config->AcceptRules.size(), 1u);
  EXPECT_EQ(Config->AcceptRules[0].Expression, "[nN][eE][wW][sS][lL][eE][tT][tT][eE][rR]\\s+\\#\\d\\d");
  EXPECT_EQ(Config->AcceptRules[0].HeaderField, "Subject");
  EXPECT_EQ(Config->AcceptRules[0].RuleType, RuleType::AlwaysAccept);
  EXPECT_TRUE(Config->UserRules.empty());

  test::WhenModal([](QWidget* window) { Child<QPushButton>(window, "btnCancel")->click(); });
  EXPECT_FALSE(CreateRuleFromText(*Config, Ui, "more", nullptr));
  EXPECT_EQ(Config->AcceptRules.size(), 1u);
}

}  // namespace
}  // namespace mailmoat
