#include "gui/RuleTestSupport.h"
#include "ui/review/dlgRulesReport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace mailmoat {
namespace {

using test::Child;

class RulesReportTest : public test::RuleWindowTest {};

TEST_F(RulesReportTest, NothingToReportKeepsTheDialogThenGenerateWritesAndOpens) {
  TRuleRec rule;
  rule.Description = "Money";
  rule.HeaderField = "Subject";
  rule.Expression = "\\$\\$\\$";
  Config->SysHeaderRules = {rule};
  bool generated = false;
  test::WhenModal([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Filter Rules Report");
    auto* file = Child<QLineEdit>(window, "feReportFile");
    EXPECT_EQ(file->text().toStdString(), (Dir / "rules-report.txt").string());
    Child<QCheckBox>(window, "ckSystemHdr")->setChecked(false);
    Child<QCheckBox>(window, "ckSystemBody")->setChecked(false);
    Child<QPushButton>(window, "btnGenerate")->click();
    EXPECT_TRUE(window->isVisible());
    // An emptied field falls back to the report in the program directory.
    Child<QCheckBox>(window, "ckSystemHdr")->setChecked(true);
    file->clear();
    generated = true;
    Child<QPushButton>(window, "btnGenerate")->click();
    EXPECT_FALSE(file->text().isEmpty());
  });
  ShowRulesReport(*Config, Ui, nullptr);
  ASSERT_TRUE(generated);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "No rules found for report.");
  const std::string path = (Dir / "rules-report.txt").string();
  EXPECT_EQ(Ui.OpenedFiles, std::vector<std::string>{path});
  const std::string text = test::ReadTextFile(path);
  EXPECT_EQ(text.rfind("Mailmoat Pro Rules Report - ", 0), 0u);
  EXPECT_NE(text.find("===> System Header Rules <===\r\n \r\nRule        : Money\r\nHeader Field: Subject\r\n"
                      "Expression  : \\$\\$\\$\r\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace mailmoat
