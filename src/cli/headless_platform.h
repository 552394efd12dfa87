#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/meter_state.h"
#include "platform/common_dialog.h"
#include "platform/desktop.h"
#include "platform/drawing_surface.h"
#include "platform/printer.h"
#include "platform/serial_control.h"
#include "platform/snapshot.h"

namespace pm {

// The parts of the window's world that a program without a window has no use for: what would be
// drawn, printed or pictured goes nowhere, and no dialog ever opens (nothing in the commands asks
// for one).
class NullSurface final : public DrawingSurface {
  public:
    void setScale(double, double, double, double) override {}
    void setDrawWidth(int) override {}
    void setAutoRedraw(bool) override {}
    void cls() override {}
    void line(double, double, double, double, Colour) override {}
    void circle(double, double, double, Colour) override {}
    void text(double, double, const std::string&, Colour) override {}
};

class NullPrinter final : public Printer {
  public:
    std::string beginDoc() override { return "no printer without a window"; }
    void setCurrentX(int) override {}
    void setCurrentY(int) override {}
    int currentX() const override { return 0; }
    int currentY() const override { return 0; }
    void printLine(const std::string&) override {}
    void paintPicture(const DrawingSurface&, int, int) override {}
    void paintSnapshot(const WindowSnapshot&, int, int) override {}
    std::string endDoc() override { return "no printer without a window"; }
};

class NullSnapshot final : public WindowSnapshot {
  public:
    void take() override {}
    WriteResult save(const std::string&) override { return {"no window to take a picture of"}; }
};

class ClosedDialog final : public CommonDialog {
  public:
    int filterIndex() const override { return 0; }
    std::optional<SaveChoice> showSave(const SaveDialogSettings&) override { return std::nullopt; }
    PrintChoice showPrinter() override { return {}; }
};

// Message boxes as lines on the error stream; quitting is the command's own business.
class StderrDesktop final : public Desktop {
  public:
    explicit StderrDesktop(std::ostream& err) : err_(err) {}
    void showMessage(MessageIcon icon, const std::string& title, const std::string& text) override;
    void beep() override {}
    void quit() override {}

  private:
    std::ostream& err_;
};

// The serial line of the window, watched: it remembers how the open of each port ended, and
// stops the scan once every port has been tried, for a command that gives up after one round.
class WatchedSerial final : public SerialControl {
  public:
    explicit WatchedSerial(SerialControl& line) : line_(line) {}

    // Every port of the round has been tried and the scan came back to port 1.
    bool scanRoundDone() const { return roundDone_; }
    // How the open of port n (1..16) ended in the first round; nothing when it was not tried.
    std::optional<OpenOutcome> outcome(int port) const;

    void setCommPort(int port) override { line_.setCommPort(port); }
    int commPort() const override { return line_.commPort(); }
    bool portOpen() const override { return line_.portOpen(); }
    OpenOutcome open() override;
    void close() override { line_.close(); }
    void setRThreshold(int bytes) override { line_.setRThreshold(bytes); }
    void output(std::span<const std::uint8_t> bytes) override { line_.output(bytes); }
    std::vector<std::uint8_t> input() override { return line_.input(); }
    int inBufferCount() const override { return line_.inBufferCount(); }
    void clearInBuffer() override { line_.clearInBuffer(); }
    void clearOutBuffer() override { line_.clearOutBuffer(); }
    int commEvent() const override { return line_.commEvent(); }
    void setReceiveHandler(ReceiveHandler handler) override {
        line_.setReceiveHandler(std::move(handler));
    }

  private:
    SerialControl& line_;
    std::array<std::optional<OpenOutcome>, kLastPort + 1> outcomes_{};
    int opens_ = 0;
    bool roundDone_ = false;
};

// Why a port could not serve as the meter, in English: "in use by another program".
std::string openOutcomeReason(OpenOutcome outcome);

}  // namespace pm
