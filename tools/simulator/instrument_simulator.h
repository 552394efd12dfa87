#pragma once

// The meter as the serial line sees it, for tests and for anyone without an instrument at hand.
//
// Requests (host to meter), no checksum, no terminator:
//   AA lo hi            a 16-bit code, low byte first:
//                         11000 (AA F8 2A) handshake      -> AA 55 AA
//                         12000 (AA E0 2E) record count   -> count, 2 bytes low first
//                         13000 (AA C8 32) live reading   -> 39-byte measurement frame
//                         1..10000         stored record n -> 39-byte measurement frame, sent only
//                                                             while n <= the record count
//   BB yy mm dd hh mi   set the clock (year counted from 2000, plain binary) -> BB 55 BB
//
// The measurement frame is the one the program decodes (protocol/measurement_frame.h): six raw
// words and their range codes, nine angles in tenths of a degree, the frequency in hundredths of
// a hertz and a mode byte, words low byte first.
//
// The meter never answers a code it does not know, and neither does this class. Bytes before a
// lead byte (AA or BB) are line noise and skipped; a frame may arrive in pieces or glued to the
// next one.
//
// The wire: a reply starts its latency (the reply delay, give or take the jitter) after the
// request, and at a baud rate each byte takes 10 bits' time, so at 9600 baud a 39-byte reply
// needs 40.6 ms after its latency. The meter has one line: a reply starts only once the one
// before it is out, even when the host has asked again meanwhile.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace pm::sim {

constexpr std::uint8_t kShortLead = 0xAA;
constexpr std::uint8_t kClockLead = 0xBB;
constexpr int kHandshakeCode = 11000;
constexpr int kRecordCountCode = 12000;
constexpr int kLiveDataCode = 13000;
constexpr int kClockSetCode = 14000;
constexpr int kMaxRecordNumber = 10000;
constexpr int kMaxRecordCount = 65535;  // what the two-byte count reply can carry
constexpr std::size_t kMeasurementFrameLength = 39;

// One set of readings as the meter encodes it.
struct Reading {
    std::array<std::uint16_t, 3> voltage{};      // raw, scaled by voltageRange
    std::array<std::uint16_t, 3> current{};      // raw, scaled by currentRange
    std::array<std::uint8_t, 3> voltageRange{};  // 1: raw / 100 V, 2: raw / 10 V, 3: raw V
    std::array<std::uint8_t, 3>
        currentRange{};                    // 2: raw / 10000 A, 3: raw / 1000 A, 4: raw / 100 A
    std::array<std::uint16_t, 9> angle{};  // tenths of a degree, U1U2 U2U3 U3U1 I1I2 I2I3 I3I1
                                           // U1I1 U2I2 U3I3
    std::uint16_t frequency = 0;           // hundredths of a hertz
    std::uint8_t mode = 0;  // 2 in a stored record: voltage-to-voltage angles unknown
};

std::vector<std::uint8_t> encodeFrame(const Reading& reading);

// Three channels at 230.00 V and 5.000 A, 120 degrees apart, each current 30 degrees behind its
// voltage, 50.00 Hz: voltage range code 1, current range code 3, mode 0. The reading tests and
// benchmarks compare against.
Reading balancedReading();

// The live reading number `sequence` (0, 1, 2, ...) of a meter seeded with `seed`: a balanced
// three-phase load around 230 V, 5 A, 120 degrees between phases, currents about 30 degrees
// behind their voltages, 50 Hz, with a little jitter so that consecutive frames differ. Voltage
// range code 1, current range code 3. The same seed and sequence always give the same reading.
Reading liveReading(std::uint64_t seed, std::uint64_t sequence);

// Stored record n (1..10000), the same for every seed so that a test can predict it. The records
// run through the range codes (voltage code 1, 2, 3, 1, ...; current code 3 for records 1 to 3,
// 4 for 4 to 6, 2 for 7 to 9, ...); records 2, 6, 10, ... carry mode byte 2; in records 3, 8,
// 13, ... channel 3 is idle (no voltage, no current).
Reading storedReading(int record);

// One phasor as the user states it: the angle in degrees clockwise from U1, so a lagging
// quantity has a positive angle.
struct Polar {
    double magnitude = 0.0;  // volts or amperes
    double degrees = 0.0;
    bool operator==(const Polar&) const = default;
};

// The six phasors of channels 1, 2 and 3, for a meter that shows a chosen installation.
struct Phasors {
    std::array<Polar, 3> voltage{};
    std::array<Polar, 3> current{};
    bool operator==(const Phasors&) const = default;
};

// The largest magnitudes the coarsest range codes can carry.
constexpr double kMaxPhasorVoltage = 65535.0;
constexpr double kMaxPhasorCurrent = 655.35;

// "U=220@0,220@240,220@120 I=5@20,5@260,5@140": the two groups in either order, separated by
// blanks, three magnitude@degrees each. Nothing for anything else, for a negative or too large
// magnitude and for a number that is not finite.
std::optional<Phasors> parsePhasors(std::string_view text);

// The reading a meter clamped onto these phasors sends: each magnitude at the range code that
// keeps the most digits, the nine angles from the phasor angles, 50.00 Hz, mode byte 0.
Reading phasorReading(const Phasors& phasors);

// `phasors` with every angle moved by a uniform random error within +-`degrees`, different for
// each `sequence` and the same again for the same seed and sequence.
Phasors withAngleNoise(const Phasors& phasors, double degrees, std::uint64_t seed,
                       std::uint64_t sequence);

// The clock as the last clock-set request left it.
struct ClockSetting {
    int year = 0;  // full year: the byte sent plus 2000
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    bool operator==(const ClockSetting&) const = default;
};

enum class RequestKind { Handshake, RecordCount, LiveData, StoredRecord, ClockSet, Unknown };

struct Request {
    RequestKind kind = RequestKind::Unknown;
    int code = 0;  // the 16-bit code; 14000 for a clock-set frame
    std::vector<std::uint8_t> bytes;
};

// Requests seen, by kind, whether answered or not (silence, a drop, a record beyond the count).
struct RequestCounts {
    int handshake = 0;
    int recordCount = 0;
    int liveData = 0;
    int storedRecord = 0;
    int clockSet = 0;
    int unknown = 0;  // a frame with a lead byte but a code or clock the meter does not accept
    bool operator==(const RequestCounts&) const = default;
};

class InstrumentSimulator {
  public:
    // Hands a reply to the line, to arrive `delayMs` after the request that caused it.
    using Send = std::function<void(std::vector<std::uint8_t> bytes, std::int64_t delayMs)>;
    using RequestObserver = std::function<void(const Request&)>;

    // Gap between the pieces of a reply split by setPieces.
    static constexpr std::int64_t kPieceGapMs = 3;
    // Milliseconds since any fixed start, for the line to know when it is free again.
    using Now = std::function<std::int64_t()>;

    explicit InstrumentSimulator(Send send, std::uint64_t seed = 1);

    // Bytes written by the host, in any chunking.
    void receive(std::span<const std::uint8_t> bytes);

    // Number of stored records, clamped to 0..65535. Counts above 10000 are reported as they
    // are, so a host can be tested against a count it must not follow to the end.
    void setRecordCount(int count);
    int recordCount() const { return recordCount_; }
    void setReplyDelayMs(std::int64_t ms);
    std::int64_t replyDelayMs() const { return replyDelayMs_; }
    // Each reply's latency is the delay plus a uniform random whole number of milliseconds in
    // -jitter..+jitter, never below 0.
    void setJitterMs(std::int64_t ms);
    // The line's speed: each byte of a reply arrives 10 bits' time after the one before it, the
    // reply going out byte by byte (pieces are then the line's own). 0, the default: a reply
    // arrives whole at the end of its latency, or in the pieces set.
    void setBaud(int baud);
    int baud() const { return baud_; }
    // The clock the line runs on. Without one, each receive() starts on a free line.
    void setClock(Now now) { now_ = std::move(now); }
    // A stored record the meter never answers, as one it cannot read back; 0 for none.
    void setUnansweredRecord(int record) { unansweredRecord_ = record; }
    // A silent meter still takes requests in (and sets its clock) but sends nothing.
    void setSilent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }
    // Probability (0..1) that a reply is not sent at all.
    void setDropRate(double rate);
    // Probability (0..1) that a reply is replaced by random bytes of the same length (never
    // by the true reply itself).
    void setGarbageRate(double rate);
    // Each reply goes out in this many pieces (1..its length), kPieceGapMs apart. Replies to
    // requests that came in one chunk follow each other and never interleave.
    void setPieces(int pieces);
    int pieces() const { return pieces_; }
    // With phasors set, every live reading and stored record is made from them instead of the
    // generated ones; the live readings with `angleNoise` degrees of random angle error, the
    // stored records without, so that a record reads the same each time it is fetched.
    void setPhasors(std::optional<Phasors> phasors, double angleNoise = 0.0);
    // Restarts the random choices and the live-reading sequence from `seed`.
    void setSeed(std::uint64_t seed);

    const RequestCounts& requests() const { return counts_; }
    // Nothing until the first clock-set request.
    std::optional<ClockSetting> clock() const { return clock_; }
    // Called for every request taken from the line, before it is answered.
    void setRequestObserver(RequestObserver observer) { observer_ = std::move(observer); }

  private:
    // Takes one request off the front of the buffer; false when more bytes are needed.
    bool takeRequest();
    bool takeShortFrame();
    bool takeClockFrame();
    void handle(const Request& request);
    void reply(std::vector<std::uint8_t> bytes);
    // Hands `bytes` to the line paced by the baud rate, the first byte's time counted from `start`.
    void sendPaced(const std::vector<std::uint8_t>& bytes, std::int64_t start, std::int64_t now);
    double nextUnit();  // uniform in [0, 1) from the random-choice stream
    std::uint64_t nextRandom();

    Send send_;
    RequestObserver observer_;
    std::vector<std::uint8_t> pending_;
    Now now_;
    // When the last byte handed to the line arrives: no reply starts before it.
    std::int64_t lineFreeMs_ = 0;
    RequestCounts counts_;
    std::optional<ClockSetting> clock_;

    std::uint64_t seed_ = 1;
    std::uint64_t randomState_ = 0;
    std::uint64_t jitterState_ = 0;  // a stream of its own, so jitter reshuffles no other choice
    std::uint64_t liveSequence_ = 0;
    std::optional<Phasors> phasors_;
    double angleNoise_ = 0.0;

    int recordCount_ = 0;
    int unansweredRecord_ = 0;
    std::int64_t replyDelayMs_ = 0;
    std::int64_t jitterMs_ = 0;
    int baud_ = 0;
    bool silent_ = false;
    double dropRate_ = 0.0;
    double garbageRate_ = 0.0;
    int pieces_ = 1;
};

}  // namespace pm::sim
