#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace mailmoat {

// One TLS client session over a connected, non-blocking socket (OpenSSL). The certificate
// chain is verified against the system's store plus an optional extra CA file, and the
// certificate must name the host. The owner drives the waits: each call returns at once,
// telling what it waits for. Errors are ETlsError with a clear text, or EWinsockError.
class TmsTlsSession {
public:
  enum TWait { twNone, twRead, twWrite };

  // Prepares the session; nothing is sent yet. `host` is the name (or dotted address) the
  // certificate must carry. `caFile` empty: only the system's store. Throws ETlsError when
  // the CA file cannot be loaded.
  TmsTlsSession(int fd, const std::string& host, const std::string& caFile);
  ~TmsTlsSession();
  TmsTlsSession(const TmsTlsSession&) = delete;
  TmsTlsSession& operator=(const TmsTlsSession&) = delete;

  // One step of the handshake: twNone when it is complete, else what to wait for.
  // Throws ETlsError when the server's certificate is refused or the handshake fails.
  TWait Handshake();
  // Reads up to `size` bytes: the count read (0: the server closed the session), or -1 with
  // `wait` set. Throws EWinsockError on a socket failure.
  long Read(char* data, std::size_t size, TWait& wait);
  // Writes up to `size` bytes: the count written, or -1 with `wait` set.
  long Write(const char* data, std::size_t size, TWait& wait);
  // Sends the close notification, without waiting for the server's.
  void Shutdown();

private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

}  // namespace mailmoat
