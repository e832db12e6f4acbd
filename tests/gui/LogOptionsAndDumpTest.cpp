#include "gui/RuleTestSupport.h"
#include "ui/config/dlgLogOptions.h"
#include "ui/diag/formCfgDump.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace mailmoat {
namespace {

using test::Child;

constexpr const char* Excluded = "   (information excluded at user request)";

class LogOptionsAndDumpTest : public test::RuleWindowTest {
protected:
  static QPushButton* Button(QWidget* window, const char* name) { return Child<QPushButton>(window, name); }
  // The report's line that follows `heading`.
  static std::string LineAfter(const std::string& report, const std::string& heading) {
    const std::size_t at = report.find(heading + "\r\n");
    if (at == std::string::npos) return "<no " + heading + ">";
    const std::size_t start = at + heading.size() + 2;
    return report.substr(start, report.find("\r\n", start) - start);
  }
};

TEST_F(LogOptionsAndDumpTest, TheDumpWindowWritesEachLevelAndOffersTheFile) {
  Config->ValidAddresses = {"joe@example.org"};
  const TDumpWindow main{500, 300, 20, 30};
  const TPath file = Dir / "mmtdump.txt";
  bool closedWhileWriting = true;
  bool buttonsOffWhileWriting = false;
  QString shownWhileWriting;
  test::WhenModal([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Create Configuration Dump . . . .");
    auto* name = Child<QLineEdit>(window, "fneDumpFilename");
    EXPECT_EQ(name->text().toStdString(), (Dir / "mmtdump.txt").string());
    EXPECT_TRUE(Child<QRadioButton>(window, "RadioButton1")->isChecked());
    auto* label = Child<QLabel>(window, "lblProcessing");
    EXPECT_EQ(label->text(), "n/a");
    QPushButton* create = Button(window, "btnCreateFile");
    QPushButton* cancel = Button(window, "btnCancel");
    const auto report = [&] { return test::ReadTextFile(file); };

    // Without system facts; the writing refuses to be closed and names its sections.
    QTimer::singleShot(0, window, [&, window] {
      buttonsOffWhileWriting = !create->isEnabled() && !cancel->isEnabled();
      shownWhileWriting = label->text();
      window->close();
      QTest::keyClick(window, Qt::Key_Escape);
      closedWhileWriting = !window->isVisible();
    });
    Ui.SetNextAnswer(mbNo);
    create->click();
    EXPECT_EQ(LineAfter(report(), "[ --- General System Information --- ]"), Excluded);
    EXPECT_EQ(LineAfter(report(), "[ --- Hardware Configuration --- ]"), Excluded);
    EXPECT_NE(report().find("Using Window Size (width x height) : 500 x 300\r\n"), std::string::npos);
    EXPECT_NE(report().find("[$0000] joe@example.org\r\n"), std::string::npos);
    EXPECT_EQ(Child<QProgressBar>(window, "pbProgress")->value(), 100);
    EXPECT_EQ(label->text(), "Hardware information");
    EXPECT_EQ(cancel->text(), "Close");
    EXPECT_TRUE(create->isEnabled() && cancel->isEnabled());

    // Basic: the computer's names, no hardware.
    Child<QRadioButton>(window, "rbBasic")->click();
    Ui.SetNextAnswer(mbNo);
    create->click();
    EXPECT_EQ(LineAfter(report(), "[ --- General System Information --- ]").rfind("User Name        : ", 0), 0u);
    EXPECT_EQ(LineAfter(report(), "[ --- Hardware Configuration --- ]"), Excluded);

    // Detailed, and Yes opens the file with the desktop.
    Child<QRadioButton>(window, "rbDetailed")->click();
    Ui.SetNextAnswer(mbYes);
    create->click();
    EXPECT_EQ(LineAfter(report(), "[ --- General System Information --- ]").rfind("User Name        : ", 0), 0u);
    EXPECT_EQ(LineAfter(report(), "[ --- Hardware Configuration --- ]").rfind("CPU Arch/Level/Rev    : $", 0), 0u);
    EXPECT_NE(report().find("\r\nNumber of processors  : "), std::string::npos);
    cancel->click();
  });
  ShowConfigDump(*Config, Ui, main, nullptr);

  EXPECT_TRUE(buttonsOffWhileWriting);
  EXPECT_EQ(shownWhileWriting, "Preparing");
  EXPECT_FALSE(closedWhileWriting);
  ASSERT_EQ(Ui.Boxes.size(), 3u);
  for (const auto& box : Ui.Boxes) {
    EXPECT_EQ(box.Text, ConfigDumpCompletedText());
    EXPECT_EQ(box.Kind, TMsgKind::Information);
    EXPECT_EQ(box.Buttons, mbYes | mbNo);
  }
  EXPECT_EQ(Ui.OpenedFiles, std::vector<std::string>{file.string()});
  // Every busy cursor was taken back.
  EXPECT_EQ(Ui.CursorCalls, (std::vector<bool>{true, false, true, false, true, false}));
}

TEST_F(LogOptionsAndDumpTest, AFileThatCannotBeWrittenIsReportedAndTheWindowStaysUsable) {
  test::WriteTextFile(Dir / "plain-file", "x");
  const TPath file = Dir / "plain-file" / "dump.txt";
  test::WhenModal([&](QWidget* window) {
    auto* dump = dynamic_cast<TfrmCfgDump*>(window);
    ASSERT_NE(dump, nullptr);
    auto* name = Child<QLineEdit>(window, "fneDumpFilename");
    name->setText("~/support/dump.txt");
    EXPECT_EQ(dump->DumpFile(), TPath(QDir::homePath().toStdString()) / "support/dump.txt");
    name->setText(" dumps/dump.txt ");
    EXPECT_EQ(dump->DumpFile(), Dir / "dumps/dump.txt");
    name->setText(QString::fromStdString(file.string()));
    Button(window, "btnCreateFile")->click();
    EXPECT_TRUE(Button(window, "btnCreateFile")->isEnabled());
    EXPECT_EQ(Button(window, "btnCancel")->text(), "Close");
    EXPECT_EQ(Child<QProgressBar>(window, "pbProgress")->value(), 0);
    EXPECT_EQ(window->focusWidget(), Child<QLineEdit>(window, "fneDumpFilename"));
    QTest::keyClick(window, Qt::Key_Escape);
  });
  ShowConfigDump(*Config, Ui, TDumpWindow{}, nullptr);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("The dump file " + file.string() + " could not be written:\r\nCannot create ", 0),
            0u)
      << Ui.Boxes[0].Text;
  EXPECT_NE(Ui.Boxes[0].Text.find("Not a directory"), std::string::npos) << Ui.Boxes[0].Text;
  EXPECT_TRUE(Ui.OpenedFiles.empty());
  EXPECT_EQ(Ui.CursorCalls, (std::vector<bool>{true, false}));
}

TEST_F(LogOptionsAndDumpTest, LogOptionsShowTheStoredValuesAndReturnOnlyWhatOkConfirms) {
  // A trimmed log shows as renamed; an unknown level as Normal.
  test::WhenModal([](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Log File Options");
    auto* level = Child<QComboBox>(window, "cmbLogLevel");
    EXPECT_EQ(level->currentText(), "Normal Logging");
    EXPECT_EQ(level->count(), 5);
    EXPECT_TRUE(Child<QRadioButton>(window, "rbRename")->isChecked());
    EXPECT_EQ(Child<QSpinBox>(window, "seLogSize")->value(), 128);
    EXPECT_EQ(window->focusWidget(), level);
    level->setCurrentIndex(level->findText("Debug Logging (big!)"));
    auto* size = Child<QSpinBox>(window, "seLogSize");
    EXPECT_EQ(size->maximum(), 10240);
    size->setValue(500);
    Child<QRadioButton>(window, "rbDelete")->click();
    Child<QPushButton>(window, "btnOk")->click();
  });
  const std::optional<TLogOptions> chosen = AskLogOptions({7, 128, LogDisposition::Trim}, nullptr);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->LoggingLevel, LogLevel::Debug);
  EXPECT_EQ(chosen->MaxLogSize, 500);
  EXPECT_EQ(chosen->LogDisp, LogDisposition::Delete);

  // Terse comes back as Terse; Escape returns nothing whatever was changed.
  test::WhenModal([](QWidget* window) {
    auto* level = Child<QComboBox>(window, "cmbLogLevel");
    EXPECT_EQ(level->currentText(), "Terse Logging");
    EXPECT_TRUE(Child<QRadioButton>(window, "rbDelete")->isChecked());
    level->setCurrentIndex(0);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_FALSE(AskLogOptions({LogLevel::Terse, 64, LogDisposition::Delete}, nullptr).has_value());
  TdlgLogOptions terse({LogLevel::Terse, 99999, LogDisposition::Rename});
  EXPECT_EQ(terse.Values().LoggingLevel, LogLevel::Terse);
  EXPECT_EQ(terse.Values().MaxLogSize, 10240);
}

}  // namespace
}  // namespace mailmoat
