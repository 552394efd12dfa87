#include "view/stored_record.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "protocol/derived_values.h"
#include "protocol/measurement_frame.h"
#include "view/history_layout.h"

namespace pm {
namespace {

constexpr int kVoltageAngles = 3;

std::string orNotAvailable(std::optional<std::string> text) {
    return text ? std::move(*text) : std::string(kNotAvailableText);
}

}  // namespace

void writeStoredRecord(Grid& grid, std::span<const std::uint8_t> reply, int recordNumber,
                       const NumberFormat& format) {
    if (recordNumber < kFirstRecordNumber || recordNumber > kLastRecordNumber) {
        return;
    }
    const int r0 = kBlockRows * (recordNumber - 1);

    // Every row, not only the new block's: rows the grid adds come at its own default height.
    grid.setRows(kBlockRows * recordNumber);
    grid.setAllRowHeights(kHistoryRowHeight);

    writeBlockCaptions(grid, r0, recordNumber, kRecordNeutralCaption);

    // The texts as written are the working values: everything derived is computed from them.
    std::array<std::string, 3> u;
    std::array<std::string, 3> i;
    std::array<std::string, kAngleCount> a;
    for (int k = 0; k < 3; ++k) {
        const auto at = static_cast<std::size_t>(k);
        u[at] = orNotAvailable(voltageText(reply, k, format));
        grid.setTextMatrix(r0 + 1 + k, 1, u[at]);
    }
    for (int k = 0; k < 3; ++k) {
        const auto at = static_cast<std::size_t>(k);
        i[at] = orNotAvailable(currentText(reply, k, format));
        grid.setTextMatrix(r0 + 1 + k, 2, i[at]);
    }
    const bool withoutVoltageAngles =
        reply.size() > kModeByteOffset && reply[kModeByteOffset] == kModeWithoutVoltageAngles;
    for (int c = 0; c < kAngleCount; ++c) {
        const auto at = static_cast<std::size_t>(c);
        a[at] = withoutVoltageAngles && c < kVoltageAngles
                    ? std::string(kNotAvailableText)
                    : orNotAvailable(angleText(reply, c, format));
        grid.setTextMatrix(r0 + 4 + c % 3, 2 * (c / 3) + 1, a[at]);
    }
    grid.setTextMatrix(r0 + 7, 1, orNotAvailable(frequencyText(reply, format)));

    for (int k = 0; k < 3; ++k) {
        const auto at = static_cast<std::size_t>(k);
        ChannelPowerTexts powers = channelPowers(u[at], i[at], a[at + 6], format);
        const int row = r0 + 1 + k;
        grid.setTextMatrix(row, 5, std::move(powers.s));
        grid.setTextMatrix(row, 6, std::move(powers.pf));
        grid.setTextMatrix(row, 3, std::move(powers.p));
        grid.setTextMatrix(row, 4, std::move(powers.q));
    }
    grid.setTextMatrix(r0 + 7, 3, neutralCurrentText(i[0], i[1], i[2], a[3], a[5], format));
}

void writeMissingRecord(Grid& grid, int recordNumber) {
    if (recordNumber < kFirstRecordNumber || recordNumber > kLastRecordNumber) {
        return;
    }
    const int r0 = kBlockRows * (recordNumber - 1);
    grid.setRows(kBlockRows * recordNumber);
    grid.setAllRowHeights(kHistoryRowHeight);
    for (int r = r0; r < r0 + kBlockRows; ++r) {
        for (int c = 0; c < grid.cols(); ++c) {
            grid.setTextMatrix(r, c, "");
        }
    }
    writeBlockCaptions(grid, r0, recordNumber, kRecordNeutralCaption);
}

}  // namespace pm
