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
// The clock frame carries the year modulo 2000 and the other fields as plain binary bytes.
//
// Timing: the line runs at 9600 baud, 8N1, 10 bits a byte, so a byte takes 1.04 ms and a 39-byte
// reply 40.6 ms on the wire, after the meter's own latency. Because a reply names nothing, the
// next request goes out only once the reply to the last one is in or its wait (replyWaitMs) has
// run out, and stored records are asked no faster than one per 100 ms.

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

constexpr int kLineBaud = 9600;
constexpr int kLineBitsPerByte = 10;  // start bit, 8 data bits, stop bit
// How long a reply may take beyond its own time on the wire. The scan gives each port 500 ms to
// answer its handshake, so a meter slower than that is never linked in the first place; a reply
// later than this is taken for lost, and bytes that still come are dropped.
constexpr int kReplyMarginMs = 500;

// Milliseconds `bytes` take on the wire, rounded up.
constexpr int lineTimeMs(int bytes) {
    return (bytes * kLineBitsPerByte * 1000 + kLineBaud - 1) / kLineBaud;
}
// How long the reply to `code` is waited for after the request: its time on the wire and the
// margin (541 ms for a measurement frame).
int replyWaitMs(std::int16_t code);

// The bytes that ask for `code`; the clock frame for kRequestClockSet, from `clock`.
std::vector<std::uint8_t> requestFrame(std::int16_t code, const ClockFields& clock);

// Whether a year can travel in the clock frame's single byte.
constexpr bool clockYearFits(int fullYear) {
    return fullYear >= 2000 && fullYear <= 2255;
}

}  // namespace pm
