#include "ui/review/formHeaders.h"

#include "check/HdrReview.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/common/ReportPrinter.h"

#include <QAction>
#include <QFontDatabase>
#include <QLabel>
#include <QMarginsF>
#include <QMenu>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

namespace mailmoat {

TfrmHeaders::TfrmHeaders(TConfigData& config, const THdrRec& rec, QWidget* parent)
    : QDialog(parent), Config(config), Rec(rec) {
  setObjectName("frmHeaders");
  setWindowTitle("Mailmoat Pro - View Message Headers");
  setMinimumSize(464, 293);
  setSizeGripEnabled(true);

  mHdrs = new QPlainTextEdit(this);
  mHdrs->setObjectName("mHdrs");
  mHdrs->setReadOnly(true);
  mHdrs->setLineWrapMode(QPlainTextEdit::NoWrap);
  mHdrs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mHdrs->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Selected by keyboard too, as read-only text otherwise takes no cursor keys.
  mHdrs->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  mHdrs->setContextMenuPolicy(Qt::CustomContextMenu);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  auto* panel = new QLabel(StatusBar1);
  panel->setObjectName("lblStatus");
  panel->setMinimumWidth(200);
  StatusBar1->addWidget(panel, 1);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  CreateRule1 = PopupMenu1->addAction("Create Rule from Selected Text");
  CreateRule1->setObjectName("CreateRule1");
  CreateRule1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  PrintHeaders1 = PopupMenu1->addAction("&Print Headers");
  PrintHeaders1->setObjectName("PrintHeaders1");
  PrintHeaders1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  // The shortcuts work without opening the menu.
  addAction(CreateRule1);
  addAction(PrintHeaders1);
  connect(CreateRule1, &QAction::triggered, this, [this] { CreateRuleFromSelection(); });
  connect(PrintHeaders1, &QAction::triggered, this, [this] { PrintHeaders(); });
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
  connect(mHdrs, &QPlainTextEdit::selectionChanged, this, [this] { UpdateActions(); });
  connect(mHdrs, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(mHdrs->viewport()->mapToGlobal(at)); });

  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Config.Ui.ShowHelp(HelpTopic); });

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(mHdrs, 1);
  column->addWidget(StatusBar1);
  UpdateActions();
}

void TfrmHeaders::SetHeaderText(const QString& text) {
  mHdrs->setPlainText(text);
  UpdateActions();
}

QString TfrmHeaders::StatusText() const {
  return TextToQString(HeaderWindowStatus(Rec.Reason, QStringToText(OpenerStatus)));
}

void TfrmHeaders::showEvent(QShowEvent* event) {
  findChild<QLabel*>("lblStatus")->setText(StatusText());
  QDialog::showEvent(event);
}

QString TfrmHeaders::SelectedText() const {
  QString text = mHdrs->textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, '\n');
  text.replace(QChar::LineSeparator, '\n');
  return text;
}

void TfrmHeaders::UpdateActions() {
  CreateRule1->setEnabled(mHdrs->textCursor().hasSelection());
}

template <typename F>
void TfrmHeaders::Guarded(const char* what, F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Config.TryLog(TLogClass::All, std::string("! ") + what + " failed. Exception: " + e.what());
    Config.Ui.MessageBox(TMsgKind::Error, std::string(what) + " failed: " + e.what(), mbOK);
  }
}

void TfrmHeaders::CreateRuleFromSelection() {
  UpdateActions();
  if (!CreateRule1->isEnabled() || !OnCreateRule) return;
  const QString text = SelectedText();
  Guarded("Create Rule from Selected Text", [&] { OnCreateRule(text); });
}

void TfrmHeaders::PrintHeaders() {
  Guarded("Print Headers", [&] {
    QPrinter printer;
    printer.setPageMargins(QMarginsF(25.4, 25.4, 25.4, 25.4), QPageLayout::Millimeter);
    if (ChoosePrinter) {
      if (!ChoosePrinter(printer)) return;
    } else {
      QPrintDialog dialog(&printer, this);
      if (dialog.exec() != QDialog::Accepted) return;
    }
    PrintLines(printer, "Mailmoat Pro - Message Headers", mHdrs->toPlainText().split('\n'), true);
  });
}

}  // namespace mailmoat
