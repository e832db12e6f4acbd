#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mailmoat {

// A store of secrets outside the program's files: the desktop keyring. Each secret is found
// by the program's name, its kind ("pop3", "smtp") and an account text chosen by the caller.
// Every call fails quietly: it returns false or nothing and leaves the reason in LastError.
class TKeyring {
public:
  virtual ~TKeyring() = default;
  // Whether a keyring answers at all. Never blocks for long: without a session bus, or with
  // no keyring service on it, the answer is false at once.
  virtual bool Available() = 0;
  // Stores `secret` under kind and account, replacing one stored before.
  virtual bool Store(const std::string& kind, const std::string& account, const std::string& secret) = 0;
  // The secret under kind and account; nothing when there is none or the keyring failed.
  virtual std::optional<std::string> Lookup(const std::string& kind, const std::string& account) = 0;
  // Removes the secret under kind and account; true also when there was none.
  virtual bool Clear(const std::string& kind, const std::string& account) = 0;
  // The accounts of every secret of `kind` the program has stored.
  virtual std::vector<std::string> Accounts(const std::string& kind) = 0;
  std::string LastError;
};

// The Secret Service (org.freedesktop.secrets) on the session bus, through libsecret. Secrets
// carry the attributes application=mailmoat, kind and account, so `secret-tool lookup
// application mailmoat kind pop3 account LOGIN@SERVER` finds one.
std::unique_ptr<TKeyring> MakeSecretServiceKeyring();

}  // namespace mailmoat
