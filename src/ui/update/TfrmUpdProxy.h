#pragma once

#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace mailmoat {

class TConfigData;

// "Advanced - Proxy Server Settings": the HTTP proxy of the filter rules update (section
// "UpdateProxy"). Save stores the four settings and writes the settings file.
class TfrmUpdProxy : public QDialog {
public:
  TfrmUpdProxy(TConfigData& config, QWidget* parent = nullptr);

private:
  void ClearAll();
  void Save();

  TConfigData& Config;
  QLineEdit* edtServer = nullptr;
  QSpinBox* sePort = nullptr;
  QLineEdit* edtUserName = nullptr;
  QLineEdit* edtPassword = nullptr;
};

}  // namespace mailmoat
