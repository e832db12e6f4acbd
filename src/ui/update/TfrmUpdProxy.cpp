#include "ui/update/TfrmUpdProxy.h"

#include "core/dataConfig.h"
#include "ui/common/QtText.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mailmoat {

namespace {
constexpr int FieldLimit = 40;
constexpr int DefaultProxyPort = 80;
}  // namespace

TfrmUpdProxy::TfrmUpdProxy(TConfigData& config, QWidget* parent) : QDialog(parent), Config(config) {
  setObjectName("frmUpdProxy");
  setWindowTitle("Advanced - Proxy Server Settings");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* lblNote = new QLabel(
      "These settings should ONLY be used if you are behind a proxy server for http traffic. If you are not, then "
      "leave all these settings blank. If do need to use these settings, please ask your network administrator or "
      "ISP the correct entries to use for these items.",
      this);
  lblNote->setObjectName("lblNote");
  lblNote->setWordWrap(true);
  lblNote->setMinimumWidth(360);

  const TUpdateProxySettings& proxy = Config.UpdateProxy;
  const auto lineEdit = [this](const char* name, const std::string& value) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setMaxLength(FieldLimit);
    edit->setText(TextToQString(value).left(FieldLimit));
    return edit;
  };
  edtServer = lineEdit("edtServer", proxy.Server);
  sePort = new QSpinBox(this);
  sePort->setObjectName("sePort");
  sePort->setRange(0, 9999);
  sePort->setValue(proxy.Port >= 0 && proxy.Port <= 9999 ? proxy.Port : DefaultProxyPort);
  edtUserName = lineEdit("edtUserName", proxy.UserName);
  edtPassword = lineEdit("edtPassword", proxy.Password);
  edtPassword->setEchoMode(QLineEdit::Password);

  auto* form = new QFormLayout;
  const auto row = [this, form](const char* name, const char* text, QWidget* field) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setBuddy(field);
    form->addRow(label, field);
  };
  row("lblServer", "&Server or IP:", edtServer);
  row("lblPort", "&Port:", sePort);
  row("lblUserName", "User &Name (if required):", edtUserName);
  row("lblPassword", "&Password (if required):", edtPassword);

  auto* btnClearAll = new QPushButton("Clear &All", this);
  btnClearAll->setObjectName("btnClearAll");
  auto* btnSave = new QPushButton("&Save", this);
  btnSave->setObjectName("btnSave");
  btnSave->setDefault(true);
  auto* btnCancel = new QPushButton("&Cancel", this);
  btnCancel->setObjectName("btnCancel");
  connect(btnClearAll, &QPushButton::clicked, this, [this] { ClearAll(); });
  connect(btnSave, &QPushButton::clicked, this, [this] { Save(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnClearAll);
  buttons->addStretch(1);
  buttons->addWidget(btnSave);
  buttons->addWidget(btnCancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(lblNote);
  column->addLayout(form);
  column->addLayout(buttons);
}

void TfrmUpdProxy::ClearAll() {
  edtServer->clear();
  sePort->setValue(DefaultProxyPort);
  edtUserName->clear();
  edtPassword->clear();
}

void TfrmUpdProxy::Save() {
  TUpdateProxySettings& proxy = Config.UpdateProxy;
  // A blank typed around a host name would make it unreachable.
  proxy.Server = QStringToText(edtServer->text().trimmed(), FieldLimit);
  proxy.Port = sePort->value();
  proxy.UserName = QStringToText(edtUserName->text(), FieldLimit);
  proxy.Password = QStringToText(edtPassword->text(), FieldLimit);
  // A file that cannot be written has been reported; the settings still hold for this session.
  Config.SaveSettings();
  accept();
}

}  // namespace mailmoat
