#pragma once

#include "ui/config/prefs/PrefsSheet.h"

class QComboBox;
class QPushButton;
class QRadioButton;

namespace mailmoat {

// "Accounts": the POP3 profiles (changed in the configuration at once, as the account
// editor saves them), the automatic check and the POP3 port.
class TAccountsPage : public TPrefsSheet {
public:
  TAccountsPage(TPrefsPageContext& context, QWidget* parent);

  // Where the dialog puts the focus when it opens.
  QComboBox* ProfileList() const { return cbPopProfile; }

private:
  void ShowProfile(int index);
  void FillProfiles(int select);
  void AddProfile();
  void EditProfile();
  void DeleteProfile();
  void ModeChosen();

  QComboBox* cbPopProfile = nullptr;
  QLabel* ledPOP3 = nullptr;
  QLabel* lblServerName = nullptr;
  QLabel* lblServerLogin = nullptr;
  QPushButton* btnAdd = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnEdit = nullptr;
  QSpinBox* seCheckMins = nullptr;
  QRadioButton* rbEat = nullptr;
  QRadioButton* rbCheck = nullptr;
  QRadioButton* rbCheckView = nullptr;
};

}  // namespace mailmoat
