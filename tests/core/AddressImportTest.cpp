#include "core/AddressImport.h"
#include "support/ThunderbirdBook.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mailmoat {
namespace {

using test::WriteTextFile;

std::string Listed(const std::vector<TAddrRecord>& records) {
  std::string text;
  for (const TAddrRecord& r : records) text += "[" + r.Address + "|" + r.Name + "]";
  return text;
}

TEST(AddressImport, TextFilesGiveAnAddressAndEverythingAfterTheFirstComma) {
  EXPECT_EQ(Listed(ReadTextAddresses("joe@example.org\r\n   \r\namy@example.com,Smith, Amy\n @example.net ,Work \n")),
            "[joe@example.org|][amy@example.com|Smith, Amy][ @example.net |Work ]");
}

TEST(AddressImport, VCardsGiveTheFirstAddressOfEachCardThatHasOne) {
  const char cards[] =
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Joe Bloggs\r\nN:Bloggs;Joe;;;\r\nEMAIL;TYPE=INTERNET:joe@example.org\r\n"
      "EMAIL:joe@work.example\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;Amy\r\nitem1.EMAIL;PREF:amy@exa\r\n mple.com\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:No Mail\\, Inc.\r\nTEL:+1 555 0100\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Uri\r\nEMAIL:mailto:uri@example.net\r\nEND:VCARD\r\n";
  EXPECT_EQ(Listed(ReadVCards(cards)), "[joe@example.org|Joe Bloggs][amy@example.com|Amy Smith][uri@example.net|Uri]");
  EXPECT_EQ(Listed(ReadVCards("EMAIL:outside@card.example\r\nBEGIN:VCARD\r\nEMAIL:cut@off.example")), "");
}

TEST(AddressImport, AThunderbirdBookAndAFolderOfCardsAreReadFromDisk) {
  test::TTempDir dir;
  const std::filesystem::path profile = dir / ".thunderbird" / "x1y2.default-release";
  std::filesystem::create_directories(profile);
  ASSERT_TRUE(test::WriteThunderbirdBook(profile / "abook.sqlite",
                                         "('a', 'DisplayName', 'Joe Bloggs'), ('a', 'PrimaryEmail', 'joe@example.org'),"
                                         "('b', 'FirstName', 'Amy'), ('b', 'LastName', 'Smith'),"
                                         "('b', 'SecondEmail', 'amy@example.com'), ('c', 'DisplayName', 'Nobody')"));
  const std::vector<TPath> books = ThunderbirdAddressBooks(dir.Path());
  ASSERT_EQ(books.size(), 1u);
  EXPECT_EQ(Listed(ReadAddressBookFile(books[0])), "[joe@example.org|Joe Bloggs][amy@example.com|Amy Smith]");

  std::filesystem::create_directory(dir / "cards");
  WriteTextFile(dir / "cards" / "b.vcf", "BEGIN:VCARD\nFN:Bee\nEMAIL:bee@example.org\nEND:VCARD\n");
  WriteTextFile(dir / "cards" / "a.VCF", "BEGIN:VCARD\nFN:Ay\nEMAIL:ay@example.org\nEND:VCARD\n");
  WriteTextFile(dir / "cards" / "notes.txt", "not a card");
  EXPECT_EQ(Listed(ReadVCardFolder(dir / "cards")), "[ay@example.org|Ay][bee@example.org|Bee]");
  EXPECT_EQ(Listed(ReadAddressBookFile(dir / "cards" / "b.vcf")), "[bee@example.org|Bee]");
  WriteTextFile(dir / "broken.sqlite", "SQLite format 3 but nothing else");
  EXPECT_THROW(ReadAddressBookFile(dir / "broken.sqlite"), EInOutError);
}

TEST(AddressImport, AddingCountsDuplicatesInAnyCaseAndSkipsEmptyAddresses) {
  std::vector<ApprovedSenderRecord> senders = {{"Joe@Example.org", "Joe"}};
  std::vector<TAddrRecord> found = {{"Joe", "joe@example.org", true},
                                    {"Amy", "amy@example.com", true},
                                    {"Amy again", "AMY@example.com", true},
                                    {"Blank", "   ", true},
                                    {"Skipped", "skip@example.com", false}};
  const TImportCounts first = AddImportedSenders(senders, found);
  EXPECT_EQ(first.Imported, 1);
  EXPECT_EQ(first.Duplicates, 2);
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[1], (ApprovedSenderRecord{"amy@example.com", "Amy"}));
  const TImportCounts again = AddImportedSenders(senders, found);
  EXPECT_EQ(again.Imported, 0);
  EXPECT_EQ(again.Duplicates, 3);
}

}  // namespace
}  // namespace mailmoat
