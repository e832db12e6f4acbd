#include "filter/BlacklistLookup.h"
#include "filter/CaresResolver.h"
#include "filter/FakeDnsServer.h"
#include "filter/FilterTestSupport.h"

#include <chrono>

namespace mailmoat {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(b) << 16 |
         static_cast<std::uint32_t>(c) << 8 | static_cast<std::uint32_t>(d);
}

// Answers from a table, all at once, in the reverse order of the names (the worst case
// for keeping the table order); records what was asked.
class TScriptedResolver : public TDnsResolver {
public:
  void Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) override {
    Calls.push_back(names);
    for (std::size_t i = names.size(); i-- > 0;) {
      const auto it = Answers.find(names[i]);
      TDnsAnswer answer;
      answer.Status = TDnsAnswer::NotFound;
      if (it != Answers.end()) answer = it->second;
      if (onAnswer(i, answer)) return;
    }
  }
  void List(const std::string& name, std::vector<std::uint32_t> addresses) {
    Answers[name] = {TDnsAnswer::Resolved, std::move(addresses), ""};
  }
  std::map<std::string, TDnsAnswer> Answers;
  std::vector<std::vector<std::string>> Calls;
};

TBlacklistRec Blacklist(const std::string& name, const std::string& suffix, bool enabled = true) {
  TBlacklistRec rec;
  rec.Name = name;
  rec.LookupSuffix = suffix;
  rec.Enabled = enabled;
  return rec;
}

class BlacklistLookupTest : public test::FilterTest {
protected:
  void SetUp() override {
    FilterTest::SetUp();
    Config->LoggingLevel = LogLevel::Verbose;
    Config->Blacklists = {Blacklist("List A", "a.example"), Blacklist("List B", "b.example", false),
                          Blacklist("List C", "c.example"), Blacklist("List D", "d.example")};
    Lookup = std::make_unique<TBlacklistLookup>(*Config, Resolver);
  }
  static std::unique_ptr<TmsMessage> Message(std::vector<std::string> headers) {
    auto msg = std::make_unique<TmsMessage>();
    msg->Headers = std::move(headers);
    return msg;
  }
  TScriptedResolver Resolver;
  std::unique_ptr<TBlacklistLookup> Lookup;
  std::string Found;
};

TEST_F(BlacklistLookupTest, QueryNameReversesTheAddressBeforeTheSuffix) {
  EXPECT_EQ(Lookup->BlacklistQueryName("192.0.2.7", 0), "7.2.0.192.a.example");
  EXPECT_EQ(Lookup->BlacklistQueryName("192.0.2.7", 3), "7.2.0.192.d.example");
  EXPECT_EQ(Lookup->BlacklistQueryName("", 0), "");
  EXPECT_EQ(Lookup->BlacklistQueryName("192.0.2.7", 4), "");
  EXPECT_EQ(Lookup->BlacklistQueryName("192.0.2.7", -1), "");
}

TEST_F(BlacklistLookupTest, TheCheckNumberChoosesTheReceivedLine) {
  auto msg = Message({"Received: from first [192.0.2.1]", "\tby mx (10.0.0.1)", "X-Other: 1",
                      "Received: from second [192.0.2.2]", "\tcontinued", "", "Received: body line [192.0.2.9]"});
  EXPECT_EQ(Lookup->ChosenReceivedLine(*msg), "from first [192.0.2.1] by mx (10.0.0.1)");
  Config->BlacklistCheckNum = 0;
  EXPECT_EQ(Lookup->ChosenReceivedLine(*msg), "from first [192.0.2.1] by mx (10.0.0.1)");
  Config->BlacklistCheckNum = 2;
  EXPECT_EQ(Lookup->ChosenReceivedLine(*msg), "Received: from second [192.0.2.2]");
  Config->BlacklistCheckNum = 3;  // fewer lines: the last, and never the body line
  EXPECT_EQ(Lookup->ChosenReceivedLine(*msg), "Received: from second [192.0.2.2]");
  msg->Headers[3] = "received: lower case does not count";
  EXPECT_EQ(Lookup->ChosenReceivedLine(*msg), "Received: from first [192.0.2.1]");

  auto none = Message({"From: a@b.c"});
  EXPECT_FALSE(Lookup->BlacklistLookup(*none, Found));
  EXPECT_THAT(LogLines(), IsEmpty());
  EXPECT_THAT(Resolver.Calls, IsEmpty());
}

TEST_F(BlacklistLookupTest, ALineWithoutAValidAddressIsNotChecked) {
  auto msg = Message({"Received: from x [1922.0.2.7] by y"});
  EXPECT_FALSE(Lookup->BlacklistLookup(*msg, Found));
  EXPECT_THAT(LogLines(), ElementsAre("$ Checking received line for blacklist blocks: from x [1922.0.2.7] by y",
                                      "+ No valid IP address found in Received line: from x [1922.0.2.7] by y",
                                      "+ Skipping blacklist check for this message"));
  EXPECT_THAT(Resolver.Calls, IsEmpty());
}

TEST_F(BlacklistLookupTest, TheFirstListingBlacklistInTableOrderDecidesInBothModes) {
  Resolver.List("7.2.0.192.c.example", {Ip(127, 0, 0, 2)});
  Resolver.List("7.2.0.192.d.example", {Ip(127, 0, 0, 4)});
  Resolver.List("7.2.0.192.b.example", {Ip(127, 0, 0, 2)});  // disabled
  auto msg = Message({"Received: from relay (relay.example [192.0.2.7]) by mx"});
  const std::vector<std::string> expectedLog = {
      "$ Checking received line for blacklist blocks: from relay (relay.example [192.0.2.7]) by mx",
      "+ Blacklookup for: 7.2.0.192.a.example", "+ Blacklookup for: 7.2.0.192.c.example",
      "+ Blacklist lookup hit on database: List C"};

  ASSERT_TRUE(Lookup->BlacklistLookup(*msg, Found));
  EXPECT_EQ(Found, "192.0.2.7 found in List C");
  EXPECT_EQ(LogLines(), expectedLog);
  EXPECT_THAT(Resolver.Calls,
              ElementsAre(ElementsAre("7.2.0.192.a.example", "7.2.0.192.c.example", "7.2.0.192.d.example")));

  ClearLog();
  Resolver.Calls.clear();
  Lookup->Sequential = true;
  ASSERT_TRUE(Lookup->BlacklistLookup(*msg, Found));
  EXPECT_EQ(Found, "192.0.2.7 found in List C");
  EXPECT_EQ(LogLines(), expectedLog);
  EXPECT_THAT(Resolver.Calls, ElementsAre(ElementsAre("7.2.0.192.a.example"), ElementsAre("7.2.0.192.c.example")));
}

TEST_F(BlacklistLookupTest, DisabledBlacklistsStillLogTheReceivedLine) {
  for (auto& b : Config->Blacklists) b.Enabled = false;
  Resolver.List("7.2.0.192.a.example", {Ip(127, 0, 0, 2)});
  EXPECT_FALSE(Lookup->BlacklistLookup(*Message({"Received: [192.0.2.7]"}), Found));
  EXPECT_THAT(LogLines(), ElementsAre("$ Checking received line for blacklist blocks: [192.0.2.7]"));
  Config->Blacklists.clear();
  EXPECT_FALSE(Lookup->BlacklistLookup(*Message({"Received: [192.0.2.7]"}), Found));
  EXPECT_THAT(LogLines(), ElementsAre("$ Checking received line for blacklist blocks: [192.0.2.7]"));
}

TEST_F(BlacklistLookupTest, OnlyLoopbackAnswersOutsideTheRefusalRangeAreListings) {
  EXPECT_TRUE(TBlacklistLookup::IsListingAnswer(Ip(127, 0, 0, 2)));
  EXPECT_TRUE(TBlacklistLookup::IsListingAnswer(Ip(127, 255, 254, 255)));
  EXPECT_FALSE(TBlacklistLookup::IsListingAnswer(Ip(127, 255, 255, 254)));
  EXPECT_FALSE(TBlacklistLookup::IsListingAnswer(Ip(127, 255, 255, 0)));
  EXPECT_FALSE(TBlacklistLookup::IsListingAnswer(Ip(128, 0, 0, 2)));
  EXPECT_FALSE(TBlacklistLookup::IsListingAnswer(Ip(2, 0, 0, 127)));

  Resolver.List("7.2.0.192.a.example", {Ip(127, 255, 255, 254)});  // "query refused"
  Resolver.List("7.2.0.192.c.example", {Ip(203, 0, 113, 80)});     // a rewriting resolver's advert
  auto msg = Message({"Received: [192.0.2.7]"});
  EXPECT_FALSE(Lookup->BlacklistLookup(*msg, Found));
  EXPECT_EQ(Found, "");
  EXPECT_THAT(LogLines(), ElementsAre("$ Checking received line for blacklist blocks: [192.0.2.7]",
                                      "+ Blacklookup for: 7.2.0.192.a.example",
                                      "! Blacklist List A answered 127.255.255.254 for 7.2.0.192.a.example, which is "
                                      "not a listing; such answers are ignored",
                                      "+ Blacklookup for: 7.2.0.192.c.example",
                                      "! Blacklist List C answered 203.0.113.80 for 7.2.0.192.c.example, which is not "
                                      "a listing; such answers are ignored",
                                      "+ Blacklookup for: 7.2.0.192.d.example"));
  // Once per run and blacklist, also at the level Terse.
  ClearLog();
  Config->LoggingLevel = LogLevel::Terse;
  EXPECT_FALSE(Lookup->BlacklistLookup(*msg, Found));
  EXPECT_THAT(LogLines(), IsEmpty());
  TBlacklistLookup nextRun(*Config, Resolver);
  EXPECT_FALSE(nextRun.BlacklistLookup(*msg, Found));
  EXPECT_EQ(LogLines().size(), 2u);

  Resolver.List("7.2.0.192.d.example", {Ip(203, 0, 113, 80), Ip(127, 0, 0, 10)});
  EXPECT_TRUE(nextRun.BlacklistLookup(*msg, Found));
  EXPECT_EQ(Found, "192.0.2.7 found in List D");
}

TEST_F(BlacklistLookupTest, TheSelfTestSkipsAZoneThatListsEverythingAndOneThatListsNothing) {
  Resolver.List("2.0.0.127.a.example", {Ip(127, 0, 0, 2)});
  Resolver.List("1.0.0.127.a.example", {Ip(127, 0, 0, 2)});  // lists everything
  Resolver.List("2.0.0.127.c.example", {Ip(127, 0, 0, 2)});
  Resolver.Answers["2.0.0.127.d.example"] = {TDnsAnswer::Failed, {}, "Timeout"};
  Resolver.List("7.2.0.192.a.example", {Ip(127, 0, 0, 2)});
  Lookup->SelfTest();

  // All test names in one call; the disabled list is not asked.
  ASSERT_EQ(Resolver.Calls.size(), 1u);
  EXPECT_THAT(Resolver.Calls[0], ElementsAre("2.0.0.127.a.example", "1.0.0.127.a.example", "2.0.0.127.c.example",
                                             "1.0.0.127.c.example", "2.0.0.127.d.example", "1.0.0.127.d.example"));
  EXPECT_THAT(LogLines(),
              ElementsAre("! Blacklist List A is skipped for this check: it lists the test address 127.0.0.1, as a "
                          "zone that lists every address does",
                          "! Blacklist List D is skipped for this check: it did not answer for the test address "
                          "127.0.0.2 (Timeout)"));
  EXPECT_TRUE(Lookup->Skipped(0));
  EXPECT_FALSE(Lookup->Skipped(2));
  EXPECT_TRUE(Lookup->Skipped(3));

  // A, which would have listed the relay, is not asked any more.
  ClearLog();
  Resolver.Calls.clear();
  EXPECT_FALSE(Lookup->BlacklistLookup(*Message({"Received: [192.0.2.7]"}), Found));
  EXPECT_THAT(Resolver.Calls, ElementsAre(ElementsAre("7.2.0.192.c.example")));
  EXPECT_THAT(LogLines(), ElementsAre("$ Checking received line for blacklist blocks: [192.0.2.7]",
                                      "+ Blacklookup for: 7.2.0.192.c.example"));
}

TEST_F(BlacklistLookupTest, RememberedAnswersAskEachRelayOnceAndLogAsAskingWould) {
  Lookup->RememberAnswers = true;
  Resolver.List("7.2.0.192.c.example", {Ip(127, 0, 0, 2)});
  const auto first = Message({"Received: from a (a.example [192.0.2.7]) by mx"});
  const auto second = Message({"Received: from b (b.example [192.0.2.7]) by mx"});
  const auto other = Message({"Received: from c (c.example [198.51.100.1]) by mx"});
  const auto none = Message({"Subject: no Received line"});
  Lookup->Prefetch({first.get(), second.get(), other.get(), none.get()});
  // One call for the window: each relay once, for every enabled blacklist.
  EXPECT_THAT(Resolver.Calls,
              ElementsAre(ElementsAre("7.2.0.192.a.example", "7.2.0.192.c.example", "7.2.0.192.d.example",
                                      "1.100.51.198.a.example", "1.100.51.198.c.example", "1.100.51.198.d.example")));
  EXPECT_THAT(LogLines(), IsEmpty());

  Resolver.Calls.clear();
  ASSERT_TRUE(Lookup->BlacklistLookup(*first, Found));
  EXPECT_EQ(Found, "192.0.2.7 found in List C");
  const std::vector<std::string> firstLines = LogLines();
  EXPECT_THAT(firstLines,
              ElementsAre("$ Checking received line for blacklist blocks: from a (a.example [192.0.2.7]) by mx",
                          "+ Blacklookup for: 7.2.0.192.a.example", "+ Blacklookup for: 7.2.0.192.c.example",
                          "+ Blacklist lookup hit on database: List C"));
  ASSERT_TRUE(Lookup->BlacklistLookup(*second, Found));
  EXPECT_FALSE(Lookup->BlacklistLookup(*other, Found));
  EXPECT_THAT(Resolver.Calls, IsEmpty());

  // An address not in the window is asked when it comes, then remembered too.
  const auto late = Message({"Received: [203.0.113.9]"});
  EXPECT_FALSE(Lookup->BlacklistLookup(*late, Found));
  EXPECT_FALSE(Lookup->BlacklistLookup(*late, Found));
  EXPECT_EQ(Resolver.Calls.size(), 1u);
}

// The entry dialog's test takes the suffix as typed and counts any answer, even one the
// check run would ignore.
TEST_F(BlacklistLookupTest, TheSuffixTestAcceptsAnyAnswerForTheTestEntry) {
  Resolver.List("2.0.0.127.a.example", {Ip(127, 255, 255, 254)});
  Resolver.List("2.0.0.127..b.example", {Ip(127, 0, 0, 2)});
  EXPECT_TRUE(TestBlacklistSuffix(Resolver, "a.example"));
  EXPECT_TRUE(TestBlacklistSuffix(Resolver, ".b.example"));  // a leading full stop stays
  EXPECT_FALSE(TestBlacklistSuffix(Resolver, "b.example"));
  Resolver.Answers["2.0.0.127.c.example"] = {TDnsAnswer::Failed, {}, "Timeout while contacting DNS servers"};
  EXPECT_FALSE(TestBlacklistSuffix(Resolver, "c.example"));
  EXPECT_EQ(Resolver.Calls.back(), std::vector<std::string>{"2.0.0.127.c.example"});
}

TEST_F(BlacklistLookupTest, FailedLookupsAreNotListedAndTheHitLineIsCut) {
  Resolver.Answers["7.2.0.192.a.example"] = {TDnsAnswer::Failed, {}, "Timeout while contacting DNS servers"};
  Config->Blacklists[2].Name = std::string(90, 'n');
  Resolver.List("7.2.0.192.c.example", {Ip(127, 0, 0, 2)});
  ASSERT_TRUE(Lookup->BlacklistLookup(*Message({"Received: (192.0.2.7)"}), Found));
  EXPECT_EQ(Found, "192.0.2.7 found in " + std::string(90, 'n'));
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "+ Blacklookup for: 7.2.0.192.a.example");
  EXPECT_EQ(lines[3], "+ Blacklist lookup hit on database: " + std::string(80, 'n'));
}

// c-ares against a loopback server whose answers arrive late or never.
TEST_F(BlacklistLookupTest, TheCaresResolverAsksInParallelWithinItsTimeLimit) {
  test::TFakeDnsServer server;
  server.Set("2.0.0.127.bl.test", {{Ip(127, 0, 0, 2), Ip(127, 0, 0, 3)}, 200, false});
  server.Set("3.0.0.127.bl.test", {{}, 200, false});
  server.Set("4.0.0.127.bl.test", {{Ip(127, 0, 0, 4)}, 0, true});
  TCaresResolver resolver([&] { Ui.ProcessMessages(); }, server.Address(),
                          {.TryMs = 100, .Tries = 2, .TotalMs = 300, .SliceMs = 10});
  std::vector<TDnsAnswer> answers(3);
  auto start = std::chrono::steady_clock::now();
  resolver.Resolve({"2.0.0.127.bl.test", "3.0.0.127.bl.test", "4.0.0.127.bl.test"},
                   [&](std::size_t i, const TDnsAnswer& a) {
                     answers[i] = a;
                     return false;
                   });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));  // not the sum of waits
  EXPECT_EQ(answers[0].Status, TDnsAnswer::Resolved);
  EXPECT_THAT(answers[0].Addresses, ElementsAre(Ip(127, 0, 0, 2), Ip(127, 0, 0, 3)));
  EXPECT_EQ(answers[1].Status, TDnsAnswer::NotFound);
  EXPECT_EQ(answers[2].Status, TDnsAnswer::Failed);
  EXPECT_GT(Ui.ProcessMessagesCalls, 5);

  // Once the caller has its answer, the slow names are abandoned.
  server.Set("slow.test", {{Ip(127, 0, 0, 2)}, 2000, false});
  server.Set("fast.test", {{Ip(127, 0, 0, 2)}, 0, false});
  std::vector<std::size_t> answered;
  start = std::chrono::steady_clock::now();
  resolver.Resolve({"slow.test", "fast.test"}, [&](std::size_t i, const TDnsAnswer&) {
    answered.push_back(i);
    return true;
  });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_THAT(answered, ElementsAre(1u));
  EXPECT_THROW(TCaresResolver([&] { Ui.ProcessMessages(); }, "not a server"), EDnsError);
}

}  // namespace
}  // namespace mailmoat
