#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace mailmoat::test {

// A DNS server on a loopback UDP port that answers A queries from a table, each after its
// own delay, and says "no such name" to every other name. Listed names can also be made to
// stay silent. Answers do not block one another, so parallel queries are answered in parallel.
class TFakeDnsServer {
public:
  struct TEntry {
    std::vector<std::uint32_t> Addresses;  // empty: "no such name"
    int DelayMs = 0;
    bool Silent = false;
  };

  explicit TFakeDnsServer(int defaultDelayMs = 0) : DefaultDelayMs(defaultDelayMs) {
    Socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (Socket < 0 || ::bind(Socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(Socket, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      throw std::runtime_error("cannot bind the fake DNS server");
    }
    Port = ntohs(addr.sin_port);
    Thread = std::thread([this] { Serve(); });
  }
  ~TFakeDnsServer() {
    Stopping = true;
    Thread.join();
    ::close(Socket);
  }
  TFakeDnsServer(const TFakeDnsServer&) = delete;
  TFakeDnsServer& operator=(const TFakeDnsServer&) = delete;

  std::string Address() const { return "127.0.0.1:" + std::to_string(Port); }

  void Set(const std::string& name, TEntry entry) {
    std::lock_guard lock(Mutex);
    Entries[name] = std::move(entry);
  }
  // Everyone is silent: a server that has died without closing its port.
  void SetAllSilent(bool silent) { AllSilent = silent; }

  // The names asked, in the order their queries arrived (resends included).
  std::vector<std::string> Asked() const {
    std::lock_guard lock(Mutex);
    return AskedNames;
  }

private:
  using Clock = std::chrono::steady_clock;
  struct TReply {
    Clock::time_point Due;
    std::vector<std::uint8_t> Packet;
    sockaddr_in To;
  };

  void Serve() {
    std::vector<TReply> pending;
    while (!Stopping) {
      pollfd fd{Socket, POLLIN, 0};
      ::poll(&fd, 1, 5);
      if (fd.revents & POLLIN) Receive(pending);
      const auto now = Clock::now();
      for (auto it = pending.begin(); it != pending.end();) {
        if (it->Due > now) {
          ++it;
          continue;
        }
        ::sendto(Socket, it->Packet.data(), it->Packet.size(), 0, reinterpret_cast<const sockaddr*>(&it->To),
                 sizeof it->To);
        it = pending.erase(it);
      }
    }
  }

  void Receive(std::vector<TReply>& pending) {
    std::uint8_t buf[512];
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n = ::recvfrom(Socket, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n < 12) return;
    std::string name;
    std::size_t at = 12;
    while (at < static_cast<std::size_t>(n) && buf[at] != 0) {
      const std::size_t len = buf[at];
      if (at + 1 + len > static_cast<std::size_t>(n)) return;
      if (!name.empty()) name += '.';
      name.append(reinterpret_cast<const char*>(buf + at + 1), len);
      at += 1 + len;
    }
    const std::size_t questionEnd = at + 5;  // the root label, type and class
    if (questionEnd > static_cast<std::size_t>(n)) return;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });

    TEntry entry;
    entry.DelayMs = DefaultDelayMs;
    {
      std::lock_guard lock(Mutex);
      AskedNames.push_back(name);
      if (const auto it = Entries.find(name); it != Entries.end()) entry = it->second;
    }
    if (entry.Silent || AllSilent) return;

    std::vector<std::uint8_t> reply(buf, buf + questionEnd);
    reply[2] = 0x81;                                   // a response, recursion desired
    reply[3] = entry.Addresses.empty() ? 0x83 : 0x80;  // recursion available; NXDOMAIN or no error
    reply[6] = 0;
    reply[7] = static_cast<std::uint8_t>(entry.Addresses.size());
    reply[8] = reply[9] = reply[10] = reply[11] = 0;
    for (const std::uint32_t a : entry.Addresses) {
      const std::uint8_t record[] = {0xC0,
                                     0x0C,
                                     0,
                                     1,
                                     0,
                                     1,
                                     0,
                                     0,
                                     0,
                                     60,
                                     0,
                                     4,
                                     static_cast<std::uint8_t>(a >> 24),
                                     static_cast<std::uint8_t>(a >> 16),
                                     static_cast<std::uint8_t>(a >> 8),
                                     static_cast<std::uint8_t>(a)};
      reply.insert(reply.end(), std::begin(record), std::end(record));
    }
    pending.push_back({Clock::now() + std::chrono::milliseconds(entry.DelayMs), std::move(reply), from});
  }

  int Socket = -1;
  int Port = 0;
  int DefaultDelayMs;
  std::atomic<bool> Stopping{false};
  std::atomic<bool> AllSilent{false};
  mutable std::mutex Mutex;
  std::map<std::string, TEntry> Entries;
  std::vector<std::string> AskedNames;
  std::thread Thread;
};

}  // namespace mailmoat::test
