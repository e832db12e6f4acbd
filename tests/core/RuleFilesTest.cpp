#include "core/FileCompress.h"
#include "core/RuleFiles.h"
#include "core/StoreTestSupport.h"
#include "support/FileSizeLimit.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TFileSnapshot;
using test::WriteTextFile;

TRuleRec Rule(const std::string& description, std::uint8_t type) {
  TRuleRec r;
  r.Description = description;
  r.HeaderField = "Subject";
  r.Expression = "(?i)" + description;
  r.RuleType = type;
  return r;
}

class RuleFilesTest : public test::StoreTest {
protected:
  TPath System() const { return Dir / "mmtrules.bin"; }
  TPath User() const { return Dir / "usrrules.bin"; }
  std::string Expanded(const TPath& file) const { return DecompressContainer(ReadTextFile(file)); }
  void WriteExpanded(const TPath& file, const std::string& content) const {
    WriteTextFile(file, CompressContainer(content));
  }
};

TEST_F(RuleFilesTest, RecordLayoutIsLittleEndianWithZeroedPadding) {
  TRuleRec r = Rule("Viagra", RuleType::Body);
  r.HeaderField = "ALL";
  r.Weight = -2;
  r.Enabled = false;
  r.RejectOnMatch = true;
  r.RuleID = 0x01020304;
  r.Reserved[0] = 0xEE;
  r.Reserved[247] = 0x11;
  const std::string bytes = EncodeRules({r}, {});
  ASSERT_EQ(bytes.size(), 612u);
  EXPECT_EQ(bytes.substr(0, 7), "\x06Viagra");
  EXPECT_EQ(bytes.substr(51, 4),
            "\x03"
            "ALL");
  EXPECT_EQ(bytes.substr(92, 11), "\x0A(?i)Viagra");
  EXPECT_EQ(bytes.substr(348, 4), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(bytes.substr(352, 4), "\xFE\xFF\xFF\xFF");
  EXPECT_EQ(bytes.substr(356, 4), std::string("\0\x01\0\0", 4));
  EXPECT_EQ(bytes.substr(360, 4), "\x04\x03\x02\x01");
  EXPECT_EQ(static_cast<unsigned char>(bytes[364]), 0xEE);
  EXPECT_EQ(static_cast<unsigned char>(bytes[611]), 0x11);
  EXPECT_EQ(DecodeRules(bytes), std::vector<TRuleRec>{r});
}

TEST_F(RuleFilesTest, SavedListsLoadBackIntoTheSameListsWithReservedBytesKept) {
  auto config = NewConfig();
  config->SysHeaderRules = {Rule("h1", RuleType::Header), Rule("h2", RuleType::Header)};
  config->SysBodyRules = {Rule("b1", RuleType::Body)};
  config->UserRules = {Rule("u1", RuleType::Header), Rule("u2", RuleType::Body)};
  config->AcceptRules = {Rule("a1", RuleType::AlwaysAccept)};
  config->SysBodyRules[0].Reserved.fill(0x42);
  config->SysBodyRules[0].RuleID = 7301;
  config->SysBodyRules[0].Weight = 5;
  ASSERT_TRUE(config->SaveRules());
  EXPECT_EQ(Expanded(System()).size(), 3 * 612u);
  EXPECT_EQ(Expanded(User()).size(), 3 * 612u);
  const std::string firstUser = Expanded(User()).substr(0, 612);
  EXPECT_EQ(firstUser, EncodeRules({Rule("u1", RuleType::Header)}, {}));

  auto again = NewConfig();
  again->LoadRules();
  EXPECT_EQ(again->SysHeaderRules, config->SysHeaderRules);
  EXPECT_EQ(again->SysBodyRules, config->SysBodyRules);
  EXPECT_EQ(again->UserRules, config->UserRules);
  EXPECT_EQ(again->AcceptRules, config->AcceptRules);
  EXPECT_EQ(Log(), "");
}

TEST_F(RuleFilesTest, RecordsGoToTheirListByTypeNotByPosition) {
  WriteExpanded(System(), EncodeRules({Rule("s0", RuleType::Header), Rule("s1", RuleType::Body),
                                       Rule("s2", RuleType::AlwaysAccept), Rule("s3", 3), Rule("s255", 255)},
                                      {}));
  WriteExpanded(User(), EncodeRules({Rule("u0", RuleType::Header), Rule("u1", RuleType::Body),
                                     Rule("u2", RuleType::AlwaysAccept), Rule("u7", 7)},
                                    {}));
  auto config = NewConfig();
  config->LoadRules();
  const auto names = [](const std::vector<TRuleRec>& rules) {
    std::vector<std::string> out;
    for (const auto& r : rules) out.push_back(r.Description);
    return out;
  };
  EXPECT_EQ(names(config->SysHeaderRules), std::vector<std::string>{"s0"});
  EXPECT_EQ(names(config->SysBodyRules), (std::vector<std::string>{"s1", "s3", "s255"}));
  EXPECT_EQ(names(config->UserRules), (std::vector<std::string>{"u0", "u1", "u7"}));
  // System always-accept records come first.
  EXPECT_EQ(names(config->AcceptRules), (std::vector<std::string>{"s2", "u2"}));
  EXPECT_EQ(config->SysBodyRules[2].RuleType, 255);

  // On the next save the always-accept record moves to the user's file.
  ASSERT_TRUE(config->SaveRules());
  EXPECT_EQ(DecodeRules(Expanded(System())).size(), 4u);
  const auto user = DecodeRules(Expanded(User()));
  ASSERT_EQ(user.size(), 5u);
  EXPECT_EQ(user[3].Description, "s2");
  EXPECT_EQ(user[4].Description, "u2");
}

TEST_F(RuleFilesTest, LoadingNeverChangesTheFiles) {
  auto config = NewConfig();
  config->SysHeaderRules = {Rule("h", RuleType::Header)};
  config->UserRules = {Rule("u", RuleType::Body)};
  config->SaveRules();
  const TFileSnapshot system = TFileSnapshot::Take(System());
  const TFileSnapshot user = TFileSnapshot::Take(User());
  config->LoadRules();
  EXPECT_EQ(test::CurrentState(System()), system);
  EXPECT_EQ(test::CurrentState(User()), user);
  EXPECT_EQ(DataFiles(), (std::vector<std::string>{"mmtrules.bin", "usrrules.bin"}));
}

TEST_F(RuleFilesTest, NoUserRulesDeletesTheUserFile) {
  auto config = NewConfig();
  config->UserRules = {Rule("u", RuleType::Body)};
  config->SaveRules();
  ASSERT_TRUE(FileExists(User()));
  config->UserRules.clear();
  ASSERT_TRUE(config->SaveRules());
  EXPECT_FALSE(FileExists(User()));
  // The system file is written even when empty.
  EXPECT_EQ(Expanded(System()), "");
  config->UserRules = {Rule("stale", RuleType::Body)};
  config->LoadRules();
  EXPECT_TRUE(config->UserRules.empty());
  EXPECT_TRUE(config->AcceptRules.empty());
}

TEST_F(RuleFilesTest, ADamagedFileIsLoggedAndEmptiesOnlyItsOwnLists) {
  // Declares far more than any rule file holds.
  WriteTextFile(System(), "\xFF\xFF\xFF\xFFgarbage");
  WriteExpanded(User(), EncodeRules({Rule("u", RuleType::Body), Rule("a", RuleType::AlwaysAccept)}, {}));
  auto config = NewConfig();
  config->SysHeaderRules = {Rule("stale", RuleType::Header)};
  config->LoadRules();
  EXPECT_TRUE(config->SysHeaderRules.empty());
  EXPECT_TRUE(config->SysBodyRules.empty());
  EXPECT_EQ(config->UserRules.size(), 1u);
  EXPECT_EQ(config->AcceptRules.size(), 1u);
  EXPECT_EQ(Log().rfind("08 Dec 2026 13:05:09 ! Read System Rules Exception: ", 0), 0u) << Log();

  WriteTextFile(User(), "\x01");
  config->LoadRules();
  EXPECT_TRUE(config->UserRules.empty());
  EXPECT_NE(Log().find("! Read User Rules Exception: "), std::string::npos) << Log();
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(RuleFilesTest, AFailedWriteLeavesBothFilesAndIsLoggedOrShownByLevel) {
  auto config = NewConfig();
  config->SysHeaderRules = {Rule("h", RuleType::Header)};
  config->UserRules = {Rule("u", RuleType::Body)};
  ASSERT_TRUE(config->SaveRules());
  const std::string system = ReadTextFile(System());
  const std::string user = ReadTextFile(User());
  for (int i = 0; i < 300; ++i) config->SysBodyRules.push_back(Rule("body rule " + std::to_string(i), 1));
  config->UserRules.clear();  // would delete the user file, but the failure comes first

  config->LoggingLevel = LogLevel::Normal;
  {
    test::TFileSizeLimit limit(system.size() + 64);
    EXPECT_FALSE(config->SaveRules());
  }
  EXPECT_EQ(ReadTextFile(System()), system);
  EXPECT_EQ(ReadTextFile(User()), user);
  EXPECT_NE(Log().find("! Write Rules Exception: Cannot write "), std::string::npos) << Log();
  EXPECT_TRUE(Ui.Boxes.empty());

  config->LoggingLevel = LogLevel::Terse;
  {
    test::TFileSizeLimit limit(system.size() + 64);
    EXPECT_FALSE(config->SaveRules());
  }
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("Error writing rules:Cannot write ", 0), 0u) << Ui.Boxes[0].Text;
  EXPECT_EQ(DataFiles(), (std::vector<std::string>{"mmtrules.bin", "usrrules.bin"}));
}

}  // namespace
}  // namespace mailmoat
