#include "mail/TmsSocket.h"

#include "mail/SocketErrors.h"
#include "mail/TmsTlsSession.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mailmoat {

namespace {

constexpr std::size_t kBlockSize = 32768;
// How long a non-blocking wait sleeps before it lets window messages run again.
constexpr int kSliceMs = 50;

short PollEvents(TmsTlsSession::TWait wait) {
  return wait == TmsTlsSession::twWrite ? POLLOUT : POLLIN;
}

}  // namespace

TmsSocket::TmsSocket() = default;

TmsSocket::~TmsSocket() {
  Abandon();
}

void TmsSocket::CheckOpen() const {
  if (Fd < 0) throw EWinsockError(WSAENOTSOCK);
}

void TmsSocket::Attach(int fd) {
  Abandon();
  Fd = fd;
  FPeerClosed = false;
  InBuf.clear();
  InPos = 0;
  RestartTimeOut();
  if (OnConnected) OnConnected();
}

void TmsSocket::WaitFor(short events) {
  for (;;) {
    CheckOpen();
    const int left = TimeOutRemainingMs(TimeOut);
    pollfd p{Fd, events, 0};
    const int ready = ::poll(&p, 1, Blocking ? left : std::min(left, kSliceMs));
    if (ready > 0) return;  // errors and hang-ups show in the call that follows
    if (ready < 0 && errno != EINTR) throw EWinsockError(WinsockCodeOfErrno(errno));
    if (!Blocking && ProcessMessages) ProcessMessages();
  }
}

void TmsSocket::SendText(std::string_view data) {
  CheckOpen();
  RestartTimeOut();
  std::size_t sent = 0;
  while (sent < data.size()) {
    const std::size_t chunk = std::min(data.size() - sent, kBlockSize);
    long n;
    if (Tls) {
      TmsTlsSession::TWait wait = TmsTlsSession::twNone;
      n = Tls->Write(data.data() + sent, chunk, wait);
      if (n < 0) {
        WaitFor(PollEvents(wait));
        continue;
      }
    } else {
      n = ::send(Fd, data.data() + sent, chunk, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) throw EWinsockError(WinsockCodeOfErrno(errno));
        WaitFor(POLLOUT);
        continue;
      }
    }
    sent += static_cast<std::size_t>(n);
    RestartTimeOut();
  }
}

bool TmsSocket::Fill() {
  CheckOpen();
  if (InPos > 0) {
    InBuf.erase(0, InPos);
    InPos = 0;
  }
  const std::size_t old = InBuf.size();
  InBuf.resize(old + kBlockSize);
  for (;;) {
    long n;
    if (Tls) {
      TmsTlsSession::TWait wait = TmsTlsSession::twNone;
      try {
        n = Tls->Read(InBuf.data() + old, kBlockSize, wait);
      } catch (...) {
        InBuf.resize(old);
        throw;
      }
      if (n < 0) {
        try {
          WaitFor(PollEvents(wait));
        } catch (...) {
          InBuf.resize(old);
          throw;
        }
        continue;
      }
    } else {
      n = ::recv(Fd, InBuf.data() + old, kBlockSize, 0);
      if (n < 0) {
        const int err = errno;
        if (err == EINTR) continue;
        if (err != EAGAIN && err != EWOULDBLOCK) {
          InBuf.resize(old);
          throw EWinsockError(WinsockCodeOfErrno(err));
        }
        try {
          WaitFor(POLLIN);
        } catch (...) {
          InBuf.resize(old);
          throw;
        }
        continue;
      }
    }
    InBuf.resize(old + static_cast<std::size_t>(n));
    if (n == 0) {
      FPeerClosed = true;
      return false;
    }
    RestartTimeOut();
    return true;
  }
}

void TmsSocket::Consume(std::size_t count) {
  InPos += count;
  if (InPos == InBuf.size()) {
    InBuf.clear();
    InPos = 0;
  }
}

void TmsSocket::StartTls(const std::string& host) {
  CheckOpen();
  InBuf.clear();
  InPos = 0;
  try {
    Tls = std::make_unique<TmsTlsSession>(Fd, host, TlsCaFile);
    RestartTimeOut();
    for (;;) {
      const TmsTlsSession::TWait wait = Tls->Handshake();
      if (wait == TmsTlsSession::twNone) break;
      WaitFor(PollEvents(wait));
    }
    RestartTimeOut();
  } catch (...) {
    Abandon();
    throw;
  }
}

void TmsSocket::Close() {
  if (Fd < 0) return;
  if (Tls) {
    try {
      Tls->Shutdown();
    } catch (...) {
      // The connection is going away either way.
    }
  }
  ::shutdown(Fd, SHUT_WR);
  Abandon();
  if (OnDisconnected) OnDisconnected();
}

void TmsSocket::Abandon() {
  Tls.reset();
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  InBuf.clear();
  InPos = 0;
}

}  // namespace mailmoat
