#include "archive/Outbound.h"
#include "archive/OutboundCommands.h"
#include "core/dataConfig.h"
#include "integration/SmtpServer.h"
#include "mail/TestCertificates.h"
#include "support/FakeDialer.h"
#include "support/RecordingUiHost.h"

namespace mailmoat {
namespace {

// An archived message as the check run leaves it, LF-only lines and a tab included.
const char Archived[] =
    "Received: from relay.example.net\r\nFrom: Sam <sam@example.net>\r\nTo: joe@example.org\r\n"
    "Subject: Pills\r\nMessage-ID: <m1@example.net>\r\nX-SpamRejection1: ---\r\nX-SpamRejection2: Mailmoat\r\n"
    "X-SpamRejection3: Subject contains pills\r\nX-SpamRejection4: ---\r\n\r\nCheap\tpills\r\n.hidden dot\r\n";

class ArchiveOutboundTest : public test::AiosmtpdTest {
protected:
  void SetUp() override {
    test::WriteTextFile(Dir / "1.spam", Archived);
    Config.Requeue.SMTPServer = "127.0.0.1";
    Config.Requeue.SendTo = "joe@example.org";
    Config.SpamCop = {"submit.abc@spam.example.net", "joe@example.org"};
  }
  // The message the server took, without its envelope lines.
  std::string Content(int n) const {
    std::string got = Received(n);
    for (int line = 0; line < 3; ++line) got.erase(0, got.find('\n') + 1);
    return got;
  }

  test::TRecordingUiHost Ui;
  test::TFakeDialer Dialer;
  TConfigData Config{TAppPaths::ForHome(Dir.Path()), Ui, Dialer};
};

TEST_F(ArchiveOutboundTest, RequeueDeliversTheArchivedFileAsItIsOverPlainAndStarttls) {
  const test::TTestCertificates& certs = test::TTestCertificates::Get();
  Start(false, certs.ServerCert(), certs.ServerKey());
  // The server takes nothing before STARTTLS.
  TSmtpOptions plain = Options;
  EXPECT_FALSE(RequeueMessage(Config, Dir / "1.spam", plain));
  Config.Requeue.SMTPSecurity = 1;
  Config.TlsCaFile = certs.CaFile();
  TSmtpOptions options = SmtpOptionsOf(Config);
  options.Port = Port;
  options.FailureText = &Failure;
  ASSERT_TRUE(RequeueMessage(Config, Dir / "1.spam", options)) << Failure;
  EXPECT_FALSE(RequeueMessage(Config, Dir / "gone.spam", options));
  Server.Stop();
  EXPECT_EQ(Received(1).substr(0, Received(1).find("AUTH")),
            std::string("FROM ") + RequeueSender + "\nTO joe@example.org\n");
  EXPECT_EQ(Content(1), Archived);
}

TEST_F(ArchiveOutboundTest, ASpamCopReportCarriesTheArchiveAndAReplyItsQuote) {
  Start(true);
  Config.Requeue.SMTPAuth = true;
  Config.Requeue.SMTPLogin = "tim";
  Config.Requeue.SMTPPassword = "pw";
  ASSERT_TRUE(ForwardToSpamCop(Config, Dir / "1.spam", Options)) << Failure;
  const std::string report = Content(1);
  EXPECT_EQ(Received(1).substr(0, Received(1).find("\nAUTH")), "FROM joe@example.org\nTO submit.abc@spam.example.net");
  for (const char* part :
       {"From:      <joe@example.org>\r\n", "Subject: reply anyway\r\n",
        "Content-Type: multipart/mixed; boundary=", "\r\nForwarded spam message for processing is attached.\r\n",
        "name=\"spam_email.txt\"", "X-SpamRejection3: Subject contains pills", "Cheap    pills"})
    EXPECT_NE(report.find(part), std::string::npos) << part << " in\n" << report;

  // Without the SpamCop addresses nothing is sent, and the user is told why.
  Config.SpamCop.FromAddress.clear();
  EXPECT_FALSE(ForwardToSpamCop(Config, Dir / "1.spam", Options));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("You have not yet properly configured your SpamCop", 0), 0u);

  std::tm now{};
  now.tm_year = 126;
  now.tm_mday = 8;
  const auto reply = ReplyMessageLines("Sam <sam@example.net>", "joe@example.org", "Re: Pills", {"No thanks."}, now,
                                       "+0000", [](int) { return 7; });
  ASSERT_TRUE(SendMail("joe@example.org", "sam@example.net", "127.0.0.1", reply, "tim", "pw", Options)) << Failure;
  Server.Stop();
  EXPECT_NE(Content(2).find("\r\nMessage-ID: <000007"), std::string::npos) << Content(2);
  EXPECT_NE(Content(2).find("@mailmoat>\r\n"), std::string::npos) << Content(2);
  EXPECT_NE(Content(2).find("\r\n\r\nNo thanks.\r\n"), std::string::npos) << Content(2);
}

TEST_F(ArchiveOutboundTest, TheCommandsDialAskAndSkipAsTheySay) {
  Start(false);
  test::WriteTextFile(Dir / "2.spam", Archived);
  TArchiveRow missing, first, second;
  missing.File = Dir / "gone.spam";
  first.File = Dir / "1.spam";
  second.File = Dir / "2.spam";
  const std::int64_t today = MailDay(EncodeMailTime(2026, 12, 8, 9, 0, 0));
  first.Dated = EncodeMailTime(2026, 12, 6, 0, 0, 1);
  second.Dated = EncodeMailTime(2026, 12, 5, 23, 59, 59);

  // Checking through dial-up with no line up: a dial that fails sends nothing.
  Config.UseRas = Config.RasAvailable = true;
  int dials = 0, hangUps = 0;
  TDialUpLine line{[] { return false; }, [&dials] { return ++dials == 1 ? 678 : 0; }, [&hangUps] { ++hangUps; },
                   [](int code) { return "error " + std::to_string(code); }};
  Ui.SetNextAnswer(mbYes);
  EXPECT_FALSE(RequeueSelected(Config, line, {first}, Options));
  EXPECT_EQ(Ui.Boxes.back().Text,
            "Unable to connect to server. Dialup networking returned the error below:\r\n\r\nerror 678");
  EXPECT_EQ(hangUps, 0);

  // A failed send asks whether to go on; the sent file goes, as DeleteMsg says.
  Ui.SetNextAnswer(mbYes);
  Ui.SetNextAnswer(mbYes);
  EXPECT_TRUE(RequeueSelected(Config, line, {missing, first}, Options));
  EXPECT_EQ(hangUps, 1);
  EXPECT_FALSE(std::filesystem::exists(Dir / "1.spam"));
  EXPECT_EQ(Ui.Boxes[Ui.Boxes.size() - 1].Text.rfind("An error has occurred trying to requeue a message.", 0), 0u);
  Config.Requeue.DeleteMsg = false;
  Ui.SetNextAnswer(mbYes);
  EXPECT_FALSE(RequeueSelected(Config, line, {second}, Options));
  EXPECT_TRUE(std::filesystem::exists(Dir / "2.spam"));

  // SpamCop takes messages of the last three calendar days only; the zero date never goes.
  test::WriteTextFile(Dir / "1.spam", Archived);
  TArchiveRow undated;
  undated.File = Dir / "2.spam";
  Ui.Boxes.clear();
  Ui.SetNextAnswer(mbYes);
  ForwardSelectedToSpamCop(Config, line, {first, second, undated}, Options, today);
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[1].Text, "2 messages were not forwarded\r\ndue to being more than 3 days old.");
  Server.Stop();
  EXPECT_EQ(Received(3).substr(0, Received(3).find("\nAUTH")), "FROM joe@example.org\nTO submit.abc@spam.example.net");
  EXPECT_FALSE(std::filesystem::exists(Dir / "out" / "msg4.eml"));
}

}  // namespace
}  // namespace mailmoat
