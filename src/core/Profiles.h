#pragma once

#include "core/Records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// The mail server profiles store: 432-byte records one after another, the whole file
// block-transformed (core/BlockCipher.h) because it holds passwords.
constexpr std::string_view ProfilesFileName = "pop3prof.dat";
// An older profiles file, in a layout that is not read.
constexpr std::string_view OldProfilesFileName = "profiles.dat";
constexpr std::size_t ProfileRecordSize = 432;

// The plain (not yet transformed) bytes of the records, texts cut to their fields.
std::string EncodeProfiles(const std::vector<ProfileRecord>& profiles);
// The records in plain bytes; a trailing partial record (damage: a record is a whole number
// of cipher blocks, so there is no padding) is left out for the caller to report.
std::vector<ProfileRecord> DecodeProfiles(std::string_view plain);

}  // namespace mailmoat
