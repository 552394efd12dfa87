#pragma once

#include <cstdint>
#include <vector>

namespace pm {

struct ClockReading;

// A view of the tab strip beyond the real-time view and the history table. It owns its state and
// its controls' handlers; Form1 owns the link and the first two views and hands each page the
// events of the window that concern it. A page changes only its own state and its own controls.
class Page {
  public:
    virtual ~Page() = default;

    // Index of the page's tab in TabStrip1.
    virtual int tab() const = 0;
    // Load: the page sets its controls up, once, before the window is shown.
    virtual void load() {}
    // The tab strip switched to the page (`shown`) or away from it.
    virtual void tabChanged(bool shown) = 0;
    // Whether the page needs the live data polled now (shown, or recording in the background).
    virtual bool needsLiveData() const = 0;
    // A live-data reply is in; `frame` is its bytes, also kept by Form1 as the latest live frame.
    virtual void liveReply(const std::vector<std::uint8_t>& frame) { (void)frame; }
    // The live data stopped for a while: the link was lost, or the stored records are read.
    virtual void liveGap() {}
    // The status-bar clock ticked.
    virtual void clockTick(const ClockReading& now) { (void)now; }
    // Save and Print while the page is shown. Print draws onto the printer's open document.
    virtual void save() = 0;
    virtual void print() = 0;
};

}  // namespace pm
