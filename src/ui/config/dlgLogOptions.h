#pragma once

#include "core/Settings.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QRadioButton;
class QSpinBox;

namespace mailmoat {

// The three log settings the dialog edits, as the settings store them.
struct TLogOptions {
  int LoggingLevel = LogLevel::Normal;
  int MaxLogSize = 64;
  int LogDisp = LogDisposition::Rename;
};

// "Log File Options": the log level, the largest size of the log in kilobytes and what happens
// to a full log. Writes nothing; whoever opens it stores the values.
class TdlgLogOptions : public QDialog {
public:
  // Shows `shown`: an unknown level as "Normal Logging", a size outside 0 to 10240 at the
  // nearest limit, a full log that is trimmed as renamed (the dialog offers only two choices).
  TdlgLogOptions(const TLogOptions& shown, QWidget* parent = nullptr);

  // What the controls hold now; LogDisp is Delete or Rename.
  TLogOptions Values() const;

private:
  QComboBox* cmbLogLevel = nullptr;
  QSpinBox* seLogSize = nullptr;
  QRadioButton* rbDelete = nullptr;
  QRadioButton* rbRename = nullptr;
};

// Shows the dialog modally starting at `shown`; the chosen values after OK, nothing after Cancel.
std::optional<TLogOptions> AskLogOptions(const TLogOptions& shown, QWidget* parent);

}  // namespace mailmoat
