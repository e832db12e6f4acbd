#include "mail/ScriptedServer.h"
#include "mail/SocketErrors.h"
#include "mail/TestCertificates.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "support/RecordingUiHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace mailmoat {
namespace {

using test::TScriptedServer;
using test::TTestCertificates;

// The login every session below starts with.
// `capa` is the CAPA reply: one "-ERR" line, or "+OK" and the capability lines.
void LoginScript(TScriptedServer& s, const std::string& stat = "+OK 3 4500",
                 const std::string& capa = "-ERR unknown command\r\n") {
  s.Line("+OK POP3 ready").Expect("USER joe").Line("+OK").Expect("PASS s3cret").Line("+OK logged in");
  s.Expect("CAPA").Send(capa).Expect("STAT").Line(stat);
}

class POPClientTest : public ::testing::Test {
protected:
  void SetUp() override {
    Pop.Blocking = true;
    Pop.TimeOut = 5;
    Pop.MailMessage = &Message;
    Pop.UserName = "joe";
    Pop.Password = "s3cret";
    Pop.OnConnected = [this] { Events.push_back("connected"); };
    Pop.OnDisconnected = [this] { Events.push_back("disconnected"); };
    Pop.OnRetrievingMessage = [this] { Events.push_back("retrieving"); };
    Pop.OnMessageRetrieved = [this] { Events.push_back("retrieved"); };
  }
  void Start() {
    Server.Start();
    Pop.SetHost("127.0.0.1:" + std::to_string(Server.Port()));
  }
  // Joins the server and checks that the whole script was played as written.
  void ExpectScriptPlayed() {
    const std::vector<std::string> mismatches = Server.Finish();
    EXPECT_TRUE(mismatches.empty()) << mismatches.front();
  }

  TScriptedServer Server;
  TmsPOPClient Pop;
  TmsMessage Message;
  std::vector<std::string> Events;
};

TEST_F(POPClientTest, ACheckRunSession) {
  LoginScript(Server);
  Server.Expect("TOP 1 1").Send(
      "+OK\r\nFrom: Ann <ann@example.org>\r\nSubject: hi\r\nTo: joe@example.org\r\n\r\nfirst line\r\n.\r\n");
  Server.Expect("LIST 1").Line("+OK 1 4711").Expect("UIDL 1").Line("+OK 1 uid-0001 ");
  Server.Expect("RETR 1").Line("+OK 48 octets").Send("Subject: whole\r\n\r\n..dotted\r\nplain\r\n...\r\n.\r\n");
  Server.Expect("DELE 1").Line("+OK deleted").Expect("QUIT").Line("+OK bye").ExpectClose();
  Start();

  Pop.Login();
  EXPECT_EQ(Pop.MessageCount, 3);
  EXPECT_EQ(Pop.TotalSize, 4500);
  EXPECT_EQ(Pop.CurrentMessage, 0);
  Pop.RetrieveHeaders();
  EXPECT_EQ(Message.Subject(), "hi");
  EXPECT_EQ(Message.Sender.Address(), "ann@example.org");
  ASSERT_FALSE(Message.Headers.empty());
  EXPECT_EQ(Message.Headers.back(), ".");
  EXPECT_EQ(Message.Headers[Message.Headers.size() - 2], "first line");
  EXPECT_EQ(Pop.GetMessageSize(), 4711);
  EXPECT_EQ(Pop.GetMessageUID(), "uid-0001");
  Pop.RetrieveMessage();
  EXPECT_EQ(Message.Subject(), "whole");
  // Dot-stuffing is undone for the parse; the final "." is not part of the message.
  EXPECT_EQ(Message.Body, (std::vector<std::string>{".dotted", "plain", ".."}));
  Pop.DeleteMessage();
  Pop.Logout();
  EXPECT_FALSE(Pop.Connected());
  EXPECT_EQ(Events, (std::vector<std::string>{"connected", "retrieving", "retrieved", "disconnected"}));
  ExpectScriptPlayed();
}

TEST_F(POPClientTest, RepliesOfCommandsSentAheadGoToTheirCallsInOrder) {
  LoginScript(Server, "+OK 3 4500", "+OK capabilities\r\nTOP\r\nUIDL\r\npipelining\r\n.\r\n");
  // Both listing commands arrive before either reply goes out.
  Server.Expect("LIST").Expect("UIDL");
  Server.Send("+OK 3 messages\r\n1 100\r\n2 200\r\n3 300\r\n.\r\n")
      .Send("+OK\r\n1 uid-a\r\n2 uid-b\r\n3 uid-c\r\n.\r\n");
  Server.Expect("TOP 1 1").Expect("RETR 2").Expect("TOP 3 1").Expect("DELE 1");
  Server.Send("+OK\r\nSubject: one\r\n\r\n.\r\n");
  Server.Send("+OK 27 octets\r\nSubject: two\r\n\r\n..\r\n.\r\n");  // never asked for: dropped
  Server.Send("+OK\r\nSubject: three\r\n\r\n.\r\n").Line("-ERR cannot delete");
  Server.Expect("LIST 2").Line("+OK 2 200").Expect("QUIT").Line("+OK").ExpectClose();
  Start();

  Pop.Login();
  EXPECT_TRUE(Pop.HasCapability("PIPELINING"));
  EXPECT_TRUE(Pop.HasCapability("UIDL"));
  Pop.LoadListing(true);
  EXPECT_TRUE(Pop.ListingComplete());
  EXPECT_EQ(Pop.ListedSize(1), 200);
  EXPECT_EQ(Pop.ListedUID(2), "uid-c");
  Pop.Queue(TmsPOPClient::TQueued::Top, 0, 100);
  Pop.Queue(TmsPOPClient::TQueued::Retr, 1, 200);
  Pop.Queue(TmsPOPClient::TQueued::Top, 2, 100);
  Pop.Queue(TmsPOPClient::TQueued::Dele, 0, 0);
  EXPECT_EQ(Pop.InFlight(), 4u);
  EXPECT_EQ(Pop.InFlightBytes(), 400);
  Pop.SetCurrentMessage(0);
  Pop.RetrieveHeaders();
  EXPECT_EQ(Message.Subject(), "one");
  Pop.SetCurrentMessage(2);
  Pop.RetrieveHeaders();
  EXPECT_EQ(Message.Subject(), "three");
  EXPECT_EQ(Pop.InFlight(), 1u);
  // Another command reads the reply still due first; the refused DELE is kept for Settle.
  Pop.SetCurrentMessage(1);
  EXPECT_EQ(Pop.GetMessageSize(), 200);
  EXPECT_EQ(Pop.InFlight(), 0u);
  EXPECT_EQ(Pop.Settle(), (std::vector<std::string>{"-ERR cannot delete"}));
  EXPECT_TRUE(Pop.Settle().empty());
  Pop.Logout();
  ExpectScriptPlayed();
}

TEST_F(POPClientTest, AReplyThatDoesNotFitAmongThoseSentAheadDropsTheConnection) {
  LoginScript(Server, "+OK 2 300", "+OK\r\nPIPELINING\r\n.\r\n");
  Server.Expect("TOP 1 1").Expect("TOP 2 1").Send("+OK\r\nSubject: one\r\n\r\n.\r\n").Line("* what").ExpectClose();
  Start();

  Pop.Login();
  Pop.Queue(TmsPOPClient::TQueued::Top, 0, 100);
  Pop.Queue(TmsPOPClient::TQueued::Top, 1, 100);
  EXPECT_THROW(Pop.Queue(TmsPOPClient::TQueued::Top, 2, 100), EmsError);  // there is no message 3
  Pop.SetCurrentMessage(0);
  Pop.RetrieveHeaders();
  Pop.SetCurrentMessage(1);
  EXPECT_THROW(Pop.RetrieveHeaders(), EmsProtocolError);
  // Closed without QUIT, with nothing left due.
  EXPECT_FALSE(Pop.Connected());
  EXPECT_EQ(Pop.InFlight(), 0u);
  ExpectScriptPlayed();
}

TEST_F(POPClientTest, MessageSelectionIsClamped) {
  LoginScript(Server, "+OK 0 0");
  Start();
  Pop.Login();
  EXPECT_EQ(Pop.MessageCount, 0);
  EXPECT_EQ(Pop.CurrentMessage, -1);
  Pop.SetCurrentMessage(5);
  EXPECT_EQ(Pop.CurrentMessage, -1);
  Pop.MessageCount = 3;
  Pop.SetCurrentMessage(7);
  EXPECT_EQ(Pop.CurrentMessage, 2);
  Pop.SetCurrentMessage(-1);
  EXPECT_EQ(Pop.CurrentMessage, 0);
  ExpectScriptPlayed();
}

TEST_F(POPClientTest, CountsBelongToOneConnection) {
  LoginScript(Server);
  Server.Expect("QUIT").Line("+OK");
  Start();
  Pop.Login();
  Pop.Logout();
  ExpectScriptPlayed();
  TScriptedServer next;
  LoginScript(next, "+OK mailbox locked?");
  next.Start();
  Pop.SetHost("127.0.0.1:" + std::to_string(next.Port()));
  Pop.Login();
  EXPECT_EQ(Pop.MessageCount, 0);
  EXPECT_EQ(Pop.TotalSize, 0);
  EXPECT_EQ(Pop.CurrentMessage, -1);
  Pop.Close();
  EXPECT_TRUE(next.Finish().empty());
}

struct TLoginFault {
  const char* Name;
  std::function<void(TScriptedServer&)> Script;
  const char* Error;
};

class LoginFaultTest : public POPClientTest, public ::testing::WithParamInterface<TLoginFault> {};

TEST_P(LoginFaultTest, FailsWithTheReplyAndSendsNothingAfterIt) {
  GetParam().Script(Server);
  Start();
  try {
    Pop.Login();
    ADD_FAILURE() << "no error";
  } catch (const EmsServerError& e) {
    EXPECT_EQ(e.what(), std::string(GetParam().Error));
  }
  Pop.Close();
  ExpectScriptPlayed();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LoginFaultTest,
    ::testing::Values(
        TLoginFault{"NegativeGreeting", [](TScriptedServer& s) { s.Line("-ERR too busy").ExpectClose(); },
                    "-ERR too busy"},
        TLoginFault{"UnknownUser",
                    [](TScriptedServer& s) { s.Line("+OK").Expect("USER joe").Line("-ERR who?").ExpectClose(); },
                    "-ERR who?"},
        TLoginFault{"WrongPassword",
                    [](TScriptedServer& s) {
                      s.Line("+OK").Expect("USER joe").Line("+OK").Expect("PASS s3cret");
                      s.Line("-ERR [AUTH] Authentication failed.").ExpectClose();
                    },
                    "-ERR [AUTH] Authentication failed."},
        TLoginFault{"GarbledStat",
                    [](TScriptedServer& s) {
                      s.Line("+OK").Expect("USER joe").Line("+OK").Expect("PASS s3cret").Line("+OK");
                      s.Expect("CAPA").Line("-ERR").Expect("STAT").Line("* what").ExpectClose();
                    },
                    "* what"},
        TLoginFault{"ClosedAfterGreeting", [](TScriptedServer& s) { s.Line("+OK").Expect("USER joe").Close(); },
                    "The server closed the connection without a reply"}),
    [](const ::testing::TestParamInfo<TLoginFault>& p) { return std::string(p.param.Name); });

TEST_F(POPClientTest, ReplyFaultsOfTheMessageCommands) {
  LoginScript(Server);
  Server.Expect("UIDL 1").Line("-ERR UIDL not supported");
  Server.Expect("LIST 1").Line("+OK 1 big");
  Server.Expect("LIST 1").Line("+OK");
  Server.Expect("TOP 1 1").Line("-ERR no such message");
  Server.Expect("DELE 1").Line("-ERR already deleted");
  Server.Expect("RETR 1").Line("-ERR gone");
  Server.Expect("QUIT").Line("-ERR cannot commit").Expect("QUIT").Line("+OK").ExpectClose();
  Start();
  Pop.Login();
  EXPECT_EQ(Pop.GetMessageUID(), "");
  EXPECT_EQ(Pop.GetMessageSize(), -1);
  EXPECT_EQ(Pop.GetMessageSize(), -1);
  EXPECT_THROW(Pop.RetrieveHeaders(), EmsServerError);
  EXPECT_THROW(Pop.DeleteMessage(), EmsServerError);
  try {
    Pop.RetrieveMessage();
    ADD_FAILURE() << "no error";
  } catch (const EmsServerError& e) {
    EXPECT_EQ(e.what(), std::string("-ERR gone"));
  }
  EXPECT_THROW(Pop.Logout(), EmsServerError);
  EXPECT_TRUE(Pop.Connected());
  Pop.Logout();
  ExpectScriptPlayed();
}

TEST_F(POPClientTest, KeepAliveRepliesNeverReachTheNextCommand) {
  LoginScript(Server);
  Server.Expect("STAT").Line("+OK 3 4500").Expect("NOOP").Line("+OK").Expect("STAT").Line("+OK 3 4500");
  Server.Expect("NOOP").Line("+OK").Expect("UIDL 2").Line("+OK 2 the-uid").Expect("QUIT").Line("+OK");
  Start();
  Pop.Login();
  Pop.SendKeepAlive("STAT");
  Pop.SendKeepAlive("NOOP");
  Pop.SendKeepAlive("STAT");
  Pop.SendKeepAlive("NOOP");
  Pop.SetCurrentMessage(1);
  EXPECT_EQ(Pop.GetMessageUID(), "the-uid");
  Pop.Logout();
  ExpectScriptPlayed();
}

TEST_F(POPClientTest, AResetDuringQuitIsALogoutAndASecondLogoutFailsWith10038) {
  LoginScript(Server);
  Server.Expect("QUIT").Reset();
  Start();
  Pop.Login();
  Pop.Logout();
  EXPECT_EQ(Events.back(), "disconnected");
  ExpectScriptPlayed();
  try {
    Pop.Logout();
    ADD_FAILURE() << "no error";
  } catch (const EWinsockError& e) {
    EXPECT_NE(std::string(e.what()).find("10038"), std::string::npos);
  }
}

TEST_F(POPClientTest, SilenceInTheMiddleOfRetrTimesOut) {
  LoginScript(Server);
  Server.Expect("RETR 1").Line("+OK 900 octets").Send("Subject: x\r\n\r\nhalf of it").Pause(1800);
  Start();
  Pop.TimeOut = 1;
  Pop.Login();
  const auto start = std::chrono::steady_clock::now();
  try {
    Pop.RetrieveMessage();
    ADD_FAILURE() << "no time-out";
  } catch (const EmsTimedOutError& e) {
    EXPECT_EQ(e.what(), std::string("Operation timed out"));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  Pop.Close();
  Server.Finish();
}

TEST_F(POPClientTest, ProtocolLogMasksThePassword) {
  test::TTempDir dir;
  Pop.ProtocolLogFile = (dir / "mmt_pop3.log").string();
  LoginScript(Server);
  Server.Expect("QUIT").Line("+OK bye");
  Start();
  Pop.Login();
  Pop.Logout();
  ExpectScriptPlayed();
  const std::string log = test::ReadTextFile(dir / "mmt_pop3.log");
  EXPECT_NE(log.find("> USER joe\n"), std::string::npos);
  EXPECT_NE(log.find("> PASS ********\n"), std::string::npos);
  EXPECT_NE(log.find("< +OK 3 4500\n"), std::string::npos);
  EXPECT_EQ(log.find("s3cret"), std::string::npos);
}

TEST_F(POPClientTest, ALineBreakInThePasswordSendsNothingOfIt) {
  Server.Line("+OK").Expect("USER joe").Line("+OK").ExpectClose();
  Start();
  Pop.Password = "x\r\nDELE 1";
  try {
    Pop.Login();
    ADD_FAILURE() << "no error";
  } catch (const EmsError& e) {
    EXPECT_EQ(e.what(), std::string("Line breaks are not allowed in a POP3 command"));
  }
  Pop.Close();
  ExpectScriptPlayed();
}

TEST(ReplyTokenTest, WordsAfterTheFirstN) {
  EXPECT_EQ(ReplyToken("+OK 1 4711", 2), "4711");
  EXPECT_EQ(ReplyToken("+OK 1  uid-7  extra", 2), "uid-7");
  EXPECT_EQ(ReplyToken("+OK 1", 2), "");
  EXPECT_EQ(ReplyToken("+OK 900 octets", 1), "900");
  EXPECT_EQ(ReplyToken("+OK", 1), "");
  EXPECT_EQ(ReplyToken("word", 0), "word");
}

class POPTlsTest : public POPClientTest {
protected:
  const TTestCertificates& Certs = TTestCertificates::Get();
};

TEST_F(POPTlsTest, StlsDiscardsWhatCameBeforeTheHandshake) {
  // A line injected behind the positive STLS reply must not be read as the USER reply.
  Server.Line("+OK ready").Expect("STLS").Send("+OK begin TLS\r\n-ERR injected\r\n");
  Server.StartTls(Certs.ServerCert(), Certs.ServerKey());
  Server.Expect("USER joe").Line("+OK").Expect("PASS s3cret").Line("+OK");
  Server.Expect("CAPA").Line("-ERR").Expect("STAT").Line("+OK 1 10");
  Server.Expect("QUIT").Line("+OK");
  Start();
  Pop.TlsMode = TmsTlsMode::StartTls;
  Pop.TlsCaFile = Certs.CaFile();
  Pop.SetHost("localhost:" + std::to_string(Server.Port()));
  Pop.Login();
  EXPECT_TRUE(Pop.TlsActive());
  EXPECT_EQ(Pop.MessageCount, 1);
  Pop.Logout();
  ExpectScriptPlayed();
}

TEST_F(POPTlsTest, StlsRefusedNeverSendsThePassword) {
  Server.Line("+OK ready").Expect("STLS").Line("-ERR unknown command").ExpectClose();
  Start();
  Pop.TlsMode = TmsTlsMode::StartTls;
  try {
    Pop.Login();
    ADD_FAILURE() << "no error";
  } catch (const EmsServerError& e) {
    EXPECT_EQ(e.what(), std::string("The server 127.0.0.1 does not support STLS, required for this mailbox: "
                                    "-ERR unknown command"));
  }
  EXPECT_FALSE(Pop.Connected());
  ExpectScriptPlayed();
  EXPECT_EQ(Server.Received, std::vector<std::string>{"STLS"});
}

void ExpectCertificateRefused(TmsPOPClient& pop, const std::string& reason) {
  try {
    pop.Login();
    ADD_FAILURE() << "the certificate was accepted";
  } catch (const ETlsError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("was refused"), std::string::npos) << text;
    EXPECT_NE(text.find(reason), std::string::npos) << text;
    EXPECT_NE(text.find("Mailmoat Test CA"), std::string::npos) << text;
  }
  EXPECT_FALSE(pop.Connected());
}

TEST_F(POPTlsTest, ACertificateForAnotherHostIsRefused) {
  Server.StartTls(Certs.WrongCert(), Certs.WrongKey());
  Start();
  Pop.TlsMode = TmsTlsMode::ImplicitTls;
  Pop.TlsCaFile = Certs.CaFile();
  Pop.SetHost("localhost:" + std::to_string(Server.Port()));
  ExpectCertificateRefused(Pop, "hostname mismatch");
  Server.Finish();
}

TEST_F(POPTlsTest, AnUntrustedIssuerIsRefused) {
  Server.StartTls(Certs.ServerCert(), Certs.ServerKey());
  Start();
  Pop.TlsMode = TmsTlsMode::ImplicitTls;
  ExpectCertificateRefused(Pop, "unable to get local issuer certificate");
  Server.Finish();
}

}  // namespace
}  // namespace mailmoat
