#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pm::testing {

using Frame = std::vector<std::uint8_t>;

// Three channels at 230.00 V and 5.000 A, 120 degrees apart, each current 30 degrees behind its
// voltage, 50.00 Hz.
inline Frame balancedFrame() {
    return {0xD8, 0x59, 0xD8, 0x59, 0xD8, 0x59, 0x88, 0x13, 0x88, 0x13, 0x88, 0x13, 0x01,
            0x01, 0x01, 0x03, 0x03, 0x03, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04,
            0xB0, 0x04, 0xB0, 0x04, 0x2C, 0x01, 0x2C, 0x01, 0x2C, 0x01, 0x88, 0x13, 0x00};
}

inline Frame withWord(Frame frame, std::size_t offset, std::uint16_t word) {
    frame.at(offset) = static_cast<std::uint8_t>(word & 0xFF);
    frame.at(offset + 1) = static_cast<std::uint8_t>(word >> 8);
    return frame;
}

inline Frame withByte(Frame frame, std::size_t offset, std::uint8_t value) {
    frame.at(offset) = value;
    return frame;
}

inline Frame firstBytes(Frame frame, std::size_t count) {
    frame.resize(count);
    return frame;
}

}  // namespace pm::testing
