#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace mailmoat {

class TConfigData;
class TUiHost;

// The window style codes of cbWinStyle's items, in their order; any other stored code shows
// as the first ("Normal").
int WinStyleIndex(int code);
int WinStyleCode(int index);

// "E-Mail Client Software Settings": the program, its parameters, the folder it starts in
// and how its window opens, for starting the mail client when mail is waiting. OK checks
// that the program (and a start folder, when given) exists and writes the four settings into
// the settings in memory; the settings file is written by whoever opened the dialog.
class TdlgClientSettings : public QDialog {
public:
  static constexpr int HelpTopic = 50;

  TdlgClientSettings(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);

private:
  void BrowseProgram();
  void Save();

  TConfigData& Config;
  TUiHost& Ui;
  QLineEdit* fneClient = nullptr;
  QLineEdit* ebClientParams = nullptr;
  QLineEdit* deClientFolder = nullptr;
  QComboBox* cbWinStyle = nullptr;
};

// Shows the e-mail client settings; on OK writes them into the settings in memory and returns true.
bool EditClientSettings(TConfigData& config, TUiHost& ui, QWidget* parent);

}  // namespace mailmoat
