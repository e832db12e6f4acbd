#include "mail/MessageErrors.h"
#include "mail/MimeParser.h"
#include "mail/TmsMessage.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <istream>
#include <streambuf>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

// Hands out its text a few bytes at a time, as a slow socket or file would.
class TTrickleBuffer : public std::streambuf {
public:
  TTrickleBuffer(std::string text, std::size_t piece) : Text(std::move(text)), Piece(piece) {}

protected:
  int_type underflow() override {
    if (Pos >= Text.size()) return traits_type::eof();
    const std::size_t n = std::min(Piece, Text.size() - Pos);
    setg(Text.data() + Pos, Text.data() + Pos, Text.data() + Pos + n);
    Pos += n;
    return traits_type::to_int_type(*gptr());
  }

private:
  std::string Text;
  std::size_t Piece;
  std::size_t Pos = 0;
};

void Load(TmsMessage& msg, const std::string& raw) {
  msg.LoadFromString(raw);
}

std::string Crlf(const Strings& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

const std::string kAlternativeInMixed = Crlf({
    "From: Shop <news@shop.example>",
    "To: me@home.example",
    "Subject: Offer",
    "MIME-Version: 1.0",
    "Content-Type: multipart/mixed; boundary=\"outer\"",
    "",
    "preamble",
    "--outer",
    "Content-Type: multipart/alternative; boundary=\"inner\"",
    "",
    "--inner",
    "Content-Type: text/plain; charset=us-ascii",
    "",
    "Plain text",
    "--inner",
    "Content-Type: text/html",
    "",
    "<p>HTML</p>",
    "--inner--",
    "",
    "--outer",
    "Content-Type: application/pdf; name=\"offer.pdf\"",
    "Content-Transfer-Encoding: base64",
    "Content-Disposition: attachment; filename=\"offer.pdf\"",
    "",
    "JVBERi0xLjQK",
    "--outer--",
    "",
});

TEST(MimeParse, PlainMessageBodyAndTrailingDot) {
  TmsMessage msg;
  Load(msg, "From: a@x.org\r\nSubject: s\r\n\r\nline 1\r\n\r\nline 3\r\n.\r\n");
  EXPECT_EQ(msg.Body, (Strings{"line 1", "", "line 3"}));
  EXPECT_EQ(msg.Headers, (Strings{"From: a@x.org", "Subject: s"}));
  EXPECT_EQ(msg.ContentType(), "text/plain");
  EXPECT_TRUE(msg.Attachments.Empty());
}

TEST(MimeParse, EmptyAndHeaderOnlyMessages) {
  TmsMessage msg;
  Load(msg, "");
  EXPECT_TRUE(msg.Body.empty() && msg.Headers.empty() && msg.Attachments.Empty());
  Load(msg, "Subject: only");
  EXPECT_EQ(msg.Subject(), "only");
  EXPECT_TRUE(msg.Body.empty());
}

TEST(MimeParse, MissingBoundaryGivesTheErrorFallback) {
  const std::string raw = Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=nowhere", "", "text"});
  TmsMessage msg;
  Load(msg, raw);
  ASSERT_EQ(msg.Body.size(), 3u);
  EXPECT_EQ(msg.Body[0], "The following error has been occured while processing the message:");
  EXPECT_EQ(msg.Body[1], "Cannot find boundary");
  EXPECT_EQ(msg.Body[2], "The original message will be stored as an attachment");
  // The check run finds the error text early in the body text.
  EXPECT_EQ(msg.Body[0].size() + 2, 68u);
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "original.eml");
  EXPECT_EQ(msg.Attachments[0].ContentType(), "message/rfc822");
  EXPECT_EQ(msg.Attachments[0].TransferKind, tkSevenBit);
  EXPECT_EQ(msg.Attachments[0].Data, raw);
}

TEST(MimeParse, AlternativeGivesBodyAndAnAltAttachment) {
  TmsMessage msg;
  Load(msg,
       Crlf({"MIME-Version: 1.0", "Content-Type: multipart/alternative; boundary=b", "", "--b",
             "Content-Type: text/plain", "", "plain", "--b", "Content-Type: text/html", "", "<b>html</b>", "--b--"}));
  EXPECT_EQ(msg.Body, Strings{"plain"});
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "_alt.0");
  EXPECT_EQ(msg.Attachments[0].ContentType(), "text/html");
  EXPECT_EQ(msg.Attachments[0].Data, "<b>html</b>\r\n");
  EXPECT_EQ(msg.ContentType(), "multipart/alternative");
}

TEST(MimeParse, NestedAlternativeInsideMixedWithPdf) {
  TmsMessage msg;
  Load(msg, kAlternativeInMixed);
  EXPECT_EQ(msg.Body, Strings{"Plain text"});
  ASSERT_EQ(msg.Attachments.Count(), 2u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "_alt.0");
  EXPECT_EQ(msg.Attachments[0].ContentType(), "text/html");
  EXPECT_EQ(msg.Attachments[1].FileName(), "offer.pdf");
  EXPECT_EQ(msg.Attachments[1].Data, "%PDF-1.4\n");
  EXPECT_EQ(msg.ContentType(), "multipart/mixed");
}

TEST(MimeParse, SevenBitAttachmentLinesAreKeptWhole) {
  // A forwarded message with a long line: cutting it would change the message a user may
  // want to send on again.
  const std::string longLine = "Received: " + std::string(600, 'r');
  TmsMessage msg;
  Load(msg, Crlf({"From: a@b.example", "MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=\"b\"", "", "--b",
                  "Content-Type: text/plain", "", "see below", "--b", "Content-Type: message/rfc822; name=\"fwd.eml\"",
                  "", longLine, "", "body", "--b--", ""}));
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].Data, longLine + "\r\n\r\nbody\r\n");
}

TEST(MimeParse, NestedAlternativeWithoutOuterClosingBoundary) {
  std::string raw = kAlternativeInMixed.substr(0, kAlternativeInMixed.find("--inner--") + 11);
  TmsMessage msg;
  Load(msg, raw);
  ASSERT_EQ(msg.Body.size(), 4u);
  EXPECT_EQ(msg.Body[0], "Plain text");
  EXPECT_EQ(msg.Body[2], "Cannot find closing boundary");
  // What was parsed before the error stays ahead of the fallback.
  EXPECT_EQ(msg.Attachments.Count(), 2u);
}

TEST(MimeParse, Base64FirstPartBecomesAnAttachment) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b",
                  "Content-Type: image/gif", "Content-Transfer-Encoding: base64", "", "R0lGODlh", "--b--"}));
  EXPECT_TRUE(msg.Body.empty());
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "att.0");
  EXPECT_EQ(msg.Attachments[0].ContentType(), "image/gif");
  EXPECT_EQ(msg.Attachments[0].Data, "GIF89a");
  EXPECT_EQ(msg.Attachments[0].TransferKind, tkBase64);
}

TEST(MimeParse, AttachmentDispositionFirstAndNamesFromEitherHeader) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b",
                  "Content-Type: text/plain", "Content-Disposition: attachment; filename=\"notes.txt\"", "", "note",
                  "--b", "Content-Type: application/octet-stream; name=\"report.pdf\"",
                  "Content-Transfer-Encoding: quoted-printable", "", "a=3Db", "--b--"}));
  EXPECT_TRUE(msg.Body.empty());
  ASSERT_EQ(msg.Attachments.Count(), 2u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "notes.txt");
  EXPECT_EQ(msg.Attachments[0].ContentType(), "text/plain");
  EXPECT_EQ(msg.Attachments[0].TransferKind, tkSevenBit);
  EXPECT_EQ(msg.Attachments[0].Data, "note\r\n");
  EXPECT_EQ(msg.Attachments[1].FileName(), "report.pdf");
  EXPECT_EQ(msg.Attachments[1].ContentType(), "application/pdf");  // the name says more than octet-stream
  EXPECT_EQ(msg.Attachments[1].TransferKind, tkQuotedPrintable);
  EXPECT_EQ(msg.Attachments[1].Data, "a=b\r\n");
}

TEST(MimeParse, FirstPartClosingStoresItsType) {
  TmsMessage msg;
  Load(msg,
       Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: text/html",
             "Content-Transfer-Encoding: quoted-printable", "", "<p>caf=E9</p>", "--b--", "epilogue"}));
  EXPECT_EQ(msg.Body, Strings{"<p>caf\xE9</p>"});
  EXPECT_EQ(msg.CharSet, csISO8859);
  EXPECT_EQ(msg.ContentType(), "text/html");
}

TEST(MimeParse, UnclosedMixedEndsAtTheEndOfText) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b", "", "text", "--b",
                  "Content-Type: text/plain; name=a.txt", "", "attached"}));
  EXPECT_EQ(msg.Body, Strings{"text"});
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].Data, "attached\r\n");
}

TEST(MimeParse, FirstPartWithoutAnyFollowingBoundaryFails) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b", "", "text"}));
  EXPECT_EQ(msg.Body, (Strings{"text", "The following error has been occured while processing the message:",
                               "Cannot find boundary", "The original message will be stored as an attachment"}));
}

TEST(MimeParse, SingleTextCodecsAndCharsets) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: text/plain; charset=\"ISO-2022-JP\"",
                  "Content-Transfer-Encoding: base64", "", "GyRCJUYlOSVIGyhC", "SGk="}));
  EXPECT_EQ(msg.CharSet, csISO2022jp);
  EXPECT_EQ(msg.Body, Strings{"\x1b$B%F%9%H\x1b(BHi"});

  TmsMessage qp;
  Load(qp, Crlf({"MIME-Version: 1.0", "Content-Type: text/plain; charset=iso-2022-jp",
                 "X-MIME-Autoconverted: from 8bit to quoted-printable", "", "a=", "b=E9", "."}));
  EXPECT_EQ(qp.CharSet, csISO8859);
  EXPECT_EQ(qp.Body, Strings{"ab\xE9"});

  TmsMessage html;
  Load(html, Crlf({"Mime-Version: 1.0", "Content-Type: TEXT/HTML", "", "<html>"}));
  EXPECT_EQ(html.ContentType(), "text/html");
  EXPECT_EQ(html.Body, Strings{"<html>"});
}

TEST(MimeParse, CodecErrorsInTheBodyReachTheCaller) {
  TmsMessage msg;
  try {
    Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: text/plain", "Content-Transfer-Encoding: base64", "",
                    "SGVsbG8=", "not base64!"}));
    ADD_FAILURE();
  } catch (const EMimeCodecError& error) {
    EXPECT_STREQ(error.what(), "Invalid Character");
  }
  TmsMessage qp;
  Strings lines{"MIME-Version: 1.0", "Content-Transfer-Encoding: quoted-printable", ""};
  for (int i = 0; i < 300; ++i) lines.push_back(std::string(100, 'q') + "=");
  EXPECT_THROW(Load(qp, Crlf(lines)), EMimeCodecError);
  EXPECT_EQ(qp.Body.size(), 300u);
}

TEST(MimeParse, BrokenAttachmentBecomesTheFallback) {
  TmsMessage msg;
  Load(msg,
       Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b", "", "text", "--b",
             "Content-Type: image/png; name=x.png", "Content-Transfer-Encoding: base64", "", "iVBO*w0K", "--b--"}));
  EXPECT_EQ(msg.Body.at(2), "Error decoding the attachment");
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "original.eml");
}

TEST(MimeParse, SingleAttachmentMessages) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: application/zip", "Content-Transfer-Encoding: base64",
                  "Content-Disposition: attachment; filename=\"pack.zip\"", "", "UEsDBA==", ".", "UEsDBA=="}));
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "pack.zip");
  EXPECT_EQ(msg.Attachments[0].ContentType(), "application/zip");
  EXPECT_EQ(msg.Attachments[0].Data, "PK\x03\x04");
  EXPECT_TRUE(msg.Body.empty());
  EXPECT_EQ(msg.ContentType(), "application/zip");

  TmsMessage named;
  Load(named, Crlf({"MIME-Version: 1.0", "Content-Type: text/plain; name=\"readme.pdf\"", "", "read me"}));
  ASSERT_EQ(named.Attachments.Count(), 1u);
  EXPECT_EQ(named.Attachments[0].Data, "read me\r\n");
  EXPECT_EQ(named.Attachments[0].TransferKind, tkSevenBit);
  EXPECT_EQ(named.Attachments[0].ContentType(), "text/plain");  // a whole-message attachment keeps its type

  TmsMessage ccMail;
  Load(ccMail, Crlf({"MIME-Version: 1.0", "Content-Type: text/plain; name=\"cc:Mail\"", "", "text"}));
  EXPECT_EQ(ccMail.Body, Strings{"text"});
}

TEST(MimeParse, UuencodedFilesInPlainAndMimeText) {
  const Strings body{"See the file:", "begin 644 hello.txt", "%:&5L;&\\`", "`", "end", "trailer"};
  Strings plain{"From: a@x.org", ""};
  plain.insert(plain.end(), body.begin(), body.end());
  TmsMessage msg;
  Load(msg, Crlf(plain));
  EXPECT_EQ(msg.Encoding, meUU);
  EXPECT_EQ(msg.Body, Strings{"See the file:"});
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].FileName(), "hello.txt");
  EXPECT_EQ(msg.Attachments[0].Data, "hello");
  EXPECT_EQ(msg.ContentType(), "");

  Strings mime{"From: a@x.org", "MIME-Version: 1.0", "Content-Type: text/plain", ""};
  mime.insert(mime.end(), body.begin(), body.end());
  TmsMessage again;
  Load(again, Crlf(mime));
  EXPECT_EQ(again.Body, Strings{"See the file:"});
  EXPECT_EQ(again.Attachments.Count(), 1u);
  EXPECT_EQ(again.Sender.Address(), "a@x.org");
  EXPECT_EQ(again.Recipients.Count(), 0u);

  TmsMessage twoFiles;
  Load(twoFiles, Crlf({"", "begin 600 \"quoted name.bin\" x", "!80``", "END", "gap", "begin 600 ", "!8@``"}));
  ASSERT_EQ(twoFiles.Attachments.Count(), 2u);
  EXPECT_EQ(twoFiles.Attachments[0].FileName(), "quoted name.bin");
  EXPECT_EQ(twoFiles.Attachments[0].Data, "a");
  EXPECT_EQ(twoFiles.Attachments[1].FileName(), "att.1");
  EXPECT_EQ(twoFiles.Attachments[1].Data, "b");
}

TEST(MimeParse, MailsystemContentTypeIsIgnored) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "X-Mailer: V Mailsystem R #0001", "Content-Type: multipart/mixed; boundary=q",
                  "", "just text"}));
  EXPECT_EQ(msg.Body, Strings{"just text"});
  EXPECT_EQ(msg.Headers.size(), 3u);
}

TEST(MimeParseRobustness, AllLineBreaksGiveTheSameMessage) {
  TmsMessage crlf;
  Load(crlf, kAlternativeInMixed);
  for (const char* brk : {"\n", "\r"}) {
    std::string raw = kAlternativeInMixed;
    for (std::size_t at = raw.find("\r\n"); at != std::string::npos; at = raw.find("\r\n", at)) raw.replace(at, 2, brk);
    TmsMessage msg;
    Load(msg, raw);
    EXPECT_EQ(msg.Body, crlf.Body);
    ASSERT_EQ(msg.Attachments.Count(), crlf.Attachments.Count());
    for (std::size_t i = 0; i < msg.Attachments.Count(); ++i) {
      EXPECT_EQ(msg.Attachments[i].Data, crlf.Attachments[i].Data);
    }
  }
}

TEST(MimeParseRobustness, StreamInSmallPiecesEqualsWhole) {
  TmsMessage whole;
  Load(whole, kAlternativeInMixed);
  for (std::size_t piece : {1, 3, 64}) {
    TTrickleBuffer buffer(kAlternativeInMixed, piece);
    std::istream stream(&buffer);
    TmsMessage msg;
    msg.LoadFromStream(stream);
    EXPECT_EQ(msg.Body, whole.Body);
    EXPECT_EQ(msg.Headers, whole.Headers);
    ASSERT_EQ(msg.Attachments.Count(), 2u);
    EXPECT_EQ(msg.Attachments[1].Data, whole.Attachments[1].Data);
  }
}

TEST(MimeParseRobustness, NulBareCrAnd8BitBytesPassThrough) {
  const std::string body("a\0b\xff\xe9 c", 7);
  TmsMessage msg;
  Load(msg, "Subject: \xe9t\xe9\r\n\r\n" + body + "\rsecond\r\n");
  EXPECT_EQ(msg.Subject(), "\xe9t\xe9");
  EXPECT_EQ(msg.Body, (Strings{body, "second"}));
}

TEST(MimeParseRobustness, VeryLongLinesAreKept) {
  const std::string longLine(40000, 'L');
  TmsMessage msg;
  Load(msg, "Subject: s\r\n\r\n" + longLine + "\r\nafter\r\n");
  EXPECT_EQ(msg.Body, (Strings{longLine, "after"}));
}

TEST(MimeParseRobustness, BoundaryThatPrefixesAnotherStillParses) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=ab", "", "--ab", "", "text", "--ab",
                  "Content-Type: multipart/mixed; boundary=abc", "", "--abc", "inner", "--abc--", "--ab--"}));
  EXPECT_EQ(msg.Body, Strings{"text"});
  // Each inner delimiter begins with the outer one and so ends a part.
  ASSERT_EQ(msg.Attachments.Count(), 3u);
  EXPECT_EQ(msg.Attachments[0].ContentType(), "multipart/mixed");
  EXPECT_EQ(msg.Attachments[2].Data, "");
}

TEST(MimeParseRobustness, RepeatedBoundariesGiveEmptyParts) {
  TmsMessage msg;
  Load(msg, Crlf({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b", "", "t", "--b", "--b",
                  "--b", "--b--"}));
  EXPECT_EQ(msg.Body, Strings{"t"});
  EXPECT_EQ(msg.Attachments.Count(), 3u);
}

TEST(MimeParseRobustness, HundredNestedMultipartsStayText) {
  Strings lines{"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=\"b0\"", ""};
  for (int i = 0; i < 100; ++i) {
    lines.push_back("--b" + std::to_string(i));
    lines.push_back("Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i + 1) + "\"");
    lines.push_back("");
  }
  lines.push_back("--b100");
  lines.push_back("");
  lines.push_back("deep text");
  for (int i = 100; i >= 0; --i) lines.push_back("--b" + std::to_string(i) + "--");
  TmsMessage msg;
  Load(msg, Crlf(lines));
  // Only one nested alternative level is parsed; deeper structure is kept as text.
  EXPECT_NE(std::find(msg.Body.begin(), msg.Body.end(), "deep text"), msg.Body.end());
  EXPECT_EQ(msg.Body.back(), "--b1--");
}

TEST(MimeParseRobustness, TenThousandPartsAndTheRestUndecoded) {
  std::string raw = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nbody\r\n";
  const int parts = static_cast<int>(TMimeParser::kMaxParts) + 5;
  for (int i = 0; i < parts; ++i) raw += "--b\r\nContent-Type: text/plain\r\n\r\npart " + std::to_string(i) + "\r\n";
  raw += "--b--\r\n";
  TmsMessage msg;
  Load(msg, raw);
  ASSERT_EQ(msg.Attachments.Count(), TMimeParser::kMaxParts + 1);
  EXPECT_EQ(msg.Attachments[9999].Data, "part 9999\r\n");
  const std::string& rest = msg.Attachments[TMimeParser::kMaxParts].Data;
  EXPECT_EQ(rest.substr(0, 38), "Content-Type: text/plain\r\n\r\npart 10000");
  EXPECT_NE(rest.find("part 10004\r\n--b--\r\n"), std::string::npos);
}

TEST(MimeParseRobustness, HundredThousandRecipients) {
  std::string raw = "From: a@x.org\r\n";
  for (int i = 0; i < 100000; ++i) raw += "To: user" + std::to_string(i) + "@x.org\r\n";
  raw += "Subject: many\r\n\r\nbody\r\n";
  TmsMessage msg;
  Load(msg, raw);
  ASSERT_EQ(msg.Recipients.Count(), 100000u);
  EXPECT_EQ(msg.Recipients[99999].Address(), "user99999@x.org");
  EXPECT_EQ(msg.Subject(), "many");
}

TEST(MimeParseRobustness, TwentyMegabyteAttachment) {
  std::string data(20 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 131) >> 3);
  TmsMessage source;
  source.Body = {"see attachment"};
  TmsAttItem item;
  item.SetFileName("big.bin");
  item.Data = data;
  source.Attachments.Add(item);
  const std::string raw = source.SaveToString();
  TmsMessage msg;
  Load(msg, raw);
  EXPECT_EQ(msg.Body, (Strings{"see attachment", ""}));
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].Data.size(), data.size());
  EXPECT_TRUE(msg.Attachments[0].Data == data);
}

TEST(MimeParseRobustness, ProcessMessagesIsCalledDuringLongParses) {
  int calls = 0;
  TmsMessage msg;
  msg.OnProcessMessages = [&] { ++calls; };
  Load(msg, kAlternativeInMixed);
  EXPECT_GE(calls, 2);
}

TEST(MimeLoad, FromFileClearsFirstAndReportsMissingFiles) {
  TmsMessage msg;
  msg.Body = {"stale"};
  EXPECT_THROW(msg.LoadFromFile("/nonexistent/dir/x.eml"), EInOutError);
}

}  // namespace
}  // namespace mailmoat
