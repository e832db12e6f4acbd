#include "mail/ScriptedServer.h"
#include "mail/SendMail.h"
#include "mail/TestCertificates.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using test::TScriptedServer;

const std::vector<std::string> Lines = {"From: me@here.example", "Subject: hi", "", ".hidden", ".", "end"};
// Each line and its CR LF: 21+2 + 11+2 + 0+2 + 7+2 + 1+2 + 3+2.
constexpr int Length = 55;

class SendMailTest : public ::testing::Test {
protected:
  void SetUp() override {
    Options.HeloName = "client.example";
    Options.TimeOut = 5;
    Options.FailureText = &Failure;
  }
  bool Send(const std::string& login = "", const std::string& password = "") {
    Server.Start();
    Options.Port = Server.Port();
    return SendMail("me@here.example", "you@there.example", "127.0.0.1", Lines, login, password, Options);
  }
  void ExpectScriptPlayed() {
    const std::vector<std::string> mismatches = Server.Finish();
    EXPECT_TRUE(mismatches.empty()) << mismatches.front();
  }
  // MAIL, RCPT, DATA with the dot-stuffed text, QUIT.
  void Transfer(const std::string& mailFrom) {
    Server.Expect(mailFrom).Line("250 ok").Expect("RCPT TO:<you@there.example>").Line("250 ok");
    Server.Expect("DATA").Line("354 go ahead");
    Server.ExpectData("From: me@here.example\r\nSubject: hi\r\n\r\n..hidden\r\n..\r\nend\r\n.\r\n");
    Server.Line("250 queued").Expect("QUIT").Line("221 bye").ExpectClose();
  }

  TScriptedServer Server;
  TSmtpOptions Options;
  std::string Failure;
};

TEST_F(SendMailTest, CramMd5AnswerOfRfc2195) {
  EXPECT_EQ(CramMd5Response("tim", "tanstaaftanstaaf", "<1896.697170952@postoffice.reston.mci.net>"),
            "tim b913a602c7eda7a495b4e6e7334d3890");
}

TEST_F(SendMailTest, CramMd5ThenEhloAgainAndTheDeclaredSize) {
  Server.Line("220-smtp.example ESMTP").Line("220 welcome").Expect("EHLO client.example");
  Server.Line("250-smtp.example").Line("250-SIZE 10").Line("250-AUTH LOGIN CRAM-MD5").Line("250 8BITMIME");
  Server.Expect("AUTH CRAM-MD5").Line("334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+");
  Server.Expect("dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw").Line("235 ok");
  Server.Expect("EHLO client.example").Line("250 smtp.example");
  // The advertised limit does not stop the offer: the server decides.
  Transfer("MAIL FROM:<me@here.example> SIZE=" + std::to_string(Length));
  EXPECT_TRUE(Send("tim", "tanstaaftanstaaf"));
  EXPECT_EQ(Failure, "");
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, HeloAfterARefusedEhloSkipsAuthAndSize) {
  Server.Line("220 old server").Expect("EHLO client.example").Line("500 what?");
  Server.Expect("HELO client.example").Line("250 hello");
  Transfer("MAIL FROM:<me@here.example>");
  EXPECT_TRUE(Send("tim", "pw"));
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, RefusedCramMd5FallsBackToLogin) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250-x").Line("250 AUTH=CRAM-MD5 LOGIN");
  Server.Expect("AUTH CRAM-MD5").Line("504 not today");
  Server.Expect("AUTH LOGIN").Line("334 VXNlcm5hbWU6").Expect("dGlt").Line("334 UGFzc3dvcmQ6");
  Server.Expect("cHc=").Line("235 ok").Expect("EHLO client.example").Line("250 x");
  Transfer("MAIL FROM:<me@here.example>");
  EXPECT_TRUE(Send("tim", "pw"));
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, LoginIsPreferredToPlain) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250-x").Line("250 AUTH LOGIN PLAIN");
  Server.Expect("AUTH LOGIN").Line("334 VXNlcm5hbWU6").Expect("dGlt").Line("334 UGFzc3dvcmQ6");
  Server.Expect("cHc=").Line("535 no").Expect("MAIL FROM:<me@here.example>").Line("530 authenticate first");
  Server.Expect("QUIT").Line("221 bye");
  EXPECT_FALSE(Send("tim", "pw"));
  EXPECT_EQ(Failure, "530 authenticate first");
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, PlainWhenNothingElseIsOffered) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250-x").Line("250 AUTH PLAIN");
  Server.Expect("AUTH PLAIN AHRpbQBwdw==").Line("235 ok").Expect("EHLO client.example").Line("250 x");
  Transfer("MAIL FROM:<me@here.example>");
  EXPECT_TRUE(Send("tim", "pw"));
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, NoCredentialsNoAuth) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250-x").Line("250 AUTH LOGIN");
  Transfer("MAIL FROM:<me@here.example>");
  EXPECT_TRUE(Send());
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, BreaksInsideLinesCannotEndTheData) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250 x");
  Server.Expect("MAIL FROM:<me@here.example>").Line("250 ok").Expect("RCPT TO:<you@there.example>").Line("250 ok");
  Server.Expect("DATA").Line("354 go ahead").ExpectData("a\r\n..\r\nMAIL FROM:<x>\r\nb\r\n.\r\n");
  Server.Line("250 queued").Expect("QUIT").Line("221 bye");
  Server.Start();
  Options.Port = Server.Port();
  EXPECT_TRUE(
      SendMail("me@here.example", "you@there.example", "127.0.0.1", {"a\r\n.\r\nMAIL FROM:<x>", "b"}, "", "", Options));
  ExpectScriptPlayed();
  EXPECT_FALSE(SendMail("me@here.example\r\nRSET", "you@there.example", "127.0.0.1", Lines, "", "", Options));
  EXPECT_EQ(Failure, "Line breaks are not allowed in an SMTP command");
}

TEST_F(SendMailTest, RefusedRecipientStillSaysQuit) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250 x");
  Server.Expect("MAIL FROM:<me@here.example>").Line("250 ok");
  Server.Expect("RCPT TO:<you@there.example>").Line("550 no such user").Expect("QUIT").Line("221 bye");
  EXPECT_FALSE(Send());
  EXPECT_EQ(Failure, "550 no such user");
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, EarlyFailuresCloseWithoutQuit) {
  Server.Line("554 go away").ExpectClose();
  EXPECT_FALSE(Send());
  EXPECT_EQ(Failure, "554 go away");
  ExpectScriptPlayed();

  TScriptedServer helo;
  helo.Line("220 hi").Expect("EHLO client.example").Line("500 no").Expect("HELO client.example").Line("501 no");
  helo.ExpectClose();
  helo.Start();
  Options.Port = helo.Port();
  EXPECT_FALSE(SendMail("a@b", "c@d", "127.0.0.1", Lines, "", "", Options));
  EXPECT_TRUE(helo.Finish().empty());
}

TEST_F(SendMailTest, ConnectionFailuresAndClosesAreFalse) {
  TSmtpOptions options;
  options.Port = TScriptedServer().Port();  // closed again at once
  options.FailureText = &Failure;
  EXPECT_FALSE(SendMail("a@b", "c@d", "127.0.0.1", Lines, "", "", options));
  EXPECT_EQ(Failure, "[10061] Connection refused");

  Server.Line("220 hi").Expect("EHLO client.example").Close();
  EXPECT_FALSE(Send());
  EXPECT_EQ(Failure, "[10054] Connection reset by peer");
  Server.Finish();
}

TEST_F(SendMailTest, StartTlsUpgradesAndForgetsThePlainCapabilities) {
  const auto& certs = test::TTestCertificates::Get();
  Server.Line("220 hi").Expect("EHLO client.example").Line("250-x").Line("250-SIZE").Line("250 STARTTLS");
  Server.Expect("STARTTLS").Line("220 go").StartTls(certs.ServerCert(), certs.ServerKey());
  Server.Expect("EHLO client.example").Line("250-x").Line("250 AUTH LOGIN");
  Server.Expect("AUTH LOGIN").Line("334 VXNlcm5hbWU6").Expect("dGlt").Line("334 UGFzc3dvcmQ6");
  Server.Expect("cHc=").Line("235 ok").Expect("EHLO client.example").Line("250 x");
  Transfer("MAIL FROM:<me@here.example>");
  Options.Security = TmsTlsMode::StartTls;
  Options.TlsCaFile = certs.CaFile();
  EXPECT_TRUE(Send("tim", "pw"));
  ExpectScriptPlayed();
}

TEST_F(SendMailTest, RequiredStartTlsMissingSendsNothing) {
  Server.Line("220 hi").Expect("EHLO client.example").Line("250-x").Line("250 AUTH LOGIN");
  Server.Expect("QUIT").Line("221 bye");
  Options.Security = TmsTlsMode::StartTls;
  EXPECT_FALSE(Send("tim", "pw"));
  EXPECT_EQ(Failure, "The server 127.0.0.1 does not offer STARTTLS, required for sending");
  ExpectScriptPlayed();
}

}  // namespace
}  // namespace mailmoat
