// Pictures of the two windows of the preferences' Misc page: the log options
// (log-options.png) and the configuration dump after a dump was made (cfg-dump.png).

#include "core/dataConfig.h"
#include "ui/config/dlgLogOptions.h"
#include "ui/diag/formCfgDump.h"

#include "ScreenshotSupport.h"

#include <QDir>
#include <QPushButton>
#include <QRadioButton>

namespace mailmoat {

bool ShootPrefsDialogs(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  QDir().mkpath(outDir);
  bool ok = true;
  {
    TdlgLogOptions options({config.LoggingLevel, config.MaxLogSize, config.LogDisp}, parent);
    options.show();
    ok &= SavePicture(options, outDir + "/log-options.png");
    options.close();
  }
  {
    const TDumpWindow window{parent != nullptr ? parent->width() : config.Width,
                             parent != nullptr ? parent->height() : config.Height, config.Top, config.Left};
    TfrmCfgDump dump(config, ui, window, parent);
    dump.show();
    // The host answers the closing question without showing it, so the file is not opened.
    dump.findChild<QRadioButton*>("rbBasic")->setChecked(true);
    dump.findChild<QPushButton*>("btnCreateFile")->click();
    ok &= SavePicture(dump, outDir + "/cfg-dump.png");
    dump.close();
  }
  return ok;
}

}  // namespace mailmoat
