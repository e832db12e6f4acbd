#include "core/dataConfig.h"

#include "platform/AsciiText.h"
#include "platform/Dialer.h"
#include "core/IniFile.h"
#include "core/UiHost.h"
#include "platform/Errors.h"

#include <algorithm>

namespace mailmoat {

namespace {

// The hourglass for the length of a scope, restored also when a step throws.
class TBusyCursor {
public:
  explicit TBusyCursor(TUiHost& ui) : Ui(ui) { Ui.SetBusyCursor(true); }
  ~TBusyCursor() { Ui.SetBusyCursor(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
  TUiHost& Ui;
};

const char AlreadyRunningText[] = "Mailmoat Pro is already running on your system.\r\n This instance will now close.";

const char NoProfilesText[] =
    "Mailmoat was unable to load any information about your email\r\n"
    "accounts. If you have not yet setup Mailmoat, you will need to\r\n"
    "do so before you can use Mailmoat to clean out the spam.\r\n"
    "\r\n"
    "To setup Mailmoat, click the File menu on the main Mailmoat\r\n"
    "window, and then select either Preferences, or the Setup Wizard.";

}  // namespace

TConfigData::TConfigData(TAppPaths paths, TUiHost& ui, TDialer& dialer, TClock clock)
    : Paths(std::move(paths)),
      Ui(ui),
      Dialer(dialer),
      Clock(std::move(clock)),
      Registry(Paths.RegistryFile()),
      ActivityLog(Paths.ProgramDir, *this, ui, Registry, Clock),
      FileCompress(ui),
      Keyring(MakeSecretServiceKeyring()) {
}

void TConfigData::ConfigDataCreate() {
  TBusyCursor busy(Ui);
  CheckSingleInstance();
  if (TerminateRequested) return;
  ResetRunState();
  LoadSettings();
  NotifyEnabled = Popup || PlayWav || StartClient;
  DecideDialUp();
  LoadStep([this] { LoadValidAddresses(); });
  UpgradeApprovedSenders();
  LoadStep([this] { LoadApprovedSenders(); });
  LoadRules();
  bool blacklists = false;
  LoadStep([this, &blacklists] { blacklists = LoadBlacklists(); });
  if (!blacklists) Blacklists.clear();
  LoadSpamCopAddresses();
  bool profiles = false;
  // A file that exists but cannot be read has been reported already; the box below is for
  // a program that has not been set up.
  NotSetUp = LoadStep([this, &profiles] { profiles = LoadProfiles(); }) && !profiles;
  if (NotSetUp) Ui.MessageBox(TMsgKind::Information, NoProfilesText, mbOK | mbHelp, 50);
  ArchiveFixUp();
}

bool TConfigData::LoadStep(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const EMailmoatError& e) {
    // The box below still tells the user.
    TryWriteLog(std::string("! ") + e.what());
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
    return false;
  }
}

void TConfigData::ReportDamagedStore(const TPath& file, std::string_view stored, std::size_t records,
                                     std::size_t leftover, TFileAccess access) {
  const auto count = [](std::size_t n, const std::string& what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  const TPath copy(file.string() + ".damaged");
  std::string kept;
  std::string keptText;
  try {
    WriteFileAtomic(copy, stored, access);
    kept = "a copy was kept as " + copy.string();
    keptText = "A copy of the damaged file was kept as\r\n" + copy.string() +
               "\r\nThe file itself is written anew the next time these settings are saved.";
  } catch (const EInOutError& e) {
    kept = std::string("no copy could be kept: ") + e.what();
    keptText = std::string("No copy of the damaged file could be kept: ") + e.what() +
               "\r\nThe file is written anew the next time these settings are saved.";
  }
  // The box below still tells the user.
  TryLog(TLogClass::All, "! Damaged file " + file.string() + ": skipped " + count(leftover, "byte") +
                             " left over after " + count(records, "whole record") + "; " + kept);
  const std::string lost = leftover == 1 ? "its last byte does not make up a whole record and was not read."
                                         : "its last " + std::to_string(leftover) +
                                               " bytes do not make up a whole record and were not read.";
  const std::string loaded = records == 0 ? "It holds no whole record, so nothing was loaded from it."
                             : records == 1
                                 ? "The whole record before the damage was loaded."
                                 : "The " + count(records, "whole record") + " before the damage were loaded.";
  Ui.MessageBox(TMsgKind::Warning,
                "The file " + file.string() + " is damaged: " + lost + " " + loaded + "\r\n\r\n" + keptText, mbOK);
}

void TConfigData::CheckSingleInstance() {
  bool acquired = false;
  try {
    acquired = InstanceLock.Acquire(Paths.ProgramDir);
  } catch (const EInOutError&) {
    // A program directory we cannot write to will fail loudly at its first save; a lock
    // that cannot be made must not keep the program from starting.
    acquired = true;
  }
  if (!acquired) {
    Ui.MessageBox(TMsgKind::Information, AlreadyRunningText, mbOK);
    TerminateRequested = true;
  }
}

void TConfigData::ResetRunState() {
  WeDialed = false;
  Dialing = false;
  QuickMode = false;
  AbortRequested = false;
  Counters = TRunCounters{};
  CleanCount = 0;
  LastPopupCount = 0;
  HdrRecList.clear();
}

void TConfigData::DecideDialUp() {
  const bool unavailable = Dialer.RasUnavailable();
  if (!UseRas || unavailable) {
    if (unavailable) {
      RasAvailable = false;
      UseRas = false;
      RasConnected = true;
    } else {
      RasAvailable = true;
      RasConnected = false;
    }
    return;
  }
  LoadDialSettings();
  try {
    Dialer.GetEntryDialParams(DialSettings.EntryName);
    RasAvailable = true;
  } catch (const std::exception&) {
    RasConnected = true;
    RasAvailable = false;
    UseRas = false;
  }
}

void TConfigData::LoadSettings() {
  try {
    const TIniFile ini = TIniFile::Load(Paths.SettingsFile());
    static_cast<TSettings&>(*this) = ReadSettings(ini);
    if (KeyringPasswords) {
      KeyringUsed = true;
      if (Requeue.SMTPPassword.empty() && !Requeue.SMTPLogin.empty()) {
        if (auto secret = PasswordFromKeyring("smtp", SmtpKeyringAccount(Requeue), "the SMTP server")) {
          Requeue.SMTPPassword = *secret;
          // Read as off while the file held no password to log in with.
          Requeue.SMTPAuth = ini.ReadBool("Requeue", "SMTPAuth", false);
        }
      }
    }
  } catch (const std::exception& e) {
    // The box below still tells the user.
    TryWriteLog(std::string("! Read INI Config Exception: ") + e.what());
    Ui.MessageBox(TMsgKind::Error, std::string("Error reading Mailmoat.INI:\r\n") + e.what(), mbOK);
  }
}

bool TConfigData::SaveSettings() {
  if (Requeue.SMTPLogin.empty() || Requeue.SMTPPassword.empty()) Requeue.SMTPAuth = false;
  try {
    TIniFile ini = TIniFile::Load(Paths.SettingsFile());
    TSettings stored = *this;
    const std::string account = SmtpKeyringAccount(Requeue);
    const bool inKeyring = KeyringPasswords && !Requeue.SMTPPassword.empty() &&
                           StorePasswordInKeyring("smtp", account, Requeue.SMTPPassword);
    if (inKeyring) stored.Requeue.SMTPPassword.clear();
    WriteSettings(ini, stored, static_cast<int>(Profiles.size()));
    // It holds the SMTP password, scrambled but not secret.
    ini.Save(Paths.SettingsFile(), TFileAccess::OwnerOnly);
    // A password the file holds again, or one of an earlier server or log-in, leaves the
    // keyring; one the keyring holds but memory does not (it could not be read) stays.
    if (KeyringPasswords) KeyringUsed = true;
    if (KeyringUsed) {
      std::vector<std::string> keep;
      if (inKeyring || Requeue.SMTPPassword.empty()) keep.push_back(account);
      PruneKeyring("smtp", keep);
    }
    return true;
  } catch (const std::exception& e) {
    TryWriteLog(std::string("! Write INI Config Exception: ") + e.what());
    Ui.MessageBox(TMsgKind::Error, std::string("Error writing Mailmoat.INI:\r\n") + e.what(), mbOK);
    return false;
  }
}

bool TConfigData::SaveWindowState() {
  try {
    TIniFile ini = TIniFile::Load(Paths.SettingsFile());
    WriteWindowState(ini, *this);
    ini.Save(Paths.SettingsFile());
    return true;
  } catch (const std::exception& e) {
    // Called while the window closes: a box would keep it open, so the log has to do.
    TryWriteLog(std::string("! Write INI Config Exception: ") + e.what());
    return false;
  }
}

void TConfigData::Log(TLogClass cls, const std::string& message) {
  if (LogOn(cls)) WriteLog(message);
}

bool TConfigData::TryLog(TLogClass cls, const std::string& message) noexcept {
  return !LogOn(cls) || TryWriteLog(message);
}

bool TConfigData::TryWriteLog(const std::string& message) noexcept {
  try {
    WriteLog(message);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

TPath TConfigData::ArchivePath(const ProfileRecord& profile) const {
  const TPath dir(profile.ArchiveDir);
  return dir.is_absolute() ? dir : Paths.ProgramDir / dir;
}

void TConfigData::ArchiveFixUp() {
  if (Profiles.empty()) return;
  if (Registry.ReadBool(TRegistry::RootKey, "FixUpDone").value_or(false)) return;
  static const char* const Kept[] = {"goodaddr.txt", "history.txt", "readme.txt", "license.txt"};
  for (const ProfileRecord& profile : Profiles) {
    // Two characters or fewer cannot name an archive directory ("c:" in older files).
    if (profile.ArchiveDir.size() <= 2) continue;
    const TPath dir = ArchivePath(profile);
    if (!DirectoryExists(dir)) {
      try {
        ForceDirectories(dir);
      } catch (const EInOutError& e) {
        Log(TLogClass::All, std::string("! Archiving error: ") + e.what());
      }
      continue;
    }
    std::error_code ec;
    std::vector<TPath> renames;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      if (!entry.is_regular_file(ec)) continue;
      const std::string name = entry.path().filename().string();
      const std::string lower = LowerCaseAscii(name);
      if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".txt") != 0) continue;
      if (std::find(std::begin(Kept), std::end(Kept), lower) != std::end(Kept)) continue;
      renames.push_back(entry.path());
    }
    for (const TPath& from : renames) {
      TPath to = from;
      to.replace_extension(".spam");
      // An archive file of the same name is never overwritten; that text file stays as it is.
      RenameNoReplace(from, to);
    }
  }
}

}  // namespace mailmoat
