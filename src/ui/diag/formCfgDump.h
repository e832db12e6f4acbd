#pragma once

#include "diag/ConfigDump.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace mailmoat {

class TConfigData;
class TUiHost;

// The help page that describes this window (the preferences' Misc page).
constexpr int CfgDumpHelpTopic = 120;

// "Create Configuration Dump . . . .": writes the configuration report (diag/ConfigDump.h) to
// a file the user names, with as much about the computer as the user allows, and offers to
// open it. Reads the configuration only. While the report is written the window refuses to
// close.
class TfrmCfgDump : public QDialog {
public:
  // `window` is the main window's present size and position, which the report names.
  TfrmCfgDump(const TConfigData& config, TUiHost& ui, const TDumpWindow& window, QWidget* parent = nullptr);

  // The file "Create File" writes to: the box's text, with a leading "~" read as the home
  // folder and a relative name taken inside the program's data folder.
  TPath DumpFile() const;
  bool Writing() const { return Busy; }

  void reject() override;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void Browse();
  void CreateFile();
  TDumpLevel Level() const;
  void SetBusyLook(bool busy);

  const TConfigData& Config;
  TUiHost& Ui;
  const TDumpWindow Window;
  bool Busy = false;

  QLineEdit* fneDumpFilename = nullptr;
  QRadioButton* rbBasic = nullptr;
  QRadioButton* rbDetailed = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QLabel* lblProcessing = nullptr;
  QProgressBar* pbProgress = nullptr;
  QPushButton* btnCreateFile = nullptr;
  QPushButton* btnCancel = nullptr;
};

// Shows the configuration dump window modally over `parent`.
void ShowConfigDump(const TConfigData& config, TUiHost& ui, const TDumpWindow& window, QWidget* parent);

}  // namespace mailmoat
