#include "protocol/replies.h"

#include "protocol/request_frames.h"

namespace pm {

bool isHandshakeReply(std::span<const std::uint8_t> reply) {
    return reply.size() >= 3 && reply[0] == 0xAA && reply[1] == 0x55 && reply[2] == 0xAA;
}

std::optional<int> recordCountOf(std::span<const std::uint8_t> reply) {
    if (reply.size() != 2) {
        return std::nullopt;
    }
    const int count = reply[1] * 256 + reply[0];
    if (count > kLastRecordNumber) {
        return std::nullopt;
    }
    return count;
}

}  // namespace pm
