#include "archive/ArchiveDate.h"
#include "archive/ArchivedMessage.h"
#include "archive/Outbound.h"
#include "core/Records.h"
#include "mail/TmsMessage.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mailmoat {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(SpamCopReport, WrapsTheArchivedFileWithItsTabsAsBlanks) {
  test::TTempDir dir;
  test::WriteTextFile(dir / "1.spam", "From: spammer@example.biz\r\nSubject: deal\r\n\r\nPrice:\t9.99\r\n");
  const auto lines = SpamCopReportLines({"submit.abc123@spam.example.net", "joe@example.org"}, dir / "1.spam");
  for (const char* line :
       {"From:      <joe@example.org>", "To:        <submit.abc123@spam.example.net>", "X-Mailer: Mailmoat Pro",
        "Subject: reply anyway", "Mime-Version: 1.0", "This is a multipart message in MIME format",
        "Forwarded spam message for processing is attached.", "Content-Transfer-Encoding: Quoted-Printable",
        "Content-Disposition: attachment; filename=\"spam_email.txt\"", "Price:    9.99"})
    EXPECT_TRUE(Has(lines, line)) << line;
  for (const std::string& line : lines) EXPECT_EQ(line.find('\t'), std::string::npos) << line;
  EXPECT_THROW(SpamCopReportLines({}, dir / "gone.spam"), EInOutError);
}

TEST(ReplyText, QuotesTheMessageAndBuildsSafeHeaders) {
  TmsMessage msg;
  msg.LoadFromString(
      "From: Sam <sam@example.net>\r\nTo: joe@example.org\r\nDate: Thu, 5 Dec 2024 09:03:07 +0000\r\n"
      "Subject: A subject of exactly forty characters!!\r\n\r\n<p>Hello<br>there &amp; all</p>\r\n");
  EXPECT_EQ(ReplyTitle(msg.Subject()), "A subject of exactly forty ... - Message");
  EXPECT_EQ(ReplyTitle("Short"), "Short");
  const auto quoted = ReplyQuoteLines(msg, false);
  const std::vector<std::string> expected = {"  ",
                                             "  ",
                                             "  ",
                                             "----- Original Message -----",
                                             "From:     Sam <sam@example.net>",
                                             "To:       joe@example.org",
                                             "Sent:     Thu, 5 Dec 2024 09:03:07 +0000",
                                             "Subject:  A subject of exactly forty characters!!",
                                             "  ",
                                             "  ",
                                             "  ",
                                             "Hello",
                                             "there &amp; all"};
  EXPECT_EQ(std::vector<std::string>(quoted.begin(), quoted.begin() + 13), expected);
  EXPECT_TRUE(Has(ReplyQuoteLines(msg, true), "Date: Thu, 5 Dec 2024 09:03:07 +0000"));

  EXPECT_EQ(FindReplyAddress("  Joe Bloggs <Joe@Example.Technology> "), "Joe@Example.Technology");
  EXPECT_EQ(FindReplyAddress("x@mail.example.com."), "x@mail.example.com");
  for (const char* none : {"", "joe", "joe@example", "joe@example.c", "joe@example.c0m", "@example.com"})
    EXPECT_EQ(FindReplyAddress(none), std::nullopt) << none;

  std::tm now{};
  now.tm_year = 126;
  now.tm_mon = 11;
  now.tm_mday = 8;
  now.tm_hour = 13;
  now.tm_min = 40;
  now.tm_sec = 3;
  const auto lines = ReplyMessageLines("joe@example.org\r\nBcc: victim@example.com", "me@example.net",
                                       "Re: hi\r\nX-Evil: 1", {"body"}, now, "+0100", [](int n) { return n - 1; });
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], "To: joe@example.org  Bcc: victim@example.com");
  EXPECT_EQ(lines[3], "Subject: Re: hi  X-Evil: 1");
  EXPECT_EQ(lines[4], "Message-ID: <01869F0812202613400303E7@mailmoat>");
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7], "body");
}

TEST(ArchivedMessage, PrintLinesAndHtmlDetection) {
  TmsMessage msg;
  msg.LoadFromString(
      "From: Sam <sam@example.net>\r\nTo: joe@example.org\r\nCC: a@x.org, B <b@x.org>\r\n"
      "Date: someday\r\nSubject: Hi\r\n\r\nline one<BR>line two\r\n");
  const auto formatted = FormattedPrintLines(msg);
  EXPECT_EQ(formatted,
            (std::vector<std::string>{"Dated:   someday", "To:       joe@example.org", "CC:       a@x.org,B b@x.org",
                                      "From:    Sam sam@example.net", "Subject: Hi", " ", "line one", "line two"}));
  const auto raw = RawPrintLines(msg);
  EXPECT_EQ(raw.front(), "From: Sam <sam@example.net>");
  EXPECT_TRUE(Has(raw, " "));
  EXPECT_TRUE(IsHtmlBody("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<html><body>x"));
  EXPECT_FALSE(IsHtmlBody(std::string(146, ' ') + "<html>"));
  EXPECT_TRUE(IsHtmlBody(std::string(145, ' ') + "<html>"));
}

TEST(SpamCopAge, CountsCalendarDays) {
  const std::int64_t today = MailDay(EncodeMailTime(2026, 12, 8, 0, 0, 1));
  EXPECT_EQ(MessageAgeDays(today, MailDay(EncodeMailTime(2026, 12, 6, 23, 59, 59))), 3);
  EXPECT_EQ(MessageAgeDays(today, MailDay(EncodeMailTime(2026, 12, 5, 0, 0, 0))), 4);
  EXPECT_GT(MessageAgeDays(today, MailDay(ZeroMailTime)), 4);
  EXPECT_EQ(MessageAgeDays(today, today + 5), 0);
}

}  // namespace
}  // namespace mailmoat
