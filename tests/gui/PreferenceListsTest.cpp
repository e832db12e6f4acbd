#include "gui/support/FindChild.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDriver.h"
#include "integration/RbldnsdServer.h"
#include "support/HomeSnapshot.h"
#include "support/ThunderbirdBook.h"
#include "ui/config/formWizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include <cstdlib>

namespace mailmoat {
namespace {

using test::Child;
using test::Rule;

// The preferences' three list pages, driven as the user drives them, with the files of the
// home read back after OK or Cancel.
class PreferenceListsTest : public test::TMainWindowFixture {
protected:
  void TearDown() override {
    unsetenv("MAILMOAT_DNS_SERVER");
    if (!SavedHome.empty()) setenv("HOME", SavedHome.c_str(), 1);
  }
  std::unique_ptr<TfrmWizard> OpenAt(TPrefsPage page) {
    auto prefs = std::make_unique<TfrmWizard>(*Config, Ui, Main.get());
    prefs->show();
    prefs->ShowPage(page);
    return prefs;
  }
  static QStringList Column(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
    return texts;
  }
  static QTreeWidgetItem* RowOf(QTreeWidget* list, const QString& text, int nth = 0) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->text(0) == text && nth-- == 0) return list->topLevelItem(i);
    return nullptr;
  }
  static void ClickHeading(QTreeWidget* list, int column) {
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(column) + 5, 5));
  }
  void UseHome(const std::filesystem::path& home) {
    if (const char* h = std::getenv("HOME")) SavedHome = h;
    setenv("HOME", home.c_str(), 1);
  }
  std::string LastBox() const { return Ui.Boxes.empty() ? std::string() : Ui.Boxes.back().Text; }
  std::string SavedHome;
};

TEST_F(PreferenceListsTest, RulesListEveryRuleAndEachRowKeepsItsOwnRuleThroughSortsAndDeletes) {
  Start();
  Config->SysBodyRules = {Rule("Body system", "ALL", "casino", true, RuleType::Body)};
  Config->AcceptRules = {Rule("Friends", "Subject", "hello", false, RuleType::AlwaysAccept)};
  Config->UserRules = {Rule("Same", "Subject", "first"), Rule("Same", "Subject", "second"),
                       Rule("Mine in the body", "ALL", "offer", true, RuleType::Body)};
  ASSERT_TRUE(Config->SaveRules());
  auto prefs = OpenAt(TPrefsPage::FilterRules);
  auto* list = Child<QTreeWidget>(prefs.get(), "lvRules");
  EXPECT_EQ(Column(list, 0),
            QStringList({"Matching To/From Fields", "Blank or missing To/From Field", "Blank Subject Field",
                         "Pills in the subject", "Body system", "Friends", "Same", "Same", "Mine in the body"}));
  EXPECT_EQ(Column(list, 1),
            QStringList({"Header", "Header", "Header", "Header", "Body", "Accept", "Header", "Header", "Body"}));
  EXPECT_EQ(Column(list, 2).count("System"), 5);

  // One direction switch for the whole list: ascending, descending, then ascending again on
  // another column.
  ClickHeading(list, 0);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "Blank or missing To/From Field");
  ClickHeading(list, 0);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "Same");
  ClickHeading(list, 2);
  EXPECT_EQ(list->topLevelItem(0)->text(2), "System");

  // The group buttons and their captions; the built-in rows count as system rows.
  auto* all = Child<QPushButton>(prefs.get(), "btnCheckAll");
  auto* system = Child<QPushButton>(prefs.get(), "btnCheckSysRules");
  auto* body = Child<QPushButton>(prefs.get(), "btnCheckBodyRules");
  all->click();
  EXPECT_EQ(all->text(), "Uncheck &All");
  EXPECT_EQ(system->text(), "Uncheck &System Rules");
  body->click();
  EXPECT_EQ(body->text(), "Check &Body Rules");
  system->click();
  EXPECT_EQ(system->text(), "Check &System Rules");
  EXPECT_EQ(RowOf(list, "Matching To/From Fields")->checkState(0), Qt::Unchecked);
  EXPECT_EQ(RowOf(list, "Friends")->checkState(0), Qt::Checked);
  EXPECT_EQ(RowOf(list, "Mine in the body")->checkState(0), Qt::Unchecked);
  RowOf(list, "Blank Subject Field")->setCheckState(0, Qt::Checked);

  // System rows cannot be deleted; the keys of the menu work in the list.
  list->setFocus();
  list->setCurrentItem(RowOf(list, "Body system"));
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(LastBox().rfind("You can not delete System rules.", 0), 0u) << LastBox();
  EXPECT_EQ(Ui.Boxes.back().Caption, "Error");

  // Of two rules with one description, the row chosen goes: here the second, after sorting.
  ClickHeading(list, 0);
  QTreeWidgetItem* second = RowOf(list, "Same", 1);
  ASSERT_NE(second, nullptr);
  // The list is in descending order, stable: the second row is the second rule.
  ASSERT_EQ(second->data(0, Qt::UserRole + 1).toInt(), 1);
  list->setCurrentItem(second);
  Ui.SetNextAnswer(mbYes);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(LastBox(), "Are you sure you want to permanently delete the selected rule?");
  EXPECT_EQ(Column(list, 0).count("Same"), 1);

  // Insert adds a user rule at the end of the list, selected.
  test::WhenModal([](QWidget* editor) {
    Child<QLineEdit>(editor, "edtDesc")->setText("Added here");
    Child<QPlainTextEdit>(editor, "memExp")->setPlainText("lottery");
    Child<QPushButton>(editor, "btnSave")->click();
  });
  QTest::keyClick(list, Qt::Key_Insert);
  EXPECT_EQ(list->currentItem()->text(0), "Added here");
  EXPECT_EQ(list->indexOfTopLevelItem(list->currentItem()), list->topLevelItemCount() - 1);

  Child<QPushButton>(prefs.get(), "btnOk")->click();
  ASSERT_FALSE(prefs->isVisible()) << LastBox();
  Config->LoadRules();
  ASSERT_EQ(Config->UserRules.size(), 3u);
  EXPECT_EQ(Config->UserRules[0].Expression, "first");
  EXPECT_EQ(Config->UserRules[2].Description, "Added here");
  EXPECT_FALSE(Config->UserRules[1].Enabled);  // a body rule
  EXPECT_TRUE(Config->AcceptRules.at(0).Enabled);
  EXPECT_FALSE(Config->SysBodyRules.at(0).Enabled);
  EXPECT_FALSE(Config->EatMatches);
  EXPECT_TRUE(Config->EatBlankSubj);
}

TEST_F(PreferenceListsTest, EditingChangesTheRowAndTheReportShowsTheRulesAsThePageHasThem) {
  Start();
  Config->UserRules = {Rule("Old name", "Subject", "old")};
  auto prefs = OpenAt(TPrefsPage::FilterRules);
  auto* list = Child<QTreeWidget>(prefs.get(), "lvRules");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_F2);
  EXPECT_EQ(LastBox(), "Please select the item you wish to edit from this list first.");

  // A system rule opens read-only, a built-in check only explains itself.
  test::WhenModal([](QWidget* editor) {
    EXPECT_FALSE(Child<QPushButton>(editor, "btnSave")->isEnabled());
    Child<QPushButton>(editor, "btnCancel")->click();
  });
  emit list->itemDoubleClicked(RowOf(list, "Pills in the subject"), 0);
  list->setCurrentItem(RowOf(list, "Blank Subject Field"));
  QTest::keyClick(list, Qt::Key_F2);
  EXPECT_NE(LastBox().find("built into Mailmoat Pro"), std::string::npos) << LastBox();

  // A user rule takes the editor's values, in the row and in the report made before OK.
  list->setCurrentItem(RowOf(list, "Old name"));
  test::WhenModal([](QWidget* editor) {
    Child<QLineEdit>(editor, "edtDesc")->setText("New name");
    Child<QCheckBox>(editor, "cbxEnabled")->setChecked(false);
    Child<QPushButton>(editor, "btnSave")->click();
  });
  QTest::keyClick(list, Qt::Key_F2);
  EXPECT_EQ(list->currentItem()->text(0), "New name");
  EXPECT_EQ(list->currentItem()->checkState(0), Qt::Unchecked);
  test::WhenModal([](QWidget* report) { Child<QPushButton>(report, "btnGenerate")->click(); });
  Child<QAction>(prefs.get(), "RulesReport1")->trigger();
  const std::string report = test::ReadTextFile(Dir / "rules-report.txt");
  EXPECT_NE(report.find("Rule        : New name"), std::string::npos) << report;
  EXPECT_EQ(Config->UserRules.at(0).Description, "Old name");

  Ui.SetNextAnswer(mbNo);
  Child<QPushButton>(prefs.get(), "btnCancel")->click();
  EXPECT_EQ(Config->UserRules.at(0).Description, "Old name");
  EXPECT_TRUE(Config->UserRules.at(0).Enabled);
}

TEST_F(PreferenceListsTest, ABlacklistTypedWithALeadingStopIsStoredWithoutItAndTestsListedAtRbldnsd) {
  if (test::TRbldnsdServer::Binary().empty()) GTEST_SKIP() << "rbldnsd is not installed";
  // Started as root, rbldnsd reads its zones as its own unprivileged user.
  namespace fs = std::filesystem;
  fs::permissions(Dir.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  test::TRbldnsdServer server(Dir.Path(), {{"bl.test", ":127.0.0.2:Listed\n127.0.0.2\n"}});
  ASSERT_TRUE(server.Running()) << server.Log();
  Start();
  Config->DnsServer = server.Address();
  auto prefs = OpenAt(TPrefsPage::BlacklistLookups);
  auto* list = Child<QTreeWidget>(prefs.get(), "lvBlackLists");
  auto* change = Child<QPushButton>(prefs.get(), "btnChangeBlacklist");
  EXPECT_FALSE(change->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(prefs.get(), "btnDeleteBlacklist")->isEnabled());

  test::WhenModal([](QWidget* dialog) {
    auto* ok = Child<QPushButton>(dialog, "OKBtn");
    auto* test = Child<QPushButton>(dialog, "btnTest");
    EXPECT_FALSE(ok->isEnabled());
    Child<QLineEdit>(dialog, "edtSuffix")->setText(".bl.test");
    EXPECT_TRUE(test->isEnabled());
    EXPECT_FALSE(ok->isEnabled());
    Child<QLineEdit>(dialog, "edtName")->setText("Test list");
    ok->click();
  });
  Child<QPushButton>(prefs.get(), "btnAddBlacklist")->click();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(1), "bl.test");
  EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Checked);
  EXPECT_TRUE(change->isEnabled());

  // Change strips the stop as Add does; the test asks the resolver the check run uses.
  test::WhenModal([](QWidget* dialog) {
    auto* suffix = Child<QLineEdit>(dialog, "edtSuffix");
    EXPECT_EQ(suffix->text(), "bl.test");
    suffix->setText(".bl.test");
    Child<QPushButton>(dialog, "OKBtn")->click();
  });
  change->click();
  EXPECT_EQ(list->topLevelItem(0)->text(1), "bl.test");
  test::WhenModal([](QWidget* dialog) {
    Child<QPushButton>(dialog, "btnTest")->click();
    Child<QLineEdit>(dialog, "edtSuffix")->setText("unlisted.test");
    Child<QPushButton>(dialog, "btnTest")->click();
    Child<QPushButton>(dialog, "CancelBtn")->click();
  });
  change->click();
  ASSERT_GE(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[Ui.Boxes.size() - 2].Text, "Test Succeeded!");
  EXPECT_EQ(LastBox(), "Test failed! Check the suffix for correct syntax.");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "bl.test");

  // The defaults answered No change nothing; unticked, the list is saved so.
  Ui.SetNextAnswer(mbNo);
  Child<QPushButton>(prefs.get(), "btnBlacklistDefaults")->click();
  EXPECT_EQ(LastBox().rfind("This option will delete all the current blacklist systems", 0), 0u);
  ASSERT_EQ(list->topLevelItemCount(), 1);
  list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  Child<QSpinBox>(prefs.get(), "seRecdNum")->setValue(3);
  Child<QPushButton>(prefs.get(), "btnOk")->click();
  ASSERT_FALSE(prefs->isVisible()) << LastBox();
  Config->Blacklists.clear();
  ASSERT_TRUE(Config->LoadBlacklists());
  ASSERT_EQ(Config->Blacklists.size(), 1u);
  EXPECT_EQ(Config->Blacklists[0].Name, "Test list");
  EXPECT_EQ(Config->Blacklists[0].LookupSuffix, "bl.test");
  EXPECT_FALSE(Config->Blacklists[0].Enabled);
  EXPECT_EQ(Config->BlacklistCheckNum, 3);

  // Every blacklist deleted: the file goes.
  prefs = OpenAt(TPrefsPage::BlacklistLookups);
  list = Child<QTreeWidget>(prefs.get(), "lvBlackLists");
  list->setCurrentItem(list->topLevelItem(0));
  Ui.SetNextAnswer(mbYes);
  Child<QPushButton>(prefs.get(), "btnDeleteBlacklist")->click();
  Child<QPushButton>(prefs.get(), "btnOk")->click();
  EXPECT_FALSE(std::filesystem::exists(Dir / "blacklists.dat"));
}

TEST_F(PreferenceListsTest, ImportsFromACardFileAndThunderbirdAddToTheUnsavedListAndCancelWritesNothing) {
  Start();
  Config->ApprovedSenders = {{"boss@example.org", "Boss"}};
  Config->SaveApprovedSenders();
  const std::filesystem::path home = Dir / "home";
  const std::filesystem::path profile = home / ".thunderbird" / "a1b2.default-release";
  std::filesystem::create_directories(profile);
  UseHome(home);
  ASSERT_TRUE(test::WriteThunderbirdBook(
      profile / "abook.sqlite",
      "('1', 'DisplayName', 'Ann again'), ('1', 'PrimaryEmail', 'ANN@example.com'), ('2', 'DisplayName', 'Carl'),"
      "('2', 'PrimaryEmail', 'carl@example.net'), ('3', 'DisplayName', 'Dora'),"
      "('3', 'PrimaryEmail', 'dora@example.net'), ('4', 'DisplayName', 'Eve'), ('4', 'PrimaryEmail', "
      "'eve@example.net')"));
  const std::filesystem::path cards = Dir / "contacts.vcf";
  test::WriteTextFile(cards,
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nEMAIL;TYPE=INTERNET:ann@example.com\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Address\r\nTEL:123\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nEMAIL:bob@example.org\r\nEND:VCARD\r\n");
  const test::THomeSnapshot before = test::THomeSnapshot::Take(Dir.Path());

  auto prefs = OpenAt(TPrefsPage::ApprovedSenders);
  auto* list = Child<QTreeWidget>(prefs.get(), "lvSenders");
  auto* import = Child<QPushButton>(prefs.get(), "btnImport");
  // An edit not saved yet, which the imports must keep.
  test::WhenModal([this](QWidget* dialog) {
    auto* address = Child<QLineEdit>(dialog, "edtAddress");
    auto* ok = Child<QPushButton>(dialog, "btnOk");
    QTest::keyClicks(address, "  ");
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(address, "friend .org");
    ok->click();
    EXPECT_EQ(Ui.Boxes.back().Caption, "Format Error");
    EXPECT_TRUE(dialog->isVisible());
    address->setText("friend.org");
    ok->click();
  });
  Child<QPushButton>(prefs.get(), "btnAddException")->click();

  test::WhenModal([&](QWidget* dialog) {
    Child<QComboBox>(dialog, "cbSource")->setCurrentIndex(1);
    auto* file = Child<QLineEdit>(dialog, "feWabFile");
    file->setText(QString::fromStdString((Dir / "missing.vcf").string()));
    Child<QPushButton>(dialog, "btnImport")->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(LastBox(),
              "Unable to locate the specified address book.\r\nPlease browse to the file you wish to import.");
    file->setText("\"" + QString::fromStdString(cards.string()) + "\"");
    Child<QPushButton>(dialog, "btnImport")->click();
  });
  import->click();
  EXPECT_EQ(LastBox(), "Import Results:\r\nImported Addresses: 2\r\nDuped Addresses: 0");

  // From Thunderbird, picking: one unticked, one edited to nothing, which is no sender.
  Ui.SetNextInput("");
  test::WhenModal([](QWidget* dialog) {
    Child<QComboBox>(dialog, "cbSource")->setCurrentIndex(0);
    Child<QRadioButton>(dialog, "rbSelect")->click();
    test::WhenModal([](QWidget* pick) {
      auto* rows = Child<QTreeWidget>(pick, "lvImportRecs");
      EXPECT_EQ(Column(rows, 0),
                QStringList({"ANN@example.com", "carl@example.net", "dora@example.net", "eve@example.net"}));
      RowOf(rows, "carl@example.net")->setCheckState(0, Qt::Unchecked);
      emit rows->itemDoubleClicked(RowOf(rows, "dora@example.net"), 0);
      Child<QPushButton>(pick, "OKBtn")->click();
    });
    Child<QPushButton>(dialog, "btnImport")->click();
  });
  import->click();
  EXPECT_EQ(LastBox(), "Import Results:\r\nImported Addresses: 1\r\nDuped Addresses: 1");
  EXPECT_EQ(Column(list, 0),
            QStringList({"ann@example.com", "bob@example.org", "boss@example.org", "eve@example.net", "friend.org"}));
  EXPECT_EQ(RowOf(list, "friend.org")->text(1), " ");

  // Cancel, not saving: no file changes, and the configuration has the stored list again.
  Ui.SetNextAnswer(mbNo);
  Child<QPushButton>(prefs.get(), "btnCancel")->click();
  EXPECT_EQ(before.ChangedIn(test::THomeSnapshot::Now(Dir.Path())), "");
  EXPECT_EQ(Config->ApprovedSenders, (std::vector<ApprovedSenderRecord>{{"boss@example.org", "Boss"}}));

  // Saved, the import and a deletion of several rows reach the file.
  prefs = OpenAt(TPrefsPage::ApprovedSenders);
  list = Child<QTreeWidget>(prefs.get(), "lvSenders");
  test::WhenModal([&](QWidget* dialog) {
    Child<QLineEdit>(dialog, "feWabFile")->setText(QString::fromStdString(cards.string()));
    Child<QPushButton>(dialog, "btnImport")->click();
  });
  Child<QPushButton>(prefs.get(), "btnImport")->click();
  RowOf(list, "ann@example.com")->setSelected(true);
  RowOf(list, "bob@example.org")->setSelected(true);
  Ui.SetNextAnswer(mbNo);
  Child<QPushButton>(prefs.get(), "btnDeleteException")->click();
  EXPECT_EQ(LastBox(), "Delete the selected Approved Senders?");
  EXPECT_EQ(Ui.Boxes.back().Caption, "Confirm");
  RowOf(list, "ann@example.com")->setSelected(false);
  Ui.SetNextAnswer(mbYes);
  Child<QPushButton>(prefs.get(), "btnDeleteException")->click();
  EXPECT_EQ(LastBox(), "Delete the selected Approved Sender?");
  Child<QPushButton>(prefs.get(), "btnOk")->click();
  Config->ApprovedSenders.clear();
  ASSERT_TRUE(Config->LoadApprovedSenders());
  EXPECT_EQ(Config->ApprovedSenders,
            (std::vector<ApprovedSenderRecord>{{"ann@example.com", "Ann"}, {"boss@example.org", "Boss"}}));
}

}  // namespace
}  // namespace mailmoat
