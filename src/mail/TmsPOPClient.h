#pragma once

#include "mail/TmsClientSocket.h"

#include <cstddef>
#include <deque>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

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
  // that refuses fails the login before the password is sent), sends USER, PASS, CAPA
  // (RFC 2449) and STAT.
  void Login();

  // The capabilities the server announced after the login, their names upper-cased; empty
  // when it refused CAPA.
  const std::vector<std::string>& Capabilities() const { return FCapabilities; }
  bool HasCapability(std::string_view name) const;

  // Sends LIST and UIDL for all messages at once (both before either reply when
  // `pipelined`), so that the sizes and ids cost no command per message. A form the server
  // refuses ("-ERR") is asked per message instead, by ListedSize and ListedUID.
  void LoadListing(bool pipelined);
  // Whether the listing holds both the sizes and the ids of every message.
  bool ListingComplete() const { return SizesListed && UidsListed; }
  // The size of message `index` from the listing, or by LIST n where the listing has none.
  int ListedSize(int index);
  // The id of message `index` from the listing, or by UIDL n where the listing has none.
  std::string ListedUID(int index);

  // Pipelining (RFC 2449): a command sent ahead of the call that reads its reply. That call
  // (RetrieveHeaders, RetrieveMessage, DeleteMessage for the same message) then reads the
  // reply instead of sending the command again. Replies come in the order the commands
  // went out; one that no call asks for is read and dropped when a later one is wanted,
  // and any other command first reads every reply still due.
  enum class TQueued { Top, Retr, Dele };
  // Sends the command for message `index` (0-based). `expectedBytes` is what its reply is
  // likely to take, counted in InFlightBytes.
  void Queue(TQueued kind, int index, std::int64_t expectedBytes);
  std::size_t InFlight() const { return Outstanding.size(); }
  std::int64_t InFlightBytes() const { return FInFlightBytes; }
  // The bytes of commands sent whose replies are still due.
  std::size_t InFlightCommandBytes() const { return FInFlightCommandBytes; }
  // Reads every reply still due; returns the replies of the DELEs among them (and among
  // those dropped before) that the server refused.
  std::vector<std::string> Settle();
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
  // UIDL n, asked now (the listing may be out of date): the unique id; empty (no error)
  // when the server refuses.
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

  struct TOutstanding {
    TQueued Kind;
    int Index;
    std::int64_t Expected;
    std::size_t CommandBytes;
  };
  static std::string QueuedCommand(TQueued kind, int index);
  // Reads the replies due up to the one of `kind` for CurrentMessage, dropping those before
  // it; true with its status line in `reply` when it was among them. Without it every reply
  // due is read and the caller sends the command itself.
  bool AwaitQueued(TQueued kind, std::string& reply);
  void DropFront();
  void SettleQueue();
  // Sends `command`, or takes the reply of the same command sent ahead; "-ERR" throws
  // EmsServerError.
  std::string QueuedOrSent(const TBusyScope& busy, TQueued kind, const std::string& command);
  void ClearListing();

  // One entry per message number: the listed size (-1: none) and where its id is in UidText.
  struct TListed {
    std::int32_t Size = -1;
    std::uint32_t UidAt = 0;
    std::uint16_t UidLength = 0;
    bool HasUid = false;
  };
  void ReadListing(bool uids);

  std::vector<std::string> FCapabilities;
  std::vector<TListed> Listed;
  std::string UidText;
  bool SizesListed = false;
  bool UidsListed = false;
  std::deque<TOutstanding> Outstanding;
  std::vector<std::string> DeleteErrors;  // "-ERR" replies of DELEs read while dropping
  std::int64_t FInFlightBytes = 0;
  std::size_t FInFlightCommandBytes = 0;

  std::ofstream Log;
  bool Busy = false;
  bool FRetrievedWhole = false;
  std::string FRetrievedText;
};

}  // namespace mailmoat
