#include "mail/MailHeaders.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

Strings Addresses(const TmsHeaders& headers, const std::string& name) {
  Strings result{"left over"};
  GetHeaderAddresses(headers, name, result);
  return result;
}

TEST(HeaderValue, NameIgnoresCaseAndTheBlankAfterTheColon) {
  EXPECT_EQ(GetHeaderValue({"Subject:hello"}, "Subject"), "hello");
  EXPECT_EQ(GetHeaderValue({"SUBJECT: hello  "}, "Subject"), "hello");
  EXPECT_EQ(GetHeaderValue({"X-A: 1", "subject: first", "Subject: second"}, "Subject:"), "first");
  EXPECT_EQ(GetHeaderValue({"Subjects: no"}, "Subject"), "");
  EXPECT_EQ(GetHeaderValue({}, "Subject"), "");
}

TEST(HeaderValue, ContinuationLinesJoinWithOneBlank) {
  EXPECT_EQ(GetHeaderValue({"Subject: a", "  b", "\tc", "X-Next: d", " e"}, "Subject"), "a b c");
  EXPECT_EQ(GetHeaderValue({"Subject: a", "", " b"}, "Subject"), "a");
}

TEST(HeaderValue, EncodedWordsDecodedExceptInContentTypeAndUidl) {
  EXPECT_EQ(GetHeaderValue({"Subject: =?iso-8859-1?Q?Caf=E9_au_lait?="}, "Subject"), "Caf\xE9 au lait");
  EXPECT_EQ(GetHeaderValue({"Subject: =?utf-8?B?SGVsbG8=?= World"}, "Subject"), "HelloWorld");
  EXPECT_EQ(GetHeaderValue({"Content-Type: text/plain; name=\"=?x?Q?a?=\""}, "CONTENT-TYPE"),
            "text/plain; name=\"=?x?Q?a?=\"");
  EXPECT_EQ(GetHeaderValue({"X-UIDL: =?x?Q?a?="}, "x-uidl"), "=?x?Q?a?=");
}

TEST(HeaderValue, DecodedLinesAreCutTo255ButContentTypeIsNot) {
  const std::string longText(300, 'a');
  EXPECT_EQ(GetHeaderValue({"Subject: " + longText}, "Subject"), std::string(255, 'a'));
  EXPECT_EQ(GetHeaderValue({"Subject: x", "\t" + longText}, "Subject"), "x " + std::string(255, 'a'));
  EXPECT_EQ(GetHeaderValue({"Content-Type: " + longText}, "Content-Type"), longText);
  EXPECT_EQ(GetHeaderValue({"X-UIDL: " + longText}, "X-UIDL"), longText);
}

TEST(HeaderAddresses, CommasOutsideQuotesSplitEntries) {
  EXPECT_EQ(Addresses({"To: a@x.org, \"Doe, John\" <j@x.org>"}, "TO"), (Strings{"a@x.org", "\"Doe, John\" <j@x.org>"}));
  EXPECT_EQ(Addresses({"To: a@x.org,,b@x.org, "}, "TO"), (Strings{"a@x.org", "", "b@x.org"}));
  EXPECT_EQ(Addresses({"Subject: x"}, "TO"), Strings{});
}

TEST(HeaderAddresses, OccurrencesAndColonlessLinesAddToOneList) {
  const TmsHeaders headers{"To: a@x.org,", "   b@x.org", "Cc: c@x.org", "TO: d@x.org", "X-Other: e"};
  EXPECT_EQ(Addresses(headers, "TO"), (Strings{"a@x.org", "b@x.org", "d@x.org"}));
  EXPECT_EQ(Addresses(headers, "CC"), Strings{"c@x.org"});
  EXPECT_EQ(Addresses({"Bcc: z@x.org"}, "BCC"), Strings{"z@x.org"});
}

TEST(HeaderAddresses, StartLineWithoutColonEndsTheWalk) {
  EXPECT_EQ(Addresses({"Toxic", "To: a@x.org"}, "TO"), Strings{});
}

TEST(HeaderAddresses, BodyLinesOfAHeaderSummaryAreNeverAddresses) {
  EXPECT_EQ(Addresses({"To: a@x.org", "", "victim@x.org", "."}, "TO"), Strings{"a@x.org"});
}

TEST(HeaderAddresses, EntriesAreDecodedAndCut) {
  EXPECT_EQ(Addresses({"To: =?us-ascii?Q?Jo?= <j@x.org>"}, "TO"), Strings{"Jo<j@x.org>"});
  EXPECT_EQ(Addresses({"To: " + std::string(300, 'a')}, "TO"), Strings{std::string(255, 'a')});
}

TEST(HeaderEdit, RemoveHeaderTakesTheFirstWithItsContinuations) {
  TmsHeaders headers{"X-A: 1", "subject: a", " b", "\tc", "X-B: 2", "Subject: again"};
  RemoveHeader(headers, "Subject");
  EXPECT_EQ(headers, (TmsHeaders{"X-A: 1", "X-B: 2", "Subject: again"}));
  RemoveHeader(headers, "X-B:");
  EXPECT_EQ(headers, (TmsHeaders{"X-A: 1", "Subject: again"}));
  RemoveHeader(headers, "X");
  EXPECT_EQ(headers, (TmsHeaders{"X-A: 1", "Subject: again"}));
}

TEST(HeaderEdit, CutAtTheFirstBlankLine) {
  TmsHeaders headers{"A: 1", "B: 2", "", "body", "", "more"};
  CutHeadersAtBlankLine(headers);
  EXPECT_EQ(headers, (TmsHeaders{"A: 1", "B: 2"}));
  CutHeadersAtBlankLine(headers);
  EXPECT_EQ(headers.size(), 2u);
}

struct AddressCase {
  std::string Text, Address, Name;
};

class ParseMailAddressTest : public testing::TestWithParam<AddressCase> {};

TEST_P(ParseMailAddressTest, SplitsNameAndAddress) {
  TmsMailAddress address("old@x.org", "Old");
  ParseMailAddress(GetParam().Text, address);
  EXPECT_EQ(address.Address(), GetParam().Address);
  EXPECT_EQ(address.Name(), GetParam().Name);
}

INSTANTIATE_TEST_SUITE_P(Forms, ParseMailAddressTest,
                         testing::Values(AddressCase{"John Doe <jd@x.org>", "jd@x.org", "John Doe"},
                                         AddressCase{"\"Doe, John\" <jd@x.org>", "jd@x.org", "Doe, John"},
                                         AddressCase{"<jd@x.org>", "jd@x.org", ""},
                                         AddressCase{"< \"jd@x.org\" > trailer", "jd@x.org", "trailer"},
                                         AddressCase{"John <jd@x.org", "", "John <jd@x.org"},
                                         AddressCase{"a> John <jd", "", "a> John <jd"},
                                         AddressCase{"jd@x.org (John Doe)", "jd@x.org", "John Doe"},
                                         AddressCase{"jd@x.org (", "jd@x.org", ""},
                                         AddressCase{"jd@x.org", "jd@x.org", ""}, AddressCase{"", "", ""},
                                         AddressCase{std::string(300, 'n') + " <a@b>", "a@b", std::string(255, 'n')}));

TEST(EncodedWords, BAndQInAnyCaseCharsetIgnored) {
  EXPECT_EQ(DecodeEncodedWords("=?ISO-8859-1?Q?Caf=E9_au_lait?="), "Caf\xE9 au lait");
  EXPECT_EQ(DecodeEncodedWords("=?utf-8?q?=C3=A9t=C3=A9?="), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(DecodeEncodedWords("=?utf-8?b?SGVsbG8=?="), "Hello");
  EXPECT_EQ(DecodeEncodedWords("=?x?Q?a=5Fb?="), "a_b");
}

TEST(EncodedWords, BlanksAfterAWordVanish) {
  EXPECT_EQ(DecodeEncodedWords("Re: =?x?Q?a?= =?x?Q?b?=  end"), "Re: abend");
  EXPECT_EQ(DecodeEncodedWords("=?x?B?SGVsbG8=?= World"), "HelloWorld");
}

TEST(EncodedWords, MalformedWordsNeverFail) {
  EXPECT_EQ(DecodeEncodedWords("=?x?Q?unterminated"), "=?x?Q?unterminated");
  EXPECT_EQ(DecodeEncodedWords("a =?x?X?zz?= b"), "a b");
  EXPECT_EQ(DecodeEncodedWords("a =?nomark?= b"), "a b");
  EXPECT_EQ(DecodeEncodedWords("=?x?B?@@@@?= tail"), "=?x?B?@@@@?= tail");
  EXPECT_EQ(DecodeEncodedWords("x =?=?= y"), "x y");
  // A decoded word that spells another word is decoded again, and the text still ends.
  EXPECT_EQ(DecodeEncodedWords("=?x?B?PT94P1E/YT89?="), "a");
}

TEST(EncodedWords, TextIsCutTo255First) {
  EXPECT_EQ(DecodeEncodedWords(std::string(300, 'z')), std::string(255, 'z'));
  const std::string cutWord = std::string(250, 'z') + "=?x?Q?abc?=";
  EXPECT_EQ(DecodeEncodedWords(cutWord), cutWord.substr(0, 255));
}

TEST(Param, FindsQuotedAndBareValues) {
  const std::string type = "multipart/mixed; Boundary=\"--=_a b\"; charset = us-ascii; name=x.txt;format=flowed";
  EXPECT_EQ(TmsParam(type, "boundary"), "--=_a b");
  EXPECT_EQ(TmsParam(type, "CharSet"), "us-ascii");
  EXPECT_EQ(TmsParam(type, "name"), "x.txt");
  EXPECT_EQ(TmsParam(type, "missing"), "");
  EXPECT_EQ(TmsParam("text/plain; name=\"open", "name"), "open");
  EXPECT_EQ(TmsParam("text/plain; name=", "name"), "");
}

TEST(Param, MediaTypeIsTheTextBeforeParameters) {
  EXPECT_EQ(MediaTypeOf(" text/html; charset=x"), "text/html");
  EXPECT_EQ(MediaTypeOf("application/pdf name=x"), "application/pdf");
  EXPECT_EQ(MediaTypeOf(""), "");
}

TEST(Param, TenThousandParametersAreFoundInLinearTime) {
  std::string type = "multipart/mixed";
  for (int i = 0; i < 10000; ++i) type += "; p" + std::to_string(i) + "=v" + std::to_string(i);
  type += "; boundary=\"end\"";
  EXPECT_EQ(TmsParam(type, "boundary"), "end");
  EXPECT_EQ(TmsParam(type, "p9999"), "v9999");
}

TEST(MailDate, EnglishNamesNoLeadingZeroOnTheDay) {
  std::tm when{};
  when.tm_year = 103;
  when.tm_mon = 0;
  when.tm_mday = 5;
  when.tm_wday = 0;
  when.tm_hour = 4;
  when.tm_min = 3;
  when.tm_sec = 9;
  EXPECT_EQ(FormatMailDate(when, "+0100"), "Sun, 5 Jan 2003 04:03:09 +0100");
  when.tm_mon = 11;
  when.tm_mday = 31;
  when.tm_wday = 3;
  when.tm_hour = 23;
  EXPECT_EQ(FormatMailDate(when, "GMT"), "Wed, 31 Dec 2003 23:03:09 GMT");
}

TEST(MailDate, ZoneTextIsSignAndFourDigits) {
  EXPECT_EQ(ZoneOffsetText(0), "+0000");
  EXPECT_EQ(ZoneOffsetText(3600), "+0100");
  EXPECT_EQ(ZoneOffsetText(-(3 * 3600 + 30 * 60)), "-0330");
  EXPECT_EQ(ZoneOffsetText(5 * 3600 + 45 * 60), "+0545");
  // The test program runs in UTC.
  EXPECT_EQ(LocalZoneText(), "+0000");
}

}  // namespace
}  // namespace mailmoat
