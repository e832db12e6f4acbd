#pragma once

#include "core/AddressImport.h"

#include <QDialog>

#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace mailmoat {

class TUiHost;

// "Mailmoat Pro - Import Selection": the addresses found, each with a check box, for the user
// to pick and correct before they are added.
class TdlgSelectImport : public QDialog {
public:
  TdlgSelectImport(std::vector<TAddrRecord>& candidates, TUiHost& ui, QWidget* parent = nullptr);

private:
  void CheckEvery(bool on);
  void EditAddress(QTreeWidgetItem* row);
  void Finish();

  std::vector<TAddrRecord>& Candidates;
  TUiHost& Ui;
  QTreeWidget* lvImportRecs = nullptr;
};

}  // namespace mailmoat
