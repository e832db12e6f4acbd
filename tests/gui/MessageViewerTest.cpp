#include "core/dataConfig.h"
#include "gui/support/FindChild.h"
#include "gui/support/GuiTestHost.h"
#include "gui/support/ModalDriver.h"
#include "platform/TempFiles.h"
#include "support/FakeDialer.h"
#include "support/TempDir.h"
#include "ui/archive/formMsg.h"
#include "ui/common/InertHtmlView.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace mailmoat {
namespace {

class MessageViewerTest : public testing::Test {
protected:
  void SetUp() override { Config = std::make_unique<TConfigData>(TAppPaths::ForHome(Dir.Path()), Ui, Dialer); }
  std::string WriteSpam(const std::string& name, const std::string& text) {
    const std::string path = (Dir / name).string();
    test::WriteTextFile(path, text);
    return path;
  }

  test::TTempDir Dir;
  test::TGuiTestHost Ui;
  test::TFakeDialer Dialer;
  std::unique_ptr<TConfigData> Config;
};

// True when some pixel is within a small distance of `colour`.
bool Shows(const QImage& image, QColor colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) + std::abs(c.blue() - colour.blue()) <
          30)
        return true;
    }
  return false;
}

// Names of the files opened in a watched folder since the last call.
std::vector<std::string> Opened(int watch) {
  std::vector<std::string> names;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
    for (char* at = buffer; at < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      if (event->len > 0) names.emplace_back(event->name);
      at += sizeof(inotify_event) + event->len;
    }
  return names;
}

TEST_F(MessageViewerTest, HtmlFromAStrangerLoadsNothingAtAll) {
  const QColor imageGreen(0, 255, 0), sheetMagenta(255, 0, 255), dataOrange(255, 128, 0);
  QImage local(60, 60, QImage::Format_RGB32);
  local.fill(imageGreen);
  const std::string png = (Dir / "local.png").string();
  ASSERT_TRUE(local.save(QString::fromStdString(png)));
  const std::string css = (Dir / "x.css").string();
  test::WriteTextFile(css, "body { background-color: #ff00ff; } p { background-color: #ff00ff; }\n");
  QImage inlined(60, 60, QImage::Format_RGB32);
  inlined.fill(dataOrange);
  QByteArray inlinedPng;
  QBuffer buffer(&inlinedPng);
  buffer.open(QIODevice::WriteOnly);
  inlined.save(&buffer, "PNG");

  const std::string html = "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"file://" + css +
                           "\"></head><body><p>Cheap pills</p><img src=\"" + png + "\" width=60 height=60>" +
                           "<img src=\"data:image/png;base64," + inlinedPng.toBase64().toStdString() +
                           "\" width=60 height=60><img src=\"http://tracker.example/open.png?id=joe\" width=60 "
                           "height=60></body></html>";
  const std::string path = WriteSpam("html.spam",
                                     "From: Deals <deals@bulk.example>\r\nTo: joe@example.org\r\nSubject: Pills\r\n"
                                     "Content-Type: text/html\r\n\r\n" +
                                         html + "\r\n");

  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, Dir.Path().c_str(), IN_OPEN | IN_ACCESS), 0);
  QImage shown;
  TInertDocument* document = nullptr;
  {
    TfrmMsg viewer(*Config, Ui, path);
    viewer.resize(600, 450);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    EXPECT_TRUE(viewer.ShowsHtml());
    auto* body = dynamic_cast<TInertHtmlView*>(test::Child<QTextBrowser>(&viewer, "htmlBody"));
    ASSERT_NE(body, nullptr);
    document = body->Document();
    EXPECT_FALSE(body->openLinks());
    EXPECT_FALSE(body->openExternalLinks());
    EXPECT_TRUE(body->toPlainText().contains("Cheap pills"));
    shown = viewer.grab().toImage();
    EXPECT_GE(document->PlaceholdersDrawn(), 3);
    // The style sheet was asked for and refused; the images were never even asked for.
    EXPECT_EQ(document->RequestedUrls(), QList<QUrl>{QUrl("file://" + QString::fromStdString(css))});
  }
  EXPECT_FALSE(Shows(shown, imageGreen));
  EXPECT_FALSE(Shows(shown, sheetMagenta));
  EXPECT_FALSE(Shows(shown, dataOrange));
  for (const std::string& name : Opened(watch)) EXPECT_EQ(name, "html.spam");

  // The same HTML in a stock text browser shows all three and opens both files: the checks
  // above would see a leak.
  QTextBrowser stock;
  stock.resize(500, 400);
  stock.setHtml(QString::fromStdString(html));
  stock.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&stock));
  const QImage leaked = stock.grab().toImage();
  EXPECT_TRUE(Shows(leaked, imageGreen));
  EXPECT_TRUE(Shows(leaked, sheetMagenta));
  EXPECT_TRUE(Shows(leaked, dataOrange));
  const std::vector<std::string> opened = Opened(watch);
  EXPECT_NE(std::find(opened.begin(), opened.end(), "local.png"), opened.end());
  EXPECT_NE(std::find(opened.begin(), opened.end(), "x.css"), opened.end());
  ::close(watch);
}

TEST_F(MessageViewerTest, PlainMessageWithThreeAttachments) {
  const std::string text =
      "From: \"Prize Desk\" <prize@lottery.example>\r\n"
      "To: Joe Bloggs <joe@example.org>, Ann <ann@example.net>\r\n"
      "Cc: Sam <sam@example.com>\r\n"
      "Subject: Your documents\r\n"
      "Date: Thu,  5 Dec 2024 15:03 +0100\r\n"
      "MIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"XYZ\"\r\n"
      "X-SpamRejection3: Body: Lottery winner text\r\n"
      "\r\n"
      "--XYZ\r\nContent-Type: text/plain\r\n\r\nHello Joe,\r\nsee the attached files.\r\n"
      "--XYZ\r\nContent-Type: application/octet-stream; name=\"../../claim.sh\"\r\n"
      "Content-Disposition: attachment; filename=\"../../claim.sh\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nZWNobyBjbGFpbWVkCg==\r\n"
      "--XYZ\r\nContent-Type: application/pdf; name=\"form.pdf\"\r\n"
      "Content-Disposition: attachment; filename=\"form.pdf\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n"
      "--XYZ\r\nContent-Type: text/plain; name=\"notes.txt\"\r\n"
      "Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\nnotes\r\n"
      "--XYZ--\r\n";
  const std::string path = WriteSpam("20241205150300.spam", text);
  TfrmMsg viewer(*Config, Ui, path);
  viewer.show();
  // Shortcuts reach only the active window.
  viewer.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
  EXPECT_EQ(viewer.windowTitle(), "Mailmoat Pro - Your documents");
  EXPECT_EQ(viewer.minimumSize(), QSize(550, 400));
  EXPECT_EQ(test::Child<QLineEdit>(&viewer, "edtFrom")->text(), "Prize Desk prize@lottery.example");
  EXPECT_EQ(test::Child<QLineEdit>(&viewer, "edtTo")->text(), "Joe Bloggs joe@example.org; Ann ann@example.net");
  EXPECT_EQ(test::Child<QLineEdit>(&viewer, "edtCc")->text(), "Sam sam@example.com");
  EXPECT_EQ(test::Child<QLineEdit>(&viewer, "edtSubject")->text(), "Your documents");
  EXPECT_EQ(test::Child<QLabel>(&viewer, "lblDate")->text(), "05 Dec 2024 14:03:00");
  EXPECT_EQ(test::Child<QLabel>(&viewer, "lblReason")->text(), "Body: Lottery winner text");
  EXPECT_FALSE(viewer.ShowsHtml());
  ASSERT_EQ(viewer.Message().Attachments.Count(), 3u);

  auto* attachment = test::Child<QPushButton>(&viewer, "btnAttachment");
  ASSERT_TRUE(attachment->isEnabled());
  Ui.SetNextAnswer(mbNo);
  attachment->click();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Are you sure you want to open the\r\nattachment: ../../claim.sh");
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbYes | mbNo);
  EXPECT_TRUE(Ui.OpenedFiles.empty());
  Ui.SetNextAnswer(mbYes);
  attachment->click();
  const std::string folder = PrivateTempFolder();
  ASSERT_EQ(Ui.OpenedFiles, std::vector<std::string>{folder + "/claim.sh"});
  EXPECT_EQ(test::ReadTextFile(Ui.OpenedFiles[0]), "echo claimed\n");
  struct stat info {};
  ASSERT_EQ(::stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  test::Child<QPushButton>(&viewer, "btnSource")->click();
  ASSERT_EQ(Ui.OpenedFiles.size(), 2u);
  EXPECT_EQ(Ui.OpenedFiles[1], folder + "/20241205150300.spam.txt");
  EXPECT_EQ(test::ReadTextFile(Ui.OpenedFiles[1]), text);
  EXPECT_EQ(Ui.Boxes.size(), 2u);

  test::Child<QAction>(&viewer, "CopyMessage1")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "Hello Joe,\r\nsee the attached files.");
  auto* copySelected = test::Child<QAction>(&viewer, "CopySelected1");
  EXPECT_FALSE(copySelected->isEnabled());
  test::Child<QAction>(&viewer, "SelectAll1")->trigger();
  EXPECT_TRUE(copySelected->isEnabled());
  copySelected->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "Hello Joe,\nsee the attached files.");
  QTest::keyClick(&viewer, Qt::Key_F1);
  EXPECT_EQ(Ui.HelpTopics, std::vector<int>{TfrmMsg::HelpTopic});

  QString headerText, printTitle;
  test::WhenModal([&](QWidget* headers) {
    headerText = headers->findChild<QPlainTextEdit*>("mHdrs")->toPlainText();
    headers->close();
  });
  test::Child<QPushButton>(&viewer, "btnHeaders")->click();
  EXPECT_TRUE(headerText.startsWith("From: \"Prize Desk\" <prize@lottery.example>\nTo: ")) << headerText.toStdString();
  EXPECT_TRUE(headerText.contains("\nX-SpamRejection3: Body: Lottery winner text"));
  test::WhenModal([&](QWidget* preview) {
    printTitle = preview->windowTitle();
    preview->close();
  });
  test::Child<QAction>(&viewer, "PrintRaw1")->trigger();
  EXPECT_EQ(printTitle, "Mailmoat Pro - Messsage Printout");

  // Closing empties the window's message; the files handed out stay until the program ends.
  viewer.close();
  EXPECT_EQ(viewer.Message().Attachments.Count(), 0u);
  EXPECT_TRUE(std::filesystem::exists(folder + "/claim.sh"));

  const std::string missing = (Dir / "gone.spam").string();
  TfrmMsg empty(*Config, Ui, missing);
  empty.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&empty));
  ASSERT_EQ(Ui.Boxes.size(), 3u);
  EXPECT_EQ(Ui.Boxes[2].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[2].Text, "Message file does not exist:\r\n" + missing);
  EXPECT_EQ(test::Child<QLineEdit>(&empty, "edtFrom")->text(), "");
  EXPECT_FALSE(test::Child<QPushButton>(&empty, "btnAttachment")->isEnabled());
}

}  // namespace
}  // namespace mailmoat
