#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

class TmsMessage;
class TmsAddressList;
class TmsAttItem;

// Writes a TmsMessage as message text, every line ended by CR LF: the rebuilt header block,
// the remaining header lines, then the content in one of seven layouts (uuencode, plain,
// single attachment, HTML/RTF, multipart mixed or alternative, with a nested alternative
// section when the alternative parts come first). Changes the message as it goes: see
// TmsMessage::SaveToStream.
class TMimeWriter {
public:
  TMimeWriter(TmsMessage& message, std::string& out);
  void Write();

private:
  void Line(std::string_view line);
  void Lines(const std::vector<std::string>& lines);
  void HeaderBlock();
  void AddressLines(std::string_view label, const TmsAddressList& list);
  std::string EncodedWord(std::string_view text) const;
  bool TextPartHeader();
  void BodyLines(bool quotedPrintable);
  void UULayout();
  void PlainLayout();
  void HtmlRtfLayout(const std::string& contentType);
  void SingleAttachmentLayout();
  void MultipartLayout(const std::string& contentType, bool alternative);
  void Data(const TmsAttItem& item);

  TmsMessage& Msg;
  std::string& Out;
  bool LongLines = false;
};

}  // namespace mailmoat
