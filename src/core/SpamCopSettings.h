#pragma once

#include "core/Records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

// The SpamCop addresses: one 768-byte record inside the compressed container
// (core/FileCompress.h).
constexpr std::string_view SpamCopFileName = "spamcop.dat";
constexpr std::size_t SpamCopRecordSize = 768;

// The uncompressed record: report address, from address, an empty reserved text.
std::string EncodeSpamCopSettings(const TSpamCopSettings& settings);
// The record at the start of `data`, or nothing when `data` is shorter than a record.
std::optional<TSpamCopSettings> DecodeSpamCopSettings(std::string_view data);

}  // namespace mailmoat
