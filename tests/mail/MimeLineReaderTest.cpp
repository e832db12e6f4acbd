#include "mail/MimeLineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailmoat {
namespace {

using Strings = std::vector<std::string>;

Strings ReadAll(std::string_view text, std::size_t blockSize = TMimeLineReader::kDefaultBlockSize) {
  TMimeLineReader reader(text, blockSize);
  Strings lines;
  std::string_view line;
  while (reader.ReadLine(line)) lines.emplace_back(line);
  EXPECT_TRUE(reader.AtEnd());
  return lines;
}

TEST(MimeLineReader, AllThreeBreaksAndNoLineAfterTheLastBreak) {
  EXPECT_EQ(ReadAll("a\r\nb\nc\rd"), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(ReadAll("a\r\n"), Strings{"a"});
  EXPECT_EQ(ReadAll("a\n\r\n\r"), (Strings{"a", "", ""}));
  EXPECT_EQ(ReadAll("\r\r\n\n"), (Strings{"", "", ""}));
  EXPECT_EQ(ReadAll(""), Strings{});
  EXPECT_EQ(ReadAll(std::string("n\0ul\xff\n", 6)), Strings{std::string("n\0ul\xff", 5)});
}

TEST(MimeLineReader, AnyBlockSizeGivesTheSameLines) {
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += std::string(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
    text += (i % 3 == 0) ? "\r\n" : (i % 3 == 1) ? "\n" : "\r";
  }
  text += "last";
  const Strings whole = ReadAll(text);
  ASSERT_EQ(whole.size(), 201u);
  for (std::size_t block : {1, 2, 3, 5, 7, 16, 37, 38, 64, 1000}) {
    EXPECT_EQ(ReadAll(text, block), whole) << "block size " << block;
  }
}

TEST(MimeLineReader, CrLfSplitAcrossBlocksIsOneBreak) {
  EXPECT_EQ(ReadAll("abc\r\ndef", 4), (Strings{"abc", "def"}));
  EXPECT_EQ(ReadAll("\r\n\r\n", 1), (Strings{"", ""}));
}

TEST(MimeLineReader, LinesLongerThanABlockArriveWhole) {
  const std::string longLine(100000, 'x');
  EXPECT_EQ(ReadAll("a\r\n" + longLine + "\r\nb", 16384), (Strings{"a", longLine, "b"}));
  EXPECT_EQ(ReadAll(longLine, 10), Strings{longLine});
}

TEST(MimeLineReader, SeekReadsAgainAndRestIsRaw) {
  const std::string text = "one\r\ntwo\nthree";
  TMimeLineReader reader(text, 2);
  std::string_view line;
  ASSERT_TRUE(reader.ReadLine(line));
  const std::size_t mark = reader.Position();
  EXPECT_EQ(reader.Rest(), "two\nthree");
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "two");
  reader.Seek(mark);
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "two");
  reader.Seek(text.size() + 5);
  EXPECT_FALSE(reader.ReadLine(line));
}

}  // namespace
}  // namespace mailmoat
