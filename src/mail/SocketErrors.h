#pragma once

#include "platform/Errors.h"

#include <string>

namespace mailmoat {

// Base of the errors of the mail protocol layer; also raised as itself ("Invalid URL").
class EmsError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// A negative or unrecognised server reply; the message is the reply line as received.
class EmsServerError : public EmsError {
public:
  using EmsError::EmsError;
};

// A reply that does not fit its command (neither "+OK" nor "-ERR"), no reply at all, or a
// multi-line reply cut off by the close of the connection. The stream is out of step with
// the commands then, so the client has already dropped the connection.
class EmsProtocolError : public EmsServerError {
public:
  using EmsServerError::EmsServerError;
};

// "Operation timed out": the server made no progress for TimeOut seconds.
class EmsTimedOutError : public EmsError {
public:
  EmsTimedOutError() : EmsError("Operation timed out") {}
};

// "Buffer is full. Will disconnect.": a reply line of 4093 bytes without a line feed.
class EmsTooMuchDataError : public EmsError {
public:
  EmsTooMuchDataError() : EmsError("Buffer is full. Will disconnect.") {}
};

// The TLS handshake or a certificate check failed; the message names the host, the reason
// and, for a refused certificate, its issuer. Never followed by a fall-back to plain text.
class ETlsError : public EmsError {
public:
  using EmsError::EmsError;
};

// A socket call failed. Code is the socket error code of the table below (10054 for a
// reset); the message is WinsockErrorText(Code), which callers search for the code.
class EWinsockError : public EMailmoatError {
public:
  explicit EWinsockError(int code);
  EWinsockError(int code, const std::string& message) : EMailmoatError(message), Code(code) {}
  int Code;
};

// Socket error codes the code tells apart.
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAHOST_NOT_FOUND = 11001;

// "[code] description" for the 52 codes of the table, else "Winsock error no " + code.
std::string WinsockErrorText(int code);

// The socket error code of an errno value (ECONNRESET and EPIPE give 10054, EBADF and
// ENOTSOCK 10038, ...); an errno without a counterpart is returned unchanged.
int WinsockCodeOfErrno(int err);

// The socket error code of a getaddrinfo result (EAI_NONAME gives 11001); EAI_SYSTEM
// uses `err`.
int WinsockCodeOfResolverError(int gaiResult, int err);

}  // namespace mailmoat
