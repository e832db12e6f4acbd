#pragma once

#include "mail/MailHeaders.h"
#include "mail/TmsClientSocket.h"

#include <string>

namespace mailmoat {

// Downloads one file with HTTP/1.1 GET ("http://" or "https://"), directly or through an
// HTTP proxy. Redirects are returned as their status codes, not followed.
class TmsHTTPClient : public TmsClientSocket {
public:
  TmsHTTPClient() : TmsClientSocket(80) {}

  // Stores the address and derives Host, Port, the request path and whether TLS is used.
  // Throws EmsError("Invalid URL") for an address without a host.
  void SetURL(const std::string& url);
  const std::string& URL() const { return FURL; }
  const std::string& RequestPath() const { return FRequestPath; }

  // "host" or "host:port" (cut to 255 bytes); empty for a direct connection. A port that
  // is not a number gives 0, which means the HTTP port 80.
  void SetProxy(const std::string& text);
  const std::string& Proxy() const { return FProxy; }
  int ProxyPort = 0;

  std::string UserAgent;
  bool Authorization = false;
  std::string UserName;
  std::string Password;
  // The Proxy-Authorization header is sent only when this is on: a user name kept while the
  // option is off must not go out in the clear.
  bool ProxyAuthorization = false;
  std::string ProxyUserName;
  std::string ProxyPassword;

  TmsNotifyEvent OnSendingRequest;
  TmsNotifyEvent OnRequestSent;

  // The header lines of the last response, status line first, ending with the empty line.
  TmsHeaders Headers;
  // The body of the last response (chunked transfer decoded).
  std::string ResponseBody;

  // Sends the request and reads the response; returns the status code, -1 when there is no
  // status line or it holds no number. The connection is closed in every case. Throws
  // EWinsockError ("[10054] Connection reset by peer" for a body cut short),
  // EmsTimedOutError, EmsTooMuchDataError, ETlsError, EmsError("Error receiving the stream")
  // for a broken chunk size, EmsServerError when a proxy refuses an HTTPS tunnel.
  int Get();

  // The request as Get sends it.
  std::string BuildRequest() const;

protected:
  bool HostCarriesPort() const override { return FProxy.empty(); }
  std::string ConnectHost() const override { return FProxy.empty() ? FHost : FProxy; }
  int ConnectPort() const override;

private:
  // The server's name and port, also while a proxy keeps the port inside the host text.
  std::string OriginName() const;
  int OriginPort() const;
  void OpenTunnel();
  void ReadHeaders();
  void ReadBody();

  std::string FURL;
  std::string FRequestPath = "/";
  std::string FProxy;
  bool Secure = false;
};

}  // namespace mailmoat
