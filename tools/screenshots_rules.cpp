// Pictures of the rule windows: each page of the rule wizard (rule-wizard-1.png to
// rule-wizard-6.png, the last being the header window's completion page), the rule editor
// (user-rules.png) and the rules report dialog (rules-report.png).

#include "core/dataConfig.h"
#include "ui/review/dlgRulesReport.h"
#include "ui/review/formRuleBuilder.h"
#include "ui/review/formUserRules.h"

#include "ScreenshotSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <cstdio>

namespace mailmoat {

bool ShootRuleWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  bool ok = true;
  {
    TdlgBuildRule wizard(parent);
    wizard.UseRoute(TdlgBuildRule::RouteDefault);
    wizard.Restart();
    wizard.show();
    int shot = 1;
    const auto take = [&] { ok &= SavePicture(wizard, outDir + QString("/rule-wizard-%1.png").arg(shot++)); };
    take();  // welcome
    wizard.Next();
    wizard.SetSearchText("Subject: Free $$$ offer | win {now} #1");
    take();  // search text
    wizard.Next();
    wizard.findChild<QRadioButton*>("rbWhereSubject")->setChecked(true);
    take();  // rule type
    wizard.Next();
    take();  // rejection setting
    wizard.Next();
    take();  // completion, filling the editor
    wizard.UseRoute(TdlgBuildRule::RouteQuickAdd);
    wizard.Next();
    wizard.Next();
    wizard.Next();
    take();  // completion, saving the rule
    wizard.close();
  }
  {
    TfrmUserRules editor(config, ui, parent);
    editor.PrepareAdd();
    editor.findChild<QLineEdit*>("edtDesc")->setText("Free money offers");
    editor.findChild<QPlainTextEdit*>("memExp")->setPlainText("[fF][rR][eE][eE]\\s+\\$\\$\\$\\s+[oO][fF][fF][eE][rR]");
    editor.show();
    ok &= SavePicture(editor, outDir + "/user-rules.png");
    // Cancel is the way out of the editor; closing is refused.
    editor.findChild<QPushButton*>("btnCancel")->click();
  }
  {
    TdlgRulesReport report(config, ui, parent);
    report.show();
    ok &= SavePicture(report, outDir + "/rules-report.png");
    report.close();
  }
  return ok;
}

}  // namespace mailmoat
