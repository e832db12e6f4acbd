#pragma once

#include "core/Records.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace mailmoat {

class TUiHost;

// "Blacklist System Editor": one DNS blacklist's name and zone, with a test look-up of the
// entry every blacklist lists. Writes nothing; the opener takes the values after OK.
class TdlgBlacklist : public QDialog {
public:
  // `dnsServer`: the server the test asks, as the check run would ("host:port", empty for
  // the system's).
  TdlgBlacklist(TUiHost& ui, std::string dnsServer, QWidget* parent = nullptr);

  // Fills both boxes, the buttons following them as when typed.
  void Show(const std::string& name, const std::string& suffix);
  std::string Name() const;
  std::string Suffix() const;

private:
  void FieldsChanged();
  void Test();

  TUiHost& Ui;
  std::string DnsServer;
  QLineEdit* edtName = nullptr;
  QLineEdit* edtSuffix = nullptr;
  QPushButton* btnTest = nullptr;
  QPushButton* OKBtn = nullptr;
};

// Shows the dialog with `shown`'s name and zone; the name and zone as typed after OK.
std::optional<TBlacklistRec> EditBlacklist(TUiHost& ui, const std::string& dnsServer, const TBlacklistRec& shown,
                                           QWidget* parent);

}  // namespace mailmoat
