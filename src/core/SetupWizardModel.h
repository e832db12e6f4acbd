#pragma once

#include "core/Records.h"
#include "core/Settings.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// The setup wizard's pages, in their order along its one route.
enum class TSetupPage {
  Welcome,
  Profiles,
  AddressCheck,
  ValidAddresses,
  ScanForSpam,
  ConnectionType,
  Notifications,
  Complete,
};

// The choices of "Valid Address Check Type", in the order they are listed.
enum class TAddressCheckChoice { Disabled, Anywhere, Strict };

// The entries of "My Internet connection is through", in the order they are listed.
enum class TConnectionType { DialUp, Lan };

// The control a failed page check sends the user to.
enum class TSetupFocus {
  None,
  AddProfile,
  AddAddress,
  DialEntry,
  DialUser,
  DialPassword,
  ClientSettings,
  WavFile,
};

// What the setup wizard shows and edits, without its window. Profiles are edited in the
// configuration at once; every other choice is held here and written into the configuration
// only by Finish. Message boxes and input boxes go through the configuration's TUiHost.
class TSetupWizardModel {
public:
  // Remembers what Cancel restores and fills the choices from the configuration. When dial-up
  // can be used but is switched off, the stored dial-up settings are read so that switching
  // it on shows them (start-up reads them only for a user who dials).
  explicit TSetupWizardModel(TConfigData& config);

  // The profile names, in their order.
  std::vector<std::string> ProfileNames() const;
  // Opens `edit` on a new profile with "enabled" ticked and appends it when `edit` returns
  // true. Returns whether the list changed.
  bool AddProfile(const std::function<bool(ProfileRecord&)>& edit);
  // Opens `edit` on a copy of profile `index` and replaces the profile when `edit` returns true.
  bool EditProfile(int index, const std::function<bool(ProfileRecord&)>& edit);
  // Asks whether to delete profile `index` and removes it on Yes.
  bool DeleteProfile(int index);

  // The valid addresses as listed. Add and Edit ask in an input box and keep the answer in
  // lower case, without the blanks around it; an answer already in the list is refused with
  // a warning. Delete asks first. Each returns whether the list changed.
  const std::vector<std::string>& Addresses() const { return ValidAddresses; }
  bool AddAddress();
  bool EditAddress(int index);
  bool DeleteAddress(int index);

  // Dial-up can be chosen only where this computer has it; otherwise the choice stays on the
  // local network. Returns the connection type now chosen.
  TConnectionType ChooseConnection(TConnectionType type);
  TConnectionType Connection() const { return ConnectionChoice; }
  // The dial-up entries of this computer (none when dial-up cannot be used).
  const std::vector<std::string>& DialEntries() const { return Entries; }

  // Checks the page being left (Next and Back alike, but see the .cpp for the one exception)
  // and shows the boxes of what is missing. Returns the control to go to, TSetupFocus::None
  // when the page may be left.
  TSetupFocus LeavePage(TSetupPage page, bool forward);

  // Writes the choices into the configuration and saves, in this order, the dial-up settings
  // (when dialling), the profiles, the valid addresses and the settings. A failure is shown in
  // a box and returns false; what was saved before it stays saved, and Finish may be tried
  // again.
  bool Finish();
  // Puts the settings, the dial-up settings, the valid addresses and the profiles back as they
  // were when the wizard opened. Writes no file, and reads none: the file would bring back
  // what start-up decided against (dial-up on a computer without it).
  void Cancel();

  TAddressCheckChoice AddressCheck = TAddressCheckChoice::Disabled;
  bool ScanForSpam = true;
  std::string DialEntry;  // empty: none selected
  std::string DialUser;
  std::string DialPassword;
  std::string DialPhone;
  bool DisconnectWhenDone = true;
  bool Popup = false;
  bool PlayWav = false;
  std::string WavFile;
  bool StartClient = false;
  // A mail client program is set, or its settings dialog ended with OK in this wizard.
  bool ClientConfigured = false;

private:
  void Fill();
  TSetupFocus Tell(const char* text, bool warning, TSetupFocus focus);
  bool AskAddress(const std::string& prompt, int index, std::string& address);

  TConfigData& Config;
  std::vector<std::string> ValidAddresses;
  std::vector<std::string> Entries;
  TConnectionType ConnectionChoice = TConnectionType::Lan;

  // As the wizard found them.
  TSettings SavedSettings;
  DialSettingsRecord SavedDialSettings;
  std::vector<std::string> SavedAddresses;
  std::vector<ProfileRecord> SavedProfiles;
  bool SavedNotifyEnabled = false;
  std::array<std::string, 4> SavedDialer;  // the dialer's entry, user, password and phone
};

// After start-up found nothing set up (TConfigData::NotSetUp), asks whether to run the setup
// wizard now. Returns true on Yes; false at once when there was no such start-up.
bool AskForFirstSetup(TConfigData& config);

// WAVFile as stored: the file box's text without its double quotes.
std::string StoredWavFile(const std::string& fileBox);

}  // namespace mailmoat
