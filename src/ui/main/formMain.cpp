#include "ui/main/formMain.h"

#include "MailmoatVersion.h"
#include "check/StartCheck.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/CheckView.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/AppContext.h"
#include "ui/common/Icons.h"
#include "ui/common/QtSound.h"
#include "ui/common/QtText.h"
#include "ui/common/WindowOpeners.h"
#include "ui/main/TrayIcon.h"
#include "ui/main/dlgOldDays.h"
#include "ui/main/frmMailWaiting.h"
#include "ui/common/DesktopNotifications.h"
#include "ui/main/frmSummary.h"
#include "ui/review/formRuleBuilder.h"
#include "ui/main/frmAboutMmt.h"
#include "ui/review/formHeaderListing.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QSessionManager>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace mailmoat {

namespace {

const char* const NoServerText = "<n/a - setup in File | Preferences>";
constexpr int NextCheckPanelWidth = 100;
constexpr int ConnectionPanelWidth = 60;

const char* const ConnectedQuestion =
    "You are currently connected to the internet.\r\nDo you want to terminate the connection?";

// The length of the automatic-check timer's minute. Tests and demonstrations shorten it with
// MAILMOAT_TIMER_MINUTE_MS; nothing else should.
int MinuteMs() {
  const char* text = std::getenv("MAILMOAT_TIMER_MINUTE_MS");
  const int ms = text != nullptr ? std::atoi(text) : 0;
  return ms > 0 ? ms : 60000;
}

// Where a window of `size` stored at `pos` can be seen: as stored when its title bar lies on
// some screen, else pulled inside the screen nearest to it.
QPoint OnAScreen(QPoint pos, QSize size) {
  const QRect titleBar(pos, QSize(size.width(), 24));
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect seen = screen->availableGeometry().intersected(titleBar);
    if (seen.width() >= 48 && seen.height() >= 12) return pos;
  }
  QScreen* screen = QGuiApplication::screenAt(pos);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return pos;
  const QRect area = screen->availableGeometry();
  return {std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() - size.width())),
          std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() - size.height()))};
}

}  // namespace

TfrmMain::TfrmMain(TAppContext& context, QWidget* parent)
    : QMainWindow(parent),
      Context(context),
      Config(context.Config),
      Ui(context.Ui),
      Tray(context.Tray),
      Scheduler(context.Config) {
  setObjectName("frmMain");
  setWindowTitle(QString("Mailmoat Pro v") + MAILMOAT_PRODUCT_VERSION);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setMinimumSize(414, 247);
  BuildClientArea();
  BuildMenus();
  BuildTrayMenu();
  BuildStatusBar();
  ShowServerOfFirstProfile();
  EnableCheckCommands(true);
  EnableAbort(false);
  StoredLeft = Config.Left;
  StoredTop = Config.Top;
  resize(std::max(414, Config.Width), std::max(247, Config.Height));
  move(OnAScreen(QPoint(Config.Left, Config.Top), size()));
  SetUpTray();
  SetUpTimers();
  // The header window's "Create Rule from Selected Text", over whichever window asked.
  OnCreateRule = [this](const QString& text) {
    QWidget* over = QApplication::activeModalWidget();
    return CreateRuleFromText(Config, Ui, text, over != nullptr ? over : this);
  };
  // The desktop session ends: keep the window's place; the answer is always yes.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { SaveWindowState(); });
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildClientArea() {
  auto* central = new QWidget(this);
  central->setObjectName("pnlMain");
  auto* grid = new QGridLayout;
  const auto row = [&](int r, const char* caption, const char* name, QLabel*& value) {
    auto* label = new QLabel(caption, central);
    label->setObjectName(QString(name).replace("lbl", "lblCap"));
    label->setStyleSheet("color: maroon; font-size: 13px;");
    grid->addWidget(label, r, 0, Qt::AlignRight | Qt::AlignVCenter);
    if (value == nullptr) {
      value = new QLabel(central);
      value->setObjectName(name);
      value->setStyleSheet("color: blue; font-size: 13px;");
      value->setTextInteractionFlags(Qt::TextSelectableByMouse);
      grid->addWidget(value, r, 1);
    }
  };
  lblServerName = new QLabel(central);
  lblServerName->setObjectName("lblServerName");
  lblServerName->setStyleSheet("color: blue; font-size: 13px;");
  lblServerName->setTextFormat(Qt::RichText);
  lblServerName->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  // Tab reaches the link; the window itself starts on the default button.
  lblServerName->setFocusPolicy(Qt::TabFocus);
  connect(lblServerName, &QLabel::linkActivated, this, [this] {
    // Only the invitation is a link; a server name is plain text.
    if (lblServerName->property("plainText").toString() == NoServerText) ShowPreferences();
  });
  grid->addWidget(lblServerName, 0, 1);
  row(0, "Mail Server:", "lblServerName", lblServerName);
  row(1, "Current Status:", "lblPOPStatus", lblPOPStatus);
  row(2, "Current Activity:", "lblMessageStatus", lblMessageStatus);
  lblMessageStatus->setText("<none>");
  auto* progressCaption = new QLabel("Processing Progress:", central);
  progressCaption->setObjectName("lblCapScanning");
  progressCaption->setStyleSheet("color: maroon; font-size: 13px;");
  grid->addWidget(progressCaption, 3, 0, Qt::AlignRight | Qt::AlignVCenter);
  pbScanning = new QProgressBar(central);
  pbScanning->setObjectName("pbScanning");
  pbScanning->setRange(0, 100);
  pbScanning->setValue(0);
  pbScanning->setTextVisible(false);
  progressCaption->setBuddy(pbScanning);
  grid->addWidget(pbScanning, 3, 1);
  grid->setColumnStretch(1, 1);

  const auto button = [&](const char* text, const char* name, const char* hint) {
    auto* b = new QPushButton(text, central);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
  };
  btnCheckOnly = button("Check Only", "btnCheckOnly", "Check Only for Spam  -  F3");
  btnCheckView = button("Check && View", "btnCheckView", "Check and then View the message headers  -  F4");
  btnCheckEat = button("Check && Eat", "btnCheckEat", "Check for and Eat Spam  -  F2");
  btnAbort = button("Abort Check", "btnAbort", "Abort the current check in progress.");
  // A main window has no default button of its own: Return presses "Check && View".
  btnCheckView->setDefault(true);
  auto* returnKey = new QShortcut(QKeySequence(Qt::Key_Return), this);
  auto* enterKey = new QShortcut(QKeySequence(Qt::Key_Enter), this);
  for (QShortcut* key : {returnKey, enterKey})
    connect(key, &QShortcut::activated, this, [this] {
      if (btnCheckView->isEnabled()) btnCheckView->click();
    });
  connect(btnCheckOnly, &QPushButton::clicked, this, &TfrmMain::CheckOnly);
  connect(btnCheckView, &QPushButton::clicked, this, &TfrmMain::CheckView);
  connect(btnCheckEat, &QPushButton::clicked, this, &TfrmMain::CheckEat);
  connect(btnAbort, &QPushButton::clicked, this, &TfrmMain::AbortCheck);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnCheckOnly, btnCheckView, btnCheckEat, btnAbort}) buttons->addWidget(b);
  btnCheckView->setFocus();
  auto* column = new QVBoxLayout(central);
  column->addLayout(grid);
  column->addStretch(1);
  column->addLayout(buttons);
  setCentralWidget(central);
}

QAction* TfrmMain::AddWindowItem(QMenu* menu, const QString& text, const char* name, TWindowKind kind) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  if (!Context.Windows.Available(kind)) {
    action->setEnabled(false);
    action->setToolTip("Not available yet");
    action->setProperty("notAvailable", true);
  }
  return action;
}

void TfrmMain::BuildMenus() {
  const auto item = [this](QMenu* menu, const QString& text, const char* name, const QKeySequence& keys, auto&& slot) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!keys.isEmpty()) action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };

  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  file->setToolTipsVisible(true);
  QAction* prefs = AddWindowItem(file, "&Preferences", "mnuPreferences", TWindowKind::Preferences);
  prefs->setShortcut(QKeySequence("Ctrl+P"));
  connect(prefs, &QAction::triggered, this, &TfrmMain::ShowPreferences);
  QAction* wizard = AddWindowItem(file, "&Setup Wizard", "mnuSetupWizard", TWindowKind::SetupWizard);
  connect(wizard, &QAction::triggered, this, [this] { OpenSetupWizard(); });
  file->addSeparator();
  mnuFilterUpdate = AddWindowItem(file, "&Filter Rules Update", "mnuFilterUpdate", TWindowKind::FilterUpdate);
  connect(mnuFilterUpdate, &QAction::triggered, this, [this] { OpenWindow(TWindowKind::FilterUpdate); });
  QAction* report = AddWindowItem(file, "Filter Rules &Report", "mnuRulesReport", TWindowKind::RulesReport);
  connect(report, &QAction::triggered, this, [this] { OpenWindow(TWindowKind::RulesReport); });
  file->addSeparator();
  item(file, "E&xit", "mnuExit", QKeySequence("Ctrl+X"), [this] { close(); });

  QMenu* action = menuBar()->addMenu("&Action");
  action->setObjectName("mnuAction");
  action->setToolTipsVisible(true);
  mnuCheckEat = item(action, "Check and &Eat Spam", "mnuCheckEat", QKeySequence(Qt::Key_F2), &TfrmMain::CheckEat);
  mnuCheckOnly = item(action, "&Check only for Spam", "mnuCheckOnly", QKeySequence(Qt::Key_F3), &TfrmMain::CheckOnly);
  mnuCheckView =
      item(action, "Check and Vie&w Headers", "mnuCheckView", QKeySequence(Qt::Key_F4), &TfrmMain::CheckView);
  action->addSeparator();
  QAction* archive = AddWindowItem(action, "&Message Archive(s)", "mnuArchive", TWindowKind::MessageArchive);
  archive->setShortcut(QKeySequence("Ctrl+A"));
  connect(archive, &QAction::triggered, this, [this] { OpenWindow(TWindowKind::MessageArchive); });
  action->addSeparator();
  item(action, "&Show Logfile", "mnuShowLog", QKeySequence("Ctrl+L"),
       [this] { Guarded("Show Logfile", [this] { Config.ActivityLog.ShowLog(); }); });
  item(action, "C&lear Logfile", "mnuClearLog", QKeySequence(),
       [this] { Guarded("Clear Logfile", [this] { Config.ActivityLog.ClearLog(Busy()); }); });
  item(action, "Clear &Old Log Entries", "mnuOldLog", QKeySequence("Ctrl+Alt+L"), [this] {
    Guarded("Clear Old Log Entries", [this] {
      Config.ActivityLog.ClearOldEntries(Busy(),
                                         [this](int days) { return TdlgOldDays::Ask(days, Config.Registry, this); });
    });
  });

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  help->setToolTipsVisible(true);
  item(help, "Help &Contents", "mnuHelpContents", QKeySequence(Qt::Key_F1), [this] { Ui.ShowHelp(10); });
  item(help, "&Frequently Asked Questions", "mnuFAQ", QKeySequence(), [this] { Ui.ShowHelp(170); });
  item(help, "&Support", "mnuSupport", QKeySequence(), [this] { Ui.ShowHelp(160); });
  QMenu* online = help->addMenu("&Online Resources");
  online->setObjectName("mnuOnline");
  item(online, "&Frequently Asked Questions", "mnuOnlineFAQ", QKeySequence(), [this] { Ui.OpenUrl(MAILMOAT_URL_FAQ); });
  item(online, "&Discussion Forums", "mnuForums", QKeySequence(), [this] { Ui.OpenUrl(MAILMOAT_URL_FORUM); });
  help->addSeparator();
  QAction* version = AddWindowItem(help, "New &Version Check", "mnuVersionCheck", TWindowKind::VersionCheck);
  connect(version, &QAction::triggered, this, [this] { OpenWindow(TWindowKind::VersionCheck); });
  item(help, "&About Mailmoat Pro", "mnuAbout", QKeySequence(), [this] {
    {
      TfrmAboutMmt about(Ui, this);
      about.exec();
    }
    ReturnFromDialog();
  });
}

void TfrmMain::BuildTrayMenu() {
  pmTray = new QMenu(this);
  pmTray->setObjectName("pmTray");
  pmTray->setToolTipsVisible(true);
  const auto item = [this](const QString& text, const char* name, auto&& slot) {
    QAction* action = pmTray->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  item("&Show Mailmoat", "tmShow", &TfrmMain::RestoreFromTray);
  QAction* prefs = AddWindowItem(pmTray, "&Preferences", "tmPreferences", TWindowKind::Preferences);
  connect(prefs, &QAction::triggered, this, &TfrmMain::ShowPreferences);
  tmFilterUpdate = AddWindowItem(pmTray, "&Filter Update", "tmFilterUpdate", TWindowKind::FilterUpdate);
  connect(tmFilterUpdate, &QAction::triggered, this, [this] { OpenWindow(TWindowKind::FilterUpdate); });
  pmTray->addSeparator();
  tmCheckOnly = item("&Check for Spam", "tmCheckOnly", &TfrmMain::CheckOnly);
  tmCheckEat = item("Check and &Eat Spam", "tmCheckEat", &TfrmMain::CheckEat);
  tmCheckView = item("Check and Vie&w Headers", "tmCheckView", &TfrmMain::CheckView);
  tmAbort = item("A&bort Spam Check", "tmAbort", &TfrmMain::AbortCheck);
  pmTray->addSeparator();
  QAction* archive = AddWindowItem(pmTray, "Archived Messages", "tmArchive", TWindowKind::MessageArchive);
  connect(archive, &QAction::triggered, this, [this] { OpenWindow(TWindowKind::MessageArchive); });
  // The log items do what the main menu's do.
  for (const char* pair : {"Display &Log File\nmnuShowLog\ntmShowLog", "Clea&r Log File\nmnuClearLog\ntmClearLog",
                           "Clear &Old Log Entries\nmnuOldLog\ntmOldLog"}) {
    const QStringList parts = QString(pair).split('\n');
    QAction* twin = findChild<QAction*>(parts[1]);
    QAction* action = pmTray->addAction(parts[0]);
    action->setObjectName(parts[2]);
    connect(action, &QAction::triggered, twin, &QAction::trigger);
  }
  pmTray->addSeparator();
  QAction* about = findChild<QAction*>("mnuAbout");
  QAction* trayAbout = pmTray->addAction("&About Mailmoat");
  trayAbout->setObjectName("tmAbout");
  connect(trayAbout, &QAction::triggered, about, &QAction::trigger);
  pmTray->addSeparator();
  item("E&xit Mailmoat", "tmExit", [this] { close(); });
}

void TfrmMain::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(true);
  const char* names[] = {"sbResults", "sbNextCheck", "sbConnection"};
  for (int i = 0; i < 3; ++i) {
    Panels[i] = new QLabel(bar);
    Panels[i]->setObjectName(names[i]);
    Panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (i > 0) Panels[i]->setAlignment(Qt::AlignCenter);
    // A result text longer than its panel is cut, never drawn over the next panel.
    Panels[i]->setMinimumWidth(0);
    bar->addPermanentWidget(Panels[i]);
  }
  SetPanelText(TStatusPanel::Results, "Last Results - [none]");
  SetPanelText(TStatusPanel::NextCheck, TextToQString(Scheduler.Reset()));
  SetPanelText(TStatusPanel::Connection, Config.UseRas ? "RAS" : "LAN");
  LayOutPanels();
}

void TfrmMain::LayOutPanels() {
  // Panel 0 takes the status bar's width less the other two; the bar's own margins and size
  // grip come off it too, or its text would run under panel 1.
  QStatusBar* bar = statusBar();
  const int chrome = bar->isSizeGripEnabled() ? 24 : 8;
  Panels[0]->setFixedWidth(std::max(0, bar->width() - NextCheckPanelWidth - ConnectionPanelWidth - chrome));
  Panels[1]->setFixedWidth(NextCheckPanelWidth);
  Panels[2]->setFixedWidth(ConnectionPanelWidth);
  for (QLabel* panel : Panels) ShowPanelText(panel);
}

void TfrmMain::ShowPanelText(QLabel* panel) {
  // A text longer than its panel ends in "..." and shows whole as the panel's tooltip.
  const QString text = panel->property("fullText").toString();
  const int room = std::max(0, panel->width() - 2 * panel->frameWidth() - 6);
  const QString shown = panel->fontMetrics().elidedText(text, Qt::ElideRight, room);
  panel->setText(shown);
  panel->setToolTip(shown == text ? QString() : text);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayOutPanels();
  if (Starting || isMinimized() || !isVisible()) return;
  Config.Width = width();
  Config.Height = height();
}

bool TfrmMain::Busy() const {
  return Config.CheckInProgress || Config.Dialing;
}

template <typename F>
void TfrmMain::Guarded(const char* what, F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Config.TryLog(TLogClass::All, std::string("! ") + what + " failed. Exception: " + e.what());
    Ui.MessageBox(TMsgKind::Error, std::string(what) + " failed: " + e.what(), mbOK);
  }
}

void TfrmMain::CheckEat() {
  PostCheck(true, false);
}

void TfrmMain::CheckOnly() {
  PostCheck(false, false);
}

void TfrmMain::CheckView() {
  PostCheck(false, true);
}

void TfrmMain::PostCheck(bool eat, bool view) {
  if (!ChecksOn && !Config.Dialing) return;
  QTimer::singleShot(0, this, [this, eat, view] { RunCheck(eat, view); });
}

void TfrmMain::RunCheck(bool eat, bool view) {
  if (Config.CheckInProgress) return;
  // A second start while dialling only ends that dial; the mode of the first command stays.
  if (!Config.Dialing) Config.CheckAndView = view;
  bool failed = true;
  Guarded("Check", [&] {
    StartCheck(Config, Context.Ras, Context.View, Context.Pop3, eat);
    failed = false;
  });
  // A quick start makes one attempt: the program ends with its run, or at once when the
  // run could not start (a failed dial), instead of waiting hidden for the next tick.
  if (Config.QuickMode && !Busy()) {
    const bool checkedAll =
        Context.Pop3.LastRunResult() == TCheckRunResult::Completed && Context.Pop3.ProfileFailures().empty();
    if (!checkedAll) FExitCode = 1;
    Config.TerminateRequested = true;
    close();
    return;
  }
  if (failed && !Config.CheckInProgress) {
    // A failure before the run began (the dialer) must not leave the window without commands.
    Config.Dialing = false;
    Config.AbortRequested = false;
    EnableAbort(false);
    EnableCheckCommands(true);
  }
  if (ExitRequested && !Busy()) close();
}

void TfrmMain::AbortCheck() {
  if (!btnAbort->isEnabled()) return;
  if (Ui.MessageBox(TMsgKind::Confirmation, "Abort current check in progress?", mbYes | mbNo) != mbYes) return;
  // The run may have ended while the question was open: nothing is left to abort.
  if (!btnAbort->isEnabled()) return;
  EnableAbort(false);
  Config.AbortRequested = true;
}

void TfrmMain::ShowPreferences() {
  OpenSetupWindow(TWindowKind::Preferences);
}

void TfrmMain::OpenSetupWizard() {
  OpenSetupWindow(TWindowKind::SetupWizard);
}

void TfrmMain::OpenSetupWindow(TWindowKind kind) {
  if (Busy() || !Context.Windows.Available(kind)) return;
  const bool prefs = kind == TWindowKind::Preferences;
  bool changed = false;
  // The automatic checks wait while the preferences are open; the window shows the hourglass
  // while it loads.
  if (prefs) Config.PrefsOpen = true;
  Guarded(prefs ? "Preferences" : "Setup Wizard", [&] { changed = Context.Windows.Open(kind, this); });
  if (prefs) Config.PrefsOpen = false;
  if (changed) {
    if (prefs) {
      TakeUpSettings();
    } else {
      ShowServerOfFirstProfile();
      EnableCheckCommands(true);
      SetPanelText(TStatusPanel::Connection, Config.UseRas ? "RAS" : "LAN");
    }
  }
  ReturnFromDialog();
}

void TfrmMain::ReturnFromDialog() {
  if (InTray) HideToTray();
}

void TfrmMain::TakeUpSettings() {
  ShowServerOfFirstProfile();
  EnableCheckCommands(true);
  Guarded("Loading the valid addresses", [this] { Config.LoadValidAddresses(); });
  RestartAutoChecks("Manual Checks");
  SetPanelText(TStatusPanel::Connection, Config.UseRas ? "RAS" : "LAN");
}

void TfrmMain::OpenWindow(TWindowKind kind) {
  // The version check has no window: its download lets events run, so no check may start
  // inside it (nor it inside a check), and the count of automatic checks holds meanwhile.
  const bool versionCheck = kind == TWindowKind::VersionCheck;
  if ((kind == TWindowKind::MessageArchive || versionCheck) && Busy()) return;
  if (!Context.Windows.Available(kind)) return;
  const bool hourglass = kind == TWindowKind::MessageArchive;
  if (hourglass) Ui.SetBusyCursor(true);
  if (versionCheck) {
    EnableCheckCommands(false);
    Config.PrefsOpen = true;
  }
  Guarded("Opening the window", [&] { Context.Windows.Open(kind, this); });
  if (versionCheck) {
    Config.PrefsOpen = false;
    EnableCheckCommands(true);
  }
  if (hourglass) Ui.SetBusyCursor(false);
}

void TfrmMain::ShowServerOfFirstProfile() {
  if (Config.Profiles.empty()) {
    lblServerName->setProperty("plainText", NoServerText);
    lblServerName->setText(QString("<a href=\"prefs\">%1</a>").arg(QString(NoServerText).toHtmlEscaped()));
  } else {
    SetServerName(TextToQString(Config.Profiles.front().Server));
  }
}

void TfrmMain::EnableCheckCommands(bool on) {
  ChecksOn = on && !Config.Profiles.empty();
  for (QPushButton* b : {btnCheckOnly, btnCheckView, btnCheckEat}) b->setEnabled(ChecksOn);
  for (QAction* a : {mnuCheckEat, mnuCheckOnly, mnuCheckView, tmCheckOnly, tmCheckEat, tmCheckView})
    a->setEnabled(ChecksOn);
  // A window that has not been built stays disabled whatever the state.
  for (QAction* a : {mnuFilterUpdate, tmFilterUpdate}) a->setEnabled(ChecksOn && !a->property("notAvailable").toBool());
}

void TfrmMain::EnableAbort(bool on) {
  btnAbort->setEnabled(on);
  tmAbort->setEnabled(on);
}

void TfrmMain::SetPOPStatus(const QString& text) {
  lblPOPStatus->setText(text);
}

void TfrmMain::SetMessageStatus(const QString& text) {
  lblMessageStatus->setText(text);
}

void TfrmMain::SetServerName(const QString& text) {
  lblServerName->setProperty("plainText", text);
  lblServerName->setText(text.toHtmlEscaped());
}

void TfrmMain::SetProgressMax(int max) {
  pbScanning->setRange(0, std::max(max, 1));
}

void TfrmMain::SetProgress(int position) {
  pbScanning->setValue(std::clamp(position, 0, pbScanning->maximum()));
}

void TfrmMain::StepProgress(int by) {
  SetProgress(pbScanning->value() + by);
}

void TfrmMain::SetPanelText(TStatusPanel panel, const QString& text) {
  QLabel* label = Panels[static_cast<int>(panel)];
  label->setProperty("fullText", text);
  ShowPanelText(label);
}

QString TfrmMain::PanelText(TStatusPanel panel) const {
  return Panels[static_cast<int>(panel)]->property("fullText").toString();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    // The run must log out and finish its archive files before anything it uses goes away.
    ExitRequested = true;
    Config.AbortRequested = true;
    EnableAbort(false);
    event->ignore();
    return;
  }
  SaveWindowState();
  DecideOnConnection();
  tmrAutoCheck->stop();
  tmrStartupDelay->stop();
  tmrAnimation->stop();
  Tray.SetVisible(false);
  event->accept();
  QCoreApplication::quit();
}

void TfrmMain::DecideOnConnection() {
  if (!(Config.UseRas && Config.RasConnected && Config.WeDialed && !Config.DialSettings.DisconnectWhenDone)) return;
  bool hangUp = false;
  if (const std::optional<bool> stored = Config.Registry.ReadBool("Prompts", "RASCloseConnection")) {
    hangUp = *stored;
  } else if (!Config.QuickMode) {
    // A quick check ends by itself with nobody to answer: the line stays as it is.
    bool dontAsk = false;
    hangUp = Ui.MessageBoxDontAsk(TMsgKind::Confirmation, ConnectedQuestion, mbYes | mbNo, dontAsk) == mbYes;
    if (dontAsk)
      Guarded("Storing the answer", [&] { Config.Registry.WriteBool("Prompts", "RASCloseConnection", hangUp); });
  }
  Context.Ras.Dialer().HangUpOnDestroy = hangUp;
}

void TfrmMain::SaveWindowState() {
  // A window left partly off the screen at a negative position keeps the stored one.
  if (Config.Left <= 0) Config.Left = StoredLeft;
  if (Config.Top <= 0) Config.Top = StoredTop;
  Config.Width = width();
  Config.Height = height();
  if (Config.SaveWindowState()) {
    StoredLeft = Config.Left;
    StoredTop = Config.Top;
  }
}

void TfrmMain::SetUpTray() {
  Tray.SetIcon(TrayIcon(0));
  SetTrayHint(QString("Mailmoat Pro v") + MAILMOAT_PRODUCT_VERSION);
  Tray.SetMenu(pmTray);
  Tray.OnActivated = [this] { RestoreFromTray(); };
}

void TfrmMain::SetUpTimers() {
  tmrAutoCheck = new QTimer(this);
  tmrAutoCheck->setObjectName("tmrAutoCheck");
  tmrAutoCheck->setInterval(MinuteMs());
  connect(tmrAutoCheck, &QTimer::timeout, this, &TfrmMain::AutoCheckTick);
  if (Scheduler.TimerEnabled()) tmrAutoCheck->start();
  tmrStartupDelay = new QTimer(this);
  tmrStartupDelay->setSingleShot(true);
  connect(tmrStartupDelay, &QTimer::timeout, this,
          [this] { TakeUpTick(Scheduler.StartupDelayElapsed(QApplication::activeModalWidget() != nullptr)); });
  tmrAnimation = new QTimer(this);
  tmrAnimation->setInterval(500);
  connect(tmrAnimation, &QTimer::timeout, this, [this] {
    if (!Tray.Visible()) return;
    AnimationFrame = AnimationFrame % 4 + 1;
    Tray.SetIcon(TrayIcon(AnimationFrame));
  });
}

void TfrmMain::RestartAutoChecks(const char* manualText) {
  SetPanelText(TStatusPanel::NextCheck, TextToQString(Scheduler.Reset(manualText)));
  if (Scheduler.TimerEnabled()) {
    tmrAutoCheck->start();
  } else {
    tmrAutoCheck->stop();
  }
}

bool TfrmMain::AutoCheckTimerActive() const {
  return tmrAutoCheck->isActive();
}

void TfrmMain::AutoCheckTick() {
  // Any modal window of the program holds the count: the preferences, the wizard and the
  // archive browser change profiles or use the line, and a box waits for an answer.
  TakeUpTick(Scheduler.Tick(QApplication::activeModalWidget() != nullptr));
}

void TfrmMain::TakeUpTick(const TAutoCheckScheduler::TTick& tick) {
  if (tick.PanelText) SetPanelText(TStatusPanel::NextCheck, TextToQString(*tick.PanelText));
  if (tick.DelaySeconds > 0) tmrStartupDelay->start(tick.DelaySeconds * 1000);
  if (tick.Start) RunCheck(tick.Eat, tick.View);
}

void TfrmMain::ShowSummary(const TRunCounters& counters, int waiting) {
  TfrmSummary::ShowModal(counters, waiting, Ui, this);
}

void TfrmMain::ShowMailWaiting(const QString& text) {
  // Without a tray the window is minimised, and a box over it easily goes unseen.
  if (Config.DesktopNotify || !Tray.Available()) {
    if (!Notifications) {
      Notifications = std::make_unique<TDesktopNotifications>();
      // A server that turns the notice down still leaves the user told of the mail.
      Notifications->OnFailed = [this](const QString&, const QString& body) { TfrmMailWaiting::ShowModal(body, this); };
    }
    if (Notifications->Notify("Mail Waiting!", text)) return;
  }
  TfrmMailWaiting::ShowModal(text, this);
}

bool TfrmMain::ShowCheckAndView(std::vector<THdrRec>& list, const QString& caption) {
  return TfrmHdrListing::ShowModal(Config, list, caption, this, OnCreateRule);
}

bool TfrmMain::PlaySound(const std::string& file, std::string& error) {
  if (!Sound) Sound = std::make_unique<TQtSound>();
  return Sound->Play(file, error);
}

void TfrmMain::SetTrayHint(const QString& hint) {
  Hint = hint;
  Tray.SetToolTip(hint);
}

void TfrmMain::AnimateTray(bool on) {
  if (on) {
    if (!tmrAnimation->isActive()) tmrAnimation->start();
    return;
  }
  tmrAnimation->stop();
  AnimationFrame = 0;
  Tray.SetIcon(TrayIcon(0));
}

void TfrmMain::HideToTray() {
  InTray = true;
  if (!Tray.Available()) {
    // No tray on this desktop: minimised, the window stays reachable from the task bar.
    if (!isMinimized()) showMinimized();
    return;
  }
  Tray.SetVisible(true);
  hide();
}

void TfrmMain::RestoreFromTray() {
  Tray.SetVisible(false);
  InTray = false;
  resize(std::max(414, Config.Width), std::max(247, Config.Height));
  move(OnAScreen(QPoint(Config.Left, Config.Top), size()));
  showNormal();
  raise();
  activateWindow();
}

void TfrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    // Minimising always goes to the tray; hiding inside this event would confuse the
    // window manager, so it waits for the event to end.
    if (!InTray)
      QTimer::singleShot(0, this, [this] {
        if (isMinimized()) HideToTray();
      });
  } else if (InTray && isVisible()) {
    // Brought back from the task bar where there is no tray.
    InTray = false;
  }
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (FirstShown) return;
  FirstShown = true;
  Scheduler.FirstShow();
  Starting = false;
  // Started for the tray: the window shows once, then goes there.
  if (Config.ToolTray) QTimer::singleShot(0, this, [this] { HideToTray(); });
}

void TfrmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (Starting || isMinimized() || !isVisible()) return;
  Config.Left = x();
  Config.Top = y();
}

}  // namespace mailmoat
