#include "ui/common/HelpWindow.h"

#include "core/UiHost.h"
#include "ui/common/QtText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace mailmoat {

namespace {
constexpr int ContentsTopic = 10;
}

QString HelpDirectory() {
  QStringList candidates;
  const QString fromEnvironment = qEnvironmentVariable("MAILMOAT_HELP_DIR");
  if (!fromEnvironment.isEmpty()) candidates << fromEnvironment;
  // Installed: PREFIX/bin/mailmoat and PREFIX/share/mailmoat/help. In a build tree the
  // program sits in build/src and the test programs in build/tests, beside build/share.
  const QString exeDir = QCoreApplication::applicationDirPath();
  candidates << exeDir + "/../share/mailmoat/help" << exeDir + "/../../share/mailmoat/help";
  for (const QString& dir : candidates)
    if (QFileInfo::exists(dir + "/10.html")) return QDir(dir).canonicalPath();
  return {};
}

QString HelpPageFile(int topic) {
  const QString dir = HelpDirectory();
  if (dir.isEmpty()) return {};
  const QString page = QString("%1/%2.html").arg(dir).arg(topic);
  return QFileInfo::exists(page) ? page : QString("%1/%2.html").arg(dir).arg(ContentsTopic);
}

THelpWindow::THelpWindow(TUiHost& ui, QWidget* parent) : QWidget(parent, Qt::Window), Ui(ui) {
  setObjectName("frmHelp");
  setWindowTitle("Mailmoat Pro Help");
  setMinimumSize(560, 420);
  resize(640, 520);

  Browser = new QTextBrowser(this);
  Browser->setObjectName("tbHelp");
  // Pages of the help folder open here; anything else goes to the desktop's browser.
  Browser->setOpenLinks(false);
  connect(Browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    const QString scheme = url.scheme();
    if (scheme == "http" || scheme == "https" || scheme == "mailto") {
      Ui.OpenUrl(url.toString().toStdString());
      return;
    }
    // Only the help folder's own pages open here.
    const QUrl target = Browser->source().resolved(url);
    const QString dir = HelpDirectory();
    const QString file = QFileInfo(target.toLocalFile()).canonicalFilePath();
    if (target.isLocalFile() && !dir.isEmpty() && file.startsWith(dir + "/") && file.endsWith(".html"))
      Browser->setSource(target);
  });

  auto* btnContents = new QPushButton("&Contents", this);
  btnContents->setObjectName("btnContents");
  auto* btnBack = new QPushButton("&Back", this);
  btnBack->setObjectName("btnBack");
  auto* btnForward = new QPushButton("&Forward", this);
  btnForward->setObjectName("btnForward");
  auto* btnClose = new QPushButton("C&lose", this);
  btnClose->setObjectName("btnClose");
  btnBack->setEnabled(false);
  btnForward->setEnabled(false);
  connect(btnContents, &QPushButton::clicked, this, [this] { ShowTopic(ContentsTopic); });
  connect(btnBack, &QPushButton::clicked, Browser, &QTextBrowser::backward);
  connect(btnForward, &QPushButton::clicked, Browser, &QTextBrowser::forward);
  connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
  connect(Browser, &QTextBrowser::backwardAvailable, btnBack, &QPushButton::setEnabled);
  connect(Browser, &QTextBrowser::forwardAvailable, btnForward, &QPushButton::setEnabled);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnContents, btnBack, btnForward}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(btnClose);
  auto* column = new QVBoxLayout(this);
  column->addLayout(buttons);
  column->addWidget(Browser, 1);
}

void THelpWindow::ShowTopic(int topic) {
  Topic = topic;
  const QString page = HelpPageFile(topic);
  if (page.isEmpty()) {
    Browser->setHtml(
        "<h2>Help is not installed</h2><p>The help pages were not found. They belong in "
        "<tt>share/mailmoat/help</tt> beside the program's folder, or in the folder named "
        "by MAILMOAT_HELP_DIR.</p>");
  } else {
    Browser->setSource(QUrl::fromLocalFile(page));
  }
  show();
  raise();
  activateWindow();
}

}  // namespace mailmoat
