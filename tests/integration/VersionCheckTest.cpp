// Help | New Version Check against a local web server: each answer the user can get, and
// the version file's format.
#include "integration/UpdateServer.h"
#include "support/ConfigFixture.h"
#include "update/VersionCheck.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

namespace mailmoat {
namespace {

TEST(VersionInfo, FormatAndComparison) {
  const auto info = ParseVersionInfo("# Mailmoat Pro\r\n\r\nversion = 1.2.0.7\r\nurl=https://example.org/dl/\r\n");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Version, (std::vector<int>{1, 2, 0, 7}));
  EXPECT_EQ(info->DownloadPage, "https://example.org/dl/");
  // Only a web page is ever opened.
  EXPECT_NE(ParseVersionInfo("version=2\nurl=file:///etc/passwd\n")->DownloadPage, "file:///etc/passwd");
  for (const char* bad : {"", "<html>sign in</html>", "version=1..2", "version=1.x", "version=-1", "url=http://a/"})
    EXPECT_FALSE(ParseVersionInfo(bad)) << bad;

  EXPECT_TRUE(IsNewerVersion({1, 0, 0, 1}, {1, 0, 0, 0}));
  EXPECT_TRUE(IsNewerVersion({1, 10}, {1, 9, 9}));
  EXPECT_FALSE(IsNewerVersion({1, 0}, {1, 0, 0, 0}));
  EXPECT_FALSE(IsNewerVersion({0, 9, 99}, {1}));
}

class VersionCheckTest : public test::ConfigFixture {
protected:
  void SetUp() override {
    if (!test::TUpdateServer::Available()) GTEST_SKIP() << "no " << test::TUpdateServer::Python;
    ASSERT_TRUE(Server.Start()) << Server.LogText();
    StartUp(LogLevel::Normal);
    Config->VersionURL = Server.URL("/version.txt");
  }
  test::TUpdateServer Server;
};

TEST_F(VersionCheckTest, ANewerVersionIsOfferedWithItsPageAndNothingElseIsDone) {
  Server.ServeFile("version.txt", "version=9.0.0.1\nurl=https://mailmoat.example.org/download/\n");
  Ui.SetNextAnswer(mbYes);
  EXPECT_EQ(RunVersionCheck(*Config, Ui), TVersionCheckResult::Newer);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "A new version of Mailmoat Pro is available: 9.0.0.1 (you have 1.0.0.0).\r\nDo you want to open its "
            "download page?");
  EXPECT_EQ(Ui.OpenedUrls, std::vector<std::string>{"https://mailmoat.example.org/download/"});
  EXPECT_TRUE(Logged("@ Version check: version 9.0.0.1 is available"));

  // No: nothing opens.
  Ui.SetNextAnswer(mbNo);
  RunVersionCheck(*Config, Ui);
  EXPECT_EQ(Ui.OpenedUrls.size(), 1u);
}

TEST_F(VersionCheckTest, TheSameVersionAMissingFileAndNoServerEachSaySo) {
  Server.ServeFile("version.txt", "version=1.0\n");
  EXPECT_EQ(RunVersionCheck(*Config, Ui), TVersionCheckResult::Current);
  EXPECT_EQ(Ui.Boxes.back().Text, "No update is available: you have the latest version of Mailmoat Pro (1.0.0.0).");

  Config->VersionURL = Server.URL("/gone.txt");
  EXPECT_EQ(RunVersionCheck(*Config, Ui), TVersionCheckResult::FileMissing);
  EXPECT_EQ(Ui.Boxes.back().Text,
            "The version information was not found on the update server (HTTP status 404).\r\nPlease try again later.");

  // A sign-in page where the file should be.
  Server.ServeFile("portal.txt", "<html><body>Please sign in</body></html>");
  Config->VersionURL = Server.URL("/portal.txt");
  EXPECT_EQ(RunVersionCheck(*Config, Ui), TVersionCheckResult::FileMissing);

  Config->VersionURL = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/version.txt";
  EXPECT_EQ(RunVersionCheck(*Config, Ui), TVersionCheckResult::Unreachable);
  EXPECT_EQ(Ui.Boxes.back().Text.rfind("The update server could not be reached:\r\n[10061]", 0), 0u)
      << Ui.Boxes.back().Text;
  EXPECT_TRUE(Ui.OpenedUrls.empty());
}

TEST_F(VersionCheckTest, AnAnswerCutShortIsALostConnection) {
  // A server that takes the request, starts an answer and hangs up.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::thread server([listener] {
    const int client = ::accept(listener, nullptr, nullptr);
    char request[2048];
    (void)::recv(client, request, sizeof request, 0);
    const std::string part = "HTTP/1.1 200 OK\r\nContent-Length: 400\r\n\r\nversion=";
    (void)::send(client, part.data(), part.size(), MSG_NOSIGNAL);
    ::close(client);
  });
  Config->VersionURL = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/version.txt";
  EXPECT_EQ(RunVersionCheck(*Config, Ui), TVersionCheckResult::ConnectionLost);
  server.join();
  ::close(listener);
  EXPECT_EQ(Ui.Boxes.back().Text.rfind("The connection to the update server was lost:\r\n", 0), 0u)
      << Ui.Boxes.back().Text;
}

}  // namespace
}  // namespace mailmoat
