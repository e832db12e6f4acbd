#pragma once

// rbldnsd on a loopback UDP port, serving ip4set zones from files in a folder of the test's.
#include "support/TempDir.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mailmoat::test {

// A UDP port on the loopback address that was free a moment ago; `keep` holds it bound.
inline int LoopbackUdpPort(int* keep = nullptr) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  if (keep) {
    *keep = fd;
  } else {
    ::close(fd);
  }
  return ntohs(addr.sin_port);
}

class TRbldnsdServer {
public:
  static std::string Binary() {
    for (const char* dir : {"/usr/sbin", "/usr/local/sbin", "/usr/bin", "/usr/local/bin"}) {
      const std::string path = std::string(dir) + "/rbldnsd";
      if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
  }

  // `zones`: the zone name ("bl.test") and the text of its ip4set file. The folder must be
  // readable by others: started as root, rbldnsd reads its zones as its own user.
  TRbldnsdServer(const std::filesystem::path& dir, const std::vector<std::pair<std::string, std::string>>& zones)
      : Dir(dir) {
    const std::string binary = Binary();
    if (binary.empty()) return;
    std::string zoneArgs;
    for (size_t i = 0; i < zones.size(); ++i) {
      const std::string file = "zone" + std::to_string(i) + ".txt";
      std::ofstream(Dir / file, std::ios::binary) << zones[i].second;
      zoneArgs += " " + zones[i].first + ":ip4set:" + file;
    }
    for (int attempt = 0; attempt < 3 && Pid == 0; ++attempt) {
      Port = LoopbackUdpPort();
      const std::string d = Dir.string();
      const std::string command = binary + " -b 127.0.0.1/" + std::to_string(Port) + " -r '" + d + "' -p '" + d +
                                  "/rbldnsd.pid'" + zoneArgs + " >'" + d + "/rbldnsd.log' 2>&1";
      if (std::system(command.c_str()) != 0) continue;  // port taken meanwhile: try another
      for (int i = 0; i < 100 && Pid == 0; ++i) {
        std::ifstream pidFile(Dir / "rbldnsd.pid");
        pid_t pid = 0;
        if (pidFile >> pid && pid > 0) Pid = pid;
        if (Pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
  }
  ~TRbldnsdServer() { Stop(); }

  // Stops the server; its port answers nothing from then on.
  void Stop() {
    if (Pid == 0) return;
    ::kill(Pid, SIGTERM);
    for (int i = 0; i < 100 && !Gone(Pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!Gone(Pid)) ::kill(Pid, SIGKILL);
    Pid = 0;
  }
  TRbldnsdServer(const TRbldnsdServer&) = delete;
  TRbldnsdServer& operator=(const TRbldnsdServer&) = delete;

  bool Running() const { return Pid != 0; }
  // "127.0.0.1:port", as the DNS server setting takes it.
  std::string Address() const { return "127.0.0.1:" + std::to_string(Port); }
  std::string Log() const {
    std::ifstream in(Dir / "rbldnsd.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  // The daemon is not this process's child; one that nobody has reaped counts as gone.
  static bool Gone(pid_t pid) {
    if (::kill(pid, 0) != 0) return true;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.starts_with("State:")) return line.find('Z') != std::string::npos;
    }
    return false;
  }

  std::filesystem::path Dir;
  pid_t Pid = 0;
  int Port = 0;
};

}  // namespace mailmoat::test
