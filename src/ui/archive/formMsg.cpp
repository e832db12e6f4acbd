#include "ui/archive/formMsg.h"

#include "archive/ArchiveDate.h"
#include "archive/ArchivedMessage.h"
#include "archive/DesktopCopies.h"
#include "core/Records.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "mail/MailHeaders.h"
#include "platform/FileSystem.h"
#include "ui/common/InertHtmlView.h"
#include "ui/common/QtText.h"
#include "ui/common/ReportPrinter.h"
#include "ui/review/formHeaders.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

constexpr const char* PrintJobTitle = "Mailmoat Pro - Messsage Printout";
constexpr const char* PrintPageHeader = "Mailmoat Pro - Archived Message";

std::string JoinedBy(const std::vector<std::string>& lines, const char* separator) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += separator;
    text += lines[i];
  }
  return text;
}

std::string AddressField(const TmsAddressList& list) {
  std::vector<std::string> entries;
  for (std::size_t i = 0; i < list.Count(); ++i) entries.push_back(list[i].Name() + " " + list[i].Address());
  return JoinedBy(entries, "; ");
}

QLineEdit* ReadOnlyField(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(true);
  return edit;
}

}  // namespace

TfrmMsg::TfrmMsg(TConfigData& config, TUiHost& ui, const std::string& path, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui), Path(path) {
  setObjectName("frmMsg");
  setWindowTitle("Mailmoat Pro - ");
  setMinimumSize(550, 400);
  resize(640, 480);
  setSizeGripEnabled(true);

  edtFrom = ReadOnlyField(this, "edtFrom");
  edtTo = ReadOnlyField(this, "edtTo");
  edtCc = ReadOnlyField(this, "edtCc");
  edtSubject = ReadOnlyField(this, "edtSubject");
  lblDate = new QLabel("Sent:  ", this);
  lblDate->setObjectName("lblDate");
  lblDate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblDate->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblReason = new QLabel("(reason this message was rejected)", this);
  lblReason->setObjectName("lblReason");
  lblReason->setTextFormat(Qt::PlainText);
  lblReason->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblReason->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  btnHeaders = new QPushButton("&Headers", this);
  btnHeaders->setObjectName("btnHeaders");
  btnHeaders->setToolTip("View raw message headers");
  btnAttachment = new QPushButton("&Attachment", this);
  btnAttachment->setObjectName("btnAttachment");
  btnAttachment->setToolTip("Open message attachment (use caution!)");
  btnAttachment->setEnabled(false);
  btnSource = new QPushButton("Sou&rce", this);
  btnSource->setObjectName("btnSource");
  btnSource->setToolTip("View Message source");
  for (QPushButton* button : {btnHeaders, btnAttachment, btnSource}) button->setAutoDefault(false);
  connect(btnHeaders, &QPushButton::clicked, this, [this] { ViewHeaders(); });
  connect(btnAttachment, &QPushButton::clicked, this, [this] { OpenFirstAttachment(); });
  connect(btnSource, &QPushButton::clicked, this, [this] { ViewSource(); });

  htmlBody = new TInertHtmlView(this);
  htmlBody->setObjectName("htmlBody");
  htmlBody->setAccessibleName("Message body");
  htmlBody->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  htmlBody->setFont(QFont("Arial", 9));
  htmlBody->Document()->setDocumentMargin(5);
  htmlBody->setContextMenuPolicy(Qt::CustomContextMenu);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  CopyMessage1 = PopupMenu1->addAction("&Copy message to buffer");
  CopyMessage1->setObjectName("CopyMessage1");
  CopySelected1 = PopupMenu1->addAction("Copy &Selected text to buffer");
  CopySelected1->setObjectName("CopySelected1");
  // Not in the menu; its shortcut works wherever the window has the focus.
  SelectAll1 = new QAction("&Select All", this);
  SelectAll1->setObjectName("SelectAll1");
  SelectAll1->setShortcut(QKeySequence::SelectAll);
  addAction(SelectAll1);
  PopupMenu1->addSeparator();
  PrintFormatted1 = PopupMenu1->addAction("Print Message (&Formatted)");
  PrintFormatted1->setObjectName("PrintFormatted1");
  PrintRaw1 = PopupMenu1->addAction("Print Message (&Raw)");
  PrintRaw1->setObjectName("PrintRaw1");
  connect(CopyMessage1, &QAction::triggered, this, [this] { CopyMessage(); });
  connect(CopySelected1, &QAction::triggered, this, [this] { CopySelection(); });
  connect(SelectAll1, &QAction::triggered, this, [this] { SelectAll(); });
  connect(PrintFormatted1, &QAction::triggered, this, [this] { PrintFormatted(); });
  connect(PrintRaw1, &QAction::triggered, this, [this] { PrintRaw(); });
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
  connect(htmlBody, &QTextEdit::selectionChanged, this, [this] { UpdateActions(); });
  connect(htmlBody, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(htmlBody->viewport()->mapToGlobal(at)); });

  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(HelpTopic); });

  auto* fields = new QGridLayout;
  const auto addRow = [&](int row, const char* caption, QLineEdit* edit) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    fields->addWidget(label, row, 0);
    fields->addWidget(edit, row, 1);
  };
  addRow(0, "&From:", edtFrom);
  addRow(1, "&To:", edtTo);
  addRow(2, "&Cc:", edtCc);
  addRow(3, "S&ubject:", edtSubject);
  fields->addWidget(lblDate, 0, 2);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnHeaders);
  buttons->addWidget(btnAttachment);
  buttons->addWidget(btnSource);
  buttons->addStretch(1);
  fields->addLayout(buttons, 1, 2, 3, 1);
  fields->setColumnStretch(1, 1);

  auto* column = new QVBoxLayout(this);
  column->addLayout(fields);
  column->addWidget(lblReason);
  column->addWidget(htmlBody, 1);
  UpdateActions();
}

template <typename F>
void TfrmMsg::Guarded(const char* what, F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Config.TryLog(TLogClass::All, std::string("! ") + what + " failed. Exception: " + e.what());
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
  }
}

void TfrmMsg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Loaded) {
    Loaded = true;
    Load();
  }
}

void TfrmMsg::Load() {
  if (!FileExists(Path)) {
    Ui.MessageBox(TMsgKind::Error, "Message file does not exist:\r\n" + Path, mbOK);
    return;
  }
  Guarded("Loading the archived message", [&] {
    Ui.SetBusyCursor(true);
    struct TCursorBack {
      TUiHost& Ui;
      ~TCursorBack() { Ui.SetBusyCursor(false); }
    } cursorBack{Ui};
    Msg.LoadFromFile(Path);
    setWindowTitle(TextToQString("Mailmoat Pro - " + Msg.Subject()));
    edtFrom->setText(TextToQString(Msg.Sender.Name() + " " + Msg.Sender.Address()));
    edtTo->setText(TextToQString(AddressField(Msg.Recipients)));
    edtCc->setText(TextToQString(AddressField(Msg.CC)));
    edtSubject->setText(TextToQString(Msg.Subject()));
    for (QLineEdit* edit : {edtFrom, edtTo, edtCc, edtSubject}) edit->setCursorPosition(0);
    lblDate->setText(TextToQString(FormatMailTime(ParseMailDate(GetHeaderValue(Msg.Headers, "Date"), true))));
    lblReason->setText(TextToQString(GetHeaderValue(Msg.Headers, "X-SpamRejection3")));
    const std::string body = JoinedBy(Msg.Body, "\r\n");
    Html = IsHtmlBody(body);
    if (Html)
      htmlBody->setHtml(TextToQString(body));
    else
      htmlBody->setPlainText(TextToQString(body));
    btnAttachment->setEnabled(!Msg.Attachments.Empty());
  });
  UpdateActions();
}

void TfrmMsg::done(int result) {
  Msg.Clear();
  Loaded = false;
  QDialog::done(result);
}

void TfrmMsg::UpdateActions() {
  CopySelected1->setEnabled(htmlBody->textCursor().hasSelection());
}

void TfrmMsg::ViewHeaders() {
  Guarded("View raw message headers", [&] {
    THdrRec rec;
    rec.Reason = GetHeaderValue(Msg.Headers, "X-SpamRejection3");
    rec.Subject = Msg.Subject();
    TfrmHeaders headers(Config, rec, this);
    headers.SetHeaderText(TextToQString(JoinedBy(Msg.Headers, "\n")));
    headers.exec();
  });
}

void TfrmMsg::OpenFirstAttachment() {
  if (Msg.Attachments.Empty()) return;
  Guarded("Open message attachment", [&] {
    if (Ui.MessageBox(TMsgKind::Confirmation,
                      "Are you sure you want to open the\r\nattachment: " + Msg.Attachments[0].FileName(),
                      mbYes | mbNo) != mbYes)
      return;
    const std::string file = WriteAttachmentCopy(Msg, 0);
    // The code a Windows shell gives when no program is associated with the file.
    if (!Ui.OpenFile(file)) Ui.MessageBox(TMsgKind::Error, "Error executing ShellExec.  Error code 31", mbOK);
  });
}

void TfrmMsg::ViewSource() {
  Guarded("View Message source", [&] {
    const std::string file = WriteSourceCopy(Path);
    if (!Ui.OpenFile(file)) Ui.MessageBox(TMsgKind::Error, "Error executing ShellExec.  Error code 31", mbOK);
  });
}

void TfrmMsg::CopyMessage() {
  QApplication::clipboard()->setText(TextToQString(JoinedBy(Msg.Body, "\r\n")));
}

void TfrmMsg::CopySelection() {
  if (htmlBody->textCursor().hasSelection()) htmlBody->copy();
}

void TfrmMsg::SelectAll() {
  htmlBody->selectAll();
  UpdateActions();
}

void TfrmMsg::PreviewPrint(const std::vector<std::string>& lines) {
  Guarded("Print Message", [&] {
    QStringList text;
    for (const std::string& line : lines) text << TextToQString(line);
    PreviewLines(this, PrintPageHeader, text, false, PrintJobTitle);
  });
}

void TfrmMsg::PrintFormatted() {
  PreviewPrint(FormattedPrintLines(Msg));
}

void TfrmMsg::PrintRaw() {
  PreviewPrint(RawPrintLines(Msg));
}

void ShowArchivedMessage(TConfigData& config, TUiHost& ui, const std::string& path, QWidget* parent) {
  TfrmMsg viewer(config, ui, path, parent);
  viewer.exec();
}

}  // namespace mailmoat
