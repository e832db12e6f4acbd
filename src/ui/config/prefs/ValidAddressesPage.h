#pragma once

#include "ui/config/prefs/PrefsSheet.h"

#include <QStringList>

class QButtonGroup;
class QListWidget;
class QMenu;
class QPushButton;

namespace mailmoat {

// "Valid Addresses": the user's own addresses, kept in alphabetical order, and how the
// address check uses them.
class TValidAddressesPage : public TPrefsSheet {
public:
  TValidAddressesPage(TPrefsPageContext& context, QWidget* parent);

private:
  void ShowAddresses(const QString& select);
  void StoreAddresses(QStringList addresses, const QString& select);
  QStringList Shown() const;
  int SelectedRow() const;
  bool Listed(const QString& address, int except) const;
  void AddAddress();
  void ChangeAddress();
  void DeleteAddress();
  void SelectionChanged();
  void UpdateControls();
  void Print(bool preview);

  QLineEdit* editEmailAddress = nullptr;
  QListWidget* lbAddresses = nullptr;
  QPushButton* btnAddAddress = nullptr;
  QPushButton* btnChange = nullptr;
  QPushButton* btnDeleteAddress = nullptr;
  QGroupBox* grpAddrCheck = nullptr;
  QButtonGroup* AddrCheckChoices = nullptr;
  QMenu* pmAddresses = nullptr;
};

}  // namespace mailmoat
