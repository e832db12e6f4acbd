#pragma once

#include "mail/MailHeaders.h"
#include "mail/TmsAttItem.h"
#include "mail/TmsMailAddress.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

enum TmsMsgEncoding { meMIME, meUU };
enum TmsCharSet { csUSASCII, csISO8859, csISO2022jp };
enum TmsPriority { ptLow, ptNormal, ptHigh };

// The one in-memory mail message: parsed header fields, the header lines, the decoded body
// text and the attachments. No character set is ever converted. Not for use from two places
// at once.
class TmsMessage {
public:
  // Draws one boundary digit, 0 to 8. Tests inject a fixed sequence.
  using TDigitSource = std::function<int()>;
  // Opens a file with the desktop's handler; false with a reason when it cannot.
  using TShellOpener = std::function<bool(const std::string& path, std::string* error)>;

  TmsMessage();
  // Deletes every temporary file OpenAttachment created, ignoring failures.
  ~TmsMessage();
  TmsMessage(const TmsMessage&) = delete;
  TmsMessage& operator=(const TmsMessage&) = delete;

  TmsMailAddress Sender;
  TmsHeaders Headers;
  std::vector<std::string> Body;
  TmsAttList Attachments;
  TmsAddressList Recipients;
  TmsAddressList CC;
  TmsAddressList BCC;
  TmsMsgEncoding Encoding = meMIME;
  TmsCharSet CharSet = csUSASCII;
  TmsPriority Priority = ptNormal;
  bool ReturnReceipt = false;
  // Called between the steps of a long parse (each part, every few hundred base64 lines)
  // so a window can stay responsive.
  std::function<void()> OnProcessMessages;

  const std::string& Subject() const { return FSubject; }
  void SetSubject(std::string_view subject);

  // The media type of the whole message, computed from the body and the attachments (and
  // the stored type for a lone body); the result is stored. Empty for uuencoded messages.
  std::string ContentType();
  // Stores the type lower-cased, cut to 255 bytes.
  void SetContentType(std::string_view type);
  // The type stored now, without computing it.
  const std::string& StoredContentType() const { return FContentType; }

  std::string Version() const { return "2.1"; }
  void SetVersion(std::string_view) {}

  // Empties every field and restores the defaults; the stored content type is emptied too.
  void Clear();

  // Fills the message from header lines (From, To, CC, BCC, Subject, X-Priority,
  // Return-receipt-to) and keeps a copy of the lines as Headers. Address lists are appended
  // to; Subject and ReturnReceipt are only ever set, never reset.
  void ParseHeaders(const TmsHeaders& lines);

  // Header retrieval (a TOP response): clears the message and parses every line after the
  // status line, all of which become Headers: the header block, the empty line, the first
  // body line and the final "." (not dot-unstuffed).
  void LoadHeaderSummary(const std::vector<std::string>& responseLines);

  // The full parse of a complete raw message; does not clear first. A message that cannot
  // be parsed loads in the error fallback (explanation in Body, the raw text attached as
  // "original.eml"). Throws EMimeCodecError for a broken base64 or quoted-printable body,
  // and EInOutError when the stream cannot be read.
  void LoadFromStream(std::istream& stream);
  void LoadFromString(std::string_view raw);
  // Clear, then the full parse of the file. Throws EInOutError.
  void LoadFromFile(const std::string& path);
  // Parses the header lines found within the first `limit` bytes of the file (2048 unless
  // told), up to the first empty line. Does not clear; does nothing for an empty file.
  // Throws EInOutError.
  void LoadHeadersFromFile(std::istream& file, std::size_t limit = 2048);

  // Writes the message as message text from position 0 of the stream. Saving changes the
  // message (rebuilt headers leave Headers, "." body lines become "..", an HTML or RTF body
  // becomes quoted-printable), so save once, last. Throws EInOutError on a stream failure.
  void SaveToStream(std::ostream& stream);
  std::string SaveToString();
  // Replaces the file with the saved message; a failed write leaves no partial file.
  void SaveToFile(const std::string& path);

  // Writes attachment `index` under its bare file name into the temporary folder and asks
  // the desktop to open it. Throws EAttachmentOpenError ("Unable to execute attachment
  // #N\nbecause file name is blank", "Error executing ShellExec.  Error code N") or
  // EInOutError when the file cannot be written.
  void OpenAttachment(std::size_t index);
  const std::vector<std::string>& TempFiles() const { return FTempFiles; }

  // The name OpenAttachment writes for a file name taken from a message: no path, no
  // control bytes, never "." or "..".
  static std::string SafeTempFileName(std::string_view fileName);

  void SetBoundaryDigitSource(TDigitSource source) { DigitSource = std::move(source); }
  void SetShellOpener(TShellOpener opener) { ShellOpener = std::move(opener); }
  // A boundary: eight digits, each 0 to 8.
  std::string NewBoundary();

private:
  std::string FSubject;
  std::string FContentType = "text/plain";
  std::vector<std::string> FTempFiles;
  std::mt19937 Random;
  TDigitSource DigitSource;
  TShellOpener ShellOpener;
};

}  // namespace mailmoat
