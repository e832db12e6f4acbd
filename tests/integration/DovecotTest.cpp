#include "check/ConnectionTest.h"
#include "core/dataConfig.h"
#include "integration/DovecotServer.h"
#include "mail/SocketErrors.h"
#include "mail/TestCertificates.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "support/FakeDialer.h"
#include "support/RecordingUiHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace mailmoat {
namespace {

using test::TDovecotServer;
using test::TTestCertificates;

std::string TestMessage(int n) {
  return "From: Sender " + std::to_string(n) + " <s" + std::to_string(n) + "@example.org>\r\n" +
         "To: joe@example.org\r\nSubject: message " + std::to_string(n) + "\r\n\r\nfirst line of " + std::to_string(n) +
         "\r\n.starts with a dot\r\nlast\r\n";
}

// One Dovecot for the suite: three messages, the test CA's certificate for localhost.
class DovecotTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!TDovecotServer::Available()) return;
    Server = std::make_unique<TDovecotServer>();
    for (int n = 1; n <= 3; ++n) Server->AddMessage("100000000" + std::to_string(n) + ".M1P1.test", TestMessage(n));
    const TTestCertificates& certs = TTestCertificates::Get();
    if (!Server->Start(certs.ServerCert(), certs.ServerKey())) {
      StartLog = Server->Log();
      Server.reset();
    }
  }
  static void TearDownTestSuite() { Server.reset(); }

  void SetUp() override {
    if (!TDovecotServer::Available()) GTEST_SKIP() << "Dovecot is not installed, or this is not root";
    ASSERT_TRUE(Server) << "Dovecot did not start:\n" << StartLog;
    Pop.Blocking = true;
    Pop.TimeOut = 10;
    Pop.UserName = "joe";
    Pop.Password = "secret";
    Pop.MailMessage = &Message;
    Pop.TlsCaFile = TTestCertificates::Get().CaFile();
  }

  void Use(TmsTlsMode mode, const std::string& host = "localhost") {
    Pop.TlsMode = mode;
    const int port = mode == TmsTlsMode::ImplicitTls ? Server->TlsPort : Server->PlainPort;
    Pop.SetHost(host + ":" + std::to_string(port));
  }

  // The read-only walk of a check run over every message.
  void CheckAllMessages() {
    Pop.Login();
    ASSERT_EQ(Pop.MessageCount, 3);
    EXPECT_GT(Pop.TotalSize, 0);
    std::vector<std::string> uids;
    for (int i = 0; i < Pop.MessageCount; ++i) {
      Pop.SetCurrentMessage(i);
      Pop.RetrieveHeaders();
      EXPECT_EQ(Message.Subject(), "message " + std::to_string(i + 1));
      EXPECT_EQ(Message.Headers.back(), ".");
      EXPECT_EQ(Pop.GetMessageSize(), static_cast<int>(TestMessage(i + 1).size()));
      uids.push_back(Pop.GetMessageUID());
      EXPECT_EQ(uids.back().size(), 16u);
    }
    EXPECT_NE(uids[0], uids[1]);
    Pop.SetCurrentMessage(1);
    Pop.RetrieveMessage();
    EXPECT_EQ(Message.Body, (std::vector<std::string>{"first line of 2", ".starts with a dot", "last"}));
    Pop.SendKeepAlive("STAT");
    Pop.SendKeepAlive("NOOP");
    EXPECT_EQ(Pop.GetMessageUID(), uids[1]);
    Pop.Logout();
    EXPECT_FALSE(Pop.Connected());
  }

  static std::unique_ptr<TDovecotServer> Server;
  static std::string StartLog;
  TmsPOPClient Pop;
  TmsMessage Message;
};

std::unique_ptr<TDovecotServer> DovecotTest::Server;
std::string DovecotTest::StartLog;

TEST_F(DovecotTest, PlainSession) {
  Use(TmsTlsMode::None, "127.0.0.1");
  CheckAllMessages();
  EXPECT_FALSE(Pop.TlsActive());
}

TEST_F(DovecotTest, StlsSession) {
  Use(TmsTlsMode::StartTls);
  Pop.Blocking = false;
  CheckAllMessages();
}

TEST_F(DovecotTest, ImplicitTlsSession) {
  Use(TmsTlsMode::ImplicitTls);
  CheckAllMessages();
}

TEST_F(DovecotTest, WrongPasswordIsTheServersReply) {
  Use(TmsTlsMode::StartTls);
  Pop.Password = "wrong";
  try {
    Pop.Login();
    ADD_FAILURE() << "logged in";
  } catch (const EmsServerError& e) {
    EXPECT_EQ(std::string(e.what()), "-ERR [AUTH] Authentication failed.");
  }
  Pop.Close();
}

TEST_F(DovecotTest, DeletionIsCommittedByQuitOnly) {
  Use(TmsTlsMode::ImplicitTls);
  Pop.Login();
  Pop.SetCurrentMessage(2);
  Pop.DeleteMessage();
  EXPECT_THROW(Pop.RetrieveHeaders(), EmsServerError);
  // No QUIT: Dovecot drops the deletion with the connection.
  Pop.Close();
  Pop.Login();
  EXPECT_EQ(Pop.MessageCount, 3);
  Pop.Logout();
}

TEST_F(DovecotTest, AHostNameTheCertificateDoesNotCarryIsRefused) {
  // 127.0.0.2 is this machine too, but the certificate names only localhost and 127.0.0.1.
  Use(TmsTlsMode::ImplicitTls, "127.0.0.2");
  Pop.SetHost("127.0.0.2:" + std::to_string(Server->TlsPort));
  try {
    Pop.Login();
    ADD_FAILURE() << "logged in";
  } catch (const ETlsError& e) {
    EXPECT_NE(std::string(e.what()).find("IP address mismatch"), std::string::npos) << e.what();
  } catch (const EWinsockError& e) {
    GTEST_SKIP() << "Dovecot listens on 127.0.0.1 only: " << e.what();
  }
}

// The account windows' "Test connection": success in words, and the certificate error of a
// name the certificate does not carry, plainly.
TEST_F(DovecotTest, TheAccountTestLogsInAndOutOrSaysWhyNot) {
  test::TTempDir dir;
  test::TRecordingUiHost ui;
  test::TFakeDialer dialer;
  TConfigData config(TAppPaths::ForHome(dir.Path()), ui, dialer);
  config.TlsCaFile = TTestCertificates::Get().CaFile();
  ProfileRecord profile;
  profile.Server = "localhost";
  profile.Login = "joe";
  profile.Password = "secret";
  profile.Port = static_cast<std::uint16_t>(Server->TlsPort);
  profile.Security = TProfileSecurity::ImplicitTls;
  TConnectionTestResult result = TestProfileConnection(profile, config);
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.Text, "Logged in to localhost over TLS and out again: 3 messages waiting.");

  profile.Server = "127.0.0.2";
  result = TestProfileConnection(profile, config);
  EXPECT_FALSE(result.Ok);
  if (result.Text.find("[10061]") != std::string::npos) GTEST_SKIP() << "Dovecot listens on 127.0.0.1 only";
  EXPECT_EQ(
      result.Text.rfind("The connection to 127.0.0.2 failed:\r\nThe TLS certificate of 127.0.0.2 was refused: ", 0), 0u)
      << result.Text;

  profile.Server = "localhost";
  profile.Port = 0;
  config.Port = "pop3";
  EXPECT_EQ(TestProfileConnection(profile, config).Text, "The POP3 port setting 'pop3' is not a port number.");
}

}  // namespace
}  // namespace mailmoat
