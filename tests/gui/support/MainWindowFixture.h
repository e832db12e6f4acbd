#pragma once

// The main window over the real core in the program's start-up order, with a scripted
// dialer, a fake tray and recording openers; Dovecot serves the mailboxes.
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/dataConfig.h"
#include "filter/FilterTestSupport.h"
#include "integration/DovecotServer.h"
#include "integration/TcpRelay.h"
#include "support/FakeDialer.h"
#include "support/FakeNotifier.h"
#include "gui/support/FakeTray.h"
#include "gui/support/GuiTestHost.h"
#include "support/TempDir.h"
#include "ui/common/AppContext.h"
#include "ui/common/WindowOpeners.h"
#include "ui/main/MainCheckView.h"
#include "ui/main/formMain.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mailmoat::test {

// Openers of windows that report themselves built, recording what was opened; Open runs
// `OnOpen` as the window's work and returns its answer.
class TRecordingOpeners : public TWindowOpeners {
public:
  bool Available(TWindowKind) const override { return true; }
  bool Open(TWindowKind kind, QWidget*) override {
    Opened.push_back(kind);
    return OnOpen ? OnOpen() : false;
  }
  std::vector<TWindowKind> Opened;
  std::function<bool()> OnOpen;
};

inline std::string Mail(int n, const std::string& subject) {
  return "From: sam@example.net\r\nTo: joe@example.org\r\nSubject: " + subject + "\r\nMessage-ID: <m" +
         std::to_string(n) + "@test.example.org>\r\n\r\nHello\r\n";
}

class TMainWindowFixture : public testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!TDovecotServer::Available()) return;
    Server = std::make_unique<TDovecotServer>();
    if (!Server->StartPlain()) Server.reset();
  }
  static void TearDownTestSuite() { Server.reset(); }

  // The program's objects in their start-up order over a home with `ini` as its settings.
  void Start(const std::string& ini = "[Config]\nLoggingLevel=Normal\nUseRas=0\n", bool builtWindows = true,
             bool activate = true) {
    WriteTextFile(Dir / "Mailmoat.ini", ini);
    auto dialer = std::make_unique<TFakeDialer>();
    Dialer = dialer.get();
    Dialer->Unavailable = !DialerAvailable;
    Ras = std::make_unique<TdataRas>(std::move(dialer));
    Config = std::make_unique<TConfigData>(TAppPaths::ForHome(Dir.Path()), Ui, Ras->Dialer());
    Config->ConfigDataCreate();
    Config->SysHeaderRules = {Rule("Pills in the subject", "Subject", "(?i)pills")};
    Ras->Attach(*Config);
    Ras->SetView(View);
    Pop3 = std::make_unique<TdataPOP3>(*Config, *Ras, View, RunNotifier != nullptr ? *RunNotifier : Notifier);
    Context = std::make_unique<TAppContext>(
        TAppContext{*Ras, *Config, View, *Pop3, Ui, builtWindows ? Openers : PlainOpeners, Tray});
    Main = std::make_unique<TfrmMain>(*Context);
    View.Attach(Main.get());
    Main->show();
    Ui.Boxes.clear();
    if (!activate) return;
    Main->activateWindow();
    // Shortcuts reach only the active window.
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
  }
  // Runs `action` once, as soon as `when` holds. The run lets events through while it works
  // (and nothing returns to the test until it ends), so a timer is what sees it midway.
  void OnceDuringRun(std::function<bool()> when, std::function<void()> action) {
    auto* timer = new QTimer(Main.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, when, action] {
      if (!when()) return;
      timer->stop();
      action();
    });
    timer->start();
  }
  // A mailbox of `count` messages, every one with "Pills" in its subject, and its profile.
  void AddMailbox(int count, int port = 0) {
    const std::string user = "u" + std::to_string(++UserCount);
    Server->AddUser(user, "pw");
    for (int i = 1; i <= count; ++i)
      Server->AddMessage(user, std::to_string(1700000100 + i) + ".M1P1." + user, Mail(i, "Pills " + std::to_string(i)));
    ProfileRecord profile;
    profile.Name = "Box " + user;
    profile.Server = "127.0.0.1";
    profile.Login = user;
    profile.Password = "pw";
    profile.Port = static_cast<std::uint16_t>(port != 0 ? port : Server->PlainPort);
    Config->Profiles.push_back(profile);
    User = user;
  }
  template <typename T>
  T* Find(const char* name) const {
    T* found = Main->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString Label(const char* name) const { return Find<QLabel>(name)->text(); }
  // Every check command of the window and the tray, with the two filter-update items.
  std::vector<bool> CheckCommandStates() const {
    std::vector<bool> states;
    for (const char* b : {"btnCheckOnly", "btnCheckView", "btnCheckEat"})
      states.push_back(Find<QPushButton>(b)->isEnabled());
    for (const char* a : {"mnuCheckEat", "mnuCheckOnly", "mnuCheckView", "mnuFilterUpdate", "tmCheckOnly", "tmCheckEat",
                          "tmCheckView", "tmFilterUpdate"})
      states.push_back(Find<QAction>(a)->isEnabled());
    return states;
  }
  bool WaitForRunEnd() {
    return QTest::qWaitFor(
        [this] { return !Config->CheckInProgress && Pop3->LastRunResult() != TCheckRunResult::NotRun; }, 60000);
  }
  bool Logged(const std::string& text) const { return ReadTextFile(Dir / "mmt.log").find(text) != std::string::npos; }

  static inline std::unique_ptr<TDovecotServer> Server;
  static inline int UserCount = 0;
  TTempDir Dir;
  TGuiTestHost Ui;
  TFakeDialer* Dialer = nullptr;
  // Whether this computer has dial-up networking, when set before Start.
  bool DialerAvailable = true;
  std::unique_ptr<TdataRas> Ras;
  std::unique_ptr<TConfigData> Config;
  TMainCheckView View;
  TCountingNotifier Notifier;
  // What the runs tell at their end instead of Notifier, when set before Start.
  TRunNotifier* RunNotifier = nullptr;
  std::unique_ptr<TdataPOP3> Pop3;
  TWindowOpeners PlainOpeners;
  TRecordingOpeners Openers;
  TFakeTray Tray;
  std::unique_ptr<TAppContext> Context;
  std::unique_ptr<TfrmMain> Main;
  std::string User;
};

#define REQUIRE_DOVECOT()                                                                         \
  if (!::mailmoat::test::TDovecotServer::Available()) GTEST_SKIP() << "Dovecot is not installed"; \
  ASSERT_TRUE(Server) << "Dovecot did not start"

}  // namespace mailmoat::test
