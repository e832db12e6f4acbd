#include "mail/MimeParser.h"

#include "platform/AsciiText.h"
#include "mail/MessageErrors.h"
#include "mail/MimeCodecs.h"
#include "mail/TmsMessage.h"

namespace mailmoat {
namespace {

// Base64 lines decoded between two chances for the window to repaint.
constexpr unsigned kLinesPerBreak = 512;

std::uint8_t TransferKindOf(std::string_view encoding) {
  if (SameTextNoCase(encoding, "base64") || StartsWithNoCase(encoding, "x-uue")) return tkBase64;
  if (SameTextNoCase(encoding, "quoted-printable")) return tkQuotedPrintable;
  return tkSevenBit;
}

bool IsUUSkippedLine(std::string_view line) {
  return IsUUBeginLine(line) || line == "`" || SameTextNoCase(line, "end");
}

}  // namespace

TMimeParser::TMimeParser(TmsMessage& message, std::string_view raw) : Msg(message), Raw(raw), Reader(raw) {
}

void TMimeParser::LetMessagesRun() {
  if (Msg.OnProcessMessages) Msg.OnProcessMessages();
}

void TMimeParser::Parse() {
  TmsHeaders top = ReadHeaderBlock();
  Msg.ParseHeaders(top);
  try {
    if (GetHeaderValue(top, "MIME-VERSION").find("1.0") != std::string::npos) {
      MimeParse(std::move(top));
    } else {
      PlainParse();
    }
  } catch (const EMessageParserError& error) {
    ErrorFallback(error.what());
    return;
  }
  // The POP3 end-of-message line.
  if (!Msg.Body.empty() && Msg.Body.back() == ".") Msg.Body.pop_back();
}

TmsHeaders TMimeParser::ReadHeaderBlock() {
  TmsHeaders block;
  std::string_view line;
  while (Reader.ReadLine(line) && !line.empty()) block.emplace_back(line);
  return block;
}

TmsHeaders TMimeParser::ReadPartHeaderBlock() {
  // A delimiter line cannot be a header: it ends a part that has neither headers nor text,
  // and is read again as that part's end.
  TmsHeaders block;
  std::string_view line;
  for (std::size_t start = Reader.Position(); Reader.ReadLine(line) && !line.empty(); start = Reader.Position()) {
    if (line.starts_with(Boundary)) {
      Reader.Seek(start);
      break;
    }
    block.emplace_back(line);
  }
  return block;
}

bool TMimeParser::SkipToLine(std::string_view boundary) {
  std::string_view line;
  while (Reader.ReadLine(line)) {
    if (line == boundary) return true;
  }
  return false;
}

void TMimeParser::MimeParse(TmsHeaders top) {
  if (GetHeaderValue(top, "X-Mailer") == "V Mailsystem R #0001") RemoveHeader(top, "Content-Type");
  const std::string contentType = GetHeaderValue(top, "Content-type");
  if (ContainsNoCase(contentType, "multipart/alternative")) {
    Alternative = true;
    MultipartParse(contentType);
    return;
  }
  if (ContainsNoCase(contentType, "multipart")) {
    Alternative = false;
    MultipartParse(contentType);
    return;
  }
  const std::string name = TmsParam(contentType, "name");
  if ((!contentType.empty() && !ContainsNoCase(contentType, "text/")) || (!name.empty() && name != "cc:Mail")) {
    SingleAttachmentParse(top, contentType);
  } else {
    SingleTextParse(top, contentType, Reader.Position());
  }
}

void TMimeParser::MultipartParse(const std::string& contentType) {
  Boundary = "--" + TmsParam(contentType, "Boundary");
  if (!SkipToLine(Boundary)) throw EMessageParserError("Cannot find boundary");
  FirstPart();
}

void TMimeParser::FirstPart() {
  TmsHeaders part = ReadPartHeaderBlock();
  if (ContainsNoCase(GetHeaderValue(part, "Content-Disposition"), "attachment")) {
    RemainingParts(&part);
    return;
  }
  std::string partType = GetHeaderValue(part, "Content-Type");
  if (SameTextNoCase(TmsParam(partType, "CharSet"), "iso-2022-jp")) Msg.CharSet = csISO2022jp;
  if (ContainsNoCase(partType, "multipart/alternative")) {
    OuterBoundary = Boundary;
    Boundary = "--" + TmsParam(partType, "boundary");
    Alternative = true;
    NestedOpen = true;
    if (!SkipToLine(Boundary)) throw EMessageParserError("Cannot find boundary");
    part = ReadPartHeaderBlock();
    partType = GetHeaderValue(part, "Content-Type");
  }
  const std::string encoding = GetHeaderValue(part, "Content-Transfer-Encoding");
  const bool base64 = SameTextNoCase(encoding, "base64");
  if (base64 && Msg.CharSet != csISO2022jp) {
    part.emplace_back("Content-Transfer-Encoding: Base64");
    RemainingParts(&part);
    return;
  }

  Msg.Body.clear();
  const bool quotedPrintable = SameTextNoCase(encoding, "quoted-printable");
  if (quotedPrintable) Msg.CharSet = csISO8859;
  const std::string closing = Boundary + "--";
  std::string_view line;
  bool atEnd = true;
  bool closed = false;
  if (!base64) {
    while (Reader.ReadLine(line)) {
      if (line == Boundary || line == closing) {
        atEnd = false;
        closed = line == closing;
        break;
      }
      Msg.Body.emplace_back(line);
    }
    if (Msg.Body.empty()) Msg.Body.emplace_back();
    if (quotedPrintable) Msg.Body = SplitLines(DecodeQuotedPrintableLines(Msg.Body));
  } else {
    // Only a Japanese text part gets here: its base64 is the body text.
    std::string bytes;
    unsigned count = 0;
    while (Reader.ReadLine(line)) {
      if (line.starts_with(Boundary)) {
        atEnd = false;
        closed = line == closing;
        break;
      }
      if (!line.empty()) DecodeBase64Line(line, bytes);
      if (++count % kLinesPerBreak == 0) LetMessagesRun();
    }
    Msg.Body = SplitLines(bytes);
  }
  if (closed) {
    Msg.SetContentType(MediaTypeOf(partType));
    Reader.Seek(Raw.size());
    return;
  }
  if (atEnd) throw EMessageParserError("Cannot find boundary");
  RemainingParts(nullptr);
}

void TMimeParser::RemainingParts(TmsHeaders* firstBlock) {
  for (;;) {
    if (!firstBlock && Msg.Attachments.Count() >= kMaxParts) {
      KeepRestUndecoded();
      return;
    }
    const TmsHeaders part = firstBlock ? std::move(*firstBlock) : ReadPartHeaderBlock();
    firstBlock = nullptr;
    LetMessagesRun();
    std::string_view endLine;
    bool atEnd = true;
    ReadPart(part, endLine, atEnd);
    if (!atEnd && endLine != Boundary + "--") continue;
    if (!NestedOpen) return;
    NestedOpen = false;
    Alternative = false;
    Boundary = OuterBoundary;
    std::string_view line;
    bool found = false;
    while (Reader.ReadLine(line)) {
      if (line.starts_with(Boundary)) {
        found = true;
        break;
      }
    }
    if (!found) throw EMessageParserError("Cannot find closing boundary");
    if (line == Boundary + "--") return;
  }
}

TmsAttItem TMimeParser::NewAttachment(const TmsHeaders& headers, const std::string& contentType, const char* unnamed,
                                      bool typeFromName, bool& uuencoded) {
  TmsAttItem item;
  const std::string mediaType = MediaTypeOf(contentType);
  item.SetContentType(mediaType);
  // Senders often label every file "application/octet-stream"; the name says what it is.
  item.SetFileName(TmsParam(contentType, "name"));
  if (!typeFromName) item.SetContentType(mediaType);
  const std::string encoding = GetHeaderValue(headers, "Content-Transfer-Encoding");
  uuencoded = StartsWithNoCase(encoding, "x-uue");
  item.TransferKind = TransferKindOf(encoding);
  if (item.FileName().empty()) {
    // Naming the item sets a transfer kind and type of its own; the headers' ones win.
    const std::uint8_t kind = item.TransferKind;
    item.SetFileName(TmsParam(GetHeaderValue(headers, "Content-Disposition"), "filename"));
    if (item.FileName().empty()) item.SetFileName(unnamed + std::to_string(Msg.Attachments.Count()));
    item.TransferKind = kind;
    item.SetContentType(mediaType);
  }
  return item;
}

bool TMimeParser::ReadAttachmentData(TmsAttItem& item, bool uuencoded,
                                     const std::function<bool(std::string_view)>& ends, std::string_view& endLine) {
  std::vector<std::string> quotedLines;
  std::string_view line;
  unsigned count = 0;
  bool ended = false;
  while (Reader.ReadLine(line)) {
    if (ends(line)) {
      endLine = line;
      ended = true;
      break;
    }
    if (item.TransferKind == tkBase64) {
      if (line.empty() || (uuencoded && IsUUSkippedLine(line))) continue;
      if (uuencoded) {
        DecodeUULine(line, item.Data);
      } else {
        DecodeBase64Line(line, item.Data);
      }
      if (++count % kLinesPerBreak == 0) LetMessagesRun();
    } else if (item.TransferKind == tkQuotedPrintable) {
      quotedLines.emplace_back(line);
    } else {
      // Kept whole: a forwarded message or a text file with long lines must not lose bytes.
      item.Data += line;
      item.Data += "\r\n";
    }
  }
  if (item.TransferKind == tkQuotedPrintable) item.Data = DecodeQuotedPrintableLines(quotedLines);
  return ended;
}

void TMimeParser::ReadPart(const TmsHeaders& part, std::string_view& endLine, bool& atEnd) {
  try {
    std::string contentType = GetHeaderValue(part, "Content-type");
    if (contentType.empty()) contentType = "text/plain";
    bool uuencoded = false;
    TmsAttItem item = NewAttachment(part, contentType, Alternative ? "_alt." : "att.", true, uuencoded);
    atEnd = !ReadAttachmentData(
        item, uuencoded, [this](std::string_view line) { return CutText(line, kCodecLineLimit).starts_with(Boundary); },
        endLine);
    Msg.Attachments.Add(std::move(item));
  } catch (const EMessageParserError&) {
    throw;
  } catch (const EMailmoatError&) {
    throw EMessageParserError("Error decoding the attachment");
  }
}

void TMimeParser::SingleTextParse(const TmsHeaders& top, const std::string& contentType, std::size_t bodyStart) {
  const std::string mediaType = LowerCaseAscii(MediaTypeOf(contentType));
  if (mediaType == "text/html" || mediaType == "text/rtf") Msg.SetContentType(mediaType);
  const std::string encoding = GetHeaderValue(top, "Content-Transfer-Encoding");
  const bool quotedPrintable = SameTextNoCase(encoding, "quoted-printable") ||
                               ContainsNoCase(GetHeaderValue(top, "X-MIME-Autoconverted"), "quoted-printable");
  const bool base64 = SameTextNoCase(encoding, "base64");
  if (SameTextNoCase(TmsParam(contentType, "charset"), "iso-2022-jp")) Msg.CharSet = csISO2022jp;
  if (quotedPrintable) Msg.CharSet = csISO8859;

  Msg.Body.clear();
  std::string_view line;
  if (!base64) {
    while (Reader.ReadLine(line)) {
      if (IsUUBeginLine(line)) {
        // A uuencoded file in a MIME text: the text is read again as a plain message.
        Msg.Body.clear();
        Reader.Seek(bodyStart);
        PlainParse();
        return;
      }
      Msg.Body.emplace_back(line);
    }
    if (quotedPrintable) Msg.Body = SplitLines(DecodeQuotedPrintableLines(Msg.Body));
    return;
  }
  std::string bytes;
  unsigned count = 0;
  while (Reader.ReadLine(line)) {
    if (!line.empty()) DecodeBase64Line(line, bytes);
    if (++count % kLinesPerBreak == 0) LetMessagesRun();
  }
  Msg.Body = SplitLines(bytes);
}

void TMimeParser::SingleAttachmentParse(const TmsHeaders& top, const std::string& contentType) {
  if (contentType.empty()) throw EMessageParserError("Missing required field: Content-Type");
  try {
    bool uuencoded = false;
    TmsAttItem item = NewAttachment(top, contentType, "att.", false, uuencoded);
    std::string_view endLine;
    // The POP3 end line, where base64 data would otherwise take it as damage.
    ReadAttachmentData(
        item, uuencoded, [&item](std::string_view line) { return item.TransferKind == tkBase64 && line == "."; },
        endLine);
    Msg.Attachments.Add(std::move(item));
  } catch (const EMessageParserError&) {
    throw;
  } catch (const EMailmoatError&) {
    throw EMessageParserError("Error decoding the attachment");
  }
}

void TMimeParser::PlainParse() {
  std::string_view line;
  while (Reader.ReadLine(line)) {
    if (IsUUBeginLine(line)) {
      Msg.Encoding = meUU;
      ReadUUFiles(line);
      return;
    }
    Msg.Body.emplace_back(line);
  }
}

void TMimeParser::ReadUUFiles(std::string_view beginLine) {
  for (;;) {
    if (Msg.Attachments.Count() >= kMaxParts) {
      KeepRestUndecoded();
      return;
    }
    LetMessagesRun();
    // The name follows "begin", a blank, a three-digit mode and a blank.
    const std::string_view rest = beginLine.size() > 10 ? beginLine.substr(10) : std::string_view();
    std::string name;
    if (!rest.empty() && rest.front() == '"') {
      const std::size_t close = rest.find('"', 1);
      if (close != std::string_view::npos) name = rest.substr(1, close - 1);
    } else {
      name = rest;
    }
    if (name.empty()) name = "att." + std::to_string(Msg.Attachments.Count());
    TmsAttItem item;
    item.SetFileName(name);
    item.TransferKind = tkBase64;
    std::string_view line;
    while (Reader.ReadLine(line)) {
      if (line == "`" || SameTextNoCase(line, "END")) break;
      DecodeUULine(line, item.Data);
    }
    Msg.Attachments.Add(std::move(item));
    bool found = false;
    while (Reader.ReadLine(line)) {
      if (IsUUBeginLine(line)) {
        found = true;
        beginLine = line;
        break;
      }
    }
    if (!found) return;
  }
}

void TMimeParser::KeepRestUndecoded() {
  TmsAttItem item;
  item.SetFileName("att." + std::to_string(Msg.Attachments.Count()));
  item.SetContentType("text/plain");
  item.TransferKind = tkSevenBit;
  item.Data.assign(Reader.Rest());
  Reader.Seek(Raw.size());
  Msg.Attachments.Add(std::move(item));
}

void TMimeParser::ErrorFallback(const std::string& error) {
  Msg.Body.emplace_back("The following error has been occured while processing the message:");
  Msg.Body.push_back(error);
  Msg.Body.emplace_back("The original message will be stored as an attachment");
  TmsAttItem item;
  item.SetFileName("original.eml");
  item.SetContentType("message/rfc822");
  item.TransferKind = tkSevenBit;
  item.Data.assign(Raw);
  Msg.Attachments.Add(std::move(item));
}

}  // namespace mailmoat
