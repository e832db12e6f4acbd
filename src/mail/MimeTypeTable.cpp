#include "mail/MimeTypeTable.h"

#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

namespace mailmoat {

const TMimeTypeTable& TMimeTypeTable::System() {
  static const TMimeTypeTable table = [] {
    try {
      return Parse(ReadWholeFile("/etc/mime.types"));
    } catch (const EInOutError&) {
      return BuiltIn();
    }
  }();
  return table;
}

TMimeTypeTable TMimeTypeTable::BuiltIn() {
  return Parse(
      "text/plain txt text asc log\n"
      "text/html html htm\n"
      "text/rtf rtf\n"
      "text/csv csv\n"
      "text/xml xml\n"
      "text/calendar ics\n"
      "text/vcard vcf\n"
      "message/rfc822 eml mht\n"
      "application/pdf pdf\n"
      "application/zip zip\n"
      "application/gzip gz\n"
      "application/x-tar tar\n"
      "application/x-7z-compressed 7z\n"
      "application/vnd.rar rar\n"
      "application/msword doc dot\n"
      "application/vnd.ms-excel xls\n"
      "application/vnd.ms-powerpoint ppt\n"
      "application/vnd.openxmlformats-officedocument.wordprocessingml.document docx\n"
      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet xlsx\n"
      "application/vnd.openxmlformats-officedocument.presentationml.presentation pptx\n"
      "application/vnd.oasis.opendocument.text odt\n"
      "application/x-msdownload exe dll com bat\n"
      "application/javascript js\n"
      "application/json json\n"
      "image/gif gif\n"
      "image/jpeg jpg jpeg jpe\n"
      "image/png png\n"
      "image/bmp bmp\n"
      "image/tiff tif tiff\n"
      "image/svg+xml svg\n"
      "image/x-icon ico\n"
      "audio/mpeg mp3\n"
      "audio/x-wav wav\n"
      "video/mpeg mpeg mpg\n"
      "video/mp4 mp4\n"
      "video/x-msvideo avi\n");
}

TMimeTypeTable TMimeTypeTable::Parse(std::string_view text) {
  TMimeTypeTable table;
  for (const std::string& line : SplitLines(text)) {
    std::string_view rest = TrimText(line);
    if (rest.empty() || rest.front() == '#') continue;
    std::string type;
    while (!rest.empty()) {
      const std::size_t end = rest.find_first_of(" \t");
      const std::string_view word = rest.substr(0, end);
      if (type.empty()) {
        type = LowerCaseAscii(word);
      } else {
        // The first line that names an extension wins, as in the file's own convention.
        table.Types.emplace(LowerCaseAscii(word), type);
      }
      rest = end == std::string_view::npos ? std::string_view() : TrimText(rest.substr(end));
    }
  }
  return table;
}

std::string TMimeTypeTable::TypeOfFile(std::string_view fileName) const {
  const std::string_view name = FileNamePart(fileName);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) {
    const auto found = Types.find(LowerCaseAscii(name.substr(dot + 1)));
    if (found != Types.end()) return found->second;
  }
  return "application/octet-stream";
}

}  // namespace mailmoat
