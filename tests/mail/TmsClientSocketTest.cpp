#include "mail/ScriptedServer.h"
#include "mail/SocketErrors.h"
#include "mail/TmsClientSocket.h"
#include "support/RecordingUiHost.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <netdb.h>

namespace mailmoat {
namespace {

using test::TScriptedServer;

// A port nothing listens on: bound once, then closed.
int FreePort() {
  TScriptedServer probe;
  return probe.Port();
}

TEST(SocketErrorsTest, TableTextsCarryTheirCodes) {
  EXPECT_EQ(WinsockErrorText(10000), "[0] No Error");
  EXPECT_EQ(WinsockErrorText(10054), "[10054] Connection reset by peer");
  EXPECT_EQ(WinsockErrorText(11004), "[11004] Valid name, no data record of requested type");
  EXPECT_EQ(WinsockErrorText(10072), "Winsock error no 10072");
  EXPECT_EQ(WinsockErrorText(10090), "Winsock error no 10090");
  int rows = 0;
  for (int code = 10000; code <= 11010; ++code) {
    if (!WinsockErrorText(code).starts_with("[")) continue;
    ++rows;
    if (code != 10000) {
      EXPECT_TRUE(WinsockErrorText(code).starts_with("[" + std::to_string(code) + "] ")) << code;
    }
  }
  EXPECT_EQ(rows, 52);
}

TEST(SocketErrorsTest, SystemErrorsMapToTheTableCodes) {
  EXPECT_EQ(WinsockCodeOfErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(WinsockCodeOfErrno(ECONNRESET), 10054);
  EXPECT_EQ(WinsockCodeOfErrno(EPIPE), 10054);
  EXPECT_EQ(WinsockCodeOfErrno(EBADF), 10038);
  EXPECT_EQ(WinsockCodeOfErrno(ENOTSOCK), 10038);
  EXPECT_EQ(WinsockCodeOfErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(WinsockCodeOfErrno(EHOSTUNREACH), 10065);
  EXPECT_EQ(WinsockCodeOfResolverError(EAI_NONAME, 0), 11001);
  EXPECT_EQ(WinsockCodeOfResolverError(EAI_SYSTEM, ECONNREFUSED), 10061);
  EXPECT_EQ(EWinsockError(10054).what(), std::string("[10054] Connection reset by peer"));
}

TEST(ClientSocketTest, HostTextSplitsOffAPort) {
  TmsClientSocket s(110);
  s.SetHost("pop.example.org:995");
  EXPECT_EQ(s.Host(), "pop.example.org");
  EXPECT_EQ(s.Port, 995);
  s.SetHost("pop.example.org:pop");
  EXPECT_EQ(s.Port, 110);
  s.Port = 1100;
  s.SetHost("mail.example.org");
  EXPECT_EQ(s.Host(), "mail.example.org");
  EXPECT_EQ(s.Port, 110);
  s.SetHost(std::string(300, 'h'));
  EXPECT_EQ(s.Host().size(), 255u);
}

TEST(ClientSocketTest, SecuritySettingsNeverFallBackToPlainText) {
  EXPECT_EQ(TlsModeOfSetting(0), TmsTlsMode::None);
  EXPECT_EQ(TlsModeOfSetting(1), TmsTlsMode::StartTls);
  EXPECT_EQ(TlsModeOfSetting(2), TmsTlsMode::ImplicitTls);
  try {
    TlsModeOfSetting(3);
    ADD_FAILURE() << "no error";
  } catch (const EmsError& e) {
    EXPECT_EQ(e.what(), std::string("Unknown connection security setting 3"));
  }
}

void ExpectWinsockError(TmsClientSocket& s, int code) {
  try {
    s.Connect();
    ADD_FAILURE() << "no error";
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Code, code);
    EXPECT_EQ(e.what(), WinsockErrorText(code));
  }
}

TEST(ClientSocketTest, ConnectFailuresAreSocketErrors) {
  TmsClientSocket s(110);
  s.SetHost("127.0.0.1:" + std::to_string(FreePort()));
  ExpectWinsockError(s, 10061);
  s.SetHost("no-such-host.invalid");
  ExpectWinsockError(s, 11001);
  EXPECT_FALSE(s.Connected());
}

TEST(ClientSocketTest, EventsAndTheClosedSocket) {
  TScriptedServer server;
  server.Line("hello").ExpectClose();
  server.Start();
  std::vector<std::string> events;
  TmsClientSocket s(110);
  s.OnConnecting = [&] { events.push_back("connecting"); };
  s.OnConnected = [&] { events.push_back("connected"); };
  s.OnDisconnected = [&] { events.push_back("disconnected"); };
  s.SetHost("127.0.0.1:" + std::to_string(server.Port()));
  s.Connect();
  EXPECT_EQ(s.ReadLine(), "hello");
  s.Close();
  EXPECT_EQ(events, (std::vector<std::string>{"connecting", "connected", "disconnected"}));
  EXPECT_TRUE(server.Finish().empty());
  try {
    s.SendText("NOOP\r\n");
    ADD_FAILURE() << "no error";
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.what(), std::string("[10038] Socket operation on non-socket"));
  }
}

class ScriptedSocketTest : public ::testing::Test {
protected:
  void Connect(TmsClientSocket& s) {
    Server.Start();
    s.SetHost("127.0.0.1:" + std::to_string(Server.Port()));
    s.Connect();
  }
  TScriptedServer Server;
};

TEST_F(ScriptedSocketTest, ReplyLinesStopAtTheirLimit) {
  const std::string longest(TmsClientSocket::MaxReplyLine - 1, 'a');
  // The line arrives in pieces; the carriage return goes, the first only.
  Server.Send("+OK one\r")
      .Pause(50)
      .Send("\n+OK a\rb\r\r\n")
      .Send(longest + "\n")
      .Send(std::string(5000, 'x') + "\r\n");
  TmsClientSocket s(110);
  Connect(s);
  EXPECT_EQ(s.ReadLine(), "+OK one");
  EXPECT_EQ(s.ReadLine(), "+OK ab\r\r");
  EXPECT_EQ(s.ReadLine(), longest);
  EXPECT_EQ(s.LastReply, longest);
  EXPECT_THROW(
      {
        try {
          s.ReadLine();
        } catch (const EmsTooMuchDataError& e) {
          EXPECT_EQ(e.what(), std::string("Buffer is full. Will disconnect."));
          throw;
        }
      },
      EmsTooMuchDataError);
  EXPECT_FALSE(s.Connected());
  EXPECT_TRUE(Server.Finish().empty());
}

TEST_F(ScriptedSocketTest, ReplyLineWithoutLineFeedFailsAt4093Bytes) {
  Server.Send(std::string(TmsClientSocket::MaxReplyLine, 'y')).Pause(300);
  TmsClientSocket s(110);
  s.TimeOut = 5;
  Connect(s);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(s.ReadLine(), EmsTooMuchDataError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  Server.Finish();
}

TEST_F(ScriptedSocketTest, SilenceTimesOutButSlowProgressDoesNot) {
  Server.Send("a").Pause(600).Send("b").Pause(600).Send("c\r\n").Pause(1500).Send("late\r\n");
  TmsClientSocket s(110);
  s.TimeOut = 1;
  s.Blocking = true;
  Connect(s);
  EXPECT_EQ(s.ReadLine(), "abc");
  const auto start = std::chrono::steady_clock::now();
  try {
    s.ReadLine();
    ADD_FAILURE() << "no time-out";
  } catch (const EmsTimedOutError& e) {
    EXPECT_EQ(e.what(), std::string("Operation timed out"));
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(950));
  EXPECT_LT(waited, std::chrono::milliseconds(1400));
  Server.Finish();
}

TEST_F(ScriptedSocketTest, NonBlockingWaitsLetWindowMessagesRun) {
  Server.Pause(400).Line("+OK");
  test::TRecordingUiHost ui;
  TmsClientSocket s(110);
  s.ProcessMessages = [&] { ui.ProcessMessages(); };
  Connect(s);
  EXPECT_EQ(s.ReadLine(), "+OK");
  EXPECT_GE(ui.ProcessMessagesCalls, 4);
  Server.Finish();

  TScriptedServer blockingServer;
  blockingServer.Pause(300).Line("+OK");
  blockingServer.Start();
  test::TRecordingUiHost quiet;
  TmsClientSocket b(110);
  b.ProcessMessages = [&] { quiet.ProcessMessages(); };
  b.Blocking = true;
  b.SetHost("127.0.0.1:" + std::to_string(blockingServer.Port()));
  b.Connect();
  EXPECT_EQ(b.ReadLine(), "+OK");
  EXPECT_EQ(quiet.ProcessMessagesCalls, 0);
  blockingServer.Finish();
}

TEST_F(ScriptedSocketTest, MultiLineEndsInEachOfItsTwoWaysAndACloseIsNoEnd) {
  // 1: the terminator alone in a block of its own; 2: a block ending in CR LF "." CR LF,
  // with the next reply behind it. A close of the connection before the terminator leaves
  // a reply cut off: an error, never a complete one.
  Server.Send("line 1\r\nline 2\r\n").Pause(100).Send(".\r\n");
  Server.Send("a\r\n..b\r\n.\r\n+OK next\r\n");
  Server.Send(".\r\n");
  Server.Send("cut off\r\n").Close();
  TmsClientSocket s(110);
  std::vector<std::string> progress;
  s.OnTransferProgress = [&](int perc, std::int64_t bytes, std::int64_t lines) {
    progress.push_back(std::to_string(perc) + "/" + std::to_string(bytes) + "/" + std::to_string(lines));
  };
  Connect(s);
  std::string out;
  s.ReadMultiLine(out, 10);
  EXPECT_EQ(out, "line 1\r\nline 2\r\n.\r\n");
  EXPECT_EQ(progress, (std::vector<std::string>{"100/16/2", "100/19/3"}));
  s.ReadMultiLine(out, -1);
  EXPECT_EQ(out, "a\r\n..b\r\n.\r\n");
  EXPECT_EQ(progress.back(), "-1/11/3");
  EXPECT_EQ(s.ReadLine(), "+OK next");
  s.ReadMultiLine(out, -1);
  EXPECT_EQ(out, ".\r\n");
  try {
    s.ReadMultiLine(out, 1000);
    ADD_FAILURE() << "no error";
  } catch (const EmsProtocolError& e) {
    EXPECT_EQ(e.what(), std::string("The server closed the connection before the end of the reply"));
  }
  EXPECT_EQ(progress.back(), "0/9/1");
  EXPECT_FALSE(s.Connected());
  Server.Finish();
}

TEST_F(ScriptedSocketTest, AResetIsError10054) {
  // The reset waits for the client's next command: a reset that overtakes unread data
  // would drop the "+OK" before the client read it.
  Server.Line("+OK").Expect("NOOP").Reset();
  TmsClientSocket s(110);
  Connect(s);
  EXPECT_EQ(s.ReadLine(), "+OK");
  s.SendText("NOOP\r\n");
  Server.Finish();
  try {
    s.ReadLine();
    ADD_FAILURE() << "no error";
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.what(), std::string("[10054] Connection reset by peer"));
  }
}

}  // namespace
}  // namespace mailmoat
