#pragma once

#include "ui/config/prefs/PrefsSheet.h"

namespace mailmoat {

// "SpamCop": where spam is forwarded for reporting, and the sender of those reports.
class TSpamCopPage : public TPrefsSheet {
public:
  TSpamCopPage(TPrefsPageContext& context, QWidget* parent);

  QLineEdit* FieldBox(TPrefsField field) override;
  void ShowSaved() override;

private:
  QLineEdit* edtSpamCopAddr = nullptr;
  QLineEdit* edtSpamCopFrom = nullptr;
};

}  // namespace mailmoat
