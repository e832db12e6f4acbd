#pragma once

#include <nettle/blowfish.h>

#include <cstdint>
#include <string_view>

namespace mailmoat {

// Blowfish as its designer published it (16 rounds, big-endian halves), one 8-byte block at a
// time. The key schedule is Nettle's; this class only adds the key checks and the clean-up.
class TBlowfish {
public:
  static constexpr std::size_t BlockSize = BLOWFISH_BLOCK_SIZE;

  // Keys of BLOWFISH_MIN_KEY_SIZE to BLOWFISH_MAX_KEY_SIZE bytes; throws EMailmoatError for
  // any other length.
  explicit TBlowfish(std::string_view key);
  ~TBlowfish();
  TBlowfish(const TBlowfish&) = delete;
  TBlowfish& operator=(const TBlowfish&) = delete;

  // Transform `count` whole blocks from `in` to `out`; the two may be the same buffer.
  void Encrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t count) const;
  void Decrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t count) const;

private:
  blowfish_ctx Context{};
};

}  // namespace mailmoat
