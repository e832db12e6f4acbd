#include "core/Settings.h"

#include "core/IniFile.h"

namespace mailmoat {

namespace {

// Both directions share the key schedule; only which byte feeds it differs: always the
// scrambled one, so each direction undoes the other.
std::string Scramble(const std::string& text, bool scrambling) {
  std::uint16_t key = 217;
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto in = static_cast<std::uint8_t>(text[i]);
    const auto result = static_cast<std::uint8_t>(in ^ (key >> 8));
    const std::uint8_t scrambled = scrambling ? result : in;
    out[i] = static_cast<char>(result);
    key = static_cast<std::uint16_t>((static_cast<std::uint32_t>(key + scrambled) * 41237u + 18455u) & 0xffffu);
  }
  return out;
}

const char* const LoggingLevelTexts[] = {"None", "Normal", "Verbose", "Debug", "Terse"};
const char* const LogDispTexts[] = {"Delete", "Rename", "Trim"};

}  // namespace

std::string ScrambleText(const std::string& text) {
  return Scramble(text, true);
}

std::string UnscrambleText(const std::string& text) {
  return Scramble(text, false);
}

int LoggingLevelFromText(const std::string& text) {
  for (int i = 0; i < 5; ++i) {
    if (text == LoggingLevelTexts[i]) return i;
  }
  return LogLevel::Normal;
}

std::string LoggingLevelText(int level) {
  if (level < 0 || level > 4) return LoggingLevelTexts[LogLevel::Normal];
  return LoggingLevelTexts[level];
}

int LogDispFromText(const std::string& text) {
  if (text == "Delete") return LogDisposition::Delete;
  if (text == "Trim") return LogDisposition::Trim;
  return LogDisposition::Rename;
}

std::string LogDispText(int disp) {
  if (disp < 0 || disp > 2) return LogDispTexts[LogDisposition::Rename];
  return LogDispTexts[disp];
}

namespace {

// Tags for the keys that are not stored as plain values.
struct TLevelKey {
  int& Value;
};
struct TDispKey {
  int& Value;
};
struct TWindowKey {
  std::int32_t& Value;
};
struct TPasswordKey {
  std::string& Value;
};
struct TAuthKey {
  bool& Value;
  const TRequeueSettings& Requeue;
};

// Every key in file order, once, so reading and writing cannot drift apart.
template <class Visitor>
void ForEachKey(TSettings& s, Visitor&& v) {
  v("Config", "NumProfiles", s.NumProfiles);
  v("Config", "MaxLogSize", s.MaxLogSize);
  v("Config", "LoggingLevel", TLevelKey{s.LoggingLevel});
  v("Config", "LogDisp", TDispKey{s.LogDisp});
  v("Config", "Unknown", s.Unknown);
  v("Config", "Strict", s.Strict);
  v("Config", "Width", TWindowKey{s.Width});
  v("Config", "Height", TWindowKey{s.Height});
  v("Config", "Top", TWindowKey{s.Top});
  v("Config", "Left", TWindowKey{s.Left});
  v("Config", "Update", s.Update);
  v("Config", "Port", s.Port);
  v("Config", "AutoMins", s.AutoMins);
  v("Config", "AutoType", s.AutoType);
  v("Config", "AutoView", s.AutoView);
  v("Config", "ToolTray", s.ToolTray);
  v("Config", "Startup", s.Startup);
  v("Config", "Popup", s.Popup);
  v("Config", "AlwaysPopup", s.AlwaysPopup);
  v("Config", "DesktopNotify", s.DesktopNotify);
  v("Config", "PlayWav", s.PlayWav);
  v("Config", "WAVFile", s.WAVFile);
  v("Config", "StartClient", s.StartClient);
  v("Config", "ClientName", s.ClientName);
  v("Config", "ClientFile", s.ClientFile);
  v("Config", "ClientParams", s.ClientParams);
  v("Config", "ClientFolder", s.ClientFolder);
  v("Config", "ClientWin", s.ClientWin);
  v("Config", "CheckOnStart", s.CheckOnStart);
  v("Config", "NoCase", s.NoCase);
  v("Config", "AllHeaders", s.AllHeaders);
  v("Config", "EatBlank", s.EatBlank);
  v("Config", "EatBlankSubj", s.EatBlankSubj);
  v("Config", "EatSymbols", s.EatSymbols);
  v("Config", "DisableQwik", s.DisableQwik);
  v("Config", "DisableSpamScan", s.DisableSpamScan);
  v("Config", "MsgLines", s.MsgLines);
  v("Config", "EatMatches", s.EatMatches);
  v("Config", "MaxMsgSize", s.MaxMsgSize);
  v("Config", "ConfirmInet", s.ConfirmInet);
  v("Config", "UseRas", s.UseRas);
  v("Config", "ProcessBodies", s.ProcessBodies);
  v("Config", "MinimizeOnClose", s.MinimizeOnClose);
  v("Config", "SummarizeStats", s.SummarizeStats);
  v("Config", "RegExAddressCheck", s.RegExAddressCheck);
  v("Config", "CheckUIDL", s.CheckUIDL);
  v("Config", "MaxBodyRuleSize", s.MaxBodyRuleSize);
  v("Config", "StartupCheckDelay", s.StartupCheckDelay);
  v("Config", "BlacklistCheckNum", s.BlacklistCheckNum);
  v("Config", "DnsServer", s.DnsServer);
  v("Config", "TlsCaFile", s.TlsCaFile);
  v("Config", "KeyringPasswords", s.KeyringPasswords);
  v("Config", "UpdateURL", s.UpdateURL);
  v("Config", "VersionURL", s.VersionURL);
  v("UpdateProxy", "Server", s.UpdateProxy.Server);
  v("UpdateProxy", "UserName", s.UpdateProxy.UserName);
  v("UpdateProxy", "Password", s.UpdateProxy.Password);
  v("UpdateProxy", "Port", s.UpdateProxy.Port);
  v("Requeue", "SMTPServer", s.Requeue.SMTPServer);
  v("Requeue", "DeleteMsg", s.Requeue.DeleteMsg);
  v("Requeue", "SendTo", s.Requeue.SendTo);
  v("Requeue", "SMTPLogin", s.Requeue.SMTPLogin);
  v("Requeue", "SMTPPassword", TPasswordKey{s.Requeue.SMTPPassword});
  v("Requeue", "SMTPAuth", TAuthKey{s.Requeue.SMTPAuth, s.Requeue});
  v("Requeue", "IncHeaders", s.Requeue.IncHeaders);
  v("Requeue", "SMTPPort", s.Requeue.SMTPPort);
  v("Requeue", "SMTPSecurity", s.Requeue.SMTPSecurity);
}

// A scrambled password may hold line breaks, NUL bytes or blanks at its ends, which a line of
// the settings file cannot carry. Such a password is written as hexadecimal digits and marked
// by a second key; any other is written as it is, as older files hold it.
const char PasswordEncodingKey[] = "SMTPPasswordEncoding";
const char HexEncoding[] = "hex";

std::string ToHex(const std::string& bytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(Digits[c >> 4]);
    out.push_back(Digits[c & 15]);
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Malformed digits give an empty password rather than a wrong one.
std::string FromHex(const std::string& text) {
  if (text.size() % 2 != 0) return {};
  std::string out;
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexValue(text[i]);
    const int lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return {};
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

struct TKeyReader {
  const TIniFile& Ini;
  void operator()(const char* sec, const char* key, std::int32_t& v) const { v = Ini.ReadInteger(sec, key, v); }
  void operator()(const char* sec, const char* key, bool& v) const { v = Ini.ReadBool(sec, key, v); }
  void operator()(const char* sec, const char* key, std::string& v) const { v = Ini.ReadString(sec, key, v); }
  void operator()(const char* sec, const char* key, std::uint16_t& v) const {
    v = static_cast<std::uint16_t>(Ini.ReadInteger(sec, key, v));
  }
  void operator()(const char* sec, const char* key, TLevelKey k) const {
    k.Value = LoggingLevelFromText(Ini.ReadString(sec, key, LoggingLevelText(k.Value)));
  }
  void operator()(const char* sec, const char* key, TDispKey k) const {
    k.Value = LogDispFromText(Ini.ReadString(sec, key, LogDispText(k.Value)));
  }
  void operator()(const char* sec, const char* key, TWindowKey k) const { (*this)(sec, key, k.Value); }
  void operator()(const char* sec, const char* key, TPasswordKey k) const {
    std::string stored = Ini.ReadString(sec, key, "");
    if (Ini.ReadString(sec, PasswordEncodingKey, "") == HexEncoding) stored = FromHex(stored);
    k.Value = stored.empty() ? std::string() : UnscrambleText(stored);
  }
  // Read only when there is something to log in with.
  void operator()(const char* sec, const char* key, TAuthKey k) const {
    k.Value = !k.Requeue.SMTPLogin.empty() && !k.Requeue.SMTPPassword.empty() && Ini.ReadBool(sec, key, false);
  }
};

struct TKeyWriter {
  TIniFile& Ini;
  bool WindowKeys;  // write only the window keys, or everything else
  void operator()(const char* sec, const char* key, std::int32_t& v) const {
    if (!WindowKeys) Ini.WriteInteger(sec, key, v);
  }
  void operator()(const char* sec, const char* key, bool& v) const {
    if (!WindowKeys) Ini.WriteBool(sec, key, v);
  }
  void operator()(const char* sec, const char* key, std::string& v) const {
    if (!WindowKeys) Ini.WriteString(sec, key, v);
  }
  void operator()(const char* sec, const char* key, std::uint16_t& v) const {
    if (!WindowKeys) Ini.WriteInteger(sec, key, v);
  }
  void operator()(const char* sec, const char* key, TLevelKey k) const {
    if (!WindowKeys) Ini.WriteString(sec, key, LoggingLevelText(k.Value));
  }
  void operator()(const char* sec, const char* key, TDispKey k) const {
    if (!WindowKeys) Ini.WriteString(sec, key, LogDispText(k.Value));
  }
  void operator()(const char* sec, const char* key, TWindowKey k) const {
    if (WindowKeys) Ini.WriteInteger(sec, key, k.Value);
  }
  void operator()(const char* sec, const char* key, TPasswordKey k) const {
    if (WindowKeys) return;
    const std::string scrambled = k.Value.empty() ? std::string() : ScrambleText(k.Value);
    if (TIniFile::StoresUnchanged(scrambled)) {
      Ini.WriteString(sec, key, scrambled);
      Ini.DeleteKey(sec, PasswordEncodingKey);
    } else {
      Ini.WriteString(sec, key, ToHex(scrambled));
      Ini.WriteString(sec, PasswordEncodingKey, HexEncoding);
    }
  }
  void operator()(const char* sec, const char* key, TAuthKey k) const {
    if (!WindowKeys) Ini.WriteBool(sec, key, k.Value);
  }
};

}  // namespace

TSettings ReadSettings(const TIniFile& ini) {
  TSettings s;
  ForEachKey(s, TKeyReader{ini});
  if (s.PlayWav && s.WAVFile.empty()) s.PlayWav = false;
  if (s.StartClient && s.ClientFile.empty()) s.StartClient = false;
  return s;
}

void WriteSettings(TIniFile& ini, const TSettings& settings, int numProfiles) {
  TSettings s = settings;
  s.NumProfiles = numProfiles;
  ForEachKey(s, TKeyWriter{ini, false});
}

void WriteWindowState(TIniFile& ini, const TSettings& settings) {
  TSettings s = settings;
  ForEachKey(s, TKeyWriter{ini, true});
}

}  // namespace mailmoat
