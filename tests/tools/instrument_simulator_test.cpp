#include "simulator/instrument_simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"

namespace pm::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kHandshake = {0xAA, 0xF8, 0x2A};
const Bytes kRecordCount = {0xAA, 0xE0, 0x2E};
const Bytes kLive = {0xAA, 0xC8, 0x32};
const Bytes kClock2026 = {0xBB, 0x1A, 0x0C, 0x06, 0x03, 0x05};

Bytes record(int n) {
    return {0xAA, static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The simulator with its line: every piece it sends, in order, with the delay it asked for.
struct Line {
    struct Piece {
        Bytes bytes;
        std::int64_t delayMs;
    };
    std::vector<Piece> pieces;
    InstrumentSimulator meter;

    explicit Line(std::uint64_t seed = 1)
        : meter(
              [this](Bytes b, std::int64_t d) {
                  pieces.push_back({std::move(b), d});
              },
              seed) {}

    void send(const Bytes& b) { meter.receive(b); }
    Bytes all() const {
        Bytes out;
        for (const Piece& p : pieces) {
            out.insert(out.end(), p.bytes.begin(), p.bytes.end());
        }
        return out;
    }
    // The replies to the last request only.
    Bytes take() {
        Bytes out = all();
        pieces.clear();
        return out;
    }
};

double value(const std::optional<std::string>& text) {
    EXPECT_TRUE(text.has_value());
    return text ? readNumber(*text) : -1.0;
}

TEST(InstrumentSimulator, AnswersEachRequestAsTheMeterDoes) {
    struct Case {
        const char* name;
        int records;
        Bytes request;
        Bytes reply;
        RequestCounts counts;
    };
    const Case cases[] = {
        {"handshake", 0, kHandshake, {0xAA, 0x55, 0xAA}, {.handshake = 1}},
        {"record count 300", 300, kRecordCount, {0x2C, 0x01}, {.recordCount = 1}},
        {"no record", 0, kRecordCount, {0x00, 0x00}, {.recordCount = 1}},
        {"count above the record numbers", 12000, kRecordCount, {0xE0, 0x2E}, {.recordCount = 1}},
        {"count clamped to two bytes", 70000, kRecordCount, {0xFF, 0xFF}, {.recordCount = 1}},
        {"first record", 5, record(1), encodeFrame(storedReading(1)), {.storedRecord = 1}},
        {"last record", 5, record(5), encodeFrame(storedReading(5)), {.storedRecord = 1}},
        {"record past the count", 5, record(6), {}, {.storedRecord = 1}},
        {"record 10000",
         12000,
         record(10000),
         encodeFrame(storedReading(10000)),
         {.storedRecord = 1}},
        {"clock set", 0, kClock2026, {0xBB, 0x55, 0xBB}, {.clockSet = 1}},
        {"code 0", 5, record(0), {}, {.unknown = 1}},
        {"code 10001", 12000, record(10001), {}, {.unknown = 1}},
        {"clock code in a short frame", 5, record(14000), {}, {.unknown = 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line;
        line.meter.setRecordCount(c.records);
        line.send(c.request);
        EXPECT_EQ(line.all(), c.reply);
        EXPECT_EQ(line.meter.requests(), c.counts);
    }
}

TEST(InstrumentSimulator, LiveFramesArePlausibleVaryAndFollowTheSeed) {
    Line line(7);
    std::set<Bytes> distinct;
    for (int k = 0; k < 50; ++k) {
        SCOPED_TRACE("live frame " + std::to_string(k));
        line.send(kLive);
        const Bytes f = line.take();
        ASSERT_EQ(f.size(), kFrameLength);
        EXPECT_EQ(f, encodeFrame(liveReading(7, static_cast<std::uint64_t>(k))));
        distinct.insert(f);
        const NumberFormat plain;
        double vvSum = 0.0;
        double iiSum = 0.0;
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_NEAR(value(voltageText(f, ch, plain)), 230.0, 1.0);
            EXPECT_NEAR(value(currentText(f, ch, plain)), 5.0, 0.1501);
            // U3U1 closes the triangle, so it carries the jitter of the other two.
            EXPECT_NEAR(value(angleText(f, ch, plain)), 120.0, 1.6001);
            EXPECT_NEAR(value(angleText(f, 6 + ch, plain)), 30.0, 2.0);
            EXPECT_TRUE(
                channelIsActive(*voltageText(f, ch, plain), *currentText(f, ch, plain), plain));
            vvSum += value(angleText(f, ch, plain));
            iiSum += value(angleText(f, 3 + ch, plain));
        }
        // The angles come from one set of phasors, so each triangle closes.
        EXPECT_NEAR(vvSum, 360.0, 1e-6);
        EXPECT_NEAR(iiSum, 360.0, 1e-6);
        EXPECT_NEAR(value(frequencyText(f, plain)), 50.0, 0.05);
        EXPECT_EQ(f[kModeByteOffset], 0);
    }
    EXPECT_GT(distinct.size(), 45u);

    Line same(7);
    Line other(8);
    same.send(kLive);
    other.send(kLive);
    EXPECT_EQ(same.take(), encodeFrame(liveReading(7, 0)));
    EXPECT_NE(other.take(), encodeFrame(liveReading(7, 0)));
    // A new seed starts the sequence over.
    same.send(kLive);
    same.meter.setSeed(7);
    same.send(kLive);
    const Bytes both = same.take();
    EXPECT_EQ(Bytes(both.begin() + kFrameLength, both.end()), encodeFrame(liveReading(7, 0)));
}

TEST(InstrumentSimulator, StoredRecordsAreFixedPerNumberAndVaried) {
    std::set<int> voltageCodes;
    std::set<int> currentCodes;
    std::vector<int> modeTwo;
    std::vector<int> idleChannel3;
    const NumberFormat plain;
    Line seeded(1);
    Line otherSeed(99);
    seeded.meter.setRecordCount(20);
    otherSeed.meter.setRecordCount(20);
    for (int n = 1; n <= 20; ++n) {
        SCOPED_TRACE("record " + std::to_string(n));
        seeded.send(record(n));
        otherSeed.send(record(n));
        const Bytes f = seeded.take();
        ASSERT_EQ(f.size(), kFrameLength);
        EXPECT_EQ(f, otherSeed.take());
        voltageCodes.insert(f[12]);
        currentCodes.insert(f[15]);
        if (f[kModeByteOffset] == 2) {
            modeTwo.push_back(n);
        }
        for (int ch = 0; ch < 3; ++ch) {
            const double u = value(voltageText(f, ch, plain));
            const double i = value(currentText(f, ch, plain));
            const bool active =
                channelIsActive(*voltageText(f, ch, plain), *currentText(f, ch, plain), plain);
            if (!active) {
                EXPECT_EQ(ch, 2);
                EXPECT_EQ(u, 0.0);
                EXPECT_EQ(i, 0.0);
                idleChannel3.push_back(n);
                continue;
            }
            EXPECT_GE(u, 219.5);
            EXPECT_LE(u, 240.5);
            EXPECT_GE(i, 0.59);
            EXPECT_LE(i, 50.01);
            const double phi = value(angleText(f, 6 + ch, plain));
            EXPECT_GE(phi, 5.0);
            EXPECT_LE(phi, 60.0);
        }
        EXPECT_NEAR(value(frequencyText(f, plain)), 50.0, 0.1001);
    }
    EXPECT_EQ(voltageCodes, (std::set<int>{1, 2, 3}));
    EXPECT_EQ(currentCodes, (std::set<int>{2, 3, 4}));
    EXPECT_EQ(modeTwo, (std::vector<int>{2, 6, 10, 14, 18}));
    EXPECT_EQ(idleChannel3, (std::vector<int>{3, 8, 13, 18}));
}

TEST(InstrumentSimulator, FindsRequestsInSplitGluedAndNoisyInput) {
    struct Case {
        const char* name;
        std::vector<Bytes> chunks;
        Bytes reply;
        RequestCounts counts;
    };
    const Bytes hello = {0xAA, 0x55, 0xAA};
    const Bytes ack = {0xBB, 0x55, 0xBB};
    const Case cases[] = {
        {"byte by byte", {{0xAA}, {0xF8}, {0x2A}}, hello, {.handshake = 1}},
        {"half a frame waits", {{0xAA, 0xF8}}, {}, {}},
        {"three glued",
         {kHandshake + kRecordCount + kHandshake},
         hello + Bytes{3, 0} + hello,
         {.handshake = 2, .recordCount = 1}},
        {"glued across chunks",
         {{0xAA, 0xF8, 0x2A, 0xAA}, {0xE0, 0x2E}},
         hello + Bytes{3, 0},
         {.handshake = 1, .recordCount = 1}},
        {"noise before", {{0x00, 0x13, 0xFF, 0x55}, kHandshake}, hello, {.handshake = 1}},
        {"a stray lead byte", {{0xAA, 0xAA, 0xF8, 0x2A}}, hello, {.handshake = 1, .unknown = 1}},
        {"clock in two chunks", {{0xBB, 0x1A, 0x0C}, {0x06, 0x03, 0x05}}, ack, {.clockSet = 1}},
        {"impossible clock, then a request",
         {{0xBB, 0x1A, 0x0D, 0x06, 0x03, 0x05}, kHandshake},
         hello,
         {.handshake = 1, .unknown = 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line;
        line.meter.setRecordCount(3);
        for (const Bytes& chunk : c.chunks) {
            line.send(chunk);
        }
        EXPECT_EQ(line.all(), c.reply);
        EXPECT_EQ(line.meter.requests(), c.counts);
    }
}

TEST(InstrumentSimulator, KeepsTheClockLastSet) {
    Line line;
    EXPECT_FALSE(line.meter.clock().has_value());
    line.send(kClock2026);
    EXPECT_EQ(line.meter.clock(), (ClockSetting{2026, 12, 6, 3, 5}));
    line.send({0xBB, 0x00, 0x01, 0x1F, 0x17, 0x3B});
    EXPECT_EQ(line.meter.clock(), (ClockSetting{2000, 1, 31, 23, 59}));
    // An impossible clock is not taken.
    line.send({0xBB, 0x1B, 0x02, 0x00, 0x00, 0x00});
    EXPECT_EQ(line.meter.clock(), (ClockSetting{2000, 1, 31, 23, 59}));
}

TEST(InstrumentSimulator, DelaysAndSplitsReplies) {
    struct Case {
        const char* name;
        Bytes request;
        int pieces;
        std::vector<std::size_t> sizes;
        std::vector<std::int64_t> delays;
    };
    const Case cases[] = {
        {"whole", kLive, 1, {39}, {40}},
        {"four pieces", kLive, 4, {9, 10, 10, 10}, {40, 43, 46, 49}},
        {"more pieces than bytes", kHandshake, 10, {1, 1, 1}, {40, 43, 46}},
        {"zero pieces means one", kRecordCount, 0, {2}, {40}},
        {"glued requests answered one after the other",
         kHandshake + kRecordCount,
         2,
         {1, 2, 1, 1},
         {40, 43, 43, 46}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line;
        Line whole;
        line.meter.setReplyDelayMs(40);
        line.meter.setPieces(c.pieces);
        line.send(c.request);
        whole.send(c.request);
        std::vector<std::size_t> sizes;
        std::vector<std::int64_t> delays;
        for (const auto& p : line.pieces) {
            sizes.push_back(p.bytes.size());
            delays.push_back(p.delayMs);
        }
        EXPECT_EQ(sizes, c.sizes);
        EXPECT_EQ(delays, c.delays);
        EXPECT_EQ(line.all(), whole.all());
    }
}

TEST(InstrumentSimulator, PacesRepliesAtTheBaudRateOneAfterTheOther) {
    // At 9600 baud byte k (from 1) is complete k * 10 / 9.6 ms after the reply's start.
    auto byteMs = [](int k) { return (k * 10'000 + 9'599) / 9'600; };
    Line line;
    std::int64_t now = 1'000;
    line.meter.setClock([&] { return now; });
    line.meter.setBaud(9600);
    line.meter.setReplyDelayMs(40);
    line.send(kLive);
    // A handshake 10 ms later, while the reading is still on the wire: its reply follows it.
    now += 10;
    line.send(kHandshake);
    std::vector<std::int64_t> due;  // each byte's arrival, counted from the first request
    for (const auto& piece : line.pieces) {
        const std::int64_t sentAt = due.size() < 39 ? 0 : 10;
        due.insert(due.end(), piece.bytes.size(), piece.delayMs + sentAt);
    }
    ASSERT_EQ(due.size(), 42u);
    for (int k = 1; k <= 39; ++k) {
        EXPECT_EQ(due[static_cast<std::size_t>(k - 1)], 40 + byteMs(k)) << "byte " << k;
    }
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(due[static_cast<std::size_t>(38 + k)], 40 + byteMs(39) + byteMs(k));
    }
    EXPECT_EQ(due[38], 81);  // 40.6 ms of wire after the latency

    // Jitter spreads the latency over delay +- jitter, and no further.
    line.meter.setJitterMs(15);
    std::set<std::int64_t> latencies;
    for (int n = 0; n < 300; ++n) {
        now += 1'000;
        line.pieces.clear();
        line.send(kHandshake);
        latencies.insert(line.pieces.front().delayMs - byteMs(1));
    }
    EXPECT_EQ(*latencies.begin(), 25);
    EXPECT_EQ(*latencies.rbegin(), 55);
    EXPECT_GT(latencies.size(), 25u);
}

TEST(InstrumentSimulator, SilenceAnswersNothingButStillListens) {
    Line line;
    line.meter.setSilent(true);
    line.send(kHandshake + kLive + kClock2026);
    EXPECT_TRUE(line.pieces.empty());
    EXPECT_EQ(line.meter.requests(), (RequestCounts{.handshake = 1, .liveData = 1, .clockSet = 1}));
    EXPECT_EQ(line.meter.clock(), (ClockSetting{2026, 12, 6, 3, 5}));
    line.meter.setSilent(false);
    line.send(kLive);
    // The live reading the silent meter did not send is skipped, not sent late.
    EXPECT_EQ(line.take(), encodeFrame(liveReading(1, 1)));
}

TEST(InstrumentSimulator, DropsAndGarblesRepliesAtTheRatesSet) {
    constexpr int kRequests = 2000;
    struct Case {
        const char* name;
        double drop;
        double garbage;
        int minSent, maxSent;
        int minGarbled, maxGarbled;
    };
    const Case cases[] = {
        {"clean line", 0.0, 0.0, kRequests, kRequests, 0, 0},
        {"every reply dropped", 1.0, 0.0, 0, 0, 0, 0},
        {"every reply garbled", 0.0, 1.0, kRequests, kRequests, kRequests, kRequests},
        {"a quarter dropped", 0.25, 0.0, 1400, 1600, 0, 0},
        {"a tenth garbled", 0.0, 0.1, kRequests, kRequests, 120, 280},
        {"rates out of range are clamped", -1.0, 7.0, kRequests, kRequests, kRequests, kRequests},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line(3);
        line.meter.setDropRate(c.drop);
        line.meter.setGarbageRate(c.garbage);
        std::vector<Bytes> sent;
        int garbled = 0;
        for (int k = 0; k < kRequests; ++k) {
            line.send(kLive);
            const Bytes reply = line.take();
            if (reply.empty()) {
                continue;
            }
            sent.push_back(reply);
            ASSERT_EQ(reply.size(), kFrameLength);
            // What comes through is either garbage or the reading of its own request: a drop
            // never shifts the readings behind it.
            if (reply != encodeFrame(liveReading(3, static_cast<std::uint64_t>(k)))) {
                ++garbled;
            }
        }
        const int count = static_cast<int>(sent.size());
        EXPECT_GE(count, c.minSent);
        EXPECT_LE(count, c.maxSent);
        EXPECT_GE(garbled, c.minGarbled);
        EXPECT_LE(garbled, c.maxGarbled);

        // The same seed makes the same choices.
        Line again(3);
        again.meter.setDropRate(c.drop);
        again.meter.setGarbageRate(c.garbage);
        std::vector<Bytes> sentAgain;
        for (int k = 0; k < kRequests; ++k) {
            again.send(kLive);
            if (Bytes reply = again.take(); !reply.empty()) {
                sentAgain.push_back(reply);
            }
        }
        EXPECT_EQ(sentAgain, sent);
    }
}

TEST(InstrumentSimulator, GarbageNeverHappensToSpellTheTrueReply) {
    // Two-byte replies: with many of them, random bytes would hit the true count now and then.
    Line line(5);
    line.meter.setRecordCount(0x0102);
    line.meter.setGarbageRate(1.0);
    for (int k = 0; k < 70000; ++k) {
        line.send(kRecordCount);
        const Bytes reply = line.take();
        ASSERT_EQ(reply.size(), 2u);
        ASSERT_NE(reply, (Bytes{0x02, 0x01})) << "request " << k;
    }
}

TEST(InstrumentSimulator, PhasorReadingShowsWhatTheMeterWouldShow) {
    struct Case {
        const char* name;
        const char* phasors;
        std::array<const char*, 6> magnitudes;  // U1 U2 U3 I1 I2 I3
        std::array<double, 9> angles;           // frame order
    };
    const Case cases[] = {
        {"balanced, negative sequence",
         "U=220@0,220@240,220@120 I=5@20,5@260,5@140",
         {"220.00", "220.00", "220.00", "5.0000", "5.0000", "5.0000"},
         {240, 240, 240, 240, 240, 240, 20, 20, 20}},
        {"leading currents wrap below zero, lost voltage, absent current",
         "U=230@0,0@120,230@240 I=2@-10,2@100.04,0@229.94",
         {"230.00", "0.00", "230.00", "2.0000", "2.0000", "0.0000"},
         {120, 120, 120, 110, 129.9, 120.1, 350, 340, 349.9}},
        {"range codes at their edges, 359.96 degrees rounded onto 0",
         "U=655.35@0,655.36@359.96,65535@720 I=6.5535@0.02,6.554@0,655.35@359.98",
         {"655.35", "655.4", "65535", "6.5535", "6.554", "655.35"},
         {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    const NumberFormat plain;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes f = encodeFrame(phasorReading(parsePhasors(c.phasors).value()));
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(voltageText(f, ch, plain), c.magnitudes[ch]) << "U" << ch + 1;
            EXPECT_EQ(currentText(f, ch, plain), c.magnitudes[3 + ch]) << "I" << ch + 1;
        }
        for (int a = 0; a < kAngleCount; ++a) {
            EXPECT_NEAR(value(angleText(f, a, plain)), c.angles[a], 1e-9) << kAngleNames[a];
        }
        EXPECT_EQ(frequencyText(f, plain), "50.00");
        EXPECT_EQ(f[kModeByteOffset], 0);
    }
}

TEST(InstrumentSimulator, ParsesPhasorsAndRejectsAnythingElse) {
    const Phasors example{{{{0.5, 0}, {1e2, 720}, {3, -0.25}}}, {{{5, 20}, {0, 260}, {5, 140}}}};
    struct Case {
        const char* name;
        const char* text;
        std::optional<Phasors> parsed;
    };
    const Case cases[] = {
        {"both groups", "U=0.5@0,1e2@720,3@-0.25 I=5@20,0@260,5@140", example},
        {"either order, blanks", "\t I=5@20,0@260,5@140   U=0.5@0,1e2@720,3@-0.25 ", example},
        {"no currents", "U=1@0,1@0,1@0", {}},
        {"voltages twice", "U=1@0,1@0,1@0 U=1@0,1@0,1@0 I=1@0,1@0,1@0", {}},
        {"two voltages", "U=1@0,1@0 I=1@0,1@0,1@0", {}},
        {"no angle", "U=1,1@0,1@0 I=1@0,1@0,1@0", {}},
        {"junk in a number", "U=1V@0,1@0,1@0 I=1@0,1@0,1@0", {}},
        {"negative magnitude", "U=-1@0,1@0,1@0 I=1@0,1@0,1@0", {}},
        {"angle not a number", "U=1@0,1@0,1@nan I=1@0,1@0,1@0", {}},
        {"voltage too large", "U=65536@0,1@0,1@0 I=1@0,1@0,1@0", {}},
        {"current too large", "U=1@0,1@0,1@0 I=655.36@0,1@0,1@0", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parsePhasors(c.text), c.parsed) << c.name;
    }
}

TEST(InstrumentSimulator, NoiseMovesEachLiveAngleWithinItsBound) {
    const Phasors phasors = parsePhasors("U=230@0,230@120,230@240 I=5@30,5@150,5@270").value();
    const Bytes exact = encodeFrame(phasorReading(phasors));
    Line line(4);
    line.meter.setPhasors(phasors, 3.0);
    std::set<Bytes> distinct;
    double widest = 0.0;
    for (int k = 0; k < 200; ++k) {
        line.send(kLive);
        const Bytes f = line.take();
        distinct.insert(f);
        for (int a = 0; a < kAngleCount; ++a) {
            // Between two phasors, each off by up to 3 degrees.
            const double turn = value(angleText(f, a, {})) - value(angleText(exact, a, {}));
            const double off = std::abs(std::remainder(turn, 360.0));
            widest = std::max(widest, off);
            EXPECT_LE(off, 6.05) << kAngleNames[a];
        }
    }
    // Only errors of both signs take two phasors more than 3 degrees further apart.
    EXPECT_GT(widest, 4.5);
    EXPECT_GT(distinct.size(), 190u);
}

}  // namespace
}  // namespace pm::sim
