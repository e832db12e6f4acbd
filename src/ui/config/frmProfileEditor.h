#pragma once

#include "core/Records.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace mailmoat {

class TConfigData;
class TUiHost;

// "POP3 Account Editor": one POP3 profile. Save is offered once name, server, login name and
// password are given (and a folder, when archiving is ticked); "Profile Wizard" fills the boxes
// step by step and "Test connection" logs in and out with what the boxes hold.
class TfrmProfileEditor : public QDialog {
public:
  static constexpr int HelpTopic = 50;

  TfrmProfileEditor(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);

  void SetProfile(const ProfileRecord& profile);
  // The boxes' values written over `profile`'s fields; its reserved bytes stay.
  void StoreTo(ProfileRecord& profile) const;

  void reject() override;

private:
  ProfileRecord Values() const;
  bool CanSave() const;
  void UpdateButtons();
  void ArchiveChanged();
  void BrowseFolder();
  void RunWizard();
  void TestConnection();
  void Save();

  TConfigData& Config;
  TUiHost& Ui;
  ProfileRecord Shown;  // what came in, so that StoreTo keeps its other fields
  bool Testing = false;
  QLineEdit* ebName = nullptr;
  QLineEdit* ebServer = nullptr;
  QLineEdit* ebLogin = nullptr;
  QLineEdit* ebPassword = nullptr;
  QSpinBox* sePort = nullptr;
  QComboBox* cbSecurity = nullptr;
  QCheckBox* ckbxEnabled = nullptr;
  QCheckBox* ckbxArchive = nullptr;
  QLabel* lblPath = nullptr;
  QLineEdit* dedtArchivePath = nullptr;
  QToolButton* btnBrowseArchive = nullptr;
  QPushButton* btnWizard = nullptr;
  QPushButton* btnTest = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

// Shows the account editor over `parent` for `profile` (a new one comes in empty with Enabled set); true when the user
// saved, and `profile` then holds what was entered.
bool EditProfile(TConfigData& config, TUiHost& ui, ProfileRecord& profile, QWidget* parent);

}  // namespace mailmoat
