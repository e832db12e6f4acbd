#include "ui/review/formHeaderListing.h"

#include "check/HdrReview.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/review/HdrListModel.h"
#include "ui/review/formHeaders.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListView>
#include <QMarginsF>
#include <QMenu>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

const QColor GoodColour(0, 128, 0);
const QColor SpamColour(255, 0, 0);
constexpr double OneInchMm = 25.4;

}  // namespace

TfrmHdrListing::TfrmHdrListing(TConfigData& config, std::vector<THdrRec>& records, QWidget* parent)
    : QDialog(parent), Config(config), Records(records) {
  setObjectName("frmHdrListing");
  setWindowTitle("Available Messages - Headers Listing");
  setMinimumSize(633, 473);
  setSizeGripEnabled(true);
  ListModel = new THdrListModel(Records, this);

  lvHeaders = new QTreeView(this);
  lvHeaders->setObjectName("lvHeaders");
  lvHeaders->setModel(ListModel);
  lvHeaders->setRootIsDecorated(false);
  lvHeaders->setUniformRowHeights(true);
  lvHeaders->setAllColumnsShowFocus(true);
  lvHeaders->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvHeaders->setSelectionMode(QAbstractItemView::SingleSelection);
  lvHeaders->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvHeaders->setIconSize(QSize(16, 16));
  lvHeaders->header()->setSectionsClickable(true);
  lvHeaders->header()->setSectionsMovable(false);
  lvHeaders->header()->setStretchLastSection(false);
  // Each click sorts ascending; there is no descending order.
  connect(lvHeaders->header(), &QHeaderView::sectionClicked, this, [this](int column) {
    ListModel->sort(column, Qt::AscendingOrder);
    lvHeaders->header()->setSortIndicator(column, Qt::AscendingOrder);
  });
  const int textWidth = 150;
  lvHeaders->setColumnWidth(THdrListModel::colTo, textWidth);
  lvHeaders->setColumnWidth(THdrListModel::colFrom, textWidth);
  lvHeaders->setColumnWidth(THdrListModel::colSubject, textWidth);
  lvHeaders->setColumnWidth(THdrListModel::colSize, textWidth / 2);
  lvHeaders->setColumnWidth(THdrListModel::colMessageId, textWidth - 20);

  lvHeadersIcons = new QListView(this);
  lvHeadersIcons->setObjectName("lvHeadersIcons");
  lvHeadersIcons->setModel(ListModel);
  lvHeadersIcons->setSelectionModel(lvHeaders->selectionModel());
  lvHeadersIcons->setSelectionMode(QAbstractItemView::SingleSelection);
  // The views share one selection of whole rows: a click on an icon selects its message.
  lvHeadersIcons->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvHeadersIcons->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvHeadersIcons->setMovement(QListView::Static);
  lvHeadersIcons->setResizeMode(QListView::Adjust);
  lvHeadersIcons->setUniformItemSizes(true);
  lvHeadersIcons->hide();

  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(lvHeaders), static_cast<QAbstractItemView*>(lvHeadersIcons)})
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { ViewSelectedHeaders(); });
  connect(lvHeaders->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { UpdateStatusLine(); });
  connect(lvHeaders->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateStatusLine(); });

  pnlMsgStatus = new QLabel(this);
  pnlMsgStatus->setObjectName("pnlMsgStatus");
  pnlMsgStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlMsgStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A right-click there opens the window's menu, not the label's own.
  pnlMsgStatus->setContextMenuPolicy(Qt::NoContextMenu);
  pnlMsgStatus->setMinimumHeight(pnlMsgStatus->fontMetrics().height() + 8);

  auto* btnSpam = new QPushButton("Check all &Spam", this);
  btnSpam->setObjectName("btnSpam");
  auto* btnUncheck = new QPushButton("&Uncheck All", this);
  btnUncheck->setObjectName("btnUncheck");
  auto* btnCheck = new QPushButton("&Check All", this);
  btnCheck->setObjectName("btnCheck");
  auto* btnClose = new QPushButton("&Close", this);
  btnClose->setObjectName("btnClose");
  // No button answers Return: closing goes on to delete, so it takes a deliberate press.
  for (QPushButton* button : {btnSpam, btnUncheck, btnCheck, btnClose}) button->setAutoDefault(false);
  connect(btnSpam, &QPushButton::clicked, this, [this] { CheckAllSpam(); });
  connect(btnUncheck, &QPushButton::clicked, this, [this] { CheckAll(false); });
  connect(btnCheck, &QPushButton::clicked, this, [this] { CheckAll(true); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

  mnuListView = new QMenu(this);
  mnuListView->setObjectName("mnuListView");
  ViewGroup = new QActionGroup(this);
  ViewGroup->setExclusive(true);
  const struct {
    const char* Name;
    const char* Caption;
    QKeySequence Key;
    TViewStyle Style;
  } styles[] = {
      {"SmallIcons1", "&Small Icons", QKeySequence(Qt::CTRL | Qt::Key_S), TViewStyle::SmallIcons},
      {"LargeIcons1", "&Large Icons", QKeySequence(Qt::CTRL | Qt::Key_L), TViewStyle::LargeIcons},
      {"Listing1", "L&isting", QKeySequence(Qt::CTRL | Qt::Key_I), TViewStyle::List},
      {"Detailed1", "&Detailed", QKeySequence(Qt::CTRL | Qt::Key_D), TViewStyle::Detailed},
  };
  for (const auto& s : styles) {
    QAction* item = AddMenuItem(s.Name, s.Caption, s.Key);
    item->setCheckable(true);
    item->setChecked(s.Style == TViewStyle::Detailed);
    ViewGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, style = s.Style] { SetViewStyle(style); });
  }
  mnuListView->addSeparator();
  connect(AddMenuItem("RefreshListing1", "&Refresh Listing", QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
          [this] { Refill(); });
  connect(AddMenuItem("ViewSelectedHeaders1", "&View Selected Headers", QKeySequence(Qt::Key_F12)), &QAction::triggered,
          this, [this] { ViewSelectedHeaders(); });
  mnuListView->addSeparator();
  connect(
      AddMenuItem("AddSelectedtoApprovedSenders1", "&Add Selected to Approved Senders", QKeySequence(Qt::Key_Insert)),
      &QAction::triggered, this, [this] { AddSelectedToApprovedSenders(); });
  mnuListView->addSeparator();
  connect(AddMenuItem("UncheckAllMessages1", "&Uncheck All Messages", QKeySequence(Qt::CTRL | Qt::Key_U)),
          &QAction::triggered, this, [this] { CheckAll(false); });
  connect(AddMenuItem("CheckAllMessages1", "&Check All Messages", QKeySequence(Qt::CTRL | Qt::Key_C)),
          &QAction::triggered, this, [this] { CheckAll(true); });
  mnuListView->addSeparator();
  connect(AddMenuItem("PrintListing1", "&Print Listing", QKeySequence(Qt::CTRL | Qt::Key_P)), &QAction::triggered, this,
          [this] { PrintListing(); });
  connect(AddMenuItem("PrintPreview1", "Print Previe&w", QKeySequence(Qt::CTRL | Qt::Key_V)), &QAction::triggered, this,
          [this] { PrintPreview(); });

  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Config.Ui.ShowHelp(HelpTopic); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {btnSpam, btnUncheck, btnCheck, btnClose}) buttons->addWidget(b);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lvHeaders, 1);
  column->addWidget(lvHeadersIcons, 1);
  column->addWidget(pnlMsgStatus);
  column->addLayout(buttons);

  pnlMsgStatus->clear();
  Refill();
}

TfrmHdrListing::~TfrmHdrListing() = default;

QAction* TfrmHdrListing::AddMenuItem(const char* name, const char* caption, const QKeySequence& key) {
  QAction* item = mnuListView->addAction(caption);
  item->setObjectName(name);
  item->setShortcut(key);
  // Window-wide: the list's own Ctrl+C (copy) must not swallow "&Check All Messages".
  item->setShortcutContext(Qt::WindowShortcut);
  addAction(item);
  return item;
}

bool TfrmHdrListing::ShowModal(TConfigData& config, std::vector<THdrRec>& records, const QString& caption,
                               QWidget* parent, std::function<bool(const QString&)> onCreateRule) {
  TfrmHdrListing window(config, records, parent);
  window.setWindowTitle(caption);
  window.OnCreateRule = std::move(onCreateRule);
  window.exec();
  return window.AnyChecked();
}

template <typename F>
void TfrmHdrListing::Guarded(const char* what, F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Config.Ui.SetBusyCursor(false);
    Config.TryLog(TLogClass::All, std::string("! ") + what + " failed. Exception: " + e.what());
    Config.Ui.MessageBox(TMsgKind::Error, std::string(what) + " failed: " + e.what(), mbOK);
  }
}

void TfrmHdrListing::SetViewStyle(TViewStyle style) {
  Style = style;
  const char* item = style == TViewStyle::SmallIcons   ? "SmallIcons1"
                     : style == TViewStyle::LargeIcons ? "LargeIcons1"
                     : style == TViewStyle::List       ? "Listing1"
                                                       : "Detailed1";
  findChild<QAction*>(item)->setChecked(true);
  if (style == TViewStyle::Detailed) {
    lvHeadersIcons->hide();
    lvHeaders->show();
    return;
  }
  switch (style) {
    case TViewStyle::LargeIcons:
      lvHeadersIcons->setViewMode(QListView::IconMode);
      lvHeadersIcons->setIconSize(QSize(32, 32));
      lvHeadersIcons->setGridSize(QSize(120, 76));
      lvHeadersIcons->setWordWrap(true);
      lvHeadersIcons->setFlow(QListView::LeftToRight);
      lvHeadersIcons->setWrapping(true);
      break;
    case TViewStyle::SmallIcons:
      lvHeadersIcons->setViewMode(QListView::ListMode);
      lvHeadersIcons->setIconSize(QSize(16, 16));
      lvHeadersIcons->setGridSize(QSize(200, 22));
      lvHeadersIcons->setWordWrap(false);
      lvHeadersIcons->setFlow(QListView::LeftToRight);
      lvHeadersIcons->setWrapping(true);
      break;
    default:
      lvHeadersIcons->setViewMode(QListView::ListMode);
      lvHeadersIcons->setIconSize(QSize(16, 16));
      lvHeadersIcons->setGridSize(QSize());
      lvHeadersIcons->setWordWrap(false);
      lvHeadersIcons->setFlow(QListView::TopToBottom);
      lvHeadersIcons->setWrapping(true);
      break;
  }
  // The icon styles keep their own layout: keep the view's own sizes in step.
  lvHeadersIcons->setSpacing(style == TViewStyle::List ? 2 : 0);
  lvHeaders->hide();
  lvHeadersIcons->show();
  lvHeadersIcons->doItemsLayout();
}

int TfrmHdrListing::SelectedRecord() const {
  const QModelIndexList rows = lvHeaders->selectionModel()->selectedRows();
  if (rows.isEmpty()) return -1;
  return ListModel->RecordIndex(rows.first().row());
}

void TfrmHdrListing::UpdateStatusLine() {
  const int index = SelectedRecord();
  if (index < 0) {
    pnlMsgStatus->setText("<none selected>");
    return;
  }
  const THdrRec& rec = Records[static_cast<std::size_t>(index)];
  QPalette palette = pnlMsgStatus->palette();
  palette.setColor(QPalette::WindowText, IsGoodMessage(rec) ? GoodColour : SpamColour);
  pnlMsgStatus->setPalette(palette);
  pnlMsgStatus->setText(TextToQString(HdrStatusText(rec)));
}

void TfrmHdrListing::Refill() {
  setUpdatesEnabled(false);
  ListModel->Refill();
  lvHeaders->header()->setSortIndicator(-1, Qt::AscendingOrder);
  setUpdatesEnabled(true);
  UpdateStatusLine();
}

void TfrmHdrListing::CheckAllSpam() {
  MarkAllSpam(Records);
  Refill();
}

void TfrmHdrListing::CheckAll(bool mark) {
  SetAllDeleteMarks(Records, mark);
  Refill();
}

void TfrmHdrListing::ViewSelectedHeaders() {
  const int index = SelectedRecord();
  if (index < 0) return;
  Guarded("View Selected Headers", [&] {
    Config.Ui.SetBusyCursor(true);
    const THdrRec rec = Records[static_cast<std::size_t>(index)];
    TfrmHeaders headers(Config, rec, this);
    headers.OnCreateRule = OnCreateRule;
    headers.SetHeaderText(TextToQString(rec.HeaderText));
    Config.Ui.SetBusyCursor(false);
    headers.exec();
  });
}

void TfrmHdrListing::AddSelectedToApprovedSenders() {
  const int index = SelectedRecord();
  if (index < 0) return;
  Guarded("Add Selected to Approved Senders", [&] {
    const TContactInfo contact = TConfigData::ParseContact(Records[static_cast<std::size_t>(index)].Sender);
    if (contact.Address.empty()) {
      Config.Ui.MessageBox(TMsgKind::Warning, "The selected message has no From: address. Cannot add.", mbOK);
      return;
    }
    if (Config.Ui.MessageBox(TMsgKind::Confirmation, "Add " + contact.Address + " to your \r\napproved senders list?",
                             mbYes | mbNo) == mbYes)
      Config.AddApprovedSender(contact.Address, contact.Name);
  });
}

TPrintTable TfrmHdrListing::ListingTable() const {
  TPrintTable table;
  table.Title = "Mailmoat Pro - Message List";
  table.Columns = {"#", "Addressed To", "Addressed From", "Subject", "Size", "Message ID"};
  table.ColumnWeights = {1, 6, 6, 6, 3, 5};
  table.Landscape = true;
  table.RowsPerPage = 48;
  for (int row = 0; row < ListModel->rowCount(); ++row) {
    QStringList cells{QString::number(row)};
    for (int c = 0; c < THdrListModel::ColumnCount; ++c) cells << ListModel->CellText(row, c);
    table.Rows.push_back(cells);
  }
  return table;
}

void TfrmHdrListing::PrintListing() {
  Guarded("Print Listing", [&] {
    QPrinter printer;
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(OneInchMm, OneInchMm, OneInchMm, OneInchMm), QPageLayout::Millimeter);
    if (ChoosePrinter) {
      if (!ChoosePrinter(printer)) return;
    } else {
      QPrintDialog dialog(&printer, this);
      if (dialog.exec() != QDialog::Accepted) return;
    }
    Config.Ui.SetBusyCursor(true);
    const TPrintTable table = ListingTable();
    Config.Ui.SetBusyCursor(false);
    PrintTable(printer, table);
  });
}

void TfrmHdrListing::PrintPreview() {
  Guarded("Print Preview", [&] {
    const TPrintTable table = ListingTable();
    QPrinter printer;
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(OneInchMm, OneInchMm, OneInchMm, OneInchMm), QPageLayout::Millimeter);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName("dlgPrintPreview");
    preview.setWindowTitle("Mailmoat Pro - Archived Message List Print Preview");
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&table](QPrinter* p) { PrintTable(*p, table); });
    preview.setWindowState(Qt::WindowMaximized);
    preview.exec();
  });
}

void TfrmHdrListing::contextMenuEvent(QContextMenuEvent* event) {
  mnuListView->popup(event->globalPos());
  event->accept();
}

void TfrmHdrListing::done(int result) {
  // Ticks are in the records already; the flag is what the caller reads.
  FAnyChecked = AnyDeleteMark(Records);
  QDialog::done(result);
}

}  // namespace mailmoat
