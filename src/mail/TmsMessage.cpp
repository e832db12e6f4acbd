#include "mail/TmsMessage.h"

#include "platform/AsciiText.h"
#include "mail/MessageErrors.h"
#include "mail/MimeParser.h"
#include "mail/MimeWriter.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <unistd.h>

namespace mailmoat {
namespace {

constexpr std::size_t kHeaderWindow = 2048;

bool AllNamesAlternative(const TmsAttList& attachments) {
  if (attachments.Empty()) return false;
  for (const TmsAttItem& item : attachments) {
    if (!LowerCaseAscii(FileNamePart(item.FileName())).starts_with("_alt.")) return false;
  }
  return true;
}

// Replaces any file at `path` by a new one of our own. The folder is shared with other
// users, so a link planted under the name is never followed and someone else's file is
// never written into.
void WritePrivateFile(const std::string& path, std::string_view data) {
  // When the old file cannot be removed, open() below fails and says why.
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    const int err = errno;
    throw EInOutError("Cannot create " + path + ": " + ErrnoText(err));
  }
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = errno;
      ::close(fd);
      throw EInOutError("Cannot write " + path + ": " + ErrnoText(err));
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    const int err = errno;
    throw EInOutError("Cannot write " + path + ": " + ErrnoText(err));
  }
}

}  // namespace

TmsMessage::TmsMessage() : Random(std::random_device{}()), ShellOpener(&ShellOpen) {
}

TmsMessage::~TmsMessage() {
  for (const std::string& path : FTempFiles) ::unlink(path.c_str());
}

void TmsMessage::SetSubject(std::string_view subject) {
  FSubject.assign(CutText(subject, kMaxFieldLength));
}

void TmsMessage::SetContentType(std::string_view type) {
  FContentType = LowerCaseAscii(CutText(type, kMaxFieldLength));
}

std::string TmsMessage::ContentType() {
  std::string result;
  if (Encoding == meUU) {
    result.clear();
  } else if (AllNamesAlternative(Attachments)) {
    result = "multipart/alternative";
  } else if (Attachments.Count() == 1 && Body.empty() &&
             LowerCaseAscii(FileNamePart(Attachments[0].FileName())) == "_rtfbody.rtf") {
    result = "text/rtf";
  } else if (Attachments.Count() == 1 && Body.empty() &&
             LowerCaseAscii(FileNamePart(Attachments[0].FileName())) == "_htmbody.htm") {
    result = "text/html";
  } else if (!Body.empty()) {
    result = !Attachments.Empty() ? "multipart/mixed" : (FContentType.empty() ? "text/plain" : FContentType);
  } else if (Attachments.Count() == 1) {
    result = Attachments[0].ContentType();
  } else {
    result = Attachments.Empty() ? "text/plain" : "multipart/mixed";
  }
  SetContentType(result);
  return result;
}

void TmsMessage::Clear() {
  Body.clear();
  Attachments.Clear();
  Sender.Clear();
  Headers.clear();
  FSubject.clear();
  Recipients.Clear();
  CC.Clear();
  BCC.Clear();
  Encoding = meMIME;
  CharSet = csUSASCII;
  Priority = ptNormal;
  ReturnReceipt = false;
  FContentType.clear();
}

void TmsMessage::ParseHeaders(const TmsHeaders& lines) {
  ParseMailAddress(GetHeaderValue(lines, "FROM"), Sender);
  std::vector<std::string> entries;
  const auto addAll = [&](std::string_view name, TmsAddressList& list) {
    GetHeaderAddresses(lines, name, entries);
    for (const std::string& entry : entries) {
      TmsMailAddress address;
      ParseMailAddress(entry, address);
      list.Add(std::move(address));
    }
  };
  addAll("TO", Recipients);
  addAll("CC", CC);
  addAll("BCC", BCC);
  if (const std::string subject = GetHeaderValue(lines, "Subject"); !subject.empty()) SetSubject(subject);
  const std::string priority = GetHeaderValue(lines, "X-Priority");
  Priority = priority == "1" ? ptHigh : priority == "5" ? ptLow : ptNormal;
  if (!GetHeaderValue(lines, "Return-receipt-to").empty()) ReturnReceipt = true;
  Headers = lines;
}

void TmsMessage::LoadHeaderSummary(const std::vector<std::string>& responseLines) {
  Clear();
  ParseHeaders(responseLines);
}

void TmsMessage::LoadFromStream(std::istream& stream) {
  const std::string raw{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  if (stream.bad()) throw EInOutError("Cannot read the message text");
  LoadFromString(raw);
}

void TmsMessage::LoadFromString(std::string_view raw) {
  // The parser keeps its own copy: the error fallback attaches the raw text, and the caller's
  // buffer may go before the message does.
  const std::string copy(raw);
  TMimeParser(*this, copy).Parse();
}

void TmsMessage::LoadFromFile(const std::string& path) {
  Clear();
  const std::string raw = ReadWholeFile(path);
  TMimeParser(*this, raw).Parse();
}

void TmsMessage::LoadHeadersFromFile(std::istream& file, std::size_t limit) {
  file.clear();
  file.seekg(0);
  // Read in steps, so that a long limit costs no more than the header block.
  std::string window;
  while (window.size() < limit) {
    const std::size_t had = window.size();
    window.resize(std::min(limit, had + kHeaderWindow));
    file.read(window.data() + had, static_cast<std::streamsize>(window.size() - had));
    if (file.bad()) throw EInOutError("Cannot read the message file");
    window.resize(had + static_cast<std::size_t>(file.gcount()));
    if (file.eof() || window.find("\n\r\n", had > 2 ? had - 2 : 0) != std::string::npos ||
        window.find("\n\n", had > 1 ? had - 1 : 0) != std::string::npos)
      break;
  }
  file.clear();
  if (window.empty()) return;
  TmsHeaders lines = SplitLines(window);
  CutHeadersAtBlankLine(lines);
  ParseHeaders(lines);
}

void TmsMessage::SaveToStream(std::ostream& stream) {
  const std::string text = SaveToString();
  if (stream.tellp() > 0) stream.seekp(0);
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.flush();
  if (!stream) throw EInOutError("Cannot write the message text");
}

std::string TmsMessage::SaveToString() {
  std::string text;
  TMimeWriter(*this, text).Write();
  return text;
}

void TmsMessage::SaveToFile(const std::string& path) {
  WriteFileAtomic(path, SaveToString());
}

std::string TmsMessage::NewBoundary() {
  std::uniform_int_distribution<int> digits(0, 8);
  std::string boundary;
  for (int i = 0; i < 8; ++i) {
    const int digit = DigitSource ? DigitSource() : digits(Random);
    boundary += static_cast<char>('0' + ((digit % 9) + 9) % 9);
  }
  return boundary;
}

std::string TmsMessage::SafeTempFileName(std::string_view fileName) {
  std::string name;
  for (const char c : FileNamePart(fileName)) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 32 && b != 127) name += c;
  }
  if (name.empty() || name == "." || name == "..") name = "attachment";
  return name;
}

void TmsMessage::OpenAttachment(std::size_t index) {
  if (index >= Attachments.Count()) {
    throw EAttachmentOpenError("There is no attachment #" + std::to_string(index));
  }
  const TmsAttItem& item = Attachments[index];
  if (item.FileName().empty()) {
    throw EAttachmentOpenError("Unable to execute attachment #" + std::to_string(index) +
                               "\nbecause file name is blank");
  }
  const std::string path = (TPath(TempDirectory()) / SafeTempFileName(item.FileName())).string();
  WritePrivateFile(path, item.Data);
  FTempFiles.push_back(path);
  std::string error;
  if (!ShellOpener(path, &error)) {
    // The codes a Windows shell would give: no handler could be started (file not found),
    // or none is associated with the file.
    const int code = error.starts_with("Cannot start") ? 2 : 31;
    throw EAttachmentOpenError("Error executing ShellExec.  Error code " + std::to_string(code));
  }
}

}  // namespace mailmoat
