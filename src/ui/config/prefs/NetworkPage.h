#pragma once

#include "ui/config/prefs/PrefsSheet.h"

class QRadioButton;

namespace mailmoat {

// "Network": the network that is there, or a dial-up connection of this computer with its
// log-in.
class TNetworkPage : public TPrefsSheet {
public:
  TNetworkPage(TPrefsPageContext& context, QWidget* parent);

private:
  QRadioButton* rbRas = nullptr;
  QGroupBox* grpRas = nullptr;
};

}  // namespace mailmoat
