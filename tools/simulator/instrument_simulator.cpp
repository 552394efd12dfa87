#include "simulator/instrument_simulator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace pm::sim {

namespace {

// SplitMix64: small, fast and the same on every platform, unlike the standard distributions,
// whose output differs between library implementations. Recorded test expectations depend on it.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class Stream {
  public:
    explicit Stream(std::uint64_t state) : state_(state) {}
    std::uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ull;
        return mix(state_);
    }
    int between(int lo, int hi) {
        const auto span = static_cast<std::uint64_t>(hi - lo + 1);
        return lo + static_cast<int>(next() % span);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)

  private:
    std::uint64_t state_;
};

constexpr std::uint64_t kLiveSalt = 0x6C6976652D66726Dull;
constexpr std::uint64_t kRecordSalt = 0x73746F7265642D72ull;
constexpr std::uint64_t kChoiceSalt = 0x63686F6963657321ull;
constexpr std::uint64_t kJitterSalt = 0x6A69747465722121ull;
constexpr std::uint64_t kNoiseSalt = 0x6E6F6973652D6465ull;
constexpr int kFullTurn = 3600;  // tenths of a degree

std::uint16_t word(int value) {
    return static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF));
}

std::uint16_t wrapAngle(int tenths) {
    const int wrapped = ((tenths % kFullTurn) + kFullTurn) % kFullTurn;
    return static_cast<std::uint16_t>(wrapped);
}

// All nine angles from one consistent set of phasors: voltage 1 at 0, voltage 2 `u1u2` further,
// voltage 3 `u2u3` beyond that, each current `lag[k]` behind its voltage. The three
// voltage-to-voltage angles then add up to a full turn, and so do the current-to-current ones,
// as they would on a real line.
void setAngles(Reading& r, int u1u2, int u2u3, const std::array<int, 3>& lag) {
    const std::array<int, 3> voltageAt = {0, u1u2, u1u2 + u2u3};
    std::array<int, 3> currentAt{};
    for (std::size_t k = 0; k < 3; ++k) {
        currentAt[k] = voltageAt[k] + lag[k];
    }
    r.angle[0] = wrapAngle(voltageAt[1] - voltageAt[0]);
    r.angle[1] = wrapAngle(voltageAt[2] - voltageAt[1]);
    r.angle[2] = wrapAngle(voltageAt[0] - voltageAt[2]);
    r.angle[3] = wrapAngle(currentAt[1] - currentAt[0]);
    r.angle[4] = wrapAngle(currentAt[2] - currentAt[1]);
    r.angle[5] = wrapAngle(currentAt[0] - currentAt[2]);
    for (std::size_t k = 0; k < 3; ++k) {
        r.angle[6 + k] = wrapAngle(lag[k]);
    }
}

// Raw word for a voltage given in hundredths of a volt, at the resolution of its range code.
std::uint16_t voltageRaw(int hundredths, std::uint8_t code) {
    switch (code) {
        case 1:
            return word(hundredths);
        case 2:
            return word((hundredths + 5) / 10);
        default:
            return word((hundredths + 50) / 100);
    }
}

// Raw word for a current given in tenths of a milliampere.
std::uint16_t currentRaw(int tenthMilliamps, std::uint8_t code) {
    switch (code) {
        case 2:
            return word(tenthMilliamps);
        case 3:
            return word((tenthMilliamps + 5) / 10);
        default:
            return word((tenthMilliamps + 50) / 100);
    }
}

// A range code and how many raw steps it counts per volt or ampere.
struct RangeStep {
    std::uint8_t code;
    double rawPerUnit;
};
constexpr std::array<RangeStep, 3> kVoltageSteps = {{{1, 100.0}, {2, 10.0}, {3, 1.0}}};
constexpr std::array<RangeStep, 3> kCurrentSteps = {{{2, 10000.0}, {3, 1000.0}, {4, 100.0}}};

struct Ranged {
    std::uint16_t raw;
    std::uint8_t code;
};

// The finest step whose rounded raw value still fits the word. Deciding on the rounded value
// keeps a magnitude such as 655.354 V, which rounds to 65535, at two decimals.
Ranged ranged(double magnitude, const std::array<RangeStep, 3>& steps) {
    for (const RangeStep& step : steps) {
        const long long raw = std::llround(magnitude * step.rawPerUnit);
        if (raw <= 0xFFFF) {
            return {word(static_cast<int>(raw)), step.code};
        }
    }
    // parsePhasors keeps such magnitudes out; pin them rather than wrap them.
    return {0xFFFF, steps.back().code};
}

// How far `to` lies clockwise from `from`, in the frame's tenths of a degree. Reducing first keeps
// the tenths within an int whatever angles the user gave; wrapping after the rounding folds
// 359.96 degrees onto 0 rather than sending 3600.
std::uint16_t clockwiseTenths(double from, double to) {
    const double turn = std::fmod(to - from, 360.0);
    return wrapAngle(static_cast<int>(std::lround(turn * 10.0)));
}

std::optional<double> finiteNumber(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "220@0,220@240,220@120": exactly three phasors.
bool parseGroup(std::string_view text, double maxMagnitude, std::array<Polar, 3>& out) {
    for (std::size_t k = 0; k < out.size(); ++k) {
        const std::size_t comma = text.find(',');
        const bool last = k + 1 == out.size();
        if (last != (comma == std::string_view::npos)) {
            return false;
        }
        const std::string_view item = text.substr(0, comma);
        const std::size_t at = item.find('@');
        if (at == std::string_view::npos) {
            return false;
        }
        const std::optional<double> magnitude = finiteNumber(item.substr(0, at));
        const std::optional<double> degrees = finiteNumber(item.substr(at + 1));
        if (!magnitude || !degrees || *magnitude < 0.0 || *magnitude > maxMagnitude) {
            return false;
        }
        out[k] = {*magnitude, *degrees};
        text = last ? std::string_view{} : text.substr(comma + 1);
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodeFrame(const Reading& reading) {
    std::vector<std::uint8_t> frame;
    frame.reserve(kMeasurementFrameLength);
    const auto putWord = [&frame](std::uint16_t w) {
        frame.push_back(static_cast<std::uint8_t>(w & 0xFF));
        frame.push_back(static_cast<std::uint8_t>(w >> 8));
    };
    for (std::uint16_t w : reading.voltage) {
        putWord(w);
    }
    for (std::uint16_t w : reading.current) {
        putWord(w);
    }
    frame.insert(frame.end(), reading.voltageRange.begin(), reading.voltageRange.end());
    frame.insert(frame.end(), reading.currentRange.begin(), reading.currentRange.end());
    for (std::uint16_t w : reading.angle) {
        putWord(w);
    }
    putWord(reading.frequency);
    frame.push_back(reading.mode);
    return frame;
}

Reading balancedReading() {
    Reading r;
    r.voltage = {23000, 23000, 23000};
    r.voltageRange = {1, 1, 1};
    r.current = {5000, 5000, 5000};
    r.currentRange = {3, 3, 3};
    r.angle = {1200, 1200, 1200, 1200, 1200, 1200, 300, 300, 300};
    r.frequency = 5000;
    return r;
}

Reading liveReading(std::uint64_t seed, std::uint64_t sequence) {
    Stream s(mix(mix(seed ^ kLiveSalt) + sequence));
    Reading r;
    for (std::size_t k = 0; k < 3; ++k) {
        r.voltageRange[k] = 1;
        r.voltage[k] = word(23000 + s.between(-100, 100));  // 229.00 .. 231.00 V
        r.currentRange[k] = 3;
        r.current[k] = word(5000 + s.between(-150, 150));  // 4.850 .. 5.150 A
    }
    const int u1u2 = 1200 + s.between(-8, 8);
    const int u2u3 = 1200 + s.between(-8, 8);
    std::array<int, 3> lag{};
    for (int& l : lag) {
        l = 300 + s.between(-20, 20);  // 28.0 .. 32.0 degrees
    }
    setAngles(r, u1u2, u2u3, lag);
    r.frequency = word(5000 + s.between(-5, 5));
    r.mode = 0;
    return r;
}

Reading storedReading(int record) {
    if (record < 1) {
        throw std::out_of_range("stored records are numbered from 1");
    }
    Stream s(mix(kRecordSalt + static_cast<std::uint64_t>(record)));
    const int n = record - 1;
    const auto voltageCode = static_cast<std::uint8_t>(1 + n % 3);
    const auto currentCode = static_cast<std::uint8_t>(2 + (n / 3 + 1) % 3);
    Reading r;
    for (std::size_t k = 0; k < 3; ++k) {
        const int volts = 22000 + s.between(0, 2000);  // hundredths: 220 .. 240 V
        int amps = 0;                                  // tenths of a milliampere
        switch (currentCode) {
            case 2:
                amps = 8000 + s.between(-2000, 2000);  // 0.6 .. 1.0 A
                break;
            case 3:
                amps = 50000 + s.between(-10000, 10000);  // 4 .. 6 A
                break;
            default:
                amps = 450000 + s.between(-50000, 50000);  // 40 .. 50 A
                break;
        }
        r.voltageRange[k] = voltageCode;
        r.currentRange[k] = currentCode;
        r.voltage[k] = voltageRaw(volts, voltageCode);
        r.current[k] = currentRaw(amps, currentCode);
    }
    const int u1u2 = 1200 + s.between(-20, 20);
    const int u2u3 = 1200 + s.between(-20, 20);
    std::array<int, 3> lag{};
    for (int& l : lag) {
        l = 50 + s.between(0, 550);  // 5 .. 60 degrees
    }
    setAngles(r, u1u2, u2u3, lag);
    r.frequency = word(4990 + s.between(0, 20));
    r.mode = record % 4 == 2 ? 2 : 0;
    if (record % 5 == 3) {
        // Clamp 3 left off: nothing measured on channel 3, and no angle that involves it.
        r.voltage[2] = 0;
        r.current[2] = 0;
        for (std::size_t a : {1u, 2u, 4u, 5u, 8u}) {
            r.angle[a] = 0;
        }
    }
    return r;
}

std::optional<Phasors> parsePhasors(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    Phasors phasors;
    bool haveVoltage = false;
    bool haveCurrent = false;
    for (std::size_t pos = text.find_first_not_of(kBlanks); pos != std::string_view::npos;
         pos = text.find_first_not_of(kBlanks, pos)) {
        const std::size_t end = std::min(text.find_first_of(kBlanks, pos), text.size());
        const std::string_view group = text.substr(pos, end - pos);
        pos = end;
        const bool voltage = group.starts_with("U=");
        if (!voltage && !group.starts_with("I=")) {
            return std::nullopt;
        }
        bool& seen = voltage ? haveVoltage : haveCurrent;
        if (seen || !parseGroup(group.substr(2), voltage ? kMaxPhasorVoltage : kMaxPhasorCurrent,
                                voltage ? phasors.voltage : phasors.current)) {
            return std::nullopt;
        }
        seen = true;
    }
    if (!haveVoltage || !haveCurrent) {
        return std::nullopt;
    }
    return phasors;
}

Reading phasorReading(const Phasors& phasors) {
    Reading r;
    for (std::size_t k = 0; k < 3; ++k) {
        const Ranged u = ranged(phasors.voltage[k].magnitude, kVoltageSteps);
        const Ranged i = ranged(phasors.current[k].magnitude, kCurrentSteps);
        r.voltage[k] = u.raw;
        r.voltageRange[k] = u.code;
        r.current[k] = i.raw;
        r.currentRange[k] = i.code;
    }
    const auto& u = phasors.voltage;
    const auto& i = phasors.current;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t next = (k + 1) % 3;
        r.angle[k] = clockwiseTenths(u[k].degrees, u[next].degrees);
        r.angle[3 + k] = clockwiseTenths(i[k].degrees, i[next].degrees);
        r.angle[6 + k] = clockwiseTenths(u[k].degrees, i[k].degrees);
    }
    r.frequency = 5000;
    r.mode = 0;
    return r;
}

Phasors withAngleNoise(const Phasors& phasors, double degrees, std::uint64_t seed,
                       std::uint64_t sequence) {
    Stream s(mix(mix(seed ^ kNoiseSalt) + sequence));
    Phasors noisy = phasors;
    for (std::array<Polar, 3>* group : {&noisy.voltage, &noisy.current}) {
        for (Polar& p : *group) {
            p.degrees += degrees * (2.0 * s.unit() - 1.0);
        }
    }
    return noisy;
}

InstrumentSimulator::InstrumentSimulator(Send send, std::uint64_t seed) : send_(std::move(send)) {
    setSeed(seed);
}

void InstrumentSimulator::setSeed(std::uint64_t seed) {
    seed_ = seed;
    randomState_ = mix(seed ^ kChoiceSalt);
    jitterState_ = mix(seed ^ kJitterSalt);
    liveSequence_ = 0;
}

void InstrumentSimulator::setPhasors(std::optional<Phasors> phasors, double angleNoise) {
    phasors_ = std::move(phasors);
    // Beyond half a turn either way the error covers the whole circle anyway.
    angleNoise_ = std::isnan(angleNoise) ? 0.0 : std::clamp(angleNoise, 0.0, 180.0);
}

void InstrumentSimulator::setRecordCount(int count) {
    recordCount_ = std::clamp(count, 0, kMaxRecordCount);
}

void InstrumentSimulator::setReplyDelayMs(std::int64_t ms) {
    replyDelayMs_ = std::max<std::int64_t>(ms, 0);
}

void InstrumentSimulator::setJitterMs(std::int64_t ms) {
    jitterMs_ = std::max<std::int64_t>(ms, 0);
}

void InstrumentSimulator::setBaud(int baud) {
    baud_ = std::max(baud, 0);
}

namespace {
double probability(double rate) {
    return std::isnan(rate) ? 0.0 : std::clamp(rate, 0.0, 1.0);
}
}  // namespace

void InstrumentSimulator::setDropRate(double rate) {
    dropRate_ = probability(rate);
}

void InstrumentSimulator::setGarbageRate(double rate) {
    garbageRate_ = probability(rate);
}

void InstrumentSimulator::setPieces(int pieces) {
    pieces_ = std::max(pieces, 1);
}

std::uint64_t InstrumentSimulator::nextRandom() {
    randomState_ += 0x9E3779B97F4A7C15ull;
    return mix(randomState_);
}

double InstrumentSimulator::nextUnit() {
    return static_cast<double>(nextRandom() >> 11) * 0x1.0p-53;
}

void InstrumentSimulator::receive(std::span<const std::uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    if (!now_) {
        lineFreeMs_ = 0;
    }
    while (takeRequest()) {
    }
}

bool InstrumentSimulator::takeRequest() {
    const auto lead = std::find_if(pending_.begin(), pending_.end(), [](std::uint8_t b) {
        return b == kShortLead || b == kClockLead;
    });
    pending_.erase(pending_.begin(), lead);
    if (pending_.empty()) {
        return false;
    }
    return pending_.front() == kShortLead ? takeShortFrame() : takeClockFrame();
}

bool InstrumentSimulator::takeShortFrame() {
    constexpr std::size_t kLength = 3;
    if (pending_.size() < kLength) {
        return false;
    }
    Request request;
    request.code = pending_[1] | (pending_[2] << 8);
    request.bytes.assign(pending_.begin(), pending_.begin() + kLength);
    switch (request.code) {
        case kHandshakeCode:
            request.kind = RequestKind::Handshake;
            break;
        case kRecordCountCode:
            request.kind = RequestKind::RecordCount;
            break;
        case kLiveDataCode:
            request.kind = RequestKind::LiveData;
            break;
        default:
            request.kind = request.code >= 1 && request.code <= kMaxRecordNumber
                               ? RequestKind::StoredRecord
                               : RequestKind::Unknown;
            break;
    }
    // A lead byte followed by no known code was most likely noise itself: give up only that byte,
    // so that a real request right behind it is still found.
    pending_.erase(pending_.begin(),
                   pending_.begin() + (request.kind == RequestKind::Unknown ? 1 : kLength));
    handle(request);
    return true;
}

bool InstrumentSimulator::takeClockFrame() {
    constexpr std::size_t kLength = 6;
    if (pending_.size() < kLength) {
        return false;
    }
    Request request;
    request.code = kClockSetCode;
    request.bytes.assign(pending_.begin(), pending_.begin() + kLength);
    const ClockSetting setting{2000 + pending_[1], pending_[2], pending_[3], pending_[4],
                               pending_[5]};
    const bool valid = setting.month >= 1 && setting.month <= 12 && setting.day >= 1 &&
                       setting.day <= 31 && setting.hour <= 23 && setting.minute <= 59;
    request.kind = valid ? RequestKind::ClockSet : RequestKind::Unknown;
    if (valid) {
        clock_ = setting;
    }
    pending_.erase(pending_.begin(), pending_.begin() + (valid ? kLength : 1));
    handle(request);
    return true;
}

void InstrumentSimulator::handle(const Request& request) {
    switch (request.kind) {
        case RequestKind::Handshake:
            ++counts_.handshake;
            break;
        case RequestKind::RecordCount:
            ++counts_.recordCount;
            break;
        case RequestKind::LiveData:
            ++counts_.liveData;
            break;
        case RequestKind::StoredRecord:
            ++counts_.storedRecord;
            break;
        case RequestKind::ClockSet:
            ++counts_.clockSet;
            break;
        case RequestKind::Unknown:
            ++counts_.unknown;
            break;
    }
    if (observer_) {
        observer_(request);
    }
    switch (request.kind) {
        case RequestKind::Handshake:
            reply({0xAA, 0x55, 0xAA});
            break;
        case RequestKind::RecordCount:
            reply({static_cast<std::uint8_t>(recordCount_ & 0xFF),
                   static_cast<std::uint8_t>(recordCount_ >> 8)});
            break;
        case RequestKind::LiveData: {
            // The sequence moves on for every request, answered or not, so a dropped reply does
            // not shift the readings that follow it.
            const std::uint64_t sequence = liveSequence_++;
            reply(encodeFrame(
                phasors_ ? phasorReading(withAngleNoise(*phasors_, angleNoise_, seed_, sequence))
                         : liveReading(seed_, sequence)));
            break;
        }
        case RequestKind::StoredRecord:
            if (request.code <= recordCount_ && request.code != unansweredRecord_) {
                reply(
                    encodeFrame(phasors_ ? phasorReading(*phasors_) : storedReading(request.code)));
            }
            break;
        case RequestKind::ClockSet:
            reply({kClockLead, 0x55, kClockLead});
            break;
        case RequestKind::Unknown:
            break;
    }
}

void InstrumentSimulator::reply(std::vector<std::uint8_t> bytes) {
    // Both choices are drawn for every reply, whatever the rates and silence, so that one knob
    // does not reshuffle what another one picks.
    const double dropDraw = nextUnit();
    const double garbageDraw = nextUnit();
    if (silent_ || dropDraw < dropRate_) {
        return;
    }
    if (garbageDraw < garbageRate_) {
        std::vector<std::uint8_t> garbage(bytes.size());
        for (std::uint8_t& b : garbage) {
            b = static_cast<std::uint8_t>(nextRandom() & 0xFF);
        }
        if (garbage == bytes) {
            garbage.front() = static_cast<std::uint8_t>(garbage.front() ^ 0xFF);
        }
        bytes = std::move(garbage);
    }
    std::int64_t latency = replyDelayMs_;
    if (jitterMs_ > 0) {
        jitterState_ += 0x9E3779B97F4A7C15ull;
        const auto span = static_cast<std::uint64_t>(2 * jitterMs_ + 1);
        latency += static_cast<std::int64_t>(mix(jitterState_) % span) - jitterMs_;
        latency = std::max<std::int64_t>(latency, 0);
    }
    const std::int64_t now = now_ ? now_() : 0;
    // The meter has one line: a reply to a request that came while an earlier reply was still
    // going out starts when that one is out, not in the middle of it.
    const std::int64_t start = std::max(now + latency, lineFreeMs_);
    if (baud_ > 0) {
        sendPaced(bytes, start, now);
        return;
    }
    const std::size_t pieces =
        std::min<std::size_t>(static_cast<std::size_t>(pieces_), bytes.size());
    for (std::size_t j = 0; j < pieces; ++j) {
        const std::size_t begin = j * bytes.size() / pieces;
        const std::size_t end = (j + 1) * bytes.size() / pieces;
        lineFreeMs_ = start + static_cast<std::int64_t>(j) * kPieceGapMs;
        send_(std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(end)),
              lineFreeMs_ - now);
    }
}

void InstrumentSimulator::sendPaced(const std::vector<std::uint8_t>& bytes, std::int64_t start,
                                    std::int64_t now) {
    // Byte k is complete (k + 1) * 10 bits after the start, in microseconds; the bytes that are
    // complete by the same millisecond go out as one piece, in that millisecond.
    constexpr std::int64_t kBitsPerByte = 10;
    auto arrivalMs = [&](std::size_t k) {
        const std::int64_t us =
            (static_cast<std::int64_t>(k) + 1) * kBitsPerByte * 1'000'000 / baud_;
        return start + (us + 999) / 1000;
    };
    std::size_t k = 0;
    while (k < bytes.size()) {
        const std::int64_t due = arrivalMs(k);
        std::size_t end = k + 1;
        while (end < bytes.size() && arrivalMs(end) == due) {
            ++end;
        }
        send_(std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(k),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(end)),
              due - now);
        lineFreeMs_ = due;
        k = end;
    }
}

}  // namespace pm::sim
