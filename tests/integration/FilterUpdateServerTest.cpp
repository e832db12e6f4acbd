#include "core/FileCompress.h"
#include "core/RuleFiles.h"
#include "core/StoreTestSupport.h"
#include "integration/UpdateServer.h"
#include "mail/TestCertificates.h"
#include "update/FilterUpdate.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TRuleRec Rule(std::int32_t id, const std::string& expression, bool enabled) {
  TRuleRec rule;
  rule.RuleID = id;
  rule.Description = "Rule " + std::to_string(id);
  rule.HeaderField = "Subject";
  rule.Expression = expression;
  rule.Enabled = enabled;
  return rule;
}

class FilterUpdateServerTest : public test::StoreTest {
protected:
  void SetUp() override {
    if (!test::TUpdateServer::Available()) GTEST_SKIP() << "no " << test::TUpdateServer::Python;
    StartUp();
    WriteFileAtomic(RulesFile(), CompressContainer(EncodeRules({Rule(1, "old", false), Rule(2, "two", true)}, {})));
  }
  TPath RulesFile() const { return Dir / "mmtrules.bin"; }

  // Runs one update from `url`, recording the status texts.
  TFilterUpdateResult Run(const std::string& url) {
    Config->UpdateURL = url;
    TFilterUpdate update(*Config);
    update.OnStatus = [this](const std::string& text) { Statuses.push_back(text); };
    return update.Run();
  }

  // The update changes rule 1 (disabled by the user) and brings rule 3.
  static std::string Update() {
    return CompressContainer(EncodeRules({Rule(1, "new", true), Rule(2, "two", true), Rule(3, "three", false)}, {}));
  }

  void ExpectMerged() const {
    const std::vector<TRuleRec> rules = DecodeRules(DecompressContainer(ReadWholeFile(RulesFile())));
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].Expression, "new");
    EXPECT_FALSE(rules[0].Enabled);
    EXPECT_EQ(rules[2].RuleID, 3);
    EXPECT_TRUE(rules[2].Enabled);
    EXPECT_EQ(Config->SysHeaderRules.size(), 3u);
  }

  std::vector<std::string> Statuses;
};

TEST_F(FilterUpdateServerTest, PlainHttpMergesAndA404ChangesNothing) {
  test::TUpdateServer server;
  ASSERT_TRUE(server.Start()) << server.LogText();
  server.Serve(Update());

  // Not there yet: the rules stay as they are.
  const test::TFileSnapshot before = test::TFileSnapshot::Take(RulesFile());
  EXPECT_EQ(Run(server.URL("/apps/missing.UPD")), TFilterUpdateResult::Failed);
  EXPECT_EQ(test::CurrentState(RulesFile()), before);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Error: unable to locate update on server.");
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);

  Ui.Boxes.clear();
  Statuses.clear();
  EXPECT_EQ(Run(server.URL()), TFilterUpdateResult::Updated);
  ExpectMerged();
  EXPECT_EQ(Statuses,
            (std::vector<std::string>{"Connecting to server...", "Connected...retrieving update...",
                                      "Connection closed...checking update...", "Updating rules...please wait..."}));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Filter Update Successful");
  EXPECT_EQ(ReadWholeFile(Dir / "ruleupd.tmp"), Update());
  EXPECT_NE(server.LogText().find("GET /apps/MMTFILTERS.UPD"), std::string::npos);
}

TEST_F(FilterUpdateServerTest, HttpsTrustsTheConfiguredAuthorityOnly) {
  const test::TTestCertificates& certs = test::TTestCertificates::Get();
  test::TUpdateServer server;
  ASSERT_TRUE(server.Start(0, certs.ServerCert(), certs.ServerKey())) << server.LogText();
  server.Serve(Update());

  // Without the test authority the server's certificate is refused, and nothing changes.
  const test::TFileSnapshot before = test::TFileSnapshot::Take(RulesFile());
  EXPECT_EQ(Run(server.URL()), TFilterUpdateResult::Failed);
  EXPECT_EQ(test::CurrentState(RulesFile()), before);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_NE(Ui.Boxes[0].Text.find("certificate"), std::string::npos) << Ui.Boxes[0].Text;

  Ui.Boxes.clear();
  Config->TlsCaFile = certs.CaFile();
  EXPECT_EQ(Run(server.URL()), TFilterUpdateResult::Updated);
  ExpectMerged();
}

}  // namespace
}  // namespace mailmoat
