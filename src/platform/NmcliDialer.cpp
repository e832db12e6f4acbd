#include "platform/NmcliDialer.h"

#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/Spawn.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace mailmoat {

namespace {

// nmcli's messages and state names in English whatever the user's locale, so that the
// states can be compared.
const std::vector<std::string> NmcliEnvironment = {"LC_ALL=C"};

// The lines of nmcli's output that hold something.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = SplitLines(text);
  std::erase_if(lines, [](const std::string& line) { return line.empty(); });
  return lines;
}

std::string FirstLine(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  return lines.empty() ? std::string() : lines.front();
}

bool StoresDialParameters(const std::string& type) {
  return type == "gsm" || type == "cdma" || type == "pppoe";
}

// A password file for "nmcli connection up ... passwd-file", readable by this user only and
// removed when the dial is over.
class TPasswordFile {
public:
  TPasswordFile(const std::string& key, const std::string& password) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mailmoat-dial-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return;
    Path = pattern;
    const std::string line = key + ":" + password + "\n";
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    if (!written) Remove();
  }
  ~TPasswordFile() { Remove(); }
  TPasswordFile(const TPasswordFile&) = delete;
  TPasswordFile& operator=(const TPasswordFile&) = delete;
  bool Ok() const { return !Path.empty(); }
  std::string Path;

private:
  void Remove() {
    if (!Path.empty()) ::unlink(Path.c_str());
    Path.clear();
  }
};

}  // namespace

TNmcliDialer::TNmcliDialer() : TNmcliDialer(TOptions{}) {
}

TNmcliDialer::TNmcliDialer(TOptions options) : Options(std::move(options)) {
  std::string path = Options.SearchPath;
  if (path.empty()) {
    const char* env = std::getenv("PATH");
    path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  }
  Program = FindProgram(Options.Program, path);
}

TNmcliDialer::~TNmcliDialer() {
  if (!HangUpOnDestroy || Program.empty() || EntryName.empty()) return;
  try {
    Deactivate();
  } catch (...) {
    // Nothing may escape a destructor; the program is ending anyway.
  }
}

std::vector<std::string> TNmcliDialer::SplitTerseLine(const std::string& line) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      fields.back() += line[++i];
    } else if (line[i] == ':') {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  return fields;
}

int TNmcliDialer::Failure(int code, const std::string& detail) {
  LastErrorCode = code;
  LastErrorDetail = detail;
  return code;
}

void TNmcliDialer::GetEntryDialParams(const std::string& entry) {
  if (entry.empty() || Program.empty()) return;
  const TProcessResult r = RunProcess(Program, {"-t", "-f", "connection.type", "connection", "show", "id", entry},
                                      Options.CommandTimeoutMs, NmcliEnvironment);
  if (!r.Succeeded()) {
    const std::string detail = FirstLine(r.Err);
    throw EMailmoatError("The network connection \"" + entry + "\" cannot be read" +
                         (detail.empty() ? std::string() : ": " + detail));
  }
  EntryTypeOf = entry;
  EntryType.clear();
  for (const std::string& line : Lines(r.Out)) {
    const std::vector<std::string> f = SplitTerseLine(line);
    if (f.size() == 2 && f[0] == "connection.type") EntryType = f[1];
  }
}

std::vector<std::string> TNmcliDialer::EntryNames() {
  if (Program.empty()) return {};
  const TProcessResult r =
      RunProcess(Program, {"-t", "-f", "NAME", "connection", "show"}, Options.CommandTimeoutMs, NmcliEnvironment);
  if (!r.Succeeded()) return {};
  std::vector<std::string> names;
  for (const std::string& line : Lines(r.Out)) names.push_back(SplitTerseLine(line).front());
  return names;
}

bool TNmcliDialer::SetEntryDialParams() {
  if (Program.empty() || EntryName.empty()) return false;
  if (EntryTypeOf != EntryName) {
    try {
      GetEntryDialParams(EntryName);
    } catch (const EMailmoatError&) {
      return false;
    }
  }
  if (!StoresDialParameters(EntryType)) return false;
  std::vector<std::string> args = {"connection", "modify", "id", EntryName};
  if (EntryType != "pppoe") {
    args.push_back(EntryType + ".number");
    args.push_back(PhoneNumber);
  }
  args.push_back(EntryType + ".username");
  args.push_back(UserName);
  return RunProcess(Program, args, Options.CommandTimeoutMs, NmcliEnvironment).Succeeded();
}

bool TNmcliDialer::ActiveConnection(TActive& found) {
  if (Program.empty()) return false;
  const TProcessResult r = RunProcess(Program, {"-t", "-f", "NAME,STATE", "connection", "show", "--active"},
                                      Options.CommandTimeoutMs, NmcliEnvironment);
  if (!r.Succeeded()) return false;
  for (const std::string& line : Lines(r.Out)) {
    const std::vector<std::string> f = SplitTerseLine(line);
    if (f.size() < 2) continue;
    if (EntryName.empty() || f[0] == EntryName) {
      found = {f[0], f[1]};
      return true;
    }
  }
  return false;
}

bool TNmcliDialer::IsConnected() {
  TActive active;
  return ActiveConnection(active) && active.State == "activated";
}

bool TNmcliDialer::Deactivate() {
  // Without an entry name the first active connection would be the computer's ordinary
  // network link, which is not ours to take down.
  if (EntryName.empty()) return false;
  TActive active;
  if (!ActiveConnection(active)) return false;
  RunProcess(Program, {"connection", "down", "id", EntryName}, Options.CommandTimeoutMs, NmcliEnvironment);
  return true;
}

void TNmcliDialer::HangUp() {
  if (Deactivate() && OnDisconnect) OnDisconnect();
}

int TNmcliDialer::Dial() {
  if (Program.empty()) return Failure(NotStartedCode, "nmcli was not found");
  if (EntryName.empty()) return Failure(NoEntryCode, {});
  HangUp();
  std::vector<std::string> args = {"connection", "up", "id", EntryName};
  std::optional<TPasswordFile> secrets;
  if (!Password.empty()) {
    if (EntryTypeOf != EntryName) {
      try {
        GetEntryDialParams(EntryName);
      } catch (const EMailmoatError& e) {
        return Failure(10, e.what());
      }
    }
    // Handed over in a file of our own, never on the command line where any user can read it.
    if (StoresDialParameters(EntryType)) {
      if (Password.find('\n') != std::string::npos) return Failure(PasswordFileCode, {});
      secrets.emplace(EntryType + ".password", Password);
      if (!secrets->Ok()) return Failure(PasswordFileCode, ErrnoText(errno));
      args.push_back("passwd-file");
      args.push_back(secrets->Path);
    }
  }
  const TProcessResult r = RunProcess(Program, args, Options.DialTimeoutMs, NmcliEnvironment);
  if (r.Succeeded()) return 0;
  // A dial that failed half way may leave the connection activating.
  HangUp();
  switch (r.End) {
    case TProcessResult::TEnd::NotStarted: return Failure(NotStartedCode, ErrnoText(r.Error));
    case TProcessResult::TEnd::TimedOut: return Failure(TimedOutCode, {});
    case TProcessResult::TEnd::Signalled: return Failure(KilledCode, {});
    case TProcessResult::TEnd::Exited: break;
  }
  return Failure(r.ExitStatus, FirstLine(r.Err));
}

std::string TNmcliDialer::ErrorText(int code) {
  std::string text;
  switch (code) {
    case 1: text = "Unknown or unspecified error"; break;
    case 2: text = "Invalid user input or wrong nmcli invocation"; break;
    case 3: text = "Timeout expired"; break;
    case 4: text = "Connection activation failed"; break;
    case 5: text = "Connection deactivation failed"; break;
    case 6: text = "Disconnecting device failed"; break;
    case 7: text = "Connection deletion failed"; break;
    case 8: text = "NetworkManager is not running"; break;
    case 10: text = "Connection, device or access point does not exist"; break;
    case NoEntryCode: text = "No network connection is chosen for dial-up networking"; break;
    case NotStartedCode: text = "The nmcli program could not be started"; break;
    case TimedOutCode: text = "The nmcli program did not finish in time"; break;
    case KilledCode: text = "The nmcli program ended abnormally"; break;
    case PasswordFileCode: text = "The password could not be handed over to nmcli"; break;
    default: text = "nmcli error " + std::to_string(code); break;
  }
  if (code == LastErrorCode && !LastErrorDetail.empty()) text += ": " + LastErrorDetail;
  return text;
}

}  // namespace mailmoat
