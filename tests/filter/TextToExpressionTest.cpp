#include "filter/FilterTestSupport.h"
#include "filter/TextToExpression.h"
#include "filter/uRulesProcessing.h"

namespace mailmoat {
namespace {

using test::Rule;

TEST(TextToExpressionTest, LettersMatchInAnyCaseAndPatternCharactersAreEscaped) {
  EXPECT_EQ(TextToExpression("Subject: Free $$$ offer", TDigitMode::AnyDigit),
            "[sS][uU][bB][jJ][eE][cC][tT]:\\s+[fF][rR][eE][eE]\\s+\\$\\$\\$\\s+[oO][fF][fF][eE][rR]");
  EXPECT_EQ(TextToExpression("win 1000", TDigitMode::AnyDigit), "[wW][iI][nN]\\s+\\d\\d\\d\\d");
  EXPECT_EQ(TextToExpression("win 1000", TDigitMode::DigitClass), "[wW][iI][nN]\\s+[0-9][0-9][0-9][0-9]");
  EXPECT_EQ(TextToExpression("win 1000", TDigitMode::Literal), "[wW][iI][nN]\\s+1000");
  EXPECT_EQ(TextToExpression("a|b#{2}\\-", TDigitMode::Literal), "[aA]\\|[bB]\\#\\{2\\}\\\\-");
  EXPECT_EQ(TextToExpression("a  b", TDigitMode::Literal), "[aA]\\s+\\s+[bB]");
  EXPECT_EQ(TextToExpression("a\r\nb\nc\td\xA0", TDigitMode::Literal), "[aA]\\r?\\n[bB]\\r?\\n[cC]\\x09[dD]\\xA0");
}

// The rule made from a text must find that text, and only it, under each rule type's options.
class TextRuleEvaluationTest : public test::FilterTest {
protected:
  std::unique_ptr<TmsMessage> Message(const std::string& subject) {
    auto msg = std::make_unique<TmsMessage>();
    msg->SetSubject(subject);
    msg->Headers = {"From: someone@example.com", "Subject: " + subject};
    return msg;
  }
};

TEST_F(TextRuleEvaluationTest, RuleFromPlainTextMatchesThatTextUnderEveryRuleType) {
  const std::string subject = "Free $$$ offer | win {now} #1";
  const std::string line = "Subject: " + subject;
  for (TDigitMode digits : {TDigitMode::AnyDigit, TDigitMode::DigitClass, TDigitMode::Literal}) {
    const std::string expression = TextToExpression(line, digits);
    Config->UserRules = {Rule("header", "ALL", expression), Rule("body", "ALL", expression, true, RuleType::Body)};
    Config->AcceptRules = {Rule("accept", "Subject", TextToExpression(subject, digits), true, RuleType::AlwaysAccept)};
    TRulesProcessing rules(*Config);
    std::string description;

    auto spam = Message(subject);
    EXPECT_EQ(rules.MatchHeaderRules(*spam, description), 0) << expression;
    EXPECT_EQ(rules.MatchBodyRules("Hello\r\n" + line + "\r\n", description), 1) << expression;
    EXPECT_TRUE(rules.MatchAcceptRules(*spam, description)) << expression;
    auto upper = Message("FREE $$$ OFFER | WIN {NOW} #1");
    EXPECT_EQ(rules.MatchHeaderRules(*upper, description), 0);

    // Before the mend "|" split the rule in two, and "#" ended body and accept rules early.
    auto bare = Message("Free offer");
    EXPECT_EQ(rules.MatchHeaderRules(*bare, description), -1) << expression;
    auto plain = Message("Free offer, win {now} #1");
    EXPECT_EQ(rules.MatchHeaderRules(*plain, description), -1) << expression;
    EXPECT_EQ(rules.MatchBodyRules("Subject: Free offer, win {now} #1\r\n", description), -1) << expression;
    EXPECT_FALSE(rules.MatchAcceptRules(*plain, description)) << expression;
    auto near = Message("Free $$$ offer | win {now} #2");
    EXPECT_EQ(rules.MatchHeaderRules(*near, description), digits == TDigitMode::Literal ? -1 : 0);
  }
}

TEST_F(TextRuleEvaluationTest, LongSelectionIsCutBetweenPiecesAndStillCompiles) {
  std::string text;
  while (text.size() < 300) text += "Re: [list] (50% off) $9.99 | win\tnow\r\n";
  text.resize(300);
  TRegexCache cache;
  // Every cut point: the pieces are 1 to 6 bytes, so try limits that fall inside each kind.
  for (std::size_t limit = 200; limit <= MaxRuleExpressionLength; ++limit) {
    const std::string expression = TextToExpression(text, TDigitMode::AnyDigit, limit);
    ASSERT_LE(expression.size(), limit);
    EXPECT_GE(expression.size(), limit - 5);
    for (TRegexOptions options : {HeaderRuleOptions, BodyRuleOptions, AcceptRuleOptions}) {
      EXPECT_TRUE(cache.Compiles(expression, options)) << expression;
    }
    // A cut rule still finds the text it was made from.
    EXPECT_TRUE(cache.Match(expression, HeaderRuleOptions, text)) << expression;
    EXPECT_TRUE(cache.Match(expression, BodyRuleOptions, text)) << expression;
  }
}

TEST(TextToExpressionTest, DescriptionIsOneLineAndCutAtACharacterBoundary) {
  EXPECT_EQ(TextToRuleDescription("Subject: hi\r\n\tthere"), "Subject: hi   there");
  EXPECT_EQ(TextToRuleDescription(std::string(48, 'x') + "\xC3\xA9\xC3\xA9"), std::string(48, 'x') + "\xC3\xA9");
  EXPECT_EQ(TextToRuleDescription(std::string(60, 'y')), std::string(50, 'y'));
}

}  // namespace
}  // namespace mailmoat
