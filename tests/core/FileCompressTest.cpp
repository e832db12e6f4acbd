#include "core/FileCompress.h"

#include "core/Lh5.h"
#include "core/Lh5TestData.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingUiHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TRecordingUiHost;
using test::TTempDir;
using test::WriteTextFile;

const std::string InputMissing = "Input File doen´t exists";
const std::string OutputExists = "Output File does exists. You must enter a filename that are not exists.";
const std::string OutputEmpty = "You must enter a filename.";
const std::string SameFile = "Input File can´t be the same as Output File";

std::string LengthField(std::uint32_t n) {
  return {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF), static_cast<char>((n >> 16) & 0xFF),
          static_cast<char>(n >> 24)};
}

TEST(CompressContainer, StartsWithTheLengthAndRoundTrips) {
  for (const std::string& data : {std::string(), std::string("x"), test::MailText(8192), test::MailText(8193),
                                  test::RepeatedText(100 * 1024), test::RandomBytes(70000, 1)}) {
    const std::string container = CompressContainer(data);
    ASSERT_GE(container.size(), 4u);
    EXPECT_EQ(container.substr(0, 4), LengthField(static_cast<std::uint32_t>(data.size()))) << data.size();
    EXPECT_EQ(container.substr(4), Lh5Encode(data));
    EXPECT_EQ(DecompressContainer(container), data) << data.size();
  }
  // Length 0, then the stream of one block without codes.
  EXPECT_EQ(CompressContainer(""), std::string(11, '\0'));
}

TEST(DecompressContainer, RejectsDamageWithAClearMessage) {
  const std::string shortText = "The compressed data is damaged: it is shorter than its 4-byte length field.";
  const struct {
    std::string Container;
    std::string Message;
  } table[] = {
      {"", shortText},
      {std::string("\0", 1), shortText},
      {std::string("\0\0\0", 3), shortText},
      {LengthField(MaxContainerLength + 1) + Lh5Encode(""),
       "The compressed data is damaged: it claims 268435457 bytes, more than the 268435456 allowed."},
      {LengthField(0xFFFFFFFF),
       "The compressed data is damaged: it claims 4294967295 bytes, more than the "
       "268435456 allowed."},
      // At the limit the length is believed, and the stream is found wanting.
      {LengthField(MaxContainerLength) + Lh5Encode(""), "The compressed data is damaged: a block holds no codes."},
      {LengthField(5) + Lh5Encode("four"), "The compressed data is truncated or damaged: it ends after 4 of 5 bytes."},
      {LengthField(1), "The compressed data is truncated or damaged: it ends after 0 of 1 bytes."},
  };
  for (const auto& row : table) {
    try {
      DecompressContainer(row.Container);
      ADD_FAILURE() << "no error for " << row.Message;
    } catch (const ECompressError& e) {
      EXPECT_EQ(e.what(), row.Message);
    }
  }
  EXPECT_EQ(DecompressContainer(std::string(4, '\0')), "");
}

class FileCompressTest : public testing::Test {
protected:
  TTempDir Dir;
  TRecordingUiHost Ui;
  TFileCompress Component{Ui};

  // The only box shown, which must be an error box with OK.
  std::string OnlyBox() const {
    if (Ui.Boxes.size() != 1) return "(" + std::to_string(Ui.Boxes.size()) + " boxes)";
    EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Ui.Boxes[0].Buttons, mbOK);
    return Ui.Boxes[0].Text;
  }
};

TEST_F(FileCompressTest, CompressesAndDecompressesFileToFile) {
  const std::string data = test::MailText(50000);
  WriteTextFile(Dir / "rules.$$$", data);
  ASSERT_TRUE(Component.Compress(Dir / "rules.$$$", Dir / "rules.bin"));
  EXPECT_EQ(ReadTextFile(Dir / "rules.bin"), CompressContainer(data));
  ASSERT_TRUE(Component.Decompress(Dir / "rules.bin", Dir / "back.$$$"));
  EXPECT_EQ(ReadTextFile(Dir / "back.$$$"), data);
  EXPECT_TRUE(Ui.Boxes.empty());

  WriteTextFile(Dir / "empty", "");
  ASSERT_TRUE(Component.Compress(Dir / "empty", Dir / "empty.bin"));
  ASSERT_TRUE(Component.Decompress(Dir / "empty.bin", Dir / "empty.out"));
  EXPECT_EQ(ReadTextFile(Dir / "empty.out"), "");
}

struct TCheckCase {
  const char* Name;
  bool InputExists;
  const char* Input;
  bool OutputExists;
  const char* Output;
  const std::string* Expected;
};
void PrintTo(const TCheckCase& c, std::ostream* os) {
  *os << c.Name;
}

class FileCompressChecks : public FileCompressTest, public testing::WithParamInterface<TCheckCase> {
protected:
  // Runs the case; the box must be the expected one and no file may change.
  void Check(bool decompress) {
    const TCheckCase& c = GetParam();
    const std::string inputText = CompressContainer("input");
    const bool oneFile = std::string(c.Input) == c.Output;
    if (c.InputExists) WriteTextFile(Dir / c.Input, inputText);
    if (c.OutputExists && !oneFile) WriteTextFile(Dir / c.Output, "old output");
    const TPath output = *c.Output ? Dir / c.Output : TPath();
    const bool done =
        decompress ? Component.Decompress(Dir / c.Input, output) : Component.Compress(Dir / c.Input, output);
    EXPECT_FALSE(done);
    EXPECT_EQ(OnlyBox(), *c.Expected);
    if (c.InputExists) {
      EXPECT_EQ(ReadTextFile(Dir / c.Input), inputText);
    }
    if (c.OutputExists && !oneFile) {
      EXPECT_EQ(ReadTextFile(Dir / c.Output), "old output");
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Dir.Path())) ++files;
    EXPECT_EQ(files, std::size_t{c.InputExists} + std::size_t{c.OutputExists && !oneFile});
  }
};

class CompressChecks : public FileCompressChecks {};
class DecompressChecks : public FileCompressChecks {};

TEST_P(CompressChecks, StopAtTheFirstFailingCheck) {
  Check(false);
}
TEST_P(DecompressChecks, StopAtTheFirstFailingCheck) {
  Check(true);
}

std::string CaseName(const testing::TestParamInfo<TCheckCase>& info) {
  return info.param.Name;
}

// Compress checks: input missing, output exists, output name empty, same file.
INSTANTIATE_TEST_SUITE_P(
    Order, CompressChecks,
    testing::Values(TCheckCase{"InputMissingBeforeOutputExists", false, "in", true, "out", &InputMissing},
                    TCheckCase{"InputMissingBeforeEmptyName", false, "in", false, "", &InputMissing},
                    TCheckCase{"OutputExistsBeforeSameFile", true, "in", true, "in", &OutputExists},
                    TCheckCase{"OutputExists", true, "in", true, "out", &OutputExists},
                    TCheckCase{"EmptyName", true, "in", false, "", &OutputEmpty},
                    TCheckCase{"SameFileInAnotherCase", true, "Rules.DAT", false, "rules.dat", &SameFile}),
    CaseName);

// Decompress checks: input missing, same file, output name empty, output exists.
INSTANTIATE_TEST_SUITE_P(
    Order, DecompressChecks,
    testing::Values(TCheckCase{"InputMissingBeforeOutputExists", false, "in", true, "out", &InputMissing},
                    TCheckCase{"InputMissingBeforeEmptyName", false, "in", false, "", &InputMissing},
                    TCheckCase{"SameFileBeforeOutputExists", true, "in", true, "in", &SameFile},
                    TCheckCase{"SameFileInAnotherCase", true, "Rules.BIN", false, "rules.bin", &SameFile},
                    TCheckCase{"EmptyName", true, "in", false, "", &OutputEmpty},
                    TCheckCase{"OutputExists", true, "in", true, "out", &OutputExists}),
    CaseName);

TEST_F(FileCompressTest, SameFileIsFoundThroughAnotherSpelling) {
  WriteTextFile(Dir / "a.bin", CompressContainer("x"));
  EXPECT_FALSE(Component.Decompress(Dir / "a.bin", Dir.Path() / "sub" / ".." / "A.BIN"));
  EXPECT_EQ(OnlyBox(), SameFile);
}

TEST_F(FileCompressTest, DamagedInputRaisesAndWritesNothing) {
  std::string container = CompressContainer(test::MailText(5000));
  container.resize(container.size() / 2);
  WriteTextFile(Dir / "rules.bin", container);
  EXPECT_THROW(Component.Decompress(Dir / "rules.bin", Dir / "rules.$$$"), ECompressError);
  EXPECT_FALSE(FileExists(Dir / "rules.$$$"));
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(FileCompressTest, FailedWriteLeavesNoOutput) {
  WriteTextFile(Dir / "big", test::RandomBytes(20000, 3));
  {
    test::TFileSizeLimit limit(1000);
    EXPECT_THROW(Component.Compress(Dir / "big", Dir / "big.bin"), EInOutError);
  }
  EXPECT_FALSE(FileExists(Dir / "big.bin"));
  EXPECT_TRUE(Ui.Boxes.empty());
}

}  // namespace
}  // namespace mailmoat
