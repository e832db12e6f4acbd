#pragma once

#include "ServerProcess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace mailmoat::test {

// A Dovecot POP3 server in a temporary folder of its own, run in the foreground from a
// private configuration: a plain listener (offering STLS when started with a certificate)
// and, with a certificate, an implicit TLS listener. One user "joe" (password "secret")
// exists from the start; more users, each with a maildir of its own, can be added before or
// after Start (Dovecot rereads its passwd file when it changes).
//
// As root, Dovecot switches to its own login and internal users and serves the maildirs as
// the "mail" account. As an ordinary user it runs without changing users: every process and
// every maildir belong to the caller, and the login processes do not chroot.
class TDovecotServer {
public:
  static constexpr const char* Binary = "/usr/sbin/dovecot";

  static bool Available() {
    if (::access(Binary, X_OK) != 0) return false;
    if (::geteuid() != 0) return ::getpwuid(::geteuid()) != nullptr && ::getgrgid(::getegid()) != nullptr;
    return ::getpwnam("dovenull") != nullptr && ::getpwnam("dovecot") != nullptr;
  }

  TDovecotServer() {
    char pattern[] = "/tmp/mailmoat-dovecot-XXXXXX";
    Dir = ::mkdtemp(pattern);
    // The mail user and the login user must reach their folders below this one.
    std::filesystem::permissions(Dir, std::filesystem::perms(0755));
    if (::geteuid() == 0) {
      const passwd* mail = ::getpwnam("mail");
      MailUid = mail != nullptr ? mail->pw_uid : 8;
      MailGid = mail != nullptr ? mail->pw_gid : 8;
    } else {
      MailUid = ::geteuid();
      MailGid = ::getegid();
    }
    AddUser("joe", "secret");
  }
  ~TDovecotServer() {
    Process.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
  }
  TDovecotServer(const TDovecotServer&) = delete;
  TDovecotServer& operator=(const TDovecotServer&) = delete;

  // Adds a user with an empty maildir. Users are named in letters and digits.
  void AddUser(const std::string& user, const std::string& password) {
    for (const char* sub : {"new", "cur", "tmp"}) std::filesystem::create_directories(Maildir(user) / sub);
    OwnTree(Dir / "home" / user);
    WritePasswd(user, password);
  }

  // Puts a message into joe's mailbox, or into `user`'s. A message added while the server
  // runs is seen by the next session.
  void AddMessage(const std::string& name, const std::string& text) { AddMessage("joe", name, text); }
  void AddMessage(const std::string& user, const std::string& name, const std::string& text) {
    // Written under tmp/ and moved into new/, as a delivery agent does, so a running Dovecot
    // never sees half a message.
    const std::filesystem::path tmp = Maildir(user) / "tmp" / name;
    std::ofstream(tmp, std::ios::binary) << text;
    OwnPath(tmp);
    std::filesystem::rename(tmp, Maildir(user) / "new" / name);
  }

  std::filesystem::path Maildir(const std::string& user = "joe") const { return Dir / "home" / user / "Maildir"; }

  // The messages in a maildir by the names they were added under (Dovecot appends ":2,FLAGS"
  // when it moves a message to cur/), sorted.
  std::vector<std::string> Messages(const std::string& user = "joe") const {
    std::vector<std::string> names;
    for (const char* sub : {"new", "cur"}) {
      for (const auto& e : std::filesystem::directory_iterator(Maildir(user) / sub)) {
        const std::string name = e.path().filename().string();
        names.push_back(name.substr(0, name.find(':')));
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  int MessageCount(const std::string& user = "joe") const { return static_cast<int>(Messages(user).size()); }

  // Removes a message behind Dovecot's back, as another program on the server would; false
  // when it is not there.
  bool RemoveMessage(const std::string& user, const std::string& name) {
    for (const char* sub : {"new", "cur"}) {
      for (const auto& e : std::filesystem::directory_iterator(Maildir(user) / sub)) {
        const std::string file = e.path().filename().string();
        if (file.substr(0, file.find(':')) == name) return std::filesystem::remove(e.path());
      }
    }
    return false;
  }

  // Starts the server with `cert`/`key` (PEM): plain listener with STLS and an implicit TLS
  // listener. False when it did not come up.
  bool Start(const std::string& cert, const std::string& key) {
    std::filesystem::copy_file(cert, Dir / "cert.pem");
    std::filesystem::copy_file(key, Dir / "key.pem");
    return StartWith(true);
  }
  // Starts a plain listener only (no TLS at all).
  bool StartPlain() { return StartWith(false); }

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

private:
  bool StartWith(bool tls) {
    // A port that was free a moment ago can be taken by another test's outgoing connection
    // before Dovecot binds it; another port then does.
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (StartOnce(tls)) return true;
      Process.Stop();
      if (Log().find("Address already in use") == std::string::npos) return false;
    }
    return false;
  }

  bool StartOnce(bool tls) {
    PlainPort = FreeLoopbackPort();
    TlsPort = tls ? FreeLoopbackPort() : 0;
    const std::string d = Dir.string();
    std::ofstream conf(Dir / "dovecot.conf");
    conf << "base_dir = " << d << "/run\n"
         << "state_dir = " << d << "/state\n"
         << "log_path = " << d << "/dovecot.log\n"
         << "listen = 127.0.0.1, 127.0.0.2\n"
         << "protocols = pop3\n"
         << "disable_plaintext_auth = no\n"
         << "auth_mechanisms = plain\n"
         // A wrong password is answered at once instead of after two seconds.
         << "auth_failure_delay = 0\n"
         << "first_valid_uid = " << MailUid << "\n"
         << "first_valid_gid = " << MailGid << "\n"
         << "mail_location = maildir:~/Maildir\n"
         << "pop3_uidl_format = %08Xu%08Xv\n"
         // A file per user: Dovecot rereads a changed passwd file at most once a second, but
         // opens a file it has not seen at the first login.
         << "passdb {\n  driver = passwd-file\n  args = " << d << "/users/%u\n}\n"
         << "userdb {\n  driver = passwd-file\n  args = " << d << "/users/%u\n}\n";
    if (tls) {
      conf << "ssl = yes\n"
           << "ssl_cert = <" << d << "/cert.pem\n"
           << "ssl_key = <" << d << "/key.pem\n"
           << "ssl_min_protocol = TLSv1.2\n";
    } else {
      conf << "ssl = no\n";
    }
    if (::geteuid() == 0) {
      // Started as root, the login processes refuse to run as root.
      conf << "default_login_user = dovenull\n"
           << "default_internal_user = dovecot\n";
    } else {
      // Without root nothing can change users or chroot: everything runs as the caller.
      conf << "default_login_user = " << ::getpwuid(::geteuid())->pw_name << "\n"
           << "default_internal_user = " << ::getpwuid(::geteuid())->pw_name << "\n"
           << "default_internal_group = " << ::getgrgid(::getegid())->gr_name << "\n";
    }
    // No growing delay for logins from an address after a wrong password: the tests log in
    // with one on purpose.
    conf << "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n";
    if (::geteuid() != 0) conf << "  chroot =\n";
    conf << "}\n";
    conf << "service pop3-login {\n";
    if (::geteuid() != 0) conf << "  chroot =\n";
    conf << "  inet_listener pop3 {\n    port = " << PlainPort << "\n  }\n";
    if (tls) conf << "  inet_listener pop3s {\n    port = " << TlsPort << "\n    ssl = yes\n  }\n";
    conf << "}\n";
    conf.close();
    Process.Start({Binary, "-F", "-c", d + "/dovecot.conf"}, d + "/dovecot.out");
    return WaitForListener(PlainPort, std::chrono::seconds(10)) &&
           (!tls || WaitForListener(TlsPort, std::chrono::seconds(5)));
  }

  void WritePasswd(const std::string& user, const std::string& password) const {
    std::filesystem::create_directories(Dir / "users");
    std::ofstream out(Dir / "users" / (user + ".new"));
    out << user << ":{PLAIN}" << password << ":" << MailUid << ":" << MailGid << "::" << (Dir / "home" / user).string()
        << "::\n";
    out.close();
    std::filesystem::rename(Dir / "users" / (user + ".new"), Dir / "users" / user);
  }

  // Gives the mail account what root made; nothing to do for an ordinary user.
  void OwnPath(const std::filesystem::path& path) const {
    if (::geteuid() != 0) return;
    [[maybe_unused]] const int rc = ::chown(path.c_str(), MailUid, MailGid);
  }
  void OwnTree(const std::filesystem::path& root) const {
    if (::geteuid() != 0) return;
    OwnPath(Dir / "home");
    OwnPath(root);
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) OwnPath(e.path());
  }

  uid_t MailUid = 0;
  gid_t MailGid = 0;
};

}  // namespace mailmoat::test
