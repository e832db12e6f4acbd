#include "ui/config/prefs/MiscPage.h"

#include "core/UiHost.h"
#include "ui/config/dlgLogOptions.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace mailmoat {

namespace {

const char CheckUidlWarning[] =
    "With this option enabled, Mailmoat will request from the mail\r\nserver the UIDL (message ID) for each message "
    "prior to the\r\nactual deletion of the message. If they do not match, then the\r\nmessage will not be deleted "
    "and a notation will be made in the\r\nMailmoat Pro log file.\r\n\r\nNote that many mail servers return "
    "different ID's for the same\r\nmessage when requested the second time. If you are getting\r\nerror messages "
    "from Mailmoat when deleting spam about\r\nthe UIDL, then you should disable (uncheck) this option.";

}  // namespace

TMiscPage::TMiscPage(TPrefsPageContext& context, std::function<void()> openConfigDump, QWidget* parent)
    : TPrefsSheet(context, "tabshtStartup", parent), OpenConfigDump(std::move(openConfigDump)) {
  TPreferences& p = Ctx.Prefs;

  auto* startup = Group("Startup Options", "grpStartup");
  auto* cbxStartMin =
      BoundCheck("&Start Mailmoat Pro minimized in tool tray (next to clock)", "cbxStartMin", p.ToolTray);
  auto* cbxAutoStart = BoundCheck("Start Mailmoat Pro &automatically when logging in", "cbxAutoStart", p.Startup);
  auto* cbxCheckOnStartup = BoundCheck("&Check for spam on Mailmoat startup", "cbxCheckOnStartup", p.CheckOnStart);
  auto* seDelay = BoundSpin("seDelay", 0, 300, p.StartupCheckDelay);
  seDelay->setToolTip("Number of seconds to delay when checking\nfor spam on Mailmoat Pro startup.");
  auto* lblDelay = Caption("Delay seconds:", "lblDelay", seDelay);
  auto* startupGrid = new QGridLayout(startup);
  startupGrid->addWidget(cbxStartMin, 0, 0, 1, 4);
  startupGrid->addWidget(cbxAutoStart, 1, 0, 1, 4);
  startupGrid->addWidget(cbxCheckOnStartup, 2, 0);
  startupGrid->addWidget(lblDelay, 2, 1);
  startupGrid->addWidget(seDelay, 2, 2);
  startupGrid->setColumnStretch(3, 1);

  auto* sizes = Group("Message Sizes", "grpSizes");
  auto* seMaxMsgSize = BoundSpin("seMaxMsgSize", 0, 500000, p.MaxMsgSize);
  auto* seMaxBodyRuleSize = BoundSpin("seMaxBodyRuleSize", 1, 500000, p.MaxBodyRuleSize);
  seMaxBodyRuleSize->setToolTip("Default is 50k (recommended)");
  auto* sizesColumn = new QVBoxLayout(sizes);
  const auto sizeRow = [this, sizesColumn](QLabel* caption, QSpinBox* box, QLabel* unit) {
    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(box);
    row->addWidget(unit);
    row->addStretch(1);
    sizesColumn->addLayout(row);
  };
  sizeRow(Caption("Max message si&ze:", "lblMaxMsgSize", seMaxMsgSize), seMaxMsgSize,
          Caption("kilobytes. (Larger messages will be rejected)", "lblMaxMsgUnit"));
  sizeRow(Caption("Max message size for processing &body rules:", "lblMaxBodyRuleSize", seMaxBodyRuleSize),
          seMaxBodyRuleSize, Caption("kilobytes.", "lblMaxBodyUnit"));

  auto* other = Group("Other", "grpOther");
  auto* btnCfgFile = new QPushButton("Configuration Dump", other);
  btnCfgFile->setObjectName("btnCfgFile");
  btnCfgFile->setToolTip("Create troubleshooting file to be sent to Brightfold");
  btnCfgFile->setAutoDefault(false);
  auto* btnLogOptions = new QPushButton("Log File Options", other);
  btnLogOptions->setObjectName("btnLogOptions");
  btnLogOptions->setToolTip("Set options for Mailmoat's processing log file.");
  btnLogOptions->setAutoDefault(false);
  auto* ckCheckUIDL = BoundCheck("Check UIDL when eating spam", "ckCheckUIDL", p.CheckUIDL);
  auto* ckSummarize = BoundCheck("Show summary window after checks.", "ckSummarize", p.SummarizeStats);
  auto* otherGrid = new QGridLayout(other);
  otherGrid->addWidget(btnCfgFile, 0, 0);
  otherGrid->addWidget(ckCheckUIDL, 0, 1);
  otherGrid->addWidget(btnLogOptions, 1, 0);
  otherGrid->addWidget(ckSummarize, 1, 1);
  otherGrid->setColumnStretch(1, 1);
  otherGrid->setHorizontalSpacing(16);

  auto* advanced = Group("Advanced", "grpAdvanced");
  auto* edtDnsServer = BoundEdit("edtDnsServer", p.DnsServer);
  edtDnsServer->setPlaceholderText("the system's resolver");
  edtDnsServer->setToolTip(
      "The DNS server the blacklist look-ups and server names are resolved with, as an IP address\n(optionally "
      "followed by :port). Leave empty to use the system's resolver.");
  fneTlsCaFile = BoundEdit("fneTlsCaFile", p.TlsCaFile);
  fneTlsCaFile->setPlaceholderText("the system's certificates");
  fneTlsCaFile->setToolTip(
      "A file of CA certificates (PEM) that servers' certificates are checked against,\nfor a server with a "
      "certificate of its own authority. Leave empty to use the system's certificates.");
  auto* btnBrowseCaFile = BrowseButton("btnBrowseCaFile", "Choose the CA certificates file");
  auto* caRow = new QHBoxLayout;
  caRow->addWidget(fneTlsCaFile, 1);
  caRow->addWidget(btnBrowseCaFile);
  auto* advancedForm = new QFormLayout(advanced);
  advancedForm->addRow(Caption("D&NS server:", "lblDnsServer", edtDnsServer), edtDnsServer);
  advancedForm->addRow(Caption("&TLS CA file:", "lblTlsCaFile", fneTlsCaFile), caRow);
  auto* ckKeyring = BoundCheck("Keep passwords in the desktop keyring", "ckKeyringPasswords", p.KeyringPasswords);
  ckKeyring->setToolTip(
      "The POP3 and SMTP passwords are kept in the desktop's keyring (Secret Service) instead of\nMailmoat's "
      "own files. Without a keyring they stay in the files.");
  advancedForm->addRow(ckKeyring);

  auto* column = new QVBoxLayout(this);
  column->addWidget(startup);
  column->addWidget(sizes);
  column->addWidget(other);
  column->addWidget(advanced);
  column->addStretch(1);

  const auto enableDelay = [cbxCheckOnStartup, lblDelay, seDelay] {
    lblDelay->setEnabled(cbxCheckOnStartup->isChecked());
    seDelay->setEnabled(cbxCheckOnStartup->isChecked());
  };
  enableDelay();
  connect(cbxCheckOnStartup, &QCheckBox::toggled, this, enableDelay);
  // Only a tick by hand warns, not the box as loading sets it.
  connect(ckCheckUIDL, &QCheckBox::clicked, this, [this](bool on) {
    if (on) Ctx.Ui.MessageBox(TMsgKind::Warning, CheckUidlWarning, mbOK);
  });
  connect(btnLogOptions, &QPushButton::clicked, this, [this] { AskLogOptions(); });
  connect(btnCfgFile, &QPushButton::clicked, this, [this] { OpenConfigDump(); });
  connect(btnBrowseCaFile, &QToolButton::clicked, this, [this] { BrowseCaFile(); });
}

void TMiscPage::AskLogOptions() {
  TPreferences& p = Ctx.Prefs;
  const std::optional<TLogOptions> chosen =
      mailmoat::AskLogOptions(TLogOptions{p.LoggingLevel, p.MaxLogSize, p.LogDisp}, window());
  if (!chosen) return;
  p.LoggingLevel = chosen->LoggingLevel;
  p.MaxLogSize = chosen->MaxLogSize;
  p.LogDisp = chosen->LogDisp;
  MarkChanged();
}

void TMiscPage::BrowseCaFile() {
  const QString typed = fneTlsCaFile->text().trimmed();
  const QString start = typed.isEmpty() ? QString("/etc/ssl/certs") : QFileInfo(typed).path();
  const QString file =
      QFileDialog::getOpenFileName(window(), "TLS CA file", start, "Certificates (*.pem *.crt *.cer);;All files (*)");
  if (!file.isEmpty()) fneTlsCaFile->setText(file);
}

}  // namespace mailmoat
