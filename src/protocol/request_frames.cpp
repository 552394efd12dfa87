#include "protocol/request_frames.h"

namespace pm {

int replyLength(std::int16_t code) {
    if (code <= kLastRecordNumber) {
        return 39;
    }
    if (code == kRequestRecordCount) {
        return 2;
    }
    if (code == kRequestLiveData) {
        return 39;
    }
    return 3;
}

int replyWaitMs(std::int16_t code) {
    return lineTimeMs(replyLength(code)) + kReplyMarginMs;
}

std::vector<std::uint8_t> requestFrame(std::int16_t code, const ClockFields& clock) {
    auto byte = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    if (code == kRequestClockSet) {
        return {0xBB,
                byte(clock.year),
                byte(clock.month),
                byte(clock.day),
                byte(clock.hour),
                byte(clock.minute)};
    }
    const int value = code;
    return {0xAA, byte(value % 256), byte(value / 256)};
}

}  // namespace pm
