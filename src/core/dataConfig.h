#pragma once

#include "core/ActivityLog.h"
#include "core/Records.h"
#include "core/Registry.h"
#include "core/Settings.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"

#include <string>
#include <vector>

namespace mailmoat {

class TUiHost;
class TDialer;

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
  void WriteLog(const std::string& message) { ActivityLog.WriteLog(message); }
  void TrimLog(int days) { ActivityLog.TrimLog(days); }

  // Renames "*.txt" message files of older versions in every profile's archive directory to
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

  // Stores.
  std::vector<ProfileRecord> Profiles;
  std::vector<std::string> ValidAddresses;
  std::vector<ApprovedSenderRecord> ApprovedSenders;
  std::vector<std::string> LegacyAddresses;  // from the old approved-senders file, upgrade only
  std::vector<std::string> LegacyNames;
  std::vector<TRuleRec> SysHeaderRules;
  std::vector<TRuleRec> SysBodyRules;
  std::vector<TRuleRec> UserRules;
  std::vector<TRuleRec> AcceptRules;
  std::vector<TBlacklistRec> Blacklists;
  TSpamCopSettings SpamCop;
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

private:
  void CheckSingleInstance();
  void DecideDialUp();

  TInstanceLock InstanceLock;
};

}  // namespace mailmoat
