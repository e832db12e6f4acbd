#include "mail/MessageErrors.h"
#include "mail/MimeCodecs.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

std::string Base64(std::string_view line) {
  std::string out;
  DecodeBase64Line(line, out);
  return out;
}

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

TEST(Base64Codec, DecodesLinesWithPadding) {
  EXPECT_EQ(Base64("SGVsbG8="), "Hello");
  EXPECT_EQ(Base64("SGVsbG8h"), "Hello!");
  EXPECT_EQ(Base64("QQ=="), "A");
  EXPECT_EQ(Base64("QQ"), "A");
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("."), "");
  EXPECT_EQ(Base64("===="), "");
}

TEST(Base64Codec, ForeignCharacterRaisesInvalidCharacter) {
  for (const char* line : {"SGV sbG8=", "SGVs\tbG8=", "SG=sbG8=", "SGVsbG8=\x01", "-_-_"}) {
    std::string out = "kept";
    try {
      DecodeBase64Line(line, out);
      ADD_FAILURE() << line;
    } catch (const EMimeCodecError& error) {
      EXPECT_STREQ(error.what(), "Invalid Character");
      EXPECT_EQ(out, "kept");
    }
  }
}

TEST(Base64Codec, LineIsCutTo255BeforeDecoding) {
  // Bytes beyond 255 are not looked at, even when they are not base64.
  EXPECT_EQ(Base64(std::string(256, 'A') + "!").size(), 255u * 6 / 8);
}

TEST(Base64Codec, EncodesIn76CharacterLinesAndRoundTrips) {
  const std::string data = AllBytes() + AllBytes();
  const Strings lines = EncodeBase64(data);
  ASSERT_EQ(lines.size(), 9u);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 76u);
  EXPECT_EQ(lines.back().size() % 4, 0u);
  std::string back;
  for (const std::string& line : lines) DecodeBase64Line(line, back);
  EXPECT_EQ(back, data);
  EXPECT_EQ(EncodeBase64Text("ab"), "YWI=");
  EXPECT_EQ(EncodeBase64Text("a"), "YQ==");
  EXPECT_TRUE(EncodeBase64("").empty());
}

TEST(QuotedPrintableCodec, SoftBreaksJoinAndEscapesDecode) {
  EXPECT_EQ(DecodeQuotedPrintableLines({"a=3Db=", "c"}), "a=bc\r\n");
  EXPECT_EQ(DecodeQuotedPrintableLines({"x=e9=E9", "=4", "=ZZ", "end="}), "x\xE9\xE9\r\n=4\r\n=ZZ\r\nend");
  EXPECT_EQ(DecodeQuotedPrintableLines({"", ""}), "\r\n\r\n");
  EXPECT_EQ(DecodeQuotedPrintableLines({"eof=1A", "next"}), "eof\x1Anext\r\n");
  EXPECT_EQ(DecodeQuotedPrintableLine("a_b=3D="), "a_b=");
}

TEST(QuotedPrintableCodec, ParagraphLimitIsExact) {
  // 24574 bytes in one paragraph are accepted; one more is not.
  Strings lines(24574 / 100, std::string(100, 'x') + "=");
  lines.push_back(std::string(24574 % 100, 'y'));
  EXPECT_EQ(DecodeQuotedPrintableLines(lines).size(), 24574u + 2);
  lines.back() += "z";
  try {
    DecodeQuotedPrintableLines(lines);
    ADD_FAILURE();
  } catch (const EMimeCodecError& error) {
    EXPECT_STREQ(error.what(), "Paragraph is too large");
  }
}

TEST(QuotedPrintableCodec, EncodesControlEqualsAnd8BitBytes) {
  EXPECT_EQ(EncodeQuotedPrintable("a\tb=c\xE9 d"), Strings{"a=09b=3Dc=E9 d"});
  EXPECT_EQ(EncodeQuotedPrintable("one\r\ntwo\n\rthree\rfour\n\nsix"),
            (Strings{"one", "two", "three", "four", "", "six"}));
  EXPECT_EQ(EncodeQuotedPrintable("a\r\n"), Strings{"a"});
  EXPECT_TRUE(EncodeQuotedPrintable("").empty());
}

TEST(QuotedPrintableCodec, PiecesOf65CutBeforeTheLastSpace) {
  const std::string words = std::string(40, 'a') + " " + std::string(40, 'b');
  EXPECT_EQ(EncodeQuotedPrintable(words), (Strings{std::string(40, 'a') + "=", " " + std::string(40, 'b')}));
  const std::string solid(150, 'c');
  EXPECT_EQ(EncodeQuotedPrintable(solid),
            (Strings{std::string(65, 'c') + "=", std::string(65, 'c') + "=", std::string(20, 'c')}));
  // A space at character 66 still ends the piece; one at character 67 does not.
  EXPECT_EQ(EncodeQuotedPrintable(std::string(65, 'd') + " e")[0], std::string(65, 'd') + "=");
  EXPECT_EQ(EncodeQuotedPrintable(std::string(66, 'd') + " e")[0], std::string(65, 'd') + "=");
  // A leading space alone is no place to cut.
  EXPECT_EQ(EncodeQuotedPrintable(" " + std::string(70, 'f'))[0], " " + std::string(64, 'f') + "=");
}

TEST(QuotedPrintableCodec, LongParagraphsEncodeAndRoundTrip) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "word" + std::to_string(i) + (i % 7 ? " " : "\t=\xF0");
  text += "\r\nsecond line\r\n";
  const Strings lines = EncodeQuotedPrintable(text);
  for (const std::string& line : lines) EXPECT_LE(line.size(), 65u * 3 + 1);
  // Decoding is paragraph-limited, so decode in slices that end at a hard break.
  EXPECT_GT(lines.size(), 300u);
  std::string joined;
  for (const std::string& line : lines) {
    joined += DecodeQuotedPrintableLines({line});
  }
  EXPECT_EQ(joined, text);
}

TEST(UUCodec, BeginLines) {
  EXPECT_TRUE(IsUUBeginLine("begin 644 file.txt"));
  EXPECT_TRUE(IsUUBeginLine("BEGIN  600 x"));
  EXPECT_FALSE(IsUUBeginLine("begin 64"));
  EXPECT_FALSE(IsUUBeginLine("beginning of the end"));
  EXPECT_FALSE(IsUUBeginLine("begin 6a4 file"));
  EXPECT_FALSE(IsUUBeginLine("begin    "));
}

TEST(UUCodec, RoundTripsAndPadsShortLines) {
  const std::string data = AllBytes() + "tail";
  const Strings lines = EncodeUU(data);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0][0], 'M');
  std::string back;
  for (const std::string& line : lines) DecodeUULine(line, back);
  EXPECT_EQ(back, data);
  EXPECT_EQ(lines[0].find(' '), std::string::npos);
  std::string padded;
  DecodeUULine("#86", padded);
  EXPECT_EQ(padded, std::string("a`\0", 3));
  std::string none;
  DecodeUULine("`", none);
  DecodeUULine("", none);
  EXPECT_EQ(none, "");
}

}  // namespace
}  // namespace mailmoat
