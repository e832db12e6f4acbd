#include "core/Autostart.h"

#include "support/ConfigFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace mailmoat {
namespace {

class AutostartTest : public test::ConfigFixture {
protected:
  AutostartTest() { StartUp(); }
  TPath Folder() const { return Dir / "xdg" / "autostart"; }
  std::optional<std::string> StoredPath() const {
    return Config->Registry.ReadString(TRegistry::RootKey, "StartupPath");
  }
  // desktop-file-validate's complaints; empty when it passes or is not installed.
  static std::string Validate(const TPath& file) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) return {};
    const TPath out = file.parent_path() / "validate.out";
    const int rc = std::system(("desktop-file-validate '" + file.string() + "' >'" + out.string() + "' 2>&1").c_str());
    const std::string text = test::ReadTextFile(out);
    std::filesystem::remove(out);
    return rc == 0 && text.find("error") == std::string::npos ? std::string()
                                                              : text + "(exit " + std::to_string(rc) + ")";
  }
};

TEST_F(AutostartTest, OnWritesAValidEntryThatFindsThisHomeAndOffRemovesIt) {
  // A home with the characters the Exec line must quote.
  const std::string program = "/opt/mail tools/mailmoat";
  Config->Startup = true;
  ApplyStartupSetting(*Config, program, Folder());
  const TPath file = Folder() / "mailmoat.desktop";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(StoredPath(), file.string());
  const std::string text = test::ReadTextFile(file);
  EXPECT_NE(text.find("\nComment=Mailmoat Pro - Anti-Spam Utility\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=\"/opt/mail tools/mailmoat\" --home " + Dir.Path().string()), std::string::npos) << text;
  EXPECT_EQ(Validate(file), "");
  EXPECT_TRUE(Ui.Boxes.empty());

  Config->Startup = false;
  ApplyStartupSetting(*Config, program, Folder());
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(StoredPath());
  // Nothing stored: nothing to do, no complaint.
  ApplyStartupSetting(*Config, program, Folder());
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(AutostartTest, ExecArgumentsAreQuotedAndEscapedAsDesktopEntriesRequire) {
  EXPECT_EQ(DesktopExecArgument("/usr/bin/mailmoat"), "/usr/bin/mailmoat");
  EXPECT_EQ(DesktopExecArgument("/home/jo/50%"), "/home/jo/50%%");
  EXPECT_EQ(DesktopExecArgument("/home/jo/my \"mail\" $HOME `x` \\"),
            "\"/home/jo/my \\\"mail\\\" \\$HOME \\`x\\` \\\\\"");
  EXPECT_EQ(DesktopExecArgument(""), "\"\"");
  // The entry's own string escapes come on top: a backslash is doubled once more.
  const std::string text = AutostartEntryText("/opt/a\\b/mailmoat", TPath("/tmp/h o"), TPath("/tmp/h o"));
  EXPECT_NE(text.find("\nExec=\"/opt/a\\\\\\\\b/mailmoat\" --home \"/tmp/h o\"\n"), std::string::npos) << text;
  test::WriteTextFile(Dir / "hard.desktop", text);
  EXPECT_EQ(Validate(Dir / "hard.desktop"), "");
}

TEST_F(AutostartTest, AStoredPathOutsideTheAutostartFolderDeletesNothing) {
  test::WriteTextFile(Dir / "precious.desktop", "keep");
  test::WriteTextFile(Dir / "notes.txt", "keep");
  std::filesystem::create_directories(Folder());
  test::WriteTextFile(Folder() / "other.txt", "keep");
  for (const TPath& target : {Dir / "precious.desktop", Dir / "notes.txt", Folder() / "other.txt",
                              Folder() / ".." / ".." / "precious.desktop"}) {
    Config->Registry.WriteString(TRegistry::RootKey, "StartupPath", target.string());
    Config->Startup = false;
    ApplyStartupSetting(*Config, "/usr/bin/mailmoat", Folder());
    EXPECT_FALSE(StoredPath()) << target;
  }
  EXPECT_EQ(test::ReadTextFile(Dir / "precious.desktop"), "keep");
  EXPECT_EQ(test::ReadTextFile(Dir / "notes.txt"), "keep");
  EXPECT_EQ(test::ReadTextFile(Folder() / "other.txt"), "keep");

  // A folder that cannot be made: the box says why.
  test::WriteTextFile(Dir / "blocked", "a file where the folder should be");
  Config->Startup = true;
  ApplyStartupSetting(*Config, "/usr/bin/mailmoat", Dir / "blocked" / "autostart");
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("Error creating shortcut:\r\n", 0), 0u);

  // Written, but its path cannot be kept: the entry goes again, or nothing could remove it.
  std::filesystem::remove(Config->Paths.RegistryFile());
  std::filesystem::create_directories(Config->Paths.RegistryFile());
  ApplyStartupSetting(*Config, "/usr/bin/mailmoat", Folder());
  EXPECT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(Folder() / "mailmoat.desktop"));
}

}  // namespace
}  // namespace mailmoat
