#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// Page breaking for printed lists and texts, apart from any printer so that it can be
// counted and tested: the windows measure text and draw the pages.

// The rows [First, First + Count) of a table that go on one page.
struct TRowRange {
  std::size_t First = 0;
  std::size_t Count = 0;
  bool operator==(const TRowRange&) const = default;
};

// Splits `rowCount` rows into pages of `rowsPerPage` (at least 1). An empty table still has
// one page, which carries its title and column headers.
std::vector<TRowRange> PaginateRows(std::size_t rowCount, int rowsPerPage);

// The width of a text in the printer's units.
using TMeasure = std::function<int(std::string_view)>;

// Wraps each line (UTF-8) to `maxWidth`: at blanks where it can, inside a word only when the
// word alone is too wide, never inside a character. An empty line stays an empty line.
std::vector<std::string> WrapLines(const std::vector<std::string>& lines, const TMeasure& measure, int maxWidth);

// Splits wrapped lines into pages of `linesPerPage` (at least 1); no text gives one empty page.
std::vector<std::vector<std::string>> PaginateLines(const std::vector<std::string>& lines, int linesPerPage);

// "Page 2 of 5".
std::string PageFooter(std::size_t page, std::size_t pages);

}  // namespace mailmoat
