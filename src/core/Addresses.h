#pragma once

#include "core/Records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// The user's own addresses: plain text, one entry per line, lines ended by CR LF.
constexpr std::string_view ValidAddressesFileName = "validaddr.dat";
// The earlier name of the same file.
constexpr std::string_view OldValidAddressesFileName = "GoodAddr.txt";

// The approved senders: 768-byte records one after another (the name is "_", the hexadecimal
// ASCII codes of "APPROVED", ".dat").
constexpr std::string_view ApprovedSendersFileName = "_415050524F564544.dat";
// The earlier approved-senders file: one "address#name" or bare address per line.
constexpr std::string_view LegacyApprovedSendersFileName = "mmtexcept.dat";
constexpr std::size_t ApprovedSenderRecordSize = 768;

// The longest text an approved sender's address or name can hold.
constexpr std::size_t ApprovedSenderTextMax = 255;

std::string EncodeApprovedSenders(const std::vector<ApprovedSenderRecord>& senders);
// The whole records of `data`; a trailing partial record (a truncated file) is left out, for
// the loader to report as damage.
std::vector<ApprovedSenderRecord> DecodeApprovedSenders(std::string_view data);

}  // namespace mailmoat
