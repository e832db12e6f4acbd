#include "ui/config/prefs/NetworkPage.h"

#include "ui/common/QtText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mailmoat {

namespace {
constexpr int DialFieldChars = 40;
constexpr int PhoneChars = 30;
}  // namespace

TNetworkPage::TNetworkPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtNetwork", parent) {
  TPreferences& p = Ctx.Prefs;
  auto* network = Group("Network", "grpNetwork");
  auto* rbLan = new QRadioButton("Connect to server(s) using &LAN, Ethernet, DSL, cable, etc. (non-dialup)", network);
  rbLan->setObjectName("rbLan");
  rbRas = new QRadioButton("&Connect to server(s) using Dial-Up Networking (e.g. with your modem)", network);
  rbRas->setObjectName("rbRas");
  auto* choices = new QButtonGroup(this);
  choices->addButton(rbLan);
  choices->addButton(rbRas);
  auto* networkColumn = new QVBoxLayout(network);
  networkColumn->addWidget(rbLan);
  networkColumn->addWidget(rbRas);

  grpRas = Group("Remote Access Configuration", "grpRas");
  auto* cmbDunProfiles = new QComboBox(grpRas);
  cmbDunProfiles->setObjectName("cmbDunProfiles");
  for (const std::string& entry : p.DialEntries) cmbDunProfiles->addItem(TextToQString(entry));
  cmbDunProfiles->setCurrentIndex(cmbDunProfiles->findText(TextToQString(p.DialEntry)));
  auto* edtDunLogin = BoundEdit("edtDunLogin", p.DialUser, DialFieldChars, DialFieldChars);
  auto* edtDunPassword = BoundEdit("edtDunPassword", p.DialPassword, DialFieldChars, DialFieldChars);
  edtDunPassword->setEchoMode(QLineEdit::Password);
  auto* edtDunPhoneNumber = BoundEdit("edtDunPhoneNumber", p.DialPhone, PhoneChars);
  auto* chkbxDisconnectWhenDone = BoundCheck("&If Mailmoat initiated call, disconnect modem when finished.",
                                             "chkbxDisconnectWhenDone", p.DisconnectWhenDone);
  auto* form = new QFormLayout;
  form->addRow(Caption("&Dial-Up Networking Entry to use:", "lblDunProfiles", cmbDunProfiles), cmbDunProfiles);
  form->addRow(Caption("&Login User Name (required):", "lblDunLogin", edtDunLogin), edtDunLogin);
  form->addRow(Caption("Login &Password (required):", "lblDunPassword", edtDunPassword), edtDunPassword);
  form->addRow(Caption("Phone &Number (blank for default);", "lblDunPhoneNumber", edtDunPhoneNumber),
               edtDunPhoneNumber);
  auto* rasColumn = new QVBoxLayout(grpRas);
  rasColumn->addLayout(form);
  rasColumn->addWidget(chkbxDisconnectWhenDone);

  auto* column = new QVBoxLayout(this);
  column->addWidget(network);
  column->addWidget(grpRas);
  column->addStretch(1);

  rbRas->setEnabled(p.DialUpAvailable);
  (p.UseRas && p.DialUpAvailable ? rbRas : rbLan)->setChecked(true);
  grpRas->setEnabled(rbRas->isChecked());
  connect(rbRas, &QRadioButton::toggled, this, [this](bool on) {
    Ctx.Prefs.UseRas = on;
    grpRas->setEnabled(on);
    MarkChanged();
  });
  connect(cmbDunProfiles, &QComboBox::currentIndexChanged, this, [this, cmbDunProfiles](int index) {
    Ctx.Prefs.DialEntry = index < 0 ? std::string() : QStringToText(cmbDunProfiles->itemText(index));
    MarkChanged();
  });
}

}  // namespace mailmoat
