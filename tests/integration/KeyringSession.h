#pragma once

// A private D-Bus session with gnome-keyring's secret service in it, over a fresh login
// keyring in a folder of the test's. While it lives, this process's DBUS_SESSION_BUS_ADDRESS
// names its bus. GLib and libsecret keep their session connection for the life of the process,
// so a test program makes one such session and keeps it to its end.
#include "support/TempDir.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace mailmoat::test {

class TKeyringSession {
public:
  static bool Installed() {
    return ::access("/usr/bin/dbus-daemon", X_OK) == 0 && ::access("/usr/bin/gnome-keyring-daemon", X_OK) == 0 &&
           ::access("/usr/bin/secret-tool", X_OK) == 0;
  }

  TKeyringSession() {
    if (!Installed()) return;
    for (const char* sub : {"home", "data", "run"}) std::filesystem::create_directories(Dir.Path() / sub);
    ::chmod((Dir.Path() / "run").c_str(), 0700);
    const std::string lines = Output("dbus-daemon --session --fork --print-address=1 --print-pid=1");
    const std::size_t end = lines.find('\n');
    if (end == std::string::npos) return;
    Address = lines.substr(0, end);
    BusPid = std::atoi(lines.c_str() + end + 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", Address.c_str(), 1);
    // --unlock reads the login keyring's password from standard input and creates the keyring
    // when there is none; the daemon leaves when its bus ends.
    const std::string d = Dir.Path().string();
    const std::string command = "printf 'test-login' | env HOME='" + d + "/home' XDG_DATA_HOME='" + d +
                                "/data' XDG_RUNTIME_DIR='" + d + "/run' gnome-keyring-daemon --unlock " +
                                "--components=secrets >'" + d + "/keyring.log' 2>&1";
    Running = std::system(command.c_str()) == 0;
  }
  ~TKeyringSession() {
    if (BusPid > 0) ::kill(BusPid, SIGTERM);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  TKeyringSession(const TKeyringSession&) = delete;
  TKeyringSession& operator=(const TKeyringSession&) = delete;

  bool Running = false;
  std::string Address;

  // What `secret-tool lookup` finds under the program's attributes; empty when nothing.
  static std::string Lookup(const std::string& kind, const std::string& account) {
    return Output("secret-tool lookup application mailmoat kind " + kind + " account '" + account + "' 2>/dev/null");
  }

  static std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      std::array<char, 256> buffer{};
      std::size_t n = 0;
      while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
      ::pclose(pipe);
    }
    return out;
  }

private:
  TTempDir Dir;
  pid_t BusPid = 0;
};

}  // namespace mailmoat::test
