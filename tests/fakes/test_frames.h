#pragma once

// The one builder of measurement frames for the tests: a reading field by field, encoded as the
// simulated meter encodes it, and small edits of a frame's bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <vector>

#include "simulator/instrument_simulator.h"

namespace pm::testing {

using Frame = std::vector<std::uint8_t>;
using sim::Reading;

using sim::balancedReading;

inline Frame frameOf(const Reading& reading) {
    return sim::encodeFrame(reading);
}

inline Frame balancedFrame() {
    return frameOf(balancedReading());
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

// Heap blocks of exactly the frame's length, so that a read one byte too far is an
// AddressSanitizer error rather than a read of spare vector capacity.
class RandomFrame {
  public:
    RandomFrame(std::mt19937& random, std::size_t length) : length_(length) {
        bytes_ = std::make_unique<std::uint8_t[]>(length_ == 0 ? 1 : length_);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> code(0, 5);
        for (std::size_t k = 0; k < length_; ++k) {
            // Mostly plausible range codes, so that decoding goes deep; any byte now and then.
            const bool codeByte = k >= 12 && k < 18;
            bytes_[k] = static_cast<std::uint8_t>(codeByte && byte(random) < 224 ? code(random)
                                                                                 : byte(random));
        }
    }
    std::span<const std::uint8_t> span() const { return {bytes_.get(), length_}; }

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t length_;
};

}  // namespace pm::testing
