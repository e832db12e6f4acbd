#include "mail/TmsHTTPClient.h"

#include "platform/AsciiText.h"
#include "mail/MimeCodecs.h"
#include "mail/SocketErrors.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace mailmoat {

namespace {

std::string BasicCredentials(const std::string& user, const std::string& password) {
  return EncodeBase64Text((user + ":" + password).substr(0, 255));
}

bool ParseNumber(std::string_view text, std::int64_t& value, int base) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

void TmsHTTPClient::SetURL(const std::string& url) {
  std::string rest = url;
  const std::string head = UpperCaseAscii(url.substr(0, 8));
  Secure = head.starts_with("HTTPS://");
  if (Secure) {
    rest = url.substr(8);
  } else if (head.starts_with("HTTP://")) {
    rest = url.substr(7);
  }
  const std::size_t slash = rest.find('/');
  const std::string hostPart = rest.substr(0, slash);
  // Blanks and control bytes would break the request line apart.
  const bool unsafe = std::any_of(url.begin(), url.end(), [](unsigned char c) { return c <= ' ' || c == 127; });
  if (hostPart.empty() || hostPart.front() == ':' || unsafe) throw EmsError("Invalid URL");
  FURL = url;
  DefaultPort = Secure ? 443 : 80;
  SetHost(hostPart);
  FRequestPath = slash == std::string::npos ? "/" : rest.substr(slash);
}

void TmsHTTPClient::SetProxy(const std::string& text) {
  const std::string proxy = text.substr(0, 255);
  const std::size_t colon = proxy.find(':');
  if (colon == std::string::npos) {
    FProxy = proxy;
    ProxyPort = 0;
    // Without a proxy, a port written in the host counts again.
    if (FProxy.empty()) SetHost(FHost);
    return;
  }
  FProxy = proxy.substr(0, colon);
  std::int64_t port = 0;
  ProxyPort = ParseNumber(proxy.substr(colon + 1), port, 10) && port > 0 && port <= 65535 ? static_cast<int>(port) : 0;
}

std::string TmsHTTPClient::OriginName() const {
  return FHost.substr(0, FHost.find(':'));
}

int TmsHTTPClient::OriginPort() const {
  const std::size_t colon = FHost.find(':');
  if (colon == std::string::npos) return Port;
  std::int64_t port = 0;
  return ParseNumber(std::string_view(FHost).substr(colon + 1), port, 10) && port > 0 && port <= 65535
             ? static_cast<int>(port)
             : DefaultPort;
}

int TmsHTTPClient::ConnectPort() const {
  if (FProxy.empty()) return Port;
  return ProxyPort > 0 ? ProxyPort : 80;
}

std::string TmsHTTPClient::BuildRequest() const {
  // Through a proxy the target is the whole address, except inside an HTTPS tunnel.
  std::string target = FRequestPath;
  if (!FProxy.empty() && !Secure) {
    target = FURL;
    const std::size_t schemeEnd = UpperCaseAscii(FURL.substr(0, 7)) == "HTTP://" ? 7 : 0;
    if (FURL.find('/', schemeEnd) == std::string::npos) target += "/";
  }
  // RFC 9110 section 7.2: the port goes with the name unless it is the scheme's own.
  std::string hostHeader = OriginName();
  if (OriginPort() != DefaultPort) hostHeader += ":" + std::to_string(OriginPort());
  std::string r = "GET " + target + " HTTP/1.1\r\n";
  r += "Host: " + hostHeader + "\r\n";
  r += "Accept: */*\r\n";
  if (Authorization) r += "Authorization: Basic " + BasicCredentials(UserName, Password) + "\r\n";
  if (!FProxy.empty() && !Secure && ProxyAuthorization)
    r += "Proxy-Authorization: Basic " + BasicCredentials(ProxyUserName, ProxyPassword) + "\r\n";
  if (UserAgent.find_first_of("\r\n") != std::string::npos)
    throw EmsError("Line breaks are not allowed in the User-Agent");
  if (!UserAgent.empty()) r += "User-Agent: " + UserAgent + "\r\n";
  r += "Connection: close\r\n\r\n";
  return r;
}

void TmsHTTPClient::OpenTunnel() {
  const std::string target = OriginName() + ":" + std::to_string(OriginPort());
  std::string r = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
  if (ProxyAuthorization) r += "Proxy-Authorization: Basic " + BasicCredentials(ProxyUserName, ProxyPassword) + "\r\n";
  SendText(r + "\r\n");
  const std::string status = ReadLine();
  for (std::string line = status; !line.empty();) line = ReadLine();
  if (!status.starts_with("HTTP/") || status.find(" 2") == std::string::npos || status.find(" 2") > 9)
    throw EmsServerError("The proxy " + FProxy + " refused the connection to " + target + ": " + status);
}

void TmsHTTPClient::ReadHeaders() {
  for (;;) {
    if (ProcessMessages) ProcessMessages();
    const std::string line = ReadLine();
    Headers.push_back(line);
    if (line.empty()) return;
  }
}

void TmsHTTPClient::ReadBody() {
  if (UpperCaseAscii(GetHeaderValue(Headers, "Transfer-Encoding")) == "CHUNKED") {
    for (;;) {
      std::string sizeLine(TrimText(ReadLine()));
      // Chunk extensions (RFC 9112 section 7.1.1) carry nothing this client needs.
      sizeLine = TrimText(sizeLine.substr(0, sizeLine.find(';')));
      std::int64_t size = 0;
      if (!ParseNumber(sizeLine, size, 16) || size < 0) throw EmsError("Error receiving the stream");
      if (size == 0) return;
      if (!ReadExact(ResponseBody, size, -1)) throw EWinsockError(WSAECONNRESET);
      ReadLine();
    }
  }
  std::int64_t length = 0;
  if (ParseNumber(GetHeaderValue(Headers, "Content-Length"), length, 10) && length > 0) {
    if (!ReadExact(ResponseBody, length, length)) throw EWinsockError(WSAECONNRESET);
    return;
  }
  ReadToClose(ResponseBody);
}

int TmsHTTPClient::Get() {
  Headers.clear();
  ResponseBody.clear();
  TlsMode = TmsTlsMode::None;
  int status = -1;
  try {
    Connect();
    if (Secure) {
      if (!FProxy.empty()) OpenTunnel();
      StartTls(OriginName());
    }
    if (OnSendingRequest) OnSendingRequest();
    SendText(BuildRequest());
    if (OnRequestSent) OnRequestSent();
    ReadHeaders();
    std::int64_t code = 0;
    const std::string first = Headers.front();
    const std::size_t blank = first.find(' ');
    if (blank != std::string::npos &&
        ParseNumber(first.substr(blank + 1, first.find(' ', blank + 1) - blank - 1), code, 10) && code >= 100 &&
        code <= 999)  // a status code has three digits; anything else is no status at all
      status = static_cast<int>(code);
    if (!(Headers.size() == 1 && PeerClosed())) ReadBody();
  } catch (...) {
    Close();
    throw;
  }
  Close();
  return status;
}

}  // namespace mailmoat
