#pragma once

#include "core/Records.h"
#include "ui/common/WizardFrame.h"

#include <functional>
#include <memory>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace mailmoat {

class TConfigData;
class TSetupWizardModel;
class TUiHost;
enum class TSetupFocus;

// The windows the setup wizard opens, made by their own parts of the program: the account
// editor on one profile (true when the user saved it), the mail client's settings (true on
// OK; they write into the settings at once) and playing a sound file (false with the reason).
struct TSetupWizardWindows {
  std::function<bool(ProfileRecord&)> EditProfile;
  std::function<bool()> EditClientSettings;
  std::function<bool(const std::string& wavFile, std::string& error)> PlaySound;
};

// "Mailmoat Pro Setup Wizard": eight pages, from the welcome over the POP3 accounts, the
// valid-address check and its addresses, spam scanning, the connection and the new-mail
// notifications to the completion page. Profiles change in the configuration at once;
// Finish writes the other choices and saves every store, Cancel (and Escape) puts everything
// back as it was when the wizard opened. Each page is checked when it is left, either way.
class TdlgSetupWizard : public TWizardFrame {
public:
  static constexpr int HelpTopic = 50;

  TdlgSetupWizard(TConfigData& config, TUiHost& ui, TSetupWizardWindows windows, QWidget* parent = nullptr);
  ~TdlgSetupWizard() override;

  TSetupWizardModel& Model() { return *Data; }

  void reject() override;

private:
  QWidget* BuildProfilesPage();
  QWidget* BuildAddressCheckPage();
  QWidget* BuildValidAddressesPage();
  QWidget* BuildScanPage();
  QWidget* BuildConnectionPage();
  QWidget* BuildNotificationsPage();
  void Fill();
  void Connect();
  void EnterPage(int page);
  bool LeavePage(int from, int to, bool forward);
  void GoTo(TSetupFocus focus);
  void ShowProfiles(int select);
  void ShowAddresses(int select);
  void UpdateButtons();
  void ConnectionChosen(int index);
  void BrowseWavFile();
  void PlayWavFile();

  TConfigData& Config;
  TUiHost& Ui;
  TSetupWizardWindows Windows;
  std::unique_ptr<TSetupWizardModel> Data;

  QListWidget* lbPop3Profiles = nullptr;
  QPushButton* btnProfileAdd = nullptr;
  QPushButton* btnProfileEdit = nullptr;
  QPushButton* btnProfileDelete = nullptr;
  QButtonGroup* AddrCheckChoices = nullptr;
  QListWidget* lbValidAddrs = nullptr;
  QPushButton* btnAddValidAddr = nullptr;
  QPushButton* btnEditValidAddr = nullptr;
  QPushButton* btnDeleteValidAddr = nullptr;
  QButtonGroup* SpamChoices = nullptr;
  QComboBox* cbConnectionType = nullptr;
  QGroupBox* grpDunSettings = nullptr;
  QComboBox* cmbDunProfiles = nullptr;
  QLineEdit* edtDunLogin = nullptr;
  QLineEdit* edtDunPassword = nullptr;
  QLineEdit* edtDunPhoneNumber = nullptr;
  QCheckBox* chkbxDisconnectWhenDone = nullptr;
  QCheckBox* cbxPopup = nullptr;
  QCheckBox* cbxPlayWav = nullptr;
  QLineEdit* fneWavFile = nullptr;
  QToolButton* btnPlay = nullptr;
  QCheckBox* cbxStartClient = nullptr;
  QPushButton* btnEmailClientSettings = nullptr;
};

// Shows the setup wizard modally over `parent`, on its first page. Returns true when the user
// finished it and everything was saved.
bool ShowSetupWizard(TConfigData& config, TUiHost& ui, const TSetupWizardWindows& windows, QWidget* parent);

}  // namespace mailmoat
