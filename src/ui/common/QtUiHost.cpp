#include "ui/common/QtUiHost.h"

#include "ui/common/QtText.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace mailmoat {

// The busy dialog: a caption and a progress bar, shown only when its operation is still
// running a second after BusyShow, so that quick operations never flash a window.
class TBusyDialog : public QDialog {
public:
  TBusyDialog() : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("dlgWorking");
    setWindowTitle("Mailmoat Pro");
    setMinimumSize(250, 50);
    Caption = new QLabel(this);
    Caption->setObjectName("lblCaption");
    Progress = new QProgressBar(this);
    Progress->setObjectName("pbWorking");
    Progress->setTextVisible(false);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Caption);
    column->addWidget(Progress);
    Delay.setSingleShot(true);
    Delay.setInterval(1000);
    QObject::connect(&Delay, &QTimer::timeout, this, [this] { show(); });
  }

  QLabel* Caption;
  QProgressBar* Progress;
  QTimer Delay;
};

namespace {

QMessageBox::Icon IconOf(TMsgKind kind) {
  switch (kind) {
    case TMsgKind::Information: return QMessageBox::Information;
    case TMsgKind::Warning: return QMessageBox::Warning;
    case TMsgKind::Error: return QMessageBox::Critical;
    case TMsgKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

struct TButtonMap {
  TMsgButton Ours;
  QMessageBox::StandardButton Qt;
};

constexpr TButtonMap Buttons[] = {
    {mbOK, QMessageBox::Ok},       {mbCancel, QMessageBox::Cancel}, {mbYes, QMessageBox::Yes},
    {mbNo, QMessageBox::No},       {mbHelp, QMessageBox::Help},     {mbAbort, QMessageBox::Abort},
    {mbRetry, QMessageBox::Retry}, {mbIgnore, QMessageBox::Ignore},
};

// Box texts are written with "\r\n" line breaks.
QString BoxText(const std::string& text) {
  return TextToQString(text).replace("\r\n", "\n");
}

// The button a box without a default gives the focus to: OK, else No, else Cancel, else the first.
TMsgButton FallbackDefault(TMsgButtons buttons) {
  for (TMsgButton b : {mbOK, mbNo, mbCancel})
    if ((buttons & b) != 0) return b;
  for (const TButtonMap& map : Buttons)
    if ((buttons & map.Ours) != 0) return map.Ours;
  return mbOK;
}

}  // namespace

TQtUiHost::TQtUiHost() = default;

TQtUiHost::~TQtUiHost() {
  for (auto& [id, timer] : Timers) delete timer;
}

TMsgButton TQtUiHost::MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext,
                                 const std::string& caption, TMsgButton defaultButton) {
  bool ignored = false;
  return ShowBox(kind, text, buttons, helpContext, caption, defaultButton, nullptr, ignored);
}

TMsgButton TQtUiHost::MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons, bool& dontAskAgain,
                                        const std::string& caption, TMsgButton defaultButton) {
  dontAskAgain = false;
  return ShowBox(kind, text, buttons, 0, caption, defaultButton, "&Don't ask me this again.", dontAskAgain);
}

TMsgButton TQtUiHost::ShowBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext,
                              const std::string& caption, TMsgButton defaultButton, const char* checkText,
                              bool& checked) {
  if (buttons == mbNone) buttons = mbOK;
  const TMsgButton focus =
      defaultButton != mbNone && (buttons & defaultButton) != 0 ? defaultButton : FallbackDefault(buttons);
  // QMessageBox closes on Help: show the topic and the same box again until another button.
  for (;;) {
    QMessageBox box(IconOf(kind), caption.empty() ? QString("Mailmoat Pro") : TextToQString(caption), BoxText(text),
                    QMessageBox::NoButton, ParentWindow != nullptr ? ParentWindow : QApplication::activeWindow());
    box.setObjectName("MessageBox");
    // Box texts quote server replies and message headers: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    for (const TButtonMap& map : Buttons) {
      if ((buttons & map.Ours) == 0) continue;
      QPushButton* button = box.addButton(map.Qt);
      if (map.Ours == focus) box.setDefaultButton(button);
    }
    QCheckBox* check = nullptr;
    if (checkText != nullptr) {
      check = new QCheckBox(checkText, &box);
      check->setObjectName("cbDontAsk");
      check->setChecked(checked);
      box.setCheckBox(check);
    }
    box.exec();
    if (check != nullptr) checked = check->isChecked();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    if (pressed == QMessageBox::Help) {
      ShowHelp(helpContext);
      continue;
    }
    for (const TButtonMap& map : Buttons)
      if (map.Qt == pressed) return map.Ours;
    // Closed by Escape or the title bar: Cancel or No when the box has one, else its default.
    for (TMsgButton b : {mbCancel, mbNo})
      if ((buttons & b) != 0) return b;
    return focus;
  }
}

TBusyDialog& TQtUiHost::Busy() {
  if (!BusyBox) BusyBox = std::make_unique<TBusyDialog>();
  return *BusyBox;
}

QWidget* TQtUiHost::BusyDialog() const {
  return BusyBox.get();
}

void TQtUiHost::BusySetCaption(const std::string& caption) {
  Busy().Caption->setText(TextToQString(caption));
}

void TQtUiHost::BusySetMax(std::int64_t max) {
  // QProgressBar counts in int; a larger maximum (a big log file) is scaled down.
  TBusyDialog& busy = Busy();
  Scale = 1;
  while (max / Scale > 1'000'000'000) Scale *= 1024;
  busy.Progress->setRange(0, static_cast<int>(max / Scale));
}

void TQtUiHost::BusySetPosition(std::int64_t position) {
  TBusyDialog& busy = Busy();
  busy.Progress->setValue(static_cast<int>(std::min<std::int64_t>(position / Scale, busy.Progress->maximum())));
}

void TQtUiHost::BusyShow() {
  TBusyDialog& busy = Busy();
  if (!busy.isVisible() && !busy.Delay.isActive()) busy.Delay.start();
}

void TQtUiHost::BusyStep() {
  TBusyDialog& busy = Busy();
  busy.Progress->setValue(std::min(busy.Progress->value() + 1, busy.Progress->maximum()));
}

void TQtUiHost::BusyHide() {
  if (!BusyBox) return;
  BusyBox->Delay.stop();
  BusyBox->hide();
}

void TQtUiHost::SetBusyCursor(bool busy) {
  if (busy) {
    ++CursorDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (CursorDepth > 0) {
    --CursorDepth;
    QApplication::restoreOverrideCursor();
  }
}

void TQtUiHost::ProcessMessages() {
  QCoreApplication::processEvents();
}

int TQtUiHost::StartTimer(int intervalMs, std::function<void()> callback) {
  const int id = NextTimerId++;
  auto* timer = new QTimer;
  timer->setInterval(intervalMs);
  auto running = std::make_shared<bool>(false);
  QObject::connect(timer, &QTimer::timeout, [this, running, callback = std::move(callback)] {
    // A tick that comes while the last one still runs (its error box is open, or it lets
    // events through) is skipped, so ticks never pile up inside each other.
    if (*running) return;
    *running = true;
    // Nothing may leave a Qt event handler: the failure is logged and shown.
    try {
      callback();
    } catch (const std::exception& e) {
      if (ErrorSink) ErrorSink(e.what());
      MessageBox(TMsgKind::Error, e.what(), mbOK);
    }
    *running = false;
  });
  Timers[id] = timer;
  timer->start();
  return id;
}

void TQtUiHost::StopTimer(int id) {
  auto it = Timers.find(id);
  if (it == Timers.end()) return;
  // May run inside the timer's own callback: delete it once that has returned.
  it->second->stop();
  it->second->deleteLater();
  Timers.erase(it);
}

bool TQtUiHost::OpenFile(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool TQtUiHost::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(TextToQString(url)));
}

bool TQtUiHost::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
  bool ok = false;
  const QString answer = QInputDialog::getText(ParentWindow != nullptr ? ParentWindow : QApplication::activeWindow(),
                                               TextToQString(caption), TextToQString(prompt), QLineEdit::Normal,
                                               TextToQString(value), &ok);
  if (!ok) return false;
  value = QStringToText(answer);
  return true;
}

void TQtUiHost::ShowHelp(int helpContext) {
  if (HelpHandler) HelpHandler(helpContext);
}

}  // namespace mailmoat
