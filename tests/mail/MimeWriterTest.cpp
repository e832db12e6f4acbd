#include "mail/TmsMessage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

Strings SavedLines(TmsMessage& msg) {
  const std::string text = msg.SaveToString();
  Strings lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line";
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

// Boundaries from a fixed digit sequence: 0,1,...,8,0,1,...
void FixedDigits(TmsMessage& msg) {
  msg.SetBoundaryDigitSource([n = 0]() mutable { return n++ % 9; });
}

TmsAttItem Attachment(const std::string& name, const std::string& type, std::uint8_t kind, const std::string& data) {
  TmsAttItem item;
  item.SetFileName(name);
  item.SetContentType(type);
  item.TransferKind = kind;
  item.Data = data;
  return item;
}

TEST(MimeSave, PlainMessageHeaderBlock) {
  TmsMessage msg;
  msg.Sender = TmsMailAddress("ann@x.org", "Ann B. Other");
  msg.Recipients.AddAddress("b@x.org", "");
  msg.Recipients.AddAddress("c@x.org", "Smith, C");
  msg.CC.AddAddress("d@x.org", "D");
  msg.BCC.AddAddress("secret@x.org", "");
  msg.ReturnReceipt = true;
  msg.Priority = ptHigh;
  msg.Headers = {"From: old",
                 "Received: from a",
                 "\tby b",
                 "X-Priority: 3",
                 "subject: old",
                 "Date: today",
                 "Mime-Version: 1.0",
                 "Content-Type: text/plain",
                 "Content-Transfer-Encoding: 7bit"};
  msg.SetSubject("Hello");
  msg.Body = {"line", ".", "end"};
  EXPECT_EQ(
      SavedLines(msg),
      (Strings{"From:     \"Ann B. Other\" <ann@x.org>", "To:        <b@x.org>,", "          \"Smith, C\" <c@x.org>",
               "CC:       D <d@x.org>", "Return-Receipt-To: <ann@x.org>", "X-Priority: 1", "Received: from a", "\tby b",
               "Date: today", "Subject: Hello", "Mime-Version: 1.0", "Content-Type: text/plain; charset=\"us-ascii\"",
               "Content-Transfer-Encoding: 7bit", "", "line", "..", "end"}));
  // Saving changes the message: the rebuilt headers are gone, the dot is doubled.
  EXPECT_EQ(msg.Headers, (Strings{"Received: from a", "\tby b", "Date: today"}));
  EXPECT_EQ(msg.Body[1], "..");
}

TEST(MimeSave, LongLinesAndLatin1MakeTheTextQuotedPrintable) {
  TmsMessage msg;
  msg.Body = {std::string(300, 'x')};
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(lines[3], "Content-Transfer-Encoding: quoted-printable");
  EXPECT_EQ(lines[5], std::string(65, 'x') + "=");
  TmsMessage latin;
  latin.CharSet = csISO8859;
  latin.Body = {"caf\xE9"};
  const Strings latinLines = SavedLines(latin);
  EXPECT_EQ(latinLines[2], "Content-Type: text/plain; charset=\"iso-8859-1\"");
  EXPECT_EQ(latinLines.back(), "caf=E9");
}

TEST(MimeSave, HeaderSummaryLinesStopAtTheEmptyLineAndBreaksAreFlattened) {
  TmsMessage msg;
  msg.LoadHeaderSummary({"From: a@x.org", "Subject: s", "X-Id: 1", "", "first body line", "."});
  msg.SetSubject("evil\r\nBcc: everyone@x.org");
  msg.Body = {"explanation"};
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(lines, (Strings{"From:      <a@x.org>", "X-Id: 1", "Subject: evil  Bcc: everyone@x.org",
                            "Mime-Version: 1.0", "Content-Type: text/plain; charset=\"us-ascii\"",
                            "Content-Transfer-Encoding: 7bit", "", "explanation"}));
}

TEST(MimeSave, SpamReportMultipartLayout) {
  TmsMessage msg;
  FixedDigits(msg);
  msg.Sender.SetAddress("me@x.org");
  msg.Recipients.AddAddress("report@spam.example", "");
  msg.SetSubject("reply anyway");
  msg.Body = {"Forwarded spam message for processing is attached."};
  msg.Headers = {"X-Mailer: Mailmoat Pro"};
  msg.Attachments.Add(Attachment("/tmp/mmtX.tmp", "text/plain", tkQuotedPrintable, "Subject: spam\r\n\tx=1\r\n"));
  msg.Attachments[0].SetFileName("spam_email.txt");
  EXPECT_EQ(SavedLines(msg), (Strings{"From:      <me@x.org>",
                                      "To:        <report@spam.example>",
                                      "X-Mailer: Mailmoat Pro",
                                      "Subject: reply anyway",
                                      "Mime-Version: 1.0",
                                      "Content-Type: multipart/mixed; boundary=\"01234567\"",
                                      "",
                                      "This is a multipart message in MIME format",
                                      "",
                                      "--01234567",
                                      "Content-Type: text/plain; charset=\"us-ascii\"",
                                      "Content-Transfer-Encoding: 7bit",
                                      "",
                                      "Forwarded spam message for processing is attached.",
                                      "",
                                      "--01234567",
                                      "Content-Type: text/plain; name=\"spam_email.txt\"",
                                      "Content-Transfer-Encoding: Quoted-Printable",
                                      "Content-Disposition: attachment; filename=\"spam_email.txt\"",
                                      "",
                                      "Subject: spam",
                                      "=09x=3D1",
                                      "",
                                      "--01234567--"}));
}

TEST(MimeSave, AlternativeFirstOpensANestedSection) {
  TmsMessage msg;
  FixedDigits(msg);
  msg.Body = {"plain"};
  msg.Attachments.Add(Attachment("_alt.0", "text/html", tkSevenBit, "<p>x</p>\r\n"));
  msg.Attachments.Add(Attachment("c:\\docs\\offer.pdf", "application/pdf", tkBase64, "%PDF"));
  const Strings lines = SavedLines(msg);
  const Strings expected{"Content-Type: multipart/mixed; boundary=\"01234567\"",
                         "",
                         "This is a multipart message in MIME format",
                         "",
                         "--01234567",
                         "Content-Type:  multipart/alternative; boundary=\"80123456\"",
                         "Content-Transfer-Encoding: 7bit",
                         "",
                         "--80123456",
                         "Content-Type: text/plain; charset=\"us-ascii\"",
                         "Content-Transfer-Encoding: 7bit",
                         "",
                         "plain",
                         "",
                         "--80123456",
                         "Content-Type: text/html",
                         "Content-Transfer-Encoding: 7 bit",
                         "",
                         "<p>x</p>",
                         "",
                         "--80123456--",
                         "",
                         "--01234567",
                         "Content-Type: application/pdf; name=\"offer.pdf\"",
                         "Content-Transfer-Encoding: Base64",
                         "Content-Disposition: attachment; filename=\"offer.pdf\"",
                         "",
                         "JVBERg==",
                         "",
                         "--01234567--"};
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Strings(lines.begin() + 2, lines.end()), expected);

  TmsMessage back;
  back.LoadFromString(msg.SaveToString());
  EXPECT_EQ(back.Body, (Strings{"plain", ""}));
  ASSERT_EQ(back.Attachments.Count(), 2u);
  EXPECT_EQ(back.Attachments[0].FileName(), "_alt.0");
  EXPECT_EQ(back.Attachments[1].FileName(), "offer.pdf");
  EXPECT_EQ(back.Attachments[1].Data, "%PDF");
}

TEST(MimeSave, AlternativeMessageHasNoNamesOnParts) {
  TmsMessage msg;
  FixedDigits(msg);
  msg.Body = {"plain"};
  msg.Attachments.Add(Attachment("_alt.0", "text/html", tkQuotedPrintable, "<p>caf\xE9</p>"));
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(lines[2], "Content-Type: multipart/alternative; boundary=\"01234567\"");
  EXPECT_EQ(Strings(lines.end() - 7, lines.end()),
            (Strings{"--01234567", "Content-Type: text/html", "Content-Transfer-Encoding: Quoted-Printable", "",
                     "<p>caf=E9</p>", "", "--01234567--"}));
}

TEST(MimeSave, HtmlBodyIsWrittenQuotedPrintable) {
  TmsMessage msg;
  msg.SetContentType("text/html");
  msg.CharSet = csISO2022jp;
  msg.Body = {"<p>a=b</p>"};
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(Strings(lines.end() - 4, lines.end()),
            (Strings{"Content-Type: text/html; charset=\"iso-8859-1\"", "Content-Transfer-Encoding: quoted-printable",
                     "", "<p>a=3Db</p>"}));
  EXPECT_EQ(msg.Body, Strings{"<p>a=3Db</p>"});
}

TEST(MimeSave, SingleAttachmentLayouts) {
  TmsMessage msg;
  msg.Attachments.Add(Attachment("dir/pic.gif", "image/gif", tkBase64, "GIF89a"));
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(Strings(lines.end() - 5, lines.end()),
            (Strings{"Content-Type: image/gif; name=\"pic.gif\"", "Content-Transfer-Encoding: Base64",
                     "Content-Disposition: attachment; filename=\"pic.gif\"", "", "R0lGODlh"}));

  TmsMessage html;
  html.Attachments.Add(Attachment("_htmbody.htm", "text/html", tkQuotedPrintable, "<b>bold</b>"));
  const Strings htmlLines = SavedLines(html);
  EXPECT_EQ(Strings(htmlLines.end() - 4, htmlLines.end()),
            (Strings{"Content-Type: text/html", "Content-Transfer-Encoding: Quoted-Printable", "", "<b>bold</b>"}));

  TmsMessage edifact;
  edifact.Attachments.Add(Attachment("_EDIFACT", "application/x", tkBase64, "UNA:+.?"));
  const Strings ediLines = SavedLines(edifact);
  EXPECT_EQ(
      Strings(ediLines.end() - 4, ediLines.end()),
      (Strings{"Content-Type: application/edifact", "Content-Transfer-Encoding: Quoted-Printable", "", "UNA:+.?"}));
  EXPECT_EQ(edifact.Attachments[0].TransferKind, tkQuotedPrintable);

  TmsMessage named;
  named.LoadFromString("MIME-Version: 1.0\r\nContent-Type: text/html; name=\"page.htm\"\r\n\r\n<p>page</p>\r\n");
  TmsMessage back;
  back.LoadFromString(named.SaveToString());
  ASSERT_EQ(back.Attachments.Count(), 1u);
  EXPECT_EQ(back.Attachments[0].Data, "<p>page</p>\r\n");
}

TEST(MimeSave, UuencodedLayout) {
  TmsMessage msg;
  msg.Encoding = meUU;
  msg.Body = {"see file"};
  msg.Attachments.Add(Attachment("/x/hello.txt", "text/plain", tkBase64, "hello"));
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(lines, (Strings{"From:      <>", "", "see file", "", "begin 600 hello.txt", "%:&5L;&\\`", "`", "end"}));
  TmsMessage back;
  back.LoadFromString(msg.SaveToString());
  EXPECT_EQ(back.Encoding, meUU);
  ASSERT_EQ(back.Attachments.Count(), 1u);
  EXPECT_EQ(back.Attachments[0].Data, "hello");
  EXPECT_EQ(back.Attachments[0].FileName(), "hello.txt");
}

TEST(MimeSave, JapaneseNamesAndSubjectsBecomeEncodedWords) {
  TmsMessage msg;
  msg.CharSet = csISO2022jp;
  msg.Sender = TmsMailAddress("j@x.jp", "\x1b$B%F\x1b(B");
  msg.SetSubject("\x1b$B%F%9%H\x1b(B");
  msg.Body = {"x"};
  const Strings lines = SavedLines(msg);
  EXPECT_EQ(lines[0], "From:     =?ISO-2022-JP?B?GyRCJUYbKEI=?= <j@x.jp>");
  EXPECT_EQ(lines[1], "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=");
  TmsMessage back;
  back.LoadFromString(msg.SaveToString());
  EXPECT_EQ(back.Subject(), "\x1b$B%F%9%H\x1b(B");
  EXPECT_EQ(back.Sender.Address(), "j@x.jp");
}

TEST(MimeSave, BoundariesAreEightDigitsZeroToEight) {
  TmsMessage msg;
  for (int i = 0; i < 200; ++i) {
    const std::string b = msg.NewBoundary();
    ASSERT_EQ(b.size(), 8u);
    EXPECT_EQ(b.find_first_not_of("012345678"), std::string::npos) << b;
  }
}

TEST(MimeSave, StreamFromPositionZeroAndFile) {
  TmsMessage msg;
  msg.Body = {"x"};
  std::ostringstream stream;
  stream << "garbage that is longer than nothing";
  msg.SaveToStream(stream);
  EXPECT_EQ(stream.str().substr(0, 6), "From: ");

  test::TTempDir dir;
  TmsMessage other;
  other.Body = {"to file"};
  other.SaveToFile((dir / "m.eml").string());
  TmsMessage back;
  back.LoadFromFile((dir / "m.eml").string());
  EXPECT_EQ(back.Body, Strings{"to file"});
}

}  // namespace
}  // namespace mailmoat
