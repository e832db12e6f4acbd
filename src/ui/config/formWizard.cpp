#include "ui/config/formWizard.h"

#include "core/Autostart.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "diag/ConfigDump.h"
#include "ui/config/prefs/AccountsPage.h"
#include "ui/config/prefs/ApprovedSendersPage.h"
#include "ui/config/prefs/BlacklistsPage.h"
#include "ui/config/prefs/FilterRulesPage.h"
#include "ui/config/prefs/MiscPage.h"
#include "ui/config/prefs/NetworkPage.h"
#include "ui/config/prefs/NotificationsPage.h"
#include "ui/config/prefs/RequeuePage.h"
#include "ui/config/prefs/SpamCopPage.h"
#include "ui/config/prefs/ValidAddressesPage.h"
#include "ui/diag/formCfgDump.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace mailmoat {

namespace {

constexpr int PageCount = static_cast<int>(TfrmWizard::HelpTopics.size());

const char* const PageCaptions[PageCount] = {
    "Accounts",      "Valid Addresses",        "Approved Senders", "Filter Rules", "Blacklist Lookups",
    "Notifications", "Requeue/Reply Settings", "SpamCop",          "Network",      "Misc",
};

constexpr const char* SaveFirstText = "Save your changes first?";

}  // namespace

TfrmWizard::TfrmWizard(TConfigData& config, TUiHost& ui, QWidget* parent) : QDialog(parent), Config(config), Ui(ui) {
  setObjectName("frmWizard");
  setWindowTitle("Mailmoat Pro Preferences");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumSize(720, 500);

  Ui.SetBusyCursor(true);
  Data = LoadPreferences(Config);
  Context = std::make_unique<TPrefsPageContext>(TPrefsPageContext{Config, Ui, Data, [this] { MarkChanged(); }});

  lbPages = new QListWidget(this);
  lbPages->setObjectName("lbPages");
  lbPages->setAccessibleName("Preferences pages");
  lbPages->setSpacing(2);
  for (const char* caption : PageCaptions) lbPages->addItem(caption);
  lbPages->setFixedWidth(lbPages->sizeHintForColumn(0) + 2 * lbPages->frameWidth() + 16);
  pgctrlPreferences = new QStackedWidget(this);
  pgctrlPreferences->setObjectName("pgctrlPreferences");
  auto* accounts = new TAccountsPage(*Context, pgctrlPreferences);
  Pages = {accounts,
           new TValidAddressesPage(*Context, pgctrlPreferences),
           new TApprovedSendersPage(*Context, pgctrlPreferences),
           new TFilterRulesPage(*Context, pgctrlPreferences),
           new TBlacklistsPage(*Context, pgctrlPreferences),
           new TNotificationsPage(*Context, pgctrlPreferences),
           new TRequeuePage(*Context, pgctrlPreferences),
           new TSpamCopPage(*Context, pgctrlPreferences),
           new TNetworkPage(*Context, pgctrlPreferences),
           new TMiscPage(
               *Context, [this] { OpenConfigDump(); }, pgctrlPreferences)};
  for (QWidget* page : Pages) pgctrlPreferences->addWidget(page);
  connect(lbPages, &QListWidget::currentRowChanged, pgctrlPreferences, &QStackedWidget::setCurrentIndex);

  auto* btnOk = new QPushButton("OK", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  auto* btnHelp = new QPushButton("&Help", this);
  btnHelp->setObjectName("btnHelp");
  for (QPushButton* b : {btnCancel, btnHelp}) b->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, [this] { Ok(); });
  connect(btnCancel, &QPushButton::clicked, this, &TfrmWizard::reject);
  const auto help = [this] { Ui.ShowHelp(HelpTopics[static_cast<std::size_t>(pgctrlPreferences->currentIndex())]); };
  connect(btnHelp, &QPushButton::clicked, this, help);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, help);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  buttons->addWidget(btnHelp);

  auto* body = new QHBoxLayout;
  body->addWidget(lbPages);
  body->addWidget(pgctrlPreferences, 1);
  auto* column = new QVBoxLayout(this);
  column->addLayout(body, 1);
  column->addLayout(buttons);

  // The dialog sees the page keys before its controls, a spin box's Page Up included.
  qApp->installEventFilter(this);
  lbPages->setCurrentRow(0);
  accounts->ProfileList()->setFocus(Qt::OtherFocusReason);
  Data.Changed = false;
  Ui.SetBusyCursor(false);
}

TfrmWizard::~TfrmWizard() = default;

void TfrmWizard::MarkChanged() {
  Data.Changed = true;
}

void TfrmWizard::ShowPage(TPrefsPage page) {
  lbPages->setCurrentRow(static_cast<int>(page));
}

TPrefsPage TfrmWizard::CurrentPage() const {
  return static_cast<TPrefsPage>(pgctrlPreferences->currentIndex());
}

void TfrmWizard::StepPage(int by) {
  lbPages->setCurrentRow((pgctrlPreferences->currentIndex() + by + PageCount) % PageCount);
}

bool TfrmWizard::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::ControlModifier && (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
      StepPage(key->key() == Qt::Key_PageDown ? 1 : -1);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmWizard::Save() {
  std::optional<TPrefsFault> fault;
  const bool saved = SavePreferences(Config, Data, RunningProgram(), AutostartFolder(std::getenv), &fault);
  for (TPrefsSheet* page : Pages) page->ShowSaved();
  if (fault) {
    ShowPage(fault->Page);
    if (QLineEdit* box = Pages[static_cast<std::size_t>(fault->Page)]->FieldBox(fault->Field)) {
      box->selectAll();
      box->setFocus(Qt::OtherFocusReason);
    }
  }
  if (!saved) return false;
  SavedChanges = true;
  // What the dialog shows is now what is stored.
  Data.Changed = false;
  return true;
}

void TfrmWizard::Ok() {
  if (Save()) done(Accepted);
}

void TfrmWizard::reject() {
  if (Data.Changed) {
    switch (Ui.MessageBox(TMsgKind::Confirmation, SaveFirstText, mbYes | mbNo | mbCancel)) {
      case mbYes:
        if (Save()) done(Accepted);
        return;
      case mbNo: break;
      default: return;
    }
  }
  DiscardPreferences(Config, Data);
  done(Rejected);
}

void TfrmWizard::OpenConfigDump() {
  if (Data.Changed) {
    if (Ui.MessageBox(TMsgKind::Confirmation, SaveFirstText, mbYes | mbNo) == mbYes) {
      // The dump reports what is stored; after a refused save it would not.
      if (!Save()) return;
    } else if (Ui.MessageBox(TMsgKind::Confirmation, "Abort Configuration Dump?", mbYes | mbNo) == mbYes) {
      return;
    }
  }
  // The report tells where the main window stands.
  const QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
  const TDumpWindow window = main ? TDumpWindow{main->width(), main->height(), main->y(), main->x()}
                                  : TDumpWindow{Config.Width, Config.Height, Config.Top, Config.Left};
  ShowConfigDump(Config, Ui, window, this);
}

bool ShowPreferences(TConfigData& config, TUiHost& ui, QWidget* parent) {
  TfrmWizard dialog(config, ui, parent);
  dialog.exec();
  return dialog.Saved();
}

}  // namespace mailmoat
