#include "archive/ArchiveListing.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mailmoat {
namespace {

using test::WriteTextFile;

std::string Dated(const char* text, bool toUtc = true) {
  return FormatMailTime(ParseMailDate(text, toUtc));
}

TEST(ParseMailDate, ReadsTheFormsMailCarriesAndNothingElse) {
  EXPECT_EQ(Dated("Thu, 05 Dec 2024 09:03:07 +0100"), "05 Dec 2024 08:03:07");
  // Two blanks before a one-digit day, and a time without seconds.
  EXPECT_EQ(Dated("Thu,  5 Dec 2024 9:03 -0500 (EST)"), "05 Dec 2024 14:03:00");
  EXPECT_EQ(Dated("5 Dec 24 23:59:59 GMT"), "05 Dec 2024 23:59:59");
  EXPECT_EQ(Dated("Sat, 31 Dec 2022 23:30:00 -0100"), "01 Jan 2023 00:30:00");
  EXPECT_EQ(Dated("Thu, 05 Dec 2024 09:03:07 +0100", false), "05 Dec 2024 09:03:07");
  for (const char* unreadable : {"", "   ", "yesterday", "31 Feb 2024 10:00:00", "5 Dec 2024", "5 Dec 2024 25:00:00",
                                 "5 Dec 202 10:00:00", "Thursday"})
    EXPECT_EQ(ParseMailDate(unreadable, true), ZeroMailTime) << unreadable;
  EXPECT_EQ(FormatMailTime(ZeroMailTime), "30 Dec 1899 00:00:00");
  EXPECT_EQ(MailDay(EncodeMailTime(2026, 12, 8, 23, 59, 59)) - MailDay(EncodeMailTime(2026, 12, 6)), 2);
}

class ArchiveListingTest : public testing::Test {
protected:
  // An archived message as the check run writes it: the rejection lines end the header block.
  void Archive(const std::string& name, const std::string& headers, const std::string& reason,
               const TPath& folder = {}) {
    const TPath dir = folder.empty() ? Dir.Path() / "home" : folder;
    std::filesystem::create_directories(dir);
    WriteTextFile(dir / name, headers + "X-SpamRejection1: ---\r\nX-SpamRejection2: Mailmoat\r\nX-SpamRejection3: " +
                                  reason + "\r\nX-SpamRejection4: ---\r\n\r\nBody text\r\n");
  }
  test::TTempDir Dir;
};

TEST_F(ArchiveListingTest, AFolderListsSortsAndDeletesByDateExactly) {
  std::string received;
  for (int i = 0; i < 140; ++i)
    received += "Received: from relay" + std::to_string(i) + ".example.net (relay.example.net [192.0.2.1]) by mx\r\n";
  ASSERT_GT(received.size(), 10000u);
  Archive("01.spam",
          received +
              "Date: Thu,  5 Dec 2024 09:03 +0000\r\nFrom: Sam <sam@example.net>\r\n"
              "To: a@x.org, b@x.org, \"Cee\" <c@x.org>, d@x.org\r\nSubject: pills\r\n",
          "Subject contains pills");
  Archive("02.spam", "Date: Wed, 4 Dec 2024 23:00:00 -0200\r\nFrom: amy@example.org\r\nSubject: Amazing offer\r\n",
          "Blacklisted");
  Archive("03.spam", "From: nobody@example.com\r\n", "No date");
  Archive("04.spam", "Date: 3 Dec 2024 10:00:00 +0000\r\n", "Bare");
  WriteTextFile(Dir / "home" / "notes.txt", "not archived mail");

  const auto rows = ListArchiveFolder(Dir.Path() / "home");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].DatedText, "05 Dec 2024 09:03:00");
  EXPECT_EQ(rows[0].From, "Sam <sam@example.net>");
  EXPECT_EQ(rows[0].To, " <a@x.org>, <b@x.org>,Cee <c@x.org>...");
  EXPECT_EQ(rows[0].Reason, "Subject contains pills");
  EXPECT_EQ(rows[1].DatedText, "05 Dec 2024 01:00:00");
  EXPECT_EQ(rows[2].DatedText, "30 Dec 1899 00:00:00");
  EXPECT_EQ(rows[3].From, " ");
  EXPECT_EQ(rows[3].To, " ");
  EXPECT_EQ(rows[3].Subject, " ");

  const auto order = [&rows](const TArchiveSort& sort) {
    auto sorted = rows;
    sort.Sort(sorted);
    std::string names;
    for (const TArchiveRow& row : sorted) names += row.File.stem().string() + " ";
    return names;
  };
  TArchiveSort sort;
  sort.Reset();
  sort.Repeat();
  EXPECT_EQ(order(sort), "01 02 04 03 ");
  // A refresh repeats the click, which reverses the dates.
  sort.Repeat();
  EXPECT_EQ(order(sort), "03 04 02 01 ");
  sort.Click(static_cast<int>(TArchiveColumn::From));
  EXPECT_EQ(order(sort), "04 02 03 01 ");
  // After another column, a refresh sorts by date again, newest first.
  sort.Repeat();
  EXPECT_EQ(order(sort), "01 02 04 03 ");
  sort.Click(static_cast<int>(TArchiveColumn::Subject));
  EXPECT_EQ(order(sort), "03 04 02 01 ");
  sort.Click(static_cast<int>(TArchiveColumn::Subject));
  EXPECT_EQ(order(sort), "01 02 03 04 ");

  std::vector<TPath> old = FilesDatedBefore(rows, EncodeMailTime(2024, 12, 5));
  ASSERT_EQ(old.size(), 2u);
  EXPECT_EQ(old[0].filename(), "03.spam");
  EXPECT_EQ(old[1].filename(), "04.spam");
  for (const TPath& file : old) DeleteArchiveFile(file);
  DeleteArchiveFile(old[0]);
  EXPECT_EQ(ListArchiveFolder(Dir.Path() / "home").size(), 2u);
  EXPECT_EQ(ArchivePrintRows(rows)[1], (std::vector<std::string>{"2", "05 Dec 2024 01:00:00", " <amy@example.org>", " ",
                                                                 "Amazing offer", "Blacklisted"}));
  EXPECT_THROW(ListArchiveFolder(Dir.Path() / "gone"), EInOutError);
}

TEST_F(ArchiveListingTest, AllProfilesListEveryFolderOnce) {
  const TPath home = Dir.Path() / "Archive";
  const TPath other = Dir.Path() / "archive";
  Archive("1.spam", "Subject: first\r\n", "r", home);
  Archive("2.spam", "Subject: second\r\n", "r", other);
  std::vector<std::string> begun;
  TArchiveScan scan;
  scan.Begin = [&begun](const std::string& caption, std::size_t files) {
    begun.push_back(caption + " " + std::to_string(files));
  };
  // One folder under two spellings; a folder that differs only in case is another folder.
  const auto rows = ListAllArchives({{"Home", home},
                                     {"Again", TPath(home.string() + "/")},
                                     {"Also", Dir.Path() / "x" / ".." / "Archive"},
                                     {"Other", other},
                                     {"Missing", Dir.Path() / "gone"}},
                                    scan);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(begun, (std::vector<std::string>{"Scanning profile Home ... 1", "Scanning profile Other ... 1"}));
}

}  // namespace
}  // namespace mailmoat
