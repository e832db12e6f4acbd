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
// trip is twice that), and can rewrite the command lines the client sends (a server that
// behaves differently from the one behind it). Each connection is relayed by threads of its
// own; everything stops when the object goes.
class TTcpRelay {
public:
  using TRewrite = std::function<std::string(const std::string& line)>;

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
    TPump(int from, int to, std::chrono::microseconds delay, std::function<std::string(std::string&)> filter)
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

  private:
    void ReadLoop() {
      char buffer[16384];
      std::string pending;
      for (;;) {
        const ssize_t n = ::recv(From, buffer, sizeof buffer, 0);
        const auto due = std::chrono::steady_clock::now() + Delay;
        TChunk chunk{due, {}, n <= 0};
        if (n > 0) {
          pending.append(buffer, static_cast<size_t>(n));
          chunk.Data = Filter ? Filter(pending) : std::exchange(pending, {});
        }
        {
          std::lock_guard lock(Mutex);
          Queue.push_back(std::move(chunk));
        }
        Ready.notify_all();
        if (n <= 0) return;
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
          ::shutdown(To, SHUT_WR);
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
    std::function<std::string(std::string&)> Filter;
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
          Up(client, server, relay.Delay, [&relay](std::string& pending) { return relay.RewriteLines(pending); }),
          Down(server, client, relay.Delay, nullptr) {}
    void Stop() {
      ::shutdown(Client, SHUT_RDWR);
      ::shutdown(Server, SHUT_RDWR);
      Up.Join();
      Down.Join();
      ::close(Client);
      ::close(Server);
    }

  private:
    int Client;
    int Server;
    TPump Up;
    TPump Down;
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
  std::string RewriteLines(std::string& pending) {
    std::lock_guard lock(RewriteMutex);
    if (!Rewrite) return std::exchange(pending, {});
    std::string out;
    size_t start = 0;
    for (size_t end; (end = pending.find("\r\n", start)) != std::string::npos; start = end + 2)
      out += Rewrite(pending.substr(start, end - start)) + "\r\n";
    pending.erase(0, start);
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
};

}  // namespace mailmoat::test
