#include "platform/virtual_scheduler.h"

#include <stdexcept>
#include <utility>

namespace pm {

Scheduler::Handle VirtualScheduler::addTimer(Callback tick) {
    timers_.push_back(TimerSlot{std::move(tick), 0, false, 0});
    return static_cast<Handle>(timers_.size() - 1);
}

void VirtualScheduler::startTimer(Handle timer, int intervalMs) {
    if (intervalMs <= 0) {
        throw std::invalid_argument("timer interval must be positive");
    }
    TimerSlot& slot = timers_.at(static_cast<std::size_t>(timer));
    slot.intervalMs = intervalMs;
    slot.running = true;
    ++slot.generation;
    arm(timer, now_ + intervalMs);
}

void VirtualScheduler::stopTimer(Handle timer) {
    TimerSlot& slot = timers_.at(static_cast<std::size_t>(timer));
    slot.running = false;
    ++slot.generation;
}

void VirtualScheduler::post(Millis delayMs, Callback event) {
    queue_.emplace(Key{now_ + (delayMs < 0 ? 0 : delayMs), sequence_++},
                   Entry{-1, 0, std::move(event)});
}

bool VirtualScheduler::isRunning(Handle timer) const {
    return timers_.at(static_cast<std::size_t>(timer)).running;
}

int VirtualScheduler::intervalOf(Handle timer) const {
    return timers_.at(static_cast<std::size_t>(timer)).intervalMs;
}

void VirtualScheduler::arm(Handle timer, Millis due) {
    queue_.emplace(Key{due, sequence_++},
                   Entry{timer, timers_[static_cast<std::size_t>(timer)].generation, {}});
}

bool VirtualScheduler::isLive(const Entry& e) const {
    if (e.timer < 0) {
        return true;
    }
    const TimerSlot& slot = timers_[static_cast<std::size_t>(e.timer)];
    return slot.running && slot.generation == e.generation;
}

VirtualScheduler::Millis VirtualScheduler::nextDue() const {
    for (const auto& [key, entry] : queue_) {
        if (isLive(entry)) {
            return std::get<0>(key);
        }
    }
    return -1;
}

bool VirtualScheduler::runNext() {
    while (!queue_.empty()) {
        auto node = queue_.extract(queue_.begin());
        Entry& entry = node.mapped();
        if (!isLive(entry)) {
            continue;
        }
        now_ = std::get<0>(node.key());
        if (entry.timer < 0) {
            entry.event();
            return true;
        }
        TimerSlot& slot = timers_[static_cast<std::size_t>(entry.timer)];
        // Re-arm before the tick: a tick that stops or restarts its own timer bumps the
        // generation and so cancels this next occurrence.
        arm(entry.timer, now_ + slot.intervalMs);
        Callback tick = slot.tick;  // the tick may add timers and move the vector
        tick();
        return true;
    }
    return false;
}

void VirtualScheduler::advanceTo(Millis when) {
    for (Millis due = nextDue(); due >= 0 && due <= when; due = nextDue()) {
        runNext();
    }
    if (when > now_) {
        now_ = when;
    }
}

void VirtualScheduler::advanceBy(Millis ms) {
    advanceTo(now_ + ms);
}

}  // namespace pm
