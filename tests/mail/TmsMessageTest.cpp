#include "mail/MessageErrors.h"
#include "mail/TmsMessage.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

TmsAttItem Item(const std::string& name, const std::string& type = "application/octet-stream") {
  TmsAttItem item;
  item.SetFileName(name, TMimeTypeTable::BuiltIn());
  item.SetContentType(type);
  return item;
}

TEST(TmsMessageModel, DefaultsAndClear) {
  TmsMessage msg;
  EXPECT_EQ(msg.Encoding, meMIME);
  EXPECT_EQ(msg.CharSet, csUSASCII);
  EXPECT_EQ(msg.Priority, ptNormal);
  EXPECT_FALSE(msg.ReturnReceipt);
  EXPECT_EQ(msg.ContentType(), "text/plain");
  EXPECT_EQ(msg.Version(), "2.1");
  msg.SetVersion("9");
  EXPECT_EQ(msg.Version(), "2.1");

  msg.Sender = TmsMailAddress("a@x.org", "A");
  msg.SetSubject(std::string(300, 's'));
  EXPECT_EQ(msg.Subject().size(), 255u);
  msg.Body = {"x"};
  msg.Headers = {"X: 1"};
  msg.Recipients.AddAddress("r@x.org", "");
  msg.CC.AddAddress("c@x.org", "");
  msg.BCC.AddAddress("b@x.org", "");
  msg.Attachments.Add(Item("a.pdf"));
  msg.Encoding = meUU;
  msg.CharSet = csISO8859;
  msg.Priority = ptHigh;
  msg.ReturnReceipt = true;
  msg.SetContentType("Text/HTML");
  EXPECT_EQ(msg.StoredContentType(), "text/html");
  msg.Clear();
  EXPECT_TRUE(msg.Sender.Empty());
  EXPECT_EQ(msg.Subject(), "");
  EXPECT_TRUE(msg.Body.empty() && msg.Headers.empty() && msg.Attachments.Empty());
  EXPECT_TRUE(msg.Recipients.Empty() && msg.CC.Empty() && msg.BCC.Empty());
  EXPECT_EQ(msg.Encoding, meMIME);
  EXPECT_EQ(msg.CharSet, csUSASCII);
  EXPECT_EQ(msg.Priority, ptNormal);
  EXPECT_FALSE(msg.ReturnReceipt);
  EXPECT_EQ(msg.StoredContentType(), "");
  EXPECT_EQ(msg.ContentType(), "text/plain");
}

TEST(TmsMessageModel, AddressesAreCutTo255) {
  TmsAddressList list;
  list.AddAddress(std::string(300, 'a'), std::string(256, 'n'));
  list.Add(TmsMailAddress("x@y", "X"));
  list.Add(TmsMailAddress("x@y", "X"));
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0].Address().size(), 255u);
  EXPECT_EQ(list[0].Name().size(), 255u);
  EXPECT_EQ(list[1], list[2]);
}

TEST(TmsMessageContentType, ComputedFromBodyAndAttachments) {
  TmsMessage msg;
  msg.Encoding = meUU;
  msg.SetContentType("text/html");
  EXPECT_EQ(msg.ContentType(), "");
  EXPECT_EQ(msg.StoredContentType(), "");
  msg.Encoding = meMIME;

  msg.Attachments.Add(Item("_alt.0", "text/html"));
  msg.Attachments.Add(Item("dir/_ALT.1", "text/rtf"));
  EXPECT_EQ(msg.ContentType(), "multipart/alternative");
  msg.Attachments.Clear();

  msg.Attachments.Add(Item("_RtfBody.rtf", "x/y"));
  EXPECT_EQ(msg.ContentType(), "text/rtf");
  msg.Attachments.Clear();
  msg.Attachments.Add(Item("c:\\tmp\\_htmbody.htm", "x/y"));
  EXPECT_EQ(msg.ContentType(), "text/html");
  msg.Attachments.Clear();
  msg.Attachments.Add(Item("a.pdf", "Application/PDF"));
  EXPECT_EQ(msg.ContentType(), "Application/PDF");
  EXPECT_EQ(msg.StoredContentType(), "application/pdf");
  msg.Attachments.Add(Item("b.pdf"));
  EXPECT_EQ(msg.ContentType(), "multipart/mixed");
  msg.Body = {"text"};
  EXPECT_EQ(msg.ContentType(), "multipart/mixed");
  msg.Attachments.Clear();
  msg.SetContentType("TEXT/HTML");
  EXPECT_EQ(msg.ContentType(), "text/html");
  msg.SetContentType("");
  EXPECT_EQ(msg.ContentType(), "text/plain");
}

TEST(TmsMessageHeaders, ParseHeadersFillsTheFields) {
  TmsMessage msg;
  msg.Recipients.AddAddress("kept@x.org", "");
  msg.ParseHeaders({"From: \"Ann Other\" <ann@x.org>", "To: b@x.org, \"Doe, J\" <j@x.org>", "cc: c@x.org",
                    "BCC: d@x.org", "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=", "X-Priority: 1",
                    "Return-Receipt-To: ann@x.org"});
  EXPECT_EQ(msg.Sender, TmsMailAddress("ann@x.org", "Ann Other"));
  ASSERT_EQ(msg.Recipients.Count(), 3u);
  EXPECT_EQ(msg.Recipients[1].Address(), "b@x.org");
  EXPECT_EQ(msg.Recipients[2], TmsMailAddress("j@x.org", "Doe, J"));
  ASSERT_EQ(msg.CC.Count(), 1u);
  ASSERT_EQ(msg.BCC.Count(), 1u);
  EXPECT_EQ(msg.Subject(),
            "Gr\xFC\xDF"
            "e");
  EXPECT_EQ(msg.Priority, ptHigh);
  EXPECT_TRUE(msg.ReturnReceipt);
  EXPECT_EQ(msg.Headers.size(), 7u);

  msg.ParseHeaders({"X-Priority: 5"});
  EXPECT_EQ(msg.Priority, ptLow);
  EXPECT_EQ(msg.Subject(),
            "Gr\xFC\xDF"
            "e");
  EXPECT_TRUE(msg.ReturnReceipt);
  msg.ParseHeaders({"X-Priority: 1 (Highest)"});
  EXPECT_EQ(msg.Priority, ptNormal);
}

TEST(TmsMessageHeaders, HeaderSummaryKeepsTheBodyLineAndTheDot) {
  TmsMessage msg;
  msg.Body = {"old"};
  msg.LoadHeaderSummary({"From: a@x.org", "To: me@x.org", "Subject: hi", "", "Hello", "."});
  EXPECT_EQ(msg.Headers, (Strings{"From: a@x.org", "To: me@x.org", "Subject: hi", "", "Hello", "."}));
  EXPECT_TRUE(msg.Body.empty());
  ASSERT_EQ(msg.Recipients.Count(), 1u);
  EXPECT_EQ(msg.Subject(), "hi");
}

TEST(TmsMessageHeaders, LoadHeadersFromFileSeesOnly2048Bytes) {
  std::string text = "From: a@x.org\r\nSubject: first\r\n";
  while (text.size() < 1900) text += "X-Filler: " + std::string(50, 'f') + "\r\n";
  text += "X-Pad: " + std::string(2040 - text.size() - 9, 'p') + "\r\n";
  ASSERT_EQ(text.size(), 2040u);
  text += "To: late@x.org\r\n";  // begins before byte 2048 and is cut there
  while (text.size() < 3000) text += "X-More: " + std::string(50, 'm') + "\r\n";
  text += "Cc: beyond@x.org\r\n\r\nbody\r\n";
  std::istringstream file(text);
  file.seekg(100);
  TmsMessage msg;
  msg.LoadHeadersFromFile(file);
  EXPECT_EQ(msg.Sender.Address(), "a@x.org");
  EXPECT_EQ(msg.Subject(), "first");
  ASSERT_EQ(msg.Recipients.Count(), 1u);
  EXPECT_EQ(msg.Recipients[0].Address(), "late");
  EXPECT_TRUE(msg.CC.Empty());

  std::istringstream shortFile("Subject: s\n\nSubject: body\n");
  TmsMessage other;
  other.LoadHeadersFromFile(shortFile);
  EXPECT_EQ(other.Headers, Strings{"Subject: s"});
  std::istringstream empty("");
  other.LoadHeadersFromFile(empty);
  EXPECT_EQ(other.Headers, Strings{"Subject: s"});
}

TEST(TmsAttachments, SetFileNameLooksUpTheTypeAndTransferKind) {
  const TMimeTypeTable table = TMimeTypeTable::Parse("# c\ntext/plain txt\nmessage/rfc822 eml\ntext/html htm html\n");
  TmsAttItem item;
  item.SetFileName("/home/u/Notes.TXT", table);
  EXPECT_EQ(item.FileName(), "/home/u/Notes.TXT");
  EXPECT_EQ(item.ContentType(), "text/plain");
  EXPECT_EQ(item.TransferKind, tkQuotedPrintable);
  item.SetFileName("mail.eml", table);
  EXPECT_EQ(item.TransferKind, tkSevenBit);
  item.SetFileName("x.unknown", table);
  EXPECT_EQ(item.ContentType(), "application/octet-stream");
  EXPECT_EQ(item.TransferKind, tkBase64);
  item.SetFileName("", table);
  EXPECT_EQ(item.FileName(), "");
  EXPECT_EQ(item.ContentType(), "application/octet-stream");
  item.SetFileName(std::string(300, 'n'), table);
  EXPECT_EQ(item.FileName().size(), 255u);

  const TMimeTypeTable builtIn = TMimeTypeTable::BuiltIn();
  EXPECT_EQ(builtIn.TypeOfFile("a.PDF"), "application/pdf");
  EXPECT_EQ(builtIn.TypeOfFile("page.htm"), "text/html");
  EXPECT_EQ(builtIn.TypeOfFile("noext"), "application/octet-stream");
  EXPECT_EQ(TMimeTypeTable::System().TypeOfFile("a.txt"), "text/plain");
}

TEST(TmsAttachments, AddFileReadsTheContent) {
  test::TTempDir dir;
  test::WriteTextFile(dir / "report.pdf", std::string("%PDF\0x", 6));
  TmsAttList list;
  TmsAttItem& item = list.AddFile((dir / "report.pdf").string());
  EXPECT_EQ(item.Data, std::string("%PDF\0x", 6));
  EXPECT_EQ(item.ContentType(), "application/pdf");
  EXPECT_EQ(item.TransferKind, tkBase64);
  EXPECT_THROW(list.AddFile((dir / "missing").string()), EInOutError);
  EXPECT_EQ(list.Count(), 1u);
}

class TmsOpenAttachment : public testing::Test {
protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    OldTmp = old ? old : "";
    HadTmp = old != nullptr;
    setenv("TMPDIR", Dir.Path().c_str(), 1);
  }
  void TearDown() override {
    if (HadTmp) {
      setenv("TMPDIR", OldTmp.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  test::TTempDir Dir;
  std::string OldTmp;
  bool HadTmp = false;
};

TEST_F(TmsOpenAttachment, WritesTheBareNameAndOpensIt) {
  std::vector<std::string> opened;
  std::string path;
  {
    TmsMessage msg;
    msg.SetShellOpener([&](const std::string& p, std::string*) {
      opened.push_back(p);
      return true;
    });
    TmsAttItem item;
    item.SetFileName("C:\\Users\\x\\..\\report.pdf");
    item.Data = "content";
    msg.Attachments.Add(item);
    msg.OpenAttachment(0);
    path = (Dir.Path() / "report.pdf").string();
    EXPECT_EQ(opened, Strings{path});
    EXPECT_EQ(test::ReadTextFile(path), "content");
    msg.Attachments[0].Data = "again";
    msg.OpenAttachment(0);
    EXPECT_EQ(test::ReadTextFile(path), "again");
    EXPECT_EQ(msg.TempFiles().size(), 2u);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TmsOpenAttachment, HostileNamesStayInTheTemporaryFolder) {
  EXPECT_EQ(TmsMessage::SafeTempFileName("../../etc/passwd"), "passwd");
  EXPECT_EQ(TmsMessage::SafeTempFileName("/abs/path/x.exe"), "x.exe");
  EXPECT_EQ(TmsMessage::SafeTempFileName(".."), "attachment");
  EXPECT_EQ(TmsMessage::SafeTempFileName("a/.."), "attachment");
  EXPECT_EQ(TmsMessage::SafeTempFileName(std::string("a\0b\r\n\x1b.txt", 10)), "ab.txt");
  EXPECT_EQ(TmsMessage::SafeTempFileName("dir\\"), "attachment");

  // A link planted under the name is replaced, never followed.
  const auto target = Dir.Path() / "victim";
  test::WriteTextFile(target, "precious");
  std::filesystem::create_symlink(target, Dir.Path() / "evil.txt");
  TmsMessage msg;
  msg.SetShellOpener([](const std::string&, std::string*) { return true; });
  TmsAttItem item;
  item.SetFileName("evil.txt");
  item.Data = "payload";
  msg.Attachments.Add(item);
  msg.OpenAttachment(0);
  EXPECT_EQ(test::ReadTextFile(target), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(Dir.Path() / "evil.txt"));
}

TEST_F(TmsOpenAttachment, Failures) {
  TmsMessage msg;
  msg.SetShellOpener([](const std::string&, std::string* error) {
    *error = "xdg-open could not open it";
    return false;
  });
  msg.Attachments.Add(TmsAttItem());
  msg.Attachments.Add(Item("x.bin"));
  try {
    msg.OpenAttachment(0);
    ADD_FAILURE();
  } catch (const EAttachmentOpenError& error) {
    EXPECT_STREQ(error.what(), "Unable to execute attachment #0\nbecause file name is blank");
  }
  try {
    msg.OpenAttachment(1);
    ADD_FAILURE();
  } catch (const EAttachmentOpenError& error) {
    EXPECT_STREQ(error.what(), "Error executing ShellExec.  Error code 31");
  }
  EXPECT_THROW(msg.OpenAttachment(2), EAttachmentOpenError);
}

}  // namespace
}  // namespace mailmoat
