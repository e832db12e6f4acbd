#pragma once

#include "core/Records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

// The dial-up settings: one 381-byte record, block-transformed (so 384 bytes on disk).
constexpr std::string_view DialSettingsFileName = "duncfg.dat";
constexpr std::size_t DialSettingsRecordSize = 381;

std::string EncodeDialSettings(const DialSettingsRecord& settings);
// The record at the start of `plain`, or nothing when `plain` is shorter than a record.
std::optional<DialSettingsRecord> DecodeDialSettings(std::string_view plain);

}  // namespace mailmoat
