#include "mail/TmsPOPClient.h"

#include "platform/AsciiText.h"
#include "mail/SocketErrors.h"
#include "mail/TmsMessage.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <utility>
#include <vector>

namespace mailmoat {

namespace {

bool ToInt64(std::string_view text, std::int64_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// RFC 1939 section 3: the final "." line goes and a leading "." that was doubled for the
// transfer is removed, so the message is parsed as the sender wrote it.
std::string Unstuff(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool lineStart = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (lineStart && c == '.') {
      const std::string_view rest = text.substr(i);
      if (rest == ".\r\n" || rest == ".\n" || rest == ".") break;
      lineStart = false;
      if (rest.size() > 1 && rest[1] == '.') continue;
    }
    out.push_back(c);
    lineStart = c == '\n';
  }
  return out;
}

}  // namespace

std::string ReplyToken(std::string_view line, int n) {
  std::string_view rest = TrimBlanks(line);
  for (int i = 0; i < n; ++i) {
    const std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) return {};
    rest = TrimBlanks(rest.substr(blank + 1));
  }
  return std::string(TrimBlanks(rest.substr(0, rest.find(' '))));
}

void TmsPOPClient::OpenLog() {
  if (Log.is_open()) Log.close();
  if (ProtocolLogFile.empty()) return;
  Log.open(ProtocolLogFile, std::ios::app | std::ios::binary);
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "";
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  LogLine("", std::string("--- ") + stamp + " connecting to " + Host() + ":" + std::to_string(Port));
}

void TmsPOPClient::LogLine(std::string_view prefix, std::string_view line) {
  if (!Log.is_open()) return;
  Log << prefix << line << '\n';
  Log.flush();
}

TmsPOPClient::TBusyScope::TBusyScope(bool& busy) : Busy(busy) {
  if (Busy) throw EmsError("The POP3 connection is busy with another command");
  Busy = true;
}

template <typename TOperation>
auto TmsPOPClient::Exchange(TOperation operation) {
  const TBusyScope busy(Busy);
  try {
    return operation(busy);
  } catch (const EmsProtocolError&) {
    Outstanding.clear();
    Abandon();
    throw;
  } catch (const EmsServerError&) {
    // A plain "-ERR": the reply fitted its command and the session goes on.
    throw;
  } catch (...) {
    // After a time-out or a broken stream a late reply would be taken as the answer to the
    // next command; only a new connection is safe.
    Outstanding.clear();
    Abandon();
    throw;
  }
}

void TmsPOPClient::SendCommand(const TBusyScope&, const std::string& command) {
  // A line break in a user name or password would smuggle in commands of its own.
  if (command.find_first_of("\r\n") != std::string::npos)
    throw EmsError("Line breaks are not allowed in a POP3 command");
  // Replies of commands sent ahead come first.
  SettleQueue();
  LogLine("> ", command.starts_with("PASS ") ? std::string_view("PASS ********") : std::string_view(command));
  SendText(command + "\r\n");
}

std::string TmsPOPClient::QueuedCommand(TQueued kind, int index) {
  const std::string number = std::to_string(index + 1);
  switch (kind) {
    case TQueued::Top: return "TOP " + number + " 1";
    case TQueued::Retr: return "RETR " + number;
    case TQueued::Dele: return "DELE " + number;
  }
  return {};
}

void TmsPOPClient::Queue(TQueued kind, int index, std::int64_t expectedBytes) {
  // A wrong number is the caller's mistake, not the connection's: it stays up.
  if (index < 0 || index >= MessageCount) throw EmsError("No message " + std::to_string(index + 1) + " to ask for");
  Exchange([&](const TBusyScope&) {
    const std::string command = QueuedCommand(kind, index);
    LogLine("> ", command);
    SendText(command + "\r\n");
    Outstanding.push_back({kind, index, expectedBytes, command.size() + 2});
    FInFlightBytes += expectedBytes;
    FInFlightCommandBytes += command.size() + 2;
  });
}

void TmsPOPClient::DropFront() {
  const TOutstanding front = Outstanding.front();
  Outstanding.pop_front();
  FInFlightBytes -= front.Expected;
  FInFlightCommandBytes -= front.CommandBytes;
  std::string reply;
  const bool ok = ReadStatus(reply);
  if (ok && front.Kind != TQueued::Dele) {
    std::string dropped;
    ReadMultiLine(dropped, -1);
    LogLine("< ", "(" + std::to_string(dropped.size()) + " bytes, not wanted)");
  }
  if (!ok && front.Kind == TQueued::Dele) DeleteErrors.push_back(reply);
}

bool TmsPOPClient::AwaitQueued(TQueued kind, std::string& reply) {
  const bool wanted = std::any_of(Outstanding.begin(), Outstanding.end(),
                                  [&](const TOutstanding& o) { return o.Kind == kind && o.Index == CurrentMessage; });
  if (!wanted) {
    SettleQueue();
    return false;
  }
  while (Outstanding.front().Kind != kind || Outstanding.front().Index != CurrentMessage) DropFront();
  const TOutstanding front = Outstanding.front();
  Outstanding.pop_front();
  FInFlightBytes -= front.Expected;
  FInFlightCommandBytes -= front.CommandBytes;
  if (!ReadStatus(reply)) throw EmsServerError(reply);
  return true;
}

void TmsPOPClient::SettleQueue() {
  while (!Outstanding.empty()) DropFront();
}

std::vector<std::string> TmsPOPClient::Settle() {
  Exchange([this](const TBusyScope&) { SettleQueue(); });
  return std::exchange(DeleteErrors, {});
}

std::string TmsPOPClient::QueuedOrSent(const TBusyScope& busy, TQueued kind, const std::string& command) {
  std::string reply;
  if (AwaitQueued(kind, reply)) return reply;
  return Command(busy, command);
}

bool TmsPOPClient::HasCapability(std::string_view name) const {
  return std::find(FCapabilities.begin(), FCapabilities.end(), name) != FCapabilities.end();
}

void TmsPOPClient::ClearListing() {
  Listed.clear();
  Listed.shrink_to_fit();
  UidText.clear();
  UidText.shrink_to_fit();
  SizesListed = false;
  UidsListed = false;
}

void TmsPOPClient::ReadListing(bool uids) {
  // Line by line: the reply of a large mailbox is never held whole.
  std::size_t bytes = 0;
  for (;;) {
    const std::string line = ReadLine();
    if (line == ".") break;
    if (line.empty() && PeerClosed())
      throw EmsProtocolError("The server closed the connection before the end of the reply");
    bytes += line.size() + 2;
    std::int64_t number = 0;
    const std::string first = ReplyToken(line, 0);
    const std::string second = ReplyToken(line, 1);
    // A line that does not fit leaves its message to the per-message form.
    if (!ToInt64(first, number) || number < 1 || number > MessageCount || second.empty()) continue;
    const std::size_t index = static_cast<std::size_t>(number - 1);
    if (Listed.size() <= index) Listed.resize(index + 1);
    TListed& entry = Listed[index];
    if (uids) {
      // RFC 1939: at most 70 characters.
      if (second.size() > 70) continue;
      entry.UidAt = static_cast<std::uint32_t>(UidText.size());
      entry.UidLength = static_cast<std::uint16_t>(second.size());
      entry.HasUid = true;
      UidText += second;
    } else {
      std::int64_t size = 0;
      if (ToInt64(second, size) && size >= 0 && size <= INT32_MAX) entry.Size = static_cast<std::int32_t>(size);
    }
  }
  LogLine("< ", "(" + std::to_string(bytes) + " bytes)");
}

void TmsPOPClient::LoadListing(bool pipelined) {
  Exchange([this, pipelined](const TBusyScope& busy) {
    ClearListing();
    if (MessageCount == 0) return;
    // The listing is stored compactly: it is the one part of a check that grows with the
    // mailbox. Reserved up to a sane count, as the count is the server's word.
    Listed.reserve(static_cast<std::size_t>(std::min(MessageCount, 1 << 20)));
    if (pipelined) {
      LogLine("> ", "LIST");
      LogLine("> ", "UIDL");
      SendText("LIST\r\nUIDL\r\n");
    } else {
      SendCommand(busy, "LIST");
    }
    std::string reply;
    if (ReadStatus(reply)) {
      ReadListing(false);
      SizesListed = Listed.size() == static_cast<std::size_t>(MessageCount) &&
                    std::all_of(Listed.begin(), Listed.end(), [](const TListed& l) { return l.Size >= 0; });
    }
    if (!pipelined) SendCommand(busy, "UIDL");
    if (ReadStatus(reply)) {
      ReadListing(true);
      UidsListed = Listed.size() == static_cast<std::size_t>(MessageCount) &&
                   std::all_of(Listed.begin(), Listed.end(), [](const TListed& l) { return l.HasUid; });
    }
  });
}

int TmsPOPClient::ListedSize(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < Listed.size() &&
      Listed[static_cast<std::size_t>(index)].Size >= 0)
    return Listed[static_cast<std::size_t>(index)].Size;
  const int current = CurrentMessage;
  SetCurrentMessage(index);
  const int size = GetMessageSize();
  CurrentMessage = current;
  return size;
}

std::string TmsPOPClient::ListedUID(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < Listed.size() && Listed[static_cast<std::size_t>(index)].HasUid) {
    const TListed& entry = Listed[static_cast<std::size_t>(index)];
    return UidText.substr(entry.UidAt, entry.UidLength);
  }
  const int current = CurrentMessage;
  SetCurrentMessage(index);
  std::string uid = GetMessageUID();
  CurrentMessage = current;
  return uid;
}

std::string TmsPOPClient::ReadReply() {
  std::string reply = ReadLine();
  LogLine("< ", reply);
  return reply;
}

bool TmsPOPClient::ReadStatus(std::string& reply) {
  reply = ReadReply();
  if (reply.starts_with("+OK")) return true;
  if (reply.starts_with("-ERR")) return false;
  // A closed connection reads as an empty line; say so rather than raise an empty text.
  if (reply.empty() && PeerClosed()) throw EmsProtocolError("The server closed the connection without a reply");
  throw EmsProtocolError(reply);
}

std::string TmsPOPClient::Command(const TBusyScope& busy, const std::string& command) {
  SendCommand(busy, command);
  std::string reply;
  if (!ReadStatus(reply)) throw EmsServerError(reply);
  return reply;
}

std::string TmsPOPClient::MessageNumber() const {
  return std::to_string(CurrentMessage + 1);
}

void TmsPOPClient::Login() {
  Exchange([this](const TBusyScope& busy) {
    // The counts belong to one connection: a garbled STAT must not leave those of the last
    // mailbox in place.
    MessageCount = 0;
    TotalSize = 0;
    CurrentMessage = -1;
    FCapabilities.clear();
    ClearListing();
    Outstanding.clear();
    FInFlightBytes = 0;
    FInFlightCommandBytes = 0;
    DeleteErrors.clear();
    OpenLog();
    Connect();
    std::string greeting;
    if (!ReadStatus(greeting)) throw EmsServerError(greeting);
    // Three-digit continuation form ("220-..."); POP3 greetings never take it.
    if (greeting.size() > 3 && greeting.find('-') == 3) {
      for (;;) {
        const std::string more = ReadReply();
        if (more.size() > 3 && more[3] == ' ') break;
        if (more.empty() && PeerClosed()) break;
      }
    }
    if (TlsMode == TmsTlsMode::StartTls) {
      // No fallback: a server that cannot secure the session never sees the password.
      SendCommand(busy, "STLS");
      const std::string reply = ReadReply();
      if (reply.empty() || reply[0] != '+') {
        Abandon();
        throw EmsServerError("The server " + Host() + " does not support STLS, required for this mailbox: " +
                             (reply.empty() ? std::string("no reply") : reply));
      }
      StartTls(Host());
      LogLine("", "--- TLS started");
    }
    Command(busy, "USER " + UserName.substr(0, 255));
    Command(busy, "PASS " + Password.substr(0, 255));
    // Asked after the login: a server may announce more once it knows the user.
    SendCommand(busy, "CAPA");
    std::string capa;
    if (ReadStatus(capa)) {
      std::string text;
      ReadMultiLine(text, -1);
      for (const std::string& line : SplitLines(text)) {
        if (line == "." || line.empty()) continue;
        std::string name = ReplyToken(line, 0);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        FCapabilities.push_back(name);
      }
    }
    CurrentMessage = -1;
    const std::string stat = Command(busy, "STAT");
    const std::string rest = stat.size() > 4 ? stat.substr(4) : std::string();
    const std::size_t blank = rest.find(' ');
    if (blank != std::string::npos) {
      std::int64_t count = 0, size = 0;
      const std::string countText = rest.substr(0, blank);
      const std::string sizeText = rest.substr(blank + 1, rest.find(' ', blank + 1) - blank - 1);
      // A reply that is not numbers leaves the counts at 0, as a missing blank does.
      if (ToInt64(countText, count) && count >= 0 && count <= INT32_MAX) MessageCount = static_cast<int>(count);
      if (ToInt64(sizeText, size)) TotalSize = size;
    }
    if (MessageCount > 0) CurrentMessage = 0;
  });
}

void TmsPOPClient::SetCurrentMessage(int index) {
  if (MessageCount == 0) {
    CurrentMessage = -1;
    return;
  }
  CurrentMessage = std::clamp(index, 0, MessageCount - 1);
}

void TmsPOPClient::RetrieveHeaders() {
  Exchange([this](const TBusyScope& busy) {
    QueuedOrSent(busy, TQueued::Top, "TOP " + MessageNumber() + " 1");
    std::string response;
    ReadMultiLine(response, -1);
    LogLine("< ", "(" + std::to_string(response.size()) + " bytes)");
    if (MailMessage != nullptr) MailMessage->LoadHeaderSummary(SplitLines(response));
  });
}

void TmsPOPClient::RetrieveMessage() {
  FRetrievedWhole = false;
  FRetrievedText.clear();
  Exchange([this](const TBusyScope& busy) {
    if (MailMessage != nullptr) MailMessage->Clear();
    if (OnRetrievingMessage) OnRetrievingMessage();
    const std::string status = QueuedOrSent(busy, TQueued::Retr, "RETR " + MessageNumber());
    std::int64_t size = -1;
    if (!ToInt64(ReplyToken(status, 1), size)) size = -1;
    std::string response;
    ReadMultiLine(response, size);
    LogLine("< ", "(" + std::to_string(response.size()) + " bytes)");
    FRetrievedText = Unstuff(response);
    FRetrievedWhole = true;
  });
  // The reply is complete, so the session is in step whatever the parse makes of it.
  if (MailMessage != nullptr) MailMessage->LoadFromString(FRetrievedText);
  if (OnMessageRetrieved) OnMessageRetrieved();
}

int TmsPOPClient::GetMessageSize() {
  return Exchange([this](const TBusyScope& busy) {
    const std::string reply = Command(busy, "LIST " + MessageNumber());
    std::int64_t size = 0;
    if (!ToInt64(ReplyToken(reply, 2), size) || size < INT32_MIN || size > INT32_MAX) return -1;
    return static_cast<int>(size);
  });
}

std::string TmsPOPClient::GetMessageUID() {
  return Exchange([this](const TBusyScope& busy) {
    SendCommand(busy, "UIDL " + MessageNumber());
    std::string reply;
    if (!ReadStatus(reply)) return std::string();
    return ReplyToken(reply, 2);
  });
}

void TmsPOPClient::DeleteMessage() {
  Exchange([this](const TBusyScope& busy) { QueuedOrSent(busy, TQueued::Dele, "DELE " + MessageNumber()); });
}

void TmsPOPClient::SendKeepAlive(const std::string& command) {
  // A tick that comes while another command waits for its reply is simply skipped.
  if (Busy || !Outstanding.empty()) return;
  Exchange([this, &command](const TBusyScope& busy) {
    SendCommand(busy, command);
    std::string reply;
    ReadStatus(reply);
  });
}

void TmsPOPClient::Logout() {
  Exchange([this](const TBusyScope& busy) {
    SendCommand(busy, "QUIT");
    bool ended = false;
    std::string reply;
    try {
      reply = ReadReply();
    } catch (const EWinsockError& e) {
      // The server may reset the connection as soon as it has QUIT; the logout is done then.
      if (e.Code != WSAECONNRESET) throw;
      ended = true;
    }
    // A server that just closes after QUIT has ended the session as asked, too.
    if (!ended && !(reply.empty() && PeerClosed())) {
      if (reply.starts_with("-ERR")) throw EmsServerError(reply);
      if (!reply.starts_with("+OK")) throw EmsProtocolError(reply);
    }
    Close();
    if (Log.is_open()) Log.close();
  });
}

}  // namespace mailmoat
