// Realistic messages under tests/data/mail: each is parsed, checked, saved, parsed again and
// checked again. Saving adds an empty line before each boundary, so bodies and 7-bit or
// quoted-printable data are compared without their trailing empty lines.
#include "platform/AsciiText.h"
#include "mail/TmsMessage.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <cctype>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

struct CorpusCase {
  std::string File;
  std::string Subject;
  std::string Sender;
  Strings Body;  // without trailing empty lines
  Strings Attachments;
  std::string ContentType;
  TmsCharSet CharSet = csUSASCII;
  TmsMsgEncoding Encoding = meMIME;
  std::size_t Recipients = 1;
  std::string FirstData = {};  // first attachment's data without trailing CR LFs, when given
};

std::ostream& operator<<(std::ostream& out, const CorpusCase& c) {
  return out << c.File;
}

Strings WithoutTrailingEmpty(Strings lines) {
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string WithoutTrailingBreaks(std::string data) {
  while (!data.empty() && (data.back() == '\r' || data.back() == '\n')) data.pop_back();
  return data;
}

void ExpectMessage(TmsMessage& msg, const CorpusCase& c, const char* stage) {
  SCOPED_TRACE(stage);
  EXPECT_EQ(msg.Subject(), c.Subject);
  EXPECT_EQ(msg.Sender.Address(), c.Sender);
  EXPECT_EQ(WithoutTrailingEmpty(msg.Body), c.Body);
  Strings names;
  for (const TmsAttItem& item : msg.Attachments) names.emplace_back(FileNamePart(item.FileName()));
  EXPECT_EQ(names, c.Attachments);
  EXPECT_EQ(msg.Encoding, c.Encoding);
  EXPECT_EQ(msg.Recipients.Count(), c.Recipients);
  EXPECT_EQ(msg.ContentType(), c.ContentType);
  if (!c.FirstData.empty() && !msg.Attachments.Empty()) {
    EXPECT_EQ(WithoutTrailingBreaks(msg.Attachments[0].Data), c.FirstData);
  }
}

class MimeCorpus : public testing::TestWithParam<CorpusCase> {};

TEST_P(MimeCorpus, ParseSaveParse) {
  const CorpusCase& c = GetParam();
  TmsMessage msg;
  msg.LoadFromFile(std::string(MAILMOAT_TEST_DATA_DIR) + "/mail/" + c.File);
  ExpectMessage(msg, c, "first parse");
  EXPECT_EQ(msg.CharSet, c.CharSet);

  const std::string saved = msg.SaveToString();
  TmsMessage again;
  again.LoadFromString(saved);
  ExpectMessage(again, c, "after save");
}

const std::string kPdf = [] {
  std::string one = "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer\n%%EOF";
  return one + "\n" + one + "\n" + one;
}();
const std::string kJis = "\x1b$B$3$s$K$A$O\x1b(B";
const std::string kAlice = "alice@example.org";

INSTANTIATE_TEST_SUITE_P(
    Messages, MimeCorpus,
    testing::Values(
        CorpusCase{"01_plain.eml",
                   "Lunch on Friday?",
                   kAlice,
                   {"Hi Bob,", "", "are we still on for lunch?", "", "Alice"},
                   {},
                   "text/plain"},
        CorpusCase{"02_plain_dot.eml", "Dots", kAlice, {"before", "..", "after"}, {}, "text/plain"},
        CorpusCase{"03_mixed_text_pdf.eml",
                   "Invoice 4711",
                   kAlice,
                   {"Please find the invoice attached."},
                   {"invoice.pdf"},
                   "multipart/mixed",
                   csUSASCII,
                   meMIME,
                   1,
                   kPdf},
        CorpusCase{"04_alternative.eml",
                   "Newsletter June",
                   kAlice,
                   {"Gr\xFC\xDF"
                    "e aus M\xFCnchen"},
                   {"_alt.0"},
                   "multipart/alternative",
                   csISO8859,
                   meMIME,
                   1,
                   "<html><body>Gr\xFC\xDF"
                   "e</body></html>"},
        CorpusCase{"05_nested_alt_pdf.eml",
                   "Brochure",
                   kAlice,
                   {"Our brochure is attached."},
                   {"_alt.0", "brochure.pdf"},
                   "multipart/mixed",
                   csUSASCII,
                   meMIME,
                   1,
                   "<p>Our brochure is attached.</p>"},
        CorpusCase{"06_html_only.eml",
                   "You have won!!!",
                   "winner@lottery.example",
                   {"<html><body><h1>Congratulations</h1></body></html>"},
                   {},
                   "text/html"},
        CorpusCase{"07_base64_body.eml", "Base64 text", kAlice, {"First line", "Second line"}, {}, "text/plain"},
        CorpusCase{"08_qp_body.eml",
                   "R\xE9sum\xE9",
                   kAlice,
                   {"Voil\xE0 mon r\xE9sum\xE9, tr\xE8s long et continu\xE9.", "Fin"},
                   {},
                   "text/plain",
                   csISO8859},
        CorpusCase{"09_iso2022jp.eml", kJis, kAlice, {kJis, "ok"}, {}, "text/plain", csISO2022jp},
        CorpusCase{"10_iso2022jp_multipart_b64.eml",
                   "Japanese multipart",
                   kAlice,
                   {kJis, "line2"},
                   {"data.bin"},
                   "multipart/mixed",
                   csISO2022jp,
                   meMIME,
                   1,
                   std::string("\0\1\2\3", 4)},
        CorpusCase{"11_uuencoded.eml",
                   "Files for you",
                   kAlice,
                   {"Here are the files."},
                   {"notes.txt"},
                   "",
                   csUSASCII,
                   meUU,
                   1,
                   "Meeting notes\r\nline two"},
        CorpusCase{"12_uuencoded_two.eml",
                   "Two files",
                   kAlice,
                   {"Two files follow."},
                   {"a.bin", "b.bin"},
                   "",
                   csUSASCII,
                   meUU},
        CorpusCase{"13_encoded_subject_b.eml", "HelloWorld", kAlice, {"body"}, {}, "text/plain"},
        CorpusCase{"14_encoded_subject_q_multi.eml", "Caf\xE9 au lait", kAlice, {"body"}, {}, "text/plain"},
        CorpusCase{"15_broken_boundary.eml",
                   "Broken",
                   kAlice,
                   {"The following error has been occured while processing the message:", "Cannot find boundary",
                    "The original message will be stored as an attachment"},
                   {"original.eml"},
                   "multipart/mixed"},
        CorpusCase{"16_bare_lf.eml",
                   "Unix line ends",
                   kAlice,
                   {"LF text"},
                   {"lf.txt"},
                   "multipart/mixed",
                   csUSASCII,
                   meMIME,
                   1,
                   "attached"},
        CorpusCase{"17_cr_only.eml", "Old Mac line ends", kAlice, {"first", "second"}, {}, "text/plain"},
        CorpusCase{"18_no_closing_boundary.eml", "No closing", kAlice, {"text part"}, {"dot.gif"}, "multipart/mixed"},
        CorpusCase{"19_first_part_attachment.eml",
                   "Only a file",
                   kAlice,
                   {},
                   {"archive.zip"},
                   "application/zip",
                   csUSASCII,
                   meMIME,
                   1,
                   std::string("PK\x03\x04\x0a\0\0\0\0\0", 10)},
        CorpusCase{"20_single_attachment.eml", "Scan", kAlice, {}, {"scan.jpg"}, "image/jpeg"},
        CorpusCase{"21_to_cc_lists.eml", "Lists", "john@example.com", {"hi"}, {}, "text/plain", csUSASCII, meMIME, 3},
        CorpusCase{"22_priority_low.eml", "Low", kAlice, {"low"}, {}, "text/plain"},
        CorpusCase{"23_qp_attachment.eml",
                   "QP attachment",
                   kAlice,
                   {"see attached"},
                   {"note.txt"},
                   "multipart/mixed",
                   csUSASCII,
                   meMIME,
                   1,
                   "caf\xE9 = ok"},
        CorpusCase{"24_uue_mime_part.eml",
                   "x-uue part",
                   kAlice,
                   {"uue below"},
                   {"u.bin"},
                   "multipart/mixed",
                   csUSASCII,
                   meMIME,
                   1,
                   "uudata"},
        CorpusCase{"25_html_qp_single.eml",
                   "HTML QP",
                   kAlice,
                   {"<p>Sch\xF6ne Gr\xFC\xDF"
                    "e</p>"},
                   {},
                   "text/html",
                   csISO8859},
        CorpusCase{"26_mime_uuencode_text.eml",
                   "MIME text with uuencode",
                   kAlice,
                   {"attached:"},
                   {"m.txt"},
                   "",
                   csUSASCII,
                   meUU,
                   1,
                   "mime-uu"},
        CorpusCase{"27_empty_body.eml", "Empty", kAlice, {}, {}, "text/plain"},
        CorpusCase{
            "28_8bit_nul.eml", "Bytes", kAlice, {std::string("caf\xE9 \0nul\1ctl", 13), "\xFF\xFE"}, {}, "text/plain"},
        CorpusCase{"29_long_line.eml", "Long line", kAlice, {std::string(20000, 'x'), "after"}, {}, "text/plain"},
        CorpusCase{"30_mime_no_content_type.eml", "Mime only", kAlice, {"plain mime"}, {}, "text/plain"},
        CorpusCase{"31_from_comment.eml", "Offer", "spam@bad.example", {"buy"}, {}, "text/plain"},
        CorpusCase{"32_attachment_filename_path.eml",
                   "Path in name",
                   kAlice,
                   {"x"},
                   {"evil.exe"},
                   "multipart/mixed",
                   csUSASCII,
                   meMIME,
                   1,
                   "MZ"}),
    [](const testing::TestParamInfo<CorpusCase>& param) {
      std::string name = param.param.File.substr(0, param.param.File.find('.'));
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(MimeCorpusDetails, ListsPriorityAndReceipt) {
  TmsMessage msg;
  msg.LoadFromFile(std::string(MAILMOAT_TEST_DATA_DIR) + "/mail/21_to_cc_lists.eml");
  EXPECT_EQ(msg.Sender.Name(), "Smith, John");
  ASSERT_EQ(msg.Recipients.Count(), 3u);
  EXPECT_EQ(msg.Recipients[1], TmsMailAddress("jane@example.net", "Doe, Jane"));
  EXPECT_EQ(msg.Recipients[2].Address(), "c@example.net");
  ASSERT_EQ(msg.CC.Count(), 1u);
  EXPECT_EQ(msg.CC[0], TmsMailAddress("d@example.net", "Dee"));
  EXPECT_EQ(msg.BCC.Count(), 1u);
  EXPECT_EQ(msg.Priority, ptHigh);
  EXPECT_TRUE(msg.ReturnReceipt);

  TmsMessage again;
  again.LoadFromString(msg.SaveToString());
  EXPECT_EQ(again.Recipients[1], msg.Recipients[1]);
  EXPECT_EQ(again.CC[0], msg.CC[0]);
  EXPECT_EQ(again.BCC.Count(), 0u);
  EXPECT_EQ(again.Priority, ptHigh);
  EXPECT_TRUE(again.ReturnReceipt);

  TmsMessage low;
  low.LoadFromFile(std::string(MAILMOAT_TEST_DATA_DIR) + "/mail/22_priority_low.eml");
  EXPECT_EQ(low.Priority, ptNormal);
}

TEST(MimeCorpusDetails, BrokenBoundaryKeepsTheRawText) {
  const std::string path = std::string(MAILMOAT_TEST_DATA_DIR) + "/mail/15_broken_boundary.eml";
  TmsMessage msg;
  msg.LoadFromFile(path);
  ASSERT_EQ(msg.Attachments.Count(), 1u);
  EXPECT_EQ(msg.Attachments[0].Data, ReadWholeFile(path));
}

}  // namespace
}  // namespace mailmoat
