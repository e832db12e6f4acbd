#include "filter/AddressCheck.h"
#include "filter/FilterTestSupport.h"
#include "filter/uRulesProcessing.h"

namespace mailmoat {
namespace {

using testing::Contains;
using testing::ElementsAre;

class AddressCheckTest : public test::FilterTest {
protected:
  void SetUp() override {
    FilterTest::SetUp();
    Rules = std::make_unique<TRulesProcessing>(*Config);
    Check = std::make_unique<TAddressCheck>(*Config, *Rules);
    Msg.ParseHeaders({"Received: from relay", "From: Eve <eve@example.com>", "To: Joe <Joe.Smith@Example.ORG>",
                      "Subject: hello", "Delivered-To: joe@delivery.example"});
  }
  std::unique_ptr<TRulesProcessing> Rules;
  std::unique_ptr<TAddressCheck> Check;
  TmsMessage Msg;
  std::string Found;
};

TEST_F(AddressCheckTest, QuoteAddressCharsEscapesOnlyItsFiveCharacters) {
  EXPECT_EQ(TAddressCheck::QuoteAddressChars("(a.b+c*)|([x])?"), "(a\\.b\\+c\\*)|(\\[x\\])?");
}

TEST_F(AddressCheckTest, EmptyListRejectsInStandardModeAndAcceptsInExpressionMode) {
  Config->Unknown = true;
  EXPECT_FALSE(Check->CheckValidAddress(Msg, Found));
  Config->ValidAddresses = {"", "  "};  // blank lines of the file are no entries
  EXPECT_FALSE(Check->CheckValidAddress(Msg, Found));
  Config->RegExAddressCheck = true;
  EXPECT_TRUE(Check->CheckValidAddress(Msg, Found));
  EXPECT_EQ(Found, "");
}

TEST_F(AddressCheckTest, StandardModeIsALowerCaseSubstringMatchWithLiteralDots) {
  Config->ValidAddresses = {"nobody@else.net", "JOE.SMITH@example.org"};
  ASSERT_TRUE(Check->CheckValidAddress(Msg, Found));
  EXPECT_EQ(Found, "joe.smith@example.org");
  EXPECT_THAT(LogLines(),
              ElementsAre("+ Valid address check expression: (nobody@else\\.net)|(joe\\.smith@example\\.org)",
                          // The message text stays on one line.
                          "+ Valid address checking address: received: from relay  from: eve <eve@example.com>  to: "
                          "joe <joe.smith@example.org>  subject: hello  delivered-to: joe@delivery.example  ",
                          "+ Valid address match found: joe.smith@example.org",
                          "@ Valid address(es) located: joe.smith@example.org"));

  Config->ValidAddresses = {"smith@example.org"};  // inside a longer address
  EXPECT_TRUE(Check->StdAddressMatch(Msg, true, Found));
  Config->ValidAddresses = {"joe.smith@examplexorg"};
  EXPECT_FALSE(Check->StdAddressMatch(Msg, false, Found));
  EXPECT_EQ(Found, "");
  Config->ValidAddresses = {"(unbalanced"};
  EXPECT_FALSE(Check->StdAddressMatch(Msg, false, Found));
}

TEST_F(AddressCheckTest, StrictModeTestsOnlyTheRecipientFields) {
  Config->ValidAddresses = {"eve@example.com"};
  EXPECT_TRUE(Check->StdAddressMatch(Msg, false, Found));
  EXPECT_FALSE(Check->StdAddressMatch(Msg, true, Found));
  Config->ValidAddresses = {"delivery.example"};
  EXPECT_TRUE(Check->StdAddressMatch(Msg, true, Found));

  Config->RegExAddressCheck = true;
  Config->Strict = true;
  Msg.Headers.insert(Msg.Headers.begin(), "X-Rcpt-To: x-rcpt");
  Msg.CC.AddAddress("cc@example.net", "");
  Config->ValidAddresses = {"^joe\\.smith@example\\.org cc@example\\.net x-rcpt joe@delivery\\.example$"};
  ASSERT_TRUE(Check->CheckValidAddress(Msg, Found));
  EXPECT_EQ(Found, "Joe.Smith@Example.ORG cc@example.net x-rcpt joe@delivery.example");
  EXPECT_THAT(LogLines(), Contains("@ Valid address match: " + Found));

  TmsMessage nobody;
  Config->ValidAddresses = {"\\S"};
  EXPECT_FALSE(Check->RegexAddressMatch(nobody, true, Found));
}

TEST_F(AddressCheckTest, ExpressionModeTakesTheFirstMatchingEntryInItsOwnCase) {
  Config->RegExAddressCheck = true;
  Config->ValidAddresses = {"(broken", "joe smith", "to: joe <joe\\.smith"};
  ASSERT_TRUE(Check->CheckValidAddress(Msg, Found));
  EXPECT_EQ(Found, "To: Joe <Joe.Smith");
  EXPECT_THAT(LogLines(), Contains("+ RegEx valid address check expression: joe\\ssmith"));

  Config->ValidAddresses = {"Joe Smith"};  // a blank stands for any whitespace
  Msg.Headers.push_back("X-Name: joe\tsmith");
  ASSERT_TRUE(Check->RegexAddressMatch(Msg, false, Found));
  EXPECT_EQ(Found, "joe\tsmith");
}

TEST_F(AddressCheckTest, AFailedMatchInExpressionModeAcceptsTheMessage) {
  Config->RegExAddressCheck = true;
  Config->ValidAddresses = {"(x+x+)+y"};
  Msg.Headers = {std::string(60, 'x') + "!", "y"};
  ASSERT_TRUE(Check->CheckValidAddress(Msg, Found));
  EXPECT_EQ(Found, "Accepting message due to processing error");
  EXPECT_THAT(LogLines(),
              Contains(testing::StartsWith("! Valid address check regular expression error: match limit exceeded")));
  Config->RegExAddressCheck = false;
  EXPECT_FALSE(Check->CheckValidAddress(Msg, Found));  // standard mode: not valid, nothing logged
}

TEST_F(AddressCheckTest, SenderAndRecipientTests) {
  EXPECT_TRUE(TAddressCheck::HasToAndFrom(Msg));
  EXPECT_TRUE(TAddressCheck::HasSubject(Msg));
  EXPECT_FALSE(TAddressCheck::ToEqualsFrom(Msg));

  TmsMessage ccOnly;
  ccOnly.Sender = TmsMailAddress(" \t", "");
  EXPECT_FALSE(TAddressCheck::HasToAndFrom(ccOnly));
  EXPECT_FALSE(TAddressCheck::ToEqualsFrom(ccOnly));  // " \t" is a sender address, no To is empty
  ccOnly.Sender = TmsMailAddress("me@example.org", "");
  ccOnly.CC.AddAddress("you@example.org", "");
  EXPECT_FALSE(TAddressCheck::HasToAndFrom(ccOnly));
  ccOnly.SetSubject(" \r\n");
  EXPECT_FALSE(TAddressCheck::HasSubject(ccOnly));

  TmsMessage same;
  EXPECT_TRUE(TAddressCheck::ToEqualsFrom(same));  // no To and no sender
  same.Sender = TmsMailAddress("Me@Example.ORG", "");
  same.Recipients.AddAddress("<me@example.org>", "");
  EXPECT_TRUE(TAddressCheck::ToEqualsFrom(same));
  // Only ASCII letters fold: the answer must not depend on the locale.
  same.Sender = TmsMailAddress("\xC9ve@example.org", "");
  same.Recipients[0].SetAddress("\xE9ve@example.org");
  EXPECT_FALSE(TAddressCheck::ToEqualsFrom(same));
}

}  // namespace
}  // namespace mailmoat
