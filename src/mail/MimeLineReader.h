#pragma once

#include <cstddef>
#include <string_view>

namespace mailmoat {

// Reads lines from message text held in memory, block by block. Line breaks are CR LF, a
// lone CR or a lone LF and are not part of the lines. A block is cut at the start of its
// last incomplete line, which is read again with the next block; a line longer than a block
// widens the block until its break, so no line is ever cut or lost. Work and memory are
// linear in the text; the reader only views the text, which must outlive it.
class TMimeLineReader {
public:
  static constexpr std::size_t kDefaultBlockSize = 16384;

  explicit TMimeLineReader(std::string_view text, std::size_t blockSize = kDefaultBlockSize);

  // The next line, viewing the text; false when no line is left.
  bool ReadLine(std::string_view& line);
  bool AtEnd() const { return Pos >= Text.size(); }

  // The offset of the next unread byte, and a way back to such an offset.
  std::size_t Position() const { return Pos; }
  void Seek(std::size_t position);

  // Everything not read yet, exactly as it stands in the text.
  std::string_view Rest() const { return Text.substr(Pos); }

private:
  void NeedMore();

  std::string_view Text;
  std::size_t BlockSize;
  std::size_t Pos = 0;
  std::size_t BlockStart = 0;
  std::size_t BlockEnd = 0;
  // Where the search for the current line's break goes on after the block grew.
  std::size_t ScanFrom = 0;
};

}  // namespace mailmoat
