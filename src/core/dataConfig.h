#pragma once

#include "core/ActivityLog.h"
#include "core/FileCompress.h"
#include "core/Records.h"
#include "core/Registry.h"
#include "core/Settings.h"
#include "platform/InstanceLock.h"
#include "platform/Keyring.h"
#include "platform/Paths.h"

#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <vector>

namespace mailmoat {

class TUiHost;
class TDialer;
struct TRulesReportOptions;

// The accounts under which the keyring keeps the passwords: "LOGIN@SERVER".
std::string Pop3KeyringAccount(const ProfileRecord& profile);
std::string SmtpKeyringAccount(const TRequeueSettings& requeue);

// The configuration object: every setting (the fields of TSettings, named after their keys
// in "Mailmoat.ini"), every data store, and the run state shared by the check engine and the
// windows. The program entry creates one and passes it by reference to whatever needs it.
class TConfigData : public TSettings {
public:
  // Nothing is read or written until ConfigDataCreate.
  TConfigData(TAppPaths paths, TUiHost& ui, TDialer& dialer, TClock clock = SystemClock);
  TConfigData(const TConfigData&) = delete;
  TConfigData& operator=(const TConfigData&) = delete;

  // The start-up load sequence: single-instance check, run state, settings, dial-up
  // availability, the stores, the archive fix-up. Each step handles its own failures; when
  // another copy of the program owns the program directory, the box saying so is shown,
  // TerminateRequested is set and nothing more is loaded.
  void ConfigDataCreate();

  // Settings file. LoadSettings reports a file it cannot read in the log and an error box and
  // keeps the previous values. SaveSettings writes every key but the window keys;
  // SaveWindowState only those. Both return false after showing why the file was not written.
  void LoadSettings();
  bool SaveSettings();
  bool SaveWindowState();

  // Activity log. Log() writes `message` when LoggingLevel admits `cls`; WriteLog is the
  // unconditional writer for lines of class All. Both throw EInOutError on a log file error.
  bool LogOn(TLogClass cls) const { return LogLevelAdmits(LoggingLevel, cls); }
  void Log(TLogClass cls, const std::string& message);
  void WriteLog(const std::string& message) {
    if (HeldLog != nullptr) {
      HeldLog->push_back(message);
    } else {
      ActivityLog.WriteLog(message);
    }
  }
  // While set, the lines that pass their class test go into this list instead of the file,
  // for the caller to write later with WriteLog: the check run works ahead on several
  // messages and writes each one's lines in message order.
  std::vector<std::string>* HeldLog = nullptr;
  void TrimLog(int days) { ActivityLog.TrimLog(days); }
  // Log() and WriteLog() for lines whose loss must not stop what they report: a failure to
  // write the line is swallowed, and the result says whether it was written (or, for TryLog,
  // not wanted at this logging level).
  bool TryLog(TLogClass cls, const std::string& message) noexcept;
  bool TryWriteLog(const std::string& message) noexcept;

  // Mail server profiles ("pop3prof.dat"). LoadProfiles returns true when at least one
  // profile was loaded; when only the older profiles file ("profiles.dat") exists it shows
  // the warning saying so and returns false. SaveProfiles removes the file when there is no
  // profile. NumProfiles follows the list. Both throw EInOutError when the file cannot be read
  // or written; a failed save leaves the old file as it was.
  //
  // The loaders of the record stores (profiles, approved senders, rules, blacklists, SpamCop)
  // keep the whole records of a file whose last record is cut short and report the damage
  // (ReportDamagedStore).
  //
  // With KeyringPasswords on, SaveProfiles and SaveSettings put each non-empty POP3 password
  // and the SMTP password into Keyring and write empty fields in their place; with it off they
  // write the passwords and remove them from the keyring. Either way a password is removed
  // from the keyring only once the file that now holds it (or no longer needs it) is written,
  // and one the keyring refuses stays in the file, said once in a warning box.
  // LoadProfiles and LoadSettings fill empty password fields from the keyring while the
  // setting is on. A secret is found by its kind ("pop3", "smtp") and the account
  // "LOGIN@SERVER", so renaming a profile keeps its password; one whose server or log-in
  // changed is stored anew and the old secret removed.
  bool LoadProfiles();
  void SaveProfiles();

  // Valid addresses ("validaddr.dat", upgraded from "GoodAddr.txt"). A missing file leaves
  // ValidAddresses as it is; an empty list deletes the file. Throw EInOutError.
  void LoadValidAddresses();
  void SaveValidAddresses();

  // Approved senders. LoadApprovedSenders returns true when the file exists;
  // SaveApprovedSenders returns true when it wrote records and deletes the file for an empty
  // list. Both throw EInOutError, and a failed save leaves the old file as it was.
  bool LoadApprovedSenders();
  bool SaveApprovedSenders();
  // Appends and saves a sender unless its address is listed already (in any letter case),
  // which is told in a warning box. Returns true either way; throws EInOutError when the save
  // fails, with the sender left in the list.
  bool AddApprovedSender(const std::string& address, const std::string& name);
  // Fills LegacyAddresses and LegacyNames from "mmtexcept.dat"; a read error is logged and
  // leaves both empty. Blank lines are skipped.
  void ReadLegacyApprovedSenders();
  // The first e-mail address in `text`, lower-cased, and the name beside it. Never fails: a
  // text without an address gives two empty fields.
  static TContactInfo ParseContact(std::string_view text);

  // The four rule lists from "mmtrules.bin" and "usrrules.bin". A file that cannot be read is
  // logged and leaves its lists empty; a missing file is no error.
  void LoadRules();
  // Writes both rule files ("usrrules.bin" is deleted when the user has no rule). A failure
  // is logged, or shown in a box at the levels None and Terse, and returns false; what
  // follows the failure is not written, and no file is left half written.
  bool SaveRules();
  // Writes the filter rules report and opens it when asked. Returns false when there was no
  // rule to report or the file could not be written, after saying so in a box.
  bool CreateRulesReport(const TRulesReportOptions& options);

  // DNS blacklist databases ("blacklists.dat"). LoadBlacklists returns false when there is
  // no file; SaveBlacklists writes nothing for an empty list and returns false. Both throw
  // EInOutError, and a failed save leaves the old file as it was.
  bool LoadBlacklists();
  bool SaveBlacklists();

  // Dial-up settings ("duncfg.dat"). LoadDialSettings sets the defaults when there is no
  // file; a file it cannot read is reported in a box and switches UseRas off.
  // SaveDialSettings throws EInOutError.
  void LoadDialSettings();
  void SaveDialSettings();

  // SpamCop addresses ("spamcop.dat"). Loading always succeeds: a missing or unreadable file
  // leaves both addresses empty. Saving throws EInOutError or ECompressError.
  bool LoadSpamCopAddresses();
  void SaveSpamCopAddresses();

  // Renames older "*.txt" message files in every profile's archive directory to
  // ".spam", and creates archive directories that are missing. Skipped once the registry
  // value FixUpDone is set.
  void ArchiveFixUp();

  // A profile's archive directory; a relative one is taken inside the program directory.
  TPath ArchivePath(const ProfileRecord& profile) const;
  TPath DataFile(std::string_view name) const { return Paths.DataFile(name); }

  // Clears the run flags, counters and the message list of a check.
  void ResetRunState();

  const TAppPaths Paths;
  TUiHost& Ui;
  TDialer& Dialer;
  const TClock Clock;
  TRegistry Registry;
  TActivityLog ActivityLog;
  TFileCompress FileCompress;
  // The desktop keyring; the Secret Service unless a test puts another in its place.
  std::unique_ptr<TKeyring> Keyring;

  // Stores.
  std::vector<ProfileRecord> Profiles;
  std::vector<std::string> ValidAddresses;
  std::vector<ApprovedSenderRecord> ApprovedSenders;
  std::vector<std::string> LegacyAddresses;  // from the older approved-senders file, upgrade only
  std::vector<std::string> LegacyNames;
  std::vector<TRuleRec> SysHeaderRules;
  std::vector<TRuleRec> SysBodyRules;
  std::vector<TRuleRec> UserRules;
  std::vector<TRuleRec> AcceptRules;
  std::vector<TBlacklistRec> Blacklists;
  TSpamCopSettings SpamCop;
  DialSettingsRecord DialSettings;
  std::vector<THdrRec> HdrRecList;

  // Popup, PlayWav or StartClient; computed after loading and after the preferences are saved.
  bool NotifyEnabled = false;

  // Dial-up state.
  bool RasAvailable = false;
  bool RasConnected = false;
  bool Dialing = false;
  bool WeDialed = false;

  // Check state.
  bool CheckInProgress = false;
  bool AbortRequested = false;
  bool QuickMode = false;
  bool CheckAndView = false;
  bool AutoViewRun = false;
  bool PrefsOpen = false;
  TRunCounters Counters;
  std::int32_t CleanCount = 0;
  std::int32_t LastPopupCount = 0;

  // Set when the program must end after start-up instead of entering normal operation.
  bool TerminateRequested = false;
  // Set when start-up found no profile and said so in its box: nothing has been set up yet.
  // A profiles file that could not be read is not this case.
  bool NotSetUp = false;

private:
  void CheckSingleInstance();
  void DecideDialUp();
  void UpgradeApprovedSenders();
  // Runs one load step of start-up; an error it throws is logged and shown, and start-up
  // goes on. Returns false when the step failed.
  bool LoadStep(const std::function<void()>& step);
  // Called by a store's loader when `leftover` bytes at the end of its content (after
  // `records` whole records) make no record. Keeps the stored bytes as the file's ".damaged"
  // copy, replacing an older copy, before any save can replace the file; then tells the log
  // and the user. `access` is that of the store, so a copy of passwords stays private.
  void ReportDamagedStore(const TPath& file, std::string_view stored, std::size_t records, std::size_t leftover,
                          TFileAccess access = TFileAccess::Keep);

  // The keyring side of saving and loading the passwords (core/KeyringPasswords.cpp).
  // StorePasswordInKeyring returns whether the keyring now holds `secret`.
  bool StorePasswordInKeyring(const std::string& kind, const std::string& account, const std::string& secret);
  // Removes the secrets of `kind` whose account is not in `keep`.
  void PruneKeyring(const std::string& kind, const std::vector<std::string>& keep);
  std::optional<std::string> PasswordFromKeyring(const std::string& kind, const std::string& account,
                                                 const std::string& owner);
  void KeyringFailed(const std::string& text);

  TInstanceLock InstanceLock;
  // The keyring was used in this run (the setting was on at some point): unticking then
  // clears it; a user who never ticked it never has the keyring asked.
  bool KeyringUsed = false;
  bool KeyringWarned = false;
};

}  // namespace mailmoat
