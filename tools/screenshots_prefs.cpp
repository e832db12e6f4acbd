// Pictures of the preferences: one of each page (prefs-accounts.png, prefs-addresses.png,
// prefs-senders.png, prefs-rules.png, prefs-blacklists.png, prefs-notifications.png,
// prefs-requeue.png, prefs-spamcop.png, prefs-network.png, prefs-misc.png), over a
// configuration filled as a user's would be, and of the list pages' dialogs (sender-edit.png,
// blacklist-edit.png, address-import.png, import-selection.png).

#include "MailmoatVersion.h"
#include "core/Blacklists.h"
#include "core/Records.h"
#include "core/dataConfig.h"
#include "ui/config/dlgBlacklist.h"
#include "ui/config/dlgSelectImport.h"
#include "ui/config/formAddrImport.h"
#include "ui/config/formWizard.h"
#include "ui/config/frmSenderEdit.h"

#include "ScreenshotSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>

#include <utility>

namespace mailmoat {

namespace {

TRuleRec UserRule(const char* description, const char* field, const char* expression, std::uint8_t type) {
  TRuleRec rule;
  rule.Description = description;
  rule.HeaderField = field;
  rule.Expression = expression;
  rule.RuleType = type;
  return rule;
}

bool ShootListDialogs(const QString& outDir, TUiHost& ui, QWidget* parent) {
  bool ok = true;
  {
    TfrmSenderEdit sender(ui, parent);
    sender.Show({"@example.org", "Everyone at work"});
    sender.show();
    ok &= SavePicture(sender, outDir + "/sender-edit.png");
  }
  {
    TdlgBlacklist blacklist(ui, "", parent);
    blacklist.Show("SpamCop Blacklist", "bl.spamcop.net");
    blacklist.show();
    ok &= SavePicture(blacklist, outDir + "/blacklist-edit.png");
  }
  std::vector<ApprovedSenderRecord> senders;
  {
    TdlgAddrImport import(senders, ui, "/nonexistent", parent);
    import.findChild<QLineEdit*>("feWabFile")->setText("/home/joe/Documents/contacts.vcf");
    import.show();
    ok &= SavePicture(import, outDir + "/address-import.png");
  }
  {
    std::vector<TAddrRecord> found = {{"Ann Smith", "ann.smith@example.com", true},
                                      {"Bob Jones", "bob@example.org", true},
                                      {"Carl", "carl@mail.example.net", true},
                                      {"Dora Miller", "dora.miller@example.com", true}};
    TdlgSelectImport pick(found, ui, parent);
    pick.show();
    ok &= SavePicture(pick, outDir + "/import-selection.png");
  }
  return ok;
}

}  // namespace

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
  const std::vector<ApprovedSenderRecord> senders =
      std::exchange(config.ApprovedSenders, {{"@example.com", "Work"},
                                             {"newsletter@shop.example.org", "The shop's news"},
                                             {"ann.smith@example.net", "Ann Smith"},
                                             {"bob@example.org", " "}});
  const std::vector<TRuleRec> userRules = std::exchange(
      config.UserRules, {UserRule("Casino offers", "Subject", "(?i)casino", RuleType::Header),
                         UserRule("Unsubscribe footer", "ALL", "click\\shere\\sto\\sunsubscribe", RuleType::Body)});
  const std::vector<TRuleRec> acceptRules = std::exchange(
      config.AcceptRules, {UserRule("Order confirmations", "Subject", "your order", RuleType::AlwaysAccept)});
  std::vector<TBlacklistRec> blacklists = DefaultBlacklists();
  blacklists.push_back({});
  blacklists.back().Name = "Spamhaus ZEN";
  blacklists.back().LookupSuffix = "zen.spamhaus.org";
  blacklists = std::exchange(config.Blacklists, blacklists);

  bool ok = true;
  {
    TfrmWizard prefs(config, ui, parent);
    prefs.show();
    const std::pair<TPrefsPage, const char*> shots[] = {{TPrefsPage::Accounts, "accounts"},
                                                        {TPrefsPage::ValidAddresses, "addresses"},
                                                        {TPrefsPage::ApprovedSenders, "senders"},
                                                        {TPrefsPage::FilterRules, "rules"},
                                                        {TPrefsPage::BlacklistLookups, "blacklists"},
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
  config.ApprovedSenders = senders;
  config.UserRules = userRules;
  config.AcceptRules = acceptRules;
  config.Blacklists = blacklists;
  return ok && ShootListDialogs(outDir, ui, parent);
}

}  // namespace mailmoat
