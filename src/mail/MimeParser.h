#pragma once

#include "mail/MailHeaders.h"
#include "mail/MimeLineReader.h"
#include "mail/TmsAttItem.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace mailmoat {

class TmsMessage;

// The full parse of a raw message into a TmsMessage: the header block, then a MIME parse
// (multipart with one nested alternative section, a single text, or a single attachment)
// or a plain parse with uuencoded files. Parser errors end in the error fallback; codec
// errors in the body reach the caller. Work is linear in the text; past 10,000 parts the
// rest of the text is kept undecoded as one more attachment.
class TMimeParser {
public:
  static constexpr std::size_t kMaxParts = 10000;

  // `raw` must outlive the parser; the message is filled, not cleared.
  TMimeParser(TmsMessage& message, std::string_view raw);
  void Parse();

private:
  TmsHeaders ReadHeaderBlock();
  TmsHeaders ReadPartHeaderBlock();
  bool SkipToLine(std::string_view boundary);
  void MimeParse(TmsHeaders top);
  void MultipartParse(const std::string& contentType);
  void FirstPart();
  void RemainingParts(TmsHeaders* firstBlock);
  void ReadPart(const TmsHeaders& part, std::string_view& endLine, bool& atEnd);
  void SingleTextParse(const TmsHeaders& top, const std::string& contentType, std::size_t bodyStart);
  void SingleAttachmentParse(const TmsHeaders& top, const std::string& contentType);
  // An attachment item named and typed from its headers; `unnamed` prefixes the made-up name.
  // With `typeFromName`, a name in the Content-Type gives the item the type of its extension;
  // otherwise the item keeps the media type of the Content-Type.
  TmsAttItem NewAttachment(const TmsHeaders& headers, const std::string& contentType, const char* unnamed,
                           bool typeFromName, bool& uuencoded);
  // Decodes data lines into `item` until `ends` accepts a line (returned in `endLine`, result
  // true) or the input ends (false).
  bool ReadAttachmentData(TmsAttItem& item, bool uuencoded, const std::function<bool(std::string_view)>& ends,
                          std::string_view& endLine);
  void PlainParse();
  void ReadUUFiles(std::string_view beginLine);
  void KeepRestUndecoded();
  void ErrorFallback(const std::string& error);
  void LetMessagesRun();

  TmsMessage& Msg;
  std::string_view Raw;
  TMimeLineReader Reader;
  std::string Boundary;       // the current boundary line B: "--" and the parameter
  std::string OuterBoundary;  // B of the enclosing multipart while a nested section is open
  bool NestedOpen = false;
  bool Alternative = false;
};

}  // namespace mailmoat
