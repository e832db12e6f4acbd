// Pictures of the account windows: the account editor (profile-editor.png), each page of the
// profile wizard (profile-wizard-1.png to profile-wizard-5.png) and the e-mail client settings
// (client-settings.png).

#include "core/Records.h"
#include "core/dataConfig.h"
#include "ui/config/dlgClientSettings.h"
#include "ui/config/dlgProfileWizard.h"
#include "ui/config/frmProfileEditor.h"

#include "ScreenshotSupport.h"

#include <QCheckBox>
#include <QDir>

namespace mailmoat {

bool ShootAccountWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  QDir().mkpath(outDir);
  bool ok = true;
  ProfileRecord profile;
  profile.Name = "Home";
  profile.Server = "pop.example.net";
  profile.Login = "joe";
  profile.Password = "secret";
  profile.Port = 995;
  profile.Security = TProfileSecurity::ImplicitTls;
  profile.Archive = true;
  profile.ArchiveDir = "/home/joe/mail-archive/home";
  {
    TfrmProfileEditor editor(config, ui, parent);
    editor.SetProfile(profile);
    editor.show();
    ok &= SavePicture(editor, outDir + "/profile-editor.png");
    editor.close();
  }
  {
    TdlgProfileWizard wizard(config, ui, parent);
    // The wizard as a new account opens it: empty but for the boxes the user filled in.
    ProfileRecord typed;
    typed.Name = profile.Name;
    wizard.SetProfile(typed);
    wizard.Restart();
    wizard.show();
    const auto take = [&](int shot) {
      ok &= SavePicture(wizard, outDir + QString("/profile-wizard-%1.png").arg(shot));
    };
    take(1);
    wizard.SetProfile(profile);
    for (int shot = 2; shot <= 4; ++shot) {
      wizard.Next();
      take(shot);
    }
    // Leaving the archive page would make the pictured folder.
    wizard.findChild<QCheckBox*>("ckArchive")->setChecked(false);
    wizard.Next();
    take(5);
    wizard.close();
  }
  {
    config.ClientFile = "/usr/bin/thunderbird";
    config.ClientParams = "-mail";
    config.ClientWin = 2;
    TdlgClientSettings client(config, ui, parent);
    client.show();
    ok &= SavePicture(client, outDir + "/client-settings.png");
    client.close();
  }
  return ok;
}

}  // namespace mailmoat
