// Whole check runs against a real Dovecot: the engine logs in, classifies, archives and
// deletes, and the tests look at what is left in the maildir, in the archive folder and in
// the activity log.
#include "MailmoatVersion.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/Addresses.h"
#include "core/Notification.h"
#include "platform/AsciiText.h"
#include "filter/FilterTestSupport.h"
#include "integration/DovecotServer.h"
#include "integration/RbldnsdServer.h"
#include "integration/TcpRelay.h"
#include "mail/SocketErrors.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "support/FakeDialer.h"
#include "support/FakeNotifier.h"
#include "support/RecordingCheckView.h"
#include "support/RecordingUiHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace mailmoat {
namespace {

using test::TDovecotServer;
using testing::ElementsAre;
using testing::UnorderedElementsAre;

using test::TCountingNotifier;

// A message whose last body line names it, so an archive file shows whether the whole
// message was retrieved or only its headers and first line.
std::string Mail(const std::string& id, const std::string& from, const std::string& to, const std::string& subject,
                 const std::string& body) {
  return "Received: from relay.example.net (relay.example.net [192.0.2.25])\r\n\tby mx.example.org; Mon, 09 Dec "
         "2024 10:00:00 +0000\r\nDate: Mon, 09 Dec 2024 10:00:00 +0000\r\nFrom: " +
         from + "\r\nTo: " + to + "\r\nSubject: " + subject + "\r\nMessage-ID: <" + id + "@test.example.org>\r\n\r\n" +
         body + "\r\nend of " + id + "\r\n";
}

struct TMailbox {
  std::vector<std::string> Ids;    // in server order
  std::vector<std::string> Texts;  // same order
};

// One Dovecot for the suite; each test has a mailbox (a Dovecot user) of its own, so the
// tests do not see each other's deletions.
class CheckRunTest : public test::FilterTest {
protected:
  static void SetUpTestSuite() {
    if (!TDovecotServer::Available()) return;
    Server = std::make_unique<TDovecotServer>();
    if (!Server->StartPlain()) {
      StartLog = Server->Log();
      Server.reset();
    }
  }
  static void TearDownTestSuite() { Server.reset(); }

  void SetUp() override {
    if (!TDovecotServer::Available())
      GTEST_SKIP() << "Dovecot is not installed (or, as root, its accounts are missing)";
    ASSERT_TRUE(Server) << "Dovecot did not start:\n" << StartLog;
    FilterTest::SetUp();
    Config->LoggingLevel = LogLevel::Normal;
    Config->UseRas = false;
    Config->Strict = true;
    Config->ValidAddresses = {"joe@example.org"};
    Config->SysHeaderRules = {test::Rule("Pills in the subject", "Subject", "(?i)pills")};
    Config->SysBodyRules = {test::Rule("Advance fee", "", "(?i)transfer\\s+fee", true, RuleType::Body)};
    Ras.Attach(*Config);
    Engine = std::make_unique<TdataPOP3>(*Config, Ras, View, Notifier);
  }

  // A new mailbox with the given messages, and a profile for it at the end of the list.
  TMailbox& AddMailbox(const std::vector<std::pair<std::string, std::string>>& messages,
                       const std::string& password = "pw") {
    const std::string user = "u" + std::to_string(++UserCount);
    Server->AddUser(user, password);
    TMailbox& box = Boxes[user];
    for (size_t i = 0; i < messages.size(); ++i) {
      // Dovecot numbers new messages in the order of their file names.
      Server->AddMessage(user, std::to_string(1700000100 + i) + ".M1P1." + user, messages[i].second);
      box.Ids.push_back(messages[i].first);
      box.Texts.push_back(messages[i].second);
    }
    ProfileRecord profile;
    profile.Name = "Mailbox " + user;
    profile.Server = "127.0.0.1";
    profile.Login = user;
    profile.Password = password;
    profile.Port = static_cast<std::uint16_t>(Server->PlainPort);
    Config->Profiles.push_back(profile);
    Users.push_back(user);
    return box;
  }

  // The ids of the messages still in a mailbox, in server order.
  std::vector<std::string> Left(const std::string& user) const {
    const TMailbox& box = Boxes.at(user);
    std::vector<std::string> names = Server->Messages(user);
    std::vector<std::string> ids;
    for (size_t i = 0; i < box.Ids.size(); ++i)
      if (std::count(names.begin(), names.end(), std::to_string(1700000100 + i) + ".M1P1." + user) > 0)
        ids.push_back(box.Ids[i]);
    return ids;
  }

  void ArchiveTo(const std::filesystem::path& dir) {
    for (ProfileRecord& p : Config->Profiles) {
      p.Archive = true;
      p.ArchiveDir = dir.string();
    }
  }

  // Archive files by the id in their Message-ID line: the "X-SpamRejection3" line, and
  // whether the last body line made it into the file.
  struct TArchived {
    std::string ReasonLine;
    bool Whole = false;
  };
  static std::map<std::string, TArchived> ArchiveFiles(const std::filesystem::path& dir) {
    std::map<std::string, TArchived> files;
    if (!std::filesystem::exists(dir)) return files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      EXPECT_EQ(e.path().extension(), ".spam") << e.path();
      std::string id;
      TArchived archived;
      for (const std::string& line : SplitLines(test::ReadTextFile(e.path()))) {
        if (line.rfind("Message-ID: <", 0) == 0) id = line.substr(13, line.find('@') - 13);
        if (line.rfind("X-SpamRejection3: ", 0) == 0) archived.ReasonLine = line;
        if (!id.empty() && line == "end of " + id) archived.Whole = true;
      }
      EXPECT_FALSE(id.empty()) << e.path();
      files[id] = archived;
    }
    return files;
  }

  static std::unique_ptr<TDovecotServer> Server;
  static std::string StartLog;
  static int UserCount;

  TdataRas Ras{std::make_unique<test::TFakeDialer>()};
  test::TRecordingCheckView View;
  TCountingNotifier Notifier;
  std::unique_ptr<TdataPOP3> Engine;
  std::map<std::string, TMailbox> Boxes;
  std::vector<std::string> Users;
};

std::unique_ptr<TDovecotServer> CheckRunTest::Server;
std::string CheckRunTest::StartLog;
int CheckRunTest::UserCount = 0;

// One message for each way through the stages, and the fixtures' lists that decide them.
class StagesTest : public CheckRunTest {
protected:
  void SetUp() override {
    CheckRunTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    Config->ApprovedSenders = {{"friend@example.net", "Friend"}};
    Config->AcceptRules = {test::Rule("Club list", "Subject", "\\[club\\]", true, RuleType::AlwaysAccept)};
    Config->EatBlankSubj = true;
    Config->MaxMsgSize = 40;
    const std::string big(45000, 'x');
    std::string bigBody;
    for (size_t i = 0; i < big.size(); i += 76) bigBody += big.substr(i, 76) + "\r\n";
    Box = &AddMailbox({
        // Approved senders come first: the rule on "pills" never sees this one.
        {"approved", Mail("approved", "Friend <friend@example.net>", "joe@example.org", "Pills for the cat", "hi")},
        // Always-accept rules come before the address check: a list is not addressed to joe.
        {"accepted", Mail("accepted", "club@lists.example.org", "club@lists.example.org", "[club] meeting", "see you")},
        {"noaddress", Mail("noaddress", "x@example.com", "someone@example.com", "hello", "not for joe")},
        {"oversized", Mail("oversized", "y@example.com", "joe@example.org", "catalogue", bigBody)},
        {"header", Mail("header", "z@example.com", "joe@example.org", "Cheap PILLS", "buy")},
        {"blank", Mail("blank", "w@example.com", "joe@example.org", "", "hi dear")},
        {"body", Mail("body", "v@example.com", "joe@example.org", "Business proposal", "send the transfer fee")},
        {"clean", Mail("clean", "jane@example.org", "joe@example.org", "Lunch on Friday?", "12:30 at the usual")},
    });
    OversizedKb = static_cast<int>(Box->Texts[3].size() / 1024);
    // The commands the engine sends, as the server gets them.
    Relay = std::make_unique<test::TTcpRelay>(Server->PlainPort);
    Relay->SetClientRewrite([this](const std::string& line) {
      std::lock_guard lock(CommandsMutex);
      SentCommands.push_back(line);
      return line;
    });
    Config->Profiles.back().Port = static_cast<std::uint16_t>(Relay->Port());
  }
  // The commands sent that start with `verb`.
  std::vector<std::string> Sent(const std::string& verb) {
    std::lock_guard lock(CommandsMutex);
    std::vector<std::string> found;
    for (const std::string& line : SentCommands)
      if (line.rfind(verb, 0) == 0) found.push_back(line);
    return found;
  }
  std::string LastSent() {
    std::lock_guard lock(CommandsMutex);
    return SentCommands.empty() ? std::string() : SentCommands.back();
  }

  TMailbox* Box = nullptr;
  int OversizedKb = 0;
  std::unique_ptr<test::TTcpRelay> Relay;
  std::mutex CommandsMutex;
  std::vector<std::string> SentCommands;
};

TEST_F(StagesTest, CheckOnlyCountsEveryStageAndDeletesNothing) {
  Config->LoggingLevel = LogLevel::Verbose;
  Engine->CheckMailboxes(false);

  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Completed) << Log();
  EXPECT_EQ(Left(Users[0]), Box->Ids);
  const TRunCounters& c = Config->Counters;
  EXPECT_EQ(c.Processed, 8);
  EXPECT_EQ(c.ApprovedSenders, 1);
  EXPECT_EQ(c.AlwaysAccept, 1);
  EXPECT_EQ(c.NoValidAddresses, 1);
  EXPECT_EQ(c.Oversized, 1);
  EXPECT_EQ(c.FailedHeaderRules, 2);
  EXPECT_EQ(c.FailedBodyRules, 1);
  EXPECT_EQ(c.BlacklistRejections, 0);
  EXPECT_EQ(c.Eaten, 0);
  EXPECT_EQ(Config->CleanCount, 3);

  size_t total = 0;
  for (const std::string& text : Box->Texts) total += text.size();
  EXPECT_TRUE(Logged("@ Server has 8 messages waiting (" + std::to_string(total) + " bytes total)")) << Log();
  const std::vector<std::string> lines = LogLines();
  auto results = std::find(lines.begin(), lines.end(), "@ Processing Results:");
  ASSERT_NE(results, lines.end()) << Log();
  EXPECT_EQ(
      std::vector<std::string>(results, std::min(results + 11, lines.end())),
      (std::vector<std::string>{"@ Processing Results:", "@ Messages processed  : 8", "@ Approved Senders    : 1",
                                "@ Always Accept       : 1", "- Failed Header Rules : 2", "- Failed Body Rules   : 1",
                                "- Blacklist Rejections: 0", "- No Valid Addresses  : 1", "- Oversized Messages  : 1",
                                "- Messages eaten      : 0", "@ Cleared Messages    : 3"}));

  // One rule line per rejection, with its reason in the first column.
  std::vector<std::string> reasons;
  for (const std::string& line : LinesStartingWith("$ RULE: ")) reasons.push_back(line.substr(8, line.find(" | ") - 8));
  for (std::string& r : reasons) r.erase(r.find_last_not_of(' ') + 1);
  EXPECT_THAT(reasons, ElementsAre("No valid address located",
                                   "Size limit exceeded: " + std::to_string(OversizedKb) + "k (configured max: 40k)",
                                   "Pills in the subject", "Subject is blank", "Advance fee"));
  EXPECT_TRUE(Logged("# Approved Sender - friend@example.net")) << Log();
  EXPECT_TRUE(Logged("@ No approved sender matches found in message From address club@lists.example.org"));
  EXPECT_TRUE(Logged("# Always Accept - Club list")) << Log();

  // Only the messages that reach the body stage are retrieved whole; nothing is deleted and
  // the session ends with QUIT.
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR 7", "RETR 8"));
  EXPECT_TRUE(Sent("DELE").empty());
  EXPECT_EQ(LastSent(), "QUIT");
  EXPECT_EQ(View.Panel(TStatusPanel::Results), "Last Results: 8 checked; 0 eaten; 3 cleared");
  EXPECT_EQ(View.Panel(TStatusPanel::NextCheck), "Manual Checks");
  EXPECT_TRUE(View.Has("tray: Mailmoat Pro v" MAILMOAT_PRODUCT_VERSION));
  EXPECT_EQ(Notifier.Notifications, 1);
  EXPECT_EQ(Notifier.Summaries, 0);
  EXPECT_FALSE(Config->CheckInProgress);
  EXPECT_TRUE(View.CommandsEnabled);
}

TEST_F(StagesTest, AServerThatRefusesTheWholeListingIsAskedPerMessage) {
  // "LIST 0" and "UIDL 0" are refused: the server seems to know only the per-message forms.
  Relay->SetClientRewrite([this](const std::string& line) {
    std::lock_guard lock(CommandsMutex);
    SentCommands.push_back(line);
    return line == "LIST" || line == "UIDL" ? line + " 0" : line;
  });
  Engine->CheckMailboxes(false);

  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Completed) << Log();
  const TRunCounters& c = Config->Counters;
  EXPECT_EQ(c.Processed, 8);
  EXPECT_EQ(c.Oversized, 1) << "the size of each message was not asked for";
  EXPECT_EQ(c.FailedHeaderRules, 2);
  EXPECT_EQ(c.FailedBodyRules, 1);
  std::vector<std::string> expectedList = {"LIST"}, expectedUidl = {"UIDL"};
  for (int n = 1; n <= 8; ++n) {
    expectedList.push_back("LIST " + std::to_string(n));
    expectedUidl.push_back("UIDL " + std::to_string(n));
  }
  EXPECT_EQ(Sent("LIST"), expectedList);
  EXPECT_EQ(Sent("UIDL"), expectedUidl);
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR 7", "RETR 8"));
}

TEST_F(StagesTest, EatDeletesExactlyTheRejectedAndArchivesEachWithItsReason) {
  ArchiveTo(Dir / "archive" / "deep");
  Engine->CheckMailboxes(true);

  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"approved", "accepted", "clean"})) << Log();
  EXPECT_EQ(Config->Counters.Eaten, 5);
  const auto files = ArchiveFiles(Dir / "archive" / "deep");
  ASSERT_EQ(files.size(), 5u) << Log();
  const std::map<std::string, std::string> expected = {
      {"noaddress", "X-SpamRejection3: No valid address located"},
      {"oversized", "X-SpamRejection3: Exceeded maximum allowed size of 40960 bytes."},
      {"header", "X-SpamRejection3: Pills in the subject"},
      {"blank", "X-SpamRejection3: Subject is blank"},
      {"body", "X-SpamRejection3: Advance fee"},
  };
  for (const auto& [id, line] : expected) {
    ASSERT_TRUE(files.count(id)) << id;
    EXPECT_EQ(files.at(id).ReasonLine, line) << id;
    EXPECT_TRUE(files.at(id).Whole) << id << ": the archive holds only part of the message";
  }
  EXPECT_EQ(LinesStartingWith("~ Rejected message archived to ").size(), 5u);
  EXPECT_TRUE(Logged("- Messages eaten      : 5")) << Log();
  EXPECT_THAT(Sent("DELE"), ElementsAre("DELE 3", "DELE 4", "DELE 5", "DELE 6", "DELE 7"));
  // Each rejection is archived whole; the body-rule rejection from the retrieval it was tested on.
  EXPECT_THAT(Sent("RETR"), ElementsAre("RETR 3", "RETR 4", "RETR 5", "RETR 6", "RETR 7", "RETR 8"));
  EXPECT_TRUE(View.Has("msg: Archiving message 3"));
  EXPECT_TRUE(View.Has("msg: Deleting message 7"));
  EXPECT_EQ(View.Panel(TStatusPanel::Results), "Last Results: 8 checked; 5 eaten; 3 cleared");
}

TEST_F(StagesTest, CheckAndViewDeletesExactlyTheTickedRows) {
  ArchiveTo(Dir / "archive");
  Config->CheckAndView = true;
  View.Review = [](std::vector<THdrRec>& list) {
    for (THdrRec& row : list) {
      if (row.Reason == "No valid address located") row.DeleteMark = false;  // the user keeps it
      if (row.Reason == "ok") row.DeleteMark = true;                         // and throws good mail away
    }
    return true;
  };
  Ui.SetNextAnswer(mbYes);
  Engine->CheckMailboxes(false);

  ASSERT_EQ(View.Lists.size(), 1u) << Log();
  std::vector<std::string> listed;
  for (const THdrRec& row : View.Lists[0]) listed.push_back(row.Reason + (row.DeleteMark ? " [x]" : " [ ]"));
  EXPECT_THAT(listed, ElementsAre("Approved Sender: friend@example.net [ ]", "Always Accept: Club list [ ]",
                                  "No valid address located [x]",
                                  "Size limit exceeded: " + std::to_string(OversizedKb) + "k (configured max: 40k) [x]",
                                  "Headers: Pills in the subject [x]", "Headers: Subject is blank [x]",
                                  "Body: Advance fee [x]", "ok [ ]"));
  EXPECT_TRUE(View.Has("list: Header Listing [Profile: Mailbox " + Users[0] + "]"));
  ASSERT_FALSE(Ui.Boxes.empty());
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Confirmation);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("Delete all checked messages from ", 0), 0u) << Ui.Boxes[0].Text;

  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"approved", "accepted", "noaddress"})) << Log();
  const auto files = ArchiveFiles(Dir / "archive");
  EXPECT_EQ(files.size(), 5u) << Log();
  ASSERT_TRUE(files.count("clean"));
  EXPECT_EQ(files.at("clean").ReasonLine, "X-SpamRejection3: selected for deletion during check and view");
  ASSERT_TRUE(files.count("header"));
  EXPECT_EQ(files.at("header").ReasonLine, "X-SpamRejection3: Headers: Pills in the subject");
  EXPECT_TRUE(files.at("header").Whole);
}

TEST_F(StagesTest, AnArchiveThatCannotBeWrittenKeepsEveryMessageOnTheServer) {
  // A folder below a plain file cannot be made, not even by root.
  test::WriteTextFile(Dir / "blocker", "not a folder");
  ArchiveTo(Dir / "blocker" / "archive");
  Engine->CheckMailboxes(true);

  EXPECT_EQ(Left(Users[0]), Box->Ids) << Log();
  EXPECT_EQ(Config->Counters.Eaten, 0);
  EXPECT_EQ(Config->Counters.FailedHeaderRules, 2);
  EXPECT_EQ(LinesStartingWith("! Archiving error: ").size(), 5u) << Log();
  EXPECT_TRUE(LinesStartingWith("~ Rejected message archived to ").empty()) << Log();
  EXPECT_TRUE(Logged("- Messages eaten      : 0")) << Log();
}

TEST_F(CheckRunTest, WrongPasswordIsLoggedAndTheNextProfileIsStillChecked) {
  AddMailbox({{"a1", Mail("a1", "s@example.com", "joe@example.org", "Cheap pills", "x")}}, "right");
  Config->Profiles[0].Password = "wrong";
  AddMailbox({{"b1", Mail("b1", "s@example.com", "joe@example.org", "Cheap pills", "x")},
              {"b2", Mail("b2", "t@example.com", "joe@example.org", "Minutes", "attached")}});
  Engine->CheckMailboxes(true);

  // Server names as stored, without the port.
  EXPECT_TRUE(Logged("! Login error to server 127.0.0.1: -ERR [AUTH] Authentication failed.")) << Log();
  EXPECT_TRUE(Logged("@ Connecting to server 127.0.0.1 for profile Mailbox " + Users[1])) << Log();
  EXPECT_TRUE(View.Has("server: 127.0.0.1"));
  EXPECT_TRUE(View.Has("pop: Connecting to 127.0.0.1..."));
  ASSERT_EQ(Engine->ProfileFailures().size(), 1u);
  EXPECT_EQ(Engine->ProfileFailures()[0].Profile, "Mailbox " + Users[0]);
  EXPECT_EQ(Engine->ProfileFailures()[0].Error, "-ERR [AUTH] Authentication failed.");
  EXPECT_TRUE(Logged("@ Server has 2 messages waiting (" +
                     std::to_string(Boxes[Users[1]].Texts[0].size() + Boxes[Users[1]].Texts[1].size()) +
                     " bytes total)"))
      << Log();
  EXPECT_EQ(Config->Counters.Processed, 2);
  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"a1"}));
  EXPECT_EQ(Left(Users[1]), (std::vector<std::string>{"b2"}));
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Completed);
}

TEST_F(CheckRunTest, AnAbortAfterTheSecondMessageLeavesTheRestUntouched) {
  std::vector<std::pair<std::string, std::string>> spam;
  for (int i = 1; i <= 5; ++i) {
    const std::string id = "s" + std::to_string(i);
    spam.push_back({id, Mail(id, "s@example.com", "joe@example.org", "Pills " + id, "x")});
  }
  AddMailbox(spam);
  AddMailbox({{"t1", Mail("t1", "s@example.com", "joe@example.org", "Pills", "x")}});
  View.OnCall = [this](const std::string& line) {
    if (line == "msg: Checking message 2 of 5") Config->AbortRequested = true;
  };
  Engine->CheckMailboxes(true);

  // The second message was under way when Abort came: it is eaten, and the logout that
  // follows commits both deletions.
  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"s3", "s4", "s5"})) << Log();
  EXPECT_EQ(Left(Users[1]), (std::vector<std::string>{"t1"}));
  EXPECT_EQ(Config->Counters.Processed, 2);
  EXPECT_EQ(Config->Counters.Eaten, 2);
  EXPECT_TRUE(Logged("@ Spam check aborted at user request")) << Log();
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Aborted);
  EXPECT_FALSE(Config->AbortRequested);
  EXPECT_FALSE(Config->CheckInProgress);
}

// Three spam messages and one good one, reviewed with every spam row ticked while another
// client removes the second message.
class UidlTest : public CheckRunTest {
protected:
  void SetUp() override {
    CheckRunTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    AddMailbox({{"m1", Mail("m1", "s@example.com", "joe@example.org", "Pills 1", "x")},
                {"m2", Mail("m2", "s@example.com", "joe@example.org", "Pills 2", "x")},
                {"m3", Mail("m3", "s@example.com", "joe@example.org", "Pills 3", "x")},
                {"good", Mail("good", "jane@example.org", "joe@example.org", "Minutes", "x")}});
    Config->CheckAndView = true;
    Config->CheckUIDL = true;
    Ui.SetNextAnswer(mbYes);
  }

  // Another POP3 client logs in, deletes message 2 and logs out.
  void OtherClientDeletesTheSecondMessage() {
    TmsMessage message;
    TmsPOPClient other;
    other.Blocking = true;
    other.TimeOut = 10;
    other.MailMessage = &message;
    other.UserName = Users[0];
    other.Password = "pw";
    other.SetHost("127.0.0.1:" + std::to_string(Server->PlainPort));
    other.Login();
    other.SetCurrentMessage(1);
    other.DeleteMessage();
    other.Logout();
  }
};

TEST_F(UidlTest, AServerThatKeepsItsNumberingLosesNothingElse) {
  // Dovecot keeps a session's message numbers while another session expunges (RFC 1939
  // numbers stay fixed for a session), so every ticked identifier still matches.
  View.Review = [this](std::vector<THdrRec>&) {
    OtherClientDeletesTheSecondMessage();
    return true;
  };
  Engine->CheckMailboxes(false);

  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"good"})) << Log();
  EXPECT_TRUE(LinesStartingWith("! UIDL mismatch: ").empty()) << Log();
  EXPECT_EQ(Ui.Boxes.size(), 1u);  // the confirmation only
}

TEST_F(UidlTest, AMessageRenumberedAfterAnotherClientsDeletionIsKeptAndReported) {
  // Servers that renumber after another session's expunge are what the identifier check is
  // for; the relay in front of Dovecot renumbers the same way once message 2 is gone.
  test::TTcpRelay relay(Server->PlainPort);
  Config->Profiles[0].Port = static_cast<std::uint16_t>(relay.Port());
  View.Review = [this, &relay](std::vector<THdrRec>&) {
    OtherClientDeletesTheSecondMessage();
    relay.SetClientRewrite([](const std::string& line) {
      const size_t blank = line.find(' ');
      if (blank == std::string::npos) return line;
      const std::string verb = line.substr(0, blank);
      if (verb != "UIDL" && verb != "DELE" && verb != "RETR" && verb != "TOP" && verb != "LIST") return line;
      const size_t end = line.find(' ', blank + 1);
      const int n = std::stoi(line.substr(blank + 1, end - blank - 1));
      return n < 2 ? line : verb + " " + std::to_string(n + 1) + (end == std::string::npos ? "" : line.substr(end));
    });
    return true;
  };
  Engine->CheckMailboxes(false);

  ASSERT_EQ(View.Lists.size(), 1u) << Log();
  const std::vector<THdrRec>& list = View.Lists[0];
  ASSERT_EQ(list.size(), 4u);
  // Message 1 was deleted by the engine, message 2 by the other client; 3 and "good" stay.
  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"m3", "good"})) << Log();
  EXPECT_TRUE(Logged("! UIDL mismatch: orig = " + list[1].UIDL + ";  now = " + list[2].UIDL)) << Log();
  EXPECT_TRUE(Logged("! Skipping deletion of message index 1")) << Log();
  EXPECT_TRUE(Logged("! UIDL mismatch: orig = " + list[2].UIDL + ";  now = " + list[3].UIDL)) << Log();
  EXPECT_TRUE(Logged("! Skipping deletion of message index 2")) << Log();
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[1].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[1].Text.rfind("2 message(s) could not be deleted from the mail server due to a \r\n", 0), 0u)
      << Ui.Boxes[1].Text;
}

struct TServerFault {
  const char* Name;
  const char* Verb;
  test::TTcpRelay::TFault Fault;
};
void PrintTo(const TServerFault& fault, std::ostream* out) {
  *out << fault.Name;
}

// A fault of the server or the network in the middle of an eat run: three spam messages and a
// good one behind a relay that injects the fault at the second message, then a second mailbox
// that must still be checked.
class ServerFaultTest : public CheckRunTest, public testing::WithParamInterface<TServerFault> {};

TEST_P(ServerFaultTest, EveryMessageIsStillOnTheServerOrWholeInTheArchive) {
  const std::string brokenBase64 =
      "Received: from relay.example.net (relay.example.net [192.0.2.25])\r\n\tby mx.example.org\r\nFrom: "
      "s@example.com\r\nTo: joe@example.org\r\nSubject: Pills 3\r\nMessage-ID: <m3@test.example.org>\r\n"
      "MIME-Version: 1.0\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n!!not*base64!!\r\nend "
      "of m3\r\n";
  AddMailbox({{"m1", Mail("m1", "s@example.com", "joe@example.org", "Pills 1", "x")},
              {"m2", Mail("m2", "s@example.com", "joe@example.org", "Pills 2", "x")},
              {"m3", brokenBase64},
              {"good", Mail("good", "jane@example.org", "joe@example.org", "Minutes", "x")}});
  AddMailbox({{"n1", Mail("n1", "s@example.com", "joe@example.org", "Pills", "x")},
              {"n2", Mail("n2", "jane@example.org", "joe@example.org", "Minutes", "x")}});
  test::TTcpRelay relay(Server->PlainPort);
  Config->Profiles[0].Port = static_cast<std::uint16_t>(relay.Port());
  relay.SetFault(GetParam().Verb, GetParam().Fault, 1);
  ArchiveTo(Dir / "archive");
  Engine->TimeOutSeconds = 1;
  Engine->CheckMailboxes(true);

  const auto files = ArchiveFiles(Dir / "archive");
  for (const auto& [id, file] : files) EXPECT_TRUE(file.Whole) << id << " is archived in part";
  const std::vector<std::string> left = Left(Users[0]);
  int gone = 0;
  for (const std::string& id : Boxes[Users[0]].Ids) {
    if (std::count(left.begin(), left.end(), id) > 0) continue;
    ++gone;
    EXPECT_TRUE(files.count(id)) << id << " was deleted without its archive copy\n" << Log();
  }
  EXPECT_EQ(left.back(), "good");
  EXPECT_EQ(Left(Users[1]), (std::vector<std::string>{"n2"})) << "the next profile was not checked\n" << Log();
  // The fault came in the middle of a window of commands sent ahead.
  EXPECT_GT(relay.MostLinesPerRead(), 1);
  EXPECT_EQ(Config->Counters.Eaten, gone + 1) << Log();
  // A silent or broken server costs one error for its profile, not one per message.
  std::string log = Log();
  size_t timeOuts = 0;
  for (size_t at = 0; (at = log.find("Operation timed out", at)) != std::string::npos; ++at) ++timeOuts;
  EXPECT_LE(timeOuts, 2u) << log;
  ASSERT_EQ(Engine->ProfileFailures().size(), 1u) << Log();
  EXPECT_EQ(Engine->ProfileFailures()[0].Profile, "Mailbox " + Users[0]);
  if (GetParam().Fault == test::TTcpRelay::TFault::ErrReply) {
    // The session stayed healthy: the message that could not be retrieved stays, the rest
    // is eaten, the one that does not parse archived as it came.
    EXPECT_EQ(left, (std::vector<std::string>{"m2", "good"})) << Log();
    ASSERT_TRUE(files.count("m3"));
    const std::vector<std::string> lines = LogLines();
    const auto error =
        std::find(lines.begin(), lines.end(),
                  "! Unable to retrieve message body - archiving header only (error: -ERR injected fault)");
    ASSERT_NE(error, lines.end()) << Log();
    EXPECT_EQ(*(error + 1), "! The message was not archived and stays on the server");
    EXPECT_EQ(Engine->ProfileFailures()[0].Error, "Unable to retrieve message body: -ERR injected fault");
  } else {
    // Dropped without QUIT: the server committed none of the session's deletions.
    EXPECT_EQ(left, Boxes[Users[0]].Ids) << Log();
    EXPECT_EQ(
        LinesStartingWith("! Connection to server 127.0.0.1 for profile Mailbox " + Users[0] + " broken off").size(),
        1u)
        << Log();
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, ServerFaultTest,
                         testing::Values(TServerFault{"RetrRefused", "RETR", test::TTcpRelay::TFault::ErrReply},
                                         TServerFault{"RetrStalls", "RETR", test::TTcpRelay::TFault::Stall},
                                         TServerFault{"RetrCutOff", "RETR", test::TTcpRelay::TFault::CutReply},
                                         TServerFault{"TopStalls", "TOP", test::TTcpRelay::TFault::Stall},
                                         TServerFault{"TopCutOff", "TOP", test::TTcpRelay::TFault::CutReply},
                                         TServerFault{"TopCutMidReply", "TOP", test::TTcpRelay::TFault::CutMidReply},
                                         TServerFault{"RetrCutMidReply", "RETR", test::TTcpRelay::TFault::CutMidReply}),
                         [](const testing::TestParamInfo<TServerFault>& p) { return std::string(p.param.Name); });

// Two copies of one mailbox with a message for every stage, blacklists on rbldnsd among
// them one that lists everything: checked once pipelined, once through a relay that hides
// CAPA (a server without PIPELINING). Small windows make the pipelined run span several.
class PipelinedRunTest : public CheckRunTest {
protected:
  void SetUp() override {
    CheckRunTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (test::TRbldnsdServer::Binary().empty()) GTEST_SKIP() << "rbldnsd is not installed";
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms(0755));
    std::filesystem::create_directory(Dir / "dns");
    std::filesystem::permissions(Dir / "dns", std::filesystem::perms(0755));
    Dns = std::make_unique<test::TRbldnsdServer>(
        Dir / "dns",
        std::vector<std::pair<std::string, std::string>>{{"all.test", "1.0.0.0/8\n127.0.0.0/8\n192.0.0.0/8\n"},
                                                         {"bl.test", ":127.0.0.2:Listed\n127.0.0.2\n192.0.2.7\n"},
                                                         {"empty.test", "203.0.113.1\n"}});
    ASSERT_TRUE(Dns->Running()) << test::ReadTextFile(Dir / "dns" / "rbldnsd.log");
    const auto blacklist = [](const std::string& name, const std::string& suffix) {
      TBlacklistRec rec;
      rec.Name = name;
      rec.LookupSuffix = suffix;
      return rec;
    };
    Config->Blacklists = {blacklist("Everything", "all.test"), blacklist("Test list", "bl.test"),
                          blacklist("Empty list", "empty.test")};
    Config->LoggingLevel = LogLevel::Verbose;
    Config->ApprovedSenders = {{"friend@example.net", "Friend"}};
    Config->AcceptRules = {test::Rule("Club list", "Subject", "\\[club\\]", true, RuleType::AlwaysAccept)};
    Config->EatBlankSubj = true;
    Config->MaxMsgSize = 40;
    std::string bigBody;
    for (int i = 0; i < 600; ++i) bigBody += std::string(75, 'x') + "\r\n";
    const auto listed = [](std::string text) { return text.replace(text.find("192.0.2.25"), 10, "192.0.2.7"); };
    const std::vector<std::pair<std::string, std::string>> messages = {
        {"approved", Mail("approved", "Friend <friend@example.net>", "joe@example.org", "Pills for the cat", "hi")},
        {"accepted", Mail("accepted", "club@lists.example.org", "club@lists.example.org", "[club] meeting", "see you")},
        {"listed1", listed(Mail("listed1", "a@example.com", "joe@example.org", "Minutes", "from a listed relay"))},
        {"noaddress", Mail("noaddress", "x@example.com", "someone@example.com", "hello", "not for joe")},
        {"oversized", Mail("oversized", "y@example.com", "joe@example.org", "catalogue", bigBody)},
        {"header", Mail("header", "z@example.com", "joe@example.org", "Cheap PILLS", "buy")},
        {"clean", Mail("clean", "jane@example.org", "joe@example.org", "Lunch on Friday?", "12:30 at the usual")},
        {"blank", Mail("blank", "w@example.com", "joe@example.org", "", "hi dear")},
        {"listed2", listed(Mail("listed2", "b@example.com", "joe@example.org", "Agenda", "the same relay again"))},
        {"body", Mail("body", "v@example.com", "joe@example.org", "Business proposal", "send the transfer fee")},
        {"clean2", Mail("clean2", "tom@example.org", "joe@example.org", "Photos", "from the weekend")},
    };
    AddMailbox(messages);
    AddMailbox(messages);
    for (ProfileRecord& p : Config->Profiles) p.Name = "Mailbox";
  }

  // Checks (eating, archiving) the mailbox of `user` through `relay`; returns the log lines
  // of the run, the archive file names taken out.
  std::vector<std::string> Run(size_t user, test::TTcpRelay& relay, const std::filesystem::path& archive) {
    ProfileRecord profile = Config->Profiles[user];
    profile.Port = static_cast<std::uint16_t>(relay.Port());
    profile.Archive = true;
    profile.ArchiveDir = archive.string();
    Config->Profiles = {profile};
    ClearLog();
    ::setenv("MAILMOAT_DNS_SERVER", Dns->Address().c_str(), 1);
    Engine->CheckMailboxes(true);
    ::unsetenv("MAILMOAT_DNS_SERVER");
    std::vector<std::string> lines;
    for (std::string line : LogLines()) {
      if (line.rfind("~ Rejected message archived to ", 0) == 0) line = line.substr(0, line.find(" to ") + 3);
      lines.push_back(line);
    }
    return lines;
  }

  std::unique_ptr<test::TRbldnsdServer> Dns;
};

TEST_F(PipelinedRunTest, PipelinedAndOneCommandAtATimeLogAndLeaveTheSame) {
  const std::vector<ProfileRecord> profiles = Config->Profiles;
  Engine->WindowMessages = 3;
  Engine->WindowBytes = 30000;
  test::TTcpRelay pipelinedRelay(Server->PlainPort);
  const std::vector<std::string> pipelined = Run(0, pipelinedRelay, Dir / "archive1");
  const TRunCounters counted = Config->Counters;
  EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Completed) << Log();

  Config->Profiles = profiles;
  test::TTcpRelay plainRelay(Server->PlainPort);
  plainRelay.SetClientRewrite([](const std::string& line) { return line == "CAPA" ? std::string("XCAPA") : line; });
  const std::vector<std::string> oneAtATime = Run(1, plainRelay, Dir / "archive2");

  EXPECT_GT(pipelinedRelay.MostLinesPerRead(), 1);
  EXPECT_EQ(plainRelay.MostLinesPerRead(), 1);
  EXPECT_EQ(pipelined, oneAtATime);
  const std::vector<std::string> kept = {"approved", "accepted", "clean", "clean2"};
  EXPECT_EQ(Left(Users[0]), kept) << testing::PrintToString(pipelined);
  EXPECT_EQ(Left(Users[1]), kept) << testing::PrintToString(oneAtATime);
  const auto first = ArchiveFiles(Dir / "archive1");
  const auto second = ArchiveFiles(Dir / "archive2");
  ASSERT_EQ(first.size(), 7u);
  ASSERT_EQ(second.size(), 7u);
  for (const auto& [id, file] : first) {
    ASSERT_TRUE(second.count(id)) << id;
    EXPECT_EQ(file.ReasonLine, second.at(id).ReasonLine) << id;
    EXPECT_TRUE(file.Whole) << id;
    EXPECT_TRUE(second.at(id).Whole) << id;
  }
  EXPECT_EQ(first.at("listed2").ReasonLine, "X-SpamRejection3: 192.0.2.7 found in Test list");
  const TRunCounters& c = Config->Counters;
  EXPECT_EQ(c.Processed, counted.Processed);
  EXPECT_EQ(c.Eaten, counted.Eaten);
  EXPECT_EQ(c.Eaten, 7);
  EXPECT_EQ(c.BlacklistRejections, 2);
  EXPECT_EQ(counted.BlacklistRejections, 2);
  EXPECT_EQ(c.FailedBodyRules, counted.FailedBodyRules);
  EXPECT_EQ(c.Cleared(), counted.Cleared());

  // The zone that lists everything and the one that lists nothing are tested once and left
  // out; the working one decides.
  const auto count = [&](const std::string& prefix) {
    return std::count_if(pipelined.begin(), pipelined.end(),
                         [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(count("! Blacklist Everything is skipped for this check: it lists the test address 127.0.0.1"), 1);
  EXPECT_EQ(count("! Blacklist Empty list is skipped for this check: it does not list the test address 127.0.0.2"), 1);
  EXPECT_EQ(count("! Blacklist Test list is skipped"), 0);
  EXPECT_EQ(count("+ Blacklookup for: 7.2.0.192.bl.test"), 2);
}

TEST_F(PipelinedRunTest, AbortStopsAfterTheMessageInHandWhilePipelined) {
  // Abort comes in the header stages of the third message of a window of eleven, or while it
  // is archived, when the header stages of all eleven have run: either way the messages after
  // it stay, uncounted and unlogged.
  const std::vector<ProfileRecord> profiles = Config->Profiles;
  const std::vector<std::string> triggers = {"msg: Checking message 3 of 11", "msg: Archiving message 3"};
  for (size_t user = 0; user < triggers.size(); ++user) {
    SCOPED_TRACE(triggers[user]);
    View.OnCall = [this, trigger = triggers[user]](const std::string& line) {
      if (line == trigger) Config->AbortRequested = true;
    };
    Config->Profiles = profiles;
    test::TTcpRelay relay(Server->PlainPort);
    const std::filesystem::path archive = Dir / ("archive" + std::to_string(user));
    const std::vector<std::string> lines = Run(user, relay, archive);

    EXPECT_EQ(Engine->LastRunResult(), TCheckRunResult::Aborted);
    const std::vector<std::string> left = Left(Users[user]);
    EXPECT_EQ(std::count(left.begin(), left.end(), "listed1"), 0) << testing::PrintToString(lines);
    EXPECT_EQ(left.size(), 10u) << testing::PrintToString(lines);
    EXPECT_EQ(Config->Counters.Processed, 3);
    EXPECT_EQ(Config->Counters.Eaten, 1);
    EXPECT_EQ(Config->CleanCount, 2);
    EXPECT_EQ(ArchiveFiles(archive).size(), 1u);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "@ Spam check aborted at user request"), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("$ Checking received line", 0) == 0; }),
              1)
        << "the stages of later messages were logged";
  }
}

TEST_F(CheckRunTest, ADeletionRefusedInAPipelinedWindowIsNotCountedAsEaten) {
  AddMailbox({{"s1", Mail("s1", "s@example.com", "joe@example.org", "Pills 1", "x")},
              {"s2", Mail("s2", "s@example.com", "joe@example.org", "Pills 2", "x")},
              {"s3", Mail("s3", "s@example.com", "joe@example.org", "Pills 3", "x")},
              {"good", Mail("good", "jane@example.org", "joe@example.org", "Minutes", "x")}});
  test::TTcpRelay relay(Server->PlainPort);
  Config->Profiles[0].Port = static_cast<std::uint16_t>(relay.Port());
  relay.SetFault("DELE", test::TTcpRelay::TFault::ErrReply, 1);
  Engine->CheckMailboxes(true);

  // The deletions sent with it are committed by the logout that follows.
  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"s2", "good"})) << Log();
  EXPECT_EQ(Config->Counters.Eaten, 2);
  EXPECT_TRUE(Logged("! Processing error: -ERR injected fault")) << Log();
  ASSERT_EQ(Engine->ProfileFailures().size(), 1u);
  EXPECT_EQ(Engine->ProfileFailures()[0].Error, "-ERR injected fault");
  EXPECT_GT(relay.MostLinesPerRead(), 1);
}

TEST_F(CheckRunTest, AMessageThatDoesNotDecodeIsArchivedAsRetrieved) {
  const std::string text =
      "From: s@example.com\r\nTo: joe@example.org\r\nSubject: Pills\r\nMessage-ID: <b64@test.example.org>\r\n"
      "MIME-Version: 1.0\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: "
      "base64\r\n\r\n..!!not*base64!!\r\nend of b64\r\n";
  AddMailbox({{"b64", text}});
  ArchiveTo(Dir / "archive");
  Engine->CheckMailboxes(true);

  EXPECT_TRUE(Left(Users[0]).empty()) << Log();
  ASSERT_EQ(Engine->Archive().LastFile().parent_path(), Dir / "archive");
  const std::string archived = test::ReadTextFile(Engine->Archive().LastFile());
  const size_t body = text.find("\r\n\r\n") + 2;
  EXPECT_EQ(archived, text.substr(0, body) + "X-SpamRejection1: " + std::string(54, '-') +
                          "\r\nX-SpamRejection2: Reason this message was rejected by Mailmoat Pro:\r\n"
                          "X-SpamRejection3: Pills in the subject\r\nX-SpamRejection4: " +
                          std::string(54, '-') + "\r\n" + text.substr(body));
}

TEST_F(CheckRunTest, AnEmptyValidAddressListSkipsTheAddressCheckInsteadOfEatingEverything) {
  Config->ValidAddresses.clear();
  AddMailbox({{"a", Mail("a", "jane@example.org", "joe@example.org", "Minutes", "x")},
              {"b", Mail("b", "s@example.com", "joe@example.org", "Pills", "x")}});
  Engine->CheckMailboxes(true);

  EXPECT_EQ(Left(Users[0]), (std::vector<std::string>{"a"})) << Log();
  EXPECT_EQ(Config->Counters.NoValidAddresses, 0);
  EXPECT_EQ(LinesStartingWith("! No valid addresses are defined - the valid address check is skipped").size(), 1u);
  EXPECT_TRUE(Config->Strict);
}

TEST_F(CheckRunTest, MessageTextCannotForgeLogLines) {
  // The subject decodes to a line break and a forged line, then to UTF-16 with NUL bytes.
  AddMailbox({{"f", Mail("f", "s@example.com", "joe@example.org",
                         "Pills =?us-ascii?Q?=0D=0A$_RULE:_forged?= =?utf-16le?B?aABpAA==?=", "x")}});
  Engine->CheckMailboxes(false);

  const std::string log = test::ReadTextFile(Config->DataFile("mmt.log"));
  EXPECT_EQ(log.find('\0'), std::string::npos);
  EXPECT_EQ(LinesStartingWith("$ RULE: forged").size(), 0u) << Log();
  ASSERT_EQ(LinesStartingWith("$ RULE: Pills in the subject").size(), 1u) << Log();
  EXPECT_NE(LinesStartingWith("$ RULE: Pills in the subject")[0].find("$ RULE: forged"), std::string::npos);
}

// A window timer that sends the keep-alive whenever a wait lets window messages run.
class TKeepAliveUi : public test::TRecordingUiHost {
public:
  void ProcessMessages() override {
    TRecordingUiHost::ProcessMessages();
    if (Pop != nullptr) Pop->SendKeepAlive("NOOP");
  }
  TmsPOPClient* Pop = nullptr;
};

TEST_F(CheckRunTest, AKeepAliveTickNeverTakesTheReplyOfADelete) {
  AddMailbox({{"d", Mail("d", "s@example.com", "joe@example.org", "Pills", "x")}});
  test::TTcpRelay slow(Server->PlainPort, std::chrono::milliseconds(100));
  TmsPOPClient pop;
  TKeepAliveUi ui;
  pop.Blocking = false;
  pop.ProcessMessages = [&] { ui.ProcessMessages(); };
  pop.TimeOut = 10;
  pop.UserName = Users[0];
  pop.Password = "pw";
  pop.SetHost("127.0.0.1:" + std::to_string(slow.Port()));
  pop.Login();
  ui.Pop = &pop;
  pop.DeleteMessage();
  // Deleted already: the server's "-ERR" must reach this DELE, not a NOOP sent meanwhile.
  EXPECT_THROW(pop.DeleteMessage(), EmsServerError);
  EXPECT_GT(ui.ProcessMessagesCalls, 0);
  ui.Pop = nullptr;
  pop.Close();
}

}  // namespace
}  // namespace mailmoat
