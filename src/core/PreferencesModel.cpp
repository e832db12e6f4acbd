#include "core/PreferencesModel.h"

#include "MailmoatVersion.h"
#include "core/Autostart.h"
#include "core/Blacklists.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/AsciiText.h"
#include "platform/Dialer.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <charconv>
#include <exception>

namespace mailmoat {

namespace {

constexpr int SpamCopHelpTopic = 240;
// Set when the program is built, as the maker's web addresses are.
const char SpamCopDomain[] = "@" MAILMOAT_SPAMCOP_DOMAIN;

const char FromAddressText[] =
    "The email address you entered for the SpamCop FROM\r\n"
    "address does not appear to be a valid internet email address.\r\n\r\n"
    "Please check this entry and make sure you have entered the\r\n"
    "address you used when you signed up to the SpamCop service.";

std::string ReportAddressText() {
  return std::string(
             "The address you have entered for the SpamCop email\r\n"
             "forwarding address does not appear to be correct. This\r\n"
             "address should be in the format:\r\n\r\n"
             "submit.xxxxxxxxxxxxxxxx") +
         SpamCopDomain + "\r\n\r\nThe part between submit. and " + SpamCopDomain +
         " will vary\r\nfor each SpamCop member. Please check your address and\r\nenter it again.";
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiAlnum(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

// A number box's value: below `low` or above `high` is set back to that bound.
int Bounded(int value, int low, int high) {
  return std::clamp(value, low, high);
}

std::string WithoutQuotes(const std::string& text) {
  std::string result = text;
  result.erase(std::remove(result.begin(), result.end(), '"'), result.end());
  return result;
}

int PortNumber(const std::string& text) {
  int port = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, port);
  if (text.empty() || error != std::errc() || at != end) return 110;
  return Bounded(port, 0, 32767);
}

TClientWindow WindowFromCode(int code) {
  switch (code) {
    case 2: return TClientWindow::Minimized;
    case 3: return TClientWindow::Maximized;
    case 7: return TClientWindow::MinimizedNotActive;
    default: return TClientWindow::Normal;
  }
}

int CodeOfWindow(TClientWindow window) {
  switch (window) {
    case TClientWindow::Minimized: return 2;
    case TClientWindow::Maximized: return 3;
    case TClientWindow::MinimizedNotActive: return 7;
    case TClientWindow::Normal: break;
  }
  return 1;
}

// The settings as the preferences would store them, over the configuration's others.
TSettings StoredSettings(const TConfigData& config, const TPreferences& prefs) {
  TSettings s = config;
  s.Port = std::to_string(Bounded(prefs.Port, 0, 32767));
  const bool checking = !prefs.Addresses.empty();
  s.Unknown = checking && prefs.AddressCheck == TAddressCheckChoice::Anywhere;
  s.Strict = checking && prefs.AddressCheck == TAddressCheckChoice::Strict;
  s.RegExAddressCheck = prefs.RegExAddressCheck;
  s.DisableSpamScan = false;
  s.ProcessBodies = true;
  s.SummarizeStats = prefs.SummarizeStats;
  s.CheckUIDL = prefs.CheckUIDL;
  s.AutoMins = Bounded(prefs.AutoMins, 0, 999);
  s.AutoType = prefs.CheckMode == TAutoCheckMode::CheckAndEat;
  s.AutoView = prefs.CheckMode == TAutoCheckMode::CheckAndView;
  s.ToolTray = prefs.ToolTray;
  s.CheckOnStart = prefs.CheckOnStart;
  s.StartupCheckDelay = Bounded(prefs.StartupCheckDelay, 0, 300);
  s.Startup = prefs.Startup;
  s.Popup = prefs.Popup;
  s.AlwaysPopup = prefs.AlwaysPopup;
  s.DesktopNotify = prefs.DesktopNotify;
  s.PlayWav = prefs.PlayWav;
  s.WAVFile = WithoutQuotes(prefs.WavFile);
  s.StartClient = prefs.StartClient;
  s.ClientFile = WithoutQuotes(prefs.ClientFile);
  s.ClientParams = prefs.ClientParams;
  s.ClientFolder = WithoutQuotes(prefs.ClientFolder);
  s.ClientWin = CodeOfWindow(prefs.ClientWindow);
  s.MsgLines = 0;
  s.MaxMsgSize = Bounded(prefs.MaxMsgSize, 0, 500000);
  s.MaxBodyRuleSize = Bounded(prefs.MaxBodyRuleSize, 1, 500000);
  TRequeueSettings& r = s.Requeue;
  // A blank typed around the host name would make a name no server has.
  r.SMTPServer = std::string(TrimText(prefs.SMTPServer));
  r.DeleteMsg = prefs.DeleteMsg;
  r.SendTo = prefs.SendTo;
  r.SMTPLogin = prefs.SMTPLogin;
  r.SMTPPassword = prefs.SMTPPassword;
  r.SMTPAuth = prefs.SMTPAuth && !prefs.SMTPLogin.empty() && !prefs.SMTPPassword.empty();
  r.IncHeaders = prefs.IncHeaders;
  r.SMTPPort = Bounded(prefs.SMTPPort, 1, 65535);
  r.SMTPSecurity = Bounded(prefs.SMTPSecurity, 0, 2);
  s.BlacklistCheckNum = Bounded(prefs.BlacklistCheckNum, 1, 9);
  s.EatMatches = prefs.EatMatches;
  s.EatBlank = prefs.EatBlank;
  s.EatBlankSubj = prefs.EatBlankSubj;
  s.UseRas = prefs.UseRas && prefs.DialUpAvailable;
  s.LoggingLevel = prefs.LoggingLevel;
  s.MaxLogSize = prefs.MaxLogSize;
  s.LogDisp = prefs.LogDisp;
  s.DnsServer = prefs.DnsServer;
  s.TlsCaFile = prefs.TlsCaFile;
  s.KeyringPasswords = prefs.KeyringPasswords;
  s.NumProfiles = static_cast<std::int32_t>(config.Profiles.size());
  return s;
}

}  // namespace

bool IsSpamCopReportAddress(const std::string& address) {
  const std::string lower = LowerCaseAscii(address);
  const std::string prefix = "submit.";
  const std::string domain = SpamCopDomain;
  if (lower.size() <= prefix.size() + domain.size()) return false;
  if (lower.compare(0, prefix.size(), prefix) != 0) return false;
  if (lower.compare(lower.size() - domain.size(), domain.size(), domain) != 0) return false;
  const auto first = lower.begin() + static_cast<std::ptrdiff_t>(prefix.size());
  const auto last = lower.end() - static_cast<std::ptrdiff_t>(domain.size());
  return std::all_of(first, last, IsAsciiAlnum);
}

bool IsSpamCopFromAddress(const std::string& address) {
  const std::size_t at = address.find('@');
  if (at == 0 || at == std::string::npos) return false;
  const auto localChar = [](char c) { return IsAsciiAlnum(c) || c == '.' || c == '-' || c == '_'; };
  if (!std::all_of(address.begin(), address.begin() + static_cast<std::ptrdiff_t>(at), localChar)) return false;
  // One or more labels each ended by a single dot, then a top-level domain of letters only.
  const std::string domain = address.substr(at + 1);
  const std::size_t lastDot = domain.rfind('.');
  if (lastDot == std::string::npos) return false;
  const std::string top = domain.substr(lastDot + 1);
  if (top.size() < 2 || top.size() > 63 || !std::all_of(top.begin(), top.end(), IsAsciiLetter)) return false;
  std::size_t start = 0;
  while (start <= lastDot) {
    const std::size_t dot = domain.find('.', start);
    if (dot == start) return false;
    const auto labelChar = [](char c) { return IsAsciiAlnum(c) || c == '-' || c == '_'; };
    if (!std::all_of(domain.begin() + static_cast<std::ptrdiff_t>(start),
                     domain.begin() + static_cast<std::ptrdiff_t>(dot), labelChar))
      return false;
    start = dot + 1;
  }
  return true;
}

// What DiscardPreferences goes back to and SavePreferences compares with.
static void RememberStored(const TConfigData& config, TPreferences& p) {
  p.OpenedProfiles = config.Profiles;
  p.OpenedApprovedSenders = config.ApprovedSenders;
  p.OpenedSysHeaderRules = config.SysHeaderRules;
  p.OpenedSysBodyRules = config.SysBodyRules;
  p.OpenedUserRules = config.UserRules;
  p.OpenedAcceptRules = config.AcceptRules;
  p.OpenedBlacklists = config.Blacklists;
  p.OpenedAddresses = config.ValidAddresses;
  p.OpenedSpamCop = config.SpamCop;
  p.OpenedDialSettings = config.DialSettings;
}

TPreferences LoadPreferences(TConfigData& config) {
  TPreferences p;
  p.AutoMins = config.AutoMins;
  p.CheckMode = config.AutoView   ? TAutoCheckMode::CheckAndView
                : config.AutoType ? TAutoCheckMode::CheckAndEat
                                  : TAutoCheckMode::CheckOnly;

  p.Addresses = config.ValidAddresses;
  p.Port = PortNumber(config.Port);
  p.ShownProfile = config.Profiles.empty() ? -1 : 0;

  if (p.Addresses.empty()) {
    p.AddressCheck = TAddressCheckChoice::Disabled;
  } else if (config.Strict) {
    p.AddressCheck = TAddressCheckChoice::Strict;
  } else {
    p.AddressCheck = config.Unknown ? TAddressCheckChoice::Anywhere : TAddressCheckChoice::Disabled;
  }
  p.RegExAddressCheck = config.RegExAddressCheck;

  p.ToolTray = config.ToolTray;
  p.Startup = config.Startup;
  p.CheckOnStart = config.CheckOnStart;
  p.StartupCheckDelay = config.StartupCheckDelay;
  p.Popup = config.Popup;
  p.AlwaysPopup = config.AlwaysPopup;
  p.DesktopNotify = config.DesktopNotify;
  p.PlayWav = config.PlayWav;
  p.WavFile = config.WAVFile;
  p.StartClient = config.StartClient;
  p.ClientFile = config.ClientFile;
  p.ClientParams = config.ClientParams;
  p.ClientFolder = config.ClientFolder;
  p.ClientWindow = WindowFromCode(config.ClientWin);
  p.MaxMsgSize = config.MaxMsgSize;
  p.SummarizeStats = config.SummarizeStats;
  p.LoggingLevel = config.LoggingLevel;
  p.MaxLogSize = config.MaxLogSize;
  p.LogDisp = config.LogDisp;
  p.DnsServer = config.DnsServer;
  p.TlsCaFile = config.TlsCaFile;
  p.KeyringPasswords = config.KeyringPasswords;

  p.DialUpAvailable = config.RasAvailable;
  if (p.DialUpAvailable) {
    p.DialEntries = config.Dialer.EntryNames();
    const DialSettingsRecord& dial = config.DialSettings;
    const bool listed = std::find(p.DialEntries.begin(), p.DialEntries.end(), dial.EntryName) != p.DialEntries.end();
    p.DialEntry = listed ? dial.EntryName : "";
    p.DialUser = dial.UserName;
    p.DialPassword = dial.Password;
    p.DialPhone = dial.PhoneNumber;
    p.DisconnectWhenDone = dial.DisconnectWhenDone;
  }
  p.UseRas = p.DialUpAvailable && config.UseRas;

  p.ApprovedSenders = config.ApprovedSenders;
  p.Blacklists = config.Blacklists;
  p.BlacklistCheckNum = config.BlacklistCheckNum;
  p.EatMatches = config.EatMatches;
  p.EatBlank = config.EatBlank;
  p.EatBlankSubj = config.EatBlankSubj;

  // All of the requeue settings are loaded, also without a server or with SMTP AUTH off:
  // leaving them out would store an unticked delete flag and empty log-in boxes over values
  // the user never touched.
  const TRequeueSettings& r = config.Requeue;
  p.SMTPServer = r.SMTPServer;
  p.SMTPAuth = r.SMTPAuth;
  p.SMTPLogin = r.SMTPLogin;
  p.SMTPPassword = r.SMTPPassword;
  p.SendTo = r.SendTo;
  p.DeleteMsg = r.DeleteMsg;
  p.IncHeaders = r.IncHeaders;
  p.SMTPPort = r.SMTPPort;
  p.SMTPSecurity = r.SMTPSecurity;

  p.CheckUIDL = config.CheckUIDL;
  p.MaxBodyRuleSize = config.MaxBodyRuleSize;
  p.SysHeaderRules = config.SysHeaderRules;
  p.SysBodyRules = config.SysBodyRules;
  p.UserRules = config.UserRules;
  p.AcceptRules = config.AcceptRules;
  p.SpamCopReport = config.SpamCop.ReportAddress;
  p.SpamCopFrom = config.SpamCop.FromAddress;

  RememberStored(config, p);

  p.Changed = false;
  return p;
}

std::optional<TPrefsFault> ValidatePreferences(const TPreferences& prefs) {
  const std::string report(TrimText(prefs.SpamCopReport));
  if (!report.empty() && !IsSpamCopReportAddress(report))
    return TPrefsFault{TPrefsPage::SpamCop, TPrefsField::SpamCopReport, ReportAddressText(), SpamCopHelpTopic};
  const std::string from(TrimText(prefs.SpamCopFrom));
  if (!from.empty() && !IsSpamCopFromAddress(from))
    return TPrefsFault{TPrefsPage::SpamCop, TPrefsField::SpamCopFrom, FromAddressText, SpamCopHelpTopic};
  return std::nullopt;
}

bool SavePreferences(TConfigData& config, TPreferences& prefs, const std::string& program, const TPath& autostartFolder,
                     std::optional<TPrefsFault>* fault) {
  prefs.SpamCopReport = std::string(TrimText(prefs.SpamCopReport));
  prefs.SpamCopFrom = std::string(TrimText(prefs.SpamCopFrom));
  const std::optional<TPrefsFault> found = ValidatePreferences(prefs);
  if (fault) *fault = found;
  prefs.SaveFailed = true;
  if (found) {
    config.Ui.MessageBox(TMsgKind::Error, found->Message, mbOK | mbHelp, found->HelpTopic);
    return false;
  }

  const TSettings settings = StoredSettings(config, prefs);
  const bool toKeyring = settings.KeyringPasswords && !config.KeyringPasswords;
  const bool fromKeyring = !settings.KeyringPasswords && config.KeyringPasswords;
  const bool settingsChanged = settings != static_cast<const TSettings&>(config);
  static_cast<TSettings&>(config) = settings;
  config.NotifyEnabled = settings.Popup || settings.PlayWav || settings.StartClient;

  config.ApprovedSenders = prefs.ApprovedSenders;
  config.SysHeaderRules = prefs.SysHeaderRules;
  config.SysBodyRules = prefs.SysBodyRules;
  config.UserRules = prefs.UserRules;
  config.AcceptRules = prefs.AcceptRules;
  config.SpamCop = {prefs.SpamCopReport, prefs.SpamCopFrom};
  config.Blacklists = prefs.Blacklists;
  config.ValidAddresses = prefs.Addresses;
  const bool dialling = settings.UseRas && !prefs.DialEntry.empty();
  if (dialling) {
    DialSettingsRecord& dial = config.DialSettings;
    dial.EntryName = std::string(CutText(prefs.DialEntry, 40));
    dial.UserName = std::string(CutText(prefs.DialUser, 40));
    dial.Password = std::string(CutText(prefs.DialPassword, 40));
    dial.PhoneNumber = std::string(CutText(prefs.DialPhone, 20));
    dial.DisconnectWhenDone = prefs.DisconnectWhenDone;
    TDialer& dialer = config.Dialer;
    dialer.EntryName = prefs.DialEntry;
    dialer.UserName = prefs.DialUser;
    dialer.Password = prefs.DialPassword;
    dialer.PhoneNumber = prefs.DialPhone;
  }

  const bool rulesChanged = config.SysHeaderRules != prefs.OpenedSysHeaderRules ||
                            config.SysBodyRules != prefs.OpenedSysBodyRules ||
                            config.UserRules != prefs.OpenedUserRules || config.AcceptRules != prefs.OpenedAcceptRules;
  // The passwords move with the tick, so the profiles are written although unchanged. The
  // file that says where the passwords are is written on the side where a failure between
  // the two saves loses nothing: the settings before the profiles lose theirs, after the
  // profiles got them back.
  const bool profilesChanged = config.Profiles != prefs.OpenedProfiles || toKeyring || fromKeyring;
  if (toKeyring && !config.SaveSettings()) return false;
  try {
    if (profilesChanged) config.SaveProfiles();
    if (config.ApprovedSenders != prefs.OpenedApprovedSenders) config.SaveApprovedSenders();
    if (rulesChanged && !config.SaveRules()) return false;
    ApplyStartupSetting(config, program, autostartFolder);
    if (config.SpamCop != prefs.OpenedSpamCop) config.SaveSpamCopAddresses();
    if (config.Blacklists != prefs.OpenedBlacklists) {
      // The store writes nothing for an empty table; without the file the next start has none.
      if (config.Blacklists.empty()) {
        DeleteFileIfExists(config.DataFile(BlacklistsFileName));
      } else {
        config.SaveBlacklists();
      }
    }
    if (dialling && config.DialSettings != prefs.OpenedDialSettings) config.SaveDialSettings();
    if (config.ValidAddresses != prefs.OpenedAddresses) config.SaveValidAddresses();
  } catch (const std::exception& e) {
    // The box below still tells the user.
    config.TryWriteLog(std::string("! Preferences: ") + e.what());
    config.Ui.MessageBox(TMsgKind::Error, std::string("Your settings could not be saved:\r\n") + e.what(), mbOK);
    return false;
  }
  if ((settingsChanged || profilesChanged) && !config.SaveSettings()) return false;
  prefs.SaveFailed = false;
  // What is now written is what a later Discard goes back to.
  RememberStored(config, prefs);
  return true;
}

void DiscardPreferences(TConfigData& config, const TPreferences& prefs) {
  config.Profiles = prefs.OpenedProfiles;
  config.NumProfiles = static_cast<std::int32_t>(config.Profiles.size());
  config.ApprovedSenders = prefs.OpenedApprovedSenders;
  config.SysHeaderRules = prefs.OpenedSysHeaderRules;
  config.SysBodyRules = prefs.OpenedSysBodyRules;
  config.UserRules = prefs.OpenedUserRules;
  config.AcceptRules = prefs.OpenedAcceptRules;
  config.Blacklists = prefs.OpenedBlacklists;
}

}  // namespace mailmoat
