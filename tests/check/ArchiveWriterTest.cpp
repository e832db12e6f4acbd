// The archive file itself: its name, its reason line, where it goes, and that a message is
// only ever reported archivable when a complete file exists.
#include "check/ArchiveWriter.h"
#include "filter/FilterTestSupport.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>

namespace mailmoat {
namespace {

class ArchiveWriterTest : public test::FilterTest {
protected:
  void SetUp() override {
    FilterTest::SetUp();
    Config->LoggingLevel = LogLevel::Normal;
    Writer = std::make_unique<TArchiveWriter>(*Config, [this] {
      const int next = Draws.front();
      Draws.pop_front();
      return next;
    });
    Profile.Archive = true;
    Profile.ArchiveDir = (Dir / "spam").string();
  }
  // A header-rule rejection as the check run holds it: the header summary of TOP.
  void LoadSummary(TmsMessage& msg, const std::string& subject) {
    msg.LoadHeaderSummary({"From: pat@example.com", "To: joe@example.org", "Subject: " + subject, "", "body", "."});
  }
  bool Archive(const std::string& subject, const std::string& reason = "Pills in the subject") {
    TmsMessage msg;
    LoadSummary(msg, subject);
    return Writer->ArchiveMessage(msg, Pop, Profile, reason, false);
  }
  std::vector<std::string> Files(const std::filesystem::path& dir) const {
    std::vector<std::string> names;
    if (std::filesystem::exists(dir))
      for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::deque<int> Draws;
  std::unique_ptr<TArchiveWriter> Writer;
  TmsPOPClient Pop;  // never connected: nothing here retrieves
  ProfileRecord Profile;
};

TEST_F(ArchiveWriterTest, TheNameIsTheDateAndTimeThenTheNumber) {
  for (const int number : {0, 7, 99999}) {
    const std::string name = TArchiveWriter::ArchiveFileName(Config->Clock(), number);
    const std::string digits = name.substr(0, name.size() - 5);
    EXPECT_TRUE(name.ends_with(".spam")) << name;
    EXPECT_TRUE(std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) << name;
    EXPECT_EQ(digits.substr(14), std::to_string(number));
  }
  // mmddyyyy first: the year sits in the middle.
  EXPECT_EQ(TArchiveWriter::ArchiveFileName(Config->Clock(), 0).substr(4, 4), "2026");
}

TEST_F(ArchiveWriterTest, TheReasonLineNamesUntickedOkAndBlankReasons) {
  EXPECT_EQ(TArchiveWriter::RejectionReasonLine("ok"), "X-SpamRejection3: selected for deletion during check and view");
  EXPECT_EQ(TArchiveWriter::RejectionReasonLine(" ok\t\r\n"),
            "X-SpamRejection3: selected for deletion during check and view");
  EXPECT_EQ(TArchiveWriter::RejectionReasonLine("   "), "X-SpamRejection3: unknown or unavailable");
  EXPECT_EQ(TArchiveWriter::RejectionReasonLine(""), "X-SpamRejection3: unknown or unavailable");
  EXPECT_EQ(TArchiveWriter::RejectionReasonLine(" Pills "), "X-SpamRejection3:  Pills ");
  EXPECT_EQ(TArchiveWriter::RejectionReasonLine("okay"), "X-SpamRejection3: okay");
}

TEST_F(ArchiveWriterTest, TwoMessagesInOneSecondNeverShareAFile) {
  Draws = {5, 5, 6};
  ASSERT_TRUE(Archive("first"));
  ASSERT_TRUE(Archive("second"));
  const std::string stamp = TArchiveWriter::ArchiveFileName(Config->Clock(), 0);
  const std::string prefix = stamp.substr(0, 14);
  EXPECT_EQ(Files(Dir / "spam"), (std::vector<std::string>{prefix + "5.spam", prefix + "6.spam"}));
  EXPECT_NE(test::ReadTextFile(Dir / "spam" / (prefix + "5.spam")).find("Subject: first"), std::string::npos);
  EXPECT_TRUE(Draws.empty());
}

TEST_F(ArchiveWriterTest, TheFolderIsMadeWithAllItsLevelsAndATrailingSlashChangesNothing) {
  Draws = {1, 2};
  Profile.ArchiveDir = "mail/spam/home/";  // relative: inside the program directory
  ASSERT_TRUE(Archive("first"));
  Profile.ArchiveDir = "mail/spam/home";
  ASSERT_TRUE(Archive("second"));
  EXPECT_EQ(Files(Dir / "mail/spam/home").size(), 2u);
  EXPECT_EQ(Writer->LastFile().parent_path(), Dir / "mail/spam/home");
}

TEST_F(ArchiveWriterTest, NoFolderMeansNothingToWrite) {
  Profile.ArchiveDir.clear();
  EXPECT_TRUE(Archive("first"));
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));
}

TEST_F(ArchiveWriterTest, AFailedWriteLeavesNoFileAndRefusesTheDeletion) {
  Draws = {1};
  std::filesystem::create_directories(Dir / "spam");
  const std::string big(8000, 'x');
  {
    test::TFileSizeLimit limit(4096);
    TmsMessage msg;
    LoadSummary(msg, "first");
    msg.Body = {big};
    EXPECT_FALSE(Writer->ArchiveMessage(msg, Pop, Profile, "Pills", false));
  }
  EXPECT_TRUE(Files(Dir / "spam").empty());
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 1u) << Log();
  EXPECT_EQ(lines[0].rfind("! Archiving error: ", 0), 0u);
}

}  // namespace
}  // namespace mailmoat
