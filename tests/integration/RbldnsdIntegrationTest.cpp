// The blacklist stage against a real DNS blacklist server: rbldnsd on a loopback port,
// serving zones from files in a temporary folder. Skipped when rbldnsd is not installed.
#include "filter/BlacklistLookup.h"
#include "filter/CaresResolver.h"
#include "filter/FilterTestSupport.h"
#include "integration/RbldnsdServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace mailmoat {
namespace {

using namespace std::chrono_literals;
using test::LoopbackUdpPort;
using testing::Contains;
using testing::HasSubstr;

class RbldnsdIntegrationTest : public test::FilterTest {
protected:
  void SetUp() override {
    FilterTest::SetUp();
    if (test::TRbldnsdServer::Binary().empty()) GTEST_SKIP() << "rbldnsd is not installed";
    // Started as root, rbldnsd reads its zones as its own unprivileged user.
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    Server = std::make_unique<test::TRbldnsdServer>(
        Dir.Path(),
        std::vector<std::pair<std::string, std::string>>{{"bl.test",
                                                          ":127.0.0.2:Listed\n127.0.0.2\n192.0.2.7\n198.51.100.0/24\n"
                                                          "192.0.2.99 :127.255.255.254:Query refused\n"},
                                                         {"second.test", ":127.0.0.4:Second\n192.0.2.8\n"}});
    ASSERT_TRUE(Server->Running()) << "rbldnsd did not start: " << Server->Log();
    ::setenv("MAILMOAT_DNS_SERVER", Server->Address().c_str(), 1);
    Resolver =
        std::make_unique<TCaresResolver>([this] { Ui.ProcessMessages(); }, TCaresResolver::ConfiguredServer(*Config));
    ::unsetenv("MAILMOAT_DNS_SERVER");
    Config->LoggingLevel = LogLevel::Verbose;
    Config->Blacklists = {Blacklist("Second list", "second.test"), Blacklist("Test list", "bl.test")};
    Lookup = std::make_unique<TBlacklistLookup>(*Config, *Resolver);
  }
  void StopServer() { Server->Stop(); }
  static TBlacklistRec Blacklist(const std::string& name, const std::string& suffix) {
    TBlacklistRec rec;
    rec.Name = name;
    rec.LookupSuffix = suffix;
    return rec;
  }
  bool Listed(const std::string& address, std::string& found) {
    TmsMessage msg;
    msg.Headers = {"Received: from relay.example (relay.example [" + address + "]) by mx.example"};
    return Lookup->BlacklistLookup(msg, found);
  }

  std::unique_ptr<test::TRbldnsdServer> Server;
  std::unique_ptr<TCaresResolver> Resolver;
  std::unique_ptr<TBlacklistLookup> Lookup;
  std::string Found;
};

TEST_F(RbldnsdIntegrationTest, ListedAndNotListedAddresses) {
  ASSERT_TRUE(Listed("192.0.2.7", Found));
  EXPECT_EQ(Found, "192.0.2.7 found in Test list");
  ASSERT_TRUE(Listed("127.0.0.2", Found));
  EXPECT_EQ(Found, "127.0.0.2 found in Test list");
  ASSERT_TRUE(Listed("198.51.100.200", Found));
  EXPECT_FALSE(Listed("192.0.2.6", Found));
  EXPECT_EQ(Found, "");

  // Both zones list 192.0.2.8 only in the second one, which comes first in the table.
  ASSERT_TRUE(Listed("192.0.2.8", Found));
  EXPECT_EQ(Found, "192.0.2.8 found in Second list");
}

TEST_F(RbldnsdIntegrationTest, ARefusalAnswerIsNoListing) {
  EXPECT_FALSE(Listed("192.0.2.99", Found));
  EXPECT_THAT(LogLines(), Contains(HasSubstr("! Blacklist Test list answered 127.255.255.254 for 99.2.0.192.bl.test")));
}

TEST_F(RbldnsdIntegrationTest, TheEntryDialogTestFindsTheTestEntry) {
  EXPECT_TRUE(TestBlacklistSuffix(*Resolver, "bl.test"));
  EXPECT_FALSE(TestBlacklistSuffix(*Resolver, "second.test"));  // lists 192.0.2.8 only
  EXPECT_FALSE(TestBlacklistSuffix(*Resolver, "unknown.test"));
}

TEST_F(RbldnsdIntegrationTest, DisabledBlacklistsAreNotAsked) {
  Config->Blacklists[1].Enabled = false;
  EXPECT_FALSE(Listed("192.0.2.7", Found));
  EXPECT_THAT(LogLines(), testing::Not(Contains("+ Blacklookup for: 7.2.0.192.bl.test")));
  EXPECT_THAT(LogLines(), Contains("+ Blacklookup for: 7.2.0.192.second.test"));
}

TEST_F(RbldnsdIntegrationTest, ADeadServerMeansNotListedWithinTheTimeLimit) {
  StopServer();
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Listed("192.0.2.7", Found));  // port closed: refused at once
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

  // A server that takes the queries and never answers: the default limits (2 s a try,
  // two tries, 4 s in all) end the wait.
  int silent = -1;
  const int port = LoopbackUdpPort(&silent);
  TCaresResolver resolver([&] { Ui.ProcessMessages(); }, "127.0.0.1:" + std::to_string(port));
  TBlacklistLookup lookup(*Config, resolver);
  TmsMessage msg;
  msg.Headers = {"Received: [192.0.2.7]"};
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(lookup.BlacklistLookup(msg, Found));
  const auto took = std::chrono::steady_clock::now() - start;
  ::close(silent);
  EXPECT_GT(took, 1500ms);
  EXPECT_LT(took, 4800ms);
}

}  // namespace
}  // namespace mailmoat
