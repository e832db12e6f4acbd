#pragma once

#include "core/Records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// The rule files, each a compressed container (core/FileCompress.h) of 612-byte records: the
// system rules (header, then body) and the user's rules (filter, then always-accept).
constexpr std::string_view SystemRulesFileName = "mmtrules.bin";
constexpr std::string_view UserRulesFileName = "usrrules.bin";
constexpr std::size_t RuleRecordSize = 612;

// The expanded content of a rule file: the records of `first`, then those of `second`.
std::string EncodeRules(const std::vector<TRuleRec>& first, const std::vector<TRuleRec>& second);
// The whole records of expanded content, in order; a trailing partial record is left
// out, for the loader to report as damage.
// RuleType is kept as stored, whatever its value.
std::vector<TRuleRec> DecodeRules(std::string_view data);

}  // namespace mailmoat
