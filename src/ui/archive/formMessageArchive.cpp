#include "ui/archive/formMessageArchive.h"

#include "archive/Outbound.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "mail/TmsMessage.h"
#include "platform/AsciiText.h"
#include "ui/archive/formMsgReply.h"
#include "ui/common/QtText.h"
#include "ui/common/ReportPrinter.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDate>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <ctime>
#include <fstream>

namespace mailmoat {

namespace {

constexpr const char* ListTitle = "Mailmoat Pro - Message Archive";
constexpr int PrintRowsPerPage = 48;
// Where the window stood and how large it was, kept between runs.
constexpr const char* PlacementKey = "Settings";
constexpr const char* PlacementNames[] = {"ArchiveLeft", "ArchiveTop", "ArchiveWidth", "ArchiveHeight"};

// The order of the list outlives the window, as the user left it.
TArchiveSort& SharedSort() {
  static TArchiveSort sort;
  return sort;
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

// "Delete Archived Messages by Date": the day before which every listed message goes.
std::optional<QDate> AskDeleteDate(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setObjectName("dlgDeleteByDate");
  dialog.setWindowTitle("Delete Archived Messages by Date");
  auto* text = new QLabel("Enter or select a date below that you want ALL messages older than to be deleted.", &dialog);
  text->setWordWrap(true);
  auto* date = new QDateEdit(QDate::currentDate(), &dialog);
  date->setObjectName("dtpDate");
  date->setCalendarPopup(true);
  date->setDisplayFormat("dd MMM yyyy");
  auto* form = new QFormLayout;
  auto* caption = new QLabel("&Delete messages before:", &dialog);
  caption->setBuddy(date);
  form->addRow(caption, date);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* column = new QVBoxLayout(&dialog);
  column->addWidget(text);
  column->addLayout(form);
  column->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return date->date();
}

}  // namespace

template <typename F>
void TfrmMsgArchive::Guarded(const char* what, F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Ui.SetBusyCursor(false);
    Ui.BusyHide();
    Config.TryLog(TLogClass::All, std::string("! ") + what + " failed. Exception: " + e.what());
    Ui.MessageBox(TMsgKind::Error, std::string(what) + " failed: " + e.what(), mbOK);
  }
}

TfrmMsgArchive::TfrmMsgArchive(TConfigData& config, TUiHost& ui, TDialUpLine line, TArchiveWindows windows,
                               QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui), Line(std::move(line)), Windows(std::move(windows)) {
  setObjectName("frmMsgArchive");
  setWindowTitle(ListTitle);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setSizeGripEnabled(true);
  resize(900, 480);

  cbProfiles = new QComboBox(this);
  cbProfiles->setObjectName("cbProfiles");
  cbProfiles->setMinimumContentsLength(24);
  auto* lblProfiles = new QLabel("&Profile:", this);
  lblProfiles->setBuddy(cbProfiles);

  lvMessages = new QTreeWidget(this);
  lvMessages->setObjectName("lvMessages");
  lvMessages->setAccessibleName("Archived messages");
  lvMessages->setRootIsDecorated(false);
  lvMessages->setUniformRowHeights(true);
  lvMessages->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvMessages->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvMessages->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvMessages->setHeaderLabels({"Dated", "From", "To", "Subject", "Rejection Reason"});
  const int widths[] = {160, 170, 150, 260, 200};
  for (int i = 0; i < 5; ++i) lvMessages->setColumnWidth(i, widths[i]);
  lvMessages->header()->setSectionsClickable(true);
  lvMessages->header()->setSortIndicatorShown(true);
  lvMessages->setContextMenuPolicy(Qt::CustomContextMenu);
  lvMessages->installEventFilter(this);

  const auto button = [this](const char* text, const char* name, void (TfrmMsgArchive::*command)()) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, command] { (this->*command)(); });
    return b;
  };
  auto* btnDeleteSelected = button("&Delete Selected", "btnDeleteSelected", &TfrmMsgArchive::DeleteSelected);
  auto* btnDeleteAll = button("Delete &All", "btnDeleteAll", &TfrmMsgArchive::DeleteAll);
  auto* btnRequeue = button("Re-&Queue", "btnRequeue", &TfrmMsgArchive::Requeue);
  auto* btnReply = button("&Reply", "btnReply", &TfrmMsgArchive::Reply);
  btnSpamCop = button("&SpamCop", "btnSpamCop", &TfrmMsgArchive::SpamCop);
  auto* btnHelp = new QPushButton("&Help", this);
  btnHelp->setObjectName("btnHelp");
  btnHelp->setAutoDefault(false);
  connect(btnHelp, &QPushButton::clicked, this, [this] { Ui.ShowHelp(HelpTopic); });
  auto* btnClose = new QPushButton("&Close", this);
  btnClose->setObjectName("btnClose");
  btnClose->setAutoDefault(false);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

  pmMessages = new QMenu(this);
  pmMessages->setObjectName("pmMessages");
  MenuItem("&View Message", "mnuViewMessage", QKeySequence(Qt::Key_F12), &TfrmMsgArchive::ViewMessage);
  MenuItem("View Message S&ource", "mnuViewSource", QKeySequence(Qt::SHIFT | Qt::Key_F12), &TfrmMsgArchive::ViewSource);
  pmMessages->addSeparator();
  MenuItem("&Delete Message(s)", "mnuDeleteMessages", QKeySequence(Qt::Key_Delete), &TfrmMsgArchive::DeleteMessages);
  MenuItem("Delete &by Date", "mnuDeleteByDate", QKeySequence(Qt::SHIFT | Qt::Key_Delete),
           &TfrmMsgArchive::DeleteByDate);
  MenuItem("D&elete All", "mnuDeleteAll", QKeySequence("Ctrl+Alt+D"), &TfrmMsgArchive::DeleteAll);
  pmMessages->addSeparator();
  MenuItem("Re&queue Selected Message", "mnuRequeue", QKeySequence("Ctrl+R"), &TfrmMsgArchive::Requeue);
  MenuItem("Reply to Selected Message", "mnuReply", QKeySequence("Ctrl+Alt+R"), &TfrmMsgArchive::Reply);
  MenuItem("SpamCop &Complaint", "mnuSpamCop", QKeySequence("Ctrl+Alt+C"), &TfrmMsgArchive::SpamCop);
  MenuItem("&Add to Approved Senders", "mnuAddApproved", QKeySequence(Qt::Key_Insert),
           &TfrmMsgArchive::AddToApprovedSenders);
  pmMessages->addSeparator();
  QAction* selectAll = pmMessages->addAction("&Select All");
  selectAll->setObjectName("mnuSelectAll");
  selectAll->setShortcut(QKeySequence::SelectAll);
  connect(selectAll, &QAction::triggered, lvMessages, &QTreeWidget::selectAll);
  addAction(selectAll);
  MenuItem("&Refresh", "mnuRefresh", QKeySequence(Qt::Key_F5), &TfrmMsgArchive::List);
  pmMessages->addSeparator();
  QAction* print = pmMessages->addAction("&Print Message List");
  print->setObjectName("mnuPrintList");
  print->setShortcut(QKeySequence("Ctrl+P"));
  connect(print, &QAction::triggered, this, [this] { PrintList(false); });
  addAction(print);
  QAction* preview = pmMessages->addAction("Print Previe&w");
  preview->setObjectName("mnuPrintPreview");
  preview->setShortcut(QKeySequence("Ctrl+V"));
  connect(preview, &QAction::triggered, this, [this] { PrintList(true); });
  addAction(preview);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          [this] { Ui.ShowHelp(HelpTopic); });

  auto* top = new QHBoxLayout;
  top->addWidget(lblProfiles);
  top->addWidget(cbProfiles);
  top->addStretch(1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnDeleteSelected, btnDeleteAll, btnRequeue, btnReply, btnSpamCop}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(btnHelp);
  buttons->addWidget(btnClose);
  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addWidget(lvMessages, 1);
  column->addLayout(buttons);

  std::optional<std::int32_t> placement[4];
  for (int i = 0; i < 4; ++i) placement[i] = Config.Registry.ReadInteger(PlacementKey, PlacementNames[i]);
  if (placement[0] && placement[1] && placement[2] && placement[3] && *placement[2] > 200 && *placement[3] > 150)
    setGeometry(*placement[0], *placement[1], *placement[2], *placement[3]);

  btnSpamCop->setEnabled(!Config.SpamCop.ReportAddress.empty() && !Config.SpamCop.FromAddress.empty() &&
                         !Config.Requeue.SMTPServer.empty());
  SharedSort().Reset();
  FillProfiles();
  connect(cbProfiles, &QComboBox::currentIndexChanged, this, [this] { List(); });
  connect(lvMessages, &QTreeWidget::itemDoubleClicked, this, [this] { ViewMessage(); });
  connect(lvMessages->header(), &QHeaderView::sectionClicked, this, [this](int section) { SortBy(section); });
  connect(lvMessages, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { pmMessages->popup(lvMessages->viewport()->mapToGlobal(at)); });
}

void TfrmMsgArchive::done(int result) {
  const int values[] = {geometry().x(), geometry().y(), width(), height()};
  try {
    for (int i = 0; i < 4; ++i) Config.Registry.WriteInteger(PlacementKey, PlacementNames[i], values[i]);
  } catch (const EInOutError&) {
    // Where the window stood is a convenience, never a reason to keep it open.
  }
  QDialog::done(result);
}

bool TfrmMsgArchive::eventFilter(QObject* watched, QEvent* event) {
  // The list takes the Delete key as its own; here it deletes the selected messages.
  if (watched == lvMessages && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
      DeleteMessages();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

QAction* TfrmMsgArchive::MenuItem(const char* text, const char* name, const QKeySequence& keys,
                                  void (TfrmMsgArchive::*command)()) {
  QAction* action = pmMessages->addAction(text);
  action->setObjectName(name);
  action->setShortcut(keys);
  connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
  // The window's own keys, also while the menu is closed.
  addAction(action);
  return action;
}

void TfrmMsgArchive::FillProfiles() {
  Sources = ArchiveSources(Config);
  const QSignalBlocker block(cbProfiles);
  cbProfiles->clear();
  for (const TArchiveSource& source : Sources) cbProfiles->addItem(TextToQString(source.ProfileName));
  if (Sources.size() >= 2) cbProfiles->addItem("All profiles");
  cbProfiles->setCurrentIndex(cbProfiles->count() - 1);
}

bool TfrmMsgArchive::AllProfiles() const {
  return cbProfiles->count() >= 2 && cbProfiles->currentIndex() == cbProfiles->count() - 1;
}

void TfrmMsgArchive::UpdateTitle(bool listing) {
  setWindowTitle(listing ? QString(ListTitle)
                         : QString("%1 [%2 messages listed]").arg(ListTitle).arg(static_cast<int>(Listed.size())));
}

void TfrmMsgArchive::List() {
  if (Sources.empty()) return;
  Guarded("Listing the archive", [this] {
    Listed.clear();
    UpdateTitle(true);
    TArchiveScan scan;
    scan.Begin = [this](const std::string& caption, std::size_t files) {
      Ui.BusySetCaption(caption);
      Ui.BusySetMax(static_cast<std::int64_t>(files));
      Ui.BusySetPosition(0);
      Ui.BusyShow();
    };
    scan.Step = [this] { Ui.BusyStep(); };
    scan.Failed = [this](const std::string& message) { Ui.MessageBox(TMsgKind::Error, message, mbOK); };
    Ui.SetBusyCursor(true);
    try {
      if (AllProfiles()) {
        Listed = ListAllArchives(Sources, scan);
      } else {
        const int index = std::max(0, cbProfiles->currentIndex());
        Listed = ListArchiveFolder(Sources[static_cast<std::size_t>(index)].Folder, scan);
      }
    } catch (const EInOutError& e) {
      Ui.BusyHide();
      Ui.SetBusyCursor(false);
      ShowRows();
      Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
      return;
    }
    Ui.BusyHide();
    SharedSort().Repeat();
    ShowRows();
    Ui.SetBusyCursor(false);
  });
}

void TfrmMsgArchive::SortBy(int column) {
  SharedSort().Click(column);
  ShowRows();
}

void TfrmMsgArchive::ShowRows() {
  const TArchiveSort& sort = SharedSort();
  sort.Sort(Listed);
  lvMessages->clear();
  QList<QTreeWidgetItem*> items;
  for (std::size_t i = 0; i < Listed.size(); ++i) {
    const TArchiveRow& row = Listed[i];
    auto* item = new QTreeWidgetItem({TextToQString(row.DatedText), TextToQString(row.From), TextToQString(row.To),
                                      TextToQString(row.Subject), TextToQString(row.Reason)});
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    items << item;
  }
  lvMessages->addTopLevelItems(items);
  lvMessages->header()->setSortIndicator(sort.SortColumn,
                                         sort.SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
  UpdateTitle(false);
}

std::vector<TArchiveRow> TfrmMsgArchive::SelectedRows() const {
  std::vector<TArchiveRow> rows;
  for (int i = 0; i < lvMessages->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lvMessages->topLevelItem(i);
    if (item->isSelected()) rows.push_back(Listed[item->data(0, Qt::UserRole).toULongLong()]);
  }
  return rows;
}

void TfrmMsgArchive::ViewMessage() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty() || !Windows.ViewMessage) return;
  Guarded("View Message", [&] { Windows.ViewMessage(rows.front().File.string(), this); });
}

void TfrmMsgArchive::ViewSource() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty() || !Windows.ViewSource) return;
  Guarded("View Message Source", [&] { Windows.ViewSource(rows.front().File.string()); });
}

void TfrmMsgArchive::DeleteFiles(const std::vector<TPath>& files, const std::string& caption) {
  Ui.BusySetCaption(caption);
  Ui.BusySetMax(static_cast<std::int64_t>(files.size()));
  Ui.BusySetPosition(0);
  Ui.BusyShow();
  for (const TPath& file : files) {
    if (Config.LoggingLevel == LogLevel::Verbose || Config.LoggingLevel == LogLevel::Debug)
      Config.TryWriteLog("# Deleting archived message in file " + file.string());
    DeleteArchiveFile(file);
    Ui.BusyStep();
  }
  Ui.BusyHide();
}

void TfrmMsgArchive::DeleteMessages() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty()) return;
  if (rows.size() >= 2) {
    DeleteSelected();
    return;
  }
  const TArchiveRow& row = rows.front();
  const std::string question =
      "Delete this archived Message?\r\n\r\nFrom: " + row.From + "\r\nTo: " + row.To + "\r\nSubject: " + row.Subject;
  if (Ui.MessageBox(TMsgKind::Confirmation, question, mbYes | mbNo) != mbYes) return;
  Guarded("Delete Message", [&] { DeleteArchiveFile(row.File); });
  List();
}

void TfrmMsgArchive::DeleteSelected() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty()) return;
  if (Ui.MessageBox(TMsgKind::Confirmation, "Delete ALL selected messages?", mbYes | mbNo) != mbYes) return;
  std::vector<TPath> files;
  for (const TArchiveRow& row : rows) files.push_back(row.File);
  Guarded("Delete Selected", [&] { DeleteFiles(files, "Deleting messages..."); });
  List();
}

void TfrmMsgArchive::DeleteByDate() {
  if (Listed.empty()) return;
  const std::optional<QDate> date = AskDeleteDate(this);
  if (!date) return;
  const TMailTime before = EncodeMailTime(date->year(), date->month(), date->day());
  Guarded("Delete by Date", [&] { DeleteFiles(FilesDatedBefore(Listed, before), "Processing deletions ..."); });
  List();
}

void TfrmMsgArchive::DeleteAll() {
  if (Ui.MessageBox(TMsgKind::Confirmation, "Delete ALL archived messages listed?", mbYes | mbNo) != mbYes) return;
  std::vector<TPath> files;
  for (const TArchiveRow& row : Listed) files.push_back(row.File);
  Guarded("Delete All", [&] { DeleteFiles(files, "Deleting messages..."); });
  accept();
}

TSmtpOptions TfrmMsgArchive::SendOptions() const {
  TSmtpOptions options = SmtpOptionsOf(Config);
  options.ProcessMessages = [this] { Ui.ProcessMessages(); };
  options.TimeOut = 60;
  return options;
}

void TfrmMsgArchive::Requeue() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty()) return;
  bool deleted = false;
  Guarded("Requeue", [&] { deleted = RequeueSelected(Config, Line, rows, SendOptions()); });
  if (deleted) List();
}

void TfrmMsgArchive::SpamCop() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty()) return;
  Guarded("SpamCop Complaint",
          [&] { ForwardSelectedToSpamCop(Config, Line, rows, SendOptions(), MailDay(MailTimeOf(LocalNow()))); });
}

void TfrmMsgArchive::Reply() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty()) return;
  Guarded("Reply", [&] { ShowReply(Config, Ui, Line, rows.front().File.string(), this); });
}

void TfrmMsgArchive::AddToApprovedSenders() {
  const std::vector<TArchiveRow> rows = SelectedRows();
  if (rows.empty()) return;
  Guarded("Add to Approved Senders", [&] {
    std::ifstream file(rows.front().File, std::ios::binary);
    if (!file) throw EInOutError("Cannot open " + rows.front().File.string());
    TmsMessage msg;
    msg.LoadHeadersFromFile(file);
    const std::string address = LowerCaseAscii(TrimText(msg.Sender.Address()));
    const std::string name(TrimText(msg.Sender.Name()));
    if (address.empty()) {
      Ui.MessageBox(TMsgKind::Warning, "The selected message has no From: address. Cannot add.", mbOK);
      return;
    }
    if (Ui.MessageBox(TMsgKind::Confirmation, "Add " + address + " to your \r\napproved senders list?", mbYes | mbNo) ==
        mbYes)
      Config.AddApprovedSender(address, name);
  });
}

void TfrmMsgArchive::PrintList(bool preview) {
  TPrintTable table;
  table.Title = "Mailmoat Pro - Archived Messages for " + cbProfiles->currentText();
  table.Columns = {"#", "Dated", "From", "To", "Subject", "Rejection Reason"};
  table.ColumnWeights = {4, 14, 18, 18, 28, 18};
  table.Landscape = true;
  table.RowsPerPage = PrintRowsPerPage;
  for (const std::vector<std::string>& row : ArchivePrintRows(Listed)) {
    QStringList cells;
    for (const std::string& cell : row) cells << TextToQString(cell);
    table.Rows.push_back(cells);
  }
  Guarded("Print", [&] {
    if (preview) {
      PreviewTable(this, table, "Mailmoat Pro - Archived Message List Print Preview", true);
    } else {
      PrintTableAsked(this, table);
    }
  });
}

void ShowMessageArchive(TConfigData& config, TUiHost& ui, const TDialUpLine& line, const TArchiveWindows& windows,
                        QWidget* parent) {
  if (config.Profiles.empty()) return;
  TfrmMsgArchive archive(config, ui, line, windows, parent);
  if (ArchiveSources(config).empty()) {
    ui.MessageBox(TMsgKind::Information, "No profiles found with archiving enabled", mbOK);
  } else {
    archive.List();
  }
  archive.exec();
}

}  // namespace mailmoat
