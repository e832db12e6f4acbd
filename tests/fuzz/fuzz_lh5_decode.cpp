// Compressed stores come from disk and from the filter update download: any bytes must decode
// to exactly the stored length or raise ECompressError, within bounded time and memory. And
// whatever the input, encoding it must decode back to the same bytes.
#include "core/FileCompress.h"
#include "core/Lh5.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Lengths beyond this only make a run slower, not more interesting.
constexpr std::uint32_t MaxFuzzLength = 1u << 20;

std::uint32_t LengthField(std::string_view in) {
  std::uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(in[static_cast<std::size_t>(i)]);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);

  if (size < 4 || LengthField(in) <= MaxFuzzLength) {
    try {
      const std::string out = mailmoat::DecompressContainer(in);
      if (out.size() != LengthField(in)) std::abort();
    } catch (const mailmoat::ECompressError&) {
    }
  }

  if (size >= 2) {
    // The first two bytes choose the length, so short and long outputs are both explored.
    const std::uint32_t length = (static_cast<unsigned char>(in[0]) | static_cast<unsigned char>(in[1]) << 8) * 4u;
    try {
      if (mailmoat::Lh5Decode(in.substr(2), length).size() != length) std::abort();
    } catch (const mailmoat::ECompressError&) {
    }
  }

  const std::string stream = mailmoat::Lh5Encode(in);
  if (mailmoat::Lh5Decode(stream, static_cast<std::uint32_t>(size)) != in) std::abort();
  if (mailmoat::DecompressContainer(mailmoat::CompressContainer(in)) != in) std::abort();
  return 0;
}
