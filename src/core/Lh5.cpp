#include "core/Lh5.h"

#include "core/FileCompress.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

namespace mailmoat {
namespace {

constexpr int DicBits = 13;
constexpr std::size_t DicSize = std::size_t{1} << DicBits;
constexpr int MaxMatch = 256;
constexpr int Threshold = 3;
// Literals 0..255, then match lengths 3..256 as 256..509.
constexpr int NC = 256 + MaxMatch - Threshold + 1;
constexpr int CBits = 9;
// Position symbols: the bit count of distance-1, 0..13.
constexpr int NP = DicBits + 1;
constexpr int PBits = 4;
// Code-length symbols: 0..2 are zero runs, 3..18 the lengths 1..16.
constexpr int NT = 16 + 3;
constexpr int TBits = 5;
constexpr int TSpecial = 3;
constexpr int MaxCodeLength = 16;

constexpr std::size_t CodeBufferSize = 16384;
constexpr std::size_t CodeBufferMargin = 24;

unsigned BitCount(unsigned value) {
  unsigned n = 0;
  for (; value != 0; value >>= 1) ++n;
  return n;
}

// Builds the code the way LHA encoders always have: a heap of the used symbols, lengths cut to
// 16 bits by moving leaves down the tree, then canonical codes in symbol order.
class THuffmanBuilder {
public:
  // Fills len[0..n) and code[0..n). Returns the root: a node number >= n, or the only used
  // symbol (0 when none is used), whose code is then empty.
  int Make(int n, const std::uint32_t* freq, std::uint8_t* len, std::uint16_t* code);

private:
  void DownHeap(int i);

  int HeapSize = 0;
  std::vector<std::uint32_t> Freq;
  std::vector<int> Left, Right, Heap;
  std::array<unsigned, MaxCodeLength + 1> LenCount{};
};

void THuffmanBuilder::DownHeap(int i) {
  const int k = Heap[i];
  int j;
  while ((j = 2 * i) <= HeapSize) {
    if (j < HeapSize && Freq[Heap[j]] > Freq[Heap[j + 1]]) ++j;
    if (Freq[k] <= Freq[Heap[j]]) break;
    Heap[i] = Heap[j];
    i = j;
  }
  Heap[i] = k;
}

int THuffmanBuilder::Make(int n, const std::uint32_t* freq, std::uint8_t* len, std::uint16_t* code) {
  Freq.assign(2 * static_cast<std::size_t>(n), 0);
  Left.assign(Freq.size(), 0);
  Right.assign(Freq.size(), 0);
  Heap.assign(static_cast<std::size_t>(n) + 1, 0);
  HeapSize = 0;
  for (int i = 0; i < n; ++i) {
    Freq[i] = freq[i];
    len[i] = 0;
    code[i] = 0;
    if (freq[i] != 0) Heap[++HeapSize] = i;
  }
  if (HeapSize < 2) return Heap[1];

  for (int i = HeapSize / 2; i >= 1; --i) DownHeap(i);
  // Leaves in the order they leave the heap, least frequent first: they get the longest codes.
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(HeapSize));
  int avail = n;
  int root = 0;
  do {
    const int i = Heap[1];
    if (i < n) order.push_back(i);
    Heap[1] = Heap[HeapSize--];
    DownHeap(1);
    const int j = Heap[1];
    if (j < n) order.push_back(j);
    root = avail++;
    Freq[root] = Freq[i] + Freq[j];
    Heap[1] = root;
    DownHeap(1);
    Left[root] = i;
    Right[root] = j;
  } while (HeapSize > 1);

  LenCount.fill(0);
  std::vector<std::pair<int, int>> stack{{root, 0}};
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    if (node < n) {
      ++LenCount[std::min(depth, MaxCodeLength)];
    } else {
      stack.push_back({Right[node], depth + 1});
      stack.push_back({Left[node], depth + 1});
    }
  }
  // Leaves deeper than 16 were counted at 16, which oversubscribes the code; each step moves
  // one leaf from a shorter length down a level until the lengths are a complete code again.
  unsigned cum = 0;
  for (int i = MaxCodeLength; i > 0; --i) cum += LenCount[i] << (MaxCodeLength - i);
  while (cum != (1u << MaxCodeLength)) {
    --LenCount[MaxCodeLength];
    for (int i = MaxCodeLength - 1; i > 0; --i) {
      if (LenCount[i] != 0) {
        --LenCount[i];
        LenCount[i + 1] += 2;
        break;
      }
    }
    --cum;
  }
  std::size_t next = 0;
  for (int i = MaxCodeLength; i > 0; --i) {
    for (unsigned k = LenCount[i]; k > 0; --k) len[order[next++]] = static_cast<std::uint8_t>(i);
  }

  std::array<unsigned, MaxCodeLength + 2> start{};
  for (int i = 1; i <= MaxCodeLength; ++i) start[i + 1] = (start[i] + LenCount[i]) << 1;
  for (int i = 0; i < n; ++i) {
    if (len[i] != 0) code[i] = static_cast<std::uint16_t>(start[len[i]]++);
  }
  return root;
}

class TBitWriter {
public:
  // Appends the low `n` bits of `x` (n <= 16), most significant first.
  void Put(int n, unsigned x) {
    if (n == 0) return;
    Acc = (Acc << n) | (x & ((1u << n) - 1));
    Pending += n;
    while (Pending >= 8) {
      Pending -= 8;
      Out.push_back(static_cast<char>(Acc >> Pending));
    }
  }
  // The 7 closing zero bits complete a partial last byte; bits beyond it are never written.
  std::string Finish() {
    Put(7, 0);
    return std::move(Out);
  }

private:
  std::string Out;
  std::uint32_t Acc = 0;
  int Pending = 0;
};

class TLh5Encoder {
public:
  explicit TLh5Encoder(std::string_view data) : Data(data) {}
  std::string Run();

private:
  struct TMatch {
    std::size_t Length = 0;
    std::size_t Distance = 0;
  };

  // Hash chains over 3-byte prefixes. A chain is walked at most MaxChain steps (a quarter of
  // that when looking one byte ahead of a match of GoodLength), and only within the window,
  // so the work per byte is bounded. The limits are those of zlib's default level.
  static constexpr int HashBits = 15;
  static constexpr int MaxChain = 128;
  static constexpr std::size_t GoodLength = 8;
  // A match this long ends the search.
  static constexpr std::size_t NiceLength = 128;
  // A match at least this long is taken without looking one byte ahead for a longer one.
  static constexpr std::size_t LazyLimit = 16;
  // The encoder evicts a window slot before reusing it, so the oldest reachable byte is
  // DicSize-1 back; decoders must still accept DicSize.
  static constexpr std::size_t MaxDistance = DicSize - 1;

  unsigned HashAt(std::size_t pos) const {
    const auto* p = reinterpret_cast<const unsigned char*>(Data.data()) + pos;
    const unsigned v = (unsigned{p[0]} << 16) | (unsigned{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - HashBits);
  }
  void Insert(std::size_t pos);
  TMatch FindAndInsert(std::size_t pos, int maxChain = MaxChain);

  void Output(unsigned c, unsigned p);
  void SendBlock();
  void CountTFreq();
  void WritePtLen(const std::uint8_t* len, int n, int nbit, int special);
  void WriteCLen();

  std::string_view Data;
  std::vector<std::int64_t> Head;
  std::vector<std::int64_t> Prev;

  struct TItem {
    std::uint16_t C;
    std::uint16_t P;
  };
  std::vector<TItem> Items;
  std::size_t BufferPos = 0;
  unsigned GroupMask = 0;
  std::array<std::uint32_t, NC> CFreq{};
  std::array<std::uint32_t, NP> PFreq{};
  std::array<std::uint32_t, NT> TFreq{};
  std::array<std::uint8_t, NC> CLen{};
  std::array<std::uint16_t, NC> CCode{};
  std::array<std::uint8_t, NP> PLen{};
  std::array<std::uint16_t, NP> PCode{};
  std::array<std::uint8_t, NT> TLen{};
  std::array<std::uint16_t, NT> TCode{};
  THuffmanBuilder Builder;
  TBitWriter Out;
};

void TLh5Encoder::Insert(std::size_t pos) {
  if (pos + 3 > Data.size()) return;
  const unsigned h = HashAt(pos);
  Prev[pos & (DicSize - 1)] = Head[h];
  Head[h] = static_cast<std::int64_t>(pos);
}

// The length of the common prefix of a and b, at most `limit`.
std::size_t CommonLength(const char* a, const char* b, std::size_t limit) {
  std::size_t n = 0;
  while (n + 8 <= limit) {
    std::uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) {
      const std::uint64_t diff = x ^ y;
      // The first differing byte in memory order is the lowest one on little-endian machines.
      if constexpr (std::endian::native == std::endian::little) return n + std::countr_zero(diff) / 8;
      return n + std::countl_zero(diff) / 8;
    }
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

TLh5Encoder::TMatch TLh5Encoder::FindAndInsert(std::size_t pos, int maxChain) {
  TMatch best;
  if (pos + 3 > Data.size()) return best;
  const std::size_t limit = std::min<std::size_t>(MaxMatch, Data.size() - pos);
  const std::size_t nice = std::min(NiceLength, limit);
  const char* here = Data.data() + pos;
  std::int64_t candidate = Head[HashAt(pos)];
  for (int chain = maxChain; candidate >= 0 && chain > 0; --chain) {
    const auto cand = static_cast<std::size_t>(candidate);
    const std::size_t distance = pos - cand;
    if (distance > MaxDistance) break;
    const char* there = Data.data() + cand;
    if (best.Length == 0 || there[best.Length] == here[best.Length]) {
      const std::size_t n = CommonLength(there, here, limit);
      if (n > best.Length) {
        best = {n, distance};
        if (n >= nice) break;
      }
    }
    // Slots are reused every DicSize positions; the distance test above stops the walk
    // before it could follow a slot that has been overwritten.
    candidate = Prev[cand & (DicSize - 1)];
  }
  Insert(pos);
  if (best.Length < static_cast<std::size_t>(Threshold)) best = {};
  return best;
}

void TLh5Encoder::Output(unsigned c, unsigned p) {
  // Blocks end where LHA encoders' 16384-byte code buffer fills, within 24 bytes: codes go in
  // groups of eight behind a flag byte, a literal takes one byte and a match three.
  GroupMask >>= 1;
  if (GroupMask == 0) {
    GroupMask = 0x80;
    if (BufferPos >= CodeBufferSize - CodeBufferMargin) {
      SendBlock();
      BufferPos = 0;
    }
    ++BufferPos;
  }
  Items.push_back({static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(p)});
  ++CFreq[c];
  if (c >= 256) {
    BufferPos += 3;
    ++PFreq[BitCount(p)];
  } else {
    BufferPos += 1;
  }
}

void TLh5Encoder::CountTFreq() {
  TFreq.fill(0);
  int n = NC;
  while (n > 0 && CLen[n - 1] == 0) --n;
  int i = 0;
  while (i < n) {
    const int k = CLen[i++];
    if (k == 0) {
      int count = 1;
      while (i < n && CLen[i] == 0) {
        ++i;
        ++count;
      }
      if (count <= 2) {
        TFreq[0] += count;
      } else if (count <= 18) {
        ++TFreq[1];
      } else if (count == 19) {
        ++TFreq[0];
        ++TFreq[1];
      } else {
        ++TFreq[2];
      }
    } else {
      ++TFreq[k + 2];
    }
  }
}

void TLh5Encoder::WritePtLen(const std::uint8_t* len, int n, int nbit, int special) {
  while (n > 0 && len[n - 1] == 0) --n;
  Out.Put(nbit, static_cast<unsigned>(n));
  int i = 0;
  while (i < n) {
    const int k = len[i++];
    // Lengths up to 6 in three bits; longer ones as 111 followed by k-7 ones and a zero.
    if (k <= 6) {
      Out.Put(3, static_cast<unsigned>(k));
    } else {
      Out.Put(k - 3, (1u << (k - 3)) - 2);
    }
    if (i == special) {
      while (i < 6 && len[i] == 0) ++i;
      Out.Put(2, static_cast<unsigned>(i - 3) & 3);
    }
  }
}

void TLh5Encoder::WriteCLen() {
  int n = NC;
  while (n > 0 && CLen[n - 1] == 0) --n;
  Out.Put(CBits, static_cast<unsigned>(n));
  int i = 0;
  while (i < n) {
    const int k = CLen[i++];
    if (k == 0) {
      int count = 1;
      while (i < n && CLen[i] == 0) {
        ++i;
        ++count;
      }
      if (count <= 2) {
        for (int j = 0; j < count; ++j) Out.Put(TLen[0], TCode[0]);
      } else if (count <= 18) {
        Out.Put(TLen[1], TCode[1]);
        Out.Put(4, static_cast<unsigned>(count - 3));
      } else if (count == 19) {
        Out.Put(TLen[0], TCode[0]);
        Out.Put(TLen[1], TCode[1]);
        Out.Put(4, 15);
      } else {
        Out.Put(TLen[2], TCode[2]);
        Out.Put(CBits, static_cast<unsigned>(count - 20));
      }
    } else {
      Out.Put(TLen[k + 2], TCode[k + 2]);
    }
  }
}

void TLh5Encoder::SendBlock() {
  const int root = Builder.Make(NC, CFreq.data(), CLen.data(), CCode.data());
  Out.Put(16, static_cast<unsigned>(Items.size()));
  if (root >= NC) {
    CountTFreq();
    const int troot = Builder.Make(NT, TFreq.data(), TLen.data(), TCode.data());
    if (troot >= NT) {
      WritePtLen(TLen.data(), NT, TBits, TSpecial);
    } else {
      Out.Put(TBits, 0);
      Out.Put(TBits, static_cast<unsigned>(troot));
    }
    WriteCLen();
  } else {
    // One literal/length symbol (or none): an empty code-length code and a lone symbol.
    Out.Put(TBits, 0);
    Out.Put(TBits, 0);
    Out.Put(CBits, 0);
    Out.Put(CBits, static_cast<unsigned>(root));
  }
  const int proot = Builder.Make(NP, PFreq.data(), PLen.data(), PCode.data());
  if (proot >= NP) {
    WritePtLen(PLen.data(), NP, PBits, -1);
  } else {
    Out.Put(PBits, 0);
    Out.Put(PBits, static_cast<unsigned>(proot));
  }
  for (const TItem& item : Items) {
    Out.Put(CLen[item.C], CCode[item.C]);
    if (item.C >= 256) {
      const unsigned c = BitCount(item.P);
      Out.Put(PLen[c], PCode[c]);
      if (c > 1) Out.Put(static_cast<int>(c) - 1, item.P & ((1u << (c - 1)) - 1));
    }
  }
  Items.clear();
  CFreq.fill(0);
  PFreq.fill(0);
}

std::string TLh5Encoder::Run() {
  Head.assign(std::size_t{1} << HashBits, -1);
  Prev.assign(DicSize, -1);
  Items.reserve(CodeBufferSize);

  const auto* bytes = reinterpret_cast<const unsigned char*>(Data.data());
  auto emitMatch = [&](const TMatch& m) {
    Output(static_cast<unsigned>(m.Length + 256 - Threshold), static_cast<unsigned>(m.Distance - 1));
  };

  // Greedy matching with one byte of lookahead: a literal is sent instead of a match when
  // the match starting at the next byte is longer.
  std::size_t pos = 0;
  TMatch match;
  bool haveMatch = false;
  while (pos < Data.size()) {
    if (!haveMatch) match = FindAndInsert(pos);
    haveMatch = false;
    if (match.Length == 0) {
      Output(bytes[pos], 0);
      ++pos;
      continue;
    }
    std::size_t inserted = pos + 1;
    if (match.Length < LazyLimit) {
      const TMatch next = FindAndInsert(pos + 1, match.Length >= GoodLength ? MaxChain / 4 : MaxChain);
      if (next.Length > match.Length) {
        Output(bytes[pos], 0);
        ++pos;
        match = next;
        haveMatch = true;
        continue;
      }
      inserted = pos + 2;
    }
    emitMatch(match);
    for (std::size_t i = inserted; i < pos + match.Length; ++i) Insert(i);
    pos += match.Length;
  }
  SendBlock();
  return Out.Finish();
}

[[noreturn]] void Damaged(const std::string& what) {
  throw ECompressError("The compressed data is damaged: " + what + ".");
}

// Raised by the bit reader when a code needs bits past the end; the decoder turns it into an
// ECompressError that says how far it got.
struct TStreamEnded {};

class TBitReader {
public:
  explicit TBitReader(std::string_view data) : Data(data) { Refill(); }

  // The next 16 bits, zeros past the end of the data.
  unsigned Peek16() const { return static_cast<unsigned>(Acc >> 48); }

  void Skip(int n) {
    Acc <<= n;
    Avail -= n;
    // Zero bits fill the buffer past the end so that codes can be looked up; taking one of
    // them means the stream was cut short.
    if (Padding > Avail) throw TStreamEnded{};
    if (Avail < 32) Refill();
  }

  unsigned Get(int n) {
    if (n == 0) return 0;
    const auto value = static_cast<unsigned>(Acc >> (64 - n));
    Skip(n);
    return value;
  }

private:
  void Refill() {
    while (Avail <= 56) {
      std::uint64_t byte = 0;
      if (Pos < Data.size()) {
        byte = static_cast<unsigned char>(Data[Pos++]);
      } else {
        Padding += 8;
      }
      Acc |= byte << (56 - Avail);
      Avail += 8;
    }
  }

  std::string_view Data;
  std::size_t Pos = 0;
  std::uint64_t Acc = 0;
  int Avail = 0;
  int Padding = 0;
};

// A canonical prefix code read from a table of lengths, decoded through a lookup table of the
// first `TableBits` bits and a search by length for longer codes.
class TPrefixDecoder {
public:
  explicit TPrefixDecoder(int tableBits) : TableBits(tableBits), Table(std::size_t{1} << tableBits) {}

  void SetSingle(unsigned symbol) {
    Single = true;
    SingleSymbol = symbol;
  }

  // `len` holds lengths 0..16. Throws ECompressError unless they form a complete prefix code.
  void Build(const std::uint8_t* len, int n);

  unsigned Decode(TBitReader& in) const;

private:
  static constexpr std::uint16_t Long = 0xFFFF;

  int TableBits;
  bool Single = false;
  unsigned SingleSymbol = 0;
  std::vector<std::uint16_t> Table;  // symbol << 5 | length, or Long
  std::array<unsigned, MaxCodeLength + 1> Count{};
  std::array<unsigned, MaxCodeLength + 1> First{};
  std::array<unsigned, MaxCodeLength + 1> Offset{};
  std::vector<std::uint16_t> Sorted;
};

void TPrefixDecoder::Build(const std::uint8_t* len, int n) {
  Single = false;
  Count.fill(0);
  for (int i = 0; i < n; ++i) ++Count[len[i]];
  Count[0] = 0;
  unsigned kraft = 0;
  for (int l = 1; l <= MaxCodeLength; ++l) kraft += Count[l] << (MaxCodeLength - l);
  if (kraft != (1u << MaxCodeLength)) Damaged("a code table is not a complete prefix code");

  unsigned code = 0;
  unsigned offset = 0;
  for (int l = 1; l <= MaxCodeLength; ++l) {
    First[l] = code;
    Offset[l] = offset;
    code = (code + Count[l]) << 1;
    offset += Count[l];
  }
  Sorted.assign(offset, 0);
  std::array<unsigned, MaxCodeLength + 1> next = Offset;
  for (int i = 0; i < n; ++i) {
    if (len[i] != 0) Sorted[next[len[i]]++] = static_cast<std::uint16_t>(i);
  }

  std::fill(Table.begin(), Table.end(), Long);
  for (int l = 1; l <= TableBits; ++l) {
    for (unsigned k = 0; k < Count[l]; ++k) {
      const unsigned symbol = Sorted[Offset[l] + k];
      const unsigned first = (First[l] + k) << (TableBits - l);
      const unsigned span = 1u << (TableBits - l);
      std::fill_n(Table.begin() + first, span, static_cast<std::uint16_t>(symbol << 5 | static_cast<unsigned>(l)));
    }
  }
}

unsigned TPrefixDecoder::Decode(TBitReader& in) const {
  if (Single) return SingleSymbol;
  const unsigned bits = in.Peek16();
  const std::uint16_t entry = Table[bits >> (16 - TableBits)];
  if (entry != Long) {
    in.Skip(entry & 31);
    return entry >> 5;
  }
  for (int l = TableBits + 1; l <= MaxCodeLength; ++l) {
    const unsigned index = (bits >> (16 - l)) - First[l];
    if (index < Count[l]) {
      in.Skip(l);
      return Sorted[Offset[l] + index];
    }
  }
  Damaged("a code table is not a complete prefix code");  // a complete code always matches
}

class TLh5Decoder {
public:
  explicit TLh5Decoder(std::string_view stream) : In(stream) {}
  void Run(std::string& out, std::size_t length);

private:
  void ReadPtLen(TPrefixDecoder& code, int nn, int nbit, int special);
  void ReadCLen();

  TBitReader In;
  TPrefixDecoder T{8};
  TPrefixDecoder C{12};
  TPrefixDecoder P{8};
};

void TLh5Decoder::ReadPtLen(TPrefixDecoder& code, int nn, int nbit, int special) {
  const auto n = static_cast<int>(In.Get(nbit));
  if (n == 0) {
    const unsigned symbol = In.Get(nbit);
    if (symbol >= static_cast<unsigned>(nn)) Damaged("a one-symbol code names a symbol outside its alphabet");
    code.SetSingle(symbol);
    return;
  }
  if (n > nn) Damaged("a code-length table lists more symbols than its alphabet has");
  std::array<std::uint8_t, NT> len{};
  int i = 0;
  while (i < n) {
    const unsigned bits = In.Peek16();
    unsigned c = bits >> 13;
    if (c == 7) {
      for (unsigned mask = 1u << 12; bits & mask; mask >>= 1) {
        if (++c > MaxCodeLength) Damaged("a code is longer than 16 bits");
      }
    }
    In.Skip(c < 7 ? 3 : static_cast<int>(c) - 3);
    len[i++] = static_cast<std::uint8_t>(c);
    if (i == special) {
      // Only the code-length code has this: up to three zero lengths after the third.
      for (unsigned zeros = In.Get(2); zeros > 0; --zeros) len[i++] = 0;
    }
  }
  code.Build(len.data(), nn);
}

void TLh5Decoder::ReadCLen() {
  const auto n = static_cast<int>(In.Get(CBits));
  if (n == 0) {
    const unsigned symbol = In.Get(CBits);
    if (symbol >= static_cast<unsigned>(NC)) Damaged("a one-symbol code names a symbol outside its alphabet");
    C.SetSingle(symbol);
    return;
  }
  if (n > NC) Damaged("a code-length table lists more symbols than its alphabet has");
  std::array<std::uint8_t, NC> len{};
  int i = 0;
  while (i < n) {
    const unsigned c = T.Decode(In);
    if (c <= 2) {
      const unsigned run = c == 0 ? 1 : c == 1 ? In.Get(4) + 3 : In.Get(CBits) + 20;
      if (i + static_cast<int>(run) > NC) Damaged("a run of zero lengths goes past the end of its table");
      i += static_cast<int>(run);  // len[] is already zero there
    } else {
      len[i++] = static_cast<std::uint8_t>(c - 2);
    }
  }
  C.Build(len.data(), NC);
}

void TLh5Decoder::Run(std::string& out, std::size_t length) {
  unsigned blockLeft = 0;
  while (out.size() < length) {
    if (blockLeft == 0) {
      blockLeft = In.Get(16);
      // Only the stream of empty data holds a block without codes.
      if (blockLeft == 0) Damaged("a block holds no codes");
      ReadPtLen(T, NT, TBits, TSpecial);
      ReadCLen();
      ReadPtLen(P, NP, PBits, -1);
    }
    --blockLeft;
    const unsigned c = C.Decode(In);
    if (c < 256) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const std::size_t matchLength = c - 256 + Threshold;
    const unsigned j = P.Decode(In);
    const std::size_t distance = (j == 0 ? 0 : (std::size_t{1} << (j - 1)) + In.Get(static_cast<int>(j) - 1)) + 1;
    if (distance > out.size()) Damaged("a match refers to data before the start");
    // A match running past the stored length is cut there, as archivers do.
    const std::size_t n = std::min(matchLength, length - out.size());
    const std::size_t at = out.size();
    out.resize(at + n);
    char* dst = out.data() + at;
    const char* src = dst - distance;
    for (std::size_t k = 0; k < n; ++k) dst[k] = src[k];  // overlapping copies repeat bytes
  }
}

}  // namespace

std::string Lh5Encode(std::string_view data) {
  return TLh5Encoder(data).Run();
}

std::string Lh5Decode(std::string_view stream, std::uint32_t length) {
  std::string out;
  if (length == 0) return out;
  out.reserve(std::min<std::size_t>(length, std::size_t{1} << 20));
  try {
    TLh5Decoder(stream).Run(out, length);
  } catch (const TStreamEnded&) {
    throw ECompressError("The compressed data is truncated or damaged: it ends after " + std::to_string(out.size()) +
                         " of " + std::to_string(length) + " bytes.");
  }
  return out;
}

std::vector<std::uint8_t> Lh5CodeLengths(const std::vector<std::uint32_t>& freq) {
  const int n = static_cast<int>(freq.size());
  std::vector<std::uint8_t> len(freq.size());
  std::vector<std::uint16_t> code(freq.size());
  if (n > 0) THuffmanBuilder().Make(n, freq.data(), len.data(), code.data());
  return len;
}

}  // namespace mailmoat
