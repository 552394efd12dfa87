#include "adapters/qt_scheduler.h"

#include <QTimer>

namespace pm {

QtScheduler::QtScheduler() = default;
QtScheduler::~QtScheduler() = default;

Scheduler::Handle QtScheduler::addTimer(Callback tick) {
    auto timer = std::make_unique<QTimer>();
    // Coarse timers may fire up to 5 % late; the record pacing of 100 ms wants better.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, [tick = std::move(tick)] { tick(); });
    timers_.push_back(std::move(timer));
    return static_cast<Handle>(timers_.size() - 1);
}

void QtScheduler::startTimer(Handle timer, int intervalMs) {
    timers_.at(static_cast<std::size_t>(timer))->start(intervalMs);
}

void QtScheduler::stopTimer(Handle timer) {
    timers_.at(static_cast<std::size_t>(timer))->stop();
}

}  // namespace pm
