#include "ui/update/formFilterUpdate.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/update/TfrmUpdProxy.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace mailmoat {

TfrmFilterUpdate::TfrmFilterUpdate(TConfigData& config, TUiHost& ui, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui), Update(config, ui) {
  setObjectName("frmFilterUpdate");
  setWindowTitle("Mailmoat Pro Filter Update");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);

  auto* lblExplain = new QLabel(
      "To update your Mailmoat Pro filter rules to the latest, please make sure you are connected to the internet "
      "(or have Mailmoat Pro configured to use Dial-Up Networking, and simply click the Update button below. The "
      "update process will maintain your current rule settings (enabled/disabled rules). After the update is "
      "completed, you should view the new rules in Mailmoat Pro Preferences and make any desired adjustments.",
      this);
  lblExplain->setObjectName("lblExplain");
  lblExplain->setWordWrap(true);
  lblExplain->setMinimumWidth(420);

  auto* lblProgress = new QLabel("Update Progress:", this);
  lblProgress->setObjectName("lblProgress");
  lblStatus = new QLabel("<idle>", this);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setTextFormat(Qt::PlainText);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(lblProgress);
  statusRow->addWidget(lblStatus, 1);

  pbProgress = new QProgressBar(this);
  pbProgress->setObjectName("pbProgress");
  pbProgress->setRange(0, 100);
  pbProgress->setValue(0);
  lblProgress->setBuddy(pbProgress);

  btnAdvanced = new QPushButton("Advanced", this);
  btnAdvanced->setObjectName("btnAdvanced");
  btnUpdate = new QPushButton("&Update", this);
  btnUpdate->setObjectName("btnUpdate");
  btnUpdate->setDefault(true);
  btnAbort = new QPushButton("&Abort Update", this);
  btnAbort->setObjectName("btnAbort");
  btnAbort->hide();
  btnClose = new QPushButton("&Close", this);
  btnClose->setObjectName("btnClose");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnAdvanced);
  buttons->addStretch(1);
  buttons->addWidget(btnUpdate);
  buttons->addWidget(btnAbort);
  buttons->addWidget(btnClose);

  auto* column = new QVBoxLayout(this);
  column->addWidget(lblExplain);
  column->addLayout(statusRow);
  column->addWidget(pbProgress);
  column->addLayout(buttons);

  connect(btnUpdate, &QPushButton::clicked, this, [this] { StartUpdate(); });
  connect(btnAbort, &QPushButton::clicked, this, [this] { Update.Abort(); });
  connect(btnClose, &QPushButton::clicked, this, [this] { reject(); });
  connect(btnAdvanced, &QPushButton::clicked, this, [this] { ShowAdvanced(); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(FilterUpdateHelpTopic); });

  Update.OnStatus = [this](const std::string& text) { lblStatus->setText(TextToQString(text)); };
  Update.OnProgress = [this](int percent) { pbProgress->setValue(percent); };
  Update.OnProcessing = [this] { btnAbort->hide(); };
}

void TfrmFilterUpdate::SetBusyLook(bool busy) {
  btnUpdate->setEnabled(!busy);
  btnClose->setEnabled(!busy);
  // The proxy cannot change under a running download.
  btnAdvanced->setEnabled(!busy);
  btnAbort->setVisible(busy);
  if (!busy) {
    lblStatus->setText("<idle>");
    pbProgress->setValue(0);
  }
}

void TfrmFilterUpdate::StartUpdate() {
  if (Update.Busy()) return;
  Ui.SetBusyCursor(true);
  SetBusyLook(true);
  TFilterUpdateResult result = TFilterUpdateResult::Failed;
  try {
    result = Update.Run();
  } catch (const std::exception& e) {
    // Run reports its own failures; this is the last guard of the slot.
    Config.TryWriteLog(std::string("! ") + e.what());
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
  }
  SetBusyLook(false);
  Ui.SetBusyCursor(false);
  if (result == TFilterUpdateResult::Updated || result == TFilterUpdateResult::Replaced) {
    Changed = result == TFilterUpdateResult::Replaced || Update.Counts.Updated > 0 || Update.Counts.Added > 0;
    accept();
  }
}

void TfrmFilterUpdate::ShowAdvanced() {
  if (Update.Busy()) return;
  try {
    TfrmUpdProxy proxy(Config, this);
    proxy.exec();
  } catch (const std::exception& e) {
    Config.TryWriteLog(std::string("! ") + e.what());
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
  }
}

void TfrmFilterUpdate::reject() {
  if (Update.Busy()) return;
  QDialog::reject();
}

void TfrmFilterUpdate::closeEvent(QCloseEvent* event) {
  if (Update.Busy()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

bool ShowFilterUpdate(TConfigData& config, TUiHost& ui, QWidget* parent) {
  TfrmFilterUpdate window(config, ui, parent);
  window.exec();
  return window.RulesChanged();
}

}  // namespace mailmoat
