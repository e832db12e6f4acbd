#include "core/UiHost.h"
#include "core/dataConfig.h"

#include <algorithm>

namespace mailmoat {

std::string Pop3KeyringAccount(const ProfileRecord& profile) {
  return profile.Login + "@" + profile.Server;
}

std::string SmtpKeyringAccount(const TRequeueSettings& requeue) {
  return requeue.SMTPLogin + "@" + requeue.SMTPServer;
}

void TConfigData::KeyringFailed(const std::string& text) {
  // Every save and load would say it again; once a run is enough.
  if (KeyringWarned) return;
  KeyringWarned = true;
  TryWriteLog("! Keyring: " + text);
  Ui.MessageBox(TMsgKind::Warning, text, mbOK);
}

bool TConfigData::StorePasswordInKeyring(const std::string& kind, const std::string& account,
                                         const std::string& secret) {
  if (Keyring->Store(kind, account, secret)) return true;
  KeyringFailed("The passwords could not be kept in the desktop keyring: " + Keyring->LastError +
                "\r\nThey are kept in Mailmoat's own files, as without the keyring.");
  return false;
}

void TConfigData::PruneKeyring(const std::string& kind, const std::vector<std::string>& keep) {
  if (!Keyring->Available()) return;
  for (const std::string& account : Keyring->Accounts(kind)) {
    if (std::find(keep.begin(), keep.end(), account) == keep.end()) Keyring->Clear(kind, account);
  }
}

std::optional<std::string> TConfigData::PasswordFromKeyring(const std::string& kind, const std::string& account,
                                                            const std::string& owner) {
  std::optional<std::string> secret = Keyring->Lookup(kind, account);
  if (!secret && !Keyring->LastError.empty()) {
    KeyringFailed("The password of " + owner +
                  " is kept in the desktop keyring, which could not be read: " + Keyring->LastError);
  }
  return secret;
}

}  // namespace mailmoat
