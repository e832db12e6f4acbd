#pragma once

#include "update/FilterUpdate.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace mailmoat {

class TConfigData;
class TUiHost;

// The help page of the filter rules update window.
constexpr int FilterUpdateHelpTopic = 300;

// "Mailmoat Pro Filter Update": downloads the filter rules update and merges it into the
// system rules (update/FilterUpdate.h does the work). Closes itself after an update; stays
// open after a failed one. While an update runs it refuses to close.
class TfrmFilterUpdate : public QDialog {
public:
  TfrmFilterUpdate(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);

  // Whether an update changed the system rules (they have been reloaded then).
  bool RulesChanged() const { return Changed; }
  bool Busy() const { return Update.Busy(); }

  void reject() override;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void StartUpdate();
  void ShowAdvanced();
  void SetBusyLook(bool busy);

  TConfigData& Config;
  TUiHost& Ui;
  TFilterUpdate Update;
  bool Changed = false;

  QLabel* lblStatus = nullptr;
  QProgressBar* pbProgress = nullptr;
  QPushButton* btnUpdate = nullptr;
  QPushButton* btnClose = nullptr;
  QPushButton* btnAbort = nullptr;
  QPushButton* btnAdvanced = nullptr;
};

// Shows the filter rules update window modally over `parent`. Returns whether the system
// rules changed (they have been reloaded into `config` then).
bool ShowFilterUpdate(TConfigData& config, TUiHost& ui, QWidget* parent);

}  // namespace mailmoat
