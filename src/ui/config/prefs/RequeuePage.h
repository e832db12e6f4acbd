#pragma once

#include "ui/config/prefs/PrefsSheet.h"

namespace mailmoat {

// "Requeue/Reply Settings": the outgoing mail server that requeued messages, SpamCop reports
// and replies go through.
class TRequeuePage : public TPrefsSheet {
public:
  TRequeuePage(TPrefsPageContext& context, QWidget* parent);

private:
  void UpdateControls();

  QLineEdit* edtSMTPServer = nullptr;
  QCheckBox* ckSMTPAuth = nullptr;
  QList<QWidget*> LoginControls;
};

}  // namespace mailmoat
