#include "core/PrintLayout.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

// One unit per character, as a fixed-pitch font measures.
int Characters(std::string_view text) {
  int n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

TEST(PrintLayout, RowsFillPagesAndAnEmptyTableHasOne) {
  EXPECT_EQ(PaginateRows(0, 10), (std::vector<TRowRange>{{0, 0}}));
  EXPECT_EQ(PaginateRows(10, 10), (std::vector<TRowRange>{{0, 10}}));
  EXPECT_EQ(PaginateRows(11, 10), (std::vector<TRowRange>{{0, 10}, {10, 1}}));
  EXPECT_EQ(PaginateRows(3, 0).size(), 3u);  // no room still prints, a row a page
  EXPECT_EQ(PaginateLines({}, 5), (std::vector<std::vector<std::string>>{{}}));
  EXPECT_EQ(PaginateLines({"a", "b", "c"}, 2), (std::vector<std::vector<std::string>>{{"a", "b"}, {"c"}}));
  EXPECT_EQ(PageFooter(2, 5), "Page 2 of 5");
}

TEST(PrintLayout, LinesWrapAtBlanksAndCutOnlyWordsTooLongForALine) {
  EXPECT_EQ(WrapLines({"Received: from relay.example.net by mx", "", "ok"}, Characters, 16),
            (std::vector<std::string>{"Received: from", "relay.example.ne", "t by mx", "", "ok"}));
  // Never inside a character: e-acute is two bytes, one column.
  EXPECT_EQ(WrapLines({"caf\xC3\xA9\xC3\xA9\xC3\xA9"}, Characters, 4),
            (std::vector<std::string>{"caf\xC3\xA9", "\xC3\xA9\xC3\xA9"}));
  // A page narrower than one letter still makes progress.
  EXPECT_EQ(WrapLines({"ab"}, Characters, 0), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace mailmoat
