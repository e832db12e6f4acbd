// Pictures of the preferences: one of each page (prefs-accounts.png, prefs-addresses.png,
// prefs-notifications.png, prefs-requeue.png, prefs-spamcop.png, prefs-network.png,
// prefs-misc.png), over a configuration filled as a user's would be.

#include "MailmoatVersion.h"
#include "core/Records.h"
#include "core/dataConfig.h"
#include "ui/config/formWizard.h"

#include "ScreenshotSupport.h"

#include <QDir>

#include <utility>

namespace mailmoat {

bool ShootPreferences(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  QDir().mkpath(outDir);
  ProfileRecord home;
  home.Name = "Home";
  home.Server = "pop.example.net";
  home.Login = "joe";
  home.Password = "secret";
  ProfileRecord work = home;
  work.Name = "Work";
  work.Server = "mail.example.com";
  work.Login = "joe.bloggs";
  work.Enabled = false;
  const std::vector<ProfileRecord> profiles = std::exchange(config.Profiles, {home, work});
  const TSettings settings = config;
  const std::vector<std::string> addresses = std::exchange(config.ValidAddresses, {"joe@example.net", "@example.com"});
  config.AutoMins = 10;
  config.AutoType = true;
  config.Unknown = true;
  config.Popup = true;
  config.PlayWav = true;
  config.WAVFile = "/usr/share/sounds/mail.wav";
  config.StartClient = true;
  config.ClientFile = "/usr/bin/thunderbird";
  config.Requeue.SMTPServer = "smtp.example.net";
  config.Requeue.SMTPPort = 587;
  config.Requeue.SMTPSecurity = 1;
  config.Requeue.SMTPAuth = true;
  config.Requeue.SMTPLogin = "joe";
  config.Requeue.SMTPPassword = "secret";
  config.Requeue.SendTo = "joe@example.net";
  config.CheckOnStart = true;
  config.StartupCheckDelay = 30;
  config.SummarizeStats = true;
  const TSpamCopSettings spamCop =
      std::exchange(config.SpamCop, {"submit.x7Kd2@" MAILMOAT_SPAMCOP_DOMAIN, "joe@example.net"});

  bool ok = true;
  {
    TfrmWizard prefs(config, ui, parent);
    prefs.show();
    const std::pair<TPrefsPage, const char*> shots[] = {{TPrefsPage::Accounts, "accounts"},
                                                        {TPrefsPage::ValidAddresses, "addresses"},
                                                        {TPrefsPage::Notifications, "notifications"},
                                                        {TPrefsPage::Requeue, "requeue"},
                                                        {TPrefsPage::SpamCop, "spamcop"},
                                                        {TPrefsPage::Network, "network"},
                                                        {TPrefsPage::Misc, "misc"}};
    for (const auto& [page, name] : shots) {
      prefs.ShowPage(page);
      ok &= SavePicture(prefs, outDir + "/prefs-" + name + ".png");
    }
    prefs.done(0);
  }
  static_cast<TSettings&>(config) = settings;
  config.Profiles = profiles;
  config.ValidAddresses = addresses;
  config.SpamCop = spamCop;
  return ok;
}

}  // namespace mailmoat
