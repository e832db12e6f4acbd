#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailmoat {

// The LHA -lh5- method: LZSS over an 8192-byte window with static Huffman blocks, bits most
// significant first, as LHA archivers write it.

// Encodes `data` as one -lh5- stream, ending with the 7 zero bits that complete the last byte.
std::string Lh5Encode(std::string_view data);

// Decodes exactly `length` bytes from `stream`. Throws ECompressError (core/FileCompress.h)
// when a block's tables are inconsistent, a position reaches before the start of the data,
// or the stream ends before `length` bytes are decoded.
std::string Lh5Decode(std::string_view stream, std::uint32_t length);

}  // namespace mailmoat
