#pragma once

#include "mail/TmsClientSocket.h"

#include <fstream>
#include <string>
#include <string_view>

namespace mailmoat {

class TmsMessage;

// The text after the first `n` blank-separated words of `line`, up to the next blank,
// trimmed; empty when a blank is missing on the way.
std::string ReplyToken(std::string_view line, int n);

// The POP3 client (RFC 1939) of the check run. One connection at a time; every operation
// blocks until the server answers or TimeOut seconds pass without progress. Failures are
// EmsServerError (a "-ERR" reply line; the connection stays usable), and, after which the
// connection has already been dropped without QUIT (so the server commits none of the
// session's deletions, RFC 1939 section 6): EmsProtocolError (a reply that is neither
// "+OK" nor "-ERR", none at all, or a multi-line reply cut off), EWinsockError,
// EmsTimedOutError, EmsTooMuchDataError and ETlsError. Connected() tells which case it was.
class TmsPOPClient : public TmsClientSocket {
public:
  TmsPOPClient() : TmsClientSocket(110) {}

  // Filled by RetrieveHeaders and RetrieveMessage; not owned.
  TmsMessage* MailMessage = nullptr;
  std::string UserName;  // at most 255 bytes are sent
  std::string Password;  // at most 255 bytes are sent
  // When set, every command and reply line of each connection is appended to this file,
  // the PASS argument masked. The owner sets it only at the Debug logging level.
  std::string ProtocolLogFile;

  TmsNotifyEvent OnRetrievingMessage;
  TmsNotifyEvent OnMessageRetrieved;

  int MessageCount = 0;
  std::int64_t TotalSize = 0;
  // 0-based; -1 for none. Commands send CurrentMessage + 1.
  int CurrentMessage = -1;

  // Connects, reads the greeting, upgrades with STLS when TlsMode asks for it (a server
  // that refuses fails the login before the password is sent), sends USER, PASS and STAT.
  void Login();
  // Selects message `index`, clamped to the messages there are; -1 when there are none.
  void SetCurrentMessage(int index);
  // TOP n 1 into MailMessage's header summary (cleared first).
  void RetrieveHeaders();
  // RETR n, fully parsed into MailMessage (cleared first). When the reply arrived whole but
  // the parse throws (EMimeCodecError for a broken base64 body, ...), the error passes
  // through and the retrieved text stays in RetrievedText().
  void RetrieveMessage();
  // Whether the last RETR reply arrived whole, up to its "." line; its text, un-dot-stuffed
  // and without that line, is RetrievedText(). False (and empty) after any other outcome.
  bool RetrievedWhole() const { return FRetrievedWhole; }
  const std::string& RetrievedText() const { return FRetrievedText; }
  // LIST n: the size in octets, -1 when the reply holds no number.
  int GetMessageSize();
  // UIDL n: the unique id; empty (no error) when the server refuses.
  std::string GetMessageUID();
  void DeleteMessage();
  // Sends `command` (NOOP or STAT) and reads and discards its one-line reply. Does nothing
  // when called (from a timer) while another operation waits for the server; any other
  // operation called then throws EmsError.
  void SendKeepAlive(const std::string& command);
  // QUIT, then closes. A connection reset or close while the reply is awaited completes the
  // logout; a negative reply raises EmsServerError and leaves the connection open.
  void Logout();

private:
  // Held for the whole of one operation. Sending takes it as an argument, so no command can
  // go out without it: a window timer running in a non-blocking wait must never slip a
  // command between another command and its reply.
  class TBusyScope {
  public:
    explicit TBusyScope(bool& busy);
    ~TBusyScope() { Busy = false; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

  private:
    bool& Busy;
  };

  // Runs one operation under the busy guard; any failure but a plain "-ERR" reply drops
  // the connection (without QUIT) before it passes on.
  template <typename TOperation>
  auto Exchange(TOperation operation);

  void SendCommand(const TBusyScope& busy, const std::string& command);
  std::string ReadReply();
  // Reads a status line: true for "+OK", false for "-ERR". Anything else, or a close
  // without a reply, throws EmsProtocolError.
  bool ReadStatus(std::string& reply);
  // Sends `command` and requires "+OK"; "-ERR" throws EmsServerError.
  std::string Command(const TBusyScope& busy, const std::string& command);
  std::string MessageNumber() const;
  void LogLine(std::string_view prefix, std::string_view line);
  void OpenLog();

  std::ofstream Log;
  bool Busy = false;
  bool FRetrievedWhole = false;
  std::string FRetrievedText;
};

}  // namespace mailmoat
