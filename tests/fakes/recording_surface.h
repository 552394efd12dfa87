#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/drawing_surface.h"

namespace pm {

// One operation a drawing surface received, with its arguments in call order.
struct SurfaceCall {
    std::string op;
    std::vector<double> args;
    Colour colour = 0;
    std::string text = {};  // what a text operation wrote
};

inline std::ostream& operator<<(std::ostream& out, const SurfaceCall& call) {
    out << call.op << '(';
    for (std::size_t k = 0; k < call.args.size(); ++k) {
        out << (k ? ", " : "") << call.args[k];
    }
    out << ") colour " << call.colour;
    return call.text.empty() ? out : out << " \"" << call.text << '"';
}

// Remembers every operation instead of drawing.
class RecordingSurface final : public DrawingSurface {
  public:
    std::vector<SurfaceCall> calls;
    // Runs when the surface is cleared, so a test can look at the world as a redraw sees it.
    std::function<void()> onCls;

    void setScale(double left, double top, double right, double bottom) override {
        calls.push_back({"setScale", {left, top, right, bottom}});
    }
    void setDrawWidth(int pixels) override { calls.push_back({"setDrawWidth", {double(pixels)}}); }
    void setAutoRedraw(bool on) override { calls.push_back({"setAutoRedraw", {on ? 1.0 : 0.0}}); }
    void cls() override {
        calls.push_back({"cls", {}});
        if (onCls) {
            onCls();
        }
    }
    void line(double x1, double y1, double x2, double y2, Colour colour) override {
        calls.push_back({"line", {x1, y1, x2, y2}, colour});
    }
    void circle(double cx, double cy, double radius, Colour colour) override {
        calls.push_back({"circle", {cx, cy, radius}, colour});
    }
    void text(double x, double y, const std::string& utf8, Colour colour) override {
        calls.push_back({"text", {x, y}, colour, utf8});
    }
};

// Coordinates are products like 0.9 * 346, so they are compared to within rounding noise.
inline void expectSameCalls(const std::vector<SurfaceCall>& actual,
                            const std::vector<SurfaceCall>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < actual.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "call " << k << ": " << actual[k]);
        EXPECT_EQ(actual[k].op, expected[k].op);
        EXPECT_EQ(actual[k].colour, expected[k].colour);
        EXPECT_EQ(actual[k].text, expected[k].text);
        ASSERT_EQ(actual[k].args.size(), expected[k].args.size());
        for (std::size_t a = 0; a < actual[k].args.size(); ++a) {
            EXPECT_NEAR(actual[k].args[a], expected[k].args[a], 1e-9);
        }
    }
}

}  // namespace pm
