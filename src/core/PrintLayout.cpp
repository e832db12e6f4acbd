#include "core/PrintLayout.h"

#include <algorithm>

namespace mailmoat {

std::vector<TRowRange> PaginateRows(std::size_t rowCount, int rowsPerPage) {
  const std::size_t perPage = static_cast<std::size_t>(std::max(rowsPerPage, 1));
  std::vector<TRowRange> pages;
  for (std::size_t first = 0; first < rowCount; first += perPage)
    pages.push_back({first, std::min(perPage, rowCount - first)});
  if (pages.empty()) pages.push_back({0, 0});
  return pages;
}

namespace {

bool ContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest start of `word` that fits, cut before a character; at least one character, so
// that even a page narrower than one letter makes progress.
std::size_t FittingPrefix(std::string_view word, const TMeasure& measure, int maxWidth) {
  std::size_t fit = 0;
  std::size_t end = 0;
  while (end < word.size()) {
    std::size_t next = end + 1;
    while (next < word.size() && ContinuationByte(word[next])) ++next;
    if (fit > 0 && measure(word.substr(0, next)) > maxWidth) break;
    fit = next;
    end = next;
  }
  return fit;
}

void WrapLine(std::string_view line, const TMeasure& measure, int maxWidth, std::vector<std::string>& out) {
  const std::size_t before = out.size();
  std::string current;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t blank = line.find(' ', at);
    const std::size_t wordEnd = blank == std::string_view::npos ? line.size() : blank;
    std::string_view word = line.substr(at, wordEnd - at);
    const std::string candidate = current.empty() ? std::string(word) : current + " " + std::string(word);
    if (measure(candidate) <= maxWidth) {
      current = candidate;
    } else {
      if (!current.empty()) out.push_back(current);
      current.clear();
      // A word wider than the line is cut where the line ends.
      while (!word.empty() && measure(word) > maxWidth) {
        const std::size_t cut = FittingPrefix(word, measure, maxWidth);
        out.emplace_back(word.substr(0, cut));
        word.remove_prefix(cut);
      }
      current = std::string(word);
    }
    at = wordEnd + (blank == std::string_view::npos ? 0 : 1);
  }
  // An empty line stays one; a long word cut to the end leaves nothing more.
  if (!current.empty() || out.size() == before) out.push_back(current);
}

}  // namespace

std::vector<std::string> WrapLines(const std::vector<std::string>& lines, const TMeasure& measure, int maxWidth) {
  std::vector<std::string> out;
  for (const std::string& line : lines) WrapLine(line, measure, maxWidth, out);
  return out;
}

std::vector<std::vector<std::string>> PaginateLines(const std::vector<std::string>& lines, int linesPerPage) {
  std::vector<std::vector<std::string>> pages;
  for (const TRowRange& range : PaginateRows(lines.size(), linesPerPage))
    pages.emplace_back(lines.begin() + static_cast<std::ptrdiff_t>(range.First),
                       lines.begin() + static_cast<std::ptrdiff_t>(range.First + range.Count));
  return pages;
}

std::string PageFooter(std::size_t page, std::size_t pages) {
  return "Page " + std::to_string(page) + " of " + std::to_string(pages);
}

}  // namespace mailmoat
