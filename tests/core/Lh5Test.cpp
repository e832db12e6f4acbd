#include "core/Lh5.h"

#include "core/FileCompress.h"
#include "core/Lh5TestData.h"

#include <gtest/gtest.h>

#include <functional>

namespace mailmoat {
namespace {

using test::MailText;
using test::RandomBytes;
using test::RepeatedText;

// Lays out bits most significant first, as the stream does, to build streams by hand.
class TStreamBits {
public:
  TStreamBits& Put(int n, unsigned value) {
    for (int i = n - 1; i >= 0; --i) Bits.push_back(((value >> i) & 1) != 0);
    return *this;
  }
  // The bytes, the last one completed with zeros, then `slack` zero bytes so that a damaged
  // table is reported as such and not as an early end.
  std::string Bytes(std::size_t slack = 0) const {
    std::string out((Bits.size() + 7) / 8 + slack, '\0');
    for (std::size_t i = 0; i < Bits.size(); ++i) {
      if (Bits[i]) out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    }
    return out;
  }

private:
  std::vector<bool> Bits;
};

// A block header whose literal/length and position codes each have one symbol (empty codes).
void OneSymbolBlock(TStreamBits& s, unsigned codes, unsigned cSymbol, unsigned pSymbol) {
  s.Put(16, codes).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, cSymbol).Put(4, 0).Put(4, pSymbol);
}

// A block header whose literal code gives every byte value 8 bits, the byte itself.
void ByteBlock(TStreamBits& s, unsigned codes) {
  // Code-length code: the one symbol 10, length 8; then 256 lengths that take no bits.
  s.Put(16, codes).Put(5, 0).Put(5, 10).Put(9, 256).Put(4, 0).Put(4, 0);
}

std::string Decode(const std::string& stream, std::size_t length) {
  return Lh5Decode(stream, static_cast<std::uint32_t>(length));
}

template <typename T>
std::string ParamName(const testing::TestParamInfo<T>& info) {
  return info.param.Name;
}

struct TRoundTrip {
  const char* Name;
  std::function<std::string()> Make;
};
void PrintTo(const TRoundTrip& c, std::ostream* os) {
  *os << c.Name;
}

class Lh5RoundTrip : public testing::TestWithParam<TRoundTrip> {};

TEST_P(Lh5RoundTrip, DecodesToTheSameBytes) {
  const std::string data = GetParam().Make();
  const std::string stream = Lh5Encode(data);
  const std::string back = Decode(stream, data.size());
  ASSERT_EQ(back.size(), data.size());
  EXPECT_TRUE(back == data) << "first difference at "
                            << std::mismatch(back.begin(), back.end(), data.begin()).first - back.begin();
}

INSTANTIATE_TEST_SUITE_P(Sizes, Lh5RoundTrip,
                         testing::Values(TRoundTrip{"Empty", [] { return std::string(); }},
                                         TRoundTrip{"OneByte", [] { return std::string("\xFF"); }},
                                         TRoundTrip{"Window", [] { return MailText(8192); }},
                                         TRoundTrip{"WindowPlusOne", [] { return MailText(8193); }},
                                         TRoundTrip{"RandomWindowPlusOne", [] { return RandomBytes(8193, 1); }},
                                         TRoundTrip{"RepeatedText100K", [] { return RepeatedText(100 * 1024); }},
                                         TRoundTrip{"Random1M", [] { return RandomBytes(1 << 20, 2); }},
                                         TRoundTrip{"RunOfAWholeWindow",
                                                    [] { return "ab" + std::string(8192, 'x') + "cd"; }},
                                         TRoundTrip{"RunOfManyBlocks", [] { return std::string(5 << 20, '\0'); }},
                                         TRoundTrip{"MatchesAtMaximumDistance",
                                                    [] {
                                                      const std::string block = RandomBytes(8191, 4);
                                                      return block + block + block + "tail";
                                                    }},
                                         TRoundTrip{"PeriodOfAWholeWindow",
                                                    [] {
                                                      const std::string block = RandomBytes(8192, 5);
                                                      return block + block + block;
                                                    }},
                                         TRoundTrip{"SkewedLiterals",
                                                    [] {
                                                      // Halving probabilities give literal codes up to the 16-bit
                                                      // limit, decoded beyond the lookup tables.
                                                      std::mt19937 rng(6);
                                                      std::string s(60000, '\0');
                                                      for (char& c : s) {
                                                        unsigned k = 0;
                                                        while (k < 30 && (rng() & 1)) ++k;
                                                        c = static_cast<char>('A' + k);
                                                      }
                                                      return s;
                                                    }}),
                         ParamName<TRoundTrip>);

TEST(Lh5Encode, EmptyInputIsOneBlockWithoutCodes) {
  // 16-bit code count 0, empty code-length code (5+5 bits), lone literal 0 (9+9), lone
  // position 0 (4+4): 52 zero bits, completed to 7 bytes.
  EXPECT_EQ(Lh5Encode(""), std::string(7, '\0'));
}

TEST(Lh5Encode, OneByteIsAOneSymbolBlock) {
  // Count 1, empty code-length code, lone literal 0x61 in 9 bits, lone position 0.
  EXPECT_EQ(Lh5Encode("a"), std::string("\x00\x01\x00\x00\x06\x10\x00", 7));
}

TEST(Lh5Encode, BlockEndsWhenTheCodeBufferIsWithin24BytesOfFull) {
  // Two bytes per counter value: no three bytes repeat, so every code is a literal. Codes go
  // in groups of 8 behind a flag byte: 9 buffer bytes a group, and the block closes once
  // 16384 - 24 bytes are used, after 1818 groups.
  std::string data;
  for (unsigned c = 0; c < 16000; ++c) {
    data.push_back(static_cast<char>(c >> 8));
    data.push_back(static_cast<char>(c & 0xFF));
  }
  const std::string stream = Lh5Encode(data);
  EXPECT_EQ(static_cast<unsigned char>(stream[0]) << 8 | static_cast<unsigned char>(stream[1]), 1818 * 8);
  EXPECT_EQ(Decode(stream, data.size()), data);
}

TEST(Lh5Encode, FindsMatchesThroughoutTheWindow) {
  // Incompressible data grows only by its tables; the repeats of a random block one byte short
  // of the window are found at that distance; long runs cost almost nothing.
  EXPECT_LT(Lh5Encode(RandomBytes(1 << 20, 2)).size(), (1u << 20) + (1u << 20) / 100);
  const std::string block = RandomBytes(8191, 4);
  EXPECT_LT(Lh5Encode(block + block + block).size(), 8191 + 8191 / 20);
  EXPECT_LT(Lh5Encode(RepeatedText(100 * 1024)).size(), 100u * 1024 / 50);
  EXPECT_LT(Lh5Encode(std::string(1 << 20, 'x')).size(), 1000u);
}

TEST(Lh5CodeLengths, AreAHuffmanCodeCutToSixteenBits) {
  // Fibonacci frequencies make the deepest possible tree: 39 levels before the cut.
  std::vector<std::uint32_t> freq{1, 1};
  while (freq.size() < 40) freq.push_back(freq[freq.size() - 1] + freq[freq.size() - 2]);
  freq.insert(freq.begin() + 5, 0);
  const std::vector<std::uint8_t> len = Lh5CodeLengths(freq);
  double kraft = 0;
  for (std::size_t i = 0; i < len.size(); ++i) {
    if (freq[i] == 0) {
      EXPECT_EQ(len[i], 0) << i;
      continue;
    }
    EXPECT_GE(len[i], 1) << i;
    EXPECT_LE(len[i], 16) << i;
    kraft += 1.0 / (1u << len[i]);
    // A more frequent symbol never gets the longer code.
    if (i > 0 && freq[i - 1] != 0 && freq[i - 1] < freq[i]) {
      EXPECT_GE(len[i - 1], len[i]) << i;
    }
  }
  EXPECT_DOUBLE_EQ(kraft, 1.0);

  EXPECT_EQ(Lh5CodeLengths({0, 0, 0}), (std::vector<std::uint8_t>{0, 0, 0}));
  EXPECT_EQ(Lh5CodeLengths({0, 9, 0}), (std::vector<std::uint8_t>{0, 0, 0}));
  EXPECT_EQ(Lh5CodeLengths({3, 0, 1}), (std::vector<std::uint8_t>{1, 0, 1}));
  EXPECT_EQ(Lh5CodeLengths({4, 2, 1, 1}), (std::vector<std::uint8_t>{1, 2, 3, 3}));
}

TEST(Lh5Decode, LengthZeroReadsNothing) {
  EXPECT_EQ(Decode("", 0), "");
  EXPECT_EQ(Decode("garbage", 0), "");
}

TEST(Lh5Decode, FewerBytesThanStoredGiveThePrefix) {
  const std::string data = MailText(20000) + std::string(1000, '-');
  const std::string stream = Lh5Encode(data);
  for (std::size_t length : {1u, 2u, 100u, 8192u, 19999u, 20001u, 20500u}) {
    EXPECT_EQ(Decode(stream, length), data.substr(0, length)) << length;
  }
}

TEST(Lh5Decode, OneSymbolCodesTakeNoBits) {
  // A block of 300 literals 'q' and a block of one 256-byte match at distance 1: all the
  // bits are in the headers.
  TStreamBits s;
  OneSymbolBlock(s, 300, 'q', 0);
  OneSymbolBlock(s, 1, 509, 0);
  EXPECT_EQ(Decode(s.Bytes(), 556), std::string(556, 'q'));
}

TEST(Lh5Decode, AcceptsAMatchAWholeWindowBack) {
  const std::string first = RandomBytes(8192, 8);
  TStreamBits s;
  ByteBlock(s, 8192);
  for (unsigned char c : first) s.Put(8, c);
  // Position symbol 13 with 12 more bits all ones: distance - 1 = 4096 + 4095.
  OneSymbolBlock(s, 1, 509, 13);
  s.Put(12, 4095);
  EXPECT_EQ(Decode(s.Bytes(), 8192 + 256), first + first.substr(0, 256));
}

TEST(Lh5Decode, RejectsAMatchBeforeTheStart) {
  const std::string message = "The compressed data is damaged: a match refers to data before the start.";
  TStreamBits first;
  OneSymbolBlock(first, 1, 256, 0);
  try {
    Decode(first.Bytes(), 3);
    ADD_FAILURE() << "no error";
  } catch (const ECompressError& e) {
    EXPECT_EQ(e.what(), message);
  }

  TStreamBits far;
  ByteBlock(far, 8191);
  for (int i = 0; i < 8191; ++i) far.Put(8, 'z');
  OneSymbolBlock(far, 1, 509, 13);
  far.Put(12, 4095);
  try {
    Decode(far.Bytes(), 8191 + 256);
    ADD_FAILURE() << "no error";
  } catch (const ECompressError& e) {
    EXPECT_EQ(e.what(), message);
  }
}

struct TBadStream {
  const char* Name;
  std::function<void(TStreamBits&)> Write;
  const char* Message;
};
void PrintTo(const TBadStream& c, std::ostream* os) {
  *os << c.Name;
}

class Lh5DamagedTables : public testing::TestWithParam<TBadStream> {};

TEST_P(Lh5DamagedTables, RaiseACompressError) {
  TStreamBits s;
  GetParam().Write(s);
  try {
    Decode(s.Bytes(64), 1000);
    ADD_FAILURE() << "no error";
  } catch (const ECompressError& e) {
    EXPECT_EQ(e.what(), std::string("The compressed data is damaged: ") + GetParam().Message);
  }
}

constexpr const char* TooMany = "a code-length table lists more symbols than its alphabet has.";
constexpr const char* NotPrefix = "a code table is not a complete prefix code.";
constexpr const char* Outside = "a one-symbol code names a symbol outside its alphabet.";

INSTANTIATE_TEST_SUITE_P(
    Tables, Lh5DamagedTables,
    testing::Values(
        TBadStream{"BlockWithoutCodes", [](TStreamBits& s) { s.Put(16, 0); }, "a block holds no codes."},
        TBadStream{"CodeLengthOver16",
                   // 111, ten ones, 0: length 17.
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 1).Put(14, (1u << 14) - 2); },
                   "a code is longer than 16 bits."},
        TBadStream{"CodeLengthRunOfOnes", [](TStreamBits& s) { s.Put(16, 1).Put(5, 1).Put(16, 0xFFFF); },
                   "a code is longer than 16 bits."},
        TBadStream{"LengthCodeOversubscribed",
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Put(3, 1); },
                   NotPrefix},
        TBadStream{"LengthCodeIncomplete",
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 2).Put(3, 0).Put(2, 0).Put(3, 0); },
                   NotPrefix},
        TBadStream{"LiteralCodeOversubscribed",
                   // Code-length code: the one symbol 3, length 1, for each of three symbols.
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 3).Put(9, 3); }, NotPrefix},
        TBadStream{"PositionCodeIncomplete",
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'a').Put(4, 2).Put(3, 1); },
                   NotPrefix},
        TBadStream{"LengthCodeTooManySymbols", [](TStreamBits& s) { s.Put(16, 1).Put(5, 20); }, TooMany},
        TBadStream{"LiteralCodeTooManySymbols", [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 3).Put(9, 511); },
                   TooMany},
        TBadStream{"PositionCodeTooManySymbols",
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'a').Put(4, 15); }, TooMany},
        TBadStream{"LoneLengthSymbolOutside", [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 19); }, Outside},
        TBadStream{"LoneLiteralOutside", [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 510); },
                   Outside},
        TBadStream{"LonePositionOutside", [](TStreamBits& s) { OneSymbolBlock(s, 1, 'a', 14); }, Outside},
        TBadStream{"ZeroRunPastTheTable",
                   // Code-length symbol 2: a run of 20 + 9 bits of zero lengths.
                   [](TStreamBits& s) { s.Put(16, 1).Put(5, 0).Put(5, 2).Put(9, 510).Put(9, 491); },
                   "a run of zero lengths goes past the end of its table."}),
    ParamName<TBadStream>);

TEST(Lh5Decode, ZeroRunFillingTheTableExactlyIsAccepted) {
  // The boundary of the test above: a run to the last symbol, then the table is complete.
  TStreamBits s;
  // Code-length code over symbols 2 (zero run) and 4 (length 2): lengths 1 and 1.
  s.Put(16, 4).Put(5, 5).Put(3, 0).Put(3, 0).Put(3, 1).Put(2, 0).Put(3, 0).Put(3, 1);
  // Literal lengths: four symbols of length 2 at 'a'..'d', then zeros to the end.
  s.Put(9, 510).Put(1, 0).Put(9, 'a' - 20);  // symbol 2 (code 0): 'a' zero lengths
  for (int i = 0; i < 4; ++i) s.Put(1, 1);   // symbol 4 (code 1): length 2
  s.Put(1, 0).Put(9, 510 - 'a' - 4 - 20);
  s.Put(4, 0).Put(4, 0);
  for (unsigned code : {3u, 2u, 1u, 0u}) s.Put(2, code);
  EXPECT_EQ(Decode(s.Bytes(), 4), "dcba");
}

TEST(Lh5Decode, ReportsHowFarATruncatedStreamGot) {
  try {
    Decode(Lh5Encode("a"), 2);
    ADD_FAILURE() << "no error";
  } catch (const ECompressError& e) {
    EXPECT_STREQ(e.what(), "The compressed data is truncated or damaged: it ends after 1 of 2 bytes.");
  }
  EXPECT_THROW(Decode("", 1), ECompressError);
}

TEST(Lh5Decode, EveryTruncationRaisesACompressError) {
  const std::string data = MailText(3000) + RandomBytes(200, 9);
  const std::string stream = Lh5Encode(data);
  ASSERT_EQ(Decode(stream, data.size()), data);
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    try {
      Decode(stream.substr(0, cut), data.size());
      ADD_FAILURE() << "no error at cut " << cut;
    } catch (const ECompressError& e) {
      EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos) << cut << ": " << e.what();
    }
  }
}

TEST(Lh5Decode, DamagedStreamsFailCleanlyOrKeepTheLength) {
  // No checksum guards the stream, so a flipped bit may decode to other bytes; it must then
  // still give exactly the stored length, and otherwise raise ECompressError.
  const std::string data = MailText(1500) + std::string(300, '=') + RandomBytes(100, 10);
  const std::string stream = Lh5Encode(data);
  int detected = 0;
  for (std::size_t bit = 0; bit < stream.size() * 8; ++bit) {
    std::string damaged = stream;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (0x80 >> (bit % 8)));
    try {
      EXPECT_EQ(Decode(damaged, data.size()).size(), data.size());
    } catch (const ECompressError&) {
      ++detected;
    }
  }
  EXPECT_GT(detected, 0);
}

}  // namespace
}  // namespace mailmoat
