#pragma once

#include <cstdint>
#include <string>

namespace mailmoat {

// LoggingLevel numbers as stored in the settings field. Terse comes last in the numbering but
// sits between None and Normal in what it writes.
namespace LogLevel {
constexpr int None = 0;
constexpr int Normal = 1;
constexpr int Verbose = 2;
constexpr int Debug = 3;
constexpr int Terse = 4;
}  // namespace LogLevel

namespace LogDisposition {
constexpr int Delete = 0;
constexpr int Rename = 1;
constexpr int Trim = 2;
}  // namespace LogDisposition

// Section "UpdateProxy": the proxy of the filter rules update.
struct TUpdateProxySettings {
  std::string Server;
  std::string UserName;
  std::string Password;  // plain text in the file
  std::int32_t Port = 80;

  bool operator==(const TUpdateProxySettings&) const = default;
};

// Section "Requeue": outbound mail.
struct TRequeueSettings {
  std::string SMTPServer;
  bool DeleteMsg = true;
  std::string SendTo;
  std::string SMTPLogin;
  std::string SMTPPassword;  // plain in memory, scrambled in the file
  bool SMTPAuth = false;
  bool IncHeaders = false;
  // Added here: how the SMTP server is reached. Files written before these keys existed read
  // as port 25 without TLS.
  std::int32_t SMTPPort = 25;
  std::int32_t SMTPSecurity = 0;  // 0 plain, 1 STARTTLS, 2 TLS from the start

  bool operator==(const TRequeueSettings&) const = default;
};

// Every key of the settings file "Mailmoat.ini", named after its key, with its default.
// The keys of section "Config" are fields of their own; the two other sections are members.
struct TSettings {
  std::int32_t NumProfiles = 0;
  std::int32_t MaxLogSize = 64;
  int LoggingLevel = LogLevel::Normal;
  int LogDisp = LogDisposition::Rename;
  bool Unknown = false;
  bool Strict = false;
  std::int32_t Width = 422;
  std::int32_t Height = 244;
  std::int32_t Top = 200;
  std::int32_t Left = 200;
  std::string Update;
  std::string Port = "110";
  std::int32_t AutoMins = 0;
  bool AutoType = false;
  bool AutoView = false;
  bool ToolTray = false;
  bool Startup = false;
  bool Popup = false;
  bool AlwaysPopup = false;
  // Added here: the new-mail notice goes to the desktop's notification server instead of the
  // "Mail Waiting!" window (which still shows when there is no such server). Desktops
  // without a tray get it either way. Off in files written before this key existed.
  bool DesktopNotify = false;
  bool PlayWav = false;
  std::string WAVFile;
  bool StartClient = false;
  std::string ClientName;
  std::string ClientFile;
  std::string ClientParams;
  std::string ClientFolder;
  std::int32_t ClientWin = 1;
  bool CheckOnStart = false;
  bool NoCase = false;
  bool AllHeaders = true;
  bool EatBlank = false;
  bool EatBlankSubj = false;
  bool EatSymbols = false;
  bool DisableQwik = false;
  bool DisableSpamScan = false;
  std::uint16_t MsgLines = 0;
  bool EatMatches = false;
  std::int32_t MaxMsgSize = 0;
  bool ConfirmInet = false;
  bool UseRas = true;
  bool ProcessBodies = false;
  bool MinimizeOnClose = true;
  bool SummarizeStats = false;
  bool RegExAddressCheck = false;
  bool CheckUIDL = false;
  std::int32_t MaxBodyRuleSize = 50;
  std::int32_t StartupCheckDelay = 0;
  std::int32_t BlacklistCheckNum = 1;
  // Added here: a DNS server ("host:port") for the blacklist look-ups instead of the system's,
  // and an extra certificate authority file trusted for TLS. Files written before these keys
  // existed read as empty: the system's resolver and authorities.
  std::string DnsServer;
  std::string TlsCaFile;
  // Added here: the POP3 and SMTP passwords live in the desktop keyring and the stores keep
  // empty password fields. Off in files written before this key existed.
  bool KeyringPasswords = false;
  // Added here: the addresses of the filter rules update and of the version check; empty
  // (and in files written before these keys existed) means the addresses the program was
  // built with.
  std::string UpdateURL;
  std::string VersionURL;

  TUpdateProxySettings UpdateProxy;
  TRequeueSettings Requeue;

  bool operator==(const TSettings&) const = default;
};

// The reversible scrambling of the SMTP password in the settings file. Both keep the length
// and accept any bytes.
std::string ScrambleText(const std::string& text);
std::string UnscrambleText(const std::string& text);

// Texts of the enumerated keys, exact and case-sensitive. Unknown texts read as Normal and
// Rename; a LogDisp number out of range is written as "Rename".
int LoggingLevelFromText(const std::string& text);
std::string LoggingLevelText(int level);
int LogDispFromText(const std::string& text);
std::string LogDispText(int disp);

}  // namespace mailmoat

namespace mailmoat {

class TIniFile;

// Reads every key of the three sections from `ini`: a missing or malformed value gives the
// key's default, and the clean-ups of a loaded file apply (no sound without a file, no
// client without a program, the password unscrambled, SMTP log-in only with a name and a
// password).
TSettings ReadSettings(const TIniFile& ini);

// Writes every key but the four window keys. `numProfiles` is written as NumProfiles. The
// caller has already forced SMTPAuth off when there is no log-in name or password.
void WriteSettings(TIniFile& ini, const TSettings& settings, int numProfiles);

// Writes only Left, Top, Width and Height.
void WriteWindowState(TIniFile& ini, const TSettings& settings);

}  // namespace mailmoat
