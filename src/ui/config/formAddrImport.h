#pragma once

#include "core/AddressImport.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace mailmoat {

class TUiHost;

// "Mailmoat Pro - Address Import": reads the addresses of one of the user's address books and
// adds those not yet approved to `senders` (the list the preferences page edits; the page's
// save writes the file).
class TdlgAddrImport : public QDialog {
public:
  // Where the addresses come from, in the order of cbSource.
  enum TSource { ThunderbirdBook, AddressBookFile, VCardFolder, TextFile };

  // `home`: the folder whose Thunderbird profiles hold the default address books.
  TdlgAddrImport(std::vector<ApprovedSenderRecord>& senders, TUiHost& ui, TPath home, QWidget* parent = nullptr);

  int Imported() const { return Counts.Imported; }

protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

private:
  void SourceChanged();
  void Browse();
  void Import();
  // The candidates of the chosen source; false when the dialog stays open (nothing to read).
  bool ReadSource(std::vector<TAddrRecord>& candidates);
  bool Refuse(const char* text, QWidget* focus);
  void SetBusy(bool busy);

  std::vector<ApprovedSenderRecord>& Senders;
  TUiHost& Ui;
  TPath Home;
  TImportCounts Counts;
  bool Busy = false;
  QComboBox* cbSource = nullptr;
  QLabel* lblFile = nullptr;
  QLineEdit* feWabFile = nullptr;
  QToolButton* btnBrowse = nullptr;
  QRadioButton* rbAddAll = nullptr;
  QRadioButton* rbSelect = nullptr;
  QPushButton* btnImport = nullptr;
  QPushButton* btnCancel = nullptr;
};

// Runs the import dialog on `senders`; returns how many senders it added.
int ImportApprovedSenders(std::vector<ApprovedSenderRecord>& senders, TUiHost& ui, QWidget* parent);

}  // namespace mailmoat
