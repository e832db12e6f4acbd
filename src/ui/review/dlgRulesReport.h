#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace mailmoat {

class TConfigData;
class TUiHost;

// "Filter Rules Report": which rule lists go into the report, where it is saved and whether
// it is opened when written. Generate writes it; the dialog closes once the file is written
// and stays open when there was nothing to report or the file could not be written.
class TdlgRulesReport : public QDialog {
public:
  TdlgRulesReport(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);

  // Writes the report with the dialog's choices; true when the file was written.
  bool Generate();

private:
  void Browse();

  TConfigData& Config;
  TUiHost& Ui;
  QCheckBox* ckSystemHdr = nullptr;
  QCheckBox* ckSystemBody = nullptr;
  QCheckBox* ckUser = nullptr;
  QLineEdit* feReportFile = nullptr;
  QCheckBox* ckOpen = nullptr;
};

// File | Filter Rules Report.
void ShowRulesReport(TConfigData& config, TUiHost& ui, QWidget* parent);

}  // namespace mailmoat
