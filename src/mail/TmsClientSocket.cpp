#include "mail/TmsClientSocket.h"

#include "mail/SocketErrors.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mailmoat {

namespace {

bool ParsePort(std::string_view text, int& port) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  port = value;
  return true;
}

struct TAddrInfo {
  addrinfo* List = nullptr;
  ~TAddrInfo() {
    if (List != nullptr) freeaddrinfo(List);
  }
};

}  // namespace

TmsTlsMode TlsModeOfSetting(int value) {
  switch (value) {
    case 0: return TmsTlsMode::None;
    case 1: return TmsTlsMode::StartTls;
    case 2: return TmsTlsMode::ImplicitTls;
    default: throw EmsError("Unknown connection security setting " + std::to_string(value));
  }
}

void TmsClientSocket::SetHost(const std::string& text) {
  const std::string host = text.substr(0, 255);
  const std::size_t colon = host.find(':');
  if (colon != std::string::npos && HostCarriesPort()) {
    FHost = host.substr(0, colon);
    if (!ParsePort(std::string_view(host).substr(colon + 1), Port)) Port = DefaultPort;
  } else {
    FHost = host;
    if (DefaultPort > 0) Port = DefaultPort;
  }
}

void TmsClientSocket::Connect() {
  Close();
  LastReply.clear();
  if (OnConnecting) OnConnecting();
  const std::string host = ConnectHost();
  const int port = ConnectPort();
  if (port <= 0 || port > 65535) throw EWinsockError(10049);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  TAddrInfo found;
  const std::string service = std::to_string(port);
  const int gai = getaddrinfo(host.c_str(), service.c_str(), &hints, &found.List);
  if (gai != 0) throw EWinsockError(WinsockCodeOfResolverError(gai, errno));

  // The first address that accepts; a refused IPv6 address falls through to IPv4.
  int lastCode = WSAECONNREFUSED;
  for (addrinfo* a = found.List; a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      lastCode = WinsockCodeOfErrno(errno);
      continue;
    }
    const linger noLinger{0, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    // Commands are small writes that each wait for a reply: never hold one back.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      lastCode = WinsockCodeOfErrno(errno);
      ::close(fd);
      continue;
    }
    // Waiting for the connection uses the socket's own waits, so Attach it silently first.
    const TmsNotifyEvent connected = std::move(OnConnected);
    OnConnected = nullptr;
    Attach(fd);
    OnConnected = connected;
    try {
      WaitFor(POLLOUT);
    } catch (...) {
      Abandon();
      throw;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
    if (soError != 0) {
      lastCode = WinsockCodeOfErrno(soError);
      Abandon();
      continue;
    }
    if (TlsMode == TmsTlsMode::ImplicitTls) StartTls(host);
    if (OnConnected) OnConnected();
    return;
  }
  throw EWinsockError(lastCode);
}

std::string TmsClientSocket::ReadLine() {
  std::size_t scanned = 0;
  for (;;) {
    const std::string_view data = BufferedView();
    const std::size_t limit = std::min(data.size(), MaxReplyLine);
    const std::size_t lf = data.substr(0, limit).find('\n', scanned);
    if (lf != std::string_view::npos) {
      std::string line(data.substr(0, lf));
      Consume(lf + 1);
      const std::size_t cr = line.find('\r');
      if (cr != std::string::npos) line.erase(cr, 1);
      LastReply = line;
      return line;
    }
    if (data.size() >= MaxReplyLine) {
      Abandon();
      throw EmsTooMuchDataError();
    }
    scanned = data.size();
    if (!Fill()) {
      std::string line(BufferedView());
      Consume(Buffered());
      const std::size_t cr = line.find('\r');
      if (cr != std::string::npos) line.erase(cr, 1);
      LastReply = line;
      return line;
    }
  }
}

void TmsClientSocket::ReportProgress(std::int64_t bytes, std::int64_t total, std::int64_t lines) {
  if (!OnTransferProgress) return;
  int perc = -1;
  if (total > 0) perc = static_cast<int>(std::min<std::int64_t>(100, bytes * 100 / total));
  OnTransferProgress(perc, bytes, lines);
}

void TmsClientSocket::ReadMultiLine(std::string& out, std::int64_t totalSize) {
  out.clear();
  std::int64_t lines = 0;
  std::size_t scanned = 0;  // bytes of `out` already searched for the end
  for (;;) {
    // Take what is buffered, but never beyond the end of this response.
    const std::string_view data = BufferedView();
    const std::size_t before = out.size();
    out.append(data);
    std::size_t end = std::string::npos;
    if (out.size() >= 3 && out.compare(0, 3, ".\r\n") == 0) {
      end = 3;
    } else {
      const std::size_t from = scanned >= 4 ? scanned - 4 : 0;
      const std::size_t at = out.find("\r\n.\r\n", from);
      if (at != std::string::npos) end = at + 5;
    }
    const std::size_t taken = end == std::string::npos ? data.size() : end - before;
    out.resize(before + taken);
    Consume(taken);
    lines += std::count(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(), '\r');
    scanned = out.size();
    if (taken > 0) ReportProgress(static_cast<std::int64_t>(out.size()), totalSize, lines);
    if (end != std::string::npos) return;
    if (!Fill()) {
      Abandon();
      throw EmsProtocolError("The server closed the connection before the end of the reply");
    }
  }
}

bool TmsClientSocket::ReadExact(std::string& out, std::int64_t count, std::int64_t totalSize) {
  const std::size_t start = out.size();
  std::int64_t lines = 0;
  for (;;) {
    const std::size_t have = out.size() - start;
    const std::size_t want = static_cast<std::size_t>(count) - have;
    const std::size_t take = std::min(want, Buffered());
    if (take > 0) {
      lines += std::count(BufferedView().begin(), BufferedView().begin() + static_cast<std::ptrdiff_t>(take), '\r');
      out.append(BufferedView().substr(0, take));
      Consume(take);
      ReportProgress(static_cast<std::int64_t>(out.size() - start), totalSize, lines);
    }
    if (out.size() - start == static_cast<std::size_t>(count)) return true;
    if (!Fill()) return false;
  }
}

void TmsClientSocket::ReadToClose(std::string& out) {
  const std::size_t start = out.size();
  std::int64_t lines = 0;
  for (;;) {
    if (Buffered() > 0) {
      lines += std::count(BufferedView().begin(), BufferedView().end(), '\r');
      out.append(BufferedView());
      Consume(Buffered());
      ReportProgress(static_cast<std::int64_t>(out.size() - start), -1, lines);
    }
    if (!Fill()) return;
  }
}

}  // namespace mailmoat
