#include "ui/config/prefs/RequeuePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

namespace mailmoat {

namespace {

// The usual port of each security choice, in the order of the security box.
constexpr std::array<int, 3> StandardSmtpPorts = {25, 587, 465};

}  // namespace

TRequeuePage::TRequeuePage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtRequeue", parent) {
  TPreferences& p = Ctx.Prefs;
  auto* Label19 = Explanation(
      "Sometimes valid (and wanted) email messages will be rejected by a filter rule or other setting. If you have "
      "archiving enabled, all deleted messages are saved to a specified directory on your system. Completing the "
      "information below will enable the option to 'requeue' (resend) and reply to messages from the archived "
      "message listing.",
      "Label19");

  edtSMTPServer = BoundEdit("edtSMTPServer", p.SMTPServer);
  edtSMTPServer->setToolTip(
      "The host name or IP address of your provider's SMTP (outgoing) mail server,\ne.g. smtp.example.net or "
      "192.0.2.25");
  auto* seSmtpPort = BoundSpin("seSmtpPort", 1, 65535, p.SMTPPort);
  seSmtpPort->setToolTip("The port of the SMTP server (25, 587 with STARTTLS, 465 with TLS from the start)");
  auto* cbSmtpSecurity = new QComboBox(this);
  cbSmtpSecurity->setObjectName("cbSmtpSecurity");
  cbSmtpSecurity->addItems({"None", "STARTTLS", "TLS from the start"});
  cbSmtpSecurity->setCurrentIndex(p.SMTPSecurity >= 0 && p.SMTPSecurity <= 2 ? p.SMTPSecurity : 0);
  ckSMTPAuth =
      BoundCheck("Server requires me to &log in before I can send messages. (SMTP AUTH)", "ckSMTPAuth", p.SMTPAuth);
  auto* edtSmtpLogin = BoundEdit("edtSmtpLogin", p.SMTPLogin);
  auto* edtSmtpPassword = BoundEdit("edtSmtpPassword", p.SMTPPassword);
  edtSmtpPassword->setEchoMode(QLineEdit::Password);
  auto* edtSmtpAddr = BoundEdit("edtSmtpAddr", p.SendTo);
  edtSmtpAddr->setToolTip(
      "When messages are requeued (resent) an email address is needed\nfor the intended recipient of the message. "
      "This is typically your email\naddress.\n\nThis field is not used for replies. Replies are made to the email "
      "address\nof the sending party. (Editing of address is supported when replying).");
  auto* ckSMTPDelete = BoundCheck("&Delete message after requeue", "ckSMTPDelete", p.DeleteMsg);
  auto* ckIncHeaders = BoundCheck("&Include raw headers in replies", "ckIncHeaders", p.IncHeaders);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Label19);
  column->addSpacing(6);
  column->addWidget(Caption("&SMTP mail server hostname to send messages to:", "lblSMTPServer", edtSMTPServer));
  column->addWidget(edtSMTPServer);
  auto* connection = new QHBoxLayout;
  connection->addWidget(Caption("P&ort:", "lblSmtpPort", seSmtpPort));
  connection->addWidget(seSmtpPort);
  connection->addSpacing(12);
  connection->addWidget(Caption("Se&curity:", "lblSmtpSecurity", cbSmtpSecurity));
  connection->addWidget(cbSmtpSecurity);
  connection->addStretch(1);
  column->addLayout(connection);
  column->addSpacing(6);
  column->addWidget(ckSMTPAuth);
  auto* login = new QFormLayout;
  login->setContentsMargins(20, 0, 0, 0);
  auto* lblSmtpLogin = Caption("Login &user name:", "lblSmtpLogin", edtSmtpLogin);
  auto* lblSmtpPassword = Caption("Login &password:", "lblSmtpPassword", edtSmtpPassword);
  login->addRow(lblSmtpLogin, edtSmtpLogin);
  login->addRow(lblSmtpPassword, edtSmtpPassword);
  column->addLayout(login);
  LoginControls = {lblSmtpLogin, edtSmtpLogin, lblSmtpPassword, edtSmtpPassword};
  column->addSpacing(6);
  column->addWidget(Caption("&Email address to requeue messages to:", "lblSmtpAddr", edtSmtpAddr));
  column->addWidget(edtSmtpAddr);
  column->addWidget(ckSMTPDelete);
  column->addWidget(ckIncHeaders);
  column->addStretch(1);

  UpdateControls();
  connect(edtSMTPServer, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
  connect(ckSMTPAuth, &QCheckBox::toggled, this, [this] { UpdateControls(); });
  connect(cbSmtpSecurity, &QComboBox::currentIndexChanged, this, [this, seSmtpPort](int index) {
    // A port left at the usual one of the last choice follows the new choice.
    const int before = Ctx.Prefs.SMTPSecurity;
    if (before >= 0 && before < 3 && seSmtpPort->value() == StandardSmtpPorts[static_cast<std::size_t>(before)])
      seSmtpPort->setValue(StandardSmtpPorts[static_cast<std::size_t>(index)]);
    Ctx.Prefs.SMTPSecurity = index;
    MarkChanged();
  });
}

void TRequeuePage::UpdateControls() {
  ckSMTPAuth->setEnabled(!edtSMTPServer->text().trimmed().isEmpty());
  const bool login = ckSMTPAuth->isEnabled() && ckSMTPAuth->isChecked();
  for (QWidget* control : LoginControls) control->setEnabled(login);
}

}  // namespace mailmoat
