#pragma once

#include <string>

#include "platform/paged_document.h"

namespace pm::testing {

// Text measured as a fixed-pitch face sets it: a character of several bytes (Chinese) one em
// wide, a one-byte character half an em; an em is the size in points, in millimetres.
class FixedPitchMeasure final : public DocumentMeasure {
  public:
    static constexpr double kMmPerPoint = 25.4 / 72;
    double textWidth(const std::string& utf8, const TextStyle& style) override {
        double ems = 0;
        for (unsigned char c : utf8) {
            ems += c < 0x80 ? 0.5 : (c & 0xC0) == 0xC0 ? 1.0 : 0.0;
        }
        return ems * style.points * kMmPerPoint;
    }
    double lineHeight(const TextStyle& style) override { return 1.4 * style.points * kMmPerPoint; }
};

}  // namespace pm::testing
