#pragma once

#include "mail/TmsClientSocket.h"

#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

// How SendMail reaches its server; the defaults are plain SMTP on port 25.
struct TSmtpOptions {
  int Port = 25;
  // StartTls: the server must offer STARTTLS, or nothing is sent. ImplicitTls: TLS from the
  // first byte (port 465).
  TmsTlsMode Security = TmsTlsMode::None;
  std::string TlsCaFile;
  // The longest wait for a reply line, in seconds.
  int TimeOut = 300;
  // The name sent with EHLO and HELO; empty: LocalHostName().
  std::string HeloName;
  // When set, waits run in slices and call it between them, so that the window runs.
  std::function<void()> ProcessMessages;
  // When not null, receives why a send failed (the refused reply, or the error text).
  std::string* FailureText = nullptr;
};

// Delivers one message (its lines without line breaks) from `from` to `to` through `server`
// (RFC 5321 with SIZE; AUTH CRAM-MD5, then LOGIN, or PLAIN when the server offers neither of
// them, when a login or password is given). True only when MAIL FROM, RCPT TO and DATA
// were all accepted. Never throws: every failure is false.
bool SendMail(const std::string& from, const std::string& to, const std::string& server,
              const std::vector<std::string>& lines, const std::string& login, const std::string& password,
              const TSmtpOptions& options = {});

// The fully qualified name the resolver gives for this machine, "127.0.0.1" when none.
std::string LocalHostName();

// The CRAM-MD5 answer before base64: login, a blank and the HMAC-MD5 of the challenge keyed
// with the password, in 32 lower-case hexadecimal digits (RFC 2195).
std::string CramMd5Response(const std::string& login, const std::string& password, const std::string& challenge);

}  // namespace mailmoat
