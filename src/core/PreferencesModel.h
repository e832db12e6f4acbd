#pragma once

#include "core/Records.h"
#include "core/Settings.h"
#include "core/SetupWizardModel.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// The preferences dialog's pages, in their order.
enum class TPrefsPage {
  Accounts,
  ValidAddresses,
  ApprovedSenders,
  FilterRules,
  BlacklistLookups,
  Notifications,
  Requeue,
  SpamCop,
  Network,
  Misc,
};

// The control a failed check sends the user to.
enum class TPrefsField { SpamCopReport, SpamCopFrom };

// "Perform auto-check every": what the automatic check does.
enum class TAutoCheckMode { CheckAndEat, CheckOnly, CheckAndView };

// The entries of "Window Style", in their order; stored as ClientWin 1, 2, 3 and 7.
enum class TClientWindow { Normal, Minimized, Maximized, MinimizedNotActive };

// A check that refused the save: where the faulty field is, and the text of its error box.
struct TPrefsFault {
  TPrefsPage Page = TPrefsPage::Accounts;
  TPrefsField Field = TPrefsField::SpamCopReport;
  std::string Message;
  int HelpTopic = 0;
};

// What the preferences dialog shows and edits, one field per control, without its window.
// Profiles are edited in the configuration at once (as the profile editor does everywhere);
// the rest is held here until SavePreferences.
struct TPreferences {
  // Accounts.
  int ShownProfile = -1;  // -1: none
  int AutoMins = 0;
  TAutoCheckMode CheckMode = TAutoCheckMode::CheckOnly;
  int Port = 110;

  // Valid Addresses.
  std::vector<std::string> Addresses;
  TAddressCheckChoice AddressCheck = TAddressCheckChoice::Disabled;
  bool RegExAddressCheck = false;

  // The three list pages: their lists as they show them.
  std::vector<ApprovedSenderRecord> ApprovedSenders;
  std::vector<TRuleRec> SysHeaderRules;
  std::vector<TRuleRec> SysBodyRules;
  std::vector<TRuleRec> UserRules;
  std::vector<TRuleRec> AcceptRules;
  std::vector<TBlacklistRec> Blacklists;
  int BlacklistCheckNum = 1;
  // The rule list's three built-in rows.
  bool EatMatches = false;
  bool EatBlank = false;
  bool EatBlankSubj = false;

  // Notifications.
  bool Popup = false;
  bool AlwaysPopup = false;
  bool DesktopNotify = false;
  bool PlayWav = false;
  std::string WavFile;
  bool StartClient = false;
  std::string ClientFile;
  std::string ClientParams;
  std::string ClientFolder;
  TClientWindow ClientWindow = TClientWindow::Normal;

  // Requeue/Reply Settings, with the port and security of the SMTP server.
  std::string SMTPServer;
  bool SMTPAuth = false;
  std::string SMTPLogin;
  std::string SMTPPassword;
  std::string SendTo;
  bool DeleteMsg = true;
  bool IncHeaders = false;
  int SMTPPort = 25;
  int SMTPSecurity = 0;

  // SpamCop.
  std::string SpamCopReport;
  std::string SpamCopFrom;

  // Network. Dial-up can be chosen only where this computer has it.
  bool DialUpAvailable = false;
  bool UseRas = false;
  std::vector<std::string> DialEntries;
  std::string DialEntry;  // empty: none selected
  std::string DialUser;
  std::string DialPassword;
  std::string DialPhone;
  bool DisconnectWhenDone = true;

  // Misc, with the log options dialog's choices and the advanced settings.
  bool ToolTray = false;
  bool Startup = false;
  bool CheckOnStart = false;
  int StartupCheckDelay = 0;
  int MaxMsgSize = 0;
  int MaxBodyRuleSize = 50;
  bool CheckUIDL = false;
  bool SummarizeStats = false;
  int LoggingLevel = 0;
  int MaxLogSize = 64;
  int LogDisp = 0;
  std::string DnsServer;
  std::string TlsCaFile;
  bool KeyringPasswords = false;

  // Any edit since loading; the window sets it, loading clears it.
  bool Changed = false;
  // The last save stopped at a failed check or a file that could not be written.
  bool SaveFailed = false;

  // Not controls: the configuration's stores as loading found them, which DiscardPreferences
  // puts back and SavePreferences compares with to leave unchanged files alone.
  std::vector<ProfileRecord> OpenedProfiles;
  std::vector<ApprovedSenderRecord> OpenedApprovedSenders;
  std::vector<TRuleRec> OpenedSysHeaderRules;
  std::vector<TRuleRec> OpenedSysBodyRules;
  std::vector<TRuleRec> OpenedUserRules;
  std::vector<TRuleRec> OpenedAcceptRules;
  std::vector<TBlacklistRec> OpenedBlacklists;
  std::vector<std::string> OpenedAddresses;
  TSpamCopSettings OpenedSpamCop;
  DialSettingsRecord OpenedDialSettings;
};

// Fills every field from the configuration and its stores, and remembers what
// DiscardPreferences restores. Reads no file but the dialer's list of entries.
TPreferences LoadPreferences(TConfigData& config);

// The checks of a save, on the SpamCop boxes as they would be stored (without surrounding
// blanks). Returns the first fault, or nothing when the preferences may be saved.
std::optional<TPrefsFault> ValidatePreferences(const TPreferences& prefs);

// Trims the SpamCop boxes, runs every check, and only then stores the fields in the
// configuration and writes, in this order, the profiles, the approved senders, the rules,
// the SpamCop addresses, the blacklists, the dial-up settings (when dialling), the valid
// addresses and the settings, then the autostart entry for `program` in `autostartFolder`.
// A store is written only when it differs from what loading found, so an OK without changes
// rewrites no store; the autostart entry is renewed on every save while Startup is on, as
// the program may have moved. A failed check shows its error box and returns the fault with nothing
// stored or written; a file that cannot be written is shown in a box and ends the save, with
// what was written before it kept. Returns whether everything was saved.
bool SavePreferences(TConfigData& config, TPreferences& prefs, const std::string& program, const TPath& autostartFolder,
                     std::optional<TPrefsFault>* fault = nullptr);

// Puts the profiles, approved senders, rules and blacklists of the configuration back as
// loading found them. Writes and reads no file.
void DiscardPreferences(TConfigData& config, const TPreferences& prefs);

// Whether `address` has the form of a SpamCop submission address, and of an internet e-mail
// address whose top-level domain has 2 to 63 letters.
bool IsSpamCopReportAddress(const std::string& address);
bool IsSpamCopFromAddress(const std::string& address);

}  // namespace mailmoat
