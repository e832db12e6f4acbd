#include "ui/config/dialogSetupWizard.h"

#include "core/SetupWizardModel.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/common/WizardPages.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <utility>
#include <vector>

namespace mailmoat {

namespace {

constexpr int DialFieldBytes = 40;
constexpr int PhoneFieldBytes = 20;

const char WelcomeText[] =
    "This Wizard will walk you through the steps necessary to\nconfigure Mailmoat Pro to work with your email account\n"
    "at your ISP, and setup some of the most common features\nthat Mailmoat Pro has to offer.\n\n"
    "You can use this Wizard in the future to modify any of these\nbasic settings, however, once you complete this "
    "Wizard, it\nis recommended that you become familiar with the normal\nPreferences dialog (File | Preferences), "
    "where all settings are\navailable for your modification.\n\nWhen you are ready to begin, please click the Next "
    "button.";
const char ProfilesText[] =
    "To allow Mailmoat to check your mailbox, it must know how to contact the server where you get your email. You "
    "need to have at least one profile defined here in Mailmoat, and can enter an unlimited number of profiles, as "
    "desired. Click the Add button to add a new profile, Edit to edit the selected profile, or Delete to delete the "
    "selected profile. Click Next when your are done.";
const char AddressCheckText[] =
    "Mailmoat Pro has the ability to reject email messages that do not contain any pre-defined valid email "
    "addresses. You can have it check for these addresses in any part of the message headers, only in the TO/FROM "
    "headers, or bypass the check all together. \n\nPlease select your choice below and click Next.";
const char ValidAddressesText[] =
    "If you have chosen to have Mailmoat Pro check the messages on the server for valid email addresses, you now "
    "need to define at least one valid address. See Help for a detailed description on the types of entries you "
    "should make here on this page. Click the Add button to add a new address, Edit to edit the selected address, or "
    "Delete to delete the selected address. Click Next when your are done.";
const char PartialAddressText[] =
    "NOTE: You do not have to enter complete addresses here. They can be partial addresses such as "
    "\"@example.com\", which accepts mail sent to any address at example.com.";
const char ScanText[] =
    "One of the main features of Mailmoat Pro is it's ability to scan email message and detect those that are from "
    "Spammers. Mailmoat uses a complex set of rules when processing messages to detect which messages are spam, and "
    "then delete them from your mailbox.\n\nPlease make your selection for this option below and click Next when "
    "done.";
const char NotificationsText[] =
    "Mailmoat Pro can notify you when new, cleaned, email is waiting for you. You can use any combination of the "
    "items below, or none, if you prefer.\n\nPlease make your selections and then click Next when done.";
const char CompleteText[] =
    "Congratulations! You've successfully completed the basic setup\nfor Mailmoat Pro! With these settings, you "
    "should see a \nsubstantial decrease in the amount of spam email you receive.\n\nYou should read the Help file at "
    "your convenience to become \nfamiliar with some of the other features available to you in \nMailmoat Pro. The "
    "other options available can be found by \nchoosing File -> Preferences.\n\nYou can change these settings in "
    "the future by running this \nWizard again (by selecting File -> Setup Wizard from the \nMailmoat Pro menu), or "
    "selecting File -> Preferences from \nthe menu.\n\nPlease click Finish to save your settings and close this "
    "Wizard.";

QLabel* WrappedLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  return label;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QCheckBox* CheckBox(const QString& text, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  return box;
}

QLineEdit* LineEdit(const char* name, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMaxLength(maxLength);
  return edit;
}

// A list with its Add, Edit and Delete buttons in a column beside it.
QHBoxLayout* ListWithButtons(QListWidget* list, const std::array<QPushButton*, 3>& buttons) {
  auto* column = new QVBoxLayout;
  for (QPushButton* b : buttons) column->addWidget(b);
  column->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(list, 1);
  row->addLayout(column);
  return row;
}

// Radio buttons in a group box, numbered in their order from 0.
QButtonGroup* RadioGroup(QGroupBox* box, const std::vector<std::pair<const char*, const char*>>& choices,
                         QObject* owner) {
  auto* group = new QButtonGroup(owner);
  auto* column = new QVBoxLayout(box);
  int id = 0;
  for (const auto& [text, name] : choices) {
    auto* radio = new QRadioButton(text, box);
    radio->setObjectName(name);
    group->addButton(radio, id++);
    column->addWidget(radio);
  }
  return group;
}

int PageOf(TSetupPage page) {
  return static_cast<int>(page);
}

}  // namespace

TdlgSetupWizard::TdlgSetupWizard(TConfigData& config, TUiHost& ui, TSetupWizardWindows windows, QWidget* parent)
    : TWizardFrame(parent),
      Config(config),
      Ui(ui),
      Windows(std::move(windows)),
      Data(std::make_unique<TSetupWizardModel>(config)) {
  setObjectName("dlgSetupWizard");
  setWindowTitle("Mailmoat Pro Setup Wizard");
  setMinimumSize(600, 470);

  // Added in the order of TSetupPage, so a page's number is its place there.
  AddPage(WizardOuterPage("wmWelcomeWizardPage1", "Welcome to the Mailmoat Pro\nSetup Wizard", WelcomeText));
  AddPage(BuildProfilesPage());
  AddPage(BuildAddressCheckPage());
  AddPage(BuildValidAddressesPage());
  AddPage(BuildScanPage());
  AddPage(BuildConnectionPage());
  AddPage(BuildNotificationsPage());
  AddPage(WizardOuterPage("wmCompleteWizardPage1", "Mailmoat Pro Setup Complete!", CompleteText), {true, false, true});
  std::vector<int> route;
  for (int page = PageOf(TSetupPage::Welcome); page <= PageOf(TSetupPage::Complete); ++page) route.push_back(page);
  AddRoute("Default", route);

  // The controls show the model's choices before any change handler is connected.
  Fill();
  Connect();
  SetEnterHook([this](int page) { EnterPage(page); });
  SetLeaveHook([this](int from, int to, bool forward) { return LeavePage(from, to, forward); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(HelpTopic); });
}

TdlgSetupWizard::~TdlgSetupWizard() = default;

QWidget* TdlgSetupWizard::BuildProfilesPage() {
  QVBoxLayout* body = nullptr;
  QWidget* page = WizardInteriorPage("wmProfilesPage", "POP3 E-Mail Accounts (Profiles)",
                                     "Setup your e-mail accounts for your ISP's POP3 server", body);
  auto* text = WrappedLabel(ProfilesText, "lblProfilesText", page);
  lbPop3Profiles = new QListWidget(page);
  lbPop3Profiles->setObjectName("lbPop3Profiles");
  text->setBuddy(lbPop3Profiles);
  btnProfileAdd = Button("&Add", "btnProfileAdd", page);
  btnProfileEdit = Button("&Edit", "btnProfileEdit", page);
  btnProfileDelete = Button("De&lete", "btnProfileDelete", page);
  body->addWidget(text);
  body->addLayout(ListWithButtons(lbPop3Profiles, {btnProfileAdd, btnProfileEdit, btnProfileDelete}), 1);
  return page;
}

QWidget* TdlgSetupWizard::BuildAddressCheckPage() {
  QVBoxLayout* body = nullptr;
  QWidget* page = WizardInteriorPage("wmAddressCheckPage", "Valid E-Mail Address Checking",
                                     "Checking messages to make sure they are addressed specifically to you.", body);
  auto* box = new QGroupBox("Valid Address Check Type", page);
  box->setObjectName("rgAddrCheckType");
  AddrCheckChoices = RadioGroup(box,
                                {{"Disabled - Do not check for valid addresses", "rbAddrCheckDisabled"},
                                 {"Address can be located anywhere in headers", "rbAddrCheckAnywhere"},
                                 {"Address must be in To, From, CC, or X-Rcpt-To headers", "rbAddrCheckStrict"}},
                                this);
  body->addWidget(WrappedLabel(AddressCheckText, "lblAddressCheckText", page));
  body->addSpacing(8);
  body->addWidget(box);
  body->addStretch(1);
  return page;
}

QWidget* TdlgSetupWizard::BuildValidAddressesPage() {
  QVBoxLayout* body = nullptr;
  QWidget* page = WizardInteriorPage("wmValidAddressesPage", "Your E-Mail Addresses",
                                     "Define your valid e-mail addresses here", body);
  auto* text = WrappedLabel(ValidAddressesText, "lblValidAddressesText", page);
  lbValidAddrs = new QListWidget(page);
  lbValidAddrs->setObjectName("lbValidAddrs");
  text->setBuddy(lbValidAddrs);
  btnAddValidAddr = Button("&Add", "btnAddValidAddr", page);
  btnEditValidAddr = Button("&Edit", "btnEditValidAddr", page);
  btnDeleteValidAddr = Button("De&lete", "btnDeleteValidAddr", page);
  body->addWidget(text);
  body->addLayout(ListWithButtons(lbValidAddrs, {btnAddValidAddr, btnEditValidAddr, btnDeleteValidAddr}), 1);
  body->addWidget(WrappedLabel(PartialAddressText, "lblPartialAddressText", page));
  return page;
}

QWidget* TdlgSetupWizard::BuildScanPage() {
  QVBoxLayout* body = nullptr;
  QWidget* page = WizardInteriorPage("wmScanForSpamPage", "Scan E-Mail Messages for Spam",
                                     "Configure Mailmoat Pro for using rules to detect and process spam e-mail", body);
  auto* box = new QGroupBox(page);
  box->setObjectName("rgSpamCheckOptions");
  SpamChoices = RadioGroup(
      box, {{"&Don't check messages for spam.", "rbNoSpamCheck"}, {"&Check all messages for spam.", "rbSpamCheck"}},
      this);
  body->addWidget(WrappedLabel(ScanText, "lblScanText", page));
  body->addSpacing(8);
  body->addWidget(box);
  body->addStretch(1);
  return page;
}

QWidget* TdlgSetupWizard::BuildConnectionPage() {
  QVBoxLayout* body = nullptr;
  QWidget* page = WizardInteriorPage("wmConnectionTypePage", "Internet Connection Type",
                                     "Configure Mailmoat Pro for the type of internet connection you have", body);
  cbConnectionType = new QComboBox(page);
  cbConnectionType->setObjectName("cbConnectionType");
  cbConnectionType->addItems({"Dial-Up Networking", "Local Area Network, DSL, Cable, etc."});
  auto* lblConnectionType = new QLabel("My Internet &connection is through", page);
  lblConnectionType->setObjectName("lblConnectionType");
  lblConnectionType->setBuddy(cbConnectionType);
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(lblConnectionType);
  typeRow->addWidget(cbConnectionType, 1);

  grpDunSettings = new QGroupBox("Dial-Up Networking Settings", page);
  grpDunSettings->setObjectName("grpDunSettings");
  cmbDunProfiles = new QComboBox(grpDunSettings);
  cmbDunProfiles->setObjectName("cmbDunProfiles");
  edtDunLogin = LineEdit("edtDunLogin", DialFieldBytes, grpDunSettings);
  edtDunPassword = LineEdit("edtDunPassword", DialFieldBytes, grpDunSettings);
  edtDunPassword->setEchoMode(QLineEdit::Password);
  edtDunPhoneNumber = LineEdit("edtDunPhoneNumber", PhoneFieldBytes, grpDunSettings);
  chkbxDisconnectWhenDone =
      CheckBox("&If Mailmoat initiated call, hangup when finished.", "chkbxDisconnectWhenDone", grpDunSettings);
  auto* form = new QFormLayout(grpDunSettings);
  form->addRow("Connection to use:", cmbDunProfiles);
  form->addRow("&Login User Name:", edtDunLogin);
  form->addRow("Login &Password:", edtDunPassword);
  form->addRow("Phone &Number (override):", edtDunPhoneNumber);
  form->addRow(chkbxDisconnectWhenDone);

  body->addLayout(typeRow);
  body->addSpacing(8);
  body->addWidget(grpDunSettings);
  body->addStretch(1);
  return page;
}

QWidget* TdlgSetupWizard::BuildNotificationsPage() {
  QVBoxLayout* body = nullptr;
  QWidget* page = WizardInteriorPage("wmNotificationsPage", "New E-Mail Waiting Notifications",
                                     "Configure how Mailmoat Pro notifies you of new waiting e-mail, if at all.", body);
  cbxPopup = CheckBox("PopUp a &notification message.", "cbxPopup", page);
  cbxPlayWav = CheckBox("Play a &WAV (sound) file.", "cbxPlayWav", page);
  fneWavFile = new QLineEdit(page);
  fneWavFile->setObjectName("fneWavFile");
  // The folder icon inside the box browses, as the missing-file message tells the user.
  QAction* browse = fneWavFile->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
  browse->setObjectName("actBrowseWavFile");
  browse->setToolTip("Browse for a WAV file");
  connect(browse, &QAction::triggered, this, [this] { BrowseWavFile(); });
  auto* lblWavFile = new QLabel("WAV file:", page);
  lblWavFile->setObjectName("lblWavFile");
  lblWavFile->setBuddy(fneWavFile);
  btnPlay = new QToolButton(page);
  btnPlay->setObjectName("btnPlay");
  btnPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  btnPlay->setToolTip("Play WAV file");
  btnPlay->setAccessibleName("Play WAV file");
  cbxStartClient = CheckBox("&Execute my email client software application.", "cbxStartClient", page);
  btnEmailClientSettings = Button("E-Mail &Client Software Settings", "btnEmailClientSettings", page);

  const auto indented = [](std::initializer_list<QWidget*> widgets, QWidget* stretch) {
    auto* row = new QHBoxLayout;
    row->addSpacing(24);
    for (QWidget* w : widgets) row->addWidget(w, w == stretch ? 1 : 0);
    if (stretch == nullptr) row->addStretch(1);
    return row;
  };
  body->addWidget(WrappedLabel(NotificationsText, "lblNotificationsText", page));
  body->addSpacing(8);
  body->addWidget(cbxPopup);
  body->addWidget(cbxPlayWav);
  body->addLayout(indented({lblWavFile, fneWavFile, btnPlay}, fneWavFile));
  body->addWidget(cbxStartClient);
  body->addLayout(indented({btnEmailClientSettings}, nullptr));
  body->addStretch(1);
  return page;
}

void TdlgSetupWizard::Fill() {
  TSetupWizardModel& m = *Data;
  ShowProfiles(-1);
  ShowAddresses(-1);
  AddrCheckChoices->button(static_cast<int>(m.AddressCheck))->setChecked(true);
  SpamChoices->button(m.ScanForSpam ? 1 : 0)->setChecked(true);
  cbConnectionType->setCurrentIndex(static_cast<int>(m.Connection()));
  for (const std::string& entry : m.DialEntries()) cmbDunProfiles->addItem(TextToQString(entry));
  cmbDunProfiles->setCurrentIndex(m.DialEntry.empty() ? -1 : cmbDunProfiles->findText(TextToQString(m.DialEntry)));
  edtDunLogin->setText(TextToQString(m.DialUser));
  edtDunPassword->setText(TextToQString(m.DialPassword));
  edtDunPhoneNumber->setText(TextToQString(m.DialPhone));
  chkbxDisconnectWhenDone->setChecked(m.DisconnectWhenDone);
  cbxPopup->setChecked(m.Popup);
  cbxPlayWav->setChecked(m.PlayWav);
  fneWavFile->setText(TextToQString(m.WavFile));
  cbxStartClient->setChecked(m.StartClient);
  UpdateButtons();
}

void TdlgSetupWizard::Connect() {
  TSetupWizardModel& m = *Data;
  const auto onClick = [this](QPushButton* button, auto action) {
    connect(button, &QPushButton::clicked, this, action);
  };
  const auto profileEditor = [this](ProfileRecord& p) { return Windows.EditProfile && Windows.EditProfile(p); };
  onClick(btnProfileAdd, [this, profileEditor] {
    if (Data->AddProfile(profileEditor)) ShowProfiles(static_cast<int>(Config.Profiles.size()) - 1);
  });
  onClick(btnProfileEdit, [this, profileEditor] {
    const int row = lbPop3Profiles->currentRow();
    if (Data->EditProfile(row, profileEditor)) ShowProfiles(row);
  });
  onClick(btnProfileDelete, [this] {
    if (Data->DeleteProfile(lbPop3Profiles->currentRow())) ShowProfiles(-1);
  });
  connect(lbPop3Profiles, &QListWidget::itemDoubleClicked, btnProfileEdit, &QPushButton::click);
  onClick(btnAddValidAddr, [this] {
    if (Data->AddAddress()) ShowAddresses(static_cast<int>(Data->Addresses().size()) - 1);
  });
  onClick(btnEditValidAddr, [this] {
    const int row = lbValidAddrs->currentRow();
    if (Data->EditAddress(row)) ShowAddresses(row);
  });
  onClick(btnDeleteValidAddr, [this] {
    if (Data->DeleteAddress(lbValidAddrs->currentRow())) ShowAddresses(-1);
  });
  connect(lbValidAddrs, &QListWidget::itemDoubleClicked, btnEditValidAddr, &QPushButton::click);
  for (QListWidget* list : {lbPop3Profiles, lbValidAddrs})
    connect(list, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });

  connect(AddrCheckChoices, &QButtonGroup::idToggled, this, [&m](int id, bool on) {
    if (on) m.AddressCheck = static_cast<TAddressCheckChoice>(id);
  });
  connect(SpamChoices, &QButtonGroup::idToggled, this, [&m](int id, bool on) {
    if (on) m.ScanForSpam = id == 1;
  });
  connect(cbConnectionType, &QComboBox::currentIndexChanged, this, [this](int index) { ConnectionChosen(index); });
  connect(cmbDunProfiles, &QComboBox::currentIndexChanged, this, [this, &m](int index) {
    m.DialEntry = index < 0 ? std::string() : QStringToText(cmbDunProfiles->itemText(index), DialFieldBytes);
  });
  const auto bind = [this](QLineEdit* edit, std::string& field, std::size_t bytes) {
    connect(edit, &QLineEdit::textChanged, this,
            [&field, bytes](const QString& text) { field = QStringToText(text, bytes); });
  };
  bind(edtDunLogin, m.DialUser, DialFieldBytes);
  bind(edtDunPassword, m.DialPassword, DialFieldBytes);
  bind(edtDunPhoneNumber, m.DialPhone, PhoneFieldBytes);
  bind(fneWavFile, m.WavFile, std::string::npos);
  connect(chkbxDisconnectWhenDone, &QCheckBox::toggled, this, [&m](bool on) { m.DisconnectWhenDone = on; });
  connect(cbxPopup, &QCheckBox::toggled, this, [&m](bool on) { m.Popup = on; });
  connect(cbxPlayWav, &QCheckBox::toggled, this, [this, &m](bool on) {
    m.PlayWav = on;
    UpdateButtons();
  });
  connect(cbxStartClient, &QCheckBox::toggled, this, [this, &m](bool on) {
    m.StartClient = on;
    UpdateButtons();
  });
  connect(btnPlay, &QToolButton::clicked, this, [this] { PlayWavFile(); });
  onClick(btnEmailClientSettings, [this] {
    if (Windows.EditClientSettings && Windows.EditClientSettings()) Data->ClientConfigured = true;
  });
}

void TdlgSetupWizard::ShowProfiles(int select) {
  lbPop3Profiles->clear();
  for (const std::string& name : Data->ProfileNames()) lbPop3Profiles->addItem(TextToQString(name));
  lbPop3Profiles->setCurrentRow(select);
  UpdateButtons();
}

void TdlgSetupWizard::ShowAddresses(int select) {
  lbValidAddrs->clear();
  for (const std::string& address : Data->Addresses()) lbValidAddrs->addItem(TextToQString(address));
  lbValidAddrs->setCurrentRow(select);
  UpdateButtons();
}

void TdlgSetupWizard::UpdateButtons() {
  const bool profile = !lbPop3Profiles->selectedItems().isEmpty();
  btnProfileEdit->setEnabled(profile);
  btnProfileDelete->setEnabled(profile);
  const bool address = !lbValidAddrs->selectedItems().isEmpty();
  btnEditValidAddr->setEnabled(address);
  btnDeleteValidAddr->setEnabled(address);
  grpDunSettings->setEnabled(Data->Connection() == TConnectionType::DialUp);
  fneWavFile->setEnabled(cbxPlayWav->isChecked());
  btnPlay->setEnabled(cbxPlayWav->isChecked());
  btnEmailClientSettings->setEnabled(cbxStartClient->isChecked());
}

void TdlgSetupWizard::ConnectionChosen(int index) {
  const TConnectionType chosen = Data->ChooseConnection(static_cast<TConnectionType>(index));
  if (static_cast<int>(chosen) != index) {
    const QSignalBlocker block(cbConnectionType);
    cbConnectionType->setCurrentIndex(static_cast<int>(chosen));
  }
  UpdateButtons();
}

void TdlgSetupWizard::BrowseWavFile() {
  const QString start = QFileInfo(fneWavFile->text().remove(QLatin1Char('"'))).path();
  const QString file =
      QFileDialog::getOpenFileName(this, "WAV file", start, "WAV files (*.wav);;All files (*)", nullptr);
  if (!file.isEmpty()) fneWavFile->setText(file);
}

void TdlgSetupWizard::PlayWavFile() {
  if (!Windows.PlaySound) return;
  std::string error;
  if (!Windows.PlaySound(StoredWavFile(Data->WavFile), error)) Ui.MessageBox(TMsgKind::Error, error, mbOK);
}

void TdlgSetupWizard::EnterPage(int page) {
  if (auto* finish = findChild<QPushButton*>("btnFinish")) finish->setVisible(page == PageOf(TSetupPage::Complete));
}

bool TdlgSetupWizard::LeavePage(int from, int to, bool forward) {
  if (to < 0) return Data->Finish();
  const TSetupFocus focus = Data->LeavePage(static_cast<TSetupPage>(from), forward);
  GoTo(focus);
  return focus == TSetupFocus::None;
}

void TdlgSetupWizard::GoTo(TSetupFocus focus) {
  QWidget* target = nullptr;
  switch (focus) {
    case TSetupFocus::None: return;
    case TSetupFocus::AddProfile: target = btnProfileAdd; break;
    case TSetupFocus::AddAddress: target = btnAddValidAddr; break;
    case TSetupFocus::DialEntry: target = cmbDunProfiles; break;
    case TSetupFocus::DialUser: target = edtDunLogin; break;
    case TSetupFocus::DialPassword: target = edtDunPassword; break;
    case TSetupFocus::ClientSettings: target = btnEmailClientSettings; break;
    case TSetupFocus::WavFile: target = fneWavFile; break;
  }
  target->setFocus(Qt::OtherFocusReason);
}

void TdlgSetupWizard::reject() {
  Data->Cancel();
  TWizardFrame::reject();
}

bool ShowSetupWizard(TConfigData& config, TUiHost& ui, const TSetupWizardWindows& windows, QWidget* parent) {
  TdlgSetupWizard wizard(config, ui, windows, parent);
  wizard.Restart();
  return wizard.exec() == QDialog::Accepted;
}

}  // namespace mailmoat
