#include "core/IniFile.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TEST(IniFileRead, NamesIgnoreCaseAndValuesLoseBlanksAndOnePairOfQuotes) {
  const TIniFile ini = TIniFile::Parse(
      "; a comment\n"
      "[config]\n"
      "  wavfile =  \"/home/u/ding.wav\"  \n"
      "Port='995'\n"
      "Update=a=b\n"
      "# another comment=not a key\n"
      "[Other]\n"
      "Port=1\n");
  EXPECT_EQ(ini.ReadString("Config", "WAVFile", "x"), "/home/u/ding.wav");
  EXPECT_EQ(ini.ReadString("CONFIG", "port", "x"), "995");
  EXPECT_EQ(ini.ReadString("Config", "Update", "x"), "a=b");
  EXPECT_FALSE(ini.ValueExists("Config", "# another comment"));
  EXPECT_EQ(ini.ReadString("Config", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Other", "Port", ""), "1");
  EXPECT_TRUE(ini.SectionExists("OTHER"));
}

TEST(IniFileRead, RepeatedSectionsAreSearchedInOrder) {
  const TIniFile ini = TIniFile::Parse("[A]\nx=1\n[B]\ny=2\n[A]\nx=3\nz=4\n");
  EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "z", ""), "4");
}

TEST(IniFileRead, IntegersDecimalHexadecimalOrTheDefault) {
  const TIniFile ini = TIniFile::Parse(
      "[S]\nd=42\nneg=-7\nhex=0x40\nHEX=0XfF\nall=0xFFFFFFFF\nbad=12abc\nempty=\nbig=2147483648\n"
      "min=-2147483648\nlonghex=0x100000000\ndollar=$10\nplus=+5\n");
  EXPECT_EQ(ini.ReadInteger("S", "d", 0), 42);
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 64);
  EXPECT_EQ(ini.ReadInteger("S", "all", 0), -1);
  EXPECT_EQ(ini.ReadInteger("S", "bad", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "empty", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "big", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "min", 9), -2147483647 - 1);
  EXPECT_EQ(ini.ReadInteger("S", "longhex", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "dollar", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "plus", 9), 5);
  EXPECT_EQ(ini.ReadInteger("S", "missing", 9), 9);
}

TEST(IniFileRead, BooleansAreAnyNonZeroInteger) {
  const TIniFile ini = TIniFile::Parse("[S]\na=1\nb=0\nc=-1\nd=0x10\ne=yes\nf=true\n");
  EXPECT_TRUE(ini.ReadBool("S", "a", false));
  EXPECT_FALSE(ini.ReadBool("S", "b", true));
  EXPECT_TRUE(ini.ReadBool("S", "c", false));
  EXPECT_TRUE(ini.ReadBool("S", "d", false));
  EXPECT_FALSE(ini.ReadBool("S", "e", false));
  EXPECT_TRUE(ini.ReadBool("S", "f", true));
}

TEST(IniFileWrite, HandEditedFileKeepsEverythingButTheWrittenValues) {
  const std::string original =
      "; settings of my mail filter\r\n"
      "[Config]\r\n"
      "  AutoMins = 5   \r\n"
      "MyOwnKey=keep me\r\n"
      "\r\n"
      "[Unrelated]\r\n"
      "x=1\r\n"
      "\r\n"
      "[Requeue]\r\n"
      "SMTPServer=mail.example.org";
  TIniFile ini = TIniFile::Parse(original);
  EXPECT_EQ(ini.Text(), original);
  ini.WriteInteger("config", "automins", 10);
  ini.WriteString("Config", "NewKey", "v");
  ini.WriteString("Requeue", "SendTo", "me@example.org");
  ini.WriteString("Brand New", "k", "1");
  EXPECT_EQ(ini.Text(),
            "; settings of my mail filter\r\n"
            "[Config]\r\n"
            "  AutoMins =10\r\n"
            "MyOwnKey=keep me\r\n"
            "NewKey=v\r\n"
            "\r\n"
            "[Unrelated]\r\n"
            "x=1\r\n"
            "\r\n"
            "[Requeue]\r\n"
            "SMTPServer=mail.example.org\r\n"
            "SendTo=me@example.org\r\n"
            "\r\n"
            "[Brand New]\r\n"
            "k=1\r\n");
  EXPECT_EQ(ini.ReadInteger("Config", "AutoMins", 0), 10);
}

TEST(IniFileWrite, ValuesCannotBreakTheLineStructure) {
  TIniFile ini;
  ini.WriteString("S", "path", std::string("a\r\n[Evil]\nx=\0y", 15));
  EXPECT_FALSE(ini.SectionExists("Evil"));
  EXPECT_EQ(ini.ReadString("S", "path", ""), std::string("a  [Evil] x= y"));
  EXPECT_FALSE(TIniFile::StoresUnchanged("a\nb"));
  EXPECT_FALSE(TIniFile::StoresUnchanged(std::string("a\0b", 3)));
  EXPECT_FALSE(TIniFile::StoresUnchanged(" a"));
  EXPECT_FALSE(TIniFile::StoresUnchanged("\"quoted\""));
  EXPECT_TRUE(TIniFile::StoresUnchanged("\"half"));
  EXPECT_TRUE(TIniFile::StoresUnchanged("a b=c;d"));
}

TEST(IniFileWrite, DeleteKeyRemovesEveryCopy) {
  TIniFile ini = TIniFile::Parse("[A]\nk=1\n[A]\nk=2\nm=3\n");
  ini.DeleteKey("a", "K");
  EXPECT_EQ(ini.Text(), "[A]\n[A]\nm=3\n");
}

TEST(IniFileFile, MissingFileIsEmptyAndUnreadableFileIsAnError) {
  test::TTempDir dir;
  EXPECT_EQ(TIniFile::Load(dir / "none.ini").Text(), "");
  std::filesystem::create_directory(dir / "dir.ini");
  EXPECT_THROW(TIniFile::Load(dir / "dir.ini"), EInOutError);
  TIniFile ini;
  ini.WriteString("S", "k", "v");
  ini.Save(dir / "new.ini");
  EXPECT_EQ(test::ReadTextFile(dir / "new.ini"), "[S]\nk=v\n");
}

TEST(IniFileParse, AnyBytesRoundTripUnchanged) {
  for (const std::string& text :
       {std::string(""), std::string("\n\n"), std::string("[x"), std::string("=\r"), std::string("a\rb\r\n\nc"),
        std::string("[S]\0k=\0\n", 9), std::string("\xff[\xfe]=")}) {
    EXPECT_EQ(TIniFile::Parse(text).Text(), text);
  }
}

}  // namespace
}  // namespace mailmoat
