#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// The LHA -lh5- method: LZSS over an 8192-byte window with static Huffman blocks, bits most
// significant first, as LHA archivers write it.

// Encodes `data` as one -lh5- stream, ending with the 7 zero bits that complete the last byte.
// The empty input gives one block of no codes: 7 zero bytes.
std::string Lh5Encode(std::string_view data);

// Decodes exactly `length` bytes from `stream`. Throws ECompressError (core/FileCompress.h)
// when a block's tables are inconsistent, a position reaches before the start of the data,
// or the stream ends before `length` bytes are decoded. Bytes after the last code needed
// are ignored; memory grows with the output actually produced, not with `length`.
std::string Lh5Decode(std::string_view stream, std::uint32_t length);

// The code lengths the encoder gives symbols of these frequencies: a Huffman code cut to at
// most 16 bits. Unused symbols get 0, and so does a lone used symbol (its code is empty).
std::vector<std::uint8_t> Lh5CodeLengths(const std::vector<std::uint32_t>& freq);

}  // namespace mailmoat
