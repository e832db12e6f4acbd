#include "core/RulesReport.h"
#include "core/StoreTestSupport.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;

TRuleRec Rule(const std::string& description, std::uint8_t type, bool enabled = true, bool reject = true) {
  TRuleRec r;
  r.Description = description;
  r.HeaderField = type == 0 ? "From" : "";
  r.Expression = description + ".*";
  r.RuleType = type;
  r.Enabled = enabled;
  r.RejectOnMatch = reject;
  return r;
}

class RulesReportTest : public test::StoreTest {
protected:
  std::unique_ptr<TConfigData> Config = NewConfig();
  void SetUp() override {
    Config->SysHeaderRules = {Rule("Header one", RuleType::Header, true, false)};
    Config->SysBodyRules = {Rule("Body one", RuleType::Body, false, true)};
    Config->UserRules = {Rule("User header", RuleType::Header), Rule("User body", 7)};
    Config->AcceptRules = {Rule("Newsletter", RuleType::AlwaysAccept, false)};
  }
};

TEST_F(RulesReportTest, EverySectionInOrder) {
  TRulesReportOptions options;
  options.FileName = (Dir / "report.txt").string();
  ASSERT_TRUE(Config->CreateRulesReport(options));
  EXPECT_EQ(ReadTextFile(Dir / "report.txt"),
            "Mailmoat Pro Rules Report - 08 Dec 2026 13:05:09\r\n"
            "------------------------------------------------\r\n"
            " \r\n"
            "===> System Header Rules <===\r\n"
            " \r\n"
            "Rule        : Header one\r\n"
            "Header Field: From\r\n"
            "Expression  : Header one.*\r\n"
            "Reject Match: No\r\n"
            "Enabled     : Yes\r\n"
            " \r\n"
            "===> System Body Rules <===\r\n"
            " \r\n"
            "Rule        : Body one\r\n"
            "Expression  : Body one.*\r\n"
            "Reject Match: Yes\r\n"
            "Enabled     : No\r\n"
            " \r\n"
            "===> User Defined Filter Rules <===\r\n"
            " \r\n"
            "Rule Type : Header\r\n"
            "Rule        : User header\r\n"
            "Expression  : User header.*\r\n"
            "Reject Match: Yes\r\n"
            "Enabled     : Yes\r\n"
            " \r\n"
            "Rule Type : Body\r\n"
            "Rule        : User body\r\n"
            "Expression  : User body.*\r\n"
            "Reject Match: Yes\r\n"
            "Enabled     : Yes\r\n"
            " \r\n"
            "===> User Defined Always Accept Rules <===\r\n"
            " \r\n"
            "Rule        : Newsletter\r\n"
            "Expression  : Newsletter.*\r\n"
            "Enabled     : No\r\n"
            " \r\n");
  EXPECT_EQ(Ui.Busy, (std::vector<std::string>{"caption Creating rules report...", "max 5", "position 0", "show",
                                               "step", "step", "step", "step", "step", "hide"}));
  EXPECT_EQ(Ui.OpenedFiles, std::vector<std::string>{(Dir / "report.txt").string()});
  EXPECT_EQ(Ui.CursorCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(RulesReportTest, NoRulesToReportWarnsAndWritesNothing) {
  TRulesReportOptions options;
  options.SystemHeader = options.SystemBody = false;
  Config->UserRules.clear();
  Config->AcceptRules.clear();
  EXPECT_FALSE(Config->CreateRulesReport(options));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[0].Text, "No rules found for report.");
  EXPECT_TRUE(Ui.Busy.empty());
  EXPECT_EQ(Ui.CursorCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(DataFiles().empty());
}

TEST_F(RulesReportTest, AnEmptyOrRelativeNameIsInTheProgramDirectory) {
  TRulesReportOptions options;
  options.OpenWhenDone = false;
  ASSERT_TRUE(Config->CreateRulesReport(options));
  EXPECT_TRUE(FileExists(Dir / "rules-report.txt"));
  options.FileName = "./other.txt";
  ASSERT_TRUE(Config->CreateRulesReport(options));
  EXPECT_TRUE(FileExists(Dir / "other.txt"));
  EXPECT_TRUE(Ui.OpenedFiles.empty());
}

TEST_F(RulesReportTest, AFileThatCannotBeWrittenIsReportedAndNotOpened) {
  TRulesReportOptions options;
  options.FileName = (Dir / "missing" / "report.txt").string();
  EXPECT_FALSE(Config->CreateRulesReport(options));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("Error creating report file:\r\nCannot create ", 0), 0u) << Ui.Boxes[0].Text;
  EXPECT_EQ(Ui.Busy.back(), "hide");
  EXPECT_TRUE(Ui.OpenedFiles.empty());
  EXPECT_EQ(Ui.CursorCalls.back(), false);
}

}  // namespace
}  // namespace mailmoat
