#include "platform/AsciiText.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using Pieces = std::vector<std::string>;

TEST(AsciiText, TrimTextDropsControlsTrimBlanksOnlySpacesAndTabs) {
  EXPECT_EQ(TrimText("\r\n\t a b\x01 \r\n"), "a b");
  EXPECT_EQ(TrimBlanks("\t a b \r\n"), "a b \r\n");
  EXPECT_EQ(TrimBlanks(" \t "), "");
  EXPECT_EQ(TrimText(""), "");
}

TEST(AsciiText, SplitLinesTakesEveryBreakAndNoTrailingEmptyLine) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Pieces{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (Pieces{"a", ""}));
  EXPECT_EQ(SplitLines(""), Pieces{});
  EXPECT_EQ(SplitLines(JoinLines({"x", "", "y"})), (Pieces{"x", "", "y"}));
}

TEST(AsciiText, SplitTextGivesOnePieceMoreThanSeparatorsAndJoinTextUndoesIt) {
  EXPECT_EQ(SplitText("1.2.3.4", "."), (Pieces{"1", "2", "3", "4"}));
  EXPECT_EQ(SplitText("", "."), Pieces{""});
  EXPECT_EQ(SplitText("a\r\n", "\r\n"), (Pieces{"a", ""}));
  EXPECT_EQ(SplitText("a\nb", "\r\n"), Pieces{"a\nb"});
  EXPECT_EQ(SplitText("ab", ""), Pieces{"ab"});
  EXPECT_EQ(JoinText(SplitText("a, b,, c", ", "), ", "), "a, b,, c");
  EXPECT_EQ(JoinText({}, " "), "");
}

TEST(AsciiText, CaseFoldingTouchesAsciiLettersOnly) {
  EXPECT_TRUE(SameTextNoCase("Content-Type", "CONTENT-type"));
  EXPECT_FALSE(SameTextNoCase("[", "{"));
  EXPECT_FALSE(SameTextNoCase("\xE4", "\xC4"));
  EXPECT_EQ(FindNoCase("x-Spam-FLAG", "spam-flag"), 2u);
  EXPECT_EQ(FileNamePart("C:\\dir\\a.txt"), "a.txt");
  EXPECT_EQ(FileNamePart("/tmp/b"), "b");
}

}  // namespace
}  // namespace mailmoat
