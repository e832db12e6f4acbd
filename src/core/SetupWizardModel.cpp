#include "core/SetupWizardModel.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/AsciiText.h"
#include "platform/Dialer.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <algorithm>

namespace mailmoat {

namespace {

const char NoProfileText[] =
    "You need to enter the information for at least one of your\r\n"
    "email accounts to continue. Please click the Add button\r\n"
    "and enter the information for your email account(s).";
const char NoAddressText[] =
    "You have chosen to check messages for your email addresses,\r\n"
    "so you need to enter at least one address to continue. Please\r\n"
    "click the Add button to add one or more of your email addresses.";
const char NoDialEntryText[] =
    "Please select the Dial-Up Networking connection you want\r\n"
    "Mailmoat Pro to use to connect to the internet.";
const char NoDialUserText[] =
    "Please enter your login username for the selected\r\n"
    "Dial-Up Networking connection.";
const char NoDialPasswordText[] =
    "Please enter your login password for the selected\r\n"
    "Dial-Up Networking connection.";
const char NoClientText[] =
    "You have chosen to have Mailmoat Pro run your email client\r\n"
    "software when you have new messages waiting on the mail\r\n"
    "server. To do this, you also need to tell Mailmoat Pro what\r\n"
    "email client software you want to run. Please click the E-Mail\r\n"
    "Client Software Settings button to enter this information.";
const char NoWavText[] =
    "Please select or enter the name of the WAV file that you want\r\n"
    "Mailmoat Pro to play when you have new mail waiting.";
const char MissingWavText[] =
    "Unable to locate the WAV file you have entered or selected to be\r\n"
    "played when new email is waiting for you. Please re-enter the path\r\n"
    "and name of the file or click the folder icon to browse your system\r\n"
    "to locate the desired file.";

bool InRange(int index, std::size_t size) {
  return index >= 0 && static_cast<std::size_t>(index) < size;
}

}  // namespace

bool AskForFirstSetup(TConfigData& config) {
  return config.NotSetUp &&
         config.Ui.MessageBox(TMsgKind::Confirmation,
                              "Would you like to set up your first e-mail account with the Setup Wizard now?",
                              mbYes | mbNo, 0, {}, mbYes) == mbYes;
}

std::string StoredWavFile(const std::string& fileBox) {
  std::string file = fileBox;
  file.erase(std::remove(file.begin(), file.end(), '"'), file.end());
  return file;
}

TSetupWizardModel::TSetupWizardModel(TConfigData& config)
    : Config(config),
      SavedSettings(config),
      SavedDialSettings(config.DialSettings),
      SavedAddresses(config.ValidAddresses),
      SavedProfiles(config.Profiles),
      SavedNotifyEnabled(config.NotifyEnabled),
      SavedDialer{config.Dialer.EntryName, config.Dialer.UserName, config.Dialer.Password, config.Dialer.PhoneNumber} {
  if (Config.RasAvailable && !Config.UseRas) Config.LoadDialSettings();
  Fill();
}

void TSetupWizardModel::Fill() {
  ValidAddresses = Config.ValidAddresses;
  if (ValidAddresses.empty()) {
    AddressCheck = TAddressCheckChoice::Disabled;
  } else if (Config.Strict) {
    AddressCheck = TAddressCheckChoice::Strict;
  } else {
    AddressCheck = Config.Unknown ? TAddressCheckChoice::Anywhere : TAddressCheckChoice::Disabled;
  }
  ScanForSpam = !Config.DisableSpamScan;
  ConnectionChoice = Config.UseRas && Config.RasAvailable ? TConnectionType::DialUp : TConnectionType::Lan;
  if (Config.RasAvailable) {
    Entries = Config.Dialer.EntryNames();
    const DialSettingsRecord& dial = Config.DialSettings;
    DialEntry = std::find(Entries.begin(), Entries.end(), dial.EntryName) != Entries.end() ? dial.EntryName : "";
    DialUser = dial.UserName;
    DialPassword = dial.Password;
    DialPhone = dial.PhoneNumber;
    DisconnectWhenDone = dial.DisconnectWhenDone;
  }
  Popup = Config.Popup;
  PlayWav = Config.PlayWav;
  WavFile = Config.WAVFile;
  StartClient = Config.StartClient;
  ClientConfigured = !Config.ClientFile.empty();
}

std::vector<std::string> TSetupWizardModel::ProfileNames() const {
  std::vector<std::string> names;
  for (const ProfileRecord& p : Config.Profiles) names.push_back(p.Name);
  return names;
}

bool TSetupWizardModel::AddProfile(const std::function<bool(ProfileRecord&)>& edit) {
  ProfileRecord profile;
  profile.Enabled = true;
  if (!edit(profile)) return false;
  Config.Profiles.push_back(profile);
  Config.NumProfiles = static_cast<std::int32_t>(Config.Profiles.size());
  return true;
}

bool TSetupWizardModel::EditProfile(int index, const std::function<bool(ProfileRecord&)>& edit) {
  if (!InRange(index, Config.Profiles.size())) return false;
  ProfileRecord profile = Config.Profiles[static_cast<std::size_t>(index)];
  if (!edit(profile)) return false;
  Config.Profiles[static_cast<std::size_t>(index)] = profile;
  return true;
}

bool TSetupWizardModel::DeleteProfile(int index) {
  if (!InRange(index, Config.Profiles.size())) return false;
  const auto at = Config.Profiles.begin() + index;
  if (Config.Ui.MessageBox(TMsgKind::Confirmation, "Delete the POP3 profile " + at->Name + "?", mbYes | mbNo) != mbYes)
    return false;
  Config.Profiles.erase(at);
  Config.NumProfiles = static_cast<std::int32_t>(Config.Profiles.size());
  return true;
}

// The answer, trimmed and in lower case; false when it is empty or already listed (in any
// letter case) at another place than `index`.
bool TSetupWizardModel::AskAddress(const std::string& prompt, int index, std::string& address) {
  std::string answer = address;
  if (!Config.Ui.InputBox("Valid Address", prompt, answer)) return false;
  address = LowerCaseAscii(TrimText(answer));
  if (address.empty()) return false;
  for (std::size_t i = 0; i < ValidAddresses.size(); ++i) {
    if (static_cast<int>(i) == index || !SameTextNoCase(ValidAddresses[i], address)) continue;
    Config.Ui.MessageBox(TMsgKind::Warning, "The address " + address + "\r\nalready exists", mbOK);
    return false;
  }
  return true;
}

bool TSetupWizardModel::AddAddress() {
  std::string address;
  if (!AskAddress("Enter one of your email addresses:", -1, address)) return false;
  ValidAddresses.push_back(address);
  return true;
}

bool TSetupWizardModel::EditAddress(int index) {
  if (!InRange(index, ValidAddresses.size())) return false;
  std::string& listed = ValidAddresses[static_cast<std::size_t>(index)];
  std::string address = listed;
  if (!AskAddress("Edit address:", index, address) || address == listed) return false;
  listed = address;
  return true;
}

bool TSetupWizardModel::DeleteAddress(int index) {
  if (!InRange(index, ValidAddresses.size())) return false;
  const auto at = ValidAddresses.begin() + index;
  if (Config.Ui.MessageBox(TMsgKind::Error, "Delete entry for " + *at + "?", mbYes | mbNo, 0, "Confirm") != mbYes)
    return false;
  ValidAddresses.erase(at);
  return true;
}

TConnectionType TSetupWizardModel::ChooseConnection(TConnectionType type) {
  ConnectionChoice = type == TConnectionType::DialUp && !Config.RasAvailable ? TConnectionType::Lan : type;
  return ConnectionChoice;
}

TSetupFocus TSetupWizardModel::Tell(const char* text, bool warning, TSetupFocus focus) {
  Config.Ui.MessageBox(warning ? TMsgKind::Warning : TMsgKind::Information, text, mbOK);
  return focus;
}

TSetupFocus TSetupWizardModel::LeavePage(TSetupPage page, bool forward) {
  switch (page) {
    case TSetupPage::Profiles:
      if (Config.Profiles.empty()) return Tell(NoProfileText, false, TSetupFocus::AddProfile);
      break;
    case TSetupPage::ValidAddresses:
      // Back leads to the page where the check is switched off, the other way to satisfy this
      // check: refusing Back would leave the user no way out but to enter an address.
      if (forward && ValidAddresses.empty() && AddressCheck != TAddressCheckChoice::Disabled)
        return Tell(NoAddressText, false, TSetupFocus::AddAddress);
      break;
    case TSetupPage::ConnectionType:
      if (ConnectionChoice != TConnectionType::DialUp) break;
      if (DialEntry.empty()) return Tell(NoDialEntryText, true, TSetupFocus::DialEntry);
      if (DialUser.empty()) return Tell(NoDialUserText, true, TSetupFocus::DialUser);
      if (DialPassword.empty()) return Tell(NoDialPasswordText, true, TSetupFocus::DialPassword);
      break;
    case TSetupPage::Notifications: {
      // Both boxes may come up; the focus goes to the later one's control.
      TSetupFocus focus = TSetupFocus::None;
      if (StartClient && !ClientConfigured) focus = Tell(NoClientText, true, TSetupFocus::ClientSettings);
      if (PlayWav) {
        const std::string file = StoredWavFile(WavFile);
        if (file.empty()) {
          focus = Tell(NoWavText, true, TSetupFocus::WavFile);
        } else if (!FileExists(TPath(file))) {
          focus = Tell(MissingWavText, true, TSetupFocus::WavFile);
        }
      }
      return focus;
    }
    default: break;
  }
  return TSetupFocus::None;
}

bool TSetupWizardModel::Finish() {
  const bool check = !ValidAddresses.empty() && AddressCheck != TAddressCheckChoice::Disabled;
  Config.Unknown = check;
  Config.Strict = check && AddressCheck == TAddressCheckChoice::Strict;
  Config.ValidAddresses = ValidAddresses;
  Config.DisableSpamScan = !ScanForSpam;
  const bool dial = ConnectionChoice == TConnectionType::DialUp;
  Config.UseRas = dial;
  if (dial) {
    DialSettingsRecord& record = Config.DialSettings;
    record.EntryName = std::string(CutText(DialEntry, 40));
    record.UserName = std::string(CutText(DialUser, 40));
    record.Password = std::string(CutText(DialPassword, 40));
    record.PhoneNumber = std::string(CutText(DialPhone, 20));
    record.DisconnectWhenDone = DisconnectWhenDone;
    TDialer& dialer = Config.Dialer;
    dialer.EntryName = DialEntry;
    dialer.UserName = DialUser;
    dialer.Password = DialPassword;
    dialer.PhoneNumber = DialPhone;
  }
  Config.Popup = Popup;
  Config.PlayWav = PlayWav;
  if (PlayWav) Config.WAVFile = StoredWavFile(WavFile);
  Config.StartClient = StartClient;
  Config.NotifyEnabled = Popup || PlayWav || StartClient;
  try {
    if (dial) Config.SaveDialSettings();
    Config.SaveProfiles();
    Config.SaveValidAddresses();
  } catch (const EMailmoatError& e) {
    // The box below still tells the user.
    Config.TryWriteLog(std::string("! Setup Wizard: ") + e.what());
    Config.Ui.MessageBox(TMsgKind::Error, std::string("Your settings could not be saved:\r\n") + e.what(), mbOK);
    return false;
  }
  return Config.SaveSettings();
}

void TSetupWizardModel::Cancel() {
  // The main window keeps its place and size in the settings as it moves; those stay current.
  TSettings settings = SavedSettings;
  settings.Left = Config.Left;
  settings.Top = Config.Top;
  settings.Width = Config.Width;
  settings.Height = Config.Height;
  static_cast<TSettings&>(Config) = settings;
  Config.DialSettings = SavedDialSettings;
  Config.ValidAddresses = SavedAddresses;
  Config.Profiles = SavedProfiles;
  Config.NotifyEnabled = SavedNotifyEnabled;
  TDialer& dialer = Config.Dialer;
  dialer.EntryName = SavedDialer[0];
  dialer.UserName = SavedDialer[1];
  dialer.Password = SavedDialer[2];
  dialer.PhoneNumber = SavedDialer[3];
  ValidAddresses = SavedAddresses;
}

}  // namespace mailmoat
