#pragma once

#include "ui/config/prefs/PrefsSheet.h"

namespace mailmoat {

// "Misc": start-up, message sizes, the log options, the configuration dump, the UIDL check,
// the summary window, where the program resolves names and finds its certificates, and whether
// the passwords live in the desktop keyring.
class TMiscPage : public TPrefsSheet {
public:
  // `openConfigDump` makes the support file; the dialog first offers to save.
  TMiscPage(TPrefsPageContext& context, std::function<void()> openConfigDump, QWidget* parent);

private:
  void AskLogOptions();
  void BrowseCaFile();

  std::function<void()> OpenConfigDump;
  QLineEdit* fneTlsCaFile = nullptr;
};

}  // namespace mailmoat
