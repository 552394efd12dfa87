#pragma once

// The two short replies. Neither carries a header or checksum: each is understood only by the
// request sent before it.
//
//   handshake (11000)     AA 55 AA    3 bytes
//   record count (12000)  lo hi       2 bytes, unsigned, little-endian

#include <cstdint>
#include <span>

namespace pm {

// Whether the bytes are the meter's answer to the handshake.
bool isHandshakeReply(std::span<const std::uint8_t> reply);

// The stored records the meter reports. Record numbers end at kLastRecordNumber and the codes
// above them mean other requests, so a larger count reads as many records as there can be; a
// reply too short to hold a count reads as none.
int recordCountOf(std::span<const std::uint8_t> reply);

}  // namespace pm
