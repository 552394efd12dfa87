#include "protocol/replies.h"

#include <algorithm>

#include "protocol/request_frames.h"

namespace pm {

bool isHandshakeReply(std::span<const std::uint8_t> reply) {
    return reply.size() >= 3 && reply[0] == 0xAA && reply[1] == 0x55 && reply[2] == 0xAA;
}

int recordCountOf(std::span<const std::uint8_t> reply) {
    if (reply.size() < 2) {
        return 0;
    }
    return std::min(reply[1] * 256 + reply[0], static_cast<int>(kLastRecordNumber));
}

}  // namespace pm
