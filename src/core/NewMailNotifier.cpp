#include "core/NewMailNotifier.h"

#include "platform/AsciiText.h"
#include "core/CheckView.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace mailmoat {

namespace {

const int ClientHelpContext = 100;

// The name of a program file; only '/' separates folders here.
std::string ProgramFileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

struct TKnownClient {
  const char* FileName;
  const char* Caption;
};

const TKnownClient KnownClients[] = {
    {"OUTLOOK.EXE", "Outlook"},
    {"MSIMN.EXE", "Outlook Express"},
    {"EUDORA.EXE", "Eudora"},
    {"PEGASUS.EXE", "Pegasus"},
};

}  // namespace

TNewMailNotifier::TNewMailNotifier(TConfigData& config, TCheckView& view, TWindowSystem& windows,
                                   TProcessLister processes, TStarter starter)
    : Config(config), View(view), Windows(windows), Processes(std::move(processes)), Starter(std::move(starter)) {
  if (!Processes) Processes = [] { return GetProcessList(); };
  if (!Starter) Starter = StartProcess;
}

int TNewMailNotifier::WaitingCount(const TRunCounters& c) {
  return c.Cleared();
}

std::string TNewMailNotifier::StartErrorText(int result) {
  switch (result) {
    case 0: return "Out of memory or system resources";
    case 2: return "Specified file was not found";
    case 3: return "Specified path was not found";
    case 5: return "Access denied to specified file";
    case 8: return "Not enough memory available to execute mail client software";
    case 11: return "EXE file is invalid. Not a Win32 executable.";
    case 26: return "Sharing violation";
    case 27: return "Filename association incomplete or invalid";
    case 31: return "No file association exists for specified file";
    case 32: return "Specified Dynamic Link Library (DLL) not found";
    default: return "Unknown error code: " + std::to_string(result);
  }
}

int TNewMailNotifier::StartResult(const TStartError& error) {
  if (error.InWorkDir) return error.Error == EACCES ? 5 : 3;
  switch (error.Error) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG: return 3;
    case EACCES:
    case EPERM: return 5;
    case ENOMEM:
    case E2BIG: return 8;
    case ENOEXEC:
    case ELIBBAD: return 11;
    case ETXTBSY: return 26;
    case ELIBACC: return 32;
    case EAGAIN:
    case EMFILE:
    case ENFILE: return 0;
    default: return -1;
  }
}

std::string TNewMailNotifier::CaptionText(const std::string& executable) {
  const std::string name = ProgramFileName(executable);
  const std::string upper = UpperCaseAscii(name);
  for (const TKnownClient& k : KnownClients)
    if (upper == k.FileName) return k.Caption;
  // Only a real extension is cut: Linux programs mostly have none, and cutting four
  // characters off "mutt" would leave a text that every caption contains.
  const size_t dot = name.rfind('.');
  const std::string stem = (dot != std::string::npos && dot > 0) ? name.substr(0, dot) : name;
  // The first letter as it is, the rest in lower case.
  return stem.empty() ? stem : stem.substr(0, 1) + LowerCaseAscii(std::string_view(stem).substr(1));
}

void TNewMailNotifier::LogLine(const std::string& line) {
  // The notification goes on without its log line.
  Config.TryLog(TLogClass::Normal, line);
}

void TNewMailNotifier::ShowProcessingSummary() {
  if (Config.Counters.Processed <= 0) return;
  View.ShowSummary(Config.Counters, WaitingCount(Config.Counters));
}

void TNewMailNotifier::NotifyNewMail() {
  if (!Config.NotifyEnabled) return;
  const int waiting = WaitingCount(Config.Counters);
  if (waiting <= 0) return;
  if (Config.PlayWav) PlayWave();
  if (Config.Popup) ShowPopup(waiting);
  if (Config.StartClient) ActivateClient();
}

void TNewMailNotifier::PlayWave() {
  std::string error;
  // A sound file that cannot be opened must not cost the user the popup and the e-mail
  // program, nor the end of the run.
  if (!View.PlaySound(Config.WAVFile, error)) LogLine("! Unable to play sound file " + Config.WAVFile + ": " + error);
}

void TNewMailNotifier::ShowPopup(int waiting) {
  if ((Config.AlwaysPopup || !Config.StartClient) && Config.CleanCount != Config.LastPopupCount) {
    View.ShowMailWaiting("Hey! You have " + std::to_string(waiting) + " messages waiting in your mailbox!");
  }
  Config.LastPopupCount = Config.CleanCount;
}

void TNewMailNotifier::ActivateClient() {
  const std::string& file = Config.ClientFile;
  if (file.empty()) {
    Config.Ui.MessageBox(TMsgKind::Error, "You need to select the email software filename for notifications to succeed",
                         mbOK | mbHelp, ClientHelpContext);
    return;
  }
  if (!FileExists(file)) {
    Config.Ui.MessageBox(TMsgKind::Error, "Specified email client file not found:\r\n" + file, mbOK | mbHelp,
                         ClientHelpContext);
    return;
  }

  const std::string wanted = UpperCaseAscii(ProgramFileName(file));
  bool running = false;
  try {
    for (const TProcessEntry& p : Processes()) {
      if (UpperCaseAscii(ProgramFileName(p.FileName)) == wanted) {
        running = true;
        break;
      }
    }
  } catch (const EMailmoatError& e) {
    LogLine(std::string("! Unable to read the process list: ") + e.what());
  }

  if (running) {
    const std::string caption = CaptionText(file);
    // The windows as they are now: a client this program started after its own start-up
    // has a window too, and must not be started once more at every run.
    for (const TWindowInfo& w : Windows.Snapshot()) {
      if (caption.empty() || w.Caption.find(caption) == std::string::npos) continue;
      if (Config.ClientWin == 1 || Config.ClientWin == 3) {
        if (!Windows.BringWindowToFront(w.Id)) Windows.RaiseWindow(w.Id);
      }
      return;
    }
  }

  // The program is named before the working directory changes.
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::absolute(file, ec);
  const TStartError error =
      Starter(ec ? file : program.string(), SplitParameters(Config.ClientParams), Config.ClientFolder);
  if (error.Error == 0 && !error.InWorkDir) return;
  const int result = StartResult(error);
  const std::string text = result >= 0 ? StartErrorText(result) : ErrnoText(error.Error);
  LogLine("! Error starting mail client: " + text);
  Config.Ui.MessageBox(TMsgKind::Error,
                       "The following error occurred trying to run your email client software :\r\n" + text,
                       mbOK | mbHelp, ClientHelpContext, "Error Executing Email Client Software");
}

}  // namespace mailmoat
