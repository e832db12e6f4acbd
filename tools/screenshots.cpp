// Pictures of the windows for the README and for review, taken by scripts/screenshots.sh under
// Xvfb: the main window idle with no mailbox, during a check (mid-progress) and after it, the
// tray menu, the summary and "Mail Waiting!" after that check, the About window, the help
// window, the filter update during its download, the account windows, the setup wizard's
// pages, the log options, the configuration dump, the archive and its viewer.
//
//   mailmoat_screenshots OUTDIR EMPTY_HOME DEMO_HOME
//
// DEMO_HOME holds a profile of a running server (the demo's Dovecot).

#include "check/StartCheck.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/ConsoleUiHost.h"
#include "core/NewMailNotifier.h"
#include "core/Notification.h"
#include "core/dataConfig.h"
#include "platform/NmcliDialer.h"
#include "ui/common/AppContext.h"
#include "ui/common/HelpWindow.h"
#include "ui/common/Icons.h"
#include "ui/common/QtUiHost.h"
#include "ui/common/WindowOpeners.h"
#include "ui/main/MainCheckView.h"
#include "ui/main/ProgramWindows.h"
#include "ui/main/TrayIcon.h"
#include "ui/main/formMain.h"
#include "ui/main/frmAboutMmt.h"
#include "ui/main/frmMailWaiting.h"
#include "ui/main/frmSummary.h"
#include "ui/update/TfrmUpdProxy.h"
#include "ui/update/formFilterUpdate.h"

#include "ScreenshotSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace mailmoat {

// The rule windows (screenshots_rules.cpp), the message list and the header window
// (screenshots_review.cpp), the account windows (screenshots_accounts.cpp), the setup
// wizard (screenshots_setup.cpp), the log options and the configuration dump
// (screenshots_diag.cpp).
bool ShootRuleWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
bool ShootReviewWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
bool ShootAccountWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
bool ShootSetupWizard(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
bool ShootPreferences(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
bool ShootArchiveWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
bool ShootPrefsDialogs(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);
// The archived message viewer (screenshots_archive_viewer.cpp).
bool ShootMessageViewer(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent);

namespace {

// Boxes get their default answer without being shown (the start-up box about a missing
// profile would otherwise wait for a click), and are echoed so that nothing goes unseen.
class TNoBoxHost : public TQtUiHost {
public:
  TMsgButton MessageBox(TMsgKind, const std::string& text, TMsgButtons buttons, int, const std::string&,
                        TMsgButton defaultButton) override {
    std::fprintf(stderr, "screenshots: box: %s\n", text.c_str());
    return TConsoleUiHost::DefaultAnswer(buttons, defaultButton);
  }
};

// Xvfb has no tray: this one only holds the menu, which is pictured on its own.
class TPictureTray : public TTrayIcon {
public:
  bool Available() const override { return false; }
  void SetIcon(const QIcon&) override {}
  void SetToolTip(const QString&) override {}
  void SetMenu(QMenu*) override {}
  void SetVisible(bool) override {}
  bool Visible() const override { return false; }
};

// The main window's view, with a picture taken once the run has passed half its messages.
class TShotView : public TMainCheckView {
public:
  std::function<void()> MidRun;
  void SetProgressMax(int max) override {
    TMainCheckView::SetProgressMax(max);
    Max = max;
    Position = 0;
  }
  void SetProgress(int position) override {
    TMainCheckView::SetProgress(position);
    Position = position;
  }
  void StepProgress(int by) override {
    TMainCheckView::StepProgress(by);
    Position += by;
    if (!Taken && Max > 0 && Position * 2 >= Max && MidRun) {
      Taken = true;
      MidRun();
    }
  }

private:
  bool Taken = false;
  int Max = 0;
  int Position = 0;
};

// The program's long-lived objects over one home, as the program makes them.
struct TProgramOver {
  explicit TProgramOver(const QString& home)
      : Ras([] { return std::make_unique<TNmcliDialer>(); }),
        Config(TAppPaths::ForHome(QStringToPath(home)), Ui, Ras.Dialer()),
        Pop3(Started(), Ras, View, Notifier),
        Windows(Config, Ui, Ras),
        Context{Ras, Config, View, Pop3, Ui, Windows, Tray},
        Main(Context) {
    Ras.SetView(View);
    View.Attach(&Main);
    Ui.SetParentWindow(&Main);
  }
  static TPath QStringToPath(const QString& s) { return TPath(s.toStdString()); }
  // The configuration after its start-up sequence, as the check engine needs it.
  TConfigData& Started() {
    Config.ConfigDataCreate();
    Ras.Attach(Config);
    return Config;
  }

  TNoBoxHost Ui;
  TdataRas Ras;
  TConfigData Config;
  TShotView View;
  TSilentNotifier Notifier;
  TdataPOP3 Pop3;
  TProgramWindows Windows;
  TPictureTray Tray;
  TAppContext Context;
  TfrmMain Main;
};

// A web server on loopback that sends the first 40% of an update and then holds the line
// until Release(), which breaks it off: the filter update window is pictured mid-download.
class THeldDownload {
public:
  THeldDownload() {
    Listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(Listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(Listener, 1) != 0 ||
        ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    Port = ntohs(address.sin_port);
    Server = std::thread([this] {
      const int client = ::accept(Listener, nullptr, nullptr);
      if (client < 0) return;
      char request[4096];
      (void)::recv(client, request, sizeof request, 0);
      const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n";
      (void)::send(client, head.data(), head.size(), MSG_NOSIGNAL);
      const std::string part(40000, 'x');
      (void)::send(client, part.data(), part.size(), MSG_NOSIGNAL);
      char rest;
      (void)::recv(Hold[0], &rest, 1, 0);
      ::close(client);
    });
  }
  ~THeldDownload() {
    Release();
    if (Server.joinable()) Server.join();
    ::close(Listener);
    ::close(Hold[0]);
  }
  void Release() {
    if (Hold[1] < 0) return;
    ::close(Hold[1]);
    Hold[1] = -1;
  }
  int Port = 0;

private:
  int Listener = -1;
  int Hold[2] = {-1, -1};
  std::thread Server;
  bool Paired = ::socketpair(AF_UNIX, SOCK_STREAM, 0, Hold) == 0;
};

int Run(const QString& out, const QString& emptyHome, const QString& demoHome) {
  QDir().mkpath(out);
  bool ok = true;
  {
    TProgramOver program(emptyHome);
    program.Main.show();
    ok &= SavePicture(program.Main, out + "/main-no-profile.png");

    TfrmAboutMmt about(program.Ui, &program.Main);
    about.show();
    ok &= SavePicture(about, out + "/about.png");
    about.close();

    THelpWindow help(program.Ui);
    help.ShowTopic(10);
    ok &= SavePicture(help, out + "/help.png");
    help.close();

    THeldDownload server;
    program.Config.UpdateURL = "http://127.0.0.1:" + std::to_string(server.Port) + "/apps/MMTFILTERS.UPD";
    TfrmFilterUpdate update(program.Config, program.Ui, &program.Main);
    update.show();
    QTimer::singleShot(100, &update, [&] { update.findChild<QPushButton*>("btnUpdate")->click(); });
    QTimer::singleShot(1500, &update, [&] {
      ok &= SavePicture(update, out + "/filter-update.png");
      server.Release();
    });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 4000 || update.Busy()) {
      QApplication::processEvents();
      QThread::msleep(10);
    }
    update.close();

    ok &= ShootRuleWindows(out, program.Config, program.Ui, &program.Main);
    ok &= ShootReviewWindows(out, program.Config, program.Ui, &program.Main);
    ok &= ShootAccountWindows(out, program.Config, program.Ui, &program.Main);
    ok &= ShootSetupWizard(out, program.Config, program.Ui, &program.Main);
    ok &= ShootPreferences(out, program.Config, program.Ui, &program.Main);
    ok &= ShootArchiveWindows(out, program.Config, program.Ui, &program.Main);
    ok &= ShootPrefsDialogs(out, program.Config, program.Ui, &program.Main);
    ok &= ShootMessageViewer(out, program.Config, program.Ui, &program.Main);

    TfrmUpdProxy proxy(program.Config, &program.Main);
    proxy.show();
    ok &= SavePicture(proxy, out + "/update-proxy.png");
    proxy.close();
  }
  {
    TProgramOver program(demoHome);
    program.Main.show();
    Settle();
    QMenu* trayMenu = program.Main.TrayMenu();
    trayMenu->popup(program.Main.mapToGlobal(QPoint(40, 40)));
    ok &= SavePicture(*trayMenu, out + "/tray-menu.png");
    trayMenu->hide();
    program.View.MidRun = [&] { ok &= SavePicture(program.Main, out + "/main-checking.png"); };
    auto* checkOnly = program.Main.findChild<QPushButton*>("btnCheckOnly");
    if (checkOnly == nullptr || !checkOnly->isEnabled()) {
      std::fprintf(stderr, "screenshots: the demo home has no usable profile\n");
      return 1;
    }
    checkOnly->click();
    QElapsedTimer clock;
    clock.start();
    while (program.Config.CheckInProgress || clock.elapsed() < 500) {
      if (clock.elapsed() > 120000) {
        std::fprintf(stderr, "screenshots: the check did not end\n");
        return 1;
      }
      QApplication::processEvents();
      QThread::msleep(10);
    }
    ok &= SavePicture(program.Main, out + "/main-after-check.png");

    const int waiting = TNewMailNotifier::WaitingCount(program.Config.Counters);
    TfrmSummary summary(program.Config.Counters, waiting, program.Ui, &program.Main);
    summary.show();
    ok &= SavePicture(summary, out + "/summary.png");
    summary.close();
    TfrmMailWaiting popup(QString("Hey! You have %1 messages waiting in your mailbox!").arg(waiting), &program.Main);
    popup.show();
    ok &= SavePicture(popup, out + "/mail-waiting.png");
    popup.close();
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace mailmoat

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(mailmoat::ProgramIcon());
  if (argc != 4) {
    std::fprintf(stderr, "usage: mailmoat_screenshots OUTDIR EMPTY_HOME DEMO_HOME\n");
    return 2;
  }
  return mailmoat::Run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                       QString::fromLocal8Bit(argv[3]));
}
