#pragma once

#include "ui/config/prefs/PrefsSheet.h"

#include <vector>

namespace mailmoat {

// "Approved Senders": the addresses and domains whose mail is always accepted, each with a
// comment, kept in the order of their text.
class TApprovedSendersPage : public TPrefsSheet {
public:
  TApprovedSendersPage(TPrefsPageContext& context, QWidget* parent);

private:
  // Shows the working list in the order of its text, selecting the senders `select` (indexes
  // into the list); `edited` stores it in that order and marks the dialog changed.
  void ShowSenders(const std::vector<std::size_t>& select, bool edited);
  // Indexes into the working list.
  std::vector<std::size_t> SelectedSenders() const;
  void AddSender();
  void ChangeSender();
  void DeleteSenders();
  void Import();
  void UpdateControls();

  QTreeWidget* lvSenders = nullptr;
  QPushButton* btnChangeException = nullptr;
  QPushButton* btnDeleteException = nullptr;
};

}  // namespace mailmoat
