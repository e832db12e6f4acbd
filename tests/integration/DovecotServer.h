#pragma once

#include "ServerProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#include <cstdint>
#include <cstdio>

namespace mailmoat::test {

// A Dovecot POP3 server in a temporary folder of its own, run in the foreground from a
// private configuration: a plain listener that offers STLS, and an implicit TLS listener.
// One user "joe" (password "secret") whose maildir the caller fills before Start.
class TDovecotServer {
public:
  static constexpr const char* Binary = "/usr/sbin/dovecot";
  // Dovecot switches to its login and mail users, which needs root; elsewhere the tests skip.
  static bool Available() {
    return ::geteuid() == 0 && ::access(Binary, X_OK) == 0 && ::getpwnam("dovenull") != nullptr;
  }

  TDovecotServer() {
    char pattern[] = "/tmp/mailmoat-dovecot-XXXXXX";
    Dir = ::mkdtemp(pattern);
    // The mail user and the login user must reach their folders below this one.
    std::filesystem::permissions(Dir, std::filesystem::perms(0755));
    std::filesystem::create_directories(Dir / "home/joe/Maildir/new");
    std::filesystem::create_directories(Dir / "home/joe/Maildir/cur");
    std::filesystem::create_directories(Dir / "home/joe/Maildir/tmp");
  }
  ~TDovecotServer() {
    Process.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
  }
  TDovecotServer(const TDovecotServer&) = delete;
  TDovecotServer& operator=(const TDovecotServer&) = delete;

  // Puts a message into joe's mailbox (before Start).
  void AddMessage(const std::string& name, const std::string& text) {
    std::ofstream(Dir / "home/joe/Maildir/new" / name, std::ios::binary) << text;
  }

  // Starts the server with `cert`/`key` (PEM); false when it did not come up.
  bool Start(const std::string& cert, const std::string& key) {
    PlainPort = FreeLoopbackPort();
    TlsPort = FreeLoopbackPort();
    const passwd* mail = ::getpwnam("mail");
    const unsigned uid = mail != nullptr ? mail->pw_uid : 8;
    const unsigned gid = mail != nullptr ? mail->pw_gid : 8;
    const std::string d = Dir.string();
    std::filesystem::copy_file(cert, Dir / "cert.pem");
    std::filesystem::copy_file(key, Dir / "key.pem");
    std::ofstream(Dir / "passwd") << "joe:{PLAIN}secret:" << uid << ":" << gid << "::" << d << "/home/joe::\n";
    std::ofstream(Dir / "dovecot.conf") << "base_dir = " << d << "/run\n"
                                        << "state_dir = " << d << "/state\n"
                                        << "log_path = " << d << "/dovecot.log\n"
                                        << "listen = 127.0.0.1, 127.0.0.2\n"
                                        << "protocols = pop3\n"
                                        << "ssl = yes\n"
                                        << "ssl_cert = <" << d << "/cert.pem\n"
                                        << "ssl_key = <" << d << "/key.pem\n"
                                        << "ssl_min_protocol = TLSv1.2\n"
                                        << "disable_plaintext_auth = no\n"
                                        << "auth_mechanisms = plain\n"
                                        << "default_login_user = dovenull\n"
                                        << "default_internal_user = dovecot\n"
                                        << "first_valid_uid = " << uid << "\n"
                                        << "first_valid_gid = " << gid << "\n"
                                        << "mail_location = maildir:~/Maildir\n"
                                        << "pop3_uidl_format = %08Xu%08Xv\n"
                                        << "passdb {\n  driver = passwd-file\n  args = " << d << "/passwd\n}\n"
                                        << "userdb {\n  driver = passwd-file\n  args = " << d << "/passwd\n}\n"
                                        << "service pop3-login {\n"
                                        << "  inet_listener pop3 {\n    port = " << PlainPort << "\n  }\n"
                                        << "  inet_listener pop3s {\n    port = " << TlsPort << "\n    ssl = yes\n  }\n"
                                        << "}\n";
    std::string chown = "chown -R " + std::to_string(uid) + ":" + std::to_string(gid) + " '" + d + "/home'";
    if (std::system(chown.c_str()) != 0) return false;
    Process.Start({Binary, "-F", "-c", d + "/dovecot.conf"}, d + "/dovecot.out");
    return WaitForListener(PlainPort, std::chrono::seconds(10)) && WaitForListener(TlsPort, std::chrono::seconds(5));
  }

  // The server's own log, for failure messages.
  std::string Log() const {
    std::ifstream in(Dir / "dovecot.log");
    std::ifstream out(Dir / "dovecot.out");
    return std::string(std::istreambuf_iterator<char>(in), {}) + std::string(std::istreambuf_iterator<char>(out), {});
  }

  std::filesystem::path Dir;
  int PlainPort = 0;
  int TlsPort = 0;
  TChildProcess Process;
};

}  // namespace mailmoat::test
