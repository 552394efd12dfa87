#pragma once

// The two short replies. Neither carries a header or checksum: each is understood only by the
// request sent before it.
//
//   handshake (11000)     AA 55 AA    3 bytes
//   record count (12000)  lo hi       2 bytes, unsigned, little-endian

#include <cstdint>
#include <optional>
#include <span>

namespace pm {

// Whether the bytes are the meter's answer to the handshake.
bool isHandshakeReply(std::span<const std::uint8_t> reply);

// The stored records the meter reports: exactly two bytes giving 0 to kLastRecordNumber. Anything
// else is not a count (most likely part of another reply) and gives nothing: following it would
// read thousands of records that are not there.
std::optional<int> recordCountOf(std::span<const std::uint8_t> reply);

}  // namespace pm
