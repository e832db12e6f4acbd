#pragma once

// A private D-Bus session bus (dbus-daemon --session) for the test process: while it lives,
// DBUS_SESSION_BUS_ADDRESS names it, and it ends with the object.
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace mailmoat::test {

// The standard output of a shell command.
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    std::array<char, 256> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    ::pclose(pipe);
  }
  return out;
}

class TSessionBus {
public:
  static bool Installed() { return ::access("/usr/bin/dbus-daemon", X_OK) == 0; }

  TSessionBus() {
    if (!Installed()) return;
    const std::string lines = CommandOutput("dbus-daemon --session --fork --print-address=1 --print-pid=1");
    const std::size_t end = lines.find('\n');
    if (end == std::string::npos) return;
    Address = lines.substr(0, end);
    Pid = std::atoi(lines.c_str() + end + 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", Address.c_str(), 1);
  }
  ~TSessionBus() {
    if (Pid > 0) ::kill(Pid, SIGTERM);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  TSessionBus(const TSessionBus&) = delete;
  TSessionBus& operator=(const TSessionBus&) = delete;

  bool Running() const { return Pid > 0; }
  std::string Address;

private:
  pid_t Pid = 0;
};

}  // namespace mailmoat::test
