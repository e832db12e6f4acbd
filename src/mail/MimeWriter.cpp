#include "mail/MimeWriter.h"

#include "platform/AsciiText.h"
#include "mail/MimeCodecs.h"
#include "mail/TmsMessage.h"

namespace mailmoat {
namespace {

constexpr std::size_t kLongLine = 256;

// Header texts may hold line breaks decoded from encoded words ("=0D=0A"); written raw
// they would end the header block or forge header lines.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return line;
}

std::string BareName(const TmsAttItem& item) {
  return OneLine(FileNamePart(item.FileName()));
}
std::string LowerBareName(const TmsAttItem& item) {
  return LowerCaseAscii(FileNamePart(item.FileName()));
}

std::string KindName(std::uint8_t kind) {
  switch (kind) {
    case tkBase64: return "Base64";
    case tkQuotedPrintable: return "Quoted-Printable";
    default: return "7 bit";
  }
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace

TMimeWriter::TMimeWriter(TmsMessage& message, std::string& out) : Msg(message), Out(out) {
}

void TMimeWriter::Line(std::string_view line) {
  // A lone "." would end the message for POP3 and SMTP.
  if (line == ".") return;
  Out += line;
  Out += "\r\n";
}

void TMimeWriter::Lines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) Line(line);
}

void TMimeWriter::Write() {
  for (std::string& line : Msg.Body) {
    if (line.size() >= kLongLine) LongLines = true;
    if (line == ".") line = "..";
  }
  HeaderBlock();

  const std::string contentType = Msg.ContentType();
  const std::string type = LowerCaseAscii(contentType);
  if (Msg.Encoding == meUU) {
    UULayout();
  } else if (type == "multipart/mixed") {
    MultipartLayout(contentType, false);
  } else if (type == "text/plain") {
    if (Msg.Attachments.Empty()) {
      PlainLayout();
    } else {
      SingleAttachmentLayout();
    }
  } else if (type == "text/html" || type == "text/rtf") {
    // With no body the HTML or RTF text is the attachment; writing the empty body would
    // lose it.
    if (Msg.Body.empty() && !Msg.Attachments.Empty()) {
      SingleAttachmentLayout();
    } else {
      HtmlRtfLayout(type);
    }
  } else if (type == "multipart/alternative") {
    MultipartLayout(contentType, true);
  } else if (Msg.Attachments.Empty()) {
    PlainLayout();
  } else {
    SingleAttachmentLayout();
  }
}

std::string TMimeWriter::EncodedWord(std::string_view text) const {
  if (Msg.CharSet == csISO2022jp && Msg.Encoding == meMIME && !text.empty() && text.front() == '\x1b') {
    return "=?ISO-2022-JP?B?" + EncodeBase64Text(text) + "?=";
  }
  return OneLine(text);
}

void TMimeWriter::HeaderBlock() {
  std::string name = EncodedWord(Msg.Sender.Name());
  if (name.find('.') != std::string::npos && name.find('"') == std::string::npos) name = Quoted(name);
  Line("From:     " + name + " <" + OneLine(Msg.Sender.Address()) + ">");
  AddressLines("To", Msg.Recipients);
  AddressLines("CC", Msg.CC);
  if (Msg.ReturnReceipt) Line("Return-Receipt-To: <" + OneLine(Msg.Sender.Address()) + ">");
  if (Msg.Priority == ptLow) Line("X-Priority: 5");
  if (Msg.Priority == ptHigh) Line("X-Priority: 1");
  for (const char* rebuilt : {"From", "To", "CC", "BCC", "Return-Receipt-To", "X-Priority", "Subject", "Mime-Version",
                              "Content-Type", "X-Encoding", "Content-Transfer-Encoding"}) {
    RemoveHeader(Msg.Headers, rebuilt);
  }
  for (const std::string& line : Msg.Headers) {
    // Headers of a header-only retrieval go on past the empty line into the body; those
    // lines are not headers, and an empty line here would end the block too early.
    if (line.empty()) break;
    Line(OneLine(line));
  }
  if (!Msg.Subject().empty()) Line("Subject: " + EncodedWord(Msg.Subject()));
  if (Msg.Encoding == meMIME) Line("Mime-Version: 1.0");
}

void TMimeWriter::AddressLines(std::string_view label, const TmsAddressList& list) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    std::string line;
    if (i == 0) {
      line = std::string(label) + ":";
      line.resize(std::max<std::size_t>(line.size(), 10), ' ');
    } else {
      line.assign(10, ' ');
    }
    std::string name = EncodedWord(list[i].Name());
    if (name.find('"') == std::string::npos && name.find_first_of(".,") != std::string::npos) name = Quoted(name);
    line += name + " <" + OneLine(list[i].Address()) + ">";
    if (i + 1 < list.Count()) line += ",";
    Line(line);
  }
}

bool TMimeWriter::TextPartHeader() {
  const char* charset = Msg.CharSet == csISO8859     ? "iso-8859-1"
                        : Msg.CharSet == csISO2022jp ? "iso-2022-jp"
                                                     : "us-ascii";
  Line(std::string("Content-Type: text/plain; charset=") + Quoted(charset));
  const bool quotedPrintable = Msg.CharSet == csISO8859 || LongLines;
  Line(quotedPrintable ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit");
  return quotedPrintable;
}

void TMimeWriter::BodyLines(bool quotedPrintable) {
  if (quotedPrintable) {
    Lines(EncodeQuotedPrintable(JoinLines(Msg.Body)));
  } else {
    Lines(Msg.Body);
  }
}

void TMimeWriter::UULayout() {
  Line("");
  Lines(Msg.Body);
  for (const TmsAttItem& item : Msg.Attachments) {
    Line("");
    Line("begin 600 " + BareName(item));
    Lines(EncodeUU(item.Data));
    Line("`");
    Line("end");
  }
}

void TMimeWriter::PlainLayout() {
  const bool quotedPrintable = TextPartHeader();
  Line("");
  BodyLines(quotedPrintable);
}

void TMimeWriter::HtmlRtfLayout(const std::string& contentType) {
  std::string header = contentType == "text/html" ? "Content-Type: text/html" : "Content-Type: text/rtf";
  if (Msg.CharSet != csUSASCII) header += "; charset=" + Quoted("iso-8859-1");
  Line(header);
  Line("Content-Transfer-Encoding: quoted-printable");
  Line("");
  Msg.Body = EncodeQuotedPrintable(JoinLines(Msg.Body));
  Lines(Msg.Body);
}

void TMimeWriter::SingleAttachmentLayout() {
  TmsAttItem& item = Msg.Attachments[0];
  const std::string name = BareName(item);
  const std::string lower = LowerBareName(item);
  bool special = false;
  if (Msg.Attachments.Count() == 1) {
    special = true;
    if (lower == "_htmbody.htm") {
      Line("Content-Type: text/html");
    } else if (lower == "_rtfbody.rtf") {
      Line("Content-Type: text/rtf");
    } else if (lower == "_edifact") {
      Line("Content-Type: application/edifact");
      item.TransferKind = tkQuotedPrintable;
    } else {
      special = false;
    }
  }
  if (!special) Line("Content-Type: " + OneLine(item.ContentType()) + "; name=" + Quoted(name));
  Line("Content-Transfer-Encoding: " + KindName(item.TransferKind));
  if (!special) Line("Content-Disposition: attachment; filename=" + Quoted(name));
  Line("");
  Data(item);
}

void TMimeWriter::MultipartLayout(const std::string& contentType, bool alternative) {
  const TmsAttList& attachments = Msg.Attachments;
  const std::string firstName = attachments.Empty() ? std::string() : LowerBareName(attachments[0]);
  bool htmFirst = !attachments.Empty() && Msg.Body.empty() && firstName == "_htmbody.htm";
  bool rtfFirst = !attachments.Empty() && Msg.Body.empty() && firstName == "_rtfbody.rtf";
  bool altFirst = !attachments.Empty() && firstName.starts_with("_alt.");

  std::string boundary = Msg.NewBoundary();
  std::string outer;
  Line("Content-Type: " + OneLine(contentType) + "; boundary=" + Quoted(boundary));
  Line("");
  Line("This is a multipart message in MIME format");
  Line("");
  Line("--" + boundary);
  if (altFirst && !alternative) {
    outer = boundary;
    boundary = Msg.NewBoundary();
    Line("Content-Type:  multipart/alternative; boundary=" + Quoted(boundary));
    Line("Content-Transfer-Encoding: 7bit");
    Line("");
    Line("--" + boundary);
  }
  if (!Msg.Body.empty()) {
    const bool quotedPrintable = TextPartHeader();
    Line("");
    BodyLines(quotedPrintable);
    Line("");
    // With nothing after the text, its delimiter is the closing one.
    Line("--" + boundary + (attachments.Empty() ? "--" : ""));
  }
  for (std::size_t i = 0; i < attachments.Count(); ++i) {
    const TmsAttItem& item = attachments[i];
    if (i > 0) {
      Line("");
      Line("--" + boundary);
      htmFirst = rtfFirst = false;
    }
    const std::string name = BareName(item);
    const bool named = !alternative && !altFirst && !htmFirst && !rtfFirst && !name.empty();
    Line("Content-Type: " + OneLine(item.ContentType()) + (named ? "; name=" + Quoted(name) : std::string()));
    Line("Content-Transfer-Encoding: " + KindName(item.TransferKind));
    if (named) Line("Content-Disposition: attachment; filename=" + Quoted(name));
    Line("");
    Data(item);
    Line("");
    if (i + 1 == attachments.Count()) {
      Line("--" + boundary + "--");
    } else if (altFirst && !LowerBareName(attachments[i + 1]).starts_with("_alt.")) {
      altFirst = false;
      Line("--" + boundary + "--");
      boundary = outer;
    }
  }
}

void TMimeWriter::Data(const TmsAttItem& item) {
  switch (item.TransferKind) {
    case tkBase64: Lines(EncodeBase64(item.Data)); break;
    case tkQuotedPrintable: Lines(EncodeQuotedPrintable(item.Data)); break;
    default: Lines(SplitLines(item.Data)); break;
  }
}

}  // namespace mailmoat
