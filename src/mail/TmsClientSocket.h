#pragma once

#include "mail/TmsSocket.h"

#include <cstdint>
#include <functional>
#include <string>

namespace mailmoat {

// Perc is -1 when the total size is not known; ByteCount and LineCount count from the start
// of the transfer.
using TmsProgressEvent = std::function<void(int perc, std::int64_t byteCount, std::int64_t lineCount)>;

// How a connection is secured. A STARTTLS-style upgrade is the protocol's own step (STLS,
// STARTTLS); ImplicitTls starts TLS as soon as the connection stands.
enum class TmsTlsMode { None, StartTls, ImplicitTls };

// The mode of a stored security setting (a profile's security byte, [Requeue] SMTPSecurity):
// 0 plain, 1 upgrade (STLS, STARTTLS), 2 TLS from the start. Throws EmsError for any other
// value, so that a setting this version does not know never means plain text.
TmsTlsMode TlsModeOfSetting(int value);

// A client connection: the server's host and port, connecting, and reading replies.
class TmsClientSocket : public TmsSocket {
public:
  // The longest reply line: this many bytes without a line feed are an error.
  static constexpr std::size_t MaxReplyLine = 4093;

  explicit TmsClientSocket(int defaultPort) : Port(defaultPort), DefaultPort(defaultPort) {}

  // "name" or "name:port" (cut to 255 bytes). A port that is not a number gives the
  // default port.
  void SetHost(const std::string& text);
  const std::string& Host() const { return FHost; }

  int Port;
  TmsTlsMode TlsMode = TmsTlsMode::None;
  // The last reply line read, without its line break.
  std::string LastReply;

  TmsNotifyEvent OnConnecting;
  TmsProgressEvent OnTransferProgress;

  // Resolves Host and connects to it (each address of the name in turn); with ImplicitTls,
  // the TLS handshake follows. Throws EWinsockError ("[11001] Host not found", "[10061]
  // Connection refused", ...), EmsTimedOutError, ETlsError.
  void Connect();

  // Reads one line up to its line feed, or to the close of the connection (then what came,
  // possibly empty). The line feed and the first carriage return are removed; the result
  // also goes to LastReply. Throws EmsTooMuchDataError for 4093 bytes without a line feed
  // (and drops the connection), EWinsockError, EmsTimedOutError.
  std::string ReadLine();

  // Reads a multi-line response after its status line into `out`: up to and including the
  // "." line that ends it. Nothing after the end is consumed. `totalSize` (-1: unknown)
  // gives the percentages of OnTransferProgress. A close of the connection before the "."
  // line drops the connection and throws EmsProtocolError: what came is not the whole reply.
  void ReadMultiLine(std::string& out, std::int64_t totalSize);

  // Appends exactly `count` bytes to `out`; false when the connection closed before (what
  // came is appended). `totalSize` as above.
  bool ReadExact(std::string& out, std::int64_t count, std::int64_t totalSize);
  // Appends everything until the server closes the connection.
  void ReadToClose(std::string& out);

protected:
  // False while a proxy is set: then a ":" in the host is no port (HTTP).
  virtual bool HostCarriesPort() const { return true; }
  // Where Connect goes: Host and Port, or a proxy.
  virtual std::string ConnectHost() const { return FHost; }
  virtual int ConnectPort() const { return Port; }
  std::string FHost;
  int DefaultPort;

private:
  void ReportProgress(std::int64_t bytes, std::int64_t total, std::int64_t lines);
};

}  // namespace mailmoat
