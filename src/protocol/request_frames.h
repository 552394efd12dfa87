#pragma once

// Requests to the meter. Every request is named by a 16-bit code, which is also the key by which
// its reply is understood: the link is strictly one request, one reply, with no header, sequence
// number or checksum on either side.
//
//   code        frame sent                    reply armed   reply
//   1..10000    AA lo hi  (stored record n)   39 bytes      measurement frame of record n
//   11000       AA F8 2A  (handshake)         3 bytes       AA 55 AA
//   12000       AA E0 2E  (record count)      2 bytes       count, little-endian
//   13000       AA C8 32  (live data)         39 bytes      measurement frame
//   14000       BB yy mm dd hh mi (set clock) 3 bytes       not examined
//
// The clock frame carries the year modulo 2000 and the other fields as plain binary bytes. The
// meter answers within 100 ms; the program paces requests no faster than that.

#include <cstdint>
#include <vector>

namespace pm {

constexpr std::int16_t kRequestHandshake = 11000;
constexpr std::int16_t kRequestRecordCount = 12000;
constexpr std::int16_t kRequestLiveData = 13000;
constexpr std::int16_t kRequestClockSet = 14000;
// Record numbers the meter can be asked for; each has its own block of the history table.
constexpr std::int16_t kFirstRecordNumber = 1;
constexpr std::int16_t kLastRecordNumber = 10000;

struct ClockFields {
    int year = 0;  // modulo 2000, 0..255 to fit its byte
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// Bytes the receive threshold is armed with for the reply to `code`.
int replyLength(std::int16_t code);

// The bytes that ask for `code`; the clock frame for kRequestClockSet, from `clock`.
std::vector<std::uint8_t> requestFrame(std::int16_t code, const ClockFields& clock);

// Whether a year can travel in the clock frame's single byte.
constexpr bool clockYearFits(int fullYear) {
    return fullYear >= 2000 && fullYear <= 2255;
}

}  // namespace pm
