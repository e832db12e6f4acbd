#include "ui/archive/formMsgReply.h"

#include "archive/Outbound.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "mail/MailHeaders.h"
#include "mail/TmsMessage.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "ui/common/QtText.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <ctime>
#include <random>

namespace mailmoat {

namespace {

const char SetupText[] =
    "Before archived messages can be replied to, you need\r\nto configure the settings for this option first. "
    "\r\n\r\nPlease select File | Preferences to configure these settings.";

}  // namespace

TfrmMsgReply::TfrmMsgReply(TConfigData& config, TUiHost& ui, TDialUpLine line, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui), Line(std::move(line)) {
  setObjectName("frmMsgReply");
  setWindowTitle("Untitled - Message");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setSizeGripEnabled(true);
  resize(640, 480);
  Random = [](int below) {
    static std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int>(0, below - 1)(generator);
  };

  edtTo = new QLineEdit(this);
  edtTo->setObjectName("edtTo");
  edtSubject = new QLineEdit(this);
  edtSubject->setObjectName("edtSubject");
  edtFrom = new QLineEdit(this);
  edtFrom->setObjectName("edtFrom");
  edtFrom->setPlaceholderText("your address, e.g. joe@example.org");
  mmoReply = new QPlainTextEdit(this);
  mmoReply->setObjectName("mmoReply");
  mmoReply->setAccessibleName("Reply text");
  mmoReply->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* form = new QFormLayout;
  const auto row = [this, form](const char* text, const char* name, QLineEdit* edit) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setBuddy(edit);
    form->addRow(label, edit);
  };
  row("&From:", "lblFrom", edtFrom);
  row("&To:", "lblTo", edtTo);
  row("Sub&ject:", "lblSubject", edtSubject);

  auto* btnSend = new QPushButton("&Send", this);
  btnSend->setObjectName("btnSend");
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  btnSend->setAutoDefault(false);
  connect(btnSend, &QPushButton::clicked, this, [this] { Send(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          [this] { Ui.ShowHelp(HelpTopic); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnSend);
  buttons->addWidget(btnCancel);
  auto* column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addWidget(mmoReply, 1);
  column->addLayout(buttons);
  edtFrom->setFocus(Qt::OtherFocusReason);
}

bool TfrmMsgReply::Load(const std::string& path) {
  if (!FileExists(path)) {
    Ui.MessageBox(TMsgKind::Error, "Message file does not exist:\r\n" + path, mbOK);
    return false;
  }
  TmsMessage msg;
  msg.LoadFromFile(path);
  setWindowTitle(TextToQString(ReplyTitle(msg.Subject())));
  edtTo->setText(TextToQString(msg.Sender.Address()));
  edtSubject->setText(TextToQString("Re: " + msg.Subject()));
  QStringList lines;
  for (const std::string& line : ReplyQuoteLines(msg, Config.Requeue.IncHeaders)) lines << TextToQString(line);
  mmoReply->setPlainText(lines.join("\n"));
  edtFrom->setFocus(Qt::OtherFocusReason);
  return true;
}

void TfrmMsgReply::Send() {
  if (Config.Requeue.SMTPServer.empty() || Config.Requeue.SendTo.empty()) {
    Ui.MessageBox(TMsgKind::Warning, SetupText, mbOK);
    return;
  }
  // The address in a field, or nothing after telling the user and putting the focus there.
  const auto address = [this](QLineEdit* box, const char* which) {
    std::optional<std::string> found = FindReplyAddress(QStringToText(box->text()));
    if (!found) {
      Ui.MessageBox(TMsgKind::Error,
                    std::string("You need to enter a valid internet email address for the ") + which +
                        "\r\naddress to use for replying to this message.",
                    mbOK);
      box->setFocus(Qt::OtherFocusReason);
    }
    return found;
  };
  const std::optional<std::string> from = address(edtFrom, "FROM");
  if (!from) return;
  const std::optional<std::string> to = address(edtTo, "TO");
  if (!to) return;
  TSendConnection connection(Config, Line);
  if (!connection.Open(false)) return;
  std::vector<std::string> editor;
  for (const QString& line : mmoReply->toPlainText().split('\n')) editor.push_back(QStringToText(line));
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::vector<std::string> lines =
      ReplyMessageLines(QStringToText(edtTo->text()), LowerCaseAscii(*from), QStringToText(edtSubject->text()), editor,
                        local, LocalZoneText(), Random);
  std::string login, password;
  if (Config.Requeue.SMTPAuth) {
    login = Config.Requeue.SMTPLogin;
    password = Config.Requeue.SMTPPassword;
  }
  TSmtpOptions options = SmtpOptionsOf(Config);
  options.ProcessMessages = [this] { Ui.ProcessMessages(); };
  options.TimeOut = 60;
  if (!SendMail(LowerCaseAscii(*from), *to, Config.Requeue.SMTPServer, lines, login, password, options)) {
    Ui.MessageBox(TMsgKind::Error,
                  "An error occurred trying to send this message. Check the log\r\nfile for more details.", mbOK);
    return;
  }
  accept();
}

void ShowReply(TConfigData& config, TUiHost& ui, const TDialUpLine& line, const std::string& path, QWidget* parent) {
  TfrmMsgReply reply(config, ui, line, parent);
  if (!reply.Load(path)) return;
  reply.exec();
}

}  // namespace mailmoat
