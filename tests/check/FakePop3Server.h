#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace mailmoat::test {

// A POP3 server on a loopback port that serves one mailbox to any number of connections, a
// thread each. It speaks enough of RFC 1939 for the check engine (USER, PASS, STAT, TOP,
// LIST, UIDL, RETR, DELE, NOOP, QUIT, with dot-stuffing), records every command line, and
// injects the faults below. Deletions take effect at QUIT, as on a real server.
class TFakePop3Server {
public:
  struct TFaults {
    std::string Password = "secret";
    std::set<int> TopFails;   // message numbers (1-based) whose TOP is refused
    std::set<int> RetrFails;  // ... whose RETR is refused
    bool UidlUnsupported = false;
    bool QuitRefused = false;
    // After the STAT of a login, wait for ResetNow() and then reset the connection.
    bool ResetAfterStat = false;
  };

  explicit TFakePop3Server(const std::vector<std::string>& messages) {
    int uid = 0;
    for (const std::string& text : messages) Box.push_back({text, "uid-" + std::to_string(++uid)});
    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(Listener, 8);
    socklen_t len = sizeof addr;
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len);
    FPort = ntohs(addr.sin_port);
    Acceptor = std::thread([this] { AcceptLoop(); });
  }
  ~TFakePop3Server() {
    Stopping = true;
    {
      std::lock_guard lock(Mutex);
      ResetReleased = true;
    }
    Changed.notify_all();
    Acceptor.join();
    for (std::thread& t : Sessions) t.join();
    ::close(Listener);
  }
  TFakePop3Server(const TFakePop3Server&) = delete;
  TFakePop3Server& operator=(const TFakePop3Server&) = delete;

  int Port() const { return FPort; }
  TFaults Faults;

  // Every command line of every connection in order, "PASS" lines included; a connection
  // starts with "CONNECT".
  std::vector<std::string> Commands() const {
    std::lock_guard lock(Mutex);
    return Log;
  }
  // The texts still in the mailbox.
  std::vector<std::string> Remaining() const {
    std::lock_guard lock(Mutex);
    std::vector<std::string> texts;
    for (const TMessage& m : Box) texts.push_back(m.Text);
    return texts;
  }
  // Another client takes message `number` (1-based) away at once; the open sessions see
  // the rest renumbered, as some servers do.
  void RemoveNow(int number) {
    std::lock_guard lock(Mutex);
    Box.erase(Box.begin() + (number - 1));
  }
  // With ResetAfterStat: lets the waiting session reset its connection and returns once it has.
  void ResetNow() {
    std::unique_lock lock(Mutex);
    ResetReleased = true;
    Changed.notify_all();
    Changed.wait_for(lock, std::chrono::seconds(5), [this] { return ResetDone; });
    lock.unlock();
    // Let the reset reach the client's socket.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Waits until `count` connections have ended.
  bool WaitForSessionsEnded(int count) {
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, std::chrono::seconds(5), [&] { return Ended >= count; });
  }

private:
  struct TMessage {
    std::string Text;
    std::string Uid;
    bool Deleted = false;
  };

  void AcceptLoop() {
    while (!Stopping) {
      pollfd p{Listener, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int conn = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (conn < 0) continue;
      const int one = 1;
      ::setsockopt(conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      Sessions.emplace_back([this, conn] { Serve(conn); });
    }
  }

  static void Send(int conn, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
      const long n = ::send(conn, text.data() + done, text.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  bool ReadLine(int conn, std::string& buffer, std::string& line) {
    for (;;) {
      const std::size_t lf = buffer.find('\n');
      if (lf != std::string::npos) {
        line = buffer.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        buffer.erase(0, lf + 1);
        return true;
      }
      pollfd p{conn, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) {
        if (Stopping) return false;
        continue;
      }
      char chunk[4096];
      const long n = ::recv(conn, chunk, sizeof chunk, 0);
      if (n <= 0) return false;
      buffer.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // RFC 1939 section 3: a line that starts with "." gets another one, and "." ends it.
  static std::string Stuffed(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
      if (lineStart && c == '.') out += '.';
      out += c;
      lineStart = c == '\n';
    }
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out + ".\r\n";
  }

  // The message of a session's number, or null.
  TMessage* Find(const std::string& arg) {
    int n = 0;
    try {
      n = std::stoi(arg);
    } catch (...) {
      return nullptr;
    }
    if (n < 1 || n > static_cast<int>(Box.size()) || Box[n - 1].Deleted) return nullptr;
    return &Box[n - 1];
  }

  std::string Reply(const std::string& line, bool& loggedIn, bool& quit) {
    const std::size_t blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::string arg =
        blank == std::string::npos ? "" : line.substr(blank + 1, line.find(' ', blank + 1) - blank - 1);
    std::lock_guard lock(Mutex);
    if (verb == "USER") return "+OK\r\n";
    if (verb == "PASS") {
      loggedIn = line.substr(5) == Faults.Password;
      return loggedIn ? "+OK logged in\r\n" : "-ERR invalid password\r\n";
    }
    if (!loggedIn) return "-ERR log in first\r\n";
    if (verb == "STAT") {
      std::size_t count = 0, size = 0;
      for (const TMessage& m : Box) {
        if (m.Deleted) continue;
        ++count;
        size += m.Text.size();
      }
      return "+OK " + std::to_string(count) + " " + std::to_string(size) + "\r\n";
    }
    if (verb == "NOOP") return "+OK\r\n";
    if (verb == "QUIT") {
      quit = true;
      if (Faults.QuitRefused) return "-ERR mailbox busy\r\n";
      std::erase_if(Box, [](const TMessage& m) { return m.Deleted; });
      return "+OK bye\r\n";
    }
    TMessage* m = Find(arg);
    if (verb == "UIDL" && Faults.UidlUnsupported) return "-ERR unknown command\r\n";
    if (m == nullptr) return "-ERR no such message\r\n";
    const int n = std::stoi(arg);
    if (verb == "LIST") return "+OK " + arg + " " + std::to_string(m->Text.size()) + "\r\n";
    if (verb == "UIDL") return "+OK " + arg + " " + m->Uid + "\r\n";
    if (verb == "DELE") {
      m->Deleted = true;
      return "+OK deleted\r\n";
    }
    if (verb == "TOP") {
      if (Faults.TopFails.count(n)) return "-ERR cannot read message\r\n";
      const std::size_t headerEnd = m->Text.find("\r\n\r\n");
      std::string part = m->Text.substr(0, headerEnd + 4);
      const std::size_t lineEnd = m->Text.find("\r\n", headerEnd + 4);
      if (headerEnd + 4 < m->Text.size()) part += m->Text.substr(headerEnd + 4, lineEnd - headerEnd - 4) + "\r\n";
      return "+OK\r\n" + Stuffed(part);
    }
    if (verb == "RETR") {
      if (Faults.RetrFails.count(n)) return "-ERR cannot read message\r\n";
      return "+OK " + std::to_string(m->Text.size()) + " octets\r\n" + Stuffed(m->Text);
    }
    return "-ERR unknown command\r\n";
  }

  void Serve(int conn) {
    {
      std::lock_guard lock(Mutex);
      Log.push_back("CONNECT");
    }
    Send(conn, "+OK fake POP3 ready\r\n");
    std::string buffer, line;
    bool loggedIn = false;
    bool quit = false;
    bool reset = false;
    while (!quit && ReadLine(conn, buffer, line)) {
      {
        std::lock_guard lock(Mutex);
        Log.push_back(line);
      }
      Send(conn, Reply(line, loggedIn, quit));
      if (line == "STAT" && Faults.ResetAfterStat) {
        std::unique_lock lock(Mutex);
        Changed.wait(lock, [this] { return ResetReleased; });
        const linger hard{1, 0};
        ::setsockopt(conn, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        reset = true;
        break;
      }
    }
    ::close(conn);
    std::lock_guard lock(Mutex);
    if (reset) ResetDone = true;
    ++Ended;
    Changed.notify_all();
  }

  mutable std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<TMessage> Box;
  std::vector<std::string> Log;
  bool ResetReleased = false;
  bool ResetDone = false;
  int Ended = 0;
  std::atomic<bool> Stopping{false};
  int Listener = -1;
  int FPort = 0;
  std::thread Acceptor;
  std::vector<std::thread> Sessions;
};

}  // namespace mailmoat::test
