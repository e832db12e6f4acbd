#pragma once

#include "mail/TmsSocketBase.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace mailmoat {

class TmsTlsSession;

using TmsNotifyEvent = std::function<void()>;

// A connected stream socket, plain or TLS: sending in full, receiving into a buffer, the
// waits with their time-out, and the connection events. Once closed, every call fails with
// EWinsockError 10038, which callers tell apart from a reset (10054).
class TmsSocket : public TmsSocketBase {
public:
  TmsSocket();
  ~TmsSocket() override;
  TmsSocket(const TmsSocket&) = delete;
  TmsSocket& operator=(const TmsSocket&) = delete;

  // Seconds allowed without progress while waiting for the server.
  int TimeOut = 60;
  // True: waits block inside the operating system. False: waits run in short slices and call
  // `ProcessMessages` (when set) between them, so that window messages run.
  bool Blocking = false;
  std::function<void()> ProcessMessages;
  // An extra certificate authority file trusted besides the system's store; empty for none.
  std::string TlsCaFile;

  TmsNotifyEvent OnConnected;
  TmsNotifyEvent OnDisconnected;

  bool Connected() const { return Fd >= 0; }
  bool TlsActive() const { return Tls != nullptr; }
  // True once the server has closed its side of the connection (a receive of 0 bytes).
  bool PeerClosed() const { return FPeerClosed; }

  // Sends every byte, repeating partial sends. Throws EWinsockError, EmsTimedOutError.
  void SendText(std::string_view data);

  // Turns the open connection into a TLS session with `host` (STLS, STARTTLS, or at connect).
  // Anything received before is discarded: it came in plain text and cannot be trusted.
  // Throws ETlsError when the certificate is refused or the handshake fails; the connection
  // is closed then.
  void StartTls(const std::string& host);

  // Shuts the sending side, closes the socket and signals OnDisconnected. Does nothing
  // when already closed.
  void Close();

protected:
  // Takes over a connected socket (non-blocking at the descriptor; `Blocking` decides how
  // the waits behave) and signals OnConnected.
  void Attach(int fd);
  // Waits until `events` (poll flags) are ready; throws EmsTimedOutError.
  void WaitFor(short events);
  // Appends up to one block (32 768 bytes) to the input buffer; false when the server has
  // closed the connection. Throws EWinsockError (10054 for a reset), EmsTimedOutError.
  bool Fill();
  // Closes without the orderly shutdown and without the event (after a fault).
  void Abandon();
  void CheckOpen() const;

  // Received bytes not consumed yet: InBuf from InPos on.
  std::string InBuf;
  std::size_t InPos = 0;
  std::size_t Buffered() const { return InBuf.size() - InPos; }
  std::string_view BufferedView() const { return std::string_view(InBuf).substr(InPos); }
  void Consume(std::size_t count);

private:
  int Fd = -1;
  bool FPeerClosed = false;
  std::unique_ptr<TmsTlsSession> Tls;
};

}  // namespace mailmoat
