#pragma once

#include "ServerProcess.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mailmoat::test {

// A TCP relay on a loopback port in front of a server on another loopback port. It delays
// everything it passes by a fixed time in each direction (a slow network: the added round
// trip is twice that), can rewrite the command lines the client sends (a server that
// behaves differently from the one behind it), and can inject a fault at a command. Each
// connection is relayed by threads of its own; everything stops when the object goes.
class TTcpRelay {
public:
  using TRewrite = std::function<std::string(const std::string& line)>;

  enum class TFault {
    None,
    ErrReply,     // the command is answered "-ERR injected fault"; the connection stays up
    Stall,        // the command goes through, but nothing more reaches the client
    CutReply,     // the reply goes through up to its final "." line, then the connection closes
    CutMidReply,  // the connection closes in the middle of the next reply data that comes
  };

  explicit TTcpRelay(int targetPort, std::chrono::microseconds oneWayDelay = {})
      : TargetPort(targetPort), Delay(oneWayDelay) {
    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(Listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr = Loopback(0);
    ::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(Listener, 16);
    socklen_t len = sizeof addr;
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len);
    ListenPort = ntohs(addr.sin_port);
    Acceptor = std::thread([this] { AcceptLoop(); });
  }
  ~TTcpRelay() {
    Stopping = true;
    Acceptor.join();
    ::close(Listener);
    std::lock_guard lock(ConnectionsMutex);
    for (auto& c : Connections) c->Stop();
    Connections.clear();
  }
  TTcpRelay(const TTcpRelay&) = delete;
  TTcpRelay& operator=(const TTcpRelay&) = delete;

  int Port() const { return ListenPort; }

  // Each line the client sends, without its CR LF, goes to the server as `rewrite` returns
  // it. Takes effect from the next line; an empty function passes lines unchanged.
  void SetClientRewrite(TRewrite rewrite) {
    std::lock_guard lock(RewriteMutex);
    Rewrite = std::move(rewrite);
  }

  // Injects `fault` once, at the command with the verb `verb` that comes after `skip` others
  // (on any connection).
  void SetFault(const std::string& verb, TFault fault, int skip = 0) {
    std::lock_guard lock(RewriteMutex);
    FaultVerb = verb;
    Fault = fault;
    FaultSkip = skip;
  }

  // The most command lines that arrived in one read from the client: above 1 only when the
  // client sent commands before the replies of earlier ones came.
  int MostLinesPerRead() const { return MostLines.load(); }

private:
  struct TChunk {
    std::chrono::steady_clock::time_point Due;
    std::string Data;
    bool End = false;
  };

  // One direction of one connection: a reader that stamps what arrives, a writer that sends
  // it when its time has come.
  class TPump {
  public:
    // `filter` takes what arrived and returns what to pass on; setting its flag ends the
    // connection after that.
    using TFilter = std::function<std::string(std::string& pending, bool& end)>;
    TPump(int from, int to, std::chrono::microseconds delay, TFilter filter)
        : From(from), To(to), Delay(delay), Filter(std::move(filter)) {
      Reader = std::thread([this] { ReadLoop(); });
      Writer = std::thread([this] { WriteLoop(); });
    }
    void Join() {
      Reader.join();
      {
        std::lock_guard lock(Mutex);
        Stopped = true;
      }
      Ready.notify_all();
      Writer.join();
    }
    // Sends `data` as if it had come from the other side.
    void Push(std::string data) {
      {
        std::lock_guard lock(Mutex);
        Queue.push_back(TChunk{std::chrono::steady_clock::now() + Delay, std::move(data), false});
      }
      Ready.notify_all();
    }

  private:
    void ReadLoop() {
      char buffer[16384];
      std::string pending;
      for (;;) {
        const ssize_t n = ::recv(From, buffer, sizeof buffer, 0);
        const auto due = std::chrono::steady_clock::now() + Delay;
        TChunk chunk{due, {}, n <= 0};
        bool end = false;
        if (n > 0) {
          pending.append(buffer, static_cast<size_t>(n));
          chunk.Data = Filter ? Filter(pending, end) : std::exchange(pending, {});
        }
        {
          std::lock_guard lock(Mutex);
          Queue.push_back(std::move(chunk));
          if (end) Queue.push_back(TChunk{due, {}, true});
        }
        Ready.notify_all();
        if (n <= 0 || end) return;
      }
    }
    void WriteLoop() {
      std::unique_lock lock(Mutex);
      for (;;) {
        Ready.wait(lock, [this] { return !Queue.empty() || Stopped; });
        if (Queue.empty()) return;
        TChunk chunk = std::move(Queue.front());
        Queue.pop_front();
        if (Ready.wait_until(lock, chunk.Due, [this] { return Stopped; })) return;
        lock.unlock();
        if (chunk.End) {
          ::shutdown(To, SHUT_RDWR);
          return;
        }
        for (size_t sent = 0; sent < chunk.Data.size();) {
          const ssize_t n = ::send(To, chunk.Data.data() + sent, chunk.Data.size() - sent, MSG_NOSIGNAL);
          if (n <= 0) return;
          sent += static_cast<size_t>(n);
        }
        lock.lock();
      }
    }

    int From;
    int To;
    std::chrono::microseconds Delay;
    TFilter Filter;
    std::mutex Mutex;
    std::condition_variable Ready;
    std::deque<TChunk> Queue;
    bool Stopped = false;
    std::thread Reader;
    std::thread Writer;
  };

  class TConnection {
  public:
    TConnection(int client, int server, TTcpRelay& relay)
        : Client(client),
          Server(server),
          Down(server, client, relay.Delay,
               [this](std::string& pending, bool& end) { return FilterDown(pending, end); }),
          Up(client, server, relay.Delay,
             [this, &relay](std::string& pending, bool&) { return relay.RewriteLines(pending, *this); }) {}
    void SetMode(TFault mode) { Mode = mode; }
    void Stop() {
      ::shutdown(Client, SHUT_RDWR);
      ::shutdown(Server, SHUT_RDWR);
      Up.Join();
      Down.Join();
      ::close(Client);
      ::close(Server);
    }

  private:
    std::string FilterDown(std::string& pending, bool& end) {
      if (Refusals > 0) {
        // The server's refusal of the stand-in command becomes the injected reply, in the
        // place of the command's own reply among the others.
        for (std::size_t at; Refusals > 0 && (at = pending.find(RefusedPrefix)) != std::string::npos;) {
          const std::size_t eol = pending.find("\r\n", at);
          if (eol == std::string::npos) break;
          pending.replace(at, eol - at, "-ERR injected fault");
          --Refusals;
        }
        // An unfinished line could still be the refusal: held back until it is complete.
        const std::size_t lastLine = pending.rfind("\r\n");
        const std::size_t keepFrom = lastLine == std::string::npos ? 0 : lastLine + 2;
        if (Refusals > 0 && keepFrom < pending.size()) {
          std::string out = pending.substr(0, keepFrom);
          pending.erase(0, keepFrom);
          return out;
        }
      }
      switch (Mode.load()) {
        case TFault::Stall: pending.clear(); return {};
        case TFault::CutReply: {
          // Hold back what could be the start of the final "." line.
          const size_t dot = pending.find("\r\n.\r\n");
          if (dot != std::string::npos) {
            end = true;
            std::string out = pending.substr(0, dot + 2);
            pending.clear();
            return out;
          }
          const size_t keep = std::min<size_t>(pending.size(), 4);
          std::string out = pending.substr(0, pending.size() - keep);
          pending.erase(0, pending.size() - keep);
          return out;
        }
        case TFault::CutMidReply: {
          end = true;
          std::string out = pending.substr(0, pending.size() / 2);
          pending.clear();
          return out;
        }
        default: return std::exchange(pending, {});
      }
    }

  public:
    static constexpr const char* StandIn = "XFAULTINJECTED";
    static constexpr const char* RefusedPrefix = "-ERR Unknown command: XFAULTINJECTED";
    std::atomic<int> Refusals{0};

  private:
    int Client;
    int Server;
    std::atomic<TFault> Mode{TFault::None};
    TPump Down;
    TPump Up;
  };

  static sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    return addr;
  }

  void AcceptLoop() {
    while (!Stopping) {
      pollfd p{Listener, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int client = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in addr = Loopback(TargetPort);
      if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(server);
        ::close(client);
        continue;
      }
      std::lock_guard lock(ConnectionsMutex);
      Connections.push_back(std::make_unique<TConnection>(client, server, *this));
    }
  }

  // The complete lines of `pending`, rewritten; an unfinished line stays in `pending`.
  std::string RewriteLines(std::string& pending, TConnection& connection) {
    std::lock_guard lock(RewriteMutex);
    if (!Rewrite && Fault == TFault::None) {
      int lines = 0;
      for (size_t at = 0; (at = pending.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
      if (lines > MostLines) MostLines = lines;
      return std::exchange(pending, {});
    }
    std::string out;
    size_t start = 0;
    int lines = 0;
    for (size_t end; (end = pending.find("\r\n", start)) != std::string::npos; start = end + 2) {
      const std::string line = pending.substr(start, end - start);
      ++lines;
      if (Fault != TFault::None && line.substr(0, line.find(' ')) == FaultVerb && FaultSkip-- == 0) {
        const TFault fault = std::exchange(Fault, TFault::None);
        if (fault == TFault::ErrReply) {
          ++connection.Refusals;
          out += std::string(TConnection::StandIn) + "\r\n";
          continue;
        }
        connection.SetMode(fault);
      }
      out += (Rewrite ? Rewrite(line) : line) + "\r\n";
    }
    pending.erase(0, start);
    if (lines > MostLines) MostLines = lines;
    return out;
  }

  int TargetPort;
  std::chrono::microseconds Delay;
  int Listener = -1;
  int ListenPort = 0;
  std::atomic<bool> Stopping{false};
  std::thread Acceptor;
  std::mutex ConnectionsMutex;
  std::vector<std::unique_ptr<TConnection>> Connections;
  std::mutex RewriteMutex;
  TRewrite Rewrite;
  std::string FaultVerb;
  TFault Fault = TFault::None;
  int FaultSkip = 0;
  std::atomic<int> MostLines{0};
};

}  // namespace mailmoat::test
