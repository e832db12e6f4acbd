#pragma once

// A private D-Bus session with gnome-keyring's secret service in it, over a fresh login
// keyring in a folder of the test's. While it lives, this process's DBUS_SESSION_BUS_ADDRESS
// names its bus. GLib and libsecret keep their session connection for the life of the process,
// so a test program makes one such session and keeps it to its end.
#include "support/SessionBus.h"
#include "support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace mailmoat::test {

class TKeyringSession {
public:
  static bool Installed() {
    return TSessionBus::Installed() && ::access("/usr/bin/gnome-keyring-daemon", X_OK) == 0 &&
           ::access("/usr/bin/secret-tool", X_OK) == 0;
  }

  TKeyringSession() {
    if (!Installed() || !Bus.Running()) return;
    for (const char* sub : {"home", "data", "run"}) std::filesystem::create_directories(Dir.Path() / sub);
    ::chmod((Dir.Path() / "run").c_str(), 0700);
    // --unlock reads the login keyring's password from standard input and creates the keyring
    // when there is none; the daemon leaves when its bus ends.
    const std::string d = Dir.Path().string();
    const std::string command = "printf 'test-login' | env HOME='" + d + "/home' XDG_DATA_HOME='" + d +
                                "/data' XDG_RUNTIME_DIR='" + d + "/run' gnome-keyring-daemon --unlock " +
                                "--components=secrets >'" + d + "/keyring.log' 2>&1";
    Running = std::system(command.c_str()) == 0;
  }

  bool Running = false;

  // What `secret-tool lookup` finds under the program's attributes; empty when nothing.
  static std::string Lookup(const std::string& kind, const std::string& account) {
    return CommandOutput("secret-tool lookup application mailmoat kind " + kind + " account '" + account +
                         "' 2>/dev/null");
  }

private:
  TTempDir Dir;
  TSessionBus Bus;
};

}  // namespace mailmoat::test
