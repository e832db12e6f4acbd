#include "app/GuiApplication.h"

#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/CommandLine.h"
#include "core/NewMailNotifier.h"
#include "core/SetupWizardModel.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "platform/NmcliDialer.h"
#include "platform/StopSignals.h"
#include "platform/WindowList.h"
#include "ui/common/A11yIds.h"
#include "ui/common/AppContext.h"
#include "ui/common/HelpWindow.h"
#include "ui/common/Icons.h"
#include "ui/common/QtUiHost.h"
#include "ui/main/MainCheckView.h"
#include "ui/main/ProgramWindows.h"
#include "ui/main/TrayIcon.h"
#include "ui/main/formMain.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace mailmoat {

void SetUpApplication() {
  QApplication::setApplicationName("mailmoat");
  QApplication::setApplicationDisplayName("Mailmoat Pro");
  // The window class (X11 WM_CLASS, Wayland app id) names the launcher, mailmoat.desktop, so
  // that the desktop groups the windows under its icon.
  QApplication::setDesktopFileName("mailmoat");
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setQuitOnLastWindowClosed(false);
  InstallA11yIds(*qApp);
}

int RunWindowed(const TProgramOptions& options, const TAppPaths& paths) {
  // Qt takes its own options (-style, -platform) from the arguments; ours were read already.
  int argc = 1;
  char name[] = "mailmoat";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  SetUpApplication();

  TQtUiHost ui;
  TdataRas ras([] { return std::make_unique<TNmcliDialer>(); });
  TConfigData config(paths, ui, ras.Dialer());
  ui.SetErrorSink([&config](const std::string& text) { config.TryLog(TLogClass::All, "! " + text); });
  // The start-up boxes (no profile, a failed upgrade) are real boxes here.
  config.ConfigDataCreate();
  if (config.TerminateRequested) return 1;
  ras.Attach(config);
  TMainCheckView view;
  ras.SetView(view);
  std::unique_ptr<TWindowSystem> windowSystem = CreateWindowSystem();
  TNewMailNotifier notifier(config, view, *windowSystem);
  TdataPOP3 pop3(config, ras, view, notifier);
  TProgramWindows windows(config, ui, ras);
  TSystemTrayIcon tray;
  TAppContext context{ras, config, view, pop3, ui, windows, tray};

  THelpWindow help(ui);
  ui.SetHelpHandler([&help](int topic) { help.ShowTopic(topic); });

  bool quick = false;
  try {
    quick = ApplyCommandLine(config, options.Args);
  } catch (const EInOutError& e) {
    std::fprintf(stderr, "mailmoat: %s\n", e.what());
    return 1;
  }

  TfrmMain frmMain(context);
  view.Attach(&frmMain);
  ui.SetParentWindow(&frmMain);

  // SIGTERM and Ctrl+C close the window as File | Exit does.
  CatchStopSignals();
  QTimer signalPoll;
  QObject::connect(&signalPoll, &QTimer::timeout, [&frmMain, &signalPoll] {
    if (!StopSignalCaught()) return;
    signalPoll.stop();
    frmMain.close();
  });
  signalPoll.start(200);

  // A quick start shows the window for a moment and goes to the tray (ToolTray is on); the
  // automatic-check timer starts its check at the first tick, and the end of that run closes
  // the window.
  frmMain.show();
  // A first start: the wizard, when wanted, opens over the window once it shows.
  if (!quick && AskForFirstSetup(config)) QTimer::singleShot(0, &frmMain, [&frmMain] { frmMain.OpenSetupWizard(); });
  const int code = QApplication::exec();
  help.close();
  return code != 0 ? code : frmMain.ExitCode();
}

}  // namespace mailmoat
