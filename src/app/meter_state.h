#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/wiring_check.h"
#include "view/trend_store.h"

namespace pm {

// The scan opens ports 1 to kLastPort in turn, then starts again at 1.
constexpr std::int16_t kLastPort = 16;

// A read of the stored records as it goes: what it asked last, what it is still owed, and the
// records that never answered.
struct RecordRead {
    bool tickDue = false;          // a read tick came while a reply was due; its step waits
    std::int16_t asked = 0;        // the record asked last, 0 before the first
    int tries = 0;                 // requests sent for it so far
    bool answered = false;         // its reply came
    std::vector<int> missing;      // records given up on after their second request, in order
    std::size_t missingFiled = 0;  // of them, those whose empty block is in the table
    bool countRefused = false;     // the count reply was not a count, so nothing was read
    bool finished = false;         // the read has ended and handed polling back
};

// Everything the handlers remember between events. One record, owned by the window, never saved.
struct MeterState {
    std::vector<std::uint8_t> rxBytes;  // bytes taken in by the last receive event
    std::int16_t timeoutTicks = 0;      // link time-out ticks since the last receive event
    std::int16_t portNumber = 0;        // port the next scan tick opens, 1..kLastPort
    bool linked = false;                // the instrument answered the handshake
    bool liveView = false;              // the real-time tab is selected
    bool wiringView = false;            // the wiring check tab is selected
    bool trendView = false;             // the trend tab is selected
    std::int16_t pendingCommand = 0;    // code of the request sent last
    // One request, one reply: the reply to pendingCommand is still due (neither in nor waited
    // out), and the requests that wait for the line meanwhile, oldest first.
    bool replyDue = false;
    bool replyWaitExtended = false;  // the wait ran out mid-reply and was given one reply's time
    std::vector<std::int16_t> heldRequests;
    std::int16_t recordCount = 0;  // stored records reported by the instrument
    std::int16_t recordIndex = 0;  // record the next read tick requests
    RecordRead read;
    std::int16_t clockYear = 0;  // year modulo 2000
    std::int16_t clockMonth = 0;
    std::int16_t clockDay = 0;
    std::int16_t clockHour = 0;
    std::int16_t clockMinute = 0;
    std::array<std::int16_t, 181> phasorX{};  // tip of a 400-unit phasor, by whole degree
    std::array<std::int16_t, 181> phasorY{};

    // The reply each record of the history table was filed from, by record number - 1: the table
    // shows texts, and the wiring check of a record needs its numbers.
    std::vector<std::vector<std::uint8_t>> recordFrames;
    std::vector<std::uint8_t> liveFrame;  // the last live-data reply
    // The wiring check as the page shows it: the options, the reading analysed (a copy, so that
    // clearing the table leaves a shown record alone), its record number (0: the live data) and
    // the result.
    WiringOptions wiringOptions;
    std::vector<std::uint8_t> wiringFrame;
    std::int16_t wiringRecord = 0;
    WiringResult wiringResult;

    // The live readings taken while the trend page was shown or a recording ran, for its chart.
    TrendStore trend;
    // The trend recording: its file, the lines written after the header, the second (UTC) it
    // started and the one it was seen running last, and whether the gap in the data going on now
    // has its line already.
    bool recording = false;
    std::string recordPath;
    std::size_t recordLines = 0;
    std::int64_t recordStart = 0;
    std::int64_t recordNow = 0;
    bool gapWritten = false;
};

}  // namespace pm
