#include "mail/SendMail.h"

#include "platform/AsciiText.h"
#include "mail/MimeCodecs.h"
#include "mail/SocketErrors.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <nettle/hmac.h>
#include <netdb.h>
#include <unistd.h>

namespace mailmoat {

namespace {

std::string DecodeBase64(std::string_view text) {
  static constexpr std::string_view Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const std::size_t value = Alphabet.find(c);
    if (value == std::string_view::npos) continue;  // padding, blanks
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

struct TReply {
  int Code = 0;
  std::vector<std::string> Lines;
};

// One SMTP dialogue; every step returns false on a refusal, and errors end it as false.
class TSmtpSession {
public:
  explicit TSmtpSession(const TSmtpOptions& options) : Options(options), Socket(options.Port) {
    Socket.TimeOut = options.TimeOut;
    Socket.ProcessMessages = options.ProcessMessages;
    Socket.Blocking = !options.ProcessMessages;
    Socket.TlsCaFile = options.TlsCaFile;
  }

  bool Send(const std::string& from, const std::string& to, const std::string& server,
            const std::vector<std::string>& lines, const std::string& login, const std::string& password) {
    Socket.SetHost(server);
    Socket.Port = Options.Port;
    if (Options.Security == TmsTlsMode::ImplicitTls) Socket.TlsMode = TmsTlsMode::ImplicitTls;
    Socket.Connect();
    if (Read().Code != 220) return Refused();
    const std::string name = Options.HeloName.empty() ? LocalHostName() : Options.HeloName;
    if (!Hello(name)) return Refused();

    bool accepted = false;
    if (Options.Security == TmsTlsMode::StartTls && !UpgradeToTls(server, name)) {
      Fail("The server " + server + " does not offer STARTTLS, required for sending");
    } else {
      if ((!login.empty() || !password.empty()) && Extended) Authenticate(login, password, name);
      accepted = Transfer(from, to, lines);
    }
    try {
      Command("QUIT");
    } catch (const std::exception&) {
      // The message is delivered (or refused) already; the goodbye changes nothing.
    }
    Socket.Close();
    return accepted;
  }

  std::string Failure;

private:
  TReply Read() {
    TReply reply;
    for (;;) {
      const std::string line = Socket.ReadLine();
      // The server closing the connection ends the wait as an error.
      if (line.empty() && Socket.PeerClosed()) throw EWinsockError(WSAECONNRESET);
      reply.Lines.push_back(line);
      if (line.find('-') != 3) break;
    }
    const std::string& first = reply.Lines.front();
    if (first.size() >= 3 &&
        std::all_of(first.begin(), first.begin() + 3, [](unsigned char c) { return std::isdigit(c); }))
      reply.Code = std::stoi(first.substr(0, 3));
    Last = first;
    return reply;
  }

  TReply Command(const std::string& text) {
    // A line break in an address would smuggle in commands of its own.
    if (text.find_first_of("\r\n") != std::string::npos)
      throw EmsError("Line breaks are not allowed in an SMTP command");
    Socket.SendText(text + "\r\n");
    return Read();
  }

  bool Refused() {
    Fail(Last);
    return false;
  }

  void Fail(const std::string& text) {
    if (Failure.empty()) Failure = text;
  }

  bool Hello(const std::string& name) {
    TReply reply = Command("EHLO " + name);
    Extended = reply.Code >= 250 && reply.Code <= 259;
    if (!Extended) {
      reply = Command("HELO " + name);
      if (reply.Code < 250 || reply.Code > 259) return false;
    }
    Capabilities.clear();
    for (std::size_t i = 1; Extended && i < reply.Lines.size(); ++i)
      Capabilities.push_back(reply.Lines[i].size() > 4 ? reply.Lines[i].substr(4) : std::string());
    return true;
  }

  bool UpgradeToTls(const std::string& server, const std::string& name) {
    const bool offered = Extended && std::any_of(Capabilities.begin(), Capabilities.end(),
                                                 [](const std::string& c) { return UpperCaseAscii(c) == "STARTTLS"; });
    if (!offered) return false;
    if (Command("STARTTLS").Code != 220) return false;
    Socket.StartTls(Socket.Host().empty() ? server : Socket.Host());
    // RFC 3207 section 4.2: what was learnt before the upgrade is forgotten.
    return Hello(name);
  }

  void Authenticate(const std::string& login, const std::string& password, const std::string& name) {
    std::string methods;
    for (const char* prefix : {"AUTH ", "AUTH="}) {
      for (const std::string& c : Capabilities)
        if (UpperCaseAscii(c).starts_with(prefix)) {
          methods = " " + UpperCaseAscii(c.substr(5)) + " ";
          break;
        }
      if (!methods.empty()) break;
    }
    const bool cram = methods.find("CRAM-MD5") != std::string::npos;
    const bool loginMethod = methods.find("LOGIN") != std::string::npos;
    bool done = false;
    if (cram) {
      const TReply challenge = Command("AUTH CRAM-MD5");
      if (challenge.Code == 334) {
        const std::string text = challenge.Lines.front().size() > 4 ? challenge.Lines.front().substr(4) : "";
        done = Command(EncodeBase64Text(CramMd5Response(login, password, DecodeBase64(text)))).Code == 235;
      }
    }
    if (!done && loginMethod) {
      if (Command("AUTH LOGIN").Code == 334 && Command(EncodeBase64Text(login)).Code == 334)
        done = Command(EncodeBase64Text(password)).Code == 235;
    }
    if (!done && !cram && !loginMethod && methods.find(" PLAIN ") != std::string::npos) {
      // RFC 4616: an empty authorisation identity, then the login and the password.
      std::string plain;
      plain.push_back('\0');
      plain += login;
      plain.push_back('\0');
      plain += password;
      done = Command("AUTH PLAIN " + EncodeBase64Text(plain)).Code == 235;
    }
    // Without authentication the server decides whether it takes the mail.
    if (done) Command("EHLO " + name);
  }

  bool Transfer(const std::string& from, const std::string& to, const std::vector<std::string>& lines) {
    bool useSize = false;
    for (const std::string& c : Capabilities)
      if (UpperCaseAscii(c).starts_with("SIZE")) useSize = true;
    // A break inside a line becomes a line of its own, so that no text can end the data
    // early with a "." line of its own making.
    std::vector<std::string_view> parts;
    for (const std::string& line : lines) {
      std::string_view rest = line;
      for (;;) {
        const std::size_t brk = rest.find_first_of("\r\n");
        parts.push_back(rest.substr(0, brk));
        if (brk == std::string_view::npos) break;
        const std::size_t skip = rest.compare(brk, 2, "\r\n") == 0 ? 2 : 1;
        rest.remove_prefix(brk + skip);
      }
    }
    std::size_t length = 0;
    for (const std::string_view part : parts) length += part.size() + 2;
    std::string mail = "MAIL FROM:<" + from + ">";
    if (useSize && length > 0) mail += " SIZE=" + std::to_string(length);
    if (Command(mail).Code != 250) return Refused();
    if (Command("RCPT TO:<" + to + ">").Code != 250) return Refused();
    if (Command("DATA").Code != 354) return Refused();
    std::string data;
    data.reserve(length + parts.size() + 8);
    for (const std::string_view line : parts) {
      // A line with a single dot would make SMTP think "end of message", so use two dots.
      if (!line.empty() && line[0] == '.') data += '.';
      data += line;
      data += "\r\n";
    }
    data += ".\r\n";
    Socket.SendText(data);
    if (Read().Code != 250) return Refused();
    return true;
  }

  const TSmtpOptions& Options;
  TmsClientSocket Socket;
  bool Extended = false;
  std::vector<std::string> Capabilities;
  std::string Last;
};

}  // namespace

std::string CramMd5Response(const std::string& login, const std::string& password, const std::string& challenge) {
  hmac_md5_ctx ctx;
  hmac_md5_set_key(&ctx, password.size(), reinterpret_cast<const std::uint8_t*>(password.data()));
  hmac_md5_update(&ctx, challenge.size(), reinterpret_cast<const std::uint8_t*>(challenge.data()));
  std::uint8_t digest[MD5_DIGEST_SIZE];
  hmac_md5_digest(&ctx, sizeof digest, digest);
  static constexpr char Hex[] = "0123456789abcdef";
  std::string out = login + " ";
  for (const std::uint8_t b : digest) {
    out += Hex[b >> 4];
    out += Hex[b & 15];
  }
  return out;
}

std::string LocalHostName() {
  char name[256] = "";
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "127.0.0.1";
  addrinfo hints{};
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return "127.0.0.1";
  std::string canonical = found->ai_canonname != nullptr ? found->ai_canonname : "";
  freeaddrinfo(found);
  return canonical.empty() ? "127.0.0.1" : canonical;
}

bool SendMail(const std::string& from, const std::string& to, const std::string& server,
              const std::vector<std::string>& lines, const std::string& login, const std::string& password,
              const TSmtpOptions& options) {
  TSmtpSession session(options);
  bool accepted = false;
  try {
    if ((from + to).find_first_of("\r\n") != std::string::npos)
      throw EmsError("Line breaks are not allowed in an SMTP command");
    accepted = session.Send(from, to, server, lines, login, password);
  } catch (const std::exception& e) {
    session.Failure = e.what();
    accepted = false;
  }
  if (options.FailureText != nullptr) *options.FailureText = accepted ? std::string() : session.Failure;
  return accepted;
}

}  // namespace mailmoat
