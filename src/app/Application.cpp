#include "app/Application.h"

#include "core/CheckView.h"
#include "platform/AsciiText.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "check/StartCheck.h"
#include "core/CommandLine.h"
#include "core/ConsoleCheckView.h"
#include "core/ConsoleUiHost.h"
#include "core/dataConfig.h"
#include "core/Notification.h"
#include "diag/ConfigDump.h"
#include "platform/NmcliDialer.h"
#include "platform/Errors.h"
#include "platform/StopSignals.h"
#include "MailmoatVersion.h"
#ifdef MAILMOAT_WITH_GUI
#include "app/GuiApplication.h"
#endif

#include <chrono>
#include <cstdio>
#include <thread>
#include <cstdlib>
#include <unistd.h>

namespace mailmoat {

namespace {
#ifdef MAILMOAT_WITH_GUI
constexpr bool WindowsBuilt = true;
#else
constexpr bool WindowsBuilt = false;
#endif
}  // namespace

TProgramOptions ParseProgramOptions(const std::vector<std::string>& argv) {
  TProgramOptions options;
  for (size_t i = 1; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a == "--home") {
      if (i + 1 >= argv.size() || argv[i + 1].empty()) {
        options.Error = "--home needs a directory";
        return options;
      }
      options.Home = argv[++i];
    } else if (a.rfind("--home=", 0) == 0) {
      if (a.size() == 7) {
        options.Error = "--home needs a directory";
        return options;
      }
      options.Home = a.substr(7);
    } else if (a == "--help" || a == "-h") {
      options.ShowHelp = true;
    } else if (a == "--headless") {
      options.Headless = true;
    } else if (a == "--version") {
      options.ShowVersion = true;
    } else if (a == "--") {
      options.Args.insert(options.Args.end(), argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
      break;
    } else if (a.size() > 1 && a[0] == '-') {
      options.Error = "unknown option " + a;
      return options;
    } else {
      options.Args.push_back(a);
    }
  }
  return options;
}

TRunMode ChooseRunMode(const TProgramOptions& options, bool windowsBuilt,
                       const std::function<const char*(const char*)>& getEnv) {
  const std::string verb = options.Args.empty() ? std::string() : LowerCaseAscii(options.Args[0]);
  const auto set = [&getEnv](const char* name) {
    const char* value = getEnv(name);
    return value != nullptr && *value != '\0';
  };
  const bool display = windowsBuilt && !options.Headless && (set("DISPLAY") || set("WAYLAND_DISPLAY"));
  if (verb == "dump") return TRunMode::Headless;
  if (verb == "quick") return display ? TRunMode::Window : TRunMode::Headless;
  return display ? TRunMode::Window : TRunMode::NoDisplay;
}

namespace {

// "dump FILE [none|basic|detailed]": the level, or nothing when the arguments are wrong.
std::optional<TDumpLevel> DumpLevel(const std::vector<std::string>& args) {
  if (args.size() < 2 || args.size() > 3 || args[1].empty()) return std::nullopt;
  const std::string level = args.size() == 3 ? LowerCaseAscii(args[2]) : "none";
  if (level == "none") return TDumpLevel::None;
  if (level == "basic") return TDumpLevel::Basic;
  if (level == "detailed") return TDumpLevel::Detailed;
  return std::nullopt;
}

// One line on standard error for each enabled profile the last run could not check to its
// end (its login failed, the connection broke, archiving failed); returns whether there was one.
bool ReportProfileFailures(const TdataPOP3& pop3) {
  for (const TProfileFailure& failure : pop3.ProfileFailures())
    std::fprintf(stderr, "mailmoat: profile \"%s\" could not be checked: %s\n", failure.Profile.c_str(),
                 failure.Error.c_str());
  return !pop3.ProfileFailures().empty();
}

// The check of "mailmoat quick [eat]": one run at once (after the start-up delay), whatever
// the automatic-check interval says, then a one-line result.
int RunQuickCheck(TConfigData& config, TConsoleUiHost& ui, TdataRas& ras, TCheckView& view, TdataPOP3& pop3) {
  CatchStopSignals();
  ui.SetIdleHook([&config] {
    if (StopSignalCaught()) config.AbortRequested = true;
  });
  try {
    if (config.StartupCheckDelay > 0) {
      config.Log(TLogClass::Normal,
                 "# Startup check delay set. Sleeping " + std::to_string(config.StartupCheckDelay) + " seconds");
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(config.StartupCheckDelay);
      while (std::chrono::steady_clock::now() < end && !config.AbortRequested) {
        ui.ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (config.AbortRequested) {
        std::fprintf(stderr, "mailmoat: check aborted before it started\n");
        return 1;
      }
    }
    // The check starts as the automatic-check timer starts it, with the timer's log line;
    // the command line has switched AutoView off.
    config.Log(TLogClass::Normal,
               config.AutoType ? "@ Automatic check and eat executing" : "@ Automatic check only executing");
    config.CheckAndView = false;
    StartCheck(config, ras, view, pop3, config.AutoType);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mailmoat: check failed: %s\n", e.what());
    return 1;
  }
  switch (pop3.LastRunResult()) {
    case TCheckRunResult::Completed: {
      const TRunCounters& c = config.Counters;
      std::printf("checked %d, eaten %d, cleared %d\n", c.Processed, c.Eaten, c.Cleared());
      // A mailbox that could not be checked is a failure cron must see, even when the others
      // were checked.
      std::fflush(stdout);
      return ReportProfileFailures(pop3) ? 1 : 0;
    }
    case TCheckRunResult::Aborted:
      ReportProfileFailures(pop3);
      std::fprintf(stderr, "mailmoat: check aborted\n");
      return 1;
    case TCheckRunResult::NoProfiles:
      std::fprintf(stderr, "mailmoat: no mailbox is set up, so nothing was checked\n");
      return 1;
    case TCheckRunResult::Failed:
      ReportProfileFailures(pop3);
      std::fprintf(stderr, "mailmoat: check failed: %s\n", pop3.LastRunError().c_str());
      return 1;
    case TCheckRunResult::NotRun: break;
  }
  // StartCheck logs why it could not start (dial-up networking).
  std::fprintf(stderr, "mailmoat: check not started: dial-up networking failed (details in the log)\n");
  return 1;
}

}  // namespace

std::string UsageText() {
  return "Usage: mailmoat [--home DIR] [--headless] [quick [eat]]\n"
         "       mailmoat [--home DIR] dump FILE [none|basic|detailed]\n"
         "\n"
         "  (none)       open the main window (needs a desktop: DISPLAY or WAYLAND_DISPLAY)\n"
         "  quick        check every enabled mailbox once, then exit\n"
         "  quick eat    the same, deleting the messages the filter rejects\n"
         "               (any other word after quick, \"view\" too, checks without deleting)\n"
         "  dump FILE    write the configuration report for support to FILE, with no,\n"
         "               basic or detailed facts about this computer (default none)\n"
         "  --headless   never open a window (quick runs on the terminal)\n"
         "  --home DIR   keep settings, data files and the log in DIR\n"
         "               (default: MAILMOAT_HOME, else the XDG data and config directories)\n"
         "  --version    print the version and exit\n"
         "  -h, --help   print this text and exit\n"
         "\n"
         "Exit status: 0 when every enabled mailbox was checked, 1 when something could not be\n"
         "checked, 2 for bad usage. See man mailmoat.\n";
}

int RunApplication(const std::vector<std::string>& argv) {
  const TProgramOptions options = ParseProgramOptions(argv);
  if (!options.Error.empty()) {
    std::fprintf(stderr, "mailmoat: %s\n\n%s", options.Error.c_str(), UsageText().c_str());
    return 2;
  }
  if (options.ShowHelp) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.ShowVersion) {
    std::printf("Mailmoat Pro %s\n", MAILMOAT_VERSION);
    return 0;
  }

  const bool dump = !options.Args.empty() && LowerCaseAscii(options.Args[0]) == "dump";
  const std::optional<TDumpLevel> dumpLevel = dump ? DumpLevel(options.Args) : std::nullopt;
  if (dump && !dumpLevel) {
    std::fprintf(stderr, "mailmoat: dump needs a file name and at most one of none, basic, detailed\n\n%s",
                 UsageText().c_str());
    return 2;
  }

  const TRunMode mode = ChooseRunMode(options, WindowsBuilt, [](const char* name) { return std::getenv(name); });
  if (mode == TRunMode::NoDisplay) {
    std::fprintf(stderr, "%s",
                 WindowsBuilt ? "mailmoat: no desktop to open the window on (DISPLAY and WAYLAND_DISPLAY are not set, "
                                "or --headless was given); run 'mailmoat quick' or 'mailmoat quick eat' for a "
                                "headless check\n"
                              : "mailmoat: this build has no windows; run 'mailmoat quick' or 'mailmoat quick eat' "
                                "for a headless check\n");
    return 2;
  }

  TConsoleUiHost ui(stderr);
  TAppPaths paths;
  try {
    paths = TAppPaths::Resolve(options.Home, [](const char* name) { return std::getenv(name); });
    paths.CreateDirectories();
  } catch (const EMailmoatError& e) {
    std::fprintf(stderr, "mailmoat: %s\n", e.what());
    return 1;
  }
#ifdef MAILMOAT_WITH_GUI
  if (mode == TRunMode::Window) return RunWindowed(options, paths);
#endif

  TdataRas ras([] { return std::make_unique<TNmcliDialer>(); });
  TConfigData config(paths, ui, ras.Dialer());
  ui.SetLogSink([&config](TMsgKind kind, const std::string& text) {
    // The box already went to standard error.
    const bool problem = kind == TMsgKind::Error || kind == TMsgKind::Warning;
    config.TryLog(problem ? TLogClass::All : TLogClass::Normal, (problem ? "! " : "@ ") + text);
  });
  config.ConfigDataCreate();
  if (config.TerminateRequested) return 1;
  ras.Attach(config);
  TConsoleCheckView view(stdout, ::isatty(STDOUT_FILENO) != 0);
  ras.SetView(view);
  TSilentNotifier notifier;
  TdataPOP3 pop3(config, ras, view, notifier);

  if (dump) {
    // No window here: the report shows the stored size and position for both.
    const TDumpWindow window{config.Width, config.Height, config.Top, config.Left};
    try {
      WriteConfigDump(config, options.Args[1], *dumpLevel, window);
    } catch (const EMailmoatError& e) {
      std::fprintf(stderr, "mailmoat: %s\n", e.what());
      return 1;
    }
    std::printf("Configuration dump written to %s\n", options.Args[1].c_str());
    return 0;
  }

  try {
    ApplyCommandLine(config, options.Args);
  } catch (const EInOutError& e) {
    std::fprintf(stderr, "mailmoat: %s\n", e.what());
    return 1;
  }
  if (config.QuickMode) {
    // Any second argument but "eat" is a check that deletes nothing; "view" would need the
    // message list, so say why it only checks.
    if (options.Args.size() > 1 && LowerCaseAscii(options.Args[1]) == "view")
      std::fprintf(stderr, "mailmoat: check and view needs the window, so this run only checks and deletes nothing\n");
    return RunQuickCheck(config, ui, ras, view, pop3);
  }
  return 2;  // ChooseRunMode sends every other run to the window or away
}

}  // namespace mailmoat
