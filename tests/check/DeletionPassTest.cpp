// The check-and-view review: what the list shows, what is deleted after it, the identifier
// check against renumbering, and the keep-alive while the list is open.
#include "check/CheckEngineTestSupport.h"

namespace mailmoat {
namespace {

using test::Mail;
using test::TFakePop3Server;
using testing::ElementsAre;

class DeletionPassTest : public test::EngineFixture {
protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Config->CheckAndView = true;
  }
  // Ticks the rows whose indexes are given, and no other.
  void Tick(std::vector<int> rows) {
    View.Review = [rows](std::vector<THdrRec>& list) {
      for (THdrRec& rec : list) rec.DeleteMark = false;
      for (const int row : rows) list[static_cast<std::size_t>(row)].DeleteMark = true;
      return !rows.empty();
    };
  }
};

std::vector<std::string> SpamAndGood() {
  return {Mail("Pat <pat@example.com>", "Joe <joe@example.org>", "Cheap pills", "x"),
          Mail("jane@example.org", "joe@example.org", "Lunch", "12:30"),
          Mail("v@example.com", "joe@example.org, Ann <ann@example.org>", "Proposal", "the transfer fee")};
}

TEST_F(DeletionPassTest, TheListShowsEveryMessageAndTheTickedOnesAreArchivedAndDeleted) {
  std::vector<std::string> box = SpamAndGood();
  box.push_back(Mail("friend@example.net", "joe@example.org", "Pills for the cat", "hi"));
  TFakePop3Server server(box);
  ProfileRecord& profile = AddProfile(server);
  profile.Archive = true;
  profile.ArchiveDir = (Dir / "spam").string();
  Config->ApprovedSenders = {{"friend@example.net", "Friend"}};
  Tick({1, 2});  // the user unticks the pills and ticks the good message
  Ui.SetNextAnswer(mbYes);
  Engine->CheckMailboxes(false);

  ASSERT_EQ(View.Lists.size(), 1u);
  const std::vector<THdrRec>& list = View.Lists[0];
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].Reason, "Headers: Pills in the subject");
  EXPECT_EQ(list[1].Reason, "ok");
  EXPECT_EQ(list[2].Reason, "Body: Advance fee");
  EXPECT_EQ(list[3].Reason, "Approved Sender: friend@example.net");
  EXPECT_EQ((std::vector<bool>{list[0].DeleteMark, list[1].DeleteMark, list[2].DeleteMark, list[3].DeleteMark}),
            (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(list[0].Sender, "Pat pat@example.com");
  EXPECT_EQ(list[2].Recipients, " joe@example.org,Ann ann@example.org");
  EXPECT_EQ(list[2].Subject, "Proposal");
  EXPECT_EQ(list[0].HeaderText.rfind("Received: from relay.example.net", 0), 0u);
  // The whole header retrieval: header block, empty line, first body line.
  EXPECT_TRUE(list[0].HeaderText.ends_with("\r\nSubject: Cheap pills\r\n\r\nx\r\n")) << list[0].HeaderText;
  EXPECT_EQ(list[1].Size, static_cast<int>(box[1].size()));
  EXPECT_EQ(list[1].UIDL, "uid-2");
  EXPECT_EQ(list[3].MsgNumber, 3);
  EXPECT_TRUE(View.Has("list: Header Listing [Profile: Home]"));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Confirmation);
  EXPECT_EQ(Ui.Boxes[0].Text, "Delete all checked messages from 127.0.0.1?");
  EXPECT_EQ(Ui.Boxes[0].Caption, "Confirmation");
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbYes | mbNo);

  EXPECT_THAT(Matching(server.Commands(), "DELE"), ElementsAre("DELE 2", "DELE 3"));
  EXPECT_EQ(server.Remaining(), (std::vector<std::string>{box[0], box[3]}));
  EXPECT_EQ(Config->Counters.Eaten, 2);
  std::vector<std::string> reasons;
  for (const auto& f : ArchiveFiles(Dir / "spam")) reasons.push_back(ReasonLine(f));
  EXPECT_THAT(reasons, testing::UnorderedElementsAre("X-SpamRejection3: selected for deletion during check and view",
                                                     "X-SpamRejection3: Body: Advance fee"));
  // Numbers in the pass's lines count from 0.
  EXPECT_TRUE(Logged("+ Message number 0 not flagged for deletion - skipping")) << Log();
  EXPECT_TRUE(Logged("+ Deleting message number 1"));
  // The pass logs out itself; the run's own logout then meets a closed socket, silently.
  EXPECT_EQ(Matching(server.Commands(), "QUIT").size(), 1u);
  EXPECT_TRUE(LinesStartingWith("! ").empty()) << Log();
  EXPECT_TRUE(Config->HdrRecList.empty());
  EXPECT_TRUE(Ui.Timers.empty());
  EXPECT_FALSE(Config->CheckAndView);
}

TEST_F(DeletionPassTest, NothingIsDeletedWithoutATickAndAYes) {
  TFakePop3Server server(SpamAndGood());
  AddProfile(server);
  Config->DisableSpamScan = true;
  View.Review = [](std::vector<THdrRec>& list) {
    for (THdrRec& rec : list) rec.DeleteMark = false;
    return false;
  };
  Engine->CheckMailboxes(false);
  EXPECT_TRUE(View.Has("list: Header Listing [Profile: Home] {FILTERING DISABLED}"));
  EXPECT_TRUE(Ui.Boxes.empty());  // no question without a tick

  Config->CheckAndView = true;
  Tick({0, 1, 2});
  Ui.SetNextAnswer(mbNo);
  Engine->CheckMailboxes(false);
  EXPECT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_TRUE(Matching(server.Commands(), "DELE").empty());
  EXPECT_EQ(Matching(server.Commands(), "QUIT").size(), 2u);
  EXPECT_EQ(server.Remaining().size(), 3u);
}

TEST_F(DeletionPassTest, RenumberedMessagesAreKeptCountedAndReported) {
  TFakePop3Server server({Mail("a@example.com", "joe@example.org", "Pills 1", "x"),
                          Mail("b@example.com", "joe@example.org", "Pills 2", "x"),
                          Mail("c@example.com", "joe@example.org", "Pills 3", "x"),
                          Mail("jane@example.org", "joe@example.org", "Lunch", "12:30")});
  ProfileRecord& profile = AddProfile(server);
  profile.Archive = true;
  profile.ArchiveDir = (Dir / "spam").string();
  Config->CheckUIDL = true;
  Config->LoggingLevel = LogLevel::None;  // mismatches are reported whatever the level
  View.Review = [&server](std::vector<THdrRec>&) {
    server.RemoveNow(2);  // another client takes message 2; the rest move up
    return true;
  };
  Ui.SetNextAnswer(mbYes);
  Engine->CheckMailboxes(false);

  // Message 3 now sits where 2 was, and the good one where 3 was: neither is touched.
  EXPECT_THAT(Matching(server.Commands(), "DELE"), ElementsAre("DELE 1"));
  EXPECT_EQ(server.Remaining().size(), 2u);
  EXPECT_EQ(Config->Counters.Eaten, 1);
  // Nor is either archived under the reason of the message that was expected there.
  EXPECT_EQ(ArchiveFiles(Dir / "spam").size(), 1u);
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[1].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[1].Text,
            "2 message(s) could not be deleted from the mail server due to a \r\n"
            "mismatch in the UIDL (message ID). This can be caused on some\r\n"
            "mail servers when new mail comes in and you are logged in and on\r\n"
            "some that don't fully support the POP3 UIDL command.");
}

TEST_F(DeletionPassTest, AServerWithoutUidlHasEveryTickedMessageDeleted) {
  TFakePop3Server server(SpamAndGood());
  AddProfile(server);
  Config->CheckUIDL = true;
  View.Review = [&server](std::vector<THdrRec>&) {
    server.Faults.UidlUnsupported = true;
    return true;
  };
  Ui.SetNextAnswer(mbYes);
  Engine->CheckMailboxes(false);
  EXPECT_THAT(Matching(server.Commands(), "DELE"), ElementsAre("DELE 1", "DELE 3"));
  EXPECT_EQ(LinesStartingWith("@ Server does not appear to support UIDL - continuing with deletion").size(), 2u)
      << Log();
  EXPECT_TRUE(Logged("@ Deleting message index 2"));
  EXPECT_EQ(Config->Counters.Eaten, 2);

  // Ids that were never known are not checked at all.
  TFakePop3Server bare(SpamAndGood());
  bare.Faults.UidlUnsupported = true;
  Config->Profiles.clear();
  AddProfile(bare);
  Config->CheckAndView = true;
  View.Review = [](std::vector<THdrRec>&) { return true; };
  Ui.SetNextAnswer(mbYes);
  ClearLog();
  Engine->CheckMailboxes(false);
  EXPECT_EQ(LinesStartingWith("! UIDL passed empty - skipping UIDL verification check").size(), 2u) << Log();
  EXPECT_EQ(bare.Remaining().size(), 1u);
}

TEST_F(DeletionPassTest, TheKeepAliveAlternatesStatAndNoopWhileTheListIsOpen) {
  TFakePop3Server server(SpamAndGood());
  AddProfile(server);
  int timer = 0;
  View.Review = [this, &timer](std::vector<THdrRec>&) {
    EXPECT_TRUE(Engine->KeepAliveRunning());
    EXPECT_EQ(Ui.Timers.size(), 1u);
    timer = Ui.Timers.begin()->first;
    EXPECT_EQ(Ui.Timers.begin()->second.first, 15000);
    for (int i = 0; i < 4; ++i) Ui.FireTimer(timer);
    return true;
  };
  Ui.SetNextAnswer(mbYes);
  Engine->CheckMailboxes(false);

  const std::vector<std::string> commands = server.Commands();
  const auto last = std::find(commands.begin(), commands.end(), "RETR 3");  // the last of the classification
  ASSERT_NE(last, commands.end());
  // Each command after the keep-alives still reads its own reply: the deletions succeed.
  EXPECT_EQ(std::vector<std::string>(last + 1, commands.end()),
            (std::vector<std::string>{"STAT", "NOOP", "STAT", "NOOP", "DELE 1", "DELE 3", "QUIT"}));
  EXPECT_EQ(server.Remaining().size(), 1u);
  EXPECT_FALSE(Engine->KeepAliveRunning());
  EXPECT_TRUE(Ui.Timers.empty());
  Ui.FireTimer(timer);  // a late tick after the pass sends nothing
  EXPECT_EQ(server.Commands().size(), commands.size());
}

TEST_F(DeletionPassTest, AnArchiveFailureKeepsTheTickedMessage) {
  TFakePop3Server server(SpamAndGood());
  ProfileRecord& profile = AddProfile(server);
  profile.Archive = true;
  test::WriteTextFile(Dir / "plainfile", "x");
  profile.ArchiveDir = (Dir / "plainfile" / "spam").string();
  View.Review = [](std::vector<THdrRec>&) { return true; };
  Ui.SetNextAnswer(mbYes);
  Engine->CheckMailboxes(false);
  EXPECT_TRUE(Matching(server.Commands(), "DELE").empty());
  EXPECT_EQ(LinesStartingWith("! Archiving error: ").size(), 2u) << Log();
  EXPECT_EQ(Config->Counters.Eaten, 0);
}

TEST_F(DeletionPassTest, AConnectionWithoutReadableMessagesShowsNoList) {
  TFakePop3Server server(SpamAndGood());
  server.Faults.TopFails = {1, 2, 3};
  AddProfile(server);
  Engine->CheckMailboxes(false);
  EXPECT_TRUE(View.Lists.empty());
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
  EXPECT_EQ(Ui.Boxes[0].Text, "There are no messages available for profile Home\r\non server 127.0.0.1.");
}

}  // namespace
}  // namespace mailmoat
