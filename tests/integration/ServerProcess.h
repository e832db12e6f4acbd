#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace mailmoat::test {

// A free port on the loopback interface (bound, then released).
inline int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

// True once something accepts connections on the loopback port.
inline bool WaitForListener(int port, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// A child process started with execv and stopped (SIGTERM, then SIGKILL) when the object goes.
class TChildProcess {
public:
  TChildProcess() = default;
  ~TChildProcess() { Stop(); }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  void Start(const std::vector<std::string>& argv, const std::string& logFile) {
    Pid = ::fork();
    if (Pid == 0) {
      ::setpgid(0, 0);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      std::FILE* log = std::fopen(logFile.c_str(), "a");
      if (log != nullptr) {
        ::dup2(fileno(log), 1);
        ::dup2(fileno(log), 2);
      }
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }

  void Stop() {
    if (Pid <= 0) return;
    ::kill(-Pid, SIGTERM);
    ::kill(Pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(Pid, nullptr, WNOHANG) == Pid) {
        Pid = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ::kill(-Pid, SIGKILL);
    ::kill(Pid, SIGKILL);
    ::waitpid(Pid, nullptr, 0);
    Pid = -1;
  }

  bool Running() const { return Pid > 0 && ::waitpid(Pid, nullptr, WNOHANG) == 0; }

private:
  pid_t Pid = -1;
};

}  // namespace mailmoat::test
