#pragma once

#include "core/Records.h"
#include "ui/common/WizardFrame.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QToolButton;

namespace mailmoat {

class TConfigData;
class TUiHost;

// "Mailmoat Pro POP3 Profile Wizard": the account editor's boxes one page at a time (name,
// server with port and security, login, archiving) and a last page that sends the user back
// to the editor's Save. A page with a box missing cannot be left, backwards or forwards; a
// missing archive folder is created when its page is left.
class TdlgProfileWizard : public TWizardFrame {
public:
  static constexpr int HelpTopic = 50;
  static constexpr const char* RouteDefault = "Default";

  TdlgProfileWizard(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);

  // Fills the pages: name, server, port, security, login, password, archiving and folder.
  void SetProfile(const ProfileRecord& profile);
  // The pages' values written over those fields of `profile`; the others stay.
  void StoreTo(ProfileRecord& profile) const;

  int PageName = -1;
  int PageServer = -1;
  int PageLogon = -1;
  int PageArchive = -1;
  int PageComplete = -1;

private:
  void EnterPage(int page);
  bool LeavePage(int from);
  bool Refuse(const char* text, QWidget* focus);
  bool MakeArchiveFolder();
  void BrowseFolder();

  TConfigData& Config;
  TUiHost& Ui;
  QLineEdit* edtName = nullptr;
  QLineEdit* edtMailServer = nullptr;
  QSpinBox* sePort = nullptr;
  QComboBox* cbSecurity = nullptr;
  QLineEdit* edtUsername = nullptr;
  QLineEdit* edtPassword = nullptr;
  QCheckBox* ckArchive = nullptr;
  QLineEdit* deArchiveFolder = nullptr;
  QToolButton* btnBrowseArchive = nullptr;
};

}  // namespace mailmoat
