#pragma once

#include "core/Records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// The DNS blacklist databases: 419-byte records one after another, neither encoded nor
// compressed. No file means no blacklists.
constexpr std::string_view BlacklistsFileName = "blacklists.dat";
constexpr std::size_t BlacklistRecordSize = 419;

std::string EncodeBlacklists(const std::vector<TBlacklistRec>& blacklists);
// The whole records of `data`; a trailing partial record is left out, for the loader to
// report as damage.
std::vector<TBlacklistRec> DecodeBlacklists(std::string_view data);

// The table the preferences' "De&faults" button restores, in lookup order.
std::vector<TBlacklistRec> DefaultBlacklists();

}  // namespace mailmoat
