#include "ui/config/dlgLogOptions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace mailmoat {

namespace {

// The levels in the order of cmbLogLevel's items. Terse comes last although it logs less than
// Normal: the list keeps the order users know.
constexpr std::array<int, 5> LevelCodes = {LogLevel::None, LogLevel::Normal, LogLevel::Verbose, LogLevel::Debug,
                                           LogLevel::Terse};
constexpr int NormalIndex = 1;
constexpr int MaxLogSizeKb = 10240;

int LevelIndex(int level) {
  const auto* found = std::find(LevelCodes.begin(), LevelCodes.end(), level);
  return found == LevelCodes.end() ? NormalIndex : static_cast<int>(found - LevelCodes.begin());
}

}  // namespace

TdlgLogOptions::TdlgLogOptions(const TLogOptions& shown, QWidget* parent) : QDialog(parent) {
  setObjectName("dlgLogOptions");
  setWindowTitle("Log File Options");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  cmbLogLevel = new QComboBox(this);
  cmbLogLevel->setObjectName("cmbLogLevel");
  cmbLogLevel->addItems({"No Logging", "Normal Logging", "Verbose Logging", "Debug Logging (big!)", "Terse Logging"});
  cmbLogLevel->setCurrentIndex(LevelIndex(shown.LoggingLevel));
  auto* lblLogLevel = new QLabel("&Logging Level:", this);
  lblLogLevel->setObjectName("lblLogLevel");
  lblLogLevel->setBuddy(cmbLogLevel);

  seLogSize = new QSpinBox(this);
  seLogSize->setObjectName("seLogSize");
  seLogSize->setRange(0, MaxLogSizeKb);
  seLogSize->setValue(std::clamp(shown.MaxLogSize, 0, MaxLogSizeKb));
  auto* lblLogSize = new QLabel("Ma&ximum Log Size:", this);
  lblLogSize->setObjectName("lblLogSize");
  lblLogSize->setBuddy(seLogSize);
  auto* lblKBytes = new QLabel("kBytes", this);
  lblKBytes->setObjectName("lblKBytes");

  auto* grid = new QGridLayout;
  grid->addWidget(lblLogLevel, 0, 0);
  grid->addWidget(cmbLogLevel, 0, 1, 1, 2);
  grid->addWidget(lblLogSize, 1, 0);
  grid->addWidget(seLogSize, 1, 1);
  grid->addWidget(lblKBytes, 1, 2);
  grid->setColumnStretch(2, 1);

  auto* gbFull = new QGroupBox("When the maximum size is reached:", this);
  gbFull->setObjectName("gbLogFull");
  rbDelete = new QRadioButton("&Delete log and start a new log", gbFull);
  rbDelete->setObjectName("rbDelete");
  rbRename = new QRadioButton("&Rename (using date) and start a new log", gbFull);
  rbRename->setObjectName("rbRename");
  (shown.LogDisp == LogDisposition::Delete ? rbDelete : rbRename)->setChecked(true);
  auto* choices = new QVBoxLayout(gbFull);
  choices->addWidget(rbDelete);
  choices->addWidget(rbRename);

  auto* btnOk = new QPushButton("OK", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addWidget(gbFull);
  column->addStretch(1);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetMinimumSize);
  cmbLogLevel->setFocus();
}

TLogOptions TdlgLogOptions::Values() const {
  TLogOptions values;
  values.LoggingLevel = LevelCodes[static_cast<std::size_t>(std::max(0, cmbLogLevel->currentIndex()))];
  values.MaxLogSize = seLogSize->value();
  values.LogDisp = rbDelete->isChecked() ? LogDisposition::Delete : LogDisposition::Rename;
  return values;
}

std::optional<TLogOptions> AskLogOptions(const TLogOptions& shown, QWidget* parent) {
  TdlgLogOptions dialog(shown, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Values();
}

}  // namespace mailmoat
