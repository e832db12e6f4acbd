#pragma once

#include "core/AutoCheckScheduler.h"
#include "core/Records.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace mailmoat {

struct TAppContext;
class TConfigData;
class TQtSound;
class TTrayIcon;
class TDesktopNotifications;
class TUiHost;
struct TRunCounters;
enum class TStatusPanel;
enum class TWindowKind;

// The program's one permanent window: the state of the current or last check, the three
// check commands and Abort, and the doors to every other window. Closing it ends the
// program; during a check it waits for the run to log out first.
class TfrmMain : public QMainWindow {
public:
  explicit TfrmMain(TAppContext& context, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The commands of the buttons, menus and shortcuts.
  void CheckEat();   // F2
  void CheckOnly();  // F3
  void CheckView();  // F4
  void AbortCheck();
  void ShowPreferences();
  // File | Setup Wizard; does nothing while a check runs.
  void OpenSetupWizard();

  // Switches the check commands of the window and the tray menu together with the two
  // filter-update items; they stay disabled while no profile exists.
  void EnableCheckCommands(bool on);
  void EnableAbort(bool on);

  // What the running check shows.
  void SetPOPStatus(const QString& text);
  void SetMessageStatus(const QString& text);
  void SetServerName(const QString& text);
  void SetProgressMax(int max);
  void SetProgress(int position);
  void StepProgress(int by);
  void SetPanelText(TStatusPanel panel, const QString& text);
  // A panel's whole text (the panel itself may show it shortened).
  QString PanelText(TStatusPanel panel) const;

  // The tray icon's menu; the tray itself shows it.
  QMenu* TrayMenu() const { return pmTray; }

  // The tray: hiding there shows the icon (or, where the desktop has no tray, minimises);
  // restoring puts the window back where it was stored, on a screen.
  void HideToTray();
  void RestoreFromTray();
  bool HiddenInTray() const { return InTray; }
  void SetTrayHint(const QString& hint);
  QString TrayHint() const { return Hint; }
  // The icon's frames turn while a check runs and the icon shows.
  void AnimateTray(bool on);

  // The windows at the end of a run: the processing summary, "Mail Waiting!", the sound.
  void ShowSummary(const TRunCounters& counters, int waiting);
  void ShowMailWaiting(const QString& text);
  // The check-and-view list of one connection, modal; returns whether a row was ticked.
  bool ShowCheckAndView(std::vector<THdrRec>& list, const QString& caption);
  // Builds a rule from text selected in a header window opened from the list.
  std::function<bool(const QString&)> OnCreateRule;
  bool PlaySound(const std::string& file, std::string& error);

  // One minute of the automatic-check timer.
  void AutoCheckTick();
  bool AutoCheckTimerActive() const;
  // What the program ends with once the window has closed: 1 after a quick start that could
  // not check every mailbox to its end (no run, an abort, a failed mailbox), else 0.
  int ExitCode() const { return FExitCode; }
  // Width and height, and the position when it lies at positive coordinates, into
  // "Mailmoat.ini".
  void SaveWindowState();

protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void BuildClientArea();
  void BuildMenus();
  void BuildTrayMenu();
  void BuildStatusBar();
  QAction* AddWindowItem(QMenu* menu, const QString& text, const char* name, TWindowKind kind);
  void LayOutPanels();
  void ShowPanelText(QLabel* panel);

  // Starts a check in the event loop, so that the key or button handler returns at once.
  void PostCheck(bool eat, bool view);
  void RunCheck(bool eat, bool view);
  // Preferences and the setup wizard: the window follows what the user saved.
  void OpenSetupWindow(TWindowKind kind);
  void TakeUpSettings();
  void OpenWindow(TWindowKind kind);
  void ShowServerOfFirstProfile();
  bool Busy() const;
  void SetUpTray();
  void SetUpTimers();
  void TakeUpTick(const TAutoCheckScheduler::TTick& tick);
  void RestartAutoChecks(const char* manualText);
  // The question whether closing hangs up the line the program dialled.
  void DecideOnConnection();
  void ReturnFromDialog();
  // Runs a command, reporting what it throws instead of letting it leave the event handler.
  template <typename F>
  void Guarded(const char* what, F&& command);

  TAppContext& Context;
  TConfigData& Config;
  TUiHost& Ui;
  TTrayIcon& Tray;
  std::unique_ptr<TDesktopNotifications> Notifications;
  TAutoCheckScheduler Scheduler;
  bool ExitRequested = false;
  int FExitCode = 0;
  bool ChecksOn = true;
  bool InTray = false;
  bool FirstShown = false;
  // Set while the window is made: moving and resizing then store nothing.
  bool Starting = true;
  // The position last stored, kept when the window closes at a negative one.
  int StoredLeft = 0;
  int StoredTop = 0;
  QString Hint;
  int AnimationFrame = 0;
  QTimer* tmrAutoCheck = nullptr;
  QTimer* tmrStartupDelay = nullptr;
  QTimer* tmrAnimation = nullptr;
  std::unique_ptr<TQtSound> Sound;

  QLabel* lblServerName = nullptr;
  QLabel* lblPOPStatus = nullptr;
  QLabel* lblMessageStatus = nullptr;
  QProgressBar* pbScanning = nullptr;
  QPushButton* btnCheckOnly = nullptr;
  QPushButton* btnCheckView = nullptr;
  QPushButton* btnCheckEat = nullptr;
  QPushButton* btnAbort = nullptr;
  QLabel* Panels[3] = {};

  QAction* mnuCheckEat = nullptr;
  QAction* mnuCheckOnly = nullptr;
  QAction* mnuCheckView = nullptr;
  QAction* mnuFilterUpdate = nullptr;
  QMenu* pmTray = nullptr;
  QAction* tmCheckOnly = nullptr;
  QAction* tmCheckEat = nullptr;
  QAction* tmCheckView = nullptr;
  QAction* tmFilterUpdate = nullptr;
  QAction* tmAbort = nullptr;
};

}  // namespace mailmoat
