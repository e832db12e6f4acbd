#include "core/ActivityLog.h"
#include "core/Registry.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "support/ConfigFixture.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::WriteTextFile;

// 08 Dec 2026 13:05:09 UTC; the tests run in UTC.
constexpr std::time_t Now = 1796735109;
constexpr std::time_t Day = 86400;

class ActivityLogTest : public test::ConfigFixture {
protected:
  ActivityLogTest() { StartUp(); }
};

TEST(LogTimeStamps, EnglishMonthNamesWhateverTheLocale) {
  EXPECT_EQ(LogTimeStamp(Now), "08 Dec 2026 13:05:09");
  EXPECT_EQ(RolledLogName(Now), "08Dec2026-130509_mmt.log");
  EXPECT_EQ(LogTimeStamp(0), "01 Jan 1970 00:00:00");
  EXPECT_EQ(LogLineDay("08 Dec 2026 13:05:09 @ x"), 20795);
  EXPECT_EQ(LogLineDay("29 feb 2024"), LogLineDay("01 Mar 2024").value() - 1);
  for (const char* bad : {"29 Feb 2025 x", "32 Jan 2026 x", "00 Jan 2026 x", "8 Dec 2026 xx", "08 Dez 2026 x",
                          "08 Dec 26 x", "  continued", ""}) {
    EXPECT_FALSE(LogLineDay(bad).has_value()) << bad;
  }
}

TEST(LogLevels, TerseSitsBetweenNoneAndNormal) {
  const struct {
    int Level;
    bool All, Normal, Verbose, Debug;
  } table[] = {
      {LogLevel::None, false, false, false, false}, {LogLevel::Terse, true, false, false, false},
      {LogLevel::Normal, true, true, false, false}, {LogLevel::Verbose, true, true, true, false},
      {LogLevel::Debug, true, true, true, true},    {7, false, false, false, false},
  };
  for (const auto& row : table) {
    EXPECT_EQ(LogLevelAdmits(row.Level, TLogClass::All), row.All) << row.Level;
    EXPECT_EQ(LogLevelAdmits(row.Level, TLogClass::Normal), row.Normal) << row.Level;
    EXPECT_EQ(LogLevelAdmits(row.Level, TLogClass::Verbose), row.Verbose) << row.Level;
    EXPECT_EQ(LogLevelAdmits(row.Level, TLogClass::Debug), row.Debug) << row.Level;
  }
}

TEST_F(ActivityLogTest, LinesAreTimeStampedAndEndWithCrLf) {
  Config->WriteLog("@ first");
  Clock += 61;
  Config->Log(TLogClass::Normal, "! second");
  Config->WriteLog("");
  EXPECT_EQ(Log(), "08 Dec 2026 13:05:09 @ first\r\n08 Dec 2026 13:06:10 ! second\r\n");
}

TEST_F(ActivityLogTest, LevelNoneCreatesNoFileEvenForErrors) {
  Config->LoggingLevel = LogLevel::None;
  Config->WriteLog("! Upgrade of Approved Senders failed!");
  Config->Log(TLogClass::All, "! x");
  EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(ActivityLogTest, TerseWritesProfileLinesButNotConnectionLines) {
  Config->LoggingLevel = LogLevel::Terse;
  Config->Log(TLogClass::All, "@ Processing POP3 profile Home");
  Config->Log(TLogClass::Normal, "@ Connecting to server pop.example.org");
  Config->Log(TLogClass::Verbose, "+ Blacklookup for: 1.2.3.4");
  EXPECT_EQ(Log(), "08 Dec 2026 13:05:09 @ Processing POP3 profile Home\r\n");
}

// WriteLog throws; TryLog and TryWriteLog swallow the failure and say so, and a line the
// logging level does not want counts as done.
TEST_F(ActivityLogTest, UnwritableLogIsAnInputOutputErrorThatTheTryWritersSwallow) {
  std::filesystem::create_directory(LogPath());
  EXPECT_THROW(Config->WriteLog("@ x"), EInOutError);
  EXPECT_FALSE(Config->TryWriteLog("@ x"));
  EXPECT_FALSE(Config->TryLog(TLogClass::All, "@ x"));
  Config->LoggingLevel = 0;
  EXPECT_TRUE(Config->TryLog(TLogClass::Verbose, "@ x"));
}

struct TRollOverCase {
  int Disp;
  std::uint64_t Size;
  bool Rolls;
};

class LogRollOverTest : public ActivityLogTest, public testing::WithParamInterface<TRollOverCase> {};

TEST_P(LogRollOverTest, RollsOverAtTheLimitExactly) {
  const TRollOverCase c = GetParam();
  Config->LogDisp = c.Disp;
  Config->MaxLogSize = 64;
  const std::string old(c.Size, 'x');
  WriteTextFile(LogPath(), old);
  Config->WriteLog("@ next");
  const std::string line = "08 Dec 2026 13:05:09 @ next\r\n";
  const TPath rolled = Dir / "08Dec2026-130509_mmt.log";
  if (!c.Rolls) {
    EXPECT_EQ(Log(), old + line);
    EXPECT_FALSE(FileExists(rolled));
  } else if (c.Disp == LogDisposition::Delete) {
    EXPECT_EQ(Log(), "08 Dec 2026 13:05:09 ^ Log file reached max size. New log started - old log deleted.\r\n" + line);
    EXPECT_FALSE(FileExists(rolled));
  } else {
    EXPECT_EQ(Log(),
              "08 Dec 2026 13:05:09 ^ Log file reached max size. New log started - old log renamed to "
              "08Dec2026-130509_mmt.log.\r\n" +
                  line);
    EXPECT_EQ(ReadTextFile(rolled), old);
  }
}

INSTANTIATE_TEST_SUITE_P(EachDisposition, LogRollOverTest,
                         testing::Values(TRollOverCase{LogDisposition::Delete, 65535, false},
                                         TRollOverCase{LogDisposition::Delete, 65536, true},
                                         TRollOverCase{LogDisposition::Rename, 65535, false},
                                         TRollOverCase{LogDisposition::Rename, 65536, true},
                                         TRollOverCase{LogDisposition::Trim, 65535, false},
                                         TRollOverCase{LogDisposition::Trim, 65536, true}),
                         [](const testing::TestParamInfo<TRollOverCase>& param) {
                           return LogDispText(param.param.Disp) + std::to_string(param.param.Size);
                         });

TEST_F(ActivityLogTest, NoLimitMeansTheLogGrowsWithoutRollOver) {
  for (int limit : {0, -1}) {
    Config->MaxLogSize = limit;
    WriteTextFile(LogPath(), std::string(1 << 20, 'x'));
    Config->WriteLog("@ x");
    EXPECT_EQ(FileSize(LogPath()), (1u << 20) + 26u);
  }
}

TEST_F(ActivityLogTest, RollOverNeverReplacesAnEarlierRolledLog) {
  Config->MaxLogSize = 1;
  WriteTextFile(LogPath(), std::string(1024, 'a'));
  WriteTextFile(Dir / "08Dec2026-130509_mmt.log", "earlier log");
  Config->WriteLog("@ x");
  EXPECT_EQ(ReadTextFile(Dir / "08Dec2026-130509_mmt.log"), "earlier log");
  EXPECT_EQ(Log(), std::string(1024, 'a') + "08 Dec 2026 13:05:09 @ x\r\n");
}

std::string Line(std::time_t when, const std::string& text) {
  return LogTimeStamp(when) + " " + text + "\r\n";
}

TEST_F(ActivityLogTest, TrimKeepsTheLastDaysCountingToday) {
  const std::string kept = Line(Now - 6 * Day, "@ six days ago") + "  continued line of a message\r\n" +
                           Line(Now - 9 * Day, "@ out of order, kept with the rest") + Line(Now, "@ today");
  WriteTextFile(LogPath(), Line(Now - 30 * Day, "@ a month ago") + "   with a second line\r\n" +
                               Line(Now - 7 * Day, "@ seven days ago") + kept);
  Config->TrimLog(7);
  EXPECT_EQ(Log(), kept);
  EXPECT_TRUE(Ui.Boxes.empty());
  EXPECT_FALSE(FileExists(Dir / "mmt.~og"));
  ASSERT_GE(Ui.Busy.size(), 5u);
  EXPECT_EQ(Ui.Busy[0], "position 0");
  EXPECT_EQ(Ui.Busy[1], "show");
  EXPECT_EQ(Ui.Busy[2], "caption Trimming log file . . .");
  EXPECT_EQ(Ui.Busy.back(), "hide");
}

TEST_F(ActivityLogTest, TrimOneDayKeepsOnlyTodayAndOldLogsBecomeEmpty) {
  WriteTextFile(LogPath(), Line(Now - Day, "@ yesterday") + Line(Now - 3600, "@ this morning") + Line(Now, "@ now"));
  Config->TrimLog(1);
  EXPECT_EQ(Log(), Line(Now - 3600, "@ this morning") + Line(Now, "@ now"));

  WriteTextFile(LogPath(), Line(Now - 2 * Day, "@ old") + Line(Now - Day, "@ yesterday"));
  Config->TrimLog(1);
  EXPECT_TRUE(FileExists(LogPath()));
  EXPECT_EQ(Log(), "");

  // A line from the future counts as today.
  WriteTextFile(LogPath(), Line(Now + 5 * Day, "@ clock was wrong"));
  Config->TrimLog(1);
  EXPECT_EQ(Log(), Line(Now + 5 * Day, "@ clock was wrong"));
}

TEST_F(ActivityLogTest, TrimOfAFileItCannotDateChangesNothing) {
  const std::string foreign = "this is not a log\r\n" + Line(Now, "@ today");
  WriteTextFile(LogPath(), foreign);
  Config->TrimLog(7);
  EXPECT_EQ(Log(), foreign);
  EXPECT_FALSE(FileExists(Dir / "mmt.~og"));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text, "'this is not' is not a valid date");
  EXPECT_EQ(Ui.Busy.back(), "hide");
}

TEST_F(ActivityLogTest, TrimWithNoDaysOrNoLogDoesNothing) {
  Config->TrimLog(3);
  EXPECT_FALSE(FileExists(LogPath()));
  WriteTextFile(LogPath(), Line(Now - 100 * Day, "@ old"));
  Config->TrimLog(0);
  Config->TrimLog(-1);
  EXPECT_EQ(Log(), Line(Now - 100 * Day, "@ old"));
  EXPECT_TRUE(Ui.Busy.empty());
}

TEST_F(ActivityLogTest, ShowLogOpensTheFileOrWarns) {
  Config->ActivityLog.ShowLog();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[0].Text, "No log file currently exists to view.");
  Config->WriteLog("@ x");
  Config->ActivityLog.ShowLog();
  EXPECT_EQ(Ui.OpenedFiles, std::vector<std::string>{LogPath().string()});
}

TEST_F(ActivityLogTest, ClearLogAsksFirstAndWaitsForARunningCheck) {
  Config->ActivityLog.ClearLog(false);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
  EXPECT_EQ(Ui.Boxes[0].Text, "No Mailmoat Pro log file found.");

  Config->WriteLog("@ x");
  Config->ActivityLog.ClearLog(true);
  EXPECT_EQ(Ui.Boxes.size(), 1u);

  Ui.SetNextAnswer(mbNo);
  Config->ActivityLog.ClearLog(false);
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[1].Kind, TMsgKind::Confirmation);
  EXPECT_EQ(Ui.Boxes[1].Text, "Delete Mailmoat Pro log file?");
  EXPECT_EQ(Ui.Boxes[1].Buttons, TMsgButtons(mbYes | mbNo));
  EXPECT_TRUE(FileExists(LogPath()));

  Ui.SetNextAnswer(mbYes);
  Config->ActivityLog.ClearLog(false);
  EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(ActivityLogTest, ClearOldEntriesRemembersTheChosenDays) {
  std::vector<int> offered;
  auto ask = [&](std::optional<int> answer) {
    return [&offered, answer](int days) {
      offered.push_back(days);
      return answer;
    };
  };
  Config->ActivityLog.ClearOldEntries(false, ask(3));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "No log file currently exists. Trimming not needed.");
  EXPECT_TRUE(offered.empty());

  WriteTextFile(LogPath(), Line(Now - 5 * Day, "@ old") + Line(Now, "@ new"));
  Config->ActivityLog.ClearOldEntries(true, ask(3));
  EXPECT_TRUE(offered.empty());
  Config->ActivityLog.ClearOldEntries(false, ask(std::nullopt));
  EXPECT_EQ(Log(), Line(Now - 5 * Day, "@ old") + Line(Now, "@ new"));
  Config->ActivityLog.ClearOldEntries(false, ask(3));
  EXPECT_EQ(Log(), Line(Now, "@ new"));
  Config->ActivityLog.ClearOldEntries(false, ask(std::nullopt));
  EXPECT_EQ(offered, (std::vector<int>{7, 7, 3}));
  EXPECT_EQ(Config->Registry.ReadInteger("Settings", "TrimLogDays"), 3);
}

}  // namespace
}  // namespace mailmoat
