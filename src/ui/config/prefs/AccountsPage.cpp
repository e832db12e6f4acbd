#include "ui/config/prefs/AccountsPage.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/config/frmProfileEditor.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

constexpr const char* UnknownText = "<unknown>";

QPixmap Lamp(bool lit) {
  constexpr int Size = 14;
  QPixmap picture(Size, Size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(60, 60, 60));
  painter.setBrush(lit ? QColor(40, 200, 60) : QColor(210, 40, 40));
  painter.drawEllipse(1, 1, Size - 2, Size - 2);
  return picture;
}

}  // namespace

TAccountsPage::TAccountsPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtServer", parent) {
  TPreferences& p = Ctx.Prefs;
  auto* Label1 = Explanation(
      "This section is where you provide the information for the mail server(s) that provide you your POP3 "
      "compatible mailboxes. (At least 1 is required to use Mailmoat)",
      "Label1");

  auto* accounts = Group("POP3 E-Mail Accounts", "grpAccounts");
  cbPopProfile = new QComboBox(accounts);
  cbPopProfile->setObjectName("cbPopProfile");
  cbPopProfile->setMinimumContentsLength(24);
  ledPOP3 = new QLabel(accounts);
  ledPOP3->setObjectName("ledPOP3");
  auto* lblEnabled = new QLabel("Enabled", accounts);
  lblEnabled->setObjectName("lblEnabled");
  lblServerName = new QLabel(UnknownText, accounts);
  lblServerName->setObjectName("lblServerName");
  lblServerName->setTextFormat(Qt::PlainText);
  lblServerLogin = new QLabel(UnknownText, accounts);
  lblServerLogin->setObjectName("lblServerLogin");
  lblServerLogin->setTextFormat(Qt::PlainText);
  const auto button = [accounts](const char* text, const char* name, const char* hint) {
    auto* b = new QPushButton(text, accounts);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
  };
  btnAdd = button("A&dd New", "btnAdd", "Click to add new POP3 profile");
  btnDelete = button("De&lete", "btnDelete", "Click to delete displayed POP3 Profile");
  btnEdit = button("Ed&it", "btnEdit", "Click to edit displayed POP3 Profile");

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(cbPopProfile, 1);
  nameRow->addSpacing(12);
  nameRow->addWidget(ledPOP3);
  nameRow->addWidget(lblEnabled);
  auto* details = new QFormLayout;
  auto* lblName = new QLabel("Account &Name:", accounts);
  lblName->setObjectName("lblAccountName");
  lblName->setBuddy(cbPopProfile);
  details->addRow(lblName, nameRow);
  details->addRow(new QLabel("Mail Server:", accounts), lblServerName);
  details->addRow(new QLabel("Login Name:", accounts), lblServerLogin);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnAdd);
  buttons->addWidget(btnDelete);
  buttons->addWidget(btnEdit);
  auto* accountsColumn = new QVBoxLayout(accounts);
  accountsColumn->addLayout(details);
  accountsColumn->addLayout(buttons);

  auto* automatic = Group("Automatic Check Settings", "grpAutoCheck");
  seCheckMins = BoundSpin("seCheckMins", 0, 999, p.AutoMins);
  seCheckMins->setToolTip(
      "Set number of mins (1-99) to check/eat spam\nfor this connection. Set to 0 to disable automatic\nchecking.");
  auto* minutesRow = new QHBoxLayout;
  minutesRow->addWidget(Caption("Perform &auto-check every", "lblCheckMins", seCheckMins));
  minutesRow->addWidget(seCheckMins);
  minutesRow->addWidget(Caption("mins.", "lblMins"));
  minutesRow->addStretch(1);
  rbEat = new QRadioButton("Check and &Eat", automatic);
  rbEat->setObjectName("rbEat");
  rbCheck = new QRadioButton("Check &Only", automatic);
  rbCheck->setObjectName("rbCheck");
  rbCheckView = new QRadioButton("Check and &View (Interactive)", automatic);
  rbCheckView->setObjectName("rbCheckView");
  auto* modes = new QHBoxLayout;
  for (QRadioButton* mode : {rbEat, rbCheck, rbCheckView}) modes->addWidget(mode);
  modes->addStretch(1);
  auto* automaticColumn = new QVBoxLayout(automatic);
  automaticColumn->addLayout(minutesRow);
  automaticColumn->addLayout(modes);

  auto* ports = Group("Port Settings", "grpPort");
  auto* sePort = BoundSpin("sePort", 0, 32767, p.Port);
  auto* portRow = new QHBoxLayout;
  portRow->addWidget(Caption("&Port Number:", "lblPort", sePort));
  portRow->addWidget(sePort);
  portRow->addWidget(Caption("(Standard default port for the POP 3 protocol is 110.)", "lblPortNote"));
  portRow->addStretch(1);
  ports->setLayout(portRow);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Label1);
  column->addWidget(accounts);
  column->addWidget(automatic);
  column->addWidget(ports);
  column->addStretch(1);

  switch (p.CheckMode) {
    case TAutoCheckMode::CheckAndEat: rbEat->setChecked(true); break;
    case TAutoCheckMode::CheckOnly: rbCheck->setChecked(true); break;
    case TAutoCheckMode::CheckAndView: rbCheckView->setChecked(true); break;
  }
  const auto enableModes = [this] {
    for (QRadioButton* mode : {rbEat, rbCheck, rbCheckView}) mode->setEnabled(seCheckMins->value() != 0);
  };
  enableModes();
  connect(seCheckMins, &QSpinBox::valueChanged, this, enableModes);
  for (QRadioButton* mode : {rbEat, rbCheck, rbCheckView})
    connect(mode, &QRadioButton::toggled, this, [this](bool on) {
      if (on) ModeChosen();
    });
  FillProfiles(p.ShownProfile);
  connect(cbPopProfile, &QComboBox::currentIndexChanged, this, [this](int index) { ShowProfile(index); });
  connect(btnAdd, &QPushButton::clicked, this, [this] { AddProfile(); });
  connect(btnEdit, &QPushButton::clicked, this, [this] { EditProfile(); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { DeleteProfile(); });
}

void TAccountsPage::ModeChosen() {
  Ctx.Prefs.CheckMode = rbEat->isChecked()         ? TAutoCheckMode::CheckAndEat
                        : rbCheckView->isChecked() ? TAutoCheckMode::CheckAndView
                                                   : TAutoCheckMode::CheckOnly;
  MarkChanged();
}

void TAccountsPage::FillProfiles(int select) {
  const QSignalBlocker block(cbPopProfile);
  cbPopProfile->clear();
  for (const ProfileRecord& profile : Ctx.Config.Profiles) cbPopProfile->addItem(TextToQString(profile.Name));
  cbPopProfile->setCurrentIndex(select);
  ShowProfile(cbPopProfile->currentIndex());
}

void TAccountsPage::ShowProfile(int index) {
  const std::vector<ProfileRecord>& profiles = Ctx.Config.Profiles;
  const bool shown = index >= 0 && index < static_cast<int>(profiles.size());
  Ctx.Prefs.ShownProfile = shown ? index : -1;
  const ProfileRecord* profile = shown ? &profiles[static_cast<std::size_t>(index)] : nullptr;
  lblServerName->setText(profile ? TextToQString(profile->Server) : QString(UnknownText));
  lblServerLogin->setText(profile ? TextToQString(profile->Login) : QString(UnknownText));
  const bool lit = profile && profile->Enabled;
  ledPOP3->setPixmap(Lamp(lit));
  ledPOP3->setProperty("lit", lit);
  ledPOP3->setToolTip(lit ? "This account is checked" : "This account is not checked");
  btnEdit->setEnabled(shown);
  btnDelete->setEnabled(shown);
}

void TAccountsPage::AddProfile() {
  ProfileRecord profile;
  profile.Enabled = true;
  if (!mailmoat::EditProfile(Ctx.Config, Ctx.Ui, profile, window())) return;
  Ctx.Config.Profiles.push_back(profile);
  Ctx.Config.NumProfiles = static_cast<std::int32_t>(Ctx.Config.Profiles.size());
  FillProfiles(static_cast<int>(Ctx.Config.Profiles.size()) - 1);
  MarkChanged();
}

void TAccountsPage::EditProfile() {
  const int index = Ctx.Prefs.ShownProfile;
  if (index < 0) return;
  ProfileRecord profile = Ctx.Config.Profiles[static_cast<std::size_t>(index)];
  if (!mailmoat::EditProfile(Ctx.Config, Ctx.Ui, profile, window())) return;
  Ctx.Config.Profiles[static_cast<std::size_t>(index)] = profile;
  FillProfiles(index);
  MarkChanged();
}

void TAccountsPage::DeleteProfile() {
  const int index = Ctx.Prefs.ShownProfile;
  if (index < 0) return;
  std::vector<ProfileRecord>& profiles = Ctx.Config.Profiles;
  const std::string question = "Delete the POP3 profile " + profiles[static_cast<std::size_t>(index)].Name + "?";
  if (Ctx.Ui.MessageBox(TMsgKind::Confirmation, question, mbYes | mbNo) != mbYes) return;
  profiles.erase(profiles.begin() + index);
  Ctx.Config.NumProfiles = static_cast<std::int32_t>(profiles.size());
  FillProfiles(profiles.empty() ? -1 : 0);
  MarkChanged();
}

}  // namespace mailmoat
