#include "filter/FilterTestSupport.h"
#include "filter/uRulesProcessing.h"

#include <chrono>

namespace mailmoat {
namespace {

using test::Rule;
using testing::Contains;
using testing::ElementsAre;
using testing::Not;

class RulesProcessingTest : public test::FilterTest {
protected:
  TRulesProcessing& Rules() {
    if (!Processing) Processing = std::make_unique<TRulesProcessing>(*Config);
    return *Processing;
  }
  static std::unique_ptr<TmsMessage> Message(const std::string& subject) {
    auto msg = std::make_unique<TmsMessage>();
    msg->SetSubject(subject);
    msg->Sender = TmsMailAddress("spammer@example.com", "Spammer");
    msg->Recipients.AddAddress("bob@example.org", "Bob");
    msg->Headers = {"From: Spammer <spammer@example.com>", "To: Bob <bob@example.org>", "Subject: " + subject};
    return msg;
  }
  int HeaderIndex(TmsMessage& msg, std::string* description = nullptr) {
    std::string text = "unchanged";
    const int index = Rules().MatchHeaderRules(msg, text);
    if (description) *description = text;
    return index;
  }
  std::unique_ptr<TRulesProcessing> Processing;
};

TEST_F(RulesProcessingTest, HeaderRulesAreCaseSensitiveWhileAcceptRulesAreNot) {
  Config->SysHeaderRules = {Rule("Drug spam", "Subject", "viagra")};
  Config->AcceptRules = {Rule("Friends", "Subject", "viagra", true, RuleType::AlwaysAccept)};
  auto msg = Message("Cheap VIAGRA now");
  std::string description;
  EXPECT_EQ(HeaderIndex(*msg, &description), -1);
  EXPECT_EQ(description, "");
  ASSERT_TRUE(Rules().MatchAcceptRules(*msg, description));
  EXPECT_EQ(description, "Friends");
  EXPECT_THAT(LogLines(), Contains("+ Accept rules check expression: viagra"));
  EXPECT_THAT(LogLines(), Contains("+ Match found: VIAGRA"));

  auto lower = Message("cheap viagra now");
  EXPECT_EQ(HeaderIndex(*lower, &description), 0);
  EXPECT_EQ(description, "Drug spam");
}

TEST_F(RulesProcessingTest, RejectOnMatchFalseFiresOnEveryNonMatchingTextButSkipsEmptyOnes) {
  Config->SysHeaderRules = {Rule("Not about work", "Subject", "^Project", false)};
  auto other = Message("Hello");
  auto work = Message("Project plan");
  auto blank = Message("");
  std::string description;
  EXPECT_EQ(HeaderIndex(*other, &description), 0);
  EXPECT_EQ(description, "Not about work");
  EXPECT_EQ(HeaderIndex(*work), -1);
  ClearLog();
  EXPECT_EQ(HeaderIndex(*blank), -1);
  EXPECT_THAT(LogLines(), ElementsAre());  // an empty tested text is skipped without a line
}

TEST_F(RulesProcessingTest, APatternThatDoesNotCompileMatchesNothing) {
  Config->SysHeaderRules = {Rule("Broken", "Subject", "(unclosed")};
  auto msg = Message("(unclosed");
  EXPECT_EQ(HeaderIndex(*msg), -1);
  Config->SysHeaderRules[0].RejectOnMatch = false;
  EXPECT_EQ(HeaderIndex(*msg), 0);
}

TEST_F(RulesProcessingTest, ABlankExpressionNeverFiresAndIsLoggedOncePerRun) {
  Config->LoggingLevel = LogLevel::Normal;
  // Either way round: matching everything, or (RejectOnMatch off) firing on everything.
  Config->SysHeaderRules = {Rule("Blank header", "Subject", " "), Rule("Blank inverse", "Subject", "", false),
                            Rule("Real", "Subject", "offer")};
  Config->SysBodyRules = {Rule("Blank body", "", "", false, RuleType::Body)};
  Config->AcceptRules = {Rule("Blank accept", "Subject", " \t", true, RuleType::AlwaysAccept)};
  std::string description;
  for (const char* subject : {"Hello", "An offer"}) {
    auto msg = Message(subject);
    EXPECT_EQ(HeaderIndex(*msg), subject[0] == 'A' ? 2 : -1);
    EXPECT_EQ(Rules().MatchBodyRules("any text", description), -1);
    EXPECT_FALSE(Rules().MatchAcceptRules(*msg, description));
  }
  const auto skipped = [](const std::string& rule) {
    return "! Rule \"" + rule + "\" skipped: its expression is blank";
  };
  EXPECT_THAT(LogLines(), ElementsAre(skipped("Blank header"), skipped("Blank inverse"), skipped("Blank body"),
                                      skipped("Blank accept")));
  ClearLog();
  Rules().StartRun();
  EXPECT_EQ(HeaderIndex(*Message("Hello")), -1);
  EXPECT_THAT(LogLines(), ElementsAre(skipped("Blank header"), skipped("Blank inverse")));
}

TEST_F(RulesProcessingTest, SystemRulesBeforeUserHeaderRulesWithIndexesWithinTheirList) {
  Config->SysHeaderRules = {Rule("Sys off", "Subject", "offer", true, RuleType::Header, false),
                            Rule("Sys other", "Subject", "zzz")};
  Config->UserRules = {Rule("User body", "Subject", "offer", true, RuleType::Body),
                       Rule("User type 3", "Subject", "offer", true, 3), Rule("User header", "Subject", "offer")};
  auto msg = Message("Special offer");
  std::string description;
  EXPECT_EQ(HeaderIndex(*msg, &description), 2);
  EXPECT_EQ(description, "User header");
  EXPECT_THAT(LogLines(),
              ElementsAre("+ Header check expression (sys): zzz", "+ Header checking subject: Special offer",
                          "+ Header check expression (user): offer", "+ Header checking subject: Special offer",
                          "+ Match found: offer"));

  Config->SysHeaderRules.push_back(Rule("Sys offer", "Subject", "offer"));
  EXPECT_EQ(HeaderIndex(*msg, &description), 2);
  EXPECT_EQ(description, "Sys offer");
}

TEST_F(RulesProcessingTest, TestedTextsOfTheHeaderFields) {
  auto msg = Message("Hi");
  msg->Headers = {"Received: from a", "Subject: Hi"};
  // TOCC ends in a blank when there is no CC; ALL is multi-line, so ^ follows each break.
  const std::pair<std::string, std::string> firing[] = {
      {"TOCC", "^Bob bob@example\\.org $"}, {"From", "^spammer@"}, {"ALL", "^Subject: Hi\\r$"}};
  for (const auto& [field, expression] : firing) {
    Config->SysHeaderRules = {Rule(field, field, expression)};
    EXPECT_EQ(HeaderIndex(*msg), 0) << field;
  }
  Config->SysHeaderRules = {Rule("odd", "Cc", ".")};
  EXPECT_EQ(HeaderIndex(*msg), -1);  // any other field tests nothing

  msg->Recipients.AddAddress("carol@example.org", "Carol");
  msg->CC.AddAddress("dave@example.org", "");
  Config->SysHeaderRules = {
      Rule("tocc", "TOCC", "^Bob bob@example\\.org Carol carol@example\\.org  dave@example\\.org$")};
  EXPECT_EQ(HeaderIndex(*msg), 0);
}

TEST_F(RulesProcessingTest, BodyRulesIgnoreBlanksWhileAcceptRulesTurnThemIntoWhitespace) {
  Config->SysBodyRules = {Rule("Phrase", "", "free money", true, RuleType::Body)};
  std::string description;
  EXPECT_EQ(Rules().MatchBodyRules("get free money today", description), -1);
  EXPECT_EQ(description, "ok");
  EXPECT_EQ(Rules().MatchBodyRules("get freemoney today", description), 0);
  EXPECT_EQ(description, "Phrase");

  Config->AcceptRules = {Rule("Phrase", "Subject", "free money", true, RuleType::AlwaysAccept)};
  EXPECT_TRUE(Rules().MatchAcceptRules(*Message("free\tmoney"), description));
  EXPECT_FALSE(Rules().MatchAcceptRules(*Message("freemoney"), description));
  EXPECT_EQ(Rules().MatchBodyRules("", description), -1);

  // Disabled ones are skipped; RejectOnMatch means nothing to them.
  Config->AcceptRules = {Rule("Off", "Subject", "news", true, RuleType::AlwaysAccept, false),
                         Rule("On", "Subject", "news", false, RuleType::AlwaysAccept)};
  EXPECT_TRUE(Rules().MatchAcceptRules(*Message("Weekly news"), description));
  EXPECT_EQ(description, "On");
}

TEST_F(RulesProcessingTest, UserBodyRulesComeAfterSystemOnesAndLogAsHeaderChecks) {
  Config->SysBodyRules = {Rule("Sys", "", "never", true, RuleType::Body)};
  Config->UserRules = {Rule("Header", "Subject", "text"), Rule("Type 3", "", "text", true, 3),
                       Rule("Mine", "", "^line\\ two", true, RuleType::Body)};
  std::string description;
  EXPECT_EQ(Rules().MatchBodyRules("line one\r\nline two\r\n", description), 2);
  EXPECT_EQ(description, "Mine");
  EXPECT_THAT(LogLines(),
              ElementsAre("+ Body check expression (sys): never", "+ Body checking subject: line one  line two  ",
                          "+ Header check expression: ^line\\ two", "+ Header checking subject: line one  line two  ",
                          "+ Match found: line two"));
}

TEST_F(RulesProcessingTest, ApprovedSendersReturnTheLastMatchInLowerCase) {
  std::string matched = "x";
  EXPECT_FALSE(Rules().MatchApprovedSender("a@b.org", matched));
  EXPECT_EQ(matched, "");
  Config->ApprovedSenders = {{"", "Blank"}, {"friend@example\\.org", "F"}, {"EXAMPLE \\. org", "All of them"}};
  EXPECT_TRUE(Rules().MatchApprovedSender("Friend@Example.ORG", matched));
  EXPECT_EQ(matched, "example.org");
  EXPECT_FALSE(Rules().MatchApprovedSender("", matched));
  // The blank entry would match every sender; it approves nobody.
  EXPECT_FALSE(Rules().MatchApprovedSender("stranger@elsewhere.net", matched));
  EXPECT_EQ(matched, "");
}

TEST_F(RulesProcessingTest, StripIsoWordsChangesOnlyTheHeaderLines) {
  TmsMessage msg;
  msg.ParseHeaders({"From: a@example.com", "Subject: =?iso-8859-1?q?Caf=E9?= au lait",
                    "X-Upper: =?ISO-8859-1?Q?Caf=E9?= stays",
                    "X-Two: x =?iso-8859-1?q?a?= mid =?iso-8859-2?q?b?= end"});
  Rules().StripIsoWords(msg);
  EXPECT_EQ(msg.Subject(),
            "Caf\xE9"
            "au lait");
  EXPECT_THAT(msg.Headers, ElementsAre("From: a@example.com", "Subject:  au lait", "X-Upper:  stays", "X-Two: x  end"));

  TmsMessage upperOnly;
  upperOnly.Headers = {"Subject: =?ISO-8859-1?Q?x?= and =?Iso-8859-1?Q?y?="};
  Rules().StripIsoWords(upperOnly);
  EXPECT_THAT(upperOnly.Headers, ElementsAre("Subject: =?ISO-8859-1?Q?x?= and =?Iso-8859-1?Q?y?="));
  // Once one lower-case word is present, every case of the prefix goes.
  upperOnly.Headers.push_back("X: =?iso-8859-1?q?z?=");
  Rules().StripIsoWords(upperOnly);
  EXPECT_THAT(upperOnly.Headers, ElementsAre("Subject: ", "X: "));

  // An "ALL" rule sees the stripped lines.
  auto ruleMsg = Message("x");
  ruleMsg->Headers = {"Subject: =?iso-8859-1?q?viagra?= deal"};
  Config->SysHeaderRules = {Rule("enc", "ALL", "viagra")};
  EXPECT_EQ(HeaderIndex(*ruleMsg), -1);
}

TEST_F(RulesProcessingTest, StripIsoWordsOnAnEncodedWordsAcrossTheJoin) {
  TmsMessage msg;
  // Removing the inner word joins "?" and "=" into the end of the outer one.
  msg.Headers = {"A: =?iso-a? =?iso-b?==?iso-c?= tail", "B: =?iso-"};
  Rules().StripIsoWords(msg);
  EXPECT_THAT(msg.Headers, ElementsAre("A:  tail", "B: =?iso-"));
}

class CheckMessageBodyTest : public RulesProcessingTest {};

TEST_F(CheckMessageBodyTest, AMessageWithoutBoundaryIsTestedOnItsOriginal) {
  Config->SysBodyRules = {Rule("Different", "", "^--different", true, RuleType::Body)};
  TmsMessage msg;
  msg.LoadFromFile(std::string(MAILMOAT_TEST_DATA_DIR) + "/mail/15_broken_boundary.eml");
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  std::string reason;
  ASSERT_TRUE(Rules().CheckMessageBody(msg, reason));
  EXPECT_EQ(reason, "Different");
  const auto lines = LogLines();
  EXPECT_THAT(lines, Contains("+ Error in MIME encoding header. Looking to check attachment"));
  const auto pad = [](std::string text) { return text.append(40 - text.size(), ' '); };
  EXPECT_EQ(lines.back(), "$ RULE: " + pad("Different") + " | FROM: " + pad("alice@example.org") +
                              " | TO: " + pad("bob@example.net") + " | SUBJ: Broken");

  msg.Attachments[0].SetContentType("text/plain");
  ClearLog();
  EXPECT_FALSE(Rules().CheckMessageBody(msg, reason));
  EXPECT_THAT(LogLines(), Contains("+ Attachment is not MIME ContentType: message/rfc822, skipping body check"));
  msg.Attachments.Clear();
  ClearLog();
  EXPECT_FALSE(Rules().CheckMessageBody(msg, reason));
  EXPECT_THAT(LogLines(), Contains("+ No attachment found - cannot check this message body"));
}

TEST_F(CheckMessageBodyTest, TheBoundaryErrorCountsOnlyNearTheStart) {
  Config->SysBodyRules = {Rule("Own text", "", "Cannot\\ find\\ boundary", true, RuleType::Body)};
  TmsMessage msg;
  msg.Body = {std::string(78, 'x'), "Cannot find boundary"};  // at character 80
  std::string reason;
  EXPECT_TRUE(Rules().CheckMessageBody(msg, reason));
  EXPECT_EQ(reason, "Own text");
  EXPECT_THAT(LogLines(), Not(Contains("+ Error in MIME encoding header. Looking to check attachment")));

  msg.Body = {" \t", ""};
  EXPECT_FALSE(Rules().CheckMessageBody(msg, reason));
}

TEST_F(RulesProcessingTest, ARunawayPatternFailsFastAndOnlySkipsItsRule) {
  const std::string hostile = std::string(40, 'a') + "!";
  Config->SysHeaderRules = {Rule("Runaway", "Subject", "^(a+)+$", false), Rule("Next", "Subject", "!$")};
  Config->SysBodyRules = {Rule("Runaway", "", "(a|aa)+$", true, RuleType::Body),
                          Rule("Next", "", "!", true, RuleType::Body)};
  auto msg = Message(hostile);
  std::string description;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HeaderIndex(*msg, &description), 1);
  EXPECT_EQ(description, "Next");
  EXPECT_EQ(Rules().MatchBodyRules(hostile, description), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

  // Without JIT the interpreter's limits apply.
  TRulesProcessing interpreted(*Config, {.Jit = false});
  EXPECT_EQ(interpreted.MatchBodyRules(hostile, description), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(RulesProcessingTest, CompiledPatternsAreKeptUntilTheRuleListsChange) {
  Config->SysHeaderRules = {Rule("a", "Subject", "alpha"), Rule("b", "Subject", "beta")};
  auto msg = Message("gamma");
  HeaderIndex(*msg);
  const std::size_t first = Rules().Regex().Compilations();
  HeaderIndex(*msg);
  HeaderIndex(*msg);
  EXPECT_EQ(Rules().Regex().Compilations(), first);

  Config->SysHeaderRules[1].Expression = "gamma";  // edited
  EXPECT_EQ(HeaderIndex(*msg), 1);
  EXPECT_EQ(Rules().Regex().Size(), 2u);  // the old pattern is gone
  Config->SysHeaderRules[1].Expression = "delta";
  EXPECT_EQ(HeaderIndex(*msg), -1);
}

}  // namespace
}  // namespace mailmoat
