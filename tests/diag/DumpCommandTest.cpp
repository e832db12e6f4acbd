// The dump as support would receive it: stores written to a home directory by the program,
// read back by a fresh start through `mailmoat --home DIR dump FILE none`.
#include "app/Application.h"
#include "core/dataConfig.h"
#include "support/FakeDialer.h"
#include "support/RecordingUiHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <cstdlib>

namespace mailmoat {
namespace {

void WriteStores(const TPath& home) {
  test::TRecordingUiHost ui;
  test::TFakeDialer dialer;
  TConfigData c(TAppPaths::ForHome(home), ui, dialer);
  c.LoadSettings();
  c.AutoMins = 10;
  c.AutoType = true;
  c.Unknown = true;
  c.Requeue.SMTPServer = "smtp.example.org";
  c.Requeue.SMTPLogin = "ann";
  c.Requeue.SMTPPassword = "secret";
  c.Requeue.SMTPAuth = true;
  ProfileRecord home1{"Home", "pop.example.org", "ann", "pw1", true, true, "/home/ann/spam", {}};
  ProfileRecord work{"Work", "mail.example.com", "a.smith", "", false, false, "", {}};
  c.Profiles = {home1, work};
  c.SaveProfiles();
  ASSERT_TRUE(c.SaveSettings());
  c.ValidAddresses = {"ann@example.org", "a.smith@example.com", "ann\\+.*@example.org"};
  c.SaveValidAddresses();
  c.ApprovedSenders = {{"boss@example.com", "The Boss"}, {".*@family.example.net", "Family"}};
  ASSERT_TRUE(c.SaveApprovedSenders());
  TRuleRec user;
  user.Description = "Casino offers";
  user.HeaderField = "Subject";
  user.Expression = "casino|jackpot";
  user.RuleType = RuleType::Header;
  TRuleRec body = user;
  body.Description = "Pills";
  body.HeaderField = "";
  body.Expression = "cheap pills";
  body.RuleType = RuleType::Body;
  TRuleRec accept = user;
  accept.Description = "Mailing list";
  accept.HeaderField = "From";
  accept.Expression = "list@lists.example.org";
  accept.RuleType = RuleType::AlwaysAccept;
  accept.RejectOnMatch = false;
  TRuleRec system = user;
  system.Description = "System rule";
  system.RuleID = 1001;
  c.SysHeaderRules = {system};
  c.UserRules = {user, body};
  c.AcceptRules = {accept};
  ASSERT_TRUE(c.SaveRules());
  c.SpamCop.ReportAddress = "submit.abc@spam.example";
  c.SaveSpamCopAddresses();
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

TEST(DumpCommand, FreshStartDumpsEveryStoreInTheReportFormat) {
  test::TTempDir dir;
  const TPath home = dir / "home";
  std::filesystem::create_directories(home);
  WriteStores(home);
  const TPath file = dir / "mmtdump.txt";
  ASSERT_EQ(RunApplication({"mailmoat", "--home", home.string(), "dump", file.string(), "none"}), 0);

  std::string text = test::ReadTextFile(file);
  // The parts that depend on the machine and the moment.
  ReplaceAll(text, home.string(), "<home>");
  const size_t created = text.find("Created: ");
  ASSERT_NE(created, std::string::npos);
  text.replace(created + 9, text.find('\r', created) - created - 9, "<date>");
  const TPath golden = TPath(MAILMOAT_TEST_DATA_DIR) / "diag" / "dump-none.txt";
  // After a deliberate change of the report: MAILMOAT_UPDATE_GOLDEN=1, then read the diff.
  if (std::getenv("MAILMOAT_UPDATE_GOLDEN")) test::WriteTextFile(golden, text);
  const std::string expected = test::ReadTextFile(golden);
  EXPECT_EQ(text, expected) << text;
}

}  // namespace
}  // namespace mailmoat
