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
  rule.Expression = expression;
  rule.Enabled = enabled;
  return rule;
}

class FilterUpdateServerTest : public test::StoreTest {};

// Plain HTTP runs through the update window (tests/gui); here the secure download.
TEST_F(FilterUpdateServerTest, HttpsMergesWithTheConfiguredAuthorityOnly) {
  if (!test::TUpdateServer::Available()) GTEST_SKIP() << "no " << test::TUpdateServer::Python;
  const test::TTestCertificates& certs = test::TTestCertificates::Get();
  test::TUpdateServer server;
  ASSERT_TRUE(server.Start(0, certs.ServerCert(), certs.ServerKey())) << server.LogText();
  const TPath rulesFile = Dir / "mmtrules.bin";
  WriteFileAtomic(rulesFile, CompressContainer(EncodeRules({Rule(1, "old", false)}, {})));
  StartUp();
  std::vector<std::string> statuses;
  const auto run = [&](const std::string& url) {
    Ui.Boxes.clear();
    statuses.clear();
    Config->UpdateURL = url;
    TFilterUpdate update(*Config);
    update.OnStatus = [&](const std::string& text) { statuses.push_back(text); };
    return update.Run();
  };

  // Without the test authority the certificate is refused; not found, a web page and a cut
  // update are told. Nothing changes.
  const test::TFileSnapshot before = test::TFileSnapshot::Take(rulesFile);
  server.Serve(CompressContainer(EncodeRules({Rule(1, "new", true), Rule(3, "three", false)}, {})));
  EXPECT_EQ(run(server.URL()), TFilterUpdateResult::Failed);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_NE(Ui.Boxes[0].Text.find("certificate"), std::string::npos) << Ui.Boxes[0].Text;
  Config->TlsCaFile = certs.CaFile();
  EXPECT_EQ(run(server.URL("/apps/missing.UPD")), TFilterUpdateResult::Failed);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Error: unable to locate update on server.");
  EXPECT_EQ(test::CurrentState(rulesFile), before);
  // A network's sign-in page where the update should be, and an update cut short.
  const std::string good = CompressContainer(EncodeRules({Rule(1, "new", true), Rule(3, "three", false)}, {}));
  for (const std::string& body :
       {std::string("<html><body>Sign in to continue</body></html>"), good.substr(0, good.size() - 40)}) {
    server.Serve(body);
    EXPECT_EQ(run(server.URL()), TFilterUpdateResult::Failed);
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_TRUE(Ui.Boxes[0].Text.starts_with("The downloaded update is not a filter rules file: ")) << Ui.Boxes[0].Text;
    EXPECT_EQ(test::CurrentState(rulesFile), before);
  }
  server.Serve(good);

  EXPECT_EQ(run(server.URL()), TFilterUpdateResult::Updated);
  EXPECT_EQ(statuses,
            (std::vector<std::string>{"Connecting to server...", "Connected...retrieving update...",
                                      "Connection closed...checking update...", "Updating rules...please wait..."}));
  const std::vector<TRuleRec> rules = DecodeRules(DecompressContainer(ReadWholeFile(rulesFile)));
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].Expression, "new");
  EXPECT_FALSE(rules[0].Enabled);
  EXPECT_TRUE(rules[1].Enabled);
}

}  // namespace
}  // namespace mailmoat
