#include "core/dataConfig.h"
#include "gui/support/GuiTestHost.h"
#include "gui/support/ModalDriver.h"
#include "support/FakeDialer.h"
#include "support/TempDir.h"
#include "ui/review/HdrListModel.h"
#include "ui/review/formHeaderListing.h"
#include "ui/review/formHeaders.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

THdrRec Rec(const std::string& sender, const std::string& subject, const std::string& reason, int size) {
  THdrRec rec;
  rec.Recipients = "Joe joe@example.org";
  rec.Sender = sender;
  rec.Subject = subject;
  rec.HeaderText = "From: " + sender + "\r\nSubject: " + subject + "\r\n";
  rec.Reason = reason;
  rec.Size = size;
  rec.UIDL = "uid-" + subject;
  rec.DeleteMark =
      reason != "ok" && reason.find("Approved Sender") == std::string::npos && reason.rfind("Always Accept", 0) != 0;
  return rec;
}

class HdrListingTest : public testing::Test {
protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Config = std::make_unique<TConfigData>(TAppPaths::ForHome(Dir.Path()), Ui, Dialer);
    Records = {Rec("Ann ann@example.net", "cherry", "ok", 10000),
               Rec("Bob bob@spam.example", "Banana", "Headers (Black list): 127.0.0.2", 900),
               Rec("Sam Smith Sam.Smith@Example.NET", "apple", "Approved Sender: sam.smith@example.net", 50),
               Rec("Nobody", "date", "Always Accept: newsletters", 7),
               Rec("Eve eve@spam.example", "Elder", "Body: pills", 123456)};
    List = std::make_unique<TfrmHdrListing>(*Config, Records);
    List->show();
    View = List->findChild<QTreeView*>("lvHeaders");
    // Shortcuts reach only the active window.
    List->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(List.get()));
  }
  QString Status() const { return List->findChild<QLabel*>("pnlMsgStatus")->text(); }
  QColor StatusColour() const {
    return List->findChild<QLabel*>("pnlMsgStatus")->palette().color(QPalette::WindowText);
  }
  void Select(int row) { View->setCurrentIndex(View->model()->index(row, 0)); }
  QStringList Column(int column) const {
    QStringList texts;
    for (int r = 0; r < View->model()->rowCount(); ++r) texts << View->model()->index(r, column).data().toString();
    return texts;
  }
  void ClickHeader(int column) {
    QHeaderView* header = View->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  }

  test::TTempDir Dir;
  test::TGuiTestHost Ui;
  test::TFakeDialer Dialer;
  std::unique_ptr<TConfigData> Config;
  std::vector<THdrRec> Records;
  std::unique_ptr<TfrmHdrListing> List;
  QTreeView* View = nullptr;
};

TEST_F(HdrListingTest, ReviewsSortsAndWritesTicksIntoTheRecordsTheyShow) {
  QAbstractItemModelTester tester(View->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(List->windowTitle(), "Available Messages - Headers Listing");
  EXPECT_EQ(Status(), "<none selected>");
  EXPECT_EQ(Column(0).first(), "  Joe joe@example.org");
  EXPECT_EQ(Column(THdrListModel::colSize), QStringList({"10000", "900", "50", "7", "123456"}));
  for (int r = 0; r < 5; ++r)
    EXPECT_FALSE(View->model()->index(r, 0).data(Qt::DecorationRole).value<QIcon>().isNull()) << r;

  const struct {
    int Row;
    QString Text;
    QColor Colour;
  } lines[] = {{0, "Message cleared all rule processing.", QColor(0, 128, 0)},
               {1, "Headers (Black list): 127.0.0.2", QColor(255, 0, 0)},
               {2, "Approved Sender: sam.smith@example.net", QColor(0, 128, 0)},
               {3, "Always Accept: newsletters", QColor(0, 128, 0)},
               {4, "Body: pills", QColor(255, 0, 0)}};
  for (const auto& line : lines) {
    Select(line.Row);
    EXPECT_EQ(Status(), line.Text);
    EXPECT_EQ(StatusColour(), line.Colour);
  }

  // Unticked all, then "Check all Spam" ticks the blacklisted and the body-rule message only.
  QTest::keyClick(List.get(), Qt::Key_U, Qt::ControlModifier);
  EXPECT_FALSE(Records[1].DeleteMark);
  List->findChild<QPushButton*>("btnSpam")->click();
  std::vector<bool> marks;
  for (const THdrRec& r : Records) marks.push_back(r.DeleteMark);
  EXPECT_EQ(marks, (std::vector<bool>{false, true, false, false, true}));

  ClickHeader(THdrListModel::colSize);
  EXPECT_EQ(Column(THdrListModel::colSize), QStringList({"7", "50", "900", "10000", "123456"}));
  ClickHeader(THdrListModel::colSize);  // a second click sorts ascending again
  EXPECT_EQ(Column(THdrListModel::colSize).first(), "7");
  ClickHeader(THdrListModel::colSubject);
  EXPECT_EQ(Column(THdrListModel::colSubject), QStringList({"apple", "Banana", "cherry", "date", "Elder"}));

  // Row 2 now shows record 0: its tick and its headers are that record's.
  ASSERT_EQ(View->model()->index(2, 0).data(THdrListModel::RecordRole).toInt(), 0);
  Select(2);
  QTest::keyClick(View, Qt::Key_Space);
  EXPECT_TRUE(Records[0].DeleteMark);
  QString headerText, headerStatus;
  test::WhenModal([&](QWidget* headers) {
    headerText = headers->findChild<QPlainTextEdit*>("mHdrs")->toPlainText();
    headerStatus = headers->findChild<QLabel*>("lblStatus")->text();
    headers->close();
  });
  QTest::keyClick(List.get(), Qt::Key_F12);
  EXPECT_EQ(headerText, "From: Ann ann@example.net\nSubject: cherry\n");
  EXPECT_EQ(headerStatus, "Message appears to be OK");

  List->activateWindow();  // the offscreen platform does not hand activation back
  ASSERT_TRUE(QTest::qWaitForWindowActive(List.get()));
  // A double-click opens the same headers.
  headerText.clear();
  test::WhenModal([&](QWidget* headers) {
    headerText = headers->findChild<QPlainTextEdit*>("mHdrs")->toPlainText();
    headers->close();
  });
  const QPoint cell = View->visualRect(View->model()->index(2, 2)).center();
  QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, cell);
  QTest::mouseDClick(View->viewport(), Qt::LeftButton, {}, cell);
  EXPECT_EQ(headerText, "From: Ann ann@example.net\nSubject: cherry\n");
  List->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(List.get()));

  // A refill shows record order again, with the ticks from the records.
  QTest::keyClick(List.get(), Qt::Key_F5);
  EXPECT_EQ(Column(THdrListModel::colSubject).first(), "cherry");
  EXPECT_EQ(View->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  List->close();
  EXPECT_TRUE(List->AnyChecked());
}

TEST_F(HdrListingTest, AddsTheSelectedSenderToTheApprovedSendersOnce) {
  QTest::keyClick(List.get(), Qt::Key_Insert);  // no selection: nothing
  EXPECT_TRUE(Ui.Boxes.empty());
  Select(2);
  Ui.SetNextAnswer(mbYes);
  QTest::keyClick(List.get(), Qt::Key_Insert);
  ASSERT_EQ(Config->ApprovedSenders.size(), 1u);
  EXPECT_EQ(Config->ApprovedSenders[0].Address, "sam.smith@example.net");
  EXPECT_EQ(Config->ApprovedSenders[0].Name, "Sam Smith");
  EXPECT_TRUE(std::filesystem::exists(Dir / "_415050524F564544.dat"));
  Ui.SetNextAnswer(mbYes);
  QTest::keyClick(List.get(), Qt::Key_Insert);
  Select(3);
  QTest::keyClick(List.get(), Qt::Key_Insert);
  ASSERT_EQ(Ui.Boxes.size(), 4u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Add sam.smith@example.net to your \r\napproved senders list?");
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbYes | mbNo);
  EXPECT_EQ(Ui.Boxes[2].Text, "Any entry for sam.smith@example.net already exists.");
  EXPECT_EQ(Ui.Boxes[3].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[3].Text, "The selected message has no From: address. Cannot add.");
  EXPECT_EQ(Config->ApprovedSenders.size(), 1u);
}

TEST_F(HdrListingTest, MenuViewStylesPrintingAndClosingWithoutTicks) {
  QStringList items;
  for (QAction* a : List->findChild<QMenu*>("mnuListView")->actions())
    items << (a->isSeparator() ? "-" : a->objectName() + " " + a->text() + " " + a->shortcut().toString());
  EXPECT_EQ(
      items,
      QStringList({"SmallIcons1 &Small Icons Ctrl+S", "LargeIcons1 &Large Icons Ctrl+L", "Listing1 L&isting Ctrl+I",
                   "Detailed1 &Detailed Ctrl+D", "-", "RefreshListing1 &Refresh Listing F5",
                   "ViewSelectedHeaders1 &View Selected Headers F12", "-",
                   "AddSelectedtoApprovedSenders1 &Add Selected to Approved Senders Ins", "-",
                   "UncheckAllMessages1 &Uncheck All Messages Ctrl+U", "CheckAllMessages1 &Check All Messages Ctrl+C",
                   "-", "PrintListing1 &Print Listing Ctrl+P", "PrintPreview1 Print Previe&w Ctrl+V"}));
  auto* icons = List->findChild<QListView*>("lvHeadersIcons");
  QTest::keyClick(List.get(), Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(List->findChild<QAction*>("LargeIcons1")->isChecked());
  EXPECT_FALSE(List->findChild<QAction*>("Detailed1")->isChecked());
  EXPECT_TRUE(icons->isVisible() && !View->isVisible());
  EXPECT_EQ(icons->viewMode(), QListView::IconMode);
  // A click on an icon selects that message for the status line and F12.
  icons->clearSelection();
  EXPECT_EQ(Status(), "<none selected>");
  const QModelIndex first = icons->model()->index(0, 0);
  QTest::mouseClick(icons->viewport(), Qt::LeftButton, {}, icons->visualRect(first).center());
  EXPECT_NE(Status(), "<none selected>");
  // The status line shows the window's menu, not a label's own.
  auto* menu = List->findChild<QMenu*>("mnuListView");
  auto* status = List->findChild<QLabel*>("pnlMsgStatus");
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), status->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(status, &rightClick);
  EXPECT_TRUE(menu->isVisible());
  menu->close();
  QTest::keyClick(List.get(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(View->isVisible() && !icons->isVisible());

  // Ctrl+C ticks every row even with the list focused (no copying of the row).
  View->setFocus();
  QTest::keyClick(View, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(List->ListingTable().Rows.size(), 5u);
  for (const THdrRec& r : Records) EXPECT_TRUE(r.DeleteMark);
  EXPECT_EQ(List->ListingTable().Rows[0],
            QStringList({"0", "  Joe joe@example.org", "Ann ann@example.net", "cherry", "10000", "uid-cherry"}));
  const QString pdf = QString::fromStdString((Dir / "list.pdf").string());
  List->ChoosePrinter = [&](QPrinter& printer) {
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  QTest::keyClick(List.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(std::filesystem::file_size(Dir / "list.pdf") > 0);

  QString previewTitle;
  bool maximised = false;
  test::WhenModal([&](QWidget* preview) {
    previewTitle = preview->windowTitle();
    maximised = preview->isMaximized();
    preview->close();
  });
  QTest::keyClick(List.get(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(previewTitle, "Mailmoat Pro - Archived Message List Print Preview");
  EXPECT_TRUE(maximised);

  List->findChild<QPushButton*>("btnUncheck")->click();
  List->findChild<QPushButton*>("btnClose")->click();
  EXPECT_FALSE(List->AnyChecked());
}

TEST(HeadersWindowTest, CreatesARuleOnlyFromSelectedTextAndSaysWhyTheMessageWasRejected) {
  test::TTempDir dir;
  test::TGuiTestHost ui;
  test::TFakeDialer dialer;
  TConfigData config(TAppPaths::ForHome(dir.Path()), ui, dialer);
  TfrmHeaders headers(config, Rec("Bob bob@spam.example", "Free $$$ offer", "Headers: Money", 10), nullptr);
  std::vector<QString> hooked;
  headers.OnCreateRule = [&](const QString& text) {
    hooked.push_back(text);
    return true;
  };
  headers.SetHeaderText("From: Bob bob@spam.example\nSubject: Free $$$ offer\n");
  headers.show();
  headers.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&headers));
  EXPECT_EQ(headers.windowTitle(), "Mailmoat Pro - View Message Headers");
  EXPECT_EQ(headers.findChild<QLabel*>("lblStatus")->text(), "Rejected: Headers: Money");
  auto* create = headers.findChild<QAction*>("CreateRule1");
  auto* text = headers.findChild<QPlainTextEdit*>("mHdrs");
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_FALSE(create->isEnabled());
  QTest::keyClick(&headers, Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(hooked.empty());

  QTextCursor cursor = text->document()->find("Subject: Free $$$ offer");
  text->setTextCursor(cursor);
  EXPECT_TRUE(create->isEnabled());
  QTest::keyClick(&headers, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(hooked, std::vector<QString>{"Subject: Free $$$ offer"});

  TfrmHeaders fromArchive(config, Rec("a a@b.example", "s", "ok", 1), nullptr);
  fromArchive.show();
  EXPECT_EQ(fromArchive.findChild<QLabel*>("lblStatus")->text(), "Message appears to be OK");
  fromArchive.SetStatusText("Rejected by the archive's reason");
  EXPECT_EQ(fromArchive.StatusText(), "Rejected by the archive's reason");
}

}  // namespace
}  // namespace mailmoat
