#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace mailmoat::test {

// A one-connection server on a loopback port, playing a transcript in a thread of its own:
// lines it sends, lines the client must send, and faults (silence, a close, a reset, a TLS
// upgrade). It records mismatches instead of asserting; the test asserts on Finish(),
// after the thread is joined. The first mismatch ends the script and the connection.
class TScriptedServer {
public:
  TScriptedServer() {
    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(Listener, 4);
    socklen_t len = sizeof addr;
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len);
    FPort = ntohs(addr.sin_port);
  }
  ~TScriptedServer() {
    Join();
    if (Listener >= 0) ::close(Listener);
  }
  TScriptedServer(const TScriptedServer&) = delete;
  TScriptedServer& operator=(const TScriptedServer&) = delete;

  int Port() const { return FPort; }

  // Sends `text` followed by CR LF.
  TScriptedServer& Line(const std::string& text) { return Add(sSend, text + "\r\n"); }
  // Sends the bytes as they are, in one piece.
  TScriptedServer& Send(const std::string& bytes) { return Add(sSend, bytes); }
  // Reads one line; it must be `line` (without its CR LF).
  TScriptedServer& Expect(const std::string& line) { return Add(sExpect, line); }
  // Reads exactly these bytes.
  TScriptedServer& ExpectData(const std::string& bytes) { return Add(sExpectData, bytes); }
  TScriptedServer& Pause(int ms) { return Add(sPause, {}, ms); }
  // Closes the connection in order.
  TScriptedServer& Close() { return Add(sClose, {}); }
  // Closes with a reset (RST) instead of an orderly close.
  TScriptedServer& Reset() { return Add(sReset, {}); }
  // Waits until the client closes its side.
  TScriptedServer& ExpectClose() { return Add(sExpectClose, {}); }
  // Starts TLS as the server with a certificate and key (PEM files).
  TScriptedServer& StartTls(const std::string& cert, const std::string& key) {
    Steps.push_back({sStartTls, cert, 0, key});
    return *this;
  }

  void Start() {
    Thread = std::thread([this] { Run(); });
  }

  // Joins the thread; the mismatches, plus a note when the script did not play to the end.
  std::vector<std::string> Finish() {
    Join();
    return Mismatches;
  }

  // Every line the client sent, in order.
  std::vector<std::string> Received;

private:
  enum TKind { sSend, sExpect, sExpectData, sPause, sClose, sReset, sExpectClose, sStartTls };
  struct TStep {
    TKind Kind;
    std::string Text;
    int Ms = 0;
    std::string Key;
  };

  TScriptedServer& Add(TKind kind, const std::string& text, int ms = 0) {
    Steps.push_back({kind, text, ms, {}});
    return *this;
  }

  void Join() {
    if (Thread.joinable()) Thread.join();
  }

  void Fail(const std::string& text) { Mismatches.push_back(text); }

  bool Wait(short events) {
    pollfd p{Conn, events, 0};
    return ::poll(&p, 1, 10000) > 0;
  }

  long Read(char* buf, std::size_t size) {
    if (Ssl != nullptr) {
      if (SSL_pending(Ssl) == 0 && !Wait(POLLIN)) return -1;
      const int n = SSL_read(Ssl, buf, static_cast<int>(size));
      return n > 0 ? n : 0;
    }
    if (!Wait(POLLIN)) return -1;
    return ::recv(Conn, buf, size, 0);
  }

  // Fills Buffer with at least `count` bytes; false on a close or after ten seconds.
  bool Need(std::size_t count) {
    while (Buffer.size() < count) {
      char chunk[65536];
      const long n = Read(chunk, sizeof chunk);
      if (n <= 0) return false;
      Buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
  }

  bool ReadLine(std::string& line) {
    for (;;) {
      const std::size_t lf = Buffer.find('\n');
      if (lf != std::string::npos) {
        line = Buffer.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Buffer.erase(0, lf + 1);
        return true;
      }
      if (!Need(Buffer.size() + 1)) return false;
    }
  }

  void Write(const std::string& bytes) {
    if (Ssl != nullptr) {
      SSL_write(Ssl, bytes.data(), static_cast<int>(bytes.size()));
      return;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
      const long n = ::send(Conn, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  bool PlayStep(const TStep& step) {
    switch (step.Kind) {
      case sSend: Write(step.Text); return true;
      case sExpect: {
        std::string line;
        if (!ReadLine(line)) {
          Fail("expected \"" + step.Text + "\", the client sent nothing more");
          return false;
        }
        Received.push_back(line);
        if (line != step.Text) {
          Fail("expected \"" + step.Text + "\", got \"" + line + "\"");
          return false;
        }
        return true;
      }
      case sExpectData: {
        if (!Need(step.Text.size())) {
          Fail("expected " + std::to_string(step.Text.size()) + " bytes, got " + std::to_string(Buffer.size()));
          return false;
        }
        const std::string got = Buffer.substr(0, step.Text.size());
        Buffer.erase(0, step.Text.size());
        if (got != step.Text) {
          Fail("expected data \"" + step.Text + "\", got \"" + got + "\"");
          return false;
        }
        return true;
      }
      case sPause: std::this_thread::sleep_for(std::chrono::milliseconds(step.Ms)); return true;
      case sClose:
        EndTls();
        ::shutdown(Conn, SHUT_WR);
        return true;
      case sReset: {
        EndTls();
        const linger hard{1, 0};
        ::setsockopt(Conn, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(Conn);
        Conn = -1;
        return false;
      }
      case sExpectClose:
        if (Need(Buffer.size() + 1)) Fail("expected the client to close, it sent more");
        return true;
      case sStartTls: {
        // Whatever the client sent before the upgrade is not part of the TLS session.
        Buffer.clear();
        Ctx = SSL_CTX_new(TLS_server_method());
        if (SSL_CTX_use_certificate_chain_file(Ctx, step.Text.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(Ctx, step.Key.c_str(), SSL_FILETYPE_PEM) != 1) {
          Fail("cannot load the server certificate " + step.Text);
          return false;
        }
        Ssl = SSL_new(Ctx);
        SSL_set_fd(Ssl, Conn);
        if (SSL_accept(Ssl) != 1) {
          Fail("TLS handshake failed");
          ERR_clear_error();
          return false;
        }
        return true;
      }
    }
    return false;
  }

  void EndTls() {
    if (Ssl != nullptr) {
      SSL_shutdown(Ssl);
      SSL_free(Ssl);
      Ssl = nullptr;
    }
    if (Ctx != nullptr) SSL_CTX_free(Ctx);
    Ctx = nullptr;
    ERR_clear_error();
  }

  void Run() {
    pollfd p{Listener, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) {
      Fail("no connection");
      return;
    }
    Conn = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
    // Each scripted line is a send of its own; Nagle would hold the second one back.
    const int one = 1;
    ::setsockopt(Conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::size_t played = 0;
    for (const TStep& step : Steps) {
      if (!PlayStep(step)) break;
      ++played;
    }
    if (played < Steps.size() && Mismatches.empty() && Steps[played].Kind != sReset)
      Fail("script stopped at step " + std::to_string(played));
    EndTls();
    if (Conn >= 0) ::close(Conn);
    Conn = -1;
  }

  int Listener = -1;
  int Conn = -1;
  int FPort = 0;
  SSL_CTX* Ctx = nullptr;
  SSL* Ssl = nullptr;
  std::string Buffer;
  std::vector<TStep> Steps;
  std::vector<std::string> Mismatches;
  std::thread Thread;
};

}  // namespace mailmoat::test
