#include "update/FilterUpdate.h"

#include "core/FileCompress.h"
#include "core/RuleFiles.h"
#include "core/StoreTestSupport.h"
#include "mail/TmsHTTPClient.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TRuleRec Rule(std::int32_t id, const std::string& description, const std::string& expression, bool enabled = true,
              std::uint8_t type = RuleType::Header) {
  TRuleRec rule;
  rule.RuleID = id;
  rule.Description = description;
  rule.HeaderField = "Subject";
  rule.Expression = expression;
  rule.Enabled = enabled;
  rule.RuleType = type;
  return rule;
}

std::string Container(const std::vector<TRuleRec>& rules) {
  return CompressContainer(EncodeRules(rules, {}));
}

class FilterUpdateTest : public test::StoreTest {
protected:
  TPath RulesFile() const { return Dir / "mmtrules.bin"; }
  void InstallRules(const std::vector<TRuleRec>& rules) { WriteFileAtomic(RulesFile(), Container(rules)); }
  std::vector<TRuleRec> InstalledRules() const { return DecodeRules(DecompressContainer(ReadWholeFile(RulesFile()))); }
  TFilterUpdateResult Process(const std::string& body) {
    if (!Config) StartUp();
    TFilterUpdate update(*Config);
    const TFilterUpdateResult result = update.Process(body);
    Counts = update.Counts;
    return result;
  }
  TRuleMergeCounts Counts;
};

TEST_F(FilterUpdateTest, MergeAddsChangesAndKeepsByRuleIdWithTheUsersChoices) {
  const TRuleRec kept = Rule(7, "Only here", "kept");
  InstallRules({Rule(1, "Casino offers", "casino", false), Rule(2, "Same", "same"), kept,
                Rule(3, "Body rule", "viagra", true, RuleType::Body)});
  const std::string longName(50, 'N');
  // The disabled rule changes, one is identical, 7 is missing, 9 is new twice, a long new name.
  EXPECT_EQ(Process(Container({Rule(1, "Casino offers", "casin[o0]", true), Rule(2, "Same", "same"),
                               Rule(9, "Lottery", "lottery", false), Rule(9, "Lottery again", "lotto"),
                               Rule(10, longName, "x", true, RuleType::Body)})),
            TFilterUpdateResult::Updated);
  EXPECT_EQ(Counts.Updated, 1);
  EXPECT_EQ(Counts.Added, 3);

  const std::vector<TRuleRec> rules = InstalledRules();
  ASSERT_EQ(rules.size(), 7u);
  EXPECT_EQ(rules[0].Expression, "casin[o0]");
  EXPECT_FALSE(rules[0].Enabled);
  EXPECT_EQ(rules[2], kept);
  EXPECT_EQ(rules[4].Description, "Lottery");
  EXPECT_TRUE(rules[4].Enabled);
  EXPECT_EQ(rules[5].Description, "Lottery again");
  EXPECT_EQ(rules[6].RuleID, 10);

  // Reloaded into the lists by type; the backup holds the rules before the update.
  EXPECT_EQ(Config->SysHeaderRules.size(), 5u);
  EXPECT_EQ(Config->SysBodyRules.size(), 2u);
  EXPECT_EQ(DecodeRules(DecompressContainer(ReadWholeFile(Dir / "mmtrules.bak"))).size(), 4u);
  EXPECT_TRUE(std::filesystem::exists(Dir / "ruleupd.tmp"));
  EXPECT_FALSE(std::filesystem::exists(Dir / "mmtrules.$$$"));

  EXPECT_EQ(
      LinesStartingWith("%"),
      (std::vector<std::string>{"% Rule Updated: Casino offers", "% New rule added: Lottery",
                                "% New rule added: Lottery again", "% New rule added: " + longName.substr(0, 50)}));
  EXPECT_TRUE(Logged("@ Filter rules updated successfully"));
  EXPECT_TRUE(Logged("@ 1 rules updated and 3 new rules added"));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Your Mailmoat Pro filter rules have been updated successfully!\r\n"
            "1 rules updated and 3 new rules added");
  EXPECT_EQ(Ui.Boxes[0].Caption, "Filter Update Successful");
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
}

TEST_F(FilterUpdateTest, LogLinesAreCutToTheirLength) {
  std::vector<TRuleRec> current{Rule(1, std::string(50, 'a'), "a")};
  std::vector<std::string> lines;
  MergeRules(current, {Rule(1, std::string(50, 'b'), "b"), Rule(2, std::string(50, 'c'), "c")},
             [&](const std::string& line) { lines.push_back(line); });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "% Rule Updated: " + std::string(50, 'b'));
  EXPECT_EQ(lines[1], "% New rule added: " + std::string(50, 'c'));
  current[0].Description = std::string(60, 'd');  // longer than a record holds, to see the cut
  lines.clear();
  MergeRules(current, {Rule(1, std::string(60, 'e'), "e")}, [&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(lines, std::vector<std::string>{"% Rule Updated: " + std::string(50, 'e')});
}

TEST_F(FilterUpdateTest, AnIdenticalUpdateIsUpToDate) {
  const std::vector<TRuleRec> rules{Rule(1, "One", "one", false), Rule(2, "Two", "two")};
  InstallRules(rules);
  EXPECT_EQ(Process(Container(rules)), TFilterUpdateResult::Updated);
  EXPECT_EQ(Counts.Updated + Counts.Added, 0);
  EXPECT_EQ(InstalledRules(), rules);
  EXPECT_TRUE(Logged("@ Filter rules are up-to-date"));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Filter rules are up-to-date");
  EXPECT_EQ(Ui.Boxes[0].Caption, "Update Results");
}

TEST_F(FilterUpdateTest, WithoutARulesFileTheUpdateIsUsedWhole) {
  const std::string body = Container({Rule(5, "Five", "five", false)});
  EXPECT_EQ(Process(body), TFilterUpdateResult::Replaced);
  EXPECT_EQ(ReadWholeFile(RulesFile()), body);
  EXPECT_EQ(ReadWholeFile(Dir / "ruleupd.tmp"), body);
  EXPECT_FALSE(std::filesystem::exists(Dir / "mmtrules.bak"));
  ASSERT_EQ(Config->SysHeaderRules.size(), 1u);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Warning");
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Unable to locate original rules file. Update file will be used in total. Please see\r\n"
            "Mailmoat Pro Preferences (File | Preferences) to view the rules list.");
}

TEST_F(FilterUpdateTest, ADownloadThatIsNoRulesFileChangesNothing) {
  const std::string good = Container({Rule(1, "One", "one"), Rule(2, "Two", "two")});
  const struct {
    std::string Body;
    std::string Why;
  } cases[] = {
      {"<!DOCTYPE html>\n<html><body>Please sign in to the hotel network</body></html>\n",
       "the server sent a web page instead. If your network asks you to sign in before you can use the internet, "
       "sign in and try again."},
      {good.substr(0, good.size() / 2), "it cannot be unpacked"},
      {Container({}), "it holds no rules."},
      {CompressContainer(EncodeRules({Rule(3, "Three", "three")}, {}) + "abc"),
       "its 615 bytes are not whole rule records of 612 bytes."},
      {CompressContainer(std::string(612, '\xff')), "rule record 1 is damaged."},
      {"", "the server sent an empty file."},
  };
  InstallRules({Rule(1, "Mine", "mine", false)});
  const test::TFileSnapshot before = test::TFileSnapshot::Take(RulesFile());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    Ui.Boxes.clear();
    EXPECT_EQ(Process(c.Body), TFilterUpdateResult::Failed);
    EXPECT_EQ(test::CurrentState(RulesFile()), before);
    EXPECT_FALSE(std::filesystem::exists(Dir / "mmtrules.bak"));
    EXPECT_EQ(ReadWholeFile(Dir / "ruleupd.tmp"), c.Body);
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
    EXPECT_TRUE(Ui.Boxes[0].Text.starts_with("The downloaded update is not a filter rules file: " + c.Why))
        << Ui.Boxes[0].Text;
    EXPECT_TRUE(Ui.Boxes[0].Text.ends_with("\r\nYour filter rules were not changed."));
  }
  // Nor when there is no rules file at all.
  std::filesystem::remove(RulesFile());
  EXPECT_EQ(Process(cases[0].Body), TFilterUpdateResult::Failed);
  EXPECT_FALSE(std::filesystem::exists(RulesFile()));
}

TEST_F(FilterUpdateTest, AbortConfirmedBeforeProcessingChangesNothing) {
  InstallRules({Rule(1, "Mine", "mine")});
  const test::TFileSnapshot before = test::TFileSnapshot::Take(RulesFile());
  StartUp();
  TFilterUpdate update(*Config);
  update.Abort();
  Ui.SetNextAnswer(mbYes);
  EXPECT_EQ(update.Process(Container({Rule(2, "New", "new")})), TFilterUpdateResult::Aborted);
  EXPECT_EQ(test::CurrentState(RulesFile()), before);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Abort the filter rules update?");
  EXPECT_EQ(Ui.Boxes[0].Caption, "Confirmation");
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbYes | mbNo);
  // Answered No, the update goes on.
  Ui.SetNextAnswer(mbNo);
  EXPECT_EQ(update.Process(Container({Rule(2, "New", "new")})), TFilterUpdateResult::Updated);
  EXPECT_EQ(InstalledRules().size(), 2u);
}

TEST_F(FilterUpdateTest, TheClientFollowsTheSettings) {
  StartUp();
  TmsHTTPClient http;
  SetUpUpdateClient(http, *Config);
  EXPECT_EQ(http.URL(), "https://mailmoat.example.org/apps/MMTFILTERS.UPD");
  EXPECT_EQ(http.Proxy(), "");
  EXPECT_EQ(http.UserAgent, "Mailmoat Pro Filter Update");
  EXPECT_FALSE(http.ProxyAuthorization);

  Config->UpdateURL = "http://127.0.0.1:8080/apps/MMTFILTERS.UPD";
  Config->TlsCaFile = "/etc/ca.pem";
  Config->UpdateProxy = {"proxy.lan", "", "", 3128};
  SetUpUpdateClient(http, *Config);
  EXPECT_EQ(http.Proxy(), "proxy.lan");
  EXPECT_EQ(http.ProxyPort, 3128);
  EXPECT_EQ(http.TlsCaFile, "/etc/ca.pem");
  EXPECT_FALSE(http.ProxyAuthorization);
  EXPECT_TRUE(http.BuildRequest().starts_with("GET http://127.0.0.1:8080/apps/MMTFILTERS.UPD HTTP/1.1\r\n"));

  Config->UpdateProxy = {"proxy.lan", "me", "secret", 3128};
  SetUpUpdateClient(http, *Config);
  EXPECT_TRUE(http.ProxyAuthorization);
  EXPECT_NE(http.BuildRequest().find("Proxy-Authorization: Basic bWU6c2VjcmV0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace mailmoat
