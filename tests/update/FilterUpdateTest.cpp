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
  InstallRules({Rule(1, "Casino", "casino", false), Rule(2, "Same", "same"), kept, Rule(3, "Body", "x", true, 1)});
  // 1 (disabled) changes, 2 is identical, 7 is missing, 9 is new twice.
  EXPECT_EQ(Process(Container({Rule(1, "Casino", "casin[o0]"), Rule(2, "Same", "same"), Rule(9, "Lottery", "l", false),
                               Rule(9, "Lottery again", "lotto", true, 1)})),
            TFilterUpdateResult::Updated);
  EXPECT_EQ(Counts.Updated, 1);
  EXPECT_EQ(Counts.Added, 2);
  const std::vector<TRuleRec> rules = InstalledRules();
  ASSERT_EQ(rules.size(), 6u);
  EXPECT_EQ(rules[0].Expression, "casin[o0]");
  EXPECT_FALSE(rules[0].Enabled);
  EXPECT_EQ(rules[2], kept);
  EXPECT_EQ(rules[4].Description, "Lottery");
  EXPECT_TRUE(rules[4].Enabled);
  EXPECT_EQ(rules[5].Description, "Lottery again");
  // Reloaded into the lists by type; the backup holds the rules before the update.
  EXPECT_EQ(Config->SysHeaderRules.size(), 4u);
  EXPECT_EQ(Config->SysBodyRules.size(), 2u);
  EXPECT_EQ(DecodeRules(DecompressContainer(ReadWholeFile(Dir / "mmtrules.bak"))).size(), 4u);
  EXPECT_EQ(LinesStartingWith("%"), (std::vector<std::string>{"% Rule Updated: Casino", "% New rule added: Lottery",
                                                              "% New rule added: Lottery again"}));
  EXPECT_TRUE(Logged("@ Filter rules updated successfully"));
  EXPECT_TRUE(Logged("@ 1 rules updated and 2 new rules added"));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Your Mailmoat Pro filter rules have been updated successfully!\r\n"
            "1 rules updated and 2 new rules added");
  EXPECT_EQ(Ui.Boxes[0].Caption, "Filter Update Successful");

  // The same update again: up to date, the same records written back.
  Ui.Boxes.clear();
  EXPECT_EQ(Process(Container({Rule(1, "Casino", "casin[o0]")})), TFilterUpdateResult::Updated);
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
  EXPECT_EQ(Config->SysHeaderRules.size(), 1u);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Warning");
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Unable to locate original rules file. Update file will be used in total. Please see\r\n"
            "Mailmoat Pro Preferences (File | Preferences) to view the rules list.");
}

TEST_F(FilterUpdateTest, ADownloadThatIsNoRulesFileChangesNothing) {
  const std::string good = Container({Rule(1, "One", "one"), Rule(2, "Two", "two")});
  const std::pair<std::string, std::string> cases[] = {
      {"<!DOCTYPE html>\n<html><body>Please sign in to the hotel network</body></html>\n",
       "the server sent a web page instead. If your network asks you to sign in"},
      {good.substr(0, good.size() / 2), "it cannot be unpacked"},
      {Container({}), "it holds no rules."},
      {CompressContainer(EncodeRules({Rule(3, "Three", "three")}, {}) + "abc"),
       "its 615 bytes are not whole rule records of 612 bytes."},
      {CompressContainer(std::string(612, '\xff')), "rule record 1 is damaged."},
      {"", "the server sent an empty file."},
  };
  InstallRules({Rule(1, "Mine", "mine", false)});
  const test::TFileSnapshot before = test::TFileSnapshot::Take(RulesFile());
  for (const auto& [body, why] : cases) {
    SCOPED_TRACE(why);
    Ui.Boxes.clear();
    EXPECT_EQ(Process(body), TFilterUpdateResult::Failed);
    EXPECT_EQ(test::CurrentState(RulesFile()), before);
    EXPECT_FALSE(std::filesystem::exists(Dir / "mmtrules.bak"));
    EXPECT_EQ(ReadWholeFile(Dir / "ruleupd.tmp"), body);
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
    EXPECT_TRUE(Ui.Boxes[0].Text.starts_with("The downloaded update is not a filter rules file: " + why));
    EXPECT_TRUE(Ui.Boxes[0].Text.ends_with("\r\nYour filter rules were not changed."));
  }
  // Nor is a missing rules file replaced by it.
  std::filesystem::remove(RulesFile());
  EXPECT_EQ(Process(cases[0].first), TFilterUpdateResult::Failed);
  EXPECT_FALSE(std::filesystem::exists(RulesFile()));
}

TEST_F(FilterUpdateTest, ProxyCredentialsGoOutOnlyWithAUserName) {
  StartUp();
  TmsHTTPClient http;
  Config->UpdateProxy = {"proxy.lan", "", "", 3128};
  SetUpUpdateClient(http, *Config);
  EXPECT_EQ(http.URL(), "https://mailmoat.example.org/apps/MMTFILTERS.UPD");
  EXPECT_EQ(http.Proxy() + ":" + std::to_string(http.ProxyPort), "proxy.lan:3128");
  EXPECT_FALSE(http.ProxyAuthorization);
  Config->UpdateURL = "http://rules.example.net/apps/MMTFILTERS.UPD";
  Config->UpdateProxy.UserName = "me";
  Config->UpdateProxy.Password = "secret";
  SetUpUpdateClient(http, *Config);
  EXPECT_NE(http.BuildRequest().find("Proxy-Authorization: Basic bWU6c2VjcmV0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace mailmoat
