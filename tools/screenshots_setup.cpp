// Pictures of the setup wizard's eight pages, setup-wizard-1.png to setup-wizard-8.png, with a
// made-up mailbox, two valid addresses and a sound file. The wizard is cancelled afterwards,
// which leaves the configuration as it was.
//
//   bool ShootSetupWizard(outDir, config, ui, parent)

#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/config/dialogSetupWizard.h"

#include "ScreenshotSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <fstream>

namespace mailmoat {

bool ShootSetupWizard(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  QDir().mkpath(outDir);
  // The addresses and the check type are shown as a user who set them up before would see them.
  const std::vector<std::string> addresses = config.ValidAddresses;
  const bool unknown = config.Unknown;
  config.ValidAddresses = {"joe@example.org", "@example.net"};
  config.Unknown = true;
  const std::string sound = (config.Paths.ProgramDir / "new-mail.wav").string();
  std::ofstream(sound) << "RIFF";

  bool ok = true;
  {
    TSetupWizardWindows windows;
    windows.EditProfile = [](ProfileRecord& profile) {
      profile.Name = "My mailbox";
      profile.Server = "pop.example.org";
      profile.Login = "joe";
      profile.Password = "secret";
      return true;
    };
    TdlgSetupWizard wizard(config, ui, windows, parent);
    wizard.Restart();
    wizard.show();
    int shot = 1;
    const auto take = [&] { ok &= SavePicture(wizard, outDir + QString("/setup-wizard-%1.png").arg(shot++)); };
    take();  // welcome
    wizard.Next();
    wizard.findChild<QPushButton*>("btnProfileAdd")->click();
    wizard.findChild<QListWidget*>("lbPop3Profiles")->setCurrentRow(0);
    take();  // profiles
    wizard.Next();
    take();  // address check
    wizard.Next();
    wizard.findChild<QListWidget*>("lbValidAddrs")->setCurrentRow(0);
    take();  // valid addresses
    wizard.Next();
    take();  // spam scanning
    wizard.Next();
    take();  // connection
    wizard.Next();
    wizard.findChild<QCheckBox*>("cbxPopup")->setChecked(true);
    wizard.findChild<QCheckBox*>("cbxPlayWav")->setChecked(true);
    auto* wavFile = wizard.findChild<QLineEdit*>("fneWavFile");
    // A path that reads the same on every machine; the page is left with one that exists.
    wavFile->setText("/home/joe/Sounds/new-mail.wav");
    take();  // notifications
    wavFile->setText(TextToQString(sound));
    wizard.Next();
    take();  // completion
    wizard.reject();
  }
  config.ValidAddresses = addresses;
  config.Unknown = unknown;
  return ok;
}

}  // namespace mailmoat
