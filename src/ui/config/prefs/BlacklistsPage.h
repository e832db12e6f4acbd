#pragma once

#include "ui/config/prefs/PrefsSheet.h"

class QTreeWidgetItem;

namespace mailmoat {

// "Blacklist Lookups": the DNS blacklists the check run asks about the relays of a message,
// each ticked when it is used, and how many Received lines are looked at.
class TBlacklistsPage : public TPrefsSheet {
public:
  TBlacklistsPage(TPrefsPageContext& context, QWidget* parent);

private:
  void ShowBlacklists(int select);
  int SelectedRow() const;
  // The server the entry dialog's test asks: the one this dialog would save.
  std::string TestServer() const;
  void AddBlacklist();
  void ChangeBlacklist();
  void DeleteBlacklist();
  void RestoreDefaults();
  void RowChanged(QTreeWidgetItem* row);
  void UpdateControls();

  QTreeWidget* lvBlackLists = nullptr;
  QSpinBox* seRecdNum = nullptr;
  QPushButton* btnChangeBlacklist = nullptr;
  QPushButton* btnDeleteBlacklist = nullptr;
};

}  // namespace mailmoat
