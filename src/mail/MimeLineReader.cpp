#include "mail/MimeLineReader.h"

#include <algorithm>

namespace mailmoat {

TMimeLineReader::TMimeLineReader(std::string_view text, std::size_t blockSize)
    : Text(text), BlockSize(std::max<std::size_t>(blockSize, 1)) {
}

void TMimeLineReader::Seek(std::size_t position) {
  Pos = std::min(position, Text.size());
  BlockStart = BlockEnd = ScanFrom = Pos;
}

void TMimeLineReader::NeedMore() {
  // The line at Pos has no break inside the block: the next block starts at that line, and
  // when it already did, the block grows.
  std::size_t newEnd = BlockStart == Pos ? BlockEnd + BlockSize : Pos + BlockSize;
  if (newEnd <= BlockEnd) newEnd = BlockEnd + BlockSize;
  // The last byte is searched again: it may be a CR whose LF lay beyond the old block.
  ScanFrom = BlockEnd - 1;
  BlockStart = Pos;
  BlockEnd = std::min(newEnd, Text.size());
}

bool TMimeLineReader::ReadLine(std::string_view& line) {
  if (Pos >= Text.size()) return false;
  if (Pos >= BlockEnd || Pos < BlockStart) {
    BlockStart = ScanFrom = Pos;
    BlockEnd = std::min(Pos + BlockSize, Text.size());
  }
  for (;;) {
    const std::size_t from = std::max(Pos, ScanFrom);
    const std::size_t brk = Text.substr(0, BlockEnd).find_first_of("\r\n", from);
    if (brk == std::string_view::npos) {
      if (BlockEnd == Text.size()) {
        line = Text.substr(Pos);
        Pos = ScanFrom = Text.size();
        return true;
      }
      NeedMore();
      continue;
    }
    if (Text[brk] == '\r' && brk + 1 == BlockEnd && BlockEnd < Text.size()) {
      NeedMore();
      continue;
    }
    line = Text.substr(Pos, brk - Pos);
    Pos = brk + 1;
    if (Text[brk] == '\r' && Pos < Text.size() && Text[Pos] == '\n') ++Pos;
    ScanFrom = Pos;
    return true;
  }
}

}  // namespace mailmoat
