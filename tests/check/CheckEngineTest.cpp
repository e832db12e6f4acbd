// Check runs against the in-process POP3 server: the stages and their counters, the three
// modes, the deletion pass with its identifier check, archiving, and the faults a mailbox
// can throw at a run.
#include "check/CheckEngineTestSupport.h"
#include "filter/DnsResolver.h"
#include "MailmoatVersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace mailmoat {
namespace {

using test::Mail;
using test::Sized;
using test::TFakePop3Server;
using testing::ElementsAre;

class CheckEngineTest : public test::EngineFixture {};

TEST_F(CheckEngineTest, SizeLimitsAtTheirBoundaries) {
  const std::string to = "joe@example.org";
  TFakePop3Server server(
      {Sized(Mail("a@example.com", to, "a", "x"), 40960), Sized(Mail("b@example.com", to, "b", "x"), 40961)});
  AddProfile(server);
  Config->MaxMsgSize = 40;
  Engine->CheckMailboxes(false);
  EXPECT_EQ(Config->Counters.Oversized, 1);
  EXPECT_EQ(LinesStartingWith("$ RULE: Size limit exceeded: 40k (configured max: 40k)").size(), 1u) << Log();

  // Body rules look at 51200 octets but not at one more.
  TFakePop3Server bodies({Sized(Mail("a@example.com", to, "a", "transfer fee"), 51200),
                          Sized(Mail("b@example.com", to, "b", "transfer fee"), 51201)});
  Config->Profiles.clear();
  AddProfile(bodies);
  Config->MaxMsgSize = 0;
  ClearLog();
  Engine->CheckMailboxes(false);
  EXPECT_THAT(Matching(bodies.Commands(), "RETR"), ElementsAre("RETR 1"));
  EXPECT_EQ(Config->Counters.FailedBodyRules, 1);
  EXPECT_EQ(Config->CleanCount, 1);
  EXPECT_TRUE(Logged("+ Message size exceeds configured max size for body rule processing (50k)."));
}

TEST_F(CheckEngineTest, DisabledSpamScanSkipsHeaderTestsButNotBodyRules) {
  TFakePop3Server server({Mail("z@example.com", "joe@example.org", "Cheap pills", "hello"),
                          Mail("v@example.com", "joe@example.org", "Proposal", "the transfer fee")});
  AddProfile(server);
  Config->DisableSpamScan = true;
  Config->EatBlankSubj = true;
  Engine->CheckMailboxes(false);
  EXPECT_EQ(Config->Counters.FailedHeaderRules, 0);
  EXPECT_EQ(Config->Counters.FailedBodyRules, 1);
  EXPECT_EQ(Config->CleanCount, 1);
}

// A rule left blank would fire on every message with RejectOnMatch off; it stays inert and
// each run says so once.
TEST_F(CheckEngineTest, ABlankRuleNeverFiresAndIsReportedOncePerRun) {
  TFakePop3Server server({Mail("a@example.com", "joe@example.org", "One", "hello"),
                          Mail("b@example.com", "joe@example.org", "Two", "hello")});
  AddProfile(server);
  Config->SysHeaderRules = {test::Rule("Left blank", "Subject", "  ", false)};
  Engine->CheckMailboxes(true);
  Engine->CheckMailboxes(true);
  EXPECT_EQ(Config->Counters.FailedHeaderRules, 0);
  EXPECT_EQ(server.Remaining().size(), 2u);
  EXPECT_EQ(LinesStartingWith("! Rule \"Left blank\" skipped").size(), 2u);
}

TEST_F(CheckEngineTest, AMessageWithoutRecipientHasABlankToColumn) {
  TFakePop3Server server({Mail("z@example.com", "", "Cheap pills", "hello")});
  AddProfile(server);
  Config->Strict = false;
  Engine->CheckMailboxes(false);
  const auto rule = LinesStartingWith("$ RULE: ");
  ASSERT_EQ(rule.size(), 1u);
  EXPECT_NE(rule[0].find(" | TO: " + std::string(40, ' ') + " | SUBJ: Cheap pills"), std::string::npos) << rule[0];
}

TEST_F(CheckEngineTest, AHeaderRetrievalErrorSkipsOnlyThatMessage) {
  std::vector<std::string> box;
  for (int i = 1; i <= 5; ++i)
    box.push_back(Mail("z@example.com", "joe@example.org", "Pills " + std::to_string(i), "x"));
  TFakePop3Server server(box);
  server.Faults.TopFails = {3};
  AddProfile(server);
  Engine->CheckMailboxes(false);
  EXPECT_TRUE(
      Logged("! Error trying to retrieve headers for msg # 3...attempting to continue with next message "
             "(error: -ERR cannot read message)"))
      << Log();
  EXPECT_THAT(Matching(server.Commands(), "TOP"), ElementsAre("TOP 1 1", "TOP 2 1", "TOP 3 1", "TOP 4 1", "TOP 5 1"));
  EXPECT_EQ(Config->Counters.Processed, 4);
  EXPECT_EQ(Config->Counters.FailedHeaderRules, 4);
  EXPECT_TRUE(Logged("@ Cleared Messages    : 0"));
}

TEST_F(CheckEngineTest, AWrongPasswordSkipsToTheNextProfileWithoutLogout) {
  TFakePop3Server wrong({Mail("z@example.com", "joe@example.org", "Pills", "x")});
  wrong.Faults.Password = "other";
  TFakePop3Server right({Mail("z@example.com", "joe@example.org", "Pills", "x")});
  AddProfile(wrong, "Work");
  AddProfile(right, "Home");
  Engine->CheckMailboxes(true);

  EXPECT_TRUE(Logged("! Login error to server 127.0.0.1: -ERR invalid password")) << Log();
  ASSERT_TRUE(wrong.WaitForSessionsEnded(1));
  EXPECT_THAT(wrong.Commands(), ElementsAre("CONNECT", "USER joe", "PASS secret"));
  EXPECT_TRUE(View.Has("pop: Login error - see log file"));
  EXPECT_EQ(right.Remaining().size(), 0u);
  EXPECT_EQ(Config->Counters.Eaten, 1);
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Completed);
}

TEST_F(CheckEngineTest, AbortAfterTheSecondMessageStopsTheRunWithoutResults) {
  std::vector<std::string> box;
  for (int i = 1; i <= 4; ++i)
    box.push_back(Mail("z@example.com", "joe@example.org", "Pills " + std::to_string(i), "x"));
  TFakePop3Server first(box);
  TFakePop3Server second(box);
  TFakePop3Server earlier({});
  AddProfile(earlier, "Earlier");
  Engine->CheckMailboxes(false);
  ASSERT_EQ(View.Panel(TStatusPanel::Results), "Last Results: 0 checked; 0 eaten; 0 cleared");
  Config->Profiles.clear();
  AddProfile(first, "First");
  AddProfile(second, "Second");
  ClearLog();
  View.OnCall = [this](const std::string& line) {
    if (line == "msg: Checking message 2 of 4") Config->AbortRequested = true;
  };
  Engine->CheckMailboxes(true);

  // The message under way is finished, and the logout commits both deletions.
  EXPECT_THAT(Matching(first.Commands(), "DELE"), ElementsAre("DELE 1", "DELE 2"));
  EXPECT_EQ(first.Commands().back(), "QUIT");
  EXPECT_EQ(first.Remaining().size(), 2u);
  EXPECT_TRUE(second.Commands().empty());
  EXPECT_TRUE(Logged("@ Spam check aborted at user request"));
  EXPECT_TRUE(LinesStartingWith("@ Processing Results:").empty());
  EXPECT_EQ(View.Panel(TStatusPanel::Results), "Last Results: 0 checked; 0 eaten; 0 cleared");
  EXPECT_TRUE(View.Has("pop: Spam check aborted (user request)"));
  // The aborted hint stays until the next run.
  const auto lastHint = std::find_if(View.Calls.rbegin(), View.Calls.rend(),
                                     [](const std::string& l) { return l.rfind("tray: ", 0) == 0; });
  ASSERT_NE(lastHint, View.Calls.rend());
  EXPECT_EQ(*lastHint, "tray: Mailmoat Pro (last check aborted)");
  EXPECT_EQ(Notifier.Notifications, 1);  // the earlier run's
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Aborted);
  EXPECT_FALSE(Config->AbortRequested);
  EXPECT_FALSE(Config->CheckInProgress);
}

TEST_F(CheckEngineTest, AResetBeforeLogoutIsReportedWithTheFourLines) {
  TFakePop3Server server({});
  server.Faults.ResetAfterStat = true;
  AddProfile(server);
  View.OnCall = [&server](const std::string& line) {
    if (line == "pop: Connected...checking for messages...") server.ResetNow();
  };
  Engine->CheckMailboxes(false);

  EXPECT_TRUE(Logged("! SERVER ERROR 10054: POP3 connection has been reset/closed by the mail server.")) << Log();
  EXPECT_EQ(LinesStartingWith("! ").size(), 4u);
  EXPECT_TRUE(View.Has("msg: POP3 error - [10054] Connection reset by peer"));
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Completed);
}

TEST_F(CheckEngineTest, ARefusedLogoutIsAProtocolError) {
  TFakePop3Server server({});
  server.Faults.QuitRefused = true;
  AddProfile(server);
  Engine->CheckMailboxes(false);
  EXPECT_TRUE(Logged("@ No messages on server 127.0.0.1 for profile Home"));
  EXPECT_TRUE(Logged("! Protocol Error (POP3 Logout): -ERR mailbox busy")) << Log();
  EXPECT_TRUE(View.Has("msg: POP3 error - -ERR mailbox busy"));
}

TEST_F(CheckEngineTest, APortSettingThatIsNoNumberEndsTheRunButTidiesUp) {
  TFakePop3Server server({});
  AddProfile(server).Port = 0;
  Config->Port = "pop3";
  EXPECT_THROW(Engine->CheckMailboxes(false), EConvertError);
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Failed);
  EXPECT_EQ(Engine->LastRunError(), "'pop3' is not a valid integer value");
  EXPECT_FALSE(Config->CheckInProgress);
  EXPECT_TRUE(View.CommandsEnabled);
  EXPECT_TRUE(server.Commands().empty());
}

TEST_F(CheckEngineTest, QuickModeAsksTheProgramToEndWithoutNotifying) {
  TFakePop3Server server({Mail("jane@example.org", "joe@example.org", "Lunch", "12:30")});
  AddProfile(server);
  Config->QuickMode = true;
  Config->SummarizeStats = true;
  Engine->CheckMailboxes(false);
  EXPECT_TRUE(Config->TerminateRequested);
  EXPECT_EQ(LogLines().back(), "@ Quick check completed - terminating application");
  EXPECT_EQ(Notifier.Notifications + Notifier.Summaries, 0);
}

TEST_F(CheckEngineTest, RunsThatCannotStart) {
  Engine->CheckMailboxes(false);
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::NoProfiles);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[0].HelpContext, 50);
  EXPECT_TRUE(Logged("! No POP3 Profiles found. Processing aborted."));

  TFakePop3Server server({});
  AddProfile(server);
  Config->CheckInProgress = true;
  Engine->CheckMailboxes(false);
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::NotRun);
  Config->CheckInProgress = false;
  Config->AbortRequested = true;
  Engine->CheckMailboxes(false);
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Aborted);
  EXPECT_FALSE(Config->AbortRequested);
  EXPECT_TRUE(server.Commands().empty());
}

// Lists the relay 192.0.2.25 in the one blacklist, and the test address 127.0.0.2.
class TListingResolver : public TDnsResolver {
public:
  void Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) override {
    for (std::size_t i = 0; i < names.size(); ++i) {
      Asked.push_back(names[i]);
      TDnsAnswer answer;
      answer.Status = TDnsAnswer::NotFound;
      if (names[i].starts_with("25.2.0.192.") || names[i].starts_with("2.0.0.127.")) {
        answer.Status = TDnsAnswer::Resolved;
        answer.Addresses = {0x7F000002};
      }
      if (onAnswer(i, answer)) break;
    }
  }
  std::vector<std::string>& Asked;
  explicit TListingResolver(std::vector<std::string>& asked) : Asked(asked) {}
};

TEST_F(CheckEngineTest, ABlacklistedRelayIsRejectedBeforeTheHeaderRules) {
  TFakePop3Server server({Mail("z@example.com", "joe@example.org", "Cheap pills", "x")});
  AddProfile(server);
  TBlacklistRec blacklist;
  blacklist.Name = "Test list";
  blacklist.LookupSuffix = "bl.example.net";
  Config->Blacklists = {blacklist};
  std::vector<std::string> asked;
  Engine->MakeResolver = [&asked] { return std::make_unique<TListingResolver>(asked); };
  Engine->CheckMailboxes(false);
  // The test addresses once at the start of the run, then the relay.
  EXPECT_THAT(asked, ElementsAre("2.0.0.127.bl.example.net", "1.0.0.127.bl.example.net", "25.2.0.192.bl.example.net"));
  EXPECT_TRUE(Logged("$ Headers (Black list): 192.0.2.25 found in Test list")) << Log();
  EXPECT_EQ(Config->Counters.BlacklistRejections, 1);
  EXPECT_EQ(Config->Counters.FailedHeaderRules, 0);
}

TEST_F(CheckEngineTest, ALineThatCannotBeRedialledEndsTheRun) {
  TFakePop3Server server({});
  AddProfile(server);
  auto dialer = std::make_unique<test::TFakeDialer>();
  dialer->Unavailable = false;
  dialer->LaterDialResult = 678;
  TdataRas ras(std::move(dialer));
  TdataPOP3 engine(*Config, ras, View, Notifier);
  Config->UseRas = true;
  engine.CheckMailboxes(false);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Unable to reconnect modem. Dial-up networking returned the error below:\r\n\r\nFake dial-up error 678");
  EXPECT_TRUE(Logged("@ Reconnecting dial-up networking connection"));
  EXPECT_TRUE(Logged("! Dial-up networking error: Fake dial-up error 678"));
  EXPECT_EQ(engine.LastRunResult(), TCheckRunResult::Failed);
  EXPECT_TRUE(server.Commands().empty());
  EXPECT_EQ(Notifier.Notifications, 0);
}

}  // namespace
}  // namespace mailmoat
